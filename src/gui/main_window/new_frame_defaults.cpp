#include "gui/main_window/new_frame_defaults.h"

#include "core/project/settings_store.h"

namespace pictoreel {

namespace {

const QString kSection = QStringLiteral("New Frames");
const QString kTransparent = QStringLiteral("Transparent");

}  // namespace

NewFrameValues newFrameValues(const QString& settingsFile)
{
    NewFrameValues values;
    const QString kept = ReadIniKey(kSection, kTransparent, QString(), settingsFile).trimmed();
    if (!kept.isEmpty())
        values.transparent = kept != u'0';
    return values;
}

void rememberNewFramesTransparent(bool transparent, const QString& settingsFile)
{
    WriteIniKey(kSection, kTransparent, transparent ? QStringLiteral("1") : QStringLiteral("0"), settingsFile);
}

}  // namespace pictoreel
