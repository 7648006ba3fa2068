// Names of the temporary GIFs in the temp folder. A converted frame is cached under a name made
// of everything that went into it (file name, transparency, colour, width and height texts), so
// the name alone decides whether a later make can reuse it.
#pragma once

#include "core/project/frame_style.h"
#include "core/project/frame_values.h"

#include <QString>

namespace pictoreel {

inline constexpr auto kTempGifPrefix = "__tmp__";

// tempFolder + "__tmp__" + file name + "_t_" + True|False + "_c_" + colour + "_w_" + width +
// "_h_" + height + "__.gif", with the file name and size texts exactly as they stand; when that
// name could not be one file in the temp folder (see safeCacheFileName), its safe form.
// A style other than the default adds its tag (see frameStyleTag) before "__.gif", and then
// `shapingTag` (see frameShapingTag).
QString GetFrameCacheFile(const FrameValues& frame, const FrameSize& size, const QString& tempFolder,
                          const FrameStyle& style = {}, const QString& shapingTag = {});

// The longest file name, in bytes as the file system stores it, that a cache file may have.
inline constexpr int kMaxCacheNameBytes = 255;

// `name` ("__tmp__" ... "__.gif") as it is when it is one file name of at most 255 bytes. A name
// holding "/" (which would reach into another folder, for "../" even out of the temp folder) or
// a NUL, or one that is too long, becomes "__tmp__" + as much of it as fits with those characters
// replaced by "_" + "_x_" + 16 hex digits of its digest + "__.gif": still one file of the temp
// folder that the clean-up finds, and still different for every different name.
QString safeCacheFileName(const QString& name);

// Deletes every "__tmp__*.gif" in the folder, and the kept animations of other formats
// ("__tmp__animation_*.webp" and ".png"; names compared without regard to case); files that cannot
// be deleted are skipped and other files are left alone. Hidden temporary files that an
// interrupted write of such a file left behind go too (see ReplacingFile). Returns how many
// files were deleted.
int deleteTempGifs(const QString& tempFolder);

// A make's own working files in the temp folder start with "__tmp__" + `kind` ("making": the
// animation being assembled; "budget": a size budget's frames and attempts) + "_" + the process
// id + "_": this is that start, for this process.
QString runFilePrefix(const QString& tempFolder, const char* kind);

// Deletes the working files that makes killed part way left: those of processes that no longer
// run, untouched for an hour, and at once the hidden files they were being written through, which
// no writer holds any more (see ReplacingFile). Returns how many.
int removeFilesOfEndedRuns(const QString& tempFolder);

}  // namespace pictoreel
