#include "gui/main_window/picture_watcher.h"

#include "core/project/frame_list.h"
#include "core/project/frame_values.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGuiApplication>

namespace pictoreel {

namespace {

constexpr int kSettleMilliseconds = 300;

}  // namespace

PictureWatcher::PictureWatcher(const FrameList& frames, std::function<void()> changed, QObject* parent)
    : QObject(parent), frames_(frames), changed_(std::move(changed)), watcher_(new QFileSystemWatcher(this))
{
    for (QTimer* timer : {&changedLater_, &foldersLater_}) {
        timer->setSingleShot(true);
        timer->setInterval(kSettleMilliseconds);
    }
    connect(&changedLater_, &QTimer::timeout, this, [this] { changed_(); });
    connect(&foldersLater_, &QTimer::timeout, this, &PictureWatcher::watchFolders);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, &changedLater_, qOverload<>(&QTimer::start));
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                changedLater_.start();
        });
}

void PictureWatcher::rowsChanged() { foldersLater_.start(); }

QStringList PictureWatcher::watchedFolders() const { return watcher_->directories(); }

void PictureWatcher::watchFolders()
{
    QSet<QString> wanted;
    QString last;  // rows of one folder usually follow each other: each is looked at once
    for (int row = 1; row <= frames_.rowCount(); ++row) {
        const QString picture = GetFramePicturePath(frames_, row);
        if (picture.isEmpty())
            continue;
        const QString folder = QFileInfo(picture).absolutePath();
        if (folder != last)
            wanted.insert(last = folder);
    }
    QStringList gone, added;
    for (const QString& folder : std::as_const(folders_))
        if (!wanted.contains(folder))
            gone.append(folder);
    for (const QString& folder : std::as_const(wanted))
        if (!folders_.contains(folder) && QFileInfo(folder).isDir())
            added.append(folder);
    if (!gone.isEmpty())
        watcher_->removePaths(gone);
    if (!added.isEmpty())
        watcher_->addPaths(added);
    // Folders not there yet are looked for again at the next change of the rows.
    const QStringList watched = watcher_->directories();
    folders_ = QSet<QString>(watched.begin(), watched.end());
}

}  // namespace pictoreel
