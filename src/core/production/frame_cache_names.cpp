#include "core/production/frame_cache_names.h"

#include "core/base/replacing_file.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <ctime>
#include <limits>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pictoreel {

QString GetFrameCacheFile(const FrameValues& frame, const FrameSize& size, const QString& tempFolder, const FrameStyle& style,
                          const QString& shapingTag)
{
    return tempFolder + safeCacheFileName(QLatin1String(kTempGifPrefix) + frame.fileName + QStringLiteral("_t_") +
                                          (frame.transparent ? QStringLiteral("True") : QStringLiteral("False")) +
                                          QStringLiteral("_c_") + QString::number(frame.colour()) + QStringLiteral("_w_") +
                                          size.widthText + QStringLiteral("_h_") + size.heightText + frameStyleTag(style) +
                                          shapingTag + QStringLiteral("__.gif"));
}

QString safeCacheFileName(const QString& name)
{
    const bool oneName = !name.contains(u'/') && !name.contains(QChar(0));
    if (oneName && QFile::encodeName(name).size() <= kMaxCacheNameBytes)
        return name;
    const QLatin1String prefix(kTempGifPrefix);
    const QString end = QStringLiteral("_x_") +
                        QString::fromLatin1(QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex().left(16)) +
                        QStringLiteral("__.gif");
    QString middle = name;
    if (middle.startsWith(prefix))
        middle.remove(0, prefix.size());
    if (middle.endsWith(QStringLiteral("__.gif")))
        middle.chop(6);
    middle.replace(u'/', u'_').replace(QChar(0), u'_');
    // Whole characters only, as many as fit.
    const qsizetype room = kMaxCacheNameBytes - prefix.size() - end.size();
    while (QFile::encodeName(middle).size() > room) {
        middle.chop(1);
        if (!middle.isEmpty() && middle.back().isHighSurrogate())
            middle.chop(1);
    }
    return prefix + middle + end;
}

int deleteTempGifs(const QString& tempFolder)
{
    QDir folder(tempFolder);
    if (tempFolder.isEmpty() || !folder.exists())
        return 0;
    // Only the program's own files: plain files named "__tmp__*.gif" in any letter case, and the
    // kept WebP and PNG animations ("__tmp__animation_*.webp", ".png"). A symlink of such a name
    // stays, and so does whatever it points to; so do folders, pipes and devices.
    const QString prefix = QLatin1String(kTempGifPrefix), animations = prefix + QStringLiteral("animation_*");
    folder.setNameFilters({prefix + QStringLiteral("*.gif"), animations + QStringLiteral(".webp"),
                           animations + QStringLiteral(".png")});
    folder.setFilter(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    int deleted = 0;
    for (const QString& name : folder.entryList()) {
        const QByteArray path = QFile::encodeName(folder.filePath(name));
        // Looked at again just before: a name that has become a link or anything else meanwhile stays.
        struct stat st {};
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        if (::unlink(path.constData()) == 0)
            ++deleted;
    }
    // What interrupted writes of such files left: "." + such a name + ReplacingFile's own ending.
    for (const QString& ending : {QStringLiteral(".gif"), QStringLiteral(".webp"), QStringLiteral(".png")}) {
        folder.setNameFilters({u'.' + (ending == QLatin1String(".gif") ? prefix + u'*' : animations) + ending + QStringLiteral(".*")});
        for (const QString& name : folder.entryList()) {
            const qsizetype end = name.lastIndexOf(ending + u'.', -1, Qt::CaseInsensitive);
            ReplacingFile::removeStaleTemporaries(folder.filePath(name.mid(1, end + ending.size() - 1)));
        }
    }
    return deleted;
}

namespace {

constexpr const char* kRunFileKinds[] = {"making", "budget"};
// Younger files are left alone even when their process seems gone: one in another process
// namespace (a container sharing the folder) may still be at work.
constexpr qint64 kEndedRunSeconds = 3600;

// The process id in "[.]__tmp__KIND_PID_...", or 0.
qint64 runProcessOf(const QString& name, const QString& start)
{
    const qsizetype from = start.size(), end = name.indexOf(u'_', from);
    bool ok = false;
    const qint64 pid = end > from ? QStringView(name).mid(from, end - from).toLongLong(&ok) : 0;
    return ok && pid > 0 ? pid : 0;
}

}  // namespace

QString runFilePrefix(const QString& tempFolder, const char* kind)
{
    return tempFolder + QLatin1String(kTempGifPrefix) + QLatin1String(kind) + u'_' + QString::number(::getpid()) + u'_';
}

int removeFilesOfEndedRuns(const QString& tempFolder)
{
    QDir folder(tempFolder);
    if (tempFolder.isEmpty())
        return 0;
    folder.setFilter(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    const qint64 now = ::time(nullptr);
    int deleted = 0;
    for (const char* kind : kRunFileKinds) {
        const QString start = QLatin1String(kTempGifPrefix) + QLatin1String(kind) + u'_';
        folder.setNameFilters({start + u'*', u'.' + start + u'*'});
        for (const QString& name : folder.entryList()) {
            const bool hidden = name.startsWith(u'.');
            const qint64 pid = runProcessOf(name, hidden ? u'.' + start : start);
            if (pid == 0 || pid == ::getpid() || pid > std::numeric_limits<pid_t>::max() ||
                ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
                continue;
            // A hidden file a write went through goes at once when no writer holds it locked.
            const qsizetype written = name.indexOf(QLatin1String(".gif."));
            if (hidden && written > 0) {
                deleted += ReplacingFile::removeStaleTemporaries(folder.filePath(name.mid(1, written + 3)));
                continue;
            }
            const QByteArray path = QFile::encodeName(folder.filePath(name));
            struct stat st {};
            if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && now - st.st_mtime >= kEndedRunSeconds &&
                ::unlink(path.constData()) == 0)
                ++deleted;
        }
    }
    return deleted;
}

}  // namespace pictoreel
