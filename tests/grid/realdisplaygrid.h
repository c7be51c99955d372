// The set-up shared by the grid tests that run on a real X display under
// xvfb-run: a form holding one grid, shown and activated by the window
// manager, and xdotool moving the X server's own pointer over the grid.
#pragma once

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QStringList>
#include <QWindow>
#include <chrono>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "tests/grid/spintesting.h"

// The fixture of the RealDisplay tests: skips them off X (the binary runs
// them once more under xvfb-run) and gives each a form with a grid.
class RealDisplay : public ::testing::Test {
 protected:
  RealDisplay() {
    form.SetBounds(40, 40, 520, 420);
    grid = new TVudUvizidIzed(&form);
    grid->SetParent(&form);
    grid->SetBounds(10, 10, 480, 380);
  }

  void SetUp() override {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  }

  // Shows the form and waits until the window manager has placed and
  // activated it: only then do keys and the pointer reach the grid.
  ::testing::AssertionResult ShowActivated() {
    form.Show();
    QWindow* window = form.Widget()->windowHandle();
    if (window == nullptr) return ::testing::AssertionFailure() << "the form has no window";
    if (!spintesting::WaitUntil([&] { return window->isExposed() && window->isActive(); },
                                std::chrono::seconds(20)))
      return ::testing::AssertionFailure() << "the window manager did not activate the form";
    return ::testing::AssertionSuccess();
  }

  ::testing::AssertionResult FocusGrid() {
    grid->SetFocus();
    if (!spintesting::WaitUntil([&] { return grid->Focused(); }, std::chrono::seconds(5)))
      return ::testing::AssertionFailure() << "the grid did not take the focus";
    return ::testing::AssertionSuccess();
  }

  static bool HasXdotool() { return !harness::RunServed("sh", {"-c", "command -v xdotool"}).isEmpty(); }

  // xdotool's command that moves the pointer to a client point of the grid
  // and waits until the X server has moved it.
  QStringList MoveTo(TPoint client) const {
    const TPoint screen = grid->ClientToScreen(client);
    return {"mousemove", "--sync", QString::number(screen.X), QString::number(screen.Y)};
  }
  QStringList MoveToCell(int col, int row) const {
    const TRect cell = grid->CellRect(col, row);
    return MoveTo({(cell.Left + cell.Right) / 2, (cell.Top + cell.Bottom) / 2});
  }

  // Runs xdotool with the commands while the grid's window keeps serving
  // its events; true when xdotool succeeded.
  static bool Xdotool(const QStringList& commands) {
    const QStringList script{"-c", "xdotool \"$@\" && echo done", "xdotool"};
    return harness::RunServed("sh", script + commands) == "done\n";
  }

  TForm form{nullptr};
  TVudUvizidIzed* grid;
};
