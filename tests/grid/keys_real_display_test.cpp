// The wheel and Tab on a grid of a window the window manager has activated
// (run by the keys_real_display test under xvfb-run): both go through the
// window system's event path into the grid's window procedure.
#include <gtest/gtest.h>

#include <QWheelEvent>

#include "framework/testing/harness.h"
#include "tests/grid/realdisplaygrid.h"

namespace {

TEST_F(RealDisplay, TheWheelAndTabMoveThroughTheGrid) {
  grid->SetColCount(4);
  grid->SetRowCount(40);
  grid->SetOptions(grid->Options() | goTabs);
  grid->MouseActions()->WheelIncrement = 2;
  ASSERT_TRUE(ShowActivated());
  ASSERT_TRUE(FocusGrid());

  grid->SetRow(5);
  QWidget* w = grid->Widget();
  const QPointF inside(100, 100);
  QWheelEvent towardsUser(inside, w->mapToGlobal(inside), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w, &towardsUser);
  EXPECT_EQ(grid->Row(), 7);

  grid->SetCol(2);
  harness::PressKey(grid, Qt::Key_Tab);
  harness::PressKey(grid, Qt::Key_Tab);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->Row(), 8);
  harness::PressKey(grid, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(grid->Col(), 3);
  EXPECT_EQ(grid->Row(), 7);
}

}  // namespace
