#pragma once
// Printing and preview of the grid: the page layout engine (column widths
// at print scale, fit to page, column bands, page breaks, repeated fixed
// rows and columns, headers and footers), the print rendering of cells
// and the print, preview and draw entry points.
//
// Layout works in print units of 0.1 mm with y growing upward (the canvas
// in MM_LOMETRIC): x from the page's left edge, y 0 at its top edge, so
// everything on a page has a negative y. Cells are drawn by the grid's own
// cell painters in device pixels at the print scale.
#include <functional>
#include <vector>

#include "framework/canvas.h"
#include "framework/grids.h"
#include "grid/duruzav.h"

enum TPrintMethod { prPreview, prPrint, prCalcPrint, prCalcPreview };

// Moves r's left and top to where text rotated by `angle` degrees starts so
// that the text, whose rotated extents are a = |cos x h|, b = |sin x w|,
// c = |sin x h| and d = |cos x w|, lies aligned in r.
void PlaceRotatedText(TRect& r, TAlignment hAlign, TVAlignment vAlign, int a, int b, int c, int d, int angle);

class TGridPrint {
 public:
  explicit TGridPrint(TVudUvizidIzed& grid) : grid_(grid) {}

  // ---- Entry points ----
  // On Printer(): counts the pages, asks OnPrintStart for the range, then
  // prints it. An empty range (FromPage or ToPage 0, ToPage below
  // FromPage, FromPage past the last page) starts no job at all.
  void PrivatePrintRect(const TGridRect& rect, bool selectedOnly);
  // The pages FromPage..ToPage of the layout on a page of r's size, drawn
  // at the canvas origin; PrintPageCount tells how many pages there are.
  void PrivatePrintPreviewRect(TCanvas* canvas, const TRect& r, const TGridRect& rect, bool selectedOnly);
  void PrintPreviewSelection(TCanvas* canvas, const TRect& r);
  void PrintPreviewSelectedRows(TCanvas* canvas, const TRect& r) { PrivatePrintPreviewRect(canvas, r, All(), true); }
  void PrintPreviewSelectedCols(TCanvas* canvas, const TRect& r) { PrivatePrintPreviewRect(canvas, r, All(), true); }
  // The range as page 1 of r's size, without export notifications.
  void PrintDrawRect(TCanvas* canvas, const TRect& r, const TGridRect& rect);
  void PrintDraw(TCanvas* canvas, const TRect& r) { PrintDrawRect(canvas, r, All()); }
  // Every cell, fixed ones included.
  TGridRect All() const;
  void SetPreviewPage(int page) { FromPage = ToPage = page; }

  // Lays the range PrintRange out; draws with the drawing passes. Returns
  // the number of pages laid out.
  int BuildPages(TCanvas* canvas, TPrintMethod method, int pages, bool selectedOnly);

  // Print units of a point size at ScaleFactor (negative: character height),
  // and back.
  int MapFontHeight(int size) const;
  static int MapFontSize(int height);
  // PlaceRotatedText for `text` in the grid's font on its canvas (device
  // pixels), within r less 2 on every side.
  void CalcTextPos(TRect& r, int angle, const AnsiString& text, TAlignment hAlign, TVAlignment vAlign);
  // What cell (real col, row) needs in print units at ScaleFactor.
  TPoint MeasurePrintCell(int col, int row);

  // ---- Print state ----
  TGridRect PrintRange;
  TRect PrintPageRect;
  double ScaleFactor = 1.0;
  TRect PrintPageBounds;
  int PrintBandWidth = 0;
  int PrintFirstCol = 0;
  int PrintLastCol = 0;
  int FromPage = 1;
  int ToPage = 1;
  int PrintPageCount = 0;
  bool SkipPageCount = false;
  // Fixed rows and columns print with a selection.
  bool PrintFixedWithSelection = false;
  // Print width (without spacing) and left edge on the page of each column.
  std::vector<int> PrintColWidths;
  std::vector<int> PrintColPositions;

 private:
  // The working values of one BuildPages call.
  struct Pass {
    TCanvas* canvas = nullptr;
    TPrintMethod method = prPrint;
    int pages = -1;
    bool selectedOnly = false;
    int width = 0;    // W
    int bottom = 0;   // B, negative
    int spacing = 0;  // S
    double scale = 1.0;
    double screenFactor = 1.0;
    int pageCounter = 0;
    int band = 0;
    int pageInBand = 0;
    bool split = false;
    bool repeatCols = false;
    int headerHeight = 0;  // Hh
    int footerHeight = 0;  // Hf
    int gap = 0;           // G
    int headerTextHeight = 0;
    int footerTextHeight = 0;
    bool cancel = false;
    int cachedRow = -1;
    int cachedHeight = 0;
  };

  bool Drawing() const { return pass_.method == prPreview || pass_.method == prPrint; }
  bool PageInRange(int page) const { return page >= FromPage && page <= ToPage; }
  bool IsPrintRow(int row) const;
  bool IsPrintCol(int col) const;
  void SetUpCanvas();
  void MeasurePageSize();
  void CalcPrintColWidths();
  void FitToPage();
  int GetPrintRowHeight(int row);
  int RowSpan(int row, int rows) const;
  AnsiString PrintPageNumberText() const;
  void BandHeights();
  void PrintHeaderFooter();
  void FinishPrintPage(int firstCol, int lastCol, int y);
  // announce: OnPrintPage for the new page (a band's first page tells it itself).
  void StartPrintPage(bool announce);
  int PlaceBandColumns(int bandStart);
  void PlaceRows();
  // Draws the row's repeated fixed columns, then the band; the height taken.
  int PrintBandRow(int y, int row);
  void ExportRow(int row);
  void ShareColumnsWithGrid();

  // ---- Cells (gridprintcell.cpp) ----
  int PrintRow(int y, int firstCol, int lastCol, int row);
  void PrintCell(int c, int row, const TRect& cell);
  void PrintCellGraphic(TVudUvizidIzed::CellPaint& paint, double toDevice);
  void PrintCellBorders(int c, int row, TRect cell, int rowHeight);
  // Canvas font at a point size times the scale.
  void SetScaledFont(TFont* font, const TFont& source) const;
  TRect ToDevice(const TRect& r) const;
  TPoint MeasureMarkup(const AnsiString& text, int col);
  // What the cell's content needs, before the application's say.
  TPoint MeasureCellContent(int col, int row);

  TVudUvizidIzed& grid_;
  Pass pass_;
};
