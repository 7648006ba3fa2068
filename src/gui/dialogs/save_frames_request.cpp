#include "gui/dialogs/save_frames_request.h"

#include "gui/app/dialogs.h"

namespace pictoreel {

const QStringList& saveFormatEntries()
{
    static const QStringList entries{QStringLiteral("GIF Files(*.gif)"), QStringLiteral("Bitmap Files(*.bmp)"),
                                     QStringLiteral("JPEG Files(*.jpg)")};
    return entries;
}

QString formatExtension(int format)
{
    switch (format) {
    case kFormatGif:
        return QStringLiteral(".gif");
    case kFormatBmp:
        return QStringLiteral(".bmp");
    case kFormatJpeg:
        return QStringLiteral(".jpg");
    default:
        return {};
    }
}

QString saveFileFilterFor(const QString& entry)
{
    return entry + u'|' + entry.right(6).remove(u')');
}

std::int16_t formatFromEntry(const QString& entry, std::int16_t current)
{
    std::int16_t format = current;
    if (entry.contains(QStringLiteral("*.gif"), Qt::CaseSensitive))
        format = kFormatGif;
    if (entry.contains(QStringLiteral("*.jpg"), Qt::CaseSensitive))
        format = kFormatJpeg;
    if (entry.contains(QStringLiteral("*.bmp"), Qt::CaseSensitive))
        format = kFormatBmp;
    return format;
}

QString BrowseForFolder(Dialogs& dialogs, QWidget* owner)
{
    return dialogs.browseForFolder(owner).value_or(QString());
}

}  // namespace pictoreel
