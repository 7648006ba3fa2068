#include "core/base/file_identity.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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
    const auto st = statOf(path);
    if (!st || !S_ISREG(st->st_mode))
        return std::nullopt;
    FileStamp stamp;
    stamp.path = resolvedPath(path);
    stamp.size = static_cast<std::int64_t>(st->st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st->st_mtim.tv_sec) * 1'000'000'000 + st->st_mtim.tv_nsec;
    stamp.device = static_cast<std::uint64_t>(st->st_dev);
    stamp.inode = static_cast<std::uint64_t>(st->st_ino);
    return stamp;
}

bool sameFile(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return false;
    const auto sa = statOf(a);
    const auto sb = statOf(b);
    if (sa && sb)
        return sa->st_dev == sb->st_dev && sa->st_ino == sb->st_ino;
    if (sa || sb)
        return false;
    return resolvedPath(a) == resolvedPath(b);
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
