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

namespace gridtext {

// The most cells a file or stream may ask the grid to hold: the grid keeps
// every cell, so a size line is a memory request that must stay sane.
inline constexpr std::int64_t kMaxCells = std::int64_t{1} << 24;

AnsiString SizeLine(int cols, int rows);
AnsiString WidthLine(int col, int width);
// The text goes on one line: its line breaks are encoded (LfToFile).
AnsiString CellLine(int col, int row, const AnsiString& text);

bool IsWidthLine(std::string_view line);
// "cw 3,64": the column field ("3") and the width field ("64").
struct WidthFields {
  std::string_view col, width;
};
WidthFields SplitWidthLine(std::string_view line);
// "2,1,x,y": column "2", row "1", text "x,y". A missing comma leaves the
// field empty and the line where it was.
struct CellFields {
  std::string_view col, row, text;
  bool hasCol = false, hasRow = false;
};
CellFields SplitCellLine(std::string_view line);

// Column and row counts of a size line that a grid can take: both fields
// whole decimal numbers, the totals with the added fixed cells at least 1
// and the whole at most kMaxCells. nullopt for anything else.
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
