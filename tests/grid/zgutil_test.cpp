// Gradient fills and the storage form of wide text.
#include <gtest/gtest.h>

#include <QImage>

#include "grid/zgutil.h"

namespace {

TEST(Gradient, BandsRunFromTheFirstColourToTheSecond) {
  QImage image(20, 10, QImage::Format_RGB32);
  TCanvas canvas;
  canvas.Attach(&image);
  DrawGradient(&canvas, clBlack, clWhite, 2, {0, 0, 20, 10}, true);
  EXPECT_EQ(canvas.Pixels(0, 5), clBlack);
  EXPECT_EQ(canvas.Pixels(9, 5), clBlack);
  EXPECT_EQ(canvas.Pixels(10, 5), clWhite);
  EXPECT_EQ(canvas.Pixels(19, 5), clWhite);

  DrawGradient(&canvas, clRed, clBlue, 0, {0, 0, 20, 10}, false);  // 0 steps count as 1
  EXPECT_EQ(canvas.Pixels(3, 9), clRed);
  DrawGradient(&canvas, clLime, clNone, 64, {0, 0, 20, 10}, false);
  EXPECT_EQ(canvas.Pixels(19, 9), clLime);

  DrawGradient(&canvas, RGB(0, 0, 0), RGB(0, 200, 0), 3, {0, 0, 20, 9}, false);
  EXPECT_EQ(canvas.Pixels(5, 4), RGB(0, 100, 0));  // the middle band
}

TEST(WideText, EncodesHighByteFirstAndRoundTrips) {
  const WideString text = u"A\u20ACz";
  const AnsiString stored = EncodeWideStr(text);
  EXPECT_EQ(stored, AnsiString("|\\\x00" "A\x20\xAC\x00z", 8));
  EXPECT_EQ(DecodeWideStr(stored), text);
  EXPECT_EQ(DecodeWideStr("plain"), u"plain");
}

}  // namespace
