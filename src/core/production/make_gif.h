// Making an animated GIF from a project: every row, in order, becomes a frame through its cached
// one-image GIF; the assembler writes them with their delays and the loop count. The window's
// Make and Preview and pictoreel-cli make all run this, the window on a worker thread.
#pragma once

#include "core/production/make_job.h"
#include "core/project/frame_list.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace pictoreel {

// The largest file the project allows, in bytes; nullopt without a limit (an empty or unreadable
// "Max Size").
std::optional<std::int64_t> sizeBudgetFor(const ProjectProperties& properties);

// Converts the frames, assembles them and writes `output`. With a size budget, the assembly is
// tried with milder to stronger reductions until one fits (see budget_make.h); when none does,
// that is an error (LimitExceeded). Fewer than 2 rows, a width or height
// that is not a size in pixels, an output that is one of the frames' pictures or the project
// file, and a failed write are errors, and so is a stop (ErrorCode::Cancelled); an earlier file at
// `output` then stays as it was.
Result<MakeReport> makeAnimatedGif(const FrameList& frames, const ProjectProperties& properties, const QString& output,
                                   const MakeOptions& options, const MakeEvents& events = {});

}  // namespace pictoreel
