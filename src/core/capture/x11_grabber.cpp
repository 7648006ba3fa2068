#include "core/capture/x11_grabber.h"

#include "core/capture/x11_stop_key.h"

#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace pictoreel {

namespace {

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <class T>
Reply<T> reply(T* value)
{
    return Reply<T>(value, &std::free);
}

struct Connection {
    xcb_connection_t* raw = nullptr;
    int defaultScreen = 0;
    explicit Connection(const QString& display)
    {
        raw = xcb_connect(display.isEmpty() ? nullptr : display.toLocal8Bit().constData(), &defaultScreen);
    }
    ~Connection()
    {
        if (raw)
            xcb_disconnect(raw);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    bool ok() const { return raw && !xcb_connection_has_error(raw); }
};

QString displayName(const QString& display)
{
    if (!display.isEmpty())
        return display;
    const QString env = qEnvironmentVariable("DISPLAY");
    return env.isEmpty() ? QStringLiteral("(none: DISPLAY is not set)") : env;
}

xcb_screen_t* screenNumber(xcb_connection_t* c, int n)
{
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; it.rem; ++i, xcb_screen_next(&it))
        if (i == n)
            return it.data;
    return nullptr;
}

std::optional<CaptureRect> windowRect(xcb_connection_t* c, xcb_window_t root, xcb_window_t window)
{
    auto geometry = reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    if (!geometry)
        return std::nullopt;
    auto place = reply(xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr));
    if (!place)
        return std::nullopt;
    return CaptureRect{place->dst_x, place->dst_y, geometry->width, geometry->height};
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    auto r = reply(xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, std::uint16_t(std::strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QString windowTitle(xcb_connection_t* c, xcb_window_t window, xcb_atom_t netName, xcb_atom_t utf8)
{
    for (auto [property, type] : {std::pair{netName, utf8}, std::pair<xcb_atom_t, xcb_atom_t>{XCB_ATOM_WM_NAME, XCB_ATOM_STRING}}) {
        if (property == XCB_ATOM_NONE)
            continue;
        auto value = reply(xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 1024), nullptr));
        if (value && xcb_get_property_value_length(value.get()) > 0)
            return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(value.get())), xcb_get_property_value_length(value.get()));
    }
    return {};
}

// Pixels of a ZPixmap image of 32 bits a pixel (BGRX in the display's byte order), to RGBA.
void copyPixels(const std::uint8_t* from, int width, int height, bool msbFirst, RgbaImage& to, int atX, int atY)
{
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = from + std::size_t(y) * std::size_t(width) * 4;
        std::uint8_t* out = to.pixel(atX, atY + y);
        for (int x = 0; x < width; ++x, in += 4, out += 4) {
            out[0] = msbFirst ? in[1] : in[2];
            out[1] = msbFirst ? in[2] : in[1];
            out[2] = msbFirst ? in[3] : in[0];
            out[3] = 255;
        }
    }
}

class X11Grabber final : public FrameGrabber {
public:
    X11Grabber(std::unique_ptr<Connection> connection, xcb_screen_t* screen, const CaptureTarget& target, CaptureRect rect, bool pointer)
        : connection_(std::move(connection)), c_(connection_->raw), screen_(screen), target_(target), rect_(rect), pointer_(pointer),
          stopKey_(std::make_unique<X11StopKey>(c_, screen->root))
    {
        msbFirst_ = xcb_get_setup(c_)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
        attachSharedMemory();
    }
    ~X11Grabber() override
    {
        if (segment_ != 0)
            xcb_shm_detach(c_, segment_);
        if (memory_)
            shmdt(memory_);
        xcb_flush(c_);
    }

    int width() const override { return rect_.width; }
    int height() const override { return rect_.height; }
    bool finished() const override { return stopped_; }

    Result<RgbaImage> grab() override
    {
        stopped_ = stopKey_->pressed();
        if (xcb_connection_has_error(c_))
            return makeError(ErrorCode::FileReadFailed, QStringLiteral("The connection to the display was lost"));
        if (target_.kind == CaptureTarget::Kind::Window) {
            const std::optional<CaptureRect> now = windowRect(c_, screen_->root, target_.window);
            if (!now)
                return makeError(ErrorCode::FileReadFailed, QStringLiteral("The window being recorded was closed"));
            rect_.x = now->x;
            rect_.y = now->y;
        }
        RgbaImage frame(rect_.width, rect_.height);
        for (std::size_t i = 3; i < frame.pixels.size(); i += 4)
            frame.pixels[i] = 255;
        // Only the part on the screen is read; the rest stays black.
        const int left = std::max(rect_.x, 0), top = std::max(rect_.y, 0);
        const int right = std::min(rect_.x + rect_.width, int(screen_->width_in_pixels));
        const int bottom = std::min(rect_.y + rect_.height, int(screen_->height_in_pixels));
        if (right > left && bottom > top) {
            if (Status s = read(left, top, right - left, bottom - top, frame, left - rect_.x, top - rect_.y); !s)
                return s.error();
        }
        if (pointer_)
            drawPointer(frame);
        return frame;
    }

private:
    void attachSharedMemory()
    {
        const auto* extension = xcb_get_extension_data(c_, &xcb_shm_id);
        if (!extension || !extension->present)
            return;
        auto version = reply(xcb_shm_query_version_reply(c_, xcb_shm_query_version(c_), nullptr));
        if (!version)
            return;
        const std::size_t bytes = std::size_t(rect_.width) * std::size_t(rect_.height) * 4;
        const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id < 0)
            return;
        void* memory = shmat(id, nullptr, 0);
        if (memory == reinterpret_cast<void*>(-1)) {
            shmctl(id, IPC_RMID, nullptr);
            return;
        }
        const xcb_shm_seg_t segment = xcb_generate_id(c_);
        xcb_generic_error_t* error = xcb_request_check(c_, xcb_shm_attach_checked(c_, segment, std::uint32_t(id), 0));
        shmctl(id, IPC_RMID, nullptr);  // gone once both sides let go of it
        if (error) {
            std::free(error);
            shmdt(memory);
            return;
        }
        memory_ = static_cast<std::uint8_t*>(memory);
        segment_ = segment;
    }

    Status read(int x, int y, int w, int h, RgbaImage& frame, int atX, int atY)
    {
        xcb_generic_error_t* error = nullptr;
        if (segment_ != 0) {
            auto image = reply(xcb_shm_get_image_reply(
                c_, xcb_shm_get_image(c_, screen_->root, std::int16_t(x), std::int16_t(y), std::uint16_t(w), std::uint16_t(h), ~0u,
                                      XCB_IMAGE_FORMAT_Z_PIXMAP, segment_, 0),
                &error));
            if (image) {
                copyPixels(memory_, w, h, msbFirst_, frame, atX, atY);
                return {};
            }
        } else {
            auto image = reply(xcb_get_image_reply(
                c_, xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, screen_->root, std::int16_t(x), std::int16_t(y), std::uint16_t(w),
                                  std::uint16_t(h), ~0u),
                &error));
            if (image && std::size_t(xcb_get_image_data_length(image.get())) >= std::size_t(w) * std::size_t(h) * 4) {
                copyPixels(xcb_get_image_data(image.get()), w, h, msbFirst_, frame, atX, atY);
                return {};
            }
        }
        const int code = error ? error->error_code : 0;
        std::free(error);
        return makeError(ErrorCode::FileReadFailed, QStringLiteral("The display refused to give its pixels (X error %1)").arg(code));
    }

    // The cursor's picture (premultiplied ARGB) laid over the frame at the pointer.
    void drawPointer(RgbaImage& frame)
    {
        if (!fixesChecked_) {
            fixesChecked_ = true;
            const auto* extension = xcb_get_extension_data(c_, &xcb_xfixes_id);
            fixes_ = extension && extension->present &&
                     reply(xcb_xfixes_query_version_reply(c_, xcb_xfixes_query_version(c_, 4, 0), nullptr)) != nullptr;
        }
        if (!fixes_)
            return;
        auto cursor = reply(xcb_xfixes_get_cursor_image_reply(c_, xcb_xfixes_get_cursor_image(c_), nullptr));
        if (!cursor)
            return;
        const std::uint32_t* argb = xcb_xfixes_get_cursor_image_cursor_image(cursor.get());
        const int originX = cursor->x - cursor->xhot - rect_.x, originY = cursor->y - cursor->yhot - rect_.y;
        for (int cy = 0; cy < cursor->height; ++cy) {
            const int y = originY + cy;
            if (y < 0 || y >= frame.height)
                continue;
            for (int cx = 0; cx < cursor->width; ++cx) {
                const int x = originX + cx;
                if (x < 0 || x >= frame.width)
                    continue;
                const std::uint32_t p = argb[std::size_t(cy) * cursor->width + cx];
                const unsigned alpha = p >> 24;
                std::uint8_t* out = frame.pixel(x, y);
                const unsigned colour[3] = {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
                for (int k = 0; k < 3; ++k)
                    out[k] = std::uint8_t(std::min(255u, colour[k] + out[k] * (255 - alpha) / 255));
            }
        }
    }

    std::unique_ptr<Connection> connection_;
    xcb_connection_t* c_;
    xcb_screen_t* screen_;
    CaptureTarget target_;
    CaptureRect rect_;
    bool pointer_;
    bool msbFirst_ = false;
    std::uint8_t* memory_ = nullptr;
    xcb_shm_seg_t segment_ = 0;
    bool fixesChecked_ = false;
    bool fixes_ = false;
    std::unique_ptr<X11StopKey> stopKey_;  // last: let go before the connection closes
    bool stopped_ = false;
};

Result<std::unique_ptr<Connection>> connect(const QString& display)
{
    auto connection = std::make_unique<Connection>(display);
    if (!connection->ok())
        return makeError(ErrorCode::FileNotFound, QStringLiteral("Cannot open the X11 display %1").arg(displayName(display)));
    return connection;
}

}  // namespace

std::optional<QString> x11RecordingUnavailable(const QString& display)
{
    if (display.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY"))
        return QStringLiteral("There is no X11 display to record (DISPLAY is not set)");
    Result<std::unique_ptr<Connection>> connection = connect(display);
    if (!connection)
        return connection.error().message;
    xcb_screen_t* screen = screenNumber(connection.value()->raw, connection.value()->defaultScreen);
    if (!screen || (screen->root_depth != 24 && screen->root_depth != 32))
        return QStringLiteral("The X11 display has %1 bits a pixel; only 24 and 32 can be recorded").arg(screen ? screen->root_depth : 0);
    return std::nullopt;
}

Result<std::vector<X11Window>> listX11Windows(const QString& display)
{
    Result<std::unique_ptr<Connection>> connection = connect(display);
    if (!connection)
        return connection.error();
    xcb_connection_t* c = connection.value()->raw;
    xcb_screen_t* screen = screenNumber(c, connection.value()->defaultScreen);
    std::vector<xcb_window_t> ids;
    const xcb_atom_t clients = atom(c, "_NET_CLIENT_LIST_STACKING");
    if (auto list = reply(xcb_get_property_reply(c, xcb_get_property(c, 0, screen->root, clients, XCB_ATOM_WINDOW, 0, 65536), nullptr));
        list && list->format == 32 && xcb_get_property_value_length(list.get()) > 0) {
        const auto* values = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
        ids.assign(values, values + xcb_get_property_value_length(list.get()) / 4);
    } else if (auto tree = reply(xcb_query_tree_reply(c, xcb_query_tree(c, screen->root), nullptr))) {
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            auto attributes = reply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr));
            if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE && !attributes->override_redirect)
                ids.push_back(children[i]);
        }
    }
    const xcb_atom_t netName = atom(c, "_NET_WM_NAME"), utf8 = atom(c, "UTF8_STRING");
    std::vector<X11Window> windows;
    for (xcb_window_t id : ids) {
        const QString title = windowTitle(c, id, netName, utf8);
        const std::optional<CaptureRect> rect = windowRect(c, screen->root, id);
        if (!title.isEmpty() && rect)
            windows.push_back({id, title, *rect});
    }
    return windows;
}

Result<std::unique_ptr<FrameGrabber>> openX11Grabber(const CaptureTarget& target, bool drawPointer, const QString& display)
{
    Result<std::unique_ptr<Connection>> opened = connect(display);
    if (!opened)
        return opened.error();
    std::unique_ptr<Connection> connection = std::move(opened).value();
    xcb_connection_t* c = connection->raw;
    const int number = target.kind == CaptureTarget::Kind::Screen ? target.screen : connection->defaultScreen;
    xcb_screen_t* screen = screenNumber(c, number);
    if (!screen)
        return makeError(ErrorCode::InvalidArgument, QStringLiteral("The display has no screen %1").arg(number));
    if (screen->root_depth != 24 && screen->root_depth != 32)
        return makeError(ErrorCode::UnsupportedFormat,
                         QStringLiteral("The display has %1 bits a pixel; only 24 and 32 can be recorded").arg(screen->root_depth));
    const CaptureRect whole{0, 0, screen->width_in_pixels, screen->height_in_pixels};
    CaptureRect rect = whole;
    if (target.kind == CaptureTarget::Kind::Region) {
        rect = target.region;
        if (rect.width <= 0 || rect.height <= 0 || rect.x < 0 || rect.y < 0 || rect.x + rect.width > whole.width ||
            rect.y + rect.height > whole.height)
            return makeError(ErrorCode::InvalidArgument, QStringLiteral("The region %1x%2+%3+%4 does not lie on the screen of %5x%6")
                                                             .arg(rect.width).arg(rect.height).arg(rect.x).arg(rect.y)
                                                             .arg(whole.width).arg(whole.height));
    } else if (target.kind == CaptureTarget::Kind::Window) {
        const std::optional<CaptureRect> found = windowRect(c, screen->root, target.window);
        if (!found || found->width <= 0 || found->height <= 0)
            return makeError(ErrorCode::InvalidArgument, QStringLiteral("There is no window 0x%1 on the display").arg(target.window, 0, 16));
        rect = *found;
    }
    return std::unique_ptr<FrameGrabber>(std::make_unique<X11Grabber>(std::move(connection), screen, target, rect, drawPointer));
}

}  // namespace pictoreel
