// The main window's edits of several frames at once: the Delete key, Up and Down with several
// rows selected, and the Edit menu's Reverse, Ping-Pong, Merge Repeated Frames, Set Delay from
// Frame Rate, Delete Frames Before and After, and Change Speed. Each edit is one call on the
// frame list (sequence_edits.h).
#include "gui/main_window/main_window.h"

#include "core/production/frame_cache.h"
#include "core/production/frame_shaping.h"
#include "core/project/crop_region.h"
#include "core/project/orientation.h"
#include "core/project/numbers.h"
#include "core/project/sequence_edits.h"
#include "gui/app/dialogs.h"
#include "gui/dialogs/speed_dialog.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/main_window/merge_repeated_command.h"
#include "gui/main_window/property_panel.h"

#include <QPushButton>
#include <QThread>

#include <algorithm>
#include <numeric>

namespace pictoreel {

std::vector<int> MainWindow::rowsToEdit() const { return rowsOrAll(frames_, frameList_->selectedRows()); }

void MainWindow::showEditedFrames()
{
    if (frameList_->selectedRow() == 0)
        frameList_->selectRow(1);
    ShowFrameProperties();
    frameList_->setFocus();
}

void MainWindow::deleteSelectedFrames()
{
    const std::vector<int> rows = frameList_->selectedRows();
    if (rows.empty())
        return;
    frames_.removeRows(rows);
    frames_.RenumberFrames();
    // The row after the first one removed takes its place, or the new last row.
    frameList_->selectRow(std::min(rows.front(), frames_.rowCount()));
    showEditedFrames();
    applyAutoSizeRule();
}

void MainWindow::moveSelectedFrames(int step)
{
    const std::vector<int> rows = frameList_->selectedRows();
    const int current = frameList_->selectedRow();
    const std::vector<int> moved = shiftFrames(frames_, rows, step);
    if (moved == rows) {
        context_.dialogs().inform(this, step < 0 ? tr("The frame is already at the top.")
                                                 : tr("The frame is already at the bottom."));
        return;
    }
    // The highlight follows its frame.
    const auto at = std::find(rows.begin(), rows.end(), current);
    frameList_->selectRowSet(moved, at == rows.end() ? current : moved[std::size_t(at - rows.begin())]);
    frameList_->setFocus();
}

void MainWindow::ReverseFrames()
{
    tellWhenNoFrames();
    reverseFrames(frames_, frameList_->selectedRows());
    if (!frames_.isEmpty())
        showEditedFrames();
}

void MainWindow::PingPongFrames()
{
    tellWhenNoFrames();
    pingPongFrames(frames_);
}

void MainWindow::MergeRepeatedFrames()
{
    tellWhenNoFrames();
    if (frames_.rowCount() < 2 || isWorking())
        return;
    const auto [widthText, heightText] = panel_->frameSizeTexts();
    const Result<FrameSize> size = frameSizeFromTexts(widthText, heightText);
    if (!size) {
        context_.dialogs().inform(this, size.error().message);
        return;
    }
    std::vector<FrameConversion> conversions;
    // Frames are compared as the make makes them: cropped, turned and with their captions.
    const ProjectProperties project = panel_->projectProperties();
    const FrameStyle style = frameStyleFor(project);
    const std::optional<CropRegion> crop = cropRegionFromText(project.crop);
    const Orientation orientation = orientationFromTexts(project.rotate, project.mirror);
    for (int row = 1; row <= frames_.rowCount(); ++row)
        conversions.push_back(frameConversionFor(frameValuesAt(frames_, row), size.value(), context_.tempFolder(), style,
                                                 frameShapingFor(crop, orientation, project.captions, row)));
    mergeCommand().start(std::move(conversions), std::max(1, QThread::idealThreadCount()));
}

MergeRepeatedCommand& MainWindow::mergeCommand()
{
    if (!mergeCommand_) {
        MergeRepeatedCommand::Host host;
        host.setRunning = [this](bool running) {
            // The make's Cancel stops the merge: a screen reader says which.
            cancelMakeButton_->setAccessibleName(running ? tr("Cancel the merge") : tr("Cancel the make"));
            setMakeRunning(running);
        };
        host.pbPer = progressBar_;
        host.frames = &frames_;
        host.merged = [this] { showEditedFrames(); };
        mergeCommand_ = new MergeRepeatedCommand(std::move(host), this);
        connect(cancelMakeButton_, &QPushButton::clicked, mergeCommand_, &MergeRepeatedCommand::cancel);
    }
    return *mergeCommand_;
}

void MainWindow::SetDelayFromFrameRate()
{
    tellWhenNoFrames();
    if (frames_.isEmpty())
        return;
    const std::optional<QString> answer = context_.dialogs().askText(
        this, tr("Set Delay from Frame Rate"), tr("Frames per second:"), QStringLiteral("25"));
    if (!answer)
        return;
    const std::optional<double> fps = parseNumber(*answer);
    const std::optional<int> interval = fps ? intervalFromFps(*fps) : std::nullopt;
    if (!interval) {
        context_.dialogs().inform(this, tr("The frame rate must be a number above 0."));
        return;
    }
    setFrameIntervals(frames_, frameList_->selectedRows(), *interval);
    showEditedFrames();
}

void MainWindow::DeleteFramesBefore()
{
    const int row = frameList_->selectedRow();
    if (row <= 1)
        return;
    std::vector<int> rows(std::size_t(row - 1));
    std::iota(rows.begin(), rows.end(), 1);
    frames_.removeRows(rows);
    frames_.RenumberFrames();
    frameList_->selectRow(1);
    showEditedFrames();
}

void MainWindow::DeleteFramesAfter()
{
    const int row = frameList_->selectedRow();
    if (row < 1 || row >= frames_.rowCount())
        return;
    std::vector<int> rows(std::size_t(frames_.rowCount() - row));
    std::iota(rows.begin(), rows.end(), row + 1);
    frames_.removeRows(rows);
    frames_.RenumberFrames();
    frameList_->selectRow(row);
    showEditedFrames();
}

void MainWindow::ChangeSpeed()
{
    tellWhenNoFrames();
    if (frames_.isEmpty())
        return;
    std::vector<int> intervals;
    for (int row = 1; row <= frames_.rowCount(); ++row)
        intervals.push_back(frameValuesAt(frames_, row).interval);
    auto* dialog = new SpeedDialog(std::move(intervals), frameList_->selectedRows(), this);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        changeSpeed(frames_, dialog->selectedRowsOnly() ? frameList_->selectedRows() : std::vector<int>{}, dialog->percent());
        showEditedFrames();
    });
    showModal(dialog, runModal_);
}

}  // namespace pictoreel
