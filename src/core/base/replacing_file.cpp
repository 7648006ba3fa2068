#include "core/base/replacing_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>

#include <mutex>
#include <optional>
#include <vector>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictoreel {

namespace {

// What comes between the target's name and the random part of a temporary file's name.
constexpr auto kTemporaryInfix = ".pictoreel-";
constexpr qsizetype kBufferBytes = 64 * 1024;

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// "." + the target's name + the infix; a name too long to leave room for the random part within
// the 255 bytes of a file name is cut (whole characters) as far as needed.
QString temporaryPrefix(const QFileInfo& target)
{
    constexpr qsizetype kRoom = 255 - 1 - 11 - 7;  // ".", the infix, the random part
    QString name = target.fileName();
    while (QFile::encodeName(name).size() > kRoom) {
        name.chop(1);
        if (!name.isEmpty() && name.back().isHighSurrogate())
            name.chop(1);
    }
    return QStringLiteral(".") + name + QLatin1String(kTemporaryInfix);
}

// Creates `name` exclusively, with `mode` when given (else 0666 less the umask), already holding
// an exclusive lock on it when it appears under its name, so that removeStaleTemporaries() never
// takes it for a leftover. -1 with errno set on failure (EEXIST: the name is taken).
int createLocked(const QString& folder, const QString& name, std::optional<mode_t> mode)
{
    const QByteArray path = QFile::encodeName(name);
    // An unnamed file in the folder, locked, then linked under its name.
    int fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::flock(fd, LOCK_EX);
        if (mode)
            ::fchmod(fd, *mode);
        char procPath[64];
        std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
        if (::linkat(AT_FDCWD, procPath, AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) == 0)
            return fd;
        const int error = errno;
        ::close(fd);
        if (error != ENOENT && error != EPERM && error != EACCES) {
            errno = error;
            return -1;
        }
        // No /proc to link through: the plain way below.
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        return -1;
    }
    // File systems without unnamed files: created, then locked at once.
    fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    ::flock(fd, LOCK_EX | LOCK_NB);
    if (mode)
        ::fchmod(fd, *mode);
    return fd;
}

// Writes all of `size` bytes; the errno of the failure otherwise (ENOSPC for a full disk, also
// when the disk fills in the middle of a write).
int writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<std::size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        data += n;
        size -= n;
    }
    return 0;
}

}  // namespace

ReplacingFile::ReplacingFile(QString targetPath) : target_(std::move(targetPath)) {}

ReplacingFile::~ReplacingFile() { cancel(); }

namespace {

// Removes `name` of the folder when it is a plain file of this process's user, not a link, that
// no live writer holds locked; checked on the open file and again by name before it goes, so
// nothing that took the name meanwhile is removed.
bool removeIfStale(int dirFd, const char* name)
{
    const int fd = ::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat opened {}, named {};
    const bool removed = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid() &&
                         ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&  // a live writer holds its file locked
                         ::fstatat(dirFd, name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev &&
                         named.st_ino == opened.st_ino && ::unlinkat(dirFd, name, 0) == 0;
    ::close(fd);
    return removed;
}

// The names in `folder` that start with `prefix` and go on after it.
std::vector<QByteArray> namesStartingWith(const QByteArray& folder, const QByteArray& prefix)
{
    std::vector<QByteArray> names;
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strncmp(name, prefix.constData(), static_cast<std::size_t>(prefix.size())) == 0 &&
            name[prefix.size()] != '\0')
            names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

int removeStaleOf(const QByteArray& folder, const std::vector<QByteArray>& names)
{
    if (names.empty())
        return 0;
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return 0;
    int removed = 0;
    for (const QByteArray& name : names)
        removed += removeIfStale(dirFd, name.constData()) ? 1 : 0;
    ::close(dirFd);
    return removed;
}

// What open() knows of the leftovers in each folder: a folder is read once in a while, not at
// every write (a make writes thousands of files into one folder). Leftovers of a writer killed
// meanwhile are found at the next reading.
class LeftoverIndex {
public:
    void removeStaleFor(const QFileInfo& target)
    {
        const QByteArray folder = QFile::encodeName(target.absolutePath());
        const QByteArray prefix = QFile::encodeName(temporaryPrefix(target));
        std::vector<QByteArray> mine;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            Folder& known = folders_[folder];
            if (!known.read.isValid() || known.read.hasExpired(kRereadMilliseconds)) {
                known.names = namesStartingWith(folder, QByteArray("."));
                std::erase_if(known.names, [](const QByteArray& name) { return !name.contains(kTemporaryInfix); });
                known.read.start();
            }
            std::erase_if(known.names, [&](const QByteArray& name) {
                if (!name.startsWith(prefix))
                    return false;
                mine.push_back(name);
                return true;
            });
        }
        removeStaleOf(folder, mine);
    }

private:
    static constexpr qint64 kRereadMilliseconds = 10000;
    struct Folder {
        QElapsedTimer read;
        std::vector<QByteArray> names;
    };
    std::mutex mutex_;
    QHash<QByteArray, Folder> folders_;
};

LeftoverIndex& leftovers()
{
    static LeftoverIndex index;
    return index;
}

}  // namespace

int ReplacingFile::removeStaleTemporaries(const QString& targetPath)
{
    const QFileInfo target(targetPath);
    const QByteArray folder = QFile::encodeName(target.absolutePath());
    return removeStaleOf(folder, namesStartingWith(folder, QFile::encodeName(temporaryPrefix(target))));
}

bool ReplacingFile::open()
{
    cancel();
    error_.clear();
    buffer_.clear();
    const QFileInfo target(target_);
    struct stat existing {};
    const bool replaces = ::stat(QFile::encodeName(target_).constData(), &existing) == 0;
    if (replaces && !S_ISREG(existing.st_mode)) {
        error_ = QStringLiteral("It is not a file");
        return false;
    }
    // A file made read-only is kept as it is, even by a user whom the folder lets replace it.
    if (replaces && ((existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
                     ::access(QFile::encodeName(target_).constData(), W_OK) != 0)) {
        error_ = QStringLiteral("It is read-only; it is not written over");
        return false;
    }
    leftovers().removeStaleFor(target);
    const std::optional<mode_t> mode = replaces ? std::optional<mode_t>(existing.st_mode & 07777) : std::nullopt;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = target.absolutePath() + u'/' + temporaryPrefix(target) +
                             QString::number(QRandomGenerator::global()->generate(), 36);
        const int fd = createLocked(target.absolutePath(), name, mode);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            error_ = systemError(errno);
            return false;
        }
        tempPath_ = name;
        if (!temp_.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            ::unlink(QFile::encodeName(name).constData());
            tempPath_.clear();
            return false;
        }
        open_ = true;
        return true;
    }
    error_ = QStringLiteral("No free temporary name");
    return false;
}

bool ReplacingFile::flushBuffer()
{
    if (!error_.isEmpty())
        return false;
    const int error = writeAll(temp_.handle(), buffer_.constData(), buffer_.size());
    buffer_.clear();
    if (error != 0)
        error_ = systemError(error);
    return error == 0;
}

bool ReplacingFile::write(const char* data, qint64 size)
{
    if (!open_ || !error_.isEmpty())
        return false;
    if (buffer_.size() + size <= kBufferBytes) {
        buffer_.append(data, static_cast<qsizetype>(size));
        return true;
    }
    if (!flushBuffer())
        return false;
    if (size <= kBufferBytes) {
        buffer_.append(data, static_cast<qsizetype>(size));
        return true;
    }
    if (const int error = writeAll(temp_.handle(), data, static_cast<qsizetype>(size)); error != 0) {
        error_ = systemError(error);
        return false;
    }
    return true;
}

bool ReplacingFile::commit()
{
    if (!open_)
        return false;
    const bool written = flushBuffer() && temp_.error() == QFileDevice::NoError;
    const QString failure = errorString();
    if (!written) {
        error_ = failure;
        cancel();
        return false;
    }
    if (std::rename(QFile::encodeName(tempPath_).constData(), QFile::encodeName(target_).constData()) != 0) {
        error_ = systemError(errno);
        cancel();
        return false;
    }
    temp_.close();  // only now: the lock goes with it
    tempPath_.clear();
    open_ = false;
    return true;
}

void ReplacingFile::cancel()
{
    if (!open_)
        return;
    ::unlink(QFile::encodeName(tempPath_).constData());
    temp_.close();
    buffer_.clear();
    tempPath_.clear();
    open_ = false;
}

Status writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    ReplacingFile file(path);
    if (!file.open() || !file.write(bytes) || !file.commit())
        return makeError(ErrorCode::FileWriteFailed,
                         QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString()));
    return Status::success();
}

}  // namespace pictoreel
