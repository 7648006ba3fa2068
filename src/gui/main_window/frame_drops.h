// Files dropped on the main window or its frame list: which drags are taken and what a drop
// holds. The window's handling of a drop is in main_window_drops.cpp.
#pragma once

#include <QString>
#include <QStringList>

class QDropEvent;
class QMimeData;

namespace pictoreel {

// The local files and folders a drag carries; empty when it carries none, or anything else
// besides (a web address, text alone).
QStringList droppedLocalFiles(const QMimeData* data);

// Names as a person reads them ("Frame_2" before "Frame_10"): runs of digits by their value,
// letters without case.
bool naturalLess(const QString& a, const QString& b);

// What a drop of files holds, in the order of its files.
struct DroppedFiles {
    QString project;       // the first project (.agp), which opens in place of everything else
    QString video;         // the first video, whose frames "Add Video Frames ..." adds
    // The first animated GIF, WebP or PNG, whose frames "Import Animation Frames ..." adds.
    QString animation;
    // The pictures among the files, each folder's in its place, in natural name order
    // ("Frame_2" before "Frame_10") and without its subfolders.
    QStringList pictures;

    bool holdsMedia() const { return !pictures.isEmpty() || !video.isEmpty() || !animation.isEmpty(); }
};
DroppedFiles sortDroppedFiles(const QStringList& paths);

// Takes a drag of local files as a copy, the files staying where they are; refuses any other,
// and every drag while `busy`. Returns whether it took the drag.
bool takeFileDrag(QDropEvent* event, bool busy);

}  // namespace pictoreel
