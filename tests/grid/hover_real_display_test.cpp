// The real pointer over a grid on an X display (run by the hover_real_display
// test under xvfb-run, moved by xdotool): a fixed column's border shows the
// split cursor, a URL the hand, and a balloon shows over a resting pointer.
#include <gtest/gtest.h>

#include <QWidget>
#include <chrono>

#include "framework/tooltips.h"
#include "tests/grid/realdisplaygrid.h"
#include "tests/grid/spintesting.h"

namespace {

TEST_F(RealDisplay, PointerOverBordersLinksAndRestingOnACell) {
  if (!HasXdotool()) GTEST_SKIP() << "needs xdotool";
  grid->SetColCount(4);
  grid->SetRowCount(5);
  grid->MouseActions()->SizeFixedCol = true;
  grid->SetURLShow(true);
  grid->SetCellEx(2, 2, "http://example.org");
  grid->SetCellEx(1, 3, "resting here");
  grid->Balloon()->InitialDelay = 100;
  grid->Balloon()->SetEnable(true);
  ASSERT_TRUE(ShowActivated());

  const int y = (grid->CellRect(1, 3).Top + grid->CellRect(1, 3).Bottom) / 2;
  // The move that finds the border comes first; the cursor changes with
  // the next one.
  ASSERT_TRUE(Xdotool(MoveTo({grid->ColWidths(0) - 1, y})));
  ASSERT_TRUE(spintesting::WaitUntil([&] { return grid->Hover().State().fixedColBorder; }, std::chrono::seconds(5)));
  ASSERT_TRUE(Xdotool(MoveTo({grid->ColWidths(0) + 1, y})));
  EXPECT_TRUE(spintesting::WaitUntil([&] { return grid->Widget()->cursor().shape() == Qt::SplitHCursor; },
                                     std::chrono::seconds(5)));

  ASSERT_TRUE(Xdotool(MoveToCell(2, 2)));
  EXPECT_TRUE(spintesting::WaitUntil([&] { return grid->Cursor() == crHandPoint; }, std::chrono::seconds(5)));

  const TRect rest = grid->CellRect(1, 3);
  ASSERT_TRUE(Xdotool(MoveTo({rest.Left + 5, y})));
  TToolTipWindow* tip = grid->Hover().ToolTip();
  ASSERT_NE(tip, nullptr);
  ASSERT_TRUE(spintesting::WaitUntil([&] { return tip->IsShown(); }, std::chrono::seconds(5)));
  EXPECT_EQ(tip->TipText(), "resting here");
  EXPECT_EQ(grid->Cursor(), crDefault);
}

}  // namespace
