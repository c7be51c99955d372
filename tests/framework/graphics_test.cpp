#include <gtest/gtest.h>

#include <vector>

#include "framework/canvas.h"
#include "framework/graphics.h"

namespace {

TEST(Colours, SystemColoursUseTheStoredEncodingAndResolveToRgb) {
  struct Case {
    TColor color;
    std::uint32_t encoded;  // the value colour tables and property files hold
    TColor rgb;
  };
  const Case cases[] = {
      {clScrollBar, 0x80000000u, 0xC8D0D4},     {clWindow, 0x80000005u, 0xFFFFFF},
      {clWindowText, 0x80000008u, 0x000000},    {clHighlight, 0x8000000Du, 0x6A240A},
      {clBtnFace, 0x8000000Fu, 0xC8D0D4},       {clBtnShadow, 0x80000010u, 0x808080},
      {clInfoText, 0x80000017u, 0x000000},      {clInfoBk, 0x80000018u, 0xE1FFFF},
      {clGradientInactiveCaption, 0x8000001Cu, 0xC0C0C0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.encoded);
    EXPECT_EQ(static_cast<std::uint32_t>(c.color), c.encoded);
    EXPECT_TRUE(IsSystemColor(c.color));
    EXPECT_EQ(ColorToRGB(c.color), c.rgb);
  }
}

TEST(Colours, OtherValuesResolveWithoutThePalette) {
  struct Case {
    std::uint32_t value;
    TColor rgb;
  };
  const Case cases[] = {
      {0x00123456u, 0x123456},  // plain colour
      {0x1FFFFFFFu, clBlack},   // clNone
      {0x20000000u, clBlack},   // clDefault
      {0x8000001Du, clBlack},   // first index past the table
      {0x80000118u, clBlack},   // index bits beyond the low byte are not ignored
      {0xFF000018u, 0x000018},  // top byte other than 0x80: not a system colour
      {0x02345678u, 0x345678},  // palette-relative values keep their RGB
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ColorToRGB(static_cast<TColor>(c.value)), c.rgb);
  }
}

TEST(Colours, SetSystemColorChangesOnlyItsOwnSlot) {
  const TColor before = ColorToRGB(clInfoBk);
  SetSystemColor(clInfoBk, 0x00ABCDEF);
  EXPECT_EQ(ColorToRGB(clInfoBk), 0xABCDEF);
  EXPECT_EQ(ColorToRGB(clInfoText), 0x000000);
  SetSystemColor(static_cast<TColor>(0x00000018), 0x111111);  // plain colour: no slot
  SetSystemColor(static_cast<TColor>(0x8000001Du), 0x111111);  // past the table
  EXPECT_EQ(ColorToRGB(clInfoBk), 0xABCDEF);
  SetSystemColor(clInfoBk, before);
}

}  // namespace

namespace {

// A bitmap sized one side at a time.
TEST(Bitmap, KeepsEachDimensionAsSetWhateverTheOrder) {
  struct Case {
    const char* name;
    std::vector<std::pair<char, int>> steps;  // 'w', 'h'
    int width, height;
  };
  const Case cases[] = {
      {"width then height", {{'w', 10}, {'h', 5}}, 10, 5},
      {"height then width", {{'h', 5}, {'w', 10}}, 10, 5},
      {"a side back to 0 and up again", {{'w', 10}, {'h', 5}, {'w', 0}, {'w', 7}}, 7, 5},
      {"negative clamps to 0", {{'w', -3}, {'h', 4}}, 0, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    for (auto [side, value] : c.steps) side == 'w' ? bitmap.SetWidth(value) : bitmap.SetHeight(value);
    EXPECT_EQ(bitmap.Width(), c.width);
    EXPECT_EQ(bitmap.Height(), c.height);
    EXPECT_EQ(bitmap.Empty(), c.width == 0 || c.height == 0);
  }
}

TEST(Bitmap, DrawingSurvivesASideSetToZeroOnlyAsFarAsItFits) {
  TBitmap bitmap;
  bitmap.SetSize(4, 4);
  bitmap.Canvas()->SetPixel(1, 1, clRed);
  bitmap.SetWidth(2);
  EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), clRed);
  bitmap.SetHeight(0);
  bitmap.SetHeight(4);
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), clWhite);  // the image was gone while a side was 0
}

}  // namespace
