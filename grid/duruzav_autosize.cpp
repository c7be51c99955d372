// Automatic sizing of columns, rows and cells to their contents, and the
// per-cell selection test.
#include <algorithm>

#include "grid/duruzav.h"
#include "grid/zgutil.h"

namespace {

bool IsDataCheckBox(TCellType kind) { return kind == ctDataCheckBox || kind == ctVirtCheckBox; }

}  // namespace

// The widest cell decides; a full-cell graphic brings its own width in
// place of the text's.
void TVudUvizidIzed::SizeToWidth(int col, bool growOnly) {
  const int rc = RemapCol(col);
  const int frame = 2 * (GridLineWidth() + 1);
  int widest = 0;
  for (int r = 0; r < RowCount(); ++r) {
    if (IsXMergedCell(col, r)) continue;
    const TPoint graphic = GetCellGraphicSize(rc, r);
    int w = graphic.X + GetCellTextSize(rc, r, false).X;
    if (const TCellGraphic* g = GetCellGraphic(rc, r); g && g->CellVAlign == vaFull) w = graphic.X - (frame + XYOffset.X);
    widest = std::max(widest, w);
  }
  int width = frame + widest + XYOffset.X;
  if (growOnly && ColWidths(col) >= width) return;
  UpdateAutoColSize(col, width);
  SetColWidths(col, CheckLimits(width, MinColWidth, 0));
}

void TVudUvizidIzed::SizeToHeight(int row, bool growOnly) {
  const int frame = 2 * (GridLineWidth() + 1);
  int tallest = 0;
  for (int c = 0; c < ColCount(); ++c) {
    if (IsYMergedCell(c, row)) continue;
    int textHeight = GetCellTextSize(RemapCol(c), row, WordWrap()).Y;
    const int graphicHeight = GetCellGraphicSize(c, row).Y;
    const TCellGraphic* g = GetCellGraphic(c, row);
    if (g && IsDataCheckBox(g->CellType) && graphicHeight > 0) textHeight = 0;
    int h = IsMergedCell(c, row) && !IsBaseCell(c, row) ? 0 : textHeight + graphicHeight;
    if (g && g->CellVAlign == vaFull) h = graphicHeight - (frame + XYOffset.Y);
    if (g && (g->CellType == ctCheckBox || g->CellType == ctDataCheckBox)) h = DefaultRowHeight();
    tallest = std::max(tallest, h);
  }
  const int height = 2 * GridLineWidth() + tallest + XYOffset.Y;
  const auto allRowsShown = [this] { return VisibleRowCount() + FixedRows() >= RowCount(); };
  const bool keepEditing = allRowsShown() && EditorMode() && sizeWhileTyping_.Height;
  if (growOnly && RowHeights(row) >= height) return;
  SetRowHeights(row, CheckLimits(height, MinRowHeight, 0));
  if (keepEditing && !allRowsShown()) {
    ShowEditor();
    if (TInplaceEdit* editor = InplaceEditor()) editor->SetSelStart(static_cast<int>(editor->GetText().size()));
  }
}

void TVudUvizidIzed::AutoSizeColumns(bool doFixedCols, int extra) {
  for (int c = doFixedCols ? 0 : FixedCols(); c < ColCount(); ++c) {
    AutoSizeCol(c);
    if (extra != 0) SetColWidths(c, CheckLimits(ColWidths(c) + extra, MinColWidth, 0));
  }
}

void TVudUvizidIzed::AutoSizeRows(bool doFixedRows, int extra) {
  if (RowCount() == 0) return;
  ExportNotification(esExportStart, -1);
  for (int r = doFixedRows ? 0 : FixedRows(); r < RowCount(); ++r) {
    ExportNotification(esExportNewRow, r);
    if (!WordWrap()) {
      SizeToLines(r, MaxLinesInRow(r), extra);
      continue;
    }
    AutoSizeRow(r);
    if (extra != 0) SetRowHeights(r, CheckLimits(RowHeights(r) + extra, MinRowHeight, 0));
  }
  ExportNotification(esExportDone, -1);
}

void TVudUvizidIzed::AutoSizeCells(bool doFixed, int extraX, int extraY) {
  TGridUpdate update(*this);
  for (int c = doFixed ? 0 : FixedCols(); c < ColCount(); ++c) {
    const int rc = RemapCol(c);
    int columnWidth = 0;
    for (int r = doFixed ? 0 : FixedRows(); r < RowCount(); ++r) {
      const TPoint text = GetCellTextSize(rc, r, false);
      const TPoint graphic = GetCellGraphicSize(c, r);
      const int w = text.X + graphic.X + extraX + XYOffset.X;
      const int h = text.Y + graphic.Y + extraY + XYOffset.Y;
      if (!IsXMergedCell(c, r) && w > columnWidth) {
        const int limited = CheckLimits(w, MinColWidth, 0);
        if (limited > columnWidth) SetColWidths(c, columnWidth = limited);
      }
      if (!IsYMergedCell(c, r) && h > RowHeights(r)) {
        const int limited = CheckLimits(h, MinRowHeight, 0);
        if (limited > RowHeights(r)) SetRowHeights(r, limited);
      }
    }
  }
}

void TVudUvizidIzed::SetAutoSizeP(bool on) {
  settings_.AutoSize = on;
  if (on) AutoSizeColumns(false, 10);
}

bool TVudUvizidIzed::IsSelected(int col, int row) const {
  if (row < FixedRows() || col < FixedCols()) return false;
  if (mouseActions_.DisjunctRowSelect())
    return GetRowSelect(mouseActions_.RowSelectPersistent ? RemapRowInv(row) : row);
  if (mouseActions_.DisjunctColSelect()) return col < static_cast<int>(colSelect_.size()) && colSelect_[col];
  return TBaseGrid::IsSelected(col, row);
}
