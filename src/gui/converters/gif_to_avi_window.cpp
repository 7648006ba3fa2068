#include "gui/converters/gif_to_avi_window.h"

namespace pictoreel {

namespace {

ConverterTexts gifToAviTexts()
{
    ConverterTexts t;
    t.aviToGif = false;
    t.objectName = "frmGIF2AVI";
    t.caption = "GIF to AVI Converter";
    t.sourceGroup = "Open GIF File";
    t.targetGroup = "Set AVI File";
    t.sourceFilter = "Animated GIF File(*.gif)|*.gif";
    t.targetFilter = "Animated AVI File(*.avi)|*.avi|MP4 Video(*.mp4)|*.mp4|WebM Video(*.webm)|*.webm";
    t.sourceExtension = ".gif";
    t.targetExtension = ".avi";
    t.noSource = "Please open a gif file";
    t.noTarget = "Please set an AVI file";
    t.failed = "The animated GIF could not be converted to an AVI file.";
    t.clientHeightTwips = 3030;
    return t;
}

}  // namespace

GifToAviWindow::GifToAviWindow(Dialogs& dialogs, QWidget* parent) : ConverterWindow(gifToAviTexts(), dialogs, parent) {}

}  // namespace pictoreel
