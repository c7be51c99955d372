#pragma once
// A grid on a form, driven by the mouse messages the window system sends.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "framework/messages.h"
#include "grid/duruzav.h"

namespace mousetesting {

class MouseGrid : public ::testing::Test {
 protected:
  void SetUp() override {
    form.SetBounds(0, 0, 600, 400);
    grid.SetParent(&form);
    grid.SetBounds(0, 0, 560, 360);
    grid.SetColCount(5);
    grid.SetRowCount(6);
    grid.Update();
  }

  void Send(unsigned msg, int x, int y, WPARAM keys) { grid.Perform(msg, keys, MakeLParam(x, y)); }
  void Move(int x, int y, WPARAM keys = 0) { Send(WM_MOUSEMOVE, x, y, keys); }
  void Move(TPoint p) { Move(p.X, p.Y); }
  void Press(int x, int y, WPARAM keys = 0) { Send(WM_LBUTTONDOWN, x, y, MK_LBUTTON | keys); }
  void Release(int x, int y, WPARAM keys = 0) { Send(WM_LBUTTONUP, x, y, keys); }
  void Click(int x, int y, WPARAM keys = 0) {
    Press(x, y, keys);
    Release(x, y, keys);
  }
  // The second press of a double click arrives as its own message.
  void DoubleClick(int x, int y) {
    Click(x, y);
    Send(WM_LBUTTONDBLCLK, x, y, MK_LBUTTON);
    Release(x, y);
  }
  void RightClick(int x, int y) {
    Send(WM_RBUTTONDOWN, x, y, MK_RBUTTON);
    Send(WM_RBUTTONUP, x, y, 0);
  }
  // The middle of a cell.
  TPoint Middle(int col, int row) const {
    const TRect r = grid.CellRect(col, row);
    return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
  }

  TForm form{nullptr};
  TVudUvizidIzed grid{&form};
};

}  // namespace mousetesting
