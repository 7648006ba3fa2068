// Targa pictures (.tga and the .icb/.vda/.vst aliases), read by our own decoder: colour-mapped,
// true colour and grey, plain or run-length encoded, any row order.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QByteArray>

namespace pictoreel {

// CorruptData for a damaged file, UnsupportedFormat for layouts Targa does not define,
// LimitExceeded for pictures beyond the picture limits.
Result<RgbaImage> decodeTarga(const QByteArray& bytes);

}  // namespace pictoreel
