// The grid's scroll bars: flat look, proportional thumb, thumb hints,
// ScrollSynch and drag scrolling.
#include "grid/duruzav_scroll.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "framework/extracontrols.h"
#include "framework/hints.h"
#include "framework/messaging.h"
#include "framework/thread.h"
#include "grid/duruzav.h"
#include "platform/module.h"

namespace {

// The flat scroll bar functions of the common controls, by the names the
// module exports them under; every handle argument is the grid's window.
using InitializeFlatSBFn = int (*)(void* hwnd);
using UninitializeFlatSBFn = int (*)(void* hwnd);
using FlatSBSetScrollInfoFn = int (*)(void* hwnd, int bar, const TScrollInfo* info, int redraw);
using FlatSBSetScrollPropFn = int (*)(void* hwnd, int index, std::intptr_t value, int redraw);
using FlatSBShowScrollBarFn = int (*)(void* hwnd, int bar, int show);

// Looked up at each call: the module is used only when something else
// loaded it.
template <typename Fn>
Fn FlatFunction(const char* name) {
  platform::ModuleHandle module = platform::GetModuleHandle("comctl32.dll");
  return module ? platform::BindEntryPoint<Fn>(module, name) : nullptr;
}

// Windows' MulDiv: a * b / c rounded half away from zero; -1 for c == 0.
int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t product = std::int64_t{a} * b;
  const std::int64_t half = std::abs(c) / 2;
  const std::int64_t rounded = ((product < 0) != (c < 0)) ? (product - half) / c : (product + half) / c;
  return static_cast<int>(rounded);
}

// A proportional thumb is set only while less than this share is visible.
constexpr float kWholeShare = 0.9999f;

}  // namespace

int ScrollThumbIndex(int p, int range, int fixed) {
  return fixed + std::max(MulDiv(p, std::max(range, 0), kGridScrollScale), 0);
}

TProportionalThumb ProportionalThumb(float r) {
  // A share below nothing (the fixed rows alone fill the grid) shows the
  // smallest thumb rather than a page below one position.
  r = std::clamp(r, 0.0f, kWholeShare);
  const int nMax = static_cast<int>(std::lround((kGridScrollScale + r) / (1.0f - r)));
  return {nMax, nMax - (kGridScrollScale - 1)};
}

TGridScroller::TGridScroller(TVudUvizidIzed& grid) : grid_(grid) {}

TGridScroller::~TGridScroller() = default;

// ---- Properties ----

void TGridScroller::SetScrollType(TScrollType type) {
  auto& settings = grid_.Props();
  if (settings.ScrollType != type) {
    settings.ScrollType = type;
    if (type == ssFlat || type == ssEncarta) {
      FlatInit();
      FlatUpdate();
    } else {
      FlatDone();
    }
  }
  UpdateType();
}

void TGridScroller::SetScrollColor(TColor color) {
  grid_.Props().ScrollColor = color;
  UpdateColor();
}

void TGridScroller::SetScrollWidth(int width) {
  grid_.Props().ScrollWidth = width;
  UpdateWidth();
}

void TGridScroller::SetScrollBars(TScrollStyle style) {
  scrollBars_ = style;
  grid_.UpdateScrollBars(true);
}

bool TGridScroller::AllowsBar(int bar) const {
  return scrollBars_ == ssBoth || scrollBars_ == (bar == SB_VERT ? ssVertical : ssHorizontal);
}

void TGridScroller::SetScrollProportional(bool on) {
  auto& settings = grid_.Props();
  const bool turnedOff = settings.ScrollProportional && !on;
  settings.ScrollProportional = on;
  if (!turnedOff || !flatActive_ || settings.ScrollType != ssNormal) return;
  FlatDone();
  TScrollInfo info;
  info.fMask = SIF_PAGE;
  info.nPage = 0;
  grid_.SetScrollInfo(SB_VERT, info, true);
  grid_.SetScrollInfo(SB_HORZ, info, true);
}

// ---- The flat scroll bar binding ----

void TGridScroller::FlatInit() {
  auto init = FlatFunction<InitializeFlatSBFn>("InitializeFlatSB");
  if (init) init(&grid_);
  flatActive_ = init != nullptr;
}

void TGridScroller::FlatDone() {
  flatActive_ = false;
  if (auto done = FlatFunction<UninitializeFlatSBFn>("UninitializeFlatSB")) done(&grid_);
}

void TGridScroller::FlatSetScrollInfo(int bar, const TScrollInfo& info, bool redraw) {
  if (auto set = FlatFunction<FlatSBSetScrollInfoFn>("FlatSB_SetScrollInfo")) set(&grid_, bar, &info, redraw);
}

void TGridScroller::FlatSetScrollProp(int index, int value, bool redraw) {
  if (!flatActive_) return;
  if (auto set = FlatFunction<FlatSBSetScrollPropFn>("FlatSB_SetScrollProp")) set(&grid_, index, value, redraw);
}

void TGridScroller::FlatShowScrollBar(int bar, bool show) {
  if (!flatActive_ || !AllowsBar(bar)) return;
  if (auto showBar = FlatFunction<FlatSBShowScrollBarFn>("FlatSB_ShowScrollBar")) showBar(&grid_, bar, show);
}

void TGridScroller::UpdateType() {
  const TScrollType type = grid_.Props().ScrollType;
  const int mode = type == ssFlat ? FSB_FLAT_MODE : type == ssEncarta ? FSB_ENCARTA_MODE : FSB_REGULAR_MODE;
  FlatSetScrollProp(WSB_PROP_VSTYLE, mode, true);
  FlatSetScrollProp(WSB_PROP_HSTYLE, mode, true);
}

void TGridScroller::UpdateColor() {
  const TColor color = grid_.Props().ScrollColor;
  if (color == clNone) return;
  FlatSetScrollProp(WSB_PROP_VBKGCOLOR, static_cast<int>(color), true);
  FlatSetScrollProp(WSB_PROP_HBKGCOLOR, static_cast<int>(color), true);
}

void TGridScroller::UpdateWidth() {
  FlatSetScrollProp(WSB_PROP_CXVSCROLL, grid_.Props().ScrollWidth, true);
  FlatSetScrollProp(WSB_PROP_CYHSCROLL, grid_.Props().ScrollWidth, true);
}

void TGridScroller::UpdateFlatBar(int bar) {
  if (!AllowsBar(bar) || !flatActive_) return;
  TScrollInfo info;
  info.fMask = SIF_ALL;
  grid_.GetScrollInfo(bar, info);
  FlatSetScrollInfo(bar, info, true);
}

void TGridScroller::FlatUpdate() {
  UpdateType();
  UpdateColor();
  UpdateWidth();
  const bool rowsHidden = grid_.VisibleRowCount() + grid_.FixedRows() < grid_.RowCount();
  FlatShowScrollBar(SB_VERT, rowsHidden);
  if (rowsHidden) UpdateFlatBar(SB_VERT);
  const bool colsHidden = grid_.VisibleColCount() + grid_.FixedCols() < grid_.ColCount();
  FlatShowScrollBar(SB_HORZ, colsHidden);
  if (colsHidden) UpdateFlatBar(SB_HORZ);
}

// ---- Proportional thumb ----

int TGridScroller::Extent(bool vertical, int from, int to) const {
  const int lw = grid_.GridLineWidth();
  int sum = 0;
  for (int i = from; i < to; ++i) sum += (vertical ? grid_.RowHeights(i) : grid_.ColWidths(i)) + lw;
  return sum;
}

void TGridScroller::UpdateScroller(bool vertical) {
  if ((grid_.ComponentState() & (csLoading | csDesigning)) || !grid_.Props().ScrollProportional ||
      grid_.GetLockFlag())
    return;
  const int bar = vertical ? SB_VERT : SB_HORZ;
  TScrollInfo info;
  info.fMask = SIF_ALL;
  grid_.GetScrollInfo(bar, info);
  const int lw = grid_.GridLineWidth();
  const int fixed = vertical ? grid_.FixedRows() : grid_.FixedCols();
  const int count = vertical ? grid_.RowCount() : grid_.ColCount();
  const int first = vertical ? grid_.TopRow() : grid_.LeftCol();
  const int extent = vertical ? grid_.ClientHeight() : grid_.ClientWidth();
  const int fixedExtent = lw + Extent(vertical, 0, fixed);
  const int total = lw + Extent(vertical, fixed, count);
  const int before = lw + Extent(vertical, fixed, first);
  // A grid whose scrollable part has no extent has nothing to share.
  if (total > 0) {
    const float r = static_cast<float>(extent - fixedExtent) / static_cast<float>(total);
    if (r < kWholeShare) {
      const TProportionalThumb thumb = ProportionalThumb(r);
      info.fMask = SIF_ALL;
      info.nMax = thumb.nMax;
      info.nPage = static_cast<unsigned>(thumb.nPage);
      if (total > extent)
        info.nPos = std::clamp(static_cast<int>(std::lround(static_cast<double>(before) / (total - extent) * 128)),
                               0, kGridScrollScale);
      else if (vertical)
        info.nPos = kGridScrollScale;
      grid_.SetScrollInfo(bar, info, true);
      UpdateFlatBar(bar);
    }
  }
  if (!vertical && (Extent(false, 0, count) - lw * count < grid_.ClientWidth() || !AllowsBar(SB_HORZ)))
    grid_.ShowScrollBar(SB_HORZ, false);
}

// ---- Scroll requests ----

void TGridScroller::BeforeScroll(bool vertical, TMessage& message) {
  const auto& settings = grid_.Props();
  unsigned code = message.WParam & 0xFFFF;
  int position = static_cast<int>((message.WParam >> 16) & 0xFFFF);
  if (!vertical && code == SB_THUMBPOSITION && flatActive_ && grid_.ColCount() > 0) {
    // The flat bar reports positions on its own page; a page of the whole
    // bar leaves nothing to scroll.
    const int page = static_cast<int>(std::lround(grid_.VisibleColCount() * 128.0 / grid_.ColCount()));
    position = page >= 128 ? 0 : static_cast<int>(std::lround(position * 127.0 / (128 - page)));
    position = std::clamp(position, 0, kGridScrollScale);
    message.WParam = (static_cast<WPARAM>(position) << 16) | code;
  }
  const TScrollHintType wanted = vertical ? shVertical : shHorizontal;
  const bool hints = settings.ScrollHints == wanted || settings.ScrollHints == shBoth;
  if (hints && code == SB_ENDSCROLL) CloseHint();
  if (code != SB_THUMBTRACK) return;
  if (hints) ShowThumbHint(vertical, position);
  if (!settings.ScrollSynch) return;
  if (vertical)
    grid_.SetTopRow(ScrollThumbIndex(position, grid_.RowCount() - grid_.VisibleRowCount() - grid_.FixedRows(),
                                     grid_.FixedRows()));
  else
    grid_.SetLeftCol(ScrollThumbIndex(position, grid_.ColCount() - grid_.VisibleColCount() - grid_.FixedCols(),
                                      grid_.FixedCols()));
}

void TGridScroller::AfterScroll() {
  UpdateFlatBar(SB_VERT);
  UpdateFlatBar(SB_HORZ);
  if (grid_.HasCheckBox(grid_.Col(), grid_.Row())) grid_.HideInplaceEdit();
}

void TGridScroller::ShowThumbHint(bool vertical, int thumbPosition) {
  const int index =
      vertical ? ScrollThumbIndex(thumbPosition, grid_.RowCount() - grid_.VisibleRowCount() - grid_.FixedRows(),
                                  grid_.FixedRows())
               : ScrollThumbIndex(thumbPosition, grid_.ColCount() - grid_.VisibleColCount() - grid_.FixedCols(),
                                  grid_.FixedCols());
  AnsiString hint = AnsiString(vertical ? "Row : " : "Col : ") + IntToStr(index);
  if (grid_.OnScrollHint) grid_.OnScrollHint(&grid_, index, hint);
  if (!hintWindow_) hintWindow_ = std::make_unique<THintWindow>(nullptr);
  TRect r = hintWindow_->CalcHintRect(100, hint);
  hintWindow_->SetCaption(hint);
  hintWindow_->SetColor(grid_.Props().HintColor);
  const TPoint cursor = GetCursorPos();
  r = Bounds(r.Left + cursor.X + 10, r.Top + cursor.Y, r.Width(), r.Height());
  hintWindow_->ActivateHint(r, hint);
  hintShown_ = true;
}

void TGridScroller::CloseHint() {
  if (hintWindow_) hintWindow_->ReleaseHint();
  hintShown_ = false;
}

// ---- Size ----

bool TGridScroller::StretchOnSize() {
  const TColumnSize& size = *grid_.ColumnSize();
  if (!size.Stretch()) return false;
  const int col = size.StretchColumn == -1 ? grid_.ColCount() - 1 : size.StretchColumn;
  // A stretch column the grid no longer holds has nothing to fill.
  if (col < 0 || col >= grid_.ColCount()) return false;
  int others = 0;
  for (int c = 0; c < grid_.ColCount(); ++c)
    if (c != col) others += grid_.ColWidths(c);
  const bool stretch = others < grid_.Width();
  if (stretch) grid_.StretchColumn(col);
  if (AllowsBar(SB_HORZ)) grid_.ShowScrollBar(SB_HORZ, others + grid_.ColWidths(col) > grid_.ClientWidth());
  if (AllowsBar(SB_VERT))
    grid_.ShowScrollBar(SB_VERT, grid_.RowCount() - grid_.FixedRows() > grid_.VisibleRowCount());
  return stretch;
}

void TGridScroller::AfterSize() {
  const int width = grid_.Width();
  if (previousWidth_ > 0 && width != previousWidth_ && grid_.ColumnSize()->SynchWithGrid) {
    grid_.HideInplaceEdit();
    const double ratio = static_cast<double>(width) / previousWidth_;
    // A column keeps at least a pixel: one shrunk to nothing would never
    // grow back with the grid.
    for (int c = 0; c < grid_.ColCount(); ++c) {
      const int old = grid_.ColWidths(c);
      if (old > 0) grid_.SetColWidths(c, std::max(static_cast<int>(std::lround(old * ratio)), 1));
    }
  }
  previousWidth_ = width;
  if (updatingBarsAfterSize_) return;
  updatingBarsAfterSize_ = true;
  UpdateFlatBar(SB_VERT);
  UpdateFlatBar(SB_HORZ);
  FlatShowScrollBar(SB_HORZ, grid_.VisibleColCount() + grid_.FixedCols() < grid_.ColCount());
  FlatShowScrollBar(SB_VERT, grid_.VisibleRowCount() + grid_.FixedRows() < grid_.RowCount());
  if (!AllowsBar(SB_HORZ)) grid_.ShowScrollBar(SB_HORZ, false);
  if (!AllowsBar(SB_VERT)) grid_.ShowScrollBar(SB_VERT, false);
  updatingBarsAfterSize_ = false;
}

// ---- Drag scrolling ----

void TGridScroller::FreeDragTimer() {
  if (!dragTimer_) return;
  dragTimer_->SetEnabled(false);
  // The timer may be the one whose tick runs now: it goes after the tick.
  std::shared_ptr<TTimer> leaving(dragTimer_.release());
  QueueOnWindowThread([leaving] {});
}

void TGridScroller::DragOver(int x, int y, TDragState state, bool&) {
  TDragScrollOptions& options = *grid_.DragScrollOptions();
  if (!options.Active) {
    FreeDragTimer();
    return;
  }
  const int oldDir = dragDir_;
  dragDir_ = 0;
  if (state == dsDragEnter || state == dsDragMove) {
    const TDragScrollMargins& margins = *options.Margins();
    if (y < margins.TopMargin) dragDir_ |= dsdUp;
    else if (y > grid_.Height() - margins.BottomMargin) dragDir_ |= dsdDown;
    if (x < margins.LeftMargin) dragDir_ |= dsdLeft;
    else if (x > grid_.Width() - margins.RightMargin) dragDir_ |= dsdRight;
  }
  if (state == dsDragLeave || dragDir_ == 0) {
    FreeDragTimer();
    return;
  }
  const int initialDelay = options.Delays()->InitialDelay;
  if (!dragTimer_) {
    dragTimer_ = std::make_unique<TTimer>(nullptr);
    dragTimer_->SetInterval(static_cast<unsigned>(std::max(initialDelay, 0)));
    dragTimer_->OnTimer = [this](TObject*) { DragTimerProc(); };
    dragTimer_->SetEnabled(true);
  } else if (oldDir == 0) {
    dragTimer_->SetInterval(static_cast<unsigned>(std::max(initialDelay, 0)));
  }
}

void TGridScroller::DragTimerProc() {
  TDragScrollOptions& options = *grid_.DragScrollOptions();
  if (!options.Active) {
    FreeDragTimer();
    return;
  }
  if (dragTimer_) dragTimer_->SetInterval(static_cast<unsigned>(std::max(options.Delays()->RepeatDelay, 0)));
  int dir = dragDir_;
  bool canScroll = true;
  if (grid_.OnDragScroll) grid_.OnDragScroll(&grid_, grid_.TopRow(), grid_.LeftCol(), dir, canScroll);
  dragDir_ = dir;
  if (!canScroll) return;
  if ((dir & dsdUp) && grid_.TopRow() > grid_.FixedRows()) grid_.SetTopRow(grid_.TopRow() - 1);
  if ((dir & dsdDown) && grid_.VisibleRowCount() + grid_.TopRow() < grid_.RowCount())
    grid_.SetTopRow(grid_.TopRow() + 1);
  if ((dir & dsdLeft) && grid_.LeftCol() > grid_.FixedCols()) grid_.SetLeftCol(grid_.LeftCol() - 1);
  if ((dir & dsdRight) && grid_.VisibleColCount() + grid_.LeftCol() < grid_.ColCount())
    grid_.SetLeftCol(grid_.LeftCol() + 1);
}

// ---- The grid's scroll messages ----

void TVudUvizidIzed::WMVScroll(TMessage& message) {
  scroller_->BeforeScroll(true, message);
  TBaseGrid::WMVScroll(message);
  scroller_->AfterScroll();
}

void TVudUvizidIzed::WMHScroll(TMessage& message) {
  scroller_->BeforeScroll(false, message);
  TBaseGrid::WMHScroll(message);
  scroller_->AfterScroll();
}
