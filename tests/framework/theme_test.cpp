#include <gtest/gtest.h>

#include "framework/canvas.h"
#include "framework/testing/recordingtheme.h"
#include "framework/theme.h"

namespace {

constexpr TRect kPart{10, 10, 50, 30};

// A white canvas of 60 x 40 and a count of its pixels off white, inside
// and outside the part's rectangle.
struct Sheet {
  Sheet() {
    bitmap.SetSize(60, 40);
    bitmap.Canvas()->Brush()->SetColor(clWhite);
    bitmap.Canvas()->FillRect({0, 0, 60, 40});
  }
  int Marked(bool insidePart) {
    int n = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x) {
        const bool inside = x >= kPart.Left && x < kPart.Right && y >= kPart.Top && y < kPart.Bottom;
        if (inside == insidePart && bitmap.Canvas()->Pixels(x, y) != clWhite) ++n;
      }
    return n;
  }
  TBitmap bitmap;
};

TEST(Theme, InactiveByDefaultSoEveryCallAnswersNotAvailable) {
  TThemeService& theme = ThemeService();
  EXPECT_FALSE(theme.IsThemeActive());
  TThemeName name;
  EXPECT_FALSE(theme.CurrentThemeName(name));
  EXPECT_EQ(name.colorName, "");
  Sheet sheet;
  for (const char* cls : {kThemeButton, kThemeProgress, kThemeHeader, kThemeComboBox}) {
    SCOPED_TRACE(cls);
    const HTHEME handle = theme.OpenThemeData(nullptr, cls);
    EXPECT_EQ(handle, 0);
    EXPECT_FALSE(theme.DrawThemeBackground(handle, *sheet.bitmap.Canvas(), 1, 1, kPart));
    theme.CloseThemeData(handle);
  }
  EXPECT_EQ(sheet.Marked(true), 0);
}

TEST(Theme, TurnedOnItDrawsEachPartTheGridUsesInsideItsRectangle) {
  TQtThemeService theme;
  theme.SetActive(true);
  TThemeName name;
  EXPECT_TRUE(theme.CurrentThemeName(name));
  EXPECT_NE(name.fileName, "");
  struct Case {
    const char* cls;
    int part, state;
  };
  const Case cases[] = {
      {"button", BP_PUSHBUTTON, PBS_NORMAL},       {"button", BP_PUSHBUTTON, PBS_PRESSED},
      {"button", BP_PUSHBUTTON, PBS_DISABLED},     {"button", BP_CHECKBOX, CBS_CHECKEDNORMAL},
      {"button", BP_RADIOBUTTON, CBS_UNCHECKEDDISABLED}, {"Progress", PP_BAR, 1},
      {"progress", PP_CHUNK, 1},                   {"header", HP_HEADERITEM, HIS_HOT},
      {"combobox", CP_DROPDOWNBUTTON, CBXS_NORMAL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cls << " part " << c.part << " state " << c.state);
    Sheet sheet;
    const HTHEME handle = theme.OpenThemeData(nullptr, c.cls);
    ASSERT_NE(handle, 0);
    EXPECT_TRUE(theme.DrawThemeBackground(handle, *sheet.bitmap.Canvas(), c.part, c.state, kPart));
    theme.CloseThemeData(handle);
    EXPECT_GT(sheet.Marked(true), 0);
    EXPECT_EQ(sheet.Marked(false), 0);
  }
}

TEST(Theme, UnknownClassesPartsAndHandlesAreRefusedWithoutDrawing) {
  TQtThemeService theme;
  theme.SetActive(true);
  Sheet sheet;
  TCanvas& canvas = *sheet.bitmap.Canvas();
  EXPECT_EQ(theme.OpenThemeData(nullptr, "tab"), 0);
  EXPECT_FALSE(theme.DrawThemeBackground(theme.OpenThemeData(nullptr, "header"), canvas, 7, 1, kPart));
  EXPECT_FALSE(theme.DrawThemeBackground(99, canvas, 1, 1, kPart));
  EXPECT_FALSE(theme.DrawThemeBackground(theme.OpenThemeData(nullptr, "button"), canvas, 1, 1, {20, 20, 20, 30}));
  EXPECT_EQ(sheet.Marked(true), 0);
  theme.SetActive(false);
  EXPECT_EQ(theme.OpenThemeData(nullptr, "button"), 0);
}

TEST(Theme, AnInstalledServiceAnswersUntilRemoved) {
  TRecordingThemeService fake;
  InstallThemeService(&fake);
  Sheet sheet;
  TCanvas& canvas = *sheet.bitmap.Canvas();
  canvas.Brush()->SetColor(clLime);
  const HTHEME handle = ThemeService().OpenThemeData(nullptr, kThemeHeader);
  EXPECT_TRUE(ThemeService().DrawThemeBackground(handle, canvas, HP_HEADERITEM, HIS_PRESSED, kPart));
  ThemeService().CloseThemeData(handle);
  InstallThemeService(nullptr);
  EXPECT_FALSE(ThemeService().IsThemeActive());
  ASSERT_EQ(fake.drawn.size(), 1u);
  EXPECT_EQ(fake.drawn[0].className, kThemeHeader);
  EXPECT_EQ(fake.drawn[0].state, HIS_PRESSED);
  EXPECT_EQ(fake.closed, 1);
  EXPECT_EQ(canvas.Pixels(kPart.Left, kPart.Top), fake.partColor);
  EXPECT_EQ(canvas.Brush()->Color(), clLime);  // the caller's brush is left as it was
}

}  // namespace
