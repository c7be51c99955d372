#include "grid/grideditcontrol.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

#include "grid/duruzav.h"
#include "grid/gridcombo.h"
#include "grid/gridunieditors.h"
#include "grid/zurrichedit.h"

namespace {

// Owned by the grid, on the grid, disabled and invisible until a cell asks
// for it.
template <class TEditor>
TEditor* CreateEditor(TVudUvizidIzed* grid) {
  auto* editor = new TEditor(grid);
  editor->SetParent(grid);
  editor->SetVisible(false);
  editor->SetEnabled(false);
  return editor;
}

}  // namespace

TGridEditControls::TGridEditControls(TVudUvizidIzed* grid)
    : combo(CreateEditor<TGridCombo>(grid)),
      spin(CreateEditor<TGridSpin>(grid)),
      uniEdit(CreateEditor<TGridUniEdit>(grid)),
      uniMemo(CreateEditor<TGridUniMemo>(grid)),
      uniEditBtn(CreateEditor<TGridUniEditBtn>(grid)),
      uniCombo(CreateEditor<TGridUniCombo>(grid)),
      datePicker(CreateEditor<TGridDatePicker>(grid)),
      checkBox(CreateEditor<TGridCheckBox>(grid)),
      editBtn(CreateEditor<TGridEditBtn>(grid)),
      unitEditBtn(CreateEditor<TGridUnitEditBtn>(grid)),
      button(CreateEditor<TGridButton>(grid)),
      richEdit(CreateEditor<TZurRichEdit>(grid)),
      richMeasure(CreateEditor<TZurRichEdit>(grid)) {
  spin->SetBorderStyle(bsNone);
  uniEdit->LineEdit()->setFrame(false);
  uniMemo->TextEdit()->setFrameShape(QFrame::NoFrame);
  uniEditBtn->SetBorderStyle(bsNone);
  uniEditBtn->SetCaption("...");
  editBtn->SetCaption("...");
  editBtn->SetBorderStyle(bsNone);
  unitEditBtn->SetCaption("...");
  unitEditBtn->SetBorderStyle(bsNone);
  for (TZurRichEdit* rich : {richEdit, richMeasure}) rich->TextEdit()->setFrameShape(QFrame::NoFrame);
  richMeasure->SetBounds(0, 0, 0, 0);
  richEdit->OnSelectionChange = [grid](TObject* sender) { grid->RichSelChange(sender); };
}

void TGridEditControls::FreeControls() {
  closing = true;
  active = nullptr;
  const std::initializer_list<TWinControl*> controls = {combo,    spin,     uniEdit, uniMemo,     uniEditBtn,
                                                        uniCombo, datePicker, checkBox, editBtn, unitEditBtn,
                                                        button,   richEdit, richMeasure};
  for (TWinControl* control : controls) {
    control->BeforeDestruction();
    delete control;
  }
}
