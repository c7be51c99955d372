// Inserting, removing and clearing rows and columns, merging runs of equal
// cells and splitting merged cells.
#include <algorithm>
#include <numeric>
#include <unordered_set>

#include "grid/duruzav.h"

// ---- Rows ----

void TVudUvizidIzed::InsertRows(int row, int count) {
  if (count < 1) return;
  row = std::clamp(row, 0, RowCount());
  CellControlsRowsInserted(row, count);
  InsertRowsAt(row, count);
  CellControlsUpdate();
  if (!(ComponentState() & csDestroying)) CellsChanged(TRect{0, row, ColCount() - 1, row + count});
}

// Hidden rows behind the removed ones are renumbered by the real indexes of
// the rows that leave (renumber), so that they keep meaning the same rows.
void TVudUvizidIzed::IRemoveRows(int row, int count, bool renumber) {
  if (row < 0 || row >= RowCount()) return;
  count = std::min(count, RowCount() - row);
  if (count < 1) return;
  const int current = Row(), top = TopRow();
  TGridUpdate update(*this);
  if (renumber) {
    std::vector<int> rows(count);
    std::iota(rows.begin(), rows.end(), row);
    CellControlsRowsRemoved(rows);
    hiddenRows_.RowsRemoved(row, count);
  }
  EraseRowsAt(row, count);
  RestoreCurrentRow(current, top);
  CellsChanged(TRect{0, row, ColCount() - 1, row + count});
  CellControlsUpdate();
}

void TVudUvizidIzed::RemoveRowsInternal(int row, int count) {
  if (row < 0 || row >= RowCount() || count < 1) return;
  count = std::min(count, RowCount() - row);
  ClearPropRect(0, row, StoredColCount() - 1, row + count - 1);
  IRemoveRows(row, count, true);
}

// The three removals free the rows' cell properties and renumber the
// hidden rows alike; each stays a slot of its own for descendants.
void TVudUvizidIzed::RemoveRows(int row, int count) { TVudUvizidIzed::RemoveRowsInternal(row, count); }
void TVudUvizidIzed::RemoveRowsEx(int row, int count) { TVudUvizidIzed::RemoveRowsInternal(row, count); }

// The footer row stays the last row.
void TVudUvizidIzed::AddRow() {
  if (floatingFooter_.FixedLastRow()) InsertRows(RowCount() - 1, 1);
  else InsertRowsAt(RowCount(), 1);
}

void TVudUvizidIzed::RemoveRowSet(const std::vector<int>& rows) {
  if (rows.empty()) return;
  const int current = Row(), top = TopRow();
  TGridUpdate update(*this);
  CellControlsRowsRemoved(rows);
  std::vector<char> leaving(RowCount(), 0);
  for (int r : rows) leaving[r] = 1;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    for (int c = 0; c < StoredColCount(); ++c) {
      if (GetGridObject(c, *it)) {
        ClearPropRect(0, *it, StoredColCount() - 1, *it);
        break;
      }
    }
    hiddenRows_.RowsRemoved(*it, 1);
  }
  std::vector<int> order;
  order.reserve(RowCount());
  for (int d = 0; d < RowCount(); ++d)
    if (!leaving[d]) order.push_back(d);
  for (int r : rows) order.push_back(r);
  PermuteRows(0, order);
  EraseRowsAt(RowCount() - static_cast<int>(rows.size()), static_cast<int>(rows.size()));
  RestoreCurrentRow(current, top);
  CellsChanged(TRect{0, rows.front(), ColCount() - 1, rows.back()});
  CellControlsUpdate();
}

void TVudUvizidIzed::RemoveDuplicates(int col, bool caseSensitive) {
  const int real = RemapCol(col);
  std::unordered_set<AnsiString> seen;
  std::vector<int> duplicates;
  for (int r = FixedRows(); r <= LastNormalRow(); ++r) {
    const AnsiString& text = GetCellEx(real, r);
    if (!seen.insert(caseSensitive ? text : UpperCase(text)).second) duplicates.push_back(r);
  }
  RemoveRowSet(duplicates);
}

// Under disjunct row selection the rows' own flags decide, read by real
// row when the flags stay with their rows.
std::vector<int> TVudUvizidIzed::SelectedRows(bool selected) const {
  const TGridRect sel = Selection();
  const auto isSelected = [&](int r) {
    if (mouseActions_.DisjunctRowSelect()) return GetRowSelect(mouseActions_.RowSelectPersistent ? RemapRowInv(r) : r);
    return r >= sel.Top && r <= sel.Bottom;
  };
  std::vector<int> rows;
  for (int r = FixedRows(); r <= LastNormalRow(); ++r)
    if (isSelected(r) == selected) rows.push_back(r);
  return rows;
}

void TVudUvizidIzed::RemoveSelectedRows() { RemoveRowSet(SelectedRows(true)); }
void TVudUvizidIzed::RemoveUnSelectedRows() { RemoveRowSet(SelectedRows(false)); }

namespace {

void HideDisplayRows(TVudUvizidIzed& grid, const std::vector<int>& rows) {
  TGridUpdate update(grid);
  TIntList reals(0, 0);
  for (int r : rows) reals.Insert(reals.Count(), grid.RemapRowInv(r));
  grid.HideRowList(reals);
}

}  // namespace

void TVudUvizidIzed::HideSelectedRows() { HideDisplayRows(*this, SelectedRows(true)); }
void TVudUvizidIzed::HideUnSelectedRows() { HideDisplayRows(*this, SelectedRows(false)); }

// ---- Columns ----

void TVudUvizidIzed::InsertCols(int col, int count) {
  if (count < 1) return;
  col = std::clamp(col, 0, TotalColCount());
  const int display = RemapColInv(col);
  // The new columns are stored behind all others, then moved to col.
  SetColCount(ColCount() + count);
  for (int i = 0; i < count; ++i) MoveStoredColumn(StoredColCount() - 1, col);
  for (int d = ColCount() - 1; d >= display + count; --d) SetColWidths(d, ColWidths(d - count));
  for (int d = display; d < display + count; ++d) SetColWidths(d, DefaultColWidth());
  ColumnTablesInserted(col, count);
}

void TVudUvizidIzed::RemoveCols(int col, int count) {
  count = std::min(count, TotalColCount() - col);
  if (col < 0 || count < 1) return;
  ClearCols(col, count);
  int hidden = 0, shown = 0;
  for (int c = col; c < col + count; ++c) (IsHiddenColumn(c) ? hidden : shown) += 1;
  shown = std::min(shown, ColCount() - 1);  // the grid keeps one column
  const int display = RemapColInv(col);
  for (int d = display; d + shown < ColCount(); ++d) SetColWidths(d, ColWidths(d + shown));
  for (int i = 0; i < count; ++i) MoveStoredColumn(col, StoredColCount() - 1);
  ColumnTablesRemoved(col, count);
  hiddenColCount_ -= hidden;
  SetReservedCols(hiddenColCount_);
  // The storage drops the moved-out columns; with only hidden ones gone the
  // shown count stays and the storage is trimmed by hand.
  if (shown > 0) SetColCount(ColCount() - shown);
  else SizeChanged(ColCount(), RowCount());
  CellsChanged(TRect{col, 0, col + count, RowCount() - 1});
}

void TVudUvizidIzed::MergeCols(int col1, int col2, const AnsiString& separator) {
  for (int r = FixedRows(); r < RowCount(); ++r)
    SetGridCell(col1, r, Trim(GetGridCell(col1, r) + separator + GetGridCell(col2, r)));
  RemoveCols(col2, 1);
}

// ---- Clearing ----

void TVudUvizidIzed::ClearRect(int col1, int row1, int col2, int row2) {
  col1 = std::max(col1, 0), row1 = std::max(row1, 0);
  col2 = std::min(col2, StoredColCount() - 1), row2 = std::min(row2, RowCount() - 1);
  if (SortScratchClear) {
    // The scratch cells only borrow their objects.
    for (int r = row1; r <= row2; ++r)
      for (int c = col1; c <= col2; ++c) SetGridObject(c, r, nullptr);
  } else {
    ClearPropRect(col1, row1, col2, row2);
  }
  if (ComponentState() & csDestroying) return;
  for (int r = row1; r <= row2; ++r)
    for (int c = col1; c <= col2; ++c)
      if (!CellText(c, r).empty()) SetGridCell(c, r, AnsiString());
  CellsChanged(TRect{col1, row1, col2, row2});
}

void TVudUvizidIzed::ClearRows(int row, int count) {
  if (count >= 1) ClearRect(0, row, TotalColCount() - 1, row + count - 1);
}

void TVudUvizidIzed::ClearCols(int col, int count) {
  if (count >= 1) ClearRect(col, 0, col + count - 1, RowCount() - 1);
}

void TVudUvizidIzed::ClearNormalCols(int col, int count) {
  if (count >= 1) ClearRect(col, FixedRows(), col + count - 1, LastNormalRow());
}

void TVudUvizidIzed::ClearNormalRows(int row, int count) {
  if (count >= 1) ClearRect(FixedCols(), row, TotalColCount() - 1 - Props().FixedRightCols, row + count - 1);
}

void TVudUvizidIzed::ClearNormalCells() {
  if (FixedCols() == 0 && HasNodes()) RemoveAllNodes();
  ClearRect(FixedCols(), FixedRows(), TotalColCount() - 1 - Props().FixedRightCols, LastNormalRow());
}

// Disjunct selections clear their flagged rows or columns; with both on,
// both are cleared.
void TVudUvizidIzed::ClearSelection() {
  const bool rows = mouseActions_.DisjunctRowSelect(), cols = mouseActions_.DisjunctColSelect();
  if (rows)
    for (int r : SelectedRows(true)) ClearRows(r, 1);
  if (cols)
    for (int c = FixedCols(); c < ColCount(); ++c)
      if (GetColSelect(c)) ClearCols(RemapCol(c), 1);
  if (rows || cols) return;
  const TGridRect sel = Selection();
  ClearRect(RemapCol(sel.Left), sel.Top, RemapCol(sel.Right), sel.Bottom);
}

void TVudUvizidIzed::Clear() {
  if (HasNodes()) RemoveAllNodes();
  ClearRect(0, 0, TotalColCount() - 1, RowCount() - 1);
}

// ---- Merging and splitting ----

void TVudUvizidIzed::MergeColumnCells(int col, bool mainMerge) {
  int first = FixedRows();
  const auto mergeRun = [&](int end) {
    if (end - first >= 2) MergeCells(col, first, 1, end - first);
  };
  for (int r = FixedRows() + 1; r <= LastNormalRow(); ++r) {
    const bool continues = GetCellEx(col, r) == GetCellEx(col, r - 1) && (mainMerge || RowSpanIdentical(r - 1, r));
    if (continues) continue;
    mergeRun(r);
    first = r;
  }
  mergeRun(LastNormalRow() + 1);
}

void TVudUvizidIzed::MergeRowCells(int row, bool mainMerge) {
  const int last = ColCount() - 1 - Props().FixedRightCols;
  int first = FixedCols();
  for (int c = FixedCols() + 1; c <= last + 1; ++c) {
    if (c <= last && GetCellEx(c, row) == GetCellEx(c - 1, row) && (mainMerge || ColSpanIdentical(c - 1, c))) continue;
    MergeCells(first, row, c - first, 1);
    first = c;
  }
}

void TVudUvizidIzed::SplitColumnCells(int col) {
  for (int r = 0; r <= LastNormalRow(); ++r)
    if (IsMergedCell(col, r) && IsBaseCell(col, r)) SplitCells(col, r);
}

void TVudUvizidIzed::SplitRowCells(int row) {
  for (int c = 0; c < ColCount() - Props().FixedRightCols; ++c)
    if (IsMergedCell(c, row) && IsBaseCell(c, row)) SplitCells(c, row);
}

void TVudUvizidIzed::SplitAllCells() {
  for (int r = 0; r < RowCount(); ++r) SplitRowCells(r);
}

// ---- Queries ----

bool TVudUvizidIzed::IsWideCell(int col, int row) const { return CellText(col, row).starts_with("|\\"); }

bool TVudUvizidIzed::IsCell(const AnsiString& text, int& col, int& row) const {
  for (int r = 0; r < RowCount(); ++r) {
    for (int c = 0; c < ColCount(); ++c) {
      if (CellText(c, r) == text) {
        col = c, row = r;
        return true;
      }
    }
  }
  return false;
}
