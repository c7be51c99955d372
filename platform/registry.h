#pragma once
// The registry: a file-backed HKEY_LOCAL_MACHINE in the ".reg" text format, so
// that a person can read and edit it:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\Software\Vorkelt, LLC.\Flashwright\CAN Configuration]
//   "Interface Type"=dword:00000001
//   "Access Point"="text with \\ and \" escaped"
//
// The file is FLASHWRIGHT_REGISTRY when that is set, else
// $XDG_CONFIG_HOME/flashwright/registry.reg (~/.config when XDG_CONFIG_HOME is
// not set). Key and value names compare without regard to case and keep the
// case they were created with. Values are DWORDs or strings.
//
// Every operation first re-reads the file when it changed on disk, so that
// processes sharing it see each other's saves; every change saves the whole
// file at once (temporary file, flush, rename) while holding a lock on its
// directory. A damaged file is never replaced: every operation fails with
// kErrorRegistryCorrupt until a person mends it, and RegistryFileError() tells
// which line is wrong and why. Nor is a file its owner made read-only: every
// change then fails with kErrorAccessDenied and says so on the standard error.
//
// One Registry object is one accessor (not shared between threads); any number
// of them may live at once in any threads.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr std::uint32_t kErrorInvalidData = 13;
inline constexpr std::uint32_t kErrorRegistryCorrupt = 1015;
inline constexpr std::uint32_t kErrorRegistryIoFailed = 1016;

enum class RegistryRoot { kLocalMachine };

class Registry {
 public:
  Registry() = default;

  // Only HKEY_LOCAL_MACHINE is kept.
  RegistryRoot RootKey() const { return RegistryRoot::kLocalMachine; }
  void SetRootKey(RegistryRoot) {}

  // Paths use backslashes. A path starting with a backslash is taken from the
  // root, any other from the open key; empty parts are ignored. With create,
  // the key and its parents are made when missing, each new key spelled below
  // its parent as the parent was created; names holding a line break or the
  // bytes 0x00 or 0x01 are refused (kErrorInvalidParameter). On success the
  // key becomes the open key.
  bool OpenKey(std::string_view path, bool create);
  void CloseKey();
  // The open key's path from the root, without a leading backslash ("" for
  // the root itself or when no key is open).
  const std::string& CurrentPath() const { return current_; }

  bool KeyExists(std::string_view path) const;
  // Deletes the key with all its subkeys. The root cannot be deleted.
  bool DeleteKey(std::string_view path);
  // Names of the open key's direct subkeys and values, in stored order.
  std::vector<std::string> GetKeyNames() const;
  std::vector<std::string> GetValueNames() const;

  // Values of the open key ("" names the key's default value). Reads fail
  // with kErrorFileNotFound when the value is missing and with
  // kErrorInvalidData when it is of the other type.
  bool ValueExists(std::string_view name) const;
  std::optional<std::int32_t> ReadInteger(std::string_view name) const;
  std::optional<std::string> ReadString(std::string_view name) const;
  bool WriteInteger(std::string_view name, std::int32_t value);
  // Text must be a single line without NUL characters.
  bool WriteString(std::string_view name, std::string_view value);
  bool DeleteValue(std::string_view name);

 private:
  std::string Resolve(std::string_view path) const;

  std::string current_;
};

// The file the registry lives in now.
std::string RegistryFilePath();
// Why the registry file cannot be used ("path:line: reason"); empty when it is
// sound or absent.
std::string RegistryFileError();

}  // namespace platform
