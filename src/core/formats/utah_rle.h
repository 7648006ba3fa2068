// Utah Raster Toolkit run-length pictures (.rle), read by our own decoder: grey or RGB, with or
// without an alpha channel, with or without colour maps.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QByteArray>

namespace pictoreel {

bool looksLikeUtahRle(const QByteArray& bytes);

// CorruptData for a damaged file, UnsupportedFormat for layouts we do not read (more than
// 8 bits a channel), LimitExceeded for pictures beyond the picture limits.
Result<RgbaImage> decodeUtahRle(const QByteArray& bytes);

}  // namespace pictoreel
