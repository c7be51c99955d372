// The spin editors on a real X display (run by the spin_real_display test
// under xvfb-run): the focus moves by the window system's own rules, by a
// click, by Tab and by Enter, and each editor checks its value as it loses
// the focus.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWindow>
#include <chrono>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/zozezed.h"
#include "tests/grid/spintesting.h"

namespace {

TEST(RealDisplay, SpinEditorsCheckTheirValuesAsTheFocusMovesOn) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  TForm form(nullptr);
  form.SetBounds(40, 40, 320, 120);
  auto* spin = new TZurSpinEdit(&form);
  spin->SetParent(&form);
  spin->SetBounds(10, 10, 90, 21);
  spin->SetReturnIsTab(true);
  auto* extended = new TZozEzedEdit(&form);
  extended->SetParent(&form);
  extended->SetBounds(120, 10, 90, 21);
  extended->SetMaxValue(50);
  extended->SetFocusColor(clYellow);
  auto* last = new TEdit(&form);
  last->SetParent(&form);
  last->SetBounds(230, 10, 80, 21);
  form.Show();
  QWindow* window = form.Widget()->windowHandle();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(spintesting::WaitUntil([&] { return window->isExposed() && window->isActive(); },
                                     std::chrono::seconds(20)));

  harness::Click(spin);
  ASSERT_TRUE(spintesting::WaitUntil([&] { return spin->Focused(); }, std::chrono::seconds(5)));
  spin->SelectAll();
  harness::TypeText(spin, "250");
  EXPECT_EQ(spin->Text(), "250");
  // Enter moves on as Tab does; leaving clamps the value to 100.
  harness::PressKey(spin, Qt::Key_Return);
  ASSERT_TRUE(spintesting::WaitUntil([&] { return extended->Focused(); }, std::chrono::seconds(5)));
  EXPECT_EQ(spin->Text(), "100");
  EXPECT_EQ(extended->Color(), clYellow);

  extended->SelectAll();
  harness::TypeText(extended, "70");
  harness::PressKey(extended, Qt::Key_Tab);
  ASSERT_TRUE(spintesting::WaitUntil([&] { return last->Focused(); }, std::chrono::seconds(5)));
  EXPECT_EQ(extended->Text(), "50");
  EXPECT_EQ(extended->Color(), clWindow);
}

}  // namespace
