#pragma once
// The cell grid's scroll bars: the flat look of the common controls' flat
// scroll bar functions (bound by name where the module is loaded), the thumb
// sized in proportion to the visible part of the grid, the row or column
// hint while a thumb is dragged, and scrolling while something is dragged
// near the grid's edges.
//
// Thumb positions run over 0..127 (kGridScrollScale): the proportional
// thumb sets a range and page that keep exactly these positions.
#include <functional>
#include <memory>

#include "framework/grids.h"
#include "framework/standardcontrols.h"
#include "framework/strings.h"
#include "grid/duruzav_types.h"

class THintWindow;
class TTimer;
class TVudUvizidIzed;

// Where a drag stands relative to the grid.
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

// The directions of a drag scroll, as bits of a set.
enum TDragScrollDirection : int { dsdUp = 1, dsdDown = 2, dsdLeft = 4, dsdRight = 8 };

using TScrollHintEvent = std::function<void(TObject* Sender, int ARow, AnsiString& hintstr)>;
using TDragScrollEvent =
    std::function<void(TObject* Sender, int TopRow, int LeftCol, int& DragScrollDir, bool& CanScroll)>;

// Flat scroll bar properties (WSB_PROP_*) and modes (FSB_*).
inline constexpr int WSB_PROP_CYHSCROLL = 0x4, WSB_PROP_CXVSCROLL = 0x8, WSB_PROP_VBKGCOLOR = 0x40,
                     WSB_PROP_HBKGCOLOR = 0x80, WSB_PROP_VSTYLE = 0x100, WSB_PROP_HSTYLE = 0x200;
inline constexpr int FSB_REGULAR_MODE = 0, FSB_ENCARTA_MODE = 1, FSB_FLAT_MODE = 2;

// Thumb positions for a request's thumb position p on 0..127: the first
// row or column of a range of `range` scrollable entries beyond the visible
// ones, counted from `fixed`. A range below 1 keeps the first entry.
int ScrollThumbIndex(int p, int range, int fixed);

// The range and page of a proportional thumb for a visible share r (0..1)
// of the scrollable extent: positions stay 0..127 whatever the share.
struct TProportionalThumb {
  int nMax;
  int nPage;
};
TProportionalThumb ProportionalThumb(float r);

class TGridScroller {
 public:
  explicit TGridScroller(TVudUvizidIzed& grid);
  ~TGridScroller();
  TGridScroller(const TGridScroller&) = delete;
  TGridScroller& operator=(const TGridScroller&) = delete;

  // ---- Properties ----
  void SetScrollType(TScrollType type);
  void SetScrollColor(TColor color);
  void SetScrollWidth(int width);
  void SetScrollProportional(bool on);
  // The grid keeps its own copy of the bars it allows.
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle style);
  bool AllowsBar(int bar) const;

  // ---- The flat scroll bar binding ----
  bool FlatActive() const { return flatActive_; }
  void FlatInit();
  void FlatDone();
  void FlatUpdate();
  void FlatSetScrollInfo(int bar, const TScrollInfo& info, bool redraw);
  void FlatSetScrollProp(int index, int value, bool redraw);
  void FlatShowScrollBar(int bar, bool show);
  void UpdateType();
  void UpdateColor();
  void UpdateWidth();
  // The standard bar's information passed to the flat bar.
  void UpdateFlatBar(int bar);

  // ---- Proportional thumb ----
  void UpdateScroller(bool vertical);

  // ---- Scroll requests (the grid's WMVScroll and WMHScroll) ----
  // Hints and ScrollSynch before the grid's own scrolling (the message may
  // be rescaled), the bars and the editor after it.
  void BeforeScroll(bool vertical, TMessage& message);
  void AfterScroll();
  // The hint while a thumb is dragged; null before the first.
  THintWindow* HintWindow() const { return hintWindow_.get(); }
  bool HintShown() const { return hintShown_; }

  // ---- Size (the grid's WMSize) ----
  // Before the platform's size handling, with ColumnSize.Stretch on: the
  // stretch column fills the width and the bars follow. True when it
  // stretched the column, which then stands for AfterSize.
  bool StretchOnSize();
  // After the grid's own size handling: the columns keep their share of the
  // width (ColumnSize.SynchWithGrid), the bars follow the new size.
  void AfterSize();

  // ---- Drag scrolling ----
  void DragOver(int x, int y, TDragState state, bool& accept);
  void DragTimerProc();
  // The drag-scroll timer while one runs, else null.
  TTimer* DragTimer() const { return dragTimer_.get(); }
  int DragScrollDir() const { return dragDir_; }

 private:
  void ShowThumbHint(bool vertical, int thumbPosition);
  void CloseHint();
  void FreeDragTimer();
  // The sum of the extents of entries [from, to) with a grid line each.
  int Extent(bool vertical, int from, int to) const;

  TVudUvizidIzed& grid_;
  TScrollStyle scrollBars_ = ssBoth;
  bool flatActive_ = false;
  std::unique_ptr<THintWindow> hintWindow_;
  bool hintShown_ = false;
  int previousWidth_ = 0;
  bool updatingBarsAfterSize_ = false;
  std::unique_ptr<TTimer> dragTimer_;
  int dragDir_ = 0;
};
