// Writing a picture as a PNG file, built for speed: every row filtered by its left neighbour (flat
// areas become runs of zeros) and deflated by libdeflate at its lowest level, so frames by the
// thousand, or a screen being recorded, are written as fast as they come.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QByteArray>

namespace pictoreel {

// The picture as PNG: 8-bit RGB when every pixel is opaque, else 8-bit RGBA (not premultiplied).
// InvalidArgument for an empty picture; LibraryFailure when memory runs out.
Result<QByteArray> encodeFastPng(const RgbaImage& image);

}  // namespace pictoreel
