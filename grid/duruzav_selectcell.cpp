// Whether the current cell may move: the footer row is never selected, the
// changing events may refuse, editing is switched off on read-only cells and
// back on on editable ones, and the cell being left must validate.
#include "grid/duruzav.h"

bool TVudUvizidIzed::SelectCell(int col, int row) {
  if (editState_.selectBypass) return true;
  if (!FooterAllowsMove(col, row) || col < 0 || row < 0) return false;
  if (!ChangingAllowed(col, row)) return false;
  // Column 0 holds the node glyphs.
  if (col == 0 && HasNodes() && !(Options() & goRowSelect)) return false;
  const int oldCol = Col(), oldRow = Row();
  const bool editingBegun = editState_.editingBegun;
  const bool editorFocused = InplaceEditor() && InplaceEditor()->Focused();
  SwitchEditing(col, row);
  bool result;
  if (!editingBegun || editorFocused)
    result = !IsFixed(col, row) && TBaseGrid::SelectCell(col, row);
  else
    result = LeftCellValid() && TBaseGrid::SelectCell(col, row);
  // The edit of the cell left is over once the move is allowed.
  if (result && !EditorMode()) editState_.editingBegun = false;
  RepaintForMove(oldCol, oldRow, col, row);
  // Only a move that happens is reported.
  if (result && !(ComponentState() & csLoading) && row != rowUpdateMemory_ && OnRowUpdate && updateCount_ == 0) {
    OnRowUpdate(this, rowUpdateMemory_, row);
    rowUpdateMemory_ = row;
  }
  const int searchHeight = SearchPanelHeight();
  if (searchHeight > 0 && TBaseGrid::GetCellRect(col, row).Bottom > Height() - searchHeight) SetTopRow(TopRow() + 1);
  return result;
}

bool TVudUvizidIzed::FooterAllowsMove(int col, int row) {
  if (!floatingFooter_.Visible()) return true;
  const bool lastRowFooter = floatingFooter_.FooterStyle() == fsFixedLastRow;
  // The previews show the current row: they follow the move.
  if (!lastRowFooter) floatingFooter_.Invalidate();
  const int below = ClientHeight() - FooterPanelHeight() + 2;
  if (TBaseGrid::GetCellRect(col, row).Bottom > below && row < RowCount() - (lastRowFooter ? 1 : 0))
    SetTopRow(TopRow() + 1);
  return !(lastRowFooter && row == RowCount() - 1);
}

bool TVudUvizidIzed::ChangingAllowed(int col, int row) {
  bool allow = true;
  const bool rowChanges = row != Row(), colChanges = col != Col();
  if (rowChanges && OnRowChanging) OnRowChanging(this, Row(), row, allow);
  if (colChanges && OnColChanging) OnColChanging(this, Col(), col, allow);
  if ((rowChanges || colChanges) && OnCellChanging && !editState_.advancing)
    OnCellChanging(this, Row(), Col(), row, col, allow);
  return allow;
}

void TVudUvizidIzed::SwitchEditing(int col, int row) {
  TGridEditState& s = editState_;
  const bool editing = Options() & goEditing;
  if (HasStaticEdit(col, row)) {
    bool canEdit = true;
    GetCellReadOnly(col, row, canEdit);
    s.forcedEdit = false;
    if (!editing && !(Options() & goRowSelect) && canEdit) SetEditingOption(true);
    return;
  }
  bool canEdit = editing || s.forcedEdit;
  GetCellReadOnly(col, row, canEdit);
  if (!canEdit) {
    if (s.editingBegun) HideEditor();
    if (editing) {
      s.forcedEdit = true;
      SetEditingOption(false);
    }
    return;
  }
  s.forcedEdit = false;
  if (!editing) {
    if (!s.editingBegun) InitValidate(col, row);
    SetEditingOption(true);
  }
  if (s.editingBegun) HideEditor();
}

void TVudUvizidIzed::SetEditingOption(bool on) {
  const TGridOptions options = on ? Options() | goEditing : Options() & ~goEditing;
  if (options != Options()) SetOptions(options);
}

bool TVudUvizidIzed::LeftCellValid() {
  const int c = RemapCol(Col());
  if (IsWideCell(c, Row())) return ValidateCellWide(GetWideCells(c, Row()));
  return ValidateCell(GetCurrentCell());
}

void TVudUvizidIzed::RepaintForMove(int oldCol, int oldRow, int col, int row) {
  if (!rowIndicator_.Empty() && FixedCols() > 0) {
    RepaintCell(0, oldRow);
    RepaintCell(0, row);
  }
  if (settings_.ActiveCellShow) {
    // The header cells that mark the current cell.
    RepaintCell(0, oldRow);
    RepaintCell(0, row);
    RepaintCell(oldCol, 0);
    RepaintCell(col, 0);
  }
  if (ActiveRowShow()) {
    RepaintRow(oldRow);
    RepaintRow(row);
  }
  if (settings_.SelectionRectangle) Invalidate();
}
