// A caption: a text layer drawn over the frames of a project, as the project file keeps it and
// the make draws it (see core/captions/caption_drawing.h).
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace pictoreel {

// Where a caption stands: one of nine places along the frame's edges and at its centre, kept
// `margin` pixels from the edges, or at a point (the top left corner of its block).
enum class CaptionAnchor { TopLeft, Top, TopRight, Left, Centre, Right, BottomLeft, Bottom, BottomRight, Point };

// The longest caption text (UTF-16 units): a project's line keeps it with every character
// escaped.
inline constexpr int kCaptionTextMaxLength = 1000;
inline constexpr int kCaptionMaxSize = 1000;         // pixels
inline constexpr int kCaptionMaxOutlineWidth = 100;  // pixels
inline constexpr int kCaptionMaxMargin = 10000;      // pixels, also the farthest point
inline constexpr int kMaxCaptions = 100;

struct CaptionLayer {
    QString text;  // several lines at "\n"; any Unicode
    QString fontFamily = QStringLiteral("DejaVu Sans");
    int size = 16;  // pixels of the frame, the font's em
    bool bold = false;
    bool italic = false;
    std::int32_t colour = 0xFFFFFF;  // 0x00BBGGRR, as the project's other colours
    std::int32_t outlineColour = 0x000000;
    int outlineWidth = 2;  // pixels around every glyph; 0 draws none
    bool box = false;      // a filled box behind the text
    std::int32_t boxColour = 0x000000;
    CaptionAnchor anchor = CaptionAnchor::Bottom;
    int margin = 4;  // pixels from the edges, for the nine places
    int x = 0, y = 0;  // for CaptionAnchor::Point
    int firstFrame = 1;  // the frames it shows on, 1-based
    int lastFrame = 0;   // 0: to the last frame

    bool operator==(const CaptionLayer&) const = default;
    // Whether it shows on frame `frame` (1-based).
    bool showsOn(int frame) const { return frame >= firstFrame && (lastFrame == 0 || frame <= lastFrame); }
};

using CaptionLayers = std::vector<CaptionLayer>;

// The words of the places: "top-left", "top", "top-right", "left", "center", "right",
// "bottom-left", "bottom", "bottom-right", and "point".
QString captionAnchorName(CaptionAnchor anchor);
std::optional<CaptionAnchor> captionAnchorFromName(const QString& name);  // any letter case

// Caption text as one line of a project: "\" as "\\", line breaks and tabs as "\n", "\r", "\t",
// and a space or quote at either end as "\uXXXX", so that the line is read back as written.
QString escapeCaptionText(const QString& text);
// The reverse; an escape it does not know is kept as written.
QString unescapeCaptionText(const QString& line);

}  // namespace pictoreel
