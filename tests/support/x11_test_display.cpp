#include "support/x11_test_display.h"

#include <QDir>
#include <QFile>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <unistd.h>

namespace pictoreel::testing {

XvfbDisplay::XvfbDisplay(int width, int height)
{
    for (int attempt = 0; attempt < 20 && name_.isEmpty(); ++attempt) {
        const int number = 200 + (int(getpid()) * 7 + attempt * 13) % 700;
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)) || QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            continue;
        const QString name = QStringLiteral(":%1").arg(number);
        server_.start(QStringLiteral("Xvfb"), {name, QStringLiteral("-screen"), QStringLiteral("0"),
                                               QStringLiteral("%1x%2x24").arg(width).arg(height), QStringLiteral("-nolisten"),
                                               QStringLiteral("tcp"), QStringLiteral("-noreset")});
        if (!server_.waitForStarted(5000))
            return;
        // Ready once a client gets in; a server that lost the race for the number ends.
        for (int wait = 0; wait < 100 && server_.state() == QProcess::Running; ++wait) {
            xcb_connection_t* c = xcb_connect(name.toLocal8Bit().constData(), nullptr);
            const bool in = !xcb_connection_has_error(c);
            xcb_disconnect(c);
            if (in) {
                name_ = name;
                break;
            }
            server_.waitForFinished(100);
        }
        if (name_.isEmpty()) {
            server_.kill();
            server_.waitForFinished(2000);
        }
    }
}

XvfbDisplay::~XvfbDisplay()
{
    if (server_.state() == QProcess::NotRunning)
        return;
    server_.terminate();
    if (!server_.waitForFinished(5000)) {
        server_.kill();
        server_.waitForFinished(2000);
    }
}

struct MovingPattern::Connection {
    xcb_connection_t* raw = nullptr;
    xcb_screen_t* screen = nullptr;
    xcb_gcontext_t gc = 0;
};

MovingPattern::MovingPattern(const QString& display, int x, int y, int w, int h)
    : connection_(std::make_unique<Connection>()), width_(w), height_(h)
{
    Connection& c = *connection_;
    c.raw = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(c.raw))
        return;
    c.screen = xcb_setup_roots_iterator(xcb_get_setup(c.raw)).data;
    window_ = xcb_generate_id(c.raw);
    const std::uint32_t values[] = {c.screen->black_pixel, 1};  // no window manager moves it
    xcb_create_window(c.raw, XCB_COPY_FROM_PARENT, window_, c.screen->root, std::int16_t(x), std::int16_t(y), std::uint16_t(w),
                      std::uint16_t(h), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, c.screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c.raw, window_);
    c.gc = xcb_generate_id(c.raw);
    xcb_create_gc(c.raw, c.gc, window_, 0, nullptr);
    draw(0);
    ok_ = true;
}

MovingPattern::~MovingPattern()
{
    stop();
    if (connection_->raw)
        xcb_disconnect(connection_->raw);
}

void MovingPattern::draw(int step)
{
    Connection& c = *connection_;
    const auto fill = [&](Rgb colour, int x, int y, int w, int h) {
        const std::uint32_t pixel = (std::uint32_t(colour.r) << 16) | (std::uint32_t(colour.g) << 8) | colour.b;
        xcb_change_gc(c.raw, c.gc, XCB_GC_FOREGROUND, &pixel);
        const xcb_rectangle_t rect{std::int16_t(x), std::int16_t(y), std::uint16_t(w), std::uint16_t(h)};
        xcb_poly_fill_rectangle(c.raw, window_, c.gc, 1, &rect);
    };
    fill(kFrameColour, 0, 0, width_, height_);
    fill({std::uint8_t(step % 256), std::uint8_t(step / 256), 128}, 1, 1, width_ - 2, height_ - 2);
    std::free(xcb_get_input_focus_reply(c.raw, xcb_get_input_focus(c.raw), nullptr));  // drawn before it returns
}

void MovingPattern::start(int periodMs)
{
    stop();
    running_ = true;
    timer_ = std::thread([this, periodMs] {
        auto next = std::chrono::steady_clock::now();
        while (running_) {
            next += std::chrono::milliseconds(periodMs);
            std::this_thread::sleep_until(next);
            if (running_)
                draw(++step_);
        }
    });
}

void MovingPattern::stop()
{
    running_ = false;
    if (timer_.joinable())
        timer_.join();
}

std::optional<int> MovingPattern::stepShown(const RgbaImage& picture)
{
    if (picture.width < 3 || picture.height < 3)
        return std::nullopt;
    const auto is = [&](int x, int y, Rgb colour) {
        const std::uint8_t* p = picture.pixel(x, y);
        return p[0] == colour.r && p[1] == colour.g && p[2] == colour.b;
    };
    for (int x = 0; x < picture.width; ++x)
        if (!is(x, 0, kFrameColour) || !is(x, picture.height - 1, kFrameColour))
            return std::nullopt;
    for (int y = 0; y < picture.height; ++y)
        if (!is(0, y, kFrameColour) || !is(picture.width - 1, y, kFrameColour))
            return std::nullopt;
    const std::uint8_t* inside = picture.pixel(1, 1);
    const Rgb colour{inside[0], inside[1], inside[2]};
    if (colour.b != 128)
        return std::nullopt;
    for (int y = 1; y < picture.height - 1; ++y)
        for (int x = 1; x < picture.width - 1; ++x)
            if (!is(x, y, colour))
                return std::nullopt;
    return colour.r + 256 * colour.g;
}

}  // namespace pictoreel::testing
