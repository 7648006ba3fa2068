#include "core/project/file_identity.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

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

}  // namespace pictoreel
