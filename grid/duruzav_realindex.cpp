// Cell access by real column and real row (hidden rows included) and by
// the row order from before the last sort.
#include "framework/sysutils.h"
#include "grid/duruzav.h"
#include "grid/zgutil.h"

namespace {

bool InRow(const TStringList& row, int col) { return col >= 0 && col < row.Count(); }

}  // namespace

AnsiString TVudUvizidIzed::GetCellsEx(int col, int realRow) {
  if (const TStringList* hidden = HiddenRow(realRow)) return InRow(*hidden, col) ? hidden->Get(col) : AnsiString();
  return GetCellEx(col, RemapRow(realRow));
}

void TVudUvizidIzed::SetCellsEx(int col, int realRow, const AnsiString& value) {
  if (TStringList* hidden = HiddenRow(realRow)) {
    if (InRow(*hidden, col)) hidden->Put(col, value);
    return;
  }
  const int row = RemapRow(realRow);
  if (row < 0 || row >= RowCount()) return;
  SetCellEx(col, row, value);
  // SetCellEx repaints at the real column's place; the cell shows elsewhere
  // while columns before it are hidden.
  if (DisplColIndex(col) != col) RepaintCell(DisplColIndex(col), row);
}

WideString TVudUvizidIzed::GetWideCellsEx(int col, int realRow) { return DecodeWideStr(GetCellsEx(col, realRow)); }

void TVudUvizidIzed::SetWideCellsEx(int col, int realRow, const WideString& value) {
  SetCellsEx(col, realRow, EncodeWideStr(value));
}

// A hidden row keeps the cells' properties; the object a caller stored is
// the one those properties carry.
TObject* TVudUvizidIzed::GetObjectsEx(int col, int realRow) {
  if (const TStringList* hidden = HiddenRow(realRow)) {
    if (!InRow(*hidden, col)) return nullptr;
    TObject* kept = hidden->GetObject(col);
    if (const auto* props = dynamic_cast<const TCellProperties*>(kept)) return props->CellObject;
    return kept;
  }
  return GetObjectEx(col, RemapRow(realRow));
}

void TVudUvizidIzed::SetObjectsEx(int col, int realRow, TObject* object) {
  TStringList* hidden = HiddenRow(realRow);
  if (!hidden) {
    SetObjectEx(col, RemapRow(realRow), object);
    return;
  }
  if (!InRow(*hidden, col)) return;
  auto* props = dynamic_cast<TCellProperties*>(hidden->GetObject(col));
  if (!props) {
    if (!object) return;
    props = new TCellProperties(this, col, RemapRow(realRow));
    hidden->PutObject(col, props);
  }
  props->CellObject = object;
}

void TVudUvizidIzed::SetAllFloats(int col, int realRow, double value) {
  SetCellsEx(col, realRow, Format(settings_.FloatFormat, {value}));
}

int TVudUvizidIzed::GetAllColWidths(int col) const {
  if (IsHiddenColumn(col)) return hiddenColWidths_[col];
  return ColWidths(RemapColInv(col));
}

void TVudUvizidIzed::SetAllColWidths(int col, int width) {
  if (col < 0 || col >= TotalColCount()) return;
  if (col < kHideableCols) hiddenColWidths_[col] = width;
  if (!IsHiddenColumn(col)) SetColWidths(RemapColInv(col), width);
}

// ---- Row order before the last sort ----

int TVudUvizidIzed::SortedRowIndex(int row) {
  const int unsorted = row >= 0 && row < sortXRef_.Count() ? sortXRef_.Items(row) : row;
  return RemapRowInv(unsorted);
}

int TVudUvizidIzed::UnSortedRowIndex(int row) {
  if (sortXRef_.Count() == 0) return row;
  for (int j = 0; j < sortXRef_.Count(); ++j)
    if (sortXRef_.Items(j) == row) return j;
  return sortXRef_.Count();
}

AnsiString TVudUvizidIzed::GetUnSortedCell(int col, int row) {
  return GetCellEx(col, sortXRef_.Count() >= row ? UnSortedRowIndex(row) : row);
}

// A row the cross-reference does not hold maps behind the last row: that
// write is dropped rather than stored outside the grid.
void TVudUvizidIzed::SetUnSortedCell(int col, int row, const AnsiString& value) {
  const int target = sortXRef_.Count() >= row ? UnSortedRowIndex(row) : row;
  if (target >= 0 && target < RowCount()) SetCellEx(col, target, value);
}
