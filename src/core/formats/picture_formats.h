// The picture formats Pictoreel reads, one row per format in one table (picture_formats.cpp):
// its name and extensions, how its content is recognised, how its size is read from the header
// without decoding (so limits are checked before any pixel is), which decoder reads it, and the
// entries it gives the add-pictures dialog's list of file types. Adding a format is adding a row
// (and a reader of our own beside this file, when ImageMagick does not read it).
#pragma once

#include "core/base/error.h"
#include "core/base/header_bytes.h"
#include "core/base/image.h"
#include "core/formats/picture_size.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

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
    Webp,     // lossy, lossless or extended WebP (the first picture of an animation)
    Heif,     // HEIF pictures: HEIC (HEVC inside) and other HEIF brands
    Avif,     // AV1 pictures in a HEIF container
    Emf,      // Enhanced metafile (drawn from its EMF records; EMF+-only drawings come out blank)
    Psp,      // Paint Shop Pro
};

// How ImageMagick reads a format.
struct MagickReading {
    const char* coder = nullptr;  // ImageMagick's coder name ("PNG"); nullptr when it does not read the format
    // The coder can decode at a reduced scale when the picture will be shrunk ("coder:size", the
    // DCT scaling of JPEG).
    bool readsReducedScale = false;
    // The first picture comes placed on the file's logical screen (GIF).
    bool placedOnScreen = false;
    // The "picture number" picks a resolution, not a picture: the coder's default is read
    // (Photo CD's 768 x 512 base).
    bool sceneIsResolution = false;
    // The file holds one picture at several sizes (an icon's 16 x 16 to 256 x 256): the
    // largest is read, which scales to a frame best.
    bool sizesOfOnePicture = false;
    // Its 32-bit (floating-point) pictures hold linear light, as Photoshop's do: converted to sRGB.
    bool floatIsLinear = false;
};

// One entry of the add dialog's list of file types.
struct FileTypeEntry {
    // "Targa Files (*.tga)"; nullptr when the patterns have no entry of their own and are only
    // part of "All Supported Image Files".
    const char* description;
    const char* patterns;     // "*.tga"; several separated by ";"
    // Entries come in the list by this rank (1, 2, ...) and after them, for rank 0, in the
    // order of their patterns.
    int rank = 0;
    // Its patterns are part of "All Supported Image Files" too.
    bool inAllSupported = true;
};

struct PictureFormatRow {
    PictureFormat format = PictureFormat::Unknown;
    const char* name = "";                 // short name for messages and tests ("PNG", "Targa")
    std::vector<const char*> extensions;   // lower case, without the dot
    // Recognises the format from the content.
    bool (*sniff)(const HeaderBytes& bytes) = nullptr;
    // The format has no signature: a file is taken for it only when its extension names the
    // format and `sniff`, when there is one, does not contradict that.
    bool namedByExtension = false;
    // Reads the size from the header; nullptr when the header is too involved to read here,
    // and the decoder finds out itself. nullopt when the header is cut short or broken.
    std::optional<PictureSize> (*peekSize)(const HeaderBytes& bytes) = nullptr;
    // Our own reader, or else ImageMagick; neither for formats without any reader. With both,
    // ImageMagick reads only the pictures too large for ours to hold whole (it scales them to
    // their frame while reading).
    Result<RgbaImage> (*ownReader)(const QByteArray& bytes) = nullptr;
    // A reader of our own for the common pictures of a format that ImageMagick reads; nullopt
    // hands the picture on to ImageMagick (damaged files, rare layouts).
    std::optional<RgbaImage> (*commonReader)(const QByteArray& bytes) = nullptr;
    MagickReading magick{};
    // A drawing that the metafile module draws at the size asked for (EMF), neither of the above.
    bool metafile = false;
    std::vector<FileTypeEntry> fileTypes;
};

// Every format, each once, in the order their signatures are tried.
const std::vector<PictureFormatRow>& pictureFormatTable();

// The row of `format`; nullptr for Unknown.
const PictureFormatRow* pictureFormatRow(PictureFormat format);

// Short name of a format, for messages and tests ("PNG", "Targa"...).
QString pictureFormatName(PictureFormat format);

// The format an extension names (lower or upper case, without the dot); Unknown when none.
PictureFormat pictureFormatForExtension(const QString& extension);

// Decides the format from the content. The extension only breaks ties for formats without a
// signature (Targa, WBMP): content always wins over a misleading extension.
PictureFormat sniffPictureFormat(const std::uint8_t* data, std::size_t size, const QString& extension);

// Reads the picture's size from its header without decoding pixels, for the formats whose
// header is simple enough to read here; nullopt when this code cannot tell.
std::optional<PictureSize> peekPictureSize(const std::uint8_t* data, std::size_t size, PictureFormat format);

// The bytes of DCT coefficients a JPEG decoder holds for the whole picture while it decodes a
// progressive JPEG in `data` (its scans refine every block in turn), whatever scale it decodes
// at; 0 for any other JPEG, whose decoder holds a few rows of blocks only.
std::int64_t jpegCoefficientBytes(const std::uint8_t* data, std::size_t size);

// peekPictureSize for the picture file at `path`, from its first 256 KB (enough for the headers
// and the metadata before a JPEG's frame header); nullopt when there is no regular file there.
std::optional<PictureSize> peekPictureFileSize(const QString& path);

// The own size of the drawing (a metafile) at `path` when it is beyond the limits, so that it is
// drawn at largestWithinLimits of it; nullopt for any other picture.
std::optional<PictureSize> drawingSizeBeyondLimits(const QString& path);

// The add-pictures dialog's filter: "description|patterns" for every file type of the table that
// has a description, then "All Supported Image Files" and "All Files(*.*)", joined by "|".
QString pictureFilesFilter();

}  // namespace pictoreel
