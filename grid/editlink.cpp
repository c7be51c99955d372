#include "grid/editlink.h"

#include "framework/forms.h"
#include "grid/duruzav.h"

TEditLink::TEditLink(TComponent* owner) : TComponent(owner) {}

// The grid is let go of first, so that an editor the link owns, going now,
// finds no grid to write into from its exit handler. The popup form is the
// application's but serves only this link: it goes too, so that its
// deactivation handler never reaches a freed link.
TEditLink::~TEditLink() {
  SetGrid(nullptr);
  DestroyComponents();
  if (TForm* form = popupForm_) {
    SetPopupForm(nullptr);
    form->OnDeactivate = nullptr;
    form->BeforeDestruction();
    delete form;
  }
}

void TEditLink::SetGrid(TVudUvizidIzed* grid) {
  if (grid == grid_) return;
  if (grid_) RemoveFreeNotification(grid_);
  grid_ = grid;
  if (grid_) FreeNotification(grid_);
}

void TEditLink::SetEditCell(int col, int row) {
  editCol_ = col;
  editRow_ = row;
}

// A popup form freed by someone else (another link's first popup frees the
// form of that name) takes the editor inside it along: the link is asked to
// destroy its editor while both still stand.
void TEditLink::SetPopupForm(TForm* form) {
  if (form == popupForm_) return;
  if (popupForm_) {
    popupForm_->OnDestroy = nullptr;
    RemoveFreeNotification(popupForm_);
  }
  popupForm_ = form;
  if (!popupForm_) return;
  FreeNotification(popupForm_);
  popupForm_->OnDestroy = [this](TObject*) {
    RemoveFreeNotification(popupForm_);
    popupForm_ = nullptr;
    DestroyEditor();
  };
}

void TEditLink::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == grid_) grid_ = nullptr;
  if (component == popupForm_) popupForm_ = nullptr;
}

// ---- Keys ----

bool TEditLink::KeyLeavesEditor(unsigned short key) const {
  switch (key) {
    case VK_UP: case VK_DOWN: return !WantKeyUpDown;
    case VK_LEFT: case VK_RIGHT: return !WantKeyLeftRight;
    case VK_END: return !WantKeyHomeEnd;
    case VK_PRIOR: case VK_NEXT: return !WantKeyPriorNext;
    case VK_RETURN: return !WantKeyReturn;
    case VK_ESCAPE: return !WantKeyEscape;
    case VK_TAB: return true;
    default: return false;  // Home among them: it never leaves
  }
}

void TEditLink::EditKeyDown(TObject* /*sender*/, unsigned short& key, TShiftState shift) {
  if (!grid_ || !KeyLeavesEditor(key)) return;
  TVudUvizidIzed* grid = grid_;
  if (key == VK_ESCAPE) SetEditorValue(grid->EditorHooks()->linkStartText);
  if (focusChanging_ && grid->CanFocus()) grid->SetFocus();
  // Hides the editing control, clears the grid's editor-shown state and
  // selects the current cell again.
  grid->HideInplaceEdit();
  if (key == VK_RETURN) {
    grid->AdvanceEdit(grid->Col(), grid->Row(), false, !(shift & ssShift), true, false);
    key = 0;
  } else if (key == VK_ESCAPE) {
    key = 0;
  } else {
    PassKeyToGrid(key, shift);
  }
}

void TEditLink::PassKeyToGrid(unsigned short& key, TShiftState shift) {
  TVudUvizidIzed* grid = grid_;
  if (key == VK_TAB || (key >= VK_LEFT && key <= VK_DOWN)) grid->KeyDown(key, shift);
  if (TWinControl* editor = GetEditControl()) editor->SetEnabled(false);
  if (focusChanging_ && grid_ && grid_->CanFocus()) grid_->SetFocus();
}

// ---- Placing and focusing the editor ----

void TEditLink::SetRect(TRect r) {
  TWinControl* editor = GetEditControl();
  if (!editor || !grid_) return;
  const int line = grid_->GridLineWidth();
  editor->SetBounds(r.Left, r.Top, r.Right - r.Left - line, r.Bottom - r.Top - line);
}

void TEditLink::SetVisible(bool value) {
  if (TWinControl* editor = GetEditControl()) editor->SetVisible(value);
}

void TEditLink::SetFocus(bool value) {
  TWinControl* editor = GetEditControl();
  if (!editor || !grid_) return;
  if (value) {
    if (!editor->Visible()) editor->Show();
    if (!editor->Enabled()) editor->SetEnabled(true);
  }
  TVudUvizidIzed* grid = grid_;
  grid->EditorHooks()->Hook(editor, [grid](TMessage& message) { grid->SubclassProc(message); });
  TWinControl* target = value ? editor : grid;
  if (target->CanFocus()) target->SetFocus();
}

void TEditLink::RestoreWinProc() {
  TWinControl* editor = GetEditControl();
  if (!editor) return;
  if (grid_ && grid_->EditorHooks()->Hooked() == editor) grid_->EditorHooks()->Unhook();
  editor->Hide();
}

// ---- Value and leaving ----

AnsiString TEditLink::GetCellValue() {
  return grid_ ? grid_->GetCellEx(grid_->RemapCol(editCol_), editRow_) : AnsiString();
}

void TEditLink::SetCellValue(const AnsiString& value) {
  if (grid_) grid_->UpdateEditingCell(grid_->RemapCol(editCol_), editRow_, value);
}

TWinControl* TEditLink::GetParent() {
  if (editStyle_ == esPopup) return popupForm_;
  return grid_;
}

void TEditLink::HideEditor() {
  if (!grid_) return;
  SetCellValue(GetEditorValue());
  grid_->HideInplaceEdit();
  RestoreWinProc();
}

void TEditLink::EditExit(TObject* /*sender*/) {
  if (!grid_) return;
  HideEditor();
  if (editStyle_ == esPopup && popupForm_) {
    DestroyEditor();
    popupForm_->Hide();
  }
}

void TEditLink::FormExit(TObject* sender) {
  if (!grid_) return;
  if (TInplaceEdit* editor = grid_->InplaceEditor()) editor->SetText(GetEditorValue());
  if (!focusChanging_) {
    EditExit(sender);
    grid_->EditorHooks()->popupFormLeft = true;
  } else {
    SetCellValue(GetEditorValue());
  }
}
