#include "core/base/file_identity.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace pictoreel {
namespace {

std::optional<struct stat> statOf(const QString& path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return st;
}

// The absolute, clean path with the longest existing leading folder resolved through its links.
QString resolvedPath(const QString& path)
{
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : QDir(folder).filePath(info.fileName());
}

bool sameNode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// `folder` resolved through its links, or empty when it is no folder. Pictures mostly share a few
// folders, and resolving one costs a look-up a component, so each resolved folder is remembered
// with the folder it named; it is used again only while both the folder as written and the
// resolved path still name that same folder (a link pointed elsewhere is resolved anew).
QString resolvedFolder(const QString& folder)
{
    struct Known {
        QString resolved;
        struct stat node;
    };
    static std::mutex mutex;
    static QHash<QString, Known> known;

    const auto here = statOf(folder);
    if (!here || !S_ISDIR(here->st_mode))
        return {};
    std::optional<Known> before;
    {
        const std::lock_guard lock(mutex);
        if (const auto it = known.constFind(folder); it != known.cend())
            before = *it;
    }
    if (before && sameNode(before->node, *here)) {
        if (const auto there = statOf(before->resolved); there && sameNode(*there, *here))
            return before->resolved;
    }
    const QString resolved = QDir(folder).canonicalPath();
    const auto there = statOf(resolved);
    if (resolved.isEmpty() || !there || !sameNode(*there, *here))
        return {};  // changed while it was resolved: not worth remembering
    const std::lock_guard lock(mutex);
    if (known.size() >= 64)
        known.clear();
    known.insert(folder, Known{resolved, *here});
    return resolved;
}

// resolvedPath for a path whose last part is no link: its folder resolved, then its name.
QString resolvedPathOfNoLink(const QString& path)
{
    const QString absolute = QDir::isAbsolutePath(path) ? path : QDir::currentPath() + u'/' + path;
    const qsizetype slash = absolute.lastIndexOf(u'/');
    const QString name = absolute.mid(slash + 1);
    if (name.isEmpty() || name == u"." || name == u"..")
        return resolvedPath(path);
    const QString folder = resolvedFolder(slash == 0 ? QStringLiteral("/") : absolute.left(slash));
    if (folder.isEmpty())
        return resolvedPath(path);
    return folder.endsWith(u'/') ? QString(folder + name) : QString(folder + u'/' + name);
}

// What a file system entry that is not a regular file is, for messages.
QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("no regular file");
}

Error notAFile(const QString& path, mode_t mode)
{
    return makeError(ErrorCode::FileReadFailed, QStringLiteral("%1 is not a file: it is %2").arg(path, kindOf(mode)));
}

}  // namespace

std::optional<FileStamp> stampOf(const QString& path)
{
    // The link itself first: a file that is no link (the usual case) needs no second look.
    struct stat entry {};
    if (path.isEmpty() || ::lstat(QFile::encodeName(path).constData(), &entry) != 0)
        return std::nullopt;
    const bool link = S_ISLNK(entry.st_mode);
    const auto st = link ? statOf(path) : std::optional<struct stat>(entry);
    if (!st || !S_ISREG(st->st_mode))
        return std::nullopt;
    FileStamp stamp;
    stamp.path = link ? resolvedPath(path) : resolvedPathOfNoLink(path);
    stamp.size = static_cast<std::int64_t>(st->st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st->st_mtim.tv_sec) * 1'000'000'000 + st->st_mtim.tv_nsec;
    stamp.changedNs = static_cast<std::int64_t>(st->st_ctim.tv_sec) * 1'000'000'000 + st->st_ctim.tv_nsec;
    stamp.device = static_cast<std::uint64_t>(st->st_dev);
    stamp.inode = static_cast<std::uint64_t>(st->st_ino);
    return stamp;
}

FileMatcher::FileMatcher(const QString& path) : path_(path)
{
    if (const auto st = path.isEmpty() ? std::nullopt : statOf(path)) {
        exists_ = true;
        device_ = static_cast<std::uint64_t>(st->st_dev);
        inode_ = static_cast<std::uint64_t>(st->st_ino);
    }
}

bool FileMatcher::matches(const QString& other) const
{
    if (path_.isEmpty() || other.isEmpty())
        return false;
    const auto st = statOf(other);
    if (exists_ && st)
        return device_ == static_cast<std::uint64_t>(st->st_dev) && inode_ == static_cast<std::uint64_t>(st->st_ino);
    if (exists_ || st)
        return false;
    return resolvedPath(path_) == resolvedPath(other);
}

bool sameFile(const QString& a, const QString& b) { return FileMatcher(a).matches(b); }

std::optional<QByteArray> readFileStart(const QString& path, qint64 length, std::optional<std::uint8_t>* lastByte)
{
    // O_NONBLOCK: should a pipe have taken the file's place, opening it does not wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::optional<QByteArray> start;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        QByteArray bytes(static_cast<qsizetype>(std::min<qint64>(length, st.st_size)), Qt::Uninitialized);
        qsizetype have = 0;
        while (have < bytes.size()) {
            const ssize_t got = ::pread(fd, bytes.data() + have, static_cast<std::size_t>(bytes.size() - have), have);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            have += got;
        }
        bytes.truncate(have);
        start = std::move(bytes);
        if (lastByte) {
            std::uint8_t last = 0;
            ssize_t got = 0;
            while (st.st_size > 0 && (got = ::pread(fd, &last, 1, st.st_size - 1)) < 0 && errno == EINTR) {
            }
            *lastByte = got == 1 ? std::optional<std::uint8_t>(last) : std::nullopt;
        }
    }
    ::close(fd);
    return start;
}

std::optional<Error> notAFileError(const QString& path)
{
    const auto st = statOf(path);
    if (!st || S_ISREG(st->st_mode))
        return std::nullopt;
    return notAFile(path, st->st_mode);
}

Status openRegularFile(QFile& file, const QString& path)
{
    if (const auto st = statOf(path); !st)
        return makeError(ErrorCode::FileNotFound, QStringLiteral("File not found: %1").arg(path));
    else if (!S_ISREG(st->st_mode))
        return notAFile(path, st->st_mode);
    // O_NONBLOCK: should a pipe have taken the file's place since, opening it does not wait for a
    // writer; the descriptor's own type is checked once more below.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return makeError(error == ENOENT ? ErrorCode::FileNotFound : ErrorCode::FileReadFailed,
                         QStringLiteral("Cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(error))));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return notAFile(path, st.st_mode);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.close();
    file.setFileName(path);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return makeError(ErrorCode::FileReadFailed, QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    }
    return {};
}

}  // namespace pictoreel
