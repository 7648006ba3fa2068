// What the file system says about a file without reading it: enough to tell whether a file is
// still the one seen before (an edit changes its size or modification time; a save by rename
// changes its inode), and whether two paths name the same file.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace pictoreel {

struct FileStamp {
    QString path;  // absolute, symlinks resolved
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;  // modification time, nanoseconds since the epoch
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of a regular file (following symlinks), or nothing when there is none at `path`.
std::optional<FileStamp> stampOf(const QString& path);

// True when `a` and `b` name one existing file (the same device and inode: a symlink, a hard
// link or another spelling of the path all count), or, when either does not exist yet, the same
// absolute path after resolving the folders that do exist.
bool sameFile(const QString& a, const QString& b);

}  // namespace pictoreel
