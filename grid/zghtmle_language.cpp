// The mark-up language's values: attributes, colours, numbers, entities and
// the attributes of embedded controls.
#include "grid/zghtmle_language.h"

#include <array>
#include <cctype>
#include <utility>

#include "framework/sysutils.h"

namespace markup {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool MatchesAt(std::string_view text, size_t pos, std::string_view upperName) {
  if (pos + upperName.size() > text.size()) return false;
  for (size_t i = 0; i < upperName.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(text[pos + i])) != upperName[i]) return false;
  return true;
}

// Where the "=" of attribute `name` stands, or npos.
size_t FindAttribute(std::string_view tag, std::string_view upperName) {
  bool quoted = false;
  for (size_t i = 0; i < tag.size(); ++i) {
    if (tag[i] == '"') quoted = !quoted;
    if (quoted || i == 0 || !IsBlank(tag[i - 1]) || !MatchesAt(tag, i, upperName)) continue;
    size_t after = i + upperName.size();
    while (after < tag.size() && IsBlank(tag[after])) ++after;
    if (after < tag.size() && tag[after] == '=') return after;
  }
  return std::string_view::npos;
}

void ReplaceAll(AnsiString& s, std::string_view from, std::string_view to, bool ignoreCase) {
  // Repeated while present: a replacement may form the sequence again.
  for (;;) {
    const AnsiString next = StringReplace(s, from, to, true, ignoreCase);
    if (next == s) return;
    s = next;
  }
}

int HexDigit(char c) {
  const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  return -1;
}

struct NamedColor {
  const char* name;
  TColor color;
};

constexpr std::array<NamedColor, 40> kNamedColors{{
    {"clred", clRed},
    {"clblack", clBlack},
    {"clblue", clBlue},
    {"clgreen", clGreen},
    {"claqua", clAqua},
    {"clyellow", clYellow},
    {"clfuchsia", clFuchsia},
    {"clwhite", clWhite},
    {"cllime", clLime},
    {"clsilver", clSilver},
    {"clgray", clGray},
    {"clolive", clOlive},
    {"clnavy", clNavy},
    {"clpurple", clPurple},
    {"clteal", clTeal},
    {"clmaroon", clMaroon},
    {"clbackground", clBackground},
    {"clactivecaption", clActiveCaption},
    {"clinactivecaption", clInactiveCaption},
    {"clmenu", clMenu},
    {"clwindow", clWindow},
    {"clwindowframe", clWindowFrame},
    {"clmenutext", clMenuText},
    {"clwindowtext", clWindowText},
    {"clcaptiontext", clCaptionText},
    {"clactiveborder", clActiveBorder},
    {"clinactiveborder", clInactiveBorder},
    {"clappworkspace", clAppWorkSpace},
    {"clhighlight", clHighlight},
    {"clhighlighttext", clHighlightText},
    {"clbtnface", clBtnFace},
    {"clbtnshadow", clBtnShadow},
    {"clgraytext", clGrayText},
    {"clbtntext", clBtnText},
    {"clinactivecaptiontext", clInactiveCaptionText},
    {"clbtnhighlight", clBtnHighlight},
    {"cl3ddkshadow", cl3DDkShadow},
    {"cl3dlight", cl3DLight},
    {"clinfotext", clInfoText},
    {"clinfobk", clInfoBk},
}};

// Entities replaced over the whole text before layout (the visible
// characters as UTF-8).
constexpr std::array<std::pair<const char*, const char*>, 8> kEntities{{
    {"&quot;", "\""},
    {"&sect;", "\xC2\xA7"},
    {"&permil;", "\xE2\x80\xB0"},
    {"&reg;", "\xC2\xAE"},
    {"&copy;", "\xC2\xA9"},
    {"&para;", "\xC2\xB6"},
    {"&trade;", "\xE2\x84\xA2"},
    {"&euro;", "\xE2\x82\xAC"},
}};

}  // namespace

std::optional<AnsiString> Attribute(std::string_view tag, std::string_view name, bool asWritten) {
  const size_t equals = FindAttribute(tag, name);
  if (equals == std::string_view::npos) return std::nullopt;
  const size_t open = tag.find('"', equals);
  const size_t close = open == std::string_view::npos ? open : tag.find('"', open + 1);
  if (close == std::string_view::npos) return AnsiString();
  const std::string_view value = tag.substr(open + 1, close - open - 1);
  return asWritten ? AnsiString(value) : UpperCase(value);
}

std::optional<TColor> ColorAttribute(std::string_view tag, std::string_view name) {
  const std::optional<AnsiString> value = Attribute(tag, name);
  if (!value) return std::nullopt;
  if (!value->empty() && value->front() == '#') {
    const TColor color = HexToColor(*value);
    if (color == clNone) return std::nullopt;
    return color;
  }
  return TextToColor(*value);
}

std::optional<int> WholeNumber(std::string_view s) {
  const bool negative = !s.empty() && s.front() == '-';
  if (negative) s.remove_prefix(1);
  if (s.empty() || s.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

AnsiString PrepareText(std::string_view text, bool doubleAmpersand) {
  AnsiString s(text);
  // "<#word>" shows as "#word".
  for (size_t pos = s.find("<#"); pos != AnsiString::npos; pos = s.find("<#", pos)) {
    s.erase(pos, 1);
    const size_t close = s.find('>', pos);
    if (close != AnsiString::npos) s.erase(close, 1);
  }
  AnsiString prepared;
  prepared.reserve(s.size());
  for (char c : s) {
    if (c == '\r') prepared += "<BR>";
    else if (c != '\n') prepared += c;
  }
  if (prepared.find('&') == AnsiString::npos) return prepared;
  ReplaceAll(prepared, "&amp;", doubleAmpersand ? "&&" : "&", true);
  for (const auto& [entity, character] : kEntities) ReplaceAll(prepared, entity, character, true);
  return prepared;
}

AnsiString DecodePiece(std::string_view piece) {
  if (piece.find('&') == std::string_view::npos) return AnsiString(piece);
  AnsiString s(piece);
  ReplaceAll(s, "&nbsp;", " ", false);
  ReplaceAll(s, "&lt;", "<", false);
  ReplaceAll(s, "&gt;", ">", false);
  return s;
}

namespace {

// The reverse of FixMarkup, in one pass so that an escaped entity such as
// "&amp;lt;" comes back as written ("&lt;") and not decoded twice.
AnsiString DecodeValue(std::string_view s) {
  static constexpr std::array<std::pair<std::string_view, char>, 4> kEscapes{
      {{"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}, {"&quot;", '"'}}};
  AnsiString decoded;
  for (size_t i = 0; i < s.size();) {
    bool replaced = false;
    for (const auto& [escape, c] : kEscapes) {
      if (s.substr(i, escape.size()) == escape) {
        decoded += c;
        i += escape.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) decoded += s[i++];
  }
  return decoded;
}

}  // namespace

ControlTag ReadControlTag(std::string_view tag) {
  auto read = [tag](std::string_view name) { return Attribute(tag, name, true).value_or(AnsiString()); };
  ControlTag control;
  control.type = UpperCase(read("TYPE"));
  control.id = read("ID");
  control.value = DecodeValue(read("VALUE"));
  control.width = read("WIDTH");
  control.prop = read("PROP");
  return control;
}

}  // namespace markup

TColor HexToColor(const AnsiString& value) {
  std::string_view digits = value;
  if (!digits.empty() && digits.front() == '#') digits.remove_prefix(1);
  int channels[3] = {0, 0, 0};
  for (int channel = 0; channel < 3; ++channel) {
    const size_t at = static_cast<size_t>(channel) * 2;
    if (at + 2 > digits.size()) break;  // a missing pair counts 0
    const int high = markup::HexDigit(digits[at]);
    const int low = markup::HexDigit(digits[at + 1]);
    if (high < 0 || low < 0) return clNone;
    channels[channel] = high * 16 + low;
  }
  return RGB(channels[0], channels[1], channels[2]);
}

TColor TextToColor(const AnsiString& name) {
  const AnsiString lower = LowerCase(name);
  for (const markup::NamedColor& named : markup::kNamedColors)
    if (lower == named.name) return named.color;
  return clBlack;
}
