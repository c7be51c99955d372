// Classification of cell texts, dates, colours, the storage form of wide
// text and the HTML clipboard fragment.
#include "framework/codec.h"
#include "grid/zgutil.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The three integer fields of a short date split at its first '/', else '.',
// else '-'; false when there is no separator or a field is no integer.
bool SplitShortDate(std::string_view s, int& first, int& second, int& year) {
  size_t sep = std::string_view::npos;
  for (char candidate : {'/', '.', '-'})
    if ((sep = s.find(candidate)) != std::string_view::npos) break;
  if (sep == std::string_view::npos) return false;
  const size_t next = s.find(s[sep], sep + 1);
  if (next == std::string_view::npos) return false;
  return TryStrToInt(s.substr(0, sep), first) && TryStrToInt(s.substr(sep + 1, next - sep - 1), second) &&
         TryStrToInt(s.substr(next + 1), year);
}

// Two-digit years: 0..25 are this century, 26..99 the last one; other
// years stand as written.
int ExpandYear(int year) {
  if (year < 0 || year >= 100) return year;
  return year <= 25 ? year + 2000 : year + 1900;
}

}  // namespace

TTextType TextType(std::string_view s, bool markup) {
  if (s.empty()) return ttText;
  if (s[0] == '=') return ttFormula;
  if (s.starts_with("|\\")) return s.size() >= 4 && s[3] == '=' ? ttFormula : ttUnicode;
  if (s.starts_with("{\\")) return ttRTF;
  if (markup && (s.find("</") != std::string_view::npos || s.find("<B") != std::string_view::npos ||
                 s.find("<I") != std::string_view::npos))
    return ttHTML;
  return ttText;
}

int IsType(std::string_view s) {
  if (s.empty()) return 2;
  const char thousand = FormatSettings.ThousandSeparator;
  const char decimal = FormatSettings.DecimalSeparator;
  bool integer = true, number = true;
  int minus = 0, thousands = 0, decimals = 0;
  size_t lastThousand = std::string_view::npos;
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c != '-' && !IsDigit(c)) integer = false;
    if (c == '-') {
      ++minus;
      if (i > 0) integer = number = false;
    } else if (c == thousand) {
      ++thousands;
      if (lastThousand != std::string_view::npos && i - lastThousand < 3) number = false;
      lastThousand = i;
    } else if (c == decimal) {
      ++decimals;
    } else if (!IsDigit(c)) {
      number = false;
    }
  }
  if (thousands > 1 || minus > 1 || decimals > 1) return 2;
  return integer ? 0 : number ? 1 : 2;
}

AnsiString RemoveSeps(std::string_view s) {
  if (s.empty()) return AnsiString();
  const char thousand = FormatSettings.ThousandSeparator;
  const char decimal = FormatSettings.DecimalSeparator;
  bool negative = s.front() == '(' && s.back() == ')';
  while (s.size() >= 2 && !IsDigit(s[0]) && s[0] != decimal && s[0] != thousand) {
    if (s[0] == '-') negative = true;
    s.remove_prefix(1);
  }
  AnsiString out;
  for (char c : s) {
    if (c == thousand) continue;
    if (c == decimal) {
      out += '.';
    } else if (IsDigit(c) || c == '+' || c == '-' || c == '.' || c == 'E' || c == 'e') {
      out += c;
    } else {
      break;
    }
  }
  return negative ? "-" + out : out;
}

bool IsDateStr(std::string_view s) {
  const size_t first = s.find(FormatSettings.DateSeparator);
  if (first == std::string_view::npos || first == 0) return false;
  const size_t second = s.substr(first + 1).find(FormatSettings.DateSeparator);
  return second != std::string_view::npos && second > 0;
}

TDateTime GetNextDate(TDateTime date, int years, int months, int days, double span) {
  int y = 0, m = 0, d = 0;
  DecodeDate(date, y, m, d);
  if (days != 0 && years == 0 && months == 0) return date + days;
  if (years != 0 && months == 0 && days == 0) return EncodeDate(y + years, m, d);
  if (months != 0 && years == 0 && days == 0) {
    m += months;
    if (m > 12) {
      m -= 12;
      ++y;
    } else if (m < 1) {
      m += 12;
      --y;
    }
    return EncodeDate(y, m, d);
  }
  return date + span;
}

TDateTime StrToShortdateUS(std::string_view s) {
  int month = 0, day = 0, year = 0;
  if (!SplitShortDate(s, month, day, year)) return 0;
  return EncodeDate(ExpandYear(year), month, day);
}

TDateTime StrToShortDateEU(std::string_view s) {
  int day = 0, month = 0, year = 0;
  if (!SplitShortDate(s, day, month, year)) return 0;
  return EncodeDate(ExpandYear(year), month, day);
}

AnsiString HTMLColor(TColor color) {
  return IntToHex(GetRValue(color), 2) + IntToHex(GetGValue(color), 2) + IntToHex(GetBValue(color), 2);
}

TColor DarkenColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return RGB(GetRValue(rgb) >> 1, GetGValue(rgb) >> 1, GetBValue(rgb) >> 1);
}

AnsiString EncodeWideStr(const WideString& text) {
  AnsiString result = "|\\";
  for (char16_t unit : text) {
    result += static_cast<char>(unit >> 8);
    result += static_cast<char>(unit & 0xFF);
  }
  return result;
}

WideString DecodeWideStr(const AnsiString& text) {
  if (!text.starts_with("|\\")) return Utf8ToWide(text);
  WideString result;
  for (size_t i = 2; i + 1 < text.size(); i += 2)
    result += static_cast<char16_t>((static_cast<unsigned char>(text[i]) << 8) | static_cast<unsigned char>(text[i + 1]));
  return result;
}

void MakeFragment(AnsiString& s) {
  static constexpr std::string_view kOpening =
      "<html><head><META http-equiv=Content-Type content=\"text/html; charset=utf-8\"></head>"
      "<body><!--StartFragment-->";
  static constexpr std::string_view kClosing = "<!--EndFragment--></body></html>";
  static constexpr int kHeaderLength = 97;
  // Cell texts are UTF-8 already, so the byte counts are those of s itself.
  const int startFragment = kHeaderLength + static_cast<int>(kOpening.size());
  const int endFragment = startFragment + static_cast<int>(s.size());
  const int endHTML = endFragment + static_cast<int>(kClosing.size());
  AnsiString header = "Version:1.0\r\n";
  const std::pair<const char*, int> lines[] = {
      {"StartHTML:", kHeaderLength}, {"EndHTML:", endHTML}, {"StartFragment:", startFragment}, {"EndFragment:", endFragment}};
  for (const auto& [name, offset] : lines) header += Format("%s%.8d", {name, offset}) + "\r\n";
  s = header + AnsiString(kOpening) + s + AnsiString(kClosing);
}
