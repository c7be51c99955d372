// The real pointer over a grid on an X display (run by the hover_real_display
// test under xvfb-run, moved by xdotool): a fixed column's border shows the
// split cursor, a URL the hand, and a balloon shows over a resting pointer.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QStringList>
#include <QWidget>
#include <QWindow>
#include <chrono>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "framework/tooltips.h"
#include "grid/duruzav.h"
#include "tests/grid/spintesting.h"

namespace {

void MovePointer(TPoint screen) {
  harness::RunServed("xdotool", {"mousemove", QString::number(screen.X), QString::number(screen.Y)});
}

TEST(RealDisplay, PointerOverBordersLinksAndRestingOnACell) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  if (harness::RunServed("sh", {"-c", "command -v xdotool"}).isEmpty()) GTEST_SKIP() << "needs xdotool";
  TForm form(nullptr);
  form.SetBounds(40, 40, 520, 420);
  auto* grid = new TVudUvizidIzed(&form);
  grid->SetParent(&form);
  grid->SetBounds(10, 10, 480, 380);
  grid->SetColCount(4);
  grid->SetRowCount(5);
  grid->MouseActions()->SizeFixedCol = true;
  grid->SetURLShow(true);
  grid->SetCellEx(2, 2, "http://example.org");
  grid->SetCellEx(1, 3, "resting here");
  grid->Balloon()->InitialDelay = 100;
  grid->Balloon()->SetEnable(true);
  form.Show();
  QWindow* window = form.Widget()->windowHandle();
  ASSERT_NE(window, nullptr);
  // The window manager places the window before it activates it.
  ASSERT_TRUE(spintesting::WaitUntil([&] { return window->isExposed() && window->isActive(); },
                                     std::chrono::seconds(20)));

  const int y = (grid->CellRect(1, 3).Top + grid->CellRect(1, 3).Bottom) / 2;
  // The move that finds the border comes first; the cursor changes with
  // the next one.
  MovePointer(grid->ClientToScreen({grid->ColWidths(0) - 1, y}));
  ASSERT_TRUE(spintesting::WaitUntil([&] { return grid->Hover().State().fixedColBorder; }, std::chrono::seconds(5)));
  MovePointer(grid->ClientToScreen({grid->ColWidths(0) + 1, y}));
  EXPECT_TRUE(spintesting::WaitUntil([&] { return grid->Widget()->cursor().shape() == Qt::SplitHCursor; },
                                     std::chrono::seconds(5)));

  const TRect link = grid->CellRect(2, 2);
  MovePointer(grid->ClientToScreen({(link.Left + link.Right) / 2, (link.Top + link.Bottom) / 2}));
  EXPECT_TRUE(spintesting::WaitUntil([&] { return grid->Cursor() == crHandPoint; }, std::chrono::seconds(5)));

  const TRect rest = grid->CellRect(1, 3);
  MovePointer(grid->ClientToScreen({rest.Left + 5, y}));
  TToolTipWindow* tip = grid->Hover().ToolTip();
  ASSERT_NE(tip, nullptr);
  ASSERT_TRUE(spintesting::WaitUntil([&] { return tip->IsShown(); }, std::chrono::seconds(5)));
  EXPECT_EQ(tip->TipText(), "resting here");
  EXPECT_EQ(grid->Cursor(), crDefault);
}

}  // namespace
