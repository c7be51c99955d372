// Cells read and written as numbers, the per-cell look, row colours,
// headers and zooming.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "grid/duruzav.h"

namespace {

class TypedAccess : public ::testing::Test {
 protected:
  TForm form{nullptr};
  TVudUvizidIzed grid{&form};
};

TEST_F(TypedAccess, IntegersReadEmptyAndMinusAsZeroAndRefuseOtherTexts) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  };
  const Case cases[] = {{"", true, 0},           {"-", true, 0},         {"42", true, 42},
                        {"-17", true, -17},      {"12.5", false, 0},     {"12a", false, 0},
                        {"2147483647", true, 2147483647}, {"2147483648", false, 0}, {"-2147483649", false, 0}};
  for (const Case& c : cases) {
    grid.SetCellEx(1, 1, c.text);
    if (c.ok) {
      EXPECT_EQ(grid.GetInts(1, 1), c.value) << c.text;
    } else {
      try {
        grid.GetInts(1, 1);
        ADD_FAILURE() << "no error for " << c.text;
      } catch (const EDurUzavError& e) {
        EXPECT_STREQ(e.what(), "Cell does not contain integer value");
      }
      EXPECT_EQ(grid.GetCellEx(1, 1), c.text) << "the cell is unchanged";
    }
  }
  grid.SetInts(2, 3, -905);
  EXPECT_EQ(grid.GetCellEx(2, 3), "-905");
}

TEST_F(TypedAccess, FloatsReadThroughTheSeparatorsAndWriteWithTheFloatFormat) {
  grid.SetCellEx(1, 1, "1,234.5");
  EXPECT_DOUBLE_EQ(grid.GetFloats(1, 1), 1234.5);
  grid.SetCellEx(1, 1, "-");
  EXPECT_DOUBLE_EQ(grid.GetFloats(1, 1), 0);
  grid.SetCellEx(1, 1, "(12.25)");
  EXPECT_DOUBLE_EQ(grid.GetFloats(1, 1), -12.25);
  grid.SetCellEx(1, 1, "abc");
  EXPECT_THROW(
      {
        try {
          grid.GetFloats(1, 1);
        } catch (const EDurUzavError& e) {
          EXPECT_STREQ(e.what(), "Cell does not contain a float value");
          throw;
        }
      },
      EDurUzavError);
  grid.SetFloats(2, 2, 3.14159);
  EXPECT_EQ(grid.GetCellEx(2, 2), "3.14");
}

TEST_F(TypedAccess, LookGettersAnswerDefaultsWithoutCreatingProperties) {
  EXPECT_EQ(grid.GetColors(1, 1), clNone);
  EXPECT_EQ(grid.GetColorsTo(1, 1), clNone);
  EXPECT_EQ(grid.GetFontColors(1, 1), clNone);
  EXPECT_EQ(grid.GetFontStyles(1, 1), 0u);
  EXPECT_EQ(grid.GetFontNames(1, 1), "");
  EXPECT_EQ(grid.GetFontSizes(1, 1), 0);
  EXPECT_EQ(grid.GetAlignments(1, 1), taLeftJustify);
  EXPECT_FALSE(grid.HasCellProperties(1, 1));

  grid.SetColors(1, 1, clRed);
  grid.SetColorsTo(1, 1, clBlue);
  grid.SetFontColors(1, 1, clGreen);
  grid.SetFontStyles(1, 1, fsBold | fsItalic);
  grid.SetFontNames(1, 1, "Tahoma");
  grid.SetFontSizes(1, 1, 11);
  grid.SetAlignments(1, 1, taRightJustify);
  grid.SetWordWraps(1, 1, false);
  grid.SetReadOnly(1, 1, true);
  EXPECT_EQ(grid.GetColors(1, 1), clRed);
  EXPECT_EQ(grid.GetColorsTo(1, 1), clBlue);
  EXPECT_EQ(grid.GetFontColors(1, 1), clGreen);
  EXPECT_EQ(grid.GetFontStyles(1, 1), fsBold | fsItalic);
  EXPECT_EQ(grid.GetFontNames(1, 1), "Tahoma");
  EXPECT_EQ(grid.GetFontSizes(1, 1), 11);
  EXPECT_EQ(grid.GetAlignments(1, 1), taRightJustify);
  EXPECT_FALSE(grid.GetWordWraps(1, 1));
  EXPECT_TRUE(grid.GetReadOnly(1, 1));
}

TEST_F(TypedAccess, RowColourCoversTheNormalCellsAndClNoneTakesTheLookBackButKeepsTheRest) {
  grid.SetColCount(4);
  grid.SetRowColor(2, clYellow);
  EXPECT_EQ(grid.GetColors(0, 2), clNone) << "fixed column untouched";
  for (int c = 1; c < 4; ++c) EXPECT_EQ(grid.GetColors(c, 2), clYellow);

  grid.SetFontColors(1, 2, clRed);
  grid.SetAlignments(2, 2, taCenter);
  grid.MergeCells(2, 2, 2, 1);
  grid.AddComment(1, 2, "kept");
  grid.SetRowColor(2, clNone);

  EXPECT_EQ(grid.GetColors(1, 2), clNone);
  EXPECT_EQ(grid.GetFontColors(1, 2), clNone);
  EXPECT_EQ(grid.GetAlignments(2, 2), taLeftJustify);
  EXPECT_TRUE(grid.IsMergedCell(3, 2)) << "merge survives";
  AnsiString comment;
  EXPECT_TRUE(grid.IsComment(1, 2, comment)) << "graphic survives";
  EXPECT_EQ(comment, "kept");

  grid.SetRowFontColor(3, clBlue);
  grid.SetRowFontColor(3, clNone);
  EXPECT_FALSE(grid.HasCellProperties(1, 3)) << "a cell with only a look loses its properties";
}

TEST_F(TypedAccess, ColumnHeadersFillTheFixedRowWithLineBreaks) {
  TStringList headers;
  headers.Add("Node");
  headers.Add("Vendor\\nName");
  grid.SetCellEx(3, 0, "old");
  grid.SetColumnHeaders(headers);
  EXPECT_EQ(grid.GetCellEx(0, 0), "Node");
  EXPECT_EQ(grid.GetCellEx(1, 0), "Vendor\rName");
  EXPECT_EQ(grid.GetCellEx(3, 0), "") << "old headers are cleared";
  EXPECT_EQ(grid.ColumnHeaders()->Count(), 2);
}

TEST_F(TypedAccess, ZoomStaysWithinTenStepsAndKeepsSizesAboveZero) {
  grid.SetRowHeights(1, 3);
  const int width = grid.ColWidths(1);
  grid.Zoom(-5);
  EXPECT_EQ(grid.RowHeights(1), 3) << "3 - 5 is not above 0";
  EXPECT_EQ(grid.ColWidths(1), width - 5);
  grid.Zoom(15);
  EXPECT_EQ(grid.ZoomLevel(), 10);
  grid.Zoom(1);
  EXPECT_EQ(grid.ZoomLevel(), 10);
  EXPECT_EQ(grid.ColWidths(1), width + 10);
}

}  // namespace
