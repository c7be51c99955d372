// The flat combo box: its settings and the border it draws by state.
#include "grid/zgcombo.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>

#include "framework/testing/harness.h"
#include "grid/zguni.h"

namespace {

constexpr TColor kParentColor = 0x00FF00;

class FlatComboTest : public ::testing::Test {
 protected:
  FlatComboTest() {
    form.SetBounds(0, 0, 300, 200);
    form.SetColor(kParentColor);
    combo.SetParent(&form);
    combo.SetBounds(10, 10, 150, 22);
    other.SetParent(&form);
    other.SetTop(60);
    form.Show();
    other.SetFocus();
    harness::ProcessEvents();
  }
  // A pixel of the left edge.
  TColor Corner() { return harness::PixelAt(harness::Grab(&combo), 0, combo.Height() / 2); }
  void MouseOver(bool in) {
    QEvent event(in ? QEvent::Enter : QEvent::Leave);
    QCoreApplication::sendEvent(combo.Widget(), &event);
  }

  TForm form{nullptr};
  TZurComboBox combo{&form};
  TEdit other{&form};
};

TEST_F(FlatComboTest, ButtonWidthTakesOnlyFourteenToThirtyTwo) {
  const int initial = combo.ButtonWidth();
  EXPECT_GE(initial, 14);
  const struct {
    int width;
    int result;
  } cases[] = {{13, initial}, {33, initial}, {14, 14}, {32, 32}, {20, 20}, {-1, 20}};
  for (const auto& c : cases) {
    combo.SetButtonWidth(c.width);
    EXPECT_EQ(combo.ButtonWidth(), c.result) << c.width;
  }
  EXPECT_EQ(combo.Version(), "1.2.0.0");
  combo.SetVersion("9.9.9.9");
  EXPECT_EQ(combo.Version(), "1.2.0.0");
}

TEST_F(FlatComboTest, TheBorderIsSunkenOnlyWithFocusBorderWhileActive) {
  const TColor shadow = ColorToRGB(clBtnShadow);
  const struct {
    const char* state;
    bool focusBorder;
    bool focused;
    bool mouseIn;
    TColor corner;
  } cases[] = {
      {"idle", false, false, false, kParentColor},
      {"focused without focus border", false, true, false, kParentColor},
      {"hovered without focus border", false, false, true, kParentColor},
      {"idle with focus border", true, false, false, kParentColor},
      {"focused with focus border", true, true, false, shadow},
      {"hovered with focus border", true, false, true, shadow},
  };
  for (const auto& c : cases) {
    combo.SetFocusBorder(c.focusBorder);
    if (c.focused) combo.SetFocus();
    else other.SetFocus();
    MouseOver(c.mouseIn);
    harness::ProcessEvents();
    EXPECT_EQ(combo.Is3DBorderControl(), c.corner == shadow) << c.state;
    EXPECT_EQ(Corner(), c.corner) << c.state;
  }
  // The standard look draws nothing of its own.
  combo.SetFlat(false);
  EXPECT_TRUE(combo.Ctl3D());
  EXPECT_NE(Corner(), kParentColor);
  combo.SetFlat(true);
  EXPECT_FALSE(combo.Ctl3D());
}

TEST_F(FlatComboTest, AutoFocusTakesTheFocusWhenTheMouseComesOver) {
  MouseOver(true);
  EXPECT_TRUE(combo.MouseInControl());
  EXPECT_FALSE(combo.Focused());
  MouseOver(false);
  EXPECT_FALSE(combo.MouseInControl());
  combo.SetAutoFocus(true);
  MouseOver(true);
  EXPECT_TRUE(combo.Focused());
}

TEST_F(FlatComboTest, ADisabledComboTakesItsParentsColourAndGetsItsOwnBack) {
  combo.SetColor(0x0000FF);
  combo.SetEnabled(false);
  EXPECT_EQ(combo.Color(), kParentColor);
  combo.SetEnabled(true);
  EXPECT_EQ(combo.Color(), 0x0000FF);
}

TEST_F(FlatComboTest, DropWidthWidensTheList) {
  const int before = combo.ComboBox()->view()->minimumWidth();
  combo.SetDropWidth(0);
  EXPECT_EQ(combo.ComboBox()->view()->minimumWidth(), before);
  combo.SetDropWidth(400);
  EXPECT_EQ(combo.ComboBox()->view()->minimumWidth(), 400);
  EXPECT_EQ(combo.DropWidth(), 400);
}

TEST(UniFlatCombo, SharesTheFlatSettingsAndDrawsItsButtonInEveryState) {
  TForm form(nullptr);
  form.SetColor(kParentColor);
  TZurUniComboBox combo(&form);
  combo.SetParent(&form);
  form.Show();
  const int initial = combo.ButtonWidth();
  combo.SetButtonWidth(40);
  EXPECT_EQ(combo.ButtonWidth(), initial);
  combo.SetButtonWidth(20);
  EXPECT_EQ(combo.ButtonWidth(), 20);
  combo.Items()->Add(u"\u4e00");
  // Idle, the button's border is a plain face; the control's frame is the
  // parent's colour.
  const QImage idle = harness::Grab(&combo);
  EXPECT_EQ(harness::PixelAt(idle, 0, 0), kParentColor);
  combo.SetStyle(csSimple);
  combo.DrawBorders();
  EXPECT_EQ(harness::PixelAt(harness::Grab(&combo), 0, 0), kParentColor);
}

}  // namespace
