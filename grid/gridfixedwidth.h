#pragma once
// Fixed-width text of a cell grid: one line per row of the save range, each
// field padded with spaces to its column's width in characters or cut to
// it, no separator.
#include "framework/strings.h"

class TIntList;
class TVudUvizidIzed;

class TGridFixedWidth {
 public:
  explicit TGridFixedWidth(TVudUvizidIzed& grid) : grid_(grid) {}
  // widths: entry i is the width of the i-th column of the save range; the
  // columns without an entry get their longest text line plus one, added
  // to the list. EDurUzavError "Cannot Create file " + the name.
  void Save(const AnsiString& fileName, TIntList& widths);
  // positions: entry i is the 1-based character where field i starts, the
  // last entry ends the last field. The fields go to the save range from
  // its first column and row; rows are added as lines come. EDurUzavError
  // "File " + the name + " not found" when it cannot be read, and naming it
  // when it has more lines than the grid can hold (the grid unchanged).
  void Load(const AnsiString& fileName, const TIntList& positions);

 private:
  TVudUvizidIzed& grid_;
};
