// The search bar's speed button: its looks and states read back from the
// pixels it paints, its glyph and caption layout, and the mouse, group and
// drop-down rules as a user drives them.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "framework/menus.h"
#include "framework/messaging.h"
#include "framework/testing/harness.h"
#include "framework/testing/recordingtheme.h"
#include "grid/vazeri_button.h"
#include "tests/grid/gridtesting.h"

namespace {

using gridtesting::SendMouse;

constexpr TColor kGlyphBackground = clFuchsia;

// An 8 x 8 glyph: a white square over pixels 2..5 on fuchsia, with one
// pixel (2, 2) in another colour.
void PaintGlyph(TBitmap& glyph) {
  glyph.SetSize(8, 8);
  TCanvas* c = glyph.Canvas();
  c->Brush()->SetColor(kGlyphBackground);
  c->FillRect({0, 0, 8, 8});
  c->Brush()->SetColor(clWhite);
  c->FillRect({2, 2, 6, 6});
  c->SetPixel(2, 2, RGB(30, 60, 90));
}

class GridButton : public ::testing::Test {
 protected:
  void SetUp() override {
    form_.SetBounds(0, 0, 300, 120);
    form_.SetColor(clWhite);
    button_ = new TDurUzavButton(&form_);
    button_->SetParent(&form_);
    button_->SetBounds(10, 10, 90, 23);
    button_->OnClick = [this](TObject*) { ++clicks_; };
    form_.Show();
    PaintGlyph(glyph_);
    // The cursor away from the button unless a test moves it there.
    SetCursorPos(form_.ClientToScreen({250, 100}));
  }

  TColor Pixel(int x, int y) {
    button_->Repaint();
    return harness::PixelAt(button_->BackingImage(), x, y);
  }
  // The bounds of the white pixels painted, as (left, top, right, bottom).
  TRect WhiteBounds() {
    button_->Repaint();
    const QImage& image = button_->BackingImage();
    TRect found{image.width(), image.height(), -1, -1};
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (harness::PixelAt(image, x, y) == clWhite) {
          found.Left = std::min(found.Left, x), found.Top = std::min(found.Top, y);
          found.Right = std::max(found.Right, x + 1), found.Bottom = std::max(found.Bottom, y + 1);
        }
    return found;
  }
  void MoveCursorOverButton() { SetCursorPos(button_->ClientToScreen({5, 5})); }
  void Press(TDurUzavButton* b, int x, int y) { SendMouse(b, QEvent::MouseButtonPress, Qt::LeftButton, x, y); }
  void Release(TDurUzavButton* b, int x, int y) {
    SendMouse(b, QEvent::MouseButtonRelease, Qt::NoButton, x, y);
  }

  TForm form_{nullptr};
  TBitmap glyph_;
  TDurUzavButton* button_ = nullptr;
  int clicks_ = 0;
};

// ---- Looks and faces ----

TEST_F(GridButton, EachLookStartsItsFaceInItsColour) {
  const struct {
    int look;
    TColor top;
  } cases[] = {
      {0, 0x00EDF1F1}, {1, ColorToRGB(clBtnFace)}, {2, 0x00FDEADA}, {3, 0x00CFF0EA},
      {4, 0x00ECE2E1}, {5, ColorToRGB(clBtnFace)}, {6, 0x00CAFFFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "look " << c.look);
    button_->SetHeight(32);
    button_->SetFlat(false);
    button_->SetBorderColor(clRed);
    button_->SetLook(c.look);
    EXPECT_TRUE(button_->Flat());
    EXPECT_EQ(button_->BorderColor(), clNone);
    // At this height row 1 lies in the first of the 16 bands whether or
    // not the face is inset by a pixel.
    EXPECT_EQ(Pixel(45, 1), c.top);
  }
}

TEST_F(GridButton, LookTwoShowsItsColourInTheTopRowBesideGlyphAndCaption) {
  button_->SetLook(2);
  button_->SetGlyph(glyph_);
  button_->SetCaption("Find next");
  EXPECT_EQ(Pixel(1, 0), 0x00FDEADA);
  // The gradient runs down toward ColorTo.
  const TColor bottom = Pixel(1, 22);
  EXPECT_LT(GetBValue(bottom), 0xFD);
  EXPECT_GT(GetBValue(bottom), 0xE4);
}

TEST_F(GridButton, TheFaceFollowsHotPressedCheckedAndGroupedStates) {
  button_->SetLook(2);
  struct Case {
    const char* name;
    std::function<void(TDurUzavButton*)> setUp;
    TColor face;
  };
  const Case cases[] = {
      {"idle", [](TDurUzavButton*) {}, 0x00FDEADA},
      {"hot", [](TDurUzavButton* b) { b->Perform(CM_MOUSEENTER); }, 0x00CCF4FF},
      {"hot and pressed",
       [this](TDurUzavButton* b) {
         b->Perform(CM_MOUSEENTER);
         Press(b, 5, 5);
       },
       0x004E91FE},
      {"checked",
       [](TDurUzavButton* b) {
         b->SetStyle(tasCheck);
         b->SetDown(true);
       },
       0x008ED3FF},
      {"down in a group",
       [](TDurUzavButton* b) {
         b->SetGroupIndex(1);
         b->SetDown(true);
       },
       0x008ED3FF},
      {"disabled",
       [](TDurUzavButton* b) {
         b->Perform(CM_MOUSEENTER);
         b->SetEnabled(false);
       },
       0x00FDEADA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* b = new TDurUzavButton(&form_);
    b->SetParent(&form_);
    b->SetBounds(10, 50, 90, 32);  // row 1 in the first band, past the border
    b->SetLook(2);
    c.setUp(b);
    b->Repaint();
    EXPECT_EQ(harness::PixelAt(b->BackingImage(), 45, 1), c.face);
    if (GetCapture() == b) ReleaseCapture();
    delete b;
  }
}

TEST_F(GridButton, TheRoundedLookOutlinesHotFacesAndLeavesItsCornersToTheParent) {
  button_->SetLook(0);
  ASSERT_TRUE(button_->Rounded());
  // Idle: the face is inset by a pixel and has no outline.
  EXPECT_EQ(Pixel(45, 0), clWhite);
  EXPECT_EQ(Pixel(45, 1), 0x00EDF1F1);
  button_->Perform(CM_MOUSEENTER);
  EXPECT_EQ(Pixel(45, 0), 0x00C3CECE);  // BorderHotColor
  EXPECT_EQ(Pixel(45, 1), 0x00FAFCFC);  // ColorHot
  EXPECT_EQ(Pixel(0, 0), clWhite);
  Press(button_, 5, 5);
  EXPECT_EQ(Pixel(45, 0), 0x00AF987A);  // BorderDownColor
  EXPECT_EQ(Pixel(0, 0), clWhite);
  Release(button_, 5, 5);
}

TEST_F(GridButton, AutoThemeAdaptFollowsTheColourScheme) {
  TRecordingThemeService theme;
  InstallThemeService(&theme);
  theme.colorName = "HomeStead";
  button_->SetAutoThemeAdapt(true);
  EXPECT_EQ(button_->Color(), 0x00CFF0EA);
  theme.colorName = "Metallic";
  button_->Perform(WM_THEMECHANGED);
  EXPECT_EQ(button_->Color(), 0x00ECE2E1);
  theme.active = false;
  button_->Perform(WM_THEMECHANGED);
  EXPECT_EQ(button_->Color(), clBtnFace);
  EXPECT_EQ(button_->ColorHot(), 0x00EED2C1);

  // A button that is not flat draws the theme's push button.
  theme.active = true;
  button_->SetFlat(false);
  button_->SetAutoXPStyle(true);
  button_->Repaint();
  ASSERT_FALSE(theme.drawn.empty());
  EXPECT_EQ(theme.drawn.back().className, "button");
  EXPECT_EQ(theme.drawn.back().state, PBS_NORMAL);
  InstallThemeService(nullptr);
}

// ---- Glyphs and layout ----

TEST_F(GridButton, SetGlyphMakesAGreyDisabledCopyThatShowsWhileDisabled) {
  button_->SetLook(2);
  button_->SetGlyph(glyph_);
  const QImage& grey = button_->GlyphDisabled()->Image();
  ASSERT_FALSE(grey.isNull());
  // (255 * 3) / 3 / 2 + 96 and (30 + 60 + 90) / 3 / 2 + 96.
  EXPECT_EQ(harness::PixelAt(grey, 4, 4), RGB(223, 223, 223));
  EXPECT_EQ(harness::PixelAt(grey, 2, 2), RGB(126, 126, 126));

  button_->SetCaption("Go");
  const TRect enabled = WhiteBounds();
  ASSERT_EQ(enabled.Width(), 4);
  button_->SetEnabled(false);
  EXPECT_EQ(Pixel(enabled.Left + 2, enabled.Top + 2), RGB(223, 223, 223));
  // The grey background of the copy stays transparent.
  EXPECT_EQ(Pixel(enabled.Left - 2, enabled.Top - 2), Pixel(1, enabled.Top - 2));
}

TEST(GridButtonLayout, PlacesGlyphAndTextByLayoutMarginAndSpacing) {
  using durbutton::CalcButtonLayout;
  const TRect client{0, 0, 100, 30};
  const TSize glyph{16, 16}, text{40, 13};
  const struct {
    const char* name;
    TRect client;
    TPoint offset;
    TSize text;
    TButtonLayout layout;
    int margin, spacing;
    bool rightToLeft;
    TPoint glyphPos;
    TRect textBounds;
  } cases[] = {
      {"centred block", client, {}, text, blGlyphLeft, -1, 4, false, {20, 7}, {40, 9, 80, 22}},
      {"glyph right", client, {}, text, blGlyphRight, 2, 4, false, {82, 7}, {38, 9, 78, 22}},
      {"automatic margin and spacing", client, {}, text, blGlyphTop, -1, -1, false, {42, 0}, {30, 16, 70, 29}},
      {"automatic spacing", client, {}, text, blGlyphLeft, 3, -1, false, {3, 7}, {39, 9, 79, 22}},
      {"right to left swaps", client, {}, text, blGlyphLeft, -1, 4, true, {64, 7}, {20, 9, 60, 22}},
      {"no text, no spacing", client, {}, {0, 0}, blGlyphLeft, -1, 4, false, {42, 7}, {58, 15, 58, 15}},
      {"glyph bottom", client, {}, text, blGlyphBottom, 1, 2, false, {42, 13}, {30, -2, 70, 11}},
      {"moved by origin and offset", {2, 3, 102, 33}, {-1, -1}, text, blGlyphLeft, -1, 4, false, {21, 9},
       {41, 11, 81, 24}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto result = CalcButtonLayout(c.client, c.offset, glyph, c.text, c.layout, c.margin, c.spacing,
                                         c.rightToLeft);
    EXPECT_EQ(result.glyphPos, c.glyphPos);
    EXPECT_EQ(result.textBounds, c.textBounds);
  }
}

TEST_F(GridButton, TheGlyphSitsWhereTheLayoutPutsIt) {
  button_->SetLook(1);
  button_->SetGlyph(glyph_);
  // Without a caption the glyph is drawn from the top-left corner.
  EXPECT_EQ(WhiteBounds(), (TRect{2, 2, 6, 6}));

  button_->SetCaption("Find");
  button_->Repaint();
  TRect measured{0, 0, 88, 0};
  button_->Canvas()->DrawText("Find", measured, DT_CALCRECT);
  // The face is inset by a pixel; block = glyph + spacing 4 + text.
  const int left = 1 + (88 - (8 + 4 + measured.Width()) + 1) / 2;
  const int top = 1 + (21 - 8 + 1) / 2;
  EXPECT_EQ(WhiteBounds(), (TRect{left + 2, top + 2, left + 6, top + 6}));

  // Hot and shaded: the glyph lifts a pixel over its grey shade.
  button_->SetShaded(true);
  button_->Perform(CM_MOUSEENTER);
  EXPECT_EQ(WhiteBounds(), (TRect{left + 1, top + 1, left + 5, top + 5}));
  // The shade lies two pixels down and right of the glyph.
  EXPECT_EQ(Pixel(left + 6, top + 6), RGB(0x80, 0x80, 0x80));

  const int margin = button_->Margin();
  button_->SetMargin(-2);
  EXPECT_EQ(button_->Margin(), margin);
}

// ---- Mouse, groups and the drop-down part ----

TEST_F(GridButton, AClickInsideFiresOnClickAndAReleaseOutsideDoesNot) {
  harness::ClickAt(button_, 20, 10);
  EXPECT_EQ(clicks_, 1);
  EXPECT_FALSE(button_->Down());  // a plain button never stays down
  Press(button_, 20, 10);
  EXPECT_EQ(button_->State(), bsDown);
  SendMouse(button_, QEvent::MouseMove, Qt::LeftButton, 200, 10);
  EXPECT_EQ(button_->State(), bsUp);
  Release(button_, 200, 10);
  EXPECT_EQ(clicks_, 1);

  // Released over the button, the cursor there makes it hot again.
  MoveCursorOverButton();
  harness::ClickAt(button_, 20, 10);
  EXPECT_EQ(clicks_, 2);
  EXPECT_TRUE(button_->MouseInControl());
}

TEST_F(GridButton, ACheckButtonTogglesOnEachClickWithoutAGroup) {
  button_->SetStyle(tasCheck);
  for (bool expected : {true, false, true}) {
    harness::ClickAt(button_, 20, 10);
    EXPECT_EQ(button_->Down(), expected);
  }
  EXPECT_EQ(clicks_, 3);

  // A double click is two clicks; only a button down at the second press
  // also double-clicks.
  int doubleClicks = 0;
  button_->OnDblClick = [&](TObject*) { ++doubleClicks; };
  harness::DoubleClickAt(button_, 20, 10);  // up at the second press
  EXPECT_EQ(doubleClicks, 0);
  EXPECT_TRUE(button_->Down());
  harness::ClickAt(button_, 20, 10);
  harness::DoubleClickAt(button_, 20, 10);  // down at the second press
  EXPECT_EQ(doubleClicks, 1);
  EXPECT_FALSE(button_->Down());
  EXPECT_EQ(clicks_, 8);
}

TEST_F(GridButton, GroupedButtonsAreDownOneAtATime) {
  auto* other = new TDurUzavButton(&form_);
  other->SetParent(&form_);
  other->SetBounds(110, 10, 90, 23);
  button_->SetGroupIndex(1);
  other->SetGroupIndex(1);

  harness::ClickAt(button_, 20, 10);
  EXPECT_TRUE(button_->Down());
  EXPECT_EQ(button_->State(), bsExclusive);
  harness::ClickAt(other, 20, 10);
  EXPECT_TRUE(other->Down());
  EXPECT_FALSE(button_->Down());
  // Clicked again, the down button stays down.
  harness::ClickAt(other, 20, 10);
  EXPECT_TRUE(other->Down());
  // AllowAllUp set on one button holds for the group.
  button_->SetAllowAllUp(true);
  EXPECT_TRUE(other->AllowAllUp());
  harness::ClickAt(other, 20, 10);
  EXPECT_FALSE(other->Down());
  EXPECT_FALSE(button_->Down());

  // The group message from a control that is no button changes nothing.
  harness::ClickAt(button_, 20, 10);
  button_->Perform(durbutton::CM_BUTTONPRESSED, 1, reinterpret_cast<LPARAM>(static_cast<TObject*>(&form_)));
  EXPECT_TRUE(button_->Down());
  EXPECT_TRUE(button_->AllowAllUp());
}

TEST_F(GridButton, APressOnTheDropDownPartDropsDownInsteadOfClicking) {
  TPopupMenu menu(&form_);
  int popups = 0, dropDowns = 0;
  menu.OnPopup = [&](TObject*) { ++popups; };
  button_->SetDropDownButton(true);
  button_->SetDropDownMenu(&menu);
  button_->OnDropDown = [&](TObject*) { ++dropDowns; };

  harness::ClickAt(button_, 90 - 5, 10);
  EXPECT_EQ(dropDowns, 1);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(clicks_, 0);
  EXPECT_EQ(button_->State(), bsUp);
  // Left of the part (x = right - 12 is not in it) the button clicks.
  harness::ClickAt(button_, 90 - 12, 10);
  EXPECT_EQ(clicks_, 1);
  EXPECT_EQ(dropDowns, 1);
  menu.QtMenu()->hide();
}

TEST_F(GridButton, ItsAcceleratorClicksIt) {
  button_->SetCaption("Match &case");
  EXPECT_EQ(button_->Perform(durbutton::CM_DIALOGCHAR, 'C'), 1);
  EXPECT_EQ(button_->Perform(durbutton::CM_DIALOGCHAR, 'm'), 0);
  EXPECT_EQ(clicks_, 1);
  button_->SetEnabled(false);
  EXPECT_EQ(button_->Perform(durbutton::CM_DIALOGCHAR, 'c'), 0);
  EXPECT_EQ(clicks_, 1);
}

}  // namespace
