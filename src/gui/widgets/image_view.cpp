#include "gui/widgets/image_view.h"

#include "core/media/imaging_component.h"
#include "gui/widgets/checkerboard.h"

#include <QAction>
#include <QActionGroup>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace pictoreel {

ImageView::ImageView(ImagingComponent& component, QWidget* parent)
    : QAbstractScrollArea(parent), component_(component)
{
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);  // the picture lies on the page, as before
    setFocusPolicy(Qt::StrongFocus);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    fitAction_ = addScaleAction(tr("&Fit"), true);
    actualSizeAction_ = addScaleAction(tr("&100 %"), false);
    fitAction_->setChecked(true);
    component_.setChangedHandler([this] { pictureChanged(); });
}

ImageView::~ImageView() { component_.setChangedHandler({}); }

QAction* ImageView::addScaleAction(const QString& text, bool fit)
{
    auto* group = fitAction_ ? fitAction_->actionGroup() : new QActionGroup(this);
    auto* action = new QAction(text, group);
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, fit] { setFitToView(fit); });
    addAction(action);
    return action;
}

void ImageView::setFitToView(bool fit)
{
    fit_ = fit;
    (fit ? fitAction_ : actualSizeAction_)->setChecked(true);
    pictureChanged();
}

void ImageView::pictureChanged()
{
    scaled_ = QImage();
    updateScrollBars();
    viewport()->update();
}

void ImageView::updateScrollBars()
{
    const bool shown = component_.displayFlag() && component_.hasImage();
    const QSize picture = shown && !fit_ ? QSize(component_.ImageWidth(), component_.ImageHeight()) : QSize();
    // Each bar takes the room of the other into account, as Qt lays them out once both are set.
    const QSize room = maximumViewportSize();
    const bool wide = picture.width() > room.width(), tall = picture.height() > room.height();
    const int barWidth = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const bool needH = wide || (tall && picture.width() > room.width() - barWidth);
    const bool needV = tall || (wide && picture.height() > room.height() - barWidth);
    const QSize view(room.width() - (needV ? barWidth : 0), room.height() - (needH ? barWidth : 0));
    horizontalScrollBar()->setRange(0, std::max(0, picture.width() - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setRange(0, std::max(0, picture.height() - view.height()));
    verticalScrollBar()->setPageStep(view.height());
}

QRect ImageView::pictureRect() const
{
    if (!component_.displayFlag() || !component_.hasImage())
        return {};
    const QSize picture(component_.ImageWidth(), component_.ImageHeight());
    const QSize view = viewport()->size();
    if (!fit_)
        return {QPoint(-horizontalScrollBar()->value(), -verticalScrollBar()->value()), picture};
    QSize shown = picture;
    if (picture.width() > view.width() || picture.height() > view.height())
        shown = picture.scaled(view, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    return {QPoint((view.width() - shown.width()) / 2, (view.height() - shown.height()) / 2), shown};
}

void ImageView::paintEvent(QPaintEvent*)
{
    const QRect target = pictureRect();
    if (target.isEmpty())
        return;
    const RgbaImage& picture = component_.image();
    // A view of the component's pixels, valid while this paint runs.
    const QImage view(picture.pixels.data(), picture.width, picture.height, picture.width * 4,
                      QImage::Format_RGBA8888);
    QPainter painter(viewport());
    paintCheckerboard(painter, target);  // where the picture is transparent, the pattern shows
    if (target.size() == view.size()) {
        painter.drawImage(target.topLeft(), view);
    } else {
        if (scaled_.size() != target.size())  // averaged down once, not at every paint
            scaled_ = view.scaled(target.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(target.topLeft(), scaled_);
    }
    if (tool_)
        tool_->paint(painter, pictureToView());
}

QTransform ImageView::pictureToView() const
{
    const QRect target = pictureRect();
    if (target.isEmpty())
        return {};
    return QTransform::fromTranslate(target.x(), target.y())
        .scale(double(target.width()) / component_.ImageWidth(), double(target.height()) / component_.ImageHeight());
}

void ImageView::setTool(ImageViewTool* tool)
{
    tool_ = tool;
    toolDragging_ = false;
    viewport()->setMouseTracking(tool != nullptr);
    viewport()->unsetCursor();
    viewport()->update();
}

void ImageView::mousePressEvent(QMouseEvent* event)
{
    QAbstractScrollArea::mousePressEvent(event);
    if (tool_ && event->button() == Qt::LeftButton && !pictureRect().isEmpty())
        toolDragging_ = tool_->press(pictureToView().inverted().map(event->position()));
    if (toolDragging_)
        viewport()->update();
}

void ImageView::mouseMoveEvent(QMouseEvent* event)
{
    QAbstractScrollArea::mouseMoveEvent(event);
    if (!tool_ || pictureRect().isEmpty())
        return;
    const QPointF at = pictureToView().inverted().map(event->position());
    if (toolDragging_) {
        tool_->move(at);
        viewport()->update();
    } else {
        viewport()->setCursor(tool_->cursorAt(at));
    }
}

void ImageView::mouseReleaseEvent(QMouseEvent* event)
{
    QAbstractScrollArea::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (std::exchange(toolDragging_, false)) {
        tool_->release(pictureToView().inverted().map(event->position()));
        viewport()->update();
        return;
    }
    if (pictureRect().contains(event->position().toPoint()))
        component_.raiseImageClick();
}

void ImageView::keyPressEvent(QKeyEvent* event)
{
    if (tool_ && tool_->key(event->key())) {
        viewport()->update();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void ImageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ImageView::scrollContentsBy(int, int) { viewport()->update(); }

}  // namespace pictoreel
