// The picture formats Pictoreel reads: recognising them from their content and reading a
// picture's size from its header without decoding it, so limits are checked before any pixel is.
#pragma once

#include "core/error.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace pictoreel {

// Pictures larger than this on either side, or with more pixels in all, are refused before
// their pixels are decoded (ErrorCode::LimitExceeded).
inline constexpr int kMaxPictureSide = 16384;
inline constexpr std::int64_t kMaxPictureArea = std::int64_t{128} * 1024 * 1024;
// Files larger than this are not read at all.
inline constexpr std::int64_t kMaxPictureFileBytes = std::int64_t{1} << 30;

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

// LimitExceeded when a size is beyond kMaxPictureSide / kMaxPictureArea.
Status checkPictureLimits(std::int64_t width, std::int64_t height);

// CorruptData for a size without pixels, else checkPictureLimits.
Status checkPictureSize(std::int64_t width, std::int64_t height);

}  // namespace pictoreel
