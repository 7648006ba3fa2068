// The frame list on screen: a flat item model that shows the core FrameList row for row (the
// list itself is the only copy of the data), and the report view `ListView1` over it.
#pragma once

#include "core/project/frame_list.h"

#include <QAbstractItemModel>
#include <QTreeView>

#include <vector>

namespace pictoreel {

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

    // Looks again whether each row's picture file exists. A row whose picture is missing shows a
    // warning icon before its number and says so in its tooltip; its texts stay as they are.
    // Rows are looked at when they are added or changed; after a make or preview, all of them.
    void refreshMissingPictures();
    int missingPictureCount() const;
    bool isPictureMissing(int row) const;  // 1-based

private:
    void lookAtRows(int first, int last);  // 1-based, inclusive

    FrameList& frames_;
    std::vector<bool> missing_;  // by 0-based row
};

// `ListView1`: one line per frame, a check box before the number, whole rows selected.
// rowClicked reports the rows the user picks with the mouse or the arrow keys (1-based), not
// selections the program makes.
class FrameListView final : public QTreeView {
    Q_OBJECT
public:
    explicit FrameListView(QWidget* parent = nullptr);

    // The highlighted row, 1-based; 0 when none is.
    int selectedRow() const;
    // Makes `row` (1-based) the highlighted row and scrolls it into view.
    void selectRow(int row);

Q_SIGNALS:
    void rowClicked(int row);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace pictoreel
