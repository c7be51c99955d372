// The disjunct selection's rows, columns and single cells, the conversions
// from the selection rectangle, and the selection look a cell gets from the
// range and the disjunct selections. Selected rows and columns are kept as
// flags by number apart from the selection rectangle; the flags never
// shrink and may reach beyond the grid.
#include <algorithm>
#include <unordered_set>

#include "grid/duruzav.h"

namespace {

// Grows a flag list so that index is in it; new flags are clear.
void GrowFlags(std::vector<char>& flags, int index) {
  if (static_cast<int>(flags.size()) <= index) flags.resize(index + 1, 0);
}

int CountFlags(const std::vector<char>& flags) {
  return static_cast<int>(std::count(flags.begin(), flags.end(), 1));
}

}  // namespace

// ---- Rows ----

void TVudUvizidIzed::CheckRowSelectIndex(int row) const {
  if (row < 0 || row >= RowCount() + NumHiddenRows()) throw EDurUzavError("Invalid row accessed");
}

// A flag kept by real row shows at that row's display place (none while
// the row is hidden: RepaintRow skips rows out of view).
void TVudUvizidIzed::RepaintSelectRow(int index) {
  RepaintRow(mouseActions_.RowSelectPersistent ? RemapRow(index) : index);
}

bool TVudUvizidIzed::GetRowSelect(int row) const {
  CheckRowSelectIndex(row);
  if (mouseActions_.DisjunctRowSelect()) return row < static_cast<int>(rowSelect_.size()) && rowSelect_[row] != 0;
  const TGridRect sel = Selection();
  return std::min(sel.Top, sel.Bottom) <= row && row <= std::max(sel.Top, sel.Bottom);
}

void TVudUvizidIzed::SetRowSelect(int row, bool select) {
  CheckRowSelectIndex(row);
  GrowFlags(rowSelect_, row);
  if (rowSelect_[row] == select) return;
  rowSelect_[row] = select;
  RepaintSelectRow(row);
}

int TVudUvizidIzed::GetRowSelectCount() const {
  if (mouseActions_.DisjunctRowSelect()) return CountFlags(rowSelect_);
  const TGridRect sel = Selection();
  return std::abs(sel.Bottom - sel.Top) + 1;
}

void TVudUvizidIzed::ClearRowSelect() {
  for (int i = 0; i < static_cast<int>(rowSelect_.size()); ++i) {
    if (rowSelect_[i]) RepaintSelectRow(i);
    rowSelect_[i] = 0;
  }
}

void TVudUvizidIzed::SelectRows(int row, int count) {
  if (!mouseActions_.DisjunctRowSelect()) {
    SetSelection(TGridRect{FixedCols(), row, ColCount() - 1, row + count - 1});
    return;
  }
  for (int r = std::max(row, 0); r < row + count && r < RowCount(); ++r) SetRowSelect(DisjunctRow(r), true);
}

void TVudUvizidIzed::SelectToRowSelect(bool replace) {
  const TGridRect sel = Selection();
  for (int r = FixedRows(); r < RowCount(); ++r) {
    const bool inside = r >= sel.Top && r <= sel.Bottom;
    if (replace || inside) SetRowSelect(DisjunctRow(r), inside);
  }
}

void TVudUvizidIzed::SelectRange(int fromCol, int toCol, int fromRow, int toRow) {
  SetRowEx(toRow);
  SetCol(toCol);
  SetSelection(TGridRect{fromCol, fromRow, toCol, toRow});
}

// ---- Columns ----

void TVudUvizidIzed::CheckColSelectIndex(int col) const {
  if (col < 0 || col >= ColCount()) throw EDurUzavError("Invalid column accessed");
}

bool TVudUvizidIzed::GetColSelect(int col) const {
  CheckColSelectIndex(col);
  return col < static_cast<int>(colSelect_.size()) && colSelect_[col] != 0;
}

void TVudUvizidIzed::SetColSelect(int col, bool select) {
  if (GetColSelect(col) == select) return;
  GrowFlags(colSelect_, col);
  colSelect_[col] = select;
  RepaintCol(col);
}

int TVudUvizidIzed::GetColSelectCount() const { return CountFlags(colSelect_); }

void TVudUvizidIzed::ClearColSelect() {
  for (int c = 0; c < static_cast<int>(colSelect_.size()); ++c) {
    if (colSelect_[c]) RepaintCol(c);
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

bool TVudUvizidIzed::AddSelectedCell(int col, int row) {
  if (SelectedCellIndex(col, row) >= 0) return false;
  selectedCells_.Add(PackCell(col, row));
  return true;
}

TGridCoord TVudUvizidIzed::GetSelectedCell(int index) const {
  const auto packed = static_cast<unsigned>(selectedCells_.Items(index));
  return TGridCoord{static_cast<int>(packed & 0xFFFF), static_cast<int>(packed >> 16)};
}

void TVudUvizidIzed::RepaintSelectedCells() {
  for (int i = 0; i < selectedCells_.Count(); ++i) {
    const TGridCoord cell = GetSelectedCell(i);
    RepaintCell(cell.X, cell.Y);
  }
}

// A cell already held is not added again, so that one unmarking takes it
// out for good. The held cells are looked up in a set: a large rectangle
// would make a search of the list per cell quadratic.
void TVudUvizidIzed::MergeSelectionIntoCells(TGridCoord except) {
  const TGridRect sel = Selection();
  std::unordered_set<int> held;
  for (int i = 0; i < selectedCells_.Count(); ++i) held.insert(selectedCells_.Items(i));
  for (int c = sel.Left; c <= sel.Right; ++c)
    for (int r = sel.Top; r <= sel.Bottom; ++r)
      if (TGridCoord{c, r} != except && held.insert(PackCell(c, r)).second) selectedCells_.Add(PackCell(c, r));
}

int TVudUvizidIzed::GetSelectedCellsCount() {
  if (!mouseActions_.DisjunctCellSelect()) selectedCells_.Clear();
  const TGridRect sel = Selection();
  if (sel.Left != sel.Right || sel.Top != sel.Bottom) MergeSelectionIntoCells(TGridCoord{-1, -1});
  return selectedCells_.Count();
}

void TVudUvizidIzed::ClearSelectedCells() {
  SetSelection(TGridRect{FixedCols(), FixedRows(), FixedCols(), FixedRows()});
  selectedCells_.Clear();
  Invalidate();
}

// ---- Repainting ----

void TVudUvizidIzed::RepaintCol(int col) {
  const TRect top = TBaseGrid::CellRect(col, TopRow());
  if (!top.IsEmpty()) InvalidateRect({top.Left, top.Top, top.Right, ClientHeight()});
}

void TVudUvizidIzed::InvalidateGridRect(const TGridRect& r) {
  InvalidateRect(TBaseGrid::CellRect(r.Left, r.Top));
  InvalidateRect(TBaseGrid::CellRect(r.Right, r.Bottom));
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
