// The sorting engine: the comparison kinds, blank cells, tie-breaks, the
// indexed sort, undoing sorts and the current row.
#include <gtest/gtest.h>

#include "modeltesting.h"

namespace {

using modeltesting::GridOnForm;
using Strings = std::vector<std::string>;

struct CompareCase {
  const char* name;
  TSortStyle style;
  const char* prefix;
  const char* t1;
  const char* t2;
  int expected;
};

class CompareStyles : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareStyles, ComparesTwoCells) {
  const CompareCase& c = GetParam();
  GridOnForm g;
  g.grid.OnGetFormat = [&](TObject*, int, TSortStyle& style, AnsiString& prefix, AnsiString&) {
    style = c.style;
    prefix = c.prefix;
  };
  g.grid.SetGridCell(1, 1, c.t1);
  g.grid.SetGridCell(1, 2, c.t2);
  EXPECT_EQ(g.grid.Compare(1, 1, 2, sdAscending), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sorting, CompareStyles,
    ::testing::Values(CompareCase{"AutomaticNumberFromFirstRow", ssAutomatic, "", "12", "abc", 1},
                      CompareCase{"AutomaticDate", ssAutomatic, "", "1/2/2003", "12/1/2002", 1},
                      CompareCase{"AutomaticLateSeparatorIsText", ssAutomatic, "", "2003/1/2", "2003/1/10", 1},
                      CompareCase{"NumericPrefix", ssNumeric, "$", "$10", "$9", 1},
                      CompareCase{"FinancialThousands", ssFinancial, "", "1,234.5", "1234.5", 0},
                      CompareCase{"NumericTwoTexts", ssNumeric, "", "abc", "xyz", 0},
                      CompareCase{"NumericEmptyIsZero", ssNumeric, "", "", "-1", 1},
                      CompareCase{"AlphabeticIsOrdinal", ssAlphabetic, "", "B", "a", -1},
                      CompareCase{"AlphaNoCaseBreaksTiesOrdinally", ssAlphaNoCase, "", "abc", "ABC", 1},
                      CompareCase{"AlphaNoCaseIgnoresCase", ssAlphaNoCase, "", "b", "A", 1},
                      CompareCase{"AlphaNumericNumbers", ssAlphaNumeric, "", "9", "10", -1},
                      CompareCase{"AlphaNumericText", ssAlphaNumeric, "", "9", "10x", 1},
                      CompareCase{"LocaleNoCase", ssAnsiAlphaNoCase, "", "apple", "Banana", -1},
                      CompareCase{"LocaleCaseEqual", ssAnsiAlphaCase, "", "same", "same", 0},
                      CompareCase{"ShortDateEU", ssShortDateEU, "", "02/01/2003", "01/02/2003", -1},
                      CompareCase{"ShortDateUS", ssShortDateUS, "", "02/01/2003", "01/02/2003", 1},
                      CompareCase{"UnicodeIgnoresCase", ssUnicode, "", "ABC", "abd", -1},
                      CompareCase{"CustomWithoutHandlerIsEqual", ssCustom, "", "a", "b", 0},
                      CompareCase{"HTMLComparesPlainText", ssHTML, "", "<b>b</b>", "a", 1}),
    [](const auto& info) { return std::string(info.param.name); });

class Sorting : public ::testing::Test, public GridOnForm {};

TEST_F(Sorting, OrdinalSortAndUnsortRestoresTheFirstOrder) {
  Column(1, {"b", "a", "B", ""});
  grid.SetRowHeights(1, 50);
  grid.SortSettings()->AutoFormat = false;
  grid.SortSettings()->Column = 1;
  grid.QSort();
  EXPECT_EQ(Texts(1), (Strings{"", "B", "a", "b"}));
  EXPECT_EQ(grid.RowHeights(4), 50);  // the height goes with its row
  EXPECT_EQ(grid.RowHeights(1), grid.DefaultRowHeight());
  grid.SortSettings()->Direction = sdDescending;
  grid.QSort();
  EXPECT_EQ(Texts(1), (Strings{"b", "a", "B", ""}));
  grid.QUnSort();
  EXPECT_EQ(Texts(1), (Strings{"b", "a", "B", ""}));
  grid.SortSettings()->Direction = sdAscending;
  grid.QSort();
  grid.QUnSort();
  EXPECT_EQ(Texts(1), (Strings{"b", "a", "B", ""}));
}

TEST_F(Sorting, BlankCellsEndLastInBothDirections) {
  Column(1, {"2", "", "1", "3", ""});
  Column(2, {"p", "q", "r", "s", "t"});
  grid.SortSettings()->Column = 1;
  grid.SortSettings()->IgnoreBlanks = true;
  grid.SortSettings()->BlankPos = blLast;
  grid.QSort();
  EXPECT_EQ(Texts(1), (Strings{"1", "2", "3", "", ""}));
  EXPECT_EQ(Texts(2), (Strings{"r", "p", "s", "q", "t"}));  // equal rows keep their order
  grid.SortSettings()->Direction = sdDescending;
  grid.QSort();
  EXPECT_EQ(Texts(1), (Strings{"3", "2", "1", "", ""}));
}

TEST_F(Sorting, FullBreaksTiesOnTheFollowingColumnsHiddenOnesIncluded) {
  Column(1, {"x", "x", "a"});
  Column(2, {"same", "same", "same"});
  Column(4, {"2", "1", "0"});
  grid.HideColumn(4);
  grid.SortSettings()->Column = 1;
  grid.QSort();
  EXPECT_EQ(Texts(4), (Strings{"0", "1", "2"}));
  grid.SortSettings()->Full = false;
  grid.SortSettings()->Column = 2;
  grid.QSort();
  EXPECT_EQ(Texts(4), (Strings{"0", "1", "2"}));
}

TEST_F(Sorting, IndexedSortHonoursEachKeysDirection) {
  Column(0, {"b", "a", "c", "d"});
  Column(2, {"1", "2", "2", "1"});
  EXPECT_THROW(
      {
        try {
          grid.QSortIndexed();
        } catch (const EDurUzavError& e) {
          EXPECT_STREQ(e.what(), "No indexes specified for indexed sort");
          throw;
        }
      },
      EDurUzavError);
  EXPECT_EQ(Texts(0), (Strings{"b", "a", "c", "d"}));
  grid.SortIndexes()->AddIndex(2, false);
  grid.SortIndexes()->AddIndex(0, true);
  grid.QSortIndexed();
  EXPECT_EQ(Texts(0), (Strings{"a", "c", "b", "d"}));
  EXPECT_EQ(Texts(2), (Strings{"2", "2", "1", "1"}));
}

TEST_F(Sorting, TheCurrentRowFollowsItsDataOnlyWhenAsked) {
  Column(1, {"c", "a", "b"});
  std::vector<std::pair<int, int>> reports;
  grid.OnRowUpdate = [&](TObject*, int oldRow, int newRow) { reports.emplace_back(oldRow, newRow); };
  grid.SortSettings()->Column = 1;
  grid.SetRow(1);
  grid.QSort();
  EXPECT_EQ(grid.Row(), 1);
  EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{1, 1}}));

  grid.QUnSort();
  grid.Navigation()->MoveRowOnSort = true;
  grid.SetRow(1);  // "c"
  grid.QSort();
  EXPECT_EQ(grid.GetGridCell(1, grid.Row()), "c");
  EXPECT_EQ(reports.size(), 1u);
}

TEST_F(Sorting, AComparisonThatRaisesLeavesTheGridAsItWas) {
  Column(1, {"3/1/2003", "not a date", "1/1/2003"});
  Column(2, {"p", "q", "r"});
  grid.HideColumn(2);
  grid.SetColWidths(3, 77);
  grid.SetRow(2);
  const int rows = grid.RowCount(), cols = grid.ColCount();
  grid.OnGetFormat = [](TObject*, int, TSortStyle& style, AnsiString&, AnsiString&) { style = ssDate; };
  grid.SortSettings()->Column = 1;
  EXPECT_THROW(grid.QSort(), EConvertError);
  EXPECT_EQ(grid.RowCount(), rows);
  EXPECT_EQ(grid.ColCount(), cols);
  EXPECT_EQ(grid.NumHiddenColumns(), 1);
  EXPECT_EQ(grid.ColWidths(3), 77);
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(Texts(1), (Strings{"3/1/2003", "not a date", "1/1/2003"}));
  EXPECT_EQ(Texts(2), (Strings{"p", "q", "r"}));
}

TEST_F(Sorting, HandlersDecideCustomAndRawComparisons) {
  Column(1, {"1", "22", "333"});
  grid.OnGetFormat = [](TObject*, int, TSortStyle& style, AnsiString&, AnsiString&) { style = ssCustom; };
  grid.SortSettings()->Column = 1;
  grid.QSort();  // no handler: every pair is equal
  EXPECT_EQ(Texts(1), (Strings{"1", "22", "333"}));
  grid.OnCustomCompare = [](TObject*, const AnsiString& a, const AnsiString& b, int& res) {
    res = a.size() < b.size() ? 1 : (a.size() > b.size() ? -1 : 0);
  };
  grid.QSort();
  EXPECT_EQ(Texts(1), (Strings{"333", "22", "1"}));
  grid.OnGetFormat = [](TObject*, int, TSortStyle& style, AnsiString&, AnsiString&) { style = ssRaw; };
  grid.OnRawCompare = [](TObject*, int, int row1, int row2, int& res) { res = row1 < row2 ? 1 : -1; };
  grid.QSort();
  EXPECT_EQ(Texts(1), (Strings{"1", "22", "333"}));
}

TEST_F(Sorting, ExchangeSortAndRangeSort) {
  Column(1, {"d", "c", "b", "a"});
  grid.SortByColumn(1);
  EXPECT_EQ(Texts(1), (Strings{"a", "b", "c", "d"}));
  grid.SortSettings()->Direction = sdDescending;
  grid.QuickSort(1, 2, 3);
  EXPECT_EQ(Texts(1), (Strings{"a", "c", "b", "d"}));
}

TEST_F(Sorting, NormalCellsOnlyAndSingleColumnLeaveTheOtherCellsInPlace) {
  Column(0, {"r1", "r2", "r3"});
  Column(1, {"c", "a", "b"});
  Column(2, {"x", "y", "z"});
  grid.SortSettings()->Column = 1;
  grid.SortSettings()->NormalCellsOnly = true;
  grid.QSort();
  EXPECT_EQ(Texts(0), (Strings{"r1", "r2", "r3"}));
  EXPECT_EQ(Texts(2), (Strings{"y", "z", "x"}));

  grid.QUnSort();
  grid.SortSettings()->SingleColumn = true;
  grid.SortSettings()->Direction = sdDescending;
  grid.QSort();
  EXPECT_EQ(Texts(1), (Strings{"c", "b", "a"}));
  EXPECT_EQ(Texts(2), (Strings{"x", "y", "z"}));
}

TEST_F(Sorting, FixedFooterRowsStayBelowTheSortedRows) {
  Column(1, {"b", "c", "a", "total"});
  grid.Props().FixedFooters = 1;
  grid.SortSettings()->Column = 1;
  grid.QSort();
  EXPECT_EQ(Texts(1), (Strings{"a", "b", "c", "total"}));
}

}  // namespace
