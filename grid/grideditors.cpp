#include "grid/grideditors.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <algorithm>

#include "framework/services.h"
#include "grid/duruzav.h"
#include "grid/gridcombo.h"
#include "grid/gridunieditors.h"

namespace {

TVudUvizidIzed* GridOf(TComponent* owner) {
  auto* grid = dynamic_cast<TVudUvizidIzed*>(owner);
  if (!grid) throw EDurUzavError("An in-place editor must be owned by its grid");
  return grid;
}

void CaretToEnd(TEdit* edit) { edit->SetSelStart(static_cast<int>(edit->LineEdit()->text().size())); }
void CaretToEnd(TComboBox* combo) {
  if (QLineEdit* line = combo->ComboBox()->lineEdit()) line->setCursorPosition(static_cast<int>(line->text().size()));
}
void CaretToEnd(TControl*) {}

bool IsKeyOf(unsigned short key, std::initializer_list<unsigned short> keys) {
  return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// The characters that the filtering kinds always let through.
bool IsEditingControlChar(char ch) { return ch == VK_BACK || ch == VK_TAB || ch == VK_ESCAPE; }

}  // namespace

// ---- What every editor control shares ----

template <class TBase>
TGridEditorOf<TBase>::TGridEditorOf(TComponent* owner) : TBase(owner), grid_(GridOf(owner)) {}

template <class TBase>
void TGridEditorOf<TBase>::DoExit() {
  if (!grid_->EditControls().closing) grid_->HideInplaceEdit();
  TBase::DoExit();
}

template <class TBase>
bool TGridEditorOf<TBase>::WantsDialogKey(unsigned short key) const {
  return key == VK_RETURN || TBase::WantsDialogKey(key);
}

template <class TBase>
bool TGridEditorOf<TBase>::TabToNextCell(unsigned short key, TShiftState shift) {
  if (key != VK_TAB || !(grid_->Options() & goTabs)) return false;
  grid_->HideInplaceEdit();
  if (grid_->CanFocus()) grid_->SetFocus();
  grid_->TabEdit((shift & ssShift) != 0);
  return true;
}

template <class TBase>
bool TGridEditorOf<TBase>::CommitAndValidate() {
  const AnsiString text = this->GetText();
  grid_->SetCurrentCell(text);
  const bool valid = grid_->ValidateCell(text);
  this->SetText(grid_->GetCurrentCell());
  if (!valid) {
    CaretToEnd(this);
    this->Invalidate();
  }
  return valid;
}

template class TGridEditorOf<TZurSpinEdit>;
template class TGridEditorOf<TZurEditBtn>;
template class TGridEditorOf<TZurUnitEditBtn>;
template class TGridEditorOf<TDateTimePicker>;
template class TGridEditorOf<TCheckBox>;
template class TGridEditorOf<TButton>;
template class TGridEditorOf<TZurUniEdit>;
template class TGridEditorOf<TZurUniEditBtn>;
template class TGridEditorOf<TZurUniMemo>;
template class TGridEditorOf<TZurComboBox>;
template class TGridEditorOf<TZurUniComboBox>;

// ---- TGridSpin ----

TGridSpin::TGridSpin(TComponent* owner) : TGridEditorOf<TZurSpinEdit>(owner) {
  SetMaxValue(100);
  SetMinValue(0);
  SetIncrement(1);
}

void TGridSpin::StepByKey(unsigned short key) {
  if (SpinType() == sptNormal) {
    if (key == VK_PRIOR && Value() + Increment() <= MaxValue()) SetValue(Value() + Increment());
    if (key == VK_NEXT && Value() - Increment() >= MinValue()) SetValue(Value() - Increment());
    if (key == VK_END) SetValue(MinValue());
    if (key == VK_HOME) SetValue(MaxValue());
  } else if (SpinType() == sptFloat) {
    if (key == VK_PRIOR && FloatValue() + IncrementFloat() <= MaxFloatValue())
      SetFloatValue(FloatValue() + IncrementFloat());
    if (key == VK_NEXT && FloatValue() - IncrementFloat() >= MinFloatValue())
      SetFloatValue(FloatValue() - IncrementFloat());
    if (key == VK_END) SetFloatValue(MinFloatValue());
    if (key == VK_HOME) SetFloatValue(MaxFloatValue());
  }
}

void TGridSpin::KeyDown(unsigned short& key, TShiftState shift) {
  StepByKey(key);
  if (grid_->OnSpinClick && IsKeyOf(key, {VK_PRIOR, VK_HOME, VK_NEXT, VK_END}))
    grid_->OnSpinClick(grid_, grid_->Col(), grid_->Row(), Value(), false);
  if (!IsKeyOf(key, {VK_TAB, VK_RETURN, VK_ESCAPE, VK_UP, VK_DOWN})) {
    TZurSpinEdit::KeyDown(key, shift);
    return;
  }
  if (key == VK_ESCAPE) {
    SetText(grid_->EditControls().cachedText);
    if (SpinType() == sptNormal) SetValue(Value());
    if (SpinType() == sptFloat) SetFloatValue(FloatValue());
  } else if (!CommitAndValidate()) {
    key = 0;
    return;
  }
  if (TabToNextCell(key, shift)) {
    key = 0;
    return;
  }
  grid_->DoneInplaceEdit(key, shift);
  key = 0;
  TZurSpinEdit::KeyDown(key, shift);
}

void TGridSpin::WndProc(TMessage& message) {
  if (message.Msg == WM_CHAR && (message.WParam == VK_TAB || message.WParam == VK_RETURN)) {
    message.Result = 0;
    return;
  }
  if (message.Msg == WM_KEYDOWN && IsKeyOf(static_cast<unsigned short>(message.WParam), {VK_PRIOR, VK_NEXT, VK_UP, VK_DOWN})) {
    TCustomMaskEdit::WndProc(message);
    return;
  }
  TZurSpinEdit::WndProc(message);
}

void TGridSpin::UpClick(TObject* sender) {
  TZurSpinEdit::UpClick(sender);
  FireSpinClick(true);
}

void TGridSpin::DownClick(TObject* sender) {
  TZurSpinEdit::DownClick(sender);
  FireSpinClick(false);
}

void TGridSpin::FireSpinClick(bool up) {
  const int col = grid_->Col(), row = grid_->Row();
  switch (SpinType()) {
    case sptNormal: if (grid_->OnSpinClick) grid_->OnSpinClick(grid_, col, row, Value(), up); break;
    case sptFloat: if (grid_->OnFloatSpinClick) grid_->OnFloatSpinClick(grid_, col, row, FloatValue(), up); break;
    case sptDate: if (grid_->OnDateSpinClick) grid_->OnDateSpinClick(grid_, col, row, DateValue(), up); break;
    case sptTime: if (grid_->OnTimeSpinClick) grid_->OnTimeSpinClick(grid_, col, row, TimeValue(), up); break;
    default: break;
  }
}

void TGridSpin::Change() {
  TZurSpinEdit::Change();
  if (grid_->OnEditChange) grid_->OnEditChange(grid_, grid_->Col(), grid_->Row(), Text());
}

// ---- TGridEditBtn ----

TGridEditBtn::TGridEditBtn(TComponent* owner) : TGridEditorOf<TZurEditBtn>(owner) {
  OnClickBtn = [this](TObject* sender) { ExtClick(sender); };
}

void TGridEditBtn::ExtClick(TObject*) {
  SetText(grid_->EllipsClick(Text()));
  SetSelStart(0);
  SetSelLength(static_cast<int>(LineEdit()->text().size()));
  Invalidate();
}

void TGridEditBtn::KeyDown(unsigned short& key, TShiftState shift) {
  if (!IsKeyOf(key, {VK_TAB, VK_RETURN, VK_ESCAPE, VK_PRIOR, VK_NEXT, VK_UP, VK_DOWN})) {
    TZurEditBtn::KeyDown(key, shift);
    return;
  }
  if (OnKeyDown) OnKeyDown(this, key, shift);
  if (IsKeyOf(key, {VK_TAB, VK_RETURN, VK_UP, VK_DOWN}) && !CommitAndValidate()) {
    key = 0;
    return;
  }
  if (TabToNextCell(key, shift)) {
    key = 0;
    return;
  }
  if (key == VK_ESCAPE) SetText(grid_->GetCurrentCell());
  grid_->DoneInplaceEdit(key, shift);
  key = 0;
}

void TGridEditBtn::KeyUp(unsigned short& key, TShiftState shift) {
  if (key != VK_RETURN) TZurEditBtn::KeyUp(key, shift);
}

bool TGridEditBtn::AcceptsChar(char ch) {
  const TEditorType kind = grid_->EditControls().editorType;
  if (kind == edNumericEditBtn) {
    const bool minusAllowed = ch == '-' && Text().find('-') == AnsiString::npos && SelStart() == 0;
    if (IsEditingControlChar(ch) || (ch >= '0' && ch <= '9') || minusAllowed) return true;
    MessageBeep(0);
    return false;
  }
  if (kind != edFloatEditBtn) return true;
  if (IsEditingControlChar(ch) || (ch >= '0' && ch <= '9')) return true;
  const TFormatSettings& fs = FormatSettings;
  if (ch == fs.DecimalSeparator)
    return Text().find(ch) == AnsiString::npos || SelText().find(ch) != AnsiString::npos;
  if (ch != '-') return false;
  const bool atStartWithoutMinus = SelStart() == 0 && Text().find('-') == AnsiString::npos;
  if (atStartWithoutMinus || SelText().find('-') != AnsiString::npos) return true;
  MessageBeep(0);
  return false;
}

void TGridEditBtn::WndProc(TMessage& message) {
  if (message.Msg == WM_CHAR) {
    const char ch = static_cast<char>(message.WParam);
    if (ch == VK_RETURN || !AcceptsChar(ch)) {
      message.Result = 0;
      return;
    }
  }
  TZurEditBtn::WndProc(message);
}

void TGridEditBtn::Change() {
  TZurEditBtn::Change();
  if (grid_->OnEditChange) grid_->OnEditChange(grid_, grid_->Col(), grid_->Row(), Text());
}

// ---- TGridUnitEditBtn ----

void TGridUnitEditBtn::KeyDown(unsigned short& key, TShiftState shift) {
  if (!IsKeyOf(key, {VK_TAB, VK_RETURN, VK_ESCAPE, VK_PRIOR, VK_NEXT, VK_UP, VK_DOWN})) {
    TZurUnitEditBtn::KeyDown(key, shift);
    return;
  }
  if (IsKeyOf(key, {VK_TAB, VK_RETURN, VK_UP, VK_DOWN})) {
    const AnsiString text = Text();
    grid_->SetCurrentCell(text);
    if (!grid_->ValidateCell(text)) {
      SetText(grid_->GetCurrentCell());
      key = 0;
      return;
    }
  }
  if (TabToNextCell(key, shift)) {
    key = 0;
    return;
  }
  if (key == VK_ESCAPE) {
    SetUnitID("");
    SetText(grid_->GetCurrentCell());
  }
  grid_->DoneInplaceEdit(key, shift);
  key = 0;
}

void TGridUnitEditBtn::WndProc(TMessage& message) {
  if (message.Msg == WM_CHAR && message.WParam == VK_RETURN) {
    message.Result = 0;
    return;
  }
  TZurUnitEditBtn::WndProc(message);
}

// ---- TGridDatePicker ----

TGridDatePicker::TGridDatePicker(TComponent* owner) : TGridEditorOf<TDateTimePicker>(owner) {
  // The cell's own lines frame the editor.
  DateTimeEdit()->setFrame(false);
}

void TGridDatePicker::KeyDown(unsigned short& key, TShiftState shift) {
  if (!IsKeyOf(key, {VK_TAB, VK_RETURN, VK_ESCAPE, VK_PRIOR, VK_NEXT, VK_END})) {
    TDateTimePicker::KeyDown(key, shift);
    return;
  }
  if (key == VK_ESCAPE) {
    const AnsiString text = grid_->GetCurrentCell();
    TDateTime value;
    const bool read = Kind() == dtkTime ? TryStrToTime(text, value) : TryStrToDate(text, value);
    if (!read) SetDateTime(::Now());
    else if (Kind() == dtkTime) SetTime(value);
    else SetDate(value);
  }
  if (TabToNextCell(key, shift)) {
    key = 0;
    return;
  }
  if (!dropped_) {
    grid_->DoneInplaceEdit(key, shift);
    key = 0;
  }
}

void TGridDatePicker::WndProc(TMessage& message) {
  if (message.Msg == CN_NOTIFY) {
    const int code = reinterpret_cast<const TNMHdr*>(message.LParam)->code;
    if (code == DTN_DROPDOWN) dropped_ = true;
    if (code == DTN_CLOSEUP) dropped_ = false;
  }
  // The calendar takes the focus while it is open: the edit goes on.
  if (message.Msg == CM_EXIT && dropped_) return;
  TGridEditorOf<TDateTimePicker>::WndProc(message);
}

// ---- TGridCheckBox ----

void TGridCheckBox::KeyDown(unsigned short& key, TShiftState shift) {
  if (!IsKeyOf(key, {VK_RETURN, VK_PRIOR, VK_NEXT, VK_END, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN})) {
    // Space toggles the box on its release, as the check box does.
    TCheckBox::KeyDown(key, shift);
    return;
  }
  grid_->HideInplaceEdit();
  if (grid_->CanFocus()) grid_->SetFocus();
  if (key == VK_RETURN) grid_->AdvanceEdit(grid_->Col(), grid_->Row(), false, true, true, false);
  if (key == VK_UP || key == VK_DOWN) grid_->Perform(WM_KEYDOWN, key);
  key = 0;
}

// ---- TGridButton ----

bool TGridButton::WantsDialogKey(unsigned short key) const {
  return IsKeyOf(key, {VK_ESCAPE, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN}) || TButton::WantsDialogKey(key);
}

void TGridButton::LeaveToGrid() {
  Hide();
  SetEnabled(false);
  grid_->EditControls().controlShown = false;
  if (grid_->CanFocus()) grid_->SetFocus();
}

void TGridButton::KeyDown(unsigned short& key, TShiftState shift) {
  if (IsKeyOf(key, {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN})) {
    const unsigned short arrow = key;
    grid_->Perform(WM_KEYDOWN, arrow);
    LeaveToGrid();
    grid_->Perform(WM_KEYUP, arrow);
    key = 0;
    return;
  }
  if (key == VK_ESCAPE) {
    LeaveToGrid();
    grid_->RestoreCache();
    grid_->Perform(WM_KEYDOWN, VK_ESCAPE);
    key = 0;
    return;
  }
  TButton::KeyDown(key, shift);
}

void TGridButton::KeyUp(unsigned short& key, TShiftState shift) {
  if (key == VK_SPACE) {
    SetText(grid_->EllipsClick(Text()));
    if (grid_->CanFocus()) grid_->SetFocus();
    Invalidate();
  }
  TButton::KeyUp(key, shift);
}

void TGridButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TButton::MouseUp(button, shift, x, y);
  SetText(grid_->EllipsClick(Text()));
}
