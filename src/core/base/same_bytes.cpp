#include "core/base/same_bytes.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictoreel {

namespace {

// Reads `length` bytes at `offset`, or fewer only at the end of the file.
bool readFully(int fd, char* to, std::int64_t length, std::int64_t offset)
{
    while (length > 0) {
        const ssize_t got = ::pread(fd, to, static_cast<std::size_t>(length), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        to += got;
        offset += got;
        length -= got;
    }
    return true;
}

}  // namespace

bool holdsSameBytes(int fd, std::int64_t size, const QString& path)
{
    // O_NOFOLLOW: a symlink is no copy of its own. O_NONBLOCK: a pipe put there does not wait.
    const int other =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (other < 0)
        return false;
    struct stat st {};
    bool same = ::fstat(other, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == size;
    // Pieces of 64 KiB on the stack: a buffer of megabytes would cost more in first touches of
    // its pages than the system calls it saves.
    constexpr std::int64_t kPiece = 64 * 1024;
    char mine[kPiece], theirs[kPiece];
    for (std::int64_t at = 0; same && at < size; at += kPiece) {
        const std::int64_t length = std::min(kPiece, size - at);
        same = readFully(fd, mine, length, at) && readFully(other, theirs, length, at) &&
               std::memcmp(mine, theirs, static_cast<std::size_t>(length)) == 0;
    }
    ::close(other);
    return same;
}

}  // namespace pictoreel
