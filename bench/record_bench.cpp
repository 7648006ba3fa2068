// Recording a busy screen: 60 s of a 1920 x 1080 Xvfb at 15 frames a second, every picture
// different (bars that scroll, drawn 30 times a second). Prints the frames asked for, kept,
// dropped and written, the seconds the writing took after the stop, and the peak memory of the
// process. Goal: under 400 MB and no frame dropped.
//
//   record_bench [SECONDS] [FPS]      (needs Xvfb; writes into a temporary folder, then removes it)
#include "core/capture/screen_recording.h"
#include "core/capture/x11_grabber.h"
#include "core/formats/png_writer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace pictoreel;

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

void drawBars(xcb_connection_t* c, xcb_window_t window, xcb_gcontext_t gc, int step)
{
    constexpr int kBars = 24, kBar = kWidth / kBars;
    for (int i = 0; i <= kBars; ++i) {
        const std::uint32_t pixel = std::uint32_t((i * 0x3f1d5b + step * 0x010203) & 0xffffff);
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &pixel);
        const xcb_rectangle_t bar{std::int16_t(i * kBar - step * 7 % kBar), 0, std::uint16_t(kBar), std::uint16_t(kHeight)};
        xcb_poly_fill_rectangle(c, window, gc, 1, &bar);
    }
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const int fps = argc > 2 ? std::atoi(argv[2]) : 15;
    const QString display = QStringLiteral(":%1").arg(900 + getpid() % 90);
    QProcess server;
    server.start(QStringLiteral("Xvfb"), {display, QStringLiteral("-screen"), QStringLiteral("0"),
                                          QStringLiteral("%1x%2x24").arg(kWidth).arg(kHeight), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    xcb_connection_t* c = nullptr;
    for (int wait = 0; wait < 100; ++wait, std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
        c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
        if (!xcb_connection_has_error(c))
            break;
        xcb_disconnect(c);
        c = nullptr;
    }
    if (!c) {
        std::fprintf(stderr, "record_bench: Xvfb did not start on %s\n", qPrintable(display));
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t values[] = {1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, kWidth, kHeight, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    std::atomic<bool> drawing{true};
    std::thread painter([&] {
        auto next = std::chrono::steady_clock::now();
        for (int step = 0; drawing; ++step) {
            drawBars(c, window, gc, step);
            next += std::chrono::milliseconds(33);
            std::this_thread::sleep_until(next);
        }
    });

    // The two steps alone: reading a picture of the screen, and writing one as PNG.
    {
        auto probe = openX11Grabber({}, true, display);
        if (!probe) {
            std::fprintf(stderr, "record_bench: %s\n", qPrintable(probe.error().message));
            return 1;
        }
        constexpr int kProbes = 20;
        QElapsedTimer timer;
        timer.start();
        RgbaImage picture;
        for (int i = 0; i < kProbes; ++i)
            picture = probe.value()->grab().value();
        const double grabMs = double(timer.nsecsElapsed()) / 1e6 / kProbes;
        timer.restart();
        qsizetype bytes = 0;
        for (int i = 0; i < kProbes; ++i)
            bytes = encodeFastPng(picture).value().size();
        std::printf("one picture: read in %.1f ms, written as PNG in %.1f ms (%lld bytes)\n", grabMs,
                    double(timer.nsecsElapsed()) / 1e6 / kProbes, static_cast<long long>(bytes));
    }
    QTemporaryDir dir;
    RecordingSettings settings;
    settings.framesPerSecond = fps;
    settings.durationMicroseconds = std::int64_t(seconds) * 1000000;
    auto grabber = openX11Grabber({}, true, display);
    auto recording = grabber ? ScreenRecording::start(std::move(grabber).value(), dir.filePath(QStringLiteral("frames")), settings)
                             : Result<std::unique_ptr<ScreenRecording>>(grabber.error());
    if (!recording) {
        std::fprintf(stderr, "record_bench: %s\n", qPrintable(recording.error().message));
        return 1;
    }
    while (!recording.value()->counts().ended)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    QElapsedTimer tail;
    tail.start();
    const auto frames = recording.value()->finish();
    const RecordingCounts counts = recording.value()->counts();
    drawing = false;
    painter.join();
    xcb_disconnect(c);
    server.terminate();
    server.waitForFinished(5000);
    if (!frames) {
        std::fprintf(stderr, "record_bench: %s\n", qPrintable(frames.error().message));
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("recorded %.1f s of %dx%d at %d fps: %lld asked, %lld kept, %lld the same, %lld dropped, %zu written; "
                "writing ended %.2f s after the stop; peak memory %.0f MB\n",
                double(counts.elapsedMicroseconds) / 1e6, kWidth, kHeight, fps, static_cast<long long>(counts.asked),
                static_cast<long long>(counts.kept), static_cast<long long>(counts.identical), static_cast<long long>(counts.dropped),
                frames.value().size(), double(tail.elapsed()) / 1000, double(usage.ru_maxrss) / 1024);
    return counts.dropped == 0 && usage.ru_maxrss < 400 * 1024 ? 0 : 3;
}
