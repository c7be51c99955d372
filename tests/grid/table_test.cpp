// The grid as the program's node and sector tables use it: a 7-column,
// 65-row table with one fixed header row, whole-row selection and column
// sizing by the user, driven with the mouse and read from its pixels.
#include <gtest/gtest.h>

#include <map>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "grid/zgutil.h"
#include "tests/grid/gridtesting.h"

namespace {

class NodeTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.SetBounds(0, 0, 600, 400);
    grid = new TVudUvizidIzed(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 560, 360);
    grid->SetColCount(7);
    grid->SetRowCountEx(65);
    grid->SetFixedCols(0);
    grid->SetFixedRows(1);
    grid->SetDefaultRowHeight(21);
    grid->SetOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goColSizing | goRowSelect);
    const char* headers[] = {"Node", "Vendor", "Type", "Code", "Rev", "Serial", "Name"};
    for (int c = 0; c < 7; ++c) grid->SetCellEx(c, 0, headers[c]);
    for (int r = 1; r < 65; ++r) grid->SetCellEx(0, r, IntToStr(r - 1));
  }

  // A point well inside a cell (away from the sizing zone at its borders).
  TPoint Inside(int col, int row) const {
    const TRect r = grid->CellRect(col, row);
    return {r.Left + r.Width() / 2, r.Top + r.Height() / 2};
  }

  TForm form{nullptr};
  TVudUvizidIzed* grid = nullptr;
};

TEST_F(NodeTableTest, ClickingARowReportsRowThenColumnAndMovesTheCurrentRow) {
  std::vector<std::pair<int, int>> clicks;
  int rowSeenInHandler = -1;
  grid->OnClickCell = [&](TObject* sender, int row, int col) {
    EXPECT_EQ(sender, grid);
    clicks.push_back({row, col});
    rowSeenInHandler = grid->GetRowEx();
  };
  const TPoint p = Inside(4, 3);
  harness::ClickAt(grid, p.X, p.Y);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0], (std::pair<int, int>{3, 4}));
  EXPECT_EQ(rowSeenInHandler, 3);
  EXPECT_EQ(grid->GetRowEx(), 3);
  EXPECT_EQ(grid->Selection(), (TGridRect{0, 3, 6, 3}));  // the whole row

  const TPoint header = Inside(2, 0);
  harness::ClickAt(grid, header.X, header.Y);
  EXPECT_EQ(clicks.back(), (std::pair<int, int>{0, 2}));
  EXPECT_EQ(grid->GetRowEx(), 3);  // the header never becomes current
}

TEST_F(NodeTableTest, APressNextToAColumnBorderIsNoCellClick) {
  int clicks = 0;
  grid->OnClickCell = [&](TObject*, int, int) { ++clicks; };
  const TRect r = grid->CellRect(2, 5);
  harness::ClickAt(grid, r.Left + 3, r.Top + 5);
  EXPECT_EQ(clicks, 0);
  harness::ClickAt(grid, r.Left + 4, r.Top + 5);
  EXPECT_EQ(clicks, 1);
}

TEST_F(NodeTableTest, DoubleClickFiresDblClickCellWithTheClickedCell) {
  std::vector<std::pair<int, int>> doubles;
  int singles = 0;
  grid->OnClickCell = [&](TObject*, int, int) { ++singles; };
  grid->OnDblClickCell = [&](TObject*, int row, int col) { doubles.push_back({row, col}); };
  const TPoint p = Inside(1, 6);
  harness::DoubleClickAt(grid, p.X, p.Y);
  ASSERT_EQ(doubles.size(), 1u);
  EXPECT_EQ(doubles[0], (std::pair<int, int>{6, 1}));
  EXPECT_EQ(singles, 1);
  EXPECT_EQ(grid->GetRowEx(), 6);
}

TEST_F(NodeTableTest, ColorHandlerPaintsARow) {
  grid->OnGetCellColor = [](TObject*, int row, int, TGridDrawState, TBrush* brush, TFont*) {
    if (row == 2) brush->SetColor(0x00FF00);
  };
  grid->Repaint();
  const QImage& image = grid->BackingImage();
  for (int col : {0, 3, 6}) {
    const TRect r = grid->CellRect(col, 2);
    EXPECT_EQ(harness::PixelAt(image, r.Right - 6, r.Top + 3), 0x00FF00) << "column " << col;
  }
  const TRect other = grid->CellRect(3, 4);
  EXPECT_EQ(harness::PixelAt(image, other.Right - 6, other.Top + 3), ColorToRGB(grid->Color()));
  // The grid's own lines stay on the coloured row.
  const TRect r = grid->CellRect(3, 2);
  EXPECT_EQ(harness::PixelAt(image, r.Left + 10, r.Bottom - 1), grid->GridLineColor());
}

TEST_F(NodeTableTest, TheSelectedRowAndTheHeaderPaintInTheirColours) {
  const TPoint p = Inside(5, 4);
  harness::ClickAt(grid, p.X, p.Y);
  grid->Repaint();
  const QImage& image = grid->BackingImage();
  for (int col : {0, 6}) {
    const TRect r = grid->CellRect(col, 4);
    EXPECT_EQ(harness::PixelAt(image, r.Right - 6, r.Top + 3), grid->Props().SelectionColor) << "column " << col;
  }
  // The header in the grid's XP look: a gradient from white down towards
  // the button face and a darkened bottom edge. Its top two pixel rows lie
  // under the grid's border.
  const TRect header = grid->CellRect(3, 0);
  EXPECT_EQ(harness::PixelAt(image, header.Right - 6, header.Top + 1), 0x808080);
  EXPECT_EQ(harness::PixelAt(image, header.Right - 6, header.Top + 2), grid->GradientRUDFrom());
  EXPECT_LT(GetGValue(harness::PixelAt(image, header.Right - 6, header.Bottom - 3)), GetGValue(grid->GradientRUDFrom()));
  EXPECT_EQ(harness::PixelAt(image, header.Left + 5, header.Bottom - 1), DarkenColor(grid->FixedColor()));
}

TEST_F(NodeTableTest, SettingTheRowCountKeepsTheHeader) {
  grid->SetRowCountEx(5);
  EXPECT_EQ(grid->GetRowCountEx(), 5);
  EXPECT_EQ(grid->GetCellEx(0, 0), "Node");
  EXPECT_EQ(grid->GetCellEx(6, 0), "Name");
  EXPECT_EQ(grid->FixedRows(), 1);
  grid->SetRowCountEx(2);
  EXPECT_EQ(grid->GetRowEx(), 1);
  grid->SetRowCountEx(65);
  EXPECT_EQ(grid->GetCellEx(0, 3), "");  // dropped rows come back empty
  EXPECT_EQ(grid->GetCellEx(0, 1), "0");
}

TEST_F(NodeTableTest, DraggingAColumnBorderResizesTheColumn) {
  const int before = grid->ColWidths(1);
  const int border = grid->CellRect(1, 0).Right;
  int clicks = 0;
  grid->OnClickCell = [&](TObject*, int, int) { ++clicks; };
  gridtesting::Drag(grid, border, 10, border + 30, 10);
  EXPECT_EQ(grid->ColWidths(1), before + 30);
  EXPECT_EQ(grid->ColWidths(2), before);
  EXPECT_EQ(clicks, 0);
  gridtesting::Drag(grid, border + 30, 10, border - 10, 10);
  EXPECT_EQ(grid->ColWidths(1), before - 10);
}

TEST_F(NodeTableTest, MergedAreaPaintsOncePerPaint) {
  std::map<std::pair<int, int>, int> painted;
  grid->OnGetCellColor = [&](TObject*, int row, int col, TGridDrawState, TBrush* brush, TFont*) {
    ++painted[{row, col}];
    if (row == 5 && col == 2) brush->SetColor(clRed);
  };
  grid->MergeCells(2, 5, 2, 2);
  grid->SetCellEx(3, 6, "merged");
  grid->Repaint();
  EXPECT_EQ((painted[{5, 2}]), 1);
  EXPECT_EQ((painted[{5, 3}]), 0);
  EXPECT_EQ((painted[{6, 3}]), 0);
  const QImage& image = grid->BackingImage();
  const TRect area = grid->CellRect(3, 6), inner = grid->TCustomGrid::CellRect(3, 6);
  EXPECT_EQ(area, grid->CellRect(2, 5));
  // No line between the merged cells: the area is one cell.
  EXPECT_EQ(harness::PixelAt(image, area.Left + 5, inner.Top - 1), clRed);
  EXPECT_EQ(harness::PixelAt(image, inner.Left - 1, area.Top + 3), clRed);
  EXPECT_EQ(grid->GetCellEx(2, 5), "merged");

  // Only a covered cell in the update region: the base cell paints, once.
  painted.clear();
  grid->InvalidateCell(3, 6);
  grid->Update();
  EXPECT_EQ((painted[{5, 2}]), 1);
  EXPECT_EQ(painted.size(), 1u);
}

}  // namespace
