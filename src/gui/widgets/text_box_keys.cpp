#include "gui/widgets/text_box_keys.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace pictoreel {

bool isTextEditingKey(const QKeyEvent* key)
{
    for (QKeySequence::StandardKey standard : {QKeySequence::SelectAll, QKeySequence::Cut, QKeySequence::Copy,
                                               QKeySequence::Paste, QKeySequence::Undo, QKeySequence::Redo})
        if (key->matches(standard))
            return true;
    return false;
}

}  // namespace pictoreel
