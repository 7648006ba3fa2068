// Decoding and encoding pictures. The format table (formats/picture_formats.h) says which
// decoder reads a format: a reader of our own, or ImageMagick in the picture codec module
// (codecs/magick_codec.cpp), loaded at the first picture that needs it. Sizes are read from the
// header and checked against the picture limits (limits.h) here, before the module sees the bytes.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"
#include "core/formats/picture_formats.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

namespace pictoreel {

struct DecodeOptions {
    // When both are positive the picture will next be scaled to exactly this size. JPEGs at least
    // twice as large are then decoded at a reduced DCT scale that still covers a square of the
    // larger side (so the result is large enough even after an orientation tag turns it).
    // A picture ImageMagick reads that is still larger than this, in pixels, and has more than
    // scaleWhileReadingAbove pixels, comes out already scaled to exactly this size (see
    // pictureHolding): it is never held whole, and may have up to kLimits.maxScaledPixels.
    int shrinkHintWidth = 0;
    int shrinkHintHeight = 0;
    std::int64_t scaleWhileReadingAbove = 4'000'000;
};

// How a picture of width x height that ImageMagick reads (after the DCT scale and the orientation
// tag) is held while it is read: scaled to the hint of `options` when it is large enough
// (Scaled), otherwise whole. Our own readers always hold a picture whole.
inline PictureHolding pictureHolding(std::int64_t width, std::int64_t height, const DecodeOptions& options)
{
    const std::int64_t hintWidth = options.shrinkHintWidth, hintHeight = options.shrinkHintHeight;
    const bool scaled = hintWidth > 0 && hintHeight > 0 && hintWidth <= kLimits.maxSide && hintHeight <= kLimits.maxSide &&
                        hintWidth * hintHeight <= kLimits.maxPixels && width * height > options.scaleWhileReadingAbove &&
                        hintWidth * hintHeight < width * height;
    return scaled ? PictureHolding::Scaled : PictureHolding::WholeOrScaled;
}

// Decodes the first picture of `bytes` as `format` into 8-bit RGBA. Multi-picture files
// (animated GIF, multi-page TIFF, icons with several sizes) give their first picture; a GIF's
// first picture is placed on its logical screen; an orientation tag (JPEG EXIF, TIFF) turns the
// picture upright. The size is checked against the limits from the header before any pixel is
// decoded; a file whose header cannot be read is refused as CorruptData. The bytes are let go as
// soon as the pixels are read: pass them with std::move to free their memory then.
Result<RgbaImage> decodePicture(QByteArray bytes, PictureFormat format, const DecodeOptions& options = {});

// Encodes the colour channels of `image` (alpha is not stored) as a baseline JPEG, or a
// progressive one when asked, at `quality` 1..100. Both encoders refuse (LimitExceeded) a
// picture beyond the limits before ImageMagick sees it.
Result<QByteArray> encodeJpeg(const RgbaImage& image, int quality, bool progressive = false, bool grayscale = false);

// Encodes `image` as a PNG file, with alpha when a pixel is not opaque.
Result<QByteArray> encodePng(const RgbaImage& image);

// Pictures of more pixels than this do not fit ImageMagick's memory budget (8 bytes a pixel, see
// magick_codec.cpp), which is one for the whole process, and their working copies are large too.
// Work on them is done one picture at a time: a make converting frames on several threads would
// otherwise hold several large pictures in the making at once, and two pictures sharing the
// budget could both fail.
inline constexpr std::int64_t kLargePicturePixels = 16'000'000;

// Holds the one lock for work on large pictures while the result lives, when `pixels` is more
// than kLargePicturePixels; for smaller pictures it holds nothing. Decoding takes it itself;
// whoever takes it must not decode while holding it.
std::unique_lock<std::mutex> oneLargePictureAtATime(std::int64_t pixels);

// Loads the picture codec module and installs ImageMagick's policy and limits; safe to call from
// any thread, any number of times. Decoding and encoding call it themselves.
Status initialiseMagick();

}  // namespace pictoreel
