// Decoding and encoding pictures. Targa and Utah RLE are decoded by our own code; every other
// format goes to ImageMagick in the picture codec module (codecs/magick_codec.cpp), loaded at the
// first picture that needs it. Sizes are read from the header and checked against the picture
// limits (picture_formats.h) here, before the module sees the bytes.
#pragma once

#include "core/error.h"
#include "core/media/image.h"
#include "core/media/picture_formats.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace pictoreel {

struct DecodeOptions {
    // When both are positive the picture will next be shrunk to this size: JPEGs at least twice
    // as large are then decoded at a reduced DCT scale that still covers a square of the larger
    // side (so the result is large enough even after an orientation tag turns it).
    int shrinkHintWidth = 0;
    int shrinkHintHeight = 0;
};

// Decodes the first picture of `bytes` as `format` into 8-bit RGBA. Multi-picture files
// (animated GIF, multi-page TIFF, icons with several sizes) give their first picture; a GIF's
// first picture is placed on its logical screen; an orientation tag (JPEG EXIF, TIFF) turns the
// picture upright. The size is checked against the limits from the header before any pixel is
// decoded; a file whose header cannot be read is refused as CorruptData.
Result<RgbaImage> decodePicture(const QByteArray& bytes, PictureFormat format, const DecodeOptions& options = {});

// Encodes the colour channels of `image` (alpha is not stored) as a baseline JPEG, or a
// progressive one when asked, at `quality` 1..100.
Result<QByteArray> encodeJpeg(const RgbaImage& image, int quality, bool progressive = false, bool grayscale = false);

// Encodes `image` as a PNG file, with alpha when a pixel is not opaque.
Result<QByteArray> encodePng(const RgbaImage& image);

// Loads the picture codec module and installs ImageMagick's policy and limits; safe to call from
// any thread, any number of times. Decoding and encoding call it themselves.
Status initialiseMagick();

}  // namespace pictoreel
