#include "core/production/animation_cache.h"

#include "core/production/frame_cache_names.h"
#include "core/base/file_identity.h"
#include "core/base/replacing_file.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <cstring>
#include <unistd.h>

namespace pictoreel {

namespace {

// Changes whenever the assembly writes other bytes for the same frames.
constexpr int kAssemblyVersion = 2;
constexpr int kAnimationsKept = 4;

QString animationPrefix() { return QString::fromLatin1(kTempGifPrefix) + QStringLiteral("animation_"); }

// Copies a GIF that starts as one and ends with its trailer to `to`, inside the kernel: the
// animations are megabytes, and reading them into memory only to write them out again costs more
// than all the rest of a make from the cache.
bool copyWholeGif(const QString& from, const QString& to)
{
    QFile source;
    if (!openRegularFile(source, from) || source.size() < 14)
        return false;
    const qint64 size = source.size();
    char head[6] = {};
    char tail = 0;
    if (source.read(head, 6) != 6 || !source.seek(size - 1) || source.read(&tail, 1) != 1 ||
        std::memcmp(head, "GIF89a", 6) != 0 || tail != ';')
        return false;
    ReplacingFile target(to);
    if (!target.open())
        return false;
    target.device().flush();
    loff_t in = 0;
    while (in < size) {
        const ssize_t copied = ::copy_file_range(source.handle(), &in, target.device().handle(), nullptr,
                                                 static_cast<std::size_t>(size - in), 0);
        if (copied > 0)
            continue;
        if (copied == 0 || in != 0)
            return false;  // the target is dropped with its temporary file
        // This file system (or kernel) cannot copy by itself: through memory, a piece at a time.
        if (!source.seek(0))
            return false;
        while (!source.atEnd()) {
            const QByteArray piece = source.read(std::int64_t{1} << 20);
            if (piece.isEmpty() || !target.write(piece))
                return false;
        }
        break;
    }
    return target.commit();
}

}  // namespace

QString cachedAnimationPath(const QString& tempFolder, const std::vector<AnimationFrameSource>& frames,
                            const AnimationSettings& settings, const QByteArray& more)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QByteArray head = QByteArray::number(kAssemblyVersion) + ' ' +
                            (settings.loopCount ? QByteArray::number(*settings.loopCount) : QByteArray("none")) +
                            (settings.lossy ? " lossy " + QByteArray::number(settings.lossy) : QByteArray()) +
                            (more.isEmpty() ? QByteArray() : ' ' + more);
    hash.addData(head);
    for (const AnimationFrameSource& frame : frames) {
        QByteArray entry = '\n' + QByteArray::number(frame.delayCentiseconds);
        if (!frame.fileName.isEmpty()) {
            const std::optional<FileStamp> stamp = stampOf(frame.fileName);
            if (!stamp)
                return {};
            entry += ' ' + QByteArray::number(stamp->size) + ' ' + QByteArray::number(stamp->modifiedNs) + ' ' +
                     QByteArray::number(stamp->device) + ':' + QByteArray::number(stamp->inode) + ' ' +
                     stamp->path.toUtf8();
        }
        hash.addData(entry);
    }
    return tempFolder + animationPrefix() + QString::fromLatin1(hash.result().toHex().left(32)) + QStringLiteral(".gif");
}

Status copyCachedAnimation(const QString& cached, const QString& output, const std::function<void(int)>& progress)
{
    if (!copyWholeGif(cached, output))
        return makeError(ErrorCode::FileReadFailed, QStringLiteral("No whole cached animation at %1").arg(cached));
    if (progress)
        progress(100);
    return {};
}

namespace {

// Drops all but the newest few cached animations of the folder of `cached`.
void dropOldAnimations(const QString& cached)
{
    QDir folder = QFileInfo(cached).absoluteDir();
    const QFileInfoList kept = folder.entryInfoList({animationPrefix() + u'*'}, QDir::Files, QDir::Time);
    for (qsizetype i = kAnimationsKept; i < kept.size(); ++i)
        QFile::remove(kept[i].absoluteFilePath());
}

}  // namespace

void keepAnimation(const QString& output, const QString& cached)
{
    if (copyWholeGif(output, cached))
        dropOldAnimations(cached);
}

void adoptAnimation(const QString& made, const QString& cached)
{
    QFile::remove(cached);
    if (QFile::rename(made, cached))
        dropOldAnimations(cached);
}

QString uniqueTempAnimationPath(const QString& tempFolder)
{
    static std::atomic<unsigned> made{0};
    return tempFolder + QString::fromLatin1(kTempGifPrefix) +
           QStringLiteral("making_%1_%2.gif").arg(QCoreApplication::applicationPid()).arg(made++);
}

}  // namespace pictoreel
