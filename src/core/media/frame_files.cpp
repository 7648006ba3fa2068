#include "core/media/frame_files.h"

#include "core/base/replacing_file.h"
#include "core/media/magick_adapter.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>

namespace pictoreel {

namespace {

QString frameName(const QString& base, std::size_t index, std::size_t count)
{
    const int digits = std::max(4, static_cast<int>(QString::number(count).size()));
    return QStringLiteral("%1_%2.png").arg(base).arg(index + 1, digits, 10, QLatin1Char('0'));
}

// The folders of `path` that do not exist yet, deepest first.
QStringList missingFolders(const QString& path)
{
    QStringList missing;
    for (QFileInfo info(QDir::cleanPath(QDir(path).absolutePath())); !info.exists() && !info.isRoot();
         info = QFileInfo(info.absolutePath()))
        missing.append(info.absoluteFilePath());
    return missing;
}

void removeFolders(const QStringList& folders)
{
    for (const QString& folder : folders)
        QDir().rmdir(folder);
}

}  // namespace

bool holdsVideoFrames(const QString& folder, const QString& sourcePath)
{
    const QString base = QFileInfo(sourcePath).completeBaseName();
    const QRegularExpression name(QRegularExpression::anchoredPattern(QRegularExpression::escape(base) + QStringLiteral("_[0-9]+\\.png")),
                                  QRegularExpression::CaseInsensitiveOption);
    const QStringList files = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    return std::any_of(files.begin(), files.end(), [&](const QString& file) { return name.match(file).hasMatch(); });
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

FrameFiles::FrameFiles(QString folder, QString base, QStringList created, std::unique_ptr<QTemporaryDir> scratch)
    : folder_(std::move(folder)), base_(std::move(base)), created_(std::move(created)), scratch_(std::move(scratch))
{
}

FrameFiles::~FrameFiles()
{
    scratch_.reset();
    removeFolders(created_);
}

Result<std::unique_ptr<FrameFiles>> FrameFiles::open(const QString& folder, const QString& sourcePath)
{
    const QString base = QFileInfo(sourcePath).completeBaseName();
    if (holdsVideoFrames(folder, sourcePath))
        return makeError(ErrorCode::InvalidArgument,
                         QStringLiteral("%1 already holds frames named %2; choose another folder").arg(folder, frameName(base, 0, 1)));
    QStringList created = missingFolders(folder);
    if (!QDir().mkpath(folder)) {
        removeFolders(created);
        return makeError(ErrorCode::FolderCreateFailed, QStringLiteral("Cannot create the folder %1").arg(folder));
    }
    auto scratch = std::make_unique<QTemporaryDir>(QDir(folder).filePath(QStringLiteral(".pictoreel-frames-XXXXXX")));
    if (!scratch->isValid()) {
        const QString why = scratch->errorString();
        scratch.reset();
        removeFolders(created);
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
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const QString target = QDir(folder_).filePath(frameName(base_, k, frames.size()));
        const bool stop = stopped && stopped();
        if (stop || !QFile::rename(frames[k].path, target)) {
            for (std::size_t j = 0; j < k; ++j)
                QFile::remove(frames[j].path);
            if (stop)
                return makeError(ErrorCode::Cancelled, QStringLiteral("The extraction was cancelled"));
            return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1: a file of that name is in the way").arg(target));
        }
        frames[k].path = target;
        if (report)
            report(static_cast<int>((k + 1) * 4 / frames.size()));
    }
    created_.clear();
    return frames;
}

}  // namespace pictoreel
