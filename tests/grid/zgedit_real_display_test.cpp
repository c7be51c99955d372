// The edit with a button on a real X display (run by the wide_real_display
// test under xvfb-run): pressing the button hands the focus to the edit of
// a window the window manager has activated.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLineEdit>
#include <QWindow>
#include <chrono>

#include "framework/testing/harness.h"
#include "grid/zgedit.h"

namespace {

TEST(RealDisplay, PressingTheButtonFocusesItsEditWhichSelectsItsText) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  TForm form(nullptr);
  form.SetBounds(40, 40, 260, 120);
  auto* other = new TEdit(&form);
  other->SetParent(&form);
  other->SetBounds(10, 10, 120, 21);
  auto* edit = new TZurEditBtn(&form);
  edit->SetParent(&form);
  edit->SetBounds(10, 50, 150, 24);
  edit->SetText("value");
  int clicks = 0;
  edit->OnClickBtn = [&](TObject*) { ++clicks; };
  form.Show();
  QWindow* window = form.Widget()->windowHandle();
  ASSERT_NE(window, nullptr);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!(window->isExposed() && window->isActive()) && std::chrono::steady_clock::now() < deadline) {
    form.Widget()->activateWindow();
    harness::ProcessEvents();
  }
  ASSERT_TRUE(window->isActive());
  other->SetFocus();
  harness::ProcessEvents();
  ASSERT_TRUE(other->Focused());

  harness::Click(edit->EditButton()->Button());
  harness::ProcessEvents();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(edit->LineEdit()->selectedText().toStdString(), "value");
}

}  // namespace
