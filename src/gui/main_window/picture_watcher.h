// Notices when the frames' pictures may have changed on disk while the window is open: the
// folders that hold them are watched (a file deleted, renamed, replaced or added there), and the
// program coming back to the front counts too (a picture edited in place in another program). The
// reaction (`changed`) comes once for a burst of changes, a moment after the last one.
#pragma once

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <functional>

class QFileSystemWatcher;

namespace pictoreel {

class FrameList;

class PictureWatcher final : public QObject {
    Q_OBJECT
public:
    PictureWatcher(const FrameList& frames, std::function<void()> changed, QObject* parent = nullptr);

    // The list's rows have changed: the folders watched follow (a moment later, once for a burst).
    void rowsChanged();
    QStringList watchedFolders() const;

private:
    void watchFolders();

    const FrameList& frames_;
    std::function<void()> changed_;
    QFileSystemWatcher* watcher_;
    QSet<QString> folders_;
    QTimer changedLater_;
    QTimer foldersLater_;
};

}  // namespace pictoreel
