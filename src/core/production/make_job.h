// What a make is given and what it tells: its options, its events and its report, and the small
// rules every output format follows alike (the output's path, the loop count, the progress bar).
#pragma once

#include "core/base/error.h"
#include "core/project/frame_style.h"
#include "core/project/project_file.h"
#include "core/production/output_placement.h"
#include "core/production/size_budget.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace pictoreel {

inline constexpr auto kTooFewFramesToMake = "Please add frames to make animated gif";
inline constexpr auto kTooFewFramesToPreview = "Please add more than 1 frame first";

struct MakeOptions {
    QString tempFolder;   // ends in a separator
    int jobs = 0;         // frames converted at once; 0: one per core
    QString projectFile;  // the project's file, never to be written over; empty for a new project
    // Asked after every frame and at every percent of the writing; true stops the make with
    // ErrorCode::Cancelled. A stopped make writes nothing: an earlier file at the output stays.
    std::function<bool()> stopRequested;
    // The frames' palettes and dithering, and the encoder's lossiness (see AnimationSettings);
    // how pictures are fitted comes from the project.
    int colors = 256;
    DitherMode dither = DitherMode::Diffusion;
    // Lossless unless asked: a loss that would shrink photos below gifski's sizes costs 3 dB on
    // photos, 6 dB on flat graphics and seconds of assembly, so it is the user's choice (and the
    // size budget's first knob).
    int lossy = 0;
    // Which of the three above the user gave: those stay as given over the project's Quality.
    struct {
        bool colors = false, dither = false, lossy = false;
    } given;

    // How many frames are converted at once.
    int jobsToUse() const
    {
        return jobs > 0 ? jobs : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    }
};

// Called on the thread that makes.
struct MakeEvents {
    // The progress bar's value after each frame: row * 50 / rows, a half rounding to even.
    std::function<void(int value)> frameAdded;
    // The component's SaveProgress while the file is written (the bar shows 50 + percent / 2);
    // exactly one event of 100 or more, when the file is complete.
    std::function<void(int percent)> saveProgress;
    // A picture that exists but could not be converted; the frame then takes part as a frame
    // whose picture is missing.
    std::function<void(int row, const QString& picture, const Error& error)> frameFailed;
};

// A row whose picture file does not exist.
struct MissingPicture {
    int row = 0;  // 1-based
    QString picture;
};

struct MakeReport {
    int frames = 0;
    // What the file was made with, and in how many assemblies: the options and the project's
    // size in one, unless the project's "Max Size" asked for a search (then `budgeted`).
    BudgetSettings settings;
    int attempts = 1;
    std::int64_t bytes = 0;
    bool budgeted = false;
    int converted = 0;  // pictures converted by this make
    int cached = 0;     // frames taken from the cache
    int failed = 0;     // pictures that could not be converted
    std::vector<MissingPicture> missing;  // in row order
};

// What a way of making leaves for the placement step: its report and the animation ready.
struct ProducedAnimation {
    MakeReport report;
    ReadyAnimation ready;
};

// The file a project's "Output GIF File Name" names: a relative name is taken from the folder
// of the project file (from the working folder while the project has no file).
QString outputPathFor(const QString& outputFileName, const QString& projectFile);

// The animation's loop count: 0 (for ever) when "Loop Infinitely" is ticked; else the loop text
// read with the program's number rule, a number n of 1..65535 repeating the animation n times
// after its first showing (larger numbers held at 65535). Empty text, text that is not a number
// and negative numbers ask for no loop block (nullopt): the animation plays once and stops.
std::optional<int> loopCountFor(const ProjectProperties& properties);

// The progress bar's value after `row` of `rows` frames.
int frameProgressValue(int row, int rows);
// The progress bar's value while the file is written: 50 + percent / 2, a half dropped.
int saveProgressValue(int percent);

}  // namespace pictoreel
