// Project files (".agp"): INI text with the global values in "Global Properties" and one frame
// string per frame in "Frame Properties" ("FRAME001", "FRAME002", ... "FRAME1000", ...).
#pragma once

#include "core/project/frame_list.h"

#include <QString>

namespace pictoreel {

class IniDocument;

inline constexpr int kLoopUnticked = 0;
inline constexpr int kLoopTicked = 1;
inline constexpr int kLoopGreyed = 2;  // a hand-edited "2": shown greyed, made as not ticked

// The project's global values, held as the window's boxes hold them: as text, unvalidated.
struct ProjectProperties {
    QString width = QStringLiteral("100");
    QString height = QStringLiteral("75");
    int loopInfinitely = kLoopTicked;
    QString loopTimes = QStringLiteral("1");
    QString outputFile;
};

QString frameKey(int index);  // "FRAME" and at least three digits

// The output GIF proposed for a project saved as `projectPath`: ".agp" replaced by ".gif".
// Never the project file itself: a path without ".agp" gets ".gif" in place of its extension
// when that is ".agp" in other letter case, else ".gif" appended.
QString proposeOutputFile(const QString& projectPath);

// Writes the project in the documented key order, over whatever the file holds (other keys,
// and frame keys beyond the new count, stay). Fills an empty output name with the proposal
// first. Returns false when `path` is blank or the file could not be written.
bool writeProjectFile(const QString& path, const FrameList& frames, ProjectProperties& properties);

// Reads a project into `properties` (which hold the values of a new project beforehand; a
// "Loop Infinitely" other than 0, 1 or 2 leaves them as they are) and appends its frames to
// `frames`. A missing file or one that is not a project reads as an empty project.
void readProjectFile(const QString& path, ProjectProperties& properties, FrameList& frames);
void readProjectFile(const IniDocument& document, ProjectProperties& properties, FrameList& frames);

// "demo.agp - Pictoreel", or "New Project - Pictoreel" for a project without a file.
QString projectWindowTitle(const QString& projectFile);

}  // namespace pictoreel
