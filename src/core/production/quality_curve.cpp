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
    int temporalThreshold;
};

// Measured anchors, best first (bench/make_bench --curve; see bench/README.md, "The quality
// curve"). Lossiness costs photos and gradients almost no SSIMULACRA for 2 to 14 % of their
// bytes, so the first step takes all of it. Below 256 colours no dithering is both smaller and
// better-looking than diffusion (SSIMULACRA sees its noise); from there every 20 qualities cost
// about the same SSIMULACRA (0.018) in fewer colours, a straight line over log2 of the colours.
// The temporal threshold (thousandths of OKLab) at the best quality is the one that met gifski's
// look in fewer bytes on the rendered scene and left the camera pan as it was (make_bench A, V);
// below it the threshold grows with the loss the other knobs already accept (not measured yet).
constexpr Anchor kAnchors[] = {
    {100, 0, 256, DitherMode::Diffusion, 5},
    {90, 100, 256, DitherMode::Diffusion, 8},
    {80, 100, 128, DitherMode::None, 12},
    {60, 100, 60, DitherMode::None, 16},
    {40, 100, 34, DitherMode::None, 20},
    {20, 100, 23, DitherMode::None, 25},
    {1, 100, 16, DitherMode::None, 30},
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
    point.temporalThreshold =
        static_cast<int>(std::lround(high.temporalThreshold + t * (low.temporalThreshold - high.temporalThreshold)));
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
