// What a make within a size budget starts from: the converted frames and the settings asked for.
#pragma once

#include "core/animation/animation_frames.h"
#include "core/production/size_budget.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace pictoreel {

struct BudgetMake {
    std::vector<AnimationFrameSource> frames;  // the converted frames, at start's size
    AnimationSettings settings;                // the loop count; the lossiness comes from the attempt
    BudgetSettings start;                      // what the user asked for
    std::optional<int> quality;                // the project's Quality, the start's place on the curve
    QString tempFolder;                        // ends in a separator
    int jobs = 1;                              // frames reduced at once
    std::function<bool()> stopRequested;
    // Rising percentages while the attempts are made, then exactly one 100 once the output is in place.
    std::function<void(int percent)> progress;
    // The source of converted frame k (see AnimationFrames), for the attempts made of them.
    AnimationFrames::SourceFor sourceFor;
    // The start's attempt when it was assembled already, beside the conversions: a file of the
    // temp folder the search takes over (empty when it assembles the start itself).
    QString startFile;
};

}  // namespace pictoreel
