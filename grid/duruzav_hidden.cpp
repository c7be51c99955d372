// Hidden rows and columns, the mapping between display and real indexes,
// the current row, the hidden selection, the save range and the column order.
#include <algorithm>
#include <numeric>

#include "grid/duruzav.h"
#include "grid/zgutil.h"

// ---- Index mapping ----

int TVudUvizidIzed::RemapRow(int realRow) const { return realRow - hiddenRows_.CountBelow(realRow); }

int TVudUvizidIzed::RemapRowInv(int displayRow) const {
  return displayRow < 0 ? -1 : hiddenRows_.RealOfDisplay(displayRow);
}

int TVudUvizidIzed::RemapCol(int displayCol) const {
  if (displayCol >= kHideableCols || hiddenColCount_ == 0) return displayCol;
  int shown = 0;
  for (int c = 0; c < kHideableCols; ++c) {
    if (!columnVisible_[c]) continue;
    if (shown == displayCol) return c;
    ++shown;
  }
  return 0;
}

int TVudUvizidIzed::RemapColInv(int realCol) const {
  if (realCol >= kHideableCols || hiddenColCount_ == 0) return realCol;
  return realCol - static_cast<int>(std::count(columnVisible_.begin(), columnVisible_.begin() + std::max(realCol, 0), false));
}

TStringList* TVudUvizidIzed::HiddenRow(int realRow) const { return hiddenRows_.Find(realRow); }

// ---- Hiding rows ----

void TVudUvizidIzed::HideRows(int fromReal, int toReal) {
  fromReal = std::max(fromReal, 0);
  toReal = std::min(toReal, TotalRowCount() - 1);
  std::vector<int> shown;
  for (int r = fromReal; r <= toReal; ++r)
    if (!IsHiddenRow(r)) shown.push_back(r);
  // The grid keeps one row.
  shown.resize(std::min<int>(shown.size(), RowCount() - 1));
  if (shown.empty()) return;
  // The shown rows of the range are consecutive display rows.
  const int display = RemapRow(shown.front());
  for (int i = 0; i < static_cast<int>(shown.size()); ++i)
    ReadRow(display + i, *hiddenRows_.Insert(shown[i], RowHeights(display + i)));
  IRemoveRows(display, static_cast<int>(shown.size()), false);
}

void TVudUvizidIzed::HideRowList(const TIntList& realRows) {
  std::vector<int> rows;
  for (int i = 0; i < realRows.Count(); ++i) rows.push_back(realRows.Items(i));
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::erase_if(rows, [this](int r) { return r < 0 || r >= TotalRowCount() || IsHiddenRow(r); });
  rows.resize(std::min<int>(rows.size(), RowCount() - 1));
  if (rows.empty()) return;
  // Rows listed by real index may lie behind rows hidden before: their
  // display rows are found first (in the same order), then their cells move
  // out and the grid closes up in one pass.
  std::vector<char> leaving(RowCount(), 0);
  for (int r : rows) leaving[RemapRow(r)] = 1;
  const int row = Row(), top = TopRow();
  THiddenRows::Block block = hiddenRows_.TakeRoom();
  TakeRows(leaving, block.cells, block.heights);
  block.rows.assign(rows.begin(), rows.end());
  hiddenRows_.Merge(std::move(block));
  RestoreCurrentRow(row, top);
  CellControlsUpdate();
}

void TVudUvizidIzed::HideRowsEx(int fromReal, int toReal) {
  // Hiding leaves the real indexes of the other hidden rows as they are.
  if (!IsHiddenRow(fromReal)) HideRows(fromReal, toReal);
}

// ---- Showing rows ----

void TVudUvizidIzed::UnHideRow(int realRow) { UnHideRows(realRow, realRow); }

void TVudUvizidIzed::UnHideRows(int fromReal, int toReal) {
  if (!IsHiddenRow(fromReal)) return;
  const int first = hiddenRows_.CountBelow(fromReal);
  const int last = hiddenRows_.CountBelow(toReal + 1);
  // Once shown, each row's display index is its real index less the
  // hidden rows that stay before it.
  for (int k = first; k < last;) {
    int run = 1;
    while (k + run < last && hiddenRows_.Idx(k + run) == hiddenRows_.Idx(k) + run) ++run;
    const int display = hiddenRows_.Idx(k) - first;
    InsertRowsAt(display, run);
    for (int i = 0; i < run; ++i) {
      WriteRow(display + i, *hiddenRows_.Items(k + i));
      SetRowHeights(display + i, hiddenRows_.Height(k + i));
    }
    k += run;
  }
  hiddenRows_.Erase(first, last);
  if (last > first) {
    CellsChanged(TRect{0, RemapRow(fromReal), ColCount() - 1, RemapRow(std::min(toReal, TotalRowCount() - 1))});
  }
  CellControlsUpdate();
}

void TVudUvizidIzed::UnHideRowsAll() {
  while (hiddenRows_.Count() > 0) {
    int run = 1;
    while (run < hiddenRows_.Count() && hiddenRows_.Idx(run) == hiddenRows_.Idx(0) + run) ++run;
    UnHideRows(hiddenRows_.Idx(0), hiddenRows_.Idx(run - 1));
  }
}

void TVudUvizidIzed::UnHideRowList() {
  if (hiddenRows_.Count() == 0) return;
  // With every row shown, a row's display index is its real index.
  THiddenRows::Block block = hiddenRows_.TakeAll();
  PutRowsBack(block.rows, block.cells, block.heights);
  hiddenRows_.KeepRoom(std::move(block));
  CellControlsUpdate();
}

// ---- Hiding columns ----

void TVudUvizidIzed::SetVisibleCol(int realCol, bool visible) {
  if (realCol >= 0 && realCol < kHideableCols) columnVisible_[realCol] = visible;
}

void TVudUvizidIzed::HideColumns(int fromReal, int toReal) {
  HideEditor();
  for (int c = std::max(fromReal, 0); c <= toReal; ++c) {
    if (c >= kHideableCols || c >= TotalColCount() || ColCount() < 2) break;
    if (IsHiddenColumn(c)) continue;
    const int display = RemapColInv(c);
    hiddenColWidths_[c] = ColWidths(display);
    for (int d = display; d < ColCount() - 1; ++d) SetColWidths(d, ColWidths(d + 1));
    ++hiddenColCount_;
    columnVisible_[c] = false;
    // The column's cells stay stored behind the shown ones.
    SetReservedCols(hiddenColCount_);
    SetColCount(ColCount() - 1);
  }
  Invalidate();
  CellControlsUpdate();
}

void TVudUvizidIzed::UnHideColumns(int fromReal, int toReal) {
  HideEditor();
  for (int c = std::max(fromReal, 0); c <= std::min(toReal, kHideableCols - 1); ++c) {
    if (!IsHiddenColumn(c)) continue;
    --hiddenColCount_;
    columnVisible_[c] = true;
    SetReservedCols(hiddenColCount_);
    SetColCount(ColCount() + 1);
    const int display = RemapColInv(c);
    for (int d = ColCount() - 1; d > display; --d) SetColWidths(d, ColWidths(d - 1));
    SetColWidths(display, hiddenColWidths_[c]);
  }
  Invalidate();
  CellControlsUpdate();
}

// ---- Current row, view and selection ----

void TVudUvizidIzed::SetRowEx(int row) {
  SetRow(row);
  if (Row() != rowUpdateMemory_ && OnRowUpdate) {
    OnRowUpdate(this, rowUpdateMemory_, Row());
    rowUpdateMemory_ = Row();
  }
}

void TVudUvizidIzed::ScrollInView(int col, int row) {
  if (col >= ColCount() || row >= RowCount()) return;
  int left = LeftCol(), top = TopRow();
  if (col < LeftCol() || col >= LeftCol() + VisibleColCount()) {
    SetCol(col);
    left = std::max(col - VisibleColCount() / 2, FixedCols());
  }
  if (row < TopRow() || row >= TopRow() + VisibleRowCount()) {
    SetRowEx(row);
    top = std::max(row - VisibleRowCount() / 2, FixedRows());
  }
  SetLeftCol(std::min(left, ColCount() - VisibleColCount()));
  SetTopRow(std::min(top, RowCount() - VisibleRowCount()));
}

void TVudUvizidIzed::HideSelection() {
  savedSelection_ = Selection();
  SetSelection({ColCount(), RowCount(), ColCount(), RowCount()});
  selectionHidden_ = true;
}

void TVudUvizidIzed::UnHideSelection() {
  selectionHidden_ = false;
  if (savedSelection_.Top < RowCount() && savedSelection_.Left < ColCount()) {
    SetSelection(savedSelection_);
    return;
  }
  const int top = Props().FixedRowAlways && FixedRows() == RowCount() ? 0 : FixedRows();
  const int left = Props().FixedColAlways && FixedCols() == ColCount() ? 0 : FixedCols();
  SetSelection({left, top, left, top});
}

void TVudUvizidIzed::RestoreCurrentRow(int row, int topRow) {
  if (row <= LastNormalRow() && row < RowCount()) {
    SetRow(row);
    SetTopRow(topRow);
  } else if (LastNormalRow() >= FixedRows()) {
    SetRow(LastNormalRow());
  } else {
    HideSelection();
    return;
  }
  selectionHidden_ = false;
}

// ---- Save range ----

int TVudUvizidIzed::GetSaveStartCol() const { return ExportFixedCells ? 0 : FixedCols(); }
int TVudUvizidIzed::GetSaveStartRow() const { return ExportFixedCells ? 0 : FixedRows(); }
int TVudUvizidIzed::GetSaveEndCol() const {
  return ExportFixedCells ? ColCount() - 1 : ColCount() - Props().FixedRightCols - 1;
}
int TVudUvizidIzed::GetSaveEndRow() const { return ExportFixedCells ? RowCount() - 1 : LastNormalRow(); }
int TVudUvizidIzed::GetSaveColCount() const {
  return ExportFixedCells ? ColCount() : ColCount() - FixedCols() - Props().FixedRightCols;
}
int TVudUvizidIzed::GetSaveRowCount() const {
  return ExportFixedCells ? RowCount() : RowCount() - FixedRows() - Props().FixedFooters;
}

// ---- Column order ----

void TVudUvizidIzed::SetColumnOrder() {
  columnOrder_.Clear();
  for (int c = 0; c < ColCount(); ++c) columnOrder_.Add(c);
}

void TVudUvizidIzed::MoveColumn(int from, int to) {
  if (columnOrder_.Count() == 0) SetColumnOrder();
  TCustomGrid::MoveColumn(from, to);
}

void TVudUvizidIzed::ResetColumnOrder() {
  // A list that is no order of the columns must not move them for ever.
  for (int pass = 0, moved = true; moved && pass <= ColCount(); ++pass) {
    moved = false;
    for (int i = 0; i < std::min(ColCount(), columnOrder_.Count()); ++i) {
      const int recorded = columnOrder_.Items(i);
      if (recorded < i) {
        MoveColumn(i, recorded);
        moved = true;
      }
    }
  }
}

WideString TVudUvizidIzed::GetWideCells(int col, int row) { return DecodeWideStr(GetCellEx(col, row)); }

void TVudUvizidIzed::SetWideCells(int col, int row, const WideString& value) {
  SetGridCell(col, row, EncodeWideStr(value));
}
