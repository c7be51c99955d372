#include <gtest/gtest.h>

#include "framework/canvas.h"
#include "framework/resources.h"
#include "grid/gridresources.h"

namespace {

TEST(GridResources, EveryBuiltInBitmapLoadsAtItsSize) {
  RegisterGridResources();
  struct Case { const char* name; int size; };
  const Case cases[] = {
      {"ZGCHK01", 20}, {"ZGCHK04", 20}, {"ZGCHK05", 16}, {"ZGCHK08", 16}, {"ZGRAD01", 16},
      {"ZGRAD08", 16}, {"ZGLEAFCLOSE", 16}, {"ZGLEAFOPEN", 16}, {"XPNODEC", 9}, {"XPNODEO", 9},
      {"ZGFILT", 16}, {"INTLI1", 32}, {"INTLI2", 32}, {"INTLI3", 32},
  };
  for (const Case& k : cases) {
    TBitmap bitmap;
    ASSERT_NO_THROW(LoadBitmapResource(bitmap, k.name)) << k.name;
    EXPECT_EQ(bitmap.Width(), k.size) << k.name;
    EXPECT_EQ(bitmap.Height(), k.size) << k.name;
  }
  for (int id = 8000; id <= 8008; ++id) EXPECT_EQ(LoadCursorResource(id), id);
}

TEST(GridResources, CheckedAndUncheckedGlyphsDiffer) {
  const char* pairs[][2] = {{"ZGCHK01", "ZGCHK02"}, {"ZGRAD05", "ZGRAD06"}, {"XPNODEC", "XPNODEO"}, {"INTLI2", "INTLI3"}};
  for (const auto& pair : pairs) {
    TBitmap a, b;
    LoadBitmapResource(a, pair[0]);
    LoadBitmapResource(b, pair[1]);
    EXPECT_NE(*a.Canvas()->Target(), *b.Canvas()->Target()) << pair[0] << " vs " << pair[1];
  }
}

}  // namespace
