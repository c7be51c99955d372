#include "platform/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>

#include "platform/lasterror.h"
#include "platform/textfile.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";
// Separator of folded paths: sorts below every printable character, so a
// key's subkeys follow it directly in the store's order.
constexpr char kFoldedSeparator = '\x01';

struct RegValue {
  std::string name;
  bool isDword = false;
  std::uint32_t dword = 0;
  std::string text;
};

struct RegKey {
  std::string path;  // as created, parts joined by backslashes; "" is the root
  std::vector<RegValue> values;
};

// Keys by folded path. The root ("") is always present.
using KeyMap = std::map<std::string, RegKey>;

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    std::size_t slash = path.find('\\');
    std::string_view part = path.substr(0, slash);
    if (!part.empty()) parts.push_back(part);
    path.remove_prefix(slash == std::string_view::npos ? path.size() : slash + 1);
  }
  return parts;
}

std::string JoinPath(const std::vector<std::string_view>& parts, std::size_t count, char separator) {
  std::string joined;
  for (std::size_t i = 0; i < count; ++i) {
    if (i > 0) joined += separator;
    joined += parts[i];
  }
  return joined;
}

std::string FoldPath(std::string_view path) {
  std::vector<std::string_view> parts = SplitPath(path);
  return FoldCase(JoinPath(parts, parts.size(), kFoldedSeparator));
}

bool IsSingleLine(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos; }

KeyMap EmptyStore() {
  KeyMap keys;
  keys.emplace("", RegKey{});
  return keys;
}

// Makes the key and its parents; true when anything was added.
bool EnsureKey(KeyMap& keys, std::string_view path) {
  std::vector<std::string_view> parts = SplitPath(path);
  bool added = false;
  for (std::size_t count = 1; count <= parts.size(); ++count) {
    std::string folded = FoldCase(JoinPath(parts, count, kFoldedSeparator));
    if (keys.count(folded) == 0) {
      keys.emplace(folded, RegKey{JoinPath(parts, count, '\\'), {}});
      added = true;
    }
  }
  return added;
}

// The folded paths of a key and all its subkeys form one run of the map.
std::pair<KeyMap::iterator, KeyMap::iterator> Subtree(KeyMap& keys, const std::string& folded) {
  if (folded.empty()) return {keys.begin(), keys.end()};
  auto first = keys.find(folded);
  if (first == keys.end()) return {keys.end(), keys.end()};
  auto last = std::next(first);
  std::string prefix = folded + kFoldedSeparator;
  while (last != keys.end() && last->first.compare(0, prefix.size(), prefix) == 0) ++last;
  return {first, last};
}

bool HasSubkeys(const KeyMap& keys, KeyMap::const_iterator key) {
  auto next = std::next(key);
  if (next == keys.end()) return false;
  return key->first.empty() || next->first.compare(0, key->first.size() + 1, key->first + kFoldedSeparator) == 0;
}

RegValue* FindValue(RegKey& key, std::string_view name) {
  for (RegValue& value : key.values) {
    if (EqualsIgnoringCase(value.name, name)) return &value;
  }
  return nullptr;
}

// ---- The .reg text ----

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

std::string SerializeStore(const KeyMap& keys) {
  std::string out(kHeader);
  out += '\n';
  for (auto it = keys.begin(); it != keys.end(); ++it) {
    const RegKey& key = it->second;
    // Keys that only lead to others are implied by their subkeys' sections.
    if (key.values.empty() && (it->first.empty() || HasSubkeys(keys, it))) continue;
    out += "\n[";
    out += kRootName;
    if (!key.path.empty()) out += "\\" + key.path;
    out += "]\n";
    for (const RegValue& value : key.values) {
      if (value.name.empty()) {
        out += '@';
      } else {
        AppendQuoted(out, value.name);
      }
      out += '=';
      if (value.isDword) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x", value.dword);
        out += digits;
      } else {
        AppendQuoted(out, value.text);
      }
      out += '\n';
    }
  }
  return out;
}

// Reads a quoted text at the start of rest and moves rest past it.
bool ParseQuoted(std::string_view& rest, std::string* text, std::string* why) {
  if (rest.empty() || rest.front() != '"') {
    *why = "expected a text in double quotes";
    return false;
  }
  text->clear();
  for (std::size_t i = 1; i < rest.size(); ++i) {
    char c = rest[i];
    if (c == '"') {
      rest.remove_prefix(i + 1);
      return true;
    }
    if (c == '\\') {
      if (i + 1 >= rest.size() || (rest[i + 1] != '\\' && rest[i + 1] != '"')) {
        *why = "a backslash in a quoted text must be followed by \\ or \"";
        return false;
      }
      c = rest[++i];
    }
    *text += c;
  }
  *why = "the closing double quote is missing";
  return false;
}

bool ParseHexDword(std::string_view digits, std::uint32_t* value) {
  if (digits.empty() || digits.size() > 8) return false;
  *value = 0;
  for (char c : digits) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return false;
    }
    *value = *value * 16 + static_cast<std::uint32_t>(digit);
  }
  return true;
}

bool ParseSectionLine(std::string_view line, KeyMap& keys, std::string* current, std::string* why) {
  if (line.back() != ']') {
    *why = "a key line must end with ']'";
    return false;
  }
  std::string_view inner = line.substr(1, line.size() - 2);
  if (!inner.empty() && inner.front() == '-') {
    *why = "removing keys with [-...] is not supported";
    return false;
  }
  std::size_t slash = inner.find('\\');
  if (!EqualsIgnoringCase(inner.substr(0, slash), kRootName)) {
    *why = "only keys under HKEY_LOCAL_MACHINE are kept";
    return false;
  }
  std::string_view path = slash == std::string_view::npos ? std::string_view() : inner.substr(slash + 1);
  EnsureKey(keys, path);
  *current = FoldPath(path);
  return true;
}

bool ParseValueLine(std::string_view line, RegKey& key, std::string* why) {
  RegValue value;
  if (line.front() == '@') {
    line.remove_prefix(1);
  } else if (!ParseQuoted(line, &value.name, why)) {
    return false;
  }
  line = TrimSpaces(line);
  if (line.empty() || line.front() != '=') {
    *why = "expected '=' after the value name";
    return false;
  }
  line = TrimSpaces(line.substr(1));
  if (!line.empty() && line.front() == '"') {
    if (!ParseQuoted(line, &value.text, why)) return false;
    if (!TrimSpaces(line).empty()) {
      *why = "unexpected text after the closing double quote";
      return false;
    }
  } else if (line.size() > 6 && EqualsIgnoringCase(line.substr(0, 6), "dword:")) {
    value.isDword = true;
    if (!ParseHexDword(line.substr(6), &value.dword)) {
      *why = "a dword needs 1 to 8 hexadecimal digits";
      return false;
    }
  } else {
    *why = "only dword:xxxxxxxx and \"text\" values are supported";
    return false;
  }
  if (RegValue* existing = FindValue(key, value.name)) {
    *existing = std::move(value);
  } else {
    key.values.push_back(std::move(value));
  }
  return true;
}

// Parses the file; on failure tells which line is wrong and why.
bool ParseStore(std::string_view text, KeyMap* keys, std::string* why, std::size_t* lineNumber) {
  *keys = EmptyStore();
  *lineNumber = 1;
  if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'))) {
    *why = "the file is UTF-16 text; it must be saved as UTF-8";
    return false;
  }
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  bool headerSeen = false;
  std::string current;
  bool inKey = false;
  for (; !text.empty(); ++*lineNumber) {
    std::size_t end = text.find('\n');
    std::string_view line = TrimSpaces(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (!headerSeen) {
      if (line != kHeader) {
        *why = "the first line must be \"" + std::string(kHeader) + "\"";
        return false;
      }
      headerSeen = true;
      continue;
    }
    bool ok;
    if (line.front() == '[') {
      ok = ParseSectionLine(line, *keys, &current, why);
      inKey = ok;
    } else if (line.front() == '"' || line.front() == '@') {
      if (!inKey) {
        *why = "a value must follow a [key] line";
        return false;
      }
      ok = ParseValueLine(line, keys->at(current), why);
    } else {
      *why = "not a [key], value or ; comment line";
      ok = false;
    }
    if (!ok) return false;
  }
  return true;
}

// ---- The process's view of the file ----

std::string DefaultRegistryPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string config;
  if (xdg != nullptr && xdg[0] == '/') {
    config = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
      const passwd* user = ::getpwuid(::getuid());
      home = user != nullptr ? user->pw_dir : "/";
    }
    config = std::string(home) + "/.config";
  }
  return config + "/flashwright/registry.reg";
}

enum class Outcome { kUnchanged, kChanged, kFailed };

// A file changed within the file system's time-stamp granularity may change
// again without its stamp changing (same size, same time, a reused inode
// number): such a file is read again rather than trusted.
bool RecentlyModified(const FileStamp& stamp) {
  constexpr std::int64_t kMarginNs = 2'000'000'000;
  timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  std::int64_t nowNs = static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
  return stamp.exists && nowNs - stamp.modifiedNs < kMarginNs;
}

class RegistryStore {
 public:
  static RegistryStore& Instance() {
    static RegistryStore store;
    return store;
  }

  bool Query(const std::function<bool(KeyMap&)>& query) {
    std::lock_guard<std::mutex> hold(mutex_);
    Refresh();
    if (!Usable()) return false;
    return query(keys_);
  }

  bool Change(const std::function<Outcome(KeyMap&)>& change) {
    std::lock_guard<std::mutex> hold(mutex_);
    const std::string path = RegistryFilePath();
    if (!MakeDirectories(DirectoryOf(path))) return false;
    DirectoryLock turn(DirectoryOf(path));
    loaded_ = false;  // a change always starts from the file as it stands
    Refresh();
    if (!Usable()) return false;
    Outcome outcome = change(keys_);
    if (outcome != Outcome::kChanged) return outcome == Outcome::kUnchanged;
    if (!ReplaceFileAtomically(path_, SerializeStore(keys_))) {
      loaded_ = false;  // the next operation takes the file as it stands
      return false;
    }
    stamp_ = StampOfFile(path_);
    return true;
  }

  std::string Error() {
    std::lock_guard<std::mutex> hold(mutex_);
    Refresh();
    return damage_;
  }

 private:
  bool Usable() const {
    if (damage_.empty()) return true;
    SetLastError(kErrorRegistryCorrupt);
    return false;
  }

  void Refresh() {
    std::string path = RegistryFilePath();
    FileStamp stamp = StampOfFile(path);
    if (loaded_ && path == path_ && stamp == stamp_ && !RecentlyModified(stamp)) return;
    path_ = path;
    stamp_ = stamp;
    loaded_ = true;
    std::string damage = Load();
    if (!damage.empty() && damage != damage_) {
      std::fprintf(stderr, "flashwright: registry file damaged, left untouched until mended: %s\n", damage.c_str());
    }
    damage_ = std::move(damage);
  }

  // Loads the file; returns what makes it unusable, or "".
  std::string Load() {
    keys_ = EmptyStore();
    if (!stamp_.exists) return {};
    std::string text;
    if (!ReadWholeFile(path_, &text)) return path_ + ": it cannot be read";
    std::string why;
    std::size_t line = 0;
    if (ParseStore(text, &keys_, &why, &line)) return {};
    keys_ = EmptyStore();
    return path_ + ":" + std::to_string(line) + ": " + why;
  }

  std::mutex mutex_;
  std::string path_;
  FileStamp stamp_;
  bool loaded_ = false;
  KeyMap keys_ = EmptyStore();
  std::string damage_;
};

bool NotFound() {
  SetLastError(kErrorFileNotFound);
  return false;
}

bool InvalidParameter() {
  SetLastError(kErrorInvalidParameter);
  return false;
}

Outcome Missing() {
  SetLastError(kErrorFileNotFound);
  return Outcome::kFailed;
}

// Runs a query or a change on the open key.
bool WithOpenKey(const std::string& current, const std::function<bool(RegKey&)>& action) {
  std::string folded = FoldPath(current);
  return RegistryStore::Instance().Query([&](KeyMap& keys) {
    auto key = keys.find(folded);
    return key == keys.end() ? NotFound() : action(key->second);
  });
}

bool ChangeOpenKey(const std::string& current, const std::function<Outcome(RegKey&)>& change) {
  std::string folded = FoldPath(current);
  return RegistryStore::Instance().Change([&](KeyMap& keys) {
    auto key = keys.find(folded);
    if (key == keys.end()) return Missing();
    return change(key->second);
  });
}

bool WriteValue(const std::string& current, std::string_view name, RegValue value) {
  if (!IsSingleLine(name) || !IsSingleLine(value.text)) return InvalidParameter();
  return ChangeOpenKey(current, [&](RegKey& key) {
    RegValue* existing = FindValue(key, name);
    if (existing == nullptr) {
      value.name = name;
      key.values.push_back(std::move(value));
      return Outcome::kChanged;
    }
    if (existing->isDword == value.isDword && existing->dword == value.dword && existing->text == value.text) {
      return Outcome::kUnchanged;
    }
    value.name = existing->name;
    *existing = std::move(value);
    return Outcome::kChanged;
  });
}

}  // namespace

std::string RegistryFilePath() {
  const char* configured = std::getenv("FLASHWRIGHT_REGISTRY");
  if (configured != nullptr && configured[0] != '\0') return configured;
  return DefaultRegistryPath();
}

std::string RegistryFileError() { return RegistryStore::Instance().Error(); }

std::string Registry::Resolve(std::string_view path) const {
  std::string full = (!path.empty() && path.front() == '\\') ? std::string(path) : current_ + "\\" + std::string(path);
  std::vector<std::string_view> parts = SplitPath(full);
  return JoinPath(parts, parts.size(), '\\');
}

bool Registry::OpenKey(std::string_view path, bool create) {
  std::string resolved = Resolve(path);
  bool opened;
  if (create) {
    if (!IsSingleLine(resolved)) return InvalidParameter();
    opened = RegistryStore::Instance().Change(
        [&](KeyMap& keys) { return EnsureKey(keys, resolved) ? Outcome::kChanged : Outcome::kUnchanged; });
  } else {
    opened = KeyExists("\\" + resolved);
  }
  if (opened) current_ = std::move(resolved);
  return opened;
}

void Registry::CloseKey() { current_.clear(); }

bool Registry::KeyExists(std::string_view path) const {
  std::string folded = FoldPath(Resolve(path));
  return RegistryStore::Instance().Query([&](KeyMap& keys) { return keys.count(folded) ? true : NotFound(); });
}

bool Registry::DeleteKey(std::string_view path) {
  std::string folded = FoldPath(Resolve(path));
  if (folded.empty()) return InvalidParameter();
  return RegistryStore::Instance().Change([&](KeyMap& keys) {
    auto [first, last] = Subtree(keys, folded);
    if (first == keys.end()) return Missing();
    keys.erase(first, last);
    return Outcome::kChanged;
  });
}

std::vector<std::string> Registry::GetKeyNames() const {
  std::string folded = FoldPath(current_);
  std::vector<std::string> names;
  RegistryStore::Instance().Query([&](KeyMap& keys) {
    auto [first, last] = Subtree(keys, folded);
    if (first == keys.end()) return NotFound();
    std::size_t depth = SplitPath(first->second.path).size() + 1;
    for (auto it = std::next(first); it != last; ++it) {
      std::vector<std::string_view> parts = SplitPath(it->second.path);
      if (parts.size() == depth) names.emplace_back(parts.back());
    }
    return true;
  });
  return names;
}

std::vector<std::string> Registry::GetValueNames() const {
  std::vector<std::string> names;
  WithOpenKey(current_, [&](RegKey& key) {
    for (const RegValue& value : key.values) names.push_back(value.name);
    return true;
  });
  return names;
}

bool Registry::ValueExists(std::string_view name) const {
  return WithOpenKey(current_, [&](RegKey& key) { return FindValue(key, name) ? true : NotFound(); });
}

std::optional<std::int32_t> Registry::ReadInteger(std::string_view name) const {
  std::optional<std::int32_t> result;
  WithOpenKey(current_, [&](RegKey& key) {
    const RegValue* value = FindValue(key, name);
    if (value == nullptr) return NotFound();
    if (!value->isDword) {
      SetLastError(kErrorInvalidData);
      return false;
    }
    result = static_cast<std::int32_t>(value->dword);
    return true;
  });
  return result;
}

std::optional<std::string> Registry::ReadString(std::string_view name) const {
  std::optional<std::string> result;
  WithOpenKey(current_, [&](RegKey& key) {
    const RegValue* value = FindValue(key, name);
    if (value == nullptr) return NotFound();
    if (value->isDword) {
      SetLastError(kErrorInvalidData);
      return false;
    }
    result = value->text;
    return true;
  });
  return result;
}

bool Registry::WriteInteger(std::string_view name, std::int32_t value) {
  RegValue stored;
  stored.isDword = true;
  stored.dword = static_cast<std::uint32_t>(value);
  return WriteValue(current_, name, std::move(stored));
}

bool Registry::WriteString(std::string_view name, std::string_view value) {
  RegValue stored;
  stored.text = value;
  return WriteValue(current_, name, std::move(stored));
}

bool Registry::DeleteValue(std::string_view name) {
  return ChangeOpenKey(current_, [&](RegKey& key) {
    for (auto it = key.values.begin(); it != key.values.end(); ++it) {
      if (EqualsIgnoringCase(it->name, name)) {
        key.values.erase(it);
        return Outcome::kChanged;
      }
    }
    return Missing();
  });
}

}  // namespace platform
