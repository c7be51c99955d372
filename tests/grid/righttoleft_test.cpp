// Right-to-left layout: the bidirectional mode of controls, the mirrored
// canvas, and a grid laid out from the right read back from its pixels and
// clicked at mirrored points.
#include <QImage>

#include "gridscreen.h"

namespace {

TEST(BiDiMode, FollowsTheParentUntilGivenAModeOfItsOwn) {
  TForm form{nullptr};
  TCustomControl child{nullptr};
  child.SetParent(&form);
  form.SetBiDiMode(bdRightToLeft);
  EXPECT_EQ(child.BiDiMode(), bdRightToLeft);
  EXPECT_TRUE(child.ParentBiDiMode());

  child.SetBiDiMode(bdRightToLeftReadingOnly);
  EXPECT_FALSE(child.ParentBiDiMode());
  form.SetBiDiMode(bdLeftToRight);
  EXPECT_EQ(child.BiDiMode(), bdRightToLeftReadingOnly);

  child.SetParentBiDiMode(true);
  EXPECT_EQ(child.BiDiMode(), bdLeftToRight);
  child.SetParent(nullptr);
}

TEST(BiDiMode, OnlyFullRightToLeftMirrorsTheLayout) {
  const struct {
    TBiDiMode mode;
    bool alignment, reading;
  } cases[] = {{bdLeftToRight, false, false},
               {bdRightToLeft, true, true},
               {bdRightToLeftNoAlign, false, true},
               {bdRightToLeftReadingOnly, false, true}};
  for (const auto& c : cases) {
    TCustomControl control{nullptr};
    control.SetBiDiMode(c.mode);
    EXPECT_EQ(control.UseRightToLeftAlignment(), c.alignment) << c.mode;
    EXPECT_EQ(control.UseRightToLeftReading(), c.reading) << c.mode;
  }
}

// Areas land where the mirror image of the plain drawing has them; a line
// at x lands on pixel width - x, as on Windows.
TEST(MirroredCanvas, AreasMirrorExactlyAndLinesSitOneFurther) {
  constexpr int kWidth = 40;
  auto draw = [](bool mirrored) {
    QImage image(kWidth, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas;
    canvas.Attach(&image);
    if (mirrored) canvas.SetHorizontalMirror(kWidth);
    canvas.SetClipRect({0, 0, 30, 20});  // the device's right (left) 10 pixels stay out
    canvas.Brush()->SetColor(clRed);
    canvas.FillRect({2, 2, 9, 6});
    canvas.Brush()->SetColor(clBlue);
    canvas.Pen()->SetColor(clLime);
    canvas.Rectangle(12, 8, 36, 16);
    return image;
  };
  EXPECT_EQ(draw(true), draw(false).mirrored(true, false));

  QImage image(kWidth, 10, QImage::Format_RGB32);
  image.fill(Qt::white);
  TCanvas canvas;
  canvas.Attach(&image);
  canvas.SetHorizontalMirror(kWidth);
  canvas.MoveTo(5, 0);
  canvas.LineTo(5, 10);
  EXPECT_EQ(harness::PixelAt(image, kWidth - 5, 3), clBlack);
  EXPECT_EQ(harness::PixelAt(image, kWidth - 6, 3), ColorToRGB(clWhite));
}

class RightToLeftGrid : public GridOnScreen {
 protected:
  void SetUp() override {
    MakeGrid(3, 4);
    grid->SetLook(glStandard);
    grid->SetOptions(grid->Options() | goVertLine | goHorzLine);
    for (int col = 0; col < 3; ++col) grid->SetColWidths(col, 80);
  }

  // Where a cell shows on a right-to-left grid.
  TRect Shown(int col, int row) {
    const TRect r = grid->CellRect(col, row);
    return {grid->ClientWidth() - r.Right, r.Top, grid->ClientWidth() - r.Left, r.Bottom};
  }
};

// The text of column 0 shows at the right edge, its glyphs in reading order:
// the cell's inside is the left-to-right cell's inside moved, not mirrored.
TEST_F(RightToLeftGrid, ColumnZeroShowsAtTheRightEdgeWithItsTextReadingNormally) {
  grid->SetCells(0, 1, "Lb7");
  grid->Repaint();
  const QImage ltr = grid->BackingImage().copy();
  const TRect cell = grid->CellRect(0, 1);

  grid->SetBiDiMode(bdRightToLeft);
  grid->Repaint();
  const QImage& rtl = grid->BackingImage();
  const TRect shown = Shown(0, 1);
  ASSERT_EQ(shown.Right, grid->ClientWidth());
  EXPECT_GT(InkIn(shown), 0) << "the text is in the rightmost cell";
  EXPECT_EQ(InkIn(cell), 0) << "nothing where column 0 shows left to right";
  for (int y = cell.Top + 1; y < cell.Bottom - 1; ++y)
    for (int x = cell.Left + 1; x < cell.Right - 1; ++x)
      ASSERT_EQ(harness::PixelAt(rtl, x - cell.Left + shown.Left, y), harness::PixelAt(ltr, x, y)) << x << "," << y;

  grid->SetBiDiMode(bdLeftToRight);
  grid->Repaint();
  EXPECT_EQ(grid->BackingImage(), ltr) << "back to the same pixels";
}

TEST_F(RightToLeftGrid, TheRightGridLineOfACellStaysInsideItsMirroredArea) {
  grid->SetBiDiMode(bdRightToLeft);
  grid->Repaint();
  const TRect shown = Shown(1, 2);
  const int y = (shown.Top + shown.Bottom) / 2;
  EXPECT_EQ(harness::PixelAt(grid->BackingImage(), shown.Left, y), ColorToRGB(grid->GridLineColor()));
  EXPECT_EQ(harness::PixelAt(grid->BackingImage(), shown.Left + 1, y), ColorToRGB(grid->Color()));
}

TEST_F(RightToLeftGrid, AClickAtAMirroredPointLandsInTheCellShownThere) {
  grid->SetBiDiMode(bdRightToLeft);
  grid->Repaint();
  int clickedCol = -1, clickedRow = -1;
  grid->OnClickCell = [&](TObject*, int row, int col) { clickedCol = col, clickedRow = row; };
  const TRect shown = Shown(1, 2);
  harness::ClickAt(grid, shown.Left + 20, shown.Top + 5);
  EXPECT_EQ(clickedCol, 1);
  EXPECT_EQ(clickedRow, 2);
  EXPECT_EQ(grid->Col(), 1);
  EXPECT_EQ(grid->Row(), 2);

  const TRect edge = Shown(0, 3);
  harness::ClickAt(grid, edge.Right - 10, edge.Top + 5);
  EXPECT_EQ(clickedCol, 0) << "the rightmost pixels are column 0";
}

TEST_F(RightToLeftGrid, TheNodeGlyphIsHitWhereItShowsAtTheRightEdge) {
  grid->AddNode(1, 3);
  grid->CellNode()->SetNodeType(cnFlat);
  grid->CellNode()->NodeColor = clRed;
  grid->SetBiDiMode(bdRightToLeft);
  grid->Repaint();

  const TRect shown = Shown(0, 1);
  const int y = (shown.Top + shown.Bottom) / 2;
  int glyphX = -1;
  for (int x = shown.Left; x < shown.Right && glyphX < 0; ++x)
    if (harness::PixelAt(grid->BackingImage(), x, y) == ColorToRGB(clRed)) glyphX = x;
  ASSERT_GT(glyphX, shown.Right - 2 * grid->CellNode()->NodeIndent()) << "the glyph shows at the right edge";
  EXPECT_TRUE(grid->InNodeRect(1, glyphX));
  EXPECT_TRUE(grid->InNodeRect(1, shown.Right - 3));
  EXPECT_FALSE(grid->InNodeRect(1, 5)) << "where it would show left to right";
  EXPECT_FALSE(grid->InNodeRect(1, shown.Right - grid->CellNode()->NodeIndent() - 5));
}

}  // namespace
