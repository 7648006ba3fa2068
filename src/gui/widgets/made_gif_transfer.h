// Handing a made animation on to other programs: on the clipboard and by dragging, both as the
// file's bytes under its picture type (image/gif for a GIF, so a chat or a browser text box takes
// the animation, not a still picture) and as the file (text/uri-list, for file managers).
#pragma once

#include <QString>

#include <functional>

class QMimeData;
class QWidget;

namespace pictoreel {

// The bytes and the URL of `file`; nullptr when it cannot be read.
QMimeData* madeGifMimeData(const QString& file);

// Puts `file` on the clipboard; false when it cannot be read.
bool copyMadeGif(const QString& file);

// Lets `widget` hand on the file `madeFile` names at the time (nothing while it names none or
// one that is not there): dragging with the left button starts a drag of it, and its context menu
// offers "Copy GIF" (the action `mnuCopyGif`).
void offerMadeGif(QWidget* widget, std::function<QString()> madeFile);

}  // namespace pictoreel
