// The add-pictures dialog of File, "&Add Image Files ..." (and "&New Project ..."): the first
// time exactly as it always opened (the first file type, the platform's folder); from then on on
// the file type and folder it was last accepted with, kept in pictoreel.ini ([Add Image Files]
// "Folder" and "File Type", written once pictures were chosen). Files chosen together come back
// in natural name order ("Frame_2" before "Frame_10"), as a dropped folder's pictures do.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace pictoreel {

class Dialogs;

QStringList askForPictures(QWidget* parent, Dialogs& dialogs, const QString& filter, const QString& settingsFile);

}  // namespace pictoreel
