#include "grid/controledit.h"

#include <QLineEdit>

#include "grid/duruzav.h"

// Enter and Tab end the control edit (the exit handling writes the value
// back). Enter gives the focus back to the grid; Tab goes on to the next
// form control of the cell, or with AdvanceAuto to the next editable cell.
template <class TEditorBase>
void TFormControlEditor<TEditorBase>::KeyPress(char& key) {
  TVudUvizidIzed* grid = grid_;
  if (key == VK_RETURN) {
    key = 0;
    this->DoExit();
    if (grid->CanFocus()) grid->SetFocus();
  } else if (key == VK_TAB) {
    key = 0;
    const AnsiString id = grid->ControlEditID();
    this->DoExit();
    if (grid->Navigation()->AdvanceAuto)
      grid->AdvanceEdit(grid->Col(), grid->Row(), false, true, true, false);
    else
      grid->AdvanceHTMLEdit(grid->Col(), grid->Row(), id);
  } else {
    TEditorBase::KeyPress(key);
  }
}

template class TFormControlEditor<TCustomMaskEdit>;
template class TFormControlEditor<TZurComboBox>;

TControlEdit::TControlEdit(TVudUvizidIzed* grid) : TFormControlEditor(grid) { LineEdit()->setFrame(false); }
