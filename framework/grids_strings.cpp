// TStringGrid: a text and an object per cell, moving with its column or row.
#include <algorithm>
#include <set>

#include "framework/grids.h"

TStringGrid::TStringGrid(TComponent* owner) : TCustomGrid(owner) { SizeChanged(0, 0); }

const TStringGrid::Cell* TStringGrid::Find(int col, int row) const {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return nullptr;
  return &cells_[col][row];
}

TStringGrid::Cell& TStringGrid::At(int col, int row) {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
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
  std::set<TObject*> dropped;
  for (int c = 0; c < static_cast<int>(cells_.size()); ++c)
    for (int r = c >= ColCount() ? 0 : RowCount(); r < static_cast<int>(cells_[c].size()); ++r)
      if (cells_[c][r].object) dropped.insert(cells_[c][r].object);
  for (int c = 0; c < std::min<int>(cells_.size(), ColCount()) && !dropped.empty(); ++c)
    for (int r = 0; r < std::min<int>(cells_[c].size(), RowCount()); ++r) dropped.erase(cells_[c][r].object);
  for (TObject* object : dropped) ObjectDropped(object);
  cells_.resize(ColCount());
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
