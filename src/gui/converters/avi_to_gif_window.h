// "AVI to GIF Converter": an AVI file in `txtAVI` becomes the animated GIF named in `txtGIF`.
#pragma once

#include "gui/converters/converter_window.h"

namespace pictoreel {

class AviToGifWindow final : public ConverterWindow {
    Q_OBJECT
public:
    explicit AviToGifWindow(Dialogs& dialogs, QWidget* parent = nullptr);
};

}  // namespace pictoreel
