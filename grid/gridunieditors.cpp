#include "grid/gridunieditors.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <type_traits>

#include "grid/duruzav.h"

namespace {

bool EndsUniEdit(unsigned short key) {
  return key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE || key == VK_UP || key == VK_DOWN;
}

void MoveCaretToEnd(TEdit* edit) { edit->SetSelStart(static_cast<int>(edit->LineEdit()->text().size())); }
void MoveCaretToEnd(TMemo* memo) { memo->TextEdit()->moveCursor(QTextCursor::End); }

}  // namespace

template <class TBase>
void TGridUniEditorOf<TBase>::CaretToEnd() {
  MoveCaretToEnd(this);
}

template <class TBase>
void TGridUniEditorOf<TBase>::WndProc(TMessage& message) {
  // Tab and Enter are keys of the grid here, no characters of the text;
  // the memo keeps its line breaks.
  const bool memo = std::is_base_of_v<TMemo, TBase>;
  if (message.Msg == WM_CHAR && (message.WParam == VK_TAB || (!memo && message.WParam == VK_RETURN))) {
    message.Result = 0;
    return;
  }
  TGridEditorOf<TBase>::WndProc(message);
  if (message.Msg == WM_SETFOCUS && !this->grid_->Navigation()->EditSelectAll) CaretToEnd();
}

template <class TBase>
void TGridUniEditorOf<TBase>::ReloadFromCell() {
  TVudUvizidIzed* grid = this->grid_;
  this->SetText(grid->GetWideCells(grid->RemapCol(grid->Col()), grid->Row()));
}

template <class TBase>
bool TGridUniEditorOf<TBase>::ValidateWide() {
  const bool valid = this->grid_->ValidateCellWide(this->Text());
  ReloadFromCell();
  if (!valid) {
    CaretToEnd();
    this->Invalidate();
  }
  return valid;
}

template <class TBase>
void TGridUniEditorOf<TBase>::EndKeyDown(unsigned short& key, TShiftState shift) {
  if (!EndsUniEdit(key)) {
    TBase::KeyDown(key, shift);
    return;
  }
  if (key != VK_ESCAPE && !ValidateWide()) {
    key = 0;
    return;
  }
  if (this->TabToNextCell(key, shift)) {
    key = 0;
    return;
  }
  if (key == VK_ESCAPE) ReloadFromCell();
  this->grid_->DoneInplaceEdit(key, shift);
  key = 0;
}

template class TGridUniEditorOf<TZurUniEdit>;
template class TGridUniEditorOf<TZurUniEditBtn>;
template class TGridUniEditorOf<TZurUniMemo>;

void TGridUniMemo::KeyDown(unsigned short& key, TShiftState shift) {
  if (key != VK_TAB && key != VK_ESCAPE) {
    TZurUniMemo::KeyDown(key, shift);
    return;
  }
  if (key == VK_TAB) {
    grid_->SetWideCells(grid_->RemapCol(grid_->Col()), grid_->Row(), Text());
    if (!ValidateWide()) {
      key = 0;
      return;
    }
    if (TabToNextCell(key, shift)) {
      key = 0;
      return;
    }
  }
  if (key == VK_ESCAPE) ReloadFromCell();
  grid_->DoneInplaceEdit(key, shift);
  key = 0;
}
