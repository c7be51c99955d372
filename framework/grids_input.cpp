// Keyboard and mouse: moving the current cell, range selection, and the
// sizing-state machine for sizing and moving columns and rows.
#include <algorithm>
#include <cstdlib>

#include "framework/grids.h"

namespace {
// Half the width of the zone around a line where a press starts sizing.
constexpr int kSizingZone = 3;
}  // namespace

// ---- Keyboard ----

void TCustomGrid::KeyDown(unsigned short& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  switch (key) {
    case VK_F2:
      if (options_ & goEditing) ShowEditor();
      return;
    case VK_RETURN:
      if (EditorMode()) HideEditor();
      else if (options_ & goEditing) ShowEditor();
      return;
    case VK_TAB:
      if (!(options_ & goTabs)) return;
      MoveByKey(key, shift);
      key = 0;  // the grid keeps Tab for itself
      return;
    case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT:
    case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
      MoveByKey(key, shift);
      return;
    default:
      return;
  }
}

void TCustomGrid::MoveByKey(unsigned short key, TShiftState shift) {
  int col = current_.X, row = current_.Y;
  const bool extend = (shift & ssShift) && (options_ & goRangeSelect) && key != VK_TAB;
  const int page = std::max(VisibleRowCount(), 1);
  switch (key) {
    case VK_UP: --row; break;
    case VK_DOWN: ++row; break;
    case VK_LEFT:
      if (options_ & goRowSelect) return SetLeftCol(LeftCol() - 1);
      --col;
      break;
    case VK_RIGHT:
      if (options_ & goRowSelect) return SetLeftCol(LeftCol() + 1);
      ++col;
      break;
    case VK_PRIOR:
      SetTopRow(TopRow() - page);
      row -= page;
      break;
    case VK_NEXT:
      SetTopRow(TopRow() + page);
      row += page;
      break;
    case VK_HOME:
      if (shift & ssCtrl) row = fixedRows_;
      else col = fixedCols_;
      break;
    case VK_END:
      if (shift & ssCtrl) row = RowCount() - 1;
      else col = ColCount() - 1;
      break;
    case VK_TAB:
      if (shift & ssShift) {
        if (--col < fixedCols_) col = ColCount() - 1, --row;
      } else if (++col >= ColCount()) {
        col = fixedCols_, ++row;
      }
      if (row < fixedRows_ || row >= RowCount()) return;
      break;
    default: return;
  }
  col = std::clamp(col, fixedCols_, ColCount() - 1);
  row = std::clamp(row, fixedRows_, RowCount() - 1);
  FocusCell(col, row, !extend);
}

void TCustomGrid::KeyPress(char& key) {
  TCustomControl::KeyPress(key);
  if (!(options_ & goEditing) || EditorMode() || static_cast<unsigned char>(key) < 32) return;
  ShowEditor();
  if (!EditorMode()) return;
  editor_->SetText(std::string(1, key));
  editor_->SetSelStart(1);
  key = 0;
}

// ---- Mouse ----

void TCustomGrid::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs) {
  x = LayoutX(x);
  state = gsNormal;
  index = -1;
  auto nearLine = [&](int pos, int count, int fixed, int first, auto edgeOf) {
    for (int i = 0; i < count; ++i) {
      if (i == fixed) i = std::max(i, first);
      if (i >= count) break;
      const int edge = edgeOf(i);
      // Edges grow in this order: none further on can be near.
      if (edge - pos > kSizingZone) break;
      if (std::abs(pos - edge) <= kSizingZone) {
        index = i;
        sizingPos = edge;
        sizingOfs = pos - edge;
        return true;
      }
    }
    return false;
  };
  if ((options_ & goColSizing) && (fixedRows_ == 0 || y < FixedHeight()) &&
      nearLine(x, ColCount(), fixedCols_, LeftCol(), [&](int c) { return ColumnLeft(c) + cols_.Size(c); })) {
    state = gsColSizing;
    return;
  }
  if ((options_ & goRowSizing) && (fixedCols_ == 0 || x < FixedWidth()) &&
      nearLine(y, RowCount(), fixedRows_, TopRow(), [&](int r) { return RowTop(r) + rows_.Size(r); })) {
    state = gsRowSizing;
  }
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft && CanFocus() && !Focused()) SetFocus();
  if (button == mbLeft) {
    CalcSizingState(x, y, gridState_, sizingIndex_, sizingPos_, sizingOfs_);
    if (gridState_ == gsNormal) {
      const TGridCoord cell = MouseCoord(x, y);
      if (cell.X >= 0 && cell.Y < fixedRows_ && cell.X >= fixedCols_ && (options_ & goColMoving)) {
        gridState_ = gsColMoving;
        moveFrom_ = cell.X;
      } else if (cell.Y >= 0 && cell.X < fixedCols_ && cell.Y >= fixedRows_ && (options_ & goRowMoving)) {
        gridState_ = gsRowMoving;
        moveFrom_ = cell.Y;
      } else if (cell.X >= fixedCols_ && cell.Y >= fixedRows_) {
        const bool extend = (shift & ssShift) && (options_ & goRangeSelect);
        if (FocusCell(cell.X, cell.Y, !extend)) gridState_ = gsSelecting;
        if ((shift & ssDouble) && (options_ & goEditing)) ShowEditor();
      }
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
  if (gridState_ == gsSelecting && (options_ & goRangeSelect)) {
    const TGridCoord cell = MouseCoord(x, y);
    if (cell.X >= fixedCols_ && cell.Y >= fixedRows_) FocusCell(cell.X, cell.Y, false);
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    const TGridState ended = gridState_;
    gridState_ = gsNormal;
    switch (ended) {
      case gsColSizing:
        SetColWidths(sizingIndex_, LayoutX(x) - sizingOfs_ - ColumnLeft(sizingIndex_));
        break;
      case gsRowSizing:
        SetRowHeights(sizingIndex_, y - sizingOfs_ - RowTop(sizingIndex_));
        break;
      case gsColMoving: {
        const TGridCoord to = MouseCoord(x, y);
        if (to.X >= fixedCols_) MoveColumn(moveFrom_, to.X);
        break;
      }
      case gsRowMoving: {
        const TGridCoord to = MouseCoord(x, y);
        if (to.Y >= fixedRows_) MoveRow(moveFrom_, to.Y);
        break;
      }
      default: break;
    }
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

bool TCustomGrid::DoMouseWheelDown(TShiftState, TPoint) {
  FocusCell(Col(), std::min(Row() + 1, RowCount() - 1), true);
  return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState, TPoint) {
  FocusCell(Col(), std::max(Row() - 1, fixedRows_), true);
  return true;
}

void TCustomGrid::WndProc(TMessage& m) {
  if (m.Msg == WM_MOUSEWHEEL) {
    const short delta = HiWord(static_cast<LPARAM>(m.WParam));
    const TPoint pos{LoWord(m.LParam), HiWord(m.LParam)};
    if (delta < 0 ? DoMouseWheelDown(0, pos) : delta > 0 ? DoMouseWheelUp(0, pos) : false) return;
  }
  switch (m.Msg) {
    case WM_VSCROLL: WMVScroll(m); return;
    case WM_HSCROLL: WMHScroll(m); return;
    case WM_SIZE: WMSize(m); return;
    default: break;
  }
  if (m.Msg == WM_GETDLGCODE) {
    m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | ((options_ & goTabs) ? DLGC_WANTTAB : 0);
    return;
  }
  TCustomControl::WndProc(m);
}
