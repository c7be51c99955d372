// Moving, inserting and removing columns: everything the grid keeps per
// real column follows its column.
#include <algorithm>
#include <set>

#include "grid/duruzav.h"

namespace {

// Where index i stands after the entry at from was taken out and put in at to.
int MovedIndex(int i, int from, int to) {
  if (i == from) return to;
  if (from < to && i > from && i <= to) return i - 1;
  if (to < from && i >= to && i < from) return i + 1;
  return i;
}

// Takes entry from out of a table and puts it in at to. Entries past the
// table count as defaults that never move.
template <class Table>
void MoveEntry(Table& table, int from, int to) {
  const int last = static_cast<int>(table.size()) - 1;
  from = std::min(from, last);
  to = std::min(to, last);
  if (from < to) std::rotate(table.begin() + from, table.begin() + from + 1, table.begin() + to + 1);
  else if (to < from) std::rotate(table.begin() + to, table.begin() + from, table.begin() + from + 1);
}

}  // namespace

// The framework grid has moved the column's width by display index.
void TVudUvizidIzed::ColumnMovedData(int from, int to) {
  const int realFrom = RemapCol(from), realTo = RemapCol(to);
  // A column moved with the mouse records the order as MoveColumn does.
  if (columnOrder_.Count() == 0) SetColumnOrder();
  if (from < columnOrder_.Count() && to < columnOrder_.Count()) {
    const int entry = columnOrder_.Items(from);
    columnOrder_.Delete(from);
    columnOrder_.Insert(to, entry);
  }
  TBaseGrid::ColumnMovedData(realFrom, realTo);
  MoveEntry(columnVisible_, realFrom, realTo);
  MoveEntry(hiddenColWidths_, realFrom, realTo);
  // A hidden row keeps its cells by real column, like the shown ones.
  for (int k = 0; k < hiddenRows_.Count(); ++k) {
    TStringList& cells = *hiddenRows_.Items(k);
    while (cells.Count() <= std::max(realFrom, realTo)) cells.Add(AnsiString());
    cells.Move(realFrom, realTo);
  }
  TSortSettings& sort = *SortSettings();
  if (sort.Column >= 0) sort.Column = MovedIndex(sort.Column, realFrom, realTo);
  for (int i = 0; i < sortIndexes_.Count(); ++i)
    sortIndexes_.SetSortColumns(i, MovedIndex(sortIndexes_.SortColumns(i), realFrom, realTo));
  if (const int col = MovedIndex(Col(), from, to); col != Col()) SetCol(col);
}

// ---- Columns inserted and removed ----

void TVudUvizidIzed::ColumnTablesInserted(int col, int count) {
  for (int c = kHideableCols - 1; c >= col + count; --c) {
    columnVisible_[c] = columnVisible_[c - count];
    hiddenColWidths_[c] = hiddenColWidths_[c - count];
  }
  for (int c = col; c < std::min(col + count, kHideableCols); ++c) {
    columnVisible_[c] = true;
    hiddenColWidths_[c] = 0;
  }
  // A hidden row shorter than col has no cells there to move.
  for (int k = 0; k < hiddenRows_.Count(); ++k) {
    TStringList& cells = *hiddenRows_.Items(k);
    for (int i = 0; i < count && col <= cells.Count(); ++i) cells.Insert(col, AnsiString());
  }
}

void TVudUvizidIzed::ColumnTablesRemoved(int col, int count) {
  for (int c = col; c < kHideableCols; ++c) {
    const bool kept = c + count < kHideableCols;
    columnVisible_[c] = kept ? columnVisible_[c + count] : true;
    hiddenColWidths_[c] = kept ? hiddenColWidths_[c + count] : 0;
  }
  std::set<TObject*> dropped;
  for (int k = 0; k < hiddenRows_.Count(); ++k) {
    TStringList& cells = *hiddenRows_.Items(k);
    for (int i = 0; i < count && col < cells.Count(); ++i) {
      if (TObject* object = cells.GetObject(col)) dropped.insert(object);
      cells.Delete(col);
    }
  }
  if (dropped.empty()) return;
  // A properties object copied into several cells is freed with the last.
  for (int k = 0; k < hiddenRows_.Count(); ++k) {
    const TStringList& cells = *hiddenRows_.Items(k);
    for (int c = 0; c < cells.Count(); ++c) dropped.erase(cells.GetObject(c));
  }
  for (int c = 0; c < StoredColCount(); ++c)
    for (int r = 0; r < RowCount(); ++r) dropped.erase(GetGridObject(c, r));
  for (TObject* object : dropped) delete object;
}
