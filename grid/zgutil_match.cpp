// The filter and search matcher: comparisons and wildcard patterns joined
// into filter expressions.
#include <QString>
#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

#include "grid/zgutil.h"

namespace {

// The longest text an ordinal comparison looks at.
constexpr size_t kCompareLength = 255;

AnsiString AnsiUpperCase(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toUpper().toStdString();
}

// A text ends at its first character 0.
std::string_view UpToNul(std::string_view s) { return s.substr(0, s.find('\0')); }

bool InsideQuotes(std::string_view s, size_t index) {
  return std::count(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(index), '"') % 2 == 1;
}

// The operand of a comparison operator at `op`: an '=' right after it makes
// the test inclusive; the operand runs past blanks to the next blank, the
// end, or an '&' or '|' outside quotes, without its enclosing quotes.
AnsiString ReadOperand(std::string_view pattern, size_t op, bool* inclusive) {
  size_t i = op + 1;
  const bool orEqual = i < pattern.size() && pattern[i] == '=';
  if (orEqual) ++i;
  if (inclusive) *inclusive = orEqual;
  while (i < pattern.size() && pattern[i] == ' ') ++i;
  size_t end = i;
  while (end < pattern.size() && pattern[end] != ' ' &&
         !((pattern[end] == '&' || pattern[end] == '|') && !InsideQuotes(pattern, end)))
    ++end;
  std::string_view operand = pattern.substr(i, end - i);
  if (operand.starts_with('"')) operand.remove_prefix(1);
  if (operand.ends_with('"')) operand.remove_suffix(1);
  return AnsiString(operand);
}

std::optional<double> AsNumber(std::string_view s) {
  AnsiString text;
  for (char c : s) {
    if (c == FormatSettings.ThousandSeparator) continue;
    text += c == FormatSettings.DecimalSeparator ? '.' : c;
  }
  const char* begin = text.data();
  const char* end = text.data() + text.size();
  if (begin != end && *begin == '+') ++begin;
  double value = 0;
  auto [stop, ec] = std::from_chars(begin, end, value);
  if (text.empty() || ec != std::errc() || stop != end) return std::nullopt;
  return value;
}

// A date in the field order of the locale's short date format; fields that
// pass the day and month limits but form no date count as no date.
std::optional<double> AsDate(std::string_view s) {
  const AnsiString format = UpperCase(FormatSettings.ShortDateFormat);
  std::vector<std::pair<size_t, char>> order;
  for (char field : {'D', 'M', 'Y'}) {
    const size_t at = format.find(field);
    if (at == AnsiString::npos) return std::nullopt;
    order.emplace_back(at, field);
  }
  std::sort(order.begin(), order.end());
  TStringList parts;
  parts.SetDelimiter(FormatSettings.DateSeparator);
  parts.SetStrictDelimiter(true);
  parts.SetDelimitedText(s);
  if (parts.Count() != 3) return std::nullopt;
  int day = 0, month = 0, year = 0;
  for (int i = 0; i < 3; ++i) {
    int& field = order[i].second == 'D' ? day : order[i].second == 'M' ? month : year;
    if (!TryStrToInt(parts.Get(i), field)) return std::nullopt;
  }
  TDateTime date;
  if (day >= 32 || month >= 13 || !TryEncodeDate(year, month, day, date)) return std::nullopt;
  return date.Val;
}

// <0, 0 or >0 as value compares to operand: as numbers, else as dates,
// else as texts.
int Compare(std::string_view value, std::string_view operand) {
  if (auto a = AsNumber(value), b = AsNumber(operand); a && b) return *a < *b ? -1 : *a > *b ? 1 : 0;
  if (auto a = AsDate(value), b = AsDate(operand); a && b) return *a < *b ? -1 : *a > *b ? 1 : 0;
  return value.substr(0, kCompareLength).compare(operand.substr(0, kCompareLength));
}

// A wildcard pattern as tokens: '*' runs, '?' and literal characters.
struct Token {
  enum Kind { Star, AnyOne, Literal } kind;
  char ch;
};

bool MatchTokens(const std::vector<Token>& tokens, size_t t, std::string_view value, size_t v) {
  for (; t < tokens.size(); ++t) {
    if (tokens[t].kind == Token::Star) {
      for (size_t rest = value.size() + 1; rest-- > v;)
        if (MatchTokens(tokens, t + 1, value, rest)) return true;
      return false;
    }
    if (v >= value.size() || (tokens[t].kind == Token::Literal && tokens[t].ch != value[v])) return false;
    ++v;
  }
  return v == value.size();
}

bool MatchWildcards(std::string_view pattern, std::string_view value) {
  std::vector<Token> tokens;
  bool negate = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '!') {
      negate = true;
    } else if (c == '"') {
      continue;
    } else if (c == '*') {
      if (tokens.empty() || tokens.back().kind != Token::Star) tokens.push_back({Token::Star, c});
    } else if (c == '?') {
      tokens.push_back({Token::AnyOne, c});
    } else if (c == '\\' && i + 1 < pattern.size()) {
      tokens.push_back({Token::Literal, pattern[++i]});
    } else {
      tokens.push_back({Token::Literal, c});
    }
  }
  return MatchTokens(tokens, 0, value, 0) != negate;
}

bool Contains(std::string_view s, char c) { return s.find(c) != std::string_view::npos; }

}  // namespace

bool Matches(std::string_view pattern, std::string_view value) {
  pattern = UpToNul(pattern);
  value = UpToNul(value);
  bool greater = false, less = false;
  bool greaterDone = false, lessDone = false;
  if (const size_t op = pattern.find('>'); op != std::string_view::npos) {
    bool inclusive = false;
    const int order = Compare(value, ReadOperand(pattern, op, &inclusive));
    greater = inclusive ? order >= 0 : order > 0;
    greaterDone = true;
  }
  if (const size_t op = pattern.find('<'); op != std::string_view::npos) {
    bool inclusive = false;
    const int order = Compare(value, ReadOperand(pattern, op, &inclusive));
    less = inclusive ? order <= 0 : order < 0;
    lessDone = true;
  }
  if (Contains(pattern, '!')) {
    if (!greaterDone) greater = greaterDone = true;
    if (!lessDone) less = lessDone = true;
  }
  if (Contains(pattern, '^') && (greaterDone || lessDone))
    return (greater || !greaterDone) || (less || !lessDone);
  if (Contains(pattern, '&') && greaterDone && lessDone) return greater && less;
  if ((Contains(pattern, '>') && greater) || (Contains(pattern, '<') && less)) return true;
  return MatchWildcards(pattern, value);
}

bool MatchStr(std::string_view pattern, std::string_view value, bool caseSensitive) {
  if (caseSensitive) return Matches(pattern, value);
  return Matches(AnsiUpperCase(pattern), AnsiUpperCase(value));
}

bool MatchStrEx(std::string_view filter, std::string_view value, bool caseSensitive) {
  const AnsiString trimmed = Trim(filter);
  AnsiString text;
  for (size_t i = 0; i < trimmed.size(); ++i)
    if (trimmed[i] != ' ' || InsideQuotes(trimmed, i)) text += trimmed[i];
  if (text.starts_with('=')) text.erase(0, 1);

  static constexpr std::string_view kOperators = "&|^;";
  bool result = false;
  char op = '\0';  // none before the first part
  std::string_view rest = text;
  while (true) {
    int pos = 0;
    const char next = FirstChar(kOperators, rest, pos);
    const std::string_view part = next ? rest.substr(0, pos - 1) : rest;
    const bool matched = MatchStr(part, value, caseSensitive);
    result = op == '\0' ? matched : op == '&' ? result && matched : result || matched;
    if (!next) return result;
    op = next;
    rest.remove_prefix(pos);
  }
}
