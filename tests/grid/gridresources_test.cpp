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
      {"ZGFILT", 16}, {"INTLI1", 32}, {"INTLI2", 32}, {"INTLI3", 32}, {"ZGCLOSE", 14}, {"ZGCLOSEH", 14},
      {"ZGCLOSED", 14}, {"ZGARDOWN", 16}, {"ZGARDOWND", 16}, {"ZGARUP", 16}, {"ZGARUPD", 16}, {"ZGHI", 16},
      {"ZGHID", 16},
  };
  for (const Case& k : cases) {
    TBitmap bitmap;
    ASSERT_NO_THROW(LoadBitmapResource(bitmap, k.name)) << k.name;
    EXPECT_EQ(bitmap.Width(), k.size) << k.name;
    EXPECT_EQ(bitmap.Height(), k.size) << k.name;
  }
  for (int id : {8000, 8004, 8008, 8010, 8011, 8012}) EXPECT_EQ(LoadCursorResource(id), id);
  EXPECT_THROW(LoadCursorResource(8009), EResNotFound);
}

TEST(GridResources, CheckedAndUncheckedGlyphsDiffer) {
  const char* pairs[][2] = {{"ZGCHK01", "ZGCHK02"}, {"ZGRAD05", "ZGRAD06"}, {"XPNODEC", "XPNODEO"}, {"INTLI2", "INTLI3"},
                              {"ZGCLOSE", "ZGCLOSEH"}, {"ZGCLOSEH", "ZGCLOSED"}, {"ZGARDOWN", "ZGARUP"},
                              {"ZGARUP", "ZGARUPD"}, {"ZGHI", "ZGHID"}};
  for (const auto& pair : pairs) {
    TBitmap a, b;
    LoadBitmapResource(a, pair[0]);
    LoadBitmapResource(b, pair[1]);
    EXPECT_NE(*a.Canvas()->Target(), *b.Canvas()->Target()) << pair[0] << " vs " << pair[1];
  }
}

}  // namespace
