// --caption TEXT and the options that shape it. Each --caption starts a caption; every
// --caption-* option after it, up to the next --caption, shapes that one (once each), so
//   --caption Hello --caption-size 30 --caption World --caption-position top
// gives "Hello" at 30 pixels at the bottom and "World" at the default size at the top.
#pragma once

#include "core/base/error.h"
#include "core/project/caption_layer.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace pictoreel::cli {

inline const QStringList kCaptionOptions{
    QStringLiteral("--caption"),         QStringLiteral("--caption-font"),    QStringLiteral("--caption-size"),
    QStringLiteral("--caption-color"),   QStringLiteral("--caption-outline"), QStringLiteral("--caption-box"),
    QStringLiteral("--caption-position"), QStringLiteral("--caption-frames")};

// The usage line's part for them.
inline constexpr auto kCaptionUsage =
    "[--caption TEXT [--caption-font \"FAMILY [bold] [italic]\"] [--caption-size PIXELS] [--caption-color RRGGBB]\n"
    "                           [--caption-outline RRGGBB[:WIDTH]|none] [--caption-box RRGGBB|none]\n"
    "                           [--caption-position PLACE[:MARGIN]|X,Y] [--caption-frames all|N|N-|N-M]]...";

// The captions that `options` (name and value, in command-line order; others are passed over)
// give, or InvalidArgument with what is wrong, naming the option. TEXT takes the escapes "\n"
// (a new line), "\t", "\\" and "\uXXXX"; PLACE is one of top-left, top, top-right, left, center,
// right, bottom-left, bottom, bottom-right.
Result<CaptionLayers> captionsFrom(const QList<std::pair<QString, QString>>& options);

}  // namespace pictoreel::cli
