// The grid's size, geometry, current cell, selection and scrolling.
#include "framework/grids.h"

#include <algorithm>

TCustomGrid::TCustomGrid(TComponent* owner) : TCustomControl(owner) {
  cols_.Reset(64);
  rows_.Reset(24);
  cols_.Resize(5);
  rows_.Resize(5);
  cols_.SetLineWidth(1);
  rows_.SetLineWidth(1);
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
  cols_.Resize(count);
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
  rows_.Resize(count);
  if (fixedRows_ >= count) fixedRows_ = count - 1;
  ClampCurrent();
  SizeChanged(ColCount(), oldRows);
  SyncScrollBars();
  Invalidate();
}

void TCustomGrid::RowsInserted(int index, int count) {
  rows_.Insert(index, count);
  RowCountChanged();
}

void TCustomGrid::RowsErased(int index, int count) {
  rows_.Erase(index, count);
  RowCountChanged();
}

void TCustomGrid::RowsTakenOut(const std::vector<char>& leaving) {
  rows_.EraseFlagged(leaving);
  RowCountChanged();
}

void TCustomGrid::RowsPutBack(const std::vector<int>& rows, const std::vector<int>& heights) {
  rows_.InsertAt(rows, heights);
  RowCountChanged();
}

void TCustomGrid::RowCountChanged() {
  if (fixedRows_ >= RowCount()) fixedRows_ = RowCount() - 1;
  ClampCurrent();
  SyncScrollBars();
  Invalidate();
}

void TCustomGrid::PermuteRowHeights(int first, const std::vector<int>& order) {
  if (rows_.AllDefault()) return;
  rows_.Permute(first, order);
  RowHeightsChanged();
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
  cols_.Reset(std::max(width, 0));
  ColWidthsChanged();
  SyncScrollBars();
  Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int height) {
  rows_.Reset(std::max(height, 0));
  RowHeightsChanged();
  SyncScrollBars();
  Invalidate();
}

int TCustomGrid::ColWidths(int col) const {
  return col >= 0 && col < ColCount() ? cols_.Size(col) : cols_.DefaultSize();
}

int TCustomGrid::RowHeights(int row) const {
  return row >= 0 && row < RowCount() ? rows_.Size(row) : rows_.DefaultSize();
}

void TCustomGrid::SetColWidths(int col, int width) {
  if (col < 0 || col >= ColCount()) throw EInvalidOperation("Grid index out of range");
  width = std::max(width, 0);
  if (cols_.Size(col) == width) return;
  cols_.SetSize(col, width);
  ColWidthsChanged();
  SyncScrollBars();
  Invalidate();
}

void TCustomGrid::SetRowHeights(int row, int height) {
  if (row < 0 || row >= RowCount()) throw EInvalidOperation("Grid index out of range");
  height = std::max(height, 0);
  if (rows_.Size(row) == height) return;
  rows_.SetSize(row, height);
  RowHeightsChanged();
  SyncScrollBars();
  Invalidate();
}

void TCustomGrid::SetGridLineWidth(int width) {
  cols_.SetLineWidth(std::max(width, 0));
  rows_.SetLineWidth(std::max(width, 0));
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

int TCustomGrid::FixedWidth() const { return cols_.Offset(fixedCols_); }
int TCustomGrid::FixedHeight() const { return rows_.Offset(fixedRows_); }

// Where an entry starts on screen: fixed ones from the edge, scrolled ones
// after the fixed ones from the first shown. Entries scrolled out before
// the first shown lie at smaller positions so that their edges stay
// consistent.
static int ScreenPosition(const TGridAxis& axis, int index, int fixed, int first) {
  if (index < fixed) return axis.Offset(index);
  return axis.Offset(fixed) + axis.Offset(index) - axis.Offset(first);
}

int TCustomGrid::ColumnLeft(int col) const { return ScreenPosition(cols_, col, fixedCols_, LeftCol()); }
int TCustomGrid::RowTop(int row) const { return ScreenPosition(rows_, row, fixedRows_, TopRow()); }

TRect TCustomGrid::CellRect(int col, int row) const {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount()) return {};
  if ((col >= fixedCols_ && col < LeftCol()) || (row >= fixedRows_ && row < TopRow())) return {};
  const int x = ColumnLeft(col), y = RowTop(row);
  if (x >= ClientWidth() || y >= ClientHeight()) return {};
  return Bounds(x, y, cols_.Size(col), rows_.Size(row));
}

// The entry under a screen position, -1 for none: one of the fixed ones,
// else one of the scrolled ones from the first shown.
static int EntryAt(const TGridAxis& axis, int pos, int fixed, int first) {
  if (pos < 0) return -1;
  const int fixedExtent = axis.Offset(fixed);
  const int index = pos < fixedExtent ? axis.CountWithin(pos)
                                      : axis.CountWithin(std::int64_t{pos} - fixedExtent + axis.Offset(first));
  return index < axis.Count() ? index : -1;
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
  x = LayoutX(x);
  const int col = EntryAt(cols_, x, fixedCols_, LeftCol());
  const int row = EntryAt(rows_, y, fixedRows_, TopRow());
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

// Scrolled entries from the first shown that fit wholly into the extent.
static int FittingCount(const TGridAxis& axis, int fixed, int first, int extent) {
  const std::int64_t room = std::int64_t{extent} - axis.Offset(fixed);
  return std::max(axis.CountWithin(axis.Offset(first) + room) - first, 0);
}

int TCustomGrid::VisibleColCount() const { return FittingCount(cols_, fixedCols_, LeftCol(), ClientWidth()); }
int TCustomGrid::VisibleRowCount() const { return FittingCount(rows_, fixedRows_, TopRow(), ClientHeight()); }

// The first entry from which all the remaining ones fit beside the fixed
// ones (the last one when even it does not).
static int LastFirst(const TGridAxis& axis, int fixed, int extent) {
  const std::int64_t room = std::int64_t{extent} - axis.Offset(fixed);
  const int first = axis.FirstReaching(axis.Offset(axis.Count()) - room);
  return std::clamp(first, fixed, axis.Count() - 1);
}

int TCustomGrid::MaxLeftCol() const { return LastFirst(cols_, fixedCols_, ClientWidth()); }
int TCustomGrid::MaxTopRow() const { return LastFirst(rows_, fixedRows_, ClientHeight()); }

void TCustomGrid::MoveTopLeft(int leftCol, int topRow) {
  const TGridCoord next{std::clamp(leftCol, fixedCols_, MaxLeftCol()), std::clamp(topRow, fixedRows_, MaxTopRow())};
  if (next == topLeft_) return;
  topLeft_ = next;
  SyncScrollBars();
  Invalidate();
  TopLeftChanged();
}

// The first shown entry that brings index wholly into view with as little
// scrolling as possible: index itself when it lies before first, else the
// nearest one after first from which index ends within the extent.
static int FirstShowing(const TGridAxis& axis, int index, int fixed, int first, int extent) {
  if (index < fixed) return first;
  if (index <= first) return index;
  const std::int64_t room = std::int64_t{extent} - axis.Offset(fixed);
  const std::int64_t end = std::int64_t{axis.Offset(index)} + axis.Size(index);
  return std::min(std::max(first, axis.FirstReaching(end - room)), index);
}

void TCustomGrid::ScrollToCell(int col, int row) {
  MoveTopLeft(FirstShowing(cols_, col, fixedCols_, LeftCol(), ClientWidth()),
              FirstShowing(rows_, row, fixedRows_, TopRow(), ClientHeight()));
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
  cols_.Move(from, to);
  ColumnMovedData(from, to);
  ColumnMoved(from, to);
  Invalidate();
}

void TCustomGrid::MoveRow(int from, int to) {
  if (from == to || from < 0 || to < 0 || from >= RowCount() || to >= RowCount()) return;
  rows_.Move(from, to);
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
