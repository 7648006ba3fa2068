// Animated WebP through libwebp's animation encoder, which keeps of every frame only what changed.
// Frames of few colours (graphics, drawings, screen pictures) are stored losslessly; photos lossy
// at a quality that looks like the source, in a fraction of a GIF's size.
#pragma once

#include "core/formats/animated_picture_writer.h"

#include <memory>

namespace pictoreel {

// The largest width and height a WebP holds.
inline constexpr int kLargestWebpSide = 16383;

class WebpWriter final : public AnimatedPictureWriter {
public:
    // Frames of width x height, played `showings` times (0: for ever). The file is written whole by
    // finish(): the encoder holds the frames it has compressed until then.
    WebpWriter(ByteSink sink, int width, int height, int showings);
    ~WebpWriter() override;

    Status addFrame(const RgbaImage& canvas, int durationMs) override;
    Status finish() override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// libwebp's encoder version, as it gives it (0x010205 for 1.2.5): another may write other bytes.
int webpEncoderVersion();

// The frames an animated WebP's bytes hold (1 for a still one, 0 for no WebP). The encoder shows
// a frame the same as the one before by showing that one longer, so this may be fewer than the
// frames added.
int webpFrameCount(const QByteArray& bytes);

// Whether a picture has so few colours that lossless compression suits it.
bool hasFewColours(const RgbaImage& picture);

}  // namespace pictoreel
