// The X server's own pointer on a grid of an activated window (run by the
// mouse_real_display test under xvfb-run): xdotool clicks a cell, drags a
// column border and clicks the sort header.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "tests/grid/realdisplaygrid.h"
#include "tests/grid/spintesting.h"

namespace {

TEST_F(RealDisplay, PointerClicksDragsABorderAndSorts) {
  if (!HasXdotool()) GTEST_SKIP() << "needs xdotool";
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
  ASSERT_TRUE(ShowActivated());

  ASSERT_TRUE(Xdotool(MoveToCell(2, 3) << "click" << "1"));
  ASSERT_TRUE(spintesting::WaitUntil([&] { return !clicks.empty(); }, std::chrono::seconds(10)));
  EXPECT_EQ(clicks.front(), std::make_pair(3, 2));
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(grid->Row(), 3);

  const TRect header = grid->CellRect(2, 0);
  const int y = (header.Top + header.Bottom) / 2;
  ASSERT_TRUE(Xdotool(MoveTo({header.Right - 1, y}) << "mousedown" << "1" << MoveTo({header.Right + 20, y})
                                                   << "mouseup" << "1"));
  ASSERT_TRUE(spintesting::WaitUntil([&] { return !sized.empty(); }, std::chrono::seconds(10)));
  EXPECT_EQ(sized, std::vector<int>{2});
  EXPECT_EQ(grid->ColWidths(2), 64 + 21);

  const TRect sortHeader = grid->CellRect(1, 0);
  ASSERT_TRUE(Xdotool(MoveTo({(sortHeader.Left + sortHeader.Right) / 2, y}) << "click" << "1"));
  ASSERT_TRUE(spintesting::WaitUntil([&] { return grid->GetCellEx(1, 1) == "a"; }, std::chrono::seconds(10)));
  EXPECT_EQ(grid->GetCellEx(1, 4), "d");
}

}  // namespace
