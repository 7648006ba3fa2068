// The frame list on screen: a flat item model that shows the core FrameList row for row (the
// list itself is the only copy of the data), and the report view `ListView1` over it.
#pragma once

#include "core/project/frame_list.h"

#include <QAbstractItemModel>
#include <QTimer>
#include <QTreeView>

#include <functional>

#include <vector>

namespace pictoreel {

class FrameThumbnails;

class FrameListModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit FrameListModel(FrameList& frames, QObject* parent = nullptr);
    ~FrameListModel() override;

    // Column captions and widths in twips, in column order.
    static QString columnCaption(int column);
    static int columnWidthTwips(int column);
    static Qt::Alignment columnAlignment(int column);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Drag and drop: rows dragged within the list move there (their numbers follow); local files
    // dropped between rows are handed on with filesDropped. Other drops are refused.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;

    // Looks again whether each row's picture file exists. A row whose picture is missing shows a
    // warning icon before its number and says so in its tooltip; its texts stay as they are.
    // Rows are looked at when they are added or changed; after a make or preview, all of them.
    void refreshMissingPictures();
    int missingPictureCount() const;
    bool isPictureMissing(int row) const;  // 1-based
    // The row's picture file is there but cannot be read (known once its thumbnail was tried): its
    // thumbnail shows a broken-picture mark, its File Name the warning, the tooltip the reason.
    bool isPictureBroken(int row) const;

    // Whether each row shows a thumbnail of its picture before its number (made in the
    // background; the row repaints when it arrives). On at first.
    void setThumbnailsShown(bool shown);
    bool thumbnailsShown() const { return thumbnailsShown_; }

Q_SIGNALS:
    // Files dropped on the list, to stand before row `before` (1-based; 0: at the end).
    void filesDropped(const QStringList& paths, int before);
    // Rows moved by a drag now stand from `first` (1-based) on.
    void rowsDragged(int first, int count);

private:
    void lookAtRows(int first, int last);  // 1-based, inclusive
    void thumbnailsChanged();

    FrameList& frames_;
    std::vector<bool> missing_;  // by 0-based row
    FrameThumbnails* thumbnails_;
    bool thumbnailsShown_ = true;
};

// `ListView1`: one line per frame, a check box before the number, whole rows selected, several
// at once with Shift and Ctrl; the current row is the highlighted one. rowClicked reports the rows the user picks with the mouse or the arrow keys (1-based), not
// selections the program makes.
class FrameListView final : public QTreeView {
    Q_OBJECT
public:
    explicit FrameListView(QWidget* parent = nullptr);

    // The highlighted row, 1-based; 0 when none is.
    int selectedRow() const;
    // Makes `row` (1-based) the highlighted row and scrolls it into view.
    void selectRow(int row);
    // Highlights the rows from `first` to `last` (1-based), as many as the selection mode allows.
    void selectRows(int first, int last);
    // The selected rows, 1-based and in order.
    std::vector<int> selectedRows() const;
    // Selects exactly `rows` (1-based) and makes `current` the highlighted row.
    void selectRowSet(const std::vector<int>& rows, int current);

    // Whole rows are picked: bringing one into view scrolls up or down only, as a report list
    // does, never sideways to the cell that was clicked.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

    // Asked when a mouse press would pick a row: false keeps the press, and the release after it,
    // from the list (a value just left was refused, and its box has the focus back).
    void setPickCheck(std::function<bool()> check) { pickCheck_ = std::move(check); }

    // Once rows come or change, each column but the last grows to the width its cells and its
    // caption need (a moment later, once for many changes); none shrinks, so a list without rows
    // keeps the widths it was given and a width the user widened stays.
    void setModel(QAbstractItemModel* model) override;
    void fitColumnsToContents();

Q_SIGNALS:
    void rowClicked(int row);
    // The Delete key, pressed with the list in focus.
    void deleteRequested();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Dropped files are always copies: the files stay where they are, whatever the source offers.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    std::function<bool()> pickCheck_;
    bool pressRefused_ = false;
    // A row reached by the keys is told once the keys typed meanwhile are handled: arrowing
    // through large pictures shows the row the keys stop at, not every row on the way.
    QTimer* keyedRow_ = nullptr;
    QTimer* columnsFit_ = nullptr;
};

}  // namespace pictoreel
