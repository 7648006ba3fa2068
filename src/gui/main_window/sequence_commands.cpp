// The Edit menu's sequence edits (see sequence_commands.h).
#include "gui/main_window/sequence_commands.h"

#include "core/project/frame_list.h"
#include "core/project/frame_values.h"
#include "core/project/numbers.h"
#include "core/project/sequence_edits.h"
#include "gui/app/app_context.h"
#include "gui/app/dialogs.h"
#include "gui/dialogs/speed_dialog.h"
#include "gui/main_window/frame_list_model.h"

#include <QCoreApplication>

#include <numeric>

namespace pictoreel {

void SequenceCommands::ReverseFrames()
{
    tellWhenNoFrames(host_);
    reverseFrames(*host_.frames, host_.list->selectedRows());
    if (!host_.frames->isEmpty())
        showEditedFrames(host_);
}

void SequenceCommands::PingPongFrames()
{
    tellWhenNoFrames(host_);
    pingPongFrames(*host_.frames);
}

void SequenceCommands::SetDelayFromFrameRate()
{
    tellWhenNoFrames(host_);
    if (host_.frames->isEmpty())
        return;
    Dialogs& dialogs = host_.context->dialogs();
    const std::optional<QString> answer =
        dialogs.askText(host_.window, QCoreApplication::translate("pictoreel::MainWindow", "Set Delay from Frame Rate"),
                        QCoreApplication::translate("pictoreel::MainWindow", "Frames per second:"), QStringLiteral("25"));
    if (!answer)
        return;
    const std::optional<double> fps = parseNumber(*answer);
    const std::optional<int> interval = fps ? intervalFromFps(*fps) : std::nullopt;
    if (!interval) {
        dialogs.inform(host_.window, QCoreApplication::translate("pictoreel::MainWindow", "The frame rate must be a number above 0."));
        return;
    }
    setFrameIntervals(*host_.frames, host_.list->selectedRows(), *interval);
    showEditedFrames(host_);
}

void SequenceCommands::removeRows(int first, int count, int highlight)
{
    std::vector<int> rows(static_cast<std::size_t>(count));
    std::iota(rows.begin(), rows.end(), first);
    host_.frames->removeRows(rows);
    host_.frames->RenumberFrames();
    host_.list->selectRow(highlight);
    showEditedFrames(host_);
}

void SequenceCommands::DeleteFramesBefore()
{
    if (const int row = host_.list->selectedRow(); row > 1)
        removeRows(1, row - 1, 1);
}

void SequenceCommands::DeleteFramesAfter()
{
    const int row = host_.list->selectedRow();
    if (row >= 1 && row < host_.frames->rowCount())
        removeRows(row + 1, host_.frames->rowCount() - row, row);
}

void SequenceCommands::ChangeSpeed()
{
    tellWhenNoFrames(host_);
    if (host_.frames->isEmpty())
        return;
    std::vector<int> intervals;
    for (int row = 1; row <= host_.frames->rowCount(); ++row)
        intervals.push_back(frameValuesAt(*host_.frames, row).interval);
    auto* dialog = new SpeedDialog(std::move(intervals), host_.list->selectedRows(), host_.window);
    QObject::connect(dialog, &QDialog::accepted, host_.window, [this, dialog] {
        changeSpeed(*host_.frames, dialog->selectedRowsOnly() ? host_.list->selectedRows() : std::vector<int>{}, dialog->percent());
        showEditedFrames(host_);
    });
    showModal(dialog, *host_.runModal);
}

}  // namespace pictoreel
