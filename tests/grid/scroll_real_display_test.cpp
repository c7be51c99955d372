// A grid worked through the X server as a user works it (run by the
// scroll_real_display test under xvfb-run): xdotool clicks a cell, drags a
// column border, turns the wheel and tabs through the cells.
#include <gtest/gtest.h>

#include <chrono>

#include "framework/testing/harness.h"
#include "tests/grid/realdisplaygrid.h"
#include "tests/grid/spintesting.h"

namespace {

using spintesting::WaitUntil;

TEST_F(RealDisplay, AGridIsClickedSizedWheeledAndTabbedThrough) {
  if (!HasXdotool()) GTEST_SKIP() << "needs xdotool";
  grid->SetColCount(5);
  grid->SetRowCount(30);
  grid->SetOptions(grid->Options() | goColSizing | goTabs);
  int clicks = 0;
  int clickedRow = -1;
  int clickedCol = -1;
  grid->OnClickCell = [&](TObject*, int row, int col) {
    ++clicks;
    clickedRow = row;
    clickedCol = col;
  };
  ASSERT_TRUE(ShowActivated());
  constexpr auto patience = std::chrono::seconds(5);

  // A click on a cell makes it current and names it, row first.
  ASSERT_TRUE(Xdotool(MoveToCell(2, 3) << "click" << "1"));
  EXPECT_TRUE(WaitUntil([&] { return grid->Col() == 2 && grid->Row() == 3; }, patience));
  EXPECT_TRUE(WaitUntil([&] { return clicks == 1; }, patience));
  EXPECT_EQ(clickedRow, 3);
  EXPECT_EQ(clickedCol, 2);

  // A header border dragged 40 pixels to the right widens its column by as
  // much; the press on the border clicks no cell.
  const TRect header = grid->CellRect(1, 0);
  const int width = grid->ColWidths(1);
  const int borderY = (header.Top + header.Bottom) / 2;
  ASSERT_TRUE(Xdotool(MoveTo({header.Right - 1, borderY}) << "mousedown" << "1"));
  ASSERT_TRUE(Xdotool(MoveTo({header.Right + 19, borderY})));
  ASSERT_TRUE(Xdotool(MoveTo({header.Right + 39, borderY}) << "mouseup" << "1"));
  EXPECT_TRUE(WaitUntil([&] { return grid->ColWidths(1) == width + 40; }, patience)) << grid->ColWidths(1);
  harness::ProcessEvents();
  EXPECT_EQ(clicks, 1);

  // One notch of the wheel towards the user moves WheelIncrement rows.
  grid->MouseActions()->WheelIncrement = 2;
  grid->SetRow(5);
  ASSERT_TRUE(Xdotool(MoveToCell(3, 5) << "click" << "5"));
  EXPECT_TRUE(WaitUntil([&] { return grid->Row() == 7; }, patience)) << grid->Row();
  EXPECT_EQ(grid->Col(), 2);

  // Tab walks right and on into the next row; Shift+Tab walks back.
  grid->SetCol(3);
  grid->SetRow(1);
  ASSERT_TRUE(FocusGrid());
  ASSERT_TRUE(Xdotool({"key", "Tab"}));
  EXPECT_TRUE(WaitUntil([&] { return grid->Col() == 4 && grid->Row() == 1; }, patience));
  ASSERT_TRUE(Xdotool({"key", "Tab"}));
  EXPECT_TRUE(WaitUntil([&] { return grid->Col() == 1 && grid->Row() == 2; }, patience))
      << grid->Col() << "," << grid->Row();
  ASSERT_TRUE(Xdotool({"key", "shift+Tab"}));
  EXPECT_TRUE(WaitUntil([&] { return grid->Col() == 4 && grid->Row() == 1; }, patience))
      << grid->Col() << "," << grid->Row();
}

}  // namespace
