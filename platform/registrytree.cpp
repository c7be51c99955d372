#include "platform/registrytree.h"

#include <cstdio>
#include <iterator>

#include "platform/textfile.h"

namespace platform {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kRootName = "HKEY_LOCAL_MACHINE";
constexpr char kFoldedSeparator = '\x01';

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

std::string_view LastPart(std::string_view path) {
  std::size_t slash = path.rfind('\\');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
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

// A [key] line: makes the key and returns its path in *current.
bool ParseSectionLine(std::string_view line, RegistryTree& tree, std::string* current, std::string* why) {
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
  if (!RegistryTree::CanHoldPath(path)) {
    *why = "a key name may not hold the bytes 0x00, 0x01 or a carriage return";
    return false;
  }
  tree.Ensure(path);
  *current = path;
  return true;
}

bool ParseValueLine(std::string_view line, RegistryKey& key, std::string* why) {
  RegistryValue value;
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
  if (RegistryValue* existing = key.FindValue(value.name)) {
    *existing = std::move(value);
  } else {
    key.values.push_back(std::move(value));
  }
  return true;
}

void AppendValueLine(std::string& out, const RegistryValue& value) {
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

}  // namespace

RegistryValue* RegistryKey::FindValue(std::string_view name) {
  for (RegistryValue& value : values) {
    if (EqualsIgnoringCase(value.name, name)) return &value;
  }
  return nullptr;
}

std::string NormalisedRegistryPath(std::string_view path) {
  std::vector<std::string_view> parts = SplitPath(path);
  return JoinPath(parts, parts.size(), '\\');
}

RegistryTree::RegistryTree() { keys_.emplace("", RegistryKey{}); }

bool RegistryTree::CanHoldPath(std::string_view path) {
  return path.find_first_of(std::string_view("\0\x01\r\n", 4)) == std::string_view::npos;
}

RegistryKey* RegistryTree::Find(std::string_view path) {
  if (!CanHoldPath(path)) return nullptr;
  auto key = keys_.find(FoldPath(path));
  return key == keys_.end() ? nullptr : &key->second;
}

bool RegistryTree::Contains(std::string_view path) const {
  return CanHoldPath(path) && keys_.count(FoldPath(path)) != 0;
}

bool RegistryTree::Ensure(std::string_view path) {
  std::vector<std::string_view> parts = SplitPath(path);
  bool added = false;
  const RegistryKey* parent = &keys_.at("");
  for (std::size_t count = 1; count <= parts.size(); ++count) {
    std::string folded = FoldCase(JoinPath(parts, count, kFoldedSeparator));
    auto key = keys_.find(folded);
    if (key == keys_.end()) {
      // Spelled below the parent as the parent was created, whatever case
      // this path gives the parent's names.
      std::string spelled = parent->path.empty() ? std::string(parts[count - 1])
                                                 : parent->path + "\\" + std::string(parts[count - 1]);
      key = keys_.emplace(std::move(folded), RegistryKey{std::move(spelled), {}}).first;
      added = true;
    }
    parent = &key->second;
  }
  return added;
}

// The folded paths of a key and all its subkeys form one run of the map.
std::pair<RegistryTree::KeyMap::iterator, RegistryTree::KeyMap::iterator> RegistryTree::Subtree(
    const std::string& folded) {
  if (folded.empty()) return {keys_.begin(), keys_.end()};
  auto first = keys_.find(folded);
  if (first == keys_.end()) return {keys_.end(), keys_.end()};
  auto last = std::next(first);
  std::string prefix = folded + kFoldedSeparator;
  while (last != keys_.end() && last->first.compare(0, prefix.size(), prefix) == 0) ++last;
  return {first, last};
}

bool RegistryTree::HasSubkeys(KeyMap::const_iterator key) const {
  auto next = std::next(key);
  if (next == keys_.end()) return false;
  return key->first.empty() || next->first.compare(0, key->first.size() + 1, key->first + kFoldedSeparator) == 0;
}

bool RegistryTree::Erase(std::string_view path) {
  if (!CanHoldPath(path)) return false;
  std::string folded = FoldPath(path);
  auto [first, last] = Subtree(folded);
  if (first == keys_.end()) return false;
  keys_.erase(first, last);
  if (folded.empty()) keys_.emplace("", RegistryKey{});
  return true;
}

bool RegistryTree::SubkeyNames(std::string_view path, std::vector<std::string>* names) const {
  if (!CanHoldPath(path)) return false;
  auto [first, last] = const_cast<RegistryTree*>(this)->Subtree(FoldPath(path));
  if (first == keys_.end()) return false;
  std::size_t depth = SplitPath(first->second.path).size() + 1;
  for (auto it = std::next(first); it != last; ++it) {
    if (SplitPath(it->second.path).size() == depth) names->emplace_back(LastPart(it->second.path));
  }
  return true;
}

std::vector<const RegistryKey*> RegistryTree::Keys() const {
  std::vector<const RegistryKey*> keys;
  for (const auto& [folded, key] : keys_) keys.push_back(&key);
  return keys;
}

std::string RegistryTree::ToText() const {
  std::string out(kHeader);
  out += '\n';
  for (auto it = keys_.begin(); it != keys_.end(); ++it) {
    const RegistryKey& key = it->second;
    // Keys that only lead to others are implied by their subkeys' sections.
    if (key.values.empty() && (it->first.empty() || HasSubkeys(it))) continue;
    out += "\n[";
    out += kRootName;
    if (!key.path.empty()) out += "\\" + key.path;
    out += "]\n";
    for (const RegistryValue& value : key.values) AppendValueLine(out, value);
  }
  return out;
}

bool RegistryTree::FromText(std::string_view text, std::string* why, std::size_t* lineNumber) {
  *this = RegistryTree();
  *lineNumber = 1;
  if (text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'))) {
    *why = "the file is UTF-16 text; it must be saved as UTF-8";
    return false;
  }
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  bool headerSeen = false;
  std::string current;
  bool inKey = false;
  bool ok = true;
  for (; !text.empty() && ok; ++*lineNumber) {
    std::size_t end = text.find('\n');
    std::string_view line = TrimSpaces(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (!headerSeen) {
      ok = line == kHeader;
      if (!ok) *why = "the first line must be \"" + std::string(kHeader) + "\"";
      headerSeen = true;
    } else if (line.front() == '[') {
      ok = ParseSectionLine(line, *this, &current, why);
      inKey = ok;
    } else if (line.front() == '"' || line.front() == '@') {
      ok = inKey && ParseValueLine(line, *Find(current), why);
      if (!inKey) *why = "a value must follow a [key] line";
    } else {
      *why = "not a [key], value or ; comment line";
      ok = false;
    }
  }
  if (ok) return true;
  --*lineNumber;
  *this = RegistryTree();
  return false;
}

}  // namespace platform
