#include "grid/transedit.h"

#include "grid/duruzav.h"

TGridTransEdit::TGridTransEdit(TVudUvizidIzed* grid) : TEdit(grid), grid_(grid) { Hide(); }

void TGridTransEdit::SetCell(int col, int row) {
  col_ = col;
  row_ = row;
}

bool TGridTransEdit::StopEdit() {
  if (!grid_ || !Visible()) return true;
  AnsiString text = Text();
  bool valid = true;
  if (grid_->OnCellValidate) grid_->OnCellValidate(grid_, col_, row_, text, valid);
  if (!valid) {
    grid_->SetCol(col_);
    grid_->SetRow(row_);
    if (CanFocus()) SetFocus();
    return false;
  }
  if (grid_->OnEditingDone) grid_->OnEditingDone(grid_);
  grid_->SetCellEx(grid_->RemapCol(col_), row_, text);
  // Hidden last: the focus leaving it then finds nothing more to do.
  Hide();
  return true;
}

void TGridTransEdit::DoExit() {
  TEdit::DoExit();
  StopEdit();
}

void TGridTransEdit::KeyPress(char& key) {
  if (key == VK_RETURN) key = 0;
  TEdit::KeyPress(key);
}
