#include "grid/griddragdrop.h"

#include <algorithm>
#include <cstdlib>

#include "framework/messaging.h"
#include "framework/sysutils.h"
#include "grid/duruzav.h"

namespace {

// A drag starts after more movement than this from the press point.
constexpr int kDragThreshold = 3;
constexpr DWORD kCopyOrMove = DROPEFFECT_COPY | DROPEFFECT_MOVE;

bool EndsWithNoCase(const AnsiString& text, const AnsiString& tail) {
  return text.size() >= tail.size() && SameText(std::string_view(text).substr(text.size() - tail.size()), tail);
}

}  // namespace

TGridDragDrop& TVudUvizidIzed::OleDragDrop() {
  if (!oleDragDrop_) oleDragDrop_ = std::make_unique<TGridDragDrop>(*this);
  return *oleDragDrop_;
}

// ---- TGridDragDrop ----

void TGridDragDrop::RegisterTarget() { RegisterDragDrop(&grid_, std::make_shared<TGridDropTarget>(grid_)); }

void TGridDragDrop::RevokeTarget() { RevokeDragDrop(&grid_); }

bool TGridDragDrop::TargetRegistered() const { return RegisteredDropTarget(&grid_) != nullptr; }

bool TGridDragDrop::StartDrag(TPoint pressPoint, TPoint point, int col, int row) {
  const bool moved = std::abs(point.X - pressPoint.X) > kDragThreshold || std::abs(point.Y - pressPoint.Y) > kDragThreshold;
  if (col < 0 || row < 0 || !moved || !grid_.DragDropSettings()->OleDropSource || grid_.GridState() == gsColSizing)
    return false;
  const int realCol = grid_.RemapCol(col);
  bool allow = true;
  if (grid_.OnOleDrag) grid_.OnOleDrag(&grid_, row, realCol, grid_.Cells(realCol, row), allow);
  if (!allow) {
    if (grid_.GridState() == gsNormal) grid_.SetGridState(gsSelecting);
    return true;
  }
  TGridDropSource source(grid_);
  if (grid_.OnOleDragStart) grid_.OnOleDragStart(&grid_, row, realCol);
  if (row < grid_.FixedRows() && grid_.DragDropSettings()->OleColumnDragDrop)
    DragColumn(source, col);
  else
    DragText(source, realCol, row);
  return true;
}

void TGridDragDrop::DragColumn(TGridDropSource& source, int col) {
  const TRect cell = grid_.CellRect(col, 0);
  const TPoint topLeft = grid_.ClientToScreen({cell.Left, cell.Top});
  Indicators.ColumnDragWindow = TRect{topLeft.X, topLeft.Y, topLeft.X + grid_.ColWidths(col), topLeft.Y + grid_.RowHeights(0)};
  DWORD effect = DROPEFFECT_NONE;
  if (StartColDoDragDrop(source, grid_.RemapCol(col), kCopyOrMove, effect) != DRAGDROP_S_CANCEL && grid_.OnOleDragStop)
    grid_.OnOleDragStop(&grid_, static_cast<int>(effect));
  Indicators = TDropIndicators{};
}

void TGridDragDrop::DragText(TGridDropSource& source, int realCol, int row) {
  DragRect = grid_.Selection();
  DWORD effect = DROPEFFECT_NONE;
  const HRESULT result =
      StartTextDoDragDrop(source, grid_.SelectedText(), grid_.Cells(realCol, row), kCopyOrMove, effect);
  if (result != DRAGDROP_S_CANCEL) {
    if (effect == DROPEFFECT_MOVE) ClearMovedSource();
    if (grid_.OnOleDragStop) grid_.OnOleDragStop(&grid_, static_cast<int>(effect));
  }
  DragRect.reset();
}

void TGridDragDrop::ClearMovedSource() {
  const TDragDropSettings& settings = *grid_.DragDropSettings();
  const bool disjunct = grid_.MouseActions()->DisjunctRowSelect();
  const TGridRect r = *DragRect;
  if (settings.OleRemoveRows && (grid_.Options() & goRowSelect)) {
    if (disjunct)
      grid_.RemoveSelectedRows();
    else
      grid_.RemoveRowsInternal(r.Top, r.Bottom - r.Top + 1);
  } else if (!settings.OleCopyAlways) {
    if (disjunct)
      grid_.ClearSelection();
    else
      grid_.ClearRect(r.Left, r.Top, r.Right, r.Bottom);
  }
}

bool StartOleDrag(TVudUvizidIzed& grid, TPoint pressPoint, TPoint point, int col, int row) {
  return grid.OleDragDrop().StartDrag(pressPoint, point, col, row);
}

// ---- TGridDropTarget ----

TGridDragDrop& TGridDropTarget::State() { return grid_.OleDragDrop(); }

HRESULT TGridDropTarget::DragEnter(const std::shared_ptr<IDataObject>& data, DWORD keyState, TPoint point,
                                   DWORD* effect) {
  const TDragDropSettings& settings = *grid_.DragDropSettings();
  AcceptText = settings.OleAcceptText;
  AcceptFiles = settings.OleAcceptFiles;
  AcceptCols = settings.OleColumnDragDrop;
  return TZurDropTarget::DragEnter(data, keyState, point, effect);
}

void TGridDropTarget::DragMouseMove(TPoint point, bool& allow, TDropFormats formats) {
  TZurDropTarget::DragMouseMove(point, allow, formats);
  int col = -1, row = -1;
  grid_.ScreenToCell(point, col, row);
  allow = col >= 0 && row >= 0;
  const bool column = (formats & DropFormatBit(dfCol)) != 0;
  if (allow && !column) ScrollTowards(col, row);
  if (column)
    allow = allow && row < grid_.FixedRows() && col >= grid_.FixedCols();
  else if (row < grid_.FixedRows() && !(grid_.RowCount() == 1 && grid_.Props().FixedRowAlways))
    allow = false;
  if (grid_.OnOleDragOver) grid_.OnOleDragOver(&grid_, row, col, allow);
  ShowIndicators(allow, column, col, row);
}

void TGridDropTarget::ScrollTowards(int col, int row) {
  if (row == 0 && grid_.TopRow() > grid_.FixedRows())
    grid_.SetTopRow(grid_.TopRow() - 1);
  else if (row == grid_.TopRow() + grid_.VisibleRowCount())
    grid_.SetTopRow(grid_.TopRow() + 1);
  // Sideways at most every second step, so a column is not skipped past.
  if (State().ScrollTick++ % 2 != 0) return;
  if (col == 0 && grid_.LeftCol() > grid_.FixedCols())
    grid_.SetLeftCol(grid_.LeftCol() - 1);
  else if (col == grid_.LeftCol() + grid_.VisibleColCount())
    grid_.SetLeftCol(grid_.LeftCol() + 1);
}

void TGridDropTarget::ShowIndicators(bool allow, bool column, int col, int row) {
  TDropIndicators& shown = State().Indicators;
  shown.RowArrow.reset();
  shown.ColArrowTop.reset();
  shown.ColArrowBottom.reset();
  if (!allow) return;
  if (column) {
    const TRect cell = grid_.CellRect(col, row);
    shown.ColArrowTop = grid_.ClientToScreen({cell.Left, cell.Top - 8});
    shown.ColArrowBottom = grid_.ClientToScreen({cell.Left, cell.Bottom});
    return;
  }
  if (row == 0 && grid_.Props().FixedRowAlways) row = 1;
  const TRect cell = grid_.CellRect(grid_.DragDropSettings()->OleEntireRows ? grid_.FixedCols() : col, row);
  shown.RowArrow = grid_.ClientToScreen({cell.Left - 10, cell.Top});
}

void TGridDropTarget::DragMouseLeave() { State().Indicators = TDropIndicators{}; }

bool TGridDropTarget::AllowDrop(int row, int col, const AnsiString& data) {
  bool allow = true;
  if (grid_.OnOleDrop) grid_.OnOleDrop(&grid_, row, col, data, allow);
  return allow;
}

void TGridDropTarget::DropText(TPoint point, const AnsiString& text) {
  int col = -1, row = -1;
  grid_.ScreenToCell(point, col, row);
  const TPoint size = grid_.PasteSize(text);
  if (grid_.Options() & goRowSelect) col = grid_.DragDropSettings()->OleEntireRows ? 0 : grid_.FixedCols();
  TDropIndicators& shown = State().Indicators;
  shown.RowArrow.reset();
  shown.ColArrowTop.reset();
  shown.ColumnDragWindow.reset();
  // A drop outside the cells has no place to go.
  if (col < 0 || row < 0 || !AllowDrop(row, col, text)) return;
  PlaceText(col, row, text, size);
}

void TGridDropTarget::PlaceText(int col, int row, const AnsiString& text, TPoint size) {
  const int rows = size.Y + 1;
  std::optional<TGridRect>& dragged = State().DragRect;
  if (dragged && row <= dragged->Top && grid_.DragDropSettings()->OleRemoveRows) {
    dragged->Top += rows;
    dragged->Bottom += rows;
    if (grid_.MouseActions()->DisjunctRowSelect() && row <= static_cast<int>(grid_.rowSelect_.size()))
      grid_.rowSelect_.insert(grid_.rowSelect_.begin() + row, static_cast<std::size_t>(std::max(rows, 0)), 0);
  }
  if (row == 0 && grid_.RowCount() == 1 && grid_.Props().FixedRowAlways) row = 1;
  if (grid_.DragDropSettings()->OleInsertRows && rows > 0) {
    int top = grid_.TopRow();
    if (top > grid_.FixedRows()) ++top;
    grid_.InsertRows(row, rows);
    if (top > 0) grid_.SetTopRow(top);
  }
  grid_.PasteText(col, row, text);
  col = std::max(col, grid_.FixedCols());
  const int right = (grid_.Options() & goRowSelect) ? col + size.X - grid_.FixedCols() : col + size.X - 1;
  const TGridRect block{col, row, right, row + rows - 1};
  if (rows > 0 && size.X > 0) grid_.SetSelection(block);
  if (grid_.OnOleDropped) grid_.OnOleDropped(&grid_, block);
}

void TGridDropTarget::DropRTF(TPoint point, const AnsiString& rtf) {
  int col = -1, row = -1;
  grid_.ScreenToCell(point, col, row);
  if (col >= 0 && row >= 0 && AllowDrop(row, col, rtf)) grid_.SetCells(grid_.RemapCol(col), row, rtf);
  State().Indicators.RowArrow.reset();
  State().Indicators.ColArrowTop.reset();
}

void TGridDropTarget::DropCol(TPoint point, int column) {
  int col = -1, row = -1;
  grid_.ScreenToCell(point, col, row);
  if (DropFormats & DropFormatBit(dfCol)) {
    TDropIndicators& shown = State().Indicators;
    shown.ColArrowTop.reset();
    shown.ColArrowBottom.reset();
    shown.ColumnDragWindow.reset();
  }
  if (grid_.OnOleDropCol) grid_.OnOleDropCol(&grid_, row, col, column);
}

void TGridDropTarget::DropFiles(TPoint point, TStrings& files) {
  State().Indicators.RowArrow.reset();
  State().Indicators.ColArrowTop.reset();
  if (files.Count() != 1) return;
  const AnsiString name = files[0];
  bool allow = true;
  if (grid_.OnOleDropFile) {
    int col = -1, row = -1;
    grid_.ScreenToCell(point, col, row);
    grid_.OnOleDropFile(&grid_, row, col, name, allow);
  }
  if (!allow) return;
  // Only a file whose extension says CSV or workbook is read as one.
  if (EndsWithNoCase(name, ".csv") && AllowDrop(-1, -1, name)) grid_.LoadFromCSV(name);
  if ((EndsWithNoCase(name, ".xls") || EndsWithNoCase(name, ".xlsx")) && AllowDrop(-1, -1, name))
    grid_.LoadFromXLS(name);
}

// ---- TGridDropSource ----

TGridDropSource::TGridDropSource(TVudUvizidIzed& grid) : TZurDropSource(&grid), grid_(grid) {}

void TGridDropSource::CurrentEffect(DWORD effect) {
  if (effect == DROPEFFECT_COPY || effect == DROPEFFECT_MOVE) lastEffect_ = effect;
}

void TGridDropSource::QueryDrag() {
  std::optional<TRect>& window = grid_.OleDragDrop().Indicators.ColumnDragWindow;
  if (!window) return;
  const TPoint cursor = GetCursorPos();
  *window = TRect{cursor.X, cursor.Y - window->Height(), cursor.X + window->Width(), cursor.Y};
}
