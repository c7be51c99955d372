// Validation of an edited cell value before it is committed: the cell
// checker, OnCellValidate, the modified-row mark and undo registration; an
// invalid value never stays in the cell, the editor opens on it again.
#include "grid/duruzav.h"
#include "grid/zgcheck.h"

void TVudUvizidIzed::InitValidate(int col, int row) {
  TGridEditState& v = editState_;
  v.validateCol = col;
  v.validateRow = row;
  v.editingAtStart = Options() & goEditing;
  const int c = RemapCol(col);
  v.startText = GetGridCell(c, row);
  v.startWideText = GetWideCells(c, row);
}

bool TVudUvizidIzed::ValidateCell(const AnsiString& newValue) {
  TGridEditState& v = editState_;
  if (!v.editPending || v.validating) return true;
  v.editPending = false;
  v.validating = true;
  v.pendingValue = newValue;
  bool valid = true;
  try {
    if (newValue != v.startText) valid = ValidateChange(RemapCol(v.validateCol), v.validateRow, newValue);
  } catch (...) {
    EndValidation();
    throw;
  }
  EndValidation();
  return valid;
}

bool TVudUvizidIzed::ValidateChange(int c, int r, const AnsiString& newValue) {
  TGridEditState& v = editState_;
  bool valid = true;
  AnsiString value = newValue;
  // The events below must not advance the current cell under the validation.
  const bool advanceOnEnter = std::exchange(navigation_.AdvanceOnEnter, false);
  try {
    if (CellChecker && CellChecker->AutoCorrect()) value = CellChecker->Correct(c, r, value);
    if (OnCellValidate) OnCellValidate(this, c, r, value, valid);
    if (showModified_.Enabled && FixedCols() > 0 && value != v.startText) SetRowModified(r, true);
    if (valid) UpdateCell(c, r);
    if (CellChecker && CellChecker->AutoMarkError()) value = CellChecker->MarkError(c, r, value);
    if (valid && UndoRedo()) UndoRedo()->RegisterChange(c, r, v.startText, value);
    if (valid) CellsChanged(TRect{c, r, c, r});
  } catch (...) {
    navigation_.AdvanceOnEnter = advanceOnEnter;
    throw;
  }
  navigation_.AdvanceOnEnter = advanceOnEnter;
  v.pendingValue = value;
  if (valid) {
    SetCellEx(c, r, value);
  } else {
    const AnsiString kept = value != newValue ? value : v.startText;
    ReopenAfterInvalid([&] { SetCellEx(c, r, kept); });
  }
  v.startText = GetGridCell(c, r);
  return valid;
}

bool TVudUvizidIzed::ValidateCellWide(const WideString& newValue) {
  TGridEditState& v = editState_;
  if (!v.editPending || v.validating) return true;
  v.editPending = false;
  v.validating = true;
  bool valid = true;
  try {
    if (newValue != v.startWideText) {
      const int c = RemapCol(v.validateCol), r = v.validateRow;
      WideString value = newValue;
      UpdateCell(c, r);
      if (OnCellValidateWide) OnCellValidateWide(this, c, r, value, valid);
      CellsChanged(TRect{c, r, c, r});
      if (valid) {
        SetWideCells(c, r, value);
      } else {
        const WideString kept = value != newValue ? value : v.startWideText;
        ReopenAfterInvalid([&] { SetWideCells(c, r, kept); });
      }
      v.startWideText = GetWideCells(c, r);
    }
  } catch (...) {
    EndValidation();
    throw;
  }
  EndValidation();
  return valid;
}

// The editor closes, the cell takes the kept value, the validation cell
// becomes current again and the editor opens there once more.
void TVudUvizidIzed::ReopenAfterInvalid(const std::function<void()>& keepValue) {
  TGridEditState& v = editState_;
  HideEditor();
  keepValue();
  if (Col() != v.validateCol || Row() != v.validateRow) FocusCell(v.validateCol, v.validateRow, true);
  v.validating = false;
  v.editPending = true;
  SetEditingOption(v.editingAtStart);
  ShowInplaceEdit();
}

void TVudUvizidIzed::EndValidation() {
  InitValidate(Col(), Row());
  editState_.validating = false;
}
