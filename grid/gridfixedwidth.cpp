#include "grid/gridfixedwidth.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "framework/streams.h"
#include "framework/sysutils.h"
#include "grid/duruzav.h"
#include "grid/gridtextlines.h"
#include "grid/vazeri.h"
#include "grid/zgutil.h"

namespace {

// The text brought to width characters: cut, or padded with spaces.
AnsiString Fitted(const AnsiString& text, int width) {
  const int length = CharCount(text);
  return length > width ? CharPrefix(text, width) : text + AnsiString(width - length, ' ');
}

// The characters first .. next - 1 (1-based) of the line, blanks trimmed.
AnsiString Field(std::string_view line, int first, int next) {
  first = std::max(first, 1);
  if (next <= first) return {};
  const AnsiString upToEnd = CharPrefix(line, next - 1);
  return Trim(std::string_view(upToEnd).substr(std::min(upToEnd.size(), CharPrefix(upToEnd, first - 1).size())));
}

// The file's lines, ended by LF or CR LF.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
  }
  return lines;
}

}  // namespace

void TGridFixedWidth::Save(const AnsiString& fileName, TIntList& widths) {
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(fileName, fmCreate);
  } catch (const EStreamError&) {
    throw EDurUzavError("Cannot Create file " + fileName);
  }
  const int extra = grid_.ExportHiddenColumns ? grid_.NumHiddenColumns() : 0;
  std::vector<int> cellCols;
  for (int c = grid_.GetSaveStartCol(); c <= grid_.GetSaveEndCol() + extra; ++c) {
    cellCols.push_back(grid_.ExportHiddenColumns ? c : grid_.RemapCol(c));
    if (widths.Count() < static_cast<int>(cellCols.size())) widths.Add(grid_.MaxCharsInCol(cellCols.back()) + 1);
  }
  grid_.ExportNotification(esExportStart, -1);
  for (int r = grid_.GetSaveStartRow(); r <= grid_.GetSaveEndRow(); ++r) {
    grid_.ExportNotification(esExportNewRow, r);
    AnsiString line;
    for (std::size_t i = 0; i < cellCols.size(); ++i)
      line += Fitted(grid_.SaveCell(cellCols[i], r), widths.Items(static_cast<int>(i)));
    line += "\r\n";
    file->WriteBuffer(line.data(), static_cast<std::int64_t>(line.size()));
  }
  grid_.ExportNotification(esExportDone, -1);
}

void TGridFixedWidth::Load(const AnsiString& fileName, const TIntList& positions) {
  AnsiString content;
  try {
    TFileStream file(fileName, fmOpenRead | fmShareDenyNone);
    content.resize(static_cast<std::size_t>(file.Size()));
    file.ReadBuffer(content.data(), static_cast<std::int64_t>(content.size()));
  } catch (const EStreamError&) {
    throw EDurUzavError("File " + fileName + " not found");
  }
  const std::vector<std::string_view> lines = Lines(content);
  const int fields = std::max(positions.Count() - 1, 0);
  const int firstCol = grid_.GetSaveStartCol(), firstRow = grid_.GetSaveStartRow();
  const std::int64_t cols = grid_.FixedCols() + fields;
  if (cols * std::max<std::int64_t>(firstRow + static_cast<std::int64_t>(lines.size()), grid_.RowCount()) >
      gridtext::kMaxCells)
    throw EDurUzavError("File " + fileName + " has more lines than the grid can hold");
  grid_.SetColCount(static_cast<int>(cols));
  int row = firstRow;
  for (std::string_view line : lines) {
    if (grid_.RowCount() <= row) grid_.SetRowCount(row + 1);
    for (int i = 1; i <= fields && firstCol + i - 1 < grid_.ColCount(); ++i)
      grid_.LoadCell(firstCol + i - 1, row, Field(line, positions.Items(i - 1), positions.Items(i)));
    ++row;
  }
  grid_.CellsChanged(TRect{0, 0, grid_.ColCount(), grid_.RowCount()});
  grid_.CellsLoaded();
}
