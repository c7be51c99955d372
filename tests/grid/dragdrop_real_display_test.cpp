// One real drag between two grids on an X display (run by the
// dragdrop_real_display test under xvfb-run): xdotool presses the mouse on a
// cell of one grid, moves it over a cell of the other and lets go, and the
// cell's text travels through the window system's drag and drop, started
// by the grid's own press and mouse moves.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QWindow>
#include <chrono>

#include "framework/forms.h"
#include "grid/duruzav.h"
#include "grid/griddragdrop.h"
#include "tests/grid/spintesting.h"

namespace {

QString At(TVudUvizidIzed& grid, int col, int row) {
  const TRect r = grid.CellRect(col, row);
  const TPoint p = grid.ClientToScreen({(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
  return QString("%1 %2").arg(p.X).arg(p.Y);
}

TEST(RealDisplay, ACellIsDraggedFromOneGridIntoAnother) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  const QString xdotool = QStandardPaths::findExecutable("xdotool");
  if (xdotool.isEmpty()) GTEST_SKIP() << "needs xdotool";
  TForm form(nullptr);
  form.SetBounds(40, 40, 700, 300);
  auto* source = new TVudUvizidIzed(&form);
  auto* target = new TVudUvizidIzed(&form);
  int left = 10;
  for (TVudUvizidIzed* g : {source, target}) {
    g->SetParent(&form);
    g->SetBounds(left, 10, 320, 260);
    left += 340;
    g->SetColCount(4);
    g->SetRowCount(5);
  }
  // The grid's own press arms the drag on a selected cell of a grid that is
  // not being edited, and its mouse moves start it; the target is edited.
  source->SetSelection(TGridRect{1, 1, 1, 1});
  target->SetOptions(target->Options() | goEditing);
  source->DragDropSettings()->OleDropSource = true;
  target->DragDropSettings()->SetOleDropTarget(true);
  source->SetGridCell(1, 1, "dragged");
  int stops = 0;
  source->OnOleDragStop = [&](TObject*, int) { ++stops; };
  form.Show();
  QWindow* window = form.Widget()->windowHandle();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(spintesting::WaitUntil([&] { return window->isExposed(); }, std::chrono::seconds(20)));

  const QString from = At(*source, 1, 1), to = At(*target, 2, 2);
  QProcess mouse;
  mouse.start("sh", {"-c", QString("%1 mousemove %2 sleep 0.3 mousedown 1 sleep 0.2 mousemove_relative 10 0 sleep 0.2 "
                                   "mousemove_relative 10 0 sleep 0.3 mousemove %3 sleep 0.3 mousemove_relative 2 1 "
                                   "sleep 0.3 mouseup 1")
                                   .arg(xdotool, from, to)});
  ASSERT_TRUE(spintesting::WaitUntil([&] { return mouse.state() == QProcess::NotRunning; }, std::chrono::seconds(30)));
  EXPECT_EQ(mouse.exitCode(), 0) << mouse.readAllStandardError().toStdString();
  ASSERT_TRUE(spintesting::WaitUntil([&] { return target->GetGridCell(2, 2) == "dragged"; }, std::chrono::seconds(5)));
  EXPECT_EQ(source->GetGridCell(1, 1), "");  // moved, not copied
  EXPECT_EQ(stops, 1);
}

}  // namespace
