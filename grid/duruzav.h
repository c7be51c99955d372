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
#include <optional>
#include <set>
#include <tuple>

#include "framework/datetime.h"
#include "framework/graphics.h"
#include "framework/strings.h"
#include "grid/basegrid.h"
#include "grid/duruzav_types.h"
#include "grid/duruzav_frame.h"
#include "grid/duruzav_hover.h"
#include "grid/duruzav_editing.h"
#include "grid/duruzav_model.h"
#include "grid/duruzav_persist.h"
#include "grid/duruzav_footer.h"
#include "grid/duruzav_settings.h"
#include "grid/duruzav_update.h"
#include "grid/duruzav_mouse.h"
#include "grid/duruzav_input.h"
#include "grid/duruzav_scroll.h"
#include "grid/gridcsv.h"
#include "grid/gridxml.h"
#include "grid/grideditcontrol.h"
#include "grid/editorhooks.h"
#include "grid/hiddenrows.h"
#include "grid/vazeri.h"
#include "grid/cellgraphic.h"
#include "grid/duruzav_cellgraphics.h"
#include "grid/gridtransferstate.h"
#include "grid/griddragdrop.h"

class TForm;
class TGridDatePicker;
class TEditLink;
class TImageList;
class TRichEdit;
class TStream;

class TGridCellPainter;
class TVudUvizidIzedCheck;
class TVudUvizidIzed;

// The cell grid.
class TVudUvizidIzed : public TBaseGrid, public TGridCellGraphics {
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
  // Creates the cell's properties when it has none.
  bool GetReadOnly(int col, int row);

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

  // Switches and values of the grid's look and behaviour (duruzav_types.h).
  using Settings = TVudUvizidIzedSettings;
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

  // ---- Binary cell stream and clipboard ----
  // The binary cell stream (grid/gridbinstream.h): the grid from its first
  // body cell (first cell with ExportFixedCells) to its last, or a
  // rectangle; a load places the stream's cells back, at a point or over
  // the whole grid. EDurUzavError naming the file for a damaged one.
  void SaveToBinStream(TStream& stream);
  void SaveRectToBinStream(const TRect& r, TStream& stream);
  void SaveToBinFile(const AnsiString& fileName);
  void LoadAtPointFromBinStream(TPoint pt, TStream& stream);
  // Also recounts the node rows.
  void LoadFromBinStream(TStream& stream);
  void LoadFromBinFile(const AnsiString& fileName);
  // Counts the rows whose column-0 cell is a node, repainting column 0 when
  // there are any.
  void RecountNodes();
  // Copy, cut and paste (grid/gridclipboard.h).
  void CopyToClipBoard();
  void CopySelectionToClipboard();
  void CutToClipboard();
  void CutSelectionToClipboard();
  void CopyToClipBoardAsHTML();
  void CorrectSelection();
  void PasteFromClipboard();
  void PasteSelectionFromClipboard();
  int PasteFunc(int col, int row);
  int PasteText(int col, int row, const AnsiString& text);
  TPoint PasteSize(const AnsiString& text);
  // Writes one pasted value: a check box takes it as its state.
  virtual void PasteInCell(int col, int row, AnsiString value);
  // Where a pasted block came from (the last copy's origin in this grid,
  // (-1, -1) for another grid's cells), where it went, and how.
  virtual void PasteNotify(const TPoint& from, const TGridRect& to, TClipOperation op);
  std::function<void(TObject* Sender, int ACol, int ARow, WideString& Value, bool& Allow)>
      OnClipboardBeforePasteWideCell;
  TGridTransferState& TransferState() { return transferState_; }
  // ---- Text files: grid text file, ASCII, HTML and XHTML, text stream, fixed width ----
  // (gridtextfile.h, gridasciiexport.h, gridhtmlexport.h, gridtextstream.h,
  // gridfixedwidth.h)
  void SaveToFile(const AnsiString& fileName);
  void LoadFromFile(const AnsiString& fileName);
  void SaveToASCII(const AnsiString& fileName);
  void AppendToASCII(const AnsiString& fileName);
  AnsiString SaveToHTMLString();
  void SaveToHTML(const AnsiString& fileName);
  void AppendToHTML(const AnsiString& fileName);
  void SaveToStream(TStream& stream);
  void LoadFromStream(TStream& stream);
  void SaveToFixed(const AnsiString& fileName, TIntList& widths);
  void LoadFromFixed(const AnsiString& fileName, const TIntList& positions);

  // ---- CSV and XML files ----
  // CsvSeparator, JavaLineBreaks, CsvQuoteAll and CsvQuoteEmpty are the
  // fields of Csv() under their own names.
  TCsvSettings& Csv() { return csv_; }
  const TCsvSettings& Csv() const { return csv_; }
  char& CsvSeparator = csv_.CsvSeparator;
  bool& JavaLineBreaks = csv_.JavaLineBreaks;
  bool& CsvQuoteAll = csv_.CsvQuoteAll;
  bool& CsvQuoteEmpty = csv_.CsvQuoteEmpty;
  void SaveToCSV(const AnsiString& fileName) { OutputToCSV(fileName, false); }
  void AppendToCSV(const AnsiString& fileName) { OutputToCSV(fileName, true); }
  void OutputToCSV(const AnsiString& fileName, bool append) { TGridCsv(*this).Output(fileName, append); }
  void LoadFromCSV(const AnsiString& fileName) { InputFromCSV(fileName, false); }
  void InsertFromCSV(const AnsiString& fileName) { InputFromCSV(fileName, true); }
  void InputFromCSV(const AnsiString& fileName, bool insert) { TGridCsv(*this).Input(fileName, insert); }
  void SaveToXML(const AnsiString& fileName, const AnsiString& listName, const AnsiString& recordName,
                 const TStrings* fieldNames = nullptr) {
    TGridXml(*this).Save(fileName, listName, recordName, fieldNames);
  }
  void LoadFromXML(const AnsiString& fileName, bool attributeRows) { TGridXml(*this).Load(fileName, attributeRows); }


  // ---- Persistence, text marking, cell checks and fills ----
  // Column widths and positions in the store ColumnSize names
  // (columnsizestore.h); widths are also loaded when the grid gets its
  // parent or finishes loading, and saved when it goes, with ColumnSize.Save.
  void SaveColSizes();
  void LoadColSizes();
  void SaveColPositions();
  void LoadColPositions();
  // The look as a text file (visualprops.h).
  void SaveVisualProps(const AnsiString& fileName);
  void LoadVisualProps(const AnsiString& fileName);
  TSearchFooter* SearchFooter() { return &persist_.SearchFooter; }
  TVudUvizidIzedCheck* CellChecker() const { return persist_.CellChecker; }
  void SetCellChecker(TVudUvizidIzedCheck* checker);
  bool ShowNullDates() const { return persist_.ShowNullDates; }
  void SetShowNullDates(bool show) { persist_.ShowNullDates = show; }
  void SetParent(TWinControl* parent) override;
  // Every occurrence of text in the visible text of the cells enclosed in
  // "<tag>" and "</tag>"; UnMarkCells takes the tag out again. The "In"
  // variants mark with "hi" (Hilight) or "e" (Mark) over one cell, or over
  // a column, row or the grid without (or with) its fixed border.
  void MarkCells(const AnsiString& text, const AnsiString& tag, bool caseSensitive, int fromCol, int fromRow,
                 int toCol, int toRow);
  void UnMarkCells(const AnsiString& tag, int fromCol, int fromRow, int toCol, int toRow);
  AnsiString HilightText(bool caseSensitive, const AnsiString& s, const AnsiString& text);
  AnsiString UnHilightText(const AnsiString& s);
  AnsiString MarkText(bool caseSensitive, const AnsiString& s, const AnsiString& text);
  AnsiString UnMarkText(const AnsiString& s);
  void HilightInCell(bool caseSensitive, int col, int row, const AnsiString& text);
  void HilightInCol(bool includeFixed, bool caseSensitive, int col, const AnsiString& text);
  void HilightInRow(bool includeFixed, bool caseSensitive, int row, const AnsiString& text);
  void HilightInGrid(bool includeFixed, bool caseSensitive, const AnsiString& text);
  void UnHilightInCell(int col, int row);
  void UnHilightInCol(bool includeFixed, int col);
  void UnHilightInRow(bool includeFixed, int row);
  void UnHilightInGrid(bool includeFixed);
  void MarkInCell(bool caseSensitive, int col, int row, const AnsiString& text);
  void MarkInCol(bool includeFixed, bool caseSensitive, int col, const AnsiString& text);
  void MarkInRow(bool includeFixed, bool caseSensitive, int row, const AnsiString& text);
  void MarkInGrid(bool includeFixed, bool caseSensitive, const AnsiString& text);
  void UnMarkInCell(int col, int row);
  void UnMarkInCol(bool includeFixed, int col);
  void UnMarkInRow(bool includeFixed, int row);
  void UnMarkInGrid(bool includeFixed);
  // The CellChecker's correction and error marking written back into the
  // cells; true when no text changed (and without a checker).
  bool CheckCell(int col, int row);
  bool CheckCells(int fromCol, int fromRow, int toCol, int toRow);
  bool CheckCol(bool includeFixed, int col);
  bool CheckRow(bool includeFixed, int row);
  bool CheckGrid(bool includeFixed);
  // Test content over the grid without (or with) its fixed border: the
  // text, numbers 0..maximum-1 (0 for a maximum of 0 or less), "col:row".
  void TextFill(bool includeFixed, const AnsiString& text);
  void RandomFill(bool includeFixed, int maximum);
  void LinearFill(bool includeFixed);
  // In the short date and long time formats; EConvertError when the text is
  // none.
  void SetDates(int col, int row, TDateTime value);
  TDateTime GetDates(int col, int row);
  void SetTimes(int col, int row, TDateTime value);
  TDateTime GetTimes(int col, int row);

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  // Every cell with the fixed border, else the cells inside the fixed rows
  // and columns of either end.
  TGridRect StandardRange(bool includeFixed) const;
  void FillCells(bool includeFixed, const std::function<AnsiString(int col, int row)>& text);
  TGridPersistState persist_;

 public:
  // ---- Editing: the selection's editing switch, validation, the end of an edit and the advance ----
  // Whether the cell may be edited now: editing is on (or only switched off
  // for a read-only cell), and the base cell is editable by OnCanEditCell
  // and not fixed.
  bool IsEditable(int col, int row);
  // The editor shown on the current cell unless the cell is edited by
  // clicking; the cell is scrolled into view first.
  void ShowInplaceEdit();
  // Ends the edit of the current cell: the editor is hidden (its text
  // written back) and the current cell is selected again.
  void HideInplaceEdit();
  // An editor control ends its edit with a key: Tab and the arrows then move
  // the current cell through the grid's keys, Enter advances.
  void DoneInplaceEdit(unsigned short key, TShiftState shift);
  // Fires OnEditingDone.
  void DoneEditing();
  // The text an editor's ellipsis button gives the cell: OnEllipsClick's.
  AnsiString EllipsClick(const AnsiString& value);
  // An editor opened on the current cell: its value is validated when the
  // edit ends.
  void EditStarted();
  bool EditingBegun() const { return editState_.editingBegun; }
  // Takes the cell's texts before the edit.
  virtual void InitValidate(int col, int row);
  // Validate the edited value of the validation cell (checker, OnCellValidate,
  // undo, modified mark) and commit it; false keeps the current cell on it
  // with its editor open again. True when there was nothing to validate.
  virtual bool ValidateCell(const AnsiString& newValue);
  virtual bool ValidateCellWide(const WideString& newValue);
  // Moves the current cell to the next tab stop (previous with backward).
  // A walk that finds no other tab stop leaves the current cell.
  void TabEdit(bool backward);
  // Moves from (col, row) to the next editable cell after an edit, by
  // Navigation.AdvanceDirection: force advances without AdvanceOnEnter, edit
  // opens the editor there, forward false moves backwards, recursive keeps
  // the start cell of the walk. With no editable cell the current cell stays.
  void AdvanceEdit(int col, int row, bool force, bool edit, bool forward, bool recursive);
  // The first body column (1 without fixed columns in a grid with nodes)
  // and the fixed right columns that are shown.
  int FixedColsVis();
  int NumFixedRightVis() const;
  // The heights of the footer and search panels; 0 while hidden.
  int FooterPanelHeight() const;
  int SearchPanelHeight() const;
  // SelectCell allows every move while set.
  void SetSelectionBypass(bool on) { editState_.selectBypass = on; }
  // ---- Dimensions ----
  int GetColCountEx() const { return ColCount(); }
  void SetColCountEx(int count);
  // 1 for 0 fixed rows (columns) while FixedRowAlways (FixedColAlways) is set.
  int GetFixedRowsEx() const;
  void SetFixedRowsEx(int count) { SetFixedRows(count); }
  int GetFixedColsEx() const;
  void SetFixedColsEx(int count) { SetFixedCols(count); }
  int GetDefRowHeightEx() const { return DefaultRowHeight(); }
  void SetDefRowHeightEx(int height);
  int GetFixedColWidth() const { return ColWidths(0); }
  // Every fixed column, unless the width is the default column width.
  void SetFixedColWidth(int width);
  int GetFixedRowHeight() const { return fixedRowHeight_; }
  void SetFixedRowHeight(int height);
  bool GetWordWrapEx() const { return WordWrap(); }
  void SetWordWrapEx(bool on);
  std::function<void(TObject* Sender, int ACol, int ARow, AnsiString& Value, bool& Valid)> OnCellValidate;
  std::function<void(TObject* Sender, int ACol, int ARow, WideString& Value, bool& Valid)> OnCellValidateWide;
  std::function<void(TObject* Sender, int ACol, int ARow, AnsiString& S)> OnEllipsClick;
  std::function<void(TObject* Sender, int ACol, int ARow, int AValue, bool UpDown)> OnSpinClick;
  std::function<void(TObject* Sender, int ACol, int ARow, double AValue, bool UpDown)> OnFloatSpinClick;
  std::function<void(TObject* Sender, int ACol, int ARow, TDateTime AValue, bool UpDown)> OnDateSpinClick;
  std::function<void(TObject* Sender, int ACol, int ARow, TDateTime AValue, bool UpDown)> OnTimeSpinClick;
  TNotifyEvent OnEditingDone;
  std::function<void(TObject* Sender, int OldRow, int NewRow, bool& Allow)> OnRowChanging;
  std::function<void(TObject* Sender, int OldCol, int NewCol, bool& Allow)> OnColChanging;
  std::function<void(TObject* Sender, int OldRow, int OldCol, int NewRow, int NewCol, bool& Allow)> OnCellChanging;
  std::function<void(TObject* Sender, int OldRow, int OldCol, int& NewRow, int& NewCol, bool& Allow)> OnAutoAdvance;
  TAutoRowEvent OnAutoAddRow;
  std::function<void(TObject* Sender, int ACol)> OnAutoInsertCol;

 protected:
  bool SelectCell(int col, int row) override;
  // Validates the cell when the grid gets the focus back.
  void DoEnter() override;
  void KeyDown(unsigned short& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  // Typed characters: clipboard short-cuts swallowed, editing started on
  // range-select-and-edit, the keypad separator, static editor cells.
  void WMChar(TMessage& message);
  // With AlwaysEdit the editor opens when the grid gets the focus.
  void WMSetFocus(TMessage& message);

 private:
  friend class TZurInplaceEdit;
  TGridEditState editState_;
  int fixedRowHeight_ = 21;
  // The editing option switched by the selection for the target cell.
  void SwitchEditing(int col, int row);
  void SetEditingOption(bool on);
  // Whether the changes allow the move, by the footer and the events.
  bool FooterAllowsMove(int col, int row);
  bool ChangingAllowed(int col, int row);
  // Whether the cell being left lets the current cell go.
  bool LeftCellValid();
  // Closes the text editor with the validation of its text; false when the
  // text was refused (the editor is open on its cell again).
  bool CloseEditorValidated();
  void RepaintForMove(int oldCol, int oldRow, int col, int row);
  // Steps of a validation that found a changed value (real column c).
  bool ValidateChange(int c, int r, const AnsiString& newValue);
  void EndValidation();
  // The invalid value's way back: the editor reopened on the validation cell.
  void ReopenAfterInvalid(const std::function<void()>& keepValue);
  // The walk of the advance: the cell after (col, row); false ends the advance.
  bool StepAdvance(int& col, int& row, bool forward);
  void AdvanceTo(TPoint departure, int col, int row, bool edit);
  bool RowHasEditableCell(int row);
  bool ColHasEditableCell(int col);
  bool IsTabStop(int col, int row);
  // Typing moves to the first row whose sort column starts with the typed text.
  void SearchIncremental(char key);
  // The body of the grid the walks go over: first and last column and row.
  TRect BodyCells();

 public:
  // ---- Editor controls: choosing, showing and writing back ----
  // Decides between the text editor and one of the grid's editor controls
  // for the current cell (its base cell), and shows the control.
  bool CanEditShow() override;
  bool IsPassword(int col, int row);
  // col is a display column.
  void ShowEditControl(int col, int row);
  // Writes the control's value back into the cell and hides it.
  void HideEditControl(int col, int row);
  void HideCellEdit() { HideEditControl(Col(), Row()); }
  // Starts editing the way F2 does.
  void ShowCellEdit();
  // Every write-back of an editor goes through here; col is a real column.
  virtual void UpdateEditingCell(int col, int row, const AnsiString& value);
  // The current cell's text as it was when editing began.
  void RestoreCache();
  // Repaints the header cells that mark the active cell.
  void UpdateActiveCells(int oldCol, int oldRow, int newCol, int newRow);
  virtual void UpdateOnSelection(const TGridRect&) {}
  // The items of the combo editor.
  void ClearComboString();
  void AddComboString(const AnsiString& s);
  void AddComboStringObject(const AnsiString& s, TObject* object);
  bool RemoveComboString(const AnsiString& s);
  void SetComboSelection(int index);
  bool SetComboSelectionString(const AnsiString& s);
  int GetComboCount();
  TGridDatePicker* GetDateTimePicker();
  // The editor controls and the state of the open edit.
  TGridEditControls& EditControls() { return *editControls_; }
  std::function<void(TObject* Sender, int ACol, int ARow, int AItemIndex, AnsiString ASelection)> OnComboChange;
  std::function<void(TObject* Sender, int ACol, int ARow, int AItemIndex, AnsiString ASelection, TObject* AObject)>
      OnComboObjectChange;
  std::function<void(TObject* Sender, int ACol, int ARow, TDateTime ADateTime)> OnDateTimeChange;

 private:
  std::unique_ptr<TGridEditControls> editControls_;
  // The picker's change, as the picker notifies it.
  void DateTimeChanged(const TMessage& message);
  // The cell text as the typed editors read it.
  void FillSpin(TEditorType type, const AnsiString& text);
  void ShowComboControl(TEditorType type, const AnsiString& text, const TRect& r);
  void ShowDatePicker(TEditorType type, const AnsiString& text, const TRect& r);
  // Shows, enables and focuses the control and hands it the starting key.
  void ActivateEditControl(TWinControl* control);
  static void PostStartingKey(TWinControl* editor, char key);

 public:
  // ---- Custom editor links and in-cell form controls ----
  // The application's editor for edCustom cells; not owned: a link that is
  // freed is let go of.
  TEditLink* EditLink() const { return editorHooks_.Link(); }
  void SetEditLink(TEditLink* link) { editorHooks_.SetLink(link); }
  // The edCustom steps of showing and hiding the editing control.
  // ShowEditLink opens the link's editor on the cell (col a display column)
  // with its text, posts the key that started editing (0: none) to it and
  // answers its control; null without a link. HideEditLink takes the editor
  // out of the cell (hidden in place, its hook off); the editing control
  // writes EditLink()->GetEditorValue() back before, as it writes every
  // editor's value. A link freed while its editor was open leaves nothing to
  // write: its editor, if it lives on, is only unhooked and hidden.
  TWinControl* ShowEditLink(int col, int row, char startKey);
  void HideEditLink();
  // The window procedure a link puts on its editor control: with goTabs the
  // editor wants arrows and Tab; every message goes on to the control's own.
  void SubclassProc(TMessage& message);
  TGridEditorHooks* EditorHooks() { return &editorHooks_; }
  // Opens the editor of a form control of a cell's mark-up over r (client
  // pixels, as the mark-up hit test found it); types other than EDIT,
  // PASSWORD, MASK and COMBO open nothing.
  void ControlEnter(const AnsiString& cellText, const AnsiString& ctrlType, const AnsiString& ctrlID,
                    const AnsiString& ctrlVal, TRect& r, int col, int realCol, int row);
  // The control editors' exit handler: writes the value into the control's
  // tag in the cell and fires OnControlEditDone once; nothing while no
  // control edit is open.
  void ControlExit(TObject* sender);
  bool ControlEditing() const { return editorHooks_.formControl.editing; }
  const AnsiString& ControlEditID() const { return editorHooks_.formControl.id; }
  // A click at (x, y) from the cell's top-left corner into a radio group.
  void HandleRadioClick(int col, int row, int x, int y);
  // Opens the editor of the form control after controlID in the cell (col a
  // display column); the grid takes the focus when there is none.
  void AdvanceHTMLEdit(int col, int row, const AnsiString& controlID);
  std::function<void(TObject* Sender, int ACol, int ARow, TEditLink* AEditLink)> OnGetEditorProp;
  std::function<void(TObject* Sender, int ARow, int ACol, const AnsiString& CtrlID, const AnsiString& CtrlType,
                     const AnsiString& CtrlVal, TStrings* Values, bool& Edit, int& DropCount)>
      OnControlComboList;
  std::function<void(TObject* Sender, int ARow, int ACol, const AnsiString& CtrlID, const AnsiString& CtrlType,
                     const AnsiString& CtrlVal)>
      OnControlEditDone;
  std::function<void(TObject* Sender, int ACol, int ARow, int AIdx)> OnRadioClick;

 private:
  friend class TEditLink;
  TGridEditorHooks editorHooks_{this};
  // The grid canvas in the cell's colours and font, as its text is drawn.
  void PrepareCellCanvas(int col, int row);
  // Where the form control `id` of mark-up text laid out in r lies, with its
  // type and value; false when the text has no such control.
  bool FindMarkupControl(const AnsiString& text, const TRect& r, const AnsiString& id, TRect& place, AnsiString& type,
                         AnsiString& value);

 public:
  void ScreenToCell(TPoint screenPoint, int& col, int& row);
  bool InSizeZone(int x, int y);
  void StretchColumn(int col);
  void StretchRightColumn() { StretchColumn(ColCount() - 1); }
  virtual void UpdateColSize(int col, int& width);
  virtual void CellSelect(int, int) {}
  virtual void UpdateColHeaders() {}
  virtual void UpdateSelectionRect(TGridRect&) {}
  void SizeChanged(int oldColCount, int oldRowCount) override;
  void ColWidthsChanged() override;
  void RowHeightsChanged() override;
  void StartFixedEdit(int col, int row);
  void RowMoved(int from, int to) override;
  // ---- Keyboard, wheel, panning and the grid timer (duruzav_keyboard.cpp, duruzav_wheel.cpp) ----
  void WMKeyDown(TMessage& message);
  void KeyUp(unsigned short& key, TShiftState shift) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
  void WMTimer(TMessage& message);
  void TopLeftChanged() override;
  // The version and its date, "3.3.2.9 May, 2006".
  AnsiString GetVersionString();
  // Whether blinking mark-up text shows now; always without EnableBlink.
  bool BlinkOn() const { return !settings_.EnableBlink || input_.blinkOn; }
  // ---- Mouse move, hover, hints and balloons (duruzav_hover.h) ----
  TGridHover& Hover() { return hover_; }
  void MouseMove(TShiftState shift, int x, int y) override { hover_.MouseMove(shift, x, y); }
  void ShowHintProc(AnsiString& hintStr, bool& canShow, THintInfo& hintInfo);
  void SetUseHTMLHints(bool on);
  void BalloonInit() { hover_.BalloonInit(); }
  void BalloonDone() { hover_.BalloonDone(); }
  void BalloonChange(TObject*) { hover_.BalloonChange(); }
  // ---- Scroll bars, thumb hints, drag scrolling (duruzav_scroll.h); header lists; columns merged by list ----
  TGridScroller* Scroller() { return scroller_.get(); }
  void UpdateVScroller() { scroller_->UpdateScroller(true); }
  void UpdateHScroller() { scroller_->UpdateScroller(false); }
  void UpdateVScrollBar() { scroller_->UpdateFlatBar(SB_VERT); }
  void UpdateHScrollBar() { scroller_->UpdateFlatBar(SB_HORZ); }
  void WMVScroll(TMessage& message) override;
  void WMHScroll(TMessage& message) override;
  void WMSize(TMessage& message) override;
  void ColHeaderChanged(TObject* sender);
  void RowHeaderChanged(TObject* sender);
  // Adds one row at the end; arrow down on the last row calls it.
  virtual void DoAppendRow() { SetRowCountEx(RowCount() + 1); }
  void SetRowIndicator(const TBitmap& bitmap);
  TIntList* MergedColumns() { return &mergedColumns_; }
  void ApplyColumnMerge();
  void UndoColumnMerge();
  void FixedFontChanged(TObject*) { Invalidate(); }
  // ---- Printing and preview (gridprint.h: the engine, its state and the print events) ----
  class TGridPrint& Printing();
  void Print();
  void PrintRect(const TGridRect& rect);
  void PrintSelection();
  void PrintSelectedRows();
  void PrintSelectedCols();
  void PrintPreview(TCanvas* canvas, const TRect& r);
  void PrintPreviewRect(TCanvas* canvas, const TRect& r, const TGridRect& rect);
  void PrintPreviewSelection(TCanvas* canvas, const TRect& r);
  void PrintPreviewSelectedRows(TCanvas* canvas, const TRect& r);
  void PrintPreviewSelectedCols(TCanvas* canvas, const TRect& r);
  // The pages drawn onto a canvas of the caller's, not a printer's.
  void PrintDraw(TCanvas* canvas, const TRect& r);
  void PrintDrawRect(TCanvas* canvas, const TRect& r, const TGridRect& rect);
  void SetPreviewPage(int page);
  void SavePrintSettings(const AnsiString& fileName, const AnsiString& section);
  void LoadPrintSettings(const AnsiString& fileName, const AnsiString& section);
  int MapFontHeight(int size);
  // ---- Drag and drop with other programs (grid/griddragdrop.h) ----
  TGridDragDrop& OleDragDrop();
  // ---- Spreadsheets, documents, databases (gridofficexls.cpp, gridofficedoc.cpp, griddatabase.cpp) ----
  TStringList* GetXLSSheets(const AnsiString& file);
  void LoadXLS(const AnsiString& file, const AnsiString& sheet);
  void LoadFromXLS(const AnsiString& file);
  void LoadFromXLSSheet(const AnsiString& file, const AnsiString& sheet);
  void SaveXLS(const AnsiString& file, const AnsiString& sheet, bool newWorkbook);
  void SaveToXLS(const AnsiString& file, bool newBook);
  void SaveToXLSSheet(const AnsiString& file, const AnsiString& sheet);
  void SaveToDOCInt(const AnsiString& file, const AnsiString& bookmark, bool newDocument, bool append);
  void SaveToDOC(const AnsiString& file, bool newDoc);
  void AppendToDoc(const AnsiString& file, const AnsiString& bookmark);
  void LoadFromMDBSQL(const AnsiString& databaseFile, const AnsiString& sql);
  void LoadFromMDBTable(const AnsiString& databaseFile, const AnsiString& table);
  bool ClicksOnMouseUp() const override { return false; }
  void CreateToolTip() { hover_.CreateToolTip(); }
  void DestroyToolTip() { hover_.DestroyToolTip(); }
  void AddToolTip(int iconType, const AnsiString& text, const AnsiString& title);
  // ---- Footer and search panels (footerpanel.h, searchpanel.h) ----
  TFooterPanel* FooterPanel() const { return footerPanel_; }
  TSearchPanel* SearchPanel() const { return searchPanel_; }
  // SearchFooter's change handler: copies the settings onto the search panel.
  void SearchChanged(TObject* sender);
  void SearchEditChange(TObject* sender);  // the search panel's handlers
  void SearchForward(TObject* sender);
  void SearchBackward(TObject* sender);
  void SearchExit(TObject* sender);
  void SearchHighLight(TObject* sender);
  void FloatFooterUpdate() override;
  std::function<void(TObject* Sender, int AColumn, TCanvas* Canvas, const TRect& ARect)> OnFooterPaint;
  // ---- Events ----
  TClickCellEvent OnClickCell;
  TClickCellEvent OnRightClickCell;
  TClickCellEvent OnDblClickCell;
  TColumnEvent OnEndColumnSize;
  TColumnEvent OnClickSort;
  TColumnSizeEvent OnUpdateColumnSize;
  TColumnAllowEvent OnCanSort;
  TRowColFlagEvent OnCanClickCell;
  TAnchorClickEvent OnAnchorClick;
  TControlClickEvent OnControlClick;
  TCheckBoxClickEvent OnCheckBoxClick;
  TCheckBoxClickEvent OnCheckBoxMouseUp;
  TRadioIndexEvent OnRadioMouseUp;
  TCellButtonEvent OnButtonClick;
  TNodeAllowEvent OnBeforeExpandNode;
  TNodeAllowEvent OnBeforeContractNode;
  TNodeEvent OnExpandNode;
  TNodeEvent OnContractNode;
  TSelectionResizeEvent OnSelectionResize;
  TSelectionResizeEvent OnSelectionResized;
  TGridColorEvent OnGetCellColor;
  TGridColorEvent OnGetCellPrintColor;
  TGridBorderEvent OnGetCellBorder;
  TGridBorderEvent OnGetCellPrintBorder;
  TPrintStartEvent OnPrintStart;
  TFitToPageEvent OnFitToPage;
  TPrintColumnWidthEvent OnPrintSetColumnWidth;
  TPrintRowHeightEvent OnPrintSetRowHeight;
  TPrintPageEvent OnPrintPage;
  TPrintPageDoneEvent OnPrintPageDone;
  TPrintNewPageEvent OnPrintNewPage;
  TPrintCancelEvent OnPrintCancel;
  TScrollHintEvent OnScrollHint;
  TDragScrollEvent OnDragScroll;
  TGridBorderPropEvent OnGetCellBorderProp;
  TCustomCellSizeEvent OnCustomCellSize;
  TGridAlignEvent OnGetAlignment;
  // A row's height was changed by sizing it or by the rich-text editor's growth.
  TAutoRowEvent OnEndRowSize;
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
  TClipboardEvent OnClipboardCopy;
  TClipboardEvent OnClipboardCut;
  TClipboardEvent OnClipboardPaste;
  std::function<void(TObject* Sender, int ARow, bool& CanDelete)> OnCanDeleteRow;
  TClickCellEvent OnComboCloseUp;
  std::function<void(TObject* Sender, int ACol, int ARow, const AnsiString& Value)> OnSetEditText;
  TClipboardCellEvent OnClipboardBeforePasteCell;
  TEditChangeEvent OnEditChange;
  TAnchorHoverEvent OnAnchorEnter;
  TAnchorHoverEvent OnAnchorExit;
  TAnchorHintEvent OnAnchorHint;
  TColumnAllowEvent OnColumnMove;
  TColumnAllowEvent OnRowMove;
  TOleDragDropEvent OnOleDrag;
  TOleDragStartEvent OnOleDragStart;
  TOleDragStopEvent OnOleDragStop;
  TOleDragDropEvent OnOleDrop;
  TOleDragOverEvent OnOleDragOver;
  TOleDropColEvent OnOleDropCol;
  TOleDropFileEvent OnOleDropFile;
  TOleDroppedEvent OnOleDropped;

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

  // ---- Row and column model: hidden rows and columns, index mapping ----
  // Display rows count only the shown rows; real rows count every row as if
  // none were hidden. Display columns count the shown columns; a column's
  // cells stay at its real index (below TotalColCount) while it is hidden.
  int RemapRow(int realRow) const;
  int DisplRowIndex(int realRow) const { return RemapRow(realRow); }
  int RemapRowInv(int displayRow) const;
  int RealRowIndex(int displayRow) const { return RemapRowInv(displayRow); }
  int RemapCol(int displayCol) const;
  int RealColIndex(int displayCol) const { return RemapCol(displayCol); }
  int RemapColInv(int realCol) const;
  int DisplColIndex(int realCol) override { return RemapColInv(realCol); }
  int GetRealCol() const { return RemapCol(Col()); }
  int GetRealRow() const { return RemapRowInv(Row()); }
  void HideRow(int realRow) { HideRows(realRow, realRow); }
  void HideRows(int fromReal, int toReal);
  // Hides the listed real rows (ascending) in one pass.
  void HideRowList(const TIntList& realRows);
  void HideRowsEx(int fromReal, int toReal);
  void UnHideRow(int realRow);
  void UnHideRows(int fromReal, int toReal);
  void UnHideRowsAll();
  // Shows every hidden row again in one pass.
  void UnHideRowList();
  bool IsHiddenRow(int realRow) const { return hiddenRows_.Contains(realRow); }
  int NumHiddenRows() const { return hiddenRows_.Count(); }
  int TotalRowCount() const { return RowCount() + hiddenRows_.Count(); }
  // The kept texts and objects of a hidden row; null for a shown row.
  TStringList* HiddenRow(int realRow) const;
  void HideColumn(int realCol) { HideColumns(realCol, realCol); }
  void HideColumns(int fromReal, int toReal);
  void UnHideColumn(int realCol) { UnHideColumns(realCol, realCol); }
  void UnHideColumns(int fromReal, int toReal);
  void UnHideColumnsAll() { UnHideColumns(0, ColCount() + hiddenColCount_); }
  bool IsHiddenColumn(int realCol) const { return realCol >= 0 && realCol < kHideableCols && !columnVisible_[realCol]; }
  int NumHiddenColumns() const { return hiddenColCount_; }
  int TotalColCount() const { return ColCount() + hiddenColCount_; }
  bool GetVisibleCol(int realCol) const { return !IsHiddenColumn(realCol); }
  void SetVisibleCol(int realCol, bool visible);
  // Sets the current row and reports a new one to OnRowUpdate.
  void SetRowEx(int row);
  void ScrollInView(int col, int row);
  // Shows no selection until UnHideSelection brings the saved one back.
  void HideSelection();
  void UnHideSelection();
  bool SelectionHidden() const { return selectionHidden_; }
  // Records the column order first when none is recorded.
  void MoveColumn(int from, int to);
  void MoveRow(int from, int to) { TCustomGrid::MoveRow(from, to); }
  // The range of cells the exporters, imports and whole-grid clipboard
  // operations cover: with ExportFixedCells the fixed rows and columns are
  // included. SaveIncludesFixed is the same flag under the row model's name.
  bool ExportFixedCells = true;
  bool& SaveIncludesFixed = ExportFixedCells;
  // The text and ASCII exports add the hidden columns.
  bool ExportHiddenColumns = false;
  int GetSaveStartCol() const;
  int GetSaveStartRow() const;
  int GetSaveEndCol() const;
  int GetSaveEndRow() const;
  int GetSaveColCount() const;
  int GetSaveRowCount() const;
  // Records the current column order; ResetColumnOrder moves the columns
  // back to it.
  void SetColumnOrder();
  void ResetColumnOrder();
  TIntList* ColumnOrder() { return &columnOrder_; }
  WideString GetWideCells(int col, int row);
  void SetWideCells(int col, int row, const WideString& value);
  TRowUpdateEvent OnRowUpdate;

  // ---- Row and column model: sorting ----
  // 1 when row1 sorts after row2 in the column, 0 equal, -1 before
  // (ascending; the direction only places blank cells).
  int Compare(int col, int row1, int row2, TSortDirection direction);
  // Compare with SortSettings.Direction, broken on the following columns
  // under SortSettings.Full.
  int CompareLine(int col, int row1, int row2);
  // Compare by entry index of the sort index list and the entries behind it.
  int CompareLineIndexed(int index, int row1, int row2);
  bool SortLine(int col, int row1, int row2);
  // Exchange sort of the normal rows by one column.
  void SortByColumn(int col);
  void QuickSort(int col, int left, int right);
  void QuickSortIndexed(int left, int right);
  virtual void SortSwapRows(int row1, int row2);
  virtual void ClearRect(int col1, int row1, int col2, int row2);
  virtual void QSort();
  virtual void QSortIndexed();
  virtual void QUnSort();
  void InitSortXRef();
  TIntList* SortXRef() { return &sortXRef_; }
  TSortIndexList* SortIndexes() { return &sortIndexes_; }
  // Set while a sort clears its scratch cells, which only borrow objects.
  bool SortScratchClear = false;
  TCustomCompareEvent OnCustomCompare;
  TRawCompareEvent OnRawCompare;

  // ---- Row and column model: nodes ----
  // Rows are real unless named display. A node's span counts its own row;
  // a span below 1 reaches to the next node.
  void AddNode(int row, int span);
  void AddSummary(int row);
  void RemoveNode(int row);
  void RemoveAllNodes();
  bool IsNode(int displayRow);
  bool IsSummary(int displayRow);
  // True for a contracted node.
  bool GetNodeState(int displayRow);
  void SetNodeState(int displayRow, bool contracted);
  int GetNodeLevel(int displayRow);
  int GetNodeSpan(int displayRow);
  void SetNodeSpan(int displayRow, int span);
  void UpdateNodeSpan(int displayRow, int delta);
  void ExpandNode(int row);
  void ContractNode(int row);
  void ExpandAll();
  void ContractAll();
  int GetParentRow(int displayRow);
  bool InNodeRect(int displayRow, int x);
  int GetNodeSpanType(int displayRow);
  void InsertNormalRow(int row);
  void RemoveNormalRow(int row);
  void InsertChildRow(int row, int offset);
  void RemoveChildRow(int row);
  int NodeCount() const { return nodeCount_; }
  bool HasNodes() override { return nodeCount_ > 0; }
  int NodeIndent(int row) override;
  virtual void QSortGroup();
  virtual void QSortGroupIndexed();

  // ---- Row and column model: grouping ----
  // -1 ungroups, a column above 0 groups by it; other values do nothing.
  void SetGroupColumn(int col);
  int GroupColumn() const { return groupColumn_; }
  virtual void Group(int col);
  virtual void UnGroup();
  // A second level inside the groups: runs of equal values of col get a
  // header row (the value in col + 1) that is a node with group value col;
  // the values leave col. The main group's memory is left alone.
  virtual void SubGroup(int col);
  virtual void SubUnGroup(int col);
  void GroupSum(int col) { GroupCalc(col, 1); }
  void GroupAvg(int col) { GroupCalc(col, 2); }
  void GroupMin(int col) { GroupCalc(col, 3); }
  void GroupMax(int col) { GroupCalc(col, 4); }
  void GroupCount(int col) { GroupCalc(col, 5); }
  // Writes a per-group figure of a column (1 sum, 2 average, 3 minimum,
  // 4 maximum, 5 data rows) into each header or summary row.
  void GroupCalc(int col, int kind);

  // ---- Row and column model: search and find ----
  // The first normal row whose sort column (column 1 unless the sort is
  // shown) starts with text, compared upper-cased; -1 when none.
  int Search(const AnsiString& text);
  // Whether a cell matches the text and parameters of the last find.
  bool MatchCell(int col, int row, bool wide);
  // The next matching cell after start ((-1, -1): from the first cell, or
  // the last with fnBackward); (-1, -1) when none. A search text of two
  // double quotes finds empty cells.
  TPoint Find(TPoint start, const AnsiString& text, TFindParameters params);
  TPoint FindWide(TPoint start, const WideString& text, TFindParameters params);
  TPoint FindFirst(const AnsiString& text, TFindParameters params);
  TPoint FindNext();
  int FindPresetCol = 0;
  int FindPresetRow = 0;

  // ---- Row and column model: row and column operations ----
  virtual void InsertRows(int row, int count);
  virtual void RemoveRows(int row, int count);
  virtual void RemoveRowsEx(int row, int count);
  virtual void RemoveRowsInternal(int row, int count);
  void IRemoveRows(int row, int count, bool renumber);
  void AddRow();
  void RemoveDuplicates(int col, bool caseSensitive);
  void RemoveSelectedRows();
  void RemoveUnSelectedRows();
  void HideSelectedRows();
  void HideUnSelectedRows();
  void AddColumn() { InsertCols(ColCount(), 1); }
  virtual void InsertCols(int col, int count);
  virtual void RemoveCols(int col, int count);
  void MergeCols(int col1, int col2, const AnsiString& separator);
  void ClearRows(int row, int count);
  void ClearCols(int col, int count);
  void ClearNormalCols(int col, int count);
  void ClearNormalRows(int row, int count);
  void ClearNormalCells();
  void ClearSelection();
  void Clear();
  void MergeColumnCells(int col, bool mainMerge);
  void MergeRowCells(int row, bool mainMerge);
  void SplitColumnCells(int col);
  void SplitRowCells(int row);
  void SplitAllCells();
  bool IsWideCell(int col, int row) const;
  bool IsCell(const AnsiString& text, int& col, int& row) const;

  // ---- Row and column model: filtering ----
  virtual bool MatchFilter(int row);
  void FilterRow(int row);
  void ApplyFilter();
  void SetFilterActive(bool value);
  bool FilterActive() const { return Props().FilterActive; }
  TGridProgressEvent OnFilterProgress;
  // Progress of file saves and loads, in percent.
  TGridProgressEvent OnFileProgress;

  // ---- Row and column model: calculations, numbering, sizes and swaps ----
  // GetFloats by real row, hidden rows included.
  double GetAllFloats(int col, int realRow);
  double ColumnSum(int col, int fromRow, int toRow);
  double ColumnAvg(int col, int fromRow, int toRow);
  double ColumnMin(int col, int fromRow, int toRow);
  double ColumnMax(int col, int fromRow, int toRow);
  double RowSum(int row, int fromCol, int toCol);
  double RowAvg(int row, int fromCol, int toCol);
  double RowMin(int row, int fromCol, int toCol);
  double RowMax(int row, int fromCol, int toCol);
  AnsiString SelectedText();
  void AutoNumberCol(int col);
  void AutoNumberRow(int row);
  // Row height for that many lines of the row's first body cell's font.
  void SizeToLines(int row, int lines, int extra);
  void SwapColumns(int col1, int col2);
  void SwapRows(int row1, int row2);
  int MaxLinesInGrid();
  int MaxLinesInRow(int row);
  int MaxCharsInCol(int col);
  // The limits automatic sizes keep once the grid has loaded (0: none).
  int MinColWidth = 0;
  int MinRowHeight = 0;
  // ---- Row and column model: automatic sizing and the per-cell selection ----
  // Fits a column to its widest cell, fixed rows included; growOnly never
  // narrows it.
  void SizeToWidth(int col, bool growOnly);
  // Fits a row to its tallest cell; keeps the in-place editor showing when
  // the new height scrolls rows out of view while typing.
  void SizeToHeight(int row, bool growOnly);
  void AutoSizeCol(int col) { SizeToWidth(col, false); }
  void AutoSizeRow(int row) { SizeToHeight(row, false); }
  void AutoSizeColumns(bool doFixedCols, int extra);
  void AutoSizeRows(bool doFixedRows, int extra);
  // Columns take their widest cell's width, rows only grow.
  void AutoSizeCells(bool doFixed, int extraX, int extraY);
  // Switched on, sizes the body columns with 10 pixels to spare.
  void SetAutoSizeP(bool on);
  // False in the fixed rows and columns; the row's flag under disjunct row
  // selection, else the selection rectangle.
  bool IsSelected(int col, int row) const;
  // Lets a descendant change the width a column is about to be sized to.
  virtual void UpdateAutoColSize(int col, int& width);
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
  // ---- Typed cell access: real and unsorted indexes ----
  // Cells by real column and real row, hidden rows included: a hidden row
  // answers from the texts and objects it keeps.
  AnsiString GetCellsEx(int col, int realRow);
  void SetCellsEx(int col, int realRow, const AnsiString& value);
  WideString GetWideCellsEx(int col, int realRow);
  void SetWideCellsEx(int col, int realRow, const WideString& value);
  TObject* GetObjectsEx(int col, int realRow);
  void SetObjectsEx(int col, int realRow, TObject* object);
  void SetAllFloats(int col, int realRow, double value);
  // Width of a real column, the remembered one while it is hidden.
  int GetAllColWidths(int col) const;
  void SetAllColWidths(int col, int width);
  int GetAllColCount() const { return TotalColCount(); }
  int GetAllRowCount() const { return TotalRowCount(); }
  // The row that display row `row` was before the last sort, as a real row.
  int SortedRowIndex(int row);
  // The display row now holding the row that stood at `row` before the last
  // sort: `row` itself while nothing was sorted, the cross-reference's
  // length for a row it does not hold.
  int UnSortedRowIndex(int row);
  // The cell by its row before the last sort.
  AnsiString GetUnSortedCell(int col, int row);
  void SetUnSortedCell(int col, int row, const AnsiString& value);

  // ---- Cell graphics (the rest in duruzav_cellgraphics.h) ----
  TImageList* GridImages() const { return gridImages_; }
  void SetImages(TImageList* images);
  // ---- Disjunct row selection and the range selection ----
  // Flags of rows selected one by one, kept by display row, or by real row
  // under RowSelectPersistent; EDurUzavError "Invalid row accessed" outside
  // 0..RowCount+NumHiddenRows-1. Without DisjunctRowSelect, GetRowSelect and
  // GetRowSelectCount answer for the rows of the selection rectangle.
  bool GetRowSelect(int row) const;
  void SetRowSelect(int row, bool select);
  int GetRowSelectCount() const;
  void ClearRowSelect();
  // The display rows' flags with DisjunctRowSelect, else the selection
  // rectangle; rows beyond the grid are skipped.
  void SelectRows(int row, int count);
  // The rows of the selection rectangle into the flags; replace clears the
  // flags of the other normal rows.
  void SelectToRowSelect(bool replace);
  // Makes (toCol, toRow) current, then selects fromCol..toCol, fromRow..toRow.
  void SelectRange(int fromCol, int toCol, int fromRow, int toRow);
  // The cells of the selection rectangle merged into the selected cells
  // (which hold only them without DisjunctCellSelect), column by column; a
  // one-cell rectangle adds nothing. Answers the list's length.
  int GetSelectedCellsCount();
  // EListError outside 0..GetSelectedCellsCount()-1.
  TGridCoord GetSelectedCell(int index) const;
  void ClearSelectedCells();
  void RepaintCol(int col);
  // The cells from (Left, Top) to (Right, Bottom) as far as they are in view.
  void InvalidateGridRect(const TGridRect& r);
  // Single cells selected one by one under DisjunctCellSelect; without it
  // the range selection answers.
  bool GetSelectedCells(int col, int row) const;
  void SetSelectedCells(int col, int row, bool selected);
  void QueryAddRow(bool& canAdd);
  void QueryInsertRow(int row, bool& canInsert);
  std::function<void(TObject* Sender, bool& CanAdd)> OnCanAddRow;
  std::function<void(TObject* Sender, int ARow, bool& CanInsert)> OnCanInsertRow;


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
  // ---- Cell access: edit path, rich text, cell controls, print columns, version ----
  // Writes the current cell (its base cell in a merged area) as the
  // in-place editor would.
  virtual void SetEditCell(const AnsiString& value);
  // Rich text between a cell and a rich edit; an empty cell clears the edit.
  void CellToRich(int col, int row, TRichEdit* richEdit);
  void RichToCell(int col, int row, TRichEdit* richEdit);
  AnsiString RichToString(TRichEdit* richEdit);
  // The cells that hold a control.
  int CellControlCount() const { return cellControlCount_; }
  TControlList* CellControls() { return &cellControls_; }
  // The widths and offsets printing found for columns 0..511;
  // EDurUzavError "Columns is not in valid range" outside.
  int GetPrintColWidth(int col) const;
  int GetPrintColOffset(int col) const;
  // Major, minor, release and build, one byte each from the highest down.
  virtual int GetVersionNr();
  AnsiString GetVersion();
  // The version is the grid's own: what is written is ignored.
  void SetVersion(const AnsiString&) {}
  // Asked before a column is sized from the header (row) or a row from
  // the fixed column; Allow false refuses.
  std::function<void(TObject* Sender, int ACol, bool& Allow)> OnColumnSize;
  std::function<void(TObject* Sender, int ARow, bool& Allow)> OnRowSize;
  // The mark of wheel-click panning at the point where it started, by
  // IntelliPan; erasing repaints what it covered.
  void DrawIntelliFocusPoint();
  void EraseIntelliFocusPoint();
  // Copies a list; null leaves the lookup items as they are.
  void SetLookupItems(const TStringList* list);
  void SetFixedFont(const TFont& font);
  // The rich-text editor's selection change, passed on.
  void RichSelChange(TObject* sender);
  TNotifyEvent OnRichEditSelectionChange;
  // The cursor, remembered as the grid's own.
  TCursor GetCursorEx() const { return Cursor(); }
  void SetCursorEx(TCursor cursor);
  // The sort glyph of real column col centred near (x, y): the direction
  // of the sort, or the column's key number among the sort indexes.
  void DrawSortIndicator(TCanvas* canvas, int col, int x, int y);

  // ---- Update locking and change notifications ----
  // Nothing is painted while the update counter is above 0; the last
  // EndUpdate repaints the whole grid once. BeginUpdate counts only while
  // the grid is visible, StartUpdate always.
  void BeginUpdate();
  void EndUpdate();
  void StartUpdate() { ++updateCount_; }
  // The counter back to 0 without a repaint.
  void ResetUpdate();
  bool GetLockFlag() const { return updateCount_ != 0; }
  void SetLockFlag(bool locked) { locked ? BeginUpdate() : EndUpdate(); }
  // Columns in Left/Right, rows in Top/Bottom: fires OnCellsChanged, tells
  // the registered notifiers in their order and recalculates the footer.
  virtual void CellsChanged(const TRect& r);
  virtual void CellsLoaded();
  virtual void UpdateCell(int col, int row);
  void RegisterNotifier(TGridChangeNotifier* notifier);
  void UnRegisterNotifier(TGridChangeNotifier* notifier);
  TCellsChangedEvent OnCellsChanged;
  // ---- Footer row calculation ----
  TFloatingFooter* FloatingFooter() { return &floatingFooter_; }
  // Recalculates the footer cells of a real column, of every column for -1.
  virtual void CalcFooter(int col) { DoCalcFooter(col); }
  virtual void DoCalcFooter(int col);
  // ---- Controls placed in cells ----
  // The control placed in cell (col, row), col as stored; null for none.
  TControl* GetCellControls(int col, int row) const;
  // Places the control in the cell (parented to the grid, sized to the
  // cell); null takes the cell's control out of the grid's list (the
  // control itself stays the caller's).
  void SetCellControls(int col, int row, TControl* control);
  // Puts every control on its cell and hides those of hidden cells and of
  // cells out of view.
  void CellControlsUpdate();
  // ---- Disjunct column selection ----
  // Flags of columns selected one by one; EDurUzavError "Invalid column
  // accessed" outside 0..ColCount-1.
  bool GetColSelect(int col) const;
  void SetColSelect(int col, bool select);
  int GetColSelectCount() const;
  void ClearColSelect();
  // The columns' flags with DisjunctColSelect, else the selection rectangle;
  // columns beyond the grid are skipped.
  void SelectCols(int col, int count);
  // The columns of the selection rectangle into the flags; replace clears
  // the flags of the other normal columns.
  void SelectToColSelect(bool replace);
  // ---- Painting frame: background, border, themes and the hooks beside painting ----
  // The area right of the last column and below the last row: the grid
  // colour, the BackGround gradient or the BackGround bitmap.
  void PaintBackground();
  // The bitmap at (BackGround.Left, BackGround.Top), as far as it lies in r.
  void DrawWallPaperFixed(const TRect& r);
  // The bitmap repeated over r from (r.Left - 1, r.Top - 1).
  void DrawWallPaperTile(const TRect& r);
  // The thin border of the flat looks over the control's edges.
  void NCPaintProc();
  // A rich-text cell drawn into r, in the selection's text colour while
  // selected (unless SelectionRTFKeep).
  void RTFPaint(int col, int row, TCanvas* canvas, const TRect& r);
  TXPColorScheme CurrentXPColorScheme();
  // Stores the scheme's colours without repainting.
  void SetTheme(TXPColorScheme scheme);
  void ThemeAdapt() { SetTheme(CurrentXPColorScheme()); }
  // Switched on, adapts the colours to the theme now (and when loaded).
  void SetAutoThemeAdapt(bool on);
  // The balloon for the cell under the client point, as the tool tip asks
  // for it; nullopt while Balloon.Enable is off. The cell becomes the
  // balloon cell.
  std::optional<TBalloonTip> BalloonTipAt(TPoint p);
  TPoint BalloonCell() const { return balloonCell_; }
  virtual void ExportNotification(TGridExportState, int) {}
  virtual void ImportNotification(TGridImportState, int) {}
  virtual void EditProgress(const AnsiString&, const TPoint&, int) {}
  virtual void SelectionChanged(int left, int top, int right, int bottom);
  // The automatic insertion and removal of one row, nodes respected.
  virtual void DoInsertRow(int row);
  virtual void DoDeleteRow(int row);
  TNotifyEvent OnAfterPaint;
  TSelectionChangedEvent OnSelectionChanged;
  TAutoRowEvent OnAutoInsertRow;
  TAutoRowEvent OnAutoDeleteRow;
  TCellBalloonEvent OnCellBalloon;
  // ---- Modified rows ----
  // Marks kept by row number; they stay at their numbers when rows move.
  bool GetRowModified(int row) const;
  void SetRowModified(int row, bool modified);
  void ClearModifiedRows();

 protected:
  void Loaded() override;
  void Resize() override;
  // With ScrollBarAlways a fitting direction keeps its bar, disabled.
  void ScrollBarPolicy(bool vertical, bool fits, bool& show, bool& enable) const override;
  void DrawGridCell(TCanvas* canvas, int col, int row, TRect& rect, TGridDrawState state) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  AnsiString GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const AnsiString& value) override;
  // The text editor with the grid's filters and lookup (zurinplaceedit.h).
  TInplaceEdit* CreateEditor() override;
  // ---- Row and column model: moving a column ----
  // A moved column's cells, saved cells of hidden rows, visibility flag and
  // saved width go by real index, so that hidden columns keep their place.
  void ColumnMovedData(int from, int to) override;
  // ---- Update locking: the window procedure ----
  void WndProc(TMessage& message) override;
  void WMPaint(TMessage& message);
  // ---- Painting frame ----
  void Paint() override;
  // The flat border after the platform's non-client painting, unless
  // updates are locked.
  void WMNCPaint(TMessage& message);
  void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs) override;
  // Where wheel-click panning started, in client pixels.
  TPoint wheelClickPoint_{0, 0};

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
  TCsvSettings csv_;

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

  // ---- Row and column model ----
  static constexpr int kHideableCols = 512;
  // Moves rows first.. into the order a sort found: row first+i takes the
  // row order[i], and the cross-reference list and tracked row follow.
  void ApplyRowOrder(int first, const std::vector<int>& order);
  // Runs a whole-grid sort with the current row handling around it.
  void SortWholeGrid(const std::function<void()>& sort, bool reportRow);
  // After rows left: the current row back where it was, or on the last
  // normal row when it is gone, or no selection when no normal row is left.
  void RestoreCurrentRow(int row, int topRow);
  int LastNormalRow() const { return RowCount() - 1 - Props().FixedFooters; }
  // Takes the listed display rows (ascending) out in one pass, freeing
  // their cell properties and renumbering the hidden rows behind them.
  void RemoveRowSet(const std::vector<int>& rows);
  // The normal display rows inside (outside) the selection.
  std::vector<int> SelectedRows(bool selected) const;
  // A cell's text as GetFloats reads it, wherever the text comes from.
  static double FloatOfCellText(const AnsiString& cell);
  double ColumnCalc(int col, int fromRow, int toRow, TRangeCalc how);
  double RowCalc(int row, int fromCol, int toCol, TRangeCalc how);
  THiddenRows hiddenRows_;
  std::array<int, kColumnFlags> hiddenColWidths_{};
  TGridRect savedSelection_{};
  bool selectionHidden_ = false;
  int rowUpdateMemory_ = -1;
  TIntList columnOrder_{0, 0};
  TIntList sortXRef_{0, 0};
  TSortIndexList sortIndexes_;
  int trackedRow_ = -1;
  int nodeCount_ = 0;
  // The last find: its parameters, texts and hit.
  TFindParameters findParams_ = 0;
  AnsiString findText_;
  WideString findWideText_;
  TPoint lastHit_{-1, -1};
  TPoint FindInternal(TPoint start, bool wide);
  // The group column and what it held while it is out of the grid.
  int groupColumn_ = -1;
  int groupColumnWidth_ = 0;
  AnsiString groupHeaderText_, groupFooterText_;
  int subGroupColumn_ = -1;
  void StyleGroupRow(int row, bool header, int textCol = 1);
  // The node graphic of a display row, null for other rows.
  TCellGraphic* NodeGraphic(int displayRow);
  // The display row behind a node's span while its rows are shown.
  int NodeEnd(int displayRow);
  // The real rows a node covers, its own included.
  int NodeRealSpan(int displayRow);
  void AddNodeLevel(int realRow, int count, int delta);
  void InsertRowBeforeShown(int displayRow);
  void QSortGroupInt(bool indexed);
  int filterFixedRows_ = 0;

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
  // ---- Typed access and cell graphics ----
  // The shared graphic column 0 shows while HotmailRowSelect is on.
  TCellGraphic rowCheckGraphic_;
  TImageList* gridImages_ = nullptr;
  // Check boxes and radio buttons drawn as frame controls rather than bitmaps.
  bool FlatControls() const { return controlLook_.ControlStyle() == csClassic || controlLook_.ControlStyle() == csFlat; }
  int zoomLevel_ = 0;
  // ---- Cell access ----
  static constexpr int kPrintColumns = 512;
  void CheckPrintColumn(int col) const;
  std::array<int, kPrintColumns> printColWidths_{};
  std::array<int, kPrintColumns> printColOffsets_{};
  // ---- Selection look ----
  TIntList selectedCells_{0, 0};
  // Set while the left button, pressed in a cell without Ctrl, drags a range.
  bool mouseRangeSelecting_ = false;
  int SelectedCellIndex(int col, int row) const;
  void SelectionLook(TBrush* brush, TColor& colorTo, TFont* font) const;
  // The row the disjunct row selection keeps a display row's mark under.
  int DisjunctRow(int row) const { return mouseActions_.RowSelectPersistent ? RemapRowInv(row) : row; }

  // The selection colours over what the cell would show otherwise.
  void ApplySelectionLook(int col, int row, bool fixed, bool print, bool select, TGridDrawState& state, TBrush* brush,
                          TColor& colorTo, TFont* font);

  // ---- Cell drawing ----
  // What one DrawGridCell call shares with its sub-painters, and the
  // sub-painters (duruzav_cellpainter.h).
  struct CellPaint;
  friend class TGridCellPainter;
  friend class TGridCellGraphics;
  std::unique_ptr<TGridCellPainter> painter_;
  void DrawInvertedLine(int x1, int y1, int x2, int y2);
  // Mark-up cell texts, through the mark-up renderer.
  TSize DrawMarkupText(TCanvas* canvas, const AnsiString& text, TRect r, bool draw);
  AnsiString StripCellMarkup(const AnsiString& text) const;
  TBitmap rowIndicator_;
  // Drawing flags of text without word wrap; Multilinecells clears the
  // single-line flag for this grid only.
  unsigned singleLineFlag_ = DT_SINGLELINE;
  // Creates the cell's properties and repaints it after a setter.
  TCellProperties* PropsForChange(int col, int row);
  void ResetRowLook(int row);
  // The base cell's graphic kind, ctEmpty without one.
  TCellType BaseCellType(int col, int row);
  // The graphic of the real column of col, or null.
  TCellGraphic* RealColumnGraphic(int col, int row);
  // ---- Update locking and change notifications ----
  int updateCount_ = 0;
  std::vector<TGridChangeNotifier*> notifiers_;
  TFloatingFooter floatingFooter_{this};
  TControlList cellControls_;
  int cellControlCount_ = 0;
  std::vector<char> colSelect_;
  void CheckColSelectIndex(int col) const;
  std::vector<char> rowSelect_;
  void CheckRowSelectIndex(int row) const;
  // Repaints the display row a row flag's index stands for.
  void RepaintSelectRow(int index);
  // Appends the cell to the selected cells unless it is there; true when appended.
  bool AddSelectedCell(int col, int row);
  void RepaintSelectedCells();
  // The cells of the selection rectangle except `except` into the selected cells.
  void MergeSelectionIntoCells(TGridCoord except);
  // A release of the left button on a cell under DisjunctCellSelect: false
  // when OnSelectCell refused the cell.
  bool DisjunctCellClick(TShiftState shift, TGridCoord hit);
  // Before display rows (ascending) are removed: their controls leave the
  // list, those behind them move up with their rows.
  void CellControlsRowsRemoved(const std::vector<int>& displayRows);
  // Before rows are inserted at a display row: the controls behind move down.
  void CellControlsRowsInserted(int displayRow, int count);
  void WriteFooterExtreme(int col, const std::function<double()>& calc);
  // ColumnCalc with the choice of display or real rows made.
  double ColumnCalcIn(int col, int fromRow, int toRow, TRangeCalc how, bool allRows);
  // ---- Painting frame ----
  // Set when visual styles were active at construction.
  bool themedLook_ = ThemesActive();
  static bool ThemesActive();
  TPoint balloonCell_{-1, -1};
  // The bitmap repeated over r from (r.Left - 1, r.Top - 1), the first
  // tiles starting at phase inside the bitmap.
  void TileBitmap(const TRect& r, TPoint phase);
  // ---- Row and column model: columns inserted and removed ----
  // The per-column tables and the saved cells of hidden rows open (close)
  // count entries at real column col.
  void ColumnTablesInserted(int col, int count);
  void ColumnTablesRemoved(int col, int count);
  // ---- Binary cell stream and clipboard ----
  TGridTransferState transferState_;
  // ---- Modified rows ----
  TIntList modifiedRows_{0, 0};
  friend class TGridMouse;
  TGridMouseState mouse_;
  // ---- Keyboard, wheel, panning and the grid timer ----
  friend class TGridKeyboard;
  friend class TGridInput;
  TGridInputState input_;
  // ---- Mouse move and hover ----
  friend class TGridHover;
  TGridHover hover_{*this};
  std::unique_ptr<TGridScroller> scroller_ = std::make_unique<TGridScroller>(*this);
  TIntList mergedColumns_{0, 0};
  friend class TGridPrint;
  std::shared_ptr<TGridPrint> print_;  // made when first asked for
  friend class TGridDragDrop;
  friend class TGridDropTarget;
  std::unique_ptr<TGridDragDrop> oleDragDrop_;
  // The bar at the right edge of a modified row's column 0 cell.
  void DrawModifiedMarker(const CellPaint& paint);
  friend class TFooterPanel;
  TFooterPanel* footerPanel_ = CreateFooterPanel(this);
  TSearchPanel* searchPanel_ = CreateSearchPanel(this);
};
