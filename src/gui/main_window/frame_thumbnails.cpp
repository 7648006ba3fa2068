#include "gui/main_window/frame_thumbnails.h"

#include "core/formats/picture_formats.h"
#include "core/media/imaging_component.h"

#include <QGuiApplication>
#include <QPainter>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace pictoreel {

namespace {

// Requests beyond this many waiting are forgotten, the oldest first: rows scrolled past quickly
// are asked for again when they are shown again.
constexpr std::size_t kMostWaiting = 100;

// The size the picture will be fitted to, when its header tells its size, so that a large JPEG is
// decoded at a reduced scale and a very large picture comes out already scaled with its shape
// kept. Nothing when the header does not tell.
QSize shrinkHintFor(const QString& path, int side)
{
    const std::optional<PictureSize> picture = peekPictureFileSize(path);
    if (!picture || picture->width <= 0 || picture->height <= 0)
        return {};
    return QSize(picture->width, picture->height).scaled(side, side, Qt::KeepAspectRatio).expandedTo({1, 1});
}

// The picture shrunk (never enlarged) to fit a square of `side` pixels, centred on a transparent one.
QImage fittedSquare(const RgbaImage& picture, int side)
{
    const QImage view(picture.pixels.data(), picture.width, picture.height, picture.width * 4, QImage::Format_RGBA8888);
    QSize fitted = view.size();
    if (fitted.width() > side || fitted.height() > side)
        fitted = fitted.scaled(side, side, Qt::KeepAspectRatio).expandedTo({1, 1});
    QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage(QPoint((side - fitted.width()) / 2, (side - fitted.height()) / 2),
                      view.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return square;
}

qreal screenRatio() { return qApp ? qApp->devicePixelRatio() : 1.0; }

int sidePixels() { return static_cast<int>(std::ceil(FrameThumbnails::kSide * screenRatio())); }

}  // namespace

FrameThumbnails::FrameThumbnails(QObject* parent) : QObject(parent)
{
    pool_.setMaxThreadCount(std::clamp(QThread::idealThreadCount(), 1, 2));
}

FrameThumbnails::~FrameThumbnails()
{
    waiting_.clear();
    pool_.waitForDone();
}

FrameThumbnails::Answer FrameThumbnails::makeThumbnail(const QString& path, std::optional<FileStamp> known, int pixels)
{
    Answer answer{path, stampOf(path), false, {}, {}};
    answer.unchanged = answer.stamp && known && *answer.stamp == *known;
    if (!answer.stamp || answer.unchanged)
        return answer;
    ImagingComponent picture;
    const Status loaded = picture.LoadImage(path, shrinkHintFor(path, pixels));
    if (loaded && picture.hasImage())
        answer.image = fittedSquare(picture.image(), pixels);
    else
        answer.failure = loaded ? tr("The picture holds no image.") : loaded.error().message;
    return answer;
}

QPixmap FrameThumbnails::thumbnail(const QString& path)
{
    const Entry* entry = cache_.object(path);
    if (!entry || entry->looked != generation_)
        request(path, entry);
    if (!entry)
        return emptySquare();
    if (entry->pixmap.isNull())
        return brokenMark();  // nothing to show: no file, or one that cannot be read
    return entry->pixmap;
}

std::optional<QString> FrameThumbnails::readFailure(const QString& path) const
{
    const Entry* entry = cache_.object(path);
    if (!entry || !entry->stamp || entry->failure.isEmpty())
        return std::nullopt;
    return entry->failure;
}

void FrameThumbnails::recheck(const QString& path)
{
    if (cache_.contains(path))  // without making it the most recently used
        cache_.object(path)->looked = 0;
    if (auto asked = pending_.find(path); asked != pending_.end())
        asked.value() = 0;
}

void FrameThumbnails::recheckAll() { ++generation_; }

void FrameThumbnails::request(const QString& path, const Entry* known)
{
    if (path.isEmpty() || pending_.contains(path))
        return;
    pending_.insert(path, generation_);
    waiting_.emplace_front(path, known ? known->stamp : std::nullopt);
    if (waiting_.size() > kMostWaiting) {
        pending_.remove(waiting_.back().first);
        waiting_.pop_back();
    }
    startWaiting();
}

void FrameThumbnails::startWaiting()
{
    while (running_ < pool_.maxThreadCount() && !waiting_.empty()) {
        auto [path, known] = std::move(waiting_.front());
        waiting_.pop_front();
        ++running_;
        pool_.start([this, path = std::move(path), known = std::move(known), pixels = sidePixels()] {
            Answer answer = makeThumbnail(path, known, pixels);
            QMetaObject::invokeMethod(this, [this, answer = std::move(answer)] { take(answer); }, Qt::QueuedConnection);
        });
    }
}

void FrameThumbnails::take(const Answer& answer)
{
    --running_;
    const quint64 looked = pending_.take(answer.path);
    if (answer.unchanged) {
        // Nothing new; an entry dropped from the cache meanwhile is asked for again when shown.
        if (Entry* entry = cache_.object(answer.path))
            entry->looked = looked;
    } else {
        auto* entry = new Entry{answer.stamp, QPixmap::fromImage(answer.image), answer.failure, looked};
        entry->pixmap.setDevicePixelRatio(screenRatio());
        cache_.insert(answer.path, entry);
        if (!changeSignalled_) {
            // One signal for the thumbnails that arrive together.
            changeSignalled_ = true;
            QMetaObject::invokeMethod(this, [this] {
                changeSignalled_ = false;
                Q_EMIT thumbnailsChanged();
            }, Qt::QueuedConnection);
        }
    }
    startWaiting();
}

QPixmap FrameThumbnails::emptySquare() const
{
    const int pixels = sidePixels();
    if (empty_.width() != pixels) {
        empty_ = QPixmap(pixels, pixels);
        empty_.fill(Qt::transparent);
        empty_.setDevicePixelRatio(screenRatio());
    }
    return empty_;
}

QPixmap FrameThumbnails::brokenMark() const
{
    const int pixels = sidePixels();
    if (broken_.width() != pixels) {
        // A torn page: a grey sheet with a red cross over it.
        QImage mark(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
        mark.fill(Qt::transparent);
        QPainter painter(&mark);
        painter.setRenderHint(QPainter::Antialiasing);
        const qreal unit = pixels / 32.0;
        painter.setPen(QPen(QColor(0x70, 0x70, 0x70), 1.5 * unit));
        painter.setBrush(QColor(0xF0, 0xF0, 0xF0));
        painter.drawRect(QRectF(7 * unit, 4 * unit, 18 * unit, 24 * unit));
        painter.setPen(QPen(QColor(0xD0, 0x20, 0x20), 3 * unit, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(11 * unit, 10 * unit), QPointF(21 * unit, 22 * unit));
        painter.drawLine(QPointF(21 * unit, 10 * unit), QPointF(11 * unit, 22 * unit));
        painter.end();
        broken_ = QPixmap::fromImage(mark);
        broken_.setDevicePixelRatio(screenRatio());
    }
    return broken_;
}

}  // namespace pictoreel
