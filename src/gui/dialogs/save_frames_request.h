// The record through which the frames extractor and its save dialog talk: the extractor fills in
// what it wants (one file or one folder, the format shown first), the dialog fills in the
// answer, and the extractor reads it once the dialog has closed. Also the texts both sides build
// from it: the formats of the dialog's list, the save-file filter and the folder picked with
// the folder browser.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

class QWidget;

namespace pictoreel {

class Dialogs;

// Format codes: the position of the format in the dialog's list.
enum : std::int16_t { kFormatGif = 0, kFormatBmp = 1, kFormatJpeg = 2 };

struct SaveFramesRequest {
    bool SingleFrame = true;     // in: one output file (true) or one output folder (false)
    std::int16_t Format = kFormatGif;  // in: format shown first; out: chosen format
    QString FileName;            // out: the output file as typed or chosen (single-frame mode)
    QString Folder;              // out: the output folder as typed or chosen (folder mode)
    bool Cancelled = false;      // out: false only when the dialog was closed with OK
};

// "GIF Files(*.gif)", "Bitmap Files(*.bmp)", "JPEG Files(*.jpg)", in code order.
const QStringList& saveFormatEntries();

// ".gif", ".bmp" or ".jpg" for a format code; empty for any other code.
QString formatExtension(int format);

// The save-file filter for an entry of the format list: the entry, "|", and its last six
// characters without ")" ("GIF Files(*.gif)|*.gif").
QString saveFileFilterFor(const QString& entry);

// The format an entry of the format list names, by case-sensitive search for "*.gif", then
// "*.jpg", then "*.bmp", a later match winning; `current` when none is found.
std::int16_t formatFromEntry(const QString& entry, std::int16_t current);

// The shell's folder browser ("Please locate a directory"), owned by `owner`: the chosen folder
// as the browser gives it, or "" when the user cancelled.
QString BrowseForFolder(Dialogs& dialogs, QWidget* owner);

}  // namespace pictoreel
