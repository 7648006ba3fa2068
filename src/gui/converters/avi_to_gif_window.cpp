#include "gui/converters/avi_to_gif_window.h"

#include <QByteArray>

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
    static const QByteArray sourceFilter = QByteArray(kVideoFilesFilter) + "|AVI Files(*.avi)|*.avi";
    t.sourceFilter = sourceFilter.constData();
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
