#pragma once
// What the grid readers' fuzz targets share: a grid on a form on Qt's
// offscreen platform, a file in memory, and the checks every load keeps.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "framework/application.h"
#include "framework/forms.h"
#include "grid/duruzav.h"
#include "grid/gridtextlines.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tests/fuzz/memoryfile.h"

namespace gridfuzz {

// Inputs that ask for more cells than this load fine but slowly; they are
// left out so that a run tries many inputs.
inline constexpr std::int64_t kCellsTried = 1 << 12;

// Whether the size line that starts the text asks for more than kCellsTried.
inline bool AsksForManyCells(std::string_view text, int addCols, int addRows) {
  const auto size = gridtext::ParseSizeLine(text.substr(0, text.find('\r')), addCols, addRows);
  return size && std::int64_t{size->cols} * size->rows > kCellsTried;
}

// A small grid with a fixed row and column and one known cell.
struct Grid {
  TForm form{nullptr};
  TVudUvizidIzed grid{&form};
  Grid() {
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.SaveDisplayedText = false;
    grid.SetGridCell(2, 2, "before");
  }
  // The grid as it was made: what a refused file must leave.
  bool Unchanged() const {
    return grid.ColCount() == 3 && grid.RowCount() == 3 && grid.GetGridCell(2, 2) == "before";
  }
  bool WithinLimits() const {
    return grid.ColCount() <= gridtext::kMaxCols &&
           std::int64_t{grid.ColCount()} * grid.RowCount() <= gridtext::kMaxCells;
  }
};

// Every cell of a equals the same cell of b.
inline bool SameCells(TVudUvizidIzed& a, TVudUvizidIzed& b) {
  if (a.ColCount() != b.ColCount() || a.RowCount() != b.RowCount()) return false;
  for (int c = 0; c < a.ColCount(); ++c)
    for (int r = 0; r < a.RowCount(); ++r)
      if (a.GetGridCell(c, r) != b.GetGridCell(c, r)) return false;
  return true;
}

}  // namespace gridfuzz

// Each target includes this header once: the grid needs the application.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize(*argc, *argv);
  return 0;
}
