// An X server of the tests' own (Xvfb on a free display number) and a window on it whose
// content changes on a timer: step n fills it with red n % 256, green n / 256, blue 128, inside a
// one-pixel frame of kFrameColour, so a recorded picture tells which step it shows and whether
// its edges are exactly the window's.
#pragma once

#include "core/base/image.h"

#include <QProcess>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>

namespace pictoreel::testing {

class XvfbDisplay {
public:
    // Starts Xvfb with one screen of width x height at 24 bits; name() is empty when it could not.
    XvfbDisplay(int width, int height);
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;
    const QString& name() const { return name_; }

private:
    QProcess server_;
    QString name_;
};

inline constexpr Rgb kFrameColour{16, 240, 16};

class MovingPattern {
public:
    // A window at x, y of w x h on `display`, showing step 0, the step going up every
    // `periodMs` once started.
    MovingPattern(const QString& display, int x, int y, int w, int h);
    ~MovingPattern();
    MovingPattern(const MovingPattern&) = delete;
    MovingPattern& operator=(const MovingPattern&) = delete;
    bool ok() const { return ok_; }
    std::uint32_t window() const { return window_; }

    void start(int periodMs);
    // The step shown now stays on screen.
    void stop();
    int step() const { return step_; }

    // The step a recorded picture of the whole window shows, or nothing when its frame is not
    // exactly on its edges or its inside is not one flat step colour.
    static std::optional<int> stepShown(const RgbaImage& picture);

private:
    void draw(int step);

    struct Connection;
    std::unique_ptr<Connection> connection_;
    bool ok_ = false;
    std::uint32_t window_ = 0;
    int width_, height_;
    std::atomic<int> step_{0};
    std::atomic<bool> running_{false};
    std::thread timer_;
};

}  // namespace pictoreel::testing
