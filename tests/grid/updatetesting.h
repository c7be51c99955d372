#pragma once
// A cell grid that counts what it paints and how often its painting is
// switched back on, for the tests of update locking.
#include "framework/forms.h"
#include "grid/duruzav.h"

namespace updatetesting {

class CountingGrid : public TVudUvizidIzed {
 public:
  explicit CountingGrid(TComponent* owner) : TVudUvizidIzed(owner) {
    const TWndMethod inherited = WindowProc;
    WindowProc = [this, inherited](TMessage& m) {
      if (m.Msg == WM_SETREDRAW && m.WParam != 0) ++redrawsOn;
      inherited(m);
    };
  }
  int paints = 0;
  int redrawsOn = 0;
  // Paints what is pending; true when the grid was painted.
  bool PaintPending() {
    const int before = paints;
    Update();
    return paints > before;
  }

 protected:
  void Paint() override {
    ++paints;
    TVudUvizidIzed::Paint();
  }
};

struct CountingGridOnForm {
  TForm form{nullptr};
  CountingGrid grid{&form};
  CountingGridOnForm() {
    grid.SetParent(&form);
    grid.PaintPending();  // the first paint after construction
  }
};

}  // namespace updatetesting
