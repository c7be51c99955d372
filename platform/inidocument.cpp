#include "platform/inidocument.h"

#include <algorithm>

#include "platform/textfile.h"

namespace platform {

namespace {

enum class LineKind { kSection, kKey, kOther };

struct IniLine {
  LineKind kind = LineKind::kOther;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed
};

IniLine ClassifyLine(std::string_view raw) {
  std::string_view line = TrimSpaces(raw);
  IniLine result;
  if (line.empty() || line.front() == ';') return result;
  if (line.front() == '[') {
    std::size_t close = line.find(']');
    result.kind = LineKind::kSection;
    result.name = TrimSpaces(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return result;
  }
  std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return result;
  result.kind = LineKind::kKey;
  result.name = TrimSpaces(line.substr(0, equals));
  result.value = TrimSpaces(line.substr(equals + 1));
  return result;
}

// A value in matching quotes is given without them, as Windows does.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// Adds the name unless one equal to it without regard to case is there.
void AddOnce(std::vector<std::string>& names, std::string_view name) {
  bool seen = std::any_of(names.begin(), names.end(),
                          [&](const std::string& known) { return EqualsIgnoringCase(known, name); });
  if (!seen) names.emplace_back(name);
}

}  // namespace

IniDocument IniDocument::FromText(std::string_view text) {
  IniDocument doc;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    Line line;
    if (end == std::string_view::npos) {
      line.text = text;  // the last line, without an ending
      text = {};
    } else {
      const bool crlf = end > 0 && text[end - 1] == '\r';
      line.text = text.substr(0, crlf ? end - 1 : end);
      line.ending = crlf ? "\r\n" : "\n";
      text.remove_prefix(end + 1);
    }
    doc.lines_.push_back(std::move(line));
  }
  if (!doc.lines_.empty() && !doc.lines_.front().ending.empty()) doc.newline_ = doc.lines_.front().ending;
  return doc;
}

std::string IniDocument::ToText() const {
  std::string text;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    text += lines_[i].text;
    // A last line without an ending needs one once lines follow it.
    text += lines_[i].ending.empty() && i + 1 < lines_.size() ? newline_ : lines_[i].ending;
  }
  return text;
}

bool IniDocument::ValidSectionName(std::string_view section) {
  return !section.empty() && IsSingleLine(section) && section.find(']') == std::string_view::npos;
}

bool IniDocument::ValidKeyName(std::string_view ident) {
  return !ident.empty() && IsSingleLine(ident) && ident.find('=') == std::string_view::npos &&
         ident.front() != ';' && ident.front() != '[';
}

bool IniDocument::ValidValue(std::string_view value) { return IsSingleLine(value); }

std::size_t IniDocument::NextHeader(std::size_t from) const {
  for (std::size_t i = from; i < lines_.size(); ++i) {
    if (ClassifyLine(lines_[i].text).kind == LineKind::kSection) return i;
  }
  return lines_.size();
}

std::vector<IniDocument::SectionRange> IniDocument::FindSections(std::string_view section) const {
  section = TrimSpaces(section);
  std::vector<SectionRange> found;
  for (std::size_t i = NextHeader(0); i < lines_.size(); i = NextHeader(i + 1)) {
    if (EqualsIgnoringCase(ClassifyLine(lines_[i].text).name, section)) found.push_back({i, NextHeader(i + 1)});
  }
  return found;
}

std::optional<IniDocument::SectionRange> IniDocument::FirstSection(std::string_view section) const {
  std::vector<SectionRange> all = FindSections(section);
  if (all.empty()) return std::nullopt;
  return all.front();
}

std::vector<std::size_t> IniDocument::KeyLines(SectionRange range, std::string_view ident) const {
  ident = TrimSpaces(ident);
  std::vector<std::size_t> found;
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    IniLine line = ClassifyLine(lines_[i].text);
    if (line.kind == LineKind::kKey && EqualsIgnoringCase(line.name, ident)) found.push_back(i);
  }
  return found;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view ident) const {
  std::optional<SectionRange> range = FirstSection(section);
  if (!range) return std::nullopt;
  std::vector<std::size_t> keys = KeyLines(*range, ident);
  if (keys.empty()) return std::nullopt;
  return std::string(Unquote(ClassifyLine(lines_[keys.front()].text).value));
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> keys;
  std::optional<SectionRange> range = FirstSection(section);
  if (!range) return keys;
  for (std::size_t i = range->header + 1; i < range->end; ++i) {
    IniLine line = ClassifyLine(lines_[i].text);
    if (line.kind == LineKind::kKey) AddOnce(keys, line.name);
  }
  return keys;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> sections;
  for (std::size_t i = NextHeader(0); i < lines_.size(); i = NextHeader(i + 1)) {
    AddOnce(sections, ClassifyLine(lines_[i].text).name);
  }
  return sections;
}

bool IniDocument::HasSection(std::string_view section) const { return FirstSection(section).has_value(); }

void IniDocument::InsertLine(std::size_t at, std::string text) {
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), newline_});
}

void IniDocument::SetValue(std::string_view section, std::string_view ident, std::string_view value) {
  std::string keyLine = std::string(ident) + "=" + std::string(value);
  std::optional<SectionRange> range = FirstSection(section);
  if (!range) {
    if (!lines_.empty() && !TrimSpaces(lines_.back().text).empty()) InsertLine(lines_.size(), "");
    InsertLine(lines_.size(), "[" + std::string(section) + "]");
    InsertLine(lines_.size(), std::move(keyLine));
    return;
  }
  std::vector<std::size_t> keys = KeyLines(*range, ident);
  if (!keys.empty()) {
    // The key keeps the spelling it has in the file, and its line its ending.
    std::string& text = lines_[keys.front()].text;
    text = std::string(ClassifyLine(text).name) + "=" + std::string(value);
    return;
  }
  // After the section's last non-blank line, so blank separators stay below it.
  std::size_t insertAt = range->end;
  while (insertAt > range->header + 1 && TrimSpaces(lines_[insertAt - 1].text).empty()) --insertAt;
  InsertLine(insertAt, std::move(keyLine));
}

bool IniDocument::RemoveSections(std::string_view section) {
  std::vector<SectionRange> ranges = FindSections(section);
  for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(it->header),
                 lines_.begin() + static_cast<std::ptrdiff_t>(it->end));
  }
  return !ranges.empty();
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view ident) {
  std::optional<SectionRange> range = FirstSection(section);
  if (!range) return false;
  std::vector<std::size_t> keys = KeyLines(*range, ident);
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*it));
  }
  return !keys.empty();
}

}  // namespace platform
