// Row and cell access of the program's windows and the editing text.
#include "grid/duruzav.h"

void TVudUvizidIzed::RepaintRow(int row) {
  if (row >= FixedRows() && (row < TopRow() || row > TopRow() + VisibleRowCount())) return;
  InvalidateRow(row);
}

// A corner out of view leaves the rectangle's place on screen unknown: the
// whole grid is repainted then.
void TVudUvizidIzed::RepaintRect(const TRect& r) {
  if (r.Left < 0 || r.Top < 0 || r.Right < 0 || r.Bottom < 0) return;
  const TRect topLeft = TBaseGrid::CellRect(r.Left, r.Top);
  const TRect bottomRight = TBaseGrid::CellRect(r.Right, r.Bottom);
  if (topLeft.IsEmpty() || bottomRight.IsEmpty()) {
    Invalidate();
    return;
  }
  InvalidateRect(topLeft);
  InvalidateRect(bottomRight);
}

// The current cell's data column: it differs from Col while columns before
// it are hidden.
AnsiString TVudUvizidIzed::GetCurrentCell() {
  const TPoint base = BaseCell(GetRealCol(), Row());
  return GetGridCell(base.X, base.Y);
}

void TVudUvizidIzed::SetCurrentCell(const AnsiString& value) {
  const TPoint base = BaseCell(GetRealCol(), Row());
  SetCellEx(base.X, base.Y, value);
}

AnsiString TVudUvizidIzed::GetEditText(int col, int row) {
  const TPoint base = BaseCell(RemapCol(col), row);
  return GetGridCell(base.X, base.Y);
}

void TVudUvizidIzed::SetEditText(int col, int row, const AnsiString& value) { SetCellEx(RemapCol(col), row, value); }
