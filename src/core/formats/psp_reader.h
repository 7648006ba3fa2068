// Paint Shop Pro pictures (.psp), read by our own decoder: files of Paint Shop Pro 5 and later,
// 1, 4 and 8-bit palette pictures and 24-bit colour ones, channels stored plain, run-length
// encoded or deflated. The full-size composite image is read when the file carries one; otherwise
// the visible raster layers are merged, each with its transparency mask and opacity.
#pragma once

#include "core/base/error.h"
#include "core/base/header_bytes.h"
#include "core/base/image.h"
#include "core/formats/picture_size.h"

#include <QByteArray>

#include <optional>

namespace pictoreel {

bool looksLikePsp(const HeaderBytes& bytes);

// The picture's size from its first block; nullopt when the header is cut short or broken.
std::optional<PictureSize> pspSize(const HeaderBytes& bytes);

// CorruptData for a damaged file, UnsupportedFormat for layouts we do not read (other bit depths,
// other compressions), LimitExceeded for pictures or layers beyond the picture limits.
Result<RgbaImage> decodePsp(const QByteArray& bytes);

}  // namespace pictoreel
