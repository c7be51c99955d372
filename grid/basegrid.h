#pragma once
// The base grid: the string grid plus per-cell properties, merged cells,
// display-text hooks, its own grid lines, current-row highlighting and the
// link to an undo/redo component.
//
// Cell coordinates are absolute, column first: column 0 and row 0 are the
// first fixed column and row.
#include <functional>
#include <memory>
#include <vector>

#include "framework/grids.h"

class TBaseGrid;

// Misuse of the grid, with a fixed English message.
class EDurUzavError : public Exception {
 public:
  using Exception::Exception;
};

enum TVAlignment { vtaTop, vtaCenter, vtaBottom };

// The in-place editor kinds of a cell.
enum TEditorType {
  edNormal, edSpinEdit, edComboEdit, edComboList, edEditBtn, edCheckBox, edDateEdit, edDateEditUpDown,
  edTimeEdit, edButton, edDataCheckBox, edNumeric, edPositiveNumeric, edFloat, edCapital, edMixedCase,
  edPassword, edUnitEditBtn, edLowerCase, edUpperCase, edFloatSpinEdit, edTimeSpinEdit, edDateSpinEdit,
  edNumericEditBtn, edFloatEditBtn, edCustom, edRichEdit, edNone, edUniEdit, edUniComboEdit, edUniComboList,
  edUniEditBtn, edUniMemo
};

// The calculation a footer cell shows.
enum TColumnCalcType { acNONE, acSUM, acAVG, acCOUNT, acMIN, acMAX, acSPREAD, acCUSTOM };

// The properties of one cell, kept in its object slot and owned by the
// grid. The span fields merge cells: the base (top-left) cell of an area of
// n x m cells holds spans (n - 1, m - 1); every covered cell holds its
// distance from the base cell and IsBaseCell false; a plain cell holds -1.
class TCellProperties : public TPersistent {
 public:
  TCellProperties(TBaseGrid* grid, int col, int row);
  TCellProperties(const TCellProperties&) = delete;
  TCellProperties& operator=(const TCellProperties&) = delete;
  // Frees the cell's graphic with the cell.
  ~TCellProperties() override;

  // Copies everything but BrushColorTo, the cell and graphic objects and
  // the grid link; any other source is ignored.
  void Assign(const TPersistent* source);
  // (col - CellSpanX, row - CellSpanY) for a covered cell, else (col, row).
  TPoint GetBaseCell(int col, int row) const;

  TBaseGrid* Grid() const { return grid_; }
  int OwnerCol = 0;
  int OwnerRow = 0;
  TObject* CellObject = nullptr;   // not owned
  TObject* GraphicObject = nullptr;  // owned
  TBrushStyle BrushStyle = bsSolid;
  TColor BrushColor() const { return brushColor_; }
  void SetBrushColor(TColor color);
  TColor BrushColorTo() const { return brushColorTo_; }
  void SetBrushColorTo(TColor color);
  int FontSize = 0;
  TColor FontColor = clNone;
  TFontStyles FontStyle = 0;
  int CellSpanY = -1;
  int CellSpanX = -1;
  int BorderWidth = 0;
  TColor BorderColor = clBlack;
  TAlignment Alignment = taLeftJustify;  // stored only
  TVAlignment VAlignment() const { return vAlignment_; }
  void SetVAlignment(TVAlignment alignment);
  // The paint cycle in which this base cell was last painted through one
  // of its covered cells.
  int PaintedInCycle = 0;
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  bool IsBaseCell = true;
  int NodeLevel = 0;
  TEditorType Editor = edNormal;
  AnsiString FontName;
  bool ReadOnly = false;
  TControl* Control = nullptr;  // not owned
  TColumnCalcType CalcType = acNONE;  // of a footer cell

 private:
  void RepaintOwner();
  TBaseGrid* grid_;
  TColor brushColor_ = clNone;
  TColor brushColorTo_ = clNone;
  TVAlignment vAlignment_ = vtaTop;
  bool wordWrap_ = true;
};

// One registered cell change.
struct TUndoRedoItem {
  int Row = 0;
  int Col = 0;
  AnsiString Value;      // after the change
  AnsiString OrigValue;  // before the change
};

// Keeps the cell text changes its user registers for one grid and undoes
// and redoes them.
class TDurUzavUndoRedo : public TComponent {
 public:
  explicit TDurUzavUndoRedo(TComponent* owner);
  ~TDurUzavUndoRedo() override;

  void RegisterChange(int col, int row, const AnsiString& origValue, const AnsiString& value);
  void Undo();
  void Redo();
  bool CanUndo() const { return position_ >= 1; }
  bool CanRedo() const { return ItemCount() > position_; }
  // Forgets every change: nothing is left to undo or redo.
  void Reset();

  int MaxLevel() const { return maxLevel_; }
  void SetMaxLevel(int level) { maxLevel_ = level; }
  int ItemCount() const { return static_cast<int>(items_.size()); }
  const TUndoRedoItem& Items(int index) const { return items_.at(index); }
  int Position() const { return position_; }
  TBaseGrid* Grid() const { return grid_; }
  // Set by the grid's UndoRedo setter.
  void SetGrid(TBaseGrid* grid);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Puts a text back and makes its cell current.
  void Apply(const TUndoRedoItem& item, const AnsiString& text);

  std::vector<TUndoRedoItem> items_;
  TBaseGrid* grid_ = nullptr;
  int position_ = 0;
  int maxLevel_ = 0;
};

using TGetDisplTextEvent = std::function<void(TObject* Sender, int ACol, int ARow, AnsiString& Value)>;
using TGetDisplWideTextEvent = std::function<void(TObject* Sender, int ACol, int ARow, WideString& Value)>;

class TBaseGrid : public TStringGrid {
 public:
  explicit TBaseGrid(TComponent* owner);
  ~TBaseGrid() override;

  // ---- Own look ----
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool on);
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int width);
  TColor GridLineColor() const { return gridLineColor_; }
  void SetGridLineColor(TColor color);
  bool ActiveRowShow() const { return activeRowShow_; }
  void SetActiveRowShow(bool on);
  TColor ActiveRowColor() const { return activeRowColor_; }
  void SetActiveRowColor(TColor color);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on) { wordWrap_ = on; }
  int PaintCycle() const { return paintCycle_; }
  // Set while a floating footer covers the last row.
  bool LastRowFooter() const { return lastRowFooter_; }
  void SetLastRowFooter(bool on) { lastRowFooter_ = on; }
  // The display hooks apply to rows below this limit only.
  int DisplRowLimit() const { return displRowLimit_; }
  void SetDisplRowLimit(int limit) { displRowLimit_ = limit; }

  TGetDisplTextEvent OnGetDisplText;
  TGetDisplWideTextEvent OnGetDisplWideText;

  // ---- Cell text ----
  // The text shown by a cell: that of its base cell, through the display
  // hooks for rows below the display row limit.
  AnsiString GetCellEx(int col, int row);
  // Writes the base cell's text (a plain cell's own) and repaints the area.
  void SetCellEx(int col, int row, const AnsiString& value);
  AnsiString GetGridCell(int col, int row) const { return TStringGrid::Cells(col, row); }
  void SetGridCell(int col, int row, const AnsiString& value) { TStringGrid::SetCells(col, row, value); }

  // ---- Cell objects ----
  TObject* GetGridObject(int col, int row) const { return TStringGrid::Objects(col, row); }
  void SetGridObject(int col, int row, TObject* object) { TStringGrid::SetObjects(col, row, object); }
  TObject* GetObjectEx(int col, int row) const;
  void SetObjectEx(int col, int row, TObject* object);
  TObject* GetGraphicObjectEx(int col, int row) const;
  void SetGraphicObjectEx(int col, int row, TObject* object);
  void NilCell(int col, int row);
  void NilCol(int col);
  void NilRow(int row);
  void CopyCols(int target, int source);
  void CopyRows(int target, int source);

  // ---- Cell properties ----
  TCellProperties* GetCellProperties(int col, int row);
  bool HasCellProperties(int col, int row) const;
  // Takes ownership of p; frees the old properties.
  void SetCellProperties(int col, int row, TCellProperties* p);
  void ClearPropCell(int col, int row);
  void ClearPropRect(int col1, int row1, int col2, int row2);
  void ClearPropRow(int row);
  void ClearProps();

  // ---- Merged cells ----
  // Merges the area, clipped to the grid; an area that starts outside the
  // grid or is empty is refused with EDurUzavError.
  virtual void MergeCells(int col, int row, int numCols, int numRows);
  virtual void SplitCells(int col, int row);
  TPoint BaseCell(int col, int row) const;
  bool IsBaseCell(int col, int row) const;
  bool IsBaseCellEx(int col, int row, int& baseCol, int& baseRow) const;
  TPoint CellSpan(int col, int row) const;
  TPoint CellExt(int col, int row) const;
  TRect FullCell(int col, int row) const;
  bool IsMergedCell(int col, int row) const;
  bool IsXMergedCell(int col, int row) const;
  bool IsYMergedCell(int col, int row) const;
  int MinRowSpan(int row) const;
  int MaxRowSpan(int row) const;
  bool RowSpanIdentical(int row1, int row2) const;
  bool ColSpanIdentical(int col1, int col2) const;

  // ---- Geometry and selection ----
  int FixedColsWidth() const;
  int FixedRowsHeight() const;
  // The rectangle of any cell, also of one scrolled out of view.
  TRect GetCellRect(int col, int row) const;
  // The whole merged area for a merged cell.
  TRect CellRect(int col, int row) const;
  TPoint CellSize(int col, int row) const;
  bool IsSelected(int col, int row) const;
  void RepaintCell(int col, int row);
  void SelectBaseCell();

  TDurUzavUndoRedo* UndoRedo() const { return undoRedo_; }
  void SetUndoRedo(TDurUzavUndoRedo* value);

  // ---- Hooks of a descendant ----
  virtual bool IsFixed(int col, int row);
  virtual int NodeIndent(int row);
  virtual bool HasNodes();
  virtual void FloatFooterUpdate();
  virtual void GetDisplText(int col, int row, AnsiString& value);
  virtual void GetDisplWideText(int col, int row, WideString& value);
  virtual void GetDefaultProps(int col, int row, TFont* font, TBrush* brush, TColor& colorTo, TAlignment& alignment,
                               TVAlignment& vAlignment, bool& wordWrap);
  virtual void GetVisualProperties(int col, int row, TGridDrawState& state, bool print, bool select, bool remap,
                                   TBrush* brush, TColor& colorTo, TFont* font, TAlignment& hAlign,
                                   TVAlignment& vAlign, bool& wordWrap);
  virtual int DisplColIndex(int col);

  // ---- Right-to-left layout ----
  // Mirrors the canvas horizontally over the client width (true) or
  // restores the normal mapping (false).
  void SetGridOrientation(bool rightToLeft);

 protected:
  void Notification(TComponent* component, TOperation operation) override;
  void Paint() override;
  void DrawCell(int col, int row, TRect rect, TGridDrawState state) override;
  bool SelectCell(int col, int row) override;
  void TopLeftChanged() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
  void ObjectDropped(TObject* object) override;
  virtual void DrawGridCell(TCanvas* canvas, int col, int row, TRect& rect, TGridDrawState state);

  void RepaintFixedMergedCols();
  void RepaintFixedMergedRows();
  const TCellProperties* PropsAt(int col, int row) const;
  // Whether a cell other than (col, row) holds the object.
  bool HeldElsewhere(const TObject* object, int col, int row) const;

 private:
  bool defaultDrawing_ = false;
  int gridLineWidth_ = 1;
  TColor gridLineColor_ = 0xC0C0C0;
  int paintCycle_ = 1;
  bool lastRowFooter_ = false;
  int displRowLimit_ = 0;
  TDurUzavUndoRedo* undoRedo_ = nullptr;
  bool wordWrap_ = true;
  bool activeRowShow_ = false;
  TColor activeRowColor_ = clInfoBk;
};
