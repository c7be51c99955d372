#pragma once
// The cell grid TVudUvizidIzed on the base grid; its settings objects are
// in duruzav_settings.h.
//
// The implementation is split by concern: duruzav_settings.cpp (settings
// objects), duruzav_construction.cpp (defaults, lifecycle, Assign, bounds
// and scroll bars), duruzav_cells.cpp (row and cell access, editing text),
// duruzav_queries.cpp (cell queries and their events), duruzav_painting.cpp
// (visual properties and cell contents), duruzav_mouse.cpp (clicks).
#include <array>
#include <functional>
#include <memory>

#include "framework/graphics.h"
#include "framework/strings.h"
#include "grid/basegrid.h"
#include "grid/duruzav_settings.h"

class TForm;
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
  // Set a switch that has a setter below (SetActiveCellShow, SetLook, ...)
  // through it; for the others change them and call Invalidate when the
  // look changes.
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

  // ---- Settings objects of the look, sorting, grouping, filtering and drag and drop ----
  TBackGround* BackGround() { return &backGround_; }
  // Copies the wallpaper settings and repaints.
  void SetBackGround(const TBackGround& value) { backGround_.Assign(&value); }
  TBands* Bands() { return &bands_; }
  TSortSettings* SortSettings() { return &sortSettings_; }
  TControlLook* ControlLook() { return &controlLook_; }
  TGrouping* Grouping() { return &grouping_; }
  TDragDropSettings* DragDropSettings() { return &dragDropSettings_; }
  TBalloonSettings* Balloon() { return &balloon_; }
  void SetBalloon(const TBalloonSettings& value) { balloon_.Assign(&value); }
  TShowModified* ShowModified() { return &showModified_; }
  void SetShowModified(const TShowModified& value) { showModified_.Assign(&value); }
  TDragScrollOptions* DragScrollOptions() { return &dragScrollOptions_; }
  TFilter* Filter() { return &filter_; }
  // Drops from other programs reach the grid while its drop target is
  // registered (DragDropSettings.OleDropTarget).
  bool OleDropTargetRegistered() const { return oleDropTargetRegistered_; }
  void RegisterOleDropTarget();
  void RevokeOleDropTarget();
  // The fixed cells' gradient of the glRUD and glXP looks, kept as RGB.
  void SetRUDGradFrom(TColor color);
  void SetRUDGradTo(TColor color);
  // Switches of the look whose setters repaint the grid.
  void SetActiveCellShow(bool show);
  void SetActiveCellColor(TColor color);
  void SetActiveCellColorTo(TColor color);
  // Repaints only while URLs are shown.
  void SetURLColor(TColor color);
  void SetURLShow(bool show);
  void SetLook(TGridLook look);
  // Repaint when the value changed.
  void SetSelectionColor(TColor color);
  void SetSelectionColorTo(TColor color);
  void SetSelectionTextColor(TColor color);
  void SetSelectionRectangle(bool on);
  void SetSelectionResizer(bool on);
  void SetShowSelection(bool on);
  // Repaint the grid.
  void SetVAlignment(TVAlignment alignment);
  void SetFixedFooters(int count);
  void SetFixedRightCols(int count);
  // Repaints unless the grid is still loading.
  void SetFlat(bool flat);
  // Also limits an open in-place editor.
  void SetMaxEditLength(int length);
  // Fits the height to whole rows again (through SetBounds).
  void SetIntegralHeight(bool on);
  void SetScrollBarAlways(TScrollBarAlways always);
  void SetDragScrollOptions(const TDragScrollOptions& value) { dragScrollOptions_.Assign(&value); }
  // ShowModified's change handler: repaints column 0, where modified rows
  // are marked.
  void ModifiedChanged(TObject* sender);

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

  // Settings objects of the look, sorting, grouping, filtering and drag and drop.
  TBackGround backGround_{this};
  TBands bands_{this};
  TSortSettings sortSettings_{this};
  TControlLook controlLook_{this};
  TGrouping grouping_;
  TDragDropSettings dragDropSettings_{this};
  TBalloonSettings balloon_;
  TShowModified showModified_;
  TDragScrollOptions dragScrollOptions_;
  TFilter filter_{this};
  bool oleDropTargetRegistered_ = false;
};
