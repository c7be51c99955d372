// Controls placed in cells: kept by stored column and real row, so that
// they follow their cells while rows and columns are hidden and shown.
#include <algorithm>

#include "grid/duruzav.h"

TControl* TVudUvizidIzed::GetCellControls(int col, int row) const {
  const TCellProperties* p = PropsAt(col, row);
  return p ? p->Control : nullptr;
}

// The control covers the cell but its grid lines. The count of cells with a
// control falls again when a cell's control is taken away, so that it stays
// the number of cells that hold one.
void TVudUvizidIzed::SetCellControls(int col, int row, TControl* control) {
  const int realRow = RemapRowInv(row);
  if (const int old = cellControls_.ControlIndex(col, realRow); old >= 0) cellControls_.RemoveControl(old);
  if (!control) {
    if (TCellProperties* p = HasCellProperties(col, row) ? GetCellProperties(col, row) : nullptr; p && p->Control) {
      p->Control = nullptr;
      --cellControlCount_;
    }
    return;
  }
  TCellProperties* p = GetCellProperties(col, row);
  if (!p->Control) ++cellControlCount_;
  cellControls_.AddControl(col, realRow, control);
  p->Control = control;
  control->SetParent(this);
  const TRect r = CellRect(RemapColInv(col), row);
  control->SetBounds(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
}

void TVudUvizidIzed::CellControlsUpdate() {
  std::vector<TControl*> inView;
  for (int i = 0; i < cellControls_.Count(); ++i) {
    const TControlItem* item = cellControls_.Items(i);
    const int col = RemapColInv(item->X), row = RemapRow(item->Y);
    const bool shown = !IsHiddenColumn(item->X) && !IsHiddenRow(item->Y) && col >= LeftCol() &&
                       col <= LeftCol() + VisibleColCount() && row >= TopRow() && row <= TopRow() + VisibleRowCount();
    if (shown) {
      const TRect r = CellRect(col, row);
      item->Control->SetBounds(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
      inView.push_back(item->Control);
    }
    item->Control->SetVisible(shown);
  }
  for (TControl* control : inView) control->Invalidate();
}

void TVudUvizidIzed::CellControlsRowsRemoved(const std::vector<int>& displayRows) {
  if (cellControls_.Count() == 0) return;
  std::vector<int> removed;  // real rows, ascending
  for (int d : displayRows) removed.push_back(RemapRowInv(d));
  for (int i = cellControls_.Count() - 1; i >= 0; --i) {
    TControlItem* item = cellControls_.Items(i);
    const auto below = std::lower_bound(removed.begin(), removed.end(), item->Y);
    if (below != removed.end() && *below == item->Y) {
      item->Control->Hide();
      cellControls_.RemoveControl(i);
    } else {
      item->Y -= static_cast<int>(below - removed.begin());
    }
  }
}

void TVudUvizidIzed::CellControlsRowsInserted(int displayRow, int count) {
  if (cellControls_.Count() == 0) return;
  const int at = displayRow < RowCount() ? RemapRowInv(displayRow) : TotalRowCount();
  for (int i = 0; i < cellControls_.Count(); ++i)
    if (TControlItem* item = cellControls_.Items(i); item->Y >= at) item->Y += count;
}
