#pragma once
// The enumerations, event types and switches of the cell grid TVudUvizidIzed.
#include <functional>

#include "framework/graphics.h"
#include "framework/grids.h"
#include "framework/strings.h"
#include "grid/basegrid.h"

// ---- Enumerations of the grid's properties ----

enum TCellBorder : unsigned { cbTop = 1, cbLeft = 2, cbRight = 4, cbBottom = 8 };
using TCellBorders = unsigned;
enum TSortStyle {
  ssAutomatic, ssAlphabetic, ssNumeric, ssDate, ssAlphaNoCase, ssAlphaCase, ssShortDateEU, ssShortDateUS,
  ssCustom, ssFinancial, ssAnsiAlphaCase, ssAnsiAlphaNoCase, ssRaw, ssHTML, ssImages, ssCheckBox, ssUnicode,
  ssAlphaNumeric, ssAlphaNumericNoCase
};
enum TGridLook { glStandard, glSoft, glClassic, glRUD, glXP, glListView };
enum TScrollType { ssNormal, ssFlat, ssEncarta };
enum TScrollBarAlways { saNone, saVert, saHorz, saBoth };
enum TScrollHintType { shNone, shVertical, shHorizontal, shBoth };
enum TIntelliPan { ipVertical, ipHorizontal, ipBoth, ipNone };

// ---- Events ----

using TClickCellEvent = std::function<void(TObject* Sender, int ARow, int ACol)>;
using TGridColorEvent =
    std::function<void(TObject* Sender, int ARow, int ACol, TGridDrawState AState, TBrush* ABrush, TFont* AFont)>;
using TGridBorderEvent = std::function<void(TObject* Sender, int ARow, int ACol, TPen* APen, TCellBorders& Borders)>;
// Printing: the page range, the fit, column widths and row heights in print
// units, each page as it starts and ends, a new page before a row, cancelling.
using TPrintStartEvent = std::function<void(TObject* Sender, int NrOfPages, int& FromPage, int& ToPage)>;
using TFitToPageEvent = std::function<void(TObject* Sender, double& ScaleFactor, bool& Allow)>;
using TPrintColumnWidthEvent = std::function<void(TObject* Sender, int ACol, int& Width)>;
using TPrintRowHeightEvent = std::function<void(TObject* Sender, int ARow, int& Height)>;
using TPrintPageEvent =
    std::function<void(TObject* Sender, TCanvas* Canvas, int PageNr, int PageXSize, int PageYSize)>;
using TPrintPageDoneEvent = std::function<void(TObject* Sender, TCanvas* Canvas, int LastRow, int LastRowOffset,
                                               int LastPage, int PageXSize, int PageYSize)>;
using TPrintNewPageEvent = std::function<void(TObject* Sender, int ARow, bool& NewPage)>;
using TPrintCancelEvent = std::function<void(TObject* Sender, int PageNr, bool& Cancel)>;
// The pens of a cell's four user borders, each its own copy of the border pen.
using TGridBorderPropEvent =
    std::function<void(TObject* Sender, int ARow, int ACol, TPen* LeftPen, TPen* TopPen, TPen* RightPen, TPen* BottomPen)>;
// The size a cell needs (on the page while Printing, in print units).
using TCustomCellSizeEvent =
    std::function<void(TObject* Sender, TCanvas* Canvas, int ACol, int ARow, TPoint& ASize, bool Printing)>;
using TGridAlignEvent =
    std::function<void(TObject* Sender, int ARow, int ACol, TAlignment& HAlign, TVAlignment& VAlign)>;
using TGridHintEvent = std::function<void(TObject* Sender, int ARow, int ACol, AnsiString& hintstr)>;
using TRowColFlagEvent = std::function<void(TObject* Sender, int ARow, int ACol, bool& Flag)>;
using TColRowFlagEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& Flag)>;
using TGetCheckEvent = std::function<void(TObject* Sender, int ACol, int ARow, AnsiString& Value)>;
using TGetEditorTypeEvent = std::function<void(TObject* Sender, int ACol, int ARow, TEditorType& AEditor)>;
using TGetFormatEvent =
    std::function<void(TObject* Sender, int ACol, TSortStyle& AStyle, AnsiString& aPrefix, AnsiString& aSuffix)>;
using TClipboardEvent = std::function<void(TObject* Sender, bool& Allow)>;
using TClipboardCellEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, AnsiString& Value, bool& Allow)>;
using TEditChangeEvent = std::function<void(TObject* Sender, int ACol, int ARow, AnsiString Value)>;

// Switches and values of the grid's look and behaviour, at their defaults
// after construction.
struct TVudUvizidIzedSettings {
  bool ActiveCellShow = false;
  TColor ActiveCellColor = 0x808080;
  TColor ActiveCellColorTo = clNone;
  TEditorType DefaultEditor = edNormal;
  bool EnhRowColMove = true;
  bool EnableWheel = true;
  bool IntelliZoom = true;
  bool AutoSize = false;
  TColor HintColor = clInfoBk;
  TColor SelectionColor = 0xEACAB6;
  TColor SelectionColorTo = clNone;
  TColor SelectionTextColor = clBlack;
  bool ShowSelection = true;
  bool HideFocusRect = false;
  bool FixedAsButtons = false;
  bool EnableHTML = true;
  TColor URLColor = 0xFF0000;
  TVAlignment VAlignment = vtaTop;
  TGridLook Look = glXP;
  TScrollType ScrollType = ssNormal;
  TColor ScrollColor = clNone;
  int ScrollWidth = 16;
  AnsiString FloatFormat = "%.2f";
  bool AnchorHint = false;
  bool AutoThemeAdapt = false;
  bool AutoNumAlign = false;
  bool EnhTextSize = false;
  bool EditWithTags = false;
  bool SizeWithForm = false;
  bool Multilinecells = false;
  bool EnableBlink = false;
  bool ExcelStyleDecimalSeparator = false;
  bool Flat = false;
  TScrollBarAlways ScrollBarAlways = saNone;
  bool ScrollSynch = false;
  bool ScrollProportional = false;
  TScrollHintType ScrollHints = shNone;
  bool SelectionRectangle = false;
  bool SelectionResizer = false;
  bool SelectionRTFKeep = false;
  bool HintShowCells = false;
  bool HintShowLargeText = false;
  bool HintShowSizing = false;
  bool HTMLHint = false;
  int MaxEditLength = 0;
  TIntelliPan IntelliPan = ipVertical;
  bool URLShow = false;
  bool URLFull = false;
  bool URLEdit = false;
  bool OemConvert = false;
  int FixedFooters = 0;
  int FixedRightCols = 0;
  bool FixedRowAlways = false;
  bool FixedColAlways = false;
  bool IntegralHeight = false;
  bool Lookup = false;
  bool LookupCaseSensitive = false;
  bool LookupHistory = false;
  bool Hovering = false;
  bool FilterActive = false;
  bool SingleBorder = true;  // the grid's border style is bsSingle
};
