// Cell geometry and painting: merged areas painted once per paint, the
// grid's own lines, the current-row highlight.
#include <algorithm>

#include "grid/basegrid.h"
#include "grid/zgutil.h"

// ---- Geometry ----

int TBaseGrid::FixedColsWidth() const { return static_cast<int>(ColAxis().SizeSum(FixedCols())); }
int TBaseGrid::FixedRowsHeight() const { return static_cast<int>(RowAxis().SizeSum(FixedRows())); }

TRect TBaseGrid::GetCellRect(int col, int row) const {
  // Sizes alone: this grid draws its own lines inside the cells.
  // Indexes past the end count with the default size, as their sizes read.
  auto sizesBefore = [](const TGridAxis& axis, int index) {
    const int count = axis.Count();
    if (index <= count) return axis.SizeSum(std::max(index, 0));
    return axis.SizeSum(count) + std::int64_t{index - count} * axis.DefaultSize();
  };
  auto edge = [&](const TGridAxis& axis, int index, int fixed, int first) {
    const std::int64_t before = sizesBefore(axis, index);
    if (index < fixed) return static_cast<int>(before);
    return static_cast<int>(before - sizesBefore(axis, first) + sizesBefore(axis, fixed));
  };
  const int x = edge(ColAxis(), col, FixedCols(), LeftCol());
  const int y = edge(RowAxis(), row, FixedRows(), TopRow());
  return Bounds(x, y, ColWidths(col), RowHeights(row));
}

TRect TBaseGrid::CellRect(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  if (!p || (p->CellSpanX == -1 && p->CellSpanY == -1)) {
    if (p && p->Control) return GetCellRect(col, row);
    return TStringGrid::CellRect(col, row);
  }
  const TPoint base = BaseCell(col, row), span = CellSpan(col, row);
  const TRect first = GetCellRect(base.X, base.Y), last = GetCellRect(base.X + span.X, base.Y + span.Y);
  return {std::min(first.Left, last.Left), std::min(first.Top, last.Top), std::max(first.Right, last.Right),
          std::max(first.Bottom, last.Bottom)};
}

TPoint TBaseGrid::CellSize(int col, int row) const {
  const TPoint base = BaseCell(col, row), span = CellSpan(col, row);
  const TRect first = GetCellRect(base.X, base.Y), last = GetCellRect(base.X + span.X, base.Y + span.Y);
  return {last.Right - first.Left, last.Bottom - first.Top};
}

bool TBaseGrid::IsSelected(int col, int row) const {
  if (Selection().Contains(col, row)) return true;
  if (!IsMergedCell(col, row)) return false;
  const TRect area = FullCell(col, row);
  return Col() >= area.Left && Col() <= area.Right && Row() >= area.Top && Row() <= area.Bottom;
}

void TBaseGrid::RepaintCell(int col, int row) { InvalidateRect(CellRect(col, row)); }

// ---- Painting ----

void TBaseGrid::Paint() {
  TStringGrid::Paint();
  ++paintCycle_;
}

void TBaseGrid::DrawCell(int col, int row, TRect rect, TGridDrawState state) {
  TCanvas* canvas = Canvas();
  if (lastRowFooter_ && row == RowCount() - 1) {
    canvas->Brush()->SetColor(Color());
    canvas->Pen()->SetColor(Color());
    canvas->Rectangle(rect);
    return;
  }
  int baseCol = col, baseRow = row;
  if (!IsBaseCellEx(col, row, baseCol, baseRow)) {
    DrawCell(baseCol, baseRow, rect, state);
    return;
  }
  // A merged area is drawn once per paint, whichever of its cells the
  // paint meets first (the base cell included).
  if (IsMergedCell(col, row)) {
    auto* props = static_cast<TCellProperties*>(GetGridObject(col, row));
    if (props->PaintedInCycle == paintCycle_) return;
    props->PaintedInCycle = paintCycle_;
  }

  const bool fixed = IsFixed(col, row);
  if (fixed) state = (state & ~gdSelected) | gdFixed;
  rect = CellRect(col, row);

  const TRect savedClip = canvas->ClipRect();
  const bool underFixedCols = col >= FixedCols() && FixedCols() > 0 && rect.Left < FixedColsWidth();
  const bool underFixedRows = row >= FixedRows() && FixedRows() > 0 && rect.Top < FixedRowsHeight();
  if (underFixedCols || underFixedRows)
    canvas->IntersectClipRect({col >= FixedCols() ? FixedColsWidth() : 0, row >= FixedRows() ? FixedRowsHeight() : 0,
                               Width(), Height()});

  canvas->Pen()->SetWidth(1);
  canvas->SetFont(*Font());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor((state & gdFixed) ? FixedColor() : Color());
  TColor colorTo = clNone;
  TAlignment hAlign = taLeftJustify;
  TVAlignment vAlign = vtaTop;
  bool wordWrap = WordWrap();
  GetVisualProperties(col, row, state, false, true, true, canvas->Brush(), colorTo, canvas->Font(), hAlign, vAlign,
                      wordWrap);

  canvas->Pen()->SetColor(canvas->Brush()->Color());
  if (activeRowShow_ && row == Row() && col != Col()) canvas->Brush()->SetColor(activeRowColor_);
  if (colorTo == clNone) canvas->Rectangle(rect);
  else DrawGradient(canvas, canvas->Brush()->Color(), colorTo, 64, rect, false);

  int h = 1;
  if (fixed) {
    canvas->Pen()->SetColor(0x808080);
    canvas->Pen()->SetWidth(1);
  } else {
    if (gridLineWidth_ > 0) canvas->Pen()->SetColor(gridLineColor_);
    canvas->Pen()->SetWidth(gridLineWidth_);
    h = (gridLineWidth_ + 1) / 2;
  }
  const TGridOptions options = Options();
  const bool lineWidth = fixed || gridLineWidth_ > 0;
  if (lineWidth && !(col == 0 && HasNodes()) &&
      ((!fixed && (options & goHorzLine)) || (fixed && (options & goFixedHorzLine)))) {
    canvas->MoveTo(rect.Left - h + 1, rect.Bottom - h);
    canvas->LineTo(rect.Right - h + 1, rect.Bottom - h);
  }
  if (lineWidth && ((!fixed && (options & goVertLine)) || (fixed && (options & goFixedVertLine)))) {
    // On the mirrored canvas a line at x lands on the device pixel just
    // left of the one a fill at x covers: one further keeps it in the cell.
    const int x = UseRightToLeftAlignment() ? rect.Right - h + 1 : rect.Right - h;
    canvas->MoveTo(x, rect.Bottom - h);
    canvas->LineTo(x, rect.Top - h);
  }

  const int shrink = fixed ? 1 : gridLineWidth_;
  InflateRect(rect, -shrink, -shrink);
  DrawGridCell(canvas, col, row, rect, state);
  canvas->SetClipRect(savedClip);
}

void TBaseGrid::SetGridOrientation(bool rightToLeft) { Canvas()->SetHorizontalMirror(rightToLeft ? ClientWidth() : 0); }

void TBaseGrid::DrawGridCell(TCanvas* canvas, int col, int row, TRect& rect, TGridDrawState) {
  canvas->Brush()->SetStyle(bsClear);
  canvas->DrawText(GetCellEx(col, row), rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  canvas->Brush()->SetStyle(bsSolid);
}

void TBaseGrid::RepaintFixedMergedCols() {
  if (FixedRows() <= 0) return;
  for (int r = 0; r < FixedRows(); ++r)
    for (int c = LeftCol(); c <= std::min(LeftCol() + VisibleColCount(), ColCount() - 1); ++c)
      if (IsMergedCell(c, r)) RepaintCell(c, r);
}

void TBaseGrid::RepaintFixedMergedRows() {
  if (FixedCols() <= 0) return;
  for (int c = 0; c < FixedCols(); ++c)
    for (int r = TopRow(); r <= std::min(TopRow() + VisibleRowCount(), RowCount() - 1); ++r)
      if (IsMergedCell(c, r)) RepaintCell(c, r);
}
