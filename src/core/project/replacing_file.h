// A file that replaces its target only once it is complete: written under a temporary name in
// the target's folder and renamed over the target by commit(). Until then the target is left as
// it was; a ReplacingFile destroyed without commit() removes its temporary file.
//
// Unlike QSaveFile it does not wait for the disk before renaming (no fsync): a program that
// crashes or is killed never leaves a half-written file under the target's name, which is what
// the frame cache and the made GIFs need, and a make does not stall on dozens of disk flushes.
// Against power loss the rename-over-an-old-file order is kept by the usual Linux file systems.
#pragma once

#include <QFile>
#include <QString>

namespace pictoreel {

class ReplacingFile {
public:
    explicit ReplacingFile(QString targetPath);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the temporary file (permissions as a new file would get, or the target's own when
    // it exists). False when the folder cannot be written.
    bool open();
    // The open temporary file, for writing.
    QFile& device() { return temp_; }
    bool write(const QByteArray& bytes) { return temp_.write(bytes) == bytes.size(); }
    // Closes the temporary file and renames it over the target. False (and the temporary file
    // removed) when a write failed or the rename did.
    bool commit();
    // Drops the temporary file; the target stays as it was.
    void cancel();

    const QString& targetPath() const { return target_; }
    QString errorString() const { return error_.isEmpty() ? temp_.errorString() : error_; }

private:
    QString target_;
    QString tempPath_;
    QFile temp_;
    QString error_;
    bool open_ = false;
};

}  // namespace pictoreel
