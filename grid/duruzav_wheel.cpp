// The wheel, wheel-click panning and the 500 ms grid timer: the wheel moves
// the current row (or scrolls) by WheelIncrement rows a notch, Ctrl+wheel
// zooms, a middle-button press pans the current cell towards the mouse
// every 10 ms, and the grid timer ends the type-ahead text, follows the
// mouse while Hovering and blinks marked-up text.
#include <algorithm>
#include <cstdlib>

#include "framework/messaging.h"
#include "framework/resources.h"
#include "grid/duruzav.h"

namespace {

// The pan cursors: neutral, down, left, right, up, up-right, up-left,
// down-right, down-left.
constexpr int kPanCursor = 8000;

int PanCursorFor(int dx, int dy) {
  struct Direction { int dx, dy; };
  static constexpr Direction kDirections[] = {{0, 0}, {0, 1}, {-1, 0}, {1, 0}, {0, -1}, {1, -1}, {-1, -1}, {1, 1}, {-1, 1}};
  for (int i = 0; i < 9; ++i)
    if (kDirections[i].dx == dx && kDirections[i].dy == dy) return kPanCursor + i;
  return kPanCursor;
}

// The pointer's distance in pixels from where panning started before the
// current cell follows it.
constexpr int kPanDeadZone = 5;

int PanDirection(int position, int origin) {
  if (position < origin - kPanDeadZone) return -1;
  return position > origin + kPanDeadZone ? 1 : 0;
}

}  // namespace

TGridInputState& TGridInput::State() { return g_.input_; }

// ---- Wheel ----

bool TGridInput::Wheel(TMessage& message) {
  TGridInputState& state = State();
  const short delta = HiWord(static_cast<LPARAM>(message.WParam));
  // A fine-grained wheel turns in parts of a notch: they count once whole.
  state.wheelRest += delta;
  const int notches = state.wheelRest / WHEEL_DELTA;
  state.wheelRest -= notches * WHEEL_DELTA;
  const bool towardsUser = notches < 0;
  const TVudUvizidIzed::Settings& settings = g_.Props();
  const bool ctrl = (LoWord(static_cast<LPARAM>(message.WParam)) & MK_CONTROL) || GetKeyState(VK_CONTROL) < 0;
  // The default processing would move the current row too: the wheel is
  // handled here whole, zoom and move alike.
  if (ctrl && settings.IntelliZoom) {
    for (int i = 0; i < std::abs(notches); ++i) g_.Zoom(towardsUser ? state.wheelScrollLines : -state.wheelScrollLines);
    message.Result = 1;
    return false;
  }
  if (!settings.EnableWheel) return true;
  message.Result = 1;
  if ((settings.FixedRowAlways && g_.RowCount() == 1) || notches == 0) return false;

  const TMouseActions& mouse = *g_.MouseActions();
  const int step = (mouse.WheelIncrement >= 1 ? mouse.WheelIncrement : state.wheelScrollLines) * std::abs(notches);
  const TGridRect before = g_.Selection();
  const int leftCol = g_.LeftCol(), row = g_.Row();
  int newRow = row;
  if (mouse.WheelAction == waMoveSelection) {
    newRow = towardsUser ? row + step : row - step;
  } else {
    // Scrolling stops at the last page and at the first normal row.
    const int top = g_.TopRow(), lastTop = g_.RowCount() - g_.VisibleRowCount();
    if (towardsUser && top < lastTop) g_.SetTopRow(std::min(top + step, lastTop));
    if (!towardsUser && top > g_.FixedRows()) g_.SetTopRow(std::max(top - step, g_.FixedRows()));
  }
  newRow = std::min(std::max(newRow, g_.FixedRows()), g_.RowCount() - settings.FixedFooters - 1);
  if (g_.Col() < g_.FixedCols() || g_.Col() >= g_.ColCount())
    g_.SetCol(std::clamp(g_.Col(), g_.FixedCols(), g_.ColCount() - 1));
  // Setting the same row again would scroll it back into view.
  if (newRow >= 0 && newRow < g_.RowCount() && newRow != row) {
    g_.StartUpdate();
    g_.SetRow(newRow);
    g_.SelectBaseCell();
    if ((g_.Options() & goRowSelect) && g_.Navigation()->KeepHorizScroll) g_.SetLeftCol(leftCol);
    g_.ResetUpdate();
  }
  const TGridRect after = g_.Selection();
  if (after != before) g_.SelectionChanged(after.Left, after.Top, after.Right, after.Bottom);
  return false;
}

// The framework's wheel handling, reached when the grid's own rules do not
// take the wheel (EnableWheel off).
bool TGridInput::FrameworkWheel(bool down, TShiftState shift, TPoint mousePos) {
  if (g_.MouseActions()->WheelAction == waScroll) return false;
  auto moveByOne = [&] {
    return down ? g_.TBaseGrid::DoMouseWheelDown(shift, mousePos) : g_.TBaseGrid::DoMouseWheelUp(shift, mousePos);
  };
  if ((g_.Options() & goRowSelect) && g_.Navigation()->KeepHorizScroll) {
    const int leftCol = g_.LeftCol();
    g_.StartUpdate();
    const bool result = moveByOne();
    g_.SetLeftCol(leftCol);
    g_.ResetUpdate();
    return result;
  }
  if (!down && (g_.Row() >= g_.RowCount() || g_.Col() >= g_.ColCount())) return true;
  const bool editing = g_.EditorMode();
  const bool result = moveByOne();
  // The move closed the editor; the grid keeps the keyboard.
  if (editing && g_.CanFocus()) g_.SetFocus();
  return result;
}

bool TVudUvizidIzed::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
  return TGridInput(*this).FrameworkWheel(true, shift, mousePos);
}

bool TVudUvizidIzed::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
  return TGridInput(*this).FrameworkWheel(false, shift, mousePos);
}

// ---- Wheel-click panning ----

void TGridInput::StartPan(const TMessage& message) {
  TGridInputState& state = State();
  state.savedCursor = g_.Cursor();
  g_.SetCursor(LoadCursorResource(kPanCursor));
  state.panActive = true;
  SetTimer(&g_, TGridInputState::kPanTimer, TGridInputState::kPanInterval);
  g_.wheelClickPoint_ = {LoWord(message.LParam), HiWord(message.LParam)};
  SetCapture(&g_);
  g_.SetShowHint(false);
  g_.DrawIntelliFocusPoint();
}

void TGridInput::StopPan() {
  TGridInputState& state = State();
  if (GetCapture() == &g_) ReleaseCapture();
  KillTimer(&g_, TGridInputState::kPanTimer);
  g_.SetCursor(state.savedCursor);
  g_.SetShowHint(true);
  state.panActive = false;
  g_.EraseIntelliFocusPoint();
}

void TGridInput::PanStep() {
  const TPoint p = g_.ScreenToClient(GetCursorPos());
  const TPoint origin = g_.wheelClickPoint_;
  const TIntelliPan pan = g_.Props().IntelliPan;
  const int dx = pan == ipVertical ? 0 : PanDirection(p.X, origin.X);
  const int dy = pan == ipHorizontal ? 0 : PanDirection(p.Y, origin.Y);
  const TGridRect before = g_.Selection();
  const int lastRow = g_.RowCount() - g_.Props().FixedFooters - 1;
  const int lastCol = g_.ColCount() - g_.Props().FixedRightCols - 1;
  // The current cell stays out of the footer rows and the fixed right columns.
  if (g_.Row() > lastRow || g_.Row() < g_.FixedRows()) g_.SetRow(std::max(std::min(g_.Row(), lastRow), g_.FixedRows()));
  if (g_.Col() > lastCol || g_.Col() < g_.FixedCols()) g_.SetCol(std::max(std::min(g_.Col(), lastCol), g_.FixedCols()));
  // The mark is erased before a move that scrolls the grid under it.
  auto eraseIfScrolls = [&](bool outOfView) {
    if (outOfView) g_.EraseIntelliFocusPoint();
  };
  const int col = g_.Col(), row = g_.Row();
  if (dx < 0 && col > g_.FixedCols()) {
    eraseIfScrolls(col - 1 < g_.LeftCol() || g_.LeftCol() + g_.VisibleColCount() <= col - 1);
    g_.SetCol(col - 1);
  }
  if (dx > 0 && col < lastCol) {
    eraseIfScrolls(col + 1 < g_.LeftCol() || g_.LeftCol() + g_.VisibleColCount() <= col + 1);
    g_.SetCol(col + 1);
  }
  if (dy < 0 && row > g_.FixedRows()) {
    eraseIfScrolls(row - 1 < g_.TopRow() || g_.TopRow() + g_.VisibleRowCount() <= row - 1);
    g_.SetRow(row - 1);
  }
  if (dy > 0 && row < lastRow) {
    eraseIfScrolls(row + 1 < g_.TopRow() || g_.TopRow() + g_.VisibleRowCount() <= row + 1);
    g_.SetRow(row + 1);
  }
  g_.SetCursor(LoadCursorResource(PanCursorFor(dx, dy)));
  g_.DrawIntelliFocusPoint();
  const TGridRect after = g_.Selection();
  if (after != before) g_.SelectionChanged(after.Left, after.Top, after.Right, after.Bottom);
}

// ---- The grid timer ----

void TGridInput::GridTimerTick() {
  TGridInputState& state = State();
  ++state.ticks;
  // Two seconds without a typed character start the lookup text afresh.
  if (g_.Navigation()->AutoGotoIncremental && ++state.typeAheadTicks >= 4) {
    g_.editState_.searchText.clear();
    state.typeAheadTicks = 0;
  }
  if (g_.Props().Hovering && !(g_.ComponentState() & csDesigning)) HoverToCursorCell();
  if (g_.Props().EnableBlink) {
    state.blinkOn = !state.blinkOn;
    RepaintBlinkingCells();
  }
}

// The body cell under the mouse becomes the current cell.
void TGridInput::HoverToCursorCell() {
  const TPoint p = g_.ScreenToClient(GetCursorPos());
  if (!g_.Visible() || !g_.ClientRect().Contains(p)) return;
  int col = -1, row = -1;
  g_.MouseToCell(p.X, p.Y, col, row);
  if (col < g_.FixedCols() || col >= g_.ColCount() || row < g_.FixedRows() || row >= g_.RowCount()) return;
  g_.SetRow(row);
  g_.SetCol(col);
}

// The cells in view whose text blinks; the corner of the fixed rows and
// columns holds none.
void TGridInput::RepaintBlinkingCells() {
  const int firstCol = g_.LeftCol(), endCol = std::min(g_.ColCount(), firstCol + g_.VisibleColCount());
  const int firstRow = g_.TopRow(), endRow = std::min(g_.RowCount(), firstRow + g_.VisibleRowCount());
  auto repaintIfBlinking = [&](int col, int row) {
    if (UpperCase(g_.GetCellEx(g_.RemapCol(col), row)).find("<BLI") != AnsiString::npos) g_.RepaintCell(col, row);
  };
  for (int r = firstRow; r < endRow; ++r)
    for (int c = firstCol; c < endCol; ++c) repaintIfBlinking(c, r);
  for (int r = 0; r < g_.FixedRows(); ++r)
    for (int c = firstCol; c < endCol; ++c) repaintIfBlinking(c, r);
  for (int r = firstRow; r < endRow; ++r)
    for (int c = 0; c < g_.FixedCols(); ++c) repaintIfBlinking(c, r);
}

void TVudUvizidIzed::WMTimer(TMessage& message) {
  if (message.WParam == TGridInputState::kGridTimer) TGridInput(*this).GridTimerTick();
  else TBaseGrid::WndProc(message);
}

// ---- The view scrolled ----

// The cells a fixed wallpaper covers, as cell coordinates.
TRect TGridInput::WallpaperCells() {
  TBackGround& back = *g_.BackGround();
  int left = -1, top = -1, right = -1, bottom = -1;
  g_.MouseToCell(back.Left(), back.Top(), left, top);
  g_.MouseToCell(back.Left() + back.Bitmap()->Width(), back.Top() + back.Bitmap()->Height(), right, bottom);
  return {left, top, right, bottom};
}

void TVudUvizidIzed::TopLeftChanged() {
  TGridInputState& state = input_;
  TGridInput input(*this);
  const bool wallpaper = backGround_.Display() == bdFixed && !backGround_.Bitmap()->Empty();
  TRect before{};
  if (wallpaper) {
    // Where the covered cells were before the scroll, in today's coordinates.
    before = input.WallpaperCells();
    const int dx = state.lastLeftCol - LeftCol(), dy = state.lastTopRow - TopRow();
    before = {before.Left + dx, before.Top + dy, before.Right + dx, before.Bottom + dy};
  }
  TBaseGrid::TopLeftChanged();
  if (settings_.SelectionRectangle) Invalidate();
  if (wallpaper) {
    RepaintRect(before);
    RepaintRect(input.WallpaperCells());
  }
  const TBackGroundDisplay display = backGround_.Display();
  if ((display == bdGradientHorz || display == bdGradientVert) && backGround_.ColorTo() != clNone) Invalidate();
  // Editor controls other than the text editor do not scroll with the cells.
  if (editControls_ && editControls_->controlShown && editControls_->editorType != edNormal) HideInplaceEdit();
  UpdateVScrollBar();
  UpdateHScrollBar();
  FloatFooterUpdate();
  CellControlsUpdate();
  state.lastLeftCol = LeftCol();
  state.lastTopRow = TopRow();
}

// ---- Version ----

AnsiString TVudUvizidIzed::GetVersionString() { return GetVersion() + " May, 2006"; }
