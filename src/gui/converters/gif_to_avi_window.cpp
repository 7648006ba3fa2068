#include "gui/converters/gif_to_avi_window.h"

namespace pictoreel {

namespace {

ConverterTexts gifToAviTexts()
{
    ConverterTexts t;
    t.aviToGif = false;
    t.objectName = "frmGIF2AVI";
    t.caption = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "GIF to AVI Converter");
    t.sourceGroup = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "Open GIF File");
    t.targetGroup = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "Set AVI File");
    t.sourceFilter = "Animated GIF File(*.gif)|*.gif";
    t.targetFilter = "Animated AVI File(*.avi)|*.avi|MP4 Video(*.mp4)|*.mp4|WebM Video(*.webm)|*.webm";
    t.sourceExtension = ".gif";
    t.targetExtension = ".avi";
    t.noSource = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "Please open a gif file");
    t.noTarget = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "Please set an AVI file");
    t.failed = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "The animated GIF could not be converted to an AVI file.");
    t.clientHeightTwips = 3030;
    return t;
}

}  // namespace

GifToAviWindow::GifToAviWindow(Dialogs& dialogs, QWidget* parent) : ConverterWindow(gifToAviTexts(), dialogs, parent) {}

}  // namespace pictoreel
