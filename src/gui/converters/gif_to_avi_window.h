// "GIF to AVI Converter": an animated GIF in `txtGIF` becomes the AVI file named in `txtAVI`.
#pragma once

#include "gui/converters/converter_window.h"

namespace pictoreel {

class GifToAviWindow final : public ConverterWindow {
    Q_OBJECT
public:
    explicit GifToAviWindow(Dialogs& dialogs, QWidget* parent = nullptr);
};

}  // namespace pictoreel
