// --crop, --rotate, --flip and --speed: the options that change what every picture of a make or
// a project shows, and how fast it plays, on top of what a project holds already.
#pragma once

#include "cli_support.h"

#include "core/project/frame_list.h"
#include "core/project/project_file.h"

#include <QSize>
#include <QStringList>

namespace pictoreel::cli {

inline const QStringList kShapeOptions{QStringLiteral("--crop"), QStringLiteral("--rotate"), QStringLiteral("--flip"),
                                       QStringLiteral("--speed")};

// The usage line's part for them.
inline constexpr auto kShapeUsage = "[--crop WxH+X+Y] [--rotate 90|180|270] [--flip h|v] [--speed PERCENT]";

// The shape options of `args` applied to `properties` and `frames`: --crop replaces the Crop,
// --rotate turns what the pictures show further (clockwise), then --flip flips it as shown
// (h: left and right, v: top and bottom), and --speed (10 to 1000 %) plays every frame at that
// speed. False once a wrong value has been told; nothing is changed then.
bool applyShapeOptions(const Arguments& args, ProjectProperties& properties, FrameList& frames);

// The size a picture of `picture`'s size has once cropped and turned as `args` say (values that
// are wrong count as not given: applyShapeOptions tells them): the frames' size when none is asked for.
QSize shapedPictureSize(const Arguments& args, QSize picture);

}  // namespace pictoreel::cli
