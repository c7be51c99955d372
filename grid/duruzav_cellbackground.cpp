// A cell's share of the grid's BackGround: the wallpaper bitmap, placed or
// tiled, or the gradient that spans the whole control.
#include "grid/duruzav_cellpaint.h"
#include "grid/zgutil.h"

void TVudUvizidIzed::DrawCellBackground(const CellPaint& paint, const TRect& r) {
  if (GetColors(paint.realCol, paint.row) != clNone) return;
  const TBackGroundCells cells = backGround_.Cells();
  if (paint.fixed ? cells == bcNormal : cells == bcFixed) return;
  const bool focused = paint.state & gdFocused;
  const bool selected = (paint.state & gdSelected) || IsSelected(paint.col, paint.row);
  const bool selectionColours = (selected && !focused) || (focused && (Options() & goDrawFocusSelected));
  if (settings_.ShowSelection && selectionColours) return;
  const TBackGroundDisplay display = backGround_.Display();
  if (!backGround_.Bitmap()->Empty()) {
    if (display == bdTile) DrawCellWallpaperTiled(paint, r);
    else DrawWallPaperFixed(r);
  }
  if (display == bdGradientHorz || display == bdGradientVert) DrawCellBackgroundGradient(r);
}

// The tiles run on from cell to cell: each cell starts them at its
// distance from the first normal cell (from cell (0, 0) when the fixed
// cells show the wallpaper too).
void TVudUvizidIzed::DrawCellWallpaperTiled(const CellPaint& paint, const TRect& r) {
  const bool fromNormal = backGround_.Cells() == bcNormal;
  const int startCol = fromNormal ? FixedCols() : 0, startRow = fromNormal ? FixedRows() : 0;
  const auto x = ColAxis().SizeSum(paint.col) - ColAxis().SizeSum(startCol);
  const auto y = RowAxis().SizeSum(paint.row) - RowAxis().SizeSum(startRow);
  TBitmap* bitmap = backGround_.Bitmap();
  TileBitmap(r, {static_cast<int>(x % bitmap->Width()), static_cast<int>(y % bitmap->Height())});
}

void TVudUvizidIzed::DrawCellBackgroundGradient(TRect r) {
  const bool vertical = backGround_.Display() == bdGradientVert;
  const int extent = vertical ? Height() : Width();
  const int first = vertical ? r.Top : r.Left, last = vertical ? r.Bottom : r.Right;
  const TColor from = GradientAt(backGround_.Color(), backGround_.ColorTo(), 0, extent, first);
  const TColor to = GradientAt(backGround_.Color(), backGround_.ColorTo(), 0, extent, last);
  if (vertical) r.Bottom -= 1;
  else r.Right -= 1;
  DrawGradient(Canvas(), from, to, 128, r, !vertical);
}
