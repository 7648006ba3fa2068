#include "gui/widgets/splitter_drag.h"

#include "gui/widgets/twips.h"

#include <QMouseEvent>
#include <QPalette>
#include <QWidget>

#include <algorithm>

namespace pictoreel {

SplitterDrag::SplitterDrag(QWidget* grip, QWidget* bar, int gripWidthTwips, int gripLeftTwips,
                           std::function<void(int)> layOut)
    : QObject(grip), grip_(grip), bar_(bar), gripWidth_(gripWidthTwips), gripLeft_(gripLeftTwips),
      layOut_(std::move(layOut))
{
    grip_->setCursor(Qt::SplitHCursor);
    grip_->installEventFilter(this);
}

QWidget* SplitterDrag::makeBar(QWidget* frame)
{
    auto* bar = new QWidget(frame);
    bar->setAutoFillBackground(true);
    QPalette grey = bar->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    bar->setPalette(grey);
    bar->hide();
    return bar;
}

void SplitterDrag::place(int leftTwips, int frameHeightTwips)
{
    placeTwips(grip_, leftTwips, 0, gripWidth_, frameHeightTwips);
    gripLeft_ = leftTwips;
    placeTwips(bar_, barLeft_, 0, gripWidth_ / 2, frameHeightTwips);
}

void SplitterDrag::press()
{
    barLeft_ = gripLeft_;
    placeTwips(bar_, barLeft_, pixelsToTwips(grip_->y()), gripWidth_ / 2, heightTwips(grip_) - 20);
    bar_->raise();
    bar_->show();
    dragging_ = true;
}

void SplitterDrag::move(int xTwips)
{
    if (!dragging_)
        return;
    barLeft_ = std::clamp(gripLeft_ + xTwips, 0, widthTwips(grip_->parentWidget()));
    placeTwips(bar_, barLeft_, pixelsToTwips(bar_->y()), gripWidth_ / 2, heightTwips(bar_));
}

void SplitterDrag::release()
{
    layOut_(barLeft_);
    bar_->hide();
    dragging_ = false;
}

bool SplitterDrag::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != grip_)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
            press();
        return true;
    case QEvent::MouseMove:
        move(pixelsToTwips(static_cast<QMouseEvent*>(event)->position().toPoint().x()));
        return true;
    case QEvent::MouseButtonRelease:
        if (dragging_)
            release();
        return true;
    default:
        return false;
    }
}

}  // namespace pictoreel
