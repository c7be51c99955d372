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

// The colour the screen shows at a point, read back from the X server.
TColor ScreenPixel(QPoint at) {
  const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 1, 1).toImage();
  return shot.isNull() ? clNone : FromQColor(shot.pixelColor(0, 0));
}

// The middle of a control on the screen, where it is now.
QPoint MiddleOf(TControl* control) {
  const TPoint p = control->ClientToScreen({control->Width() / 2, control->Height() / 2});
  return {p.X, p.Y};
}

// Handles events until the screen shows the colour in the middle of the
// control (a window manager may still be placing it).
bool ScreenShows(TControl* control, TColor colour) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    harness::ProcessEvents();
    if (ScreenPixel(MiddleOf(control)) == colour) return true;
  }
  return false;
}

TEST(RealDisplay, ABusyStepBeginsWithWhatAClosedBoxUncoveredRepainted) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  TForm form(nullptr);
  form.SetColor(clLime);
  form.SetBounds(40, 60, 400, 300);
  form.Show();
  ASSERT_TRUE(ScreenShows(&form, clLime));
  const QPoint middle = MiddleOf(&form);

  // A box over the middle of the window, closed as a message box is closed.
  TForm box(nullptr);
  box.SetColor(clRed);
  box.SetBounds(middle.x() - 80, middle.y() - 50, 160, 100);
  box.Show();
  ASSERT_TRUE(ScreenShows(&box, clRed));
  ASSERT_EQ(ScreenPixel(middle), clRed);
  box.Hide();

  // The step keeps the window thread from here on: what the screen shows
  // now is what the user sees for the whole step.
  TBusyCursor busy;
  EXPECT_EQ(ScreenPixel(middle), clLime);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
}

}  // namespace

namespace {

// Runs the event loop until the form's window is the active one, for at
// most twenty seconds of real time.
bool RunUntilActive(TForm& form) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!form.Widget()->isActiveWindow()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    harness::ProcessEvents();
  }
  return true;
}

// A borderless popup form, as the grid's popup editors use, takes the
// activation when shown and closes when the user activates another window.
TEST(RealDisplay, ABorderlessPopupClosesWhenAnotherWindowIsActivated) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  TForm main(nullptr);
  main.SetCaption("Owner");
  main.SetBounds(40, 40, 300, 200);
  main.Show();
  ASSERT_TRUE(RunUntilActive(main));
  TForm popup(nullptr);
  popup.SetBorderStyle(bsNone);
  popup.SetBounds(80, 80, 120, 80);
  int deactivations = 0;
  popup.OnDeactivate = [&](TObject*) {
    ++deactivations;
    popup.Close();
  };
  popup.Show();
  ASSERT_TRUE(RunUntilActive(popup));
  main.Widget()->activateWindow();
  ASSERT_TRUE(RunUntilActive(main));
  EXPECT_EQ(deactivations, 1);
  EXPECT_FALSE(popup.Visible());
}

}  // namespace
