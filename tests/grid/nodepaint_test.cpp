// The node tree in column 0, read back from the grid's pixels: the glyph of
// each node type in both states, and the tree lines of the node's rows.
#include "framework/resources.h"
#include "gridscreen.h"

namespace {

class NodePaint : public GridOnScreen {
 protected:
  void SetUp() override {
    MakeGrid(3, 8);
    // The plain header look, so that no header gradient or edge line takes
    // the node column's pixels.
    grid->SetLook(glStandard);
    grid->SetColWidths(0, 60);
    for (int row = 0; row < 8; ++row) grid->SetRowHeights(row, 20);
    grid->AddNode(1, 3);  // rows 1 to 3; row 4 lies outside
  }

  bool Is(int x, int y, TColor color) { return harness::PixelAt(grid->BackingImage(), x, y) == ColorToRGB(color); }

  // Whether the bitmap shows somewhere in r, its top-left pixel's colour
  // taken as transparent.
  bool Shows(const TRect& r, const AnsiString& resource) {
    TBitmap bitmap;
    LoadBitmapResource(bitmap, resource);
    const QImage& glyph = bitmap.Image();
    const QRgb clear = glyph.pixel(0, 0);
    const QImage& image = grid->BackingImage();
    for (int y = r.Top; y + glyph.height() <= r.Bottom; ++y)
      for (int x = r.Left; x + glyph.width() <= r.Right; ++x) {
        bool same = true;
        for (int gy = 0; same && gy < glyph.height(); ++gy)
          for (int gx = 0; same && gx < glyph.width(); ++gx)
            if (glyph.pixel(gx, gy) != clear) same = (glyph.pixel(gx, gy) & 0xFFFFFF) == (image.pixel(x + gx, y + gy) & 0xFFFFFF);
        if (same) return true;
      }
    return false;
  }

  // The longest vertical and horizontal runs of the colour inside the
  // frame that the colour draws in r (the frame itself left out).
  std::pair<int, int> RunsInsideFrame(const TRect& r, TColor color) {
    TRect frame{r.Right, r.Bottom, r.Left, r.Top};
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x)
        if (Is(x, y, color)) {
          frame.Left = std::min(frame.Left, x), frame.Right = std::max(frame.Right, x);
          frame.Top = std::min(frame.Top, y), frame.Bottom = std::max(frame.Bottom, y);
        }
    int vertical = 0, horizontal = 0;
    for (int x = frame.Left + 1; x < frame.Right; ++x) {
      int run = 0;
      for (int y = frame.Top + 1; y < frame.Bottom; ++y) run += Is(x, y, color);
      vertical = std::max(vertical, run);
    }
    for (int y = frame.Top + 1; y < frame.Bottom; ++y) {
      int run = 0;
      for (int x = frame.Left + 1; x < frame.Right; ++x) run += Is(x, y, color);
      horizontal = std::max(horizontal, run);
    }
    return {vertical, horizontal};
  }
};

TEST_F(NodePaint, FlatBoxShowsPlusWhenContractedAndMinusWhenExpanded) {
  grid->CellNode()->SetNodeType(cnFlat);
  grid->CellNode()->NodeColor = clRed;
  grid->Repaint();
  const auto expanded = RunsInsideFrame(grid->CellRect(0, 1), clRed);
  EXPECT_GE(expanded.second, 4) << "a minus";
  EXPECT_LE(expanded.first, 1) << "no upright";

  grid->ContractNode(1);
  grid->Repaint();
  const auto contracted = RunsInsideFrame(grid->CellRect(0, 1), clRed);
  EXPECT_GE(contracted.first, 4) << "the upright of a plus";
  EXPECT_GE(contracted.second, 4);
}

TEST_F(NodePaint, BitmapNodeTypesShowTheirStateBitmap) {
  const struct {
    TNodeType type;
    const char* contracted;
    const char* expanded;
  } cases[] = {{cnXP, "XPNODEC", "XPNODEO"}, {cnLeaf, "ZGLEAFCLOSE", "ZGLEAFOPEN"}};
  for (const auto& c : cases) {
    grid->CellNode()->SetNodeType(c.type);
    grid->ExpandNode(1);
    grid->Repaint();
    const TRect cell = grid->CellRect(0, 1);
    EXPECT_TRUE(Shows(cell, c.expanded)) << c.expanded;
    EXPECT_FALSE(Shows(cell, c.contracted)) << c.contracted;
    grid->ContractNode(1);
    grid->Repaint();
    EXPECT_TRUE(Shows(cell, c.contracted)) << c.contracted;
  }
}

TEST_F(NodePaint, UserGlyphsReplaceTheBoxOnlyWhenBothAreGiven) {
  TBitmap plus, minus;
  plus.SetSize(6, 6);
  plus.Canvas()->Brush()->SetColor(clLime);
  plus.Canvas()->FillRect(Bounds(0, 0, 6, 6));
  plus.Canvas()->SetPixel(0, 0, clWhite);
  grid->CellNode()->SetNodeType(cnGlyph);
  grid->CellNode()->SetContractGlyph(plus);
  grid->ContractNode(1);
  grid->Repaint();
  const TRect cell = grid->CellRect(0, 1);
  EXPECT_EQ(RunsInsideFrame(cell, clLime).first, 0) << "one glyph alone draws the box";

  minus.SetImage(plus.Image());
  grid->CellNode()->SetExpandGlyph(minus);
  grid->Repaint();
  EXPECT_GE(RunsInsideFrame(cell, clLime).first, 3) << "the contract glyph of a contracted node";
}

TEST_F(NodePaint, TreeLinesJoinTheNodesRows) {
  grid->CellNode()->SetNodeType(cnFlat);
  const TColor tree = grid->CellNode()->TreeColor;
  grid->Repaint();
  // The line down the node's rows, found in the first child row.
  const TRect first = grid->CellRect(0, 2);
  int x = first.Left;
  while (x < first.Right && !Is(x, first.Top + 2, tree)) ++x;
  ASSERT_LT(x, first.Left + grid->CellNode()->NodeIndent()) << "within the first indent";
  struct Case {
    int row;
    bool down, reachesBottom;
  } cases[] = {{2, true, true}, {3, true, false}, {4, false, false}};
  for (const Case& c : cases) {
    const TRect r = grid->CellRect(0, c.row);
    const int mid = r.Top + r.Height() / 2;
    EXPECT_EQ(Is(x, r.Top + 2, tree), c.down) << "row " << c.row;
    EXPECT_EQ(Is(x, r.Bottom - 2, tree), c.reachesBottom) << "row " << c.row;
    EXPECT_EQ(Is(x + 6, mid, tree), c.down) << "the branch of row " << c.row;
  }
  const TRect node = grid->CellRect(0, 1);
  EXPECT_TRUE(Is(x, node.Bottom - 1, tree)) << "the stub below an expanded node";

  grid->CellNode()->SetShowTree(false);
  grid->Repaint();
  EXPECT_FALSE(Is(x, grid->CellRect(0, 2).Top + 2, tree));
}

}  // namespace
