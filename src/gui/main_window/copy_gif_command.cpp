// Edit, "Copy GIF": the animation the status bar tells of as made last, or else the file the
// output box names when it is there, goes on the clipboard.
#include "gui/main_window/main_window.h"

#include "gui/app/dialogs.h"
#include "gui/main_window/make_commands.h"
#include "gui/player/player_window.h"
#include "gui/widgets/made_gif_transfer.h"

#include <QFileInfo>

namespace pictoreel {

void MainWindow::CopyGif()
{
    QString file = makeCommands().madeFile();
    if (file.isEmpty())
        file = makeCommands().outputPath();
    if (file.isEmpty() || !QFileInfo(file).isFile() || !copyMadeGif(file))
        context_.dialogs().inform(this, tr("There is no made GIF to copy: make it first."));
}

}  // namespace pictoreel
