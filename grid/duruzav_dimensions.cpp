// The grid's dimensions over the framework grid's: the fixed counts that
// FixedRowAlways and FixedColAlways keep, the default and fixed sizes, and
// word wrap passed on to the text editor.
#include "grid/duruzav.h"
#include "grid/footerpanel.h"
#include "grid/zurinplaceedit.h"

void TVudUvizidIzed::SetColCountEx(int count) {
  SetColCount(count);
  if (count > rememberedFixedCols_ && settings_.FixedColAlways) SetFixedCols(rememberedFixedCols_);
  // The same bounds again lay the grid out for the new columns.
  SetBounds(Left(), Top(), Width(), Height());
  UpdateScrollBars(false);
}

int TVudUvizidIzed::GetFixedRowsEx() const {
  return FixedRows() == 0 && settings_.FixedRowAlways ? 1 : FixedRows();
}

int TVudUvizidIzed::GetFixedColsEx() const {
  return FixedCols() == 0 && settings_.FixedColAlways ? 1 : FixedCols();
}

void TVudUvizidIzed::SetDefRowHeightEx(int height) {
  SetDefaultRowHeight(height);
  if (ComponentState() & csDesigning) fixedRowHeight_ = height;
  // The footer's row follows the rows; its panel shows it whole.
  floatingFooter_.SetHeight(height);
  if (floatingFooter_.Visible()) footerPanel_->SetHeight(height);
}

void TVudUvizidIzed::SetFixedColWidth(int width) {
  if ((ComponentState() & csLoading) || width == DefaultColWidth()) return;
  for (int c = 0; c < FixedCols(); ++c) SetColWidths(c, width);
}

void TVudUvizidIzed::SetFixedRowHeight(int height) {
  fixedRowHeight_ = height;
  if (ComponentState() & csLoading) return;
  if (height == DefaultRowHeight()) {
    SetDefRowHeightEx(height);
    return;
  }
  for (int r = 0; r < FixedRows(); ++r) SetRowHeights(r, height);
}

void TVudUvizidIzed::SetWordWrapEx(bool on) {
  SetWordWrap(on);
  if (auto* editor = dynamic_cast<TZurInplaceEdit*>(InplaceEditor())) editor->SetWordWrap(on);
  if (updateCount_ == 0) Invalidate();
}
