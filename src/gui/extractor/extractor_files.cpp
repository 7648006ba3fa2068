#include "gui/extractor/extractor_files.h"

#include "core/project/paths.h"
#include "gui/dialogs/save_frames_request.h"

namespace pictoreel {

namespace {

QString underscored(const QString& entryText) { return QString(entryText).replace(u' ', u'_'); }

}  // namespace

QString frameEntryText(int index) { return QStringLiteral("Frame ") + QString::number(index); }

QString temporaryFrameFile(const QString& tempFolder, const QString& entryText)
{
    return withTrailingSeparator(tempFolder) + QStringLiteral("__tmp__extract__") + underscored(entryText)
           + QStringLiteral(".bmp");
}

QString checkedFrameOutputFile(const QString& folder, const QString& entryText, int format)
{
    return withTrailingSeparator(folder) + underscored(entryText) + formatExtension(format);
}

int progressPercent(long long done, long long total)
{
    if (total <= 0)
        return 0;
    const long long scaled = 100 * done;
    long long percent = scaled / total;
    const long long twiceRest = 2 * (scaled % total);
    if (twiceRest > total || (twiceRest == total && percent % 2 != 0))
        ++percent;
    return static_cast<int>(percent);
}

}  // namespace pictoreel
