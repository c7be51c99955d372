#include "platform/inifile.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <optional>

#include "platform/inidocument.h"
#include "platform/lasterror.h"
#include "platform/textfile.h"

namespace platform {

namespace {

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
  if (ReadWholeFile(path, &text)) return IniDocument::FromText(text);
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
  return ReplaceFileAtomically(path, doc->ToText());
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
  std::optional<std::string> value = LoadForReading(path_).Value(section, ident);
  return value ? *value : std::string(defaultValue);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view ident,
                                  std::int32_t defaultValue) const {
  std::optional<std::string> value = LoadForReading(path_).Value(section, ident);
  if (!value) return defaultValue;
  return LeadingNumber(*value).value_or(defaultValue);
}

bool IniFile::ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const {
  return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

bool IniFile::WriteString(std::string_view section, std::string_view ident, std::string_view value) {
  section = TrimSpaces(section);
  ident = TrimSpaces(ident);
  if (!IniDocument::ValidSectionName(section) || !IniDocument::ValidKeyName(ident) ||
      !IniDocument::ValidValue(value)) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  return ChangeDocument(path_, [&](IniDocument& doc) {
    doc.SetValue(section, ident, value);
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
  return LoadForReading(path_).KeyNames(section);
}

std::vector<std::string> IniFile::ReadSections() const { return LoadForReading(path_).SectionNames(); }

bool IniFile::SectionExists(std::string_view section) const { return LoadForReading(path_).HasSection(section); }

bool IniFile::ValueExists(std::string_view section, std::string_view ident) const {
  return LoadForReading(path_).Value(section, ident).has_value();
}

bool IniFile::EraseSection(std::string_view section) {
  return ChangeDocument(path_, [&](IniDocument& doc) { return doc.RemoveSections(section); });
}

bool IniFile::DeleteKey(std::string_view section, std::string_view ident) {
  return ChangeDocument(path_, [&](IniDocument& doc) { return doc.RemoveKey(section, ident); });
}

}  // namespace platform
