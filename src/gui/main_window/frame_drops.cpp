// What a drop of files on the main window holds, and which drags it takes.
#include "gui/main_window/frame_drops.h"

#include "core/formats/picture_formats.h"
#include "core/media/animation_frames_export.h"
#include "gui/converters/avi_to_gif_window.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace pictoreel {

namespace {

// The patterns of a "description|patterns|..." filter's entry, as case-blind wildcards.
QList<QRegularExpression> filterPatterns(const QString& filter, const QString& description)
{
    const QStringList parts = filter.split(u'|');
    const qsizetype at = parts.indexOf(description);
    QList<QRegularExpression> patterns;
    if (at >= 0 && at + 1 < parts.size())
        for (const QString& pattern : parts[at + 1].split(u';'))
            patterns.append(QRegularExpression::fromWildcard(pattern, Qt::CaseInsensitive));
    return patterns;
}

bool matchesAny(const QList<QRegularExpression>& patterns, const QString& name)
{
    return std::any_of(patterns.begin(), patterns.end(), [&](const QRegularExpression& p) { return p.match(name).hasMatch(); });
}

// The add dialog's rule: a picture is a file that "All Supported Image Files" shows.
bool isPictureName(const QString& name)
{
    static const QList<QRegularExpression> patterns = filterPatterns(pictureFilesFilter(), QStringLiteral("All Supported Image Files"));
    return matchesAny(patterns, name);
}

bool isVideoName(const QString& name)
{
    static const QString filter = QLatin1String(kVideoFilesFilter);
    static const QList<QRegularExpression> patterns = filterPatterns(filter, filter.section(u'|', 0, 0));
    return matchesAny(patterns, name);
}

QStringList folderPictures(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files, QDir::NoSort);
    names.removeIf([](const QString& name) { return !isPictureName(name); });
    std::sort(names.begin(), names.end(), naturalLess);
    QStringList paths;
    for (const QString& name : names)
        paths.append(QDir(folder).filePath(name));
    return paths;
}

}  // namespace

bool naturalLess(const QString& a, const QString& b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype si = i, sj = j;
            while (i < a.size() && a[i].isDigit())
                ++i;
            while (j < b.size() && b[j].isDigit())
                ++j;
            // Leading zeros aside, a longer run is a larger number; runs as long compare digit by digit.
            for (; si + 1 < i && a[si] == u'0'; ++si) {}
            for (; sj + 1 < j && b[sj] == u'0'; ++sj) {}
            const QStringView x = QStringView(a).mid(si, i - si), y = QStringView(b).mid(sj, j - sj);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (const int c = x.compare(y); c != 0)
                return c < 0;
            continue;
        }
        const QChar x = a[i++].toCaseFolded(), y = b[j++].toCaseFolded();
        if (x != y)
            return x < y;
    }
    if ((i < a.size()) != (j < b.size()))
        return i >= a.size();  // the shorter name first
    return a < b;
}

QStringList droppedLocalFiles(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        paths.append(url.toLocalFile());
    }
    return paths;
}

DroppedFiles sortDroppedFiles(const QStringList& paths)
{
    DroppedFiles dropped;
    for (const QString& path : paths) {
        const QFileInfo file(path);
        if (file.isDir()) {
            dropped.pictures += folderPictures(path);
        } else if (!file.isFile()) {
            continue;
        } else if (file.suffix().compare(QLatin1String("agp"), Qt::CaseInsensitive) == 0) {
            if (dropped.project.isEmpty())
                dropped.project = path;
        } else if (isVideoName(file.fileName())) {
            if (dropped.video.isEmpty())
                dropped.video = path;
        } else if (isPictureName(file.fileName()) && holdsAnimation(path)) {
            if (dropped.animation.isEmpty())
                dropped.animation = path;
        } else if (isPictureName(file.fileName())) {
            dropped.pictures.append(path);
        }
    }
    return dropped;
}

bool takeFileDrag(QDropEvent* event, bool busy)
{
    if (busy || !(event->possibleActions() & Qt::CopyAction) || droppedLocalFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

}  // namespace pictoreel
