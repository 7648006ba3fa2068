#include "gui/main_window/frame_list_model.h"

#include "core/project/frame_values.h"
#include "gui/widgets/twips.h"

#include <QApplication>
#include <QFileInfo>
#include <QStyle>

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <array>

namespace pictoreel {

namespace {

struct ColumnLook {
    const char* caption;
    int widthTwips;
    Qt::Alignment alignment;
};

constexpr std::array<ColumnLook, kFrameColumnCount> kColumns{{
    {"NO", 700, Qt::AlignLeft},
    {"Interval", 700, Qt::AlignRight},
    {"Trans", 700, Qt::AlignHCenter},
    {"Trans Color", 999, Qt::AlignLeft},
    {"File Name", 1440, Qt::AlignLeft},
    {"Full Path", 3440, Qt::AlignLeft},
}};

bool validColumn(int column) { return column >= 0 && column < kFrameColumnCount; }

// Where a row whose picture is missing shows its warning.
constexpr int kFileNameColumn = static_cast<int>(FrameColumn::FileName);

}  // namespace

FrameListModel::FrameListModel(FrameList& frames, QObject* parent) : QAbstractItemModel(parent), frames_(frames)
{
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
    }
}

void FrameListModel::refreshMissingPictures()
{
    const std::vector<bool> before = missing_;
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

FrameListModel::~FrameListModel() { frames_.setObserver({}); }

QString FrameListModel::columnCaption(int column)
{
    return validColumn(column) ? QString::fromLatin1(kColumns[column].caption) : QString();
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
        if (index.column() == kFileNameColumn && isPictureMissing(index.row() + 1)) {
            const QString picture = GetFramePicturePath(frames_, index.row() + 1);
            return picture.isEmpty() ? tr("The frame names no picture file.")
                                     : tr("The picture file is missing: %1").arg(picture);
        }
        if (index.column() != static_cast<int>(FrameColumn::FullPath))
            return {};
        return entry.column(FrameColumn::FullPath);
    case Qt::DecorationRole:
        if (index.column() == kFileNameColumn && isPictureMissing(index.row() + 1))
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
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
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
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

FrameListView::FrameListView(QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("ListView1"));
    setAccessibleName(QStringLiteral("Frames"));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
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

void FrameListView::mouseReleaseEvent(QMouseEvent* event)
{
    const QModelIndex hit = indexAt(event->position().toPoint());
    QTreeView::mouseReleaseEvent(event);
    if (hit.isValid() && event->button() == Qt::LeftButton)
        Q_EMIT rowClicked(hit.row() + 1);
}

void FrameListView::keyPressEvent(QKeyEvent* event)
{
    const int before = selectedRow();
    QTreeView::keyPressEvent(event);
    const int after = selectedRow();
    if (after != 0 && after != before)
        Q_EMIT rowClicked(after);
}

}  // namespace pictoreel
