#include "gui/widgets/one_line_box.h"

#include <QLineEdit>

#include <algorithm>

namespace pictoreel {

void keepOnOneLine(QLineEdit* box)
{
    // Only what the user types or pastes can bring a line break; the box stays modified by it.
    QObject::connect(box, &QLineEdit::textEdited, box, [box](const QString& text) {
        const auto isBreak = [](QChar c) { return c == u'\n' || c == u'\r'; };
        if (std::none_of(text.begin(), text.end(), isBreak))
            return;
        const int cursor = box->cursorPosition();
        const auto breaksBeforeCursor = std::count_if(text.begin(), text.begin() + cursor, isBreak);
        QString oneLine = text;
        oneLine.removeIf(isBreak);
        box->setText(oneLine);
        box->setModified(true);
        box->setCursorPosition(cursor - static_cast<int>(breaksBeforeCursor));
    });
}

}  // namespace pictoreel
