// The floating footer settings and the calculation of the footer row.
#include "grid/duruzav.h"

// ---- Settings ----

void TFloatingFooter::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TFloatingFooter*>(source);
  if (!s) return;
  CalculateHiddenRows = s->CalculateHiddenRows;
  Color = s->Color;
  Column = s->Column;
  SetFooterStyle(s->style_);
  ShowHint = s->ShowHint;
  EnableCalculation = true;
}

void TFloatingFooter::SetVisible(bool visible) {
  visible_ = visible;
  Grid()->SetFixedFooters(FixedLastRow() ? 1 : 0);
  Grid()->SetLastRowFooter(FixedLastRow());
  RepaintGrid();
}

void TFloatingFooter::SetFooterStyle(TFooterStyle style) {
  style_ = style;
  Grid()->SetLastRowFooter(FixedLastRow());
  RepaintGrid();
}

TColumnCalcType TFloatingFooter::GetColumnCalc(int col) const {
  const int last = Grid()->RowCount() - 1;
  return Grid()->HasCellProperties(col, last) ? Grid()->GetCellProperties(col, last)->CalcType : acNONE;
}

void TFloatingFooter::SetColumnCalc(int col, TColumnCalcType type) {
  const int last = Grid()->RowCount() - 1;
  Grid()->GetCellProperties(col, last)->CalcType = type;
  Grid()->UpdateCell(col, last);
}

// ---- Calculation ----

// The data rows lie between the fixed rows and the footer row. With the
// hidden rows counted they are read by real row, the footer row being the
// real row behind them; a range of display rows that reached the footer
// row (one hidden row) would add the footer's own value.
void TVudUvizidIzed::DoCalcFooter(int col) {
  if (!floatingFooter_.FixedLastRow() || !floatingFooter_.EnableCalculation) return;
  const int footerRow = RowCount() - 1;
  const int hidden = floatingFooter_.CalculateHiddenRows ? NumHiddenRows() : 0;
  const int first = FixedRows(), last = RowCount() - 2 + hidden;
  const bool allRows = hidden > 0;
  const auto calc = [&](int c, TRangeCalc how) { return ColumnCalcIn(c, first, last, how, allRows); };
  const int fromCol = col < 0 ? 0 : col, toCol = col < 0 ? TotalColCount() - 1 : col;
  for (int c = fromCol; c <= toCol; ++c) {
    if (!HasCellProperties(c, footerRow)) continue;
    switch (GetCellProperties(c, footerRow)->CalcType) {
      case acNONE: SetCellEx(c, footerRow, AnsiString()); break;
      case acSUM: SetFloats(c, footerRow, calc(c, TRangeCalc::Sum)); break;
      case acAVG: {
        const int count = last - first + 1;
        SetFloats(c, footerRow, count >= 1 ? calc(c, TRangeCalc::Sum) / count : 0);
        break;
      }
      case acCOUNT: SetFloats(c, footerRow, RowCount() - 1 - FixedRows() + hidden); break;
      case acMIN: SetFloats(c, footerRow, calc(c, TRangeCalc::Min)); break;
      case acMAX: SetFloats(c, footerRow, calc(c, TRangeCalc::Max)); break;
      case acCUSTOM: {
        AnsiString value;
        if (floatingFooter_.OnCalcFooter) floatingFooter_.OnCalcFooter(this, c, footerRow + hidden, value);
        SetCellEx(c, footerRow, value);
        break;
      }
      case acSPREAD: break;
    }
  }
}
