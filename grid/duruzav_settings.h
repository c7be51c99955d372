#pragma once
// The grid's settings objects: the small persistent objects that group the
// options TVudUvizidIzed publishes as properties and reads while drawing,
// sorting, grouping, filtering and handling the mouse.
//
// A property whose setter only stores its value is a plain member; one
// whose setter does more (repaints the grid, checks the value, tells a
// listener) is a getter and setter pair. Assign copies what each class
// copies from another object of the same class and ignores any other
// source.
#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "framework/graphics.h"
#include "framework/strings.h"

class TVudUvizidIzed;

// ---- Enumerations of the settings ----

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
enum TBackGroundDisplay { bdTile, bdFixed, bdGradientHorz, bdGradientVert };
enum TBackGroundCells { bcNormal, bcFixed, bcAll };
enum TSortBlankPosition { blFirst, blLast };
enum TSortDirection { sdAscending, sdDescending };
enum TControlStyle { csClassic, csFlat, csWinXP, csBorland, csRUD, csGlyph, csTheme };
enum TFilterCells { fcVirtual, fcNormal };
enum TFilterOperation { foSHORT, foNONE, foAND, foXOR, foOR };

// A settings object that keeps the grid that made it and repaints it when
// a property of the look changes.
class TGridLookSettings : public TPersistent {
 public:
  explicit TGridLookSettings(TVudUvizidIzed* grid) : grid_(grid) {}
  TVudUvizidIzed* Grid() const { return grid_; }

 protected:
  void RepaintGrid();
  template <class T>
  void StoreAndRepaint(T& field, T value) {
    field = value;
    RepaintGrid();
  }

 private:
  TVudUvizidIzed* grid_;
};

// ---- Settings objects ----
// Those that Assign copies whole keep their plain switches in a data
// record; owned pictures, fonts and lists are copied by content.

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

// Wallpaper of the grid (property BackGround).
class TBackGround : public TGridLookSettings {
 public:
  using TGridLookSettings::TGridLookSettings;
  // Copies every property of another TBackGround and repaints.
  void Assign(const TPersistent* source);
  int Top() const { return top_; }
  void SetTop(int value) { StoreAndRepaint(top_, value); }
  int Left() const { return left_; }
  void SetLeft(int value) { StoreAndRepaint(left_, value); }
  TBackGroundDisplay Display() const { return display_; }
  void SetDisplay(TBackGroundDisplay value) { StoreAndRepaint(display_, value); }
  TBitmap* Bitmap() { return &bitmap_; }
  void SetBitmap(const TBitmap& bitmap);
  TBackGroundCells Cells() const { return cells_; }
  void SetCells(TBackGroundCells value) { StoreAndRepaint(cells_, value); }
  TColor Color() const { return color_; }
  void SetColor(TColor value) { StoreAndRepaint(color_, value); }
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor value) { StoreAndRepaint(colorTo_, value); }

 private:
  int top_ = 0;
  int left_ = 0;
  TBackGroundDisplay display_ = bdTile;
  TBitmap bitmap_;
  TBackGroundCells cells_ = bcNormal;
  TColor color_ = clWindow;
  TColor colorTo_ = clBtnFace;
};

// Row banding (property Bands). The colours and lengths repaint the grid
// only while banding is active.
class TBands : public TGridLookSettings {
 public:
  using TGridLookSettings::TGridLookSettings;
  void Assign(const TPersistent* source);
  bool Active() const { return active_; }
  void SetActive(bool value) { StoreAndRepaint(active_, value); }
  TColor PrimaryColor() const { return primaryColor_; }
  void SetPrimaryColor(TColor value);
  int PrimaryLength() const { return primaryLength_; }
  void SetPrimaryLength(int value);
  TColor SecondaryColor() const { return secondaryColor_; }
  void SetSecondaryColor(TColor value);
  int SecondaryLength() const { return secondaryLength_; }
  void SetSecondaryLength(int value);
  // Rows of one primary and one secondary band together; at least 1, so
  // that painters may take a row number modulo it whatever the lengths.
  int Period() const { return std::max(1, primaryLength_ + secondaryLength_); }
  bool Print = false;

 private:
  void RepaintIfActive();
  bool active_ = false;
  TColor primaryColor_ = clInfoBk;
  int primaryLength_ = 1;
  TColor secondaryColor_ = clWindow;
  int secondaryLength_ = 1;
};

struct TSortSettingsData {
  bool AutoSortForGrouping = true;
  bool AutoColumnMerge = false;
  int Column = 0;
  bool IndexShow = false;
  TColor IndexColor = clYellow;
  bool Full = true;
  bool SingleColumn = false;
  bool IgnoreBlanks = false;
  TSortBlankPosition BlankPos = blFirst;
  bool AutoFormat = true;
  TSortDirection Direction = sdAscending;
  TSortDirection InitSortDirection = sdAscending;
  bool FixedCols = false;
  bool NormalCellsOnly = false;
  bool UndoSort = false;
};

// How the grid sorts and shows the sort (property SortSettings).
class TSortSettings : public TGridLookSettings, public TSortSettingsData {
 public:
  using TGridLookSettings::TGridLookSettings;
  void Assign(const TPersistent* source);
  bool Show() const { return show_; }
  // Repaints when the value changes.
  void SetShow(bool value);
  // The fixed row that shows the sort glyph.
  int Row() const { return row_; }
  // Throws Exception "Sort row should be smaller than number of fixed
  // rows", leaving Row as it was, for a row past the grid's fixed rows.
  void SetRow(int value);
  TBitmap* GetUpGlyph() { return &upGlyph_; }
  TBitmap* GetDownGlyph() { return &downGlyph_; }
  TBitmap* GetIndexUpGlyph() { return &indexUpGlyph_; }
  TBitmap* GetIndexDownGlyph() { return &indexDownGlyph_; }
  void SetUpGlyph(const TBitmap& glyph) { upGlyph_.SetImage(glyph.Image()); }
  void SetDownGlyph(const TBitmap& glyph) { downGlyph_.SetImage(glyph.Image()); }
  void SetIndexUpGlyph(const TBitmap& glyph) { indexUpGlyph_.SetImage(glyph.Image()); }
  void SetIndexDownGlyph(const TBitmap& glyph) { indexDownGlyph_.SetImage(glyph.Image()); }

 private:
  bool show_ = false;
  int row_ = 0;
  TBitmap upGlyph_, downGlyph_, indexUpGlyph_, indexDownGlyph_;
};

// Look of in-cell check boxes, radio buttons, buttons, progress bars and
// comments (property ControlLook).
class TControlLook : public TGridLookSettings {
 public:
  using TGridLookSettings::TGridLookSettings;
  void Assign(const TPersistent* source);
  TColor Color() const { return color_; }
  void SetColor(TColor value) { StoreAndRepaint(color_, value); }
  TColor CommentColor() const { return commentColor_; }
  void SetCommentColor(TColor value) { StoreAndRepaint(commentColor_, value); }
  TBitmap* CheckedGlyph() { return &checkedGlyph_; }
  TBitmap* UnCheckedGlyph() { return &unCheckedGlyph_; }
  TBitmap* RadioOnGlyph() { return &radioOnGlyph_; }
  TBitmap* RadioOffGlyph() { return &radioOffGlyph_; }
  void SetCheckedGlyph(const TBitmap& glyph) { CopyGlyph(checkedGlyph_, glyph); }
  void SetUnCheckedGlyph(const TBitmap& glyph) { CopyGlyph(unCheckedGlyph_, glyph); }
  void SetRadioOnGlyph(const TBitmap& glyph) { CopyGlyph(radioOnGlyph_, glyph); }
  void SetRadioOffGlyph(const TBitmap& glyph) { CopyGlyph(radioOffGlyph_, glyph); }
  // The start and end colours of the fixed cells' gradient; a colour other
  // than clNone is also given to the grid (SetRUDGradFrom, SetRUDGradTo).
  TColor FixedGradientFrom() const { return fixedGradientFrom_; }
  void SetFixedGradientFrom(TColor value);
  TColor FixedGradientTo() const { return fixedGradientTo_; }
  void SetFixedGradientTo(TColor value);
  int CheckSize() const { return checkSize_; }
  void SetCheckSize(int value) { StoreAndRepaint(checkSize_, value); }
  int RadioSize() const { return radioSize_; }
  void SetRadioSize(int value) { StoreAndRepaint(radioSize_, value); }
  TControlStyle ControlStyle() const { return controlStyle_; }
  void SetControlStyle(TControlStyle value) { StoreAndRepaint(controlStyle_, value); }
  bool DropDownAlwaysVisible() const { return dropDownAlwaysVisible_; }
  void SetDropDownAlwaysVisible(bool value) { StoreAndRepaint(dropDownAlwaysVisible_, value); }
  bool FlatButton() const { return flatButton_; }
  void SetFlatButton(bool value) { StoreAndRepaint(flatButton_, value); }
  bool NoDisabledCheckRadioLook() const { return noDisabledCheckRadioLook_; }
  void SetNoDisabledCheckRadioLook(bool value) { StoreAndRepaint(noDisabledCheckRadioLook_, value); }
  bool NoDisabledButtonLook() const { return noDisabledButtonLook_; }
  void SetNoDisabledButtonLook(bool value) { StoreAndRepaint(noDisabledButtonLook_, value); }
  int ProgressMarginX() const { return progressMarginX_; }
  void SetProgressMarginX(int value) { StoreAndRepaint(progressMarginX_, value); }
  int ProgressMarginY() const { return progressMarginY_; }
  void SetProgressMarginY(int value) { StoreAndRepaint(progressMarginY_, value); }
  bool ProgressXP() const { return progressXP_; }
  void SetProgressXP(bool value) { StoreAndRepaint(progressXP_, value); }
  bool CheckAlwaysActive = false;
  bool RadioAlwaysActive = false;
  TColor ProgressBorderColor = clGray;

 private:
  void CopyGlyph(TBitmap& own, const TBitmap& glyph);
  TColor color_ = clBlack;
  TColor commentColor_ = clRed;
  TBitmap checkedGlyph_, unCheckedGlyph_, radioOnGlyph_, radioOffGlyph_;
  TColor fixedGradientFrom_ = clNone;
  TColor fixedGradientTo_ = clNone;
  int checkSize_ = 15;
  int radioSize_ = 10;
  TControlStyle controlStyle_ = csWinXP;
  bool dropDownAlwaysVisible_ = false;
  bool flatButton_ = false;
  bool noDisabledCheckRadioLook_ = false;
  bool noDisabledButtonLook_ = false;
  int progressMarginX_ = 2;
  int progressMarginY_ = 2;
  bool progressXP_ = false;
};

// Look of group headers and summaries (property Grouping).
class TGrouping : public TPersistent {
 public:
  // Copies the header and summary colours and switches, but neither the
  // line colours and widths nor Summary.
  void Assign(const TPersistent* source);
  TColor HeaderColor = clNone;
  TColor HeaderColorTo = clNone;
  TColor HeaderTextColor = clNone;
  bool HeaderUnderline = false;
  TColor HeaderLineColor = clBlue;
  int HeaderLineWidth = 2;
  bool MergeHeader = false;
  bool MergeSummary = false;
  bool Summary = false;
  TColor SummaryColor = clNone;
  TColor SummaryColorTo = clNone;
  TColor SummaryTextColor = clNone;
  bool SummaryLine = false;
  TColor SummaryLineColor = clBlue;
  int SummaryLineWidth = 2;
};

// Drag and drop with other programs (property DragDropSettings).
class TDragDropSettings : public TPersistent {
 public:
  explicit TDragDropSettings(TVudUvizidIzed* grid) : grid_(grid) {}
  bool OleAcceptFiles = true;
  bool OleAcceptText = true;
  bool OleCopyAlways = false;
  bool OleDropSource = false;
  bool OleEntireRows = false;
  bool OleInsertRows = false;
  bool OleRemoveRows = false;
  bool OleColumnDragDrop = false;
  bool OleDropTarget() const { return oleDropTarget_; }
  // Outside design state, makes the grid accept drops from other programs
  // (true) or stop accepting them (false).
  void SetOleDropTarget(bool value);
  bool OleDropRTF() const { return oleDropRTF_; }
  // Also switches whether rich text is offered and accepted in drags.
  void SetOleDropRTF(bool value);

 private:
  TVudUvizidIzed* grid_;
  bool oleDropTarget_ = false;
  bool oleDropRTF_ = false;
};

// Balloon tool tips (property Balloon). Delays are in milliseconds, -1 for
// the system's.
class TBalloonSettings : public TPersistent {
 public:
  // Copies everything but Transparency, without firing OnEnableChange.
  void Assign(const TPersistent* source);
  int AutoHideDelay = -1;
  TColor BackgroundColor = clNone;
  int InitialDelay = -1;
  int ReshowDelay = -1;
  TColor TextColor = clNone;
  unsigned char Transparency = 0;
  bool Enable() const { return enable_; }
  // Stores, then fires OnEnableChange.
  void SetEnable(bool value);
  TNotifyEvent OnEnableChange;

 private:
  bool enable_ = false;
};

// Marking of modified rows (property ShowModified).
class TShowModified : public TPersistent {
 public:
  void Assign(const TPersistent* source);
  bool Enabled = false;
  TColor Color() const { return color_; }
  // Stores, then fires OnChange.
  void SetColor(TColor value);
  TNotifyEvent OnChange;

 private:
  TColor color_ = clYellow;
};


// Automatic scrolling while something is dragged near the grid's edges
// (property DragScrollOptions).
class TDragScrollDelays : public TPersistent {
 public:
  void Assign(const TPersistent* source);
  int InitialDelay = 1000;  // ms
  int RepeatDelay = 250;    // ms
};

class TDragScrollMargins : public TPersistent {
 public:
  void Assign(const TPersistent* source);
  int TopMargin = 50;  // pixels
  int BottomMargin = 50;
  int LeftMargin = 50;
  int RightMargin = 50;
};

class TDragScrollOptions : public TPersistent {
 public:
  void Assign(const TPersistent* source);
  bool Active = false;
  TDragScrollDelays* Delays() { return &delays_; }
  TDragScrollMargins* Margins() { return &margins_; }

 private:
  TDragScrollDelays delays_;
  TDragScrollMargins margins_;
};

// One condition of the grid's filter.
class TFilterData : public TPersistent {
 public:
  void Assign(const TPersistent* source);
  short Column = 0;
  AnsiString Condition;
  bool CaseSensitive = true;
  TFilterCells Data = fcVirtual;
  AnsiString Prefix;
  AnsiString Suffix;
  TFilterOperation Operation = foSHORT;
};

// The grid's filter (property Filter): its conditions in order.
class TFilter : public TPersistent {
 public:
  explicit TFilter(TVudUvizidIzed* grid) : grid_(grid) {}
  // Copies the conditions of another filter.
  void Assign(const TPersistent* source);
  int Count() const { return static_cast<int>(items_.size()); }
  // A new condition at the end.
  TFilterData* Add();
  // Also a new condition at the end; index is not used.
  TFilterData* Insert(int index);
  // Throws EListError for an index out of range.
  TFilterData* GetItem(int index) const;
  TFilterData* Items(int index) const { return GetItem(index); }
  // Copies value into the condition at index.
  void SetItem(int index, const TFilterData& value);
  void Delete(int index);
  void Clear() { items_.clear(); }
  TVudUvizidIzed* GetOwner() const { return grid_; }
  // The first condition on column col; a new one for it at the end when
  // there is none.
  TFilterData* GetColFilter(int col);

 private:
  TVudUvizidIzed* grid_;
  std::vector<std::unique_ptr<TFilterData>> items_;
};

// An item of a grid collection: an index, a height and a list of texts.
class TGridItem : public TPersistent {
 public:
  int Idx = 0;
  int Height = 0;
  TStringList* Items() { return &items_; }
  void SetItems(const TStrings& items) { items_.Assign(items); }

 private:
  TStringList items_;
};
