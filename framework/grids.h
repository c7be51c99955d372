#pragma once
// The owner-drawn grid: TCustomGrid (geometry, current cell and selection,
// scrolling, keyboard and mouse, column and row sizing and moving, the
// in-place editor) and TStringGrid (a text and an object per cell).
//
// Cells are addressed column first, row second; column 0 and row 0 are the
// first fixed column and row. Fixed cells never become current.
#include <memory>
#include <vector>

#include "framework/controls.h"
#include "framework/gridaxis.h"
#include "framework/maskedit.h"
#include "framework/standardcontrols.h"

class QPlainTextEdit;
class QScrollBar;

enum TGridOption : unsigned {
  goFixedVertLine = 1u << 0,
  goFixedHorzLine = 1u << 1,
  goVertLine = 1u << 2,
  goHorzLine = 1u << 3,
  goRangeSelect = 1u << 4,
  goDrawFocusSelected = 1u << 5,
  goRowSizing = 1u << 6,
  goColSizing = 1u << 7,
  goRowMoving = 1u << 8,
  goColMoving = 1u << 9,
  goEditing = 1u << 10,
  goTabs = 1u << 11,
  goRowSelect = 1u << 12,
  goAlwaysShowEditor = 1u << 13,
  goThumbTracking = 1u << 14,
};
using TGridOptions = unsigned;
inline constexpr TGridOptions kDefaultGridOptions =
    goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect;

enum TGridDrawStateFlag : unsigned { gdSelected = 1, gdFocused = 2, gdFixed = 4 };
using TGridDrawState = unsigned;

struct TGridCoord {
  int X = 0;
  int Y = 0;
  bool operator==(const TGridCoord&) const = default;
};

// Columns Left..Right and rows Top..Bottom, inclusive.
struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool Contains(int col, int row) const { return col >= Left && col <= Right && row >= Top && row <= Bottom; }
  bool operator==(const TGridRect&) const = default;
};

// What a press at a point starts: the sizing-state machine of the grid.
enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

// The scroll positions that the grid reports run over this fixed scale.
inline constexpr int kGridScrollScale = 127;

// The scroll bars: their identifiers, the requests a bar sends (low word of
// a WM_VSCROLL or WM_HSCROLL WParam, the thumb position in the high word)
// and what a TScrollInfo's fMask covers.
inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;
inline constexpr unsigned SB_LINEUP = 0, SB_LINELEFT = 0, SB_LINEDOWN = 1, SB_LINERIGHT = 1, SB_PAGEUP = 2,
                          SB_PAGELEFT = 2, SB_PAGEDOWN = 3, SB_PAGERIGHT = 3, SB_THUMBPOSITION = 4,
                          SB_THUMBTRACK = 5, SB_TOP = 6, SB_LEFT = 6, SB_BOTTOM = 7, SB_RIGHT = 7, SB_ENDSCROLL = 8;
inline constexpr unsigned SIF_RANGE = 0x1, SIF_PAGE = 0x2, SIF_POS = 0x4, SIF_TRACKPOS = 0x10, SIF_ALL = 0x17;

// A bar's range nMin..nMax, its page (the thumb's share of the range; 0 for
// a thumb of the style's own size) and its thumb positions. The thumb runs
// from nMin to nMax - nPage + 1.
struct TScrollInfo {
  unsigned cbSize = 28;
  unsigned fMask = 0;
  int nMin = 0;
  int nMax = kGridScrollScale;
  unsigned nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};
static_assert(sizeof(TScrollInfo) == 28);

class TCustomGrid;

// The grid's text editor: a mask edit placed over the current cell, or in
// multi-line mode a plain text editor there, where Ctrl+Enter breaks the
// line and Up and Down move between the lines before they move the grid.
class TInplaceEdit : public TCustomMaskEdit {
 public:
  explicit TInplaceEdit(TCustomGrid* grid);
  TCustomGrid* Grid() const { return grid_; }
  // The character position nearest to a client point of the editor; -1
  // when the point lies outside it.
  int CharFromPos(TPoint p) const;

  bool MultiLine() const { return multiLine_; }
  // Switching keeps the text; the caret goes to its end.
  void SetMultiLine(bool on);
  // The text editor of multi-line mode (null before the first switch).
  QPlainTextEdit* TextEdit() const { return memo_; }
  // Lines are separated by "\n".
  AnsiString GetText() const override;
  void SetText(const AnsiString& text) override;
  // The caret and selection of the editor in use; they stand in for the
  // line edit's own (reach the editor through this class).
  int SelStart() const;
  void SetSelStart(int start);
  int SelLength() const;
  void SetSelLength(int length);
  AnsiString SelText() const;
  void SetSelText(const AnsiString& text);
  void SelectAll();

 protected:
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void DoExit() override;
  void Resize() override;
  void WndProc(TMessage& message) override;

 private:
  // Whether an Up or Down key only moves the caret between lines.
  bool MovesWithinText(unsigned short key) const;

  TCustomGrid* grid_;
  QPlainTextEdit* memo_ = nullptr;
  bool multiLine_ = false;
  // Set while the focus passes between the two editors of a mode switch.
  bool switchingMode_ = false;
};

class TCustomGrid : public TCustomControl {
 public:
  explicit TCustomGrid(TComponent* owner);
  ~TCustomGrid() override;

  // ---- Size ----
  int ColCount() const { return cols_.Count(); }
  int RowCount() const { return rows_.Count(); }
  void SetColCount(int count);
  void SetRowCount(int count);
  int FixedCols() const { return fixedCols_; }
  int FixedRows() const { return fixedRows_; }
  // EInvalidOperation when the fixed cells would leave no scrollable one.
  void SetFixedCols(int count);
  void SetFixedRows(int count);
  int DefaultColWidth() const { return cols_.DefaultSize(); }
  int DefaultRowHeight() const { return rows_.DefaultSize(); }
  // Gives every column (row) the new default size.
  void SetDefaultColWidth(int width);
  void SetDefaultRowHeight(int height);
  int ColWidths(int col) const;
  int RowHeights(int row) const;
  void SetColWidths(int col, int width);
  void SetRowHeights(int row, int height);
  // The framework's own line between cells (0: cells touch).
  int GridLineWidth() const { return rows_.LineWidth(); }
  void SetGridLineWidth(int width);
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor color);
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool on);

  TGridOptions Options() const { return options_; }
  virtual void SetOptions(TGridOptions options);

  // ---- Current cell, selection, scrolling ----
  int Col() const { return current_.X; }
  int Row() const { return current_.Y; }
  // Moves the current cell when SelectCell allows it; fixed cells and
  // cells outside the grid are refused silently.
  void SetCol(int col) { FocusCell(col, Row(), true); }
  void SetRow(int row) { FocusCell(Col(), row, true); }
  TGridRect Selection() const;
  void SetSelection(const TGridRect& selection);
  int TopRow() const { return topLeft_.Y; }
  int LeftCol() const { return topLeft_.X; }
  void SetTopRow(int row) { MoveTopLeft(LeftCol(), row); }
  void SetLeftCol(int col) { MoveTopLeft(col, TopRow()); }
  // Scrollable rows (columns) that fit wholly beside the fixed ones.
  int VisibleRowCount() const;
  int VisibleColCount() const;
  // Scroll bar thumbs on the 0..kGridScrollScale scale.
  int VertScrollPos() const;
  int HorzScrollPos() const;
  // The scroll bars as last placed (a shown bar narrows the client area).
  bool ScrollBarShown(bool vertical) const { return vertical ? vbarShown_ : hbarShown_; }
  bool ScrollBarEnabled(bool vertical) const { return vertical ? vbarEnabled_ : hbarEnabled_; }
  TRect ClientRect() const override;
  // The fields of bar (SB_VERT, SB_HORZ) that info.fMask names. Setting
  // them moves the thumb, not the grid; the next scrolling puts the thumb
  // where the grid stands.
  void GetScrollInfo(int bar, TScrollInfo& info) const;
  void SetScrollInfo(int bar, const TScrollInfo& info, bool redraw);
  // Shows or hides a bar until the next change of size or scrolling places
  // the bars again.
  void ShowScrollBar(int bar, bool show);

  // ---- Geometry ----
  // Client rectangle of a visible cell (empty when scrolled out of view).
  TRect CellRect(int col, int row) const;
  // The cell under a client point; -1, -1 outside the cells. A grid laid
  // out from the right (UseRightToLeftAlignment) draws its columns
  // mirrored, so client points are mirrored back first.
  TGridCoord MouseCoord(int x, int y) const;
  // The x of a client point in the grid's own left-to-right layout.
  int LayoutX(int x) const { return UseRightToLeftAlignment() ? ClientWidth() - 1 - x : x; }
  void MouseToCell(int x, int y, int& col, int& row) const;
  void InvalidateCell(int col, int row);
  void InvalidateRow(int row);
  void InvalidateCol(int col);

  // ---- In-place editor ----
  // Whether the editor is shown.
  bool EditorMode() const;
  void SetEditorMode(bool on);
  void ShowEditor();
  // Writes the editor's text back (SetEditText) and hides it.
  void HideEditor();
  TInplaceEdit* InplaceEditor() const { return editor_; }
  TGridState GridState() const { return gridState_; }

  // ---- Moving ----
  void MoveColumn(int from, int to);
  void MoveRow(int from, int to);

  std::function<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)> OnSelectCell;
  std::function<void(TObject* Sender, int ACol, int ARow, const TRect& Rect, TGridDrawState State)> OnDrawCell;
  TNotifyEvent OnTopLeftChanged;
  std::function<void(TObject* Sender, int FromIndex, int ToIndex)> OnColumnMoved;
  std::function<void(TObject* Sender, int FromIndex, int ToIndex)> OnRowMoved;

 protected:
  friend class TInplaceEdit;

  // Paints the cells of the update region through DrawCell.
  void Paint() override;
  virtual void DrawCell(int col, int row, TRect rect, TGridDrawState state);
  // Asked before a cell becomes current; false keeps the old one.
  virtual bool SelectCell(int col, int row);
  virtual void SizeChanged(int oldColCount, int oldRowCount);
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();
  virtual void TopLeftChanged();
  virtual void ColumnMoved(int from, int to);
  virtual void RowMoved(int from, int to);

  // The editor's text source and sink. GetEditText is read when the editor
  // opens on a cell. SetEditText is called exactly once per committed edit:
  // when the editor is hidden (HideEditor, Enter, the focus leaving it) or
  // the current cell moves while it is open, and only when its text differs
  // from the text it opened with. Escape restores that text and commits
  // nothing.
  virtual AnsiString GetEditText(int col, int row);
  virtual void SetEditText(int col, int row, const AnsiString& value);
  virtual bool CanEditShow();
  virtual TInplaceEdit* CreateEditor();

  // Which sizing or moving the press at (x, y) starts; index is the column
  // or row, sizingPos the line's position and sizingOfs the press's
  // distance from it.
  virtual void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs);
  // Ends a sizing or moving without carrying it out.
  void CancelGridState() { gridState_ = gsNormal; }
  void SetGridState(TGridState state) { gridState_ = state; }

  void KeyDown(unsigned short& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void WndProc(TMessage& message) override;
  void Resize() override;
  void KeyPress(char& key) override;
  // One wheel notch; true when handled.
  virtual bool DoMouseWheelDown(TShiftState shift, TPoint mousePos);
  virtual bool DoMouseWheelUp(TShiftState shift, TPoint mousePos);
  // The scroll bars' requests: a line, a page, the thumb (tracked only with
  // goThumbTracking), the ends; SB_ENDSCROLL does nothing here.
  virtual void WMVScroll(TMessage& message);
  virtual void WMHScroll(TMessage& message);
  // The size handling of the control.
  virtual void WMSize(TMessage& message);

 public:
  // Marks a client rectangle (the whole client) for the next paint; Paint
  // draws only the cells that meet the marked region.
  void InvalidateRect(const TRect& r);
  void Invalidate() override;

 protected:

  // Moves the current cell (and, unless extending, the anchor) after asking
  // SelectCell; returns whether it moved.
  bool FocusCell(int col, int row, bool moveAnchor);
  void MoveTopLeft(int leftCol, int topRow);
  // Scrolls so that the cell is wholly visible.
  void ScrollToCell(int col, int row);

  // Whether a bar is shown and enabled when its direction does (not) fit;
  // by default a bar is shown, enabled, exactly when it is needed.
  virtual void ScrollBarPolicy(bool vertical, bool fits, bool& show, bool& enable) const;
  // Places the bars after any change of size, scrolling or policy.
  void SyncScrollBars();

  // Storage hooks of a subclass that keeps data per column or row.
  virtual void ColumnMovedData(int from, int to);
  virtual void RowMovedData(int from, int to);

  // The column widths and row heights with their running offsets.
  const TGridAxis& ColAxis() const { return cols_; }
  const TGridAxis& RowAxis() const { return rows_; }
  // Rows opened at (taken out from) index in the geometry; the subclass has
  // moved its data already.
  void RowsInserted(int index, int count);
  void RowsErased(int index, int count);
  // The same for the rows whose flag is set (one flag per row), and for rows
  // put in at the ascending indexes `rows` of the result with their heights.
  void RowsTakenOut(const std::vector<char>& leaving);
  void RowsPutBack(const std::vector<int>& rows, const std::vector<int>& heights);
  // Rows first.. take the heights of the rows order[i].
  void PermuteRowHeights(int first, const std::vector<int>& order);
  // The horizontal bar runs from the right in a right-to-left layout.
  void BiDiModeChanged() override;

 private:
  // What follows any change of the row count.
  void RowCountChanged();
  int ColumnLeft(int col) const;
  int RowTop(int row) const;
  int FixedWidth() const;
  int FixedHeight() const;
  // The last column or row that TopRow/LeftCol may take.
  int MaxTopRow() const;
  int MaxLeftCol() const;
  void ClampCurrent();
  void MoveByKey(unsigned short key, TShiftState shift);
  void UpdateEditorBounds();
  void CancelEditor();

  TGridAxis cols_;
  TGridAxis rows_;
  int fixedCols_ = 1;
  int fixedRows_ = 1;
  TColor fixedColor_ = clBtnFace;
  bool defaultDrawing_ = true;
  TGridOptions options_ = kDefaultGridOptions;
  TGridCoord current_{1, 1};
  TGridCoord anchor_{1, 1};
  TGridCoord topLeft_{1, 1};

  TGridState gridState_ = gsNormal;
  int sizingIndex_ = 0;
  int sizingPos_ = 0;
  int sizingOfs_ = 0;
  int moveFrom_ = 0;

  void CreateScrollBars();
  void ScrollTo(bool vertical, int position);
  void ScrollRequest(bool vertical, const TMessage& message);
  // Sends a bar's request as its message.
  void SendScrollRequest(bool vertical, unsigned code, int position);
  QScrollBar* Bar(int bar) const { return bar == SB_VERT ? vbar_ : hbar_; }
  TScrollInfo& Info(int bar) { return bar == SB_VERT ? vinfo_ : hinfo_; }
  // The bar's range, page and thumb from its scroll information.
  void ApplyScrollInfo(int bar);
  void PlaceScrollBars();

  QScrollBar* vbar_ = nullptr;
  QScrollBar* hbar_ = nullptr;
  bool vbarShown_ = false, hbarShown_ = false;
  bool vbarEnabled_ = true, hbarEnabled_ = true;
  bool syncingBars_ = false;
  TScrollInfo vinfo_, hinfo_;
  TRect invalid_{};
  TInplaceEdit* editor_ = nullptr;
  AnsiString editorOriginal_;
  TGridCoord editorCell_{-1, -1};
  bool hidingEditor_ = false;
};

// The string grid: a text and an object per cell.
class TStringGrid : public TCustomGrid {
 public:
  struct Cell {
    AnsiString text;
    TObject* object = nullptr;
  };
  // Cells of rows column by column: [col][row].
  using ColumnCells = std::vector<std::vector<Cell>>;

  explicit TStringGrid(TComponent* owner);

  AnsiString Cells(int col, int row) const;
  void SetCells(int col, int row, const AnsiString& value);
  TObject* Objects(int col, int row) const;
  void SetObjects(int col, int row, TObject* object);
  // The texts of one column (row), top to bottom (left to right).
  std::vector<AnsiString> Cols(int col) const;
  std::vector<AnsiString> Rows(int row) const;
  void SetCols(int col, const std::vector<AnsiString>& texts);
  void SetRows(int row, const std::vector<AnsiString>& texts);

  // ---- Whole stored rows ----
  // Columns kept beyond ColCount (a descendant's hidden columns): their
  // cells stay stored and addressable by their index, and every operation
  // below moves them with their row.
  int StoredColCount() const { return static_cast<int>(cells_.size()); }
  // The stored text without a copy; an empty text outside the grid.
  const AnsiString& CellText(int col, int row) const;
  // Exchanges two rows' cells, and their heights.
  void ExchangeRows(int row1, int row2);
  // Rows first .. first+order.size()-1 take the cells and heights of the
  // rows order[i] (a permutation of that range).
  void PermuteRows(int first, const std::vector<int>& order);
  // Opens count empty default-height rows at row; moves the rows behind.
  void InsertRowsAt(int row, int count);
  // Takes count rows out at row (at least one row stays); their objects
  // are not freed, their owner has taken them.
  void EraseRowsAt(int row, int count);
  // Moves a stored column's cells (not its width) from one index to another.
  void MoveStoredColumn(int from, int to);
  // A row's texts and objects over all stored columns, and back.
  void ReadRow(int row, TStrings& items) const;
  void WriteRow(int row, const TStrings& items);
  // Takes the rows whose flag is set (one per row; at least one row must
  // stay) out in one pass: their cells move to `taken` (a column for each
  // stored column, the rows in their order) and their heights to `heights`;
  // the other rows close up. The objects are the caller's now. Columns the
  // caller hands in `taken` are emptied and their room used.
  void TakeRows(const std::vector<char>& leaving, ColumnCells& taken, std::vector<int>& heights);
  // Puts rows in again in one pass: row rows[i] (ascending indexes of the
  // result) gets cells[c][i] in each stored column (empty past the columns
  // and cells given; columns past the stored ones stay with the caller) and
  // heights[i]; the rows there before fill the other places in their order.
  // The columns left in `cells` hold only moved-from cells; their room may
  // serve again.
  void PutRowsBack(const std::vector<int>& rows, ColumnCells& cells, const std::vector<int>& heights);

 protected:
  void DrawCell(int col, int row, TRect rect, TGridDrawState state) override;
  AnsiString GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const AnsiString& value) override;
  void SizeChanged(int oldColCount, int oldRowCount) override;
  void ColumnMovedData(int from, int to) override;
  void RowMovedData(int from, int to) override;
  // Told once of each object that a smaller ColCount or RowCount drops from
  // its cells and that no kept cell holds (an owner frees it here).
  virtual void ObjectDropped(TObject* object);
  // Keeps count columns stored beyond ColCount.
  void SetReservedCols(int count);

 private:
  int reservedCols_ = 0;
  ColumnCells cells_;
  const Cell* Find(int col, int row) const;
  Cell& At(int col, int row);
};
