// What a recording takes its pictures from: a part of the screen, a window or a whole screen,
// grabbed one picture at a time, always of the same size.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace pictoreel {

struct CaptureRect {
    int x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const CaptureRect&, const CaptureRect&) = default;
};

struct CaptureTarget {
    enum class Kind { Region, Window, Screen };
    Kind kind = Kind::Screen;
    CaptureRect region;        // Region: in the screen's coordinates
    std::uint32_t window = 0;  // Window: the window system's id of it
    int screen = 0;            // Screen: its number (and the screen a region or window is on)
};

// "WxH+X+Y" as the X11 tools write a geometry ("640x480+10+20"), with sizes above 0 and
// offsets not below 0; nothing for other text.
std::optional<CaptureRect> captureRectFrom(const QString& text);

class FrameGrabber {
public:
    virtual ~FrameGrabber() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // The picture on screen now, width() x height(), opaque; with the pointer drawn in when the
    // grabber was asked to. What lies outside the screen is black.
    virtual Result<RgbaImage> grab() = 0;
    // The source is gone (a stream that ended): no picture is taken after it, and those taken
    // are kept.
    virtual bool finished() const { return false; }
};

}  // namespace pictoreel
