#pragma once
// What the grid's fuzz targets share: the texts of a grid, to show that a
// refused input left it as it was. Their LLVMFuzzerInitialize, which starts
// the application on Qt's offscreen platform, is offscreen_init.cpp.
#include <string>
#include <vector>

#include "grid/duruzav.h"

inline std::vector<std::string> GridTexts(TVudUvizidIzed& grid) {
  std::vector<std::string> texts;
  for (int r = 0; r < grid.RowCount(); ++r)
    for (int c = 0; c < grid.ColCount(); ++c) texts.push_back(grid.GetGridCell(c, r));
  return texts;
}
