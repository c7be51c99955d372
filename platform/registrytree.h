#pragma once
// The registry's keys and values in memory, and their ".reg" text (the file
// format is described in registry.h). The store in registry.cpp keeps one tree
// per process and saves it whole; nothing here touches a file.
//
// Key names compare without regard to case. A key keeps the spelling it was
// created with, and its subkeys are spelled below it with that spelling, so
// that the text read back gives the same tree, key for key, whether or not
// a key of its own is written for a key that only leads to others.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct RegistryValue {
  std::string name;  // "" is the key's default value
  bool isDword = false;
  std::uint32_t dword = 0;
  std::string text;
  bool operator==(const RegistryValue&) const = default;
};

struct RegistryKey {
  std::string path;  // as created: parts joined by backslashes; "" is the root
  std::vector<RegistryValue> values;
  bool operator==(const RegistryKey&) const = default;

  // The value of that name (without regard to case), or null.
  RegistryValue* FindValue(std::string_view name);
};

class RegistryTree {
 public:
  // Holds the root key only.
  RegistryTree();

  // Whether the tree can keep a key of this path: its names must not hold a
  // line break or the bytes 0x00 and 0x01, which the tree itself uses.
  static bool CanHoldPath(std::string_view path);

  // Paths are parts separated by backslashes; empty parts are ignored.
  RegistryKey* Find(std::string_view path);
  bool Contains(std::string_view path) const;
  // Makes the key and its missing parents; true when anything was added.
  // The caller has checked the path with CanHoldPath.
  bool Ensure(std::string_view path);
  // Removes the key with all its subkeys; false when it is missing.
  bool Erase(std::string_view path);
  // The names of the key's direct subkeys in stored order; false when the
  // key is missing.
  bool SubkeyNames(std::string_view path, std::vector<std::string>* names) const;

  // Every key, the root first, each followed by its subkeys.
  std::vector<const RegistryKey*> Keys() const;

  // The ".reg" text of the whole tree.
  std::string ToText() const;
  // Reads a ".reg" text into a fresh tree; on failure tells which line is
  // wrong and why, and leaves the tree empty.
  bool FromText(std::string_view text, std::string* why, std::size_t* lineNumber);

  bool operator==(const RegistryTree&) const = default;

 private:
  using KeyMap = std::map<std::string, RegistryKey>;

  std::pair<KeyMap::iterator, KeyMap::iterator> Subtree(const std::string& folded);
  bool HasSubkeys(KeyMap::const_iterator key) const;

  // Keys by folded path: parts folded to lower case, joined by a separator
  // that sorts below every other byte a name may hold, so that a key's
  // subkeys follow it directly.
  KeyMap keys_;
};

// The path without empty parts, joined by backslashes.
std::string NormalisedRegistryPath(std::string_view path);

}  // namespace platform
