// Cell access by real row and column, hidden rows and columns included,
// and by the row order from before the last sort.
#include <gtest/gtest.h>

#include "grid/zgutil.h"
#include "modeltesting.h"

namespace {

using modeltesting::GridOnForm;

class RealIndexes : public ::testing::Test, public GridOnForm {
 protected:
  void SetUp() override {
    grid.SetColCount(5);
    grid.SetRowCount(10);
    for (int c = 0; c < 5; ++c)
      for (int r = 0; r < 10; ++r) grid.SetGridCell(c, r, std::to_string(c) + ":" + std::to_string(r));
  }
};

TEST_F(RealIndexes, HiddenRowsAnswerFromWhatTheyKeep) {
  grid.HideRows(3, 4);
  EXPECT_EQ(grid.GetAllRowCount(), 10);
  EXPECT_EQ(grid.GetCellsEx(2, 3), "2:3");
  EXPECT_EQ(grid.GetCellsEx(2, 6), "2:6");  // shown at display row 4
  EXPECT_EQ(grid.GetCellsEx(7, 3), "");     // no such column in the kept row

  grid.SetCellsEx(2, 4, "kept");
  grid.SetCellsEx(2, 6, "shown");
  EXPECT_EQ(grid.GetGridCell(2, 4), "shown");
  grid.SetWideCellsEx(1, 3, u"\u00e9t\u00e9");
  EXPECT_EQ(grid.GetWideCellsEx(1, 3), u"\u00e9t\u00e9");
  grid.SetAllFloats(0, 3, 2.5);
  EXPECT_DOUBLE_EQ(grid.GetAllFloats(0, 3), 2.5);

  grid.UnHideRowsAll();
  EXPECT_EQ(grid.GetGridCell(2, 4), "kept");
  EXPECT_EQ(grid.GetGridCell(2, 6), "shown");
  EXPECT_EQ(grid.GetWideCells(1, 3), u"\u00e9t\u00e9");
}

TEST_F(RealIndexes, ObjectsOfHiddenRowsComeBackWithTheRow) {
  TObject a, b;
  grid.SetObjectsEx(1, 2, &a);
  grid.HideRows(2, 3);
  EXPECT_EQ(grid.GetObjectsEx(1, 2), &a);
  EXPECT_EQ(grid.GetObjectsEx(1, 3), nullptr);
  grid.SetObjectsEx(1, 3, &b);
  EXPECT_EQ(grid.GetObjectsEx(1, 3), &b);
  grid.SetObjectsEx(4, 2, nullptr);  // nothing to clear: nothing is created
  EXPECT_EQ(grid.GetObjectsEx(4, 2), nullptr);

  grid.UnHideRowsAll();
  EXPECT_EQ(grid.GetObjectEx(1, 2), &a);
  EXPECT_EQ(grid.GetObjectEx(1, 3), &b);
}

TEST_F(RealIndexes, WritesOutsideTheGridAreDropped) {
  grid.SetCellsEx(1, 10, "x");
  grid.SetCellsEx(1, -1, "x");
  EXPECT_EQ(grid.RowCount(), 10);
  EXPECT_EQ(grid.GetCellsEx(1, 10), "");
}

TEST_F(RealIndexes, HiddenColumnsKeepTheirWidthAndCount) {
  grid.SetColWidths(1, 40);
  grid.SetColWidths(2, 50);
  grid.HideColumn(1);
  EXPECT_EQ(grid.GetAllColCount(), 5);
  EXPECT_EQ(grid.GetAllColWidths(1), 40);
  EXPECT_EQ(grid.GetAllColWidths(2), 50);

  grid.SetAllColWidths(1, 33);
  grid.SetAllColWidths(3, 44);
  EXPECT_EQ(grid.ColWidths(2), 44);  // real column 3 shows at display column 2
  EXPECT_EQ(grid.GetCellsEx(1, 5), "1:5");
  grid.UnHideColumn(1);
  EXPECT_EQ(grid.ColWidths(1), 33);
  EXPECT_EQ(grid.ColWidths(3), 44);
}

TEST_F(RealIndexes, RowsByTheirPlaceBeforeTheSort) {
  Column(1, {"c", "a", "b"});  // rows 1..3
  EXPECT_EQ(grid.UnSortedRowIndex(2), 2);  // nothing sorted yet
  grid.SortSettings()->AutoFormat = false;
  grid.SortSettings()->Column = 1;
  grid.QSort();
  ASSERT_EQ(Texts(1), (std::vector<std::string>{"a", "b", "c"}));

  // Row 1 held "c" before the sort and now shows at row 3.
  EXPECT_EQ(grid.UnSortedRowIndex(1), 3);
  EXPECT_EQ(grid.SortedRowIndex(3), 1);
  EXPECT_EQ(grid.SortedRowIndex(0), 0);
  EXPECT_EQ(grid.GetUnSortedCell(1, 1), "c");
  EXPECT_EQ(grid.UnSortedRowIndex(9), grid.SortXRef()->Count());
  grid.SetUnSortedCell(1, 2, "A");
  EXPECT_EQ(grid.GetGridCell(1, 1), "A");
  grid.SetUnSortedCell(1, 9, "lost");  // not in the cross-reference
  EXPECT_EQ(grid.RowCount(), 4);
  EXPECT_EQ(Texts(1), (std::vector<std::string>{"A", "b", "c"}));
}

}  // namespace
