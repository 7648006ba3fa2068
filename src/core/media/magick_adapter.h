// Decoding and encoding pictures. The format table (formats/picture_formats.h) says which
// decoder reads a format: a reader of our own, or ImageMagick in the picture codec module
// (codecs/magick_codec.cpp), loaded at the first picture that needs it. Sizes are read from the
// header and checked against the picture limits (limits.h) here, before the module sees the bytes.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"
#include "core/formats/picture_formats.h"
#include "core/codecs/decode_options.h"
#include "core/media/large_picture_work.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace pictoreel {

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

// Loads the picture codec module and installs ImageMagick's policy and limits; safe to call from
// any thread, any number of times. Decoding and encoding call it themselves.
Status initialiseMagick();

}  // namespace pictoreel
