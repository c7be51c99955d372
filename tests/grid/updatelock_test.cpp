// The grid's update counter: painting held off while it is above 0 and one
// repaint when the last bracket closes.
#include <gtest/gtest.h>

#include "tests/grid/updatetesting.h"

namespace {

using updatetesting::CountingGridOnForm;

class UpdateLock : public ::testing::Test, public CountingGridOnForm {};

TEST_F(UpdateLock, NestedBracketsRepaintOnceWhenTheLastCloses) {
  grid.BeginUpdate();
  grid.BeginUpdate();
  grid.EndUpdate();
  EXPECT_TRUE(grid.GetLockFlag());
  EXPECT_EQ(grid.redrawsOn, 0);
  grid.EndUpdate();
  EXPECT_FALSE(grid.GetLockFlag());
  EXPECT_EQ(grid.redrawsOn, 1);
  EXPECT_TRUE(grid.PaintPending());
}

TEST_F(UpdateLock, NothingIsPaintedWhileLocked) {
  grid.BeginUpdate();
  grid.Repaint();
  grid.Invalidate();
  EXPECT_FALSE(grid.PaintPending());
  EXPECT_EQ(grid.paints, 1);
  grid.EndUpdate();
  EXPECT_TRUE(grid.PaintPending());
}

// StartUpdate locks without telling the window, so the grid's own paint
// handler must refuse the paint.
TEST_F(UpdateLock, StartUpdateLocksAlsoAHiddenGridAndPaintAnswersZero) {
  grid.Hide();
  grid.StartUpdate();
  grid.Show();
  EXPECT_TRUE(grid.GetLockFlag());
  EXPECT_EQ(grid.Perform(WM_PAINT), 0);
  EXPECT_EQ(grid.paints, 1);
  grid.EndUpdate();
  EXPECT_TRUE(grid.PaintPending());
}

TEST_F(UpdateLock, BeginOnAHiddenGridDoesNotCountAndEndStaysAtZeroAndRepaints) {
  grid.Hide();
  grid.BeginUpdate();
  EXPECT_FALSE(grid.GetLockFlag());
  grid.Show();
  grid.EndUpdate();
  EXPECT_FALSE(grid.GetLockFlag());
  EXPECT_EQ(grid.redrawsOn, 1);
  grid.BeginUpdate();  // one bracket still locks: the counter did not go below 0
  EXPECT_TRUE(grid.GetLockFlag());
}

TEST_F(UpdateLock, AGridHiddenDuringTheBracketPaintsAgainWhenShown) {
  grid.BeginUpdate();
  grid.Hide();
  grid.EndUpdate();
  grid.Show();
  EXPECT_FALSE(grid.GetLockFlag());
  EXPECT_TRUE(grid.PaintPending());
}

TEST_F(UpdateLock, ResetUpdateUnlocksWithoutRepaintingAndLaterChangesPaint) {
  grid.BeginUpdate();
  grid.BeginUpdate();
  grid.ResetUpdate();
  EXPECT_FALSE(grid.GetLockFlag());
  EXPECT_FALSE(grid.PaintPending());
  grid.InvalidateCell(1, 1);
  EXPECT_TRUE(grid.PaintPending());
}

TEST_F(UpdateLock, LockFlagIsTheBracket) {
  grid.SetLockFlag(true);
  EXPECT_TRUE(grid.GetLockFlag());
  grid.SetLockFlag(false);
  EXPECT_FALSE(grid.GetLockFlag());
  EXPECT_EQ(grid.redrawsOn, 1);
}

}  // namespace
