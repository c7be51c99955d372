// The cell's look on screen: appearance queries, bands, colour events, the
// text kinds and the cell graphics, read back from the grid's pixels.
#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "gridscreen.h"

namespace {

class CellDrawing : public GridOnScreen {
 protected:
  void SetUp() override {
    MakeGrid(4, 8);
    grid->SetOptions(goVertLine | goHorzLine);
  }
};

TEST_F(CellDrawing, BandsColourRowsWithoutTheirOwnColour) {
  TBands& bands = *grid->Bands();
  bands.SetActive(true);
  bands.SetPrimaryColor(clYellow);
  bands.SetPrimaryLength(2);
  bands.SetSecondaryColor(clAqua);
  bands.SetSecondaryLength(1);
  grid->SetColors(2, 2, clLime);
  grid->Repaint();
  const TColor expected[] = {clYellow, clYellow, clAqua, clYellow, clYellow, clAqua, clYellow};
  for (int row = 1; row < 8; ++row) EXPECT_EQ(Centre(3, row), expected[row - 1]) << "row " << row;
  EXPECT_EQ(Centre(2, 2), clLime) << "a cell's own colour wins over the band";
  EXPECT_EQ(Centre(0, 3), Centre(0, 1)) << "fixed cells are not banded";

  bands.SetSecondaryLength(0);
  bands.SetPrimaryLength(0);
  grid->Repaint();
  EXPECT_EQ(Centre(3, 3), ColorToRGB(grid->Color())) << "a band period of 0 keeps the grid colour";
}

TEST_F(CellDrawing, TheColourEventGetsTheRowFirstAndHasTheLastWord) {
  std::vector<std::pair<int, int>> calls;
  grid->SetColors(3, 5, clLime);
  grid->OnGetCellColor = [&](TObject*, int row, int col, TGridDrawState, TBrush* brush, TFont*) {
    calls.push_back({row, col});
    if (row == 5 && col == 3) brush->SetColor(clRed);
  };
  grid->Repaint();
  EXPECT_EQ(Centre(3, 5), clRed);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), std::make_pair(5, 3)), 1) << "once per cell and paint";
}

TEST_F(CellDrawing, AutoNumAlignRightAlignsNumbersUnlessTheCellSaysOtherwise) {
  grid->Props().AutoNumAlign = true;
  const std::pair<const char*, TAlignment> cases[] = {
      {"12.5", taRightJustify}, {"-3", taRightJustify}, {"abc", taLeftJustify}, {"", taLeftJustify}};
  for (auto [text, align] : cases) {
    grid->SetCellEx(1, 1, text);
    EXPECT_EQ(grid->GetCellAlignment(1, 1).HAlign, align) << text;
  }
  grid->SetCellEx(1, 1, "12");
  grid->SetAlignments(1, 1, taCenter);
  EXPECT_EQ(grid->GetCellAlignment(1, 1).HAlign, taCenter);
  grid->OnGetAlignment = [](TObject*, int, int, TAlignment& h, TVAlignment& v) {
    h = taLeftJustify;
    v = vtaBottom;
  };
  EXPECT_EQ(grid->GetCellAlignment(1, 1).HAlign, taLeftJustify);
  EXPECT_EQ(grid->GetCellAlignment(1, 1).VAlign, vtaBottom);
}

// The border pen is each side's until the application restyles one.
TEST_F(CellDrawing, EachUserBorderDrawsWithItsOwnPen) {
  grid->OnGetCellBorder = [](TObject*, int row, int col, TPen* pen, TCellBorders& borders) {
    if (row != 3 || col != 2) return;
    pen->SetColor(clBlack);
    borders = cbLeft | cbTop | cbRight | cbBottom;
  };
  std::vector<std::pair<int, int>> asked;
  grid->OnGetCellBorderProp = [&](TObject*, int row, int col, TPen* left, TPen* top, TPen* right, TPen* bottom) {
    asked.push_back({row, col});
    if (row != 3 || col != 2) return;
    EXPECT_EQ(top->Color(), clBlack) << "each pen starts as the border pen";
    left->SetColor(clRed);
    bottom->SetColor(clBlue);
    right->SetWidth(1);
  };
  grid->Repaint();
  EXPECT_EQ(std::count(asked.begin(), asked.end(), std::make_pair(3, 2)), 1) << "row first, once per paint";
  const TRect r = grid->CellRect(2, 3);
  const int midX = r.Left + r.Width() / 2, midY = r.Top + r.Height() / 2;
  // Which colours a line of pixels holds near one edge of the cell.
  auto colours = [&](int x0, int y0, int dx, int dy) {
    std::set<TColor> found;
    for (int i = 0; i < 4; ++i)
      found.insert(harness::PixelAt(grid->BackingImage(), x0 + i * dx, y0 + i * dy));
    return found;
  };
  EXPECT_TRUE(colours(r.Left, midY, 1, 0).count(clRed)) << "left";
  EXPECT_TRUE(colours(midX, r.Bottom - 1, 0, -1).count(clBlue)) << "bottom";
  EXPECT_TRUE(colours(r.Right - 1, midY, -1, 0).count(clBlack)) << "right keeps the border pen's colour";
  EXPECT_FALSE(colours(r.Right - 1, midY, -1, 0).count(clRed));
}

TEST_F(CellDrawing, FormattedCellsUseTheFormatOfTheEventAndFallBackToTheText) {
  grid->SetCellEx(1, 1, "12");
  EXPECT_EQ(grid->GetFormattedCell(1, 1), "12") << "no event, no formatting";
  AnsiString format = "%.3f";
  grid->OnGetFloatFormat = [&](TObject*, int, int, bool&, AnsiString& f) { f = format; };
  EXPECT_EQ(grid->GetFormattedCell(1, 1), "12.000");
  format = "%5d";
  EXPECT_EQ(grid->GetFormattedCell(1, 1), "   12");
  grid->SetCellEx(1, 1, "12.5");
  EXPECT_EQ(grid->GetFormattedCell(1, 1), "12.5") << "the integer conversion fails: the text stays";
  grid->SetCellEx(1, 1, "abc");
  EXPECT_EQ(grid->GetFormattedCell(1, 1), "abc");
}

TEST_F(CellDrawing, GraphicDetailsByKind) {
  int w = -1, h = -1;
  bool text = false;
  TCellHAlign ha;
  TCellVAlign va;
  EXPECT_EQ(grid->GetGraphicDetails(1, 1, w, h, text, ha, va), nullptr);
  EXPECT_TRUE(text);
  grid->AddCheckBox(1, 1, false, true);
  grid->GetGraphicDetails(1, 1, w, h, text, ha, va);
  EXPECT_EQ(w, 15);
  EXPECT_FALSE(text) << "a data check box replaces the text";
  grid->AddProgress(1, 1, clBlue, clWhite);
  grid->GetGraphicDetails(1, 1, w, h, text, ha, va);
  EXPECT_EQ(w + h, 0);
  EXPECT_FALSE(text);
  grid->AddButton(1, 1, 33, 17, "B", haRight, vaCenter);
  grid->GetGraphicDetails(1, 1, w, h, text, ha, va);
  EXPECT_EQ(w, 33);
  EXPECT_EQ(h, 17);
  EXPECT_EQ(ha, haRight);
  EXPECT_EQ(va, vaCenter);
}

TEST_F(CellDrawing, RotatedTextSizeTurnsTheMeasuredBox) {
  grid->SetCellEx(1, 1, "rotated text");
  const TPoint flat = grid->GetCellTextSize(1, 1, false);
  grid->SetRotated(1, 1, 90);
  const TPoint turned = grid->GetCellTextSize(1, 1, false);
  const double a = M_PI / 2;
  const int A = std::abs(static_cast<int>(std::cos(a) * flat.X)), B = std::abs(static_cast<int>(std::sin(a) * flat.Y));
  const int C = std::abs(static_cast<int>(std::sin(a) * flat.X)), D = std::abs(static_cast<int>(std::cos(a) * flat.Y));
  EXPECT_EQ(turned.X, std::abs(B - A) + 12);
  EXPECT_EQ(turned.Y, std::abs(D - C) + 12);
  EXPECT_GT(turned.Y, turned.X);
}

TEST_F(CellDrawing, LoadAndSaveCellPassThroughTheirEvents) {
  grid->OnLoadCell = [](TObject*, int, int, AnsiString& v) { v += "!"; };
  grid->LoadCell(1, 1, "in");
  EXPECT_EQ(grid->GetGridCell(1, 1), "in!");
  grid->AddCheckBox(2, 1, true, false);
  EXPECT_EQ(grid->SaveCell(2, 1), "Y") << "an empty check box cell saves its state";
  grid->SetCellEx(3, 1, "<b>bold</b>");
  EXPECT_EQ(grid->SaveCell(3, 1), "<b>bold</b>");
  grid->SaveWithMarkup = false;
  EXPECT_EQ(grid->SaveCell(3, 1), "bold");
  grid->OnSaveCell = [](TObject*, int, int, AnsiString& v) { v = "[" + v + "]"; };
  EXPECT_EQ(grid->SaveCell(3, 1), "[bold]");
}

TEST_F(CellDrawing, ABadProgressCellDrawsAnEmptyBarAndIsReportedOnce) {
  std::vector<AnsiString> problems;
  grid->OnCellDrawProblem = [&](TObject*, int col, int row, const AnsiString& problem) {
    EXPECT_EQ(col, 1);
    EXPECT_EQ(row, 1);
    problems.push_back(problem);
  };
  grid->AddProgress(1, 1, clBlue, clWhite);
  grid->SetCellEx(1, 1, "half");
  grid->Repaint();
  grid->Repaint();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0], "Cell does not contain integer value");
  const TRect r = grid->CellRect(1, 1);
  EXPECT_NE(harness::PixelAt(grid->BackingImage(), r.Left + r.Width() / 2, r.Top + r.Height() / 2), clBlue);

  grid->SetCellEx(1, 1, "100");
  grid->Repaint();
  EXPECT_EQ(harness::PixelAt(grid->BackingImage(), r.Left + 6, r.Top + r.Height() / 2), clBlue) << "a full bar";
}

TEST_F(CellDrawing, MarkersOverProgressAndEmptyBitmapsDrawSafely) {
  grid->AddProgressFormatted(1, 1, clBlue, clWhite, clBlack, clBlack, "%d%%", 0, 100);
  grid->SetCellEx(1, 1, "40");
  grid->AddMarker(1, 1, 0, 0);  // minimum and maximum become 0: a zero range
  TBitmap empty;
  grid->AddBitmap(2, 1, &empty, true, haLeft, vaTop);
  grid->SetRotated(3, 1, 45);
  grid->AddRadio(1, 2, 1, 0, nullptr);
  grid->Repaint();
  EXPECT_EQ(InkIn(grid->CellRect(2, 1)), 0);
}

TEST_F(CellDrawing, GraphicsLeaveInkInTheirCells) {
  grid->SetColWidths(1, 90);
  grid->SetRowHeights(1, 40);
  grid->Repaint();
  const TRect cell = grid->CellRect(1, 1);
  const int blank = InkIn(cell);
  EXPECT_EQ(blank, 0);
  auto inkOf = [&](const std::function<void()>& add) {
    add();
    grid->Repaint();
    const int ink = InkIn(cell);
    grid->FreeCellGraphic(1, 1);
    grid->SetCellEx(1, 1, "");
    return ink;
  };
  EXPECT_GT(inkOf([&] { grid->AddCheckBox(1, 1, true, false); }), 0);
  EXPECT_GT(inkOf([&] { grid->AddButton(1, 1, 40, 18, "Go", haLeft, vaTop); }), 0);
  EXPECT_GT(inkOf([&] { grid->AddComment(1, 1, "note"); }), 0);
  EXPECT_GT(inkOf([&] { grid->AddProgressPie(1, 1, clRed, 60); }), 0);
  EXPECT_GT(inkOf([&] { grid->AddRotated(1, 1, 90, "up"); }), 0);
  TStringList items;
  items.Add("one");
  items.Add("two");
  EXPECT_GT(inkOf([&] { grid->AddRadio(1, 1, 0, 1, &items); }), 0);
  TBitmap bitmap;
  bitmap.SetSize(8, 8);
  bitmap.Canvas()->Brush()->SetColor(clRed);
  bitmap.Canvas()->FillRect({0, 0, 8, 8});
  EXPECT_GT(inkOf([&] { grid->AddBitmap(1, 1, &bitmap, false, haCenter, vaCenter); }), 0);
  EXPECT_GT(inkOf([&] { grid->SetCellEx(1, 1, "{\\rtf1 {\\b rich} text}"); }), 0);
}

TEST_F(CellDrawing, ButtonsRememberWhereTheyWerePainted) {
  grid->SetColWidths(1, 90);
  grid->SetRowHeights(1, 40);
  grid->AddButton(1, 1, 30, 20, "Go", haRight, vaBottom);
  grid->Repaint();
  const TRect cell = grid->CellRect(1, 1), button = grid->ButtonRect(1, 1);
  EXPECT_EQ(button.Right - button.Left, 30);
  EXPECT_GT(button.Left, cell.Left + 40) << "placed right";
  EXPECT_GT(button.Top, cell.Top + 10) << "placed at the bottom";
}

TEST_F(CellDrawing, DrawCellEventsGetTheCellRectangle) {
  TRect drawn{}, custom{};
  bool printing = true;
  grid->OnDrawCell = [&](TObject*, int col, int row, TRect r, TGridDrawState) {
    if (col == 2 && row == 3) drawn = r;
  };
  grid->OnCustomCellDraw = [&](TObject*, TCanvas*, int col, int row, TGridDrawState, TRect r, bool p) {
    if (col == 2 && row == 3) custom = r, printing = p;
  };
  grid->Repaint();
  EXPECT_FALSE(printing);
  EXPECT_EQ(drawn.Left, custom.Left + 1);
  EXPECT_EQ(drawn.Top, custom.Top + 1);
  EXPECT_EQ(drawn.Right, custom.Right - grid->GridLineWidth());
}

TEST_F(CellDrawing, MultilineCellsAreAMatterOfTheirOwnGrid) {
  TVudUvizidIzed other(&form);
  other.SetParent(&form);
  other.SetBounds(0, 0, 460, 360);
  other.SetOptions(goVertLine | goHorzLine);
  grid->Props().Multilinecells = true;
  for (TVudUvizidIzed* g : {grid, &other}) {
    g->SetRowHeights(1, 60);
    g->SetColWidths(1, 80);
    g->SetWordWraps(1, 1, false);
    g->SetCellEx(1, 1, "first\r\nsecond\r\nthird");
    g->Repaint();
  }
  const TRect r = grid->CellRect(1, 1);
  const TRect lower{r.Left, r.Top + 30, r.Right, r.Bottom};
  EXPECT_GT(InkIn(lower), 0) << "the grid with multi-line cells shows the later lines";
  const QImage& image = other.BackingImage();
  const TColor ground = harness::PixelAt(image, lower.Left + 2, lower.Top + 2);
  int ink = 0;
  for (int y = lower.Top + 1; y < lower.Bottom - 1; ++y)
    for (int x = lower.Left + 1; x < lower.Right - 1; ++x) ink += harness::PixelAt(image, x, y) != ground;
  EXPECT_EQ(ink, 0) << "the other grid keeps its single line";
}

}  // namespace

namespace {

TEST_F(CellDrawing, SizingLinesShowOnAnyColourAndVanishWhenDrawnAgain) {
  grid->Repaint();
  const QImage before = grid->BackingImage().copy();
  const TRect cell = grid->CellRect(2, 3);
  const int x = cell.Left + 10;
  grid->DrawSizingLine(x);
  int changed = 0;
  for (int y = 0; y < before.height(); ++y)
    changed += harness::PixelAt(grid->BackingImage(), x, y) != harness::PixelAt(before, x, y);
  EXPECT_GT(changed, before.height() / 4) << "the line is visible on the white cells";
  grid->DrawSizingLine(x);
  EXPECT_EQ(grid->BackingImage(), before);
  grid->DrawSizingLineR(cell.Top + 5);
  EXPECT_NE(grid->BackingImage(), before);
  grid->DrawSizingLineR(cell.Top + 5);
  EXPECT_EQ(grid->BackingImage(), before);
}

}  // namespace
