// The frame list's row commands (see frame_list_commands.h).
#include "gui/main_window/frame_list_commands.h"

#include "core/formats/picture_formats.h"
#include "core/media/imaging_component.h"
#include "core/project/frame_list.h"
#include "core/project/project_file.h"
#include "core/project/sequence_edits.h"
#include "gui/app/app_context.h"
#include "gui/app/dialogs.h"
#include "gui/app/frame_side_setting.h"
#include "gui/main_window/add_pictures_dialog.h"
#include "gui/main_window/frame_list_model.h"
#include "gui/main_window/property_panel.h"

#include <QCoreApplication>

#include <algorithm>
#include <numeric>

namespace pictoreel {

// The file types of the picture formats we read, from the format table.
QString imageFilesFilter()
{
    // WebP, HEIC and AVIF pictures by themselves, after the entries the dialog always had.
    return pictureFilesFilter()
           + QStringLiteral("|WebP Files (*.webp)|*.webp|HEIC/HEIF Files (*.heic;*.heif)|*.heic;*.heif;*.hif"
                            "|AVIF Files (*.avif)|*.avif");
}

namespace {

// Up to ten of them by name, then how many more.
QString unnameablePicturesMessage(const QStringList& pictures)
{
    constexpr qsizetype kNamed = 10;
    QString list = pictures.mid(0, kNamed).join(u'\n');
    if (pictures.size() > kNamed)
        list += QCoreApplication::translate("pictoreel::MainWindow", "\n... and %1 more").arg(pictures.size() - kNamed);
    return QCoreApplication::translate("pictoreel::MainWindow", "%1 not added: %2. Rename or move %3, then add %3 again.\n\n%4")
        .arg(pictures.size() == 1 ? QCoreApplication::translate("pictoreel::MainWindow", "This picture was") : QCoreApplication::translate("pictoreel::MainWindow", "These pictures were"),
             unnameablePictureReasons(), pictures.size() == 1 ? QCoreApplication::translate("pictoreel::MainWindow", "it") : QCoreApplication::translate("pictoreel::MainWindow", "them"), list);
}

}  // namespace

void FrameListCommands::AddFrames()
{
    addPictureRows(askForPictures(host_.window, host_.context->dialogs(), imageFilesFilter(), host_.context->settingsFile()));
}

void FrameListCommands::addPictureRows(const QStringList& paths, const std::vector<int>& intervals, int before)
{
    FrameList& frames = *host_.frames;
    FrameListView& list = *host_.list;
    // A picture the project could not name is told about and left out here, not when saving.
    QStringList refused;
    for (const QString& path : paths)
        if (!projectCanName(path))
            refused.append(path);
    if (!refused.isEmpty())
        host_.context->dialogs().inform(host_.window, unnameablePicturesMessage(refused));
    if (refused.size() == paths.size())
        return;
    const bool wasEmpty = frames.isEmpty();
    const int oldCount = frames.rowCount();
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (!projectCanName(paths[i]))
            continue;
        NewFrameValues values = host_.panel->frameValues();
        if (std::size_t(i) < intervals.size())
            values.intervalText = QString::number(intervals[std::size_t(i)]);
        if (!frames.AddFrameEntry(paths[i], values).ok())
            return;  // the frame values cannot make a row: the command ends, added rows stay
    }
    if (before >= 1 && before <= oldCount) {
        // The highlight stays on its frame.
        const int selected = list.selectedRow();
        std::vector<int> added(std::size_t(frames.rowCount() - oldCount));
        std::iota(added.begin(), added.end(), oldCount + 1);
        frames.moveRows(added, before);
        if (selected >= before)
            list.selectRow(selected + int(added.size()));
    }
    frames.RenumberFrames();
    showEditedFrames(host_);
    if (wasEmpty) {
        // The first picture's size, scaled down into the size boxes' range when it is larger.
        const ImagingComponent& picture = *host_.originalPicture;
        const QSize size = frameSizeWithin({picture.ImageWidth(), picture.ImageHeight()}, host_.panel->largestFrameSide());
        if (size.width() > 1)
            host_.panel->setFrameWidth(size.width());
        if (size.height() > 1)
            host_.panel->setFrameHeight(size.height());
        if (size.width() > 1 || size.height() > 1)
            host_.showFrame();
    }
}

void FrameListCommands::CheckAllFrames()
{
    tellWhenNoFrames(host_);
    host_.frames->SetAllChecked(true);
}

void FrameListCommands::UncheckAllFrames()
{
    tellWhenNoFrames(host_);
    host_.frames->SetAllChecked(false);
}

void FrameListCommands::ClearAllFrames()
{
    tellWhenNoFrames(host_);
    host_.frames->clear();
}

void FrameListCommands::RemoveCheckedFrames()
{
    tellWhenNoFrames(host_);
    host_.frames->removeCheckedRows();
    host_.frames->RenumberFrames();
    host_.showFrame();
    host_.list->setFocus();
}

void FrameListCommands::moveHighlighted(int step)
{
    if (host_.frames->isEmpty()) {
        host_.context->dialogs().inform(
            host_.window, QCoreApplication::translate("pictoreel::MainWindow", "There is no frames for moving, Please add frames first"));
        return;
    }
    if (host_.list->selectedRows().size() > 1) {
        moveSelectedFrames(step);
        return;
    }
    const int i = host_.list->selectedRow();
    if (i == 0)
        return;  // nothing highlighted: passed over
    const int target = i + step;
    if (target < 1 || target > host_.frames->rowCount()) {
        tellAtEnd(step);
        return;
    }
    host_.frames->SwapFrames(target, i);
    host_.list->selectRow(target);
    host_.list->setFocus();
}

void FrameListCommands::moveSelectedFrames(int step)
{
    const std::vector<int> rows = host_.list->selectedRows();
    const int current = host_.list->selectedRow();
    const std::vector<int> moved = shiftFrames(*host_.frames, rows, step);
    if (moved == rows) {
        tellAtEnd(step);
        return;
    }
    // The highlight follows its frame.
    const auto at = std::find(rows.begin(), rows.end(), current);
    host_.list->selectRowSet(moved, at == rows.end() ? current : moved[std::size_t(at - rows.begin())]);
    host_.list->setFocus();
}

void FrameListCommands::tellAtEnd(int step) const
{
    host_.context->dialogs().inform(host_.window, step < 0
                                                      ? QCoreApplication::translate("pictoreel::MainWindow", "The frame is already at the top.")
                                                      : QCoreApplication::translate("pictoreel::MainWindow", "The frame is already at the bottom."));
}

void FrameListCommands::deleteSelectedFrames()
{
    const std::vector<int> rows = host_.list->selectedRows();
    if (rows.empty())
        return;
    host_.frames->removeRows(rows);
    host_.frames->RenumberFrames();
    // The row after the first one removed takes its place, or the new last row.
    host_.list->selectRow(std::min(rows.front(), host_.frames->rowCount()));
    showEditedFrames(host_);
    host_.applyAutoSizeRule();
}

}  // namespace pictoreel
