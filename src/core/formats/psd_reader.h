// Photoshop pictures (.psd, and large documents .psb), read by our own decoder: the merged
// picture every file carries after its layers, in any colour mode (bitmap, grey, duotone,
// indexed, RGB, CMYK, multichannel, Lab) at 1, 8, 16 or 32 bits a channel, plain or PackBits.
// The layers themselves are not read.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QByteArray>

namespace pictoreel {

// CorruptData for a damaged file, UnsupportedFormat for layouts we do not read (ZIP-compressed
// merged data, a depth the mode does not allow), LimitExceeded for pictures beyond the limits.
Result<RgbaImage> decodePsd(const QByteArray& bytes);

}  // namespace pictoreel
