#include "core/media/numbered_frames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace pictoreel {

QString numberedFrameName(const QString& base, std::size_t index, std::size_t count)
{
    const int digits = std::max(4, static_cast<int>(QString::number(count).size()));
    return QStringLiteral("%1_%2.png").arg(base).arg(index + 1, digits, 10, QLatin1Char('0'));
}

bool holdsNumberedFrames(const QString& folder, const QString& base)
{
    const QRegularExpression name(QRegularExpression::anchoredPattern(QRegularExpression::escape(base) + QStringLiteral("_[0-9]+\\.png")),
                                  QRegularExpression::CaseInsensitiveOption);
    const QStringList files = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    return std::any_of(files.begin(), files.end(), [&](const QString& file) { return name.match(file).hasMatch(); });
}

CreatedFolders::CreatedFolders(const QString& path)
{
    for (QFileInfo info(QDir::cleanPath(QDir(path).absolutePath())); !info.exists() && !info.isRoot();
         info = QFileInfo(info.absolutePath()))
        folders_.append(info.absoluteFilePath());
}

CreatedFolders::~CreatedFolders()
{
    for (const QString& folder : folders_)
        QDir().rmdir(folder);
}

Status publishNumberedFrames(std::vector<ExtractedFrame>& frames, const QString& folder, const QString& base,
                             const std::function<bool()>& stopped, const std::function<void(std::size_t, std::size_t)>& moved)
{
    const std::vector<ExtractedFrame> scratch = frames;
    for (std::size_t k = 0; k < frames.size(); ++k) {
        const QString target = QDir(folder).filePath(numberedFrameName(base, k, frames.size()));
        const bool stop = stopped && stopped();
        if (stop || !QFile::rename(scratch[k].path, target)) {
            for (std::size_t j = 0; j < k; ++j)
                QFile::remove(frames[j].path);
            frames = scratch;
            if (stop)
                return makeError(ErrorCode::Cancelled, QStringLiteral("The frames were not kept: cancelled"));
            return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1: a file of that name is in the way").arg(target));
        }
        frames[k].path = target;
        if (moved)
            moved(k + 1, frames.size());
    }
    return {};
}

}  // namespace pictoreel
