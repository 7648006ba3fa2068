// Frames a project's reading leaves out. A project is read as exactly as many frame keys as its
// frame count says, so when one of those is missing (FRAME001, FRAME002, FRAME004 counted as 3),
// the frame keys numbered beyond the count that hold a frame are never read. A key beyond the
// count with no gap before it is not counted: an earlier save of a longer project leaves such keys
// behind. (Found where project files are read, project_file.cpp.)
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace pictoreel {

class IniDocument;

struct FrameKeyGap {
    int framesRead = 0;
    QStringList keysLeftOut;  // in the order of their numbers
};
std::optional<FrameKeyGap> findFrameKeyGap(const IniDocument& document);

// The warning for a project at `path` whose reading left frames out, or an empty text when it
// left none out: "demo.agp: 2 frames were read; 1 frame key after a gap in the numbers was left
// out (FRAME004)".
QString frameKeyGapWarning(const QString& path);

}  // namespace pictoreel
