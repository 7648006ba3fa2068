// The frame list's columns: a list without rows keeps its first-start widths; rows widen each
// column but the path to what its cells need, and a column the user widened stays.
#include "gui/support/window_fixture.h"
#include "gui/widgets/twips.h"

#include <QHeaderView>

namespace pictoreel::testing {
namespace {

TEST_F(WindowTest, ColumnsGrowToTheirCellsOnceRowsComeAndNeverShrink)
{
    QHeaderView* header = listView()->header();
    const int colour = static_cast<int>(FrameColumn::TransColor), name = static_cast<int>(FrameColumn::FileName);
    const int firstColour = header->sectionSize(colour), firstPath = header->sectionSize(kFrameColumnCount - 1);
    ASSERT_EQ(firstColour, twipsToPixels(FrameListModel::columnWidthTwips(colour)));
    header->resizeSection(name, 300);  // by hand, wider than its names need
    addPictures({QStringLiteral("a.png")});
    QCoreApplication::processEvents();
    // The white of the new frame, a number beside its swatch, needs more than the first width.
    const QAbstractItemView* view = listView();  // where the cells' width is public
    EXPECT_GE(header->sectionSize(colour), view->sizeHintForColumn(colour));
    EXPECT_GT(header->sectionSize(colour), firstColour);
    EXPECT_EQ(header->sectionSize(name), 300);
    EXPECT_EQ(header->sectionSize(kFrameColumnCount - 1), firstPath);
}

}  // namespace
}  // namespace pictoreel::testing
