// The grid's look written to and read from its key=value text file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "framework/colornames.h"
#include "framework/forms.h"
#include "grid/duruzav.h"
#include "grid/visualprops.h"
#include "tests/support/scratch.h"

namespace {

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  std::vector<std::string> lines;
  std::string text = s.str(), line;
  for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

struct LookFile {
  void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  benchtest::TempDir dir;
  std::string path = dir.File("look.txt");
  TForm form{nullptr};
  TVudUvizidIzed grid{&form};
};

TEST(VisualProps, FileHoldsTheSixtyFiveLinesInTheirOrder) {
  LookFile f;
  f.grid.Font()->SetStyle(fsBold | fsItalic);
  f.grid.SaveVisualProps(f.path);
  const auto lines = Lines(f.path);
  ASSERT_EQ(lines.size(), 65u);
  EXPECT_EQ(lines[0], "Color=" + ColorToString(f.grid.Color()));
  EXPECT_EQ(lines[2], "SelectionColor=$00EACAB6");
  EXPECT_EQ(lines[6], "URLShow=false");
  EXPECT_EQ(lines[12], "Font.Style=fsBold,fsItalic");
  EXPECT_EQ(lines[18], "ActiveCellFont.Style=fsBold");
  EXPECT_EQ(lines[25], "Balloon.BackgroundColor=clNone");
  EXPECT_EQ(lines[36], "ControlLook.ControlStyle=csWinXP");
  EXPECT_EQ(lines[43], "Look=glXP");
  EXPECT_EQ(lines[44], "SearchFooter.Color=clWhite");
  EXPECT_EQ(lines[58], "GridLineColor=" + ColorToString(f.grid.GridLineColor()));
  EXPECT_EQ(lines[64], "BackGround.ColorTo=clBtnFace");
}

TEST(VisualProps, WhatIsWrittenReadsBackIntoAnotherGrid) {
  LookFile f;
  f.grid.SetColor(0x123456);
  f.grid.SetSelectionColorTo(static_cast<TColor>(0x80000019));
  f.grid.Font()->SetName("DejaVu Sans");
  f.grid.Font()->SetSize(13);
  f.grid.FixedFont()->SetStyle(fsUnderline | fsStrikeOut);
  f.grid.Balloon()->Transparency = 200;
  f.grid.Bands()->SetActive(true);
  f.grid.ControlLook()->SetControlStyle(csGlyph);
  f.grid.ControlLook()->ProgressBorderColor = clLime;
  f.grid.SetLook(glListView);
  f.grid.SearchFooter()->SetColorTo(clNavy);
  f.grid.Grouping()->SummaryLineWidth = 7;
  f.grid.SetGridLineColor(clRed);
  f.grid.BackGround()->SetLeft(-20);
  f.grid.BackGround()->SetDisplay(bdGradientVert);
  f.grid.SaveVisualProps(f.path);

  LookFile other;
  other.grid.LoadVisualProps(f.path);
  other.grid.SaveVisualProps(other.path);
  EXPECT_EQ(Lines(other.path), Lines(f.path));
  EXPECT_EQ(other.grid.Color(), 0x123456);
  EXPECT_EQ(other.grid.Props().SelectionColorTo, static_cast<TColor>(0x80000019));
  EXPECT_EQ(other.grid.Font()->Name(), "DejaVu Sans");
  EXPECT_EQ(other.grid.FixedFont()->Style(), fsUnderline | fsStrikeOut);
  EXPECT_EQ(other.grid.Props().Look, glListView);
  EXPECT_EQ(other.grid.BackGround()->Left(), -20);
}

// A file of the grid's own with some lines changed as a person might.
TEST(VisualProps, ReaderTakesKeysAndNamesInAnyCaseAndTheFirstOfTwin) {
  LookFile f;
  f.grid.SaveVisualProps(f.path);
  std::ifstream in(f.path, std::ios::binary);
  std::stringstream saved;
  saved << in.rdbuf();
  f.Write("look=GLSOFT\nballoon.transparency=300\nnot a setting\n\nFont.Style=fsItalic fsBold\n"
          "Font.Style=fsUnderline\nBands.Active=TrUe\nBackGround.Cells=bcnone\n" +
          saved.str());
  f.grid.LoadVisualProps(f.path);
  EXPECT_EQ(f.grid.Props().Look, glSoft);
  EXPECT_EQ(f.grid.Balloon()->Transparency, 44);
  EXPECT_EQ(f.grid.Font()->Style(), fsBold | fsItalic);
  EXPECT_TRUE(f.grid.Bands()->Active());
  EXPECT_EQ(f.grid.BackGround()->Cells(), bcNormal);
}

TEST(VisualProps, MissingSwitchesStylesAndNamesReadAsOffNoneAndEmpty) {
  LookFile f;
  f.grid.Font()->SetStyle(fsBold);
  f.grid.SetURLShow(true);
  f.grid.SetLook(glRUD);
  f.grid.SaveVisualProps(f.path);
  std::string text;
  for (const std::string& line : Lines(f.path))
    if (line.rfind("URLShow", 0) && line.rfind("Font.Style", 0) && line.rfind("Font.Name", 0) &&
        line.rfind("Look", 0))
      text += line + "\r\n";
  f.Write(text);
  f.grid.LoadVisualProps(f.path);
  EXPECT_FALSE(f.grid.Props().URLShow);
  EXPECT_EQ(f.grid.Font()->Style(), 0u);
  EXPECT_EQ(f.grid.Font()->Name(), "");
  EXPECT_EQ(f.grid.Props().Look, glRUD);
}

// A colour or number that does not convert ends the load at its key; what
// came before stays applied.
TEST(VisualProps, ABadColourOrNumberStopsTheLoadAtItsKey) {
  LookFile f;
  f.grid.SaveVisualProps(f.path);
  const TColor color = f.grid.Color();
  f.Write("HintColor=clRed\nSelectionColor=clRed\n");
  EXPECT_THROW(f.grid.LoadVisualProps(f.path), EConvertError);
  EXPECT_EQ(f.grid.Color(), color);
  EXPECT_NE(f.grid.Props().HintColor, clRed);

  for (const char* bad : {"Font.Size=0", "Font.Size=99999999", "ControlLook.CheckSize=100000",
                          "Grouping.SummaryLineWidth=-1", "BackGround.Top=1e3", "Bands.PrimaryColor=blue"}) {
    LookFile g;
    g.grid.SaveVisualProps(g.path);
    std::string text = "Color=clRed\r\n" + std::string(bad) + "\r\n";
    for (const std::string& line : Lines(g.path)) text += line + "\r\n";
    g.Write(text);
    g.grid.SetColor(clBlue);
    g.grid.BackGround()->SetColorTo(clLime);
    EXPECT_THROW(g.grid.LoadVisualProps(g.path), EConvertError) << bad;
    EXPECT_EQ(g.grid.Color(), clRed) << bad;
    EXPECT_EQ(g.grid.BackGround()->ColorTo(), clLime) << bad;
  }
}

TEST(VisualProps, FilesThatCannotBeOpenedOrCreatedRaiseAndChangeNothing) {
  LookFile f;
  const TColor color = f.grid.Color();
  try {
    f.grid.LoadVisualProps(f.dir.File("absent.txt"));
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "Cannot open file " + f.dir.File("absent.txt"));
  }
  EXPECT_EQ(f.grid.Color(), color);
  const std::string folder = f.dir.Path().string();
  try {
    f.grid.SaveVisualProps(folder);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "Cannot Create " + folder);
  }
}

TEST(ColorNames, ConstantsByNameOthersAsHexAndAllFormsReadBack) {
  EXPECT_EQ(ColorToString(clRed), "clRed");
  EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
  EXPECT_EQ(ColorToString(0x00EACAB6), "$00EACAB6");
  EXPECT_EQ(StringToColor("CLRED"), clRed);
  EXPECT_EQ(StringToColor("$80000005"), clWindow);
  EXPECT_EQ(StringToColor("0xff"), 0xFF);
  EXPECT_EQ(StringToColor("-1"), -1);
  EXPECT_EQ(StringToColor("255"), 0xFF);
  for (const char* bad : {"", "red", "$", "$123456789", "99999999999", "12px"})
    EXPECT_THROW(StringToColor(bad), EConvertError) << bad;
}

}  // namespace
