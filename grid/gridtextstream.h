#pragma once
// The grid's text lines (gridtextlines.h) on any stream, so that a grid can
// sit inside a larger stream next to other data: every column's width, the
// non-empty cells of the save range counted from its first column and row.
class TStream;
class TVudUvizidIzed;

class TGridTextStream {
 public:
  explicit TGridTextStream(TVudUvizidIzed& grid) : grid_(grid) {}
  // Writes at the stream's position.
  void Save(TStream& stream);
  // Reads from the stream's position up to its end or the first line that
  // is neither a width nor a cell line, where the stream is left. Cells
  // outside the grid are dropped. EDurUzavError for a size line the grid
  // cannot take (the grid unchanged) or a number that is none (the lines
  // before it stay read).
  void Load(TStream& stream);

 private:
  TVudUvizidIzed& grid_;
};
