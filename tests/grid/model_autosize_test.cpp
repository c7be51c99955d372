// Automatic sizing of columns, rows and cells, the per-cell selection test
// and the selection as text.
#include <gtest/gtest.h>

#include "modeltesting.h"

namespace {

using modeltesting::GridOnForm;

class AutoSizing : public ::testing::Test, public GridOnForm {
 protected:
  AutoSizing() {
    grid.SetColCount(4);
    grid.SetRowCount(4);
    grid.SetGridLineWidth(1);
  }
  // Width and height of a text in the grid's body font.
  int TextWidth(const char* text, TFont* font = nullptr) {
    grid.Canvas()->SetFont(font ? *font : *grid.Font());
    return grid.Canvas()->TextWidth(text);
  }
  int LineHeight() {
    grid.Canvas()->SetFont(*grid.Font());
    return grid.Canvas()->TextHeight("gh");
  }
};

TEST_F(AutoSizing, AColumnFitsItsWidestCellAndGrowOnlyNeverNarrowsIt) {
  grid.SetGridCell(1, 0, "id");
  grid.SetGridCell(1, 2, "a much wider text");
  grid.SetGridCell(1, 3, "short");
  // Grid lines 2 x (1 + 1), the text with its margins on both sides, one more margin.
  const int fitted = 4 + TextWidth("a much wider text") + 2 * 2 + 2;
  grid.AutoSizeCol(1);
  EXPECT_EQ(grid.ColWidths(1), fitted);

  grid.SetGridCell(1, 2, "tiny");
  grid.SizeToWidth(1, true);
  EXPECT_EQ(grid.ColWidths(1), fitted);
  grid.AutoSizeCol(1);
  EXPECT_EQ(grid.ColWidths(1), 4 + TextWidth("short") + 6);

  grid.SetGridCell(1, 2, "a much wider text");
  grid.SizeToWidth(1, true);
  EXPECT_EQ(grid.ColWidths(1), fitted);
}

TEST_F(AutoSizing, CellsCoveredByAHorizontalMergeDoNotWidenTheirColumn) {
  grid.SetGridCell(1, 1, "a text wide enough to span two columns");
  grid.MergeCells(1, 1, 2, 1);
  grid.SetGridCell(2, 2, "x");
  grid.AutoSizeCol(2);
  EXPECT_EQ(grid.ColWidths(2), 4 + TextWidth("x") + 6);
}

TEST_F(AutoSizing, ARowFitsItsTallestCellAndCheckBoxesTakeTheDefaultHeight) {
  grid.Props().Multilinecells = true;
  grid.SetGridCell(1, 1, "one\ntwo\nthree");
  grid.AutoSizeRow(1);
  // Lines with top and bottom margins, 2 x grid line, one more margin.
  EXPECT_EQ(grid.RowHeights(1), 3 * LineHeight() + 2 * 2 + 2 + 2);

  grid.SetGridCell(2, 2, "x");
  grid.SetRowHeights(2, 200);
  grid.SizeToHeight(2, true);
  EXPECT_EQ(grid.RowHeights(2), 200);
  grid.AutoSizeRow(2);
  EXPECT_EQ(grid.RowHeights(2), LineHeight() + 4 + 2 + 2);

  grid.AddCheckBox(3, 2, true, false);
  grid.AutoSizeRow(2);
  EXPECT_EQ(grid.RowHeights(2), grid.DefaultRowHeight() + 2 + 2);
}

TEST_F(AutoSizing, LoadedGridsKeepTheirMinimumSizes) {
  grid.XYOffset = {0, 0};
  grid.SetDefaultRowHeight(30);
  grid.AutoSizeCol(2);
  EXPECT_EQ(grid.ColWidths(2), 4) << "no limits before loading";
  grid.SetDefaultRowHeight(30);
  grid.BeginLoading();
  grid.FinishLoading();
  grid.AutoSizeCol(2);
  EXPECT_EQ(grid.ColWidths(2), 10);
  grid.AutoSizeRow(2);
  EXPECT_EQ(grid.RowHeights(2), 30);
  grid.SetDefaultRowHeight(5);
  grid.SetGridCell(1, 1, "x");
  grid.AutoSizeCells(false, 0, 0);
  EXPECT_EQ(grid.ColWidths(2), 10);
  EXPECT_EQ(grid.RowHeights(2), 30) << "the default height when loading finished is the minimum";
}

TEST_F(AutoSizing, ColumnsAndRowsOfTheBodyAreSizedWithWhatIsToSpare) {
  grid.SetGridCell(0, 1, "a long row header");
  grid.SetGridCell(1, 1, "abc");
  grid.SetGridCell(2, 1, "abcdef");
  const int header = grid.ColWidths(0);
  grid.SetAutoSizeP(true);
  EXPECT_EQ(grid.ColWidths(0), header) << "fixed columns are left";
  EXPECT_EQ(grid.ColWidths(1), 4 + TextWidth("abc") + 6 + 10);
  EXPECT_EQ(grid.ColWidths(2), 4 + TextWidth("abcdef") + 6 + 10);
  grid.AutoSizeColumns(true, 0);
  EXPECT_EQ(grid.ColWidths(0), 4 + TextWidth("a long row header", grid.FixedFont()) + 6);

  // Without word wrap rows are sized by their lines.
  grid.SetWordWrap(false);
  grid.Props().Multilinecells = true;
  grid.SetGridCell(2, 2, "1\r\n2");
  grid.AutoSizeRows(false, 3);
  const int th = LineHeight();
  EXPECT_EQ(grid.RowHeights(2), (th + th / 8) * 2 + 3);
  EXPECT_EQ(grid.RowHeights(1), (th + th / 8) + 3);
  grid.SetWordWrap(true);
  grid.AutoSizeRows(false, 0);
  EXPECT_EQ(grid.RowHeights(3), LineHeight() + 4 + 2 + 2);
}

TEST_F(AutoSizing, CellSizingNarrowsColumnsButOnlyGrowsRows) {
  grid.SetColWidths(1, 300);
  grid.SetRowHeights(1, 100);
  grid.SetRowHeights(2, 1);
  grid.SetGridCell(1, 1, "abc");
  grid.SetGridCell(1, 2, "ab");
  grid.AutoSizeCells(false, 5, 1);
  EXPECT_EQ(grid.ColWidths(1), TextWidth("abc") + 4 + 5 + 2);
  EXPECT_EQ(grid.RowHeights(1), 100);
  EXPECT_EQ(grid.RowHeights(2), LineHeight() + 4 + 1 + 2);
}

class Selecting : public ::testing::Test, public GridOnForm {
 protected:
  Selecting() {
    grid.SetColCount(3);
    grid.SetRowCount(5);
    for (int r = 0; r < 5; ++r)
      for (int c = 0; c < 3; ++c) grid.SetGridCell(c, r, std::string(1, char('a' + c)) + std::to_string(r));
  }
};

TEST_F(Selecting, RichTextCellsAreCopiedAsPlainText) {
  grid.SetGridCell(1, 1, "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\b bold\\b0  words}");
  grid.SetSelection({1, 1, 2, 2});
  EXPECT_EQ(grid.SelectedText(), "bold words\tc1\r\nb2\tc2");
}

TEST_F(Selecting, DisjunctRowsGiveTheFlaggedRowsInOrder) {
  grid.MouseActions()->SetDisjunctRowSelect(true);
  grid.SetSelection({1, 2, 2, 2});
  EXPECT_EQ(grid.SelectedText(), "");
  grid.SetRowSelect(3, true);
  grid.SetRowSelect(1, true);
  EXPECT_EQ(grid.SelectedText(), "b1\tc1\r\nb3\tc3");
  EXPECT_TRUE(grid.IsSelected(1, 3));
  EXPECT_FALSE(grid.IsSelected(1, 2)) << "the selection rectangle does not count";
  EXPECT_FALSE(grid.IsSelected(0, 3)) << "fixed columns are never selected";

  // Persistent flags belong to real rows: hiding a row moves them along.
  grid.MouseActions()->RowSelectPersistent = true;
  grid.HideRow(2);
  grid.SetSelection({1, 2, 2, 2});
  EXPECT_TRUE(grid.IsSelected(1, 2)) << "display row 2 is real row 3";
  EXPECT_EQ(grid.SelectedText(), "b1\tc1\r\nb3\tc3");
}

TEST_F(Selecting, TheRectangleCountsOutsideTheFixedCells) {
  grid.SetSelection({1, 1, 2, 3});
  EXPECT_TRUE(grid.IsSelected(2, 3));
  EXPECT_FALSE(grid.IsSelected(2, 4));
  grid.SetFixedCols(2);
  EXPECT_FALSE(grid.IsSelected(1, 1));
}

}  // namespace
