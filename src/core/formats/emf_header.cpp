#include "core/formats/emf_header.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace pictoreel {

namespace {

// Fields of the header record (EMR_HEADER).
constexpr std::size_t kBounds = 8, kFrame = 24, kSignature = 40, kDevice = 72, kMillimeters = 80;
constexpr std::size_t kHeaderSize = 88;  // without the optional extensions that may follow

std::int64_t signed32(const HeaderBytes& b, std::size_t at) { return static_cast<std::int32_t>(b.le32(at)); }

int clampedSide(double side) { return static_cast<int>(std::clamp(std::round(side), 1.0, double{INT_MAX})); }

}  // namespace

bool looksLikeEmf(const HeaderBytes& b)
{
    const std::uint32_t size = b.le32(4);
    return b.le32(0) == 1 && size >= kHeaderSize && size % 4 == 0 && b.startsWith(kSignature, " EMF");
}

std::optional<PictureSize> emfSize(const HeaderBytes& b)
{
    if (!looksLikeEmf(b) || !b.has(0, kHeaderSize))
        return std::nullopt;
    const std::int64_t frameWidth = signed32(b, kFrame + 8) - signed32(b, kFrame);
    const std::int64_t frameHeight = signed32(b, kFrame + 12) - signed32(b, kFrame + 4);
    const std::int64_t deviceWidth = signed32(b, kDevice), deviceHeight = signed32(b, kDevice + 4);
    const std::int64_t mmWidth = signed32(b, kMillimeters), mmHeight = signed32(b, kMillimeters + 4);
    if (frameWidth > 0 && frameHeight > 0 && deviceWidth > 0 && deviceHeight > 0 && mmWidth > 0 && mmHeight > 0)
        return PictureSize{clampedSide(double(frameWidth) * deviceWidth / (mmWidth * 100.0)),
                           clampedSide(double(frameHeight) * deviceHeight / (mmHeight * 100.0))};
    // Bounds are inclusive on both sides.
    const std::int64_t boundsWidth = signed32(b, kBounds + 8) - signed32(b, kBounds) + 1;
    const std::int64_t boundsHeight = signed32(b, kBounds + 12) - signed32(b, kBounds + 4) + 1;
    if (boundsWidth > 0 && boundsHeight > 0)
        return PictureSize{clampedSide(double(boundsWidth)), clampedSide(double(boundsHeight))};
    return std::nullopt;
}

}  // namespace pictoreel
