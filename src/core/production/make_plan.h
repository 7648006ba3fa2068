// A make's inputs, read from the project's texts and checked once, before any work: what every
// output kind is made from. The window's Make, Preview and animation tab and pictoreel-cli make
// each build one and hand it to makeFromPlan (make_gif.h).
#pragma once

#include "core/base/error.h"
#include "core/production/frame_cache.h"
#include "core/production/make_job.h"
#include "core/project/caption_layer.h"
#include "core/project/crop_region.h"
#include "core/production/quality_curve.h"
#include "core/project/frame_list.h"
#include "core/project/frame_style.h"
#include "core/project/frame_values.h"
#include "core/project/orientation.h"
#include "core/project/project_file.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace pictoreel {

// What the output's name asks for: a GIF, or by its ending an animated WebP or PNG.
enum class OutputKind { Gif, WebP, Png };

OutputKind outputKindFor(const QString& output);

struct MakePlan {
    QString output;
    OutputKind kind = OutputKind::Gif;
    std::vector<FrameValues> frames;  // every row, in order
    FrameSize size;
    // How pictures become frames: the fit and its bars, and for a GIF the frames' colours and
    // dithering (a WebP or PNG keeps its pictures' own colours).
    FrameStyle style;
    int lossy = 0;                      // GIF only
    std::optional<int> loopCount;       // see loopCountFor
    // The project's Max size, when it is one; a make within it is a GIF's only.
    std::optional<std::int64_t> budget;
    // What is done to every picture before and after its fit (see frame_shaping.h): the part
    // kept, the turn, and the captions over the frames their ranges name.
    std::optional<CropRegion> crop;
    Orientation orientation;
    CaptionLayers captions;
    std::optional<int> quality;  // the project's Quality, which set the colours, dithering and lossiness not given
    // How far a reduced frame's pixel may change unseen and keep what the screen shows (see
    // AnimationSettings): the quality curve's, the best quality's without a Quality.
    int temporalThreshold = 0;

    bool isGif() const { return kind == OutputKind::Gif; }
    // The budget the make has to meet: a GIF's.
    std::optional<std::int64_t> gifBudget() const { return isGif() ? budget : std::nullopt; }
};

// The largest file the project allows, in bytes; nullopt without a limit (an empty or unreadable
// "Max Size").
std::optional<std::int64_t> sizeBudgetFor(const ProjectProperties& properties);

// The plan of making `output` from these rows and values, with the colours, dithering and
// lossiness of `options`. Errors (InvalidArgument), in this order: fewer than 2 rows, no output
// name, a width or height that is not a size in pixels, a Crop that is not "WxH+X+Y", an output
// that is the project file (`options.projectFile`), one of the frames' pictures or another
// project, and for a GIF a Max size that is not a size in bytes. A Rotate or Mirror that is not
// one of its values turns or flips nothing.
Result<MakePlan> planMake(const FrameList& frames, const ProjectProperties& properties, const QString& output,
                          const MakeOptions& options);

// The shaping of the plan's frame number `frameNumber` (1-based).
FrameShaping frameShapingFor(const MakePlan& plan, int frameNumber);
// The conversion of every row of the plan, in order, with its temp folder's cache names.
std::vector<FrameConversion> frameConversionsFor(const MakePlan& plan, const QString& tempFolder);

}  // namespace pictoreel
