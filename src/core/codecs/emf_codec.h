// What the metafile module offers the core: enhanced metafiles (EMF, with their EMF+ records and
// embedded bitmaps) drawn at a given size. The module (libpictoreel-emf.so) turns the records
// into SVG with libemf2svg and draws that with librsvg; it is loaded at the first EMF opened.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"
#include "core/formats/picture_size.h"

#include <QByteArray>
#include <QString>

namespace pictoreel {

// Raised whenever the table below changes, so a module from another build is refused.
inline constexpr int kMetafileCodecVersion = 1;
inline constexpr const char* kMetafileCodecModule = "libpictoreel-emf.so";
inline constexpr const char* kMetafileCodecEntry = "pictoreel_metafile_codec";

struct MetafileCodec {
    int version;
    // Draws the metafile in `bytes` on white, stretched to `size` (checked against the limits by
    // the caller). CorruptData for a damaged file: every record is checked before it is played.
    Result<RgbaImage> (*draw)(QByteArray bytes, PictureSize size);
};

}  // namespace pictoreel

// The module's one exported symbol: the address of its MetafileCodec.
extern "C" const void* pictoreel_metafile_codec();
