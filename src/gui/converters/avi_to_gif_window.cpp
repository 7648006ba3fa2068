#include "gui/converters/avi_to_gif_window.h"

#include <QByteArray>

namespace pictoreel {

namespace {

ConverterTexts aviToGifTexts()
{
    ConverterTexts t;
    t.aviToGif = true;
    t.objectName = "frmAVI2GIF";
    t.caption = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "AVI to GIF Converter");
    t.sourceGroup = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "Open AVI File");
    t.targetGroup = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "Set GIF File");
    static const QByteArray sourceFilter = QByteArray(kVideoFilesFilter) + "|AVI Files(*.avi)|*.avi";
    t.sourceFilter = sourceFilter.constData();
    t.targetFilter = "Animated GIF File(*.gif)|*.gif";
    t.sourceExtension = ".avi";
    t.targetExtension = ".gif";
    t.noSource = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "Please open an avi file");
    t.noTarget = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "Please set a gif file");
    t.failed = QT_TRANSLATE_NOOP("pictoreel::ConverterWindow", "The AVI file could not be converted to an animated GIF.");
    t.clientHeightTwips = 3045;
    return t;
}

}  // namespace

AviToGifWindow::AviToGifWindow(Dialogs& dialogs, QWidget* parent) : ConverterWindow(aviToGifTexts(), dialogs, parent) {}

}  // namespace pictoreel
