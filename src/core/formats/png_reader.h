// PNG pictures of the common kinds, read with libpng: every colour type and bit depth, with or
// without transparency, interlaced or not (plain 8-bit RGB and RGBA go the faster way of
// png_true_colour.h first). ImageMagick reads the same pictures too, but one at a
// time in the whole program (its PNG coder holds a lock for the whole read), which left the
// other conversion threads waiting.
#pragma once

#include "core/base/image.h"

#include <QByteArray>

#include <optional>

namespace pictoreel {

// The picture's pixels as 8-bit RGBA: grey as equal channels, a palette or a transparent colour
// expanded, 16-bit channels rounded to 8 bits, the stored colours as they are (no gamma
// applied). Nullopt for anything else: damaged files, pictures with an EXIF chunk (which may
// turn them) and pictures with a colour profile other than sRGB's (which changes their
// colours) are left to ImageMagick, whose reading and messages they keep.
std::optional<RgbaImage> readCommonPng(const QByteArray& bytes);

}  // namespace pictoreel
