// The grid's mouse buttons: the messages reach TGridMouse (the left press in
// duruzav_mousepress.cpp, the release and sorting by a header click in
// duruzav_mouserelease.cpp); here the double and right clicks, the fixed
// cells' editor and what the steps share.
#include "grid/duruzav.h"
#include "grid/transedit.h"
#include "grid/zghtmle.h"
#include "grid/zgutil.h"

bool TVudUvizidIzed::PressInsideCell(int x, int col, int row) const {
  if (!(Options() & goColSizing)) return true;
  const TRect r = TBaseGrid::CellRect(col, row);
  x = LayoutX(x);
  return x - r.Left >= kBorderZone && r.Right - x >= kBorderZone;
}

void TVudUvizidIzed::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGridMouse mouse(*this);
  if (button == mbLeft && (shift & ssDouble)) mouse.DoubleClick(shift, x, y);
  else if (button == mbLeft) mouse.LeftPress(shift, x, y);
  else if (button == mbRight && !(shift & ssDouble)) mouse.RightPress(shift, x, y);
  else TBaseGrid::MouseDown(button, shift, x, y);
}

void TVudUvizidIzed::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGridMouse mouse(*this);
  if (button == mbLeft) mouse.LeftRelease(shift, x, y);
  else if (button == mbRight) mouse.RightRelease(shift, x, y);
  else TBaseGrid::MouseUp(button, shift, x, y);
}

void TVudUvizidIzed::StartFixedEdit(int col, int row) { TGridMouse(*this).StartFixedEdit(col, row); }

// A click marks its cell (the base cell of a merged area) alone, a Ctrl
// click toggles it among the marks; a dragged range joins the marks.
bool TVudUvizidIzed::DisjunctCellClick(TShiftState shift, TGridCoord hit) {
  const TPoint base = BaseCell(hit.X, hit.Y);
  if (!IsFixed(base.X, base.Y)) {
    bool canSelect = true;
    if (OnSelectCell) OnSelectCell(this, base.X, base.Y, canSelect);
    if (!canSelect) return false;
    if (shift & ssCtrl) {
      if (!AddSelectedCell(base.X, base.Y)) selectedCells_.Delete(SelectedCellIndex(base.X, base.Y));
    } else {
      RepaintSelectedCells();
      selectedCells_.Clear();
      AddSelectedCell(base.X, base.Y);
    }
  }
  const TGridRect sel = Selection();
  if (sel.Left != sel.Right || sel.Top != sel.Bottom) {
    MergeSelectionIntoCells(TGridCoord{base.X, base.Y});
    RepaintSelectedCells();
  }
  RepaintCell(hit.X, hit.Y);
  return true;
}

// ---- What the steps share ----

TGridMouse::TGridMouse(TVudUvizidIzed& grid) : grid_(grid), s_(grid.mouse_) {}

void TGridMouse::WatchSelection(const std::function<void()>& inherited) {
  const TGridRect before = grid_.Selection();
  inherited();
  const TGridRect after = grid_.Selection();
  if (after != before) grid_.SelectionChanged(after.Left, after.Top, after.Right, after.Bottom);
}

void TGridMouse::DefaultPress(TMouseButton button, TShiftState shift, int x, int y) {
  WatchSelection([&] { grid_.TBaseGrid::MouseDown(button, shift, x, y); });
  RecordSizingStart();
}

// The framework grid started to drag a border: the size-change handlers
// learn which column (row) it is and its size before the drag.
void TGridMouse::RecordSizingStart() {
  TGridSizingRecord& sizing = s_.sizing;
  sizing = {};
  if (grid_.GridState() == gsColSizing && s_.sizingCell.X >= 0) {
    sizing.col = s_.sizingCell.X;
    sizing.widthBefore = grid_.ColWidths(sizing.col);
    sizing.colSizing = true;
  } else if (grid_.GridState() == gsRowSizing && s_.sizingCell.Y >= 0) {
    sizing.row = s_.sizingCell.Y;
    sizing.heightBefore = grid_.RowHeights(sizing.row);
    sizing.rowSizing = true;
  }
}

bool TGridMouse::MarkupHitAt(TVudUvizidIzed& grid, int col, int realCol, int row, TPoint p, MarkupHit& hit) {
  TRect r = grid.CellRect(col, row);
  OffsetRect(r, 1 + grid.XYOffset.X, 1 + grid.XYOffset.Y);
  if (grid.HasCheckBox(realCol, row)) OffsetRect(r, grid.ControlLook()->CheckSize(), 0);
  grid.PrepareCellCanvas(realCol, row);
  AnsiString plain, focusAnchor, title;
  int width = 0, height = 0, links = 0, mouseLink = -1;
  TRect hover{};
  const TVudUvizidIzed::Settings& settings = grid.Props();
  return HTMLDrawEx(grid.Canvas(), grid.GetCellEx(realCol, row), r, grid.GridImages(), p.X, p.Y, -1, 0, 1, true, false,
                    false, false, false, false, !settings.EnhTextSize, false, 1.0, settings.URLColor, clNone, clNone,
                    clGray, hit.anchor, plain, focusAnchor, title, width, height, links, mouseLink, hover,
                    hit.controlRect, hit.controlID, hit.controlValue, hit.controlType, nullptr, nullptr, &grid);
}

// ---- Double click ----

void TGridMouse::DoubleClick(TShiftState shift, int x, int y) {
  if (!grid_.CloseEditorValidated()) return;
  const TGridCoord hit = grid_.MouseCoord(x, y);
  if (hit.X == -1 && grid_.Props().FixedRowAlways) return;
  // Right of the last column the double click may be meant for its header
  // border.
  if (DoubleClickSizing(hit.X == -1 ? TGridCoord{grid_.ColCount() - 1, 0} : hit, x)) return;
  // The text editor that the double click opens puts its caret under the pointer.
  grid_.editState_.clickStarted = true;
  DefaultPress(mbLeft, shift, x, y);
  if (!grid_.EditorMode()) grid_.editState_.clickStarted = false;
  if (grid_.OnDblClickCell) grid_.OnDblClickCell(&grid_, hit.Y, hit.X);
  if (hit.X < 0 || hit.Y < 0) return;
  const TMouseActions& actions = *grid_.MouseActions();
  if (actions.RangeSelectAndEdit && grid_.IsEditable(grid_.RemapCol(hit.X), hit.Y)) {
    grid_.SetOptions(grid_.Options() | goEditing);
    const TPoint base = grid_.BaseCell(hit.X, hit.Y);
    const TRect r = grid_.CellRect(base.X, base.Y);
    grid_.MouseDown(mbLeft, 0, r.Left + 4, r.Top + 4);
  }
  if (hit.Y < grid_.FixedRows() && actions.FixedRowsEdit == fceDblClick) StartFixedEdit(hit.X, hit.Y);
  else if (hit.X < grid_.FixedCols() && actions.FixedColsEdit == fceDblClick) StartFixedEdit(hit.X, hit.Y);
}

// A double click on a header border fits the column before it to its
// contents (or the column itself when the one before is fixed).
bool TGridMouse::DoubleClickSizing(TGridCoord cell, int x) {
  if (cell.Y < 0 || cell.Y >= grid_.FixedRows() || !(grid_.Options() & goColSizing) ||
      !grid_.MouseActions()->AutoSizeColOnDblClick)
    return false;
  const TRect r = grid_.CellRect(cell.X, cell.Y);
  const int lx = grid_.LayoutX(x);
  int sized = -1;
  if (NearBorder(lx, r.Left) && cell.X - 1 >= grid_.FixedCols()) sized = cell.X - 1;
  else if (NearBorder(lx, r.Right) && cell.X >= grid_.FixedCols()) sized = cell.X;
  // The release that follows ends no sizing of its own.
  if (NearBorder(lx, r.Left) || sized >= 0) s_.dblClickSizing = true;
  if (sized < 0) return false;
  bool allow = true;
  if (grid_.OnColumnSize) grid_.OnColumnSize(&grid_, sized, allow);
  if (allow) {
    grid_.AutoSizeCol(sized);
    if (grid_.OnEndColumnSize) grid_.OnEndColumnSize(&grid_, sized);
  }
  return true;
}

// ---- Right press ----

void TGridMouse::RightPress(TShiftState shift, int x, int y) {
  DefaultPress(mbRight, shift, x, y);
  const TGridCoord hit = grid_.MouseCoord(x, y);
  const bool inCells = hit.X >= 0 && hit.Y >= 0;
  const TMouseActions& actions = *grid_.MouseActions();
  if (actions.SelectOnRightClick && inCells && !grid_.IsFixed(hit.X, hit.Y)) {
    const bool wasSelected = grid_.IsSelected(hit.X, hit.Y);
    if (!wasSelected) {
      const int leftCol = grid_.LeftCol();
      const bool keepScroll = grid_.Navigation()->KeepHorizScroll;
      if (keepScroll) grid_.BeginUpdate();
      const TPoint target = grid_.BaseCell(hit.X, hit.Y);
      grid_.FocusCell(target.X, target.Y, true);
      if (keepScroll) {
        grid_.SetLeftCol(leftCol);
        grid_.EndUpdate();
      }
    }
    if (actions.DisjunctRowSelect()) {
      const int flagRow = grid_.DisjunctRow(hit.Y);
      if (shift & ssCtrl) {
        grid_.SetRowSelect(flagRow, !grid_.GetRowSelect(flagRow));
      } else if (!(grid_.GetRowSelectCount() > 1 && grid_.PopupMenu() && wasSelected)) {
        grid_.ClearRowSelect();
        grid_.SetRowSelect(flagRow, true);
      }
    }
  }
  if (grid_.OnRightClickCell) grid_.OnRightClickCell(&grid_, hit.Y, hit.X);
  // A right press edits a web address that a left press would open.
  if (inCells && grid_.Props().URLShow && grid_.Props().URLEdit &&
      IsURL(grid_.GetCellEx(grid_.RemapCol(hit.X), hit.Y))) {
    grid_.SetCol(hit.X);
    grid_.SetRowEx(hit.Y);
    grid_.ShowEditor();
  }
}

// ---- The fixed cells' editor ----

void TGridMouse::StartFixedEdit(int col, int row) {
  if (col < 0 || row < 0 || col >= grid_.ColCount() || row >= grid_.RowCount()) return;
  if (!s_.fixedEditor) {
    s_.fixedEditor = new TGridTransEdit(&grid_);
    s_.fixedEditor->SetParent(&grid_);
  }
  TGridTransEdit* editor = s_.fixedEditor;
  if (!editor->StopEdit()) return;
  // The cell's read-only flag and OnCanEditCell decide; the grid's editing
  // option does not, it is about the normal cells.
  const int realCol = grid_.RemapCol(col);
  const TPoint base = grid_.BaseCell(realCol, row);
  bool canEdit = !(grid_.HasCellProperties(base.X, base.Y) && grid_.GetReadOnly(base.X, base.Y));
  if (grid_.OnCanEditCell) grid_.OnCanEditCell(&grid_, base.Y, base.X, canEdit);
  if (!canEdit) return;
  TRect r = grid_.CellRect(col, row);
  InflateRect(r, -1, -1);
  editor->SetBounds(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
  editor->SetText(grid_.GetCellEx(realCol, row));
  editor->SetCell(col, row);
  editor->SetVisible(true);
  if (editor->CanFocus()) editor->SetFocus();
}
