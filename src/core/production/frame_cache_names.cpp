#include "core/production/frame_cache_names.h"

#include "core/project/paths.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace pictoreel {

QString GetFramePicturePath(const FrameList& frames, int index)
{
    const QString folder = frames.GetFrameFullPath(index).trimmed();
    const QString name = frames.GetFrameFileName(index).trimmed();
    if (folder.isEmpty())
        return name;
    if (name.isEmpty())
        return QString();
    return joinPath(folder, name);
}

QString GetFrameCacheFile(const FrameList& frames, int index, const QString& tempFolder,
                          const QString& widthText, const QString& heightText)
{
    const bool transparent = frames.GetFrameTrans(index);
    const std::int32_t colour = frames.GetFrameTransColor(index).value_or(kWhite);
    return tempFolder + QLatin1String(kTempGifPrefix) + frames.GetFrameFileName(index) + QStringLiteral("_t_") +
           (transparent ? QStringLiteral("True") : QStringLiteral("False")) + QStringLiteral("_c_") +
           QString::number(colour) + QStringLiteral("_w_") + widthText + QStringLiteral("_h_") + heightText +
           QStringLiteral("__.gif");
}

int deleteTempGifs(const QString& tempFolder)
{
    QDir folder(tempFolder);
    if (tempFolder.isEmpty() || !folder.exists())
        return 0;
    // Only the program's own files: plain files named "__tmp__*.gif" in any letter case. A
    // symlink of such a name stays, and so does whatever it points to; so do folders, pipes
    // and devices.
    folder.setNameFilters({QLatin1String(kTempGifPrefix) + QStringLiteral("*.gif")});
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
    return deleted;
}

}  // namespace pictoreel
