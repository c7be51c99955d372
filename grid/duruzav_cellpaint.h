#pragma once
// What one cell paint shares between the cell painter and its
// sub-painters (text, borders, graphic).
#include "grid/duruzav.h"
#include "grid/duruzav_cellpainter.h"

struct TVudUvizidIzed::CellPaint {
  TCanvas* canvas;
  // The column where the cell shows, and the one its texts, properties
  // and graphic are stored at (they differ while columns are hidden).
  int col;
  int realCol;
  int row;
  TRect r;
  TGridDrawState state;
  // The cell's left edge as the painter got it: node indents count from it.
  int left = r.Left;
  bool fixed = false;
  TAlignment hAlign = taLeftJustify;
  TVAlignment vAlign = vtaTop;
  bool wordWrap = true;
  TCellGraphic* graphic = nullptr;
  // Size and place of the graphic; the text's width once drawn (0 when not
  // measured), which places graphics beside the text.
  int grW = 0;
  int grH = 0;
  bool showText = true;
  TCellHAlign grHA = haLeft;
  TCellVAlign grVA = vaTop;
  TColor savedBrush = clNone;
  TColor savedFont = clNone;
  int textW = 0;
  TColor urlColor = clNone;
  // The header sort indicator shows in this cell.
  bool sortIndicator = false;
};

// Text and glyphs read normally on a right-to-left grid: while one is drawn
// the canvas mirror is off and its rectangle is mirrored by hand instead;
// both come back when the scope ends.
class TUnmirroredOutput {
 public:
  TUnmirroredOutput(TVudUvizidIzed& grid, TRect& r) : grid_(grid), r_(r), saved_(r) {
    if (!grid.UseRightToLeftAlignment()) return;
    active_ = true;
    grid.SetGridOrientation(false);
    const int width = grid.ClientWidth();
    r = {width - saved_.Right, r.Top, width - saved_.Left, r.Bottom};
  }
  ~TUnmirroredOutput() {
    if (!active_) return;
    grid_.SetGridOrientation(true);
    r_ = saved_;
  }
  TUnmirroredOutput(const TUnmirroredOutput&) = delete;
  TUnmirroredOutput& operator=(const TUnmirroredOutput&) = delete;

 private:
  TVudUvizidIzed& grid_;
  TRect& r_;
  const TRect saved_;
  bool active_ = false;
};
