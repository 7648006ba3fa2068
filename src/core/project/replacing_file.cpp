#include "core/project/replacing_file.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictoreel {

namespace {

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

}  // namespace

ReplacingFile::ReplacingFile(QString targetPath) : target_(std::move(targetPath)) {}

ReplacingFile::~ReplacingFile() { cancel(); }

bool ReplacingFile::open()
{
    cancel();
    error_.clear();
    const QFileInfo target(target_);
    struct stat existing {};
    const bool replaces = ::stat(QFile::encodeName(target_).constData(), &existing) == 0;
    if (replaces && !S_ISREG(existing.st_mode)) {
        error_ = QStringLiteral("It is not a file");
        return false;
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = target.absolutePath() + QStringLiteral("/.") + target.fileName() + u'.' +
                             QString::number(QRandomGenerator::global()->generate(), 36);
        // 0666 less the umask, as any new file; O_EXCL so nothing else's file is ever taken over.
        const int fd = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            error_ = systemError();
            return false;
        }
        if (replaces)
            ::fchmod(fd, existing.st_mode & 07777);
        tempPath_ = name;
        if (!temp_.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            ::unlink(QFile::encodeName(name).constData());
            return false;
        }
        open_ = true;
        return true;
    }
    error_ = QStringLiteral("No free temporary name");
    return false;
}

bool ReplacingFile::commit()
{
    if (!open_)
        return false;
    const bool written = temp_.error() == QFileDevice::NoError && temp_.flush();
    const QString failure = temp_.errorString();
    temp_.close();
    if (!written) {
        error_ = failure;
        cancel();
        return false;
    }
    if (std::rename(QFile::encodeName(tempPath_).constData(), QFile::encodeName(target_).constData()) != 0) {
        error_ = systemError();
        cancel();
        return false;
    }
    open_ = false;
    return true;
}

void ReplacingFile::cancel()
{
    if (!open_)
        return;
    temp_.close();
    ::unlink(QFile::encodeName(tempPath_).constData());
    open_ = false;
}

}  // namespace pictoreel
