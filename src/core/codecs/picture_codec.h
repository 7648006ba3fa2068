// What the picture codec module offers the core: ImageMagick decoding and JPEG/PNG encoding.
// The module (libpictoreel-magick.so) is loaded at the first picture that needs it, so programs
// and runs that never decode a picture never load ImageMagick and its libraries.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"
#include "core/formats/picture_formats.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace pictoreel {

struct DecodeOptions;

// Raised whenever the table below or the set of coders the module lets run changes, so a module
// from another build is refused.
inline constexpr int kPictureCodecVersion = 9;
inline constexpr const char* kPictureCodecModule = "libpictoreel-magick.so";
inline constexpr const char* kPictureCodecEntry = "pictoreel_picture_codec";

struct PictureCodec {
    int version;
    // The library the module runs with, for bug reports: "ImageMagick 6.9.11-60 Q16 ...".
    QString (*libraryVersion)();
    // Installs the security policy and the resource limits; the module calls it itself too.
    Status (*initialise)();
    // Decodes with ImageMagick as `reading` (the format's row of the format table) says.
    // `declared` is the size the caller read from the header and checked against the limits;
    // without it the codec asks ImageMagick for the size first. The bytes are let go once
    // ImageMagick has read them.
    Result<RgbaImage> (*decode)(QByteArray bytes, const MagickReading& reading, const DecodeOptions& options,
                                std::optional<PictureSize> declared);
    Result<QByteArray> (*encodeJpeg)(const RgbaImage& image, int quality, bool progressive, bool grayscale);
    Result<QByteArray> (*encodePng)(const RgbaImage& image);
};

}  // namespace pictoreel

// The module's one exported symbol: the address of its PictureCodec.
extern "C" const void* pictoreel_picture_codec();
