// Mouse presses on cells: the framework grid moves the current cell (or
// starts sizing), then the grid tells the application which cell was hit.
#include "grid/duruzav.h"

namespace {
// A press this close to a cell's left or right edge may be meant for the
// column border and is not a click on the cell.
constexpr int kCellEdgeMargin = 4;

// Runs the framework's handler and tells the grid when it changed the
// selection rectangle.
template <typename Handler>
void WatchSelection(TVudUvizidIzed& grid, Handler&& inherited) {
  const TGridRect before = grid.Selection();
  inherited();
  const TGridRect after = grid.Selection();
  if (after != before) grid.SelectionChanged(after.Left, after.Top, after.Right, after.Bottom);
}
}  // namespace

bool TVudUvizidIzed::PressInsideCell(int x, int col, int row) const {
  if (!(Options() & goColSizing)) return true;
  const TRect r = TBaseGrid::CellRect(col, row);
  x = LayoutX(x);
  return x - r.Left >= kCellEdgeMargin && r.Right - x >= kCellEdgeMargin;
}

void TVudUvizidIzed::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && !CloseEditorValidated()) return;
  const TGridCoord hit = MouseCoord(x, y);
  if (button == mbLeft && hit.X >= 0 && hit.Y >= 0 && !(shift & ssCtrl)) mouseRangeSelecting_ = true;
  if (button == mbRight && mouseActions_.SelectOnRightClick && hit.X >= FixedCols() && hit.Y >= FixedRows())
    FocusCell(hit.X, hit.Y, true);
  // A double click that opens the text editor puts its caret under the pointer.
  const bool doubleClick = button == mbLeft && (shift & ssDouble);
  editState_.clickStarted = doubleClick;
  WatchSelection(*this, [&] { TBaseGrid::MouseDown(button, shift, x, y); });
  if (!EditorMode()) editState_.clickStarted = false;
  if (doubleClick) {
    // The cell is found afresh from the point: raw values (-1 outside the
    // cells), no merge mapping.
    if (OnDblClickCell) OnDblClickCell(this, hit.Y, hit.X);
    return;
  }
  if (hit.X < 0 || hit.Y < 0) return;
  if (button == mbRight) {
    if (OnRightClickCell) OnRightClickCell(this, hit.Y, hit.X);
    return;
  }
  if (button != mbLeft) return;
  const bool sizing = GridState() == gsColSizing || GridState() == gsRowSizing;
  if (!sizing && PressInsideCell(x, hit.X, hit.Y) && OnClickCell) OnClickCell(this, hit.Y, hit.X);
}

void TVudUvizidIzed::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) mouseRangeSelecting_ = false;
  // Sizing released beyond the control's far edge is given up.
  if ((x > Width() && GridState() == gsColSizing) || (y > Height() && GridState() == gsRowSizing)) {
    CancelGridState();
    return;
  }
  const TGridCoord hit = MouseCoord(x, y);
  // A refused cell ends the press here; the framework's selecting (begun on
  // a cell of a merged area that was allowed) must not outlive the button.
  if (button == mbLeft && mouseActions_.DisjunctCellSelect() && hit.X >= 0 && hit.Y >= 0 &&
      !DisjunctCellClick(shift, hit)) {
    CancelGridState();
    return;
  }
  if (GridState() == gsColMoving && button == mbRight) return;
  WatchSelection(*this, [&] { TBaseGrid::MouseUp(button, shift, x, y); });
}

// A click marks its cell (the base cell of a merged area) alone, a Ctrl
// click toggles it among the marks; a dragged range joins the marks.
bool TVudUvizidIzed::DisjunctCellClick(TShiftState shift, TGridCoord hit) {
  const TPoint base = BaseCell(hit.X, hit.Y);
  if (!IsFixed(base.X, base.Y)) {
    bool canSelect = true;
    if (OnSelectCell) OnSelectCell(this, base.X, base.Y, canSelect);
    if (!canSelect) return false;
    if (shift & ssCtrl) {
      if (!AddSelectedCell(base.X, base.Y)) selectedCells_.Delete(SelectedCellIndex(base.X, base.Y));
    } else {
      RepaintSelectedCells();
      selectedCells_.Clear();
      AddSelectedCell(base.X, base.Y);
    }
  }
  const TGridRect sel = Selection();
  if (sel.Left != sel.Right || sel.Top != sel.Bottom) {
    MergeSelectionIntoCells(TGridCoord{base.X, base.Y});
    RepaintSelectedCells();
  }
  RepaintCell(hit.X, hit.Y);
  return true;
}
