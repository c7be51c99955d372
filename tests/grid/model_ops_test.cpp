// Row and column operations, clearing, merging, the filter, calculations,
// numbering, sizing to lines, swaps and line counts.
#include <gtest/gtest.h>

#include "modeltesting.h"

namespace {

using modeltesting::GridOnForm;
using Strings = std::vector<std::string>;

class RowOperations : public ::testing::Test, public GridOnForm {};

TEST_F(RowOperations, InsertedRowsAreEmptyAndTheRowsBehindKeepTheirHeights) {
  NumberRows(1);
  grid.SetRowHeights(3, 33);
  grid.InsertRows(3, 2);
  EXPECT_EQ(grid.RowCount(), 12);
  EXPECT_EQ(grid.GetGridCell(1, 3), "");
  EXPECT_EQ(grid.GetGridCell(1, 4), "");
  EXPECT_EQ(grid.RowHeights(3), grid.DefaultRowHeight());
  EXPECT_EQ(grid.GetGridCell(1, 5), "3");
  EXPECT_EQ(grid.RowHeights(5), 33);
}

TEST_F(RowOperations, RemoveDuplicatesHonoursTheCaseFlag) {
  Column(1, {"abc", "ABC", "x", "abc"});
  grid.RemoveDuplicates(1, true);
  EXPECT_EQ(Texts(1), (Strings{"abc", "ABC", "x"}));
  grid.RemoveDuplicates(1, false);
  EXPECT_EQ(Texts(1), (Strings{"abc", "x"}));
}

TEST_F(RowOperations, SelectedRowsAreRemovedOrHidden) {
  NumberRows(1);
  grid.SetSelection({1, 4, 2, 6});
  grid.RemoveSelectedRows();
  EXPECT_EQ(AllTexts(1), (Strings{"0", "1", "2", "3", "7", "8", "9"}));
  grid.SetSelection({1, 2, 1, 3});
  grid.HideUnSelectedRows();
  EXPECT_EQ(AllTexts(1), (Strings{"0", "2", "3"}));
  EXPECT_TRUE(grid.IsHiddenRow(1));
  EXPECT_TRUE(grid.IsHiddenRow(6));
}

TEST_F(RowOperations, RunsOfEqualCellsMergeAndSplit) {
  Column(1, {"A", "A", "A", "B", "B"});
  grid.MergeColumnCells(1, true);
  EXPECT_EQ(grid.CellSpan(1, 1), (TPoint{0, 2}));
  EXPECT_EQ(grid.CellSpan(1, 4), (TPoint{0, 1}));
  grid.SplitColumnCells(1);
  EXPECT_FALSE(grid.IsMergedCell(1, 1));
  EXPECT_FALSE(grid.IsMergedCell(1, 4));

  for (int c = 1; c < 5; ++c) grid.SetGridCell(c, 2, c < 4 ? "x" : "y");
  grid.MergeRowCells(2, true);
  EXPECT_EQ(grid.CellSpan(1, 2), (TPoint{2, 0}));
  grid.SplitAllCells();
  EXPECT_FALSE(grid.IsMergedCell(1, 2));
}

TEST_F(RowOperations, ColumnsAreInsertedRemovedAndMerged) {
  for (int c = 0; c < 5; ++c) grid.SetGridCell(c, 1, "c" + std::to_string(c));
  grid.SetColWidths(2, 50);
  grid.InsertCols(1, 1);
  EXPECT_EQ(grid.ColCount(), 6);
  EXPECT_EQ(grid.GetGridCell(1, 1), "");
  EXPECT_EQ(grid.GetGridCell(2, 1), "c1");
  EXPECT_EQ(grid.ColWidths(3), 50);
  grid.RemoveCols(1, 1);
  EXPECT_EQ(grid.GetGridCell(1, 1), "c1");
  EXPECT_EQ(grid.ColWidths(2), 50);
  grid.MergeCols(1, 2, " ");
  EXPECT_EQ(grid.GetGridCell(1, 1), "c1 c2");
  EXPECT_EQ(grid.GetGridCell(2, 1), "c3");
  EXPECT_EQ(grid.ColCount(), 4);

  grid.HideColumn(2);  // removing only a hidden column leaves the shown ones
  grid.RemoveCols(2, 1);
  EXPECT_EQ(grid.ColCount(), 3);
  EXPECT_EQ(grid.TotalColCount(), 3);
  EXPECT_EQ(grid.StoredColCount(), 3);
  EXPECT_EQ(grid.GetGridCell(2, 1), "c4");
}

TEST_F(RowOperations, ClearingReachesHiddenColumnsAndFreesCellProperties) {
  grid.SetGridCell(3, 2, "hidden");
  grid.SetGridCell(1, 2, "shown");
  grid.GetCellProperties(1, 2)->FontSize = 20;
  grid.HideColumn(3);
  grid.ClearRows(2, 1);
  EXPECT_EQ(grid.GetGridCell(3, 2), "");
  EXPECT_EQ(grid.GetGridCell(1, 2), "");
  EXPECT_FALSE(grid.HasCellProperties(1, 2));
  grid.ClearRows(2, 0);  // a count below 1 clears nothing
}

TEST_F(RowOperations, CellQueries) {
  grid.SetGridCell(2, 3, "|\\0041");
  grid.SetGridCell(3, 4, "\\x");
  EXPECT_TRUE(grid.IsWideCell(2, 3));
  EXPECT_FALSE(grid.IsWideCell(3, 4));
  int col = -1, row = -1;
  EXPECT_TRUE(grid.IsCell("\\x", col, row));
  EXPECT_EQ((TPoint{col, row}), (TPoint{3, 4}));
  EXPECT_FALSE(grid.IsCell("none", col, row));
}

class Filtering : public ::testing::Test, public GridOnForm {
 protected:
  void SetUp() override {
    Column(1, {"apple", "banana", "avocado", "cherry"});
    Column(2, {"EUR 12", "12 EUR", "EUR 12", "7"});
  }
  TFilterData* Condition(int col, const char* pattern, TFilterOperation op = foSHORT) {
    TFilterData* f = grid.Filter()->Add();
    f->Column = static_cast<short>(col);
    f->Condition = pattern;
    f->Operation = op;
    return f;
  }
};

TEST_F(Filtering, ConditionsCombineByTheirOperations) {
  grid.SetFilterActive(true);  // no conditions: every row stays
  EXPECT_EQ(grid.RowCount(), 5);
  grid.SetFilterActive(false);

  Condition(1, "a*", foNONE);
  Condition(1, "cherry", foOR);
  grid.SetFilterActive(true);
  EXPECT_EQ(Texts(1), (Strings{"apple", "avocado", "cherry"}));
  grid.SetFilterActive(false);

  grid.Filter()->Items(0)->Operation = foSHORT;  // a mismatch ends the test: cherry fails
  grid.SetFilterActive(true);
  EXPECT_EQ(Texts(1), (Strings{"apple", "avocado"}));
  grid.SetFilterActive(false);
  EXPECT_EQ(Texts(1), (Strings{"apple", "banana", "avocado", "cherry"}));
}

TEST_F(Filtering, APrefixIsRemovedOnlyFromTheFront) {
  TFilterData* f = Condition(2, "12");
  f->Prefix = "EUR ";
  grid.SetFilterActive(true);
  EXPECT_EQ(Texts(1), (Strings{"apple", "avocado"}));
}

TEST_F(Filtering, StoredOrShownTextsAreTested) {
  grid.OnGetDisplText = [](TObject*, int col, int, AnsiString& value) {
    if (col == 1) value = "shown";
  };
  Condition(1, "shown")->Data = fcNormal;
  grid.ApplyFilter();
  EXPECT_EQ(grid.RowCount(), 1);
  grid.UnHideRowList();
  grid.Filter()->Items(0)->Data = fcVirtual;
  grid.ApplyFilter();
  EXPECT_EQ(grid.RowCount(), 5);
}

TEST_F(Filtering, SwitchingOffShowsEveryHiddenRowAndReapplyingCopesWithHiddenRows) {
  std::vector<short> progress;
  grid.OnFilterProgress = [&](TObject*, short percent) { progress.push_back(percent); };
  grid.HideRow(1);  // apple, hidden by hand
  Condition(1, "*an*");
  grid.SetFilterActive(true);
  EXPECT_EQ(Texts(1), (Strings{"banana"}));
  EXPECT_EQ(progress, (std::vector<short>{33, 67, 100, 100}));
  grid.ApplyFilter();
  EXPECT_EQ(Texts(1), (Strings{"banana"}));
  grid.SetFilterActive(false);
  EXPECT_EQ(Texts(1), (Strings{"apple", "banana", "avocado", "cherry"}));
}

class Calculations : public ::testing::Test, public GridOnForm {};

TEST_F(Calculations, ColumnCalculationsSkipCellsThatAreNoNumbers) {
  Column(1, {"1", "", "x", "2.5"});
  EXPECT_DOUBLE_EQ(grid.ColumnSum(1, 1, 4), 3.5);
  EXPECT_DOUBLE_EQ(grid.ColumnAvg(1, 1, 4), 0.875);
  EXPECT_DOUBLE_EQ(grid.ColumnAvg(1, 3, 2), 0);
  EXPECT_DOUBLE_EQ(grid.ColumnMax(1, 1, 4), 2.5);
  EXPECT_DOUBLE_EQ(grid.ColumnMin(1, 1, 4), 0);

  Column(1, {"x", "3", "1"});
  try {
    grid.ColumnMin(1, 1, 2);
    ADD_FAILURE() << "no exception";
  } catch (const EDurUzavError& e) {
    EXPECT_STREQ(e.what(), "Cell does not contain a float value");
  }
  EXPECT_DOUBLE_EQ(grid.ColumnMin(1, 2, 3), 1);
  // A range up to RowCount reads the shown rows and no row behind them.
  Column(1, {"-3", "-1"});
  EXPECT_DOUBLE_EQ(grid.ColumnMax(1, 1, grid.RowCount()), -1);
}

TEST_F(Calculations, ARangePastTheShownRowsReadsHiddenRowsToo) {
  Column(1, {"1", "2", "4", "8"});
  grid.HideRow(2);
  EXPECT_DOUBLE_EQ(grid.ColumnSum(1, 1, grid.RowCount() - 1), 13);
  EXPECT_DOUBLE_EQ(grid.ColumnSum(1, 1, grid.TotalRowCount()), 15);
}

TEST_F(Calculations, RowCalculationsNumberingAndSelectedText) {
  grid.SetGridCell(2, 1, "1");
  grid.SetGridCell(3, 1, "2");
  grid.SetGridCell(4, 1, "3");
  EXPECT_DOUBLE_EQ(grid.RowAvg(1, 2, 4), 2);
  EXPECT_DOUBLE_EQ(grid.RowSum(1, 2, 4), 6);
  EXPECT_DOUBLE_EQ(grid.RowMax(1, 2, 4), 3);

  grid.SetGridCell(1, 2, "a");
  grid.SetGridCell(2, 2, "b");
  grid.SetGridCell(1, 3, "c");
  grid.SetGridCell(2, 3, "d");
  grid.SetSelection({1, 2, 2, 3});
  EXPECT_EQ(grid.SelectedText(), "a\tb\r\nc\td");

  grid.Props().FixedFooters = 1;
  grid.AutoNumberCol(0);
  EXPECT_EQ(grid.GetGridCell(0, 1), "1");
  EXPECT_EQ(grid.GetGridCell(0, 8), "8");
  EXPECT_EQ(grid.GetGridCell(0, 9), "");
}

TEST_F(Calculations, SizeToLinesMeasuresWithTheCellsFont) {
  grid.SizeToLines(1, 3, 0);
  const int plain = grid.RowHeights(1);
  // A scalable face, so that sizes show in the measure.
  grid.Canvas()->Font()->SetName("DejaVu Sans");
  grid.Canvas()->Font()->SetSize(40);  // left over from earlier drawing
  grid.SizeToLines(2, 3, 0);
  EXPECT_EQ(grid.RowHeights(2), plain);
  grid.OnGetCellColor = [](TObject*, int, int, TGridDrawState, TBrush*, TFont* font) {
    font->SetName("DejaVu Sans");
    font->SetSize(30);
  };
  grid.SizeToLines(3, 3, 4);
  EXPECT_GT(grid.RowHeights(3), plain + 4);
}

TEST_F(Calculations, SwapsMoveContentsAndTheSortColumn) {
  grid.SetGridCell(1, 1, "one");
  grid.SetGridCell(3, 1, "three");
  grid.SetColWidths(3, 99);
  grid.SortSettings()->Column = 3;
  grid.SwapColumns(1, 3);
  EXPECT_EQ(grid.GetGridCell(1, 1), "three");
  EXPECT_EQ(grid.GetGridCell(3, 1), "one");
  EXPECT_EQ(grid.ColWidths(1), 99);
  EXPECT_EQ(grid.SortSettings()->Column, 1);

  grid.SetRowHeights(2, 44);
  grid.SwapRows(1, 2);
  EXPECT_EQ(grid.GetGridCell(1, 2), "three");
  EXPECT_EQ(grid.RowHeights(1), 44);
}

TEST_F(Calculations, LineAndCharacterCounts) {
  grid.SetGridCell(1, 1, "abc");
  grid.SetGridCell(2, 2, "12345\r\nab\r\nc");
  EXPECT_EQ(grid.MaxLinesInGrid(), 1);
  EXPECT_EQ(grid.MaxCharsInCol(2), 5);
  grid.Props().Multilinecells = true;
  EXPECT_EQ(grid.MaxLinesInGrid(), 3);
  EXPECT_EQ(grid.MaxLinesInRow(1), 1);
  EXPECT_EQ(grid.MaxLinesInRow(3), 1);
  grid.SetGridCell(2, 2, "ab\r\n12345");
  EXPECT_EQ(grid.MaxCharsInCol(2), 5);
  grid.Props().Multilinecells = false;
  EXPECT_EQ(grid.MaxCharsInCol(2), 2);
}

}  // namespace
