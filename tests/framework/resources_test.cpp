#include <gtest/gtest.h>

#include <QCursor>
#include <QPixmap>

#include "framework/canvas.h"
#include "framework/resources.h"

namespace {

TEST(BitmapResources, LoadByNameAtTheirSize) {
  RegisterBitmapResource("TESTCHK", 20, 20, [](TCanvas& c, int w, int h) {
    c.Brush()->SetColor(clRed);
    c.FillRect({0, 0, w, h});
  });
  TBitmap bitmap;
  LoadBitmapResource(bitmap, "testchk");  // names ignore case
  EXPECT_EQ(bitmap.Width(), 20);
  EXPECT_EQ(bitmap.Height(), 20);
  EXPECT_EQ(bitmap.Canvas()->Pixels(19, 19), clRed);
}

TEST(BitmapResources, AMissingNameFailsAndLeavesTheBitmapAlone) {
  TBitmap bitmap;
  bitmap.SetSize(3, 4);
  EXPECT_FALSE(HasBitmapResource("NOSUCHBMP"));
  EXPECT_THROW(LoadBitmapResource(bitmap, "NOSUCHBMP"), EResNotFound);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Height(), 4);
}

TEST(CursorResources, ShowOnControlsWithTheirShapeAndHotSpot) {
  RegisterCursorResource(8000, 32, 32, 15, 15, [](TCanvas& c, int, int) {
    c.Brush()->SetColor(clBlack);
    c.FillRect({12, 12, 20, 20});
  });
  const TCursor pan = LoadCursorResource(8000);
  TCustomControl control(nullptr);
  control.SetCursor(pan);
  const QCursor shown = control.Widget()->cursor();
  EXPECT_EQ(shown.shape(), Qt::BitmapCursor);
  EXPECT_EQ(shown.hotSpot(), QPoint(15, 15));
  const QImage image = shown.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
  EXPECT_EQ(image.size(), QSize(32, 32));
  EXPECT_EQ(qAlpha(image.pixel(16, 16)), 255);  // drawn
  EXPECT_EQ(qAlpha(image.pixel(2, 2)), 0);      // left see-through

  EXPECT_THROW(LoadCursorResource(8099), EResNotFound);
  control.SetCursor(crHandPoint);  // the standard ones still work
  EXPECT_EQ(control.Widget()->cursor().shape(), Qt::PointingHandCursor);
}

}  // namespace
