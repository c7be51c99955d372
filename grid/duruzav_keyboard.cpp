// The grid's keys: what the grid does with a key before the framework's
// navigation moves the current cell (editing permission, check boxes, radio
// groups and buttons on Space, nodes, Home and End by row, skipping fixed
// cells, appending on arrow down) and after it (the clipboard, inserting,
// deleting and selecting rows, select-all), and the key release.
#include <algorithm>

#include "framework/forms.h"
#include "framework/messaging.h"
#include "grid/duruzav.h"
#include "grid/zghtmle.h"
#include "grid/zgutil.h"

namespace {

bool IsKeyIn(unsigned short key, unsigned short first, unsigned short last) { return key >= first && key <= last; }

}  // namespace

// One key press, with what it found at entry.
class TGridKeyboard {
 public:
  // What a step leaves for the rest of the handling.
  enum TOutcome { goOn, stop, frameworkThenStop };

  TGridKeyboard(TVudUvizidIzed& grid, TMessage& message)
      : g_(grid),
        m_(message),
        key_(static_cast<unsigned short>(message.WParam)),
        ctrl_(GetKeyState(VK_CONTROL) < 0),
        shift_(GetKeyState(VK_SHIFT) < 0),
        alt_(GetKeyState(VK_MENU) < 0),
        entrySelection_(grid.Selection()),
        entryLeftCol_(grid.LeftCol()),
        realCol_(grid.RemapCol(grid.Col())) {}

  TOutcome BeforeFramework();
  void AfterFramework();

 private:
  TShiftState Shift() const {
    return (shift_ ? TShiftState{ssShift} : 0u) | (alt_ ? TShiftState{ssAlt} : 0u) | (ctrl_ ? TShiftState{ssCtrl} : 0u);
  }
  bool Has(TGridOptions option) const { return g_.Options() & option; }
  TNavigation& Nav() { return *g_.Navigation(); }
  TMouseActions& Mouse() { return *g_.MouseActions(); }
  bool FloatingFooter() { return g_.FloatingFooter()->Visible(); }
  int Footers() const { return g_.Props().FixedFooters; }
  int LastBodyRow() { return FloatingFooter() && g_.RowCount() > 2 ? g_.RowCount() - 2 : g_.RowCount() - 1 - Footers(); }
  // A grid of one row kept as a fixed header leaves Home and End to the framework.
  bool SingleFixedRow() const { return g_.Props().FixedRowAlways && g_.RowCount() == 1; }

  // The key goes no further: OnKeyDown sees a copy, the message is cleared.
  TOutcome Consume();
  void FireKeyDown();
  void KeepLeftCol(int leftCol);
  TOutcome EditingKeys();
  void StaticEditKeys();
  TOutcome HomeEndKeys();
  void SelectRowsTo(int anchorRow, int row);
  void NodeKeys();
  void SkipFixedCells();
  void AppendOnArrowDown();
  bool ClipboardKeys();
  void InsertRowKey();
  void SelectAll();
  void DisjunctSelectionKeys();
  void DeleteRowKey();
  int DisjunctRow();

  TVudUvizidIzed& g_;
  TMessage& m_;
  const unsigned short key_;
  const bool ctrl_, shift_, alt_;
  const TGridRect entrySelection_;
  const int entryLeftCol_;
  const int realCol_;
};

TGridKeyboard::TOutcome TGridKeyboard::Consume() {
  FireKeyDown();
  m_.WParam = 0;
  m_.Result = 1;
  return stop;
}

void TGridKeyboard::FireKeyDown() {
  unsigned short copy = key_;
  if (g_.OnKeyDown) g_.OnKeyDown(&g_, copy, Shift());
}

// With row selection, KeepHorizScroll keeps the columns scrolled where they were.
void TGridKeyboard::KeepLeftCol(int leftCol) {
  if (!Has(goRowSelect) || !Nav().KeepHorizScroll) return;
  g_.StartUpdate();
  g_.SetLeftCol(leftCol);
  g_.ResetUpdate();
}

TGridKeyboard::TOutcome TGridKeyboard::BeforeFramework() {
  if (TOutcome o = EditingKeys(); o != goOn) return o;
  StaticEditKeys();
  if (TOutcome o = HomeEndKeys(); o != goOn) return o;
  NodeKeys();
  if (key_ == VK_TAB && Has(goTabs)) {
    g_.TabEdit(shift_);
    m_.WParam = 0;
    m_.Result = 1;
    return stop;
  }
  if (Nav().SkipFixedCells) SkipFixedCells();
  AppendOnArrowDown();
  TGridInputState& input = g_.input_;
  if (g_.Selection() != entrySelection_ && g_.Props().SelectionRectangle) {
    g_.InvalidateGridRect(input.paintedSelection);
    input.paintedSelection = g_.Selection();
  }
  return goOn;
}

// F2 and Enter open an editor only on a cell that may be edited.
TGridKeyboard::TOutcome TGridKeyboard::EditingKeys() {
  const int col = g_.Col(), row = g_.Row();
  if (key_ == VK_F2 && Mouse().RangeSelectAndEdit && !Has(goEditing)) {
    if (!g_.IsEditable(col, row)) return Consume();
    g_.SetOptions(g_.Options() | goEditing);
  }
  if (key_ == VK_F2) {
    if (!g_.IsEditable(realCol_, row)) return Consume();
    // A cell with form controls is edited control by control, never as text.
    const AnsiString text = g_.GetCellEx(realCol_, row);
    if (TextType(text, g_.Props().EnableHTML) == ttHTML && UpperCase(text).find("<CONTROL") != AnsiString::npos) {
      m_.Result = 1;
      return stop;
    }
  }
  if (key_ == VK_RETURN && !g_.IsEditable(col, row)) {
    Consume();
    // The form's default button still answers Enter.
    if (TForm* form = g_.ParentForm()) form->DialogKey(VK_RETURN, &g_);
    return stop;
  }
  return goOn;
}

// Space works a cell's check box or radio group; Enter and Space press its
// button. These events carry the real column.
void TGridKeyboard::StaticEditKeys() {
  const int row = g_.Row();
  if ((key_ != VK_RETURN && key_ != VK_SPACE) || !g_.HasStaticEdit(realCol_, row)) return;
  bool canEdit = Has(goEditing) || Mouse().RangeSelectAndEdit;
  g_.GetCellReadOnly(realCol_, row, canEdit);
  const TControlLook& look = *g_.ControlLook();
  if (key_ == VK_SPACE && (canEdit || look.CheckAlwaysActive) && g_.HasCheckBox(realCol_, row) &&
      g_.ToggleCheck(realCol_, row, true)) {
    if (g_.ShowModified()->Enabled) {
      g_.SetRowModified(row, true);
      g_.RepaintCell(0, row);
    }
    bool state = false;
    g_.GetCheckBoxState(realCol_, row, state);
    if (g_.OnCheckBoxClick) g_.OnCheckBoxClick(&g_, realCol_, row, state);
  }
  if (key_ == VK_SPACE && (canEdit || look.RadioAlwaysActive) && g_.IsRadio(realCol_, row) &&
      g_.ToggleRadio(realCol_, row, true)) {
    int index = -1;
    g_.GetRadioIdx(realCol_, row, index);
    // A radio group kept in the cell text has no index of its own.
    if (index < 0)
      if (const TStringList* items = g_.GetRadioStrings(realCol_, row)) index = items->IndexOf(g_.GetCellEx(realCol_, row));
    if (g_.OnRadioClick) g_.OnRadioClick(&g_, realCol_, row, index);
  }
  if (canEdit && g_.HasButton(realCol_, row) && g_.OnButtonClick) g_.OnButtonClick(&g_, realCol_, row);
  g_.RepaintCell(g_.Col(), row);
}

// Selects the rows from anchorRow to row over every column, the current
// cell ending on row.
void TGridKeyboard::SelectRowsTo(int anchorRow, int row) {
  const int lastCol = g_.ColCount() - 1;
  g_.FocusCell(lastCol, anchorRow, true);
  g_.FocusCell(g_.FixedCols(), row, false);
}

TGridKeyboard::TOutcome TGridKeyboard::HomeEndKeys() {
  const THomeEndAction action = Nav().HomeEndKey;
  const bool byRow = action == heFirstLastRow, rowSelect = Has(goRowSelect);
  if ((key_ != VK_HOME && key_ != VK_END) || (!byRow && !rowSelect)) return goOn;
  if (SingleFixedRow()) return frameworkThenStop;
  const int oldRow = g_.Row();
  if (!byRow) {
    // Row selection: Home and End go to the first and last column.
    const int col = key_ == VK_HOME ? g_.FixedColsVis() : g_.ColCount() - 1;
    g_.SetCol(col);
    g_.SelectBaseCell();
    // End shows the last columns, never scrolling into the fixed ones.
    g_.SetLeftCol(key_ == VK_HOME ? col : std::max(g_.FixedCols(), g_.ColCount() - g_.VisibleColCount()));
    FireKeyDown();
    m_.Result = 0;
    return stop;
  }
  const bool home = key_ == VK_HOME;
  const int row = home ? g_.FixedRows() : LastBodyRow();
  // The last rows fill the view, which never scrolls into the fixed rows.
  const int lastTopRow = std::max(g_.FixedRows(), g_.RowCount() - g_.VisibleRowCount());
  g_.SetRow(row);
  if (!home && Footers() > 0 && !FloatingFooter()) g_.SetTopRow(lastTopRow);
  g_.SelectBaseCell();
  if (Mouse().DisjunctRowSelect() && !shift_) {
    g_.ClearRowSelect();
    g_.SelectToRowSelect(false);
  } else if (shift_) {
    SelectRowsTo(oldRow, g_.Row());
    if (Mouse().DisjunctRowSelect()) g_.SelectToRowSelect(false);
  }
  if (!home && FloatingFooter()) g_.SetTopRow(lastTopRow);
  FireKeyDown();
  m_.Result = 0;
  KeepLeftCol(entryLeftCol_);
  return stop;
}

// Right and Left on a node row whose node cell is merged open and close the node.
void TGridKeyboard::NodeKeys() {
  if ((key_ != VK_RIGHT && key_ != VK_LEFT) || !g_.IsNode(g_.Row()) || !g_.IsMergedCell(g_.Col(), g_.Row())) return;
  const int realRow = g_.RealRowIndex(g_.Row());
  if (key_ == VK_RIGHT) g_.ExpandNode(realRow);
  else g_.ContractNode(realRow);
}

// The arrows jump over a run of fixed cells inside the body, and stay put
// when only fixed cells follow.
void TGridKeyboard::SkipFixedCells() {
  const bool horizontal = key_ == VK_LEFT || key_ == VK_RIGHT;
  if (!horizontal && key_ != VK_UP && key_ != VK_DOWN) return;
  if (key_ == VK_DOWN && g_.Row() + 1 >= g_.RowCount()) return;
  int step = key_ == VK_RIGHT || key_ == VK_DOWN ? 1 : -1;
  if (horizontal && g_.UseRightToLeftAlignment()) step = -step;
  const int first = horizontal ? g_.FixedCols() : g_.FixedRows();
  const int end = horizontal ? g_.ColCount() - g_.Props().FixedRightCols : g_.RowCount() - Footers();
  const int col = g_.Col(), row = g_.Row();
  auto fixedAt = [&](int i) { return horizontal ? g_.IsFixed(i, row) : g_.IsFixed(col, i); };
  int i = (horizontal ? col : row) + step;
  if (i < first || i >= end || !fixedAt(i)) return;
  while (i >= first && i < end && fixedAt(i)) i += step;
  if (i >= first && i < end) {
    if (horizontal) g_.SetCol(i);
    else g_.SetRowEx(i);
  }
  FireKeyDown();
  m_.WParam = 0;
}

void TGridKeyboard::AppendOnArrowDown() {
  if (key_ != VK_DOWN || !Nav().AppendOnArrowDown || g_.Row() != LastBodyRow()) return;
  bool canAdd = true;
  g_.QueryAddRow(canAdd);
  if (!canAdd) return;
  const bool floating = FloatingFooter();
  if (!floating) {
    g_.DoAppendRow();
  } else {
    // The new row goes before the footer: the footer's texts move down a row.
    const std::vector<AnsiString> footer = g_.Rows(g_.RowCount() - 1);
    g_.DoAppendRow();
    const int newRow = g_.RowCount() - 2;
    for (int c = 0; c < g_.TotalColCount(); ++c) {
      g_.SetCellsEx(c, g_.RealRowIndex(newRow), "");
      g_.SetObjectsEx(c, g_.RealRowIndex(newRow), nullptr);
    }
    g_.SetRows(g_.RowCount() - 1, footer);
  }
  if (floating || Footers() > 0) {
    g_.SetRowEx(g_.Row() + 1);
    // The current cell is on the new row: the framework must not move again.
    m_.WParam = 0;
  }
  if (floating) g_.CalcFooter(-1);
  // The new row, also where the framework's move onto it is still to come.
  if (g_.OnAutoAddRow) g_.OnAutoAddRow(&g_, floating ? g_.RowCount() - 2 : g_.RowCount() - 1);
}

int TGridKeyboard::DisjunctRow() {
  const int row = g_.Row();
  return Mouse().DisjunctRowSelect() && Mouse().RowSelectPersistent ? g_.RemapRowInv(row) : row;
}

void TGridKeyboard::AfterFramework() {
  const bool vertical = key_ == VK_PRIOR || key_ == VK_NEXT || key_ == VK_UP || key_ == VK_DOWN;
  if (vertical) KeepLeftCol(entryLeftCol_);
  if (Nav().AllowClipboardShortCuts && ClipboardKeys()) return;
  if (key_ == VK_INSERT && !ctrl_ && !shift_ && !alt_ && Nav().AllowInsertRow) InsertRowKey();
  if (key_ == 'A' && ctrl_) return SelectAll();
  DisjunctSelectionKeys();
  if (key_ == VK_DELETE && Nav().AllowDeleteRow && !alt_) DeleteRowKey();
  if (key_ == VK_F2) {
    // An editor F2 opened on a value still waiting for its validation keeps
    // the text that value is checked against.
    const TGridEditState& edit = g_.editState_;
    if (!edit.editPending || edit.validateCol != g_.Col() || edit.validateRow != g_.Row())
      g_.InitValidate(g_.Col(), g_.Row());
    const AnsiString text = g_.GetCellEx(g_.RemapCol(g_.Col()), g_.Row());
    if (HasHTMLControl(text)) g_.AdvanceHTMLEdit(g_.Col(), g_.Row(), "");
  }
  const TGridRect now = g_.Selection();
  if (now != entrySelection_) g_.SelectionChanged(now.Left, now.Top, now.Right, now.Bottom);
}

// Cut, copy and paste by Ctrl+X, Ctrl+C, Ctrl+V and the Insert and Delete
// combinations; each asks its event first. True when the key was one of them.
bool TGridKeyboard::ClipboardKeys() {
  enum { none, cut, copy, paste } what = none;
  if (ctrl_ && key_ == 'X') what = cut;
  else if (ctrl_ && key_ == 'V') what = paste;
  else if (ctrl_ && (key_ == VK_INSERT || key_ == 'C')) what = copy;
  else if (shift_ && key_ == VK_INSERT) what = paste;
  else if (shift_ && key_ == VK_DELETE) what = cut;
  if (what == none) return false;
  bool allow = true;
  const TClipboardEvent& ask = what == cut ? g_.OnClipboardCut : what == copy ? g_.OnClipboardCopy : g_.OnClipboardPaste;
  if (ask) ask(&g_, allow);
  if (!allow) return true;
  if (what == cut) g_.CutSelectionToClipboard();
  else if (what == copy) g_.CopySelectionToClipboard();
  else g_.PasteSelectionFromClipboard();
  return true;
}

void TGridKeyboard::InsertRowKey() {
  const int row = g_.Row();
  bool allow = true;
  g_.QueryInsertRow(row, allow);
  if (!allow) return;
  if (Nav().InsertPosition == pInsertBefore) {
    g_.DoInsertRow(row);
  } else if (g_.Props().FixedRowAlways && g_.RowCount() == g_.FixedRows()) {
    g_.DoInsertRow(row);
    g_.SetRow(1);
  } else if (row < g_.RowCount()) {
    g_.DoInsertRow(row + 1);
    if (row + 1 < g_.RowCount()) g_.SetRow(row + 1);
  } else {
    g_.DoInsertRow(row);
  }
  g_.CalcFooter(-1);
}

// Ctrl+A selects the body of the grid, with row or range selection only.
void TGridKeyboard::SelectAll() {
  if (!Has(goRowSelect) && !Has(goRangeSelect)) return;
  const int lastRow = g_.RowCount() - Footers() - 1;
  const TGridRect all{g_.FixedColsVis(), g_.FixedRows(), g_.ColCount() - g_.Props().FixedRightCols - 1, lastRow};
  if (!Mouse().DisjunctRowSelect()) {
    g_.UpdateOnSelection(all);
  } else {
    for (int r = g_.FixedRows(); r <= lastRow; ++r) g_.SetRowSelect(r, true);
  }
  g_.SetSelection(all);
}

// Moving keys and Space keep the rows (columns) selected one by one.
void TGridKeyboard::DisjunctSelectionKeys() {
  const bool moving = IsKeyIn(key_, VK_PRIOR, VK_DOWN);
  if (Mouse().DisjunctRowSelect()) {
    const int row = DisjunctRow();
    if (moving && !shift_ && !ctrl_) g_.ClearRowSelect();
    if (moving && !shift_) g_.SetRowSelect(row, true);
    if (moving && shift_) g_.SelectToRowSelect(false);
    if (key_ == VK_SPACE) g_.SetRowSelect(row, !g_.GetRowSelect(row));
  }
  if (Mouse().DisjunctColSelect()) {
    const int col = g_.Col();
    if (moving && !shift_ && !ctrl_) g_.ClearColSelect();
    if (moving && !shift_) g_.SetColSelect(col, true);
    if (moving && shift_) g_.SelectToColSelect(false);
    if (key_ == VK_SPACE) g_.SetColSelect(col, !g_.GetColSelect(col));
  }
}

void TGridKeyboard::DeleteRowKey() {
  if (g_.RowCount() - Footers() - g_.FixedRows() < 1) return;
  bool canDelete = true;
  if (g_.OnCanDeleteRow) g_.OnCanDeleteRow(&g_, g_.Row(), canDelete);
  if (!canDelete) return;
  g_.DoDeleteRow(g_.Row());
  if (FloatingFooter() && g_.Row() == g_.RowCount() - 1) g_.SetRow(g_.Row() - 1);
  g_.InitValidate(g_.Col(), g_.Row());
  g_.CalcFooter(-1);
}

// ---- The grid's side ----

void TVudUvizidIzed::WMKeyDown(TMessage& message) {
  TGridKeyboard keys(*this, message);
  const TGridKeyboard::TOutcome outcome = keys.BeforeFramework();
  if (outcome == TGridKeyboard::stop) return;
  TBaseGrid::WndProc(message);
  if (outcome == TGridKeyboard::goOn) keys.AfterFramework();
}

void TVudUvizidIzed::KeyUp(unsigned short& key, TShiftState shift) {
  const unsigned short released = key;
  if (IsKeyIn(released, VK_PRIOR, VK_END) || IsKeyIn(released, VK_LEFT, VK_DOWN) || released == VK_INSERT ||
      released == VK_DELETE)
    editState_.searchText.clear();
  TBaseGrid::KeyUp(key, shift);
  const bool arrow = IsKeyIn(released, VK_LEFT, VK_DOWN);
  if (navigation_.AlwaysEdit && (arrow || (released == VK_TAB && (Options() & goTabs)))) ShowInplaceEdit();
}
