// The extended spin editor: values, steps and keys.
#include "grid/zozezed.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>

#include "framework/messaging.h"
#include "framework/services.h"

using zgspin::Contains;
using zgspin::Count;
using zgspin::IsControlChar;
using zgspin::IsDigit;
using zgspin::PosAfter;

namespace {

constexpr unsigned kVersionNr = 0x01040100;  // 1.4.1.0
constexpr int kHexPrefixLength = 2;
constexpr double kHalfMillisecond = 0.5 / 86400000.0;

// A hex digit's value as the editor reads it: the character's code less 48,
// or less 55 past 10; other characters give what that arithmetic gives.
std::uint32_t HexDigit(char c) {
  const auto code = static_cast<std::uint32_t>(std::toupper(static_cast<unsigned char>(c)));
  const std::uint32_t value = code - 48;
  return static_cast<std::int32_t>(value) > 10 ? code - 55 : value;
}

bool IsHexDigit(char key) { return std::isxdigit(static_cast<unsigned char>(key)) != 0; }

double PowerOfTen(int exponent) { return std::pow(10.0, exponent); }

}  // namespace

TZozEzedButton::TZozEzedButton(TComponent* owner) : TZurSpinButton(owner) {
  SetUpGlyph(nullptr);
  SetDownGlyph(nullptr);
  for (TZidOvadoSpeedButton* arrow : {UpButton(), DownButton()}) arrow->SetThemedOnlyWhenActive(true);
  // Every system this runs on has the visual styles the arrows were made
  // for; whether a theme is active decides the look.
  SetIsWinXP(true);
}

TZozEzedEdit::TZozEzedEdit(TComponent* owner)
    : TZurSpinEdit(owner, [](TComponent* o) -> TZurSpinButton* { return new TZozEzedButton(o); }) {
  SetMaxValue(0);
  SetMaxFloatValue(0);
  normalColor_ = Color();
  labelFont_.OnChange = [this](TObject*) { PlaceLabel(); };
  CreateDecorations();
  Relayout();
}

TZozEzedEdit::~TZozEzedEdit() {
  labelFont_.OnChange = nullptr;
  delete label_;
}

unsigned TZozEzedEdit::GetVersionNr() const { return kVersionNr; }

AnsiString TZozEzedEdit::Version() const {
  const unsigned v = GetVersionNr();
  return IntToStr(v >> 24) + "." + IntToStr((v >> 16) & 0xFF) + "." + IntToStr((v >> 8) & 0xFF) + "." +
         IntToStr(v & 0xFF);
}

// ---- Values ----

void TZozEzedEdit::SetSpinType(TZurSpinType type) {
  spinType_ = type;
  RewriteValue();
}

void TZozEzedEdit::RewriteValue() {
  if (Loading()) return;
  if (spinType_ == sptHex) SetHexValue(HexValue());
  else TZurSpinEdit::RewriteValue();
}

int TZozEzedEdit::HexValue() const {
  const AnsiString text = Text();
  std::uint32_t result = 0;
  std::size_t i = kHexPrefixLength;
  for (; i + 1 < text.size(); i += 2) result = (result << 8) + HexDigit(text[i]) * 16 + HexDigit(text[i + 1]);
  if (i < text.size()) result = (result << 4) + HexDigit(text[i]);
  return static_cast<int>(result);
}

void TZozEzedEdit::SetHexValue(int v) {
  hexValue_ = ClampInt(v);
  if (Loading()) return;
  SetText("0x" + IntToHex(static_cast<std::uint32_t>(hexValue_), 0));
}

TDateTime TZozEzedEdit::GetDateValue() const {
  const AnsiString text = Text();
  if (text.empty() || text == "0") return Now();
  TDateTime v;
  return TryStrToDate(text, v) ? TDateTime(v.Val + zgspin::TimeOfDay(storedDateValue_)) : MinDateValue();
}

TDateTime TZozEzedEdit::GetTimeValue() const {
  AnsiString text = Text();
  if (!showSeconds_) text += FormatSettings.TimeSeparator + AnsiString("00");
  TDateTime v;
  if (!TryStrToTime(text, v)) return 0;
  return std::trunc(storedTimeValue_.Val) + v.Val;
}

AnsiString TZozEzedEdit::TimeText(TDateTime v) const {
  return FormatDateTime(showSeconds_ ? "h:nn:ss" : "h:nn", v);
}

void TZozEzedEdit::SetTimeValue(TDateTime v) {
  storedTimeValue_ = v;
  if (Loading()) return;
  WriteKeepingCaret(TimeText(v));
}

void TZozEzedEdit::SetShowSeconds(bool on) {
  if (spinType_ != sptTime) return;
  showSeconds_ = on;
  SetTimeValue(storedTimeValue_);
}

void TZozEzedEdit::CheckValueOnExit() {
  switch (spinType_) {
    case sptFloat: SetFloatValue(GetFloatValue()); break;
    case sptHex: {
      const int v = HexValue();
      if (ClampInt(v) != v) SetHexValue(v);
      break;
    }
    default: TZurSpinEdit::CheckValueOnExit(); break;
  }
}

void TZozEzedEdit::Loaded() {
  TCustomMaskEdit::Loaded();
  normalColor_ = Color();
  if (spinType_ == sptDate) SetText(DateToStr(storedDateValue_));
  if (spinType_ == sptTime) SetText(TimeText(storedTimeValue_));
  if (spinType_ == sptHex) SetText("0x" + IntToHex(static_cast<std::uint32_t>(hexValue_), 0));
  SetSpinType(spinType_);
  const bool flat = flat_;
  flat_ = !flat;
  SetFlat(flat);
  SetBounds(Left(), Top(), Width(), Height());
  if (!Enabled() && label_ && !labelAlwaysEnabled_) label_->SetEnabled(false);
}

// ---- Steps ----

void TZozEzedEdit::UpClick(TObject*) { StepAndNotify(+1); }
void TZozEzedEdit::DownClick(TObject*) { StepAndNotify(-1); }

void TZozEzedEdit::StepAndNotify(int d) {
  const int caret = SelStart();
  const int selLength = SelLength();
  const AnsiString before = Text();
  if (ReadOnly()) {
    MessageBeep(0);
    return;
  }
  Step(d);
  RestoreCaret(before, caret, selLength);
  const TNotifyEvent& event = d > 0 ? OnUpClick : OnDownClick;
  if (event) event(this);
}

void TZozEzedEdit::Step(int d) {
  switch (spinType_) {
    case sptNormal:
      if (incrementSmart_) SmartStep(d);
      else SetValue(zgspin::SaturatedSum(Value(), std::int64_t{d} * Increment()));
      break;
    case sptFloat:
      if (incrementSmart_) SmartStep(d);
      else SetFloatValue(GetFloatValue() + d * IncrementFloat());
      break;
    case sptHex:
      // Unsigned 32-bit arithmetic: stepping past 0x7FFFFFFF or below 0
      // wraps as the digits do, with no signed overflow.
      SetHexValue(static_cast<int>(static_cast<std::uint32_t>(HexValue()) +
                                   static_cast<std::uint32_t>(d) * static_cast<std::uint32_t>(Increment())));
      break;
    case sptDate: {
      TDateTime stepped;
      if (StepDate(GetDateValue(), d, stepped)) SetDateValue(stepped);
      break;
    }
    case sptTime: StepTime(d); break;
  }
}

void TZozEzedEdit::SmartStep(int d) {
  if (spinType_ != sptNormal && spinType_ != sptFloat) return;
  const bool integer = spinType_ == sptNormal;
  const AnsiString text = Text();
  const int length = static_cast<int>(text.size());
  const int caret = SelStart();
  const int right = length - caret;
  const int separator = PosAfter(std::string_view(&FormatSettings.DecimalSeparator, 1), text, 0);
  int fraction = length - separator;
  if (caret == 0 || (Contains(text, '-') && caret == 1)) {
    if (integer) SetValue(zgspin::SaturatedSum(Value(), std::int64_t{d} * Increment()));
    else SetFloatValue(GetFloatValue() + d * IncrementFloat());
    return;
  }
  if (fraction == length) fraction = -1;
  if (fraction <= right) {
    const double step = PowerOfTen(std::max(right - fraction - 1, 0));
    if (integer) SetValue(zgspin::SaturatedSum(Value(), static_cast<std::int64_t>(std::min(step, 1e10)) * d));
    else SetFloatValue(GetFloatValue() + d * step);
  } else if (!integer) {
    SetFloatValue(GetFloatValue() + d * PowerOfTen(-(fraction - right)));
  }
}

void TZozEzedEdit::StepTime(int d) {
  TTimeField field = TimeFieldAtCaret();
  if (field == tfSeconds && !showSeconds_) field = tfMinutes;
  double step = 1.0 / 86400;
  if (field == tfHours && incrementHours_ != 0) step = incrementHours_ / 24.0;
  else if (field != tfSeconds) step = incrementMinutes_ / 1440.0;
  const double t = GetTimeValue().Val;
  if (d > 0) SetTimeValue(t + step);
  else if (t + kHalfMillisecond >= step) SetTimeValue(t - step);  // stepping down stops at midnight
}

void TZozEzedEdit::RestoreCaret(const AnsiString& before, int caret, int selLength) {
  const AnsiString after = Text();
  const bool hadSign = Contains(before, '-');
  const bool hasSign = Contains(after, '-');
  if (hadSign && !hasSign) --caret;
  if (!hadSign && hasSign) ++caret;
  SetSelStart(std::max(caret, 0));
  SetSelLength(selLength);
  if (after != before) SetModified(true);
}

void TZozEzedEdit::ToggleSign() {
  const int caret = SelStart();
  const int selLength = SelLength();
  const AnsiString text = Text();
  SetText(!text.empty() && text[0] == '-' ? text.substr(1) : "-" + text);
  SetSelStart(caret);
  SetSelLength(selLength);
}

// ---- Keys ----

void TZozEzedEdit::KeyDown(unsigned short& key, TShiftState shift) {
  const int caret = SelStart();
  const int selLength = SelLength();
  const AnsiString before = Text();
  TCustomMaskEdit::KeyDown(key, shift);
  const bool smart = incrementSmart_ && selLength == 0;
  const bool number = spinType_ == sptNormal || spinType_ == sptFloat;
  bool restore = true;
  switch (key) {
    case VK_UP: case VK_DOWN: {
      const int d = key == VK_UP ? +1 : -1;
      if (smart && number) SmartStep(d);
      else d > 0 ? UpClick(this) : DownClick(this);
      break;
    }
    case VK_PRIOR: case VK_NEXT: {
      const int d = key == VK_PRIOR ? +1 : -1;
      if (smart) SmartStep(d);
      else if (spinType_ == sptNormal) SetValue(zgspin::SaturatedSum(Value(), std::int64_t{d} * incrementPage_));
      else if (spinType_ == sptFloat) SetFloatValue(GetFloatValue() + d * incrementFloatPage_);
      break;
    }
    case VK_RETURN:
      if (ReturnIsTab()) TurnReturnIntoTab(key);
      break;
    case VK_DELETE:
      if (!EditorEnabled() || (spinType_ == sptHex && caret < kHexPrefixLength)) key = 0;
      break;
    default: restore = false; break;
  }
  if (restore) {
    SetSelStart(caret);
    SetSelLength(selLength);
  }
  if (Text() != before) SetModified(true);
}

void TZozEzedEdit::HandleChar(TMessage& message) {
  if (DropsReturnTurnedTab(message)) return;
  const char key = static_cast<char>(message.WParam);
  if (key == '+') return;
  if (key == '-' && !(spinType_ == sptDate && FormatSettings.DateSeparator == '-')) {
    if (signed_) ToggleSign();
    return;
  }
  if (key == '\r') {
    char pressed = key;
    if (OnKeyPress) OnKeyPress(this, pressed);
    return;
  }
  HandleCommonMessage(message);
}

bool TZozEzedEdit::IsValidChar(char& key) {
  const TFormatSettings& fs = FormatSettings;
  const AnsiString text = Text();
  const bool separator = key == fs.DecimalSeparator || key == fs.ThousandSeparator || key == fs.TimeSeparator ||
                         key == fs.DateSeparator;
  bool valid = separator || key == '+' || key == '-' || IsDigit(key) || (IsControlChar(key) && key != VK_RETURN);
  if (spinType_ == sptNormal && separator) valid = false;
  if (!SeparatorAllowed(key)) valid = false;
  if (spinType_ == sptFloat && key != VK_BACK && key != VK_RETURN && key != VK_ESCAPE) {
    if (key == fs.ThousandSeparator) key = fs.DecimalSeparator;
    // A separator is typed wherever there is none yet, whatever the
    // precision: Precision 0 (general format) holds decimals too.
    if (key == fs.DecimalSeparator) {
      const bool allSelected = !text.empty() && SelLength() == static_cast<int>(text.size());
      valid = allSelected || !Contains(text, fs.DecimalSeparator);
    }
    if (valid && DecimalsFull(text)) valid = false;
  }
  if (spinType_ == sptTime) {
    if (key == ',' || key == '.') key = fs.TimeSeparator;
    if (key == fs.TimeSeparator && Count(text, fs.TimeSeparator) >= 1) valid = false;
  }
  if (spinType_ == sptHex) {
    const bool character = IsHexDigit(key) || (IsControlChar(key) && key != VK_RETURN);
    const bool prefixKept = SelStart() >= kHexPrefixLength &&
                            !(key == VK_BACK && SelStart() == kHexPrefixLength && SelLength() == 0);
    valid = character && prefixKept;
  }
  if (!EditorEnabled() && !(IsControlChar(key) && key != VK_BACK)) valid = false;
  return valid;
}
