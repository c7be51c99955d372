// Cell properties and merged cells.
#include <algorithm>
#include <set>

#include "grid/basegrid.h"

// ---- TCellProperties ----

TCellProperties::TCellProperties(TBaseGrid* grid, int col, int row)
    : OwnerCol(col), OwnerRow(row), grid_(grid), wordWrap_(grid ? grid->WordWrap() : true) {}

TCellProperties::~TCellProperties() { delete GraphicObject; }

void TCellProperties::Assign(const TPersistent* source) {
  const auto* s = dynamic_cast<const TCellProperties*>(source);
  if (!s) return;
  IsBaseCell = s->IsBaseCell;
  CellSpanX = s->CellSpanX;
  CellSpanY = s->CellSpanY;
  OwnerRow = s->OwnerRow;
  OwnerCol = s->OwnerCol;
  Alignment = s->Alignment;
  BorderColor = s->BorderColor;
  BorderWidth = s->BorderWidth;
  brushColor_ = s->brushColor_;
  BrushStyle = s->BrushStyle;
  FontColor = s->FontColor;
  FontStyle = s->FontStyle;
  FontName = s->FontName;
  FontSize = s->FontSize;
  ReadOnly = s->ReadOnly;
  Editor = s->Editor;
  vAlignment_ = s->vAlignment_;
  SetWordWrap(s->wordWrap_);
  NodeLevel = s->NodeLevel;
  Control = s->Control;
  CalcType = s->CalcType;
}

TPoint TCellProperties::GetBaseCell(int col, int row) const {
  if (!IsBaseCell && CellSpanX != -1 && CellSpanY != -1) return {col - CellSpanX, row - CellSpanY};
  return {col, row};
}

void TCellProperties::RepaintOwner() {
  if (grid_) grid_->RepaintCell(OwnerCol, OwnerRow);
}

void TCellProperties::SetBrushColor(TColor color) {
  brushColor_ = color;
  RepaintOwner();
}

void TCellProperties::SetBrushColorTo(TColor color) {
  brushColorTo_ = color;
  RepaintOwner();
}

void TCellProperties::SetVAlignment(TVAlignment alignment) {
  vAlignment_ = alignment;
  RepaintOwner();
}

void TCellProperties::SetWordWrap(bool on) {
  wordWrap_ = on;
  RepaintOwner();
}

// ---- Creating and freeing ----

const TCellProperties* TBaseGrid::PropsAt(int col, int row) const {
  return static_cast<const TCellProperties*>(GetGridObject(col, row));
}

bool TBaseGrid::HasCellProperties(int col, int row) const { return GetGridObject(col, row) != nullptr; }

TCellProperties* TBaseGrid::GetCellProperties(int col, int row) {
  if (auto* p = static_cast<TCellProperties*>(GetGridObject(col, row))) return p;
  auto* p = new TCellProperties(this, col, row);
  try {
    SetGridObject(col, row, p);
  } catch (...) {
    delete p;
    throw;
  }
  TFont font;
  TBrush brush;
  TColor colorTo = clNone;
  TAlignment alignment = taLeftJustify;
  TVAlignment vAlignment = vtaTop;
  bool wordWrap = WordWrap();
  GetDefaultProps(col, row, &font, &brush, colorTo, alignment, vAlignment, wordWrap);
  p->Alignment = alignment;
  p->SetVAlignment(vAlignment);
  p->SetWordWrap(wordWrap);
  p->FontName = font.Name();
  p->FontSize = font.Size();
  p->FontStyle = font.Style();
  p->FontColor = font.Color();
  p->SetBrushColor(brush.Color());
  p->SetBrushColorTo(colorTo);
  return p;
}

bool TBaseGrid::HeldElsewhere(const TObject* object, int col, int row) const {
  for (int c = 0; c < ColCount(); ++c)
    for (int r = 0; r < RowCount(); ++r)
      if ((c != col || r != row) && GetGridObject(c, r) == object) return true;
  return false;
}

void TBaseGrid::SetCellProperties(int col, int row, TCellProperties* p) {
  TObject* old = GetGridObject(col, row);
  if (old == p) return;
  try {
    SetGridObject(col, row, p);
  } catch (...) {
    delete p;
    throw;
  }
  if (old && !HeldElsewhere(old, col, row)) delete old;
}

void TBaseGrid::ClearPropCell(int col, int row) {
  TObject* old = GetGridObject(col, row);
  if (!old) return;
  SetGridObject(col, row, nullptr);
  if (!HeldElsewhere(old, col, row)) delete old;
}

// A properties object that CopyRows or CopyCols put in several cells is
// freed once, and only when no cell outside the rectangle still holds it.
void TBaseGrid::ClearPropRect(int col1, int row1, int col2, int row2) {
  col1 = std::max(col1, 0), row1 = std::max(row1, 0);
  col2 = std::min(col2, StoredColCount() - 1), row2 = std::min(row2, RowCount() - 1);
  std::set<TObject*> released;
  for (int c = col1; c <= col2; ++c) {
    for (int r = row1; r <= row2; ++r) {
      if (TObject* p = GetGridObject(c, r)) released.insert(p);
      SetGridObject(c, r, nullptr);
    }
  }
  if (released.empty()) return;
  for (int c = 0; c < StoredColCount(); ++c)
    for (int r = 0; r < RowCount(); ++r) released.erase(GetGridObject(c, r));
  for (TObject* p : released) delete p;
}

void TBaseGrid::ClearPropRow(int row) { ClearPropRect(0, row, ColCount() - 1, row); }

void TBaseGrid::ClearProps() { ClearPropRect(0, 0, ColCount() - 1, RowCount() - 1); }

void TBaseGrid::ObjectDropped(TObject* object) { delete object; }

// ---- Merging ----

void TBaseGrid::MergeCells(int col, int row, int numCols, int numRows) {
  if (col < 0 || col >= ColCount() || numCols < 1) throw EDurUzavError("Invalid column accessed");
  if (row < 0 || row >= RowCount() || numRows < 1) throw EDurUzavError("Invalid row accessed");
  numCols = std::min(numCols, ColCount() - col);
  numRows = std::min(numRows, RowCount() - row);
  for (int c = col; c < col + numCols; ++c) {
    for (int r = row; r < row + numRows; ++r) {
      TCellProperties* p = GetCellProperties(c, r);
      const bool base = c == col && r == row;
      p->IsBaseCell = base;
      p->CellSpanX = base ? numCols - 1 : c - col;
      p->CellSpanY = base ? numRows - 1 : r - row;
    }
  }
  for (int c = col; c < col + numCols; ++c)
    for (int r = row; r < row + numRows; ++r) RepaintCell(c, r);
}

void TBaseGrid::SplitCells(int col, int row) {
  GetCellProperties(col, row);
  const TPoint base = BaseCell(col, row);
  TCellProperties* b = GetCellProperties(base.X, base.Y);
  const int sx = b->CellSpanX, sy = b->CellSpanY;
  if (sx < 0 || sy < 0) return;
  const int lastCol = std::min(base.X + sx, ColCount() - 1), lastRow = std::min(base.Y + sy, RowCount() - 1);
  for (int c = base.X; c <= lastCol; ++c) {
    for (int r = base.Y; r <= lastRow; ++r) {
      TCellProperties* p = GetCellProperties(c, r);
      p->IsBaseCell = true;
      p->CellSpanX = -1;
      p->CellSpanY = -1;
    }
  }
  for (int c = base.X; c <= lastCol; ++c)
    for (int r = base.Y; r <= lastRow; ++r) RepaintCell(c, r);
}

// ---- Merge queries (none of them creates properties) ----

TPoint TBaseGrid::BaseCell(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p ? p->GetBaseCell(col, row) : TPoint{col, row};
}

bool TBaseGrid::IsBaseCell(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return !p || p->IsBaseCell;
}

bool TBaseGrid::IsBaseCellEx(int col, int row, int& baseCol, int& baseRow) const {
  const TPoint base = BaseCell(col, row);
  baseCol = base.X;
  baseRow = base.Y;
  return IsBaseCell(col, row);
}

TPoint TBaseGrid::CellSpan(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  if (!p || p->CellSpanX == -1 || p->CellSpanY == -1) return {0, 0};
  const TPoint base = p->GetBaseCell(col, row);
  const TCellProperties* b = PropsAt(base.X, base.Y);
  return b ? TPoint{b->CellSpanX, b->CellSpanY} : TPoint{0, 0};
}

TPoint TBaseGrid::CellExt(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  if (!p || p->CellSpanX == -1 || p->CellSpanY == -1) return {0, 0};
  const TPoint base = p->GetBaseCell(col, row);
  const TPoint span = CellSpan(col, row);
  return {base.X + span.X - col, base.Y + span.Y - row};
}

TRect TBaseGrid::FullCell(int col, int row) const {
  const TPoint base = BaseCell(col, row), span = CellSpan(col, row);
  return {base.X, base.Y, base.X + span.X, base.Y + span.Y};
}

bool TBaseGrid::IsMergedCell(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p && (p->CellSpanX >= 1 || p->CellSpanY >= 1);
}

bool TBaseGrid::IsXMergedCell(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  if (!p) return false;
  const TPoint base = p->GetBaseCell(col, row);
  const TCellProperties* b = PropsAt(base.X, base.Y);
  return b && b->CellSpanX > 0;
}

bool TBaseGrid::IsYMergedCell(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  if (!p) return false;
  const TPoint base = p->GetBaseCell(col, row);
  const TCellProperties* b = PropsAt(base.X, base.Y);
  return b && b->CellSpanY > 0;
}

int TBaseGrid::MinRowSpan(int row) const {
  int least = RowCount();
  for (int c = 0; c < ColCount(); ++c)
    if (const int y = CellSpan(c, row).Y; y > 0) least = std::min(least, y);
  return least;
}

int TBaseGrid::MaxRowSpan(int row) const {
  int most = 0;
  for (int c = 0; c < ColCount(); ++c) most = std::max(most, CellSpan(c, row).Y);
  return most;
}

bool TBaseGrid::RowSpanIdentical(int row1, int row2) const {
  bool any = false;
  for (int c = 0; c < ColCount(); ++c) {
    if (CellSpan(c, row1).Y <= 0 || CellSpan(c, row2).Y <= 0) continue;
    any = true;
    if (BaseCell(c, row1).Y != BaseCell(c, row2).Y) return false;
  }
  return any;
}

bool TBaseGrid::ColSpanIdentical(int col1, int col2) const {
  bool any = false;
  for (int r = 0; r < RowCount(); ++r) {
    const int x1 = CellSpan(col1, r).X, x2 = CellSpan(col2, r).X;
    if (x1 > 0 && x2 > 0) {
      any = true;
      if (BaseCell(col1, r).X != BaseCell(col2, r).X) return false;
    } else if (x1 != x2) {
      return false;
    }
  }
  return any;
}
