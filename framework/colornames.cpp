#include "framework/colornames.h"

#include <array>
#include <cstdint>
#include <utility>

namespace {

struct NamedColor {
  TColor color;
  const char* name;
};

constexpr std::array<NamedColor, 46> kNamedColors{{
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
}};

// The value of one to eight hexadecimal digits, as a 32-bit pattern.
bool ParseHexPattern(std::string_view digits, TColor& color) {
  if (digits.empty() || digits.size() > 8) return false;
  std::uint32_t value = 0;
  for (char c : digits) {
    int digit = 0;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  color = static_cast<TColor>(value);
  return true;
}

}  // namespace

AnsiString ColorToString(TColor color) {
  for (const NamedColor& named : kNamedColors)
    if (named.color == color) return named.name;
  return "$" + IntToHex(static_cast<std::uint32_t>(color), 8);
}

TColor StringToColor(const AnsiString& text) {
  for (const NamedColor& named : kNamedColors)
    if (SameText(text, named.name)) return named.color;
  const AnsiString trimmed = Trim(text);
  const std::string_view s = trimmed;
  TColor color = 0;
  if (s.starts_with('$') && ParseHexPattern(s.substr(1), color)) return color;
  if ((s.starts_with("0x") || s.starts_with("0X")) && ParseHexPattern(s.substr(2), color)) return color;
  return StrToInt(s);
}
