// Frames written as numbered PNG files into a folder: written first under a hidden scratch
// folder, they take their names ("<base>_0001.png" and on) only once all are written, so a
// failed or cancelled run leaves no file behind, nor the folders it created.
#pragma once

#include "core/base/error.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <functional>
#include <vector>

namespace pictoreel {

struct ExtractedFrame {
    QString path;
    int delayCentiseconds = 0;  // 2 .. 32767, what a project's frame interval holds
};

// The longest interval a project's frame holds.
inline constexpr int kMaxFrameInterval = 32767;

// "<base>_0001.png": the frame's number from 1, zero-padded to four digits or to the count.
QString numberedFrameName(const QString& base, std::size_t index, std::size_t count);

// Whether `folder` holds a file named as a frame of `base` ("base_0001.png"), in any case.
bool holdsNumberedFrames(const QString& folder, const QString& base);

// The folders of `path` that do not exist yet, deepest first; removed again (as far as they are
// empty) when the object goes away, unless kept.
class CreatedFolders {
public:
    explicit CreatedFolders(const QString& path);
    ~CreatedFolders();
    CreatedFolders(const CreatedFolders&) = delete;
    CreatedFolders& operator=(const CreatedFolders&) = delete;
    void keep() { folders_.clear(); }

private:
    QStringList folders_;
};

// Moves the files of `frames` (in a scratch folder) to their numbered names in `folder` and
// points the frames at them. When one cannot take its name, or `stopped` says so between two,
// the ones moved are removed again: FileWriteFailed or Cancelled. `moved` gets (done, count).
Status publishNumberedFrames(std::vector<ExtractedFrame>& frames, const QString& folder, const QString& base,
                             const std::function<bool()>& stopped, const std::function<void(std::size_t, std::size_t)>& moved = {});

}  // namespace pictoreel
