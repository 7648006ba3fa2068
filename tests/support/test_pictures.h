// Pictures made by tests: written as BMP files through the core's own writer.
#pragma once

#include "core/media/image.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace pictoreel::testing {

// A picture whose every pixel is colour(x, y) (opaque).
RgbaImage makePicture(int width, int height, const std::function<Rgb(int x, int y)>& colour);
RgbaImage solidPicture(int width, int height, Rgb colour, std::uint8_t alpha = 255);

// Writes `picture` to `path` as a 24-bit BMP; fails the calling test when it cannot.
void writeBmp(const QString& path, const RgbaImage& picture);

}  // namespace pictoreel::testing
