// The grid under a moving mouse: fixed borders, hover zones and their
// cursors, the hot header cell, links and anchors, range drags from the
// headers, moving feedback, the sizing hint, and cell hints.
#include <gtest/gtest.h>

#include <QWidget>
#include <vector>

#include "framework/forms.h"
#include "framework/hints.h"
#include "framework/resources.h"
#include "grid/arrowwindow.h"
#include "grid/duruzav.h"
#include "grid/htmlhintwindow.h"
#include "grid/popupbutton.h"
#include "gridtesting.h"
#include "tests/grid/mousetesting.h"

namespace {

class Hover : public mousetesting::MouseGrid {
 protected:
  void SetUp() override {
    MouseGrid::SetUp();
    grid.SetColCount(6);
    grid.SetRowCount(10);
    form.Show();
    grid.Update();
  }

  // The cursor shape the next mouse move shows.
  TCursor CursorShown() {
    grid.Perform(WM_SETCURSOR, 0, MakeLParam(HTCLIENT, WM_MOUSEMOVE));
    return grid.ShownCursor();
  }
};

// ---- Fixed borders ----

TEST_F(Hover, FixedColumnBorderIsFoundWithinTwoPixels) {
  grid.SetFixedCols(2);
  grid.SetColWidths(0, 64);
  grid.SetColWidths(1, 30);
  grid.MouseActions()->SizeFixedCol = true;
  const int y = Middle(3, 3).Y;
  struct Case {
    int x;
    bool border;
    int index;
  };
  for (const Case c : {Case{63, true, 0}, Case{95, true, 1}, Case{97, true, 1}, Case{98, false, 0}, Case{80, false, 0}}) {
    Move(c.x, y);
    EXPECT_EQ(grid.Hover().State().fixedColBorder, c.border) << "x = " << c.x;
    if (c.border) {
      EXPECT_EQ(grid.Hover().State().fixedBorderCol, c.index) << "x = " << c.x;
    }
  }
  Move(95, y);
  EXPECT_EQ(CursorShown(), crHSplit);
  grid.MouseActions()->SizeFixedCol = false;
  Move(95, y);
  EXPECT_FALSE(grid.Hover().State().fixedColBorder);
  EXPECT_NE(CursorShown(), crHSplit);
}

TEST_F(Hover, FixedRowBorderShowsTheRowSplitCursor) {
  grid.MouseActions()->SizeFixedRow = true;
  const int border = grid.RowHeights(0);
  Move(Middle(3, 3).X, border + 1);
  EXPECT_TRUE(grid.Hover().State().fixedRowBorder);
  EXPECT_EQ(grid.Hover().State().fixedBorderRow, 0);
  EXPECT_EQ(CursorShown(), crVSplit);
}

TEST_F(Hover, PointerMovedByTheWindowSystemShowsTheZonesCursor) {
  grid.MouseActions()->SizeFixedCol = true;
  const int y = Middle(3, 3).Y;
  // The first move finds the border, the second shows its cursor.
  gridtesting::SendMouse(&grid, QEvent::MouseMove, Qt::NoButton, grid.ColWidths(0), y);
  gridtesting::SendMouse(&grid, QEvent::MouseMove, Qt::NoButton, grid.ColWidths(0), y);
  EXPECT_EQ(grid.Widget()->cursor().shape(), Qt::SplitHCursor);
  gridtesting::SendMouse(&grid, QEvent::MouseMove, Qt::NoButton, Middle(3, 3).X, y);
  gridtesting::SendMouse(&grid, QEvent::MouseMove, Qt::NoButton, Middle(3, 3).X, y);
  EXPECT_EQ(grid.Widget()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(Hover, LeavingTheGridForgetsTheFixedBorders) {
  grid.MouseActions()->SizeFixedCol = true;
  Move(grid.ColWidths(0), Middle(3, 3).Y);
  ASSERT_TRUE(grid.Hover().State().fixedColBorder);
  grid.Perform(CM_MOUSELEAVE);
  EXPECT_FALSE(grid.Hover().State().fixedColBorder);
}

// ---- Hover zones and their cursors ----

TEST_F(Hover, HeaderZonesShowTheGridsCursors) {
  TMouseActions& actions = *grid.MouseActions();
  actions.ColSelect = actions.RowSelect = actions.AllSelect = true;
  struct Case {
    TPoint cell;
    THoverZone zone;
    TCursor cursor;
  };
  const std::vector<Case> cases = {
      {{3, 0}, THoverZone::ColSelect, LoadCursorResource(8011)},
      {{0, 4}, THoverZone::RowSelect, LoadCursorResource(8010)},
      {{0, 0}, THoverZone::SelectAll, LoadCursorResource(8012)},
      {{3, 4}, THoverZone::None, crDefault},
  };
  for (const Case& c : cases) {
    const TPoint p = Middle(c.cell.X, c.cell.Y);
    Move(p.X, p.Y);
    EXPECT_EQ(grid.Hover().State().hoverZone, c.zone) << c.cell.X << "," << c.cell.Y;
    EXPECT_EQ(CursorShown(), c.cursor) << c.cell.X << "," << c.cell.Y;
  }
}

TEST_F(Hover, ZonesNeedTheirMouseActionsAndStayOffTheSizingBorders) {
  TPoint p = Middle(3, 0);
  Move(p.X, p.Y);
  EXPECT_EQ(grid.Hover().State().hoverZone, THoverZone::None);
  grid.MouseActions()->ColSelect = true;
  grid.SetOptions(grid.Options() | goColSizing);
  const TRect header = grid.CellRect(3, 0);
  Move(header.Right - 2, p.Y);
  EXPECT_EQ(grid.Hover().State().hoverZone, THoverZone::None);
  Move(header.Right - 6, p.Y);
  EXPECT_EQ(grid.Hover().State().hoverZone, THoverZone::ColSelect);
}

TEST_F(Hover, ACursorChangeFromOutsideEndsTheZone) {
  grid.MouseActions()->ColSelect = true;
  const TPoint p = Middle(3, 0);
  Move(p.X, p.Y);
  ASSERT_EQ(grid.Hover().State().hoverZone, THoverZone::ColSelect);
  // The grid's own change (the move itself) keeps it; the next one does not.
  grid.SetCursor(crCross);
  EXPECT_EQ(grid.Hover().State().hoverZone, THoverZone::ColSelect);
  grid.SetCursor(crDefault);
  EXPECT_EQ(grid.Hover().State().hoverZone, THoverZone::None);
  EXPECT_EQ(CursorShown(), crDefault);
}

TEST_F(Hover, SelectionResizerCornerIsItsOwnZone) {
  grid.Props().SelectionRectangle = true;
  grid.Props().SelectionResizer = true;
  grid.SetSelection({1, 1, 2, 2});
  const TRect r = grid.CellRect(2, 2);
  Move(r.Right - 2, r.Bottom - 2);
  EXPECT_EQ(grid.Hover().State().hoverZone, THoverZone::SelectionResizer);
  EXPECT_EQ(CursorShown(), LoadCursorResource(8012));
  Move(r.Right - 10, r.Bottom - 10);
  EXPECT_EQ(grid.Hover().State().hoverZone, THoverZone::None);
}

TEST_F(Hover, ListViewLookTracksTheHotHeaderCell) {
  grid.SetLook(glListView);
  const TPoint header = Middle(2, 0), body = Middle(2, 3);
  Move(header.X, header.Y);
  EXPECT_EQ(grid.Hover().State().hotCell.X, 2);
  EXPECT_EQ(grid.Hover().State().hotCell.Y, 0);
  Move(body.X, body.Y);
  EXPECT_EQ(grid.Hover().State().hotCell.Y, 3);
  // Leaving keeps the record.
  grid.Perform(CM_MOUSELEAVE);
  EXPECT_EQ(grid.Hover().State().hotCell.Y, 3);
}

// ---- Links and anchors ----

TEST_F(Hover, URLShowsTheHandWhileThePointerIsOverIt) {
  grid.SetURLShow(true);
  grid.SetCells(2, 2, "http://example.org");
  const TPoint link = Middle(2, 2), plain = Middle(3, 3);
  Move(link.X, link.Y);
  EXPECT_EQ(grid.Cursor(), crHandPoint);
  Move(plain.X, plain.Y);
  EXPECT_EQ(grid.Cursor(), crDefault);
  grid.SetURLShow(false);
  Move(link.X, link.Y);
  EXPECT_EQ(grid.Cursor(), crDefault);
}

TEST_F(Hover, AnchorEventsFollowThePointerFromAnchorToAnchor) {
  grid.SetColWidths(1, 300);
  grid.SetCells(1, 2, "<a href=\"one\">one</a> <a href=\"two\">two</a>");
  std::vector<std::string> events;
  grid.OnAnchorEnter = [&](TObject*, int row, int col, const AnsiString& a) {
    events.push_back("enter " + a + " " + std::to_string(row) + "," + std::to_string(col));
  };
  grid.OnAnchorExit = [&](TObject*, int, int, const AnsiString& a) { events.push_back("exit " + a); };
  const TRect r = grid.CellRect(1, 2);
  const int start = r.Left + 1 + grid.XYOffset.X;
  grid.Canvas()->SetFont(*grid.Font());
  const int twoX = start + grid.Canvas()->TextWidth("one ") + 3;
  const int y = r.Top + 1 + grid.XYOffset.Y + 4;
  Move(start + 3, y);
  EXPECT_EQ(grid.Cursor(), crHandPoint);
  Move(twoX, y);
  Move(twoX + 1, y);
  Move(r.Right - 5, y);
  EXPECT_EQ(grid.Cursor(), crDefault);
  EXPECT_EQ(events, (std::vector<std::string>{"enter one 2,1", "enter two 2,1", "exit two"}));
}

TEST_F(Hover, LeavingAnAnchorForAPlainCellEndsIt) {
  grid.SetColWidths(1, 300);
  grid.SetCells(1, 2, "<a href=\"one\">one</a>");
  std::vector<AnsiString> exits;
  grid.OnAnchorExit = [&](TObject*, int, int, const AnsiString& a) { exits.push_back(a); };
  const TRect r = grid.CellRect(1, 2);
  Move(r.Left + 1 + grid.XYOffset.X + 3, r.Top + 1 + grid.XYOffset.Y + 4);
  ASSERT_EQ(grid.Hover().LastAnchor(), "one");
  const TPoint plain = Middle(2, 3);
  Move(plain.X, plain.Y);
  Move(plain.X + 1, plain.Y);
  EXPECT_EQ(exits, std::vector<AnsiString>{"one"});
  EXPECT_EQ(grid.Cursor(), crDefault);
}

// ---- Drags armed by a press ----

TEST_F(Hover, RowDragFromTheFixedColumnSelectsWholeRows) {
  grid.MouseActions()->RowSelect = true;
  std::vector<TGridRect> changes;
  grid.OnSelectionChanged = [&](TObject*, int l, int t, int r, int b) { changes.push_back({l, t, r, b}); };
  grid.Hover().State().rowSelectAnchor = 5;
  grid.Hover().State().hoverZone = THoverZone::RowSelect;
  const TPoint up = Middle(0, 3);
  Move(up.X, up.Y);
  const TGridRect sel = grid.Selection();
  EXPECT_EQ(sel.Left, grid.FixedCols());
  EXPECT_EQ(sel.Right, grid.ColCount() - 1);
  EXPECT_EQ(sel.Top, 3);
  EXPECT_EQ(sel.Bottom, 5);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].Top, 3);
}

TEST_F(Hover, ColumnDragFromTheFixedRowSelectsWholeColumns) {
  grid.MouseActions()->ColSelect = true;
  grid.Hover().State().colSelectAnchor = 1;
  grid.Hover().State().hoverZone = THoverZone::ColSelect;
  const TPoint p = Middle(4, 0);
  Move(p.X, p.Y);
  const TGridRect sel = grid.Selection();
  EXPECT_EQ(sel.Left, 1);
  EXPECT_EQ(sel.Right, 4);
  EXPECT_EQ(sel.Top, grid.FixedRows());
  EXPECT_EQ(sel.Bottom, grid.RowCount() - 1);
}

TEST_F(Hover, MovingAColumnShowsTheMovingCellAndAsksOnEveryMove) {
  grid.SetOptions(grid.Options() | goColMoving);
  grid.SetCells(2, 0, "Header");
  std::vector<int> asked;
  grid.OnColumnMove = [&](TObject*, int col, bool&) { asked.push_back(col); };
  const TPoint p = Middle(2, 0);
  Press(p.X, p.Y);
  ASSERT_EQ(grid.GridState(), gsColMoving);
  grid.Hover().State().movingIndex = 2;
  grid.Hover().State().pressPoint = p;
  Move(Middle(3, 0).X, p.Y, MK_LBUTTON);
  Move(Middle(4, 0).X, p.Y, MK_LBUTTON);
  EXPECT_EQ(asked, (std::vector<int>{2, 2}));
  TPopupButton* cell = grid.Hover().MovingCell();
  EXPECT_TRUE(cell->Visible());
  EXPECT_EQ(cell->Caption(), "Header");
  EXPECT_EQ(cell->Width(), grid.ColWidths(2));
  EXPECT_EQ(cell->Height(), grid.RowHeights(0));
  // The second move places the arrows at column 3, the first move's target.
  EXPECT_TRUE(grid.Hover().Arrow(0)->Visible());
  const TPoint border = grid.ClientToScreen({grid.CellRect(3, 0).Right, 0});
  EXPECT_EQ(grid.Hover().Arrow(0)->Left() + grid.Hover().Arrow(0)->Width() / 2, border.X);
  EXPECT_EQ(Screen->Cursor(), crDrag);
  Screen->SetCursor(crDefault);
}

TEST_F(Hover, MovingARowMarksTheDropBorderBesideTheRow) {
  grid.SetOptions(grid.Options() | goRowMoving);
  grid.SetCells(0, 2, "Row two");
  const TPoint p = Middle(0, 2);
  Press(p.X, p.Y);
  ASSERT_EQ(grid.GridState(), gsRowMoving);
  grid.Hover().State().movingIndex = 2;
  grid.Hover().State().pressPoint = p;
  Move(p.X, Middle(0, 4).Y, MK_LBUTTON);
  Move(p.X, Middle(0, 5).Y, MK_LBUTTON);
  EXPECT_EQ(grid.Hover().MovingCell()->Caption(), "Row two");
  TArrowWindow* left = grid.Hover().Arrow(2);
  EXPECT_TRUE(left->Visible());
  EXPECT_EQ(left->Direction(), arrLeft);
  const TPoint border = grid.ClientToScreen({0, grid.CellRect(0, 4).Bottom});
  EXPECT_EQ(left->Top() + left->Height() / 2, border.Y);
  EXPECT_FALSE(grid.Hover().Arrow(0)->Visible());
  grid.Hover().HideMoveIndicators();
  EXPECT_FALSE(left->Visible());
  EXPECT_FALSE(grid.Hover().MovingCell()->Visible());
}

TEST_F(Hover, RefusedColumnMoveEndsTheMove) {
  grid.SetOptions(grid.Options() | goColMoving);
  grid.OnColumnMove = [](TObject*, int, bool& allow) { allow = false; };
  const TPoint p = Middle(2, 0);
  Press(p.X, p.Y);
  Move(p.X + 20, p.Y, MK_LBUTTON);
  EXPECT_EQ(grid.GridState(), gsNormal);
  EXPECT_FALSE(grid.Hover().MovingCell()->Visible());
}

TEST_F(Hover, KeepHorizScrollHoldsTheColumnOfThePress) {
  grid.SetColCount(30);
  grid.Navigation()->KeepHorizScroll = true;
  grid.Hover().State().clickInProgress = true;
  grid.Hover().State().leftColAtPress = 1;
  grid.SetLeftCol(4);
  Move(Middle(5, 3).X, Middle(5, 3).Y);
  EXPECT_EQ(grid.LeftCol(), 1);
}

// ---- The sizing hint ----

TEST_F(Hover, ColumnSizingHintShowsTheWidthBeingDragged) {
  grid.SetOptions(grid.Options() | goColSizing);
  grid.Props().HintShowSizing = true;
  grid.SetColWidths(0, 50);
  grid.SetColWidths(1, 50);
  const TRect header = grid.CellRect(2, 0);
  ASSERT_EQ(header.Left, 100);
  Press(header.Right + 2, header.Top + 5);
  ASSERT_EQ(grid.GridState(), gsColSizing);
  grid.Hover().State().sizingCell = {2, 0};
  grid.Hover().State().sizingEdgeOffset = {2, 0};
  Move(180, header.Top + 5, MK_LBUTTON);
  ASSERT_TRUE(grid.Hover().SizingHintShown());
  THTMLHintWindow* hint = grid.Hover().SizingHint();
  EXPECT_EQ(hint->Text(), "cw=<b>78</b>");
  EXPECT_TRUE(hint->IsShown());
  EXPECT_EQ(hint->Color(), grid.Props().HintColor);
  EXPECT_EQ(hint->Left(), grid.ClientToScreen({header.Left, header.Top}).X);
  EXPECT_TRUE(grid.Hover().State().colWasSized);
  grid.Hover().HideSizingHint();
  EXPECT_FALSE(hint->IsShown());
}

TEST_F(Hover, SizingLinesGiveTheirPosition) {
  grid.Props().HintShowSizing = true;
  grid.Hover().State().rowSizingLine = true;
  Move(40, 57);
  EXPECT_EQ(grid.Hover().SizingHint()->Text(), "rh=<b>57</b>");
  EXPECT_EQ(grid.Hover().State().rowSizingLinePos, 57);
  grid.Hover().State().rowSizingLine = false;
  grid.Hover().HideSizingHint();
  grid.Props().HintShowSizing = false;
  grid.Hover().State().colSizingLine = true;
  Move(40, 57);
  EXPECT_FALSE(grid.Hover().SizingHintShown());
}

// ---- Cell hints ----

class CellHints : public Hover {
 protected:
  THintInfo Ask(TPoint p, AnsiString& hint) {
    THintInfo info;
    info.HintControl = &grid;
    info.CursorPos = p;
    bool canShow = true;
    grid.ShowHintProc(hint, canShow, info);
    return info;
  }
};

TEST_F(CellHints, ShowCellsGivesTheTextWithoutMarkupOverTheCell) {
  grid.Props().HintShowCells = true;
  grid.Props().HintColor = clYellow;
  grid.SetCells(2, 3, "<b>bold</b> text");
  AnsiString hint;
  const THintInfo info = Ask(Middle(2, 3), hint);
  EXPECT_EQ(hint, "bold text");
  const TRect r = grid.CellRect(2, 3);
  EXPECT_EQ(info.HintPos.X, grid.ClientToScreen({r.Left, r.Top}).X);
  EXPECT_EQ(info.HintPos.Y, grid.ClientToScreen({r.Left, r.Top}).Y);
  EXPECT_EQ(info.HintColor, clYellow);
  EXPECT_EQ(grid.Hover().HintCell().X, 2);
  grid.Props().HTMLHint = true;
  Ask(Middle(2, 3), hint);
  EXPECT_EQ(hint, "<b>bold</b> text");
}

TEST_F(CellHints, PlacesBelowTheCellOrBesideAComment) {
  AnsiString hint;
  const TRect r = grid.CellRect(2, 3);
  THintInfo info = Ask(Middle(2, 3), hint);
  EXPECT_EQ(info.HintPos.Y, grid.ClientToScreen({0, r.Bottom + 6}).Y);
  grid.AddComment(2, 3, "note");
  info = Ask(Middle(2, 3), hint);
  EXPECT_EQ(info.HintPos.X, grid.ClientToScreen({r.Right, 0}).X);
  EXPECT_EQ(info.HintPos.Y, grid.ClientToScreen({0, r.Top}).Y);
}

TEST_F(CellHints, OutsideTheCellsOnlyTheColourIsSet) {
  grid.SetBounds(0, 0, 560, 360);
  grid.SetRowCount(2);
  AnsiString hint = "kept";
  const THintInfo info = Ask({10, 300}, hint);
  EXPECT_EQ(hint, "kept");
  EXPECT_EQ(info.HintColor, grid.Props().HintColor);
  EXPECT_EQ(grid.Hover().HintCell().X, -1);
}

TEST_F(CellHints, AnchorHintOffersTheAnchorToTheEvent) {
  grid.Props().AnchorHint = true;
  grid.SetColWidths(1, 300);
  grid.SetCells(1, 2, "<a href=\"target\">go</a>");
  grid.OnAnchorHint = [](TObject*, int, int, AnsiString& anchor) { anchor = "hint for " + anchor; };
  const TRect r = grid.CellRect(1, 2);
  AnsiString hint;
  Ask({r.Left + 1 + grid.XYOffset.X + 3, r.Top + 1 + grid.XYOffset.Y + 4}, hint);
  EXPECT_EQ(hint, "hint for target");
}

TEST_F(CellHints, TheHintPipelineShowsTheCellHintAndAMoveToAnotherCellEndsIt) {
  grid.SetShowHint(true);
  grid.Props().HintShowCells = true;
  grid.SetCells(2, 3, "cell text");
  const TPoint p = Middle(2, 3);
  ASSERT_TRUE(ActivateHintOf(&grid, p));
  ASSERT_NE(ShownHintWindow(), nullptr);
  EXPECT_EQ(ShownHintWindow()->Text(), "cell text");
  Move(p.X + 1, p.Y);
  EXPECT_NE(ShownHintWindow(), nullptr);
  const TPoint other = Middle(3, 3);
  Move(other.X, other.Y);
  EXPECT_EQ(ShownHintWindow(), nullptr);
  EXPECT_EQ(grid.Hover().HintCell().X, -1);
}

TEST_F(CellHints, GridHintEventMaySuppressTheHint) {
  grid.SetShowHint(true);
  grid.Props().HintShowCells = true;
  grid.SetCells(2, 3, "cell text");
  grid.OnGridHint = [](TObject*, int, int, AnsiString& hint) { hint.clear(); };
  EXPECT_FALSE(ActivateHintOf(&grid, Middle(2, 3)));
}

TEST_F(CellHints, HTMLHintsRenderInTheMarkupHintWindow) {
  grid.SetShowHint(true);
  grid.Props().HintShowCells = true;
  grid.SetUseHTMLHints(true);
  grid.SetCells(2, 3, "<b>bold</b>");
  ASSERT_TRUE(ActivateHintOf(&grid, Middle(2, 3)));
  auto* window = dynamic_cast<THTMLHintWindow*>(ShownHintWindow());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->Text(), "<b>bold</b>");
  EXPECT_TRUE(grid.Props().HTMLHint);
  grid.SetUseHTMLHints(false);
  ASSERT_TRUE(ActivateHintOf(&grid, Middle(2, 3)));
  EXPECT_EQ(dynamic_cast<THTMLHintWindow*>(ShownHintWindow()), nullptr);
  CancelHint();
}

}  // namespace
