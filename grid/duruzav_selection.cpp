// The disjunct selection's columns and single cells, and the selection look
// a cell gets from the range and the disjunct selections. Selected columns
// are kept as flags by column number apart from the selection rectangle.
#include <algorithm>

#include "grid/duruzav.h"

void TVudUvizidIzed::CheckColSelectIndex(int col) const {
  if (col < 0 || col >= ColCount()) throw EDurUzavError("Invalid column accessed");
}

bool TVudUvizidIzed::GetColSelect(int col) const {
  CheckColSelectIndex(col);
  return col < static_cast<int>(colSelect_.size()) && colSelect_[col] != 0;
}

void TVudUvizidIzed::SetColSelect(int col, bool select) {
  if (GetColSelect(col) == select) return;
  if (static_cast<int>(colSelect_.size()) <= col) colSelect_.resize(col + 1, 0);
  colSelect_[col] = select;
  InvalidateCol(col);
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

namespace {

// A cell of the selected cells list: column in the low, row in the high 16 bits.
int PackCell(int col, int row) {
  return static_cast<int>((static_cast<unsigned>(col) & 0xFFFF) | (static_cast<unsigned>(row) << 16));
}

}  // namespace

int TVudUvizidIzed::SelectedCellIndex(int col, int row) const {
  const int key = PackCell(col, row);
  for (int i = 0; i < selectedCells_.Count(); ++i)
    if (selectedCells_.Items(i) == key) return i;
  return -1;
}

bool TVudUvizidIzed::GetSelectedCells(int col, int row) const {
  if (mouseActions_.DisjunctCellSelect()) return SelectedCellIndex(col, row) >= 0;
  const TGridRect s = Selection();
  return std::min(s.Left, s.Right) <= col && col <= std::max(s.Left, s.Right) && std::min(s.Top, s.Bottom) <= row &&
         row <= std::max(s.Top, s.Bottom);
}

void TVudUvizidIzed::SetSelectedCells(int col, int row, bool selected) {
  const int index = SelectedCellIndex(col, row);
  if (selected && index < 0) selectedCells_.Add(PackCell(col, row));
  else if (!selected && index >= 0) selectedCells_.Delete(index);
  else return;
  RepaintCell(col, row);
}

void TVudUvizidIzed::SelectionLook(TBrush* brush, TColor& colorTo, TFont* font) const {
  brush->SetColor(settings_.SelectionColor);
  colorTo = settings_.SelectionColorTo;
  font->SetColor(settings_.SelectionTextColor);
}

// While the mouse drags a range, the range's cells show selected even in a
// row (column) that the disjunct selection does not hold; the current row
// of a drag does not show its old disjunct mark.
void TVudUvizidIzed::ApplySelectionLook(int col, int row, bool fixed, bool print, bool select, TGridDrawState& state,
                                        TBrush* brush, TColor& colorTo, TFont* font) {
  const bool showSelection = settings_.ShowSelection;
  const bool rowsDisjunct = mouseActions_.DisjunctRowSelect();
  const bool colsDisjunct = mouseActions_.DisjunctColSelect();
  if (!fixed && !print && select && showSelection) {
    auto disjunct = [&](bool held, bool current) {
      if ((held && !(mouseRangeSelecting_ && current)) || (!held && mouseRangeSelecting_ && (state & gdSelected))) {
        state = gdSelected;
        SelectionLook(brush, colorTo, font);
      }
    };
    if (rowsDisjunct) disjunct(GetRowSelect(DisjunctRow(row)), row == Row());
    if (colsDisjunct) disjunct(GetColSelect(col), col == Col());
    const bool inRange = IsSelected(col, row) && !rowsDisjunct && !colsDisjunct;
    if (inRange || ((state & gdSelected) && mouseRangeSelecting_)) {
      SelectionLook(brush, colorTo, font);
      state |= gdSelected;
    }
  } else if ((state & gdSelected) && mouseRangeSelecting_ && showSelection) {
    SelectionLook(brush, colorTo, font);
  }

  if (!mouseActions_.DisjunctCellSelect()) return;
  if (SelectedCellIndex(col, row) >= 0) {
    SelectionLook(brush, colorTo, font);
    state |= gdSelected;
  } else if (col == Col() && row == Row()) {
    state &= ~gdSelected;
    brush->SetColor(Color());
    font->SetColor(Font()->Color());
  }
}
