// Tools, "Record Screen ...": the menu entry says why when this session cannot be recorded.
#pragma once

class QAction;

namespace pictoreel {

// Disables `action`, with the reason as its tool tip and status text, when the screen cannot be
// recorded here.
void explainRecordScreen(QAction& action);

}  // namespace pictoreel
