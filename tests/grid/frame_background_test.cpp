// The area beside and below a short grid's cells, painted by the real paint
// of a grid on a form: the grid colour, a gradient or a wallpaper bitmap.
#include "gridscreen.h"
#include "grid/zgutil.h"

namespace {

class FrameBackground : public GridOnScreen {
 protected:
  // Three columns of 64 and three rows of 21 pixels in a 460 x 360 grid:
  // the cells end at (192, 63).
  void SetUp() override { MakeGrid(3, 3); }

  TColor At(int x, int y) {
    grid->Repaint();
    return harness::PixelAt(grid->BackingImage(), x, y);
  }

  // A 10 x 10 yellow bitmap whose top-left pixel is red.
  void SetMarkedTile() {
    TBitmap tile;
    tile.SetSize(10, 10);
    tile.Canvas()->Brush()->SetColor(clYellow);
    tile.Canvas()->FillRect({0, 0, 10, 10});
    tile.Canvas()->SetPixel(0, 0, clRed);
    grid->BackGround()->SetBitmap(tile);
  }

  // A 40 x 40 lime bitmap placed with its corner at (left, top).
  void SetFixedLimeWallpaper(int left, int top) {
    TBitmap lime;
    lime.SetSize(40, 40);
    lime.Canvas()->Brush()->SetColor(clLime);
    lime.Canvas()->FillRect({0, 0, 40, 40});
    TBackGround& back = *grid->BackGround();
    back.SetBitmap(lime);
    back.SetLeft(left);
    back.SetTop(top);
    back.SetDisplay(bdFixed);
  }
};

TEST_F(FrameBackground, AGradientFillsOnlyTheAreaOutsideTheCells) {
  TBackGround& back = *grid->BackGround();
  back.SetColor(clRed);
  back.SetColorTo(clBlue);
  back.SetDisplay(bdGradientVert);
  EXPECT_EQ(At(300, 2), clRed) << "the first band has the start colour";
  EXPECT_NE(At(300, 340), clRed);
  EXPECT_EQ(At(300, 340), At(50, 340)) << "a vertical gradient is level across the right and bottom strips";

  back.SetDisplay(bdGradientHorz);
  EXPECT_EQ(At(300, 2), At(300, 340));
  EXPECT_NE(At(50, 340), At(300, 340));

  back.SetColorTo(clNone);
  EXPECT_EQ(At(300, 2), ColorToRGB(grid->Color())) << "a gradient without an end colour paints nothing";
}

TEST_F(FrameBackground, AFixedWallpaperShowsOnlyWhereItMeetsTheEmptyArea) {
  SetFixedLimeWallpaper(180, 40);
  EXPECT_EQ(At(200, 70), clLime);
  EXPECT_EQ(At(185, 45), clLime) << "the normal cells show their part of it";
  EXPECT_EQ(At(230, 70), ColorToRGB(grid->Color())) << "not beyond the bitmap";
  grid->BackGround()->SetCells(bcFixed);
  EXPECT_EQ(At(185, 45), ColorToRGB(grid->Color())) << "a wallpaper of the fixed cells leaves the normal ones";
  EXPECT_EQ(At(200, 70), clLime);
}

TEST_F(FrameBackground, TilesStartAtTheScrollingAreaOrTheClientCorner) {
  SetMarkedTile();
  struct Case {
    TBackGroundCells cells;
    TPoint tileCorner;  // where a tile's red pixel falls
  };
  // Normal cells: the tiles start one pixel before the first normal cell's
  // corner (64, 21) moved by XYOffset (2, 2); otherwise at (-1, -1).
  const Case cases[] = {{bcNormal, {65 + 140, 22 + 60}}, {bcNormal, {65 + 10, 22 + 50}}, {bcAll, {-1 + 210, -1 + 10}}};
  for (const Case& c : cases) {
    grid->BackGround()->SetCells(c.cells);
    EXPECT_EQ(At(c.tileCorner.X, c.tileCorner.Y), clRed) << c.cells << " at " << c.tileCorner.X;
    EXPECT_EQ(At(c.tileCorner.X + 1, c.tileCorner.Y), clYellow);
    EXPECT_EQ(At(c.tileCorner.X + 10, c.tileCorner.Y + 10), clRed) << "the next tile";
  }
  grid->BackGround()->SetCells(bcFixed);
  EXPECT_EQ(At(205, 82), ColorToRGB(grid->Color())) << "a tile for the fixed cells only leaves the area alone";
}

TEST_F(FrameBackground, CellTilesRunOnFromCellToCell) {
  SetMarkedTile();
  grid->BackGround()->SetCells(bcAll);
  // Each cell starts its tiles at its distance from cell (0, 0): the red
  // pixels of every cell lie on one 10-pixel lattice from the corner.
  for (const TPoint p : {TPoint{140, 30}, TPoint{140, 50}, TPoint{80, 50}, TPoint{30, 50}})
    EXPECT_EQ(At(p.X, p.Y), clRed) << p.X << ", " << p.Y;
  EXPECT_EQ(At(141, 30), clYellow);

  grid->BackGround()->SetCells(bcNormal);
  EXPECT_EQ(At(64 + 70, 21 + 10), clRed) << "the normal cells' tiles start at the first normal cell";
  EXPECT_NE(At(30, 50), clRed) << "the fixed cells keep their look";
}

TEST_F(FrameBackground, CellsInTheSelectionOrWithTheirOwnColourShowNoBackground) {
  TBackGround& back = *grid->BackGround();
  back.SetColor(clRed);
  back.SetColorTo(clBlue);
  back.SetDisplay(bdGradientVert);
  grid->SetColors(1, 2, clLime);
  EXPECT_EQ(At(150, 43), GradientAt(clRed, clBlue, 0, grid->Height(), 43)) << "a share of the control's gradient";
  EXPECT_EQ(Centre(1, 2), clLime);
  EXPECT_EQ(Centre(1, 1), grid->Props().SelectionColor);
}

TEST_F(FrameBackground, NothingIsPaintedWhileTheLastRowAndColumnAreOutOfView) {
  grid->SetColCount(30);
  grid->SetRowCount(100);
  SetFixedLimeWallpaper(300, 200);
  grid->BackGround()->SetCells(bcFixed);
  EXPECT_NE(At(320, 220), clLime);
  grid->SetRowCount(5);
  EXPECT_EQ(At(320, 220), clLime) << "below the last row";
}

}  // namespace
