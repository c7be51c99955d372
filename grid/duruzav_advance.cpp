// Moving on after an edit: the advance to the next editable cell after
// Enter, the Tab walk over the tab stops, and the grid's own Enter and typed
// keys. Both walks wrap at the grid's ends and stop when they come back
// where they began, so a grid without a cell to go to leaves the current
// cell where it is.
#include "framework/messaging.h"
#include "grid/duruzav.h"

namespace {

// One cell on in the Tab order; true when the walk went past the grid's end
// and began again at its start.
bool StepTab(const TRect& body, bool topBottom, bool backward, int& col, int& row) {
  int& inner = topBottom ? row : col;
  int& outer = topBottom ? col : row;
  const int innerFirst = topBottom ? body.Top : body.Left, innerLast = topBottom ? body.Bottom : body.Right;
  const int outerFirst = topBottom ? body.Left : body.Top, outerLast = topBottom ? body.Right : body.Bottom;
  if (!backward) {
    if (++inner <= innerLast) return false;
    inner = innerFirst;
    if (++outer <= outerLast) return false;
    outer = outerFirst;
    return true;
  }
  if (--inner >= innerFirst) return false;
  inner = innerLast;
  if (--outer >= outerFirst) return false;
  outer = outerLast;
  return true;
}

}  // namespace

int TVudUvizidIzed::FixedColsVis() { return FixedCols() == 0 && HasNodes() ? 1 : FixedCols(); }

int TVudUvizidIzed::NumFixedRightVis() const {
  const int fixedRight = settings_.FixedRightCols;
  if (hiddenColCount_ == 0) return fixedRight;
  int shown = 0;
  for (int c = TotalColCount() - fixedRight; c < TotalColCount(); ++c)
    if (!IsHiddenColumn(c)) ++shown;
  return shown;
}

bool TVudUvizidIzed::RowHasEditableCell(int row) {
  for (int c = FixedCols(); c < ColCount(); ++c)
    if (IsEditable(RemapCol(c), row)) return true;
  return false;
}

bool TVudUvizidIzed::ColHasEditableCell(int col) {
  for (int r = FixedRows(); r < RowCount(); ++r)
    if (IsEditable(RemapCol(col), r)) return true;
  return false;
}

// ---- Advance after Enter ----

void TVudUvizidIzed::AdvanceEdit(int col, int row, bool force, bool edit, bool forward, bool recursive) {
  if (!navigation_.AdvanceOnEnter && !force) return;
  if (mouseActions_.RangeSelectAndEdit) SetEditingOption(true);
  if (!recursive) editState_.advanceStart = {col, row};
  const TPoint departure{col, row};
  for (int steps = ColCount() * RowCount(); steps > 0; --steps) {
    if (!StepAdvance(col, row, forward)) return;
    if (IsEditable(RemapCol(col), row)) {
      AdvanceTo(departure, col, row, edit);
      return;
    }
    // Back where the walk began: no cell of the grid is editable.
    if (TPoint{col, row} == departure) return;
  }
}

bool TVudUvizidIzed::StepAdvance(int& col, int& row, bool forward) {
  const int firstCol = FixedColsVis(), firstRow = FixedRows();
  const int lastCol = ColCount() - 1 - settings_.FixedRightCols;
  const int lastRow = RowCount() - 1 - settings_.FixedFooters;
  const TPoint span = CellSpan(col, row);
  const bool insert = navigation_.AdvanceInsert;
  if (!forward) {
    if (navigation_.AdvanceDirection == adLeftRight) {
      if (col > firstCol) --col;
      else if (row > firstRow) --row, col = lastCol;
      else col = lastCol, row = lastRow;
    } else {
      if (row > firstRow) --row;
      else if (col > firstCol) --col, row = lastRow;
      else col = lastCol, row = lastRow;
    }
    return true;
  }
  if (navigation_.AdvanceDirection == adLeftRight) {
    if (col + span.X < ColCount() - 1 - NumFixedRightVis()) {
      col += 1 + span.X;
    } else if (row < lastRow) {
      col = firstCol, ++row;
    } else if (!insert) {
      col = firstCol, row = firstRow;
    } else {
      bool canAdd = true;
      QueryAddRow(canAdd);
      col = firstCol;
      if (canAdd) {
        AddRow();
        ++row;
        if (OnAutoAddRow) OnAutoAddRow(this, RowCount() - 1 - settings_.FixedFooters);
        if (!RowHasEditableCell(row)) return false;
      }
    }
    return true;
  }
  if (row < lastRow) {
    ++row;
  } else if (col < lastCol) {
    row = firstRow;
    if (++col >= ColCount()) col = firstCol;
    Invalidate();
  } else if (!insert) {
    col = firstCol, row = firstRow;
    Invalidate();
  } else {
    SetColCountEx(ColCount() + 1);
    col += 1 + span.X;
    row = firstRow;
    if (OnAutoInsertCol) OnAutoInsertCol(this, ColCount() - 1);
    Invalidate();
    // A new column without an editable cell would make the walk append
    // columns without end.
    if (!ColHasEditableCell(col)) return false;
  }
  return true;
}

void TVudUvizidIzed::AdvanceTo(TPoint departure, int col, int row, bool edit) {
  const TPoint start = editState_.advanceStart;
  bool allow = true;
  if (OnAutoAdvance) OnAutoAdvance(this, start.Y, start.X, row, col, allow);
  editState_.advancing = true;
  try {
    if (allow && OnCellChanging) OnCellChanging(this, start.Y, start.X, row, col, allow);
    if (allow) allow = FocusCell(col, row, true);
    else SelectCell(departure.X, departure.Y);
  } catch (...) {
    editState_.advancing = false;
    throw;
  }
  editState_.advancing = false;
  if (allow && edit && IsEditable(RemapCol(Col()), Row())) ShowInplaceEdit();
}

// ---- Tab walk ----

bool TVudUvizidIzed::IsTabStop(int col, int row) {
  if ((Options() & goEditing) || editState_.forcedEdit) return IsEditable(RemapCol(col), row);
  return !IsFixed(col, row);
}

TRect TVudUvizidIzed::BodyCells() {
  return {FixedColsVis(), FixedRows(), ColCount() - 1 - NumFixedRightVis(), RowCount() - 1 - settings_.FixedFooters};
}

void TVudUvizidIzed::TabEdit(bool backward) {
  if (OnKeyDown) {
    unsigned short key = VK_TAB;
    OnKeyDown(this, key, backward ? TShiftState{ssShift} : TShiftState{0});
    if (key != VK_TAB) return;
  }
  const TRect body = BodyCells();
  const bool topBottom = navigation_.TabAdvanceDirection == adTopBottom;
  int col = std::clamp(Col(), body.Left, body.Right), row = std::clamp(Row(), body.Top, body.Bottom);
  const TPoint start{col, row};
  bool wrapped = false;
  for (int steps = ColCount() * RowCount(); steps > 0; --steps) {
    wrapped = StepTab(body, topBottom, backward, col, row) || wrapped;
    // Back where the walk began: no other tab stop.
    if (TPoint{col, row} == start) break;
    if (IsBaseCell(col, row) && IsTabStop(col, row)) {
      FocusCell(col, row, true);
      break;
    }
  }
  if (wrapped && !backward && navigation_.TabToNextAtEnd && Parent()) PostMessage(Parent(), WM_KEYDOWN, VK_TAB, 0);
  if (navigation_.AlwaysEdit && CanFocus()) SetFocus();
}

// ---- The grid's keys ----

void TVudUvizidIzed::KeyDown(unsigned short& key, TShiftState shift) {
  if (key == VK_TAB && (Options() & goTabs)) {
    TabEdit(shift & ssShift);
    key = 0;
    return;
  }
  TBaseGrid::KeyDown(key, shift);
}

void TVudUvizidIzed::KeyPress(char& key) {
  if (key == VK_ESCAPE) {
    if (OnKeyPress) OnKeyPress(this, key);
    return;
  }
  if (key == VK_RETURN && !navigation_.AdvanceOnEnter && !IsEditable(GetRealCol(), Row())) {
    if (OnKeyPress) OnKeyPress(this, key);
    key = 0;
    return;
  }
  // Enter on a cell edited by clicking advances as it would from an editor.
  if (key == VK_RETURN && HasStaticEdit(GetRealCol(), Row())) {
    const int realCol = GetRealCol();
    AdvanceEdit(Col(), Row(), false, false, true, false);
    if (HasStaticEdit(realCol, Row())) {
      if (OnKeyPress) OnKeyPress(this, key);
      return;
    }
  }
  if (!(Options() & goEditing) && navigation_.AutoGotoWhenSorted) SearchIncremental(key);
  TBaseGrid::KeyPress(key);
}

void TVudUvizidIzed::SearchIncremental(char key) {
  AnsiString& text = editState_.searchText;
  // The grid timer empties the text after four ticks without a key.
  input_.typeAheadTicks = 0;
  if (!navigation_.AutoGotoIncremental) text = AnsiString(1, key);
  else if (key == VK_BACK) text = text.empty() ? text : text.substr(0, text.size() - 1);
  else text += key;
  const int hit = Search(UpperCase(text));
  if (hit == -1) text.clear();
  else SetRowEx(hit);
}
