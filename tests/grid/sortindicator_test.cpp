// The sort indicator in the header row: where it shows, and the key numbers
// of a multi-column sort.
#include "gridscreen.h"

namespace {

class SortIndicator : public GridOnScreen {
 protected:
  void SetUp() override {
    MakeGrid(5, 6);
    // A plain header, so that every pixel of the indicator stands out.
    grid->SetLook(glStandard);
    grid->SortSettings()->SetShow(true);
    grid->SortSettings()->Column = 2;
  }

  // Pixels of the header cell that are neither its ground nor its frame.
  int Pixels(int col, int row, TColor colour = clNone) {
    grid->Repaint();
    const TRect r = grid->CellRect(col, row);
    const QImage& image = grid->BackingImage();
    const TColor ground = harness::PixelAt(image, r.Left + r.Width() / 2, r.Top + 2);
    int n = 0;
    for (int y = r.Top + 2; y < r.Bottom - 2; ++y)
      for (int x = r.Left + 2; x < r.Right - 2; ++x) {
        const TColor p = harness::PixelAt(image, x, y);
        n += colour == clNone ? p != ground : p == colour;
      }
    return n;
  }
};

TEST_F(SortIndicator, ShowsInTheSortRowOfTheSortColumnOnly) {
  EXPECT_GT(Pixels(2, 0), 0);
  EXPECT_EQ(Pixels(3, 0), 0);
  EXPECT_EQ(Pixels(2, 1), 0) << "not in a normal row";

  grid->SortSettings()->Column = 0;
  EXPECT_EQ(Pixels(0, 0), 0) << "not on a fixed column unless asked";
  grid->SortSettings()->FixedCols = true;
  EXPECT_GT(Pixels(0, 0), 0);

  grid->SortSettings()->Column = 2;
  grid->SortSettings()->SetShow(false);
  EXPECT_EQ(Pixels(2, 0), 0);
  grid->SortSettings()->SetShow(true);
  grid->SetRowCount(2);
  EXPECT_EQ(Pixels(2, 0), 0) << "a grid of two rows has nothing to sort";
}

TEST_F(SortIndicator, TheIndicatorFollowsTheRealColumnWhileColumnsAreHidden) {
  grid->HideColumn(1);
  EXPECT_GT(Pixels(1, 0), 0);
  EXPECT_EQ(Pixels(2, 0), 0);
}

TEST_F(SortIndicator, AMultiColumnSortNumbersItsKeys) {
  grid->SortIndexes()->AddIndex(3, true);
  grid->SortIndexes()->AddIndex(1, false);
  EXPECT_EQ(Pixels(1, 0), 0) << "only the first key shows without IndexShow";
  EXPECT_GT(Pixels(3, 0), 0);

  grid->SortSettings()->IndexShow = true;
  EXPECT_GT(Pixels(1, 0, clYellow), 0);
  EXPECT_GT(Pixels(3, 0, clYellow), 0);
  EXPECT_EQ(Pixels(2, 0), 0) << "the sort column outside the keys shows nothing";
}

}  // namespace
