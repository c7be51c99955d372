// One real drag between two grids on an X display (run by the
// dragdrop_real_display test under xvfb-run): xdotool presses the mouse on a
// cell of one grid, moves it over a cell of the other and lets go, and the
// cell's text travels through the window system's drag and drop.
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

// Starts its drags from mouse moves as the grid's own mouse handling does:
// the press arms the drag and each move with the button down offers it.
class DragGrid : public TVudUvizidIzed {
 public:
  using TVudUvizidIzed::TVudUvizidIzed;

 protected:
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
    TVudUvizidIzed::MouseDown(button, shift, x, y);
    pending_ = button == mbLeft;
    press_ = {x, y};
  }
  void MouseMove(TShiftState shift, int x, int y) override {
    if (pending_) {
      int col = -1, row = -1;
      MouseToCell(x, y, col, row);
      if (StartOleDrag(*this, press_, {x, y}, col, row)) pending_ = false;
    }
    TVudUvizidIzed::MouseMove(shift, x, y);
  }
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
    pending_ = false;
    TVudUvizidIzed::MouseUp(button, shift, x, y);
  }

 private:
  bool pending_ = false;
  TPoint press_;
};

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
  auto* source = new DragGrid(&form);
  auto* target = new DragGrid(&form);
  int left = 10;
  for (TVudUvizidIzed* g : {static_cast<TVudUvizidIzed*>(source), static_cast<TVudUvizidIzed*>(target)}) {
    g->SetParent(&form);
    g->SetBounds(left, 10, 320, 260);
    left += 340;
    g->SetColCount(4);
    g->SetRowCount(5);
    g->SetOptions(g->Options() | goEditing);
  }
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
