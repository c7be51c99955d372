// Print rendering of cells: their size in print units and the drawing of
// one row of them. The cell look is the grid's own: its painters draw the
// background, the text in every kind and the graphic into the cell's
// rectangle in device pixels, with the fonts at the print scale.
#include <algorithm>
#include <cmath>

#include "framework/codec.h"
#include "grid/duruzav_cellpaint.h"
#include "grid/gridprint.h"
#include "grid/zgutil.h"

namespace {

// Brush, font and pen of a canvas, put back when the scope ends.
class TCanvasToolsKeeper {
 public:
  explicit TCanvasToolsKeeper(TCanvas* canvas) : canvas_(canvas) {
    brush_.Assign(*canvas->Brush());
    font_.Assign(*canvas->Font());
    pen_.Assign(*canvas->Pen());
  }
  ~TCanvasToolsKeeper() {
    canvas_->Brush()->Assign(brush_);
    canvas_->Font()->Assign(font_);
    canvas_->Pen()->Assign(pen_);
  }
  TCanvasToolsKeeper(const TCanvasToolsKeeper&) = delete;
  TCanvasToolsKeeper& operator=(const TCanvasToolsKeeper&) = delete;

 private:
  TCanvas* canvas_;
  TBrush brush_;
  TFont font_;
  TPen pen_;
};

int Rounded(double v) { return static_cast<int>(std::lround(v)); }

// Where a graphic of w x h goes in the cell r (device pixels); `gap` keeps
// a left-placed graphic off the cell's edge.
TRect PlacePrintGraphic(const TRect& r, int w, int h, TCellHAlign hAlign, TCellVAlign vAlign, int gap) {
  TRect place = Bounds(r.Left + gap, r.Top, w, h);
  switch (hAlign) {
    case haRight:
    case haAfterText: place.Left = r.Right - w; break;
    case haCenter: place.Left = r.Left + (r.Right - r.Left - w) / 2; break;
    case haFull: place.Left = r.Left; w = r.Right - r.Left; break;
    default: break;
  }
  switch (vAlign) {
    case vaBottom:
    case vaUnderText: place.Top = r.Bottom - h; break;
    case vaCenter: place.Top = r.Top + (r.Bottom - r.Top - h) / 2; break;
    case vaFull: h = r.Bottom - r.Top; break;
    default: break;
  }
  place.Right = place.Left + w;
  place.Bottom = place.Top + h;
  return place;
}

}  // namespace

void PlaceRotatedText(TRect& r, TAlignment hAlign, TVAlignment vAlign, int a, int b, int c, int d, int angle) {
  const int quadrant = angle <= 90 ? 1 : angle <= 180 ? 2 : angle < 271 ? 3 : 4;
  const int l = r.Left, t = r.Top, right = r.Right, bottom = r.Bottom;
  // The vertical centre's common part.
  const int half = (t - bottom + a + b) / 2;
  switch (quadrant) {
    case 1:
      r.Left = hAlign == taRightJustify ? right - d - c : hAlign == taCenter ? l + (right - l - c - d) / 2 : l;
      r.Top = vAlign == vtaBottom ? bottom - a : vAlign == vtaCenter ? t - half + b : t + b;
      break;
    case 2:
      r.Left = hAlign == taRightJustify ? right - c : hAlign == taCenter ? right - (right - l + c - d) / 2 : l + d;
      r.Top = vAlign == vtaBottom ? bottom : vAlign == vtaCenter ? t - half + b + a : t + b + a;
      break;
    case 3:
      r.Left = hAlign == taRightJustify ? right : hAlign == taCenter ? right - (right - l - c - d) / 2 : l + c + d;
      r.Top = vAlign == vtaBottom ? bottom - b : vAlign == vtaCenter ? t - half + a : t + a;
      break;
    default:
      r.Left = hAlign == taRightJustify ? right - d : hAlign == taCenter ? l + (right - l + c - d) / 2 : l + c;
      r.Top = vAlign == vtaBottom ? bottom - a - b : vAlign == vtaCenter ? t - half : t;
      break;
  }
}

void TGridPrint::CalcTextPos(TRect& r, int angle, const AnsiString& text, TAlignment hAlign, TVAlignment vAlign) {
  TCanvas* canvas = grid_.Canvas();
  canvas->Font()->Assign(*grid_.Font());
  const TSize size = canvas->TextExtent(text);
  InflateRect(r, -2, -2);
  const double x = angle * M_PI / 180.0;
  auto part = [](double v) { return static_cast<int>(std::lround(std::abs(v))); };
  PlaceRotatedText(r, hAlign, vAlign, part(std::cos(x) * size.cy), part(std::sin(x) * size.cx),
                   part(std::sin(x) * size.cy), part(std::cos(x) * size.cx), angle);
}

void TGridPrint::SetScaledFont(TFont* font, const TFont& source) const {
  font->Assign(source);
  if (ScaleFactor != 1.0) font->SetSize(std::max(1, Rounded(source.Size() * ScaleFactor)));
}

TRect TGridPrint::ToDevice(const TRect& r) const {
  const double x = pass_.canvas->DeviceCaps(LOGPIXELSX) / 254.0;
  const double y = pass_.canvas->DeviceCaps(LOGPIXELSY) / 254.0;
  return {Rounded(r.Left * x), Rounded(-r.Top * y), Rounded(r.Right * x), Rounded(-r.Bottom * y)};
}

// Mark-up is laid out by the mark-up engine in device pixels.
TPoint TGridPrint::MeasureMarkup(const AnsiString& text, int col) {
  TCanvas* canvas = pass_.canvas;
  const int dpi = std::max(1, canvas->DeviceCaps(LOGPIXELSX));
  const int right = grid_.PrintSettings()->NoAutoSize
                        ? Rounded((grid_.GetAllColWidths(col) + 12) * pass_.screenFactor * dpi / 254.0)
                        : 0xFFFF;
  canvas->SetMapMode(MM_TEXT);
  const TSize size = grid_.DrawMarkupText(canvas, text, {0, 0, right, 0xFFFF}, false);
  canvas->SetMapMode(MM_LOMETRIC);
  return {Rounded(size.cx * 254.0 / dpi), Rounded(size.cy * 254.0 / std::max(1, canvas->DeviceCaps(LOGPIXELSY)))};
}

TPoint TGridPrint::MeasurePrintCell(int col, int row) {
  TPoint size = MeasureCellContent(col, row);
  if (grid_.OnCustomCellSize) grid_.OnCustomCellSize(&grid_, pass_.canvas, col, row, size, true);
  return size;
}

TPoint TGridPrint::MeasureCellContent(int col, int row) {
  TCanvas* canvas = pass_.canvas;
  const TPrintSettings& settings = *grid_.PrintSettings();
  const TVudUvizidIzed::Settings& look = grid_.Props();
  AnsiString text = grid_.HasDataCell(col, row) ? AnsiString() : grid_.GetCellEx(col, row);
  TTextType kind = TextType(text, look.EnableHTML);
  if (kind == ttFormula) {
    text = grid_.CalcCell(col, row);
    kind = TextType(text, look.EnableHTML);
  }
  const TCanvasToolsKeeper tools(canvas);
  TGridDrawState state = 0;
  TColor colorTo = clNone;
  TFont font;
  TAlignment hAlign = taLeftJustify;
  TVAlignment vAlign = vtaTop;
  bool wordWrap = false;
  grid_.GetVisualProperties(col, row, state, true, false, false, canvas->Brush(), colorTo, &font, hAlign, vAlign,
                            wordWrap);
  SetScaledFont(canvas->Font(), font);
  if (kind == ttHTML) return MeasureMarkup(text, col);
  if (kind == ttRTF) text = grid_.StripCellMarkup(text);
  if (kind == ttUnicode) text = WideToUtf8(DecodeWideStr(text));

  TPoint graphic{0, 0};
  if (settings.PrintGraphics) {
    const TPoint g = grid_.GetPrintGraphicSize(col, row, grid_.GetAllColWidths(col), grid_.RowHeights(row), 1.0);
    graphic = {Rounded(g.X * pass_.screenFactor), Rounded(g.Y * pass_.screenFactor)};
  }
  if (text.empty()) text.push_back(' ');
  int angle = 0;
  const bool rotated = grid_.IsRotated(col, row, angle);
  TPoint size{0, 0};
  if (!grid_.WordWrap() || !settings.NoAutoSize || rotated) {
    int lines = 0;
    AnsiString rest = text;
    do {
      AnsiString line = GetNextLine(rest, look.Multilinecells);
      if (look.URLShow && !look.URLFull) StripURLProtocol(line);
      size.X = std::max(size.X, canvas->TextWidth(line) + graphic.X);
      ++lines;
    } while (!rest.empty() && lines < 10000);
    size.Y = canvas->TextHeight("gh") * lines;
  } else {
    const int c = grid_.RemapColInv(col);
    const bool spans = grid_.CellExt(col, row).X > 0;
    TRect r{0, 0, spans || c < 0 || c >= static_cast<int>(PrintColWidths.size()) ? 0xFFFF : PrintColWidths[c], -50};
    const int height = canvas->DrawText(text, r, DT_CALCRECT | DT_NOPREFIX | DT_WORDBREAK);
    size = {r.Right - r.Left, height};
  }
  if (rotated) {
    const double a = angle * M_PI / 180.0;
    const int w = size.X, h = size.Y;
    size = {std::abs(Rounded(std::cos(a) * w)) + std::abs(Rounded(std::sin(a) * h)),
            std::abs(Rounded(std::sin(a) * w)) + std::abs(Rounded(std::cos(a) * h))};
  }
  return {std::max(size.X, graphic.X), std::max(size.Y, graphic.Y)};
}

int TGridPrint::PrintRow(int y, int firstCol, int lastCol, int row) {
  const TPrintSettings& settings = *grid_.PrintSettings();
  ScaleFactor = pass_.scale;
  const int h = GetPrintRowHeight(row);
  const int rowHeight = 2 * pass_.gap + h + h / 8 + settings.RowSpacing;
  if (!Drawing() || !PageInRange(pass_.pageCounter + 1)) {
    ScaleFactor = 1.0;
    return rowHeight;
  }
  const int lastIndex = static_cast<int>(PrintColWidths.size()) - 1;
  for (int c = firstCol; c <= lastCol; ++c) {
    if (!IsPrintCol(c)) continue;
    const int rc = grid_.RemapCol(c);
    const TPoint span = grid_.CellExt(rc, row);
    int width = 0;
    for (int k = c; k <= std::min(c + std::max(span.X, 0), lastIndex); ++k) width += PrintColWidths[k] + pass_.spacing;
    int height = (std::max(span.Y, 0) + 1) * rowHeight;
    if (settings.NoAutoSizeRow && span.Y > 0) height = RowSpan(row, span.Y);
    const TRect cell{PrintColPositions[c], y, PrintColPositions[c] + width, y - height};
    if (grid_.IsBaseCell(rc, row)) PrintCell(c, row, cell);
    PrintCellBorders(c, row, cell, rowHeight);
  }
  ScaleFactor = 1.0;
  return rowHeight;
}

// The cell through the grid's cell painters, in device pixels.
void TGridPrint::PrintCell(int c, int row, const TRect& cell) {
  TCanvas* canvas = pass_.canvas;
  const TCanvasToolsKeeper tools(canvas);
  const int rc = grid_.RemapCol(c);
  TGridDrawState state = 0;
  TColor colorTo = clNone;
  TFont font;
  TAlignment hAlign = taLeftJustify;
  TVAlignment vAlign = vtaTop;
  bool wordWrap = grid_.WordWrap();
  grid_.GetVisualProperties(rc, row, state, true, false, false, canvas->Brush(), colorTo, &font, hAlign, vAlign,
                            wordWrap);
  SetScaledFont(canvas->Font(), font);

  TVudUvizidIzed::CellPaint paint{canvas, c, rc, row, ToDevice(cell), state};
  paint.fixed = grid_.IsFixed(c, row) || c < grid_.FixedCols() || row < grid_.FixedRows();
  paint.wordWrap = wordWrap;
  const TVudUvizidIzed::TCellAlignment alignment = grid_.GetCellAlignment(rc, row);
  paint.hAlign = alignment.HAlign;
  paint.vAlign = alignment.VAlign;
  // Screen pixels to the device's.
  const double toDevice = canvas->DeviceCaps(LOGPIXELSX) * pass_.screenFactor / 254.0;
  int angle = 0;
  // Rotated text is a graphic of the cell, printed whether graphics are or not.
  if (grid_.PrintSettings()->PrintGraphics || grid_.IsRotated(rc, row, angle)) {
    paint.graphic =
        grid_.GetGraphicDetails(rc, row, paint.grW, paint.grH, paint.showText, paint.grHA, paint.grVA);
    paint.grW = Rounded(paint.grW * toDevice);
    paint.grH = Rounded(paint.grH * toDevice);
  }
  paint.savedBrush = canvas->Brush()->Color();
  paint.savedFont = canvas->Font()->Color();

  canvas->SetMapMode(MM_TEXT);
  // The screen's frame fills the cell before its painter runs; here the
  // print does.
  canvas->FillRect(paint.r);
  grid_.painter_->DrawCellText(paint);
  if (paint.graphic) PrintCellGraphic(paint, toDevice);
  if (grid_.OnCustomCellDraw) grid_.OnCustomCellDraw(&grid_, canvas, rc, row, 0, paint.r, true);
  canvas->SetMapMode(MM_LOMETRIC);
}

// Check boxes as frame controls on the print canvas; rotated text (its
// font at the device's resolution: the painter sizes it for the screen)
// and progress bars by the grid's graphic painter on the page; bitmaps
// stretched to their screen size; the other graphics by the painter at
// screen size, stretched the same way.
void TGridPrint::PrintCellGraphic(TVudUvizidIzed::CellPaint& paint, double toDevice) {
  TCanvas* canvas = paint.canvas;
  const TCellType kind = paint.graphic->CellType;
  if (kind == ctCheckBox || kind == ctDataCheckBox || kind == ctVirtCheckBox || kind == ctRowCheckBox) {
    const int size = Rounded(grid_.ControlLook()->CheckSize() * toDevice);
    const TRect& r = paint.r;
    const int left = paint.hAlign == taRightJustify ? r.Right - size - 1
                     : paint.hAlign == taCenter     ? r.Left + (r.Right - r.Left - size) / 2
                                                    : r.Left + 1;
    TRect box = Bounds(std::max(left, r.Left + 1), r.Top + (r.Bottom - r.Top - size) / 2, size, size);
    bool checked = false;
    grid_.GetCheckBoxState(paint.realCol, paint.row, checked);
    const unsigned flat = grid_.FlatControls() ? DFCS_FLAT : 0;
    DrawFrameControl(canvas, &box, DFC_BUTTON, DFCS_BUTTONCHECK | flat | (checked ? DFCS_CHECKED : 0));
    return;
  }
  // The painter's font has its pixels at 96 per inch.
  if (kind == ctRotated)
    canvas->Font()->SetSize(Rounded(canvas->Font()->Size() * canvas->DeviceCaps(LOGPIXELSX) / 96.0));
  // A bar fills the cell, whatever its resolution.
  if (kind == ctRotated || kind == ctProgress) {
    grid_.painter_->DrawCellGraphic(paint, paint.r);
    return;
  }
  const TRect place = PlacePrintGraphic(paint.r, paint.grW, paint.grH, paint.graphic->CellHAlign,
                                        paint.graphic->CellVAlign, Rounded(toDevice));
  if (kind == ctBitmap) {
    if (const TBitmap* bitmap = paint.graphic->Bitmap(); bitmap && !bitmap->Empty()) canvas->StretchDraw(place, bitmap);
    return;
  }
  // The painter draws pictures, icons and images at their pixel sizes: it
  // draws them at screen size on a bitmap in the cell's colour, which the
  // paper gets stretched to the size they have on the screen.
  const int width = Rounded(paint.grW / toDevice), height = Rounded(paint.grH / toDevice);
  if (width <= 0 || height <= 0) return;
  TBitmap image;
  image.SetSize(width, height);
  image.Canvas()->Brush()->SetColor(canvas->Brush()->Color());
  image.Canvas()->FillRect({0, 0, width, height});
  image.Canvas()->Font()->Assign(*canvas->Font());
  TVudUvizidIzed::CellPaint screen = paint;
  screen.canvas = image.Canvas();
  screen.r = {0, 0, width, height};
  screen.left = 0;
  screen.grW = width;
  screen.grH = height;
  screen.textW = 0;
  grid_.painter_->DrawCellGraphic(screen, screen.r);
  canvas->StretchDraw(place, &image);
}

void TGridPrint::PrintCellBorders(int c, int row, TRect cell, int rowHeight) {
  const TPrintSettings& settings = *grid_.PrintSettings();
  TCanvas* canvas = pass_.canvas;
  const int rc = grid_.RemapCol(c);
  const TPrintBorders b = settings.Borders;
  TCellBorders borders = 0;
  if (b == pbSingle || b == pbDouble) borders = cbTop | cbLeft | cbRight | cbBottom;
  if (b == pbHorizontal || b == pbAroundHorizontal) borders = cbTop | cbBottom;
  if (b == pbVertical || b == pbAroundVertical) borders = cbLeft | cbRight;
  const TPoint span = grid_.CellExt(rc, row);
  if (span.X > 0) borders &= ~(cbLeft | cbRight);
  if (span.Y > 0) borders &= ~(cbTop | cbBottom);
  if (grid_.IsYMergedCell(rc, row) && span.Y == 0) borders &= ~cbTop;
  if (grid_.IsXMergedCell(rc, row) && span.X == 0) borders &= ~cbLeft;
  if (grid_.IsBaseCell(rc, row) && (b == pbSingle || b == pbDouble)) borders |= cbTop | cbLeft;
  TPen savedPen;
  savedPen.Assign(*canvas->Pen());
  grid_.GetCellPrintBorder(rc, row, canvas->Pen(), borders);
  if (cell.Bottom < pass_.bottom + settings.FooterSize) {
    cell.Bottom = cell.Top - rowHeight;
    borders &= ~cbBottom;
  }
  if (cell.Right > pass_.width) cell.Right = PrintColPositions[PrintLastCol + 1];
  auto line = [&](int x1, int y1, int x2, int y2) {
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
  };
  if (borders & cbLeft) line(cell.Left, cell.Top, cell.Left, cell.Bottom);
  if (borders & cbRight) line(cell.Right, cell.Top, cell.Right, cell.Bottom);
  if (borders & cbTop) line(cell.Left, cell.Top, cell.Right, cell.Top);
  if (borders & cbBottom) line(cell.Left, cell.Bottom, cell.Right, cell.Bottom);
  canvas->Pen()->Assign(savedPen);
}
