// The pixel model of the assembler: whole screens of packed pixels, rectangles on them, and the
// comparisons that find what changes from one picture to the next.
#pragma once

#include "core/gif/gif_reader.h"
#include "core/base/image.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace pictoreel::animation {

// A screen pixel: 0 is transparent, anything else an opaque colour 0xFFBBGGRR. Pictures are
// compared through this form, so two transparent pixels are equal whatever colour they carry.
using Pixel = std::uint32_t;
inline constexpr Pixel kTransparent = 0;

inline Pixel opaquePixel(Rgb c) { return 0xFF000000u | (Pixel{c.b} << 16) | (Pixel{c.g} << 8) | Pixel{c.r}; }

inline Pixel packPixel(const std::uint8_t* rgba)
{
    return rgba[3] == 0 ? kTransparent : opaquePixel(Rgb{rgba[0], rgba[1], rgba[2]});
}

inline Rgb unpackPixel(Pixel p)
{
    return Rgb{static_cast<std::uint8_t>(p & 0xFF), static_cast<std::uint8_t>((p >> 8) & 0xFF),
               static_cast<std::uint8_t>((p >> 16) & 0xFF)};
}

// A whole screen of pixels, rows top to bottom.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Pixel> pixels;
    // When the picture's file stores exactly these pixels as one image covering the whole screen:
    // that image as stored, so it can be copied without compressing it again.
    std::shared_ptr<const GifStoredImage> stored;
    // False while `pixels` is not filled yet: the picture is still the file's bytes, decoded only
    // when a pixel is needed (a photo copied whole after a picture with none of its colours never is).
    bool decoded = true;
    QByteArray bytes;
    // The stored image's indices when known without decoding them (the frame was just made).
    std::shared_ptr<const std::vector<std::uint8_t>> indices;
    int position = 0;
    QString path;
    // The picture's file says its colours are its picture's own, not a reduction of them.
    bool coloursExact = false;
    // The opaque picture this one's colours were reduced from, when its maker handed it over.
    std::shared_ptr<const RgbaImage> source;

    Picture() = default;
    Picture(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, kTransparent) {}
    Pixel at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    Pixel* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width; }
    const Pixel* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * width; }

    // A picture that is not decoded yet, copied without its (empty) pixels: what it is made of
    // stays shared. A new part of that state belongs here, so every copy keeps it.
    Picture undecodedCopy() const
    {
        Picture copy;
        copy.width = width;
        copy.height = height;
        copy.stored = stored;
        copy.decoded = false;
        copy.bytes = bytes;
        copy.indices = indices;
        copy.position = position;
        copy.path = path;
        copy.coloursExact = coloursExact;
        copy.source = source;
        return copy;
    }
};

// Half-open rectangle [left, right) x [top, bottom).
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;

    bool empty() const { return right <= left || bottom <= top; }
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    Rect united(const Rect& other) const
    {
        if (empty())
            return other;
        if (other.empty())
            return *this;
        return Rect{std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
                    std::max(bottom, other.bottom)};
    }
};

// Bounding box of the pixels for which `test(a, b)` holds, comparing two pictures of one size.
template <class Test>
Rect boundingBox(const Picture& a, const Picture& b, Test test)
{
    Rect box{a.width, a.height, 0, 0};
    for (int y = 0; y < a.height; ++y) {
        const Pixel* ra = a.row(y);
        const Pixel* rb = b.row(y);
        int first = -1, last = -1;
        for (int x = 0; x < a.width; ++x)
            if (test(ra[x], rb[x])) {
                first = x;
                break;
            }
        if (first < 0)
            continue;
        for (int x = a.width - 1; x >= first; --x)
            if (test(ra[x], rb[x])) {
                last = x;
                break;
            }
        box.left = std::min(box.left, first);
        box.right = std::max(box.right, last + 1);
        box.top = std::min(box.top, y);
        box.bottom = y + 1;
    }
    return box.empty() ? Rect{} : box;
}

// Unchanged pixels count towards a cheaper encoding only in runs of at least this many: scattered
// ones (a photo's colours matching by chance) cost as much left transparent as drawn.
inline constexpr int kKeptRun = 16;

// Bounding box of the pixels that differ between two pictures of one size, and how many pixels
// stay as they are in runs of kKeptRun or more along a row.
Rect changedBox(const Picture& a, const Picture& b, std::size_t& keptInRuns);

}  // namespace pictoreel::animation
