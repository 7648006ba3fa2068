// A frame's and the project's values as numbers and paths, read once from the texts the frame
// list and the property boxes hold. Those texts stay as they stand: the project file gives them
// back byte for byte, and cache names are made of them.
#pragma once

#include "core/base/error.h"
#include "core/project/frame_list.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace pictoreel {

struct FrameValues {
    QString picture;   // folder and file name joined (see GetFramePicturePath); empty: no picture
    QString fileName;  // the File Name column as it stands
    std::int16_t interval = kDefaultFrameInterval;  // hundredths of a second
    bool transparent = false;
    std::optional<std::int32_t> transColor;  // nothing when the column is not a number

    std::int32_t colour() const { return transColor.value_or(kWhite); }
};

// The row's values: an interval that is not a 16-bit number reads as kDefaultFrameInterval, the
// transparency is "YES" in any letter case, the colour a 32-bit number.
FrameValues frameValuesAt(const FrameList& frames, int row);

// The frame's picture: folder and file name (both trimmed) joined; the file name alone when the
// folder is empty; empty when the file name is.
QString GetFramePicturePath(const FrameList& frames, int row);

// The size every frame is made in, with the texts it was read from.
struct FrameSize {
    int width = 0;
    int height = 0;
    QString widthText;
    QString heightText;
};

// The width or height text as a pixel count (a fraction rounds, a half to the even neighbour).
// InvalidArgument for text that is not a number from 1 to the largest side a picture may have.
Result<int> frameSideFromText(const QString& text, const char* what);
// Both sides at once; the error is the first side's that is not a size.
Result<FrameSize> frameSizeFromTexts(const QString& widthText, const QString& heightText);

}  // namespace pictoreel
