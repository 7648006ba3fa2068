#include "core/production/output_placement.h"

#include "core/production/animation_cache.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace pictoreel {

Error makeCancelled() { return makeError(ErrorCode::Cancelled, QStringLiteral("The make was cancelled.")); }

Status placeOutput(const ReadyAnimation& ready, const QString& output, const std::function<bool()>& stopRequested,
                   const std::function<void(int)>& progress)
{
    const bool made = !ready.kept;
    if (stopRequested && stopRequested()) {
        if (made)
            QFile::remove(ready.file);
        return makeCancelled();
    }
    if (ready.kept || !ready.keepAs.isEmpty()) {
        const Status copied = copyCachedAnimation(ready.file, output, progress);
        if (made) {
            if (copied)
                adoptAnimation(ready.file, ready.keepAs);
            else
                QFile::remove(ready.file);
        }
        return copied;
    }
    // Renamed when on the same file system, else copied.
    if (const QFileInfo earlier(output); earlier.isFile())
        QFile::setPermissions(ready.file, earlier.permissions());
    if (std::rename(QFile::encodeName(ready.file).constData(), QFile::encodeName(output).constData()) == 0) {
        if (progress)
            progress(100);
        return {};
    }
    const Status copied = copyCachedAnimation(ready.file, output, progress);
    QFile::remove(ready.file);
    return copied;
}

}  // namespace pictoreel
