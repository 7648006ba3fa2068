// The status bar of the main window and the frames extractor: one sunken text panel across it
// and the progress bar pbPer, which the window places over the panel itself.
#pragma once

class QLabel;
class QMainWindow;
class QObject;
class QProgressBar;
class QStatusBar;

namespace pictoreel {

struct ProgressStatusBar {
    QStatusBar* bar = nullptr;
    QLabel* panel = nullptr;
    QProgressBar* progress = nullptr;
};

// Builds `window`'s status bar, `heightPixels` high, with the panel and the progress bar (0..100,
// no text). `eventFilter` watches the bar and the panel, so the window can lay the progress bar
// out when they change size.
ProgressStatusBar addProgressStatusBar(QMainWindow& window, int heightPixels, QObject* eventFilter);

}  // namespace pictoreel
