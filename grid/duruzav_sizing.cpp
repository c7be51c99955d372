// Hit testing and sizing zones, the stretched column, and what follows a
// change of the column widths, row heights or the grid's size.
#include <cmath>

#include "grid/duruzav.h"

namespace {
bool NearEdge(int pos, int low, int high) { return NearBorder(pos, low) || NearBorder(pos, high); }

// The stretch that follows the grid's own changes: a stretch column the
// grid no longer holds has nothing to fill, and is no error of the change.
void StretchAfterChange(TVudUvizidIzed& grid) {
  TColumnSize& size = *grid.ColumnSize();
  if (size.Stretch() && size.StretchColumn >= -1 && size.StretchColumn < grid.ColCount())
    grid.StretchColumn(size.StretchColumn);
}

// A flat bar shows only while rows (columns) lie beyond the visible ones.
void ShowFlatScrollBars(TVudUvizidIzed& grid) {
  TGridScroller& scroller = *grid.Scroller();
  scroller.FlatShowScrollBar(SB_VERT, grid.VisibleRowCount() + grid.FixedRows() < grid.RowCount());
  scroller.FlatShowScrollBar(SB_HORZ, grid.VisibleColCount() + grid.FixedCols() < grid.ColCount());
  grid.UpdateVScrollBar();
  grid.UpdateHScrollBar();
}

// The sizing hint of the designer goes with the sizing it showed.
void CloseDesignSizingHint(TVudUvizidIzed& grid) {
  if (grid.ComponentState() & csDesigning) grid.Hover().HideSizingHint();
}
}  // namespace

// ---- Hit testing ----

void TVudUvizidIzed::ScreenToCell(TPoint screenPoint, int& col, int& row) {
  const TPoint p = ScreenToClient(screenPoint);
  MouseToCell(p.X, p.Y, col, row);
}

bool TVudUvizidIzed::InSizeZone(int x, int y) {
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X < 0 || cell.Y < 0) return false;
  const TRect r = CellRect(cell.X, cell.Y);
  bool inZone = false;
  // The first scrollable row (column) counts too: its top (left) border is
  // the fixed one's bottom (right) border.
  if (cell.Y <= FixedRows() && (Options() & goColSizing)) inZone = NearEdge(LayoutX(x), r.Left, r.Right);
  if (cell.X <= FixedCols() && (Options() & goRowSizing)) inZone = NearEdge(y, r.Top, r.Bottom);
  return inZone;
}

// ---- The stretched column ----

void TVudUvizidIzed::StretchColumn(int col) {
  if (ComponentState() & (csLoading | csDestroying)) return;
  if (col == -1) col = ColCount() - 1;
  if (col < 0 || col >= ColCount()) throw EDurUzavError("Stretch column index out of range");
  if (ColCount() == 0 || !columnSize_.Stretch()) return;
  mouse_.stretchGuard = false;
  const int clientWidth = ClientRect().Right;
  if (ColCount() == 1) {
    SetColWidths(col, clientWidth);
  } else {
    int others = 0;
    for (int c = 0; c < ColCount(); ++c)
      if (c != col) others += ColWidths(c);
    if (clientWidth > others) SetColWidths(col, clientWidth - others - 1);
    else if (LeftCol() == FixedCols()) SetColWidths(col, DefaultColWidth());
  }
  mouse_.stretchGuard = true;
  // The footer panel keeps to the bottom of what the columns now leave.
  if (floatingFooter_.Visible()) Realign();
}


void TVudUvizidIzed::UpdateColSize(int col, int& width) {
  if (OnUpdateColumnSize) OnUpdateColumnSize(this, col, width);
}

void TVudUvizidIzed::UpdateAutoColSize(int col, int& width) {
  if (OnUpdateColumnSize) OnUpdateColumnSize(this, col, width);
}

// ---- Size changes ----

void TVudUvizidIzed::SizeChanged(int oldColCount, int oldRowCount) {
  const bool active = Parent() && !(ComponentState() & csLoading);
  if (active) StretchAfterChange(*this);
  TBaseGrid::SizeChanged(oldColCount, oldRowCount);
  if (active) ShowFlatScrollBars(*this);
}

void TVudUvizidIzed::ColWidthsChanged() {
  TGridSizingRecord& sizing = mouse_.sizing;
  if (mouse_.stretchGuard) StretchAfterChange(*this);
  CloseDesignSizingHint(*this);
  TBaseGrid::ColWidthsChanged();
  mouse_.colWidthsChanged = true;
  // With AllColumnSize the other scrollable columns follow the dragged one
  // in proportion; the flag is down meanwhile so that their changes do not.
  if (sizing.colSizing && mouseActions_.AllColumnSize && sizing.widthBefore > 0) {
    sizing.colSizing = false;
    const double ratio = static_cast<double>(ColWidths(sizing.col)) / sizing.widthBefore;
    for (int c = FixedCols(); c < ColCount(); ++c)
      if (c != sizing.col) SetColWidths(c, static_cast<int>(std::lround(ColWidths(c) * ratio)));
    sizing.colSizing = true;
  }
  const bool sized = sizing.colSizing;
  if (sized) {
    if (OnEndColumnSize) OnEndColumnSize(this, sizing.col);
    int width = ColWidths(sizing.col);
    UpdateColSize(sizing.col, width);
    if (width != ColWidths(sizing.col)) {
      sizing.colSizing = false;
      SetColWidths(sizing.col, std::max(width, 0));
    }
    sizing.col = sizing.row = -1;
  }
  if (TWinControl* control = editControls_ ? editControls_->active : nullptr; control && editControls_->controlShown) {
    const TRect r = CellRect(Col(), Row());
    control->SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  }
  sizing.colSizing = false;
  if (EditorMode() && HasCheckBox(RemapCol(Col()), Row())) HideInplaceEdit();
  floatingFooter_.Invalidate();
  CellControlsUpdate();
  // The proportional thumb of a stretched grid follows its columns.
  if (columnSize_.Stretch() && Props().ScrollProportional) UpdateVScroller();
}

void TVudUvizidIzed::RowHeightsChanged() {
  TGridSizingRecord& sizing = mouse_.sizing;
  CloseDesignSizingHint(*this);
  TBaseGrid::RowHeightsChanged();
  if (sizing.rowSizing && mouseActions_.AllRowSize && sizing.heightBefore > 0) {
    sizing.rowSizing = false;
    const double ratio = static_cast<double>(RowHeights(sizing.row)) / sizing.heightBefore;
    for (int r = FixedRows(); r < RowCount(); ++r)
      if (r != sizing.row) SetRowHeights(r, static_cast<int>(std::lround(RowHeights(r) * ratio)));
    sizing.rowSizing = true;
  }
  if (sizing.rowSizing) {
    if (OnEndRowSize) OnEndRowSize(this, sizing.row);
    sizing.col = sizing.row = -1;
  }
  sizing.rowSizing = false;
  if (EditorMode() && HasCheckBox(RemapCol(Col()), Row())) HideInplaceEdit();
  CellControlsUpdate();
}
