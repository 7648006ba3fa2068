#include "core/imaging/fitting.h"

#include "core/imaging/resampler.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace pictoreel {

namespace {

// round(a * b / c) for positive numbers, at least 1 and at most `most`.
int scaledSide(std::int64_t a, std::int64_t b, std::int64_t c, int most)
{
    return static_cast<int>(std::clamp<std::int64_t>((2 * a * b + c) / (2 * c), 1, most));
}

// The `part` of `picture` scaled to width x height; a copy of it when it keeps its size.
Result<RgbaImage> scaledPart(const RgbaImage& picture, const FitRect& part, int width, int height)
{
    if (part == FitRect{0, 0, picture.width, picture.height})
        return resampleImage(picture, width, height);
    const auto rowOf = [&](int y) { return picture.pixel(part.x, part.y + y); };
    const auto rowBytes = static_cast<std::size_t>(part.width) * 4;
    if (part.width == width && part.height == height) {
        RgbaImage copy(width, height);
        for (int y = 0; y < height; ++y)
            std::memcpy(copy.pixel(0, y), rowOf(y), rowBytes);
        return copy;
    }
    bool opaque = true;
    for (int y = 0; y < part.height && opaque; ++y)
        for (std::size_t i = 3; i < rowBytes && opaque; i += 4)
            opaque = rowOf(y)[i] == 255;
    return resampleRows(part.width, part.height, opaque, rowOf, width, height);
}

}  // namespace

FitSize scaledPictureSize(int pictureWidth, int pictureHeight, int frameWidth, int frameHeight, FitMode mode)
{
    if (mode == FitMode::Stretch || pictureWidth <= 0 || pictureHeight <= 0)
        return {frameWidth, frameHeight};
    // Compared as cross products: is the picture wider than the frame, for its height?
    const bool wider = std::int64_t{pictureWidth} * frameHeight > std::int64_t{pictureHeight} * frameWidth;
    const bool contain = mode == FitMode::Contain;
    if (wider == contain)
        return {frameWidth, scaledSide(pictureHeight, frameWidth, pictureWidth, contain ? frameHeight : INT32_MAX)};
    return {scaledSide(pictureWidth, frameHeight, pictureHeight, contain ? frameWidth : INT32_MAX), frameHeight};
}

FitPlan planFit(int pictureWidth, int pictureHeight, int frameWidth, int frameHeight, FitMode mode)
{
    FitPlan plan{{0, 0, pictureWidth, pictureHeight}, {0, 0, frameWidth, frameHeight}};
    if (mode == FitMode::Contain) {
        const FitSize size = scaledPictureSize(pictureWidth, pictureHeight, frameWidth, frameHeight, mode);
        plan.target = {(frameWidth - size.width) / 2, (frameHeight - size.height) / 2, size.width, size.height};
    } else if (mode == FitMode::Cover) {
        // The part of the picture with the frame's proportions: the contained size of the frame
        // in the picture.
        const FitSize part = scaledPictureSize(frameWidth, frameHeight, pictureWidth, pictureHeight, FitMode::Contain);
        plan.source = {(pictureWidth - part.width) / 2, (pictureHeight - part.height) / 2, part.width, part.height};
    }
    return plan;
}

Result<RgbaImage> fitPicture(const RgbaImage& picture, int width, int height, FitMode mode,
                             const std::array<std::uint8_t, 4>& bars)
{
    if (picture.empty() || width <= 0 || height <= 0)
        return resampleImage(picture, width, height);  // its errors
    const FitPlan plan = planFit(picture.width, picture.height, width, height, mode);
    Result<RgbaImage> part = scaledPart(picture, plan.source, plan.target.width, plan.target.height);
    if (!part || plan.target == FitRect{0, 0, width, height})
        return part;
    try {
        RgbaImage frame(width, height);
        for (std::size_t i = 0; i < frame.pixels.size(); i += 4)
            std::memcpy(&frame.pixels[i], bars.data(), 4);
        const auto rowBytes = static_cast<std::size_t>(plan.target.width) * 4;
        for (int y = 0; y < plan.target.height; ++y)
            std::memcpy(frame.pixel(plan.target.x, plan.target.y + y), part.value().pixel(0, y), rowBytes);
        return frame;
    } catch (const std::bad_alloc&) {
        return makeError(ErrorCode::LimitExceeded, QStringLiteral("Not enough memory to scale the picture."));
    }
}

}  // namespace pictoreel
