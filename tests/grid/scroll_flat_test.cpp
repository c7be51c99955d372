// The flat scroll bars through the common controls' flat functions, here
// the recording stand-in loaded before the grid asks for them.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "grid/duruzav.h"
#include "platform/module.h"
#include "tests/grid/fakeflatsb.h"

namespace {

class FlatBars : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    module = platform::LoadLibrary("comctl32.dll");
    ASSERT_NE(module, nullptr);
    flat = platform::BindEntryPoint<FakeFlatStateFn>(module, "FakeFlatState")();
  }
  FlatBars() {
    flat->Reset();
    grid.SetParent(&form);
  }
  void Scroll(unsigned msg, unsigned code, int position = 0) {
    grid.Perform(msg, (static_cast<WPARAM>(position) << 16) | code);
  }

  static inline platform::ModuleHandle module = nullptr;
  static inline TFakeFlatState* flat = nullptr;
  TForm form{nullptr};
  TVudUvizidIzed grid{&form};
  TGridScroller& scroller = *grid.Scroller();
};

TEST_F(FlatBars, TheScrollTypeChoosesTheLookOfBothBars) {
  struct Case {
    TScrollType type;
    int mode;
  };
  for (const Case& c : {Case{ssFlat, FSB_FLAT_MODE}, Case{ssEncarta, FSB_ENCARTA_MODE}}) {
    scroller.SetScrollType(c.type);
    EXPECT_TRUE(scroller.FlatActive());
    EXPECT_EQ(flat->props[WSB_PROP_VSTYLE], c.mode);
    EXPECT_EQ(flat->props[WSB_PROP_HSTYLE], c.mode);
  }
  scroller.SetScrollType(ssNormal);
  EXPECT_FALSE(scroller.FlatActive());
  EXPECT_EQ(flat->doneCalls, 1);
}

TEST_F(FlatBars, ColourAndWidthReachTheFlatBars) {
  scroller.SetScrollType(ssFlat);
  EXPECT_EQ(flat->props[WSB_PROP_VBKGCOLOR], -1);  // clNone: the system colour stays
  scroller.SetScrollColor(0x00FF00);
  EXPECT_EQ(flat->props[WSB_PROP_VBKGCOLOR], 0x00FF00);
  EXPECT_EQ(flat->props[WSB_PROP_HBKGCOLOR], 0x00FF00);
  scroller.SetScrollWidth(12);
  EXPECT_EQ(flat->props[WSB_PROP_CXVSCROLL], 12);
  EXPECT_EQ(flat->props[WSB_PROP_CYHSCROLL], 12);
}

TEST_F(FlatBars, ABarWhoseRowsAllShowIsHidden) {
  scroller.SetScrollType(ssFlat);
  EXPECT_EQ(flat->shown[SB_VERT], 0);
  grid.SetRowCount(50);
  scroller.FlatUpdate();
  EXPECT_EQ(flat->shown[SB_VERT], 1);
}

TEST_F(FlatBars, ScrollingPassesTheStandardBarsInformationOn) {
  grid.SetRowCount(101);
  scroller.SetScrollType(ssFlat);
  Scroll(WM_VSCROLL, SB_BOTTOM);
  EXPECT_EQ(flat->info[SB_VERT].cbSize, 28u);
  EXPECT_EQ(flat->info[SB_VERT].fMask, SIF_ALL);
  EXPECT_EQ(flat->info[SB_VERT].nPos, kGridScrollScale);
}

TEST_F(FlatBars, TheFlatThumbPositionIsRescaledToTheGrid) {
  grid.SetColCount(40);
  scroller.SetScrollType(ssFlat);
  const int page = static_cast<int>(std::lround(grid.VisibleColCount() * 128.0 / grid.ColCount()));
  const int reported = 128 - page;  // the flat bar's last position
  Scroll(WM_HSCROLL, SB_THUMBPOSITION, reported);
  EXPECT_EQ(grid.LeftCol() + grid.VisibleColCount(), grid.ColCount());
}

// Every column in view makes a page of the whole bar: nothing to scroll,
// and no division by its empty rest.
TEST_F(FlatBars, APageOfTheWholeBarScrollsNothing) {
  grid.SetFixedCols(0);
  grid.SetColCount(3);
  scroller.SetScrollType(ssFlat);
  Scroll(WM_HSCROLL, SB_THUMBPOSITION, 50);
  EXPECT_EQ(grid.LeftCol(), 0);
}

TEST_F(FlatBars, TurningTheProportionalThumbOffEndsTheFlatBarsOfTheNormalType) {
  grid.SetRowCount(101);
  scroller.SetScrollType(ssFlat);
  scroller.SetScrollProportional(true);
  grid.UpdateVScroller();
  grid.Props().ScrollType = ssNormal;  // as a stored grid may have it
  scroller.SetScrollProportional(false);
  EXPECT_FALSE(scroller.FlatActive());
  TScrollInfo info;
  info.fMask = SIF_PAGE;
  grid.GetScrollInfo(SB_VERT, info);
  EXPECT_EQ(info.nPage, 0u);
}

}  // namespace
