#include "core/project/sequence_edits.h"

#include "core/project/frame_values.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace pictoreel {

std::vector<int> rowsOrAll(const FrameList& frames, std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [&](int r) { return r < 1 || r > frames.rowCount(); });
    if (rows.size() < 2) {
        rows.resize(std::size_t(frames.rowCount()));
        std::iota(rows.begin(), rows.end(), 1);
    }
    return rows;
}

void reverseFrames(FrameList& frames, std::vector<int> rows)
{
    rows = rowsOrAll(frames, std::move(rows));
    if (rows.size() < 2)
        return;
    std::vector<int> order(std::size_t(frames.rowCount()));
    std::iota(order.begin(), order.end(), 1);
    for (std::size_t k = 0; k < rows.size(); ++k)
        order[std::size_t(rows[k] - 1)] = rows[rows.size() - 1 - k];
    frames.permuteRows(order);
    frames.RenumberFrames();
}

void pingPongFrames(FrameList& frames)
{
    for (int k = frames.rowCount() - 1; k >= 2; --k)
        frames.AddFrameFromString(frames.FrameToString(k));
    frames.RenumberFrames();
}

int mergeRepeatedFrames(FrameList& frames, const std::function<bool(int, int)>& samePixels)
{
    std::vector<int> gone;
    int first = 1;
    int sum = frames.isEmpty() ? 0 : frameValuesAt(frames, 1).interval;
    const auto endRun = [&](int next) {
        if (next - first > 1)
            frames.setColumn(first, FrameColumn::Interval, QString::number(sum));
        first = next;
    };
    for (int k = 2; k <= frames.rowCount(); ++k) {
        const int interval = frameValuesAt(frames, k).interval;
        if (sum + interval <= std::numeric_limits<std::int16_t>::max() && samePixels(k - 1, k)) {
            sum += interval;
            gone.push_back(k);
        } else {
            endRun(k);
            sum = interval;
        }
    }
    endRun(frames.rowCount() + 1);
    if (!gone.empty()) {
        frames.removeRows(gone);
        frames.RenumberFrames();
    }
    return int(gone.size());
}

std::optional<int> intervalFromFps(double fps)
{
    if (!(fps > 0))
        return std::nullopt;
    const double hundredths = std::round(100.0 / fps);
    return int(std::clamp(hundredths, 2.0, double(std::numeric_limits<std::int16_t>::max())));
}

void setFrameIntervals(FrameList& frames, std::vector<int> rows, int interval)
{
    for (int row : rowsOrAll(frames, std::move(rows)))
        frames.setColumn(row, FrameColumn::Interval, QString::number(interval));
}

namespace {

constexpr int kShortestShownInterval = 2;

double unheldIntervalAtSpeed(int interval, int percent)
{
    return std::nearbyint(double(interval) * 100.0 / double(std::clamp(percent, 10, 1000)));
}

}  // namespace

int intervalAtSpeed(int interval, int percent)
{
    return int(std::clamp(unheldIntervalAtSpeed(interval, percent), double(kShortestShownInterval),
                          double(std::numeric_limits<std::int16_t>::max())));
}

bool fallsUnderShortest(int interval, int percent) { return unheldIntervalAtSpeed(interval, percent) < kShortestShownInterval; }

SpeedChange changeSpeed(FrameList& frames, std::vector<int> rows, int percent)
{
    SpeedChange change;
    for (int row : rowsOrAll(frames, std::move(rows))) {
        const int interval = frameValuesAt(frames, row).interval;
        const int faster = intervalAtSpeed(interval, percent);
        if (fallsUnderShortest(interval, percent))
            ++change.heldAtShortest;
        if (faster != interval || frames.row(row).interval != QString::number(faster)) {
            frames.setColumn(row, FrameColumn::Interval, QString::number(faster));
            ++change.changed;
        }
    }
    return change;
}

std::vector<int> shiftFrames(FrameList& frames, std::vector<int> rows, int step)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [&](int r) { return r < 1 || r > frames.rowCount(); });
    if (step > 0)
        std::reverse(rows.begin(), rows.end());
    // Walking from the end the rows move towards, each stops at the place behind the last one.
    int wall = step < 0 ? 0 : frames.rowCount() + 1;
    for (int& row : rows) {
        if (row + step != wall) {
            frames.SwapFrames(row + step, row);
            row += step;
        }
        wall = row;
    }
    if (step > 0)
        std::reverse(rows.begin(), rows.end());
    return rows;
}

}  // namespace pictoreel
