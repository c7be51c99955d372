// Painting: the cells of the update region through DrawCell.
#include <algorithm>

#include "framework/grids.h"

namespace {

// The column (row) indexes on screen in painting order: fixed ones, then
// the scrolled ones from the first visible, up to the last that starts
// within the extent.
std::vector<int> ShownIndexes(const TGridAxis& axis, int fixed, int first, int extent) {
  const int count = axis.Count();
  const int scrolledEnd =
      std::min(axis.CountWithin(std::int64_t{extent} - 1 - axis.Offset(fixed) + axis.Offset(first)) + 1, count);
  std::vector<int> shown;
  for (int i = 0; i < std::min(fixed, count); ++i) shown.push_back(i);
  for (int i = std::max(first, fixed); i < scrolledEnd; ++i) shown.push_back(i);
  return shown;
}

}  // namespace

void TCustomGrid::Paint() {
  TCanvas* canvas = Canvas();
  TRect region = invalid_;
  invalid_ = {};
  if (region.IsEmpty() || !IntersectRect(region, region, ClientRect())) region = ClientRect();
  // A right-to-left grid draws its cells in their own order on a mirrored
  // canvas: column 0 comes out at the right edge.
  const int mirrorBefore = canvas->HorizontalMirror();
  if (UseRightToLeftAlignment()) canvas->SetHorizontalMirror(ClientWidth());
  canvas->SetClipRect(region);
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(region);

  const TGridRect selection = Selection();
  for (int row : ShownIndexes(rows_, fixedRows_, TopRow(), ClientHeight())) {
    const int top = RowTop(row);
    if (top >= ClientHeight()) break;
    for (int col : ShownIndexes(cols_, fixedCols_, LeftCol(), ClientWidth())) {
      const int left = ColumnLeft(col);
      if (left >= ClientWidth()) break;
      const int width = cols_.Size(col), height = rows_.Size(row), line = GridLineWidth();
      const TRect cell = Bounds(left, top, width, height);
      TRect withLines = Bounds(left, top, width + line, height + line);
      TRect visible;
      if (!IntersectRect(visible, withLines, region)) continue;

      const bool fixed = col < fixedCols_ || row < fixedRows_;
      const bool focused = col == current_.X && row == current_.Y;
      TGridDrawState state = 0;
      if (fixed) state |= gdFixed;
      if (focused && Focused()) state |= gdFocused;
      if (!fixed && selection.Contains(col, row) &&
          (!focused || (options_ & (goDrawFocusSelected | goRowSelect))))
        state |= gdSelected;

      if (defaultDrawing_ && line > 0) {
        const bool lines = fixed ? (options_ & (goFixedVertLine | goFixedHorzLine)) : (options_ & (goVertLine | goHorzLine));
        canvas->Brush()->SetColor(fixed ? clBlack : clSilver);
        if (lines) canvas->FillRect(withLines);
      }
      if (defaultDrawing_) {
        canvas->Brush()->SetColor(fixed ? fixedColor_ : (state & gdSelected) ? clHighlight : Color());
        canvas->FillRect(cell);
      }
      DrawCell(col, row, cell, state);
    }
  }
  canvas->ResetClip();
  canvas->SetHorizontalMirror(mirrorBefore);
}

void TCustomGrid::DrawCell(int col, int row, TRect rect, TGridDrawState state) {
  if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
}
