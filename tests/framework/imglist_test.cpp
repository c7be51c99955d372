#include <gtest/gtest.h>

#include "framework/imglist.h"

namespace {

// A strip of two 4 x 4 images on a fuchsia mask: red square, then a blue
// dot in the middle.
void PaintStrip(TBitmap& strip) {
  strip.SetSize(8, 4);
  TCanvas* c = strip.Canvas();
  c->Brush()->SetColor(clFuchsia);
  c->FillRect({0, 0, 8, 4});
  c->Brush()->SetColor(clRed);
  c->FillRect({0, 0, 4, 4});
  c->SetPixel(5, 1, clBlue);
}

TEST(ImageList, CutsAStripAndDrawsByIndexOverTheBackground) {
  TImageList list(nullptr, 4, 4);
  TBitmap strip;
  PaintStrip(strip);
  EXPECT_EQ(list.AddMasked(strip, clFuchsia), 0);
  EXPECT_EQ(list.Count(), 2);

  TBitmap target;
  target.SetSize(20, 10);
  TCanvas* c = target.Canvas();
  c->Brush()->SetColor(clWhite);
  c->FillRect({0, 0, 20, 10});
  list.Draw(c, 0, 0, 0);
  list.Draw(c, 10, 0, 1);
  list.Draw(c, 10, 5, 7);   // outside the list: nothing
  list.Draw(c, 10, 5, -1);
  EXPECT_EQ(c->Pixels(3, 3), clRed);
  EXPECT_EQ(c->Pixels(11, 1), clBlue);
  EXPECT_EQ(c->Pixels(10, 0), clWhite);  // the mask colour is see-through
  EXPECT_EQ(c->Pixels(12, 7), clWhite);

  list.Delete(0);
  EXPECT_EQ(list.Count(), 1);
  list.SetSize(16, 16);
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
