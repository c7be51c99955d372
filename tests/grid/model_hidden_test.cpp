// Hidden rows and columns, the index mapping, removals around hidden rows,
// the hidden selection, the save range and the column order.
#include <gtest/gtest.h>

#include "modeltesting.h"

namespace {

using modeltesting::GridOnForm;
using modeltesting::Ints;
using Strings = std::vector<std::string>;

class HiddenRows : public ::testing::Test, public GridOnForm {
 protected:
  void SetUp() override {
    grid.SetRowCount(10);
    NumberRows(1);
  }
};

TEST_F(HiddenRows, MapBetweenDisplayAndRealIndexes) {
  grid.SetRowHeights(5, 40);
  grid.HideRow(3);
  grid.HideRow(5);
  EXPECT_EQ(grid.RowCount(), 8);
  EXPECT_EQ(grid.TotalRowCount(), 10);
  EXPECT_EQ(grid.RemapRow(6), 4);
  EXPECT_EQ(grid.RemapRowInv(4), 6);
  EXPECT_EQ(grid.RemapRowInv(3), 4);
  EXPECT_EQ(grid.RemapRowInv(-1), -1);
  EXPECT_EQ(grid.GetGridCell(1, 4), "6");
  EXPECT_TRUE(grid.IsHiddenRow(5));
  EXPECT_EQ(grid.HiddenRow(5)->Get(1), "5");

  grid.UnHideRowsAll();
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
  EXPECT_EQ(grid.RowHeights(5), 40);
  EXPECT_EQ(grid.NumHiddenRows(), 0);
}

TEST_F(HiddenRows, HidingARangeAroundAHiddenRowKeepsTheListOrdered) {
  grid.HideRow(6);
  grid.HideRows(5, 8);
  ASSERT_EQ(grid.NumHiddenRows(), 4);
  for (int r = 5; r <= 8; ++r) EXPECT_EQ(grid.HiddenRow(r)->Get(1), std::to_string(r));
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "2", "3", "4", "9"}));

  grid.UnHideRows(4, 8);  // row 4 is shown: nothing happens
  EXPECT_EQ(grid.NumHiddenRows(), 4);
  grid.UnHideRows(5, 8);
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
}

TEST_F(HiddenRows, AHiddenListAndTheOnePassRestoreWorkBehindRowsHiddenBefore) {
  grid.HideRows(2, 3);
  grid.HideRowList(Ints({1, 3, 7, 8}));  // 3 is hidden already
  EXPECT_EQ(AllTexts(1), (Strings{"0", "4", "5", "6", "9"}));
  for (int r : {1, 2, 3, 7, 8}) EXPECT_TRUE(grid.IsHiddenRow(r)) << r;

  grid.UnHideRowList();
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
}

// Rows hidden in passes, one by one, read and changed while hidden, all come
// back in their places with their texts and heights.
TEST_F(HiddenRows, RowsHiddenInPassesComeBackAsTheyWereLeft) {
  grid.SetRowHeights(3, 30);
  grid.SetRowHeights(7, 35);
  grid.HideRowList(Ints({2, 3, 5}));
  grid.HideRowList(Ints({7}));
  grid.HideRow(8);
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "4", "6", "9"}));
  EXPECT_EQ(grid.HiddenRow(3)->Get(1), "3");
  EXPECT_EQ(grid.HiddenRow(4), nullptr);
  grid.SetCellsEx(1, 5, "five");
  EXPECT_EQ(grid.GetCellsEx(1, 7), "7");
  EXPECT_EQ(grid.GetCellsEx(1, 2), "2");

  grid.UnHideRowList();
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "2", "3", "4", "five", "6", "7", "8", "9"}));
  EXPECT_EQ(grid.RowHeights(3), 30);
  EXPECT_EQ(grid.RowHeights(7), 35);
  EXPECT_EQ(grid.RowHeights(2), grid.DefaultRowHeight());

  // Hidden in one pass and shown again untouched.
  grid.HideRowList(Ints({1, 3, 4}));
  EXPECT_EQ(AllTexts(1), (Strings{"0", "2", "five", "6", "7", "8", "9"}));
  grid.UnHideRowList();
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "2", "3", "4", "five", "6", "7", "8", "9"}));
  EXPECT_EQ(grid.RowHeights(3), 30);
}

TEST_F(HiddenRows, RemovalsRenumberHiddenRowsByTheRealIndexOfTheRowsThatLeave) {
  grid.HideRow(3);
  grid.HideRow(7);
  // Display rows 2..4 are real rows 2, 4 and 5: real rows 3 and 7 stay hidden
  // and become 2 and 4.
  grid.RemoveRows(2, 3);
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "6", "8", "9"}));
  grid.UnHideRowsAll();
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "3", "6", "7", "8", "9"}));

  grid.HideRow(2);
  grid.HideRowsEx(5, 6);  // hides 5 and 6 without renumbering the hidden row 2
  EXPECT_TRUE(grid.IsHiddenRow(2));
  grid.UnHideRowsAll();
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "3", "6", "7", "8", "9"}));
}

TEST_F(HiddenRows, RemovingAtOrPastTheEndRemovesNothingAndCountsAreClamped) {
  grid.RemoveRows(grid.RowCount(), 1);
  EXPECT_EQ(grid.RowCount(), 10);
  grid.RemoveRows(8, 5);
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "2", "3", "4", "5", "6", "7"}));
  grid.SetRow(7);
  grid.RemoveRows(6, 2);  // the current row is gone: the last normal row becomes current
  EXPECT_EQ(grid.Row(), 5);
}

TEST_F(HiddenRows, TheHiddenSelectionComesBackOrFallsToTheFirstNormalCell) {
  grid.SetSelection({2, 7, 3, 8});
  grid.HideSelection();
  EXPECT_TRUE(grid.SelectionHidden());
  grid.UnHideSelection();
  EXPECT_EQ(grid.Selection(), (TGridRect{2, 7, 3, 8}));

  grid.HideSelection();
  grid.SetRowCount(5);
  grid.UnHideSelection();
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 1, 1, 1}));
}

TEST_F(HiddenRows, SetRowExReportsANewRowOnce) {
  std::vector<std::pair<int, int>> reports;
  grid.OnRowUpdate = [&](TObject*, int oldRow, int newRow) { reports.emplace_back(oldRow, newRow); };
  grid.SetRowEx(4);
  grid.SetRowEx(4);
  grid.SetRowEx(6);
  EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{-1, 4}, {4, 6}}));
}

TEST(HiddenColumns, AHiddenColumnKeepsItsCellsAndItsWidth) {
  GridOnForm g;
  g.grid.SetRowCount(3);
  for (int c = 0; c < 5; ++c) g.grid.SetGridCell(c, 1, "c" + std::to_string(c));
  g.grid.SetColWidths(1, 90);
  g.grid.SetColWidths(2, 30);
  g.grid.HideColumn(1);
  EXPECT_EQ(g.grid.ColCount(), 4);
  EXPECT_EQ(g.grid.TotalColCount(), 5);
  EXPECT_EQ(g.grid.RemapCol(1), 2);
  EXPECT_EQ(g.grid.RemapColInv(4), 3);
  EXPECT_EQ(g.grid.ColWidths(1), 30);
  EXPECT_EQ(g.grid.GetGridCell(1, 1), "c1");

  // The hidden column's cells travel with their rows.
  g.grid.SetGridCell(1, 2, "low");
  g.grid.SetGridCell(2, 2, "a");
  g.grid.SetGridCell(2, 1, "b");
  g.grid.SortSettings()->Column = 2;
  g.grid.QSort();
  EXPECT_EQ(g.grid.GetGridCell(1, 1), "low");
  EXPECT_EQ(g.grid.ColCount(), 4);

  g.grid.UnHideColumnsAll();
  EXPECT_EQ(g.grid.ColCount(), 5);
  EXPECT_EQ(g.grid.ColWidths(1), 90);
  EXPECT_EQ(g.grid.ColWidths(2), 30);
}

TEST(HiddenColumns, TheLastShownColumnStays) {
  GridOnForm g;
  g.grid.SetColCount(2);
  g.grid.SetFixedCols(0);
  g.grid.HideColumns(0, 1);
  EXPECT_EQ(g.grid.ColCount(), 1);
  EXPECT_EQ(g.grid.NumHiddenColumns(), 1);
  EXPECT_FALSE(g.grid.IsHiddenColumn(512));
}

TEST(SaveRange, FixedCellsAreIncludedUnlessLeftOut) {
  GridOnForm g;
  EXPECT_EQ(g.grid.GetSaveStartRow(), 0);
  g.grid.ExportFixedCells = false;
  g.grid.Props().FixedFooters = 2;
  EXPECT_EQ(g.grid.GetSaveEndRow(), g.grid.RowCount() - 3);
  EXPECT_EQ(g.grid.GetSaveStartCol(), 1);
  EXPECT_EQ(g.grid.GetSaveRowCount(), g.grid.RowCount() - 3);
  g.grid.SaveIncludesFixed = true;
  EXPECT_EQ(g.grid.GetSaveEndRow(), g.grid.RowCount() - 1);
  EXPECT_EQ(g.grid.GetSaveColCount(), g.grid.ColCount());
}

TEST(ColumnOrder, ResetMovesColumnsBackToTheRecordedOrder) {
  GridOnForm g;
  for (int c = 0; c < 5; ++c) g.grid.SetGridCell(c, 0, std::to_string(c));
  g.grid.ResetColumnOrder();  // nothing recorded: nothing moves
  g.grid.MoveColumn(4, 0);
  g.grid.MoveColumn(4, 1);
  g.grid.MoveColumn(4, 2);
  g.grid.MoveColumn(4, 3);
  EXPECT_EQ(g.grid.GetGridCell(0, 0), "4");
  g.grid.ResetColumnOrder();
  for (int c = 0; c < 5; ++c) EXPECT_EQ(g.grid.GetGridCell(c, 0), std::to_string(c));
}

TEST(WideCells, ATextWrittenWideReadsBackUnchanged) {
  GridOnForm g;
  const WideString text = u"\u00e9t\u00e9 \u65e5\u672c";
  g.grid.SetWideCells(1, 1, text);
  EXPECT_EQ(g.grid.GetWideCells(1, 1), text);
  EXPECT_TRUE(g.grid.IsWideCell(1, 1));
}

}  // namespace
