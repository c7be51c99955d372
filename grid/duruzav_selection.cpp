// The disjunct column selection: columns selected one by one, kept as flags
// by column number apart from the selection rectangle.
#include "grid/duruzav.h"

void TVudUvizidIzed::CheckColSelectIndex(int col) const {
  if (col < 0 || col >= ColCount()) throw EDurUzavError("Invalid column accessed");
}

bool TVudUvizidIzed::GetColSelect(int col) {
  CheckColSelectIndex(col);
  if (static_cast<int>(colSelect_.size()) <= col) colSelect_.resize(col + 1, 0);
  return colSelect_[col] != 0;
}

void TVudUvizidIzed::SetColSelect(int col, bool select) {
  if (GetColSelect(col) != select) InvalidateCol(col);
  colSelect_[col] = select;
}

int TVudUvizidIzed::GetColSelectCount() const {
  return static_cast<int>(std::count(colSelect_.begin(), colSelect_.end(), 1));
}

void TVudUvizidIzed::ClearColSelect() {
  for (int c = 0; c < static_cast<int>(colSelect_.size()); ++c) {
    if (colSelect_[c]) InvalidateCol(c);
    colSelect_[c] = 0;
  }
}

void TVudUvizidIzed::SelectCols(int col, int count) {
  if (!mouseActions_.DisjunctColSelect()) {
    SetSelection(TGridRect{col, FixedRows(), col + count - 1, RowCount() - 1});
    return;
  }
  for (int c = col; c < col + count; ++c)
    if (c >= 0 && c < ColCount()) SetColSelect(c, true);
}

void TVudUvizidIzed::SelectToColSelect(bool replace) {
  const TGridRect sel = Selection();
  for (int c = FixedCols(); c < ColCount(); ++c) {
    const bool inside = c >= sel.Left && c <= sel.Right;
    if (replace || inside) SetColSelect(c, inside);
  }
}
