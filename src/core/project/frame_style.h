// How the pictures of a make become frames beyond each row's own values: choices that hold for
// the whole make. The default style makes exactly the frames the program always made, under the
// cache names it always gave them.
#pragma once

#include "core/imaging/fitting.h"
#include "core/project/project_file.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace pictoreel {

enum class DitherMode { Diffusion, Ordered, None };

struct FrameStyle {
    FitMode fit = FitMode::Stretch;
    // The colour of Contain's bars, 0x00BBGGRR; none: the bars are transparent.
    std::optional<std::int32_t> fitBackground;
    int colors = 256;  // 2..256: the most colours a frame's palette holds
    DitherMode dither = DitherMode::Diffusion;

    bool isDefault() const { return *this == FrameStyle{}; }
    bool operator==(const FrameStyle&) const = default;
};

// The project's "Fit" text: "Stretch", "Fit Inside" or "Fill"; empty or anything else is Stretch.
FitMode fitModeFromText(const QString& text);
QString fitModeText(FitMode mode);

// The style a project asks for: its fit and bar colour; colours and dithering as by default.
FrameStyle frameStyleFor(const ProjectProperties& properties);

// What a style adds to a cache file's name: empty for the default style, else "_s_" and a short
// spelling of every choice, so that frames of different styles never share a file.
QString frameStyleTag(const FrameStyle& style);

}  // namespace pictoreel
