#include "core/production/animation_cache.h"

#include "core/production/frame_cache_names.h"
#include "core/base/file_identity.h"
#include "core/base/replacing_file.h"
#include "core/base/same_bytes.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictoreel {

namespace {

// Changes whenever the assembly writes other bytes for the same frames.
constexpr int kAssemblyVersion = 16;
constexpr int kAnimationsKept = 4;

QString animationPrefix() { return QString::fromLatin1(kTempGifPrefix) + QStringLiteral("animation_"); }

// How the description of a kept animation tells a file: its size, time, identity and place.
QByteArray fileStampText(const FileStamp& stamp)
{
    return QByteArray::number(stamp.size) + ' ' + QByteArray::number(stamp.modifiedNs) + ' ' +
           QByteArray::number(stamp.device) + ':' + QByteArray::number(stamp.inode) + ' ' + stamp.path.toUtf8();
}

// Whether `file` (of `size` bytes) is whole: a GIF that starts as one and ends with its trailer, a
// WebP whose RIFF header counts all its bytes, or a PNG that ends with its IEND chunk.
bool looksWhole(QFile& file, qint64 size)
{
    static const QByteArray pngStart("\x89PNG\r\n\x1a\n", 8), pngEnd("IEND\xae\x42\x60\x82", 8);
    char head[12] = {};
    char tail[8] = {};
    if (size < 14 || file.read(head, 12) != 12 || !file.seek(size - 8) || file.read(tail, 8) != 8)
        return false;
    if (std::memcmp(head, "GIF89a", 6) == 0)
        return tail[7] == ';';
    if (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0) {
        const auto byte = [&head](int i) { return qint64(static_cast<unsigned char>(head[i])); };
        return byte(4) + (byte(5) << 8) + (byte(6) << 16) + (byte(7) << 24) + 8 == size;
    }
    return QByteArray(head, 8) == pngStart && QByteArray(tail, 8) == pngEnd;
}

// Copies a whole animation (see looksWhole) to `to`, inside the kernel: the animations are
// megabytes, and reading them into memory only to write them out again costs more than all the
// rest of a make from the cache.
// Errors: FileReadFailed when `from` is no whole animation, FileWriteFailed with the system's
// reason when `to` cannot be written.
Status copyWholeAnimation(const QString& from, const QString& to)
{
    const auto noWhole = [&from] {
        return makeError(ErrorCode::FileReadFailed, QStringLiteral("No whole cached animation at %1").arg(from));
    };
    QFile source;
    if (!openRegularFile(source, from))
        return noWhole();
    const qint64 size = source.size();
    if (!looksWhole(source, size))
        return noWhole();
    // A target that holds these very bytes already is only marked as made now: replacing it
    // would cost more than reading it, as the file system writes a file out at once when it
    // takes the place of another by renaming.
    if (holdsSameBytes(source.handle(), size, to) &&
        ::utimensat(AT_FDCWD, QFile::encodeName(to).constData(), nullptr, AT_SYMLINK_NOFOLLOW) == 0)
        return {};
    ReplacingFile target(to);
    const auto cannotWrite = [&target](const QString& why) {
        return makeError(ErrorCode::FileWriteFailed, QStringLiteral("Cannot write %1: %2").arg(target.targetPath(), why));
    };
    if (!target.open())
        return cannotWrite(target.errorString());
    target.device().flush();
    loff_t in = 0;
    while (in < size) {
        const ssize_t copied = ::copy_file_range(source.handle(), &in, target.device().handle(), nullptr,
                                                 static_cast<std::size_t>(size - in), 0);
        if (copied > 0)
            continue;
        if (copied == 0)
            return noWhole();  // shorter than it was: the target is dropped with its temporary file
        if (in != 0)
            return cannotWrite(QString::fromLocal8Bit(std::strerror(errno)));
        // This file system (or kernel) cannot copy by itself: through memory, a piece at a time.
        if (!source.seek(0))
            return noWhole();
        while (!source.atEnd()) {
            const QByteArray piece = source.read(std::int64_t{1} << 20);
            if (piece.isEmpty())
                return noWhole();
            if (!target.write(piece))
                return cannotWrite(target.errorString());
        }
        break;
    }
    return target.commit() ? Status{} : cannotWrite(target.errorString());
}

}  // namespace

int assemblyVersion() { return kAssemblyVersion; }

QString keptAnimationPath(const QString& tempFolder, const QByteArray& description, const QString& suffix)
{
    const QByteArray hash = QCryptographicHash::hash(description, QCryptographicHash::Sha256);
    return tempFolder + animationPrefix() + QString::fromLatin1(hash.toHex().left(32)) + u'.' + suffix;
}

QString cachedAnimationPath(const QString& tempFolder, const std::vector<AnimationFrameSource>& frames,
                            const AnimationSettings& settings, const QByteArray& more)
{
    QByteArray description = QByteArray::number(kAssemblyVersion) + ' ' +
                             (settings.loopCount ? QByteArray::number(*settings.loopCount) : QByteArray("none")) +
                             (settings.lossy ? " lossy " + QByteArray::number(settings.lossy) : QByteArray()) +
                             (settings.keepWithinPaletteCells ? QByteArray(" cells1") : QByteArray()) +
                             (settings.mayShowTransparency ? QByteArray(" clear1") : QByteArray()) +
                             (settings.temporalThreshold ? " unseen " + QByteArray::number(settings.temporalThreshold)
                                                         : QByteArray()) +
                             (more.isEmpty() ? QByteArray() : ' ' + more);
    for (const AnimationFrameSource& frame : frames) {
        description += '\n' + QByteArray::number(frame.delayCentiseconds);
        if (!frame.fileName.isEmpty()) {
            const std::optional<FileStamp> stamp = stampOf(frame.fileName);
            if (!stamp)
                return {};
            description += ' ' + fileStampText(*stamp);
        }
    }
    return keptAnimationPath(tempFolder, description, QStringLiteral("gif"));
}

Status copyCachedAnimation(const QString& cached, const QString& output, const std::function<void(int)>& progress)
{
    if (Status copied = copyWholeAnimation(cached, output); !copied)
        return copied;
    // Used now: the newest few are kept, so one made again and again stays.
    ::utimensat(AT_FDCWD, QFile::encodeName(cached).constData(), nullptr, 0);
    if (progress)
        progress(100);
    return {};
}

namespace {

// Drops all but the newest few (last made or used) kept animations of the folder of `cached`:
// the files named by keptAnimationPath, with or without a budget's choice after the name.
void dropOldAnimations(const QString& cached)
{
    static const QRegularExpression keptName(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(animationPrefix()) + QStringLiteral("[0-9a-f]{32}(_[^/]*)?\\.(gif|webp|png)")));
    QDir folder = QFileInfo(cached).absoluteDir();
    qsizetype seen = 0;
    for (const QFileInfo& file : folder.entryInfoList({animationPrefix() + u'*'}, QDir::Files, QDir::Time))
        if (keptName.match(file.fileName()).hasMatch() && ++seen > kAnimationsKept)
            QFile::remove(file.absoluteFilePath());
}

}  // namespace

void keepAnimation(const QString& output, const QString& cached)
{
    if (copyWholeAnimation(output, cached))
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
    return runFilePrefix(tempFolder, "making") + QString::number(made++) + QStringLiteral(".gif");
}

}  // namespace pictoreel
