// Opaque pictures as 8-bit RGB PNG files, written fast enough to keep up with a screen being
// recorded: each row filtered by its left neighbour (flat areas become runs of zeros) and
// deflated by libdeflate at a low level, several times as fast as the general writer.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QByteArray>

namespace pictoreel {

// The picture's colours (alpha is dropped) as a PNG. LimitExceeded for a picture whose data
// cannot be held; InvalidArgument for an empty one.
Result<QByteArray> encodeQuickPng(const RgbaImage& image);

}  // namespace pictoreel
