#include "grid/gridprint.h"

#include <algorithm>
#include <cmath>

#include "framework/datetime.h"
#include "framework/printer.h"
#include "grid/duruzav.h"
#include "grid/gridprintsettings.h"
#include "grid/zgutil.h"

namespace {

bool IsTop(TPrintPosition p) { return p >= ppTopLeft && p <= ppTopCenter; }
bool IsBottom(TPrintPosition p) { return p >= ppBottomLeft && p <= ppBottomCenter; }

// The canvas's mapping mode, put back when the scope ends.
class TMapModeKeeper {
 public:
  explicit TMapModeKeeper(TCanvas* canvas) : canvas_(canvas), saved_(canvas->MapMode()) {}
  ~TMapModeKeeper() { canvas_->SetMapMode(saved_); }
  TMapModeKeeper(const TMapModeKeeper&) = delete;
  TMapModeKeeper& operator=(const TMapModeKeeper&) = delete;

 private:
  TCanvas* canvas_;
  int saved_;
};

// esExportStart on entry, esExportDone on the way out, also when a handler
// or the printer raises.
class TExportBracket {
 public:
  explicit TExportBracket(TVudUvizidIzed& grid) : grid_(grid) { grid_.ExportNotification(esExportStart, -1); }
  ~TExportBracket() { grid_.ExportNotification(esExportDone, -1); }
  TExportBracket(const TExportBracket&) = delete;
  TExportBracket& operator=(const TExportBracket&) = delete;

 private:
  TVudUvizidIzed& grid_;
};

}  // namespace

// ---- Entry points ----

void TGridPrint::PrivatePrintRect(const TGridRect& rect, bool selectedOnly) {
  const TExportBracket bracket(grid_);
  PrintRange = rect;
  TPrinter* printer = Printer();
  TPrintSettings& settings = *grid_.PrintSettings();
  if (!settings.UseDefaultOrientation) printer->SetOrientation(settings.Orientation == poLandscape ? 1 : 0);
  TCanvas* canvas = printer->Canvas();
  PrintPageRect = {0, 0, static_cast<int>(std::lround(printer->PageWidth() * 254.0 / canvas->DeviceCaps(LOGPIXELSX))),
                   static_cast<int>(std::lround(printer->PageHeight() * 254.0 / canvas->DeviceCaps(LOGPIXELSY)))};
  printer->SetTitle(settings.JobName);
  // The pages are counted before the job starts, so that a range with
  // nothing in it leaves neither a job nor a file behind.
  int pages = 1;
  {
    const TMapModeKeeper mapMode(canvas);
    if (!SkipPageCount) pages = BuildPages(canvas, prCalcPrint, -1, selectedOnly);
  }
  FromPage = 1;
  ToPage = pages;
  PrintPageCount = pages;
  if (grid_.OnPrintStart) grid_.OnPrintStart(&grid_, pages, FromPage, ToPage);
  // Without a count the last page is not known.
  const bool pastTheEnd = !SkipPageCount && FromPage > pages;
  if (FromPage <= 0 || ToPage <= 0 || ToPage < FromPage || pastTheEnd) {
    printer->EndDoc();
    return;
  }
  PrintPageCount = ToPage;
  printer->BeginDoc();
  try {
    const TMapModeKeeper mapMode(canvas);
    BuildPages(canvas, prPrint, pages, selectedOnly);
  } catch (...) {
    printer->Abort();
    throw;
  }
  printer->EndDoc();
}

void TGridPrint::PrivatePrintPreviewRect(TCanvas* canvas, const TRect& r, const TGridRect& rect, bool selectedOnly) {
  const TExportBracket bracket(grid_);
  PrintRange = rect;
  const TMapModeKeeper mapMode(canvas);
  PrintPageRect = r;
  int pages = 1;
  if (!SkipPageCount) {
    pages = BuildPages(canvas, prCalcPreview, -1, selectedOnly);
    PrintPageCount = pages;
  }
  PrintPageRect = r;
  BuildPages(canvas, prPreview, pages, selectedOnly);
}

void TGridPrint::PrintPreviewSelection(TCanvas* canvas, const TRect& r) {
  PrivatePrintPreviewRect(canvas, r, grid_.Selection(), false);
}

TGridRect TGridPrint::All() const { return {0, 0, grid_.ColCount() - 1, grid_.RowCount() - 1}; }

void TGridPrint::PrintDrawRect(TCanvas* canvas, const TRect& r, const TGridRect& rect) {
  PrintRange = rect;
  PrintPageRect = r;
  FromPage = ToPage = PrintPageCount = 1;
  const TMapModeKeeper mapMode(canvas);
  BuildPages(canvas, prPrint, 1, false);
}

// ---- The layout ----

int TGridPrint::MapFontHeight(int size) const {
  return -static_cast<int>(std::lround(size * 254 / 72.0 * ScaleFactor));
}

int TGridPrint::MapFontSize(int height) { return static_cast<int>(std::lround(height * 72 / 254.0)); }

bool TGridPrint::IsPrintRow(int row) const {
  if (!pass_.selectedOnly) return true;
  if (row < grid_.FixedRows()) return PrintFixedWithSelection;
  if (grid_.MouseActions()->DisjunctRowSelect()) {
    const bool persistent = grid_.MouseActions()->RowSelectPersistent;
    return grid_.GetRowSelect(persistent ? grid_.RemapRowInv(row) : row);
  }
  const TGridRect s = grid_.Selection();
  return row >= s.Top && row <= s.Bottom;
}

bool TGridPrint::IsPrintCol(int col) const {
  if (!pass_.selectedOnly) return true;
  if (col < grid_.FixedCols()) return PrintFixedWithSelection;
  if (grid_.MouseActions()->DisjunctColSelect()) return grid_.GetColSelect(col);
  const TGridRect s = grid_.Selection();
  return col >= s.Left && col <= s.Right;
}

// Pen for the borders, and the text heights of the header, footer and
// cell fonts; the canvas keeps the cell font.
void TGridPrint::SetUpCanvas() {
  TCanvas* canvas = pass_.canvas;
  TPrintSettings& settings = *grid_.PrintSettings();
  canvas->SetMapMode(MM_LOMETRIC);
  ScaleFactor = 1.0;
  canvas->Pen()->SetColor(clBlack);
  canvas->Pen()->SetStyle(settings.BorderStyle);
  canvas->Pen()->SetWidth(settings.Borders == pbDouble ? 10 : 2);
  SetScaledFont(canvas->Font(), *settings.HeaderFont());
  pass_.headerTextHeight = canvas->TextHeight("gh");
  SetScaledFont(canvas->Font(), *settings.FooterFont());
  pass_.footerTextHeight = canvas->TextHeight("gh");
  SetScaledFont(canvas->Font(), *settings.Font());
  pass_.gap = canvas->TextHeight("gh") / 8;
}

void TGridPrint::MeasurePageSize() {
  TCanvas* canvas = pass_.canvas;
  switch (pass_.method) {
    case prPrint: {
      const TRect clip = canvas->ClipRect();
      pass_.width = clip.Right - clip.Left;
      pass_.bottom = clip.Bottom;
      break;
    }
    case prCalcPrint:
      pass_.width = PrintPageRect.Right - PrintPageRect.Left;
      pass_.bottom = -PrintPageRect.Bottom - PrintPageRect.Top;
      break;
    default: {
      // Device pixels of the canvas to print units.
      const double x = 254.0 / std::max(1, canvas->DeviceCaps(LOGPIXELSX));
      const double y = 254.0 / std::max(1, canvas->DeviceCaps(LOGPIXELSY));
      const TRect& d = PrintPageRect;
      PrintPageRect = {static_cast<int>(std::lround(d.Left * x)), static_cast<int>(std::lround(-d.Top * y)),
                       static_cast<int>(std::lround(d.Right * x)), static_cast<int>(std::lround(-d.Bottom * y))};
      pass_.width = PrintPageRect.Right - PrintPageRect.Left;
      pass_.bottom = PrintPageRect.Bottom - PrintPageRect.Top;
      break;
    }
  }
  PrintPageBounds = {0, 0, pass_.width, pass_.bottom};
}

void TGridPrint::CalcPrintColWidths() {
  TPrintSettings& settings = *grid_.PrintSettings();
  const TGridRect& range = PrintRange;
  for (int c = range.Left; c <= range.Right; ++c) PrintColWidths[c] = 0;
  if (settings.NoAutoSize) {
    for (int c = range.Left; c <= range.Right; ++c)
      if (IsPrintCol(c))
        PrintColWidths[c] = static_cast<int>(std::lround((grid_.ColWidths(c) - 4) * pass_.screenFactor));
    return;
  }
  auto measureRow = [&](int r) {
    for (int c = range.Left; c <= range.Right; ++c) {
      if (!IsPrintCol(c)) continue;
      const int rc = grid_.RemapCol(c);
      if (grid_.IsXMergedCell(rc, r)) continue;
      const int width = settings.UseFixedWidth ? settings.FixedWidth : MeasurePrintCell(rc, r).X;
      PrintColWidths[c] = std::max(PrintColWidths[c], width);
    }
  };
  if (settings.RepeatFixedRows)
    for (int r = 0; r < grid_.FixedRows(); ++r) measureRow(r);
  for (int r = range.Top; r <= range.Bottom; ++r) measureRow(r);
}

void TGridPrint::FitToPage() {
  TPrintSettings& settings = *grid_.PrintSettings();
  const TGridRect& range = PrintRange;
  int total = 0;
  for (int c = range.Left; c <= range.Right; ++c)
    if (IsPrintCol(c)) total += PrintColWidths[c] + pass_.spacing;
  const int spacingTotal = (range.Right - range.Left + 1) * pass_.spacing;
  // With selected columns only, total counts the printed columns while the
  // spacing counts all of them: a divisor of 0 or less gives no scale.
  double scale = 1.0;
  if (total - spacingTotal > 0)
    scale = static_cast<double>(pass_.width - settings.RightSize - settings.LeftSize - spacingTotal) /
            (total - spacingTotal);
  switch (settings.FitToPage) {
    case fpShrink: scale = std::min(scale, 1.0); break;
    case fpGrow: scale = std::max(scale, 1.0); break;
    case fpCustom:
      if (scale != 1.0 && grid_.OnFitToPage) {
        bool allow = true;
        grid_.OnFitToPage(&grid_, scale, allow);
        if (!allow) scale = 1.0;
      }
      break;
    default: break;
  }
  // A page too narrow for even the spacing leaves nothing to scale to.
  if (scale <= 0) scale = 1.0;
  pass_.scale = scale;
  if (scale == 1.0) return;
  for (int c = range.Left; c <= range.Right; ++c)
    PrintColWidths[c] = static_cast<int>(PrintColWidths[c] * scale);
}

int TGridPrint::GetPrintRowHeight(int row) {
  TPrintSettings& settings = *grid_.PrintSettings();
  if (settings.NoAutoSizeRow) return static_cast<int>(std::lround(grid_.RowHeights(row) * pass_.screenFactor)) - 4;
  if (settings.UseFixedHeight) return settings.FixedHeight;
  if (pass_.cachedRow == row) return pass_.cachedHeight;
  int highest = -1;
  int last = 0;
  for (int c = PrintRange.Left; c <= PrintRange.Right; ++c) {
    ScaleFactor = pass_.scale;
    const int rc = grid_.RemapCol(c);
    last = MeasurePrintCell(rc, row).Y;
    if (grid_.CellExt(rc, row).Y == 0) highest = std::max(highest, last);
  }
  int height = highest >= 0 ? highest : last;
  if (grid_.OnPrintSetRowHeight) grid_.OnPrintSetRowHeight(&grid_, row, height);
  pass_.cachedRow = row;
  pass_.cachedHeight = height;
  return height;
}

// The height rows row..row+rows take with the grid's own row heights.
int TGridPrint::RowSpan(int row, int rows) const {
  const TPrintSettings& settings = *grid_.PrintSettings();
  int height = 0;
  for (int r = row; r <= row + rows && r < grid_.RowCount(); ++r) {
    const int t = static_cast<int>((grid_.RowHeights(r) - 4) * pass_.screenFactor);
    height += t + t / 8 + 2 * pass_.gap + settings.RowSpacing;
  }
  return height;
}

AnsiString TGridPrint::PrintPageNumberText() const {
  const TPrintSettings& settings = *grid_.PrintSettings();
  if (pass_.split) return IntToStr(pass_.pageInBand + 1) + "-" + IntToStr(pass_.band);
  if (!settings.PageNumSep.empty() && pass_.pages > 1)
    return IntToStr(pass_.pageCounter + 1 + settings.PageNumberOffset) + settings.PageNumSep +
           IntToStr(pass_.pages + settings.MaxPagesOffset);
  return IntToStr(pass_.pageCounter + 1 + settings.PageNumberOffset);
}

void TGridPrint::BandHeights() {
  TPrintSettings& settings = *grid_.PrintSettings();
  const int extraTitleLines = settings.TitleLines()->Count() > 0 ? settings.TitleLines()->Count() - 1 : 0;
  const TPrintPosition items[] = {settings.Time, settings.Date, settings.PageNr, settings.Title};
  if (std::any_of(std::begin(items), std::end(items), IsTop)) {
    pass_.headerHeight = pass_.gap + pass_.headerTextHeight + settings.HeaderSize;
    if (IsTop(settings.Title)) pass_.headerHeight += extraTitleLines * pass_.headerTextHeight;
  } else {
    pass_.headerHeight = settings.HeaderSize;
  }
  if (std::any_of(std::begin(items), std::end(items), IsBottom)) {
    pass_.footerHeight = 2 * (pass_.gap + pass_.footerTextHeight) + settings.FooterSize;
    if (IsBottom(settings.Title)) pass_.footerHeight += extraTitleLines * pass_.footerTextHeight;
  } else {
    pass_.footerHeight = pass_.gap + pass_.footerTextHeight + settings.FooterSize;
  }
}

void TGridPrint::PrintHeaderFooter() {
  ScaleFactor = pass_.scale;
  if (!Drawing() || !PageInRange(pass_.pageCounter + 1)) return;
  TPrintSettings& settings = *grid_.PrintSettings();
  TCanvas* canvas = pass_.canvas;
  // Top left, top right, top centre, bottom left, bottom right, bottom centre.
  AnsiString texts[6];
  auto put = [&](TPrintPosition position, const AnsiString& item) {
    if (position == ppNone) return;
    AnsiString& text = texts[position - 1];
    const bool left = position == ppTopLeft || position == ppBottomLeft;
    text = left ? item + " " + text : text + " " + item;
  };
  const TDateTime now = Now();
  put(settings.Time, FormatDateTime("hh:nn", now));
  put(settings.Date, FormatDateTime(settings.DateFormat, now));
  put(settings.PageNr, settings.PagePrefix + " " + PrintPageNumberText() + " " + settings.PageSuffix);
  TStringList& lines = *settings.TitleLines();
  AnsiString joined;
  for (int i = 0; i < lines.Count(); ++i) joined += lines.Strings(i);
  const bool markupTitle = settings.TitleText.empty() && TextType(joined, grid_.Props().EnableHTML) == ttHTML;
  AnsiString title = settings.TitleText;
  if (title.empty() && !markupTitle && lines.Count() > 0) title = lines.Strings(0);
  if (!title.empty()) put(settings.Title, title);

  TFont savedFont;
  savedFont.Assign(*canvas->Font());
  const TColor savedBrush = canvas->Brush()->Color();
  const TBrushStyle savedStyle = canvas->Brush()->Style();
  canvas->Brush()->SetStyle(bsClear);
  const int w = pass_.width;
  // The further title lines below the first, at the title's alignment.
  auto titleLines = [&](int x0, int y, bool right, bool centre) {
    for (int i = 1; i < lines.Count(); ++i) {
      y -= canvas->TextHeight("gh");
      const int tw = canvas->TextWidth(lines.Strings(i));
      canvas->TextOut(right ? w - tw - 20 - settings.RightSize : centre ? (w - tw) / 2 : x0, y, lines.Strings(i));
    }
  };
  auto band = [&](const AnsiString* three, int y, bool titleHere) {
    canvas->TextOut(settings.LeftSize, y, three[0]);
    canvas->TextOut(w - canvas->TextWidth(three[1]) - 20 - settings.RightSize, y, three[1]);
    canvas->TextOut((w - canvas->TextWidth(three[2])) / 2, y, three[2]);
    if (!titleHere || lines.Count() < 2 || markupTitle) return;
    const int at = (settings.Title - 1) % 3;
    titleLines(settings.LeftSize, y, at == 1, at == 2);
  };
  SetScaledFont(canvas->Font(), *settings.HeaderFont());
  band(texts, -settings.HeaderSize, IsTop(settings.Title));
  SetScaledFont(canvas->Font(), *settings.FooterFont());
  band(texts + 3, pass_.bottom + pass_.footerTextHeight + pass_.gap + settings.FooterSize, IsBottom(settings.Title));
  if (markupTitle && settings.Title != ppNone) {
    const bool top = IsTop(settings.Title);
    SetScaledFont(canvas->Font(), top ? *settings.HeaderFont() : *settings.FooterFont());
    const TRect r = top ? TRect{settings.LeftSize, -settings.HeaderSize, w, -pass_.headerHeight}
                        : TRect{settings.LeftSize, pass_.bottom + settings.FooterSize, w, pass_.bottom};
    canvas->SetMapMode(MM_TEXT);
    grid_.DrawMarkupText(canvas, joined, ToDevice(r), true);
    canvas->SetMapMode(MM_LOMETRIC);
  }

  canvas->Font()->Assign(savedFont);
  canvas->Brush()->SetColor(savedBrush);
  canvas->Brush()->SetStyle(savedStyle);
}

void TGridPrint::FinishPrintPage(int firstCol, int lastCol, int y) {
  if (!Drawing() || !PageInRange(pass_.pageCounter + 1)) return;
  const TPrintSettings& settings = *grid_.PrintSettings();
  TCanvas* canvas = pass_.canvas;
  const std::vector<int>& pos = PrintColPositions;
  const int x0 = pass_.repeatCols ? pos[0] : pos[firstCol];
  const int right = pos[lastCol + 1];
  const int top = -pass_.headerHeight - settings.TitleSpacing;
  const int bottom = y + pass_.gap / 2;
  const TPrintBorders b = settings.Borders;
  if (b == pbAround || b == pbAroundVertical || b == pbAroundHorizontal)
    canvas->Polyline({{x0, top}, {right, top}, {right, bottom}, {x0, bottom}, {x0, top}});
  if (b == pbDouble || b == pbHorizontal || b == pbAroundHorizontal) {
    canvas->MoveTo(x0, bottom);
    canvas->LineTo(right, bottom);
  }
  if ((b == pbDouble || b == pbVertical || b == pbAroundVertical) && pass_.repeatCols)
    for (int f = 0; f < grid_.FixedCols(); ++f) {
      canvas->MoveTo(pos[f], top);
      canvas->LineTo(pos[f], bottom);
    }
}

void TGridPrint::StartPrintPage(bool announce) {
  const int page = pass_.pageCounter + 2;
  if (!PageInRange(page)) return;
  // The first page drawn is the document's first page.
  if (pass_.method == prPrint && pass_.pageCounter + 1 >= FromPage) pass_.canvas->NewPage();
  pass_.canvas->SetMapMode(MM_LOMETRIC);
  if (announce && Drawing() && grid_.OnPrintPage) grid_.OnPrintPage(&grid_, pass_.canvas, page, pass_.width, pass_.bottom);
}

void TGridPrint::ExportRow(int row) {
  const TGridRect& range = PrintRange;
  const bool wholeGrid =
      range.Top <= grid_.FixedRows() && range.Bottom >= grid_.RowCount() - 1 - grid_.Props().FixedFooters;
  grid_.ExportNotification(wholeGrid ? esExportNewRow : esExportSelRow, row);
}

int TGridPrint::PrintBandRow(int y, int row) {
  int height = 0;
  if (pass_.repeatCols) height = PrintRow(y, 0, grid_.FixedCols() - 1, row);
  return std::max(height, PrintRow(y, PrintFirstCol, PrintLastCol, row));
}

// Columns bandStart..c that fit on the page (at least two but for the
// last one) and their positions; returns c.
int TGridPrint::PlaceBandColumns(int bandStart) {
  const TPrintSettings& settings = *grid_.PrintSettings();
  const TGridRect& range = PrintRange;
  const int fixedCols = grid_.FixedCols();
  std::vector<int>& pos = PrintColPositions;
  const std::vector<int>& width = PrintColWidths;
  const int s = pass_.spacing;
  pass_.repeatCols = bandStart > range.Left && fixedCols > 0 && settings.RepeatFixedCols;
  int fixedWidth = 0;
  if (pass_.repeatCols)
    for (int k = 0; k < fixedCols; ++k) fixedWidth += width[k] + s;

  const int limit = pass_.width - settings.RightSize;
  int x = fixedWidth;
  int c = bandStart;
  while (x <= limit && c <= range.Right) {
    x += width[c] + s;
    if (x <= limit) ++c;
  }
  if (x > limit) {
    x -= width[c] + s;
    --c;
  }
  if (c <= bandStart) c = bandStart + 1;
  if (c > range.Right) c = range.Right;
  PrintBandWidth = x;
  if (c < range.Right) pass_.split = true;

  const int startX = settings.Centered ? 0 : settings.LeftSize;
  pos[bandStart] = pos[0] = startX;
  for (int k = bandStart; k <= c; ++k) pos[k + 1] = pos[k] + (IsPrintCol(k) ? width[k] + s : 0);
  if (pass_.repeatCols)
    for (int k = 0; k + 1 < fixedCols; ++k) pos[k + 1] = pos[k] + (IsPrintCol(k) ? width[k] + s : 0);
  if (settings.Centered && x < pass_.width) {
    const int shift = (pass_.width - x) / 2;
    for (int k = bandStart; k <= c + 1; ++k) pos[k] += shift;
    if (pass_.repeatCols)
      for (int k = 0; k < fixedCols && k < bandStart; ++k) pos[k] += shift;
  }
  for (int k = bandStart; k <= c + 1; ++k) pos[k] += fixedWidth;
  PrintFirstCol = bandStart;
  PrintLastCol = c;
  return c;
}

// The rows of the current band, page by page.
void TGridPrint::PlaceRows() {
  const TPrintSettings& settings = *grid_.PrintSettings();
  const TGridRect& range = PrintRange;
  const int fixedRows = grid_.FixedRows();
  int row = range.Top;
  int rowsOnPage = 0;
  int y = 0;
  int lastBreakRow = -1;
  if (Drawing() && grid_.OnPrintPage) grid_.OnPrintPage(&grid_, pass_.canvas, pass_.pageCounter + 1, pass_.width, pass_.bottom);
  while (row <= range.Bottom && !pass_.cancel) {
    ExportRow(row);
    if (rowsOnPage == 0) {
      y = -pass_.headerHeight;
      PrintHeaderFooter();
      y -= settings.TitleSpacing;
      if (row > 0 && (pass_.pageCounter > 0 || fixedRows <= range.Top) && settings.RepeatFixedRows && fixedRows > 0) {
        for (int f = 0; f < fixedRows; ++f) y -= PrintBandRow(y, f);
        ++rowsOnPage;
      }
    }
    if (IsPrintRow(row)) y -= PrintBandRow(y, row);
    ++row;
    ++rowsOnPage;
    bool newPage = false;
    if (grid_.OnPrintNewPage) grid_.OnPrintNewPage(&grid_, row, newPage);
    const bool full = row <= range.Bottom && y - GetPrintRowHeight(row) < pass_.bottom + pass_.footerHeight;
    if (Drawing() && (full || row > range.Bottom || newPage)) {
      if (grid_.OnPrintPageDone)
        grid_.OnPrintPageDone(&grid_, pass_.canvas, row, y, pass_.pageCounter + 1, pass_.width, pass_.bottom);
      if (grid_.OnPrintCancel) grid_.OnPrintCancel(&grid_, pass_.pageCounter + 1, pass_.cancel);
    }
    // A cancelled layout starts no further page (it would stay blank).
    if (((full && row <= range.Bottom) || newPage) && !pass_.cancel) {
      FinishPrintPage(PrintFirstCol, PrintLastCol, y);
      rowsOnPage = 0;
      lastBreakRow = row;
      StartPrintPage(true);
      if (SkipPageCount && FromPage < pass_.pageCounter) row = range.Bottom + 1;
      ++pass_.pageCounter;
      ++pass_.pageInBand;
      BandHeights();
    }
  }
  if (lastBreakRow != row) FinishPrintPage(PrintFirstCol, PrintLastCol, y);
}

void TGridPrint::ShareColumnsWithGrid() {
  const int count = std::min<int>(TVudUvizidIzed::kPrintColumns, static_cast<int>(PrintColWidths.size()));
  for (int c = 0; c < count; ++c) {
    grid_.printColWidths_[c] = PrintColWidths[c];
    grid_.printColOffsets_[c] = PrintColPositions[c];
  }
}

int TGridPrint::BuildPages(TCanvas* canvas, TPrintMethod method, int pages, bool selectedOnly) {
  pass_ = Pass{};
  pass_.canvas = canvas;
  pass_.method = method;
  pass_.pages = pages;
  pass_.selectedOnly = selectedOnly;
  const TPrintSettings& settings = *grid_.PrintSettings();
  const TGridRect& range = PrintRange;
  if (range.Left > range.Right || range.Top > range.Bottom || range.Left < 0 || range.Top < 0 ||
      range.Right >= grid_.ColCount() || range.Bottom >= grid_.RowCount())
    return 0;
  TFont savedFont;
  savedFont.Assign(*canvas->Font());
  TPen savedPen;
  savedPen.Assign(*canvas->Pen());
  SetUpCanvas();
  MeasurePageSize();
  const int screenDpi = grid_.Canvas()->DeviceCaps(LOGPIXELSX);
  pass_.screenFactor = 254.0 / (screenDpi > 0 ? screenDpi : 96);
  pass_.spacing = settings.UseFixedWidth ? 0 : settings.ColumnSpacing + 20;
  const int columns = std::max(grid_.ColCount(), range.Right + 1) + 1;
  PrintColWidths.assign(columns, 0);
  PrintColPositions.assign(columns + 1, 0);
  CalcPrintColWidths();
  if (settings.FitToPage != fpNever) FitToPage();
  if (grid_.OnPrintSetColumnWidth)
    for (int c = range.Left; c <= range.Right; ++c) grid_.OnPrintSetColumnWidth(&grid_, c, PrintColWidths[c]);

  int bandStart = range.Left;
  while (bandStart <= range.Right && !pass_.cancel) {
    ++pass_.band;
    pass_.pageInBand = 0;
    const int last = PlaceBandColumns(bandStart);
    BandHeights();
    PlaceRows();
    bandStart = last + 1;
    if (bandStart <= range.Right && !pass_.cancel) StartPrintPage(false);
    ++pass_.pageCounter;
  }
  ShareColumnsWithGrid();
  ScaleFactor = 1.0;
  canvas->Font()->Assign(savedFont);
  canvas->Pen()->Assign(savedPen);
  return pass_.pageCounter;
}

// ---- The grid's entry points ----

TGridPrint& TVudUvizidIzed::Printing() {
  if (!print_) print_ = std::make_shared<TGridPrint>(*this);
  return *print_;
}

void TVudUvizidIzed::Print() { Printing().PrivatePrintRect(Printing().All(), false); }
void TVudUvizidIzed::PrintRect(const TGridRect& rect) { Printing().PrivatePrintRect(rect, false); }
void TVudUvizidIzed::PrintSelection() { Printing().PrivatePrintRect(Selection(), false); }
void TVudUvizidIzed::PrintSelectedRows() { Printing().PrivatePrintRect(Printing().All(), true); }
void TVudUvizidIzed::PrintSelectedCols() { Printing().PrivatePrintRect(Printing().All(), true); }

void TVudUvizidIzed::PrintPreview(TCanvas* canvas, const TRect& r) {
  Printing().PrivatePrintPreviewRect(canvas, r, Printing().All(), false);
}

void TVudUvizidIzed::PrintPreviewRect(TCanvas* canvas, const TRect& r, const TGridRect& rect) {
  Printing().PrivatePrintPreviewRect(canvas, r, rect, false);
}

void TVudUvizidIzed::PrintPreviewSelection(TCanvas* canvas, const TRect& r) {
  Printing().PrintPreviewSelection(canvas, r);
}

void TVudUvizidIzed::PrintPreviewSelectedRows(TCanvas* canvas, const TRect& r) {
  Printing().PrintPreviewSelectedRows(canvas, r);
}

void TVudUvizidIzed::PrintPreviewSelectedCols(TCanvas* canvas, const TRect& r) {
  Printing().PrintPreviewSelectedCols(canvas, r);
}

void TVudUvizidIzed::PrintDraw(TCanvas* canvas, const TRect& r) { Printing().PrintDraw(canvas, r); }

void TVudUvizidIzed::PrintDrawRect(TCanvas* canvas, const TRect& r, const TGridRect& rect) {
  Printing().PrintDrawRect(canvas, r, rect);
}

void TVudUvizidIzed::SetPreviewPage(int page) { Printing().SetPreviewPage(page); }

void TVudUvizidIzed::SavePrintSettings(const AnsiString& fileName, const AnsiString& section) {
  TIniFile store(fileName);
  TPrintSettingsStore(printSettings_).Save(store, section);
}

void TVudUvizidIzed::LoadPrintSettings(const AnsiString& fileName, const AnsiString& section) {
  const TIniFile store(fileName);
  TPrintSettingsStore(printSettings_).Load(store, section);
}

int TVudUvizidIzed::MapFontHeight(int size) { return Printing().MapFontHeight(size); }
