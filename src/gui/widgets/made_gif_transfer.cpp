#include "gui/widgets/made_gif_transfer.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

namespace pictoreel {

namespace {

QString pictureTypeOf(const QString& file)
{
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QLatin1String("webp"))
        return QStringLiteral("image/webp");
    if (suffix == QLatin1String("png") || suffix == QLatin1String("apng"))
        return QStringLiteral("image/png");
    return QStringLiteral("image/gif");
}

// Starts a drag once the left button has moved far enough from where it was pressed, and shows
// the context menu.
class MadeGifOffer final : public QObject {
public:
    MadeGifOffer(QWidget* widget, std::function<QString()> madeFile) : QObject(widget), widget_(widget), madeFile_(std::move(madeFile))
    {
        widget->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != widget_)
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton)
                pressedAt_ = mouse->position().toPoint();
            break;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if ((mouse->buttons() & Qt::LeftButton) && pressedAt_ &&
                (mouse->position().toPoint() - *pressedAt_).manhattanLength() >= QApplication::startDragDistance()) {
                pressedAt_.reset();
                drag();
                return true;
            }
            break;
        }
        case QEvent::MouseButtonRelease: pressedAt_.reset(); break;
        case QEvent::ContextMenu: {
            const QString file = madeFile_();
            if (file.isEmpty() || !QFileInfo(file).isFile())
                return false;
            QMenu menu(widget_);
            QAction* copy = menu.addAction(QCoreApplication::translate("pictoreel::MadeGifTransfer", "Copy GIF"));
            copy->setObjectName(QStringLiteral("mnuCopyGif"));
            connect(copy, &QAction::triggered, &menu, [file] { copyMadeGif(file); });
            menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos());
            return true;
        }
        default: break;
        }
        return false;
    }

private:
    void drag()
    {
        const QString file = madeFile_();
        QMimeData* data = file.isEmpty() ? nullptr : madeGifMimeData(file);
        if (!data)
            return;
        auto* drag = new QDrag(widget_);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction);
    }

    QWidget* widget_;
    std::function<QString()> madeFile_;
    std::optional<QPoint> pressedAt_;
};

}  // namespace

QMimeData* madeGifMimeData(const QString& file)
{
    QFile in(file);
    if (!QFileInfo(file).isFile() || !in.open(QIODevice::ReadOnly))
        return nullptr;
    auto* data = new QMimeData;
    data->setData(pictureTypeOf(file), in.readAll());
    data->setUrls({QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath())});
    return data;
}

bool copyMadeGif(const QString& file)
{
    QMimeData* data = madeGifMimeData(file);
    if (!data)
        return false;
    QApplication::clipboard()->setMimeData(data);
    return true;
}

void offerMadeGif(QWidget* widget, std::function<QString()> madeFile) { new MadeGifOffer(widget, std::move(madeFile)); }

}  // namespace pictoreel
