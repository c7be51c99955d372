#pragma once
// What the fuzz targets of the grid's file readers share: the input as a
// file in memory, under a path that readers taking a file name can open (and
// writers can create again), grids of the same start for every input, the
// grid's cells to compare, and the application the grid needs, on the
// offscreen platform. Included by one source of a target.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "grid/duruzav.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tests/fuzz/memoryfile.h"

// Grid `index` (0 or 1) with 3 x 3 empty cells, one fixed row and column;
// made once, as making a grid costs more than most reads. The caller sets
// the switches it reads.
inline TVudUvizidIzed& EmptyGrid(int index) {
  // Kept to the end of the process: a form that goes at exit takes its grids
  // with it while it is half gone itself.
  static TForm* form = new TForm(nullptr);
  static TVudUvizidIzed* grids[] = {new TVudUvizidIzed(form), new TVudUvizidIzed(form)};
  TVudUvizidIzed& grid = *grids[index];
  grid.SetColCount(3);
  grid.SetRowCount(3);
  grid.SetFixedCols(1);
  grid.SetFixedRows(1);
  grid.Clear();
  return grid;
}

inline std::vector<AnsiString> Cells(TVudUvizidIzed& grid) {
  std::vector<AnsiString> cells;
  for (int r = 0; r < grid.RowCount(); ++r)
    for (int c = 0; c < grid.ColCount(); ++c) cells.push_back(grid.GetGridCell(c, r));
  return cells;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize(*argc, *argv);
  return 0;
}
