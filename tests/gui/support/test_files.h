// Files the window tests make and read: plain files, and animated GIFs of flat-coloured frames
// written with the program's own assembler.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

namespace pictoreel::testing {

// Writes `contents` to `file`, replacing it; fails the test when it cannot.
void writeFile(const QString& file, const QByteArray& contents = "x");
QByteArray readFile(const QString& path);  // empty when it cannot be read
QString readTextFile(const QString& path);

// The colour of frame k of writeFlatGif: eight different ones, then round again.
QColor flatColour(int frame);

// An animated GIF of `size`, one frame per delay (centiseconds), frame k all in flatColour(k).
// No loop count writes no loop block.
QString writeFlatGif(const QString& file, QSize size, const std::vector<int>& delays, std::optional<int> loops = 0);

}  // namespace pictoreel::testing
