// The end of a mouse gesture on the grid: sizing by a drawn line, pushed
// buttons, the drag that did not start, disjunct selections, enhanced moves,
// the selection resize with its paste, and sorting by a header click.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "framework/messaging.h"
#include "framework/services.h"
#include "grid/duruzav.h"
#include "platform/clock.h"

namespace {

// The filter button takes the last pixels of a header cell.
constexpr int kFilterButtonWidth = 16;
// The framework grid's timer that scrolls while a row or column is moved.
constexpr unsigned kMoveScrollTimer = 1;

}  // namespace

void TVudUvizidIzed::RowMoved(int from, int to) {
  if (mouse_.undoingRowMove) return;
  const TFloatingFooter& footer = floatingFooter_;
  if (footer.Visible() && footer.FooterStyle() == fsFixedLastRow && to == RowCount() - 1) {
    // The footer row stays the last one: the framework grid has moved the
    // row already, so it goes back, and the move is none.
    mouse_.undoingRowMove = true;
    TCustomGrid::MoveRow(to, from);
    mouse_.undoingRowMove = false;
    return;
  }
  TBaseGrid::RowMoved(from, to);
  if (Props().EnhRowColMove) mouse_.moved = true;
}

void TGridMouse::LeftRelease(TShiftState shift, int x, int y) {
  s_.moved = s_.movedOther = s_.moveEnded = false;
  s_.clearOnRelease = s_.clickInProgress = false;
  s_.hoverZone = THoverZone::None;
  if (s_.controlButtonDown) {
    s_.controlButtonDown = false;
    grid_.InvalidateCell(s_.controlButtonCell.X, s_.controlButtonCell.Y);
  }
  s_.buttonDown = s_.colWasSized = s_.rowWasSized = false;
  s_.rowSelectAnchor = s_.colSelectAnchor = -1;
  grid_.mouseRangeSelecting_ = false;
  if (!(grid_.ComponentState() & csDesigning)) grid_.Hover().HideMoveIndicators();
  EndSizingLines(x, y);
  LiftFixedButton();
  const TGridCoord hit = grid_.MouseCoord(x, y);
  const bool inCells = hit.X >= 0 && hit.Y >= 0;
  LiftCellButton(hit);
  if (grid_.Hover().SizingHintShown()) grid_.Hover().HideSizingHint();
  if (inCells && grid_.HasButton(grid_.RemapCol(hit.X), hit.Y) && grid_.ButtonRect(hit.X, hit.Y).Contains({x, y}))
    return;
  const bool endsColumnSizing = hit.Y >= 0 && hit.Y < grid_.FixedRows() && hit.X >= 0 &&
                                (grid_.Options() & goColSizing) && grid_.GridState() == gsColSizing;
  if (!endsColumnSizing) grid_.Click();
  if (EndOleDragPending(shift, hit)) return;
  EndDisjunctSelection(hit);
  EndEnhancedMove(hit);
  const TGridState state = grid_.GridState();
  const bool wasMoving = state == gsColMoving || state == gsRowMoving;
  if (!DefaultRelease(shift, x, y)) return;
  // A column or row that the framework grid moved ends the gesture: the
  // header click that carried it is no sort click.
  if (wasMoving && hit != grid_.MouseCoord(s_.pressPoint.X, s_.pressPoint.Y)) s_.moved = true;
  EndSelectionResize();
  if (s_.moved || s_.movedOther || !inCells) return;
  if (hit.X < grid_.FixedCols() && !grid_.SortSettings()->FixedCols) return;
  const int realCol = grid_.RemapCol(hit.X);
  CellMouseUp(realCol, hit.Y);
  if (std::exchange(s_.dblClickSizing, false)) return;
  if (!IsSortClick(hit, x)) return;
  bool doSort = true;
  if (grid_.OnCanSort) grid_.OnCanSort(&grid_, realCol, doSort);
  if (doSort) SortClick(realCol, shift);
  else grid_.RepaintCell(hit.X, hit.Y);
}

// A right release during a move is the move's: the move goes on.
void TGridMouse::RightRelease(TShiftState shift, int x, int y) {
  const TGridState state = grid_.GridState();
  const bool moving = state == gsColMoving || state == gsRowMoving;
  if (moving && (grid_.Props().EnhRowColMove || state == gsColMoving)) return;
  grid_.TBaseGrid::MouseUp(mbRight, shift, x, y);
}

// A fixed column (row) sized by a drawn line takes the line's position; the
// width never goes below 0, wherever the line was let go.
void TGridMouse::EndSizingLines(int x, int y) {
  if (s_.colSizingLine) {
    s_.colSizingLine = s_.rowSizingLine = false;
    const int col = s_.fixedBorderCol;
    if (col < 0 || col >= grid_.ColCount()) return;
    int left = 0;
    for (int c = 0; c < col; ++c) left += grid_.ColWidths(c);
    const int width = std::max(0, x - left);
    grid_.SetColWidths(col, width);
    if (grid_.OnEndColumnSize) grid_.OnEndColumnSize(&grid_, col);
    int updated = width;
    if (grid_.OnUpdateColumnSize) grid_.OnUpdateColumnSize(&grid_, col, updated);
    if (updated != width) grid_.SetColWidths(col, std::max(0, updated));
  } else if (s_.rowSizingLine) {
    s_.colSizingLine = s_.rowSizingLine = false;
    const int row = s_.fixedBorderRow;
    if (row < 0 || row >= grid_.RowCount()) return;
    int top = 0;
    for (int r = 0; r < row; ++r) top += grid_.RowHeights(r);
    grid_.SetRowHeights(row, std::max(0, y - top));
    if (grid_.OnEndRowSize) grid_.OnEndRowSize(&grid_, row);
  }
}

void TGridMouse::LiftFixedButton() {
  if (!s_.fixedButtonDown) return;
  TRect r = s_.fixedButtonRect;
  DrawEdge(grid_.Canvas(), &r, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
  DrawEdge(grid_.Canvas(), &r, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
  s_.fixedButtonDown = false;
}

// The pushed cell button comes up; released over the cells, it clicks when
// its cell may be edited (or disabled buttons do not look so).
void TGridMouse::LiftCellButton(TGridCoord hit) {
  const TPoint button = s_.pressedButton;
  if (button.X < 0 || button.Y < 0) return;
  grid_.PushButton(button.X, button.Y, false);
  if (hit.X >= 0 && hit.Y >= 0) {
    const bool noDisabledLook = grid_.ControlLook()->NoDisabledButtonLook();
    bool canPress = grid_.Options() & goEditing;
    if (!noDisabledLook) grid_.GetCellReadOnly(grid_.RemapCol(button.X), button.Y, canPress);
    if ((canPress || noDisabledLook) && grid_.OnButtonClick) grid_.OnButtonClick(&grid_, button.X, button.Y);
  }
  s_.pressedButton = {-1, -1};
  ReleaseCapture();
}

// The press left the selection for a drag that did not start: the release
// makes the selection the press would have made.
bool TGridMouse::EndOleDragPending(TShiftState shift, TGridCoord hit) {
  if (!std::exchange(s_.oleDragPending, false)) return false;
  if (hit.X < grid_.FixedCols() || hit.Y < grid_.FixedRows()) return false;
  if (grid_.MouseActions()->DisjunctRowSelect() && grid_.DragDropSettings()->OleDropSource) {
    const int flagRow = grid_.DisjunctRow(hit.Y);
    if (shift & ssCtrl) {
      grid_.SetRowSelect(flagRow, !grid_.GetRowSelect(flagRow));
      return true;
    }
    grid_.ClearRowSelect();
  }
  const bool indicator = !grid_.RowIndicator()->Empty() && grid_.FixedCols() > 0;
  if (indicator) grid_.RepaintCell(0, grid_.Row());
  grid_.FocusCell(hit.X, hit.Y, true);
  if (grid_.Options() & goRowSelect)
    grid_.SetSelection({grid_.FixedCols(), hit.Y, grid_.ColCount() - 1, hit.Y});
  if (indicator) grid_.RepaintCell(0, grid_.Row());
  return false;
}

void TGridMouse::EndDisjunctSelection(TGridCoord hit) {
  const TMouseActions& actions = *grid_.MouseActions();
  if (actions.DisjunctRowSelect() && !(hit.X == 0 && hit.Y >= 0 && grid_.IsNode(hit.Y))) {
    grid_.SelectToRowSelect(false);
    const bool normalRow = hit.Y >= grid_.FixedRows() && hit.Y < grid_.RowCount() - grid_.Props().FixedFooters;
    if (normalRow && s_.deselectOnRelease) grid_.SetRowSelect(grid_.DisjunctRow(hit.Y), false);
    s_.deselectOnRelease = false;
  }
  if (actions.DisjunctColSelect()) {
    grid_.SelectToColSelect(false);
    const bool normalCol = hit.X >= grid_.FixedCols() && hit.X < grid_.ColCount() - grid_.Props().FixedRightCols;
    if (normalCol && s_.deselectOnRelease) grid_.SetColSelect(hit.X, false);
    s_.deselectOnRelease = false;
  }
}

// An enhanced move drops the column (row) where the pointer is.
void TGridMouse::EndEnhancedMove(TGridCoord hit) {
  const TGridState state = grid_.GridState();
  if ((state != gsColMoving && state != gsRowMoving) || !grid_.Props().EnhRowColMove) return;
  Services().SetScreenCursor(crDefault);
  const int from = s_.movingIndex;
  if (state == gsColMoving && from >= 0 && hit.X >= grid_.FixedCols() && hit.X != from) grid_.MoveColumn(from, hit.X);
  if (state == gsRowMoving && from >= 0 && hit.Y >= grid_.FixedRows() && hit.Y != from) grid_.MoveRow(from, hit.Y);
  KillTimer(&grid_, kMoveScrollTimer);
  grid_.CancelGridState();
  s_.moveEnded = true;
}

// The framework grid's own release; false when the gesture ends there.
bool TGridMouse::DefaultRelease(TShiftState shift, int x, int y) {
  const TGridState state = grid_.GridState();
  // Sizing released beyond the control's far edge is given up.
  if ((x > grid_.Width() && state == gsColSizing) || (y > grid_.Height() && state == gsRowSizing)) {
    grid_.CancelGridState();
    s_.sizing = {};
    return false;
  }
  const TGridCoord hit = grid_.MouseCoord(x, y);
  // A refused cell ends the press here; the framework's selecting (begun on
  // a cell of a merged area that was allowed) must not outlive the button.
  if (grid_.MouseActions()->DisjunctCellSelect() && hit.X >= 0 && hit.Y >= 0 && !grid_.DisjunctCellClick(shift, hit)) {
    grid_.CancelGridState();
    return false;
  }
  WatchSelection([&] { grid_.TBaseGrid::MouseUp(mbLeft, shift, x, y); });
  // A drag that left the size as it was changed nothing to consume the
  // record; the next size change is no drag.
  s_.sizing = {};
  return true;
}

// The area the selection was resized to is filled from the clipboard, which
// the press loaded with the starting selection.
void TGridMouse::EndSelectionResize() {
  if (!std::exchange(s_.selectionResizing, false)) return;
  const TGridRect current = grid_.Selection();
  if (grid_.OnSelectionResize) grid_.OnSelectionResize(&grid_, s_.selectionAtPress, current);
  s_.pasteAnywhere = true;
  grid_.PasteSelectionFromClipboard();
  s_.pasteAnywhere = false;
  if (grid_.OnSelectionResized) grid_.OnSelectionResized(&grid_, s_.selectionAtPress, grid_.Selection());
}

void TGridMouse::CellMouseUp(int realCol, int row) {
  bool state = false;
  if (grid_.GetCheckBoxState(realCol, row, state) && grid_.OnCheckBoxMouseUp)
    grid_.OnCheckBoxMouseUp(&grid_, realCol, row, state);
  int index = 0;
  if (grid_.GetRadioIdx(realCol, row, index) && grid_.OnRadioMouseUp) grid_.OnRadioMouseUp(&grid_, realCol, row, index);
}

// Pressed and released on the sort row, not on a border or a filter button.
bool TGridMouse::IsSortClick(TGridCoord hit, int x) {
  const TRect r = grid_.CellRect(hit.X, hit.Y);
  const int lx = grid_.LayoutX(x);
  if (hit.Y == 0 && (grid_.Options() & goColSizing) &&
      (NearBorder(lx, r.Left) || NearBorder(lx, r.Right)))
    return false;
  const TGridCoord pressed = grid_.MouseCoord(s_.pressPoint.X, s_.pressPoint.Y);
  if (lx > r.Right - kFilterButtonWidth && grid_.GetFilter(grid_.RemapCol(hit.X))) return false;
  const TSortSettings& sort = *grid_.SortSettings();
  return hit.Y == sort.Row() && pressed.Y == sort.Row() && grid_.FixedRows() > 0 && sort.Show() && !s_.moveEnded &&
         grid_.RowCount() > 2;
}

void TGridMouse::SortClick(int realCol, TShiftState shift) {
  TSortSettings& sort = *grid_.SortSettings();
  grid_.HideInplaceEdit();
  if (grid_.RowCount() != grid_.SortXRef()->Count()) grid_.InitSortXRef();
  if (!sort.IndexShow) {
    bool unsort = false;
    if (realCol == sort.Column) {
      // With UndoSort the click that would bring the first direction back
      // restores the order before sorting instead.
      if (sort.Direction != sort.InitSortDirection && sort.UndoSort) unsort = true;
      sort.Direction = sort.Direction == sdAscending ? sdDescending : sdAscending;
    } else {
      sort.Direction = sort.InitSortDirection;
      sort.Column = realCol;
    }
    RunClickSort(false, unsort && grid_.NodeCount() < 1);
  } else {
    TSortIndexList& indexes = *grid_.SortIndexes();
    const bool ascending = sort.InitSortDirection == sdAscending;
    if (shift & ssShift) {
      if (indexes.FindIndex(realCol) < 0) indexes.AddIndex(realCol, ascending);
      else indexes.ToggleIndex(realCol);
    } else if (indexes.Count() == 1 && indexes.FindIndex(realCol) == 0) {
      indexes.ToggleIndex(realCol);
    } else {
      indexes.Clear();
      indexes.AddIndex(realCol, ascending);
    }
    RunClickSort(true, false);
  }
  if (grid_.OnClickSort) grid_.OnClickSort(&grid_, sort.Column);
}

// Runs the sort, or the unsort that restores the order before sorting,
// timed, with the scroll position kept.
void TGridMouse::RunClickSort(bool indexed, bool unsort) {
  const std::uint32_t start = platform::GetTickCount();
  const int leftCol = grid_.LeftCol();
  const bool keepScroll = grid_.Navigation()->KeepHorizScroll && (grid_.Options() & goRowSelect);
  if (keepScroll) grid_.BeginUpdate();
  const bool nodes = grid_.NodeCount() > 0;
  if (unsort) {
    grid_.QUnSort();
    grid_.SortSettings()->Column = -1;
  } else if (indexed) {
    if (nodes) grid_.QSortGroupIndexed();
    else grid_.QSortIndexed();
  } else {
    if (nodes) grid_.QSortGroup();
    else grid_.QSort();
  }
  grid_.SetLeftCol(leftCol);
  if (keepScroll) grid_.EndUpdate();
  s_.lastSortTime = platform::GetTickCount() - start;
}
