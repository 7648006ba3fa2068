// The picture formats Pictoreel reads: recognising them from their content and reading a
// picture's size from its header without decoding it, so limits are checked before any pixel is.
#pragma once

#include "core/base/error.h"
#include "core/base/limits.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace pictoreel {

// Every format a picture file may have.
enum class PictureFormat {
    Unknown,
    Gif,
    Png,
    Jpeg,
    Bmp,      // Windows bitmap with its 14-byte file header (also .dib files that carry one)
    Dib,      // a bare BITMAPINFOHEADER-style bitmap without file header (.dib)
    Ico,      // Windows icon or cursor
    Pnm,      // PBM, PGM, PPM, plain or raw
    Pcd,      // Photo CD
    Pcx,
    Psd,
    UtahRle,
    Sgi,
    Targa,    // .tga and its aliases .icb, .vda, .vst
    Tiff,
    Wbmp,
    Wmf,      // Windows metafile, placeable or not
};

// Short upper-case name of a format, for messages and tests ("PNG", "Targa"...).
QString pictureFormatName(PictureFormat format);

// The format an extension names (lower or upper case, without the dot); Unknown when none.
PictureFormat pictureFormatForExtension(const QString& extension);

// Decides the format from the content. The extension only breaks ties for formats without a
// signature (Targa, WBMP): content always wins over a misleading extension.
PictureFormat sniffPictureFormat(const std::uint8_t* data, std::size_t size, const QString& extension);

struct PictureSize {
    int width = 0;
    int height = 0;
};

// Reads the picture's size from its header without decoding pixels, for the formats whose
// header is simple enough to read here; nullopt when this code cannot tell.
std::optional<PictureSize> peekPictureSize(const std::uint8_t* data, std::size_t size, PictureFormat format);

// LimitExceeded when a picture of this size cannot be held whole: beyond kLimits.maxSide or
// kLimits.maxPixels.
Status checkPictureLimits(std::int64_t width, std::int64_t height);

// How a picture about to be decoded is held: whole; whole, though as a frame's picture it could
// be scaled down while it is read; or scaled down while it is read.
enum class PictureHolding { Whole, WholeOrScaled, Scaled };

// The size of a picture about to be decoded: CorruptData for a size without pixels,
// LimitExceeded beyond the limits. A picture scaled down while it is read may have up to
// kLimits.maxScaledPixels; others are held whole (checkPictureLimits), and the message of one
// that could have been scaled says so.
Status checkPictureSize(std::int64_t width, std::int64_t height, PictureHolding holding = PictureHolding::Whole);

}  // namespace pictoreel
