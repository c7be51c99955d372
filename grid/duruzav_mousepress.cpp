// The left press on the grid: its tests run in a fixed order (node glyphs,
// radio groups, drags, cell buttons, anchors and in-cell controls, check
// boxes, the cell itself), and the first that claims the press ends it.
#include <cctype>

#include "framework/messaging.h"
#include "framework/services.h"
#include "grid/duruzav.h"
#include "grid/zghtmle.h"
#include "grid/zgutil.h"

namespace {

// The cell whose right (bottom) border lies just before the press.
constexpr int kSizingCellDX = 5;
constexpr int kSizingCellDY = 4;

AnsiString Upper(AnsiString s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Addresses that the desktop opens; any other anchor text is the
// application's, told through OnAnchorClick.
bool IsUrlLike(const AnsiString& anchor) {
  const AnsiString upper = Upper(anchor);
  return upper.find("://") != AnsiString::npos || upper.rfind("MAILTO:", 0) == 0;
}

}  // namespace

void TGridMouse::LeftPress(TShiftState shift, int x, int y) {
  s_.buttonDown = s_.clickInProgress = true;
  const TGridCoord hit = grid_.MouseCoord(x, y);
  bool allow = true;
  if (grid_.OnCanClickCell) grid_.OnCanClickCell(&grid_, hit.Y, hit.X, allow);
  if (!allow) return;
  // A refused value keeps the current cell and its editor.
  if (!grid_.CloseEditorValidated()) return;
  s_.clickedCell = {hit.X, hit.Y};
  if (SelectionResizerPress(x, y)) return;
  RecordPress(hit.X, hit.Y, x, y);

  Press p;
  p.x = x;
  p.y = y;
  p.shift = shift;
  p.col = hit.X;
  p.row = hit.Y;
  p.fixedByPosition = (hit.Y < grid_.GetFixedRowsEx() || hit.X < grid_.GetFixedColsEx()) && hit.X >= 0 && hit.Y >= 0;
  const TPoint& hot = s_.hotCell;
  if (grid_.Props().Look == glListView && hot.X >= 0 && hot.Y >= 0 &&
      (hot.X < grid_.FixedCols() || hot.Y < grid_.FixedRows()))
    grid_.RepaintCell(hot.X, hot.Y);
  if (hit.X < 0 || hit.Y < 0) {
    grid_.HideInplaceEdit();
    if (!grid_.Props().FixedRowAlways) DefaultPress(mbLeft, shift, x, y);
    return;
  }
  const TPoint base = grid_.BaseCell(hit.X, hit.Y);
  p.col = base.X;
  p.row = base.Y;
  p.rect = grid_.CellRect(p.col, p.row);
  if (grid_.MouseActions()->CaretPositioning) s_.caretPositioning = true;
  if (SizingLinePress(x, y)) return;
  const bool isFixed = grid_.IsFixed(p.col, p.row);
  if (p.fixedByPosition || isFixed) grid_.HideInplaceEdit();
  p.declaredFixed = isFixed && !p.fixedByPosition;
  PushFixedButton(p);
  p.realCol = grid_.RemapCol(p.col);
  if (!(grid_.ComponentState() & csDesigning)) {
    HeaderNodePress(p);
    if (NodePress(p) || RadioPress(p)) return;
    // The node column takes no other press unless whole rows are selected.
    if (p.col == 0 && p.row >= grid_.FixedRows() && grid_.NodeCount() > 0 && !grid_.MouseActions()->RowSelect) return;
    if (OleDragPress(p)) return;
  }
  if (CellButtonPress(p)) return;
  if (p.col >= grid_.GetColCountEx() || p.row >= grid_.GetRowCountEx()) {
    DefaultPress(mbLeft, shift, x, y);
    return;
  }
  const TPoint& sizingCell = s_.sizingCell;
  const TRect sizingRect = sizingCell.X >= 0 && sizingCell.Y >= 0 ? grid_.CellRect(sizingCell.X, sizingCell.Y) : TRect{};
  s_.sizingEdgeOffset = {x - sizingRect.Right, y - sizingRect.Bottom};
  DisjunctPress(p);
  if (AnchorPress(p)) return;
  s_.movingIndex = -1;
  FixedSelectPress(p);
  if (p.row < grid_.FixedRows() && p.col >= grid_.FixedCols()) s_.movingIndex = p.col;
  else if (p.col < grid_.FixedCols() && p.row >= grid_.FixedRows()) s_.movingIndex = p.row;
  s_.cellEdgeOffset = {x - p.rect.Left, y - p.rect.Top};
  bool canEdit = (grid_.Options() & goEditing) || grid_.MouseActions()->RangeSelectAndEdit;
  grid_.GetCellReadOnly(p.realCol, p.row, canEdit);
  if (CheckBoxPress(p, canEdit)) return;
  CellPress(p, canEdit);
}

// A press on the selection's resize handle: the selection goes to the
// clipboard, to be pasted over the area the drag makes (the release).
bool TGridMouse::SelectionResizerPress(int x, int y) {
  if (s_.hoverZone != THoverZone::SelectionResizer) return false;
  const TGridRect selection = grid_.Selection();
  s_.selectionAtPress = selection;
  grid_.CopySelectionToClipboard();
  s_.selectionResizing = true;
  const int col = grid_.Col(), row = grid_.Row();
  if (!(grid_.Options() & goEditing)) DefaultPress(mbLeft, 0, x, y);
  grid_.SetCol(col);
  grid_.SetRowEx(row);
  grid_.SetSelection(selection);
  grid_.MouseMove(0, x, y);
  return true;
}

void TGridMouse::RecordPress(int col, int row, int x, int y) {
  s_.pressedButton = {-1, -1};
  s_.dropTarget = {-1, -1};
  s_.oleDragPending = false;
  s_.caretPositioning = false;
  s_.leftColAtPress = grid_.LeftCol();
  s_.topRowAtPress = grid_.TopRow();
  // Before the press in reading order: left of it, or right of it in a
  // grid laid out from the right.
  const int before = grid_.UseRightToLeftAlignment() ? x + kSizingCellDX : x - kSizingCellDX;
  const TGridCoord cell = row == 0   ? grid_.MouseCoord(before, y)
                          : col == 0 ? grid_.MouseCoord(x, y - kSizingCellDY)
                                     : grid_.MouseCoord(before, y - kSizingCellDY);
  s_.sizingCell = {cell.X, cell.Y};
  const bool valid = cell.X >= 0 && cell.Y >= 0;
  s_.sizingCellWidth = valid ? grid_.ColWidths(cell.X) : 0;
  s_.sizingCellHeight = valid ? grid_.RowHeights(cell.Y) : 0;
  s_.pressPoint = {x, y};
}

// The mouse move found the pointer on a fixed column's (row's) border that
// is sized by a drawn line.
bool TGridMouse::SizingLinePress(int x, int y) {
  if (s_.fixedColBorder) {
    s_.colSizingLine = true;
    s_.colSizingLinePos = x;
    grid_.DrawSizingLine(x);
    return true;
  }
  if (s_.fixedRowBorder) {
    s_.rowSizingLine = true;
    s_.rowSizingLinePos = y;
    grid_.DrawSizingLineR(y);
    return true;
  }
  return false;
}

void TGridMouse::PushFixedButton(const Press& p) {
  const TGridOptions lines = goFixedVertLine | goFixedHorzLine;
  if (!(p.fixedByPosition || p.declaredFixed) || !grid_.Props().FixedAsButtons || (grid_.Options() & lines) != lines ||
      grid_.Props().Flat)
    return;
  s_.fixedButtonCell = {p.col, p.row};
  s_.fixedButtonRect = p.rect;
  s_.fixedButtonDown = true;
  TRect r = p.rect;
  DrawEdge(grid_.Canvas(), &r, BDR_SUNKENINNER, BF_RIGHT | BF_BOTTOM);
  DrawEdge(grid_.Canvas(), &r, BDR_SUNKENINNER, BF_LEFT | BF_TOP);
}

// The node glyph of a header row expands or contracts every node.
void TGridMouse::HeaderNodePress(const Press& p) {
  if (p.row >= grid_.FixedRows() || p.col != 0 || !grid_.IsNode(p.row) || !grid_.InNodeRect(p.row, p.x) ||
      !grid_.MouseActions()->NodeAllExpandContract)
    return;
  const bool contracted = grid_.GetNodeState(p.row);
  if (contracted) grid_.ExpandAll();
  else grid_.ContractAll();
  grid_.SetNodeState(p.row, !contracted);
}

bool TGridMouse::NodePress(const Press& p) {
  if (p.row < grid_.FixedRows() || p.col != 0 || !grid_.IsNode(p.row) || !grid_.InNodeRect(p.row, p.x)) return false;
  const int realRow = grid_.RemapRowInv(p.row);
  bool allow = true;
  if (grid_.GetNodeState(p.row)) {
    if (grid_.OnBeforeExpandNode) grid_.OnBeforeExpandNode(&grid_, p.row, realRow, allow);
    if (allow) {
      grid_.ExpandNode(realRow);
      if (grid_.OnExpandNode) grid_.OnExpandNode(&grid_, p.row, realRow);
    }
  } else {
    if (grid_.OnBeforeContractNode) grid_.OnBeforeContractNode(&grid_, p.row, realRow, allow);
    if (allow) {
      grid_.ContractNode(realRow);
      if (grid_.OnContractNode) grid_.OnContractNode(&grid_, p.row, realRow);
    }
  }
  if (grid_.MouseActions()->MoveRowOnNodeClick) grid_.SetRowEx(p.row);
  return true;
}

bool TGridMouse::RadioPress(const Press& p) {
  if (!grid_.IsRadio(p.realCol, p.row) ||
      !(grid_.IsEditable(p.realCol, p.row) || grid_.ControlLook()->RadioAlwaysActive))
    return false;
  grid_.HideInplaceEdit();
  grid_.HandleRadioClick(p.realCol, p.row, p.x - p.rect.Left, p.y - p.rect.Top);
  return true;
}

// A press on the selection may start dragging it to another program; the
// selection stays as it is so that the drag carries it.
bool TGridMouse::OleDragPress(const Press& p) {
  const TMouseActions& actions = *grid_.MouseActions();
  const bool inFixedRow = p.row < grid_.FixedRows();
  if (!(grid_.IsSelected(p.col, p.row) || (inFixedRow && !grid_.Props().EnhRowColMove))) return false;
  if ((grid_.Options() & goEditing) || grid_.HasButton(p.realCol, p.row) || grid_.HasCheckBox(p.realCol, p.row) ||
      !grid_.DragDropSettings()->OleDropSource || (inFixedRow && (actions.ColSelect || actions.AllSelect)) ||
      p.col < grid_.FixedCols() || !grid_.PressInsideCell(p.x, p.col, p.row))
    return false;
  s_.oleDragPending = true;
  if (grid_.OnClickCell) grid_.OnClickCell(&grid_, p.row, p.col);
  return true;
}

// A cell button is pushed while the button is down; the release lifts it.
bool TGridMouse::CellButtonPress(const Press& p) {
  if (!grid_.HasButton(p.realCol, p.row)) return false;
  grid_.HideInplaceEdit();
  grid_.SelectCell(p.col, p.row);
  if (!grid_.ButtonRect(p.col, p.row).Contains({p.x, p.y})) return false;
  grid_.PushButton(p.col, p.row, true);
  s_.pressedButton = {p.col, p.row};
  SetCapture(&grid_);
  if (grid_.OnClickCell) grid_.OnClickCell(&grid_, p.row, p.col);
  return true;
}

// Rows (columns) selected one by one: a plain press starts afresh unless
// Alt is held, a Ctrl press on a selected one takes it out on release.
void TGridMouse::DisjunctPress(const Press& p) {
  const TMouseActions& actions = *grid_.MouseActions();
  const bool ctrl = p.shift & ssCtrl;
  if (actions.DisjunctRowSelect() && p.row >= grid_.FixedRows() && !(p.col == 0 && actions.HotmailRowSelect())) {
    if (ctrl) {
      if (grid_.GetRowSelect(grid_.DisjunctRow(p.row))) s_.deselectOnRelease = true;
    } else {
      s_.clearOnRelease = true;
      if (GetKeyState(VK_MENU) >= 0) grid_.ClearRowSelect();
    }
  }
  if (actions.DisjunctColSelect() && p.col >= grid_.FixedCols()) {
    if (ctrl) {
      if (grid_.GetColSelect(p.col)) s_.deselectOnRelease = true;
    } else {
      s_.clearOnRelease = true;
      grid_.ClearColSelect();
    }
  }
}

// Web addresses and mark-up anchors follow their link; mark-up form
// controls take the press (a check box toggles, a button is pushed, an
// edit opens).
bool TGridMouse::AnchorPress(const Press& p) {
  const TVudUvizidIzed::Settings& settings = grid_.Props();
  AnsiString text = grid_.GetCellEx(p.realCol, p.row);
  const bool markup = TextType(text, settings.EnableHTML) == ttHTML;
  if (!settings.URLShow && !markup) return false;
  MarkupHit hit;
  if (!markup && IsURL(text)) hit.anchor = text;
  if (markup && !MarkupHitAt(grid_, p.col, p.realCol, p.row, {p.x, p.y}, hit)) hit.anchor.clear();
  if (hit.anchor.empty()) {
    if (!markup || Upper(text).find("<CONTROL") == AnsiString::npos) return false;
    grid_.SetSelection({p.col, p.row, p.col, p.row});
    return true;
  }
  bool autoHandle = true;
  bool canEdit = grid_.Options() & goEditing;
  const bool control = !hit.controlID.empty();
  if (control) {
    canEdit = true;
    if (grid_.OnCanEditCell) grid_.OnCanEditCell(&grid_, s_.clickedCell.Y, s_.clickedCell.X, canEdit);
  }
  if (control && canEdit) {
    grid_.ControlExit(&grid_);
    text = grid_.GetCellEx(p.realCol, p.row);
    if (hit.controlType == "BUTTON") {
      s_.controlButtonCell = {p.col, p.row};
      s_.controlButtonDown = true;
      grid_.RepaintCell(p.col, p.row);
    } else if (hit.controlType == "CHECK") {
      SetControlValue(text, hit.controlID, Upper(hit.controlValue) == "TRUE" ? "FALSE" : "TRUE");
      grid_.SetCellEx(p.realCol, p.row, text);
    }
    if (grid_.OnControlClick)
      grid_.OnControlClick(&grid_, p.row, p.col, hit.controlID, hit.controlType, hit.controlValue);
    grid_.ControlEnter(text, hit.controlType, hit.controlID, hit.controlValue, hit.controlRect, p.col, p.realCol,
                       p.row);
  } else if (grid_.OnAnchorClick) {
    grid_.OnAnchorClick(&grid_, p.row, p.col, hit.anchor, autoHandle);
  }
  if (autoHandle) FollowAnchor(hit.anchor);
  return true;
}

// "cell://R<row>C<col>" jumps to that cell; addresses go to the desktop.
void TGridMouse::FollowAnchor(const AnsiString& anchor) {
  constexpr std::size_t kCellScheme = 7;  // "CELL://"
  const std::size_t at = Upper(anchor).find("CELL://");
  if (at != AnsiString::npos) {
    TPoint cell{};
    if (NameToCell(anchor.substr(std::min(anchor.size(), kCellScheme)), cell)) {
      grid_.SetRowEx(cell.Y);
      grid_.SetCol(cell.X);
      grid_.ScrollInView(cell.X, cell.Y);
      return;
    }
  }
  if (IsUrlLike(anchor)) Services().OpenUrl(anchor);
}

// Presses on the fixed cells that select: the corner selects every cell,
// the fixed column a row (to the anchor row with Shift), the fixed row a
// column.
void TGridMouse::FixedSelectPress(const Press& p) {
  const TMouseActions& actions = *grid_.MouseActions();
  if (!(grid_.Options() & goRangeSelect)) return;
  const int fixedCols = grid_.FixedCols(), fixedRows = grid_.FixedRows();
  const int lastCol = grid_.ColCount() - 1, lastRow = grid_.RowCount() - 1;
  if (p.col < fixedCols && p.row < fixedRows && actions.AllSelect && s_.hoverZone == THoverZone::SelectAll) {
    SelectFromFixed({fixedCols, fixedRows, lastCol, lastRow}, p.col, p.row, true);
  } else if (p.col < fixedCols && p.row >= fixedRows && actions.RowSelect && s_.hoverZone == THoverZone::RowSelect) {
    const int top = (p.shift & ssShift) ? grid_.Selection().Top : p.row;
    SelectFromFixed({fixedCols, top, lastCol, p.row}, p.col, p.row, false);
    s_.rowSelectAnchor = p.row;
  } else if (p.col >= fixedCols && p.row < fixedRows && actions.ColSelect && s_.hoverZone == THoverZone::ColSelect) {
    SelectFromFixed({p.col, fixedRows, p.col, lastRow}, p.col, p.row, false);
    s_.colSelectAnchor = p.col;
  }
}

void TGridMouse::SelectFromFixed(const TGridRect& selection, int col, int row, bool selectAll) {
  const TGridRect old = grid_.Selection();
  if (grid_.CanFocus()) grid_.SetFocus();
  if (selectAll) {
    grid_.ExportNotification(esExportStart, -1);
    grid_.ExportNotification(esExportNewRow, grid_.RowCount() - 1);
    grid_.ExportNotification(esExportFail, -1);
  }
  grid_.HideSelection();
  TGridRect r = selection;
  if (selectAll) grid_.UpdateSelectionRect(r);
  grid_.SetSelection(r);
  grid_.selectionHidden_ = false;
  grid_.DoExit();
  if (grid_.Props().ActiveCellShow) grid_.UpdateActiveCells(old.Left, old.Top, col, row);
}

bool TGridMouse::CheckBoxPress(const Press& p, bool canEdit) {
  if (!(canEdit || grid_.ControlLook()->CheckAlwaysActive) || !grid_.HasCheckBox(p.realCol, p.row) ||
      !grid_.IsInCheckBox(p.realCol, p.row, p.x, p.y))
    return false;
  grid_.HideInplaceEdit();
  if (grid_.CanFocus()) grid_.SetFocus();
  grid_.ToggleCheck(p.realCol, p.row, true);
  if (grid_.ShowModified()->Enabled) {
    grid_.SetRowModified(p.row, true);
    grid_.RepaintCell(0, p.row);
  }
  // The row check box of column 0 selects its row as it marks it.
  if (p.col == 0 && grid_.MouseActions()->HotmailRowSelect()) {
    if (grid_.GetRowSelect(grid_.DisjunctRow(p.row)))
      grid_.SetSelection({grid_.FixedCols(), p.row, grid_.ColCount() - 1, p.row});
    else if (p.row == grid_.Row())
      grid_.HideSelection();
  }
  bool state = false;
  grid_.GetCheckBoxState(p.realCol, p.row, state);
  if (!grid_.Navigation()->AlwaysEdit) grid_.FocusCell(p.col, p.row, true);
  if (grid_.OnCheckBoxClick) grid_.OnCheckBoxClick(&grid_, p.col, p.row, state);
  if (grid_.Props().HideFocusRect) grid_.RepaintCell(p.col, p.row);
  if (p.row < grid_.FixedRows() && grid_.MouseActions()->CheckAllCheck) {
    if (state) grid_.CheckAll(p.realCol);
    else grid_.UnCheckAll(p.realCol);
  }
  if (grid_.OnMouseDown) grid_.OnMouseDown(&grid_, mbLeft, KeyboardShiftState(), p.x, p.y);
  grid_.Click();
  return true;
}

// The press on the cell itself: the framework grid moves the current cell
// (or starts a sizing, moving or range selection), then the application
// hears of the click.
void TGridMouse::CellPress(const Press& p, bool canEdit) {
  const TMouseActions& actions = *grid_.MouseActions();
  const bool normal = !p.fixedByPosition && !p.declaredFixed;
  if (normal && canEdit && actions.DirectEdit) {
    grid_.HideEditor();
    if (grid_.CanFocus()) grid_.SetFocus();
  }
  const bool wasCurrent = p.rect.Contains({p.x, p.y}) && grid_.Selection() == TGridRect{p.col, p.row, p.col, p.row};
  if (p.declaredFixed) {
    const TFloatingFooter& footer = *grid_.FloatingFooter();
    const bool footerRow =
        p.row == grid_.RowCount() - 1 && footer.Visible() && footer.FooterStyle() == fsFixedLastRow;
    if (!footerRow && grid_.OnClickCell) grid_.OnClickCell(&grid_, p.row, p.col);
    return;
  }
  const bool onEdge =
      p.row == grid_.TopRow() + grid_.VisibleRowCount() || p.col == grid_.LeftCol() + grid_.VisibleColCount();
  if (!grid_.selectionHidden_) {
    bool& alwaysEdit = grid_.Navigation()->AlwaysEdit;
    const bool keptAlwaysEdit = alwaysEdit;
    alwaysEdit = false;
    if (!(p.shift & ssCtrl)) grid_.mouseRangeSelecting_ = true;
    grid_.editState_.clickStarted = s_.caretPositioning;
    DefaultPress(mbLeft, p.shift, p.x, p.y);
    if (!grid_.EditorMode()) grid_.editState_.clickStarted = false;
    alwaysEdit = keptAlwaysEdit;
  }
  if (grid_.GridState() == gsSelecting && onEdge && actions.NoAutoRangeScroll) grid_.CancelGridState();
  if (grid_.TopRow() != s_.topRowAtPress && actions.NoScrollOnPartialRow) grid_.SetTopRow(s_.topRowAtPress);
  if ((grid_.Options() & goRowSelect) && grid_.Navigation()->KeepHorizScroll) {
    grid_.StartUpdate();
    grid_.SetLeftCol(s_.leftColAtPress);
    grid_.ResetUpdate();
  }
  // A press that starts sizing is meant for the border, not the cell.
  const bool sizing = grid_.GridState() == gsColSizing || grid_.GridState() == gsRowSizing;
  if (!sizing && grid_.PressInsideCell(p.x, p.col, p.row) && grid_.OnClickCell)
    grid_.OnClickCell(&grid_, p.row, p.col);
  if (grid_.OnCellValidate) grid_.InitValidate(grid_.Col(), grid_.Row());
  if (grid_.IsMergedCell(p.col, p.row) && normal) {
    bool allow = true;
    if (grid_.OnSelectCell) grid_.OnSelectCell(&grid_, p.col, p.row, allow);
    if (allow && !(grid_.Options() & goRowSelect)) grid_.SetSelection({p.col, p.row, p.col, p.row});
    if (allow && wasCurrent && canEdit) {
      grid_.CancelGridState();
      grid_.ShowInplaceEdit();
    }
  }
  if (grid_.PressInsideCell(p.x, p.col, p.row) && normal && canEdit && actions.DirectEdit &&
      !grid_.HasStaticEdit(p.realCol, p.row)) {
    const TPoint& clicked = s_.clickedCell;
    // The editor takes the press: no range is dragged from it.
    grid_.CancelGridState();
    grid_.SetSelection({clicked.X, clicked.Y, clicked.X, clicked.Y});
    grid_.InitValidate(clicked.X, clicked.Y);
    grid_.ShowEditor();
  }
}
