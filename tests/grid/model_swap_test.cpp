// Swapping two columns while some columns and rows are hidden: each column's
// cells, hidden flag, width and cells in hidden rows go together.
#include <gtest/gtest.h>

#include "modeltesting.h"

namespace {

using Strings = std::vector<std::string>;

// Five columns whose cells read "<column><row>" and whose widths are
// 20 + column; real column 1 and real row 2 are hidden.
struct HiddenColumnAndRow : modeltesting::GridOnForm {
  HiddenColumnAndRow() {
    grid.SetColCount(5);
    grid.SetRowCount(4);
    for (int c = 0; c < 5; ++c) {
      grid.SetColWidths(c, 20 + c);
      for (int r = 0; r < 4; ++r) grid.SetGridCell(c, r, std::to_string(c) + std::to_string(r));
    }
    grid.HideColumn(1);
    grid.HideRow(2);
  }
  // Row 1's texts and widths over the shown columns.
  Strings Shown() {
    Strings out;
    for (int d = 0; d < grid.ColCount(); ++d)
      out.push_back(grid.GetGridCell(grid.RemapCol(d), 1) + "/" + std::to_string(grid.ColWidths(d)));
    return out;
  }
  // Row 2 (hidden during the swap) with every column and row shown again.
  Strings AllShown() {
    grid.UnHideColumnsAll();
    grid.UnHideRowsAll();
    Strings out;
    for (int c = 0; c < grid.ColCount(); ++c)
      out.push_back(grid.GetGridCell(c, 2) + "/" + std::to_string(grid.ColWidths(c)));
    return out;
  }
};

TEST(SwapColumns, CellsFlagsWidthsAndHiddenCellsGoByRealIndex) {
  struct Case {
    int col1, col2;
    Strings shown;  // after the swap
    Strings whole;  // all shown again
    bool firstHidden, secondHidden;
  };
  const Case cases[] = {
      {2, 4, {"01/20", "41/24", "31/23", "21/22"}, {"02/20", "12/21", "42/24", "32/23", "22/22"}, false, false},
      // The hidden column changes places with a shown one: the contents
      // that were hidden stay hidden, now at real column 3.
      {1, 3, {"01/20", "31/23", "21/22", "41/24"}, {"02/20", "32/23", "22/22", "12/21", "42/24"}, false, true},
      {3, 1, {"01/20", "31/23", "21/22", "41/24"}, {"02/20", "32/23", "22/22", "12/21", "42/24"}, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.col1) + " <-> " + std::to_string(c.col2));
    HiddenColumnAndRow g;
    g.grid.SwapColumns(c.col1, c.col2);
    EXPECT_EQ(g.grid.IsHiddenColumn(c.col1), c.firstHidden);
    EXPECT_EQ(g.grid.IsHiddenColumn(c.col2), c.secondHidden);
    EXPECT_EQ(g.Shown(), c.shown);
    EXPECT_EQ(g.AllShown(), c.whole);
  }
}

TEST(SwapColumns, CellObjectsAndTheSortColumnFollow) {
  HiddenColumnAndRow g;
  g.grid.GetCellProperties(4, 1)->FontSize = 17;
  g.grid.SortSettings()->Column = 4;
  g.grid.SwapColumns(4, 1);
  EXPECT_EQ(g.grid.SortSettings()->Column, 1);
  ASSERT_NE(g.grid.GetCellProperties(1, 1), nullptr);
  EXPECT_EQ(g.grid.GetCellProperties(1, 1)->FontSize, 17);
  for (auto [col1, col2] : {std::pair{4, 4}, std::pair{4, 5}, std::pair{-1, 4}}) g.grid.SwapColumns(col1, col2);
  EXPECT_EQ(g.grid.GetGridCell(4, 1), "11") << "a column swapped with itself or with none stays";
}

}  // namespace
