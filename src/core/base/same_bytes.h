// Whether a file already holds exactly the bytes another one does: a copy that would change
// nothing need not be made.
#pragma once

#include <QString>

#include <cstdint>

namespace pictoreel {

// True when `path` names a regular file itself (not a symlink) of `size` bytes, and they are the
// first `size` bytes of the open file `fd`. False when it differs, cannot be read, or anything
// else is there.
bool holdsSameBytes(int fd, std::int64_t size, const QString& path);

}  // namespace pictoreel
