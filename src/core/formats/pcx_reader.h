// PCX pictures, read by our own decoder: 1 to 4 bit planes of one bit (black and white, 4, 8 or
// 16 colours), 2 and 4 bits a pixel, 8 bits with a 256-colour palette or grey levels, 24-bit
// colour and 32-bit colour with alpha in 3 or 4 planes; run-length encoded or plain.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QByteArray>

namespace pictoreel {

// CorruptData for a damaged file, UnsupportedFormat for layouts PCX does not define,
// LimitExceeded for pictures beyond the picture limits.
Result<RgbaImage> decodePcx(const QByteArray& bytes);

}  // namespace pictoreel
