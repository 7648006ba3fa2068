// "AVI to GIF Converter": an AVI file in `txtAVI` becomes the animated GIF named in `txtGIF`.
#pragma once

#include "gui/converters/converter_window.h"

namespace pictoreel {

// The open dialog's entry for the videos the converter reads, "description|patterns"; the main
// window's "Add Video Frames ..." offers it too.
inline constexpr auto kVideoFilesFilter =
    "Video Files(*.avi;*.mp4;*.m4v;*.mov;*.mkv;*.webm;*.ts;*.m2ts;*.mts;*.mpg;*.mpeg;*.vob;*.ogv;*.flv;*.wmv;*.asf;*.3gp;*.ivf;*.y4m)|*.avi;*.mp4;*.m4v;*.mov;*.mkv;*.webm;*.ts;*.m2ts;*.mts;*.mpg;*.mpeg;*.vob;*.ogv;*.flv;*.wmv;*.asf;*.3gp;*.ivf;*.y4m";

class AviToGifWindow final : public ConverterWindow {
    Q_OBJECT
public:
    explicit AviToGifWindow(Dialogs& dialogs, QWidget* parent = nullptr);
};

}  // namespace pictoreel
