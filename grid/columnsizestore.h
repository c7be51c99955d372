#pragma once
// Column widths ("Col0", "Col1", ...) and the column order ("Pos0", ...: the
// initial index of the column shown at each display index) kept as integers
// in the section ColumnSize.Section of the INI file or registry key
// ColumnSize.Key. Nothing is read or written without a key and a section, or
// while the grid is designed.
//
// What a stored value cannot mean is not applied: a width outside 0..32767
// keeps its column's width, and fewer stored positions within
// 0..ColCount-1 than there are columns (an order saved with fewer columns,
// gaps, other numbers) leave the columns and their recorded order as they
// are. Errors of writing the store propagate.
#include <memory>

#include "framework/settingsstores.h"

class TVudUvizidIzed;

class TColumnSizeStore {
 public:
  explicit TColumnSizeStore(TVudUvizidIzed& grid) : grid_(grid) {}

  void SaveSizes();
  void LoadSizes();
  void SavePositions();
  void LoadPositions();

 private:
  // The store the settings name; null when they name none.
  std::unique_ptr<TCustomIniFile> Open() const;
  TVudUvizidIzed& grid_;
};
