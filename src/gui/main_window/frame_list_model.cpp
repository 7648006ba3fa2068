#include "gui/main_window/frame_list_model.h"

#include "core/project/frame_values.h"
#include "gui/main_window/frame_drops.h"
#include "gui/main_window/frame_thumbnails.h"
#include "gui/widgets/twips.h"

#include <QApplication>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>
#include <QStyle>

#include <QDragMoveEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <array>
#include <utility>

namespace pictoreel {

namespace {

struct ColumnLook {
    const char* caption;
    int widthTwips;
    Qt::Alignment alignment;
};

constexpr std::array<ColumnLook, kFrameColumnCount> kColumns{{
    {QT_TRANSLATE_NOOP("pictoreel::FrameListModel", "NO"), 700, Qt::AlignLeft},
    {QT_TRANSLATE_NOOP("pictoreel::FrameListModel", "Interval"), 700, Qt::AlignRight},
    {QT_TRANSLATE_NOOP("pictoreel::FrameListModel", "Trans"), 700, Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("pictoreel::FrameListModel", "Trans Color"), 999, Qt::AlignLeft},
    {QT_TRANSLATE_NOOP("pictoreel::FrameListModel", "File Name"), 1440, Qt::AlignLeft},
    {QT_TRANSLATE_NOOP("pictoreel::FrameListModel", "Full Path"), 3440, Qt::AlignLeft},
}};

bool validColumn(int column) { return column >= 0 && column < kFrameColumnCount; }

// Where a row whose picture is missing shows its warning.
constexpr int kFileNameColumn = static_cast<int>(FrameColumn::FileName);

// Where each row shows a swatch of its transparent colour, beside the colour's number.
constexpr int kTransColorColumn = static_cast<int>(FrameColumn::TransColor);

// A narrow bar of the colour in a dark frame, made once per colour: narrow, so that the column's
// number keeps the room it always had.
QPixmap colourSwatch(std::int32_t colorRef)
{
    const QString key = QStringLiteral("pictoreel-swatch-%1").arg(colorRef);
    QPixmap swatch;
    if (QPixmapCache::find(key, &swatch))
        return swatch;
    constexpr int kWidth = 6, kHeight = 12;
    swatch = QPixmap(kWidth, kHeight);
    swatch.fill(QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF));
    QPainter painter(&swatch);
    painter.setPen(QColor(0x60, 0x60, 0x60));
    painter.drawRect(0, 0, kWidth - 1, kHeight - 1);
    painter.end();
    QPixmapCache::insert(key, swatch);
    return swatch;
}

// Rows dragged within the list: "<process>:<model>" on the first line, so that rows dragged from
// another list or another running program are not taken for ours, then the 1-based rows.
const QString kRowsFormat = QStringLiteral("application/x-pictoreel-frame-rows");

QByteArray rowsOwner(const void* model)
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' + QByteArray::number(quintptr(model));
}

std::vector<int> draggedRows(const QMimeData* data, const void* model)
{
    const QList<QByteArray> lines = data->data(kRowsFormat).split('\n');
    std::vector<int> rows;
    if (lines.size() < 2 || lines[0] != rowsOwner(model))
        return rows;
    for (const QByteArray& number : lines[1].split(',')) {
        bool ok = false;
        const int row = number.toInt(&ok);
        if (ok)
            rows.push_back(row);
    }
    return rows;
}

}  // namespace

FrameListModel::FrameListModel(FrameList& frames, QObject* parent)
    : QAbstractItemModel(parent), frames_(frames), thumbnails_(new FrameThumbnails(this))
{
    connect(thumbnails_, &FrameThumbnails::thumbnailsChanged, this, &FrameListModel::thumbnailsChanged);
    // The list reports 1-based row ranges; the model speaks 0-based rows.
    FrameListObserver observer;
    observer.rowsAboutToBeInserted = [this](int first, int last) { beginInsertRows({}, first - 1, last - 1); };
    observer.rowsInserted = [this](int first, int last) {
        missing_.insert(missing_.begin() + (first - 1), std::size_t(last - first + 1), false);
        lookAtRows(first, last);
        endInsertRows();
    };
    observer.rowsAboutToBeRemoved = [this](int first, int last) { beginRemoveRows({}, first - 1, last - 1); };
    observer.rowsRemoved = [this](int first, int last) {
        missing_.erase(missing_.begin() + (first - 1), missing_.begin() + last);
        endRemoveRows();
    };
    observer.rowsChanged = [this](int first, int last) {
        lookAtRows(first, last);
        Q_EMIT dataChanged(index(first - 1, 0), index(last - 1, kFrameColumnCount - 1));
    };
    frames_.setObserver(std::move(observer));
    missing_.assign(std::size_t(frames_.rowCount()), false);
    lookAtRows(1, frames_.rowCount());
}

void FrameListModel::lookAtRows(int first, int last)
{
    for (int row = first; row <= last && row <= frames_.rowCount(); ++row) {
        const QString picture = GetFramePicturePath(frames_, row);
        missing_[std::size_t(row - 1)] = picture.isEmpty() || !QFileInfo(picture).isFile();
        thumbnails_->recheck(picture);
    }
}

void FrameListModel::refreshMissingPictures()
{
    const std::vector<bool> before = missing_;
    thumbnails_->recheckAll();
    lookAtRows(1, frames_.rowCount());
    for (std::size_t i = 0; i < missing_.size(); ++i)
        if (before[i] != missing_[i])
            Q_EMIT dataChanged(index(int(i), kFileNameColumn), index(int(i), kFileNameColumn), {Qt::DecorationRole, Qt::ToolTipRole});
}

int FrameListModel::missingPictureCount() const
{
    return static_cast<int>(std::count(missing_.begin(), missing_.end(), true));
}

bool FrameListModel::isPictureMissing(int row) const
{
    return row >= 1 && row <= int(missing_.size()) && missing_[std::size_t(row - 1)];
}

bool FrameListModel::isPictureBroken(int row) const
{
    return row >= 1 && row <= frames_.rowCount() && !isPictureMissing(row)
           && thumbnails_->readFailure(GetFramePicturePath(frames_, row)).has_value();
}

FrameListModel::~FrameListModel() { frames_.setObserver({}); }

void FrameListModel::setThumbnailsShown(bool shown)
{
    if (shown == thumbnailsShown_)
        return;
    thumbnailsShown_ = shown;
    thumbnailsChanged();
}

void FrameListModel::thumbnailsChanged()
{
    // A thumbnail belongs to a picture file, not to a row: every row asks for its own again, so
    // rows moved or removed meanwhile show what they hold now. The view repaints the rows it shows,
    // and takes the row height anew from the first row.
    // A picture found unreadable on the way marks its File Name too.
    if (frames_.rowCount() > 0)
        Q_EMIT dataChanged(index(0, 0), index(frames_.rowCount() - 1, kFileNameColumn), {Qt::DecorationRole, Qt::ToolTipRole});
}

QString FrameListModel::columnCaption(int column)
{
    return validColumn(column) ? tr(kColumns[column].caption) : QString();
}

int FrameListModel::columnWidthTwips(int column) { return validColumn(column) ? kColumns[column].widthTwips : 0; }

Qt::Alignment FrameListModel::columnAlignment(int column)
{
    return validColumn(column) ? kColumns[column].alignment : Qt::AlignLeft;
}

QModelIndex FrameListModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= frames_.rowCount() || !validColumn(column))
        return {};
    return createIndex(row, column);
}

QModelIndex FrameListModel::parent(const QModelIndex&) const { return {}; }

int FrameListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : frames_.rowCount(); }

int FrameListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kFrameColumnCount; }

QVariant FrameListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= frames_.rowCount())
        return {};
    const FrameEntry& entry = frames_.row(index.row() + 1);
    switch (role) {
    case Qt::DisplayRole:
        return entry.column(static_cast<FrameColumn>(index.column()));
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:  // a screen reader says what the warning sign shows
        if (index.column() == kFileNameColumn && isPictureMissing(index.row() + 1)) {
            const QString picture = GetFramePicturePath(frames_, index.row() + 1);
            return picture.isEmpty() ? tr("The frame names no picture file.")
                                     : tr("The picture file is missing: %1").arg(picture);
        }
        if ((index.column() == kFileNameColumn || index.column() == 0) && isPictureBroken(index.row() + 1)) {
            const QString picture = GetFramePicturePath(frames_, index.row() + 1);
            return tr("The picture cannot be read: %1\n%2").arg(picture, *thumbnails_->readFailure(picture));
        }
        if (role != Qt::ToolTipRole || index.column() != static_cast<int>(FrameColumn::FullPath))
            return {};
        return entry.column(FrameColumn::FullPath);
    case Qt::DecorationRole:
        if (index.column() == 0 && thumbnailsShown_)
            return thumbnails_->thumbnail(GetFramePicturePath(frames_, index.row() + 1));
        if (index.column() == kFileNameColumn && (isPictureMissing(index.row() + 1) || isPictureBroken(index.row() + 1)))
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        if (index.column() == kTransColorColumn)
            return colourSwatch(frameValuesAt(frames_, index.row() + 1).colour());
        return {};
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return entry.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(columnAlignment(index.column()) | Qt::AlignVCenter);
    default:
        return {};
    }
}

bool FrameListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole)
        return false;
    frames_.setChecked(index.row() + 1, value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags FrameListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;  // drops land between rows, never on one
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren | Qt::ItemIsDragEnabled;
    if (index.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant FrameListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || !validColumn(section))
        return {};
    if (role == Qt::DisplayRole)
        return columnCaption(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(columnAlignment(section) | Qt::AlignVCenter);
    return {};
}

// ---- drag and drop ------------------------------------------------------------------------------

QStringList FrameListModel::mimeTypes() const { return {kRowsFormat, QStringLiteral("text/uri-list")}; }

Qt::DropActions FrameListModel::supportedDropActions() const { return Qt::CopyAction | Qt::MoveAction; }

Qt::DropActions FrameListModel::supportedDragActions() const { return Qt::MoveAction; }

QMimeData* FrameListModel::mimeData(const QModelIndexList& indexes) const
{
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid())
            rows.push_back(index.row() + 1);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QByteArrayList numbers;
    for (int row : rows)
        numbers.append(QByteArray::number(row));
    auto* data = new QMimeData;
    data->setData(kRowsFormat, rowsOwner(this) + '\n' + numbers.join(','));
    return data;
}

bool FrameListModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int, const QModelIndex& parent) const
{
    if (!data || parent.isValid())
        return false;
    if (data->hasFormat(kRowsFormat))
        return action == Qt::MoveAction && !draggedRows(data, this).empty();
    return action == Qt::CopyAction && !droppedLocalFiles(data).isEmpty();
}

bool FrameListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column, const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const int before = row < 0 || row >= frames_.rowCount() ? 0 : row + 1;
    if (!data->hasFormat(kRowsFormat)) {
        Q_EMIT filesDropped(droppedLocalFiles(data), before);
        return true;
    }
    // The move is whole here: the model removes no rows, so the view's clean-up after a moving
    // drag finds nothing to take away.
    const std::vector<int> rows = draggedRows(data, this);
    const int first = frames_.moveRows(rows, before == 0 ? frames_.rowCount() + 1 : before);
    frames_.RenumberFrames();
    Q_EMIT rowsDragged(first, int(rows.size()));
    return true;
}

FrameListView::FrameListView(QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("ListView1"));
    setAccessibleName(tr("Frames"));
    keyedRow_ = new QTimer(this);
    keyedRow_->setSingleShot(true);
    keyedRow_->setInterval(0);
    connect(keyedRow_, &QTimer::timeout, this, [this] {
        if (const int row = selectedRow(); row != 0)
            Q_EMIT rowClicked(row);
    });
    columnsFit_ = new QTimer(this);
    columnsFit_->setSingleShot(true);
    columnsFit_->setInterval(0);
    connect(columnsFit_, &QTimer::timeout, this, &FrameListView::fitColumnsToContents);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(true);
    setAccessibleDescription(tr("Drop picture files or folders here to add them as frames, a project "
                                            "to open it, or a video to add its frames; drag frames to reorder them."));
}

void FrameListView::setModel(QAbstractItemModel* model)
{
    if (this->model())
        disconnect(this->model(), nullptr, columnsFit_, nullptr);
    QTreeView::setModel(model);
    if (!model)
        return;
    const auto fitSoon = [this] { columnsFit_->start(); };
    connect(model, &QAbstractItemModel::rowsInserted, columnsFit_, fitSoon);
    connect(model, &QAbstractItemModel::dataChanged, columnsFit_, fitSoon);
    connect(model, &QAbstractItemModel::modelReset, columnsFit_, fitSoon);
}

void FrameListView::fitColumnsToContents()
{
    if (!model() || model()->rowCount() == 0)
        return;
    // The last column, the full path, runs on to the right as far as its path goes.
    for (int c = 0; c + 1 < header()->count(); ++c)
        if (const int needed = std::max(sizeHintForColumn(c), header()->sectionSizeHint(c)); needed > header()->sectionSize(c))
            header()->resizeSection(c, needed);
}

int FrameListView::selectedRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}

void FrameListView::selectRow(int row)
{
    if (!model() || row < 1 || row > model()->rowCount())
        return;
    const QModelIndex target = model()->index(row - 1, 0);
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(target);
}

void FrameListView::selectRows(int first, int last)
{
    selectRow(first);
    if (selectionMode() == QAbstractItemView::SingleSelection || last <= first || last > model()->rowCount())
        return;
    selectionModel()->select(QItemSelection(model()->index(first - 1, 0), model()->index(last - 1, 0)),
                             QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

std::vector<int> FrameListView::selectedRows() const
{
    std::vector<int> rows;
    if (selectionModel())
        for (const QModelIndex& index : selectionModel()->selectedRows())
            rows.push_back(index.row() + 1);
    std::sort(rows.begin(), rows.end());
    return rows;
}

void FrameListView::selectRowSet(const std::vector<int>& rows, int current)
{
    selectRow(current);
    QItemSelection selection;
    for (int row : rows)
        if (row >= 1 && row <= model()->rowCount())
            selection.select(model()->index(row - 1, 0), model()->index(row - 1, 0));
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

namespace {

// Runs the view's own handling of a drag, files taken as copies.
template <class Event, class Handle>
void handleDrag(Event* event, Handle handle)
{
    if (event->mimeData()->hasFormat(kRowsFormat)) {
        handle();
        return;
    }
    if (!(event->possibleActions() & Qt::CopyAction) || droppedLocalFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    handle();
    if (event->isAccepted())
        event->setDropAction(Qt::CopyAction);
}

}  // namespace

void FrameListView::dragEnterEvent(QDragEnterEvent* event) { handleDrag(event, [&] { QTreeView::dragEnterEvent(event); }); }
void FrameListView::dragMoveEvent(QDragMoveEvent* event) { handleDrag(event, [&] { QTreeView::dragMoveEvent(event); }); }
void FrameListView::dropEvent(QDropEvent* event) { handleDrag(event, [&] { QTreeView::dropEvent(event); }); }

void FrameListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    const int across = horizontalScrollBar()->value();
    QTreeView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(across);
}

void FrameListView::mousePressEvent(QMouseEvent* event)
{
    pressRefused_ = pickCheck_ && !pickCheck_();
    if (pressRefused_) {
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void FrameListView::mouseReleaseEvent(QMouseEvent* event)
{
    if (std::exchange(pressRefused_, false)) {
        event->accept();
        return;
    }
    const QModelIndex hit = indexAt(event->position().toPoint());
    QTreeView::mouseReleaseEvent(event);
    if (hit.isValid() && event->button() == Qt::LeftButton) {
        keyedRow_->stop();
        Q_EMIT rowClicked(hit.row() + 1);
    }
}

void FrameListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        Q_EMIT deleteRequested();
        return;
    }
    const int before = selectedRow();
    QTreeView::keyPressEvent(event);
    const int after = selectedRow();
    if (after != 0 && after != before)
        keyedRow_->start();
}

}  // namespace pictoreel
