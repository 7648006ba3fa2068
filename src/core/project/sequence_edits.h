// Edits of the order and timing of a project's frames as a whole: each is one call on the list,
// renumbers the rows when it is done, and touches nothing when there is nothing to do.
#pragma once

#include "core/project/frame_list.h"

#include <functional>
#include <optional>
#include <vector>

namespace pictoreel {

// The given rows (1-based, any order) in sorted order, or every row when fewer than two are given.
std::vector<int> rowsOrAll(const FrameList& frames, std::vector<int> rows);

// Reverses the frames of the given rows among those rows' places (every row when fewer than two
// are given); each frame keeps its values and check box.
void reverseFrames(FrameList& frames, std::vector<int> rows = {});

// Appends the frames from the last but one back to the second, so that the animation runs
// forward and back without showing either end twice: 1 2 3 4 becomes 1 2 3 4 3 2.
void pingPongFrames(FrameList& frames);

// Makes each run of neighbouring rows that `samePixels(a, b)` calls equal one row, the first of
// the run, whose interval is the run's sum; a run ends before the sum would pass 32767. Returns
// how many rows went.
int mergeRepeatedFrames(FrameList& frames, const std::function<bool(int a, int b)>& samePixels);

// The interval of a frame rate: 100 / fps hundredths, rounded, at least 2 (what players show) and
// at most 32767. Nothing for a rate that is not above 0.
std::optional<int> intervalFromFps(double fps);

// Sets the interval of the given rows (every row when fewer than two are given).
void setFrameIntervals(FrameList& frames, std::vector<int> rows, int interval);

// A frame's interval played at `percent` % of its speed (10..1000): interval * 100 / percent,
// rounded to the nearest hundredth (a half to even), at least 2 (players show 0 and 1 as 10) and
// at most 32767.
int intervalAtSpeed(int interval, int percent);

// Whether `interval` played at `percent` % would fall under 2 hundredths and be held there.
bool fallsUnderShortest(int interval, int percent);

// What a change of speed did: how many rows it changed, and how many of them would have fallen
// under 2 hundredths and were held there.
struct SpeedChange {
    int changed = 0;
    int heldAtShortest = 0;
};

// Plays the given rows (every row when fewer than two are given) at `percent` % of their speed.
SpeedChange changeSpeed(FrameList& frames, std::vector<int> rows, int percent);

// Moves each given row one place up (step -1) or down (+1) as Move Frame Up/Down does, by
// exchanging frames (numbers and check boxes stay in place); a row at an end, or behind a given
// row that cannot move, stays. Returns the rows' new places, in order.
std::vector<int> shiftFrames(FrameList& frames, std::vector<int> rows, int step);

}  // namespace pictoreel
