// Copy, cut and paste of cells through the clipboard service: the text
// layout, the paste and its growth, the smart fill, the private format
// between grids, and the X clipboard shared with another program.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <chrono>
#include <vector>

#include "framework/forms.h"
#include "framework/testing/harness.h"
#include "grid/duruzav.h"
#include "grid/gridclipboard.h"

namespace {

// Records what a paste reports.
class NotedGrid : public TVudUvizidIzed {
 public:
  using TVudUvizidIzed::TVudUvizidIzed;
  struct Note {
    TPoint from;
    TGridRect to;
    TClipOperation op;
  };
  std::vector<Note> notes;
  void PasteNotify(const TPoint& from, const TGridRect& to, TClipOperation op) override {
    notes.push_back({from, to, op});
  }
};

class Clipboard : public ::testing::Test {
 protected:
  TScopedServices services;
  TForm form{nullptr};
  NotedGrid a{&form};
  NotedGrid b{&form};
  void SetUp() override {
    for (NotedGrid* g : {&a, &b}) {
      g->SetColCount(5);
      g->SetRowCount(6);
      g->SetOptions(g->Options() | goEditing);
    }
  }
  void Select(TVudUvizidIzed& g, int left, int top, int right, int bottom) {
    g.SetSelection(TGridRect{left, top, right, bottom});
  }
  std::vector<std::string> Column(TVudUvizidIzed& g, int col, int from, int to) {
    std::vector<std::string> texts;
    for (int r = from; r <= to; ++r) texts.push_back(g.GetGridCell(col, r));
    return texts;
  }
};

TEST_F(Clipboard, CopyLaysCellsOutAsTabbedLines) {
  a.SetGridCell(1, 1, "a");
  a.SetGridCell(2, 1, "b");
  a.SetGridCell(1, 2, "c");
  a.SetGridCell(2, 2, "d");
  a.SetGridCell(3, 3, "x\r\ny");
  Select(a, 1, 1, 2, 2);
  a.CopySelectionToClipboard();
  EXPECT_EQ(services->clipboard, "a\tb\r\nc\td\r\n");
  EXPECT_EQ(a.TransferState().lastOperation, coCopy);
  EXPECT_EQ(a.TransferState().lastCopyOrigin, (TPoint{1, 1}));
  Select(a, 1, 1, 1, 1);
  a.CopySelectionToClipboard();
  EXPECT_EQ(services->clipboard, "a");
  Select(a, 3, 3, 3, 3);
  a.CopySelectionToClipboard();
  EXPECT_EQ(services->clipboard, "\"x\ny\"");
}

TEST_F(Clipboard, HtmlCopyPlacesTheExportAndLeavesTheLastCopyAlone) {
  a.SetGridCell(1, 1, "cellA");
  a.CopyToClipBoardAsHTML();
  EXPECT_NE(services->clipboardFormats.html.find("<table"), std::string::npos);
  EXPECT_NE(services->clipboardFormats.html.find("cellA"), std::string::npos);
  EXPECT_EQ(services->clipboard, services->clipboardFormats.html);
  EXPECT_EQ(a.TransferState().lastCopyOrigin, (TPoint{-1, -1}));
  EXPECT_EQ(a.TransferState().lastOperation, coCut);
}

TEST_F(Clipboard, PastedTextFillsItsBlockAndCountsTheEmptyRest) {
  services->clipboard = "a\tb\r\nc\td\r\n";
  EXPECT_EQ(b.PasteFunc(1, 1), 5);
  EXPECT_EQ(Column(b, 1, 1, 2), (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(Column(b, 2, 1, 2), (std::vector<std::string>{"b", "d"}));
  ASSERT_EQ(b.notes.size(), 1u);
  EXPECT_EQ(b.notes[0].to, (TGridRect{1, 1, 2, 2}));
  // A quoted multi-line field loses its quotes and keeps its line feed.
  EXPECT_EQ(b.PasteText(3, 4, "\"x\ny\""), 1);
  EXPECT_EQ(b.GetGridCell(3, 4), "x\ny");
}

TEST_F(Clipboard, PasteGrowsColumnsOnlyWhenAllowed) {
  b.PasteText(4, 1, "a\tb\tc");
  EXPECT_EQ(b.ColCount(), 7);
  EXPECT_EQ(b.GetGridCell(6, 1), "c");
  b.SetColCount(5);
  b.Navigation()->AllowClipboardColGrow = false;
  b.SetGridCell(4, 2, "");
  b.PasteText(4, 2, "a\tb\tc");
  EXPECT_EQ(b.ColCount(), 5);
  EXPECT_EQ(b.GetGridCell(4, 2), "a");
}

TEST_F(Clipboard, SmartFillContinuesSeries) {
  b.Navigation()->AllowSmartClipboard = true;
  const struct {
    const char* clip;
    std::vector<std::string> filled;
  } cases[] = {
      {"1\r\n3\r\n", {"1", "3", "5", "7", "9"}},
      {"1.5\r\n2.0\r\n", {"1.50", "2.00", "2.50", "3.00", "3.50"}},
      {"a\r\nb\r\n", {"a", "b", "a", "b", "a"}},
      {"7", {"7", "7", "7", "7", "7"}},
      // Backwards by days and by months: the steps keep their sign.
      {"1/10/2024\r\n1/9/2024\r\n", {"1/10/2024", "1/9/2024", "1/8/2024", "1/7/2024", "1/6/2024"}},
      {"5/1/2024\r\n4/1/2024\r\n", {"5/1/2024", "4/1/2024", "3/1/2024", "2/1/2024", "1/1/2024"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clip);
    for (int r = 1; r <= 5; ++r) b.SetGridCell(1, r, "");
    services->clipboard = c.clip;
    Select(b, 1, 1, 1, 5);
    b.PasteSelectionFromClipboard();
    EXPECT_EQ(Column(b, 1, 1, 5), c.filled);
  }
}

TEST_F(Clipboard, EmptyClipboardOverASelectionChangesNothing) {
  b.Navigation()->AllowSmartClipboard = true;
  b.SetGridCell(1, 1, "top");
  b.SetGridCell(1, 2, "keep");
  services->clipboard = "";
  Select(b, 1, 1, 1, 3);
  b.PasteSelectionFromClipboard();
  EXPECT_EQ(Column(b, 1, 1, 3), (std::vector<std::string>{"top", "keep", ""}));
}

TEST_F(Clipboard, PrivateCopyCarriesPropertiesToAnotherGrid) {
  a.Navigation()->AllowFmtClipboard = true;
  b.Navigation()->AllowFmtClipboard = true;
  a.SetGridCell(1, 1, "bold");
  a.GetCellProperties(1, 1)->FontStyle = fsBold;
  a.GetCellProperties(2, 1)->SetBrushColor(clYellow);
  Select(a, 1, 1, 2, 1);
  a.CopySelectionToClipboard();
  ASSERT_EQ(services->clipboardFormats.formats.count(TGridClipboard::CellsFormat()), 1u);

  EXPECT_EQ(b.PasteFunc(2, 3), 2);
  EXPECT_EQ(b.GetGridCell(2, 3), "bold");
  EXPECT_EQ(b.GetCellProperties(2, 3)->FontStyle, fsBold);
  EXPECT_EQ(b.GetCellProperties(3, 3)->BrushColor(), clYellow);
  ASSERT_EQ(b.notes.size(), 1u);
  EXPECT_EQ(b.notes[0].from, (TPoint{-1, -1}));
  EXPECT_EQ(b.notes[0].to, (TGridRect{2, 3, 3, 3}));
  // Back into the grid it came from, the origin is known.
  a.PasteFunc(1, 4);
  ASSERT_EQ(a.notes.size(), 1u);
  EXPECT_EQ(a.notes[0].from, (TPoint{1, 1}));
}

TEST_F(Clipboard, WholeGridPastedOverALargerSelectionFillsOnlyTheGrid) {
  a.Navigation()->AllowFmtClipboard = true;
  b.Navigation()->AllowFmtClipboard = true;
  b.Navigation()->AllowSmartClipboard = true;
  a.SetColCount(2);
  a.SetRowCount(2);
  a.SetGridCell(1, 1, "only");
  a.CopyToClipBoard();
  Select(b, 1, 1, 4, 5);
  b.PasteSelectionFromClipboard();
  EXPECT_EQ(b.ColCount(), 2);
  EXPECT_EQ(b.RowCount(), 2);
  EXPECT_EQ(b.GetGridCell(1, 1), "only");
}

TEST_F(Clipboard, DamagedPrivateDataIsRefusedAndChangesNothing) {
  b.Navigation()->AllowFmtClipboard = true;
  b.SetGridCell(1, 1, "kept");
  services->clipboard = "text";
  services->clipboardFormats.formats[TGridClipboard::CellsFormat()] = std::string("TPF0\x0bTGridPropIO\x00\x08", 18);
  EXPECT_THROW(b.PasteFunc(1, 1), EDurUzavError);
  EXPECT_EQ(b.GetGridCell(1, 1), "kept");
}

TEST_F(Clipboard, CutFreesThePropertiesOfTheCellsItClears) {
  a.Navigation()->AllowFmtClipboard = true;
  a.SetGridCell(2, 1, "shown");
  a.GetCellProperties(1, 1)->FontSize = 5;  // in the hidden column
  a.GetCellProperties(2, 1)->FontSize = 6;
  a.HideColumn(1);
  Select(a, 1, 1, 1, 1);  // display column 1 is real column 2
  a.CutSelectionToClipboard();
  EXPECT_EQ(services->clipboard, "shown");
  EXPECT_EQ(a.GetGridCell(2, 1), "");
  EXPECT_FALSE(a.HasCellProperties(2, 1));
  ASSERT_TRUE(a.HasCellProperties(1, 1));
  EXPECT_EQ(a.GetCellProperties(1, 1)->FontSize, 5);
  EXPECT_EQ(a.TransferState().lastOperation, coCut);
}

// ---- The X clipboard, with another program at the other end ----

TEST(RealDisplay, GridCellsTravelThroughTheXClipboard) {
  if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs a real X display";
  if (QProcess::execute("sh", {"-c", "command -v xclip >/dev/null"}) != 0) GTEST_SKIP() << "no xclip";
  TForm form{nullptr};
  TVudUvizidIzed a{&form}, b{&form};
  for (TVudUvizidIzed* g : {&a, &b}) {
    g->SetColCount(4);
    g->SetRowCount(4);
    g->SetOptions(g->Options() | goEditing);
    g->Navigation()->AllowFmtClipboard = true;
  }
  a.SetGridCell(1, 1, "a");
  a.SetGridCell(2, 1, "b");
  a.GetCellProperties(1, 1)->FontName = "Courier";
  a.SetSelection(TGridRect{1, 1, 2, 1});
  a.CopySelectionToClipboard();
  const QString cells = QString::fromStdString(TGridClipboard::CellsFormat());
  EXPECT_EQ(harness::RunServed("xclip", {"-selection", "clipboard", "-o", "-t", "UTF8_STRING"}).toStdString(), "a\tb");
  const QByteArray payload = harness::RunServed("xclip", {"-selection", "clipboard", "-o", "-t", cells});
  EXPECT_TRUE(payload.startsWith("TPF0"));

  // The private bytes, handed back by another program, paste with their
  // properties into the other grid.
  harness::RunServed("xclip", {"-selection", "clipboard", "-i", "-t", cells}, payload);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (b.GetGridCell(1, 2) != "a" && std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents();
    b.PasteFunc(1, 2);
  }
  EXPECT_EQ(b.GetGridCell(1, 2), "a");
  EXPECT_EQ(b.GetGridCell(2, 2), "b");
  EXPECT_EQ(b.GetCellProperties(1, 2)->FontName, "Courier");

  // Text from another program pastes as text.
  b.Navigation()->AllowFmtClipboard = false;
  harness::RunServed("xclip", {"-selection", "clipboard", "-i"}, "x\ty");
  while (b.GetGridCell(2, 3) != "y" && std::chrono::steady_clock::now() < deadline + std::chrono::seconds(20)) {
    QCoreApplication::processEvents();
    b.PasteFunc(1, 3);
  }
  EXPECT_EQ(b.GetGridCell(1, 3), "x");
  EXPECT_EQ(b.GetGridCell(2, 3), "y");
}

}  // namespace
