// The modified-row marks and the bar that shows them in column 0.
#include "gridscreen.h"

namespace {

class ModifiedRows : public GridOnScreen {
 protected:
  void SetUp() override {
    MakeGrid(4, 6);
    grid->ShowModified()->Enabled = true;
    grid->ShowModified()->SetColor(clLime);
  }
  // A pixel inside the bar's 4-pixel strip at the cell's right edge.
  TColor BarPixel(int col, int row) {
    const TRect r = grid->CellRect(col, row);
    return harness::PixelAt(grid->BackingImage(), r.Right - 3, r.Top + r.Height() / 2);
  }
};

TEST_F(ModifiedRows, MarksGrowOnDemandAndAreReadAsFalseBeyondTheList) {
  grid->SetRowModified(10, true);
  for (int row = 0; row <= 11; ++row) EXPECT_EQ(grid->GetRowModified(row), row == 10) << row;
  EXPECT_FALSE(grid->GetRowModified(-1));
  grid->SetRowModified(10, false);
  EXPECT_FALSE(grid->GetRowModified(10));
  grid->SetRowModified(4, true);
  grid->ClearModifiedRows();
  EXPECT_FALSE(grid->GetRowModified(4));
}

TEST_F(ModifiedRows, AMarkedRowShowsTheBarInColumnZeroOnly) {
  grid->Repaint();
  grid->SetRowModified(2, true);
  grid->Update();  // the mark repaints its cell by itself
  EXPECT_EQ(BarPixel(0, 2), clLime);
  EXPECT_NE(Centre(0, 2), clLime) << "a bar, not a filled cell";
  EXPECT_NE(BarPixel(0, 3), clLime) << "an unmarked row";
  grid->SetRowModified(1, true);
  grid->Repaint();
  EXPECT_NE(BarPixel(1, 1), clLime) << "a normal column";

  grid->ShowModified()->SetColor(clAqua);
  grid->Update();
  EXPECT_EQ(BarPixel(0, 2), clAqua) << "a new colour repaints the marks";
  grid->ShowModified()->Enabled = false;
  grid->Repaint();
  EXPECT_NE(BarPixel(0, 2), clAqua) << "marks stay hidden while the marking is off";
  EXPECT_TRUE(grid->GetRowModified(2));
}

TEST_F(ModifiedRows, TheBarGoesWithTheDisplayColumnZero) {
  // With column 0 hidden, the column that shows first carries the bar.
  grid->HideColumn(0);
  grid->SetRowModified(2, true);
  grid->Repaint();
  EXPECT_EQ(BarPixel(0, 2), clLime);
}

}  // namespace
