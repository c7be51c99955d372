#include "grid/gridtextstream.h"

#include "framework/streams.h"
#include "framework/sysutils.h"
#include "grid/duruzav.h"
#include "grid/gridtextlines.h"

namespace {

void WriteLine(TStream& stream, const AnsiString& line) {
  const AnsiString bytes = line + "\r\n";
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

[[noreturn]] void InvalidNumber(const AnsiString& line) {
  throw EDurUzavError("Invalid number in grid stream line " + QuotedStr(line));
}

int StreamNumber(std::string_view field, const AnsiString& line) {
  int value = 0;
  if (!TryStrToInt(field, value)) InvalidNumber(line);
  return value;
}

// Reads the lines after the size line up to the end or up to a line that
// is no grid line, which is given back.
void ReadGridLines(TVudUvizidIzed& grid, gridtext::TLineReader& lines) {
  const int firstCol = grid.GetSaveStartCol(), firstRow = grid.GetSaveStartRow();
  AnsiString line;
  while (lines.Next(line)) {
    if (gridtext::IsWidthLine(line)) {
      if (!gridtext::ApplyWidthLine(grid, line)) InvalidNumber(line);
      continue;
    }
    const gridtext::CellFields f = gridtext::SplitCellLine(line);
    if (!f.hasCol || !f.hasRow || f.col.empty() || f.row.empty()) {
      lines.Unread();
      return;
    }
    gridtext::StoreCell(grid, std::int64_t{StreamNumber(f.col, line)} + firstCol,
                        std::int64_t{StreamNumber(f.row, line)} + firstRow, f.text);
  }
}

}  // namespace

void TGridTextStream::Save(TStream& stream) {
  WriteLine(stream, gridtext::SizeLine(grid_.GetSaveColCount(), grid_.GetSaveRowCount()));
  for (int c = 0; c < grid_.ColCount(); ++c) WriteLine(stream, gridtext::WidthLine(c, grid_.ColWidths(c)));
  const int firstCol = grid_.GetSaveStartCol(), firstRow = grid_.GetSaveStartRow();
  grid_.ExportNotification(esExportStart, -1);
  for (int r = firstRow; r <= grid_.GetSaveEndRow(); ++r) {
    grid_.ExportNotification(esExportNewRow, r);
    for (int c = firstCol; c <= grid_.GetSaveEndCol(); ++c) {
      const AnsiString text = grid_.SaveCell(c, r);
      if (!text.empty()) WriteLine(stream, gridtext::CellLine(c - firstCol, r - firstRow, text));
    }
  }
  grid_.ExportNotification(esExportDone, -1);
}

void TGridTextStream::Load(TStream& stream) {
  gridtext::TLineReader lines(stream);
  try {
    AnsiString line;
    if (lines.Next(line) && !line.empty()) {
      const auto size = gridtext::ParseSizeLine(line, grid_.GetSaveStartCol(), grid_.GetSaveStartRow());
      if (!size) throw EDurUzavError("Invalid size line in grid stream " + QuotedStr(line));
      grid_.SetColCount(size->cols);
      grid_.SetRowCount(size->rows);
    }
    ReadGridLines(grid_, lines);
  } catch (...) {
    lines.Finish();
    throw;
  }
  lines.Finish();
  grid_.CellsChanged(TRect{0, 0, grid_.ColCount(), grid_.RowCount()});
  grid_.CellsLoaded();
}
