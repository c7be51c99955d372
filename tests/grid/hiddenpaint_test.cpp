// Painting while columns are hidden: every shown column draws what its real
// column holds, and the paint events report the real column.
#include <vector>

#include "gridscreen.h"

namespace {

class HiddenColumnPainting : public GridOnScreen {
 protected:
  void SetUp() override {
    MakeGrid(5, 6);
    grid->SetOptions(goVertLine | goHorzLine);
  }
};

TEST_F(HiddenColumnPainting, ShownColumnsDrawTheirRealColumnsCells) {
  grid->SetGridCell(1, 2, "WWWW hidden");
  grid->SetColors(2, 2, clLime);
  grid->SetColors(1, 3, clRed);
  grid->SetGridCell(3, 3, "WWWW");
  grid->HideColumn(1);
  grid->Repaint();

  EXPECT_EQ(Centre(1, 2), clLime) << "display column 1 is real column 2";
  EXPECT_EQ(InkIn(1, 2), 0) << "the hidden column's text does not show";
  EXPECT_NE(Centre(1, 3), clRed);
  EXPECT_GT(InkIn(2, 3), 0) << "real column 3's text shows at display column 2";
  EXPECT_EQ(InkIn(3, 3), 0);

  grid->UnHideColumn(1);
  grid->Repaint();
  EXPECT_EQ(Centre(2, 2), clLime);
  EXPECT_EQ(Centre(1, 3), clRed);
}

TEST_F(HiddenColumnPainting, PaintEventsAndCellQueriesUseTheRealColumn) {
  grid->HideColumn(2);
  std::vector<int> drawn, coloured;
  grid->OnDrawCell = [&](TObject*, int col, int row, TRect, TGridDrawState) {
    if (row == 4) drawn.push_back(col);
  };
  grid->OnGetCellColor = [&](TObject*, int row, int col, TGridDrawState, TBrush*, TFont*) {
    if (row == 4) coloured.push_back(col);
  };
  grid->Repaint();
  std::sort(drawn.begin(), drawn.end());
  std::sort(coloured.begin(), coloured.end());
  EXPECT_EQ(drawn, (std::vector<int>{0, 1, 3, 4}));
  EXPECT_EQ(coloured, (std::vector<int>{0, 1, 3, 4}));
}

TEST_F(HiddenColumnPainting, ButtonsAreFoundAtTheRealColumnOfTheShownOne) {
  grid->AddButton(3, 2, 40, 16, "Go", haLeft, vaTop);
  grid->HideColumn(1);
  EXPECT_EQ(grid->GetButtonText(2, 2), "Go");
  grid->SetButtonText(2, 2, "Stop");
  EXPECT_EQ(grid->GetButtonText(2, 2), "Stop");
  EXPECT_EQ(grid->GetButtonText(3, 2), "");
  const TRect cell = grid->CellRect(2, 2);
  EXPECT_EQ(grid->ButtonRect(2, 2).Right - grid->ButtonRect(2, 2).Left, 40);
  EXPECT_GE(grid->ButtonRect(2, 2).Left, cell.Left);
}

TEST_F(HiddenColumnPainting, AFullWidthGraphicTakesTheWidthOfTheColumnItShowsIn) {
  grid->SetColWidths(3, 90);
  grid->SetColWidths(4, 30);
  grid->AddButton(3, 2, 20, 16, "Go", haFull, vaTop);
  grid->HideColumn(1);
  const TRect shown = grid->CellRect(2, 2);
  EXPECT_EQ(grid->GetCellGraphicSize(3, 2).X, shown.Right - shown.Left);
}

}  // namespace
