// The drag of a vertical splitter between two panes. The grip takes the mouse; while its left
// button is held a grey bar follows the pointer across the frame, and on release the window lays
// its panes out at the bar. Lengths are in twips, kept unrounded between moves; the window's own
// limits on the pane widths apply in its layout call, never during the drag.
#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace pictoreel {

class SplitterDrag final : public QObject {
public:
    // `layOut` gets the bar's left edge when a drag ends. The drag lives as long as the grip.
    SplitterDrag(QWidget* grip, QWidget* bar, int gripWidthTwips, int gripLeftTwips,
                 std::function<void(int)> layOut);

    // The grey drag bar, hidden, for the frame the panes lie in.
    static QWidget* makeBar(QWidget* frame);

    // Places the grip at `leftTwips` down the frame's whole height, and the bar where it last stood.
    void place(int leftTwips, int frameHeightTwips);

    void press();
    // x is the pointer's position within the grip.
    void move(int xTwips);
    void release();
    bool dragging() const { return dragging_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* grip_;
    QWidget* bar_;
    int gripWidth_;
    int gripLeft_;
    int barLeft_ = 0;
    bool dragging_ = false;
    std::function<void(int)> layOut_;
};

}  // namespace pictoreel
