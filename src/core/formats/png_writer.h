// Writing a picture as a PNG file with libpng, built for speed: a low deflate level and one cheap
// row filter, so frames by the thousand, or of millions of pixels, are written in a blink. Any
// size a picture can have is written.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QByteArray>

namespace pictoreel {

// The picture as PNG: 8-bit RGB when every pixel is opaque, else 8-bit RGBA (not premultiplied).
// InvalidArgument for an empty picture; FileWriteFailed when libpng fails (out of memory).
Result<QByteArray> encodeFastPng(const RgbaImage& image);

}  // namespace pictoreel
