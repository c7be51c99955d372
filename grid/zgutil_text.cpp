// Line-break codecs, text and search routines.
#include <algorithm>

#include "grid/zgutil.h"

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kCSVBreak = '\v';     // character 11
constexpr char kFileCR = '\t';       // character 9
constexpr char kFileLF = '\b';       // character 8

// s with every character mapped by `map` (to any text, possibly empty).
template <class Map>
AnsiString MapChars(std::string_view s, Map map) {
  AnsiString out;
  out.reserve(s.size());
  for (char c : s) out += map(c);
  return out;
}

AnsiString ReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
  AnsiString out;
  size_t start = 0;
  for (size_t at; (at = s.find(from, start)) != std::string_view::npos; start = at + from.size()) {
    out.append(s.substr(start, at - start));
    out.append(to);
  }
  out.append(s.substr(start));
  return out;
}

char UpCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char LowCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

int Position(size_t index) { return index == std::string_view::npos ? 0 : static_cast<int>(index) + 1; }

}  // namespace

// ---- Line-break codecs ----

void LineFeedsToCSV(AnsiString& s) { s = '"' + ReplaceAll(s, "\r\n", AnsiString(1, kCSVBreak)) + '"'; }

void LineFeedsToCSVNQ(AnsiString& s) { s = ReplaceAll(s, "\r\n", "\n"); }

void CSVToLineFeeds(AnsiString& s) { s = ReplaceAll(s, AnsiString(1, kCSVBreak), "\r\n"); }

AnsiString CSVQuotes(const AnsiString& s) { return ReplaceAll(s, "\"", "\"\""); }

void LineFeedsToJava(AnsiString& s) {
  s = MapChars(s, [](char c) { return c == kCR ? AnsiString("~") : c == kLF ? AnsiString() : AnsiString(1, c); });
}

void JavaToLineFeeds(AnsiString& s) {
  s = s == "^" ? AnsiString() : ReplaceAll(s, "~", "\r\n");
}

AnsiString CRToLF(const AnsiString& s) { return ReplaceAll(s, "\r", ""); }

AnsiString LineFeedsToXLS(const AnsiString& s) { return CRToLF(s); }

AnsiString LfToFile(const AnsiString& s) {
  // A lone LF is encoded too: written as it is it would end the file line.
  if (s.find_first_of("\r\n") == AnsiString::npos) return s;
  return MapChars(s, [](char c) { return c == kCR ? kFileCR : c == kLF ? kFileLF : c; });
}

AnsiString FileToLf(const AnsiString& s, bool multiline) {
  AnsiString text = s;
  if (text.find(kFileLF) != AnsiString::npos)
    text = MapChars(s, [](char c) { return c == kFileCR ? kCR : c == kFileLF ? kLF : c; });
  return multiline ? text : GetNextLine(text, false);
}

AnsiString CLFToLF(const AnsiString& s) { return ReplaceAll(s, "\\n", "\r"); }

AnsiString LFToCLF(const AnsiString& s) {
  return MapChars(s, [](char c) { return c == kCR ? AnsiString("\\n") : c == kLF ? AnsiString() : AnsiString(1, c); });
}

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

int CharCount(std::string_view s) {
  return static_cast<int>(std::count_if(s.begin(), s.end(), [](char c) { return !IsContinuationByte(c); }));
}

AnsiString CharPrefix(std::string_view s, int count) {
  if (count <= 0) return {};
  std::size_t end = 0;
  for (int taken = 0; end < s.size(); ++end) {
    if (!IsContinuationByte(s[end]) && taken++ == count) break;
  }
  return AnsiString(s.substr(0, end));
}

AnsiString HTMLLineBreaks(const AnsiString& s) { return ReplaceAll(s, "\r", "<br>"); }

AnsiString GetNextLine(AnsiString& s, bool multiline) {
  const size_t cr = s.find(kCR);
  AnsiString line;
  if (cr == AnsiString::npos) {
    line = s;
    s.clear();
  } else {
    line = s.substr(0, cr);
    const size_t rest = cr + 1 < s.size() && s[cr + 1] == kLF ? cr + 2 : cr + 1;
    s.erase(0, rest);
  }
  if (!multiline) s.clear();
  return line;
}

int LinesInText(const AnsiString& s, bool multiline) { return multiline ? 1 + NumChar(kCR, s) : 1; }

AnsiString DoubleToSingleChar(char ch, const AnsiString& s) {
  AnsiString out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != ch) {
      out += s[i];
    } else if (i + 1 < s.size() && s[i + 1] == ch) {
      out += ch;
      ++i;
    }
  }
  return out;
}

AnsiString StringListToText(const TStrings* list) {
  AnsiString text;
  for (int i = 0; i < list->Count(); ++i) text += list->Get(i);
  return text;
}

void StringToPassword(AnsiString& s, char ch) { std::fill(s.begin(), s.end(), ch); }

AnsiString ShiftCase(const AnsiString& s) {
  static constexpr std::string_view kWordStarts = " ',-.";
  AnsiString out;
  for (size_t i = 0; i < s.size(); ++i) {
    const bool wordStart = i == 0 || kWordStarts.find(s[i - 1]) != std::string_view::npos;
    const size_t mc = out.find(" Mc");
    const bool afterMc = out == "Mc" || (mc != AnsiString::npos && mc + 3 == i);
    const bool inLastThree = i + 3 >= s.size();
    const bool numeral = inLastThree && out.size() >= 2 &&
                         (out.ends_with(" I") || out.ends_with(" II"));
    out += wordStart || afterMc || numeral ? UpCase(s[i]) : LowCase(s[i]);
  }
  return out;
}

// ---- Search and small routines ----

int CharPos(char ch, std::string_view s) { return Position(s.find(ch)); }

int VarCharPos(char ch, std::string_view s, int& pos) {
  const int found = CharPos(ch, s);
  if (found > 0) pos = found;
  return found;
}

int VarCharPosNC(char ch, std::string_view s, int& pos) {
  for (size_t i = 0; i < s.size(); ++i)
    if (UpCase(s[i]) == ch) return pos = static_cast<int>(i) + 1;
  return 0;
}

int VarPos(std::string_view sub, std::string_view s, int& pos) { return pos = Position(s.find(sub)); }

int FIPos(std::string_view sub, std::string_view s) { return Position(UpperCase(s).find(sub)); }

int SinglePos(char ch, std::string_view s, int& pos) {
  int run = 0;
  pos = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == ch) {
      ++run;
      if (i + 1 == s.size()) pos = static_cast<int>(s.size());
    } else if (run % 2 == 1) {
      pos = static_cast<int>(i);
      break;
    } else {
      run = 0;
    }
  }
  return pos;
}

int NumSingleChar(char ch, std::string_view s) {
  int count = 0;
  for (int pos; SinglePos(ch, s, pos) > 0; s.remove_prefix(pos)) ++count;
  return count;
}

int NumChar(char ch, std::string_view s) { return static_cast<int>(std::count(s.begin(), s.end(), ch)); }

int NumCharInStr(char ch, std::string_view s) { return NumChar(ch, s); }

char FirstChar(std::string_view set, std::string_view s, int& pos) {
  int quotes = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '"') ++quotes;
    if (quotes % 2 == 0 && set.find(s[i]) != std::string_view::npos) {
      pos = static_cast<int>(i) + 1;
      return s[i];
    }
  }
  pos = -1;
  return '\0';
}

AnsiString GetToken(AnsiString& s, std::string_view delim) {
  const size_t at = s.find(delim);
  if (delim.empty() || at == AnsiString::npos) return AnsiString();
  AnsiString token = s.substr(0, at);
  s.erase(0, at + 1);
  return token;
}

bool IsURL(std::string_view s) {
  return s.find("://") != std::string_view::npos || s.find("mailto:") != std::string_view::npos;
}

void StripURLProtocol(AnsiString& s) {
  for (std::string_view protocol : {"://", "mailto:"}) {
    const size_t at = s.find(protocol);
    if (at != AnsiString::npos) {
      s.erase(0, at + protocol.size());
      return;
    }
  }
}

int StrPosWide(std::u16string_view sub, std::u16string_view s) {
  if (sub.empty()) return 0;
  return Position(s.find(sub));
}

int Max(int a, int b) { return a > b ? a : b; }

int Min(int a, int b) { return a < b ? a : b; }

int CheckLimits(int value, int min, int max) {
  if (min == max) return value;
  if (value < min && min >= 1) value = min;
  if (value > max && max >= 1) value = max;
  return value;
}

bool IsInGridRect(const TGridRect& rect, int col, int row) { return rect.Contains(col, row); }

bool NameToCell(std::string_view name, TPoint& point) {
  const AnsiString upper = UpperCase(name);
  if (upper.size() < 4 || upper[0] != 'R') return false;
  const size_t c = upper.find('C');
  if (c == AnsiString::npos) return false;
  int row = 0, col = 0;
  if (!TryStrToInt(std::string_view(upper).substr(1, c - 1), row) ||
      !TryStrToInt(std::string_view(upper).substr(c + 1), col))
    return false;
  point = Point(col, row);
  return true;
}

AnsiString RectString(const TRect& rect) {
  return "[" + IntToStr(rect.Left) + ":" + IntToStr(rect.Top) + "][" + IntToStr(rect.Right) + ":" +
         IntToStr(rect.Bottom) + "]";
}

AnsiString FixDecimalSeparator(const AnsiString& s) {
  AnsiString out = s;
  const size_t comma = out.find(',');
  if (FormatSettings.DecimalSeparator == ',' && comma != AnsiString::npos) out[comma] = '.';
  return out;
}
