// The grid's footer panel and search panel: their layout, the settings
// copied onto them, the search they drive, and painting that a picture
// which cannot be read does not break.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "framework/hints.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "grid/footerpanel.h"
#include "grid/searchpanel.h"
#include "grid/vazeri_button.h"

namespace {

class PanelsTest : public ::testing::Test {
 protected:
  PanelsTest() {
    form.SetBounds(0, 0, 600, 400);
    grid = new TVudUvizidIzed(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 560, 360);
    grid->SetColCount(4);
    grid->SetRowCount(8);
    form.Show();
    harness::ProcessEvents();
  }

  TSearchPanel& Search() { return *grid->SearchPanel(); }

  TScopedServices services;
  TForm form{nullptr};
  TVudUvizidIzed* grid = nullptr;
};

// ---- Search panel ----

TEST_F(PanelsTest, VisibleSearchFooterShowsThePanelLaidOut) {
  EXPECT_EQ(grid->SearchPanelHeight(), 0);
  grid->SearchFooter()->SetVisible(true);
  harness::ProcessEvents();
  EXPECT_TRUE(Search().Visible());
  EXPECT_EQ(Search().Height(), 32);
  EXPECT_EQ(grid->SearchPanelHeight(), 32);
  // At the grid's bottom, across its width.
  EXPECT_EQ(Search().Top() + Search().Height(), grid->ClientHeight());
  EXPECT_EQ(Search().Width(), grid->ClientWidth());

  TDurUzavButton* next = Search().FindNextButton();
  EXPECT_EQ(next->BoundsRect(), Bounds(140, 5, 90, 23));
  EXPECT_EQ(next->Text(), "Find next");
  EXPECT_EQ(next->Hint(), "Find next occurence");
  EXPECT_TRUE(next->ShowHint());
  EXPECT_FALSE(next->Enabled());
  EXPECT_EQ(Search().FindPrevButton()->Text(), "Find previous");
  EXPECT_EQ(Search().FindPrevButton()->Left(), 235);
  EXPECT_EQ(Search().HighlightButton()->Text(), "Highlight");
  EXPECT_EQ(Search().HighlightButton()->Left(), 330);
  EXPECT_EQ(Search().MatchCaseBox()->Text(), "Match case");
  EXPECT_EQ(Search().MatchCaseBox()->Left(), 425);
  EXPECT_EQ(Search().CloseButton()->BoundsRect(), Bounds(5, 7, 14, 14));
  EXPECT_EQ(Search().CloseButton()->Hint(), "Close");
  EXPECT_EQ(Search().SearchEdit()->BoundsRect().Left, 25);

  grid->SearchFooter()->SetVisible(false);
  EXPECT_EQ(Search().Height(), 0);
  EXPECT_EQ(grid->SearchPanelHeight(), 0);
}

TEST_F(PanelsTest, TypedTextEnablesTheSearchButtonsAndClearingDisablesThem) {
  grid->SearchFooter()->SetVisible(true);
  TDurUzavButton* const buttons[] = {Search().FindNextButton(), Search().FindPrevButton(),
                                     Search().HighlightButton()};
  Search().SearchEdit()->SetFocus();
  harness::TypeText(Search().SearchEdit(), "x");
  for (TDurUzavButton* button : buttons) EXPECT_TRUE(button->Enabled());
  harness::PressKey(Search().SearchEdit(), Qt::Key_Backspace);
  for (TDurUzavButton* button : buttons) EXPECT_FALSE(button->Enabled());
}

TEST_F(PanelsTest, SettingsChangesReachThePanel) {
  TSearchFooter& footer = *grid->SearchFooter();
  footer.SetVisible(true);
  footer.SetShowHighLight(false);
  EXPECT_FALSE(Search().HighlightButton()->Visible());
  EXPECT_EQ(Search().HighlightButton()->Height(), 0);
  EXPECT_EQ(Search().MatchCaseBox()->Left(), 330);
  footer.SetShowHighLight(true);
  EXPECT_EQ(Search().MatchCaseBox()->Left(), 425);

  footer.SetHintClose("");
  EXPECT_FALSE(Search().CloseButton()->ShowHint());
  footer.SetFindNextCaption("Next");
  EXPECT_EQ(Search().FindNextButton()->Text(), "Next");
  footer.SetShowMatchCase(false);
  EXPECT_EQ(Search().MatchCaseBox()->Height(), 0);
  footer.SetColor(clYellow);
  footer.SetColorTo(clNavy);
  EXPECT_EQ(Search().Color(), clYellow);
  EXPECT_EQ(Search().ColorTo(), clNavy);
  footer.Font()->SetStyle(fsBold);
  EXPECT_EQ(Search().FindPrevButton()->Font()->Style(), fsBold);
}

TEST_F(PanelsTest, AssignCopiesTheSettingsButNotFontOrAutoSearch) {
  TSearchFooter other;
  other.SetVisible(true);
  other.SetHintFindPrev("Back");
  other.SetShowClose(false);
  other.SearchColumn = 2;
  other.AutoSearch = false;
  other.Font()->SetSize(20);
  grid->SearchFooter()->Assign(&other);
  EXPECT_TRUE(grid->SearchFooter()->Visible());
  EXPECT_EQ(grid->SearchFooter()->HintFindPrev(), "Back");
  EXPECT_FALSE(Search().CloseButton()->Visible());
  EXPECT_EQ(grid->SearchFooter()->SearchColumn, 2);
  EXPECT_TRUE(grid->SearchFooter()->AutoSearch);
  EXPECT_NE(grid->SearchFooter()->Font()->Size(), 20);
}

TEST_F(PanelsTest, TheColourSchemesColourTheSearchBar) {
  const struct {
    TXPColorScheme scheme;
    TColor color, colorTo;
  } cases[] = {{xpBlue, 0xFCE1CB, 0xE0A57D}, {xpGreen, 0xCFF0EA, 0x8CC0B1},
               {xpGray, 0xECE2E1, 0xB39698}, {xpNone, 0xFFFFFF, 0xFFD9B3}};
  for (const auto& c : cases) {
    grid->SetTheme(c.scheme);
    EXPECT_EQ(grid->SearchFooter()->Color(), c.color) << c.scheme;
    EXPECT_EQ(grid->SearchFooter()->ColorTo(), c.colorTo) << c.scheme;
    EXPECT_EQ(Search().ColorTo(), c.colorTo) << c.scheme;
  }
}

// ---- The search it drives ----

class PanelSearchTest : public PanelsTest {
 protected:
  PanelSearchTest() {
    const char* const texts[] = {"alpha", "beta", "gamma", "alphabet"};
    for (int row = 1; row < 5; ++row) grid->SetCellEx(2, row, texts[row - 1]);
    grid->SearchFooter()->SetVisible(true);
    harness::ProcessEvents();
  }
  void Type(const AnsiString& text) { Search().SearchEdit()->SetText(text); }
};

TEST_F(PanelSearchTest, TypingGoesToTheFirstHitAndColoursAMissRed) {
  Type("gam");
  EXPECT_EQ(grid->Row(), 3);
  EXPECT_EQ(grid->Col(), 2);
  EXPECT_EQ(Search().SearchEdit()->Color(), clWindow);
  Type("zzz");
  EXPECT_EQ(Search().SearchEdit()->Color(), clRed);
  Type("");
  EXPECT_EQ(Search().SearchEdit()->Color(), clWindow);
}

TEST_F(PanelSearchTest, WithoutAutoSearchOnlyTheButtonsSearch) {
  grid->SearchFooter()->AutoSearch = false;
  Type("alpha");
  EXPECT_EQ(grid->Row(), 1);
  EXPECT_EQ(grid->Col(), 1);
  harness::Click(Search().FindNextButton());
  EXPECT_EQ(grid->Row(), 1);
  EXPECT_EQ(grid->Col(), 2);
  harness::Click(Search().FindNextButton());
  EXPECT_EQ(grid->Row(), 4);
  harness::Click(Search().FindPrevButton());
  EXPECT_EQ(grid->Row(), 1);
  EXPECT_EQ(grid->SearchFooter()->LastSearch, "alpha");
}

TEST_F(PanelSearchTest, HighlightMarksTheHitsAndCloseHidesTheBar) {
  Type("beta");
  harness::Click(Search().HighlightButton());
  EXPECT_TRUE(Search().HighlightButton()->Down());
  EXPECT_NE(grid->GetCellEx(2, 2).find("<hi>"), AnsiString::npos);
  harness::Click(Search().HighlightButton());
  EXPECT_EQ(grid->GetCellEx(2, 2), "beta");
  harness::Click(Search().CloseButton());
  EXPECT_FALSE(grid->SearchFooter()->Visible());
  EXPECT_EQ(grid->SearchPanelHeight(), 0);
}

// ---- Footer panel ----

TEST_F(PanelsTest, ColumnMarkersOfTheTemplateTakeTheCurrentRowsCells) {
  grid->SetRow(5);
  grid->SetCellEx(2, 5, "42");
  grid->SetCellEx(3, 5, "x");
  TFooterPanel& footer = *grid->FooterPanel();
  const struct {
    const char* layout;
    const char* replaced;
  } cases[] = {
      {"Sum: <#2> and <#x> end", "Sum: 42 and  end"},
      {"<#2><#3>", "42x"},
      {"no markers", "no markers"},
      {"open <#2 without end", "open <#2 without end"},
      {"<#3> then <#", "x then <#"},
      {"<#99999999999>", ""},
      {"[<#-1>][<#4>]", "[][]"},
  };
  for (const auto& c : cases) EXPECT_EQ(footer.HTMLColReplace(c.layout), c.replaced) << c.layout;
}

TEST_F(PanelsTest, VisibleFooterShowsItsPanelOnePixelLowerThanItsHeight) {
  TFloatingFooter& footer = *grid->FloatingFooter();
  EXPECT_EQ(grid->FooterPanelHeight(), 0);
  footer.SetVisible(true);
  EXPECT_EQ(grid->FooterPanelHeight(), footer.Height() - 1);
  EXPECT_EQ(grid->Props().FixedFooters, 1);
  footer.SetHeight(30);
  EXPECT_EQ(grid->FooterPanelHeight(), 29);
  grid->SetDefRowHeightEx(26);
  EXPECT_EQ(footer.Height(), 26);
  EXPECT_EQ(grid->FooterPanelHeight(), 26);
  footer.SetFooterStyle(fsColumnPreview);
  EXPECT_FALSE(grid->LastRowFooter());
  footer.SetVisible(false);
  EXPECT_EQ(grid->FooterPanelHeight(), 0);
  EXPECT_EQ(grid->Props().FixedFooters, 0);
}

TEST_F(PanelsTest, EachStylePaintsItsPanel) {
  TFloatingFooter& footer = *grid->FloatingFooter();
  footer.Color = clYellow;
  grid->SetCellEx(1, 7, "total");
  grid->SetCellEx(1, 2, "current");
  grid->SetRow(2);
  footer.Column = 1;
  footer.CustomTemplate = "<b><#1></b>";
  int painted = 0;
  for (TFooterStyle style : {fsFixedLastRow, fsColumnPreview, fsCustomPreview}) {
    footer.SetFooterStyle(style);
    footer.SetVisible(true);
    const QImage image = harness::Grab(grid->FooterPanel());
    ASSERT_FALSE(image.isNull());
    // Text was drawn over the footer colour somewhere in the used part.
    bool text = false;
    for (int x = 2; x < 200 && !text; ++x)
      for (int y = 2; y < image.height() - 2 && !text; ++y) {
        const TColor pixel = harness::PixelAt(image, x, y);
        text = pixel != clYellow && pixel != TColor{0xFFFFFF} && pixel != TColor{0x808080} && pixel != clBtnFace &&
               ColorToRGB(pixel) != ColorToRGB(clBtnFace);
      }
    EXPECT_TRUE(text) << style;
    ++painted;
  }
  EXPECT_EQ(painted, 3);
}

TEST_F(PanelsTest, FooterPaintReplacesTheCellDrawing) {
  TFloatingFooter& footer = *grid->FloatingFooter();
  std::vector<int> columns;
  grid->OnFooterPaint = [&](TObject* sender, int col, TCanvas*, const TRect&) {
    EXPECT_EQ(sender, grid->FooterPanel());
    columns.push_back(col);
  };
  footer.SetFooterStyle(fsColumnPreview);
  footer.Column = 2;
  footer.SetVisible(true);
  harness::Grab(grid->FooterPanel());
  ASSERT_FALSE(columns.empty());
  EXPECT_EQ(columns.back(), 2);
}

TEST_F(PanelsTest, APictureThatCannotBeReadRaisesNothingFromThePanels) {
  TFloatingFooter& footer = *grid->FloatingFooter();
  footer.SetFooterStyle(fsCustomPreview);
  footer.CustomTemplate = "<img src=\"file:///no/such/picture.bmp\"> <#1>";
  grid->SetCellEx(1, 1, "<img src=\"file:///no/such/picture.bmp\">");
  footer.SetVisible(true);
  EXPECT_NO_THROW(harness::Grab(grid->FooterPanel()));
  footer.SetFooterStyle(fsColumnPreview);
  footer.Column = 1;
  EXPECT_NO_THROW(harness::Grab(grid->FooterPanel()));
  grid->SearchFooter()->SetVisible(true);
  EXPECT_NO_THROW(harness::Grab(grid->SearchPanel()));
  // Nor does a preview of a column the grid does not have.
  footer.Column = 99;
  EXPECT_NO_THROW(harness::Grab(grid->FooterPanel()));
}

TEST_F(PanelsTest, HintsOfTheLastRowNameTheColumnUnderTheMouse) {
  TFloatingFooter& footer = *grid->FloatingFooter();
  footer.SetVisible(true);
  grid->FooterPanel()->SetShowHint(true);
  std::vector<std::pair<int, int>> asked;
  grid->OnGridHint = [&](TObject*, int row, int col, AnsiString& hint) {
    asked.push_back({row, col});
    hint = "column hint";
  };
  THintInfo info;
  info.CursorPos = {grid->ColWidths(0) + 3, 2};
  grid->FooterPanel()->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], std::make_pair(7, 0));
  EXPECT_EQ(info.HintStr, "column hint");
}

}  // namespace

namespace {

TEST_F(PanelsTest, PanelsStayAtTheBottomWhenTheGridIsSized) {
  grid->SearchFooter()->SetVisible(true);
  grid->FloatingFooter()->SetVisible(true);
  grid->SetBounds(0, 0, 400, 250);
  harness::ProcessEvents();
  const TSearchPanel& search = Search();
  const TFooterPanel& footer = *grid->FooterPanel();
  EXPECT_EQ(search.Width(), grid->ClientWidth());
  EXPECT_EQ(std::max(search.BoundsRect().Bottom, footer.BoundsRect().Bottom), grid->ClientHeight());
  EXPECT_EQ(std::min(search.Top(), footer.Top()), grid->ClientHeight() - 32 - grid->FooterPanelHeight());
}

TEST_F(PanelsTest, TheEmptyAreaStopsAboveTheSearchBar) {
  grid->SetRowCount(3);
  grid->BackGround()->SetDisplay(bdGradientVert);
  grid->BackGround()->SetColor(clRed);
  grid->BackGround()->SetColorTo(clRed);
  const int x = 20, y = grid->ClientHeight() - 10;
  grid->Repaint();
  EXPECT_EQ(harness::PixelAt(grid->BackingImage(), x, y), clRed);
  grid->SearchFooter()->SetVisible(true);
  grid->Repaint();
  EXPECT_NE(harness::PixelAt(grid->BackingImage(), x, y), clRed);
  EXPECT_EQ(harness::PixelAt(grid->BackingImage(), x, y - 32), clRed);
}

TEST_F(PanelsTest, MovingTheCurrentCellKeepsItAboveTheFooter) {
  grid->SetRowCount(60);
  TFloatingFooter& footer = *grid->FloatingFooter();
  footer.SetFooterStyle(fsColumnPreview);
  footer.SetVisible(true);
  grid->SetRow(1);
  int last = grid->TopRow() + grid->VisibleRowCount() - 1;
  // The last row shown lies partly under the panel: going there scrolls.
  const int top = grid->TopRow();
  grid->SetRow(last);
  EXPECT_GT(grid->TopRow(), top);
}

}  // namespace

namespace {

TEST_F(PanelsTest, TheControlLookChoosesTheSearchButtonsLook) {
  const struct {
    TControlStyle style;
    bool themed, flat, xp;
  } cases[] = {{csFlat, false, true, false}, {csClassic, false, false, false}, {csWinXP, false, false, true},
               {csWinXP, true, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "style " << c.style << " themed " << c.themed);
    grid->ControlLook()->SetControlStyle(c.style);
    grid->SetAutoThemeAdapt(c.themed);
    grid->SearchChanged(grid->SearchFooter());
    TDurUzavButton* next = Search().FindNextButton();
    EXPECT_EQ(next->Flat(), c.flat);
    // The flat looks leave the push-button look as it was.
    if (!c.flat) {
      EXPECT_EQ(next->AutoXPStyle(), c.xp);
    }
    EXPECT_EQ(next->AutoThemeAdapt(), c.themed);
    EXPECT_EQ(grid->SearchFooter()->AutoThemeAdapt(), c.themed);
  }
}

}  // namespace
