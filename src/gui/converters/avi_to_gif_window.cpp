#include "gui/converters/avi_to_gif_window.h"

namespace pictoreel {

namespace {

ConverterTexts aviToGifTexts()
{
    ConverterTexts t;
    t.aviToGif = true;
    t.objectName = "frmAVI2GIF";
    t.caption = "AVI to GIF Converter";
    t.sourceGroup = "Open AVI File";
    t.targetGroup = "Set GIF File";
    t.sourceFilter = "Video Files(*.avi;*.mp4;*.m4v;*.mov;*.mkv;*.webm)|*.avi;*.mp4;*.m4v;*.mov;*.mkv;*.webm|AVI Files(*.avi)|*.avi";
    t.targetFilter = "Animated GIF File(*.gif)|*.gif";
    t.sourceExtension = ".avi";
    t.targetExtension = ".gif";
    t.noSource = "Please open an avi file";
    t.noTarget = "Please set a gif file";
    t.failed = "The AVI file could not be converted to an animated GIF.";
    t.clientHeightTwips = 3045;
    return t;
}

}  // namespace

AviToGifWindow::AviToGifWindow(Dialogs& dialogs, QWidget* parent) : ConverterWindow(aviToGifTexts(), dialogs, parent) {}

}  // namespace pictoreel
