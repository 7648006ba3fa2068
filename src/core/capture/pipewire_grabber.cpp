#include "core/capture/pipewire_grabber.h"

#include "core/capture/pipewire_stream.h"
#include "core/capture/raw_frame.h"

#include <spa/param/video/format-utils.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace pictoreel {

namespace {

std::optional<RawLayout> layoutOf(std::uint32_t format)
{
    switch (format) {
    case SPA_VIDEO_FORMAT_BGRx: return RawLayout::BGRx;
    case SPA_VIDEO_FORMAT_BGRA: return RawLayout::BGRA;
    case SPA_VIDEO_FORMAT_RGBx: return RawLayout::RGBx;
    case SPA_VIDEO_FORMAT_RGBA: return RawLayout::RGBA;
    case SPA_VIDEO_FORMAT_xRGB: return RawLayout::xRGB;
    case SPA_VIDEO_FORMAT_ARGB: return RawLayout::ARGB;
    case SPA_VIDEO_FORMAT_xBGR: return RawLayout::xBGR;
    case SPA_VIDEO_FORMAT_ABGR: return RawLayout::ABGR;
    default: return std::nullopt;
    }
}

class PipeWireGrabber final : public FrameGrabber {
public:
    PipeWireGrabber(std::function<void()> whenDone) : whenDone_(std::move(whenDone)) {}

    ~PipeWireGrabber() override
    {
        pipewire_.close();
        if (whenDone_)
            whenDone_();
    }

    Status connect(int fd, std::uint32_t node, int waitMs)
    {
        static const pw_core_events coreEvents = [] {
            pw_core_events events{};
            events.version = PW_VERSION_CORE_EVENTS;
            events.error = &PipeWireGrabber::onCoreError;
            return events;
        }();
        static const pw_stream_events streamEvents = [] {
            pw_stream_events events{};
            events.version = PW_VERSION_STREAM_EVENTS;
            events.state_changed = &PipeWireGrabber::onState;
            events.param_changed = &PipeWireGrabber::onParam;
            events.process = &PipeWireGrabber::onProcess;
            return events;
        }();
        if (!pipewire_.open(fd, "pictoreel",
                            pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr),
                            &streamEvents, this, &coreEvents))
            return makeError(ErrorCode::LibraryFailure, QStringLiteral("PipeWire could not be started"));
        std::uint8_t buffer[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const spa_rectangle size = SPA_RECTANGLE(1920, 1080), minSize = SPA_RECTANGLE(1, 1), maxSize = SPA_RECTANGLE(16384, 16384);
        const spa_fraction rate = SPA_FRACTION(30, 1), minRate = SPA_FRACTION(0, 1), maxRate = SPA_FRACTION(1000, 1);
        const auto* format = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
            SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
            SPA_POD_CHOICE_ENUM_Id(9, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_BGRA,
                                   SPA_VIDEO_FORMAT_RGBA, SPA_VIDEO_FORMAT_xRGB, SPA_VIDEO_FORMAT_xBGR, SPA_VIDEO_FORMAT_ARGB,
                                   SPA_VIDEO_FORMAT_ABGR),
            SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&size, &minSize, &maxSize), SPA_FORMAT_VIDEO_framerate,
            SPA_POD_CHOICE_RANGE_Fraction(&rate, &minRate, &maxRate)));
        if (pipewire_.connect(PW_DIRECTION_INPUT, node,
                              pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS | PW_STREAM_FLAG_DONT_RECONNECT),
                              format) < 0)
            return makeError(ErrorCode::LibraryFailure, QStringLiteral("The screen's stream could not be opened (PipeWire node %1)").arg(node));
        if (!pipewire_.start())
            return makeError(ErrorCode::LibraryFailure, QStringLiteral("PipeWire could not be started"));
        std::unique_lock lock(mutex_);
        if (!arrived_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return !latest_.empty() || ended_; }) || latest_.empty())
            return makeError(ErrorCode::LibraryFailure, failure_.isEmpty() ? QStringLiteral("The screen's stream brought no picture")
                                                                           : QStringLiteral("The screen's stream failed: ") + failure_);
        return {};
    }

    int width() const override { return latest_.width; }
    int height() const override { return latest_.height; }
    bool finished() const override
    {
        std::lock_guard lock(mutex_);
        return ended_;
    }
    Result<RgbaImage> grab() override
    {
        std::lock_guard lock(mutex_);
        return latest_;
    }

private:
    static void onCoreError(void* self, std::uint32_t id, int, int, const char* message)
    {
        if (id == PW_ID_CORE)
            static_cast<PipeWireGrabber*>(self)->end(QString::fromUtf8(message));
    }

    static void onState(void* self, pw_stream_state, pw_stream_state state, const char* error)
    {
        if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED)
            static_cast<PipeWireGrabber*>(self)->end(QString::fromUtf8(error ? error : "unconnected"));
    }

    void end(const QString& why)
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        if (failure_.isEmpty())
            failure_ = why;
        arrived_.notify_all();
    }

    // The format agreed on: its layout and size are what the next buffers hold; the buffers are
    // asked for in memory this process can map.
    static void onParam(void* data, std::uint32_t id, const spa_pod* param)
    {
        auto* self = static_cast<PipeWireGrabber*>(data);
        if (id != SPA_PARAM_Format || !param)
            return;
        spa_video_info_raw info{};
        if (spa_format_video_raw_parse(param, &info) < 0 || !layoutOf(info.format)) {
            self->end(QStringLiteral("no picture format both sides know"));
            return;
        }
        {
            std::lock_guard lock(self->mutex_);
            self->layout_ = *layoutOf(info.format);
            self->streamWidth_ = int(info.size.width);
            self->streamHeight_ = int(info.size.height);
        }
        std::uint8_t buffer[256];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const spa_pod* params[] = {static_cast<const spa_pod*>(
            spa_pod_builder_add_object(&builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
                                       SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))))};
        pw_stream_update_params(self->pipewire_.stream(), params, 1);
    }

    static void onProcess(void* data)
    {
        auto* self = static_cast<PipeWireGrabber*>(data);
        pw_buffer* newest = nullptr;
        while (pw_buffer* next = pw_stream_dequeue_buffer(self->pipewire_.stream())) {  // only the newest is worth a copy
            if (newest)
                pw_stream_queue_buffer(self->pipewire_.stream(), newest);
            newest = next;
        }
        if (!newest)
            return;
        const spa_data& plane = newest->buffer->datas[0];
        if (plane.data && plane.chunk && !(plane.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) && plane.chunk->size > 0)
            self->take(plane);
        pw_stream_queue_buffer(self->pipewire_.stream(), newest);
    }

    void take(const spa_data& plane)
    {
        std::lock_guard lock(mutex_);
        if (streamWidth_ <= 0 || streamHeight_ <= 0)
            return;
        const std::uint32_t offset = std::min(plane.chunk->offset, plane.maxsize);
        RawFrame frame;
        frame.data = static_cast<const std::uint8_t*>(plane.data) + offset;
        frame.size = std::min<std::size_t>(plane.chunk->size, plane.maxsize - offset);
        frame.width = streamWidth_;
        frame.height = streamHeight_;
        frame.stride = plane.chunk->stride > 0 ? plane.chunk->stride : streamWidth_ * 4;
        frame.layout = layout_;
        if (latest_.empty())
            latest_ = RgbaImage(streamWidth_, streamHeight_);
        copyRawFrame(frame, latest_);
        arrived_.notify_all();
    }

    std::function<void()> whenDone_;
    PipeWireStream pipewire_{"pictoreel-capture"};

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    RawLayout layout_ = RawLayout::BGRx;
    int streamWidth_ = 0, streamHeight_ = 0;
    RgbaImage latest_;  // keeps the first size
    bool ended_ = false;
    QString failure_;
};

}  // namespace

Result<std::unique_ptr<FrameGrabber>> openPipeWireGrabber(int fd, std::uint32_t node, std::function<void()> whenDone, int waitMs)
{
    auto grabber = std::make_unique<PipeWireGrabber>(std::move(whenDone));
    if (Status connected = grabber->connect(fd, node, waitMs); !connected)
        return connected.error();
    return std::unique_ptr<FrameGrabber>(std::move(grabber));
}

}  // namespace pictoreel
