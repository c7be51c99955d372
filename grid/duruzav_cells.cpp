// Row and cell access of the program's windows and the editing text.
#include "grid/duruzav.h"

void TVudUvizidIzed::RepaintRow(int row) {
  if (row >= FixedRows() && (row < TopRow() || row > TopRow() + VisibleRowCount())) return;
  InvalidateRow(row);
}

void TVudUvizidIzed::RepaintRect(const TRect& r) {
  for (int c = r.Left; c <= r.Right; ++c)
    for (int row = r.Top; row <= r.Bottom; ++row) RepaintCell(c, row);
}

AnsiString TVudUvizidIzed::GetCurrentCell() {
  const TPoint base = BaseCell(Col(), Row());
  return GetGridCell(base.X, base.Y);
}

void TVudUvizidIzed::SetCurrentCell(const AnsiString& value) {
  const TPoint base = BaseCell(Col(), Row());
  SetCellEx(base.X, base.Y, value);
}

AnsiString TVudUvizidIzed::GetEditText(int col, int row) {
  const TPoint base = BaseCell(col, row);
  return GetGridCell(base.X, base.Y);
}

void TVudUvizidIzed::SetEditText(int col, int row, const AnsiString& value) { SetCellEx(col, row, value); }
