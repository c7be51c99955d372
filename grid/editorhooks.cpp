#include "grid/editorhooks.h"

#include "grid/controledit.h"
#include "grid/duruzav.h"
#include "grid/editlink.h"

TGridEditorHooks::TGridEditorHooks(TVudUvizidIzed* grid) : TComponent(nullptr), grid_(grid) {}

// Runs while the grid's children still live: the hooked control gets its own
// window procedure back, the link's editor inside the grid is destroyed by the
// link (which no longer sees the grid), and the form-control editors go
// without running their exit handler into the grid.
TGridEditorHooks::~TGridEditorHooks() {
  Unhook();
  if (link_) {
    TEditLink* link = link_;
    SetLink(nullptr);
    if (link->Grid() == grid_) link->SetGrid(nullptr);
    if (TWinControl* editor = link->GetEditControl(); editor && editor->Parent() == grid_)
      link->DestroyEditor();
  }
  for (TWinControl* editor : {static_cast<TWinControl*>(controlEdit_), static_cast<TWinControl*>(controlCombo_)}) {
    if (!editor) continue;
    editor->OnExit = nullptr;
    delete editor;
  }
}

void TGridEditorHooks::SetLink(TEditLink* link) {
  if (link == link_) return;
  if (link_) RemoveFreeNotification(link_);
  link_ = link;
  if (link_) FreeNotification(link_);
}

void TGridEditorHooks::Hook(TWinControl* control, TWndMethod proc) {
  if (!control) return;
  if (control != hooked_) {
    Unhook();
    hooked_ = control;
    saved_ = control->WindowProc;
    FreeNotification(control);
  }
  control->WindowProc = std::move(proc);
}

void TGridEditorHooks::Unhook() {
  if (!hooked_) return;
  hooked_->WindowProc = std::move(saved_);
  RemoveFreeNotification(hooked_);
  hooked_ = nullptr;
  saved_ = nullptr;
}

void TGridEditorHooks::CallSaved(TMessage& message) {
  if (saved_) saved_(message);
}

TControlEdit* TGridEditorHooks::ControlEdit() {
  if (!controlEdit_) controlEdit_ = new TControlEdit(grid_);
  return controlEdit_;
}

TControlCombo* TGridEditorHooks::ControlCombo() {
  if (!controlCombo_) controlCombo_ = new TControlCombo(grid_);
  return controlCombo_;
}

void TGridEditorHooks::Notification(TComponent* component, TOperation operation) {
  if (operation != opRemove) return;
  if (component == link_) link_ = nullptr;
  if (component == hooked_) {
    hooked_ = nullptr;
    saved_ = nullptr;
  }
}
