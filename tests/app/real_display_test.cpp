// The program's windows on a real X display under a window manager (run by
// the app_real_display test): where they open with no placement file, where
// the download window comes back each time it is opened, and where the main
// window comes back after a restart.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "app/Form_FW_Download.h"
#include "app/Form_main.h"
#include "tests/app/windowtestsupport.h"

// Points in failure messages as coordinates.
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << "(" << p.x() << ", " << p.y() << ")"; }

namespace {

using Clock = std::chrono::steady_clock;

// Handles events until the window manager has framed the window and left it
// in place: the frame is known and has not moved for a moment.
bool Settle(QWidget* window) {
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  QRect last;
  auto steadySince = Clock::now();
  while (Clock::now() < deadline) {
    harness::ProcessEvents();
    const QRect frame = window->frameGeometry();
    const bool framed = window->windowHandle() && window->windowHandle()->isExposed() && frame != window->geometry();
    if (frame != last || !framed) {
      last = frame;
      steadySince = Clock::now();
    } else if (Clock::now() - steadySince > std::chrono::milliseconds(300)) {
      return true;
    }
  }
  return false;
}

class RealDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
    if (std::getenv("FLASHWRIGHT_WINDOW_MANAGER") == nullptr) GTEST_SKIP() << "needs a window manager";
    std::remove("FORM.INI");
  }
  void TearDown() override { std::remove("FORM.INI"); }

  static QRect WorkArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

TEST_F(RealDisplay, WindowsOpenWithTheirTitleBarsOnTheScreenAndComeBackWhereTheyWere) {
  const std::string settings = windowtest::SettingsStore::DeviceNet();
  QPoint mainFrame;
  {
    windowtest::MainWindowDriver app(TForm_FW_Download_Main::kDeviceNet, settings);
    QWidget* main = app.window->Widget();
    ASSERT_TRUE(Settle(main));
    EXPECT_TRUE(WorkArea().contains(main->frameGeometry())) << "no placement file: the whole window on the screen";
    EXPECT_EQ(main->frameGeometry().topLeft(), QPoint(app.window->Left(), app.window->Top()));

    // The user moves the window; its frame goes where it was put.
    app.window->SetBounds(WorkArea().x() + 60, WorkArea().y() + 50, app.window->Width(), app.window->Height());
    ASSERT_TRUE(Settle(main));
    mainFrame = main->frameGeometry().topLeft();
    EXPECT_EQ(mainFrame, WorkArea().topLeft() + QPoint(60, 50));

    // The download window, opened again and again, opens where it was.
    TForm_FW_Download sectors(app.window.get());
    sectors.AfterConstruction();
    std::vector<QPoint> openedAt;
    for (int opening = 0; opening < 3; ++opening) {
      harness::WhenIdle([&] {
        EXPECT_TRUE(Settle(sectors.Widget()));
        openedAt.push_back(sectors.Widget()->frameGeometry().topLeft());
        sectors.SetModalResult(mrCancel);
      });
      sectors.ShowModal();
    }
    ASSERT_EQ(openedAt.size(), 3u);
    EXPECT_TRUE(WorkArea().contains(QRect(openedAt[0], sectors.Widget()->frameGeometry().size())));
    EXPECT_EQ(openedAt[1], openedAt[0]);
    EXPECT_EQ(openedAt[2], openedAt[0]);
  }
  // A restart: the main window opens where the last run left it.
  windowtest::MainWindowDriver again(TForm_FW_Download_Main::kDeviceNet, settings);
  ASSERT_TRUE(Settle(again.window->Widget()));
  EXPECT_EQ(again.window->Widget()->frameGeometry().topLeft(), mainFrame);
}

}  // namespace
