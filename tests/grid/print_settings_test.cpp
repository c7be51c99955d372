// The print settings in a section of an INI file or of the registry.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "framework/forms.h"
#include "framework/settingsstores.h"
#include "grid/duruzav.h"
#include "grid/gridprintsettings.h"
#include "tests/support/scratch.h"

namespace {

class PrintSettingsFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.Created()); }
  std::string Ini() const { return dir.File("PRINT.INI"); }
  void Store(const std::string& lines) { std::ofstream(Ini()) << "[Print]\n" << lines; }
  std::string Saved() const {
    std::ifstream in(Ini());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  TPrintSettings& Settings() { return *grid.PrintSettings(); }

  benchtest::TempDir dir{"flashwright-printini"};
  TVudUvizidIzed grid{nullptr};
};

TEST_F(PrintSettingsFile, ANewGridWritesItsSettingsInOrder) {
  Settings().TitleLines()->Add("A");
  Settings().TitleLines()->Add("B");
  grid.SavePrintSettings(Ini(), "Print");
  const std::string text = Saved();
  for (const char* line :
       {"ColumnSpacing=0", "RowSpacing=0", "TitleSpacing=0", "Centered=Y", "NoAutoSize=N", "UseDisplFont=Y",
        "Borders=1", "DateFormat=dd/mm/yyyy", "FontStyle=0", "PageNumSep=/", "Orientation=0", "TitleLines=A\\nB\\n"})
    EXPECT_NE(text.find(std::string(line) + "\n"), std::string::npos) << line;
  EXPECT_LT(text.find("ColumnSpacing="), text.find("Centered="));
  EXPECT_LT(text.find("FooterFontColor="), text.find("PageNumSep="));
  EXPECT_LT(text.find("Orientation="), text.find("TitleLines="));
}

TEST_F(PrintSettingsFile, SavedSettingsComeBack) {
  TPrintSettings& s = Settings();
  s.ColumnSpacing = 33;
  s.Centered = false;
  s.RepeatFixedRows = true;
  s.Borders = pbAroundVertical;
  s.BorderStyle = psDot;
  s.Date = ppBottomRight;
  s.FitToPage = fpShrink;
  s.Orientation = poLandscape;
  s.TitleText = "Nodes";
  s.HeaderFont()->SetName("Courier");
  s.HeaderFont()->SetSize(14);
  s.HeaderFont()->SetStyle(fsBold | fsStrikeOut);
  s.HeaderFont()->SetColor(clRed);
  s.TitleLines()->Add("A");
  s.TitleLines()->Add("B");
  grid.SavePrintSettings(Ini(), "Print");

  TVudUvizidIzed other(nullptr);
  other.LoadPrintSettings(Ini(), "Print");
  const TPrintSettings& l = *other.PrintSettings();
  EXPECT_EQ(l.ColumnSpacing, 33);
  EXPECT_FALSE(l.Centered);
  EXPECT_TRUE(l.RepeatFixedRows);
  EXPECT_EQ(l.Borders, pbAroundVertical);
  EXPECT_EQ(l.BorderStyle, psDot);
  EXPECT_EQ(l.Date, ppBottomRight);
  EXPECT_EQ(l.FitToPage, fpShrink);
  EXPECT_EQ(l.Orientation, poLandscape);
  EXPECT_EQ(l.TitleText, "Nodes");
  TPrintSettings& loaded = *other.PrintSettings();
  EXPECT_EQ(loaded.HeaderFont()->Name(), "Courier");
  EXPECT_EQ(loaded.HeaderFont()->Size(), 14);
  EXPECT_EQ(loaded.HeaderFont()->Style(), fsBold | fsStrikeOut);
  EXPECT_EQ(loaded.HeaderFont()->Color(), clRed);
  ASSERT_EQ(loaded.TitleLines()->Count(), 2);
  EXPECT_EQ(loaded.TitleLines()->Strings(0), "A");
  EXPECT_EQ(loaded.TitleLines()->Strings(1), "B");
}

TEST_F(PrintSettingsFile, AnEmptySectionLoadsTheReaderDefaults) {
  Store("");
  Settings().Borders = pbDouble;
  Settings().Orientation = poLandscape;
  Settings().UseDisplayFont = true;
  grid.LoadPrintSettings(Ini(), "Print");
  const TPrintSettings& s = Settings();
  EXPECT_EQ(s.ColumnSpacing, 20);
  EXPECT_EQ(s.RowSpacing, 20);
  EXPECT_EQ(s.TitleSpacing, 20);
  EXPECT_EQ(s.HeaderSize, 100);
  EXPECT_EQ(s.RightSize, 100);
  EXPECT_TRUE(s.Centered);
  EXPECT_FALSE(s.UseDisplayFont);
  EXPECT_EQ(s.PageNr, ppNone);
  EXPECT_EQ(s.Borders, pbNoborder);
  EXPECT_EQ(s.FitToPage, fpNever);
  EXPECT_EQ(s.Orientation, poPortrait);
  EXPECT_EQ(Settings().Font()->Name(), "Arial");
  EXPECT_EQ(Settings().Font()->Size(), 10);
}

TEST_F(PrintSettingsFile, ValuesOutsideTheirRangeAreNotTaken) {
  Settings().Borders = pbDouble;
  Settings().FitToPage = fpGrow;
  Settings().Font()->SetSize(12);
  Store("Centered=y\nDate=9\nTime=3\nBorders=9\nFitToPage=-1\nBorderStyle=7\nColumnSpacing=ten\n"
        "HeaderSize=2000000000\nFontSize=0\n");
  grid.LoadPrintSettings(Ini(), "Print");
  const TPrintSettings& s = Settings();
  EXPECT_FALSE(s.Centered);
  EXPECT_EQ(s.Date, ppNone);
  EXPECT_EQ(s.Time, ppTopCenter);
  EXPECT_EQ(s.Borders, pbDouble);
  EXPECT_EQ(s.FitToPage, fpGrow);
  EXPECT_EQ(s.BorderStyle, psSolid);
  EXPECT_EQ(s.ColumnSpacing, 20);
  EXPECT_EQ(s.HeaderSize, TPrintSettings().HeaderSize);
  EXPECT_EQ(Settings().Font()->Size(), 12);
}

// A stored font comes back as saved: the style bits replace the font's
// current style rather than adding to it.
TEST_F(PrintSettingsFile, FontStyleSetsTheStoredStyle) {
  Settings().Font()->SetStyle(fsBold);
  Store("FontStyle=2\nHeaderFontStyle=15\n");
  grid.LoadPrintSettings(Ini(), "Print");
  EXPECT_EQ(Settings().Font()->Style(), fsItalic);
  EXPECT_EQ(Settings().HeaderFont()->Style(), fsBold | fsItalic | fsUnderline | fsStrikeOut);
}

TEST(PrintSettingsRegistry, TheStoreWorksOverTheRegistryToo) {
  benchtest::RedirectedRegistry registry;
  TVudUvizidIzed saved(nullptr);
  saved.PrintSettings()->PagePrefix = "Page";
  saved.PrintSettings()->FixedWidth = 77;
  TRegistryIniFile store("Software\\Flashwright\\Grid");
  TPrintSettingsStore(*saved.PrintSettings()).Save(store, "Print");

  TVudUvizidIzed loaded(nullptr);
  TPrintSettingsStore(*loaded.PrintSettings()).Load(store, "Print");
  EXPECT_EQ(loaded.PrintSettings()->PagePrefix, "Page");
  EXPECT_EQ(loaded.PrintSettings()->FixedWidth, 77);
  EXPECT_TRUE(loaded.PrintSettings()->UseDisplayFont);
}

}  // namespace
