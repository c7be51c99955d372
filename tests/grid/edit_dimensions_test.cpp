// The dimension properties over the framework grid's: the fixed counts kept
// by FixedRowAlways and FixedColAlways, and the fixed sizes.
#include "tests/grid/edit_fixture.h"

namespace {

using DimensionsTest = EditGridTest;

TEST_F(DimensionsTest, FixedCountsReadOneAndComeBackWhenTheGridGrows) {
  grid->Props().FixedRowAlways = true;
  grid->Props().FixedColAlways = true;
  grid->SetFixedColsEx(2);
  // The framework's count drops without the grid saving it.
  grid->TCustomGrid::SetFixedCols(0);
  EXPECT_EQ(grid->GetFixedColsEx(), 1) << "no fixed column reads as one";
  grid->SetColCountEx(6);
  EXPECT_EQ(grid->FixedCols(), 2) << "the saved count comes back";
  grid->TCustomGrid::SetFixedRows(0);
  EXPECT_EQ(grid->GetFixedRowsEx(), 1);
}

TEST_F(DimensionsTest, FixedSizesAndTheDefaults) {
  grid->SetFixedColWidth(grid->DefaultColWidth());
  grid->SetColWidths(0, 30);
  grid->SetFixedColWidth(grid->DefaultColWidth());
  EXPECT_EQ(grid->GetFixedColWidth(), 30) << "the default width leaves the fixed columns";
  grid->SetFixedColWidth(40);
  EXPECT_EQ(grid->GetFixedColWidth(), 40);

  grid->SetFixedRowHeight(30);
  EXPECT_EQ(grid->RowHeights(0), 30);
  EXPECT_EQ(grid->RowHeights(1), grid->DefaultRowHeight());
  grid->SetFixedRowHeight(grid->DefaultRowHeight());
  EXPECT_EQ(grid->GetFixedRowHeight(), grid->DefaultRowHeight());
  EXPECT_EQ(grid->RowHeights(0), grid->DefaultRowHeight()) << "the default height sizes every row again";
}

TEST_F(DimensionsTest, WordWrapReachesTheEditor) {
  TZurInplaceEdit* editor = OpenEditor(1, 1);
  ASSERT_NE(editor, nullptr);
  grid->SetWordWrapEx(false);
  EXPECT_FALSE(grid->GetWordWrapEx());
  ASSERT_NE(editor->TextEdit(), nullptr);
  EXPECT_EQ(editor->TextEdit()->lineWrapMode(), QPlainTextEdit::NoWrap);
}

}  // namespace
