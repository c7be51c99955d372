// The grid's scroll bars as the user works them: the requests of the bars
// sent to the grid as messages, the thumb hints, ScrollSynch, the
// proportional thumb and scrolling while something is dragged near the
// edges.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <vector>

#include "framework/extracontrols.h"
#include "framework/forms.h"
#include "framework/hints.h"
#include "framework/thread.h"
#include "grid/duruzav.h"
#include "platform/module.h"
#include "tests/grid/spintesting.h"

namespace {

WPARAM Request(unsigned code, int position = 0) {
  return (static_cast<WPARAM>(static_cast<std::uint16_t>(position)) << 16) | code;
}

// 1 fixed row and 10 rows in view (the default 400 x 250 grid with rows of
// 21 pixels).
class Scrolling : public ::testing::Test {
 protected:
  Scrolling() {
    grid.SetParent(&form);
    grid.SetRowCount(101);
  }
  void VScroll(unsigned code, int position = 0) { grid.Perform(WM_VSCROLL, Request(code, position)); }
  void HScroll(unsigned code, int position = 0) { grid.Perform(WM_HSCROLL, Request(code, position)); }
  AnsiString HintText() { return grid.Scroller()->HintWindow() ? grid.Scroller()->HintWindow()->Caption() : ""; }

  TForm form{nullptr};
  TVudUvizidIzed grid{&form};
};

TEST_F(Scrolling, TheBarsRequestsScrollTheGrid) {
  ASSERT_EQ(grid.VisibleRowCount(), 10);
  VScroll(SB_LINEDOWN);
  EXPECT_EQ(grid.TopRow(), 2);
  VScroll(SB_PAGEDOWN);
  EXPECT_EQ(grid.TopRow(), 12);
  VScroll(SB_LINEUP);
  EXPECT_EQ(grid.TopRow(), 11);
  VScroll(SB_BOTTOM);
  EXPECT_EQ(grid.TopRow(), 91);
  VScroll(SB_TOP);
  EXPECT_EQ(grid.TopRow(), 1);
  VScroll(SB_THUMBPOSITION, 127);
  EXPECT_EQ(grid.TopRow(), 91);
  // Without goThumbTracking (and ScrollSynch) a dragged thumb moves nothing.
  VScroll(SB_THUMBTRACK, 0);
  EXPECT_EQ(grid.TopRow(), 91);
}

TEST_F(Scrolling, TheVerticalThumbHintNamesTheRowAndEndsWithTheDrag) {
  grid.Props().ScrollHints = shVertical;
  struct Case {
    int position;
    const char* hint;
  };
  for (const Case& c : {Case{127, "Row : 91"}, Case{0, "Row : 1"}, Case{64, "Row : 46"}}) {
    VScroll(SB_THUMBTRACK, c.position);
    EXPECT_EQ(HintText(), c.hint) << c.position;
    EXPECT_TRUE(grid.Scroller()->HintShown());
    EXPECT_TRUE(grid.Scroller()->HintWindow()->IsShown());
  }
  EXPECT_EQ(grid.TopRow(), 1);  // hints alone do not scroll
  VScroll(SB_ENDSCROLL);
  EXPECT_FALSE(grid.Scroller()->HintShown());
  EXPECT_FALSE(grid.Scroller()->HintWindow()->IsShown());
}

TEST_F(Scrolling, HintsShowOnlyForTheirDirection) {
  grid.SetColCount(30);
  grid.Props().ScrollHints = shHorizontal;
  VScroll(SB_THUMBTRACK, 127);
  EXPECT_EQ(grid.Scroller()->HintWindow(), nullptr);
  const int range = grid.ColCount() - grid.VisibleColCount() - grid.FixedCols();
  HScroll(SB_THUMBTRACK, 127);
  EXPECT_EQ(HintText(), "Col : " + IntToStr(range + 1));
  grid.Props().ScrollHints = shBoth;
  VScroll(SB_THUMBTRACK, 127);
  EXPECT_EQ(HintText(), "Row : 91");
}

TEST_F(Scrolling, TheApplicationWritesTheHint) {
  grid.Props().ScrollHints = shVertical;
  int hintedRow = -1;
  grid.OnScrollHint = [&](TObject*, int row, AnsiString& hint) {
    hintedRow = row;
    hint = "Node " + IntToStr(row);
  };
  VScroll(SB_THUMBTRACK, 127);
  EXPECT_EQ(hintedRow, 91);
  EXPECT_EQ(HintText(), "Node 91");
}

TEST_F(Scrolling, ScrollSynchFollowsTheThumbLive) {
  grid.Props().ScrollSynch = true;
  VScroll(SB_THUMBTRACK, 127);
  EXPECT_EQ(grid.TopRow(), 91);
  VScroll(SB_THUMBTRACK, 64);
  EXPECT_EQ(grid.TopRow(), 46);
  grid.SetColCount(30);
  const int range = grid.ColCount() - grid.VisibleColCount() - grid.FixedCols();
  HScroll(SB_THUMBTRACK, 127);
  EXPECT_EQ(grid.LeftCol(), range + 1);
}

// Every row in view leaves the thumb nothing to choose: the first scrollable
// row, never one above it.
TEST_F(Scrolling, AThumbOverAGridThatFitsStaysOnTheFirstRow) {
  grid.SetRowCount(5);
  grid.Props().ScrollSynch = true;
  grid.Props().ScrollHints = shVertical;
  VScroll(SB_THUMBTRACK, 127);
  EXPECT_EQ(grid.TopRow(), 1);
  EXPECT_EQ(HintText(), "Row : 1");
}

// The bar itself, worked as the user works it, sends its requests.
TEST_F(Scrolling, TheBarSendsItsRequestsAsMessages) {
  QScrollBar* bar = nullptr;
  for (QScrollBar* b : grid.Widget()->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly))
    if (b->orientation() == Qt::Vertical) bar = b;
  ASSERT_NE(bar, nullptr);
  std::vector<unsigned> requests;
  const TWndMethod inherited = grid.WindowProc;
  grid.WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_VSCROLL) requests.push_back(m.WParam & 0xFFFF);
    inherited(m);
  };
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(grid.TopRow(), 2);
  EXPECT_EQ(requests, (std::vector<unsigned>{SB_LINEDOWN, SB_ENDSCROLL}));
  EXPECT_EQ(bar->value(), grid.VertScrollPos());

  requests.clear();
  grid.Props().ScrollHints = shVertical;
  bar->setSliderDown(true);
  bar->setSliderPosition(kGridScrollScale);
  EXPECT_EQ(HintText(), "Row : 91");
  EXPECT_EQ(grid.TopRow(), 2);  // not tracked without goThumbTracking
  bar->setSliderDown(false);
  EXPECT_EQ(grid.TopRow(), 91);
  EXPECT_FALSE(grid.Scroller()->HintShown());
  ASSERT_GE(requests.size(), 3u);
  EXPECT_EQ(requests[0], SB_THUMBTRACK);
  EXPECT_EQ(requests[1], SB_THUMBPOSITION);
  EXPECT_EQ(requests[2], SB_ENDSCROLL);
  grid.WindowProc = inherited;
}

TEST(ScrollThumb, IndexOfAThumbPosition) {
  EXPECT_EQ(ScrollThumbIndex(127, 90, 1), 91);
  EXPECT_EQ(ScrollThumbIndex(0, 90, 1), 1);
  EXPECT_EQ(ScrollThumbIndex(127, 0, 2), 2);
  EXPECT_EQ(ScrollThumbIndex(127, -7, 1), 1);
}

// The thumb's last position stays 127 whatever share it shows.
TEST(ScrollThumb, AProportionalThumbKeepsItsPositions) {
  for (float r : {0.0f, 0.1f, 0.5f, 0.9f, 0.9998f, -3.0f}) {
    const TProportionalThumb thumb = ProportionalThumb(r);
    EXPECT_GE(thumb.nPage, 1) << r;
    EXPECT_EQ(thumb.nMax - thumb.nPage + 1, kGridScrollScale) << r;
  }
  EXPECT_EQ(ProportionalThumb(0.5f).nMax, 255);
  EXPECT_EQ(ProportionalThumb(0.5f).nPage, 129);
}

TEST_F(Scrolling, TheProportionalThumbShowsTheVisibleShare) {
  grid.Scroller()->SetScrollProportional(true);
  grid.UpdateVScroller();
  TScrollInfo info;
  info.fMask = SIF_ALL;
  grid.GetScrollInfo(SB_VERT, info);
  // What the 250 pixels leave beside the header row, of 100 rows of 21
  // pixels, a grid line each.
  const int lw = grid.GridLineWidth();
  const TProportionalThumb expected =
      ProportionalThumb(static_cast<float>(250 - (lw + 21 + lw)) / static_cast<float>(lw + 100 * (21 + lw)));
  EXPECT_EQ(info.nMax, expected.nMax);
  EXPECT_EQ(static_cast<int>(info.nPage), expected.nPage);
  EXPECT_EQ(info.nPos, 0);
  grid.SetTopRow(91);
  grid.UpdateVScroller();
  grid.GetScrollInfo(SB_VERT, info);
  EXPECT_EQ(info.nPos, 127);
}

TEST_F(Scrolling, AProportionalThumbOverAGridThatFitsLeavesTheBarAlone) {
  grid.SetRowCount(5);
  grid.Scroller()->SetScrollProportional(true);
  grid.UpdateVScroller();
  TScrollInfo info;
  info.fMask = SIF_ALL;
  grid.GetScrollInfo(SB_VERT, info);
  EXPECT_EQ(info.nMax, kGridScrollScale);
  EXPECT_EQ(info.nPage, 0u);
}

// Fixed rows taller than the grid leave no visible share; the thumb is the
// smallest, not a page below one position.
TEST_F(Scrolling, FixedRowsTallerThanTheGridGiveTheSmallestThumb) {
  grid.SetFixedRows(3);
  for (int r = 0; r < 3; ++r) grid.SetRowHeights(r, 200);
  grid.Scroller()->SetScrollProportional(true);
  grid.UpdateVScroller();
  TScrollInfo info;
  info.fMask = SIF_ALL;
  grid.GetScrollInfo(SB_VERT, info);
  EXPECT_EQ(info.nMax, 127);
  EXPECT_EQ(info.nPage, 1u);
}

TEST_F(Scrolling, TheHorizontalBarGoesWhenTheColumnsFit) {
  grid.SetColCount(30);
  ASSERT_TRUE(grid.ScrollBarShown(false));
  grid.Scroller()->SetScrollProportional(true);
  grid.SetColCount(3);
  grid.UpdateHScroller();
  EXPECT_FALSE(grid.ScrollBarShown(false));
}

TEST_F(Scrolling, ScrollBarsNamesTheBarsTheGridMayShow) {
  grid.SetColCount(30);
  grid.Scroller()->SetScrollBars(ssHorizontal);
  EXPECT_FALSE(grid.ScrollBarShown(true));
  EXPECT_TRUE(grid.ScrollBarShown(false));
  grid.Scroller()->SetScrollBars(ssNone);
  EXPECT_FALSE(grid.ScrollBarShown(false));
  grid.Scroller()->SetScrollBars(ssBoth);
  EXPECT_TRUE(grid.ScrollBarShown(true));
}

// Here no common-controls module is loaded: the standard bars stay.
TEST_F(Scrolling, WithoutTheFlatFunctionsTheStandardBarsStay) {
  if (platform::GetModuleHandle("comctl32.dll")) GTEST_SKIP() << "the flat stand-in is loaded";
  grid.Scroller()->SetScrollType(ssFlat);
  EXPECT_EQ(grid.Props().ScrollType, ssFlat);
  EXPECT_FALSE(grid.Scroller()->FlatActive());
  EXPECT_TRUE(grid.ScrollBarShown(true));
  HScroll(SB_THUMBPOSITION, 127);  // no rescaling without flat bars
}

// ---- Drag scrolling ----

class DragScrolling : public Scrolling {
 protected:
  DragScrolling() {
    grid.SetColCount(30);
    grid.DragScrollOptions()->Active = true;
    grid.SetTopRow(50);
    grid.SetLeftCol(10);
  }
  // A timer the scroll switched off is freed on the window thread's queue:
  // run it before the grid goes.
  ~DragScrolling() override { CheckSynchronize(); }
  void Over(int x, int y, TDragState state = dsDragMove) {
    bool accept = true;
    grid.Scroller()->DragOver(x, y, state, accept);
  }
  TGridScroller& scroller = *grid.Scroller();
};

TEST_F(DragScrolling, MarginsChooseTheDirections) {
  struct Case {
    int x, y, dir;
  };
  for (const Case& c : {Case{200, 10, dsdUp}, Case{200, 240, dsdDown}, Case{10, 120, dsdLeft},
                        Case{390, 120, dsdRight}, Case{10, 10, dsdUp | dsdLeft}, Case{390, 240, dsdDown | dsdRight}}) {
    Over(c.x, c.y);
    EXPECT_EQ(scroller.DragScrollDir(), c.dir) << c.x << "," << c.y;
    ASSERT_NE(scroller.DragTimer(), nullptr);
  }
}

TEST_F(DragScrolling, EachTickStepsOnceAfterTheFirstDelay) {
  Over(10, 10, dsDragEnter);
  ASSERT_NE(scroller.DragTimer(), nullptr);
  EXPECT_EQ(scroller.DragTimer()->Interval(), 1000u);
  scroller.DragTimerProc();
  EXPECT_EQ(scroller.DragTimer()->Interval(), 250u);
  EXPECT_EQ(grid.TopRow(), 49);
  EXPECT_EQ(grid.LeftCol(), 9);
  Over(390, 240);
  scroller.DragTimerProc();
  EXPECT_EQ(grid.TopRow(), 50);
  EXPECT_EQ(grid.LeftCol(), 10);
}

TEST_F(DragScrolling, ScrollingStopsAtTheEnds) {
  grid.SetTopRow(1);
  Over(200, 10);
  scroller.DragTimerProc();
  EXPECT_EQ(grid.TopRow(), 1);
  grid.SetTopRow(91);
  Over(200, 240);
  scroller.DragTimerProc();
  EXPECT_EQ(grid.TopRow(), 91);
}

TEST_F(DragScrolling, AHandlerThatRefusesKeepsTheTimerAtTheRepeatDelay) {
  int asked = 0;
  grid.OnDragScroll = [&](TObject*, int topRow, int, int& dir, bool& canScroll) {
    ++asked;
    EXPECT_EQ(topRow, 50);
    EXPECT_EQ(dir, dsdUp);
    canScroll = false;
  };
  Over(200, 10);
  scroller.DragTimerProc();
  scroller.DragTimerProc();
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(grid.TopRow(), 50);
  ASSERT_NE(scroller.DragTimer(), nullptr);
  EXPECT_EQ(scroller.DragTimer()->Interval(), 250u);
}

TEST_F(DragScrolling, AHandlerMayTurnTheDirection) {
  grid.OnDragScroll = [](TObject*, int, int, int& dir, bool&) { dir = dsdDown; };
  Over(200, 10);
  scroller.DragTimerProc();
  EXPECT_EQ(grid.TopRow(), 51);
}

TEST_F(DragScrolling, TheTimerGoesWhenTheDragLeavesTheMarginsOrTheGrid) {
  Over(200, 10);
  Over(200, 120);
  EXPECT_EQ(scroller.DragTimer(), nullptr);
  Over(200, 10);
  Over(200, 10, dsDragLeave);
  EXPECT_EQ(scroller.DragTimer(), nullptr);
  // Back into a margin after a pause inside: the first delay again.
  Over(200, 10);
  scroller.DragTimerProc();
  Over(200, 120);
  Over(200, 10);
  EXPECT_EQ(scroller.DragTimer()->Interval(), 1000u);
}

// The timer itself ticks; switched off, it goes during its own tick.
TEST_F(DragScrolling, TheTimerScrollsAndEndsItselfWhenSwitchedOff) {
  grid.DragScrollOptions()->Delays()->InitialDelay = 1;
  grid.DragScrollOptions()->Delays()->RepeatDelay = 1;
  Over(200, 10);
  EXPECT_TRUE(spintesting::WaitUntil([&] { return grid.TopRow() < 49; }, std::chrono::seconds(10)));
  grid.DragScrollOptions()->Active = false;
  EXPECT_TRUE(spintesting::WaitUntil([&] { return scroller.DragTimer() == nullptr; }, std::chrono::seconds(10)));
  harness::ProcessEvents();
  const int top = grid.TopRow();
  harness::ProcessEvents();
  EXPECT_EQ(grid.TopRow(), top);
}

TEST_F(DragScrolling, SwitchedOffNothingScrolls) {
  Over(200, 10);
  grid.DragScrollOptions()->Active = false;
  scroller.DragTimerProc();
  EXPECT_EQ(scroller.DragTimer(), nullptr);
  EXPECT_EQ(grid.TopRow(), 50);
  Over(200, 10);
  EXPECT_EQ(scroller.DragTimer(), nullptr);
}

}  // namespace
