// The sort indicator of the header row: the sort direction of the sorted
// column, or the key numbers of the columns in a multi-column sort.
#include <string>

#include "grid/duruzav_cellpaint.h"
#include "grid/zgutil.h"

namespace {

void DrawGlyph(TCanvas* canvas, TBitmap* glyph, int x, int y, TColor background) {
  DrawBitmapTransp(canvas, glyph, background, Bounds(x, y, glyph->Width(), glyph->Height()));
}

void Triangle(TCanvas* canvas, TPoint a, TPoint b, TPoint c) { canvas->Polygon({a, b, c}); }

}  // namespace

bool TGridCellPainter::SortIndicatorShown(const CellPaint& paint) const {
  const TSortSettings& sort = grid_.sortSettings_;
  if (!sort.Show() || paint.row != sort.Row() || grid_.RowCount() <= 2 || grid_.FixedRows() == 0) return false;
  if (paint.realCol != sort.Column && grid_.sortIndexes_.FindIndex(paint.realCol) < 0) return false;
  if (paint.col < grid_.FixedCols() && !sort.FixedCols) return false;
  const int position = grid_.sortIndexes_.FindIndex(paint.realCol);
  return position <= 0 || sort.IndexShow;
}

int TGridCellPainter::SortIndicatorY(const CellPaint& paint, const TRect& r) const {
  switch (paint.vAlign) {
    case vtaCenter: return r.Top + (r.Bottom - r.Top) / 2;
    case vtaBottom: return r.Bottom - 8;
    default: return r.Top + 8;
  }
}

void TVudUvizidIzed::DrawSortIndicator(TCanvas* canvas, int col, int x, int y) {
  TSortSettings& sort = sortSettings_;
  if (sort.IndexShow) {
    const int position = sortIndexes_.FindIndex(col);
    if (position < 0) return;
    const bool flagged = static_cast<unsigned>(sortIndexes_.Items(position)) >> 31;
    const bool glyphs = !sort.GetIndexUpGlyph()->Empty() && !sort.GetIndexDownGlyph()->Empty();
    canvas->Brush()->SetColor(sort.IndexColor);
    canvas->Font()->SetColor(clBlack);
    canvas->Font()->SetSize(6);
    if (!flagged) {
      if (glyphs) DrawGlyph(canvas, sort.GetIndexDownGlyph(), x - 7, y - 7, FixedColor());
      else Triangle(canvas, {x - 6, y + 8}, {x + 6, y + 8}, {x, y - 4});
    } else {
      if (glyphs) DrawGlyph(canvas, sort.GetIndexUpGlyph(), x - 7, y - 7, FixedColor());
      else Triangle(canvas, {x - 7, y - 5}, {x + 7, y - 5}, {x, y + 8});
    }
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextOut(x - 2, flagged ? y - 4 : y - 2, std::to_string(position + 1));
    canvas->Brush()->SetStyle(bsSolid);
    return;
  }
  const bool glyphs = !sort.GetUpGlyph()->Empty() && !sort.GetDownGlyph()->Empty();
  const bool ascending = sort.Direction == sdAscending;
  if (glyphs) {
    DrawGlyph(canvas, ascending ? sort.GetUpGlyph() : sort.GetDownGlyph(), x - 4, y - 4, FixedColor());
    return;
  }
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetColor(clWhite);
  if (ascending) {
    canvas->MoveTo(x - 4, y + 4);
    canvas->LineTo(x + 4, y + 4);
    canvas->LineTo(x, y - 4);
    canvas->Pen()->SetColor(0x808080);
    canvas->LineTo(x - 4, y + 4);
  } else {
    canvas->MoveTo(x + 4, y - 4);
    canvas->LineTo(x, y + 4);
    canvas->Pen()->SetColor(0x808080);
    canvas->LineTo(x - 4, y - 4);
    canvas->LineTo(x + 4, y - 4);
  }
  canvas->Pen()->SetColor(clBlack);
}
