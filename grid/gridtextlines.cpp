#include "grid/gridtextlines.h"

#include <algorithm>

#include "framework/sysutils.h"
#include "grid/duruzav.h"
#include "grid/zgutil.h"

namespace gridtext {

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr std::size_t kBlock = 64 * 1024;

// The text before the first comma, taken off the front of rest with the
// comma; empty (rest unchanged) when there is no comma.
std::string_view TakeField(std::string_view& rest, bool& found) {
  const std::size_t comma = rest.find(',');
  found = comma != std::string_view::npos;
  if (!found) return {};
  const std::string_view field = rest.substr(0, comma);
  rest.remove_prefix(comma + 1);
  return field;
}

// A whole decimal number: no blanks, no hexadecimal.
bool DecimalField(std::string_view field, int& value) {
  const std::string_view digits = !field.empty() && (field[0] == '-' || field[0] == '+') ? field.substr(1) : field;
  return !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
         TryStrToInt(field, value);
}

}  // namespace

AnsiString SizeLine(int cols, int rows) { return IntToStr(cols) + "," + IntToStr(rows); }

AnsiString WidthLine(int col, int width) { return "cw " + IntToStr(col) + "," + IntToStr(width); }

AnsiString CellLine(int col, int row, const AnsiString& text) {
  return IntToStr(col) + "," + IntToStr(row) + "," + LfToFile(text);
}

bool IsWidthLine(std::string_view line) { return line.substr(0, 2) == "cw"; }

bool ApplyWidthLine(TVudUvizidIzed& grid, std::string_view line) {
  std::string_view rest = line.substr(std::min<std::size_t>(3, line.size()));
  bool found = false;
  const std::string_view colField = TakeField(rest, found);
  int col = 0, width = 0;
  if (!found || !TryStrToInt(colField, col) || !TryStrToInt(rest.substr(0, 255), width)) return false;
  if (col >= 0 && col < grid.ColCount() && width >= 0 && width <= kMaxWidth) grid.SetColWidths(col, width);
  return true;
}

CellFields SplitCellLine(std::string_view line) {
  CellFields f;
  f.col = TakeField(line, f.hasCol);
  f.row = TakeField(line, f.hasRow);
  f.text = line;
  return f;
}

void StoreCell(TVudUvizidIzed& grid, std::int64_t col, std::int64_t row, std::string_view text) {
  if (col >= 0 && col < grid.ColCount() && row >= 0 && row < grid.RowCount())
    grid.LoadCell(static_cast<int>(col), static_cast<int>(row), FileToLf(AnsiString(text), grid.Props().Multilinecells));
}

std::optional<GridSize> ParseSizeLine(std::string_view line, int addCols, int addRows) {
  bool found = false;
  std::string_view rowField = line;
  const std::string_view colField = TakeField(rowField, found);
  int cols = 0, rows = 0;
  if (!DecimalField(colField, cols) || !DecimalField(rowField, rows)) return std::nullopt;
  const std::int64_t totalCols = std::int64_t{cols} + addCols, totalRows = std::int64_t{rows} + addRows;
  if (cols < 0 || rows < 0 || totalCols < 1 || totalRows < 1 || totalCols > kMaxCols ||
      totalCols * totalRows > kMaxCells)
    return std::nullopt;
  return GridSize{static_cast<int>(totalCols), static_cast<int>(totalRows)};
}

bool TLineReader::Fill() {
  if (streamDone_) return false;
  const std::size_t old = data_.size();
  data_.resize(old + kBlock);
  const std::int64_t got = stream_.Read(data_.data() + old, static_cast<std::int64_t>(kBlock));
  data_.resize(old + static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
  streamDone_ = got <= 0;
  return !streamDone_;
}

bool TLineReader::AtEnd() { return consumed_ == data_.size() && !Fill(); }

bool TLineReader::Next(AnsiString& line) {
  if (AtEnd()) return false;
  lineStart_ = consumed_;
  std::size_t cr = consumed_;
  for (;;) {
    const auto from = data_.begin() + static_cast<std::ptrdiff_t>(cr);
    cr = static_cast<std::size_t>(std::find(from, data_.end(), kCR) - data_.begin());
    if (cr < data_.size() || !Fill()) break;
  }
  line.assign(data_.data() + consumed_, cr - consumed_);
  consumed_ = std::min(cr + 1, data_.size());
  if (consumed_ == data_.size()) Fill();
  if (consumed_ < data_.size() && data_[consumed_] == kLF) ++consumed_;
  return true;
}

}  // namespace gridtext
