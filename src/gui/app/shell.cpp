#include "gui/app/shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>

namespace pictoreel {

bool DesktopShell::open(const QString& target)
{
    // Web and mail addresses carry a scheme; everything else is a path on this machine.
    const QUrl url(target);
    const bool isAddress = !url.scheme().isEmpty() && url.scheme().size() > 1;
    return QDesktopServices::openUrl(isAddress ? url : QUrl::fromLocalFile(QDir::fromNativeSeparators(target)));
}

}  // namespace pictoreel
