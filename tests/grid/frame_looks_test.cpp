// The fixed cells' looks, the flat border over the grid's edges and the
// selection rectangle, read from the pixels a grid on a form painted.
#include "framework/testing/recordingtheme.h"
#include "gridscreen.h"
#include "grid/zgutil.h"

namespace {

class FrameLooks : public GridOnScreen {
 protected:
  // Four columns of 64 and rows of 21 pixels: header cell (1, 0) covers
  // x 64..127 and y 0..20.
  void SetUp() override { MakeGrid(4, 4); }

  TColor At(int x, int y) {
    grid->Repaint();
    return harness::PixelAt(grid->BackingImage(), x, y);
  }
  TColor Fixed() const { return ColorToRGB(grid->FixedColor()); }
};

TEST_F(FrameLooks, EachLookDrawsItsHeaderCells) {
  struct Case {
    TGridLook look;
    bool flat;
    TPoint p;
    TColor expected;
    const char* what;
  };
  const TColor dark = DarkenColor(grid->FixedColor());
  const Case cases[] = {
      {glXP, false, {96, 2}, clWhite, "the gradient starts white"},
      {glXP, false, {96, 20}, dark, "a dark bottom edge"},
      {glRUD, false, {96, 2}, clWhite, "the gradient starts white"},
      {glXP, true, {96, 10}, Fixed(), "flat: the plain fixed colour"},
      {glStandard, false, {96, 10}, Fixed(), "the plain fixed colour"},
      {glSoft, false, {127, 10}, dark, "a dark right edge"},
      {glSoft, false, {96, 20}, dark, "a dark bottom edge"},
      {glClassic, false, {127, 10}, clBlack, "a black right edge"},
      {glClassic, false, {96, 20}, clBlack, "a black bottom edge"},
      {glListView, false, {65, 10}, clWhite, "a white frame"},
      {glListView, false, {96, 10}, ColorToRGB(clBtnFace), "on the button face"},
  };
  for (const Case& c : cases) {
    grid->SetLook(c.look);
    grid->SetFlat(c.flat);
    EXPECT_EQ(At(c.p.X, c.p.Y), c.expected) << "look " << c.look << " flat " << c.flat << ": " << c.what;
  }
  grid->SetLook(glXP);
  grid->SetFlat(false);
  EXPECT_NE(At(96, 10), At(96, 2)) << "the XP header darkens downwards";
}

TEST_F(FrameLooks, TheCurrentCellsHeadersShowTheActiveCellColours) {
  grid->SetActiveCellShow(true);
  grid->SetActiveCellColor(clAqua);
  grid->SetCol(2);
  grid->SetRow(3);
  EXPECT_EQ(At(160, 10), clAqua) << "the current column's header";
  EXPECT_EQ(At(32, 3 * 21 + 10), clAqua) << "the current row's header";
  EXPECT_NE(At(96, 10), clAqua);
  EXPECT_NE(At(32, 2 * 21 + 10), clAqua);
}

TEST_F(FrameLooks, FixedRightColumnsAreFramedInTheFlatLook) {
  grid->SetFixedRightCols(1);
  grid->SetFlat(true);
  EXPECT_EQ(At(220, 41), clGray) << "the line between rows of the last column";
  EXPECT_NE(At(156, 41), clGray) << "other columns keep the grid's lines";
  grid->SetFlat(false);
  EXPECT_NE(At(220, 41), clGray);
}

TEST_F(FrameLooks, TheFlatLooksDrawAThinBorderOverTheEdges) {
  const TColor formColour = ColorToRGB(form.Color());
  struct Case {
    TGridLook look;
    bool flat;
    bool border;
  };
  const Case cases[] = {{glXP, false, true},       {glSoft, false, true},      {glRUD, false, true},
                        {glListView, false, true}, {glStandard, false, false}, {glClassic, false, false},
                        {glXP, true, false}};
  for (const Case& c : cases) {
    grid->SetLook(c.look);
    grid->SetFlat(c.flat);
    const TColor inner = At(1, 200), outer = At(0, 200);
    EXPECT_EQ(inner == 0x808080 && outer == formColour, c.border) << "look " << c.look << " flat " << c.flat;
    if (c.border) {
      EXPECT_EQ(At(grid->Width() - 2, 200), 0x808080);
      EXPECT_EQ(At(200, grid->Height() - 2), 0x808080);
    }
  }
}

TEST_F(FrameLooks, TheBorderTakesTheVisualStylesColourWhenTheyWereActiveAtConstruction) {
  TRecordingThemeService themes;
  InstallThemeService(&themes);
  MakeGrid(4, 4);
  InstallThemeService(nullptr);
  EXPECT_EQ(At(1, 200), 0xB99D7F);
}

TEST_F(FrameLooks, TheSelectionRectangleFramesTheSelection) {
  grid->SetSelection({1, 1, 2, 2});
  EXPECT_NE(At(65, 30), clBlack);
  grid->SetSelectionRectangle(true);
  EXPECT_EQ(At(65, 30), clBlack) << "the selection's left edge";
  EXPECT_NE(At(96, 30), clBlack) << "not inside";
  EXPECT_NE(At(187, 58), clBlack) << "no resizer unless asked";
  grid->SetSelectionResizer(true);
  EXPECT_EQ(At(187, 58), clBlack) << "the resizer in the bottom-right corner";
}

TEST_F(FrameLooks, ComboCellsShowTheirButtonWhenAsked) {
  grid->SetColWidths(1, 120);
  grid->SetCellEx(1, 2, AnsiString(40, 'W'));
  grid->OnHasComboBox = [](TObject*, int col, int row, bool& has) { has = col == 1 && row == 2; };
  const TRect cell = grid->CellRect(1, 2);
  const TRect button{cell.Right - 18, cell.Top + 2, cell.Right - 4, cell.Bottom - 2};
  const int textOnly = InkIn(button);
  grid->ControlLook()->SetDropDownAlwaysVisible(true);
  grid->Repaint();
  EXPECT_NE(InkIn(button), textOnly);

  TRecordingThemeService themes;
  InstallThemeService(&themes);
  MakeGrid(4, 4);
  grid->SetColWidths(1, 120);
  grid->OnHasComboBox = [](TObject*, int col, int row, bool& has) { has = col == 1 && row == 2; };
  grid->ControlLook()->SetDropDownAlwaysVisible(true);
  grid->Repaint();
  InstallThemeService(nullptr);
  ASSERT_FALSE(themes.drawn.empty()) << "themed when visual styles were active";
  EXPECT_EQ(themes.drawn.back().className, kThemeComboBox);
  EXPECT_EQ(themes.drawn.back().rect.Right, grid->CellRect(1, 2).Right - 1 - 2);
}

}  // namespace
