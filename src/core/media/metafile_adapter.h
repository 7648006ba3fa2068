// Drawing enhanced metafiles with the metafile module (codecs/emf_codec.cpp), loaded at the first
// EMF that is opened.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"
#include "core/formats/picture_size.h"
#include "core/codecs/decode_options.h"

#include <QByteArray>

namespace pictoreel {

// Draws the metafile in `bytes`, whose header gave `own` (already checked against the limits),
// at the size it is scaled to next when `options` give one, a drawing being sharpest drawn at
// the size it is shown; otherwise at its own size.
Result<RgbaImage> drawMetafile(QByteArray bytes, PictureSize own, const DecodeOptions& options);

}  // namespace pictoreel
