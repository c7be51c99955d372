// The grid's XML reader on any document: a load either walks the document
// into the grid or raises before the grid changes; and what the grid then
// writes is a document it loads again, each row's non-empty cells coming
// back in order.
//
// Input: a byte of options (bit 0 attribute rows, bit 1 captions from the
// names), then the document.
#include <cstdint>
#include <string>
#include <vector>

#include "grid/duruzav.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tests/fuzz/gridfiles.h"

namespace {

// The non-empty cells of a row, left to right from a column on.
std::vector<AnsiString> Filled(TVudUvizidIzed& grid, int row, int fromCol) {
  std::vector<AnsiString> cells;
  for (int c = fromCol; c < grid.ColCount(); ++c)
    if (!grid.GetGridCell(c, row).empty()) cells.push_back(grid.GetGridCell(c, row));
  return cells;
}

// White space alone is no text node: such a cell is not written back.
bool HasBlankCell(TVudUvizidIzed& grid) {
  for (const AnsiString& cell : Cells(grid))
    if (!cell.empty() && cell.find_first_not_of(" \t\r\n") == AnsiString::npos) return true;
  return false;
}

void CheckRoundTrip(TVudUvizidIzed& grid) {
  if (HasBlankCell(grid)) return;
  const MemoryFile out("");
  grid.ExportFixedCells = false;
  grid.SaveToXML(out.Path(), "LIST", "ROW");
  TVudUvizidIzed& again = EmptyGrid(1);
  again.ExportFixedCells = false;
  again.LoadFromXML(out.Path(), false);
  for (int r = grid.FixedRows(); r < grid.RowCount() - grid.Props().FixedFooters; ++r) {
    const int back = r - grid.FixedRows() + again.FixedRows();
    const std::vector<AnsiString> written = Filled(grid, r, grid.FixedCols());
    FUZZ_CHECK(written.empty() || (back < again.RowCount() && Filled(again, back, again.FixedCols()) == written));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const MemoryFile file(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  TVudUvizidIzed& grid = EmptyGrid(0);
  grid.SetCellEx(2, 2, "before");
  grid.ExportFixedCells = (data[0] & 2) != 0;
  const std::vector<AnsiString> before = Cells(grid);
  try {
    grid.LoadFromXML(file.Path(), (data[0] & 1) != 0);
  } catch (const Exception&) {
    FUZZ_CHECK(grid.RowCount() == 3 && grid.ColCount() == 3 && Cells(grid) == before);
    return 0;
  }
  CheckRoundTrip(grid);
  return 0;
}
