// Moving, inserting and removing columns while some columns and rows are
// hidden.
#include <gtest/gtest.h>

#include "modeltesting.h"

namespace {

using modeltesting::GridOnForm;
using Strings = std::vector<std::string>;

// Six columns whose cells read "<column><row>" and whose widths are
// 20 + column; real columns 2 and 4 and real row 2 are hidden.
struct HiddenBothSides : GridOnForm {
  HiddenBothSides() {
    grid.SetColCount(6);
    grid.SetRowCount(4);
    for (int c = 0; c < 6; ++c) {
      grid.SetColWidths(c, 20 + c);
      for (int r = 0; r < 4; ++r) grid.SetGridCell(c, r, std::to_string(c) + std::to_string(r));
    }
    // The hidden row keeps cell properties, which a removal must free.
    grid.GetCellProperties(3, 2)->FontSize = 20;
    grid.HideColumn(2);
    grid.HideColumn(4);
    grid.HideRow(2);
  }
  // Row r's texts over the shown columns, each read through its real index.
  Strings ShownRow(int r) {
    Strings out;
    for (int d = 0; d < grid.ColCount(); ++d) out.push_back(grid.GetGridCell(grid.RemapCol(d), r));
    return out;
  }
  // Row r's texts and the widths with every column and row shown again.
  Strings AllShown(int r) {
    grid.UnHideColumnsAll();
    grid.UnHideRowsAll();
    Strings out;
    for (int c = 0; c < grid.ColCount(); ++c)
      out.push_back(grid.GetGridCell(c, r) + "/" + std::to_string(grid.ColWidths(c)));
    return out;
  }
};

TEST(ColumnMove, CellsWidthsAndHiddenCellsGoByRealIndex) {
  struct Case {
    int from, to;
    Strings shown;   // row 1 over the shown columns after the move
    Strings whole;   // row 2 (hidden during the move) with all shown
  };
  const Case cases[] = {
      {1, 3, {"01", "31", "51", "11"}, {"02/20", "22/22", "32/23", "42/24", "52/25", "12/21"}},
      {3, 1, {"01", "51", "11", "31"}, {"02/20", "52/25", "12/21", "22/22", "32/23", "42/24"}},
      {2, 0, {"31", "01", "11", "51"}, {"32/23", "02/20", "12/21", "22/22", "42/24", "52/25"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to));
    HiddenBothSides g;
    g.grid.MoveColumn(c.from, c.to);
    EXPECT_EQ(g.ShownRow(1), c.shown);
    EXPECT_EQ(g.grid.ColCount(), 4);
    EXPECT_EQ(g.grid.NumHiddenColumns(), 2);
    EXPECT_EQ(g.AllShown(2), c.whole);
  }
}

class ColumnMoveWithHidden : public ::testing::Test, public HiddenBothSides {};

TEST_F(ColumnMoveWithHidden, SortKeysCurrentColumnAndOrderFollowTheColumn) {
  grid.SortSettings()->Column = 5;
  grid.SortIndexes()->AddIndex(3, false);
  grid.SortIndexes()->AddIndex(1, true);
  grid.SetCol(1);
  grid.MoveColumn(1, 3);  // real column 1 goes behind real column 5
  EXPECT_EQ(grid.SortSettings()->Column, 4);
  EXPECT_EQ(grid.SortIndexes()->SortColumns(0), 2);
  EXPECT_FALSE(grid.SortIndexes()->SortDirections(0));
  EXPECT_EQ(grid.SortIndexes()->SortColumns(1), 5);
  EXPECT_EQ(grid.Col(), 3);
  EXPECT_EQ(grid.ColumnOrder()->Items(3), 1);

  grid.ResetColumnOrder();
  EXPECT_EQ(ShownRow(1), (Strings{"01", "11", "31", "51"}));
}

TEST_F(ColumnMoveWithHidden, AMoveThroughTheFrameworkGridRecordsTheOrderToo) {
  static_cast<TCustomGrid&>(grid).MoveColumn(3, 1);
  ASSERT_EQ(grid.ColumnOrder()->Count(), 4);
  EXPECT_EQ(grid.ColumnOrder()->Items(1), 3);
  grid.ResetColumnOrder();
  EXPECT_EQ(ShownRow(2), (Strings{"03", "13", "33", "53"}));
}

TEST(ColumnInsertRemove, HiddenRowsAndColumnsFollowTheColumnsBehind) {
  struct Case {
    bool insert;
    int col, count;  // real
    Strings whole;   // row 2 (hidden meanwhile) with all shown; "D" the default width
  };
  const Case cases[] = {
      {true, 1, 1, {"02/20", "/D", "12/21", "22/22", "32/23", "42/24", "52/25"}},
      {true, 3, 2, {"02/20", "12/21", "22/22", "/D", "/D", "32/23", "42/24", "52/25"}},
      {false, 3, 1, {"02/20", "12/21", "22/22", "42/24", "52/25"}},
      {false, 2, 1, {"02/20", "12/21", "32/23", "42/24", "52/25"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.insert ? "insert " : "remove ") + std::to_string(c.col));
    HiddenBothSides g;
    if (c.insert) g.grid.InsertCols(c.col, c.count);
    else g.grid.RemoveCols(c.col, c.count);
    Strings whole = c.whole;
    for (auto& cell : whole)
      if (cell.ends_with("/D")) cell.replace(cell.size() - 1, 1, std::to_string(g.grid.DefaultColWidth()));
    EXPECT_EQ(g.AllShown(2), whole);
  }
}

}  // namespace
