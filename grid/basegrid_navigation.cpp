// Moving the current cell across merged areas: keys, wheel and selection
// always end on a base cell.
#include "grid/basegrid.h"

bool TBaseGrid::SelectCell(int col, int row) {
  RepaintCell(Col(), Row());
  const bool result = TStringGrid::SelectCell(col, row);
  RepaintCell(col, row);
  return result;
}

void TBaseGrid::SelectBaseCell() {
  if (!HasCellProperties(Col(), Row())) return;
  const TPoint base = BaseCell(Col(), Row());
  if (base.X != Col()) SetCol(base.X);
  if (base.Y != Row()) SetRow(base.Y);
}

void TBaseGrid::TopLeftChanged() {
  TStringGrid::TopLeftChanged();
  RepaintFixedMergedRows();
  RepaintFixedMergedCols();
}

// Before the framework moves one cell on, the current cell is put at the
// edge of its merged area, so the move leaves the area: Left and Up land on
// the cell before it, Right and Down on the cell after it.
void TBaseGrid::KeyDown(unsigned short& key, TShiftState shift) {
  const bool props = HasCellProperties(Col(), Row());
  TPoint base{Col(), Row()}, span{-1, -1};
  if (props) {
    base = BaseCell(Col(), Row());
    const TCellProperties* b = PropsAt(base.X, base.Y);
    span = {b ? b->CellSpanX : -1, b ? b->CellSpanY : -1};
  }
  switch (key) {
    case VK_NEXT:
      // With every row in view the footer row is never reached: the move
      // ends here instead of going on by a page.
      if (VisibleRowCount() + TopRow() - FixedRows() == RowCount() - 1 && lastRowFooter_ && RowCount() > 1) {
        SetRow(RowCount() - 2);
        key = 0;
      }
      break;
    case VK_LEFT:
      if (props && Col() > base.X && Col() > FixedCols() && base.X > 0) SetCol(base.X);
      break;
    case VK_UP:
      if (props && Row() > base.Y && Row() > FixedRows() && base.Y > 0) SetRow(base.Y);
      break;
    case VK_RIGHT:
      if (props && span.X >= 0 && Col() <= base.X + span.X && Col() < ColCount() - 1 && base.X < ColCount() - 1)
        SetCol(std::min(base.X + span.X, ColCount() - 1));
      break;
    case VK_DOWN:
      if (props && span.Y >= 0 && Row() <= base.Y + span.Y && Row() < RowCount() - 1 && base.Y < RowCount() - 1)
        SetRow(std::min(base.Y + span.Y, RowCount() - 1));
      break;
    default: break;
  }
  TStringGrid::KeyDown(key, shift);
  SelectBaseCell();
}

bool TBaseGrid::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  const bool result = TStringGrid::DoMouseWheelDown(shift, mousePos);
  if (VisibleRowCount() < Row() - TopRow() && Row() < RowCount() - 1 && lastRowFooter_) SetTopRow(TopRow() + 1);
  SelectBaseCell();
  return result;
}

bool TBaseGrid::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  const bool result = TStringGrid::DoMouseWheelUp(shift, mousePos);
  SelectBaseCell();
  return result;
}
