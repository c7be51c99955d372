#pragma once
// The line format the grid text file and the grid's text stream share: a
// size line, width lines ("cw <col>,<width>") and cell lines
// ("<col>,<row>,<text>"), each ended by CR LF, and the reader that cuts a
// byte stream into such lines.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "framework/streams.h"
#include "framework/strings.h"

class TVudUvizidIzed;

namespace gridtext {

// The most cells a file or stream may ask the grid to hold: the grid keeps
// every cell, so a size line is a memory request that must stay sane.
inline constexpr std::int64_t kMaxCells = std::int64_t{1} << 24;
// Columns and pixel widths a file may ask for: their product stays well
// inside the grid's pixel arithmetic.
inline constexpr int kMaxCols = 1 << 15;
inline constexpr int kMaxWidth = (1 << 15) - 1;

AnsiString SizeLine(int cols, int rows);
AnsiString WidthLine(int col, int width);
// The text goes on one line: its line breaks are encoded (LfToFile).
AnsiString CellLine(int col, int row, const AnsiString& text);

bool IsWidthLine(std::string_view line);
// Sets the width a width line ("cw 3,64") gives when its column lies in the
// grid and the width is 0..kMaxWidth; false when a field is no number.
bool ApplyWidthLine(TVudUvizidIzed& grid, std::string_view line);
// "2,1,x,y": column "2", row "1", text "x,y". A missing comma leaves the
// field empty and the line where it was.
struct CellFields {
  std::string_view col, row, text;
  bool hasCol = false, hasRow = false;
};
CellFields SplitCellLine(std::string_view line);

// The decoded text of a cell line into the cell through LoadCell, with
// Multilinecells deciding on its further lines; nothing for a cell outside
// the grid.
void StoreCell(TVudUvizidIzed& grid, std::int64_t col, std::int64_t row, std::string_view text);

// Column and row counts of a size line that a grid can take: both fields
// whole decimal numbers, the totals with the added fixed cells at least 1,
// at most kMaxCols columns and kMaxCells cells. nullopt for anything else.
struct GridSize {
  int cols, rows;
};
std::optional<GridSize> ParseSizeLine(std::string_view line, int addCols, int addRows);

// Reads CR-ended lines from a stream in blocks; a LF right after the CR
// belongs to the line end. Finish puts the stream right after the last line
// taken (or back before a line given back with Unread).
class TLineReader {
 public:
  explicit TLineReader(TStream& stream) : stream_(stream), start_(stream.Position()) {}
  // False at the end of the stream.
  bool Next(AnsiString& line);
  // The last line read goes back to the stream.
  void Unread() { consumed_ = lineStart_; }
  void Finish() { stream_.SetPosition(start_ + static_cast<std::int64_t>(consumed_)); }
  bool AtEnd();

 private:
  bool Fill();
  TStream& stream_;
  std::int64_t start_;
  std::vector<char> data_;
  std::size_t consumed_ = 0, lineStart_ = 0;
  bool streamDone_ = false;
};

}  // namespace gridtext
