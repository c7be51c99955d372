// The X server's own pointer on a grid of an activated window (run by the
// mouse_real_display test under xvfb-run): xdotool clicks a cell, drags a
// column border and clicks the sort header.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QStringList>
#include <QWindow>
#include <chrono>
#include <vector>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "tests/grid/spintesting.h"

namespace {

// xdotool's commands at the screen point of a client point of the grid.
QStringList At(TControl* grid, TPoint client) {
  const TPoint screen = grid->ClientToScreen(client);
  return {"mousemove", QString::number(screen.X), QString::number(screen.Y)};
}

void Pointer(const QStringList& commands) { harness::RunServed("xdotool", commands); }

TEST(RealDisplay, PointerClicksDragsABorderAndSorts) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  TForm form(nullptr);
  form.SetBounds(40, 40, 520, 320);
  auto* grid = new TVudUvizidIzed(&form);
  grid->SetParent(&form);
  grid->SetBounds(10, 10, 480, 280);
  grid->SetColCount(4);
  grid->SetRowCount(5);
  grid->SetOptions(grid->Options() | goColSizing);
  grid->SortSettings()->SetShow(true);
  const char* values[] = {"c", "a", "d", "b"};
  for (int r = 1; r <= 4; ++r) grid->SetCellEx(1, r, values[r - 1]);
  std::vector<std::pair<int, int>> clicks;
  grid->OnClickCell = [&](TObject*, int row, int col) { clicks.push_back({row, col}); };
  std::vector<int> sized;
  grid->OnEndColumnSize = [&](TObject*, int col) { sized.push_back(col); };
  form.Show();
  QWindow* window = form.Widget()->windowHandle();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(spintesting::WaitUntil([&] { return window->isExposed() && window->isActive(); },
                                     std::chrono::seconds(20)));

  const TRect cell = grid->CellRect(2, 3);
  Pointer(At(grid, {(cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2}) << "click" << "1");
  ASSERT_TRUE(spintesting::WaitUntil([&] { return !clicks.empty(); }, std::chrono::seconds(10)));
  EXPECT_EQ(clicks.front(), std::make_pair(3, 2));
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Row(), 3);

  const TRect header = grid->CellRect(2, 0);
  const int y = (header.Top + header.Bottom) / 2;
  Pointer(At(grid, {header.Right - 1, y}) << "mousedown" << "1" << At(grid, {header.Right + 20, y}) << "mouseup"
                                          << "1");
  ASSERT_TRUE(spintesting::WaitUntil([&] { return !sized.empty(); }, std::chrono::seconds(10)));
  EXPECT_EQ(sized, std::vector<int>{2});
  EXPECT_EQ(grid->ColWidths(2), 64 + 21);

  const TRect sortHeader = grid->CellRect(1, 0);
  Pointer(At(grid, {(sortHeader.Left + sortHeader.Right) / 2, y}) << "click" << "1");
  ASSERT_TRUE(spintesting::WaitUntil([&] { return grid->GetCellEx(1, 1) == "a"; }, std::chrono::seconds(10)));
  EXPECT_EQ(grid->GetCellEx(1, 4), "d");
}

}  // namespace
