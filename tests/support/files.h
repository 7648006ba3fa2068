// Reading and writing whole files in tests. Header-only, so every test program can use it.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace pictoreel::testing {

inline QByteArray fileContents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The lines of a table file (a data file the tests read case by case), without its blank lines and
// its comments (lines starting with '#'). A table that is missing or empty fails the test.
inline QStringList tableLines(const QString& path)
{
    QStringList lines;
    for (const QString& line : QString::fromUtf8(fileContents(path)).split(u'\n'))
        if (!line.trimmed().isEmpty() && !line.startsWith(u'#'))
            lines << line;
    EXPECT_FALSE(lines.isEmpty()) << path.toStdString();
    return lines;
}

// Replaces the file with `bytes`; returns false when it cannot.
inline bool writeFileContents(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Moves the file's modification time `seconds` on, as a later edit would: file times advance in
// clock ticks, so two writes in quick succession may otherwise share one.
inline bool moveModifiedOn(const QString& path, int seconds = 2)
{
    QFile f(path);
    return f.open(QIODevice::ReadWrite) &&
           f.setFileTime(f.fileTime(QFileDevice::FileModificationTime).addSecs(seconds), QFileDevice::FileModificationTime);
}

// While it lives, no file this process writes grows beyond `bytes`: a write past that fails
// (EFBIG) part way, as on a full disk, without a disk to fill.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : signal_(std::signal(SIGXFSZ, SIG_IGN))
    {
        ok_ = ::getrlimit(RLIMIT_FSIZE, &was_) == 0;
        rlimit small = was_;
        small.rlim_cur = bytes;
        ok_ = ok_ && ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &was_);
        std::signal(SIGXFSZ, signal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool ok() const { return ok_; }

private:
    rlimit was_{};
    void (*signal_)(int);
    bool ok_ = false;
};

}  // namespace pictoreel::testing
