// A form on a real X display (run by the framework_real_display test under
// xvfb-run): the window is mapped, painted by the X server path and its
// pixels are read back from the screen.
#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <chrono>

#include "framework/extracontrols.h"
#include "framework/forms.h"
#include "framework/standardcontrols.h"
#include "framework/testing/harness.h"

namespace {

TEST(RealDisplay, FormIsShownAndReadBackFromTheScreen) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  TForm form(nullptr);
  form.SetCaption("Download Progress");
  form.SetBounds(40, 40, 260, 140);
  form.SetBorderStyle(bsDialog);
  auto* button = new TButton(&form);
  button->SetParent(&form);
  button->SetCaption("Cancel");
  button->SetBounds(10, 100, 75, 25);
  auto* edit = new TEdit(&form);
  edit->SetParent(&form);
  edit->SetBounds(10, 10, 120, 21);
  auto* combo = new TComboBox(&form);
  combo->SetParent(&form);
  combo->SetBounds(140, 10, 100, 21);
  combo->Items()->Add("500k");
  combo->SetItemIndex(0);
  auto* gauge = new TCGauge(&form);
  gauge->SetParent(&form);
  gauge->SetBounds(10, 50, 200, 30);
  gauge->SetForeColor(clBlue);
  gauge->SetBackColor(clBtnFace);
  gauge->SetShowText(false);
  gauge->SetProgress(50);
  form.Show();
  QWindow* window = form.Widget()->windowHandle();
  ASSERT_NE(window, nullptr);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!window->isExposed() && std::chrono::steady_clock::now() < deadline) harness::ProcessEvents();
  ASSERT_TRUE(window->isExposed());
  harness::TypeText(edit, "hello");
  EXPECT_EQ(edit->Text(), "hello");

  // Read the pixels back from the screen until the X server has them.
  QImage shot;
  const QPoint origin = gauge->Widget()->mapToGlobal(QPoint(0, 0));
  while (std::chrono::steady_clock::now() < deadline) {
    harness::ProcessEvents();
    shot = QGuiApplication::primaryScreen()
               ->grabWindow(0, origin.x(), origin.y(), gauge->Width(), gauge->Height())
               .toImage();
    if (!shot.isNull() && FromQColor(shot.pixelColor(50, 15)) == clBlue) break;
  }
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(FromQColor(shot.pixelColor(50, 15)), clBlue);                    // done part
  EXPECT_EQ(FromQColor(shot.pixelColor(150, 15)), ColorToRGB(clBtnFace));   // rest
  EXPECT_EQ(FromQColor(shot.pixelColor(0, 0)), clBlack);                    // frame
  EXPECT_TRUE(harness::SaveScreenshot(&form, (QDir::tempPath() + "/framework_real_display.png").toStdString()));
}

}  // namespace
