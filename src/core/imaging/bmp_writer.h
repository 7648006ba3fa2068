// Writing a picture as a Windows bitmap: what the player's frame export and the extractor save.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"

#include <QByteArray>

namespace pictoreel {

// An uncompressed bottom-up 24-bit BMP of the colour channels of `image`.
Result<QByteArray> encodeBmp24(const RgbaImage& image);

}  // namespace pictoreel
