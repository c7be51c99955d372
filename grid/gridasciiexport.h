#pragma once
// The ASCII report of a cell grid: every column padded with spaces to its
// longest text line (in characters), cells aligned as the grid shows them,
// the further lines of multi-line cells on report lines after their row.
#include "framework/strings.h"

class TVudUvizidIzed;

class TGridAsciiExport {
 public:
  explicit TGridAsciiExport(TVudUvizidIzed& grid) : grid_(grid) {}
  // Creates or replaces (append: extends, creating it when missing) the
  // file; EDurUzavError "Cannot create file " + the name when it cannot be
  // opened.
  void Save(const AnsiString& fileName, bool append);

 private:
  TVudUvizidIzed& grid_;
};
