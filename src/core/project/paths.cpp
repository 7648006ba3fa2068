#include "core/project/paths.h"

#include <QDir>
#include <QFileInfo>

namespace pictoreel {

qsizetype lastSeparatorIndex(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i)
        if (isPathSeparator(path[i]))
            return i;
    return -1;
}

QString FileNameOf(const QString& path)
{
    const qsizetype at = lastSeparatorIndex(path);
    return at < 0 ? path : path.mid(at + 1);
}

bool endsWithSeparator(const QString& path) { return !path.isEmpty() && isPathSeparator(path.back()); }

QString withTrailingSeparator(const QString& folder)
{
    return endsWithSeparator(folder) ? folder : folder + kPathSeparator;
}

QString joinPath(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || endsWithSeparator(folder))
        return folder + name;
    return folder + kPathSeparator + name;
}

QString ChangeFileExtension(const QString& path, const QString& oldExtension, const QString& newExtension)
{
    if (path.isEmpty())
        return {};
    const QString p = path.trimmed(), from = oldExtension.trimmed(), to = newExtension.trimmed();
    if (p.endsWith(from, Qt::CaseInsensitive))
        return p.left(p.size() - from.size()) + to;
    if (p.endsWith(to, Qt::CaseInsensitive))
        return p.left(p.size() - to.size()) + to;
    return p + to;
}

bool MakePath(const QString& path, const PathErrorReporter& report)
{
    // An absolute path keeps its root; everything else is walked part by part.
    QString accumulated;
    qsizetype start = 0;
    if (!path.isEmpty() && isPathSeparator(path[0])) {
        accumulated = kPathSeparator;
        while (start < path.size() && isPathSeparator(path[start]))
            ++start;
    }
    const QString rest = path.mid(start);
    qsizetype partBegin = 0;
    for (qsizetype i = 0; i <= rest.size(); ++i) {
        if (i < rest.size() && !isPathSeparator(rest[i]))
            continue;
        const QString part = rest.mid(partBegin, i - partBegin);
        partBegin = i + 1;
        if (part.trimmed().isEmpty())
            continue;
        accumulated += part + kPathSeparator;
        if (QFileInfo(accumulated).isDir())
            continue;
        if (!QDir().mkdir(accumulated) && !QFileInfo(accumulated).isDir()) {
            if (report)
                report(QStringLiteral("Create directory error: ") + path);
            return false;
        }
    }
    return true;
}

QString whyNoFolder(const QString& folder)
{
    QFileInfo at(QDir(folder).absolutePath());
    while (!at.exists() && !at.isSymLink() && !at.isRoot())
        at = QFileInfo(at.absolutePath());
    if (at.exists() && !at.isDir())
        return QStringLiteral("%1 is a file, not a folder").arg(at.filePath());
    if (at.isDir() && !at.isWritable())
        return QStringLiteral("no new folder can be made in %1").arg(at.filePath());
    return {};
}

}  // namespace pictoreel
