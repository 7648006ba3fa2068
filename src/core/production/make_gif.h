// Making a project's animation: every row, in order, becomes a frame through its cached
// one-image GIF; the assembler writes them with their delays and the loop count. The window's
// Make and Preview and pictoreel-cli make all run this, the window on a worker thread.
#pragma once

#include "core/production/make_job.h"
#include "core/production/make_plan.h"
#include "core/project/frame_list.h"

#include <QString>

namespace pictoreel {

// Converts the plan's frames, assembles them and puts the animation at the plan's output. With
// a size budget, the assembly is tried with milder to stronger reductions until one fits (see
// budget_make.h); when none does, that is an error (LimitExceeded). A failed write is an error,
// and so is a stop (ErrorCode::Cancelled); an earlier file at the output then stays as it was.
// An output of another kind than a GIF is made by make_other_formats.h.
Result<MakeReport> makeFromPlan(const MakePlan& plan, const MakeOptions& options, const MakeEvents& events = {});

// planMake, then makeFromPlan.
Result<MakeReport> makeAnimatedGif(const FrameList& frames, const ProjectProperties& properties, const QString& output,
                                   const MakeOptions& options, const MakeEvents& events = {});

}  // namespace pictoreel
