#pragma once
// A cell grid on a form with its cells filled from tables of texts.
#include <initializer_list>
#include <string>
#include <vector>

#include "framework/forms.h"
#include "grid/duruzav.h"

namespace modeltesting {

struct GridOnForm {
  TForm form{nullptr};
  TVudUvizidIzed grid{&form};

  // Column col from row 1 on; the grid gets just these body rows.
  void Column(int col, std::initializer_list<const char*> texts) {
    grid.SetRowCount(static_cast<int>(texts.size()) + 1);
    int r = 1;
    for (const char* t : texts) grid.SetGridCell(col, r++, t);
  }
  // The texts of a column from row 1 on (display rows).
  std::vector<std::string> Texts(int col) {
    std::vector<std::string> out;
    for (int r = 1; r < grid.RowCount(); ++r) out.push_back(grid.GetGridCell(col, r));
    return out;
  }
  // A column whose row r holds "r" (rows 0 .. RowCount-1).
  void NumberRows(int col) {
    for (int r = 0; r < grid.RowCount(); ++r) grid.SetGridCell(col, r, std::to_string(r));
  }
  std::vector<std::string> AllTexts(int col) {
    std::vector<std::string> out;
    for (int r = 0; r < grid.RowCount(); ++r) out.push_back(grid.GetGridCell(col, r));
    return out;
  }
};

inline TIntList Ints(std::initializer_list<int> values) {
  TIntList list(0, 0);
  for (int v : values) list.Insert(list.Count(), v);
  return list;
}

}  // namespace modeltesting
