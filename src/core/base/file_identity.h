// What the file system says about a file without reading it: enough to tell whether a file is
// still the one seen before (an edit changes its size or modification time; a save by rename
// changes its inode), and whether two paths name the same file.
#pragma once

#include "core/base/error.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <optional>

namespace pictoreel {

struct FileStamp {
    QString path;  // absolute, symlinks resolved
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;  // modification time, nanoseconds since the epoch
    // When the file (its data or what is said about it) last changed, which, unlike the
    // modification time, no program can set back: a file rewritten in place and given its old
    // modification time again still shows the rewrite here.
    std::int64_t changedNs = 0;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of a regular file (following symlinks), or nothing when there is none at `path`.
std::optional<FileStamp> stampOf(const QString& path);

// One path compared with many (sameFile with the first path looked at once): matches(b) is
// sameFile(path, b).
class FileMatcher {
public:
    explicit FileMatcher(const QString& path);
    bool matches(const QString& other) const;

private:
    QString path_;
    bool exists_ = false;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
};

// True when `a` and `b` name one existing file (the same device and inode: a symlink, a hard
// link or another spelling of the path all count), or, when either does not exist yet, the same
// absolute path after resolving the folders that do exist.
bool sameFile(const QString& a, const QString& b);

// Opens `path` for reading as `file` when it names a regular file (through symlinks). Anything
// else is refused at once with a message that says what it is: a folder, a named pipe, a device,
// a socket. Opening never waits, even for a pipe with no writer. FileNotFound when nothing is
// there, FileReadFailed when it is no file or cannot be opened.
Status openRegularFile(QFile& file, const QString& path);

// The first `length` bytes of the regular file at `path` (all of it when shorter), or nothing when
// there is no regular file or it cannot be opened. Never waits, even for a pipe with no writer.
// With `lastByte`, the file's last byte goes there too (nothing when the file is empty).
std::optional<QByteArray> readFileStart(const QString& path, qint64 length,
                                        std::optional<std::uint8_t>* lastByte = nullptr);

// Why `path` is no input file, as openRegularFile would say it, or nothing when it is a regular
// file or does not exist. For callers that read through a library of their own.
std::optional<Error> notAFileError(const QString& path);

}  // namespace pictoreel
