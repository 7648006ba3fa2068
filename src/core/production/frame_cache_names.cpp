#include "core/production/frame_cache_names.h"

#include "core/project/paths.h"

#include <QDir>
#include <QFile>

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
    folder.setNameFilters({QLatin1String(kTempGifPrefix) + QStringLiteral("*.gif")});
    folder.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    int deleted = 0;
    for (const QString& name : folder.entryList()) {
        if (QFile::remove(folder.filePath(name)))
            ++deleted;
    }
    return deleted;
}

}  // namespace pictoreel
