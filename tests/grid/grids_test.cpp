// The framework's grid: current cell, keyboard, mouse, scrolling and the
// in-place editor's lifecycle.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "framework/grids.h"

#include <QScrollBar>
#include "framework/testing/harness.h"
#include "tests/grid/gridtesting.h"

namespace {

// Exposes the keyboard entry with a shift state and records the edits
// written back.
class ProbeGrid : public TStringGrid {
 public:
  using TStringGrid::TStringGrid;
  void Key(unsigned short key, TShiftState shift = 0) { KeyDown(key, shift); }
  std::vector<std::pair<TGridCoord, AnsiString>> edits;

 protected:
  void SetEditText(int col, int row, const AnsiString& value) override {
    edits.push_back({{col, row}, value});
    TStringGrid::SetEditText(col, row, value);
  }
};

class GridTest : public ::testing::Test {
 protected:
  void SetUp() override {
    grid = new ProbeGrid(&form);
    grid->SetParent(&form);
    grid->SetColCount(6);
    grid->SetRowCount(40);
    grid->SetDefaultColWidth(50);
    grid->SetDefaultRowHeight(20);
    grid->SetBounds(0, 0, 300, 200);
  }
  TForm form{nullptr};
  ProbeGrid* grid = nullptr;
};

TEST_F(GridTest, KeysMoveTheCurrentCellWithinTheScrollableCells) {
  struct Case {
    const char* name;
    TGridCoord from;
    unsigned short key;
    TShiftState shift;
    TGridOptions extra;
    TGridCoord to;
  };
  const Case cases[] = {
      {"right", {1, 1}, VK_RIGHT, 0, 0, {2, 1}},
      {"left stops at the fixed column", {1, 1}, VK_LEFT, 0, 0, {1, 1}},
      {"up stops at the fixed row", {2, 1}, VK_UP, 0, 0, {2, 1}},
      {"down", {2, 5}, VK_DOWN, 0, 0, {2, 6}},
      {"down stops at the last row", {2, 39}, VK_DOWN, 0, 0, {2, 39}},
      {"home", {4, 5}, VK_HOME, 0, 0, {1, 5}},
      {"end", {2, 5}, VK_END, 0, 0, {5, 5}},
      {"ctrl+home", {4, 20}, VK_HOME, ssCtrl, 0, {4, 1}},
      {"ctrl+end", {4, 2}, VK_END, ssCtrl, 0, {4, 39}},
      {"tab without goTabs does nothing", {2, 2}, VK_TAB, 0, 0, {2, 2}},
      {"tab", {2, 2}, VK_TAB, 0, goTabs, {3, 2}},
      {"tab wraps to the next row", {5, 2}, VK_TAB, 0, goTabs, {1, 3}},
      {"shift+tab wraps back", {1, 3}, VK_TAB, ssShift, goTabs, {5, 2}},
      {"tab at the last cell stays", {5, 39}, VK_TAB, 0, goTabs, {5, 39}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    grid->SetOptions(kDefaultGridOptions | c.extra);
    grid->SetCol(c.from.X);
    grid->SetRow(c.from.Y);
    grid->Key(c.key, c.shift);
    EXPECT_EQ(grid->Col(), c.to.X);
    EXPECT_EQ(grid->Row(), c.to.Y);
  }
}

TEST_F(GridTest, PageKeysMoveByAVisiblePageAndScroll) {
  const int page = grid->VisibleRowCount();
  ASSERT_GT(page, 1);
  grid->Key(VK_NEXT);
  EXPECT_EQ(grid->Row(), 1 + page);
  EXPECT_GT(grid->TopRow(), 1);
  EXPECT_GT(grid->VertScrollPos(), 0);
  grid->Key(VK_END, ssCtrl);
  EXPECT_EQ(grid->VertScrollPos(), kGridScrollScale);
  grid->Key(VK_HOME, ssCtrl);
  EXPECT_EQ(grid->TopRow(), 1);
  EXPECT_EQ(grid->VertScrollPos(), 0);
}

TEST_F(GridTest, TheScrollBarScrollsOnTheFixedScale) {
  EXPECT_TRUE(grid->ScrollBarShown(false));  // six columns are 306 pixels
  grid->SetBounds(0, 0, 400, 200);
  ASSERT_TRUE(grid->ScrollBarShown(true));
  EXPECT_FALSE(grid->ScrollBarShown(false));
  QScrollBar* vertical = nullptr;
  for (QScrollBar* b : grid->Widget()->findChildren<QScrollBar*>())
    if (b->orientation() == Qt::Vertical) vertical = b;
  ASSERT_NE(vertical, nullptr);
  EXPECT_EQ(vertical->maximum(), kGridScrollScale);
  vertical->setValue(kGridScrollScale);
  EXPECT_EQ(grid->TopRow() + grid->VisibleRowCount(), grid->RowCount());
  vertical->setValue(0);
  EXPECT_EQ(grid->TopRow(), 1);
  grid->SetTopRow(20);
  EXPECT_EQ(vertical->value(), grid->VertScrollPos());
  EXPECT_GT(vertical->value(), 0);
}

TEST_F(GridTest, FixedCellsNeverBecomeCurrent) {
  grid->SetCol(0);
  grid->SetRow(0);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->Row(), 1);
  harness::ClickAt(grid, 10, 10);  // the fixed corner
  harness::ClickAt(grid, 75, 10);  // a column header
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->Row(), 1);
}

TEST_F(GridTest, SelectCellCanRefuseAMove) {
  grid->OnSelectCell = [](TObject*, int col, int, bool& can) { can = col != 3; };
  grid->SetCol(3);
  EXPECT_EQ(grid->Col(), 1);
  grid->SetCol(4);
  EXPECT_EQ(grid->Col(), 4);
}

TEST_F(GridTest, MouseSelectsAndRangeSelectsByDragging) {
  const TRect a = grid->CellRect(2, 2), b = grid->CellRect(4, 5);
  harness::ClickAt(grid, a.Left + 5, a.Top + 5);
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Row(), 2);
  gridtesting::Drag(grid, a.Left + 5, a.Top + 5, b.Left + 5, b.Top + 5);
  EXPECT_EQ(grid->Selection(), (TGridRect{2, 2, 4, 5}));
  grid->SetOptions(kDefaultGridOptions | goRowSelect);
  harness::ClickAt(grid, a.Left + 5, a.Top + 5);
  EXPECT_EQ(grid->Selection(), (TGridRect{1, 2, 5, 2}));
}

TEST_F(GridTest, MouseToCellAndCellRectAgree) {
  grid->SetBounds(0, 0, 400, 200);  // wider than the six columns
  const TRect r = grid->CellRect(3, 4);
  EXPECT_EQ(grid->MouseCoord(r.Left, r.Top), (TGridCoord{3, 4}));
  EXPECT_EQ(grid->MouseCoord(r.Right - 1, r.Bottom - 1), (TGridCoord{3, 4}));
  EXPECT_EQ(grid->MouseCoord(399, 50).X, -1);  // past the last column
  EXPECT_EQ(grid->MouseCoord(-1, 50).X, -1);
  grid->SetTopRow(10);
  EXPECT_TRUE(grid->CellRect(3, 4).IsEmpty());
  EXPECT_EQ(grid->MouseCoord(r.Left, r.Top), (TGridCoord{3, 10 + (4 - 1)}));
}

TEST_F(GridTest, SizingAndMovingColumnsAndRowsByMouse) {
  grid->SetOptions(kDefaultGridOptions | goColSizing | goRowSizing | goColMoving);
  const int border = grid->CellRect(2, 0).Right;
  gridtesting::Drag(grid, border, 5, border + 17, 5);
  EXPECT_EQ(grid->ColWidths(2), 50 + 17);

  const int bottom = grid->CellRect(0, 3).Bottom;
  gridtesting::Drag(grid, 5, bottom - 1, 5, bottom + 9);
  EXPECT_EQ(grid->RowHeights(3), 20 + 10);

  grid->SetCells(1, 2, "moved");
  const TRect from = grid->CellRect(1, 0), to = grid->CellRect(3, 0);
  gridtesting::Drag(grid, from.Left + 20, 5, to.Left + 20, 5);
  EXPECT_EQ(grid->Cells(3, 2), "moved");
  EXPECT_EQ(grid->ColWidths(1), 50 + 17);  // the widths moved with the columns
  EXPECT_EQ(grid->ColWidths(3), 50);
  EXPECT_EQ(grid->GridState(), gsNormal);
}

TEST_F(GridTest, EditorWritesBackOncePerCommittedEdit) {
  grid->SetOptions(kDefaultGridOptions | goEditing);
  grid->SetCells(2, 3, "old");
  grid->SetCol(2);
  grid->SetRow(3);

  grid->ShowEditor();
  ASSERT_TRUE(grid->EditorMode());
  EXPECT_EQ(grid->InplaceEditor()->Text(), "old");
  grid->HideEditor();  // unchanged: nothing written
  EXPECT_TRUE(grid->edits.empty());

  grid->ShowEditor();
  grid->InplaceEditor()->SetText("typed");
  harness::PressKey(grid->InplaceEditor(), Qt::Key_Escape);
  EXPECT_FALSE(grid->EditorMode());
  EXPECT_TRUE(grid->edits.empty());
  EXPECT_EQ(grid->Cells(2, 3), "old");

  grid->ShowEditor();
  grid->InplaceEditor()->SetText("new");
  grid->SetRow(4);  // leaving the cell commits
  ASSERT_EQ(grid->edits.size(), 1u);
  EXPECT_EQ(grid->edits[0].first, (TGridCoord{2, 3}));
  EXPECT_EQ(grid->Cells(2, 3), "new");
  EXPECT_FALSE(grid->EditorMode());

  grid->ShowEditor();
  grid->InplaceEditor()->SetText("entered");
  harness::PressKey(grid->InplaceEditor(), Qt::Key_Return);
  EXPECT_EQ(grid->Cells(2, 4), "entered");
  EXPECT_EQ(grid->edits.size(), 2u);
}

TEST_F(GridTest, EditorNeedsEditingAndNoRowSelect) {
  grid->ShowEditor();
  EXPECT_FALSE(grid->EditorMode());
  grid->SetOptions(kDefaultGridOptions | goEditing | goRowSelect);
  grid->ShowEditor();
  EXPECT_FALSE(grid->EditorMode());
}

TEST_F(GridTest, ShrinkingKeepsTheCurrentCellInsideAndRefusesBadCounts) {
  grid->SetCol(5);
  grid->SetRow(39);
  grid->SetColCount(3);
  grid->SetRowCount(4);
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Row(), 3);
  EXPECT_THROW(grid->SetFixedRows(4), EInvalidOperation);
  EXPECT_THROW(grid->SetCells(3, 0, "x"), EInvalidOperation);
  EXPECT_EQ(grid->Cells(3, 0), "");
}

}  // namespace
