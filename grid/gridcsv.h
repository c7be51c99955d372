#pragma once
// Delimited text files (CSV) of the cell grid: its save range written to a
// new or appended file, and a file read into the grid's data rows or added
// after its last row, with the separator detected when none is set.
#include <string_view>

#include "framework/sysutils.h"

class TVudUvizidIzed;

// The grid's CSV settings; the grid offers each under its own name.
struct TCsvSettings {
  // NUL: a comma when writing, detected from the first two lines when reading.
  char CsvSeparator = '\0';
  // Line breaks in a cell written as "~" and an empty cell as "^"; a field
  // holding the separator or line breaks gets no quotes then.
  bool JavaLineBreaks = false;
  bool CsvQuoteAll = false;
  // An empty field written as two double quotes.
  bool CsvQuoteEmpty = true;
};

class TGridCsv {
 public:
  explicit TGridCsv(TVudUvizidIzed& grid) : grid_(grid) {}

  // "Cannot Create file " + name when the file can be neither opened for
  // appending nor created.
  void Output(const AnsiString& fileName, bool append);
  // "Cannot open file " + name when it cannot be read; a file that would
  // grow the grid past what it can hold is refused before any change. A
  // quoted field may run over several lines.
  void Input(const AnsiString& fileName, bool insert);

  // The separator the first two lines of a file agree on; NUL when none.
  static char DetectSeparator(std::string_view firstLine, std::string_view secondLine);

 private:
  // The text a cell is written as.
  AnsiString Field(AnsiString text, char separator) const;
  TVudUvizidIzed& grid_;
};
