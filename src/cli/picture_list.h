// A project built from pictures named on the command line, for "make PICTURE..." and
// "project PICTURE...": the same rows and global values the window's new project would hold after
// adding those pictures, with the command line's choices applied.
#pragma once

#include "cli_support.h"

#include "core/project/frame_list.h"
#include "core/project/project_file.h"

#include <QJsonObject>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace pictoreel::cli {

// The options that shape a project made of pictures; each takes a value.
inline const QStringList kPictureListOptions{QStringLiteral("--delay"), QStringLiteral("--fps"),
                                             QStringLiteral("--size"),  QStringLiteral("--width"),
                                             QStringLiteral("--height"), QStringLiteral("--loop"),
                                             QStringLiteral("--transparent"), QStringLiteral("--fit"),
                                             QStringLiteral("--fit-background")};

struct PictureProject {
    ProjectProperties properties;
    FrameList frames;
    QJsonObject settings;  // what was chosen, and where the size came from
};

// What the pictures' project is for: made at once, or written as a project file, which cannot
// name every picture (see projectCanName).
enum class PictureProjectUse { Make, Write };

// The project of `pictures` (in order, paths made absolute) with the options of `args`, or nullopt
// once the word that is wrong has been told (a wrong command line). Without a size option the size
// is the first readable picture's, as the window's Auto Size takes it; --width or --height alone
// keeps its proportions.
std::optional<PictureProject> pictureProjectFrom(const QStringList& pictures, const Arguments& args, PictureProjectUse use);

// --max-size of `args` into `properties` (the project's Max Size); false once a wrong one is told.
bool readMaxSize(const Arguments& args, ProjectProperties& properties);
// --quality into the project's Quality; false once a wrong value is told.
bool readQuality(const Arguments& args, ProjectProperties& properties);

// The full path of a file named on the command line.
QString absolutePathOf(const QString& path);

// The first picture option given in `args`, or an empty text when there is none.
QString firstPictureOption(const Arguments& args);

// "WxH", each side from 1 to the largest side a picture may have.
std::optional<QSize> parseSize(const QString& text);
// "RRGGBB" or "#RRGGBB" as the program's colour number (0x00BBGGRR).
std::optional<std::int32_t> parseColour(const QString& text);

}  // namespace pictoreel::cli
