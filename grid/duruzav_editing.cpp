// The end of an edit and the grid's side of the editors: which cells may be
// edited, showing and hiding the editor, the key an editor control ends its
// edit with, the focus and the typed characters that reach the grid.
#include "framework/messaging.h"
#include "grid/duruzav.h"
#include "grid/zurrichedit.h"

namespace {
bool IsArrowKey(unsigned short key) { return key >= VK_LEFT && key <= VK_DOWN; }
}  // namespace

bool TVudUvizidIzed::IsEditable(int col, int row) {
  if (!(Options() & goEditing) && !mouseActions_.RangeSelectAndEdit && !editState_.forcedEdit) return false;
  const TPoint base = BaseCell(col, row);
  bool canEdit = true;
  GetCellReadOnly(base.X, base.Y, canEdit);
  bool fixed = false;
  GetCellFixed(DisplColIndex(base.X), base.Y, fixed);
  return canEdit && !fixed;
}

void TVudUvizidIzed::ShowInplaceEdit() {
  if (HasStaticEdit(Col(), Row())) return;
  if (Row() < TopRow()) SetTopRow(Row());
  if (Col() < LeftCol()) SetLeftCol(Col());
  ShowEditor();
}

void TVudUvizidIzed::HideInplaceEdit() {
  const bool controlShown = editControls_ && editControls_->controlShown;
  if (!EditorMode() && !editState_.editingBegun && !controlShown) return;
  HideEditor();
  if (controlShown) {
    HideEditControl(Col(), Row());
    // A refused value keeps its editor control open.
    if (editControls_->controlShown) return;
  }
  editState_.editingBegun = false;
  editState_.editPending = false;
  SelectCell(Col(), Row());
}

// The text editor's text is written back and validated before the press
// that leaves it is handled: a refused text keeps the editor on its cell.
bool TVudUvizidIzed::CloseEditorValidated() {
  if (!EditorMode()) return true;
  HideEditor();
  return LeftCellValid();
}

void TVudUvizidIzed::DoneInplaceEdit(unsigned short key, TShiftState shift) {
  editState_.insideDoneEdit = true;
  const bool alwaysEdit = navigation_.AlwaysEdit;
  try {
    HideInplaceEdit();
    if (key == VK_TAB || IsArrowKey(key)) KeyDown(key, shift);
    navigation_.AlwaysEdit = false;
    if (CanFocus()) SetFocus();
    if (key == VK_RETURN) AdvanceEdit(Col(), Row(), false, true, true, false);
  } catch (...) {
    navigation_.AlwaysEdit = alwaysEdit;
    editState_.insideDoneEdit = false;
    throw;
  }
  navigation_.AlwaysEdit = alwaysEdit;
  editState_.insideDoneEdit = false;
}

void TVudUvizidIzed::DoneEditing() {
  if (OnEditingDone) OnEditingDone(this);
}

AnsiString TVudUvizidIzed::EllipsClick(const AnsiString& value) {
  AnsiString s = value;
  if (OnEllipsClick) OnEllipsClick(this, RemapCol(Col()), Row(), s);
  return s;
}

// A value still waiting for its validation on this cell (its move was
// refused after the editor had written it) keeps the text it is checked against.
void TVudUvizidIzed::EditStarted() {
  const TGridEditState& v = editState_;
  if (!v.editPending || v.validateCol != Col() || v.validateRow != Row()) InitValidate(Col(), Row());
  editState_.editPending = true;
  editState_.editingBegun = true;
}

// ---- Focus ----

// The focus the text editor hands back while it hides comes before its text
// reaches the cell: the move that hid it validates that text.
void TVudUvizidIzed::DoEnter() {
  if (editState_.insideDoneEdit || editState_.textEditorHiding) return;
  try {
    TBaseGrid::DoEnter();
    SelectCell(Col(), Row());
  } catch (...) {
    InitValidate(Col(), Row());
    throw;
  }
  InitValidate(Col(), Row());
}

void TVudUvizidIzed::WMSetFocus(TMessage& message) {
  TBaseGrid::WndProc(message);
  if (HasCheckBox(Col(), Row())) return;
  // Back from the rich-text editor: its edit ends.
  if (editControls_->richEdit->Visible()) HideInplaceEdit();
  const bool inView = LeftCol() <= Col() && Col() < LeftCol() + VisibleColCount() && TopRow() <= Row() &&
                      Row() < TopRow() + VisibleRowCount();
  const bool moving = GridState() == gsRowMoving || GridState() == gsColMoving;
  // The focus the text editor hands back while it hides does not open it again.
  if (navigation_.AlwaysEdit && inView && !moving && !editState_.textEditorHiding &&
      (InplaceEditor() || (!mouseActions_.DirectEdit && HasCombo(Col(), Row()))))
    ShowInplaceEdit();
  if ((RowCount() == 1 && settings_.FixedRowAlways) || (ColCount() == 1 && settings_.FixedColAlways)) HideSelection();
}

// ---- Typed characters ----

void TVudUvizidIzed::WMChar(TMessage& message) {
  const auto ch = static_cast<unsigned char>(message.WParam);
  const bool ctrl = KeyboardShiftState() & ssCtrl;
  // The clipboard short-cuts work on key-down; their characters go no further.
  if (navigation_.AllowClipboardShortCuts && ctrl && (ch == 3 || ch == 22 || ch == 24)) return;
  const bool staticEdit = HasStaticEdit(GetRealCol(), Row());
  if (mouseActions_.RangeSelectAndEdit && !staticEdit && IsEditable(Col(), Row()) && ch != VK_TAB &&
      ch != VK_ESCAPE) {
    SetOptions(Options() | goEditing);
    ScrollToCell(Col(), Row());
    const TRect r = TBaseGrid::CellRect(Col(), Row());
    MouseDown(mbLeft, 0, r.Left + 2, r.Top + 2);
  }
  // A '.' of the numeric keypad (bit 22 of the key data) types the locale's
  // decimal separator.
  if (settings_.ExcelStyleDecimalSeparator && ch == '.' && (message.LParam & (LPARAM{1} << 22)))
    message.WParam = static_cast<unsigned char>(FormatSettings.DecimalSeparator);
  if (staticEdit && ch != VK_RETURN) return;
  TBaseGrid::WndProc(message);
}
