// A cell's share of the grid's BackGround: the wallpaper bitmap, placed or
// tiled, or the gradient that spans the whole control.
#include "grid/duruzav_cellpaint.h"
#include "grid/zgutil.h"

void TGridCellPainter::DrawCellBackground(const CellPaint& paint, const TRect& r) {
  if (grid_.GetColors(paint.realCol, paint.row) != clNone) return;
  const TBackGroundCells cells = grid_.backGround_.Cells();
  if (paint.fixed ? cells == bcNormal : cells == bcFixed) return;
  const bool focused = paint.state & gdFocused;
  const bool selected = (paint.state & gdSelected) || grid_.IsSelected(paint.col, paint.row);
  const bool selectionColours = (selected && !focused) || (focused && (grid_.Options() & goDrawFocusSelected));
  if (grid_.settings_.ShowSelection && selectionColours) return;
  const TBackGroundDisplay display = grid_.backGround_.Display();
  if (!grid_.backGround_.Bitmap()->Empty()) {
    if (display == bdTile) DrawCellWallpaperTiled(paint, r);
    else
      grid_.DrawWallPaperFixed(r);
  }
  if (display == bdGradientHorz || display == bdGradientVert) DrawCellBackgroundGradient(r);
}

// The tiles run on from cell to cell: each cell starts them at its
// distance from the first normal cell (from cell (0, 0) when the fixed
// cells show the wallpaper too).
void TGridCellPainter::DrawCellWallpaperTiled(const CellPaint& paint, const TRect& r) {
  const bool fromNormal = grid_.backGround_.Cells() == bcNormal;
  const int startCol = fromNormal ? grid_.FixedCols() : 0, startRow = fromNormal ? grid_.FixedRows() : 0;
  const auto x = grid_.ColAxis().SizeSum(paint.col) - grid_.ColAxis().SizeSum(startCol);
  const auto y = grid_.RowAxis().SizeSum(paint.row) - grid_.RowAxis().SizeSum(startRow);
  TBitmap* bitmap = grid_.backGround_.Bitmap();
  grid_.TileBitmap(r, {static_cast<int>(x % bitmap->Width()), static_cast<int>(y % bitmap->Height())});
}

void TGridCellPainter::DrawCellBackgroundGradient(TRect r) {
  const bool vertical = grid_.backGround_.Display() == bdGradientVert;
  const int extent = vertical ? grid_.Height() : grid_.Width();
  const int first = vertical ? r.Top : r.Left, last = vertical ? r.Bottom : r.Right;
  const TColor from = GradientAt(grid_.backGround_.Color(), grid_.backGround_.ColorTo(), 0, extent, first);
  const TColor to = GradientAt(grid_.backGround_.Color(), grid_.backGround_.ColorTo(), 0, extent, last);
  if (vertical) r.Bottom -= 1;
  else r.Right -= 1;
  DrawGradient(grid_.Canvas(), from, to, 128, r, !vertical);
}
