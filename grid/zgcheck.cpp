#include "grid/zgcheck.h"

#include <algorithm>
#include <vector>

namespace {

char UpCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A line-break tag, which the visible text shows as CR LF.
bool IsBreakTag(const AnsiString& s, std::size_t at) {
  if (s.size() - at < 4) return false;
  const AnsiString tag = UpperCase(s.substr(at, 4));
  return tag == "<BR>" || tag == "<HR>";
}

// The position of the ">" that closes the tag opened at `at`, or npos when
// the "<" is not closed (it and the rest then count as visible text).
std::size_t TagEnd(const AnsiString& s, std::size_t at) { return s.find('>', at + 1); }

AnsiString VisibleText(const AnsiString& s) {
  AnsiString visible;
  std::size_t i = 0;
  while (i < s.size()) {
    const std::size_t end = s[i] == '<' ? TagEnd(s, i) : AnsiString::npos;
    if (end == AnsiString::npos) {
      visible += s[i++];
      continue;
    }
    if (IsBreakTag(s, i)) visible += "\r\n";
    i = end + 1;
  }
  return visible;
}

// The raw index in s at which the visible character with the 0-based index
// n stands, or before the tags that precede it; s.size() past the end.
// Line-break tags count their two visible characters, as VisibleText does,
// so occurrences after them land where they were found.
std::size_t RawIndex(const AnsiString& s, std::size_t n) {
  std::size_t count = 0;
  std::size_t i = 0;
  while (i < s.size()) {
    if (count >= n) return i;
    const std::size_t end = s[i] == '<' ? TagEnd(s, i) : AnsiString::npos;
    if (end == AnsiString::npos) {
      ++count;
      ++i;
      continue;
    }
    if (IsBreakTag(s, i)) count += 2;
    i = end + 1;
  }
  return s.size();
}

}  // namespace

TVudUvizidIzedCheck::TVudUvizidIzedCheck(TComponent* owner) : TComponent(owner) {}

AnsiString TVudUvizidIzedCheck::MarkError(int, int, AnsiString s) { return s; }
AnsiString TVudUvizidIzedCheck::Correct(int, int, AnsiString s) { return s; }
void TVudUvizidIzedCheck::StartCheck() {}
void TVudUvizidIzedCheck::StopCheck() {}

AnsiString TVudUvizidIzedCheck::HiLight(const AnsiString& s, const AnsiString& h, const AnsiString& tag,
                                        bool caseSensitive) {
  if (h.empty()) return s;
  const AnsiString visible = caseSensitive ? VisibleText(s) : UpperCase(VisibleText(s));
  const AnsiString search = caseSensitive ? h : UpperCase(h);
  std::vector<std::size_t> found;
  for (std::size_t at = visible.find(search); at != AnsiString::npos; at = visible.find(search, at + search.size()))
    found.push_back(at);
  const AnsiString open = "<" + tag + ">", close = "</" + tag + ">";
  AnsiString result = s;
  // An occurrence right after another opens after the other's closing tag,
  // not inside it.
  std::size_t lastClose = 0;
  for (std::size_t at : found) {
    result.insert(std::max(RawIndex(result, at), lastClose), open);
    const std::size_t closeAt = RawIndex(result, at + h.size());
    result.insert(closeAt, close);
    lastClose = closeAt + close.size();
  }
  return result;
}

AnsiString TVudUvizidIzedCheck::ReplaceOnce(const AnsiString& s, const AnsiString& oldText,
                                            const AnsiString& newText) {
  const std::size_t at = oldText.empty() ? AnsiString::npos : s.find(oldText);
  if (at == AnsiString::npos) return s;
  return s.substr(0, at) + newText + s.substr(at + oldText.size());
}

AnsiString TCapitalCheck::Correct(int, int, AnsiString s) {
  char previous = ' ', beforePrevious = '.';
  for (char& c : s) {
    if (previous == ' ' && (beforePrevious == '.' || beforePrevious == '!' || beforePrevious == '?')) c = UpCase(c);
    beforePrevious = previous;
    previous = c;
  }
  return s;
}
