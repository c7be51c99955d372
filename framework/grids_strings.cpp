// TStringGrid: a text and an object per cell, moving with its column or row.
#include <algorithm>
#include <set>

#include "framework/grids.h"

TStringGrid::TStringGrid(TComponent* owner) : TCustomGrid(owner) { SizeChanged(0, 0); }

namespace {

bool IsEmpty(const TStringGrid::Cell& cell) { return cell.text.empty() && !cell.object; }

}  // namespace

const TStringGrid::Cell* TStringGrid::Find(int col, int row) const {
  if (col < 0 || row < 0 || col >= StoredColCount() || row >= RowCount()) return nullptr;
  return &cells_[col][row];
}

TStringGrid::Cell& TStringGrid::At(int col, int row) {
  if (col < 0 || row < 0 || col >= StoredColCount() || row >= RowCount())
    throw EInvalidOperation("Grid index out of range (" + IntToStr(col) + ", " + IntToStr(row) + ")");
  return cells_[col][row];
}

AnsiString TStringGrid::Cells(int col, int row) const {
  const Cell* c = Find(col, row);
  return c ? c->text : AnsiString();
}

void TStringGrid::SetCells(int col, int row, const AnsiString& value) {
  Cell& c = At(col, row);
  if (c.text == value) return;
  c.text = value;
  InvalidateCell(col, row);
}

TObject* TStringGrid::Objects(int col, int row) const {
  const Cell* c = Find(col, row);
  return c ? c->object : nullptr;
}

void TStringGrid::SetObjects(int col, int row, TObject* object) { At(col, row).object = object; }

std::vector<AnsiString> TStringGrid::Cols(int col) const {
  std::vector<AnsiString> texts;
  for (int r = 0; r < RowCount(); ++r) texts.push_back(Cells(col, r));
  return texts;
}

std::vector<AnsiString> TStringGrid::Rows(int row) const {
  std::vector<AnsiString> texts;
  for (int c = 0; c < ColCount(); ++c) texts.push_back(Cells(c, row));
  return texts;
}

void TStringGrid::SetCols(int col, const std::vector<AnsiString>& texts) {
  for (int r = 0; r < RowCount(); ++r) SetCells(col, r, r < static_cast<int>(texts.size()) ? texts[r] : AnsiString());
}

void TStringGrid::SetRows(int row, const std::vector<AnsiString>& texts) {
  for (int c = 0; c < ColCount(); ++c) SetCells(c, row, c < static_cast<int>(texts.size()) ? texts[c] : AnsiString());
}

void TStringGrid::ObjectDropped(TObject*) {}

void TStringGrid::SizeChanged(int oldColCount, int oldRowCount) {
  // Each object that no kept cell still holds is reported once. Only the
  // dropped cells are visited, so growing costs no more than the cells added.
  const int storedCols = ColCount() + reservedCols_;
  std::set<TObject*> dropped;
  for (int c = 0; c < static_cast<int>(cells_.size()); ++c)
    for (int r = c >= storedCols ? 0 : RowCount(); r < static_cast<int>(cells_[c].size()); ++r)
      if (cells_[c][r].object) dropped.insert(cells_[c][r].object);
  for (int c = 0; c < std::min<int>(cells_.size(), storedCols) && !dropped.empty(); ++c)
    for (int r = 0; r < std::min<int>(cells_[c].size(), RowCount()); ++r) dropped.erase(cells_[c][r].object);
  for (TObject* object : dropped) ObjectDropped(object);
  cells_.resize(storedCols);
  for (auto& column : cells_) column.resize(RowCount());
  TCustomGrid::SizeChanged(oldColCount, oldRowCount);
}

void TStringGrid::ColumnMovedData(int from, int to) {
  auto column = std::move(cells_[from]);
  cells_.erase(cells_.begin() + from);
  cells_.insert(cells_.begin() + to, std::move(column));
}

void TStringGrid::RowMovedData(int from, int to) {
  for (auto& column : cells_) {
    Cell cell = std::move(column[from]);
    column.erase(column.begin() + from);
    column.insert(column.begin() + to, std::move(cell));
  }
}

void TStringGrid::DrawCell(int col, int row, TRect rect, TGridDrawState state) {
  if (DefaultDrawing()) {
    TCanvas* canvas = Canvas();
    canvas->SetFont(*Font());
    if (state & gdSelected) canvas->Font()->SetColor(clHighlightText);
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextRect(rect, rect.Left + 2, rect.Top + 2, Cells(col, row));
    canvas->Brush()->SetStyle(bsSolid);
  }
  TCustomGrid::DrawCell(col, row, rect, state);
}

AnsiString TStringGrid::GetEditText(int col, int row) { return Cells(col, row); }

void TStringGrid::SetEditText(int col, int row, const AnsiString& value) { SetCells(col, row, value); }

void TStringGrid::SetReservedCols(int count) {
  reservedCols_ = std::max(count, 0);
  SizeChanged(ColCount(), RowCount());
}

const AnsiString& TStringGrid::CellText(int col, int row) const {
  static const AnsiString empty;
  const Cell* c = Find(col, row);
  return c ? c->text : empty;
}

void TStringGrid::ExchangeRows(int row1, int row2) {
  if (row1 == row2) return;
  if (row1 < 0 || row2 < 0 || row1 >= RowCount() || row2 >= RowCount())
    throw EInvalidOperation("Grid index out of range (" + IntToStr(row1) + ", " + IntToStr(row2) + ")");
  for (auto& column : cells_) std::swap(column[row1], column[row2]);
  const int height1 = RowHeights(row1), height2 = RowHeights(row2);
  if (height1 != height2) {
    SetRowHeights(row1, height2);
    SetRowHeights(row2, height1);
  }
  InvalidateRow(row1);
  InvalidateRow(row2);
}

void TStringGrid::PermuteRows(int first, const std::vector<int>& order) {
  const int n = static_cast<int>(order.size());
  if (n == 0) return;
  std::vector<Cell> moved(n);
  for (auto& column : cells_) {
    // An empty column stays as it is; a sequential look is cheaper than
    // moving its cells.
    if (std::all_of(column.begin() + first, column.begin() + first + n, IsEmpty)) continue;
    for (int i = 0; i < n; ++i) moved[i] = std::move(column[order[i]]);
    std::move(moved.begin(), moved.end(), column.begin() + first);
  }
  PermuteRowHeights(first, order);
  Invalidate();
}

void TStringGrid::InsertRowsAt(int row, int count) {
  row = std::clamp(row, 0, RowCount());
  if (count < 1) return;
  for (auto& column : cells_) column.insert(column.begin() + row, count, Cell{});
  RowsInserted(row, count);
}

void TStringGrid::EraseRowsAt(int row, int count) {
  count = std::min(count, RowCount() - row);
  if (row < 0 || count < 1) return;
  count = std::min(count, RowCount() - 1);  // the grid keeps one row
  for (auto& column : cells_) column.erase(column.begin() + row, column.begin() + row + count);
  RowsErased(row, count);
}

void TStringGrid::ReadRow(int row, TStrings& items) const {
  items.Clear();
  for (int c = 0; c < StoredColCount(); ++c) items.AddObject(CellText(c, row), Objects(c, row));
}

void TStringGrid::WriteRow(int row, const TStrings& items) {
  for (int c = 0; c < StoredColCount(); ++c) {
    Cell& cell = At(c, row);
    cell.text = c < items.Count() ? items.Get(c) : AnsiString();
    cell.object = c < items.Count() ? items.GetObject(c) : nullptr;
  }
  InvalidateRow(row);
}

namespace {

// Moves the cells whose flag equals `moving` to the end of `into`; the others
// close up in place.
void SplitCells(std::vector<TStringGrid::Cell>& column, const std::vector<char>& flags, bool moving,
                std::vector<TStringGrid::Cell>& into) {
  // An empty column only changes length; a look at it is cheaper than moves.
  if (std::all_of(column.begin(), column.end(), IsEmpty)) {
    const std::size_t count = static_cast<std::size_t>(std::count(flags.begin(), flags.end(), moving ? 1 : 0));
    into.resize(into.size() + count);
    column.resize(column.size() - count);
    return;
  }
  std::size_t kept = 0;
  for (std::size_t r = 0; r < column.size(); ++r) {
    if ((flags[r] != 0) == moving) {
      into.push_back(std::move(column[r]));
    } else {
      if (kept != r) column[kept] = std::move(column[r]);
      ++kept;
    }
  }
  column.resize(kept);
}

}  // namespace

// Only the smaller group of cells moves to other storage (the caller's
// columns when it hands some in); the larger closes up where it is.
void TStringGrid::TakeRows(const std::vector<char>& leaving, ColumnCells& taken, std::vector<int>& heights) {
  heights.clear();
  for (int r = 0; r < RowCount(); ++r)
    if (leaving[r]) heights.push_back(RowHeights(r));
  const std::size_t staying = static_cast<std::size_t>(RowCount()) - heights.size();
  const bool mostLeave = heights.size() > staying;
  taken.resize(cells_.size());
  for (std::size_t c = 0; c < cells_.size(); ++c) {
    std::vector<Cell> moved = std::move(taken[c]);
    moved.clear();
    moved.reserve(mostLeave ? staying : heights.size());
    SplitCells(cells_[c], leaving, !mostLeave, moved);
    if (mostLeave) std::swap(cells_[c], moved);
    taken[c] = std::move(moved);
  }
  RowsTakenOut(leaving);
}

void TStringGrid::PutRowsBack(const std::vector<int>& rows, ColumnCells& cells, const std::vector<int>& heights) {
  const std::size_t shown = static_cast<std::size_t>(RowCount());
  const std::size_t total = shown + rows.size();
  if (cells.size() < cells_.size()) cells.resize(cells_.size());
  for (std::size_t c = 0; c < cells_.size(); ++c) {
    std::vector<Cell>& returning = cells[c];
    returning.resize(rows.size());  // a column the rows had no cells in
    // The cells come together in whichever column has the room already.
    const bool intoReturning = returning.capacity() > cells_[c].capacity();
    std::vector<Cell>& into = intoReturning ? returning : cells_[c];
    std::vector<Cell>& other = intoReturning ? cells_[c] : returning;
    std::vector<Cell>& staying = intoReturning ? other : into;
    std::vector<Cell>& back = intoReturning ? into : other;
    if (std::all_of(staying.begin(), staying.begin() + shown, IsEmpty) &&
        std::all_of(back.begin(), back.begin() + rows.size(), IsEmpty)) {
      into.resize(total);
      if (intoReturning) std::swap(cells_[c], returning);
      continue;
    }
    into.resize(total);
    // From the back, so that each cell moves once and none is overwritten
    // before it has moved.
    std::size_t old = shown, k = rows.size();
    for (std::size_t r = total; r-- > 0;) {
      const bool fromBack = k > 0 && rows[k - 1] == static_cast<int>(r);
      std::vector<Cell>& source = fromBack ? back : staying;
      const std::size_t at = fromBack ? --k : --old;
      if (&source != &into || at != r) into[r] = std::move(source[at]);
    }
    if (intoReturning) std::swap(cells_[c], returning);
  }
  RowsPutBack(rows, heights);
}

void TStringGrid::MoveStoredColumn(int from, int to) {
  if (from == to || from < 0 || to < 0 || from >= StoredColCount() || to >= StoredColCount()) return;
  // The storage alone: a descendant's hook is for columns the user moves.
  TStringGrid::ColumnMovedData(from, to);
  Invalidate();
}
