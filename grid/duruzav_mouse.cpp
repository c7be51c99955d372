// Mouse presses on cells: the framework grid moves the current cell (or
// starts sizing), then the grid tells the application which cell was hit.
#include "grid/duruzav.h"

namespace {
// A press this close to a cell's left or right edge may be meant for the
// column border and is not a click on the cell.
constexpr int kCellEdgeMargin = 4;
}  // namespace

bool TVudUvizidIzed::PressInsideCell(int x, int col, int row) const {
  if (!(Options() & goColSizing)) return true;
  const TRect r = TBaseGrid::CellRect(col, row);
  x = LayoutX(x);
  return x - r.Left >= kCellEdgeMargin && r.Right - x >= kCellEdgeMargin;
}

void TVudUvizidIzed::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  const TGridCoord hit = MouseCoord(x, y);
  if (button == mbLeft && hit.X >= 0 && hit.Y >= 0 && !(shift & ssCtrl)) mouseRangeSelecting_ = true;
  if (button == mbRight && mouseActions_.SelectOnRightClick && hit.X >= FixedCols() && hit.Y >= FixedRows())
    FocusCell(hit.X, hit.Y, true);
  TBaseGrid::MouseDown(button, shift, x, y);
  if (button == mbLeft && (shift & ssDouble)) {
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
  TBaseGrid::MouseUp(button, shift, x, y);
}
