// Numbered PNG files of frames in a folder, written so that a run either names every file or
// leaves nothing behind: the pictures go into a hidden temporary folder inside the target folder
// and take their names ("<source base name>_0001.png" and on, zero-padded to four digits or to
// the count when it has more) only once all are written. The folders a failed or cancelled run
// created go again, and an existing file is never written over.
#pragma once

#include "core/base/error.h"
#include "core/base/image.h"
#include "core/media/numbered_frames.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QTemporaryDir;

namespace pictoreel {

// Whether `folder` holds a file named as the frames of `sourcePath` would be ("clip_0001.png").
bool holdsVideoFrames(const QString& folder, const QString& sourcePath);

// Where the window puts the frames of `sourcePath`: "<project base name>_frames/<source base name>"
// beside `projectFile`, or beside the source when the project was never saved (empty name); when
// that folder holds such frames already, "<source base name> (2)", "(3)" and so on.
QString framesFolderFor(const QString& projectFile, const QString& sourcePath);

class FrameFiles {
public:
    // InvalidArgument when `folder` holds frames named after `sourcePath` already,
    // FolderCreateFailed, FileWriteFailed.
    static Result<std::unique_ptr<FrameFiles>> open(const QString& folder, const QString& sourcePath);
    ~FrameFiles();

    // Writes the next picture as a PNG under its temporary name, shown for `delay` hundredths.
    Status add(const RgbaImage& image, int delay);
    std::size_t count() const { return frames_.size(); }

    // Gives every file its name, or none: FileWriteFailed when a file of that name is in the way,
    // Cancelled when `stopped` says so. `report` gets 0..4 as the files take their names.
    Result<std::vector<ExtractedFrame>> commit(const std::function<bool()>& stopped,
                                               const std::function<void(int)>& report);

private:
    FrameFiles(QString folder, QString base, std::unique_ptr<CreatedFolders> created, std::unique_ptr<QTemporaryDir> scratch);

    QString folder_;
    QString base_;
    std::unique_ptr<CreatedFolders> created_;  // the folders this run made; removed unless committed
    std::unique_ptr<QTemporaryDir> scratch_;
    std::vector<ExtractedFrame> frames_;
};

}  // namespace pictoreel
