// Marking texts in cells, checking cells through a checker, fills, and
// cells as dates and times.
#include <gtest/gtest.h>

#include "framework/datetime.h"
#include "framework/forms.h"
#include "grid/duruzav.h"
#include "grid/zgcheck.h"

namespace {

struct Cells {
  TForm form{nullptr};
  TVudUvizidIzed grid{&form};

  // A grid of cols x rows whose every cell holds text.
  void Fill(int cols, int rows, const AnsiString& text) {
    grid.SetColCount(cols);
    grid.SetRowCount(rows);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) grid.SetCellEx(c, r, text);
  }
  std::vector<std::string> Row(int r) {
    std::vector<std::string> out;
    for (int c = 0; c < grid.ColCount(); ++c) out.push_back(grid.GetCellEx(c, r));
    return out;
  }
};

TEST(Marking, HighlightWrapsTheTextInACellAndComesOffAgain) {
  Cells g;
  g.grid.SetCellEx(1, 1, "xAby");
  g.grid.HilightInCell(false, 1, 1, "ab");
  EXPECT_EQ(g.grid.GetCellEx(1, 1), "x<hi>Ab</hi>y");
  g.grid.UnHilightInCell(1, 1);
  EXPECT_EQ(g.grid.GetCellEx(1, 1), "xAby");
  g.grid.HilightInCell(true, 1, 1, "ab");
  EXPECT_EQ(g.grid.GetCellEx(1, 1), "xAby");
}

// One fixed row and column at each end of a 4 x 4 grid: only the middle
// four cells are the grid's without its fixed border.
TEST(Marking, GridRangeWithoutTheFixedBorderLeavesAllFourStrips) {
  Cells g;
  g.Fill(4, 4, "ab");
  g.grid.SetFixedRows(1);
  g.grid.SetFixedCols(1);
  g.grid.SetFixedFooters(1);
  g.grid.SetFixedRightCols(1);
  g.grid.HilightInGrid(false, false, "a");
  EXPECT_EQ(g.Row(0), (std::vector<std::string>{"ab", "ab", "ab", "ab"}));
  EXPECT_EQ(g.Row(1), (std::vector<std::string>{"ab", "<hi>a</hi>b", "<hi>a</hi>b", "ab"}));
  EXPECT_EQ(g.Row(2), g.Row(1));
  EXPECT_EQ(g.Row(3), g.Row(0));
  g.grid.MarkInGrid(true, false, "b");
  EXPECT_EQ(g.grid.GetCellEx(0, 0), "a<e>b</e>");
}

TEST(Marking, UnmarkTakesErrorMarksOfAnyCaseAndLeavesHighlights) {
  Cells g;
  g.Fill(2, 2, "<E>x</E><hi>y</hi><e>z</e>");
  g.grid.UnMarkInGrid(true);
  EXPECT_EQ(g.Row(1), (std::vector<std::string>{"x<hi>y</hi>z", "x<hi>y</hi>z"}));
  EXPECT_EQ(g.grid.UnHilightText(g.grid.MarkText(false, "abc", "B")), "a<e>b</e>c");
}

// Corrects the text of one cell and counts its calls.
class OneCellChecker : public TVudUvizidIzedCheck {
 public:
  using TVudUvizidIzedCheck::TVudUvizidIzedCheck;
  AnsiString Correct(int col, int row, AnsiString s) override {
    return col == 2 && row == 1 ? s + "!" : s;
  }
  AnsiString MarkError(int, int, AnsiString s) override { return "<e>" + s + "</e>"; }
  void StartCheck() override { ++starts; }
  void StopCheck() override { ++stops; }
  int starts = 0, stops = 0;
};

TEST(CellChecks, WithoutACheckerEverythingPassesAndNothingMoves) {
  Cells g;
  g.Fill(4, 4, "t");
  g.grid.SetCol(2);
  g.grid.SetRow(3);
  EXPECT_TRUE(g.grid.CheckGrid(true));
  EXPECT_EQ(g.grid.Col(), 2);
  EXPECT_EQ(g.grid.Row(), 3);
}

TEST(CellChecks, ACorrectedCellFailsTheCheckAndTheCurrentCellComesBack) {
  Cells g;
  g.Fill(4, 4, "t");
  auto* checker = new OneCellChecker(&g.form);
  checker->SetUseCorrect(true);
  checker->SetGotoCell(true);
  g.grid.SetCellChecker(checker);
  g.grid.SetCol(3);
  g.grid.SetRow(3);
  EXPECT_FALSE(g.grid.CheckGrid(false));
  EXPECT_EQ(g.grid.GetCellEx(2, 1), "t!");
  EXPECT_EQ(g.grid.GetCellEx(1, 1), "t");
  EXPECT_EQ(checker->starts, 1);
  EXPECT_EQ(checker->stops, 1);
  EXPECT_EQ(g.grid.Col(), 3);
  EXPECT_EQ(g.grid.Row(), 3);
  EXPECT_TRUE(g.grid.CheckCell(1, 2));

  // With both options the error marking, made from the text as read, counts.
  checker->SetUseMarkError(true);
  EXPECT_FALSE(g.grid.CheckCell(2, 1));
  EXPECT_EQ(g.grid.GetCellEx(2, 1), "<e>t!</e>");
  delete checker;
  EXPECT_EQ(g.grid.CellChecker(), nullptr);
}

TEST(Fills, LinearFillWritesColumnColonRowRowByRow) {
  Cells g;
  g.grid.SetColCount(3);
  g.grid.SetRowCount(2);
  std::vector<std::string> written;
  g.grid.LinearFill(true);
  for (int r = 0; r < 2; ++r)
    for (const auto& text : g.Row(r)) written.push_back(text);
  EXPECT_EQ(written, (std::vector<std::string>{"0:0", "1:0", "2:0", "0:1", "1:1", "2:1"}));
  g.grid.TextFill(false, "x");
  EXPECT_EQ(g.grid.GetCellEx(0, 0), "0:0");
  EXPECT_EQ(g.grid.GetCellEx(1, 1), "x");
}

TEST(Fills, RandomFillStaysBelowItsMaximumAndWritesZerosWithoutOne) {
  Cells g;
  g.Fill(6, 6, "");
  g.grid.RandomFill(true, 3);
  for (int r = 0; r < 6; ++r)
    for (const auto& text : g.Row(r)) EXPECT_TRUE(text == "0" || text == "1" || text == "2") << text;
  for (int maximum : {1, 0, -5}) {
    g.grid.RandomFill(true, maximum);
    for (int r = 0; r < 6; ++r)
      for (const auto& text : g.Row(r)) EXPECT_EQ(text, "0") << maximum;
  }
}

TEST(DatesAndTimes, WrittenInTheShortFormatsAndReadBack) {
  Cells g;
  const TFormatSettings saved = FormatSettings;
  FormatSettings.ShortDateFormat = "dd/mm/yyyy";
  FormatSettings.LongTimeFormat = "hh:nn:ss";
  g.grid.SetDates(1, 1, 0);
  EXPECT_EQ(g.grid.GetCellEx(1, 1), "30/12/1899");
  g.grid.SetDates(1, 1, EncodeDate(2024, 2, 29) + 0.5);
  EXPECT_EQ(g.grid.GetCellEx(1, 1), "29/02/2024");
  EXPECT_EQ(g.grid.GetDates(1, 1), EncodeDate(2024, 2, 29));
  g.grid.SetTimes(2, 1, EncodeTime(13, 5, 9, 0));
  EXPECT_EQ(g.grid.GetCellEx(2, 1), "13:05:09");
  EXPECT_DOUBLE_EQ(g.grid.GetTimes(2, 1), EncodeTime(13, 5, 9, 0));
  g.grid.SetShowNullDates(false);
  g.grid.SetDates(1, 1, -3);
  EXPECT_EQ(g.grid.GetCellEx(1, 1), "");
  g.grid.SetCellEx(1, 1, "soon");
  EXPECT_THROW(g.grid.GetDates(1, 1), EConvertError);
  FormatSettings = saved;
}

}  // namespace
