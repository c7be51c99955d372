// The editing control: which editor a cell gets, placing and filling the
// grid's editor control over it, and writing its value back.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextDocument>

#include "framework/codec.h"
#include "framework/messaging.h"
#include "grid/duruzav.h"
#include "grid/editlink.h"
#include "grid/gridcombo.h"
#include "grid/gridunieditors.h"
#include "grid/zurinplaceedit.h"
#include "grid/zurrichedit.h"

namespace {

// The kinds the grid's text editor handles itself.
bool IsTextEditorType(TEditorType type) {
  return type == edNormal || (type >= edNumeric && type <= edPassword) || type == edLowerCase ||
         type == edUpperCase;
}

int IntOfCell(const AnsiString& text) {
  int value = 0;
  return TryStrToInt(text, value) ? value : 0;
}

double FloatOfCell(const AnsiString& text) {
  double value = 0;
  return TryStrToFloat(StringReplace(text, std::string(1, FormatSettings.ThousandSeparator), ""), value) ? value : 0;
}

// Now for an empty text or one that is no date (time) at all.
TDateTime DateOfCell(const AnsiString& text, bool time) {
  TDateTime value;
  if (text.empty() || !(time ? TryStrToTime(text, value) : TryStrToDate(text, value))) return Now();
  return value;
}

// Filled and placed while locked (UnlockRichEdit ends it): the cell's own
// text does not grow its row. The text starts 2 pixels in from the cell's
// corner and ends 2 pixels before its right edge.
void FillRichEdit(TVudUvizidIzed& grid, int realCol, int row, const TRect& cell) {
  TZurRichEdit* rich = grid.EditControls().richEdit;
  rich->Lock();
  grid.CellToRich(realCol, row, rich);
  if (grid.Navigation()->EditSelectAll) rich->SelectAll();
  rich->SetFormattingRect({2, 2, cell.Width() - 2, cell.Height()});
}

// The size the placed text needs is taken while still locked; from then on
// only a change of it counts, and only what the user does marks the text
// modified.
void UnlockRichEdit(TZurRichEdit* rich) {
  rich->RequestSize();
  rich->Document()->setModified(false);
  rich->Unlock();
}

}  // namespace

// ---- Choosing the editor ----

bool TVudUvizidIzed::IsPassword(int col, int row) {
  bool password = false;
  GetCellPassword(col, row, password);
  return password;
}

bool TVudUvizidIzed::CanEditShow() {
  bool show = TBaseGrid::CanEditShow();
  if (ComponentState() & csDesigning) return show;
  const TPoint base = BaseCell(RemapCol(Col()), Row());
  TGridEditControls& edit = *editControls_;
  // The mark of an editor that closed on its own (the text editor on Enter)
  // does not count.
  const bool editorOpen = edit.controlShown && (edit.active ? edit.active->Visible() : EditorMode());
  // The text editor never opens over an editor control.
  if (edit.active && edit.active->Visible()) return false;
  if (show && !editorOpen) {
    if (HasStaticEdit(base.X, base.Y)) return false;
    edit.cachedText = GetCurrentCell();
    edit.editorType = Props().DefaultEditor;
    GetCellEditor(base.X, base.Y, edit.editorType);
    if (edit.editorType == edNone) return false;
    edit.controlShown = true;
    if (IsTextEditorType(edit.editorType)) {
      if (auto* editor = dynamic_cast<TZurInplaceEdit*>(InplaceEditor())) editor->SetEditorType(edit.editorType);
    } else {
      ShowEditControl(RemapColInv(base.X), base.Y);
      show = false;
    }
  }
  return show;
}

// ---- Showing the editor control ----

void TVudUvizidIzed::ShowEditControl(int col, int row) {
  TGridEditControls& edit = *editControls_;
  edit.editingStarted = true;
  const int realCol = RemapCol(col);
  const TRect cell = CellRect(col, row);
  // Over the cell where it shows: mirrored in a right-to-left layout.
  const int left = UseRightToLeftAlignment() ? ClientWidth() - cell.Right + 1 : cell.Left;
  const TRect r = Bounds(left, cell.Top, cell.Width() - 1, cell.Height() - 1);
  TGridDrawState state = 0;
  TColor colorTo = clNone;
  TAlignment hAlign = taLeftJustify;
  TVAlignment vAlign = vtaTop;
  bool wordWrap = false;
  GetVisualProperties(col, row, state, false, false, true, Canvas()->Brush(), colorTo, Canvas()->Font(), hAlign,
                      vAlign, wordWrap);
  const TColor color = Canvas()->Brush()->Color();
  const AnsiString text = GetGridCell(realCol, row);
  edit.active = nullptr;
  TWinControl* control = nullptr;
  switch (edit.editorType) {
    case edSpinEdit: case edFloatSpinEdit: case edTimeSpinEdit: case edDateSpinEdit:
      FillSpin(edit.editorType, text);
      control = edit.spin;
      break;
    case edComboEdit: case edComboList: case edUniComboEdit: case edUniComboList:
      ShowComboControl(edit.editorType, text, r);
      return;
    case edEditBtn: case edNumericEditBtn: case edFloatEditBtn:
      edit.editBtn->SetText(text);
      control = edit.editBtn;
      break;
    case edCheckBox:
      edit.checkBox->SetText(text);
      edit.checkBox->SetChecked(false);
      control = edit.checkBox;
      break;
    case edDateEdit: case edDateEditUpDown: case edTimeEdit:
      ShowDatePicker(edit.editorType, text, r);
      return;
    case edButton:
      edit.button->SetText(text);
      control = edit.button;
      break;
    case edUnitEditBtn: {
      AnsiString value, unit;
      for (char c : text) ((c >= '0' && c <= '9') || c == ',' || c == '-' || c == '.' ? value : unit) += c;
      edit.unitEditBtn->SetText(value);
      edit.unitEditBtn->SetUnitID(unit);
      control = edit.unitEditBtn;
      break;
    }
    case edCustom:
      // Without an edit link nothing shows.
      if (TWinControl* linked = ShowEditLink(col, row, edit.startKey)) {
        edit.active = linked;
        EditStarted();
      }
      return;
    case edRichEdit:
      FillRichEdit(*this, realCol, row, cell);
      control = edit.richEdit;
      break;
    case edUniEdit: edit.uniEdit->SetText(GetWideCells(realCol, row)); control = edit.uniEdit; break;
    case edUniEditBtn: edit.uniEditBtn->SetText(GetWideCells(realCol, row)); control = edit.uniEditBtn; break;
    case edUniMemo: edit.uniMemo->SetText(GetWideCells(realCol, row)); control = edit.uniMemo; break;
    default: return;
  }
  control->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  control->SetColor(color);
  if (control == edit.richEdit) UnlockRichEdit(edit.richEdit);
  ActivateEditControl(control);
}

void TVudUvizidIzed::ActivateEditControl(TWinControl* control) {
  TGridEditControls& edit = *editControls_;
  control->Show();
  control->BringToFront();
  control->SetEnabled(true);
  if (control->CanFocus()) control->SetFocus();
  edit.active = control;
  EditStarted();
  const bool takesKeys = control != edit.checkBox && control != edit.datePicker && control != edit.button;
  if (edit.startKey && takesKeys) PostStartingKey(control, edit.startKey);
}

// Queued as typed into the part of the control that takes the keys: the
// platform's controls take text from key input only, where a posted
// character message would not reach them.
void TVudUvizidIzed::PostStartingKey(TWinControl* editor, char key) {
  QWidget* target = editor->Widget();
  while (target->focusProxy()) target = target->focusProxy();
  const QString typed = QString::fromStdString(Win1252ToUtf8(std::string(1, key)));
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, 0, Qt::NoModifier, typed));
}

void TVudUvizidIzed::FillSpin(TEditorType type, const AnsiString& text) {
  TGridSpin* spin = editControls_->spin;
  spin->SetExcelStyleDecimalSeparator(Props().ExcelStyleDecimalSeparator);
  switch (type) {
    case edSpinEdit:
      spin->SetSpinType(sptNormal);
      spin->SetValue(IntOfCell(text));
      break;
    case edFloatSpinEdit:
      spin->SetSpinType(sptFloat);
      spin->SetFloatValue(FloatOfCell(text));
      break;
    case edTimeSpinEdit:
      spin->SetSpinType(sptTime);
      spin->SetText(text);
      break;
    default:
      spin->SetDateValue(DateOfCell(text, false));
      spin->SetSpinType(sptDate);
      break;
  }
}

void TVudUvizidIzed::ShowComboControl(TEditorType type, const AnsiString& text, const TRect& r) {
  TGridEditControls& edit = *editControls_;
  const bool wide = type == edUniComboEdit || type == edUniComboList;
  const bool list = type == edComboList || type == edUniComboList;
  TComboBox* combo = wide ? static_cast<TComboBox*>(edit.uniCombo) : edit.combo;
  combo->SetStyle(list ? csDropDownList : csDropDown);
  combo->SetBounds(r.Left, r.Top, r.Width(), r.Height());
  bool firstItemChosen = false;
  if (wide) {
    edit.uniCombo->SetText(GetWideCells(RemapCol(Col()), Row()));
  } else {
    edit.combo->SetFlat(Props().Flat);
    if (navigation_.AutoComboDropSize) edit.combo->SizeDropDownWidth();
    if (!list) {
      combo->SetText(text);
    } else {
      int index = combo->Items()->IndexOf(text);
      if (index < 0) {
        firstItemChosen = edit.comboSelection == -1;
        index = firstItemChosen ? 0 : edit.comboSelection;
      }
      combo->SetItemIndex(index);
    }
  }
  ActivateEditControl(combo);
  if (firstItemChosen && combo->Items()->Count() > 0) {
    const int col = RealColIndex(Col());
    const AnsiString first = combo->Items()->Get(0);
    if (OnComboChange) OnComboChange(this, col, Row(), 0, first);
    if (OnComboObjectChange) OnComboObjectChange(this, col, Row(), 0, first, combo->Items()->Objects(0));
  }
  if (mouseActions_.DirectComboDrop) combo->SetDroppedDown(true);
}

void TVudUvizidIzed::ShowDatePicker(TEditorType type, const AnsiString& text, const TRect& r) {
  TGridDatePicker* picker = editControls_->datePicker;
  const bool time = type == edTimeEdit;
  picker->SetKind(time ? dtkTime : dtkDate);
  picker->SetDateMode(type == edDateEditUpDown ? dmUpDown : dmComboBox);
  picker->SetDateTime(DateOfCell(text, time));
  picker->SetChecked(true);
  const int natural = picker->Widget()->sizeHint().height();
  picker->SetBounds(r.Left, r.Top, r.Width(), natural < r.Height() ? r.Height() : natural);
  ActivateEditControl(picker);
  if (!time && mouseActions_.DirectDateDrop) picker->DropDownCalendar();
}

// ---- Writing back ----

void TVudUvizidIzed::HideEditControl(int col, int row) {
  TGridEditControls& edit = *editControls_;
  if (edit.hiding || edit.closing) return;
  edit.hiding = true;
  edit.startKey = 0;
  const int realCol = RemapCol(col);
  // Validated first: a refused value leaves the cell as the validation
  // left it and the control open on it.
  bool refused = false;
  auto write = [&](const AnsiString& value) {
    const bool pending = editState_.editPending;
    if (!ValidateCell(value)) {
      refused = true;
      return;
    }
    UpdateEditingCell(realCol, row, pending ? GetGridCell(realCol, row) : value);
  };
  auto writeWide = [&](const WideString& value) {
    if (!ValidateCellWide(value)) refused = true;
    else SetWideCells(realCol, row, value);
  };
  TWinControl* control = nullptr;
  switch (edit.editorType) {
    case edSpinEdit: case edTimeSpinEdit: write(edit.spin->Text()); control = edit.spin; break;
    case edFloatSpinEdit: write(Format(Props().FloatFormat, {edit.spin->FloatValue()})); control = edit.spin; break;
    case edDateSpinEdit: write(DateToStr(edit.spin->DateValue())); control = edit.spin; break;
    case edComboEdit: case edComboList:
      if (edit.controlShown) write(edit.combo->Text());
      control = edit.combo;
      break;
    case edEditBtn: case edNumericEditBtn: case edFloatEditBtn:
      if (edit.controlShown) write(edit.editBtn->Text());
      control = edit.editBtn;
      break;
    case edCustom:
      if (TEditLink* link = EditLink()) write(link->GetEditorValue());
      if (refused) break;
      HideEditLink();
      edit.controlShown = false;
      edit.active = nullptr;
      break;
    case edCheckBox: control = edit.checkBox; break;
    case edButton: control = edit.button; break;
    case edDateEdit: case edDateEditUpDown: case edTimeEdit:
      write(edit.datePicker->Checked() ? edit.datePicker->Text() : AnsiString());
      control = edit.datePicker;
      break;
    case edUnitEditBtn:
      write(edit.unitEditBtn->Text() + edit.unitEditBtn->UnitID());
      control = edit.unitEditBtn;
      break;
    case edRichEdit:
      // Untouched, the cell keeps its text as it was written, not as the
      // editor would write it again.
      write(edit.richEdit->Document()->isModified() ? RichToString(edit.richEdit) : GetGridCell(realCol, row));
      control = edit.richEdit;
      break;
    case edUniEdit: writeWide(edit.uniEdit->Text()); control = edit.uniEdit; break;
    case edUniEditBtn: writeWide(edit.uniEditBtn->Text()); control = edit.uniEditBtn; break;
    case edUniMemo: writeWide(edit.uniMemo->Text()); control = edit.uniMemo; break;
    case edUniComboEdit: case edUniComboList:
      writeWide(edit.uniCombo->Text());
      control = edit.uniCombo;
      break;
    default: break;
  }
  if (refused) {
    edit.hiding = false;
    ShowEditControl(col, row);
    return;
  }
  if (control) {
    edit.controlShown = false;
    const bool hadFocus = control->Focused();
    control->Hide();
    control->SetEnabled(false);
    if (hadFocus && CanFocus()) SetFocus();
  }
  if (edit.active == control) edit.active = nullptr;
  if (edit.editorType != edNormal && edit.editingStarted) DoneEditing();
  edit.hiding = false;
  edit.editingStarted = false;
}

void TVudUvizidIzed::UpdateEditingCell(int col, int row, const AnsiString& value) {
  SetEditText(RemapColInv(col), row, value);
  SetCellEx(col, row, value);
}

void TVudUvizidIzed::RestoreCache() {
  SetCurrentCell(editControls_->cachedText);
  RepaintCell(Col(), Row());
}

void TVudUvizidIzed::ShowCellEdit() { PostMessage(this, WM_KEYDOWN, VK_F2, 0); }

void TVudUvizidIzed::UpdateActiveCells(int oldCol, int oldRow, int newCol, int newRow) {
  if (FixedRows() > 0) {
    RepaintCell(oldCol, FixedRows() - 1);
    RepaintCell(newCol, FixedRows() - 1);
  }
  if (FixedCols() > 0) {
    RepaintCell(FixedCols() - 1, oldRow);
    RepaintCell(FixedCols() - 1, newRow);
  }
}

TGridDatePicker* TVudUvizidIzed::GetDateTimePicker() { return editControls_->datePicker; }

void TVudUvizidIzed::DateTimeChanged(const TMessage& message) {
  const auto* change = reinterpret_cast<const TNMDateTimeChange*>(message.LParam);
  if (change->hdr.code != DTN_DATETIMECHANGE || change->hdr.hwndFrom != editControls_->datePicker) return;
  if (OnDateTimeChange) OnDateTimeChange(this, Col(), Row(), change->st);
}

// ---- The combo editor's items ----

void TVudUvizidIzed::ClearComboString() { editControls_->combo->Items()->Clear(); }

void TVudUvizidIzed::AddComboString(const AnsiString& s) { editControls_->combo->Items()->Add(s); }

void TVudUvizidIzed::AddComboStringObject(const AnsiString& s, TObject* object) {
  TStrings* items = editControls_->combo->Items();
  items->PutObject(items->Add(s), object);
}

bool TVudUvizidIzed::RemoveComboString(const AnsiString& s) {
  TStrings* items = editControls_->combo->Items();
  const int index = items->IndexOf(s);
  if (index < 0) return false;
  items->Delete(index);
  return true;
}

void TVudUvizidIzed::SetComboSelection(int index) { editControls_->comboSelection = index; }

bool TVudUvizidIzed::SetComboSelectionString(const AnsiString& s) {
  const int index = editControls_->combo->Items()->IndexOf(s);
  if (index < 0) return false;
  editControls_->comboSelection = index;
  return true;
}

int TVudUvizidIzed::GetComboCount() { return editControls_->combo->Items()->Count(); }
