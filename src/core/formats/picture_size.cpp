#include "core/formats/picture_size.h"

#include <algorithm>
#include <cmath>

namespace pictoreel {

namespace {

Error tooLarge(std::int64_t width, std::int64_t height, std::int64_t maxPixels)
{
    return makeError(ErrorCode::LimitExceeded, QStringLiteral("The picture is too large (%1 x %2 pixels); at most %3 pixels a side and "
                                                              "%4 megapixels are accepted.")
                                                   .arg(width)
                                                   .arg(height)
                                                   .arg(kLimits.maxSide)
                                                   .arg(megapixelsText(maxPixels)));
}

}  // namespace

Status checkPictureLimits(std::int64_t width, std::int64_t height)
{
    if (width > kLimits.maxSide || height > kLimits.maxSide || width * height > kLimits.maxPixels)
        return tooLarge(width, height, kLimits.maxPixels);
    return Status::success();
}

PictureSize largestWithinLimits(PictureSize own)
{
    if (own.width <= 0 || own.height <= 0 || checkPictureLimits(own.width, own.height))
        return own;
    const double w = own.width, h = own.height;
    const double scale = std::min({kLimits.maxSide / w, kLimits.maxSide / h, std::sqrt(double(kLimits.maxPixels) / (w * h))});
    PictureSize out{std::max(1, int(w * scale)), std::max(1, int(h * scale))};
    // Rounding may leave the area a pixel over: the longer side gives way.
    while (!checkPictureLimits(out.width, out.height))
        (out.width >= out.height ? out.width : out.height) -= 1;
    return out;
}

Status checkPictureSize(std::int64_t width, std::int64_t height, PictureHolding holding)
{
    if (width <= 0 || height <= 0)
        return makeError(ErrorCode::CorruptData, QStringLiteral("The picture has no pixels (its size is %1 x %2).")
                                                     .arg(width)
                                                     .arg(height));
    const bool withinScaled = width <= kLimits.maxSide && height <= kLimits.maxSide && width * height <= kLimits.maxScaledPixels;
    if (holding == PictureHolding::Scaled && !withinScaled)
        return tooLarge(width, height, kLimits.maxScaledPixels);
    if (holding == PictureHolding::Scaled)
        return Status::success();
    Status whole = checkPictureLimits(width, height);
    if (!whole && holding == PictureHolding::WholeOrScaled && withinScaled)
        return makeError(ErrorCode::LimitExceeded,
                         QStringLiteral("The picture is too large to use at its own size (%1 x %2 pixels): at most %3 "
                                        "megapixels are. A picture of up to %4 megapixels can be a frame of at most "
                                        "%3 megapixels: it is scaled down as it is read.")
                             .arg(width)
                             .arg(height)
                             .arg(megapixelsText(kLimits.maxPixels))
                             .arg(megapixelsText(kLimits.maxScaledPixels)));
    return whole;
}

}  // namespace pictoreel
