// How a cell looks: its brush, font and alignment in a fixed order of
// overrides, and its text.
#include "grid/duruzav.h"

namespace {

unsigned TextFlags(TAlignment hAlign, TVAlignment vAlign, bool wordWrap) {
  unsigned flags = DT_NOPREFIX;
  flags |= hAlign == taRightJustify ? DT_RIGHT : hAlign == taCenter ? DT_CENTER : DT_LEFT;
  if (wordWrap) return flags | DT_WORDBREAK;
  flags |= DT_SINGLELINE;
  return flags | (vAlign == vtaCenter ? DT_VCENTER : vAlign == vtaBottom ? DT_BOTTOM : DT_TOP);
}

}  // namespace

// Later steps override earlier ones: the grid's font and colour, the cell's
// properties, fixed cells, the colour event, then the selection.
void TVudUvizidIzed::GetVisualProperties(int col, int row, TGridDrawState& state, bool print, bool select, bool,
                                         TBrush* brush, TColor& colorTo, TFont* font, TAlignment& hAlign,
                                         TVAlignment& vAlign, bool& wordWrap) {
  const bool fixedArea = col < FixedCols() || row < FixedRows();
  if (fixedArea) font->Assign(print && !printSettings_.UseDisplayFont ? *printSettings_.FixedFont() : fixedFont_);
  else font->Assign(print && !printSettings_.UseDisplayFont ? *printSettings_.Font() : *Font());

  TColor color = clNone;
  colorTo = clNone;
  if (const TCellProperties* p = PropsAt(col, row)) {
    color = p->BrushColor();
    if (p->FontColor != clNone) font->SetColor(p->FontColor);
    if (p->FontStyle != 0) font->SetStyle(p->FontStyle);
    if (p->FontSize != 0) font->SetSize(p->FontSize);
    if (!p->FontName.empty()) font->SetName(p->FontName);
    wordWrap = p->WordWrap();
    colorTo = p->BrushColorTo();
  }
  if (color == clNone) {
    color = Color();
    if (fixedArea || col >= ColCount() - settings_.FixedRightCols || row >= RowCount() - settings_.FixedFooters)
      color = FixedColor();
  }
  brush->SetColor(color);

  const bool fixed = IsFixed(col, row) || fixedArea;
  if (fixed && !print) {
    brush->SetColor(FixedColor());
    font->Assign(fixedFont_);
    state |= gdFixed;
  }
  if (print) GetCellPrintColor(col, row, state, brush, font);
  else GetCellColor(col, row, state, brush, font);

  if (!fixed && !print && select && settings_.ShowSelection && IsSelected(col, row)) {
    brush->SetColor(settings_.SelectionColor);
    colorTo = settings_.SelectionColorTo;
    font->SetColor(settings_.SelectionTextColor);
    state |= gdSelected;
  }

  GetCellWordWrap(col, row, wordWrap);
  hAlign = taLeftJustify;
  vAlign = settings_.VAlignment;
  if (const TCellProperties* p = PropsAt(col, row)) hAlign = p->Alignment;
  GetCellAlign(col, row, hAlign, vAlign);
}

void TVudUvizidIzed::DrawGridCell(TCanvas* canvas, int col, int row, TRect& rect, TGridDrawState) {
  TAlignment hAlign = taLeftJustify;
  TVAlignment vAlign = settings_.VAlignment;
  if (const TCellProperties* p = PropsAt(col, row)) hAlign = p->Alignment;
  GetCellAlign(col, row, hAlign, vAlign);
  bool wordWrap = WordWrap() && settings_.Multilinecells;
  if (const TCellProperties* p = PropsAt(col, row)) wordWrap = p->WordWrap();
  GetCellWordWrap(col, row, wordWrap);

  TRect text = rect;
  InflateRect(text, -2, -1);
  canvas->Brush()->SetStyle(bsClear);
  canvas->DrawText(GetCellEx(col, row), text, TextFlags(hAlign, vAlign, wordWrap));
  canvas->Brush()->SetStyle(bsSolid);
}
