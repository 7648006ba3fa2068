// The frame list's columns: a list without rows keeps its first-start widths; rows widen each
// column but the path to what its cells and caption need, and a column the user widened stays.
#include "gui/support/window_fixture.h"
#include "gui/widgets/twips.h"

#include <QHeaderView>

namespace pictoreel::testing {
namespace {

TEST_F(WindowTest, ColumnsGrowToTheirCellsOnceRowsComeAndNeverShrink)
{
    QHeaderView* header = listView()->header();
    const auto widths = [header] {
        QList<int> list;
        for (int c = 0; c < header->count(); ++c)
            list.append(header->sectionSize(c));
        return list;
    };
    QList<int> first;
    for (int c = 0; c < kFrameColumnCount; ++c)
        first.append(twipsToPixels(FrameListModel::columnWidthTwips(c)));
    first[0] = header->sectionSize(0);  // with the shown thumbnails' room
    ASSERT_EQ(widths(), first);

    header->resizeSection(4, first[4] + 150);  // File Name, widened by hand
    addPictures({QStringLiteral("a.png"), QStringLiteral("b.png")});
    QCoreApplication::processEvents();
    const QList<int> grown = widths();
    for (int c = 0; c + 1 < kFrameColumnCount; ++c) {
        const QAbstractItemView* view = listView();  // where the cells' width is public
        EXPECT_GE(grown[c], std::max(view->sizeHintForColumn(c), header->sectionSizeHint(c))) << c;
        EXPECT_GE(grown[c], c == 4 ? first[c] + 150 : first[c]) << c;
    }
    // The white of the new frames, as a number beside its swatch, needs more than the first width.
    EXPECT_GT(grown[static_cast<int>(FrameColumn::TransColor)], first[static_cast<int>(FrameColumn::TransColor)]);
    EXPECT_EQ(grown.last(), first.last());
}

}  // namespace
}  // namespace pictoreel::testing
