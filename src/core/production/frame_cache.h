// Turning a frame's picture into its cached one-image GIF of the project's size. A cache file,
// once written, is reused by every later make, preview and frame view while it exists.
#pragma once

#include "core/error.h"
#include "core/project/frame_list.h"

#include <QString>

#include <cstdint>

namespace pictoreel {

class ImagingComponent;

// Everything one conversion needs, taken from a row and the project at one moment.
struct FrameConversion {
    QString picture;    // empty: the frame has no picture
    QString cacheFile;
    bool transparent = false;
    std::int32_t transColor = kWhite;
};

FrameConversion frameConversionFor(const FrameList& frames, int index, const QString& tempFolder,
                                   const QString& widthText, const QString& heightText);

// The width or height text as the pixel count a conversion asks for (a fraction rounds, a half
// to the even neighbour). InvalidArgument for text that is not a number from 1 to 16384.
Result<int> frameSideFromText(const QString& text, const char* what);

// Loads, scales to exactly width x height and saves the picture as its cache file, in that order,
// on `worker`. The cache file appears complete or not at all.
Status convertFrame(const FrameConversion& conversion, int width, int height, ImagingComponent& worker);

// The frame's cached one-image GIF, converting it first when it is not cached yet; the empty
// text when the picture file is missing (nothing is converted then).
Result<QString> GetFrameGif(const FrameList& frames, int index, const QString& tempFolder,
                            const QString& widthText, const QString& heightText, ImagingComponent& worker);

}  // namespace pictoreel
