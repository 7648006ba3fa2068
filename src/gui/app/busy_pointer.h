// The hourglass while a command works: over the whole program, or over one window only.
#pragma once

#include <QApplication>
#include <QWidget>

namespace pictoreel {

class BusyPointer {
public:
    // Over the whole program when `window` is null, over `window` otherwise.
    explicit BusyPointer(QWidget* window = nullptr) : window_(window)
    {
        if (window_)
            window_->setCursor(Qt::WaitCursor);
        else
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~BusyPointer()
    {
        if (window_)
            window_->unsetCursor();
        else
            QApplication::restoreOverrideCursor();
    }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    QWidget* window_;
};

}  // namespace pictoreel
