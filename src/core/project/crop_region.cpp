#include "core/project/crop_region.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace pictoreel {
namespace {

// The largest number of pixels a crop names: more than any picture has.
constexpr double kLargestPixels = 1'000'000;

QString numberText(double value, CropRegion::Unit unit)
{
    if (unit == CropRegion::Unit::Pixels)
        return QString::number(static_cast<long long>(std::llround(value)));
    return QString::number(value * 100, 'g', 12) + u'%';
}

}  // namespace

std::optional<CropRegion> cropRegionFromText(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(\d+(?:\.\d+)?%?)[xX](\d+(?:\.\d+)?%?)\+(\d+(?:\.\d+)?%?)\+(\d+(?:\.\d+)?%?)\s*$)"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    CropRegion region;
    const bool percent = match.captured(1).endsWith(u'%');
    region.unit = percent ? CropRegion::Unit::Fraction : CropRegion::Unit::Pixels;
    double values[4];
    for (int i = 0; i < 4; ++i) {
        QString part = match.captured(i + 1);
        if (part.endsWith(u'%') != percent)
            return std::nullopt;
        if (percent)
            part.chop(1);
        else if (part.contains(u'.'))
            return std::nullopt;  // pixels are whole
        bool ok = false;
        const double value = part.toDouble(&ok);
        if (!ok || value > (percent ? 100.0 : kLargestPixels))
            return std::nullopt;
        values[i] = percent ? value / 100 : value;
    }
    region.width = values[0], region.height = values[1], region.x = values[2], region.y = values[3];
    if (region.width <= 0 || region.height <= 0)
        return std::nullopt;
    return region;
}

QString cropRegionText(const CropRegion& region)
{
    return QStringLiteral("%1x%2+%3+%4")
        .arg(numberText(region.width, region.unit), numberText(region.height, region.unit),
             numberText(region.x, region.unit), numberText(region.y, region.unit));
}

PixelRect cropRectIn(const CropRegion& region, int pictureWidth, int pictureHeight)
{
    const PixelRect whole{0, 0, std::max(pictureWidth, 0), std::max(pictureHeight, 0)};
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return whole;
    const bool fraction = region.unit == CropRegion::Unit::Fraction;
    auto pixels = [&](double value, int side) {
        const double scaled = fraction ? value * side : value;
        return static_cast<long long>(std::llround(std::clamp(scaled, 0.0, kLargestPixels)));
    };
    const long long left = pixels(region.x, pictureWidth), top = pixels(region.y, pictureHeight);
    const long long right = left + std::max(pixels(region.width, pictureWidth), 1LL);
    const long long bottom = top + std::max(pixels(region.height, pictureHeight), 1LL);
    if (left >= pictureWidth || top >= pictureHeight)
        return whole;
    const int x = static_cast<int>(left), y = static_cast<int>(top);
    return PixelRect{x, y, static_cast<int>(std::min<long long>(right, pictureWidth)) - x,
                     static_cast<int>(std::min<long long>(bottom, pictureHeight)) - y};
}

}  // namespace pictoreel
