// A grid worked through the X server as a user works it (run by the
// scroll_real_display test under xvfb-run): xdotool clicks a cell, drags a
// column border, turns the wheel and tabs through the cells.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWindow>
#include <chrono>
#include <cstdlib>
#include <string>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "tests/grid/spintesting.h"

namespace {

using spintesting::WaitUntil;

// Runs xdotool with the arguments; true when it succeeded.
bool XDo(const std::string& arguments) { return std::system(("xdotool " + arguments).c_str()) == 0; }

class GridOnScreen {
 public:
  GridOnScreen() {
    form.SetBounds(40, 40, 520, 420);
    grid = new TVudUvizidIzed(&form);
    grid->SetParent(&form);
    grid->SetBounds(10, 10, 480, 380);
    grid->SetColCount(5);
    grid->SetRowCount(30);
    grid->SetOptions(grid->Options() | goColSizing | goTabs);
    grid->OnClickCell = [this](TObject*, int row, int col) {
      ++clicks;
      clickedRow = row;
      clickedCol = col;
    };
  }
  // The screen point of a client point of the grid, as xdotool takes it.
  std::string At(int x, int y) const {
    const TPoint p = grid->ClientToScreen({x, y});
    return std::to_string(p.X) + " " + std::to_string(p.Y);
  }
  std::string AtCell(int col, int row) const {
    const TRect r = grid->CellRect(col, row);
    return At((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  }

  TForm form{nullptr};
  TVudUvizidIzed* grid;
  int clicks = 0;
  int clickedRow = -1;
  int clickedCol = -1;
};

TEST(RealDisplay, AGridIsClickedSizedWheeledAndTabbedThrough) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs xdotool";
  GridOnScreen screen;
  TVudUvizidIzed& grid = *screen.grid;
  screen.form.Show();
  QWindow* window = screen.form.Widget()->windowHandle();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return window->isExposed() && window->isActive(); }, std::chrono::seconds(20)));
  constexpr auto patience = std::chrono::seconds(5);

  // A click on a cell makes it current and names it, row first.
  ASSERT_TRUE(XDo("mousemove --sync " + screen.AtCell(2, 3) + " click 1"));
  EXPECT_TRUE(WaitUntil([&] { return grid.Col() == 2 && grid.Row() == 3; }, patience));
  EXPECT_TRUE(WaitUntil([&] { return screen.clicks == 1; }, patience));
  EXPECT_EQ(screen.clickedRow, 3);
  EXPECT_EQ(screen.clickedCol, 2);

  // A header border dragged 40 pixels to the right widens its column by as
  // much; the press on the border clicks no cell.
  const TRect header = grid.CellRect(1, 0);
  const int width = grid.ColWidths(1);
  const int borderY = (header.Top + header.Bottom) / 2;
  ASSERT_TRUE(XDo("mousemove --sync " + screen.At(header.Right - 1, borderY) + " mousedown 1"));
  ASSERT_TRUE(XDo("mousemove --sync " + screen.At(header.Right + 19, borderY)));
  ASSERT_TRUE(XDo("mousemove --sync " + screen.At(header.Right + 39, borderY) + " mouseup 1"));
  EXPECT_TRUE(WaitUntil([&] { return grid.ColWidths(1) == width + 40; }, patience)) << grid.ColWidths(1);
  harness::ProcessEvents();
  EXPECT_EQ(screen.clicks, 1);

  // One notch of the wheel towards the user moves WheelIncrement rows.
  grid.MouseActions()->WheelIncrement = 2;
  grid.SetRow(5);
  ASSERT_TRUE(XDo("mousemove --sync " + screen.AtCell(3, 5) + " click 5"));
  EXPECT_TRUE(WaitUntil([&] { return grid.Row() == 7; }, patience)) << grid.Row();
  EXPECT_EQ(grid.Col(), 2);

  // Tab walks right and on into the next row; Shift+Tab walks back.
  grid.SetCol(3);
  grid.SetRow(1);
  grid.SetFocus();
  ASSERT_TRUE(WaitUntil([&] { return grid.Focused(); }, patience));
  ASSERT_TRUE(XDo("key Tab"));
  EXPECT_TRUE(WaitUntil([&] { return grid.Col() == 4 && grid.Row() == 1; }, patience));
  ASSERT_TRUE(XDo("key Tab"));
  EXPECT_TRUE(WaitUntil([&] { return grid.Col() == 1 && grid.Row() == 2; }, patience))
      << grid.Col() << "," << grid.Row();
  ASSERT_TRUE(XDo("key shift+Tab"));
  EXPECT_TRUE(WaitUntil([&] { return grid.Col() == 4 && grid.Row() == 1; }, patience))
      << grid.Col() << "," << grid.Row();
}

}  // namespace
