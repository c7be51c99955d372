#pragma once
// An INI file in memory as its lines, so that a change touches only the lines
// it must and every other line, comment and line ending stays as it was. The
// rules are those of inifile.h; IniFile reads and saves the text.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class IniDocument {
 public:
  IniDocument() = default;
  // Every line keeps its own ending ("\r\n", "\n", or none on a last line).
  static IniDocument FromText(std::string_view text);
  // The text as read, with the changes made since; a document never changed
  // gives back the very text it was read from.
  std::string ToText() const;

  // Names must be non-empty single lines; a key may not hold '=' nor start
  // with ';' or '[', a section may not hold ']'. A value must be a single line.
  static bool ValidSectionName(std::string_view section);
  static bool ValidKeyName(std::string_view ident);
  static bool ValidValue(std::string_view value);

  // The value of the key in the first section of that name, without the
  // spaces around it and without matching quotes.
  std::optional<std::string> Value(std::string_view section, std::string_view ident) const;
  // Key names of the first section of that name, each once, in file order.
  std::vector<std::string> KeyNames(std::string_view section) const;
  // Section names, each once, in file order.
  std::vector<std::string> SectionNames() const;
  bool HasSection(std::string_view section) const;

  // Sets the value in the first section of that name, which is added at the
  // end when missing; the caller has checked the names and the value.
  void SetValue(std::string_view section, std::string_view ident, std::string_view value);
  // Removes every section of that name; true when one was there.
  bool RemoveSections(std::string_view section);
  // Removes the key from the first section of that name; true when it was there.
  bool RemoveKey(std::string_view section, std::string_view ident);

 private:
  struct Line {
    std::string text;
    std::string ending;
  };
  struct SectionRange {
    std::size_t header;
    std::size_t end;
  };

  std::size_t NextHeader(std::size_t from) const;
  std::vector<SectionRange> FindSections(std::string_view section) const;
  std::optional<SectionRange> FirstSection(std::string_view section) const;
  std::vector<std::size_t> KeyLines(SectionRange range, std::string_view ident) const;
  void InsertLine(std::size_t at, std::string text);

  std::vector<Line> lines_;
  // The ending of lines this document adds: that of the file's first line.
  std::string newline_ = "\n";
};

}  // namespace platform
