#pragma once
// The cell grid TVudUvizidIzed on the base grid, its exception class and its
// settings objects.
//
// The implementation is split by concern: duruzav_settings.cpp (settings
// objects), duruzav_construction.cpp (defaults, lifecycle, Assign, bounds
// and scroll bars), duruzav_cells.cpp (row and cell access, editing text),
// duruzav_queries.cpp (cell queries and their events), duruzav_painting.cpp
// (visual properties and cell contents), duruzav_mouse.cpp (clicks).
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <set>

#include "framework/graphics.h"
#include "framework/strings.h"
#include "grid/basegrid.h"
#include "grid/cellgraphic.h"

class TForm;
class TImageList;
class TVudUvizidIzed;

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
enum TNodeType { cnFlat, cn3D, cnGlyph, cnLeaf, cnXP };
enum TGridFixedCellEdit { fceNone, fceDblClick, fceLeftClick, fceRightClick };
enum TWheelAction { waMoveSelection, waScroll };
enum TColumnSizeLocation { clRegistry, clIniFile };
enum TAdvanceDirection { adLeftRight, adTopBottom };
enum TInsertPosition { pInsertBefore, pInsertAfter };
enum THomeEndAction { heFirstLastColumn, heFirstLastRow };
enum TPrintPosition { ppNone, ppTopLeft, ppTopRight, ppTopCenter, ppBottomLeft, ppBottomRight, ppBottomCenter };
enum TPrintBorders {
  pbNoborder, pbSingle, pbDouble, pbVertical, pbHorizontal, pbAround, pbAroundVertical, pbAroundHorizontal, pbCustom
};
enum TPrinterOrientation { poPortrait, poLandscape };
enum TFitToPage { fpNever, fpGrow, fpShrink, fpAlways, fpCustom };

// ---- Settings objects ----
// Each keeps its plain switches in a data record, so that Assign copies
// every one of them; owned pictures, fonts and lists are copied by content.

struct TCellNodeData {
  TColor Color = clSilver;
  bool ExpandOne = false;
  TColor NodeColor = clBlack;
  TColor TreeColor = clGray;
};

class TCellNode : public TPersistent, public TCellNodeData {
 public:
  explicit TCellNode(TVudUvizidIzed* grid);
  void Assign(const TPersistent* source);
  TNodeType NodeType() const { return nodeType_; }
  void SetNodeType(TNodeType value);
  int NodeIndent() const { return nodeIndent_; }
  void SetNodeIndent(int value);
  bool ShowTree() const { return showTree_; }
  void SetShowTree(bool value);
  bool ShowTreeFull() const { return showTreeFull_; }
  void SetShowTreeFull(bool value);
  void SetTreeColor(TColor value);
  TBitmap* ExpandGlyph() { return &expandGlyph_; }
  TBitmap* ContractGlyph() { return &contractGlyph_; }
  void SetExpandGlyph(const TBitmap& glyph);
  void SetContractGlyph(const TBitmap& glyph);

 private:
  // Stores a changed value and repaints the grid; an unchanged one does
  // nothing.
  template <class T>
  void Change(T& field, T value);
  TVudUvizidIzed* grid_;
  TNodeType nodeType_ = cnXP;
  int nodeIndent_ = 12;
  bool showTree_ = true;
  bool showTreeFull_ = true;
  TBitmap expandGlyph_;
  TBitmap contractGlyph_;
};

struct TSizeWhileTypingData {
  bool Height = false;
  bool Width = false;
};

class TSizeWhileTyping : public TPersistent, public TSizeWhileTypingData {
 public:
  void Assign(const TPersistent* source);
};

struct TMouseActionsData {
  bool AllColumnSize = false;
  bool AllRowSize = false;
  bool AllSelect = false;
  bool AutoSizeColOnDblClick = true;
  bool CaretPositioning = false;
  bool CheckAllCheck = false;
  bool ColSelect = false;
  bool DirectComboDrop = false;
  bool DirectDateDrop = false;
  bool DirectEdit = false;
  TGridFixedCellEdit FixedRowsEdit = fceNone;
  TGridFixedCellEdit FixedColsEdit = fceNone;
  bool MoveRowOnNodeClick = false;
  bool NoAutoRangeScroll = false;
  bool NodeAllExpandContract = false;
  bool NoScrollOnPartialRow = false;
  bool PreciseCheckBoxCheck = false;
  bool RangeSelectAndEdit = false;
  bool RowSelect = false;
  bool RowSelectPersistent = false;
  bool SelectOnRightClick = false;
  bool SizeFixedCol = false;
  bool SizeFixedRow = false;
  int WheelIncrement = 0;
  TWheelAction WheelAction = waMoveSelection;
};

class TMouseActions : public TPersistent, public TMouseActionsData {
 public:
  explicit TMouseActions(TVudUvizidIzed* grid) : grid_(grid) {}
  // Copies every switch of another TMouseActions; other sources are ignored.
  void Assign(const TPersistent* source);
  bool HotmailRowSelect() const { return hotmailRowSelect_; }
  void SetHotmailRowSelect(bool value);
  bool DisjunctRowSelect() const { return disjunct_[0]; }
  bool DisjunctColSelect() const { return disjunct_[1]; }
  bool DisjunctCellSelect() const { return disjunct_[2]; }
  void SetDisjunctRowSelect(bool value) { SetDisjunct(0, value); }
  void SetDisjunctColSelect(bool value) { SetDisjunct(1, value); }
  void SetDisjunctCellSelect(bool value) { SetDisjunct(2, value); }

 private:
  // While designing, one disjunct selection kind excludes the others.
  void SetDisjunct(int which, bool value);
  TVudUvizidIzed* grid_;
  bool hotmailRowSelect_ = false;
  std::array<bool, 3> disjunct_{};
};

struct TColumnSizeData {
  bool Save = false;
  AnsiString Key;
  AnsiString Section;
  int StretchColumn = -1;
  bool SynchWithGrid = false;
  TColumnSizeLocation Location = clRegistry;
};

class TColumnSize : public TPersistent, public TColumnSizeData {
 public:
  void Assign(const TPersistent* source);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);

 private:
  bool stretch_ = false;
};

struct TNavigationData {
  bool AllowInsertRow = false;
  bool AllowDeleteRow = false;
  bool AlwaysEdit = false;
  bool AdvanceOnEnter = false;
  bool AdvanceInsert = false;
  bool AutoGotoWhenSorted = false;
  bool AutoGotoIncremental = false;
  bool AutoComboDropSize = false;
  TAdvanceDirection AdvanceDirection = adLeftRight;
  bool AllowClipboardShortCuts = false;
  bool AllowCtrlEnter = true;
  bool AllowSmartClipboard = false;
  bool AllowRTFClipboard = false;
  bool AllowFmtClipboard = false;
  bool AllowClipboardAlways = false;
  bool AllowClipboardRowGrow = true;
  bool AllowClipboardColGrow = true;
  bool AdvanceAuto = false;
  bool AppendOnArrowDown = false;
  bool EditSelectAll = true;
  TInsertPosition InsertPosition = pInsertBefore;
  bool CursorWalkEditor = false;
  bool MoveRowOnSort = false;
  bool ImproveMaskSel = false;
  bool CopyHTMLTagsToClipboard = true;
  bool KeepHorizScroll = false;
  bool LineFeedOnEnter = false;
  THomeEndAction HomeEndKey = heFirstLastColumn;
  bool SkipFixedCells = true;
  bool TabToNextAtEnd = false;
  TAdvanceDirection TabAdvanceDirection = adLeftRight;
};

class TNavigation : public TPersistent, public TNavigationData {
 public:
  void Assign(const TPersistent* source);
};

struct THTMLSettingsData {
  int BorderSize = 1;
  int CellSpacing = 0;
  int CellPadding = 0;
  bool SaveColor = true;
  bool SaveFonts = true;
  AnsiString FooterFile;
  AnsiString HeaderFile;
  AnsiString TableStyle;
  AnsiString PrefixTag;
  AnsiString SuffixTag;
  int Width = 100;
  bool XHTML = false;
  bool ConvertSpecialChars = false;
  bool AutoPreview = false;
  bool NonBreakingText = false;
};

class THTMLSettings : public TPersistent, public THTMLSettingsData {
 public:
  void Assign(const TPersistent* source);
  // Column widths of the HTML export.
  std::vector<int>& ColWidths() { return colWidths_; }

 private:
  std::vector<int> colWidths_;
};

struct TPrintSettingsData {
  int FooterSize = 0;
  int HeaderSize = 0;
  TPrintPosition Time = ppNone;
  TPrintPosition Date = ppNone;
  TPrintPosition PageNr = ppNone;
  TPrintPosition Title = ppNone;
  AnsiString DateFormat = "dd/mm/yyyy";
  AnsiString TitleText;
  TPrintBorders Borders = pbSingle;
  TPenStyle BorderStyle = psSolid;
  bool Centered = true;
  bool RepeatFixedRows = false;
  bool RepeatFixedCols = false;
  int LeftSize = 0;
  int RightSize = 0;
  int ColumnSpacing = 0;
  int RowSpacing = 0;
  int TitleSpacing = 0;
  TPrinterOrientation Orientation = poPortrait;
  AnsiString PagePrefix;
  AnsiString PageSuffix;
  int PageNumberOffset = 0;
  int MaxPagesOffset = 0;
  int FixedWidth = 0;
  int FixedHeight = 0;
  bool UseFixedHeight = false;
  bool UseFixedWidth = false;
  TFitToPage FitToPage = fpNever;
  AnsiString JobName;
  AnsiString PageNumSep = "/";
  bool NoAutoSize = false;
  bool NoAutoSizeRow = false;
  bool PrintGraphics = false;
  bool UseDisplayFont = true;
  bool UseDefaultOrientation = false;
};

class TPrintSettings : public TPersistent, public TPrintSettingsData {
 public:
  void Assign(const TPersistent* source);
  TStringList* TitleLines() { return &titleLines_; }
  void SetTitleLines(const TStrings& lines) { titleLines_.Assign(lines); }
  TFont* Font() { return &font_; }
  TFont* FixedFont() { return &fixedFont_; }
  TFont* HeaderFont() { return &headerFont_; }
  TFont* FooterFont() { return &footerFont_; }
  void SetFont(const TFont& f) { font_.Assign(f); }
  void SetFixedFont(const TFont& f) { fixedFont_.Assign(f); }
  void SetHeaderFont(const TFont& f) { headerFont_.Assign(f); }
  void SetFooterFont(const TFont& f) { footerFont_.Assign(f); }

 private:
  TStringList titleLines_;
  TFont font_, fixedFont_, headerFont_, footerFont_;
};

// ---- Events ----

using TClickCellEvent = std::function<void(TObject* Sender, int ARow, int ACol)>;
using TGridColorEvent =
    std::function<void(TObject* Sender, int ARow, int ACol, TGridDrawState AState, TBrush* ABrush, TFont* AFont)>;
using TGridBorderEvent = std::function<void(TObject* Sender, int ARow, int ACol, TPen* APen, TCellBorders& Borders)>;
using TGridAlignEvent =
    std::function<void(TObject* Sender, int ARow, int ACol, TAlignment& HAlign, TVAlignment& VAlign)>;
using TGridHintEvent = std::function<void(TObject* Sender, int ARow, int ACol, AnsiString& hintstr)>;
using TRowColFlagEvent = std::function<void(TObject* Sender, int ARow, int ACol, bool& Flag)>;
using TColRowFlagEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& Flag)>;
using TGetCheckEvent = std::function<void(TObject* Sender, int ACol, int ARow, AnsiString& Value)>;
using TGetEditorTypeEvent = std::function<void(TObject* Sender, int ACol, int ARow, TEditorType& AEditor)>;
using TGetFormatEvent =
    std::function<void(TObject* Sender, int ACol, TSortStyle& AStyle, AnsiString& aPrefix, AnsiString& aSuffix)>;

// The cell grid.
class TVudUvizidIzed : public TBaseGrid {
 public:
  explicit TVudUvizidIzed(TComponent* owner);
  ~TVudUvizidIzed() override;

  // Copies the look, the settings objects, the size and the cells of
  // another TVudUvizidIzed; any other source is ignored.
  void Assign(const TPersistent* source);
  void SetBounds(int left, int top, int width, int height) override;
  // Shows, hides, enables and disables the scroll bars by ScrollBarAlways.
  void UpdateScrollBars(bool force);

  // ---- Rows and cells as the program's windows use them ----
  int GetRowCountEx() const { return RowCount(); }
  void SetRowCountEx(int count);
  // The current row, header row 0 included.
  int GetRowEx() const { return Row(); }
  // The row count the grid's own code sets; it also sets the display row
  // limit of the base grid.
  void SetRowCount(int count);
  void SetFixedRows(int count);
  void SetFixedCols(int count);
  void RepaintRow(int row);
  void RepaintRect(const TRect& r);
  virtual AnsiString GetCurrentCell();
  virtual void SetCurrentCell(const AnsiString& value);

  // ---- Cell queries (the grid's rule first, the event last) ----
  virtual void GetCellHint(int col, int row, AnsiString& hint);
  virtual void GetCellColor(int col, int row, TGridDrawState state, TBrush* brush, TFont* font);
  virtual void GetCellPrintColor(int col, int row, TGridDrawState state, TBrush* brush, TFont* font);
  virtual void GetCellBorder(int col, int row, TPen* pen, TCellBorders& borders);
  virtual void GetCellPrintBorder(int col, int row, TPen* pen, TCellBorders& borders);
  virtual void GetCellAlign(int col, int row, TAlignment& hAlign, TVAlignment& vAlign);
  virtual void GetColFormat(int col, TSortStyle& style, AnsiString& prefix, AnsiString& suffix);
  virtual void GetCellEditor(int col, int row, TEditorType& editor);
  virtual void GetCellFixed(int col, int row, bool& isFixed);
  // canEdit true means editable, in spite of the name.
  virtual void GetCellReadOnly(int col, int row, bool& canEdit);
  virtual void GetCellPassword(int col, int row, bool& isPassword);
  virtual void GetCellWordWrap(int col, int row, bool& wordWrap);
  virtual bool HasCombo(int col, int row);
  virtual AnsiString GetCheckTrue(int col, int row);
  virtual AnsiString GetCheckFalse(int col, int row);
  virtual bool GetFilter(int row);
  bool GetReadOnly(int col, int row) const;

  // ---- Base grid hooks ----
  bool IsFixed(int col, int row) override;
  void GetVisualProperties(int col, int row, TGridDrawState& state, bool print, bool select, bool remap,
                           TBrush* brush, TColor& colorTo, TFont* font, TAlignment& hAlign, TVAlignment& vAlign,
                           bool& wordWrap) override;

  // ---- Properties ----
  TCellNode* CellNode() { return &cellNode_; }
  TSizeWhileTyping* SizeWhileTyping() { return &sizeWhileTyping_; }
  TMouseActions* MouseActions() { return &mouseActions_; }
  TColumnSize* ColumnSize() { return &columnSize_; }
  TNavigation* Navigation() { return &navigation_; }
  THTMLSettings* HTMLSettings() { return &htmlSettings_; }
  TPrintSettings* PrintSettings() { return &printSettings_; }
  TStringList* ColumnHeaders() { return &columnHeaders_; }
  TStringList* RowHeaders() { return &rowHeaders_; }
  TStringList* LookupItems() { return &lookupItems_; }
  TFont* FixedFont() { return &fixedFont_; }
  TFont* ActiveCellFont() { return &activeCellFont_; }

  // Switches and values of the grid's look and behaviour, at their
  // defaults after construction.
  struct Settings {
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
  // Change them and call Invalidate when the look changes.
  Settings& Props() { return settings_; }
  const Settings& Props() const { return settings_; }

  char PasswordChar() const { return passwordChar_; }
  const AnsiString& CheckTrue() const { return checkTrue_; }
  const AnsiString& CheckFalse() const { return checkFalse_; }
  int HiddenColCount() const { return hiddenColCount_; }
  bool ColumnVisible(int col) const { return col >= 0 && col < kColumnFlags && columnVisible_[col]; }
  int RememberedFixedRows() const { return rememberedFixedRows_; }
  int RememberedFixedCols() const { return rememberedFixedCols_; }
  int RememberedDefaultRowHeight() const { return rememberedDefaultRowHeight_; }
  TColor GradientRUDFrom() const { return rudFrom_; }
  TColor GradientRUDTo() const { return rudTo_; }

  // ---- Events ----
  TClickCellEvent OnClickCell;
  TClickCellEvent OnRightClickCell;
  TClickCellEvent OnDblClickCell;
  TGridColorEvent OnGetCellColor;
  TGridColorEvent OnGetCellPrintColor;
  TGridBorderEvent OnGetCellBorder;
  TGridBorderEvent OnGetCellPrintBorder;
  TGridAlignEvent OnGetAlignment;
  TGridHintEvent OnGridHint;
  TRowColFlagEvent OnCanEditCell;
  TRowColFlagEvent OnIsFixedCell;
  TRowColFlagEvent OnIsPasswordCell;
  TColRowFlagEvent OnGetWordWrap;
  TColRowFlagEvent OnHasComboBox;
  TGetCheckEvent OnGetCheckTrue;
  TGetCheckEvent OnGetCheckFalse;
  TGetEditorTypeEvent OnGetEditorType;
  TGetFormatEvent OnGetFormat;

  // ---- Typed cell access and per-cell appearance ----
  // Integer text of a cell; empty and "-" read as 0. EDurUzavError
  // "Cell does not contain integer value" otherwise (also beyond 32 bits).
  int GetInts(int col, int row);
  void SetInts(int col, int row, int value);
  // Number text of a cell after RemoveSeps; EDurUzavError
  // "Cell does not contain a float value" otherwise.
  double GetFloats(int col, int row);
  // Written with FloatFormat.
  void SetFloats(int col, int row, double value);
  // The cell text without mark-up.
  AnsiString GetStrippedCell(int col, int row) { return StripCellMarkup(GetCellEx(col, row)); }
  // The value of the in-cell control with that ID, empty when there is none;
  // the setter rewrites it only where the control is found.
  AnsiString GetCtrlVal(int col, int row, const AnsiString& controlName);
  void SetCtrlVal(int col, int row, const AnsiString& controlName, const AnsiString& value);
  TColor GetColors(int col, int row) const;
  void SetColors(int col, int row, TColor value);
  TColor GetColorsTo(int col, int row) const;
  void SetColorsTo(int col, int row, TColor value);
  TColor GetFontColors(int col, int row) const;
  void SetFontColors(int col, int row, TColor value);
  TFontStyles GetFontStyles(int col, int row) const;
  void SetFontStyles(int col, int row, TFontStyles value);
  AnsiString GetFontNames(int col, int row) const;
  void SetFontNames(int col, int row, const AnsiString& value);
  int GetFontSizes(int col, int row) const;
  void SetFontSizes(int col, int row, int value);
  TAlignment GetAlignments(int col, int row) const;
  void SetAlignments(int col, int row, TAlignment value);
  void SetReadOnly(int col, int row, bool value);
  bool GetWordWraps(int col, int row) const;
  void SetWordWraps(int col, int row, bool value);
  // Colour every cell of a row right of the fixed columns. clNone takes the
  // look back to the grid's: a cell keeps its merge, graphic, object, node
  // level, editor and read-only flag; a cell with nothing else loses its
  // properties.
  void SetRowColor(int row, TColor value);
  void SetRowColorTo(int row, TColor value);
  void SetRowFontColor(int row, TColor value);
  // Copies the list and writes its entries into the header row (column
  // headers) or column (row headers); "\n" becomes a line break.
  void SetColumnHeaders(const TStrings& list);
  void ShowColumnHeaders();
  void SetRowHeaders(const TStrings& list);
  void ShowRowHeaders();
  // Grows every column width and row height by delta, the zoom level kept
  // within -10..10; a size that would not stay above 0 is kept.
  void Zoom(int delta);
  int ZoomLevel() const { return zoomLevel_; }

  // ---- Cell graphics ----
  // The cell's graphic or null; column 0 answers the shared row check box
  // while HotmailRowSelect is on.
  virtual TCellGraphic* GetCellGraphic(int col, int row);
  virtual TCellType GetCellType(int col, int row);
  // Frees any old graphic and stores a new one of kind ctNone.
  TCellGraphic* CreateCellGraphic(int col, int row);
  bool FreeCellGraphic(int col, int row);
  bool RemoveCellGraphic(int col, int row, TCellType kind);
  // The room the graphic takes beside the cell text, (0, 0) without one.
  TPoint GetCellGraphicSize(int col, int row);
  TPoint GetPrintGraphicSize(int col, int row, int width, int height, double scale);
  TIntList* GetCellImages(int col, int row);
  int GetCellImageIdx(int col, int row);
  TImageList* GridImages() const { return gridImages_; }
  void SetImages(TImageList* images);

  void AddBitmap(int col, int row, TBitmap* bitmap, bool transparent, TCellHAlign hAlign, TCellVAlign vAlign);
  TBitmap* CreateBitmap(int col, int row, bool transparent, TCellHAlign hAlign, TCellVAlign vAlign);
  TBitmap* GetBitmap(int col, int row);
  void AddPicture(int col, int row, TPicture* picture, bool transparent, TStretchMode stretchMode, int padding,
                  TCellHAlign hAlign, TCellVAlign vAlign);
  TPicture* CreatePicture(int col, int row, bool transparent, TStretchMode stretchMode, int padding,
                          TCellHAlign hAlign, TCellVAlign vAlign);
  TPicture* GetPicture(int col, int row);
  void AddIcon(int col, int row, TIcon* icon, TCellHAlign hAlign, TCellVAlign vAlign);
  TIcon* CreateIcon(int col, int row, TCellHAlign hAlign, TCellVAlign vAlign);
  void AddImageIdx(int col, int row, int index, TCellHAlign hAlign, TCellVAlign vAlign);
  bool GetImageIdx(int col, int row, int& index);
  void AddDataImage(int col, int row, int index, TCellHAlign hAlign, TCellVAlign vAlign);
  bool HasDataImage(int col, int row);
  void AddMultiImage(int col, int row, int dir, TCellHAlign hAlign, TCellVAlign vAlign);
  void MultiImageChanged(TObject* sender, int col, int row);
  void AddProgress(int col, int row, TColor color1, TColor color2);
  void AddProgressEx(int col, int row, TColor color1, TColor color2, TColor color3, TColor color4);
  void AddProgressFormatted(int col, int row, TColor color1, TColor color2, TColor color3, TColor color4,
                            const AnsiString& format, int min, int max);
  void AddProgressPie(int col, int row, TColor color, int value);
  void SetProgressPie(int col, int row, int value);
  void AddRangeIndicator(int col, int row, int range, TColor color1, TColor color2, bool showValue);
  void AddComment(int col, int row, const AnsiString& comment);
  void AddColorComment(int col, int row, const AnsiString& comment, TColor color);
  bool IsComment(int col, int row, AnsiString& comment);
  void RemoveAllComments();
  void AddMarker(int col, int row, int errFrom, int errLen);
  void GetMarker(int col, int row, int& errFrom, int& errLen);
  void RemoveMarker(int col, int row);
  void RemoveAllMarkers();
  void AddRotated(int col, int row, int angle, const AnsiString& text);
  void SetRotated(int col, int row, int angle);
  bool IsRotated(int col, int row, int& angle);
  void AddButton(int col, int row, int width, int height, const AnsiString& caption, TCellHAlign hAlign,
                 TCellVAlign vAlign);
  void AddBitButton(int col, int row, int width, int height, const AnsiString& caption, TBitmap* glyph,
                    TCellHAlign hAlign, TCellVAlign vAlign);
  TBitmap* CreateBitButton(int col, int row, int width, int height, const AnsiString& caption, TCellHAlign hAlign,
                           TCellVAlign vAlign);
  void SetButtonText(int col, int row, const AnsiString& caption);
  AnsiString GetButtonText(int col, int row);
  void PushButton(int col, int row, bool pushed);
  bool HasButton(int col, int row);
  TRect ButtonRect(int col, int row);
  void AddCheckBox(int col, int row, bool state, bool data);
  bool HasCheckBox(int col, int row);
  bool HasDataCheckBox(int col, int row);
  bool HasDataCell(int col, int row);
  bool HasStaticEdit(int col, int row);
  bool GetCheckBoxState(int col, int row, bool& state);
  void SetCheckBoxState(int col, int row, bool state);
  virtual bool ToggleCheck(int col, int row, bool fromUser);
  bool ToggleCheckBox(int col, int row) { return ToggleCheck(col, row, false); }
  void CheckAll(int col);
  void UnCheckAll(int col);
  bool IsInCheckBox(int col, int row, int x, int y);
  void AddRadio(int col, int row, int dirRadio, int defaultIndex, TStringList* strings);
  TCellGraphic* CreateRadio(int col, int row, int dirRadio, int defaultIndex);
  bool GetRadioIdx(int col, int row, int& index);
  bool SetRadioIdx(int col, int row, int index);
  TStringList* GetRadioStrings(int col, int row);
  bool IsRadio(int col, int row);
  // Moves to the next item, wrapping after the last; true when it moved.
  bool ToggleRadio(int col, int row, bool fromUser);
  bool RemoveBitmap(int col, int row) { return RemoveCellGraphic(col, row, ctBitmap); }
  bool RemovePicture(int col, int row) { return RemoveCellGraphic(col, row, ctPicture); }
  bool RemoveIcon(int col, int row) { return RemoveCellGraphic(col, row, ctIcon); }
  bool RemoveImageIdx(int col, int row) { return RemoveCellGraphic(col, row, ctImageList); }
  bool RemoveDataImage(int col, int row) { return RemoveCellGraphic(col, row, ctDataImage); }
  bool RemoveMultiImage(int col, int row);
  bool RemoveProgress(int col, int row) { return RemoveCellGraphic(col, row, ctProgress); }
  bool RemoveProgressPie(int col, int row) { return RemoveCellGraphic(col, row, ctProgressPie); }
  bool RemoveRangeIndicator(int col, int row) { return RemoveCellGraphic(col, row, ctRangeIndicator); }
  bool RemoveComment(int col, int row) { return RemoveCellGraphic(col, row, ctComment); }
  bool RemoveRotated(int col, int row) { return RemoveCellGraphic(col, row, ctRotated); }
  bool RemoveRadio(int col, int row) { return RemoveCellGraphic(col, row, ctRadio); }
  void RemoveButton(int col, int row);
  void RemoveCheckBox(int col, int row);
  // Rows selected one by one (the row check boxes of column 0).
  bool GetRowSelect(int row) const { return selectedRows_.count(row) != 0; }
  void SetRowSelect(int row, bool selected);
  void QueryAddRow(bool& canAdd);
  void QueryInsertRow(int row, bool& canInsert);
  std::function<void(TObject* Sender, bool& CanAdd)> OnCanAddRow;
  std::function<void(TObject* Sender, int ARow, bool& CanInsert)> OnCanInsertRow;

  // ---- Control look and banding read by the cell painters ----
  // Kept here until the grid's settings classes hold them.
  struct CellLookValues {
    int CheckSize = 15;
    int RadioSize = 10;
    bool CheckAlwaysActive = false;
    bool RadioAlwaysActive = false;
    bool FlatControls = false;
    TColor ControlColor = clBlack;
    TColor CommentColor = clRed;
    TColor ProgressBorderColor = clGray;
    int ProgressMarginX = 2;
    int ProgressMarginY = 2;
    bool BandsActive = false;
    bool BandsPrint = false;
    TColor BandPrimaryColor = clInfoBk;
    int BandPrimaryLength = 1;
    TColor BandSecondaryColor = clWindow;
    int BandSecondaryLength = 1;
  };
  CellLookValues& CellLook() { return cellLook_; }

  // ---- Appearance queries ----
  struct TCellAlignment {
    TAlignment HAlign;
    TVAlignment VAlign;
  };
  // Left or, with AutoNumAlign, right for numbers; then the cell's own
  // alignment; then OnGetAlignment.
  TCellAlignment GetCellAlignment(int col, int row);
  // The graphic with its size, placement and whether the text shows too.
  TCellGraphic* GetGraphicDetails(int col, int row, int& width, int& height, bool& displayText,
                                  TCellHAlign& hAlign, TCellVAlign& vAlign);
  // The cell text, numbers formatted through OnGetFloatFormat; never throws.
  virtual AnsiString GetFormattedCell(int col, int row);
  // The pixels the cell's text needs on the grid canvas.
  TPoint GetCellTextSize(int col, int row, bool wrapInColumn);
  // The value of a formula cell: this grid has no formula engine.
  virtual AnsiString CalcCell(int col, int row) { return GetCellEx(col, row); }
  virtual void LoadCell(int col, int row, AnsiString value);
  virtual AnsiString SaveCell(int col, int row);
  bool SaveDisplayedText = true;
  bool SaveWithMarkup = true;
  // Text inset inside a cell: X from left and right, Y from the top.
  TPoint XYOffset{2, 2};
  std::function<void(TObject* Sender, int ACol, int ARow, bool& IsFloat, AnsiString& FloatFormat)> OnGetFloatFormat;
  std::function<void(TObject* Sender, int ACol, int ARow, AnsiString& Value)> OnLoadCell;
  std::function<void(TObject* Sender, int ACol, int ARow, AnsiString& Value)> OnSaveCell;

  // ---- Cell drawing ----
  std::function<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)> OnDrawCell;
  std::function<void(TObject* Sender, TCanvas* Canvas, int ACol, int ARow, TGridDrawState AState, TRect ARect,
                     bool Printing)>
      OnCustomCellDraw;
  // Reported once per cell and problem when a cell cannot be drawn as its
  // graphic asks (a progress cell without a number, a picture that cannot
  // be read); painting goes on.
  std::function<void(TObject* Sender, int ACol, int ARow, const AnsiString& Problem)> OnCellDrawProblem;
  // The feedback while a column (x) or row (y) border is dragged: a dotted
  // line that inverts what lies under it, so that it shows on any colour and
  // drawing it again at the same place takes it away.
  void DrawSizingLine(int x);
  void DrawSizingLineR(int y);
  // Shown in the fixed column of the current row.
  TBitmap* RowIndicator() { return &rowIndicator_; }

 protected:
  void Loaded() override;
  void Resize() override;
  // With ScrollBarAlways a fitting direction keeps its bar, disabled.
  void ScrollBarPolicy(bool vertical, bool fits, bool& show, bool& enable) const override;
  void DrawGridCell(TCanvas* canvas, int col, int row, TRect& rect, TGridDrawState state) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  AnsiString GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const AnsiString& value) override;

 private:
  static constexpr int kColumnFlags = 513;
  // The owner form's resize handler while the grid follows the form.
  void GridResize(TObject* sender);
  void InstallFormResize();
  void RestoreFormResize();
  bool AllColsFit() const { return VisibleColCount() + FixedCols() >= ColCount(); }
  bool PressInsideCell(int x, int col, int row) const;

  TCellNode cellNode_{this};
  TSizeWhileTyping sizeWhileTyping_;
  TMouseActions mouseActions_{this};
  TColumnSize columnSize_;
  TNavigation navigation_;
  THTMLSettings htmlSettings_;
  TPrintSettings printSettings_;
  TStringList columnHeaders_, rowHeaders_, lookupItems_;
  TFont fixedFont_, activeCellFont_;
  Settings settings_;

  std::array<bool, kColumnFlags> columnVisible_{};
  int hiddenColCount_ = 0;
  int rememberedFixedRows_ = 0;
  int rememberedFixedCols_ = 0;
  int rememberedDefaultRowHeight_ = 0;
  char passwordChar_ = '*';
  AnsiString checkTrue_ = "Y";
  AnsiString checkFalse_ = "N";
  TColor rudFrom_ = clWhite;
  TColor rudTo_ = clBtnFace;
  bool loadedFromStream_ = false;
  TCursor loadedCursor_ = crDefault;

  TForm* resizeForm_ = nullptr;
  TNotifyEvent previousFormResize_;
  TSize formSize_{};

  // ---- Typed access and cell graphics ----
  // The shared graphic column 0 shows while HotmailRowSelect is on.
  TCellGraphic rowCheckGraphic_;
  TImageList* gridImages_ = nullptr;
  CellLookValues cellLook_;
  int zoomLevel_ = 0;
  std::set<int> selectedRows_;

  // ---- Cell drawing ----
  // What one DrawGridCell call shares with its sub-painters.
  struct CellPaint;
  void DrawCellText(CellPaint& paint);
  void DrawPlainText(CellPaint& paint, AnsiString text, TRect& r);
  void DrawCellBorders(int col, int row, TRect r);
  void DrawCellGraphic(CellPaint& paint, TRect r);
  void DrawCheckGlyph(const TRect& g, bool checked, bool enabled);
  void DrawRadioGroup(CellPaint& paint, const TRect& r, bool disabled);
  void DrawProgressCell(CellPaint& paint, TRect r);
  void DrawRotatedText(CellPaint& paint, TRect r);
  void DrawInvertedLine(int x1, int y1, int x2, int y2);
  // The cell's integer for a painter: nullopt (reported once) when the
  // text is none.
  std::optional<int> PaintedInteger(int col, int row);
  void ReportDrawProblem(int col, int row, const AnsiString& problem);
  bool CellEnabled(int col, int row);
  // Mark-up cell texts, through the mark-up renderer.
  TSize DrawMarkupText(TCanvas* canvas, const AnsiString& text, TRect r, bool draw);
  AnsiString StripCellMarkup(const AnsiString& text) const;
  TBitmap rowIndicator_;
  // Drawing flags of text without word wrap; Multilinecells clears the
  // single-line flag for this grid only.
  unsigned singleLineFlag_ = DT_SINGLELINE;
  std::set<std::pair<int, int>> reportedProblems_;
  // Creates the cell's properties and repaints it after a setter.
  TCellProperties* PropsForChange(int col, int row);
  void ResetRowLook(int row);
  // The base cell's graphic kind, ctEmpty without one.
  TCellType BaseCellType(int col, int row);
  // The graphic of the real column of col, or null.
  TCellGraphic* RealColumnGraphic(int col, int row);
};
