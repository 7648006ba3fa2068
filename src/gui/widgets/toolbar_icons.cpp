#include "gui/widgets/toolbar_icons.h"

#include <QFile>

// The resources live in a static library: the linker keeps them only when they are asked for.
static void initIconResources() { Q_INIT_RESOURCE(icons); }

namespace pictoreel {

namespace {

QIcon iconFromResource(const QString& path)
{
    static const bool initialised = (initIconResources(), true);
    (void)initialised;
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

}  // namespace

QIcon toolbarIcon(const QString& key)
{
    if (key.isEmpty() || key.contains(u'/') || key.contains(u'.'))
        return {};
    return iconFromResource(QStringLiteral(":/icons/toolbar/") + key + QStringLiteral(".svg"));
}

QIcon applicationIcon() { return iconFromResource(QStringLiteral(":/icons/org.example.Pictoreel.svg")); }

}  // namespace pictoreel
