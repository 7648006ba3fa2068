// Animated PNG (8-bit RGBA), written as the frames come. The first frame is the file's default
// picture, so viewers without animation show it. Every later frame holds only the rectangle that
// changed since the frame before, blended over it when that is exact and copied over it otherwise,
// so every frame shows exactly the canvas it was given.
#pragma once

#include "core/formats/animated_picture_writer.h"

#include <cstdint>

namespace pictoreel {

// One PNG chunk: its length, the four-letter type, the data and the checksum of type and data.
QByteArray pngChunk(const char* type, const QByteArray& data);

// The frames a PNG's bytes say they hold: the animation control chunk's count before the first
// image data, 1 for a PNG without one, 0 for no PNG.
int pngFrameCount(const QByteArray& bytes);

class ApngWriter final : public AnimatedPictureWriter {
public:
    // `frameCount` frames of width x height (the file states the count before its first frame),
    // played `showings` times (0: for ever).
    ApngWriter(ByteSink sink, int width, int height, int frameCount, int showings);

    Status addFrame(const RgbaImage& canvas, int durationMs) override;
    Status finish() override;

private:
    Status writeChunk(const char* type, const QByteArray& data);
    Status writeStart();

    ByteSink sink_;
    int width_;
    int height_;
    int frameCount_;
    int showings_;
    int added_ = 0;
    std::uint32_t sequence_ = 0;
    RgbaImage previous_;  // the canvas the last frame left
};

}  // namespace pictoreel
