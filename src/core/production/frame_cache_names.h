// Names of the temporary GIFs in the temp folder. A converted frame is cached under a name made
// of everything that went into it (file name, transparency, colour, width and height texts), so
// the name alone decides whether a later make can reuse it.
#pragma once

#include "core/project/frame_list.h"

#include <QString>

namespace pictoreel {

inline constexpr auto kTempGifPrefix = "__tmp__";

// The frame's picture: folder and file name (both trimmed) joined; the file name alone when the
// folder is empty; empty when the file name is.
QString GetFramePicturePath(const FrameList& frames, int index);

// tempFolder + "__tmp__" + file name + "_t_" + True|False + "_c_" + colour + "_w_" + width +
// "_h_" + height + "__.gif", with the file name and size texts exactly as they stand.
QString GetFrameCacheFile(const FrameList& frames, int index, const QString& tempFolder,
                          const QString& widthText, const QString& heightText);

// Deletes every "__tmp__*.gif" in the folder (names compared without regard to case); files that
// cannot be deleted are skipped and other files are left alone. Returns how many were deleted.
int deleteTempGifs(const QString& tempFolder);

}  // namespace pictoreel
