// The one door to ImageMagick (Magick++). Everything else in the core sees our own picture types
// and errors; Magick++ types and exceptions never leave magick_adapter.cpp. Targa is the one
// format decoded by our own code (ImageMagick 6 misreads some of its variants).
//
// Decoding is deliberately narrow: the caller's bytes are handed to ImageMagick as a memory blob
// with the coder we chose from the content, so no file name, URL or "coder:" prefix ever reaches
// ImageMagick's own name parsing. On top of that a security policy installed once at start-up
// allows only the coders of the formats below and no delegates, and resource limits bound every
// picture (see kMaxPictureSide and kMaxPictureArea).
#pragma once

#include "core/error.h"
#include "core/media/image.h"

#include <QByteArray>
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

struct DecodeOptions {
    // When both are positive the picture will next be shrunk to this size: JPEGs at least twice
    // as large are then decoded at a reduced DCT scale that still covers a square of the larger
    // side (so the result is large enough even after an orientation tag turns it).
    int shrinkHintWidth = 0;
    int shrinkHintHeight = 0;
};

// Decodes the first picture of `bytes` as `format` into 8-bit RGBA. Multi-picture files
// (animated GIF, multi-page TIFF, icons with several sizes) give their first picture; a GIF's
// first picture is placed on its logical screen; an orientation tag (JPEG EXIF, TIFF) turns the
// picture upright. The size is checked against the limits from the header before any pixel is
// decoded; a file whose header cannot be read is refused as CorruptData.
Result<RgbaImage> decodePicture(const QByteArray& bytes, PictureFormat format, const DecodeOptions& options = {});

// Encodes the colour channels of `image` (alpha is not stored) as a baseline JPEG, or a
// progressive one when asked, at `quality` 1..100.
Result<QByteArray> encodeJpeg(const RgbaImage& image, int quality, bool progressive = false, bool grayscale = false);

// Installs the policy and limits; safe to call from any thread, any number of times. Decoding
// and encoding call it themselves.
Status initialiseMagick();

}  // namespace pictoreel
