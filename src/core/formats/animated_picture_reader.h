// Readers of animated WebP and PNG files: every frame as a viewer shows it, the whole canvas
// after the frame was drawn over what the frames before it and their disposal left (pixels
// nothing has drawn yet are transparent), one frame at a time.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QByteArray>

#include <memory>
#include <optional>

namespace pictoreel {

struct AnimationFrame {
    RgbaImage canvas;
    int durationMs = 0;
};

class AnimatedPictureReader {
public:
    virtual ~AnimatedPictureReader() = default;
    int width() const { return width_; }
    int height() const { return height_; }
    int frameCount() const { return frameCount_; }
    // How often the file says it is played: 0 for ever.
    int showings() const { return showings_; }
    // The next frame, nullopt after the last; CorruptData when a frame cannot be decoded.
    virtual Result<std::optional<AnimationFrame>> nextFrame() = 0;

protected:
    int width_ = 0;
    int height_ = 0;
    int frameCount_ = 0;
    int showings_ = 0;
};

// A WebP, animated or still (one frame). UnsupportedFormat for other bytes, LimitExceeded for a
// canvas above kLimits.maxPixels.
Result<std::unique_ptr<AnimatedPictureReader>> openWebpAnimation(const QByteArray& bytes);

// A PNG with an animation control chunk (acTL, fcTL, fdAT; every dispose and blend operation). A
// PNG without one, or a default picture that is no frame, is UnsupportedFormat; a broken chunk
// structure or frames beyond the canvas CorruptData; a canvas above kLimits.maxPixels
// LimitExceeded.
Result<std::unique_ptr<AnimatedPictureReader>> openApngAnimation(const QByteArray& bytes);

// What the bytes start with: an animated WebP (its ANIM chunk) or an animated PNG (acTL before
// the image data).
bool isAnimatedWebp(const QByteArray& bytes);
bool isAnimatedPng(const QByteArray& bytes);

}  // namespace pictoreel
