// Turning a frame's picture into its cached one-image GIF of the project's size. A cache file
// records what went into it (the picture's path, size, modification and change times and file
// identity, and the conversion's settings), and is reused only while the picture on disk is still
// that one.
#pragma once

#include "core/base/error.h"
#include "core/base/file_identity.h"
#include "core/imaging/quantizer.h"
#include "core/production/frame_shaping.h"
#include "core/project/frame_style.h"
#include "core/project/frame_values.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <memory>

namespace pictoreel {

// Everything one conversion needs, taken from a row and the project at one moment.
struct FrameConversion {
    QString picture;    // the row's picture path; empty: the frame has no picture
    QString cacheFile;  // the cache name the row's file name and settings give
    bool transparent = false;
    std::int32_t transColor = kWhite;
    FrameSize size;
    FrameStyle style;
    FrameShaping shaping;  // the crop, turn and captions of this frame
};

FrameConversion frameConversionFor(const FrameValues& frame, const FrameSize& size, const QString& tempFolder,
                                   const FrameStyle& style = {}, const FrameShaping& shaping = {});

// How a frame's colours are reduced in this style.
ColourReduction reductionFor(const FrameStyle& style);

// Where a conversion's one-image GIF is, and whether it still has to be made.
struct FrameCacheEntry {
    enum class State { PictureMissing, Cached, ToConvert };
    State state = State::PictureMissing;
    QString file;       // the cache file; empty when the picture is missing
    QByteArray record;  // what the file records of its making
    // For a picture converted under a name of its own: the cache name it moves to once complete,
    // unless another file has taken that name by then (empty: it stays where it is). A file that
    // was there at the look-up and recorded no picture (inode `publishOver`) is replaced.
    QString publishAs;
    std::uint64_t publishOver = 0;
};

// Cache files given out in one run, each to the picture it was given to; a second picture with
// the same name then gets a file of its own even before the first one is written.
using CacheClaims = QHash<QString, QString>;

// Looks the conversion up from the file system, reading no picture: the cache name when it holds
// this picture; otherwise a name of the picture's own beside it, which moves to the cache name
// once converted when nothing else holds that name. Two makes at once (two programs sharing the
// temp folder) thus never write over a file the other reads: the cache name is only ever replaced
// by a conversion of the picture it records. The entry is Cached when its file records exactly
// this picture and these settings.
FrameCacheEntry locateFrameCache(const FrameConversion& conversion, CacheClaims* claims = nullptr);

// The version the records carry: it changes whenever a conversion of the same picture and
// settings gives other bytes, so that no file made before is taken for one made now.
int frameCacheVersion();

// Everything that goes into the conversion of `picture` (its stamp) with these settings, and the
// version of the conversion: what a cache file records of its making.
QByteArray conversionRecord(const FileStamp& picture, const FrameConversion& conversion);

// What a cache file records of its making; empty when it records nothing.
QByteArray readFrameCacheRecord(const QString& cacheFile);

// Loads, shapes and scales to exactly the conversion's width x height (see loadShapedFrame), and saves the picture as the entry's
// cache file with its record, then moves it as the entry's publishAs says (entry.file tells where
// it is then). The file appears complete or not at all. Conversions share nothing but the
// one-large-frame-at-a-time rule, so any number may run at once on other threads.
// `written`, when given, receives the indices of the file's image (see ImagingComponent::SaveGif);
// `source`, when given, the opaque picture those indices were reduced from (left empty for a
// picture with transparent pixels, and for one stored with its own colours: nothing was reduced).
Status convertFrame(const FrameConversion& conversion, FrameCacheEntry& entry, std::vector<std::uint8_t>* written = nullptr,
                    RgbaImage* source = nullptr);

// The picture convertFrame() gives as `source` for the conversion, made again (decoded, shaped and
// fitted, not reduced) for a frame taken from the cache; null when it gives none or on an error.
std::shared_ptr<const RgbaImage> frameSource(const FrameConversion& conversion);
// Whether the cache file stores its picture with the picture's own colours (it has no source then).
bool keepsExactColours(const QString& cacheFile);

// The conversion's cached one-image GIF, converting it first when it is not cached yet; the
// empty text when the picture file is missing (nothing is converted then).
Result<QString> frameGifFor(const FrameConversion& conversion);

}  // namespace pictoreel
