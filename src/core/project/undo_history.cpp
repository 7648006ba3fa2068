#include "core/project/undo_history.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace pictoreel {
namespace {

// The five columns that are a frame's texts, Interval to Full Path.
template <class F>
void forEachDataColumn(F f)
{
    for (int c = 1; c <= kFrameDataColumnCount; ++c)
        f(static_cast<FrameColumn>(c));
}

bool sameTexts(const FrameEntry& a, const FrameEntry& b)
{
    bool same = true;
    forEachDataColumn([&](FrameColumn c) { same = same && a.column(c) == b.column(c); });
    return same;
}

bool sameRows(const std::vector<FrameEntry>& a, const std::vector<FrameEntry>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), sameTexts);
}

}  // namespace

bool sameProject(const ProjectState& a, const ProjectState& b)
{
    return a.properties == b.properties && sameRows(a.rows, b.rows);
}

void restoreFrames(FrameList& frames, const std::vector<FrameEntry>& rows)
{
    const int wanted = static_cast<int>(rows.size());
    if (frames.rowCount() > wanted) {
        std::vector<int> extra(std::size_t(frames.rowCount() - wanted));
        std::iota(extra.begin(), extra.end(), wanted + 1);
        frames.removeRows(std::move(extra));  // numbers before them stay right
    }
    for (int k = 1; k <= wanted; ++k) {
        const FrameEntry& entry = rows[std::size_t(k - 1)];
        if (k > frames.rowCount())
            frames.AddFrameFromString(QString());  // numbered as it is appended
        forEachDataColumn([&](FrameColumn c) {
            if (frames.row(k).column(c) != entry.column(c))
                frames.setColumn(k, c, entry.column(c));
        });
        if (frames.row(k).checked != entry.checked)
            frames.setChecked(k, entry.checked);
    }
}

UndoHistory::UndoHistory(std::size_t maxStates, std::size_t maxStoredRows)
    : maxStates_(std::max<std::size_t>(maxStates, 1)), maxStoredRows_(maxStoredRows)
{
}

void UndoHistory::reset(ProjectState state)
{
    states_.clear();
    storedRows_ = state.rows.size();
    states_.push_back(std::move(state));
    current_ = 0;
    markSaved();
}

bool UndoHistory::record(ProjectState state)
{
    if (states_.empty()) {
        reset(std::move(state));
        saved_.reset();
        return true;
    }
    if (sameProject(state, current())) {
        states_[current_].rows = std::move(state.rows);  // the same texts: only the check boxes differ
        return false;
    }
    while (canRedo()) {
        storedRows_ -= states_.back().rows.size();
        states_.pop_back();
    }
    storedRows_ += state.rows.size();
    states_.push_back(std::move(state));
    current_ = states_.size() - 1;
    while (states_.size() > 1 && (states_.size() > maxStates_ || storedRows_ > maxStoredRows_))
        dropOldest();
    return true;
}

void UndoHistory::dropOldest()
{
    storedRows_ -= states_.front().rows.size();
    states_.pop_front();
    --current_;
}

const ProjectState& UndoHistory::undo()
{
    if (canUndo())
        --current_;
    return current();
}

const ProjectState& UndoHistory::redo()
{
    if (canRedo())
        ++current_;
    return current();
}

}  // namespace pictoreel
