// A file that replaces its target only once it is complete: written under a temporary name in
// the target's folder and renamed over the target by commit(). Until then the target is left as
// it was; a ReplacingFile destroyed without commit() removes its temporary file.
//
// Unlike QSaveFile it does not wait for the disk before renaming (no fsync): a program that
// crashes or is killed never leaves a half-written file under the target's name, which is what
// the frame cache and the made GIFs need, and a make does not stall on dozens of disk flushes.
// Against power loss the rename-over-an-old-file order is kept by the usual Linux file systems.
//
// The temporary file is hidden, "." + the target's name + ".pictoreel-" + a random part, and
// locked (flock) for as long as it is written. A program killed while writing leaves it behind;
// a later open() for the same target removes such leftovers, but only those no live writer holds
// locked. (open() reads a folder for leftovers at its first write there and again every few
// seconds, not at every write.)
//
// Write failures are told as the system tells them ("No space left on device", "Disk quota
// exceeded"), never as an unknown error.
#pragma once

#include "core/base/error.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>

namespace pictoreel {

class ReplacingFile {
public:
    explicit ReplacingFile(QString targetPath);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Removes the stale temporary files of earlier writers of the target, then creates and locks
    // the temporary file (permissions as a new file would get, or the target's own when it
    // exists). False when the folder cannot be written, or the target is read-only.
    bool open();
    // The open temporary file, unbuffered, for callers that hand its descriptor on. Bytes go
    // through write() otherwise.
    QFile& device() { return temp_; }
    // Appends bytes (buffered). False once a write has failed; errorString() then says why.
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // Writes what is buffered, closes the temporary file and renames it over the target. False
    // (and the temporary file removed) when a write failed or the rename did.
    bool commit();
    // Drops the temporary file; the target stays as it was.
    void cancel();

    const QString& targetPath() const { return target_; }
    // The temporary file's path while it is open; empty otherwise.
    const QString& temporaryPath() const { return tempPath_; }
    QString errorString() const { return error_.isEmpty() ? temp_.errorString() : error_; }
    // Whether a write() has failed since open().
    bool writeFailed() const { return open_ && !error_.isEmpty(); }

    // Removes the temporary files that writers of `targetPath` left behind and that no live
    // writer holds; returns how many. open() does this itself.
    static int removeStaleTemporaries(const QString& targetPath);

private:
    bool flushBuffer();

    QString target_;
    QString tempPath_;
    QFile temp_;
    QByteArray buffer_;
    QString error_;
    bool open_ = false;
};

// Writes `bytes` to `path` through a ReplacingFile, so a failed write never leaves a
// half-written file under that name.
Status writeFileAtomically(const QString& path, const QByteArray& bytes);

}  // namespace pictoreel
