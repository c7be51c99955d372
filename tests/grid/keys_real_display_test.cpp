// The wheel and Tab on a grid of a window the window manager has activated
// (run by the keys_real_display test under xvfb-run): both go through the
// window system's event path into the grid's window procedure.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWheelEvent>
#include <QWindow>
#include <chrono>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "tests/grid/spintesting.h"

namespace {

TEST(RealDisplay, TheWheelAndTabMoveThroughTheGrid) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  TForm form(nullptr);
  form.SetBounds(40, 40, 520, 420);
  auto* grid = new TVudUvizidIzed(&form);
  grid->SetParent(&form);
  grid->SetBounds(10, 10, 480, 380);
  grid->SetColCount(4);
  grid->SetRowCount(40);
  grid->SetOptions(grid->Options() | goTabs);
  grid->MouseActions()->WheelIncrement = 2;
  form.Show();
  QWindow* window = form.Widget()->windowHandle();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(spintesting::WaitUntil([&] { return window->isExposed() && window->isActive(); },
                                     std::chrono::seconds(20)));
  grid->SetFocus();
  ASSERT_TRUE(spintesting::WaitUntil([&] { return grid->Focused(); }, std::chrono::seconds(5)));

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
