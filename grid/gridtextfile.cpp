#include "grid/gridtextfile.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "framework/streams.h"
#include "framework/sysutils.h"
#include "grid/duruzav.h"
#include "grid/gridtextlines.h"

namespace {

// Fires OnFileProgress with the part done, in percent, whenever it changes.
class TFileProgress {
 public:
  explicit TFileProgress(TVudUvizidIzed& grid) : grid_(grid) {}
  // done of 0..last; outside that range it counts as the nearest end.
  void Report(int done, int last) {
    if (!grid_.OnFileProgress) return;
    last = std::max(1, last);
    const double part = std::clamp(done, 0, last) / static_cast<double>(last);
    const int percent = static_cast<int>(std::nearbyint(part * 100));
    if (percent == last_) return;
    last_ = percent;
    grid_.OnFileProgress(&grid_, static_cast<short>(percent));
  }

 private:
  TVudUvizidIzed& grid_;
  int last_ = -1;
};

void WriteLine(AnsiString& out, const AnsiString& line) {
  out += line;
  out += "\r\n";
}

}  // namespace

void TGridTextFile::SaveToFile(const AnsiString& fileName) {
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(fileName, fmCreate);
  } catch (const EStreamError&) {
    throw EDurUzavError("Cannot Create " + fileName);
  }
  const int extra = grid_.ExportHiddenColumns ? grid_.NumHiddenColumns() : 0;
  const int firstCol = grid_.GetSaveStartCol(), lastCol = grid_.GetSaveEndCol() + extra;
  const int firstRow = grid_.GetSaveStartRow(), lastRow = grid_.GetSaveEndRow();
  AnsiString out;
  WriteLine(out, gridtext::SizeLine(grid_.GetSaveColCount() + extra, grid_.GetSaveRowCount()));
  for (int c = firstCol; c <= lastCol; ++c) WriteLine(out, gridtext::WidthLine(c, grid_.GetAllColWidths(c)));
  TFileProgress progress(grid_);
  grid_.ExportNotification(esExportStart, -1);
  for (int r = firstRow; r <= lastRow; ++r) {
    grid_.ExportNotification(esExportNewRow, r);
    for (int c = firstCol; c <= lastCol; ++c) {
      const AnsiString text = grid_.SaveCell(c, r);
      if (!text.empty()) WriteLine(out, gridtext::CellLine(c, r, text));
    }
    file->WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
    out.clear();
    progress.Report(r - firstRow, grid_.GetSaveRowCount() - 1);
  }
  file->WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
  grid_.ExportNotification(esExportDone, -1);
}

void TGridTextFile::LoadFromFile(const AnsiString& fileName) {
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(fileName, fmOpenRead | fmShareDenyNone);
  } catch (const EStreamError&) {
    throw EDurUzavError("Cannot open file " + fileName);
  }
  gridtext::TLineReader lines(*file);
  AnsiString line;
  lines.Next(line);
  const bool withFixed = grid_.ExportFixedCells;
  if (!line.empty()) {
    const auto size = gridtext::ParseSizeLine(line, withFixed ? 0 : grid_.FixedCols(),
                                              withFixed ? 0 : grid_.FixedRows());
    if (!size) throw EDurUzavError("File contains no data or corrupt file " + fileName);
    grid_.SetColCount(size->cols);
    grid_.SetRowCount(size->rows);
  }
  TFileProgress progress(grid_);
  while (lines.Next(line)) {
    int col = 0, row = 0;
    if (gridtext::IsWidthLine(line)) {
      gridtext::ApplyWidthLine(grid_, line);
      continue;
    }
    const gridtext::CellFields f = gridtext::SplitCellLine(line);
    if (!TryStrToInt(f.col, col) || !TryStrToInt(f.row, row)) continue;
    gridtext::StoreCell(grid_, col, row, f.text);
    progress.Report(row, grid_.RowCount() - 1);
  }
  grid_.CellsChanged(TRect{0, 0, grid_.ColCount(), grid_.RowCount()});
  grid_.CellsLoaded();
}
