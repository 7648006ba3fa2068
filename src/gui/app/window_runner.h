// How the tool windows are shown modally. By default a window is modal to the window that opened
// it and the call returns at once (QDialog::open); the window is deleted when it is closed. Window
// tests put in a runner instead, which looks at the window, drives it and closes it before it
// returns; the window is deleted then. Either way nothing ever waits on a person.
#pragma once

#include <QDialog>

#include <functional>

namespace pictoreel {

// Shows `window` modally and returns when it is closed.
using WindowRunner = std::function<void(QDialog& window)>;

inline void execWindow(QDialog& window) { window.exec(); }

// Shows `window`, made with new, through `runner` when there is one, or else window-modal and
// returning at once. The window is deleted when it is done with.
inline void showModal(QDialog* window, const WindowRunner& runner)
{
    if (runner) {
        runner(*window);
        delete window;
        return;
    }
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->open();
}

}  // namespace pictoreel
