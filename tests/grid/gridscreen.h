#pragma once
// A grid on a form, read back from the pixels it painted: what the cell
// look tests share.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"

class GridOnScreen : public ::testing::Test {
 protected:
  void MakeGrid(int cols, int rows) {
    form.SetBounds(0, 0, 500, 400);
    grid = new TVudUvizidIzed(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 460, 360);
    grid->SetColCount(cols);
    grid->SetRowCount(rows);
  }

  TColor Centre(int col, int row) {
    const TRect r = grid->CellRect(col, row);
    return harness::PixelAt(grid->BackingImage(), r.Left + r.Width() / 2, r.Top + r.Height() / 2);
  }

  // Pixels of the rectangle that differ from the colour at its top-left inside.
  int InkIn(const TRect& r) {
    const QImage& image = grid->BackingImage();
    const TColor ground = harness::PixelAt(image, r.Left + 2, r.Top + 2);
    int ink = 0;
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y)
      for (int x = r.Left + 1; x < r.Right - 1; ++x) ink += harness::PixelAt(image, x, y) != ground;
    return ink;
  }
  int InkIn(int col, int row) { return InkIn(grid->CellRect(col, row)); }

  TForm form{nullptr};
  TVudUvizidIzed* grid = nullptr;
};
