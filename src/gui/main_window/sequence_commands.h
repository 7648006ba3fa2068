// The Edit menu's edits of several frames at once as the main window runs them: Reverse Frames,
// Ping-Pong, Set Delay from Frame Rate, Delete Frames Before and After, and Change Speed. Each
// edit is one call on the frame list (sequence_edits.h); Merge Repeated Frames has a command of
// its own (MergeRepeatedCommand).
#pragma once

#include "gui/app/window_runner.h"
#include "gui/main_window/rows_host.h"

namespace pictoreel {

struct SequenceHost : RowsHost {
    const WindowRunner* runModal = nullptr;  // how the speed dialog is shown (see showModal)
};

class SequenceCommands final {
public:
    explicit SequenceCommands(SequenceHost host) : host_(std::move(host)) {}

    // The selected rows when two or more are selected, otherwise every row (Ping-Pong always
    // takes every row).
    void ReverseFrames();
    void PingPongFrames();
    // Asks for frames per second and sets the matching interval.
    void SetDelayFromFrameRate();
    // Removes every row before, or after, the selected row; nothing without a selection.
    void DeleteFramesBefore();
    void DeleteFramesAfter();
    // A percentage of speed (10..1000) for the selected rows, or all (see SpeedDialog).
    void ChangeSpeed();

private:
    // Removes `count` rows from `first` on and highlights `highlight`.
    void removeRows(int first, int count, int highlight);

    SequenceHost host_;
};

}  // namespace pictoreel
