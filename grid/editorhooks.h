#pragma once
// What the grid keeps for the editors that are not its own: the
// application's edit link, the window-procedure hook the link puts on its
// editor control, and the two editors of the form controls in cell mark-up.
//
// It watches the link and the hooked control (FreeNotification): when either
// is freed its pointer goes, and when the grid goes the hook is taken off and
// the link lets go of the grid, so nothing is left pointing at a freed object.
#include "framework/controls.h"

class TControlCombo;
class TControlEdit;
class TEditLink;
class TVudUvizidIzed;

class TGridEditorHooks : public TComponent {
 public:
  explicit TGridEditorHooks(TVudUvizidIzed* grid);
  ~TGridEditorHooks() override;

  TEditLink* Link() const { return link_; }
  void SetLink(TEditLink* link);
  // The cell text when the link's editor opened (Esc puts it back).
  AnsiString linkStartText;
  // Set when the focus left a popup editor form.
  bool popupFormLeft = false;

  // Gives the control `proc` as its window procedure and keeps the one it
  // had; hooking the hooked control again keeps the first one kept, so the
  // hook never calls itself. Another control is unhooked first.
  void Hook(TWinControl* control, TWndMethod proc);
  // The kept window procedure back on the hooked control.
  void Unhook();
  TWinControl* Hooked() const { return hooked_; }
  // Passes a message to the kept window procedure.
  void CallSaved(TMessage& message);

  // The form control being edited, and the editors (made on first use).
  struct FormControl {
    int col = -1;
    int row = -1;
    AnsiString id;
    AnsiString type;  // empty while no control edit is open
    bool editing = false;
  };
  FormControl formControl;
  TControlEdit* ControlEdit();
  TControlCombo* ControlCombo();

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TVudUvizidIzed* grid_;
  TEditLink* link_ = nullptr;
  TWinControl* hooked_ = nullptr;
  TWndMethod saved_;
  TControlEdit* controlEdit_ = nullptr;
  TControlCombo* controlCombo_ = nullptr;
};
