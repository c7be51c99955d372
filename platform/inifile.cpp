#include "platform/inifile.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <optional>

#include "platform/lasterror.h"
#include "platform/textfile.h"

namespace platform {

namespace {

// An INI file as its lines, so that a write changes only the lines it must.
struct IniDocument {
  std::vector<std::string> lines;
  bool crlf = false;
};

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

IniDocument ParseDocument(std::string_view text) {
  IniDocument doc;
  std::size_t firstBreak = text.find('\n');
  doc.crlf = firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r';
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    doc.lines.emplace_back(line);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return doc;
}

std::string SerializeDocument(const IniDocument& doc) {
  const char* newline = doc.crlf ? "\r\n" : "\n";
  std::string text;
  for (const std::string& line : doc.lines) {
    text += line;
    text += newline;
  }
  return text;
}

// A section's lines: the header and everything up to the next header.
struct SectionRange {
  std::size_t header;
  std::size_t end;
};

std::size_t NextHeader(const IniDocument& doc, std::size_t from) {
  for (std::size_t i = from; i < doc.lines.size(); ++i) {
    if (ClassifyLine(doc.lines[i]).kind == LineKind::kSection) return i;
  }
  return doc.lines.size();
}

std::vector<SectionRange> FindSections(const IniDocument& doc, std::string_view section) {
  std::vector<SectionRange> found;
  for (std::size_t i = NextHeader(doc, 0); i < doc.lines.size(); i = NextHeader(doc, i + 1)) {
    if (EqualsIgnoringCase(ClassifyLine(doc.lines[i]).name, section)) {
      found.push_back({i, NextHeader(doc, i + 1)});
    }
  }
  return found;
}

std::optional<SectionRange> FirstSection(const IniDocument& doc, std::string_view section) {
  std::vector<SectionRange> all = FindSections(doc, TrimSpaces(section));
  if (all.empty()) return std::nullopt;
  return all.front();
}

std::vector<std::size_t> KeyLines(const IniDocument& doc, SectionRange range, std::string_view ident) {
  std::vector<std::size_t> found;
  for (std::size_t i = range.header + 1; i < range.end; ++i) {
    IniLine line = ClassifyLine(doc.lines[i]);
    if (line.kind == LineKind::kKey && EqualsIgnoringCase(line.name, ident)) found.push_back(i);
  }
  return found;
}

std::optional<std::string> FindValue(const IniDocument& doc, std::string_view section, std::string_view ident) {
  std::optional<SectionRange> range = FirstSection(doc, section);
  if (!range) return std::nullopt;
  std::vector<std::size_t> keys = KeyLines(doc, *range, TrimSpaces(ident));
  if (keys.empty()) return std::nullopt;
  return std::string(Unquote(ClassifyLine(doc.lines[keys.front()]).value));
}

bool IsSingleLine(std::string_view text) {
  return text.find_first_of("\r\n") == std::string_view::npos && text.find('\0') == std::string_view::npos;
}

bool ValidSectionName(std::string_view section) {
  return !section.empty() && IsSingleLine(section) && section.find(']') == std::string_view::npos;
}

bool ValidKeyName(std::string_view ident) {
  return !ident.empty() && IsSingleLine(ident) && ident.find('=') == std::string_view::npos &&
         ident.front() != ';' && ident.front() != '[';
}

void SetValue(IniDocument& doc, std::string_view section, std::string_view ident, std::string_view value) {
  std::optional<SectionRange> range = FirstSection(doc, section);
  if (!range) {
    if (!doc.lines.empty() && !TrimSpaces(doc.lines.back()).empty()) doc.lines.emplace_back();
    doc.lines.push_back("[" + std::string(section) + "]");
    doc.lines.push_back(std::string(ident) + "=" + std::string(value));
    return;
  }
  std::vector<std::size_t> keys = KeyLines(doc, *range, ident);
  if (!keys.empty()) {
    std::string stored(ClassifyLine(doc.lines[keys.front()]).name);
    doc.lines[keys.front()] = stored + "=" + std::string(value);
    return;
  }
  // After the section's last non-blank line, so blank separators stay below it.
  std::size_t insertAt = range->end;
  while (insertAt > range->header + 1 && TrimSpaces(doc.lines[insertAt - 1]).empty()) --insertAt;
  doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                   std::string(ident) + "=" + std::string(value));
}

// Returns true when the document changed.
bool RemoveSections(IniDocument& doc, std::string_view section) {
  std::vector<SectionRange> ranges = FindSections(doc, section);
  for (auto it = ranges.rbegin(); it != ranges.rend(); ++it) {
    doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(it->header),
                    doc.lines.begin() + static_cast<std::ptrdiff_t>(it->end));
  }
  return !ranges.empty();
}

bool RemoveKey(IniDocument& doc, std::string_view section, std::string_view ident) {
  std::optional<SectionRange> range = FirstSection(doc, section);
  if (!range) return false;
  std::vector<std::size_t> keys = KeyLines(doc, *range, ident);
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
    doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(*it));
  }
  return !keys.empty();
}

// Parses the leading number as GetPrivateProfileInt does; wraps to 32 bits.
std::optional<std::int32_t> LeadingNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
      std::isxdigit(static_cast<unsigned char>(text[2]))) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint32_t value = 0;
  std::size_t digits = 0;
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
      digit = static_cast<unsigned>(std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
    } else {
      break;
    }
    value = value * base + digit;
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::mutex& WriteMutex() {
  static std::mutex mutex;
  return mutex;
}

// A missing file reads as an empty document; one that cannot be read gives
// nothing, so that a write never replaces content it could not see.
std::optional<IniDocument> LoadDocument(const std::string& path) {
  std::string text;
  if (ReadWholeFile(path, &text)) return ParseDocument(text);
  if (GetLastError() == kErrorFileNotFound) return IniDocument{};
  return std::nullopt;
}

IniDocument LoadForReading(const std::string& path) { return LoadDocument(path).value_or(IniDocument{}); }

// Runs one change under the process's and the directory's write lock and
// saves the file when the change says it changed something.
template <typename Change>
bool ChangeDocument(const std::string& path, Change change) {
  std::lock_guard<std::mutex> hold(WriteMutex());
  DirectoryLock turn(DirectoryOf(path));
  std::optional<IniDocument> doc = LoadDocument(path);
  if (!doc) return false;
  if (!change(*doc)) return true;
  return ReplaceFileAtomically(path, SerializeDocument(*doc));
}

std::string WindowsNameToPath(std::string_view name) {
  std::string path(name);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace

IniFile::IniFile(std::string_view fileName) : path_(WindowsNameToPath(fileName)) {}

std::string IniFile::ReadString(std::string_view section, std::string_view ident,
                                std::string_view defaultValue) const {
  std::optional<std::string> value = FindValue(LoadForReading(path_), section, ident);
  return value ? *value : std::string(defaultValue);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view ident,
                                  std::int32_t defaultValue) const {
  std::optional<std::string> value = FindValue(LoadForReading(path_), section, ident);
  if (!value) return defaultValue;
  return LeadingNumber(*value).value_or(defaultValue);
}

bool IniFile::ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

bool IniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value) {
  section = TrimSpaces(section);
  ident = TrimSpaces(ident);
  if (!ValidSectionName(section) || !ValidKeyName(ident) || !IsSingleLine(value)) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  return ChangeDocument(path_, [&](IniDocument& doc) {
    SetValue(doc, section, ident, value);
    return true;
  });
}

bool IniFile::WriteInteger(std::string_view section, std::string_view ident, std::int32_t value) {
  return WriteString(section, ident, std::to_string(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view ident, bool value) {
  return WriteString(section, ident, value ? "1" : "0");
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const {
  IniDocument doc = LoadForReading(path_);
  std::vector<std::string> keys;
  std::optional<SectionRange> range = FirstSection(doc, section);
  if (!range) return keys;
  for (std::size_t i = range->header + 1; i < range->end; ++i) {
    IniLine line = ClassifyLine(doc.lines[i]);
    bool seen = std::any_of(keys.begin(), keys.end(),
                            [&](const std::string& key) { return EqualsIgnoringCase(key, line.name); });
    if (line.kind == LineKind::kKey && !seen) keys.emplace_back(line.name);
  }
  return keys;
}

std::vector<std::string> IniFile::ReadSections() const {
  IniDocument doc = LoadForReading(path_);
  std::vector<std::string> sections;
  for (std::size_t i = NextHeader(doc, 0); i < doc.lines.size(); i = NextHeader(doc, i + 1)) {
    std::string_view name = ClassifyLine(doc.lines[i]).name;
    bool seen = std::any_of(sections.begin(), sections.end(),
                            [&](const std::string& known) { return EqualsIgnoringCase(known, name); });
    if (!seen) sections.emplace_back(name);
  }
  return sections;
}

bool IniFile::SectionExists(std::string_view section) const {
  return FirstSection(LoadForReading(path_), section).has_value();
}

bool IniFile::ValueExists(std::string_view section, std::string_view ident) const {
  return FindValue(LoadForReading(path_), section, ident).has_value();
}

bool IniFile::EraseSection(std::string_view section) {
  return ChangeDocument(path_, [&](IniDocument& doc) { return RemoveSections(doc, TrimSpaces(section)); });
}

bool IniFile::DeleteKey(std::string_view section, std::string_view ident) {
  return ChangeDocument(path_, [&](IniDocument& doc) {
    return RemoveKey(doc, TrimSpaces(section), TrimSpaces(ident));
  });
}

}  // namespace platform
