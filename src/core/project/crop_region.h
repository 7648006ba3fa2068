// The part of every picture a make keeps: a rectangle in the picture's own pixels, or in
// fractions of each picture's width and height, written as "WxH+X+Y" ("600x400+100+50", or
// "50%x50%+25%+0%").
#pragma once

#include <QString>

#include <optional>

namespace pictoreel {

struct CropRegion {
    enum class Unit { Pixels, Fraction };
    Unit unit = Unit::Pixels;
    // Pixels, or fractions (0.5 for "50%") of the picture's width (x, width) and height (y, height).
    double x = 0, y = 0, width = 0, height = 0;

    bool operator==(const CropRegion&) const = default;
};

// "WxH+X+Y": the size and the top left corner, each a whole number of pixels, or each a
// percentage ("12.5%") when the size's width is one. Spaces around the text are allowed. Nothing
// for anything else: a size of 0, a negative number, pixels mixed with percentages, a percentage
// above 100.
std::optional<CropRegion> cropRegionFromText(const QString& text);
// The text cropRegionFromText reads back as the same region.
QString cropRegionText(const CropRegion& region);

struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

// The pixels of a picture of this size that `region` keeps: the region clamped to the picture,
// never empty (at least one pixel wide and high, for a picture that has pixels). A region wholly
// outside the picture keeps the whole picture, as if there were no crop, so that pictures of
// several sizes in one make all give a frame of their own. Fractions round to the nearest pixel.
PixelRect cropRectIn(const CropRegion& region, int pictureWidth, int pictureHeight);

}  // namespace pictoreel
