// Beside painting: the colour schemes, the balloon text of a cell, rich text
// in the selection's colour, the after-paint event and the automatic rows.
#include "framework/testing/recordingtheme.h"
#include "gridscreen.h"

namespace {

class FrameHooks : public GridOnScreen {
 protected:
  void SetUp() override { MakeGrid(4, 4); }

  TPoint Inside(int col, int row) const {
    const TRect r = grid->CellRect(col, row);
    return {r.Left + 5, r.Top + 5};
  }
};

TEST_F(FrameHooks, ASchemeSetsTheHeaderGradientAndTheActiveCellColours) {
  struct Case {
    TXPColorScheme scheme;
    TColor from, to, active, activeTo, fixedFrom, fixedTo;
  };
  const Case cases[] = {
      {xpBlue, 0xFCE1CB, 0xE0A57D, 0x94E6FB, 0x1595EE, 0xE0A57D, 0xFCE1CB},
      {xpGreen, 0xCFF0EA, 0x8CC0B1, 0x94E6FB, 0x1595EE, 0x8CC0B1, 0xCFF0EA},
      {xpGray, 0xECE2E1, 0xB39698, 0x94E6FB, 0x1595EE, 0xB39698, 0xECE2E1},
      {xpNone, 0xFFFFFF, ColorToRGB(clBtnFace), 0xFFFFFF, 0xFFD9B3, clNone, clNone},
  };
  for (const Case& c : cases) {
    grid->SetTheme(c.scheme);
    EXPECT_EQ(grid->GradientRUDFrom(), c.from) << "scheme " << c.scheme;
    EXPECT_EQ(grid->GradientRUDTo(), c.to) << "scheme " << c.scheme;
    EXPECT_EQ(grid->Props().ActiveCellColor, c.active);
    EXPECT_EQ(grid->Props().ActiveCellColorTo, c.activeTo);
    EXPECT_EQ(grid->ControlLook()->FixedGradientFrom(), c.fixedFrom);
    EXPECT_EQ(grid->ControlLook()->FixedGradientTo(), c.fixedTo);
  }
}

TEST_F(FrameHooks, TheSchemeFollowsTheActiveThemesColourName) {
  EXPECT_EQ(grid->CurrentXPColorScheme(), xpNone) << "no theme active";
  TRecordingThemeService themes;
  InstallThemeService(&themes);
  const std::pair<const char*, TXPColorScheme> cases[] = {
      {"NormalColor", xpBlue}, {"HomeStead", xpGreen}, {"Metallic", xpGray}, {"Royale", xpNone}};
  for (const auto& [name, scheme] : cases) {
    themes.colorName = name;
    EXPECT_EQ(grid->CurrentXPColorScheme(), scheme) << name;
  }
  themes.colorName = "HomeStead";
  grid->ThemeAdapt();
  EXPECT_EQ(grid->GradientRUDFrom(), 0xCFF0EA);
  themes.colorName = "Metallic";
  grid->SetAutoThemeAdapt(true);
  InstallThemeService(nullptr);
  EXPECT_EQ(grid->GradientRUDFrom(), 0xECE2E1);
}

TEST_F(FrameHooks, TheBalloonShowsTheCellsPlainTextCutToWhatATipHolds) {
  EXPECT_FALSE(grid->BalloonTipAt(Inside(1, 1))) << "balloons are off";
  grid->Balloon()->SetEnable(true);
  const AnsiString longText(2000, 'x');
  const std::pair<AnsiString, AnsiString> cases[] = {
      {"\r\n\tone\ttwo", "one two"},
      {"<b>bold</b> text", "bold text"},
      {"{\\rtf1 rich {\\b words}}", "rich words"},
      {longText, AnsiString(1021, 'x') + "..."},
      {AnsiString(1024, 'y'), AnsiString(1024, 'y')},
  };
  for (const auto& [cell, shown] : cases) {
    grid->SetCellEx(1, 1, cell);
    const auto tip = grid->BalloonTipAt(Inside(1, 1));
    ASSERT_TRUE(tip);
    EXPECT_EQ(tip->Text, shown);
    EXPECT_EQ(tip->Title, " ");
    EXPECT_EQ(tip->Icon, 1);
  }
  EXPECT_EQ(grid->BalloonCell(), (TPoint{1, 1}));

  const auto outside = grid->BalloonTipAt({440, 340});
  ASSERT_TRUE(outside);
  EXPECT_EQ(outside->Col, -1);
  EXPECT_EQ(outside->Text, "");
  EXPECT_EQ(outside->Title, " ");
}

TEST_F(FrameHooks, TheBalloonEventGetsTheCellAndItsTitleIsCut) {
  grid->Balloon()->SetEnable(true);
  grid->SetCellEx(2, 3, "text");
  int seenCol = 0, seenRow = 0;
  grid->OnCellBalloon = [&](TObject*, int col, int row, AnsiString& title, AnsiString& text, int& icon) {
    seenCol = col;
    seenRow = row;
    title = AnsiString(150, 't');
    text += "!";
    icon = 2;
  };
  const auto tip = grid->BalloonTipAt(Inside(2, 3));
  ASSERT_TRUE(tip);
  EXPECT_EQ((TPoint{seenCol, seenRow}), (TPoint{2, 3}));
  EXPECT_EQ(tip->Title, AnsiString(97, 't') + "...");
  EXPECT_EQ(tip->Text, "text!");
  EXPECT_EQ(tip->Icon, 2);
}

TEST_F(FrameHooks, ASelectedRichCellIsDrawnInTheSelectionsTextColour) {
  grid->SetColWidths(1, 120);
  grid->SetCellEx(1, 1, "{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}\\cf1 WWWW}");
  grid->SetSelectionTextColor(clRed);
  grid->SetSelection({1, 1, 1, 1});
  auto count = [&](bool red) {
    grid->Repaint();
    const QImage& image = grid->BackingImage();
    const TRect r = grid->CellRect(1, 1);
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
      for (int x = r.Left; x < r.Right; ++x) {
        const TColor p = harness::PixelAt(image, x, y);
        const int strong = red ? GetRValue(p) : GetBValue(p), weak = red ? GetBValue(p) : GetRValue(p);
        n += strong > 180 && weak < 80 && GetGValue(p) < 80;
      }
    return n;
  };
  EXPECT_GT(count(true), 0);
  EXPECT_EQ(count(false), 0);
  grid->Props().SelectionRTFKeep = true;
  EXPECT_EQ(count(true), 0);
  EXPECT_GT(count(false), 0);

  grid->Props().SelectionRTFKeep = false;
  grid->SetSelection({2, 2, 2, 2});
  EXPECT_EQ(count(true), 0) << "outside the selection";
  grid->MouseActions()->SetDisjunctColSelect(true);
  grid->SetColSelect(1, true);
  EXPECT_GT(count(true), 0) << "in a column selected one by one";
}

TEST_F(FrameHooks, AnOpenEditorIsFramedInTheGridLinesColour) {
  grid->SetOptions(grid->Options() | goEditing);
  grid->SetGridLineColor(clRed);
  const TRect cell = grid->CellRect(1, 1);
  auto topLeft = [&] {
    grid->Repaint();
    return harness::PixelAt(grid->BackingImage(), cell.Left + 5, cell.Top);
  };
  EXPECT_NE(topLeft(), clRed);
  grid->ShowEditor();
  ASSERT_TRUE(grid->EditorMode());
  EXPECT_EQ(topLeft(), clRed);
  grid->SetOptions(grid->Options() & ~(goVertLine | goHorzLine));
  EXPECT_EQ(topLeft(), ColorToRGB(grid->Color())) << "without lines the frame takes the grid colour";
}

TEST_F(FrameHooks, EveryPaintEndsWithTheAfterPaintEvent) {
  int painted = 0;
  grid->OnAfterPaint = [&](TObject* sender) {
    EXPECT_EQ(sender, grid);
    ++painted;
  };
  grid->Repaint();
  grid->Repaint();
  EXPECT_EQ(painted, 2);
}

TEST_F(FrameHooks, TheOnlyDataRowIsClearedRatherThanRemoved) {
  grid->SetRowCount(2);
  grid->SetCellEx(1, 1, "kept?");
  std::vector<int> deleted;
  grid->OnAutoDeleteRow = [&](TObject*, int row) { deleted.push_back(row); };
  grid->DoDeleteRow(1);
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_EQ(grid->GetCellEx(1, 1), "");

  grid->Props().FixedRowAlways = true;
  grid->DoDeleteRow(1);
  EXPECT_EQ(grid->RowCount(), 1);
  EXPECT_EQ(deleted, (std::vector<int>{1, 1}));
}

TEST_F(FrameHooks, AutomaticRowsGoInAndOutWithTheirEvents) {
  for (int r = 1; r < 4; ++r) grid->SetCellEx(0, r, IntToStr(r));
  int inserted = -1;
  grid->OnAutoInsertRow = [&](TObject*, int row) { inserted = row; };
  grid->DoInsertRow(2);
  EXPECT_EQ(inserted, 2);
  EXPECT_EQ(grid->RowCount(), 5);
  EXPECT_EQ(grid->GetCellEx(0, 2), "");
  EXPECT_EQ(grid->GetCellEx(0, 3), "2");
  grid->DoDeleteRow(1);
  EXPECT_EQ(grid->RowCount(), 4);
  EXPECT_EQ(grid->GetCellEx(0, 2), "2");
}

TEST_F(FrameHooks, RowsInsertedUnderANodeBecomeItsChildren) {
  grid->SetRowCount(6);
  grid->AddNode(1, 3);
  const int span = grid->GetNodeSpan(1);
  grid->DoInsertRow(2);
  EXPECT_EQ(grid->GetNodeSpan(1), span + 1);
  grid->DoDeleteRow(2);
  EXPECT_EQ(grid->GetNodeSpan(1), span);
}

}  // namespace
