// The steps the row commands share (see rows_host.h).
#include "gui/main_window/rows_host.h"

#include "core/project/frame_list.h"
#include "gui/app/app_context.h"
#include "gui/app/dialogs.h"
#include "gui/main_window/frame_list_model.h"

#include <QCoreApplication>

namespace pictoreel {

void tellWhenNoFrames(const RowsHost& host)
{
    if (host.frames->isEmpty())
        host.context->dialogs().inform(host.window, QCoreApplication::translate("pictoreel::MainWindow", "No files in the list!"));
}

void showEditedFrames(const RowsHost& host)
{
    if (host.list->selectedRow() == 0)
        host.list->selectRow(1);
    host.showFrame();
    host.list->setFocus();
}

}  // namespace pictoreel
