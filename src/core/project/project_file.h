// Project files (".agp"): INI text with the global values in "Global Properties" and one frame
// string per frame in "Frame Properties" ("FRAME001", "FRAME002", ... "FRAME1000", ...).
#pragma once

#include "core/base/error.h"
#include "core/project/caption_layer.h"
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
    // Keys that older projects lack (empty then): how pictures of another shape than the frame
    // are fitted ("Stretch", "Fit Inside" or "Fill"; empty is Stretch), the colour of the bars
    // "Fit Inside" leaves (decimal 0x00BBGGRR; empty: transparent), and the largest file the make
    // may write (bytes, with an optional K or M; empty: no limit).
    QString fit;
    QString fitBackground;
    QString maxSize;
    // Keys added with them, empty when not set: the part of every picture kept ("WxH+X+Y" in
    // pixels or percentages, see crop_region.h), and its turn ("90", "180" or "270") and flip
    // ("1": left-right before turning, see orientation.h).
    QString crop;
    QString rotate;
    QString mirror;
    // Text layers drawn over the frames (see core/project/caption_keys.h); none in older projects.
    CaptionLayers captions;

    bool operator==(const ProjectProperties&) const = default;
};

QString frameKey(int index);  // "FRAME" and at least three digits

// The most frames a project holds: its frame count is read as a 16-bit number.
inline constexpr int kMaxProjectFrames = 32767;

// The output GIF proposed for a project saved as `projectPath`, beside it: its ending ".agp" (in
// any letter case) replaced by ".gif", or ".gif" appended to a name without that ending. Never
// the project file itself.
QString proposeOutputFile(const QString& projectPath);
// The same, but never one of the pictures of `frames` either: "-animated", then a number when
// that is a picture too, goes before ".gif".
QString proposeOutputFile(const QString& projectPath, const FrameList& frames);

// Whether the file at `path` may be opened or saved as a project: success when nothing is there
// yet, when the file is empty (blank lines at most) and when it is INI text with a "Global
// Properties" or "Frame Properties" section. Anything else (a picture, other text, a folder)
// gives UnsupportedFormat, "<path> is not a Pictoreel project.": such a file is neither loaded
// nor ever written over.
Status checkProjectFile(const QString& path);

// Whether readProjectFile would read `path`, checked before the window lets its project go: as
// checkProjectFile, and LimitExceeded for a file that counts more frames than a project holds.
Status checkProjectToOpen(const QString& path);

// Whether the file at `path` holds a project: INI text with one of its sections, of a project's
// size. A picture or any larger file is not read.
bool holdsProject(const QString& path);

// Whether a project can name the picture at `path`: a frame's line holds its values separated by
// semicolons, so a semicolon or line break in the picture's name or folder would be read back as
// another picture, and so would a path longer than a line's value keeps with the frame's other
// values (at most kIniValueMaxLength characters in all). A frame's picture is found by its name
// with the spaces around it taken away: " a.png" would be read back as "a.png". A name that is
// not UTF-8 cannot be named at all.
bool projectCanName(const QString& path);
// Why projectCanName refuses pictures, as a clause ("a semicolon ... would be read back as
// another picture"), and as the error that names one.
QString unnameablePictureReasons();
Error unnameablePictureError(const QString& path);

// Whether a frame can name the picture at `path` at all, in a project or not: its name without
// spaces around it (a frame's picture is looked up without them), no line break, UTF-8.
bool frameCanName(const QString& path);
// The error that names a picture frameCanName refuses.
Error unframeablePictureError(const QString& path);

// Writes the project in the documented key order, over whatever the file holds (other keys,
// and frame keys beyond the new count, stay). Fills an empty output name with the proposal
// first. Errors: UnsupportedFormat when the file is not a project (see checkProjectFile; nothing
// is written and `properties` stay as they were), LimitExceeded for more than kMaxProjectFrames
// frames (a file that would read back empty; nothing is written), InvalidArgument when `path` is blank, a picture
// cannot be named (see projectCanName) or the output's name would not read back as written (too
// long, spaces or quotes around it; nothing is written),
// FileWriteFailed when the file could not be written.
Status writeProjectFile(const QString& path, const FrameList& frames, ProjectProperties& properties);

// Reads a project into `properties` (which hold the values of a new project beforehand; a
// "Loop Infinitely" other than 0, 1 or 2 leaves them as they are) and appends its frames to
// `frames`. A missing or empty file reads as an empty project; a file that is not a project is
// refused as checkProjectFile says, and one that counts more than kMaxProjectFrames frames with
// LimitExceeded, leaving `properties` and `frames` as they were.
Status readProjectFile(const QString& path, ProjectProperties& properties, FrameList& frames);
void readProjectFile(const IniDocument& document, ProjectProperties& properties, FrameList& frames);

// "demo.agp - Pictoreel", or "New Project - Pictoreel" for a project without a file.
QString projectWindowTitle(const QString& projectFile);

}  // namespace pictoreel
