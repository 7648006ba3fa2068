#include "core/media/frame_files.h"

#include "core/base/replacing_file.h"
#include "core/media/magick_adapter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>

namespace pictoreel {


bool holdsVideoFrames(const QString& folder, const QString& sourcePath)
{
    return holdsNumberedFrames(folder, QFileInfo(sourcePath).completeBaseName());
}

QString framesFolderFor(const QString& projectFile, const QString& sourcePath)
{
    const QFileInfo source(sourcePath);
    const QString parent = projectFile.isEmpty()
                               ? source.absolutePath()
                               : QFileInfo(projectFile).absoluteDir().filePath(QFileInfo(projectFile).completeBaseName() + QStringLiteral("_frames"));
    QString folder = QDir(parent).filePath(source.completeBaseName());
    for (int n = 2; holdsVideoFrames(folder, sourcePath); ++n)
        folder = QDir(parent).filePath(QStringLiteral("%1 (%2)").arg(source.completeBaseName()).arg(n));
    return folder;
}

FrameFiles::FrameFiles(QString folder, QString base, std::unique_ptr<CreatedFolders> created, std::unique_ptr<QTemporaryDir> scratch)
    : folder_(std::move(folder)), base_(std::move(base)), created_(std::move(created)), scratch_(std::move(scratch))
{
}

FrameFiles::~FrameFiles()
{
    scratch_.reset();  // before the folders it is in go
}

Result<std::unique_ptr<FrameFiles>> FrameFiles::open(const QString& folder, const QString& sourcePath)
{
    const QString base = QFileInfo(sourcePath).completeBaseName();
    if (holdsVideoFrames(folder, sourcePath))
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("%1 already holds frames named %2; choose another folder").arg(folder, numberedFrameName(base, 0, 1)));
    auto created = std::make_unique<CreatedFolders>(folder);
    if (!QDir().mkpath(folder))
        return makeError(ErrorCode::FolderCreateFailed, QStringLiteral("Cannot create the folder %1").arg(folder));
    auto scratch = std::make_unique<QTemporaryDir>(QDir(folder).filePath(QStringLiteral(".pictoreel-frames-XXXXXX")));
    if (!scratch->isValid()) {
        const QString why = scratch->errorString();
        scratch.reset();
        return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write in %1: %2").arg(folder, why));
    }
    return std::unique_ptr<FrameFiles>(new FrameFiles(folder, base, std::move(created), std::move(scratch)));
}

Status FrameFiles::add(const RgbaImage& image, int delay)
{
    Result<QByteArray> png = encodePng(image);
    if (!png)
        return png.error();
    const QString file = QDir(scratch_->path()).filePath(QString::number(frames_.size()));
    if (Status s = writeFileAtomically(file, png.value()); !s)
        return s;
    frames_.push_back({file, std::clamp(delay, 0, kMaxFrameInterval)});
    return {};
}

Result<std::vector<ExtractedFrame>> FrameFiles::commit(const std::function<bool()>& stopped,
                                                       const std::function<void(int)>& report)
{
    std::vector<ExtractedFrame> frames = frames_;
    const auto moved = [&](std::size_t done, std::size_t count) {
        if (report)
            report(static_cast<int>(done * 4 / count));
    };
    if (Status s = publishNumberedFrames(frames, folder_, base_, stopped, moved); !s) {
        if (s.error().code == ErrorCode::Cancelled)
            return makeError(ErrorCode::Cancelled, QStringLiteral("The extraction was cancelled"));
        return s.error();
    }
    created_->keep();
    return frames;
}

}  // namespace pictoreel
