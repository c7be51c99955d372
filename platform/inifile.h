#pragma once
// INI files with the Windows rules: section and key names compare without
// regard to case and keep the case they were written with, the first match
// wins, whitespace around names and values is trimmed. Every call reads the
// file as it is on disk and every write saves the whole file at once, keeping
// the other lines, comments and line endings as they stand. A Windows name like
// ".\FORM.INI" is taken relative to the working directory, backslashes
// becoming slashes.
//
// Failures leave a code in the last-error value (lasterror.h): writes return
// false, reads return the caller's default.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniFile {
 public:
  explicit IniFile(std::string_view fileName);

  // The file's path as used on this system.
  const std::string& FileName() const { return path_; }

  std::string ReadString(std::string_view section, std::string_view ident,
                         std::string_view defaultValue) const;
  // Reads the leading number of the value: decimal with an optional sign, or
  // hexadecimal after "0x". A value without one gives the default.
  std::int32_t ReadInteger(std::string_view section, std::string_view ident,
                           std::int32_t defaultValue) const;
  // True when the stored number is non-zero.
  bool ReadBool(std::string_view section, std::string_view ident, bool defaultValue) const;

  // Names must be non-empty single lines; a key may not hold '=' and a
  // section may not hold ']'. A value must be a single line.
  bool WriteString(std::string_view section, std::string_view ident, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view ident, std::int32_t value);
  bool WriteBool(std::string_view section, std::string_view ident, bool value);

  // Key names of the section, in file order.
  std::vector<std::string> ReadSection(std::string_view section) const;
  // Section names in file order, each once.
  std::vector<std::string> ReadSections() const;
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view ident) const;

  // Removes every section of that name with all its lines.
  bool EraseSection(std::string_view section);
  // Removes the key from the section. Removing what is not there succeeds.
  bool DeleteKey(std::string_view section, std::string_view ident);

 private:
  std::string path_;
};

}  // namespace platform
