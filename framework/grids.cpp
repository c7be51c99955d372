// The grid's size, geometry, current cell, selection and scrolling.
#include "framework/grids.h"

#include <algorithm>

TCustomGrid::TCustomGrid(TComponent* owner) : TCustomControl(owner) {
  colWidths_.assign(5, defaultColWidth_);
  rowHeights_.assign(5, defaultRowHeight_);
  CreateScrollBars();
  SetColor(clWindow);
  SetBounds(0, 0, 320, 120);
  Widget()->setFocusPolicy(Qt::StrongFocus);
}

TCustomGrid::~TCustomGrid() = default;

// ---- Size ----

void TCustomGrid::SetColCount(int count) {
  count = std::max(count, 1);
  if (count == ColCount()) return;
  const int oldCols = ColCount();
  colWidths_.resize(count, defaultColWidth_);
  if (fixedCols_ >= count) fixedCols_ = count - 1;
  ClampCurrent();
  SizeChanged(oldCols, RowCount());
  SyncScrollBars();
  Invalidate();
}

void TCustomGrid::SetRowCount(int count) {
  count = std::max(count, 1);
  if (count == RowCount()) return;
  const int oldRows = RowCount();
  rowHeights_.resize(count, defaultRowHeight_);
  if (fixedRows_ >= count) fixedRows_ = count - 1;
  ClampCurrent();
  SizeChanged(ColCount(), oldRows);
  SyncScrollBars();
  Invalidate();
}

void TCustomGrid::SetFixedCols(int count) {
  if (count < 0 || count >= ColCount()) throw EInvalidOperation("Fixed column count must be less than column count");
  fixedCols_ = count;
  ClampCurrent();
  SyncScrollBars();
  Invalidate();
}

void TCustomGrid::SetFixedRows(int count) {
  if (count < 0 || count >= RowCount()) throw EInvalidOperation("Fixed row count must be less than row count");
  fixedRows_ = count;
  ClampCurrent();
  SyncScrollBars();
  Invalidate();
}

void TCustomGrid::SetDefaultColWidth(int width) {
  defaultColWidth_ = std::max(width, 0);
  std::fill(colWidths_.begin(), colWidths_.end(), defaultColWidth_);
  ColWidthsChanged();
  SyncScrollBars();
  Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int height) {
  defaultRowHeight_ = std::max(height, 0);
  std::fill(rowHeights_.begin(), rowHeights_.end(), defaultRowHeight_);
  RowHeightsChanged();
  SyncScrollBars();
  Invalidate();
}

int TCustomGrid::ColWidths(int col) const {
  return col >= 0 && col < ColCount() ? colWidths_[col] : defaultColWidth_;
}

int TCustomGrid::RowHeights(int row) const {
  return row >= 0 && row < RowCount() ? rowHeights_[row] : defaultRowHeight_;
}

void TCustomGrid::SetColWidths(int col, int width) {
  if (col < 0 || col >= ColCount()) throw EInvalidOperation("Grid index out of range");
  width = std::max(width, 0);
  if (colWidths_[col] == width) return;
  colWidths_[col] = width;
  ColWidthsChanged();
  SyncScrollBars();
  Invalidate();
}

void TCustomGrid::SetRowHeights(int row, int height) {
  if (row < 0 || row >= RowCount()) throw EInvalidOperation("Grid index out of range");
  height = std::max(height, 0);
  if (rowHeights_[row] == height) return;
  rowHeights_[row] = height;
  RowHeightsChanged();
  SyncScrollBars();
  Invalidate();
}

void TCustomGrid::SetGridLineWidth(int width) {
  gridLineWidth_ = std::max(width, 0);
  Invalidate();
}

void TCustomGrid::SetFixedColor(TColor color) {
  fixedColor_ = color;
  Invalidate();
}

void TCustomGrid::SetDefaultDrawing(bool on) {
  defaultDrawing_ = on;
  Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions options) {
  if (options_ == options) return;
  options_ = options;
  if (!(options_ & goEditing)) HideEditor();
  if (!(options_ & goRangeSelect)) anchor_ = current_;
  Invalidate();
}

void TCustomGrid::SizeChanged(int, int) {}
void TCustomGrid::ColWidthsChanged() { UpdateEditorBounds(); }
void TCustomGrid::RowHeightsChanged() { UpdateEditorBounds(); }

void TCustomGrid::TopLeftChanged() {
  UpdateEditorBounds();
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

// ---- Geometry ----

int TCustomGrid::FixedWidth() const {
  int w = 0;
  for (int c = 0; c < fixedCols_; ++c) w += colWidths_[c] + gridLineWidth_;
  return w;
}

int TCustomGrid::FixedHeight() const {
  int h = 0;
  for (int r = 0; r < fixedRows_; ++r) h += rowHeights_[r] + gridLineWidth_;
  return h;
}

// Left edge of a column; columns scrolled out to the left lie at negative
// positions so that their edges stay consistent.
int TCustomGrid::ColumnLeft(int col) const {
  if (col < fixedCols_) {
    int x = 0;
    for (int c = 0; c < col; ++c) x += colWidths_[c] + gridLineWidth_;
    return x;
  }
  int x = FixedWidth();
  if (col >= LeftCol()) {
    for (int c = LeftCol(); c < col; ++c) x += colWidths_[c] + gridLineWidth_;
  } else {
    for (int c = col; c < LeftCol(); ++c) x -= colWidths_[c] + gridLineWidth_;
  }
  return x;
}

int TCustomGrid::RowTop(int row) const {
  if (row < fixedRows_) {
    int y = 0;
    for (int r = 0; r < row; ++r) y += rowHeights_[r] + gridLineWidth_;
    return y;
  }
  int y = FixedHeight();
  if (row >= TopRow()) {
    for (int r = TopRow(); r < row; ++r) y += rowHeights_[r] + gridLineWidth_;
  } else {
    for (int r = row; r < TopRow(); ++r) y -= rowHeights_[r] + gridLineWidth_;
  }
  return y;
}

TRect TCustomGrid::CellRect(int col, int row) const {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return {};
  if ((col >= fixedCols_ && col < LeftCol()) || (row >= fixedRows_ && row < TopRow())) return {};
  const int x = ColumnLeft(col), y = RowTop(row);
  if (x >= ClientWidth() || y >= ClientHeight()) return {};
  return Bounds(x, y, colWidths_[col], rowHeights_[row]);
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
  auto find = [](int pos, int count, int fixed, int first, auto size) {
    int edge = 0;
    for (int i = 0; i < count; ++i) {
      if (i == fixed) i = std::max(i, first);
      if (i >= count) break;
      const int next = edge + size(i);
      if (pos >= edge && pos < next) return i;
      edge = next;
    }
    return -1;
  };
  const int col = find(x, ColCount(), fixedCols_, LeftCol(), [&](int c) { return colWidths_[c] + gridLineWidth_; });
  const int row = find(y, RowCount(), fixedRows_, TopRow(), [&](int r) { return rowHeights_[r] + gridLineWidth_; });
  if (col < 0 || row < 0 || x < 0 || y < 0 || x >= ClientWidth() || y >= ClientHeight()) return {-1, -1};
  return {col, row};
}

void TCustomGrid::MouseToCell(int x, int y, int& col, int& row) const {
  const TGridCoord c = MouseCoord(x, y);
  col = c.X;
  row = c.Y;
}

void TCustomGrid::InvalidateRect(const TRect& r) {
  if (r.IsEmpty()) return;
  if (invalid_.IsEmpty()) {
    invalid_ = r;
  } else {
    invalid_ = {std::min(invalid_.Left, r.Left), std::min(invalid_.Top, r.Top), std::max(invalid_.Right, r.Right),
                std::max(invalid_.Bottom, r.Bottom)};
  }
  TCustomControl::Invalidate();
}

void TCustomGrid::Invalidate() { InvalidateRect(ClientRect()); }

void TCustomGrid::InvalidateCell(int col, int row) { InvalidateRect(CellRect(col, row)); }

void TCustomGrid::InvalidateRow(int row) {
  const TRect cell = CellRect(fixedCols_ > 0 ? 0 : LeftCol(), row);
  if (!cell.IsEmpty()) InvalidateRect({0, cell.Top, ClientWidth(), cell.Bottom});
}

void TCustomGrid::InvalidateCol(int col) {
  const TRect cell = CellRect(col, fixedRows_ > 0 ? 0 : TopRow());
  if (!cell.IsEmpty()) InvalidateRect({cell.Left, 0, cell.Right, ClientHeight()});
}

void TCustomGrid::Resize() {
  TCustomControl::Resize();
  SyncScrollBars();
  MoveTopLeft(LeftCol(), TopRow());
  Invalidate();
}

// ---- Scrolling ----

int TCustomGrid::VisibleColCount() const {
  int x = FixedWidth(), count = 0;
  for (int c = LeftCol(); c < ColCount(); ++c) {
    x += colWidths_[c] + gridLineWidth_;
    if (x > ClientWidth()) break;
    ++count;
  }
  return count;
}

int TCustomGrid::VisibleRowCount() const {
  int y = FixedHeight(), count = 0;
  for (int r = TopRow(); r < RowCount(); ++r) {
    y += rowHeights_[r] + gridLineWidth_;
    if (y > ClientHeight()) break;
    ++count;
  }
  return count;
}

int TCustomGrid::MaxLeftCol() const {
  int x = ClientWidth() - FixedWidth(), col = ColCount();
  while (col > fixedCols_ && x - (colWidths_[col - 1] + gridLineWidth_) >= 0) x -= colWidths_[--col] + gridLineWidth_;
  return std::clamp(col, fixedCols_, ColCount() - 1);
}

int TCustomGrid::MaxTopRow() const {
  int y = ClientHeight() - FixedHeight(), row = RowCount();
  while (row > fixedRows_ && y - (rowHeights_[row - 1] + gridLineWidth_) >= 0) y -= rowHeights_[--row] + gridLineWidth_;
  return std::clamp(row, fixedRows_, RowCount() - 1);
}

void TCustomGrid::MoveTopLeft(int leftCol, int topRow) {
  const TGridCoord next{std::clamp(leftCol, fixedCols_, MaxLeftCol()), std::clamp(topRow, fixedRows_, MaxTopRow())};
  if (next == topLeft_) return;
  topLeft_ = next;
  SyncScrollBars();
  Invalidate();
  TopLeftChanged();
}

void TCustomGrid::ScrollToCell(int col, int row) {
  int left = LeftCol(), top = TopRow();
  if (col >= fixedCols_) {
    if (col < left) left = col;
    while (left < col && ColumnLeft(col) - ColumnLeft(left) + FixedWidth() + colWidths_[col] > ClientWidth()) ++left;
  }
  if (row >= fixedRows_) {
    if (row < top) top = row;
    while (top < row && RowTop(row) - RowTop(top) + FixedHeight() + rowHeights_[row] > ClientHeight()) ++top;
  }
  MoveTopLeft(left, top);
}

static int ScalePosition(int offset, int range) {
  return range <= 0 ? 0 : std::clamp(offset * kGridScrollScale / range, 0, kGridScrollScale);
}

int TCustomGrid::VertScrollPos() const { return ScalePosition(TopRow() - fixedRows_, MaxTopRow() - fixedRows_); }
int TCustomGrid::HorzScrollPos() const { return ScalePosition(LeftCol() - fixedCols_, MaxLeftCol() - fixedCols_); }

// ---- Current cell and selection ----

TGridRect TCustomGrid::Selection() const {
  const int top = std::min(anchor_.Y, current_.Y), bottom = std::max(anchor_.Y, current_.Y);
  if (options_ & goRowSelect) return {fixedCols_, top, ColCount() - 1, bottom};
  return {std::min(anchor_.X, current_.X), top, std::max(anchor_.X, current_.X), bottom};
}

void TCustomGrid::SetSelection(const TGridRect& s) {
  if (!FocusCell(s.Left, s.Top, true)) return;
  if (options_ & goRangeSelect) FocusCell(s.Right, s.Bottom, false);
  anchor_ = {s.Left, s.Top};
  Invalidate();
}

bool TCustomGrid::SelectCell(int col, int row) {
  bool canSelect = true;
  if (OnSelectCell) OnSelectCell(this, col, row, canSelect);
  return canSelect;
}

bool TCustomGrid::FocusCell(int col, int row, bool moveAnchor) {
  if (col < fixedCols_ || row < fixedRows_ || col >= ColCount() || row >= RowCount()) return false;
  if (!(options_ & goRangeSelect)) moveAnchor = true;
  const TGridCoord next{col, row};
  if (next != current_) {
    HideEditor();
    if (!SelectCell(col, row)) return false;
  }
  InvalidateRect(ClientRect());
  current_ = next;
  if (moveAnchor) anchor_ = next;
  ScrollToCell(col, row);
  if ((options_ & goAlwaysShowEditor) && (options_ & goEditing)) ShowEditor();
  return true;
}

void TCustomGrid::ClampCurrent() {
  const int minCol = fixedCols_, minRow = fixedRows_;
  auto clampCoord = [&](TGridCoord& c) {
    c.X = std::clamp(c.X, minCol, std::max(ColCount() - 1, minCol));
    c.Y = std::clamp(c.Y, minRow, std::max(RowCount() - 1, minRow));
  };
  clampCoord(current_);
  clampCoord(anchor_);
  topLeft_ = {std::clamp(topLeft_.X, minCol, MaxLeftCol()), std::clamp(topLeft_.Y, minRow, MaxTopRow())};
}

// ---- Moving ----

void TCustomGrid::MoveColumn(int from, int to) {
  if (from == to || from < 0 || to < 0 || from >= ColCount() || to >= ColCount()) return;
  const int width = colWidths_[from];
  colWidths_.erase(colWidths_.begin() + from);
  colWidths_.insert(colWidths_.begin() + to, width);
  ColumnMovedData(from, to);
  ColumnMoved(from, to);
  Invalidate();
}

void TCustomGrid::MoveRow(int from, int to) {
  if (from == to || from < 0 || to < 0 || from >= RowCount() || to >= RowCount()) return;
  const int height = rowHeights_[from];
  rowHeights_.erase(rowHeights_.begin() + from);
  rowHeights_.insert(rowHeights_.begin() + to, height);
  RowMovedData(from, to);
  RowMoved(from, to);
  Invalidate();
}

void TCustomGrid::ColumnMovedData(int, int) {}
void TCustomGrid::RowMovedData(int, int) {}

void TCustomGrid::ColumnMoved(int from, int to) {
  if (OnColumnMoved) OnColumnMoved(this, from, to);
}

void TCustomGrid::RowMoved(int from, int to) {
  if (OnRowMoved) OnRowMoved(this, from, to);
}
