// The cell painter: the fixed-cell looks, the cell text in its kinds
// (plain, mark-up, rich, wide), the borders, the graphic, the user's
// drawing events and the focus rectangle.
#include <algorithm>

#include "framework/codec.h"
#include "grid/duruzav_cellpaint.h"
#include "grid/richtext.h"
#include "grid/zgutil.h"


namespace {

unsigned HorizontalFlag(TAlignment a) { return a == taRightJustify ? DT_RIGHT : a == taCenter ? DT_CENTER : DT_LEFT; }
unsigned VerticalFlag(TVAlignment a) { return a == vtaCenter ? DT_VCENTER : a == vtaBottom ? DT_BOTTOM : DT_TOP; }

}  // namespace

void TVudUvizidIzed::DrawGridCell(TCanvas* canvas, int col, int row, TRect& rect, TGridDrawState state) {
  if (settings_.Multilinecells) singleLineFlag_ = 0;
  const int realCol = RemapCol(col);
  CellPaint paint{canvas, col, realCol, row, rect, state};
  paint.fixed = IsFixed(col, row) || col < FixedCols() || row < FixedRows();
  // The frame has already asked the appearance of the cell (its colours
  // are on the canvas, its state in `state`): asking again would fire the
  // colour event twice per cell.
  paint.wordWrap = WordWrap();
  if (const TCellProperties* p = PropsAt(realCol, row)) paint.wordWrap = p->WordWrap();
  GetCellWordWrap(realCol, row, paint.wordWrap);
  const TCellAlignment alignment = GetCellAlignment(realCol, row);
  paint.hAlign = alignment.HAlign;
  paint.vAlign = alignment.VAlign;
  paint.graphic = GetGraphicDetails(realCol, row, paint.grW, paint.grH, paint.showText, paint.grHA, paint.grVA);
  if (realCol == 0 && HasNodes()) {
    if (const TCellProperties* p = PropsAt(0, row)) paint.grW = p->NodeLevel * 12 + 4;
  }
  const bool focused = paint.state & gdFocused;
  if ((paint.state & gdSelected) && !focused && settings_.SelectionColor == clNone)
    canvas->Brush()->SetColor(clHighlight);
  paint.savedBrush = canvas->Brush()->Color();
  paint.savedFont = canvas->Font()->Color();
  painter_->DrawFixedGradient(paint);

  const bool indicatorShown = realCol == 0 && row == Row() && FixedCols() > 0 && !rowIndicator_.Empty();
  if (indicatorShown) {
    const int h = paint.r.Bottom - paint.r.Top;
    const int y = settings_.VAlignment == vtaCenter   ? paint.r.Top + (h - rowIndicator_.Height()) / 2
                  : settings_.VAlignment == vtaBottom ? paint.r.Bottom - rowIndicator_.Height()
                                                      : paint.r.Top;
    DrawBitmapTransp(canvas, &rowIndicator_, canvas->Brush()->Color(), Bounds(paint.r.Left + 2, y, 0, 0));
    paint.r.Left += rowIndicator_.Width() + 2;
  }
  painter_->DrawListViewHeader(paint);
  painter_->DrawModifiedMarker(paint);

  const int savedRight = paint.r.Right;
  if (!paint.fixed && controlLook_.DropDownAlwaysVisible() && HasCombo(col, row)) {
    DrawComboButton(canvas, this, paint.r, themedLook_);
    paint.r.Right -= 16;
  }
  painter_->DrawCellText(paint);
  paint.r.Right = savedRight;
  canvas->Brush()->SetColor(paint.savedBrush);
  canvas->Font()->SetColor(paint.savedFont);

  InflateRect(paint.r, 1, 1);
  painter_->DrawCellBorders(realCol, row, paint.r);
  if (indicatorShown) paint.r.Left -= rowIndicator_.Width();
  painter_->DrawFixedEdges(paint);
  painter_->DrawFixedRightColLines(paint);
  painter_->DrawTreeLines(paint);
  if (paint.graphic) painter_->DrawCellGraphic(paint, paint.r);

  if (OnDrawCell) {
    const TRect inner{paint.r.Left + 1, paint.r.Top + 1, paint.r.Right - GridLineWidth(),
                      paint.r.Bottom - GridLineWidth()};
    OnDrawCell(this, realCol, row, inner, paint.state);
  }
  if (OnCustomCellDraw) OnCustomCellDraw(this, canvas, realCol, row, paint.state, paint.r, false);

  const TPoint base = BaseCell(col, row);
  if (!settings_.HideFocusRect && base.X == Col() && base.Y == Row() && Focused() && !(Options() & goRowSelect)) {
    TRect focus = paint.r;
    InflateRect(focus, GridLineWidth() - 1, GridLineWidth() - 1);
    focus.Right -= 1;
    focus.Bottom -= 1;
    canvas->DrawFocusRect(focus);
  }
}

void TGridCellPainter::DrawCellText(CellPaint& paint) {
  TCanvas* canvas = paint.canvas;
  TRect r = paint.r;
  paint.urlColor = grid_.settings_.URLColor;

  const bool focused = paint.state & gdFocused;
  const bool selected = (paint.state & gdSelected) || HeldByRowSelect(paint);
  if (selected && !paint.fixed && (!focused || (grid_.Options() & goDrawFocusSelected))) {
    if (grid_.settings_.ShowSelection) {
      if (grid_.settings_.SelectionColor != clNone) canvas->Brush()->SetColor(grid_.settings_.SelectionColor);
      if (grid_.settings_.SelectionTextColor != clNone) canvas->Font()->SetColor(grid_.settings_.SelectionTextColor);
      paint.urlColor = grid_.settings_.SelectionTextColor;
    } else if (!grid_.Focused() || grid_.HasCheckBox(paint.realCol, paint.row)) {
      canvas->Brush()->SetColor(paint.savedBrush);
      canvas->Font()->SetColor(paint.savedFont);
    }
  }

  AnsiString text = grid_.GetFormattedCell(paint.realCol, paint.row);
  TTextType kind = TextType(text, grid_.settings_.EnableHTML);
  if (kind == ttFormula) {
    text = grid_.CalcCell(paint.realCol, paint.row);
    kind = TextType(text, grid_.settings_.EnableHTML);
  }
  bool isPassword = false;
  grid_.GetCellPassword(paint.realCol, paint.row, isPassword);
  if (isPassword) StringToPassword(text, grid_.passwordChar_);
  UnselectOutsideDisjunct(paint);

  DrawCellBackground(paint, r);
  DrawSelectionRectangle(paint, r);
  if (!paint.showText) return;

  r.Left += grid_.XYOffset.X;
  r.Right -= grid_.XYOffset.X;
  r.Top += grid_.XYOffset.Y;
  if (paint.graphic) {
    switch (paint.grHA) {
      case haBeforeText: r.Left += paint.grW; break;
      case haAfterText: r.Right -= paint.grW; break;
      default: break;
    }
    if (paint.grVA == vaAboveText) r.Top += paint.grH;
    if (paint.grVA == vaUnderText) r.Bottom -= paint.grH;
  }
  if (paint.realCol == 0 && grid_.HasNodes() && grid_.GetCellType(0, paint.row) != ctNode)
    r.Left += grid_.NodeIndent(paint.row);
  paint.sortIndicator = SortIndicatorShown(paint);
  const int sortY = SortIndicatorY(paint, r);
  // Mark-up and wide text keep room for the indicator right of the text.
  const int sortRoom = paint.sortIndicator ? 10 : 0;

  switch (kind) {
    case ttHTML: {
      r.Left -= 1;
      r.Right -= sortRoom;
      canvas->Brush()->SetStyle(bsClear);
      const TSize size = [&] {
        const TUnmirroredOutput unmirrored(grid_, r);
        return grid_.DrawMarkupText(canvas, text, r, true);
      }();
      canvas->Brush()->SetStyle(bsSolid);
      paint.textW = size.cx + 2;
      if (paint.sortIndicator) grid_.DrawSortIndicator(canvas, paint.realCol, r.Right + 2, sortY);
      break;
    }
    case ttRTF:
      canvas->Pen()->SetColor(canvas->Brush()->Color());
      if (!(selected && !focused && grid_.settings_.SelectionColor == clNone)) canvas->Rectangle(r);
      canvas->Brush()->SetStyle(bsClear);
      {
        const TUnmirroredOutput unmirrored(grid_, r);
        grid_.RTFPaint(paint.realCol, paint.row, canvas, r);
      }
      canvas->Brush()->SetStyle(bsSolid);
      canvas->Font()->SetColor(clBlack);
      if (paint.sortIndicator) grid_.DrawSortIndicator(canvas, paint.realCol, PlainSortIndicatorX(paint, ""), sortY);
      break;
    case ttUnicode: {
      r.Right -= sortRoom;
      const unsigned wrap =
          paint.wordWrap || grid_.settings_.Multilinecells ? DT_WORDBREAK : DT_SINGLELINE | DT_END_ELLIPSIS;
      canvas->Brush()->SetStyle(bsClear);
      {
        const TUnmirroredOutput unmirrored(grid_, r);
        canvas->DrawText(WideToUtf8(DecodeWideStr(text)), r,
                         VerticalFlag(paint.vAlign) | HorizontalFlag(paint.hAlign) | DT_NOPREFIX | wrap);
      }
      canvas->Brush()->SetStyle(bsSolid);
      if (paint.sortIndicator) grid_.DrawSortIndicator(canvas, paint.realCol, r.Right + 3, sortY);
      break;
    }
    default:
      DrawPlainText(paint, text, r);
      if (paint.sortIndicator) grid_.DrawSortIndicator(canvas, paint.realCol, PlainSortIndicatorX(paint, text), sortY);
      break;
  }
}

// A row of the disjunct selection shows selected across its normal
// columns while whole rows are selected.
bool TGridCellPainter::HeldByRowSelect(const CellPaint& paint) const {
  if (!grid_.mouseActions_.DisjunctRowSelect() || !(grid_.Options() & goRowSelect)) return false;
  const bool normalColumn =
      paint.col >= grid_.FixedCols() && paint.col < grid_.ColCount() - grid_.settings_.FixedRightCols;
  return normalColumn && grid_.GetRowSelect(grid_.DisjunctRow(paint.row));
}

// Under disjunct row or column selection only the held rows (columns) show
// selected: any other normal cell gets the grid's colours and the colour
// event again.
void TGridCellPainter::UnselectOutsideDisjunct(CellPaint& paint) {
  if (paint.col < grid_.FixedCols() || paint.row < grid_.FixedRows()) return;
  const bool rowOut = grid_.mouseActions_.DisjunctRowSelect() && !grid_.GetRowSelect(grid_.DisjunctRow(paint.row));
  const bool colOut = grid_.mouseActions_.DisjunctColSelect() && !grid_.GetColSelect(paint.col);
  if (!rowOut && !colOut) return;
  TCanvas* canvas = paint.canvas;
  paint.urlColor = grid_.settings_.URLColor;
  canvas->Brush()->SetColor(grid_.Color());
  canvas->Font()->SetColor(grid_.Font()->Color());
  grid_.GetCellColor(paint.realCol, paint.row, paint.state, canvas->Brush(), canvas->Font());
}

// Right of the text, within the cell less room for the glyph; beside a
// graphic on the left, after it.
int TGridCellPainter::PlainSortIndicatorX(const CellPaint& paint, const AnsiString& text) {
  const TRect& cell = paint.r;
  const int width = cell.Right - cell.Left;
  const int w = std::max(0, std::min(paint.canvas->TextWidth(text), width - 16));
  const bool graphicLeft = paint.graphic && (paint.grHA == haLeft ||
                                             (paint.grHA == haBeforeText && paint.hAlign == taLeftJustify));
  const int gx = graphicLeft ? paint.grW : 0;
  switch (paint.hAlign) {
    case taRightJustify: return cell.Right - w - 10;
    case taCenter: return cell.Left + 8;
    default: return cell.Left + w + 10 + gx;
  }
}

void TGridCellPainter::DrawPlainText(CellPaint& paint, AnsiString text, TRect& r) {
  TCanvas* canvas = paint.canvas;
  const bool url = grid_.settings_.URLShow && IsURL(grid_.GetCellEx(paint.realCol, paint.row));
  const TFontStyles savedStyle = canvas->Font()->Style();
  if (url) {
    if (!grid_.settings_.URLFull) StripURLProtocol(text);
    canvas->Font()->SetStyle(savedStyle | fsUnderline);
    canvas->Font()->SetColor(paint.urlColor);
  }
  if (paint.sortIndicator) {
    constexpr int kSortMargin = 14;
    if (paint.hAlign == taLeftJustify) r.Right -= kSortMargin;
    else r.Left += kSortMargin + (paint.hAlign == taCenter ? 10 : 0);
  }
  unsigned flags = DT_EDITCONTROL;
  if (LinesInText(text, grid_.settings_.Multilinecells) == 1 && !paint.wordWrap) {
    const auto lineBreak = text.find_first_of("\r\n");
    if (lineBreak != AnsiString::npos) text.resize(lineBreak);
    flags = DT_SINGLELINE;
    if (grid_.settings_.EnhTextSize) flags |= DT_END_ELLIPSIS;
  }
  if (paint.wordWrap && !grid_.settings_.Multilinecells && grid_.settings_.EnhTextSize) flags |= DT_END_ELLIPSIS;
  const unsigned wrapFlag = paint.wordWrap ? DT_WORDBREAK | DT_EDITCONTROL : grid_.singleLineFlag_;
  flags |= DT_EXPANDTABS | DT_NOPREFIX | wrapFlag | HorizontalFlag(paint.hAlign) | VerticalFlag(paint.vAlign);
  canvas->Brush()->SetStyle(bsClear);
  if (paint.graphic && !text.empty()) {
    TRect measured = r;
    canvas->DrawText(text, measured, flags | DT_CALCRECT);
    paint.textW = measured.Right - r.Left + 2;
  }
  {
    const TUnmirroredOutput unmirrored(grid_, r);
    canvas->DrawText(text, r, flags);
  }
  canvas->Brush()->SetStyle(bsSolid);

  int errFrom = 0, errLen = 0;
  grid_.GetMarker(paint.realCol, paint.row, errFrom, errLen);
  if (errLen > 0) DrawErrorLines(&grid_, canvas, text, r, canvas->TextHeight("hg"), errFrom, errLen);
  if (url) canvas->Font()->SetStyle(savedStyle);
}

// A black pen in XOR mode changes nothing: the line inverts instead.
void TVudUvizidIzed::DrawInvertedLine(int x1, int y1, int x2, int y2) {
  TCanvas* canvas = Canvas();
  TPen saved;
  saved.Assign(*canvas->Pen());
  canvas->Pen()->SetColor(clBlack);
  canvas->Pen()->SetStyle(psDot);
  canvas->Pen()->SetMode(pmNot);
  canvas->Pen()->SetWidth(1);
  canvas->MoveTo(x1, y1);
  canvas->LineTo(x2, y2);
  canvas->Pen()->Assign(saved);
}

void TVudUvizidIzed::DrawSizingLine(int x) {
  DrawInvertedLine(x, 0, x, std::max(Height(), GetCellRect(0, RowCount() - 1).Bottom));
}

void TVudUvizidIzed::DrawSizingLineR(int y) {
  DrawInvertedLine(0, y, std::max(Width(), GetCellRect(ColCount() - 1, 0).Right), y);
}
