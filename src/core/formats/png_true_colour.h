// The PNGs most pictures are, read quickly: 8-bit RGB or RGBA, not interlaced, with no
// transparent colour. Their image data is inflated whole by libdeflate (two to three times as
// fast as zlib) and the rows unfiltered here; libpng reads every other PNG.
#pragma once

#include "core/base/image.h"

#include <QByteArray>

#include <optional>

namespace pictoreel {

// The picture's pixels as 8-bit RGBA (opaque for RGB), or nullopt when the file is of another
// kind, or anything in it is out of the ordinary: a wrong checksum, image data too short or too
// long, a filter type that does not exist, a picture too large to inflate in one piece. The
// general reader then reads it, with its own handling of those cases.
std::optional<RgbaImage> readTrueColourPng(const QByteArray& bytes);

}  // namespace pictoreel
