// The spin editor: an edit whose text is an integer, float, date or time
// value, with the arrows at its right edge.
#include "grid/zgspin.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "framework/application.h"
#include "framework/messaging.h"
#include "framework/services.h"

namespace zgspin {

int PosAfter(std::string_view sub, std::string_view s, int offset) {
  offset = std::max(offset, 0);
  if (sub.empty() || static_cast<std::size_t>(offset) > s.size()) return 0;
  const std::size_t at = s.find(sub, static_cast<std::size_t>(offset));
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

bool MonthFirst() {
  const AnsiString format = UpperCase(FormatSettings.ShortDateFormat);
  return PosAfter("M", format, 0) < PosAfter("D", format, 0);
}

double TimeOfDay(TDateTime value) { return value.Val - std::trunc(value.Val); }

int SaturatedSum(std::int64_t a, std::int64_t b) {
  return static_cast<int>(
      std::clamp<std::int64_t>(a + b, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int Count(std::string_view text, char c) { return static_cast<int>(std::count(text.begin(), text.end(), c)); }

namespace {

int DaysInMonth(int year, int month) {
  TDateTime unused;
  int day = 31;
  while (day > 28 && !TryEncodeDate(year, month, day, unused)) --day;
  return day;
}

}  // namespace

TDateTime IncMonth(TDateTime date, int n) {
  int year = 0, month = 0, day = 0;
  DecodeDate(date, year, month, day);
  const int months = year * 12 + (month - 1) + n;
  const int newYear = months / 12;
  const int newMonth = months % 12 + 1;
  return EncodeDate(newYear, newMonth, std::min(day, DaysInMonth(newYear, newMonth))).Val + TimeOfDay(date);
}

TDateTime AddYears(TDateTime date, int n) {
  int year = 0, month = 0, day = 0;
  DecodeDate(date, year, month, day);
  return EncodeDate(year + n, month, day).Val + TimeOfDay(date);
}

AnsiString FormatFloatValue(double v, int precision) {
  if (precision > 0) return FloatToStrF(v, precision);
  if (precision == 0) return FloatToStr(v);
  char text[64];
  std::snprintf(text, sizeof text, "%.4G", v);
  AnsiString result = text;
  std::replace(result.begin(), result.end(), '.', FormatSettings.DecimalSeparator);
  return result;
}

}  // namespace zgspin

using zgspin::Contains;
using zgspin::Count;
using zgspin::IsControlChar;
using zgspin::IsDigit;
using zgspin::PosAfter;

namespace {

constexpr int kButtonWidth = 15;
constexpr int kButtonHeight = 17;

// Whether sep may be typed in a number: only where it stands for one of the
// characters a number may hold.
bool NumberCharacter(char sep) {
  const TFormatSettings& fs = FormatSettings;
  return sep == fs.DecimalSeparator || sep == fs.ThousandSeparator || sep == '-' || sep == '+';
}

}  // namespace

TZurSpinEdit::TZurSpinEdit(TComponent* owner) : TCustomMaskEdit(owner) {
  Build([](TComponent* o) { return new TZurSpinButton(o); });
}

TZurSpinEdit::TZurSpinEdit(TComponent* owner, TMakeButton makeButton) : TCustomMaskEdit(owner) { Build(makeButton); }

void TZurSpinEdit::Build(TMakeButton makeButton) {
  button_ = makeButton(this);
  button_->SetBounds(0, 0, kButtonWidth, kButtonHeight);
  button_->SetVisible(true);
  button_->SetParent(this);
  button_->SetFocusControl(this);
  // Routed through the virtual steps, so a subclass receives the arrows.
  button_->OnUpClick = [this](TObject*) { UpClick(this); };
  button_->OnDownClick = [this](TObject*) { DownClick(this); };
  SetText("0");
  Perform(WM_SIZE, 0, MakeLParam(Width(), Height()));
}

TZurSpinEdit::~TZurSpinEdit() { button_ = nullptr; }

// ---- Properties ----

void TZurSpinEdit::SetSpinType(TZurSpinType type) {
  spinType_ = type == sptHex ? sptNormal : type;
  RewriteValue();
}

void TZurSpinEdit::RewriteValue() {
  switch (spinType_) {
    case sptFloat: SetFloatValue(GetFloatValue()); break;
    case sptDate: SetDateValue(GetDateValue()); break;
    case sptTime: SetTimeValue(GetTimeValue()); break;
    default: SetValue(Value()); break;
  }
}

void TZurSpinEdit::SetPrecision(int precision) {
  precision_ = precision;
  if (spinType_ == sptFloat) SetFloatValue(GetFloatValue());
}

void TZurSpinEdit::SetDirection(TSpinDirection direction) {
  if (direction == button_->Direction()) return;
  button_->SetDirection(direction);
  Relayout();
}

void TZurSpinEdit::SetSpinFlat(bool on) {
  button_->UpButton()->SetFlat(on);
  button_->DownButton()->SetFlat(on);
  spinFlat_ = on;
}

void TZurSpinEdit::SetSpinTransparent(bool on) {
  button_->UpButton()->SetTransparent(on);
  button_->DownButton()->SetTransparent(on);
  spinTransparent_ = on;
  Relayout();
}

void TZurSpinEdit::SetEditAlign(TEditAlign align) {
  editAlign_ = align;
  const Qt::Alignment h = align == eaRight ? Qt::AlignRight : align == eaCenter ? Qt::AlignHCenter : Qt::AlignLeft;
  LineEdit()->setAlignment(h | Qt::AlignVCenter);
}

void TZurSpinEdit::SetBorderStyle(TFormBorderStyle style) {
  borderStyle_ = style == bsNone ? bsNone : bsSingle;
  LineEdit()->setFrame(borderStyle_ != bsNone);
  Perform(WM_SIZE, 0, MakeLParam(Width(), Height()));
}

// ---- Values ----

int TZurSpinEdit::ClampInt(int v) const {
  if (LimitsSuspended() || !IntLimitsApply()) return v;
  return std::clamp(v, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
}

double TZurSpinEdit::ClampFloat(double v) const {
  if (LimitsSuspended() || minFloatValue_ == maxFloatValue_) return v;
  return v < minFloatValue_ ? minFloatValue_ : v > maxFloatValue_ ? maxFloatValue_ : v;
}

TDateTime TZurSpinEdit::ClampDate(TDateTime v) const {
  if (LimitsSuspended() || minDateValue_.Val == maxDateValue_.Val) return v;
  return v.Val < minDateValue_.Val ? minDateValue_ : v.Val > maxDateValue_.Val ? maxDateValue_ : v;
}

int TZurSpinEdit::Value() const {
  int v = 0;
  return TryStrToInt(Text(), v) ? v : minValue_;
}

void TZurSpinEdit::SetValue(int v) {
  SetText(IntToStr(ClampInt(v)));
  if (SelectsAllAfterValueWrite()) SelectAll();
}

double TZurSpinEdit::GetFloatValue() const {
  double v = 0;
  return TryStrToFloat(Text(), v) ? v : minValue_;
}

void TZurSpinEdit::SetFloatValue(double v) { SetText(zgspin::FormatFloatValue(ClampFloat(v), precision_)); }

TDateTime TZurSpinEdit::GetDateValue() const {
  const AnsiString text = Text();
  if (text.empty() || text == "0") return Now();
  TDateTime v;
  return TryStrToDate(text, v) ? v : minDateValue_;
}

void TZurSpinEdit::SetDateValue(TDateTime v) {
  storedDateValue_ = v;
  if (Loading()) return;
  storedDateValue_ = ClampDate(v);
  WriteKeepingCaret(DateToStr(storedDateValue_));
}

TDateTime TZurSpinEdit::GetTimeValue() const {
  TDateTime v;
  return TryStrToTime(Text(), v) ? v : TDateTime(0);
}

void TZurSpinEdit::SetTimeValue(TDateTime v) {
  storedTimeValue_ = v;
  if (Loading()) return;
  WriteKeepingCaret(TimeToStr(v));
}

void TZurSpinEdit::WriteKeepingCaret(const AnsiString& text) {
  const int caret = SelStart();
  SetText(text);
  SetSelStart(caret);
}

void TZurSpinEdit::Loaded() {
  TCustomMaskEdit::Loaded();
  if (spinType_ == sptDate) SetText(DateToStr(storedDateValue_));
  if (spinType_ == sptTime) SetText(TimeToStr(storedTimeValue_));
  SetSpinType(spinType_);
}

// ---- Stepping ----

void TZurSpinEdit::UpClick(TObject*) { Step(+1); }
void TZurSpinEdit::DownClick(TObject*) { Step(-1); }

void TZurSpinEdit::Step(int d) {
  if (ReadOnly()) {
    MessageBeep(0);
    return;
  }
  switch (spinType_) {
    case sptFloat: SetFloatValue(GetFloatValue() + d * incrementFloat_); break;
    case sptDate: {
      TDateTime stepped;
      if (StepDate(GetDateValue(), d, stepped)) SetDateValue(stepped);
      break;
    }
    case sptTime: StepTime(d); break;
    default: SetValue(zgspin::SaturatedSum(Value(), std::int64_t{d} * increment_)); break;
  }
}

bool TZurSpinEdit::StepDate(TDateTime date, int d, TDateTime& result) const {
  const AnsiString text = Text();
  const std::string_view sep(&FormatSettings.DateSeparator, 1);
  const int p1 = PosAfter(sep, text, 0);
  const int p2 = p1 ? PosAfter(sep, text, p1) : 0;
  const int caret = SelStart();
  const int field = caret < p1 ? 0 : caret < p2 ? 1 : 2;
  const bool monthFirst = zgspin::MonthFirst();
  const bool dayField = field == (monthFirst ? 1 : 0);
  try {
    if (field == 2) result = zgspin::AddYears(date, d);
    else if (dayField) result = date.Val + d;
    else result = zgspin::IncMonth(date, d);
  } catch (const EConvertError&) {
    // A year step onto 29 February of a year without one: the value stays.
    return false;
  }
  return true;
}

TZurSpinEdit::TTimeField TZurSpinEdit::TimeFieldAtCaret() const {
  const AnsiString text = Text();
  const std::string_view sep(&FormatSettings.TimeSeparator, 1);
  const int p1 = PosAfter(sep, text, 0);
  const int p2 = p1 ? PosAfter(sep, text, p1) : 0;
  const int caret = SelStart();
  if (caret < p1) return tfHours;
  // Without a second separator no seconds are shown: the minutes step.
  if (caret < p2 || p2 == 0) return tfMinutes;
  return tfSeconds;
}

void TZurSpinEdit::StepTime(int d) {
  const TTimeField field = TimeFieldAtCaret();
  const double step = EncodeTime(field == tfHours ? 1 : 0, field == tfMinutes ? 1 : 0, field == tfSeconds ? 1 : 0, 0);
  if (d > 0) {
    SetTimeValue(GetTimeValue().Val + step);
    return;
  }
  // Below midnight the step wraps to the previous day's time.
  double t = GetTimeValue().Val + 1.0 - step;
  if (t > 1.0) t -= 1.0;
  SetTimeValue(t);
}

// ---- Layout ----

int TZurSpinEdit::MinimumHeight() const {
  const QFontMetrics own(LineEdit()->font());
  const QFontMetrics screen(QApplication::font());
  const int smaller = std::min(own.height(), screen.height());
  return own.height() + smaller / 4 + 2 + (borderStyle_ == bsSingle ? 4 : 0);
}

void TZurSpinEdit::PlaceButton() {
  if (!button_) return;
  const int inset = borderStyle_ == bsNone ? 1 : 5;
  button_->SetBounds(Width() - button_->Width() - inset, 0, button_->Width(), Height() - inset);
}

void TZurSpinEdit::SetTextRect() {
  if (!button_) return;
  const int m = borderStyle_ == bsNone ? 1 : 0;
  LineEdit()->setTextMargins(m, m, button_->Width() + 2 + m, 0);
}

void TZurSpinEdit::Relayout() {
  PlaceButton();
  SetTextRect();
}

void TZurSpinEdit::FontChanged() {
  TCustomMaskEdit::FontChanged();
  Perform(WM_SIZE, 0, MakeLParam(Width(), Height()));
}

// ---- Messages and keys ----

bool TZurSpinEdit::HandleEditorKeyMessage(TMessage& message) {
  if (message.Msg != WM_KEYDOWN) return false;
  const auto key = static_cast<unsigned short>(message.WParam);
  // The Tab posted for Enter: handed to the widget as the key itself, so
  // the focus moves on as a typed Tab moves it.
  if (key == VK_TAB && message.LParam == 0) {
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, "\t");
    QCoreApplication::sendEvent(LineEdit(), &tab);
    return true;
  }
  const unsigned command = ClipboardCommandOfKey(key, KeyboardShiftState());
  if (!command) return false;
  Perform(command);
  return true;
}

void TZurSpinEdit::PostTab() { PostMessage(this, WM_KEYDOWN, VK_TAB, 0); }

void TZurSpinEdit::WndProc(TMessage& message) {
  if (HandleEditorKeyMessage(message)) return;
  switch (message.Msg) {
    case WM_KEYDOWN:
      switch (message.WParam) {
        case VK_PRIOR: case VK_UP: UpClick(this); message.Result = 0; return;
        case VK_NEXT: case VK_DOWN: DownClick(this); message.Result = 0; return;
        default: break;
      }
      break;
    case WM_CHAR:
      if (DropsReturnTurnedTab(message)) return;
      if (excelStyleDecimalSeparator_ && message.WParam == '.' && (message.LParam & KF_KEYPAD_SCAN))
        message.WParam = static_cast<unsigned char>(FormatSettings.DecimalSeparator);
      break;
    default: break;
  }
  HandleCommonMessage(message);
}

// What every editor of the family does alike: size, focus, paste and cut.
void TZurSpinEdit::HandleCommonMessage(TMessage& message) {
  switch (message.Msg) {
    case WM_SIZE:
      TCustomMaskEdit::WndProc(message);
      if (Height() < MinimumHeight()) {
        SetHeight(MinimumHeight());
        return;
      }
      Relayout();
      return;
    case CM_ENTER:
      if (autoSelect_ && (GetKeyState(VK_LBUTTON) >= 0 || !editorEnabled_)) SelectAll();
      break;
    case CM_EXIT:
      TCustomMaskEdit::WndProc(message);
      CheckValueOnExit();
      return;
    case WM_PASTE: case WM_CUT:
      if (editorEnabled_ && !ReadOnly()) PasteOrCutSelection(message.Msg);
      return;
    default: break;
  }
  TCustomMaskEdit::WndProc(message);
}

bool TZurSpinEdit::DropsReturnTurnedTab(const TMessage& message) {
  const bool drop = returnTurnedTab_ && message.WParam == VK_RETURN;
  returnTurnedTab_ = false;
  return drop;
}

void TZurSpinEdit::TurnReturnIntoTab(unsigned short& key) {
  key = VK_TAB;
  // The Enter's character must not reach the filter (it would beep).
  returnTurnedTab_ = true;
  PostTab();
}

void TZurSpinEdit::KeyDown(unsigned short& key, TShiftState shift) {
  if (key == VK_RETURN && returnIsTab_) TurnReturnIntoTab(key);
  if (key == VK_DELETE && !editorEnabled_) key = 0;
  TCustomMaskEdit::KeyDown(key, shift);
}

void TZurSpinEdit::KeyPress(char& key) {
  // Tab moves the focus on; it is no character of the value.
  if (key != VK_TAB && !IsValidChar(key)) {
    key = 0;
    MessageBeep(0);
  }
  if (key) TCustomMaskEdit::KeyPress(key);
}

bool TZurSpinEdit::IsValidChar(char& key) {
  if (key == VK_BACK) return editorEnabled_;
  const TFormatSettings& fs = FormatSettings;
  const AnsiString text = Text();
  const AnsiString selected = SelText();
  const bool separator = key == fs.DecimalSeparator || key == fs.ThousandSeparator || key == fs.TimeSeparator ||
                         key == fs.DateSeparator;
  bool valid = separator || key == '-' || IsDigit(key) || (IsControlChar(key) && key != VK_RETURN);
  if (!SeparatorAllowed(key)) valid = false;
  if (key == '-' && !(SelStart() == 0 && (!Contains(text, '-') || Contains(selected, '-')))) valid = false;
  if (spinType_ == sptNormal && key != '-' && !IsDigit(key)) valid = false;
  if (spinType_ == sptFloat && key != VK_RETURN && key != VK_ESCAPE) {
    if (key == fs.ThousandSeparator) valid = false;
    if (key == fs.DecimalSeparator && Contains(text, fs.DecimalSeparator) && !Contains(selected, fs.DecimalSeparator))
      valid = false;
    if (valid && DecimalsFull(text)) valid = false;
  }
  if (spinType_ == sptTime && key == fs.TimeSeparator && Count(text, fs.TimeSeparator) >= 2) valid = false;
  if (!editorEnabled_ && !IsControlChar(key)) valid = false;
  return valid;
}

bool TZurSpinEdit::SeparatorAllowed(char key) const {
  const TFormatSettings& fs = FormatSettings;
  const bool numeric = spinType_ == sptNormal || spinType_ == sptFloat;
  if (key == fs.TimeSeparator && !(spinType_ == sptTime || (numeric && NumberCharacter(fs.TimeSeparator))))
    return false;
  return key != fs.DateSeparator || spinType_ == sptDate || (numeric && NumberCharacter(fs.DateSeparator));
}

// Whether typing at the caret would put more than Precision decimals
// after the separator.
bool TZurSpinEdit::DecimalsFull(const AnsiString& text) const {
  if (precision_ <= 0 || SelLength() > 0) return false;
  const int p = PosAfter(std::string_view(&FormatSettings.DecimalSeparator, 1), text, 0);
  return p > 0 && SelStart() >= p && static_cast<int>(text.size()) >= p + precision_;
}

void TZurSpinEdit::CheckValueOnExit() {
  switch (spinType_) {
    case sptNormal: {
      const int v = Value();
      if (ClampInt(v) != v) SetValue(v);
      break;
    }
    case sptFloat: {
      const double v = GetFloatValue();
      if (ClampFloat(v) != v) SetFloatValue(v);
      break;
    }
    case sptDate: {
      const TDateTime v = GetDateValue();
      if (ClampDate(v).Val != v.Val) SetDateValue(v);
      break;
    }
    // A time of day is no date: the date limits would turn it into
    // midnight of the lower limit and lose what the user typed.
    default: break;
  }
}
