// Made animations kept in the temp folder beside the frame cache, so making an unchanged project
// again costs one copy. An animation is named after everything that went into it: every frame
// file's name, size and modification time, every delay, the loop count and the version of the
// assembly; any change to one of them names another file. The frame files are cache files,
// which are written again whenever their pictures change. WebP and PNG animations are kept the
// same way, named after their pictures. The names start with "__tmp__animation_", so deleting the
// temp GIFs deletes these too, and only the few most recent are kept.
#pragma once

#include "core/base/error.h"
#include "core/animation/animation_assembler.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

namespace pictoreel {

// The version of the assembly that the names of kept animations carry: it changes whenever the
// assembly writes other bytes for the same frames.
int assemblyVersion();

// The cached animation's file for these frames in `tempFolder` (which ends in a separator), or
// empty when a frame file cannot be looked at. `more` names whatever else went into the
// animation (a make within a size budget: the budget).
QString cachedAnimationPath(const QString& tempFolder, const std::vector<AnimationFrameSource>& frames,
                            const AnimationSettings& settings, const QByteArray& more = {});

// The kept animation's file in `tempFolder` for everything `description` says went into it, with
// the file name ending `suffix` ("gif", "webp", "png").
QString keptAnimationPath(const QString& tempFolder, const QByteArray& description, const QString& suffix);

// Copies the cached animation at `cached` to `output` (replacing it only when complete) and
// reports 100 to `progress` once it is there. Fails without touching `output`: FileReadFailed
// when the cached file is missing or does not look like a whole GIF, WebP or PNG (the caller then
// makes the animation as usual), FileWriteFailed with the system's reason when `output` cannot be
// written.
Status copyCachedAnimation(const QString& cached, const QString& output, const std::function<void(int)>& progress);

// Keeps a copy of the animation just made at `output` under `cached`, and drops all but the
// newest few cached animations of the folder. Failing to keep it is not an error.
void keepAnimation(const QString& output, const QString& cached);

// The same for an animation made in the temp folder at `made`, which becomes `cached` itself.
void adoptAnimation(const QString& made, const QString& cached);

// A file name in `tempFolder` for an animation being made, no other make's.
QString uniqueTempAnimationPath(const QString& tempFolder);

}  // namespace pictoreel
