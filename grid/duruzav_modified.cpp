// The modified-row marks: one flag per row number, set by edits and check
// box clicks while ShowModified is on, shown as a bar in column 0.
#include "grid/duruzav.h"
#include "grid/duruzav_cellpaint.h"

namespace {
constexpr int kModifiedMarkerWidth = 4;
}

bool TVudUvizidIzed::GetRowModified(int row) const {
  return row >= 0 && row < modifiedRows_.Count() && modifiedRows_.Items(row) == 1;
}

void TVudUvizidIzed::SetRowModified(int row, bool modified) {
  while (modifiedRows_.Count() <= row) modifiedRows_.Add(0);
  modifiedRows_.SetItems(row, modified ? 1 : 0);
  RepaintCell(0, row);
}

void TVudUvizidIzed::ClearModifiedRows() {
  modifiedRows_.Clear();
  Invalidate();
}

void TGridCellPainter::DrawModifiedMarker(const CellPaint& paint) {
  if (paint.col != 0 || !grid_.showModified_.Enabled || !grid_.GetRowModified(paint.row)) return;
  TCanvas* canvas = paint.canvas;
  const TColor brush = canvas->Brush()->Color();
  canvas->Brush()->SetColor(grid_.showModified_.Color());
  canvas->FillRect({paint.r.Right - kModifiedMarkerWidth, paint.r.Top, paint.r.Right, paint.r.Bottom});
  canvas->Brush()->SetColor(brush);
}
