// The form controls embedded in cell mark-up (an editor opened over EDIT,
// PASSWORD, MASK and COMBO controls, the value written back into the tag) and
// the clicks into cell radio groups.
#include <algorithm>

#include "grid/controledit.h"
#include "grid/duruzav.h"
#include "grid/zghtmle.h"

namespace {

bool IsEditControlType(const AnsiString& type) { return type == "EDIT" || type == "PASSWORD" || type == "MASK"; }

// The index of the item whose span [start, start + size) holds pos strictly
// inside its ends; -1 on a boundary or outside every item.
int ItemStrictlyHolding(int pos, int count, const std::function<int(int)>& size) {
  int start = 0;
  for (int i = 0; i < count; ++i) {
    const int end = start + size(i);
    if (pos > start && pos < end) return i;
    start = end;
  }
  return -1;
}

}  // namespace

void TVudUvizidIzed::ControlEnter(const AnsiString& cellText, const AnsiString& ctrlType, const AnsiString& ctrlID,
                                  const AnsiString& ctrlVal, TRect& r, int col, int realCol, int row) {
  const bool edit = IsEditControlType(ctrlType);
  if (!edit && ctrlType != "COMBO") return;
  TGridEditorHooks::FormControl& control = editorHooks_.formControl;
  control = {realCol, row, ctrlID, ctrlType, true};
  TWinControl* editor = nullptr;
  if (edit) {
    TControlEdit* maskEdit = editorHooks_.ControlEdit();
    maskEdit->SetPasswordChar(ctrlType == "PASSWORD" ? '*' : 0);
    maskEdit->SetEditMask(ctrlType == "MASK" ? GetControlProp(cellText, ctrlID) : AnsiString());
    maskEdit->OnExit = [this](TObject* sender) { ControlExit(sender); };
    maskEdit->SetText(ctrlVal);
    maskEdit->SetBounds(r.Left + 1, r.Top + 4, r.Right - r.Left - 4, r.Bottom - r.Top - 4);
    editor = maskEdit;
  } else {
    TControlCombo* combo = editorHooks_.ControlCombo();
    combo->SetFlat(settings_.Flat);
    bool editable = true;
    int dropCount = 8;
    combo->SetBounds(r.Left + 1, r.Top + 4, r.Right - r.Left - 4, combo->Height());
    combo->SetParent(this);
    // The list is the handler's alone: what an earlier control listed goes.
    combo->Items()->Clear();
    if (OnControlComboList) OnControlComboList(this, row, col, ctrlID, ctrlType, ctrlVal, combo->Items(), editable, dropCount);
    combo->SetStyle(editable ? csDropDown : csDropDownList);
    combo->SetItemIndex(combo->Items()->IndexOf(ctrlVal));
    combo->SetText(ctrlVal);
    combo->SetDropDownCount(dropCount);
    combo->OnExit = [this](TObject* sender) { ControlExit(sender); };
    editor = combo;
  }
  editor->SetParent(this);
  editor->Show();
  editor->BringToFront();
  if (editor->CanFocus()) editor->SetFocus();
  // Opened after the focus, so that the focus going into the list is not
  // taken for the end of the edit.
  if (!edit) editorHooks_.ControlCombo()->SetDroppedDown(true);
}

// An exit that finds no control edit open does nothing: the press on a
// control calls it before every new control, and the editor's own exit
// follows the Enter or Tab that already ended the edit.
void TVudUvizidIzed::ControlExit(TObject* sender) {
  TGridEditorHooks::FormControl& control = editorHooks_.formControl;
  if (!control.editing) return;
  TControlCombo* combo = control.type == "COMBO" ? editorHooks_.ControlCombo() : nullptr;
  // The combo's own list taking the focus does not end the edit.
  if (combo && sender == combo && combo->DroppedDown()) return;
  const TGridEditorHooks::FormControl ended = control;
  control.type.clear();
  control.editing = false;
  TWinControl* editor = combo ? static_cast<TWinControl*>(combo) : editorHooks_.ControlEdit();
  const AnsiString value = editor->Text();
  AnsiString text = GetCellEx(ended.col, ended.row);
  SetControlValue(text, ended.id, value);
  SetCellEx(ended.col, ended.row, text);
  editor->Hide();
  if (OnControlEditDone) OnControlEditDone(this, ended.row, ended.col, ended.id, ended.type, value);
}

void TVudUvizidIzed::PrepareCellCanvas(int col, int row) {
  TCanvas* canvas = Canvas();
  canvas->Font()->Assign(*Font());
  GetCellColor(col, row, 0, canvas->Brush(), canvas->Font());
}

void TVudUvizidIzed::HandleRadioClick(int col, int row, int x, int y) {
  PrepareCellCanvas(col, row);
  const TPoint base = BaseCell(col, row);
  TCellGraphic* g = GetCellGraphic(base.X, base.Y);
  if (!g) return;
  const int displayCol = RemapColInv(base.X);
  if (!IsFixed(displayCol, base.Y)) {
    SetCol(displayCol);
    SetRowEx(base.Y);
  }
  const TCanvas* canvas = Canvas();
  const int spacing = FlatControls() ? controlLook_.RadioSize() : 16;
  const TStringList* items = g->RadioStrings();
  const int count = items ? items->Count() : 0;
  const int hit = g->CellBoolean && items
                      ? ItemStrictlyHolding(x, count, [&](int i) { return canvas->TextWidth(items->Strings(i)) + spacing; })
                      : ItemStrictlyHolding(y, count, [&](int) { return std::max(spacing, canvas->TextHeight("gh")); });
  if (hit < 0) return;
  if (g->CellIndex == -1)
    SetCellEx(base.X, base.Y, items->Strings(hit));
  else
    g->CellIndex = hit;
  // Written back so that the change is announced and repainted.
  SetCellEx(base.X, base.Y, GetCellEx(base.X, base.Y));
  if (OnRadioClick) OnRadioClick(this, displayCol, base.Y, hit);
}

void TVudUvizidIzed::AdvanceHTMLEdit(int col, int row, const AnsiString& controlID) {
  const int realCol = RemapCol(col);
  const AnsiString text = GetCellEx(realCol, row);
  const AnsiString next = GetNextControlID(text, controlID);
  if (next.empty()) {
    if (CanFocus()) SetFocus();
    return;
  }
  TRect r = CellRect(col, row);
  OffsetRect(r, 1 + XYOffset.X, 1 + XYOffset.Y);
  if (HasCheckBox(realCol, row)) OffsetRect(r, controlLook_.CheckSize(), 0);
  PrepareCellCanvas(realCol, row);
  TRect place;
  AnsiString type, value;
  if (FindMarkupControl(text, r, next, place, type, value)) ControlEnter(text, type, next, value, place, col, realCol, row);
}
