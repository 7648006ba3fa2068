// How large a picture Pictoreel works with. Every reader, writer and command checks against these
// numbers, so a picture one step accepts is never refused, or half made, by the next one.
//
// Two things set them. ImageMagick, which reads most formats and writes JPEG and PNG, refuses
// pictures wider or taller than its security policy allows; Debian's policy says 16000 pixels.
// And a picture in memory costs 4 bytes a pixel in our RGBA form, more while it is decoded,
// scaled, reduced to a palette or encoded: at most 24 megapixels are ever held whole, which
// keeps the memory one picture needs below half a gigabyte.
#pragma once

#include <QString>

#include <cstdint>

namespace pictoreel {

struct Limits {
    // Pixels a side of any picture, frame, GIF screen or video frame.
    int maxSide = 16000;
    // Pixels of a picture held whole: a frame of an animation, a picture used at its own size,
    // the screen of a GIF that is read, a video frame.
    std::int64_t maxPixels = 24'000'000;
    // Pixels of a picture that is scaled down to a frame (of at most maxPixels) while it is read:
    // ImageMagick keeps it in its own pixel cache, on disk beyond a small memory budget, and only
    // the frame is held. ImageMagick's own policy allows 128 megapixels.
    std::int64_t maxScaledPixels = 128'000'000;
    // Size of a picture file: it is read whole before it is decoded.
    std::int64_t maxFileBytes = std::int64_t{256} << 20;
    // Frames of an animated GIF that is read.
    int maxGifFrames = 1 << 20;
    // Frames of a video that is converted.
    int maxVideoFrames = 100000;
};

inline constexpr Limits kLimits{};

// "24" for 24'000'000 pixels: megapixels as the messages and the manual count them.
inline QString megapixelsText(std::int64_t pixels)
{
    return QString::number(static_cast<double>(pixels) / 1e6, 'g', 4);
}

}  // namespace pictoreel
