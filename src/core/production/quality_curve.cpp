#include "core/production/quality_curve.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace pictoreel {

namespace {

struct Anchor {
    int quality;
    int lossy;
    int colors;
    DitherMode dither;
};

// Measured anchors, best first (see bench/README.md, "The quality curve").
constexpr Anchor kAnchors[] = {
    {100, 0, 256, DitherMode::Diffusion},
    {80, 20, 256, DitherMode::Diffusion},
    {60, 40, 192, DitherMode::Diffusion},
    {40, 60, 128, DitherMode::Diffusion},
    {20, 80, 64, DitherMode::Diffusion},
    {1, 100, 32, DitherMode::Diffusion},
};

}  // namespace

QualityPoint qualityPoint(int quality)
{
    const int q = std::clamp(quality, kLeastQuality, kBestQuality);
    std::size_t i = 1;
    while (i + 1 < std::size(kAnchors) && kAnchors[i].quality > q)
        ++i;
    const Anchor& high = kAnchors[i - 1];
    const Anchor& low = kAnchors[i];
    const double t = double(high.quality - q) / double(high.quality - low.quality);
    QualityPoint point;
    point.lossy = static_cast<int>(std::lround(high.lossy + t * (low.lossy - high.lossy)));
    const double log2Colors = std::log2(double(high.colors)) + t * (std::log2(double(low.colors)) - std::log2(double(high.colors)));
    point.colors = std::clamp(static_cast<int>(std::lround(std::exp2(log2Colors))), 2, 256);
    point.dither = t < 0.5 ? high.dither : low.dither;
    return point;
}

std::optional<int> qualityFromText(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < kLeastQuality || value > kBestQuality)
        return std::nullopt;
    return value;
}

}  // namespace pictoreel
