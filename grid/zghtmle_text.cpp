// Mark-up text without drawing: stripping, highlighting, escaping, and the
// embedded form controls read and rewritten by identifier.
#include <vector>

#include "framework/sysutils.h"
#include "grid/zghtmle.h"
#include "grid/zghtmle_language.h"

namespace {

AnsiString RemoveTags(const AnsiString& s) {
  AnsiString visible;
  visible.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const size_t close = s[i] == '<' ? s.find('>', i) : AnsiString::npos;
    if (close == AnsiString::npos) {
      visible += s[i];
    } else {
      i = close;
    }
  }
  return visible;
}

// Removes every section from `open` to `close` (exact case) with its text; an
// unclosed section runs to the end.
AnsiString RemoveSections(AnsiString s, std::string_view open, std::string_view close) {
  for (size_t start = s.find(open); start != AnsiString::npos; start = s.find(open, start)) {
    const size_t end = s.find(close, start + open.size());
    s.erase(start, end == AnsiString::npos ? AnsiString::npos : end + close.size() - start);
  }
  return s;
}

// The visible text of s (tags removed; a "<" without ">" is visible) and,
// for each visible position n, the raw position at which a tag inserted
// before visible character n goes: right after visible character n - 1.
struct VisibleMap {
  AnsiString text;
  std::vector<size_t> insertAt;  // text.size() + 1 entries
};

VisibleMap MapVisible(const AnsiString& s) {
  VisibleMap map;
  map.insertAt.push_back(0);
  for (size_t i = 0; i < s.size(); ++i) {
    const size_t close = s[i] == '<' ? s.find('>', i) : AnsiString::npos;
    if (close != AnsiString::npos) {
      i = close;
      continue;
    }
    map.text += s[i];
    map.insertAt.push_back(i + 1);
  }
  // A tag after the last visible character goes to the very end.
  map.insertAt.back() = s.size();
  return map;
}

// Each "<CONTROL ...>" tag of s, in order: where it starts and ends and what
// it holds.
struct ControlSpan {
  size_t start;
  size_t end;  // one past its ">"
  markup::ControlTag tag;
};

std::vector<ControlSpan> ControlSpans(const AnsiString& s) {
  std::vector<ControlSpan> spans;
  const AnsiString upper = UpperCase(s);
  for (size_t start = upper.find("<CONTROL "); start != AnsiString::npos;
       start = upper.find("<CONTROL ", start + 1)) {
    const size_t close = s.find('>', start);
    if (close == AnsiString::npos) break;
    spans.push_back({start, close + 1, markup::ReadControlTag(std::string_view(s).substr(start, close + 1 - start))});
  }
  return spans;
}

const ControlSpan* FindControl(const std::vector<ControlSpan>& spans, const AnsiString& id) {
  for (const ControlSpan& span : spans)
    if (span.tag.id == id) return &span;
  return nullptr;
}

bool IsEditableControl(const markup::ControlTag& tag) {
  return tag.type != "BUTTON" && tag.type != "CHECK" && tag.type != "RADIO";
}

}  // namespace

AnsiString HTMLStrip(const AnsiString& s) {
  AnsiString broken = StringReplace(s, "<BR>", "\r\n", true, true);
  broken = StringReplace(broken, "<HR>", "\r\n", true, true);
  return RemoveTags(broken);
}

AnsiString HTMLStripHidden(const AnsiString& s) {
  return HTMLStrip(RemoveSections(RemoveSections(s, "<z>", "</z>"), "<Z>", "</Z>"));
}

AnsiString HiLight(const AnsiString& s, const AnsiString& search, const AnsiString& tag, bool caseSensitive) {
  if (search.empty()) return s;
  const VisibleMap map = MapVisible(s);
  const AnsiString visible = caseSensitive ? map.text : UpperCase(map.text);
  const AnsiString wanted = caseSensitive ? search : UpperCase(search);
  std::vector<size_t> found;
  for (size_t at = visible.find(wanted); at != AnsiString::npos; at = visible.find(wanted, at + wanted.size()))
    found.push_back(at);
  // From the last occurrence to the first, so that the raw positions of the
  // earlier ones stay valid; adjacent occurrences get tags of their own.
  AnsiString marked = s;
  for (auto it = found.rbegin(); it != found.rend(); ++it) {
    marked.insert(map.insertAt[*it + wanted.size()], "</" + tag + ">");
    marked.insert(map.insertAt[*it], "<" + tag + ">");
  }
  return marked;
}

AnsiString UnHiLight(const AnsiString& s, const AnsiString& tag) {
  const AnsiString opened = StringReplace(s, "<" + tag + ">", "", true, true);
  return StringReplace(opened, "</" + tag + ">", "", true, true);
}

AnsiString FixMarkup(const AnsiString& s) {
  AnsiString fixed;
  fixed.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&': fixed += "&amp;"; break;
      case '"': fixed += "&quot;"; break;
      case '<': fixed += "&lt;"; break;
      case '>': fixed += "&gt;"; break;
      default: fixed += c;
    }
  }
  return fixed;
}

AnsiString FixNonBreaking(const AnsiString& s) { return StringReplace(s, " ", "&nbsp;"); }

bool HasHTMLControl(const AnsiString& s) { return UpperCase(s).find("<CONTROL") != AnsiString::npos; }

AnsiString GetNextControlID(const AnsiString& s, const AnsiString& currentID) {
  const std::vector<ControlSpan> spans = ControlSpans(s);
  auto next = spans.begin();
  if (!currentID.empty()) {
    const ControlSpan* current = FindControl(spans, currentID);
    if (!current) return {};
    next = spans.begin() + (current - spans.data()) + 1;
  }
  for (; next != spans.end(); ++next)
    if (IsEditableControl(next->tag)) return next->tag.id;
  return {};
}

bool GetControlValue(const AnsiString& s, const AnsiString& ID, AnsiString& value) {
  const std::vector<ControlSpan> spans = ControlSpans(s);
  const ControlSpan* control = FindControl(spans, ID);
  if (!control) return false;
  value = control->tag.value;
  return true;
}

AnsiString GetControlProp(const AnsiString& s, const AnsiString& ID) {
  const std::vector<ControlSpan> spans = ControlSpans(s);
  const ControlSpan* control = FindControl(spans, ID);
  return control ? control->tag.prop : AnsiString();
}

bool SetControlValue(AnsiString& s, const AnsiString& ID, const AnsiString& value) {
  const std::vector<ControlSpan> spans = ControlSpans(s);
  const ControlSpan* control = FindControl(spans, ID);
  if (!control) return false;
  AnsiString tag = "<CONTROL ID=\"" + control->tag.id + "\" VALUE=\"" + FixMarkup(value) + "\" WIDTH=\"" +
                   control->tag.width + "\" TYPE=\"" + control->tag.type + "\"";
  if (!control->tag.prop.empty()) tag += " PROP=\"" + control->tag.prop + "\"";
  tag += ">";
  s.replace(control->start, control->end - control->start, tag);
  return true;
}
