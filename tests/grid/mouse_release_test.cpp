// The release: sorting by a header click (with the unsort of UndoSort),
// the border drag with its events, and the moves of rows.
#include <gtest/gtest.h>

#include <vector>

#include "framework/forms.h"
#include "grid/arrowwindow.h"
#include "grid/duruzav.h"
#include "grid/htmlhintwindow.h"
#include "grid/popupbutton.h"
#include "mousetesting.h"

namespace {

class ClickSort : public mousetesting::MouseGrid {
 protected:
  void SetUp() override {
    MouseGrid::SetUp();
    grid.SortSettings()->SetShow(true);
    grid.SortSettings()->UndoSort = true;
    const char* values[] = {"b", "c", "a", "d"};
    for (int r = 1; r <= 4; ++r) {
      grid.SetCellEx(1, r, values[r - 1]);
      grid.SetCellEx(2, r, std::to_string(r));
    }
    grid.SetRowCount(5);
    grid.OnClickSort = [this](TObject*, int col) { sorted.push_back(col); };
  }
  AnsiString Column1() {
    AnsiString s;
    for (int r = 1; r < grid.RowCount(); ++r) s += grid.GetCellEx(1, r);
    return s;
  }
  void ClickHeader(int col) {
    const TPoint p = Middle(col, 0);
    Click(p.X, p.Y);
  }
  std::vector<int> sorted;
};

// Ascending, descending, then back to the order before sorting.
TEST_F(ClickSort, HeaderClicksSortFlipAndUndo) {
  ClickHeader(1);
  EXPECT_EQ(Column1(), "abcd");
  EXPECT_EQ(grid.GetCellEx(2, 1), "3") << "whole rows move";
  ClickHeader(1);
  EXPECT_EQ(Column1(), "dcba");
  ClickHeader(1);
  EXPECT_EQ(Column1(), "bcad");
  EXPECT_EQ(sorted, (std::vector<int>{1, 1, -1}));
  EXPECT_EQ(grid.SortSettings()->Column, -1);
}

TEST_F(ClickSort, NoSortWithoutTheSortRowOrWithTooFewRows) {
  const TPoint body = Middle(1, 2);
  Click(body.X, body.Y);
  const TPoint header = Middle(1, 0);
  Press(body.X, body.Y);
  Release(header.X, header.Y);
  EXPECT_EQ(Column1(), "bcad") << "pressed outside the sort row";
  grid.OnCanSort = [](TObject*, int, bool& doSort) { doSort = false; };
  ClickHeader(1);
  EXPECT_EQ(Column1(), "bcad") << "refused by OnCanSort";
  grid.OnCanSort = nullptr;
  grid.SetRowCount(2);
  ClickHeader(1);
  EXPECT_EQ(grid.GetCellEx(1, 1), "b") << "two rows";
  EXPECT_TRUE(sorted.empty());
}

TEST_F(ClickSort, ReleaseNearAHeaderBorderSortsFromFourPixelsIn) {
  grid.SetOptions(grid.Options() | goColSizing);
  const TRect r = grid.CellRect(1, 0);
  const int y = Middle(1, 0).Y;
  Click(r.Right - 3, y);
  EXPECT_TRUE(sorted.empty());
  Click(r.Right - 4, y);
  EXPECT_EQ(sorted, std::vector<int>{1});
}

TEST_F(ClickSort, ReleaseOnAnotherHeaderSortsByTheReleaseColumn) {
  const TPoint from = Middle(2, 0), to = Middle(1, 0);
  Press(from.X, from.Y);
  Release(to.X, to.Y);
  EXPECT_EQ(sorted, std::vector<int>{1});
  EXPECT_EQ(Column1(), "abcd");
}

TEST_F(ClickSort, MovingAColumnByItsHeaderIsNoSortClick) {
  for (bool enhanced : {true, false}) {
    grid.Props().EnhRowColMove = enhanced;
    grid.SetOptions(grid.Options() | goColMoving);
    const AnsiString moved = grid.GetCellEx(1, 1);
    const TPoint from = Middle(1, 0), to = Middle(3, 0);
    Press(from.X, from.Y);
    Send(WM_MOUSEMOVE, to.X, to.Y, MK_LBUTTON);
    Release(to.X, to.Y);
    EXPECT_EQ(grid.GetCellEx(3, 1), moved) << enhanced;
    EXPECT_TRUE(sorted.empty()) << enhanced;
    grid.MoveColumn(3, 1);
  }
}

TEST_F(ClickSort, FixedColumnSortsOnlyWhenAllowed) {
  ClickHeader(0);
  EXPECT_TRUE(sorted.empty());
  grid.SortSettings()->FixedCols = true;
  ClickHeader(0);
  EXPECT_EQ(sorted, std::vector<int>{0});
}

TEST_F(ClickSort, IndexedSortAddsColumnsWithShift) {
  grid.SortSettings()->IndexShow = true;
  ClickHeader(1);
  const TPoint p = Middle(2, 0);
  Click(p.X, p.Y, MK_SHIFT);
  const TSortIndexList& indexes = *grid.SortIndexes();
  ASSERT_EQ(indexes.Count(), 2);
  EXPECT_EQ(indexes.SortColumns(0), 1);
  EXPECT_EQ(indexes.SortColumns(1), 2);
  EXPECT_EQ(Column1(), "abcd");
  ClickHeader(2);
  ASSERT_EQ(indexes.Count(), 1);
  ClickHeader(2);
  EXPECT_FALSE(indexes.SortDirections(0)) << "the only sorted column toggles";
}

class BorderDrag : public mousetesting::MouseGrid {
 protected:
  void SetUp() override {
    MouseGrid::SetUp();
    grid.SetOptions(grid.Options() | goColSizing | goRowSizing);
    grid.OnEndColumnSize = [this](TObject*, int col) { ended.push_back(col); };
  }
  // Drags column col's right border by dx.
  void DragColumnBorder(int col, int dx) {
    const int x = grid.CellRect(col, 0).Right - 1, y = Middle(col, 0).Y;
    Press(x, y);
    Send(WM_MOUSEMOVE, x + dx, y, MK_LBUTTON);
    Release(x + dx, y);
  }
  std::vector<int> ended;
};

TEST_F(BorderDrag, DraggedColumnTellsItsEnd) {
  DragColumnBorder(2, 30);
  EXPECT_EQ(grid.ColWidths(2), 94);
  EXPECT_EQ(ended, std::vector<int>{2});
  ended.clear();
  grid.SetColWidths(3, 80);
  EXPECT_TRUE(ended.empty()) << "a width set by the program is no drag";
}

TEST_F(BorderDrag, ReleaseTakesTheSizingHintAway) {
  grid.Props().HintShowSizing = true;
  const int x = grid.CellRect(2, 0).Right - 1, y = Middle(2, 0).Y;
  Press(x, y);
  Send(WM_MOUSEMOVE, x + 20, y, MK_LBUTTON);
  ASSERT_TRUE(grid.Hover().SizingHintShown());
  Release(x + 20, y);
  EXPECT_FALSE(grid.Hover().SizingHintShown());
  EXPECT_FALSE(grid.Hover().SizingHint()->IsShown());
}

// The moving cell, its arrows and the drag cursor go with the button.
TEST_F(BorderDrag, ReleaseEndsTheFeedbackOfAColumnMove) {
  grid.SetOptions(grid.Options() | goColMoving);
  const TPoint p = Middle(2, 0);
  Press(p.X, p.Y);
  ASSERT_EQ(grid.GridState(), gsColMoving);
  Send(WM_MOUSEMOVE, Middle(3, 0).X, p.Y, MK_LBUTTON);
  Send(WM_MOUSEMOVE, Middle(4, 0).X, p.Y, MK_LBUTTON);
  ASSERT_TRUE(grid.Hover().MovingCell()->Visible());
  ASSERT_TRUE(grid.Hover().Arrow(0)->Visible());
  Release(Middle(4, 0).X, p.Y);
  EXPECT_FALSE(grid.Hover().MovingCell()->Visible());
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(grid.Hover().Arrow(i)->Visible()) << i;
  EXPECT_NE(Screen->Cursor(), crDrag);
}

TEST_F(BorderDrag, ReleaseClicksOnceUnlessItEndsAColumnSizing) {
  int clicks = 0;
  grid.OnClick = [&](TObject*) { ++clicks; };
  const TPoint p = Middle(2, 3);
  Click(p.X, p.Y);
  EXPECT_EQ(clicks, 1);
  DragColumnBorder(2, 20);
  EXPECT_EQ(clicks, 1);
}

TEST_F(BorderDrag, ColumnDraggedPastItsLeftEdgeIsZeroWide) {
  DragColumnBorder(2, -150);
  EXPECT_EQ(grid.ColWidths(2), 0);
}

TEST_F(BorderDrag, AllColumnSizeScalesTheOtherScrollableColumns) {
  grid.MouseActions()->AllColumnSize = true;
  grid.SetColWidths(3, 51);
  DragColumnBorder(2, 64);
  EXPECT_EQ(grid.ColWidths(2), 128);
  EXPECT_EQ(grid.ColWidths(1), 128);
  EXPECT_EQ(grid.ColWidths(3), 102);
  EXPECT_EQ(grid.ColWidths(0), 64) << "fixed columns keep their width";
  EXPECT_EQ(ended, std::vector<int>{2});
}

TEST_F(BorderDrag, UpdateColumnSizeHandlerWinsOverTheDrag) {
  grid.OnUpdateColumnSize = [](TObject*, int, int& width) { width = 70; };
  DragColumnBorder(2, 30);
  EXPECT_EQ(grid.ColWidths(2), 70);
}

TEST_F(BorderDrag, DraggedRowTellsItsEnd) {
  std::vector<int> rows;
  grid.OnEndRowSize = [&](TObject*, int row) { rows.push_back(row); };
  const int height = grid.RowHeights(2);
  const int y = grid.CellRect(0, 2).Bottom - 1, x = Middle(0, 2).X;
  Press(x, y);
  Release(x, y + 10);
  EXPECT_EQ(grid.RowHeights(2), height + 10);
  EXPECT_EQ(rows, std::vector<int>{2});
}

TEST_F(BorderDrag, RightReleaseDuringARowMoveBelongsToTheMove) {
  grid.SetOptions(grid.Options() | goRowMoving);
  int rightReleases = 0;
  grid.OnMouseUp = [&](TObject*, TMouseButton button, TShiftState, int, int) { rightReleases += button == mbRight; };
  const TPoint p = Middle(0, 2);
  Press(p.X, p.Y);
  ASSERT_EQ(grid.GridState(), gsRowMoving);
  Send(WM_RBUTTONUP, p.X, p.Y, MK_LBUTTON);
  EXPECT_EQ(rightReleases, 0);
  Release(p.X, p.Y);
  Send(WM_RBUTTONUP, p.X, p.Y, 0);
  EXPECT_EQ(rightReleases, 1);
}

TEST_F(BorderDrag, RowMovedOntoAFixedFooterRowStaysPut) {
  grid.SetCellEx(1, 2, "moved");
  grid.FloatingFooter()->SetVisible(true);
  grid.MoveRow(2, 5);
  EXPECT_EQ(grid.GetCellEx(1, 2), "moved");
  grid.MoveRow(2, 4);
  EXPECT_EQ(grid.GetCellEx(1, 4), "moved");
}


// Whole gestures: the move that finds the zone, the press, the drag, the
// release.
class Gesture : public mousetesting::MouseGrid {
 protected:
  void SetUp() override {
    MouseGrid::SetUp();
    grid.SetOptions(grid.Options() | goRangeSelect);
  }
  void Drag(TPoint from, TPoint to) {
    Move(from);
    Press(from.X, from.Y);
    Move(to.X, to.Y, MK_LBUTTON);
    Release(to.X, to.Y);
  }
};

// The grid need not be editable: the resize is the user's own paste.
TEST_F(Gesture, ResizerCornerDraggedDownFillsTheNewArea) {
  ASSERT_FALSE(grid.Options() & goEditing);
  grid.Props().SelectionRectangle = true;
  grid.Props().SelectionResizer = true;
  grid.Navigation()->AllowSmartClipboard = true;
  grid.SetCellEx(1, 1, "x");
  grid.SetSelection({1, 1, 1, 1});
  std::vector<TGridRect> resize, resized;
  grid.OnSelectionResize = [&](TObject*, const TGridRect& from, const TGridRect& to) { resize = {from, to}; };
  grid.OnSelectionResized = [&](TObject*, const TGridRect& from, const TGridRect& to) { resized = {from, to}; };
  const TRect corner = grid.CellRect(1, 1);
  Drag({corner.Right - 2, corner.Bottom - 2}, Middle(1, 3));
  const TGridRect from{1, 1, 1, 1}, to{1, 1, 1, 3};
  EXPECT_EQ(resize, (std::vector<TGridRect>{from, to}));
  EXPECT_EQ(resized, (std::vector<TGridRect>{from, to}));
  for (int r = 2; r <= 3; ++r) EXPECT_EQ(grid.GetCellEx(1, r), "x") << r;
  EXPECT_EQ(grid.GetCellEx(1, 4), "");
  grid.SetCellEx(2, 2, "typed");
  grid.SetSelection({2, 2, 2, 2});
  grid.PasteSelectionFromClipboard();
  EXPECT_EQ(grid.GetCellEx(2, 2), "typed") << "a paste of the program's own still needs editing";
}

TEST_F(Gesture, DragFromAFixedCellSelectsWholeRowsOrColumns) {
  grid.MouseActions()->RowSelect = true;
  grid.MouseActions()->ColSelect = true;
  Drag(Middle(0, 4), Middle(0, 2));
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 2, 4, 4}));
  Drag(Middle(1, 0), Middle(3, 0));
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 1, 3, 5}));
  Move(Middle(2, 3));
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 1, 3, 5})) << "the release ends the drag";
}

TEST_F(Gesture, FixedColumnSizedByTheDrawnLine) {
  grid.MouseActions()->SizeFixedCol = true;
  std::vector<int> ended;
  grid.OnEndColumnSize = [&](TObject*, int col) { ended.push_back(col); };
  const int border = grid.ColWidths(0), y = Middle(0, 3).Y;
  Drag({border, y}, {border + 30, y});
  EXPECT_EQ(grid.ColWidths(0), border + 30);
  EXPECT_EQ(ended, std::vector<int>{0});
  EXPECT_FALSE(grid.Hover().State().colSizingLine);
}

}  // namespace
