// The cell queries: the grid's own rule first, the application's event
// last, so that a handler has the last word.
#include "grid/duruzav.h"

void TVudUvizidIzed::GetCellHint(int col, int row, AnsiString& hint) {
  if (OnGridHint) OnGridHint(this, row, col, hint);
}

void TVudUvizidIzed::GetCellColor(int col, int row, TGridDrawState state, TBrush* brush, TFont* font) {
  if (settings_.ActiveCellShow) {
    const bool rowHeader = row == Row() && col == 0 && FixedCols() > 0;
    const bool colHeader = col == Col() && row == 0 && FixedRows() > 0;
    if (rowHeader || colHeader) {
      font->Assign(activeCellFont_);
      brush->SetColor(settings_.ActiveCellColor);
    }
  }
  if (const TCellProperties* p = PropsAt(col, row)) {
    if (p->BrushColor() != clNone) brush->SetColor(p->BrushColor());
    if (p->FontColor != clNone) font->SetColor(p->FontColor);
    if (p->FontStyle != 0) font->SetStyle(p->FontStyle);
    if (p->FontSize != 0) font->SetSize(p->FontSize);
    if (!p->FontName.empty()) font->SetName(p->FontName);
  }
  if (OnGetCellColor) OnGetCellColor(this, row, col, state, brush, font);
}

void TVudUvizidIzed::GetCellPrintColor(int col, int row, TGridDrawState state, TBrush* brush, TFont* font) {
  if (OnGetCellPrintColor) OnGetCellPrintColor(this, row, col, state, brush, font);
}

// Group header and summary lines join here with the grouping services.
void TVudUvizidIzed::GetCellBorder(int col, int row, TPen* pen, TCellBorders& borders) {
  if (OnGetCellBorder) OnGetCellBorder(this, row, col, pen, borders);
}

void TVudUvizidIzed::GetCellPrintBorder(int col, int row, TPen* pen, TCellBorders& borders) {
  if (OnGetCellPrintBorder) OnGetCellPrintBorder(this, row, col, pen, borders);
}

void TVudUvizidIzed::GetCellAlign(int col, int row, TAlignment& hAlign, TVAlignment& vAlign) {
  if (col == 0 && mouseActions_.HotmailRowSelect()) hAlign = taCenter;
  if (OnGetAlignment) OnGetAlignment(this, row, col, hAlign, vAlign);
}

void TVudUvizidIzed::GetColFormat(int col, TSortStyle& style, AnsiString& prefix, AnsiString& suffix) {
  if (OnGetFormat) OnGetFormat(this, col, style, prefix, suffix);
}

void TVudUvizidIzed::GetCellEditor(int col, int row, TEditorType& editor) {
  if (OnGetEditorType) OnGetEditorType(this, col, row, editor);
}

void TVudUvizidIzed::GetCellFixed(int col, int row, bool& isFixed) {
  if (!isFixed) {
    isFixed = (settings_.FixedRowAlways && row <= rememberedFixedRows_ && RowCount() == rememberedFixedRows_) ||
              (settings_.FixedColAlways && col < rememberedFixedCols_ && ColCount() == rememberedFixedCols_) ||
              col < FixedCols() || row < FixedRows();
  }
  if (!isFixed && OnIsFixedCell) OnIsFixedCell(this, row, col, isFixed);
}

bool TVudUvizidIzed::GetReadOnly(int col, int row) { return GetCellProperties(col, row)->ReadOnly; }

void TVudUvizidIzed::GetCellReadOnly(int col, int row, bool& canEdit) {
  const TPoint base = BaseCell(col, row);
  if (HasCellProperties(base.X, base.Y) && canEdit) {
    canEdit = !GetReadOnly(base.X, base.Y);
    if (!(Options() & goEditing) && !mouseActions_.RangeSelectAndEdit && !mouse_.pasteAnywhere) canEdit = false;
  }
  if (OnCanEditCell) OnCanEditCell(this, base.Y, base.X, canEdit);
}

void TVudUvizidIzed::GetCellPassword(int col, int row, bool& isPassword) {
  if (OnIsPasswordCell) OnIsPasswordCell(this, row, col, isPassword);
}

void TVudUvizidIzed::GetCellWordWrap(int col, int row, bool& wordWrap) {
  if (OnGetWordWrap) OnGetWordWrap(this, col, row, wordWrap);
}

bool TVudUvizidIzed::HasCombo(int col, int row) {
  bool has = false;
  if (OnHasComboBox) OnHasComboBox(this, col, row, has);
  return has;
}

AnsiString TVudUvizidIzed::GetCheckTrue(int col, int row) {
  AnsiString value = checkTrue_;
  if (OnGetCheckTrue) OnGetCheckTrue(this, col, row, value);
  return value;
}

AnsiString TVudUvizidIzed::GetCheckFalse(int col, int row) {
  AnsiString value = checkFalse_;
  if (OnGetCheckFalse) OnGetCheckFalse(this, col, row, value);
  return value;
}

bool TVudUvizidIzed::GetFilter(int) { return false; }

// col is a display column; a merged cell is judged by its base cell.
bool TVudUvizidIzed::IsFixed(int col, int row) {
  const TPoint base = BaseCell(RemapCol(col), row);
  const int baseCol = RemapColInv(base.X);
  if (base.Y >= RowCount() - settings_.FixedFooters || baseCol >= ColCount() - settings_.FixedRightCols) return true;
  bool fixed = false;
  GetCellFixed(baseCol, base.Y, fixed);
  return fixed;
}
