// The PipeWire grabber against a video source of the test's own, on a PipeWire (and the
// WirePlumber that links its streams) started for the test in a runtime folder of its own.
#include "core/capture/pipewire_grabber.h"
#include "core/capture/pipewire_stream.h"

#include "support/private_bus.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <spa/param/video/format-utils.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <cstring>

namespace pictoreel {
namespace {

constexpr int kWidth = 40, kHeight = 30, kStride = kWidth * 4 + 24;  // rows padded, as GPUs like them

// True once `done`, false after 3 s without.
bool waitUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 150 && !done(); ++i)
        QThread::msleep(20);
    return done();
}

// A driving BGRx source: each picture filled with the shade of `blue`, the gaps between rows
// with 0xEE (which must never show).
class TestSource {
public:
    std::atomic<int> blue{10};

    TestSource()
    {
        static const pw_stream_events events = [] {
            pw_stream_events e{};
            e.version = PW_VERSION_STREAM_EVENTS;
            e.param_changed = &TestSource::onParam;
            e.process = &TestSource::onProcess;
            return e;
        }();
        std::uint8_t buffer[512];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const spa_rectangle size = SPA_RECTANGLE(kWidth, kHeight);
        const spa_fraction rate = SPA_FRACTION(30, 1);
        const auto* format = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
            SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format, SPA_POD_Id(SPA_VIDEO_FORMAT_BGRx), SPA_FORMAT_VIDEO_size,
            SPA_POD_Rectangle(&size), SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate)));
        if (pipewire_.open(-1, "test-source", pw_properties_new(PW_KEY_MEDIA_CLASS, "Video/Source", nullptr), &events, this))
            pipewire_.connect(PW_DIRECTION_OUTPUT, PW_ID_ANY, pw_stream_flags(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS), format);
        pipewire_.start();
    }
    std::uint32_t node()
    {
        const auto id = [this] { return underLock([](pw_stream* s) { return pw_stream_get_node_id(s); }); };
        waitUntil([&] { return id() != SPA_ID_INVALID; });
        return id();
    }
    void tick() { underLock(pw_stream_trigger_process); }
    void close() { pipewire_.close(); }

private:
    template <class F>
    std::uint32_t underLock(F f)
    {
        pipewire_.lock();
        const std::uint32_t result = pipewire_.stream() ? std::uint32_t(f(pipewire_.stream())) : SPA_ID_INVALID;
        pipewire_.unlock();
        return result;
    }
    static void onParam(void* data, std::uint32_t id, const spa_pod* param)
    {
        if (id != SPA_PARAM_Format || !param)
            return;
        std::uint8_t buffer[256];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const spa_pod* params[] = {static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers, SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks,
            SPA_POD_Int(1), SPA_PARAM_BUFFERS_size, SPA_POD_Int(kStride * kHeight), SPA_PARAM_BUFFERS_stride, SPA_POD_Int(kStride),
            SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int(1 << SPA_DATA_MemFd)))};
        pw_stream_update_params(static_cast<TestSource*>(data)->pipewire_.stream(), params, 1);
    }
    static void onProcess(void* data)
    {
        auto* self = static_cast<TestSource*>(data);
        pw_buffer* buffer = pw_stream_dequeue_buffer(self->pipewire_.stream());
        if (!buffer)
            return;
        spa_data& plane = buffer->buffer->datas[0];
        if (plane.data && plane.maxsize >= std::uint32_t(kStride * kHeight)) {
            auto* bytes = static_cast<std::uint8_t*>(plane.data);
            std::memset(bytes, 0xEE, std::size_t(kStride) * kHeight);
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    std::uint8_t* p = bytes + y * kStride + x * 4;
                    p[0] = std::uint8_t(self->blue.load()), p[1] = std::uint8_t(y), p[2] = std::uint8_t(x), p[3] = 0;
                }
            *plane.chunk = {0, std::uint32_t(kStride * kHeight), kStride, 0};
        }
        pw_stream_queue_buffer(self->pipewire_.stream(), buffer);
    }

    PipeWireStream pipewire_{"test-source"};
};

class PipeWireGrabberTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* program : {"pipewire", "wireplumber"})
            if (QStandardPaths::findExecutable(QLatin1String(program)).isEmpty())
                GTEST_SKIP() << program << " is not installed";
        qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
        if (bus_.address().isEmpty())
            GTEST_SKIP() << "dbus-daemon could not be started";
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus_.address().toLocal8Bit());  // WirePlumber wants one
        for (QProcess* process : {&pipewire_, &wireplumber_}) {  // their talk would fill a pipe and stop them
            process->setStandardOutputFile(QProcess::nullDevice());
            process->setStandardErrorFile(QProcess::nullDevice());
        }
        pipewire_.start(QStringLiteral("pipewire"), {});
        if (!waitUntil([this] { return QFile::exists(socketPath()); }))
            GTEST_SKIP() << "pipewire did not start";
        wireplumber_.start(QStringLiteral("wireplumber"), {});
    }
    void TearDown() override
    {
        for (QProcess* process : {&wireplumber_, &pipewire_}) {
            process->terminate();
            process->waitForFinished(3000);
        }
    }
    QString socketPath() const { return runtime_.filePath(QStringLiteral("pipewire-0")); }
    int connectRemote() const
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath().toLocal8Bit().constData(), sizeof(address.sun_path) - 1);
        EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        return fd;
    }

    testing::PrivateBus bus_;
    QTemporaryDir runtime_;
    QProcess pipewire_, wireplumber_;
};

TEST_F(PipeWireGrabberTest, TakesTheStreamsPicturesAndFinishesWhenItEnds)
{
    TestSource source;
    const std::uint32_t node = source.node();
    ASSERT_NE(node, SPA_ID_INVALID);
    std::atomic<bool> ticking{true};
    std::thread ticker([&] {
        while (ticking) {
            source.tick();
            QThread::msleep(30);
        }
    });
    bool closed = false;
    auto grabber = openPipeWireGrabber(connectRemote(), node, [&closed] { closed = true; }, 10000);
    ASSERT_TRUE(grabber) << grabber.error().message.toStdString();
    EXPECT_EQ(grabber.value()->width(), kWidth);
    EXPECT_EQ(grabber.value()->height(), kHeight);
    const auto pixel = [&](int x, int y) {
        const RgbaImage picture = grabber.value()->grab().value();
        return std::vector<int>(picture.pixel(x, y), picture.pixel(x, y) + 4);
    };
    EXPECT_EQ(pixel(kWidth - 1, kHeight - 1), (std::vector<int>{kWidth - 1, kHeight - 1, 10, 255}));
    source.blue = 200;
    waitUntil([&] { return pixel(0, 0)[2] == 200; });
    EXPECT_EQ(pixel(3, 2), (std::vector<int>{3, 2, 200, 255}));

    EXPECT_FALSE(grabber.value()->finished());
    ticking = false;
    ticker.join();
    source.close();
    EXPECT_TRUE(waitUntil([&] { return grabber.value()->finished(); }));
    grabber.value().reset();
    EXPECT_TRUE(closed);
}

}  // namespace
}  // namespace pictoreel
