// Printing and preview: the page layout (fit, bands, page breaks, page
// numbers, page ranges) seen through a preview canvas, and printed PDF
// files read back with poppler's tools.
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "framework/forms.h"
#include "framework/printer.h"
#include "grid/duruzav.h"
#include "grid/gridprint.h"
#include "tests/support/commandoutput.h"
#include "tests/support/scratch.h"

namespace {

// A page of 1000 x 1400 print units: at 254 dots per inch one pixel is one
// print unit (0.1 mm).
struct PreviewPage {
  PreviewPage() {
    image.setDotsPerMeterX(10000);
    image.setDotsPerMeterY(10000);
    image.fill(Qt::white);
    canvas.AttachDevice(&image);
    canvas.OnCall = [this](const TCanvasCall& call) {
      if (!call.text.empty()) texts.push_back(call.text);
    };
  }
  bool Shows(const std::string& text) const { return std::find(texts.begin(), texts.end(), text) != texts.end(); }
  bool ShowsPart(const std::string& part) const {
    return std::any_of(texts.begin(), texts.end(), [&](const AnsiString& t) { return t.find(part) != t.npos; });
  }
  const TRect r{0, 0, 1000, 1400};
  QImage image{1000, 1400, QImage::Format_RGB32};
  TCanvas canvas;
  std::vector<AnsiString> texts;
};

class GridPrinting : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.Created());
    grid = new TVudUvizidIzed(&form);
    grid->SetParent(&form);
    TPrintSettings& s = *grid->PrintSettings();
    s.LeftSize = s.RightSize = 100;
    s.ColumnSpacing = 20;
    s.Centered = false;
    // A scalable font that PDF files embed and their readers map back to
    // text.
    for (TFont* font : {grid->Font(), grid->FixedFont(), s.HeaderFont(), s.FooterFont()}) font->SetName("DejaVu Sans");
  }
  void TearDown() override {
    Printer()->SetOutputFileName("");
  }

  // Cell texts name their column and row: "c1r7".
  void Fill(int cols, int rows) {
    grid->SetColCount(cols);
    grid->SetRowCount(rows);
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < cols; ++c) grid->SetCellEx(c, r, "c" + std::to_string(c) + "r" + std::to_string(r));
  }
  // Columns of `width` screen pixels print (width - 4) x 254 / 96 wide.
  void FixColumns(int width) {
    grid->PrintSettings()->NoAutoSize = true;
    for (int c = 0; c < grid->ColCount(); ++c) grid->SetColWidths(c, width);
  }
  // A page break before every `rows`-th row.
  void BreakEvery(int rows) {
    grid->OnPrintNewPage = [this, rows](TObject*, int row, bool& newPage) {
      newPage = row % rows == 0 && row < grid->RowCount();
    };
  }
  std::string PrintToPdf(const std::function<void()>& print = {}) {
    const std::string path = dir.File("grid.pdf");
    Printer()->SetOutputFileName(path);
    if (print) print();
    else grid->Print();
    return path;
  }
  static int Pages(const std::string& pdf) {
    const auto [status, out] = RunCommand("pdfinfo '" + pdf + "' 2>/dev/null");
    const auto at = out.find("Pages:");
    return status == 0 && at != out.npos ? std::stoi(out.substr(at + 6)) : -1;
  }
  // The page's text without blanks, which readers place by the glyphs'
  // distances.
  static std::string PageText(const std::string& pdf, int page) {
    const std::string n = std::to_string(page);
    std::string text = RunCommand("pdftotext -f " + n + " -l " + n + " '" + pdf + "' - 2>/dev/null").second;
    std::erase(text, ' ');
    return text;
  }

  TForm form{nullptr};
  TVudUvizidIzed* grid = nullptr;
  benchtest::TempDir dir{"flashwright-print"};
};

TEST_F(GridPrinting, MapFontHeightFollowsTheScale) {
  TGridPrint& printing = grid->Printing();
  EXPECT_EQ(grid->MapFontHeight(10), -35);
  printing.ScaleFactor = 0.5;
  EXPECT_EQ(printing.MapFontHeight(10), -18);
  EXPECT_EQ(TGridPrint::MapFontSize(35), 10);
}

// Three columns of 299 print units on a page 1000 wide with margins of 100
// and column spacing 20 (40 between columns): too wide by 117.
struct FitCase {
  TFitToPage fit;
  int screenWidth;
  int printWidth;
};

class FitToPage : public GridPrinting, public ::testing::WithParamInterface<FitCase> {};

TEST_P(FitToPage, ScalesTheColumnsAsTheModeAllows) {
  const FitCase& c = GetParam();
  Fill(3, 3);
  FixColumns(c.screenWidth);
  grid->PrintSettings()->FitToPage = c.fit;
  PreviewPage page;
  grid->PrintPreview(&page.canvas, page.r);
  const std::vector<int>& widths = grid->Printing().PrintColWidths;
  EXPECT_EQ(widths[0], c.printWidth);
  EXPECT_EQ(widths[2], c.printWidth);
  EXPECT_EQ(grid->GetPrintColWidth(1), c.printWidth);
  EXPECT_EQ(grid->Printing().ScaleFactor, 1.0);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, FitToPage,
    ::testing::Values(FitCase{fpNever, 117, 299}, FitCase{fpShrink, 117, 226}, FitCase{fpGrow, 117, 299},
                      FitCase{fpAlways, 117, 226},
                      // Narrow: 95 print units each, room for 226.
                      FitCase{fpShrink, 40, 95}, FitCase{fpGrow, 40, 226}, FitCase{fpAlways, 40, 226}));

TEST_F(GridPrinting, CustomFitRefusedPrintsAtFullSize) {
  Fill(3, 3);
  FixColumns(117);
  grid->PrintSettings()->FitToPage = fpCustom;
  double offered = 0;
  grid->OnFitToPage = [&](TObject*, double& scale, bool& allow) {
    offered = scale;
    allow = false;
  };
  PreviewPage page;
  grid->PrintPreview(&page.canvas, page.r);
  EXPECT_NEAR(offered, 680.0 / 897.0, 1e-9);
  EXPECT_EQ(grid->Printing().PrintColWidths[1], 299);
}

// Margins wider than the page leave no room to scale to: the columns keep
// their widths rather than getting negative ones.
TEST_F(GridPrinting, MarginsWiderThanThePageKeepTheScale) {
  Fill(3, 3);
  FixColumns(117);
  TPrintSettings& s = *grid->PrintSettings();
  s.LeftSize = s.RightSize = 600;
  s.FitToPage = fpAlways;
  PreviewPage page;
  grid->PrintPreview(&page.canvas, page.r);
  EXPECT_EQ(grid->Printing().PrintColWidths[1], 299);
}

TEST_F(GridPrinting, ColumnsTooWideSplitIntoBandsNumberedPageAndBand) {
  Fill(3, 3);
  FixColumns(117);
  grid->PrintSettings()->PageNr = ppTopRight;
  PreviewPage first;
  grid->PrintPreview(&first.canvas, first.r);
  EXPECT_EQ(grid->Printing().PrintPageCount, 2);
  EXPECT_TRUE(first.ShowsPart(" 1-1 "));
  EXPECT_TRUE(first.Shows("c1r2"));
  EXPECT_FALSE(first.Shows("c2r2"));

  PreviewPage second;
  grid->SetPreviewPage(2);
  grid->PrintPreview(&second.canvas, second.r);
  EXPECT_TRUE(second.ShowsPart(" 1-2 "));
  EXPECT_TRUE(second.Shows("c2r2"));
  EXPECT_FALSE(second.Shows("c0r2"));
}

TEST_F(GridPrinting, OneBandNumbersPagesWithTheTotal) {
  Fill(2, 120);
  BreakEvery(10);
  TPrintSettings& s = *grid->PrintSettings();
  s.PageNr = ppTopRight;
  s.PageNumSep = "/";
  PreviewPage page;
  grid->SetPreviewPage(3);
  grid->PrintPreview(&page.canvas, page.r);
  EXPECT_EQ(grid->Printing().PrintPageCount, 12);
  EXPECT_TRUE(page.ShowsPart(" 3/12 "));
  EXPECT_TRUE(page.Shows("c0r20"));
  EXPECT_FALSE(page.Shows("c0r19"));
  EXPECT_FALSE(page.Shows("c0r30"));
}

TEST_F(GridPrinting, PreviewShowsPageOneFirstAndThenTheRowsThatFollow) {
  Fill(2, 200);
  PreviewPage first;
  grid->PrintPreview(&first.canvas, first.r);
  ASSERT_GT(grid->Printing().PrintPageCount, 1);
  EXPECT_TRUE(first.Shows("c0r0"));
  int lastOnFirst = 0;
  while (first.Shows("c0r" + std::to_string(lastOnFirst + 1))) ++lastOnFirst;

  PreviewPage second;
  grid->SetPreviewPage(2);
  grid->PrintPreview(&second.canvas, second.r);
  EXPECT_TRUE(second.Shows("c0r" + std::to_string(lastOnFirst + 1)));
  EXPECT_FALSE(second.Shows("c0r" + std::to_string(lastOnFirst)));
}

TEST_F(GridPrinting, PrintsThePdfWithEveryRow) {
  Fill(3, 20);
  const std::string pdf = PrintToPdf();
  ASSERT_EQ(Pages(pdf), 1);
  const std::string text = PageText(pdf, 1);
  EXPECT_NE(text.find("c0r0"), std::string::npos);
  EXPECT_NE(text.find("c2r19"), std::string::npos);
}

TEST_F(GridPrinting, PrintStartRangeChoosesThePagesThatReachTheFile) {
  Fill(2, 50);
  BreakEvery(10);
  grid->PrintSettings()->PageNr = ppTopRight;
  grid->PrintSettings()->PageNumSep = "";
  grid->PrintSettings()->PagePrefix = "page";
  int offered = 0;
  grid->OnPrintStart = [&](TObject*, int pages, int& from, int& to) {
    offered = pages;
    from = 2;
    to = 3;
  };
  const std::string pdf = PrintToPdf();
  EXPECT_EQ(offered, 5);
  ASSERT_EQ(Pages(pdf), 2);
  const std::string second = PageText(pdf, 1), third = PageText(pdf, 2);
  EXPECT_NE(second.find("page2"), std::string::npos);
  EXPECT_NE(second.find("c0r10"), std::string::npos);
  EXPECT_EQ(second.find("c0r20"), std::string::npos);
  EXPECT_NE(third.find("page3"), std::string::npos);
  EXPECT_NE(third.find("c0r29"), std::string::npos);
}

TEST_F(GridPrinting, ASinglePageRangeDrawsOnlyThatPage) {
  Fill(2, 50);
  BreakEvery(10);
  grid->OnPrintStart = [](TObject*, int, int& from, int& to) { from = to = 3; };
  std::vector<int> announced;
  grid->OnPrintPage = [&](TObject*, TCanvas*, int page, int, int) { announced.push_back(page); };
  const std::string pdf = PrintToPdf();
  ASSERT_EQ(Pages(pdf), 1);
  const std::string text = PageText(pdf, 1);
  EXPECT_NE(text.find("c1r20"), std::string::npos);
  EXPECT_EQ(text.find("c1r19"), std::string::npos);
  EXPECT_EQ(text.find("c1r30"), std::string::npos);
  EXPECT_EQ(announced, (std::vector<int>{1, 3}));
}

// Nothing in range: no job, no file, and the printer is free again.
struct EmptyRange {
  int from;
  int to;
};

class EmptyPrintRange : public GridPrinting, public ::testing::WithParamInterface<EmptyRange> {};

TEST_P(EmptyPrintRange, PrintsNothingAndLeavesThePrinterFree) {
  Fill(2, 50);
  BreakEvery(10);
  std::vector<TGridExportState> states;
  grid->OnPrintStart = [&](TObject*, int, int& from, int& to) {
    from = GetParam().from;
    to = GetParam().to;
  };
  const std::string pdf = PrintToPdf();
  EXPECT_FALSE(std::filesystem::exists(pdf));
  EXPECT_FALSE(Printer()->Printing());

  grid->OnPrintStart = nullptr;
  PrintToPdf();
  EXPECT_EQ(Pages(pdf), 5);
}

INSTANTIATE_TEST_SUITE_P(Ranges, EmptyPrintRange,
                         ::testing::Values(EmptyRange{1, 0}, EmptyRange{0, 3}, EmptyRange{4, 2}, EmptyRange{6, 9}));

TEST_F(GridPrinting, SelectedColumnsOfADisjunctSelectionKeepTheScale) {
  Fill(4, 3);
  FixColumns(27);  // 61 print units
  grid->PrintSettings()->FitToPage = fpAlways;
  grid->MouseActions()->SetDisjunctColSelect(true);
  grid->SetColSelect(1, true);
  grid->SetSelection({1, 1, 1, 2});
  const std::string pdf = PrintToPdf([this] { grid->PrintSelectedCols(); });
  EXPECT_EQ(grid->Printing().PrintColWidths[1], 61);
  const std::string text = PageText(pdf, 1);
  EXPECT_NE(text.find("c1r2"), std::string::npos);
  EXPECT_EQ(text.find("c2r2"), std::string::npos);
  EXPECT_EQ(text.find("c0r2"), std::string::npos);
  EXPECT_EQ(text.find("c1r0"), std::string::npos);
}

TEST_F(GridPrinting, CancelStopsAfterThePage) {
  Fill(2, 50);
  BreakEvery(10);
  grid->OnPrintCancel = [](TObject*, int page, bool& cancel) { cancel = page == 2; };
  const std::string pdf = PrintToPdf();
  ASSERT_EQ(Pages(pdf), 2);
  EXPECT_EQ(PageText(pdf, 2).find("c0r20"), std::string::npos);
}

TEST_F(GridPrinting, FixedRowsRepeatOnEveryPage) {
  Fill(2, 30);
  grid->SetFixedRows(1);
  BreakEvery(10);
  grid->PrintSettings()->RepeatFixedRows = true;
  const std::string pdf = PrintToPdf();
  ASSERT_EQ(Pages(pdf), 3);
  EXPECT_NE(PageText(pdf, 3).find("c1r0"), std::string::npos);
}

TEST_F(GridPrinting, CellColoursAndBordersReachThePaper) {
  Fill(2, 2);
  grid->SetColors(1, 1, clRed);
  const std::string pdf = PrintToPdf();
  const std::string png = dir.File("page");
  ASSERT_EQ(RunCommand("pdftoppm -r 30 -png -f 1 -l 1 -singlefile '" + pdf + "' '" + png + "'").first, 0);
  QImage image(QString::fromStdString(png + ".png"));
  ASSERT_FALSE(image.isNull());
  int red = 0, dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 60 && c.blue() < 60) ++red;
      if (c.red() < 100 && c.green() < 100 && c.blue() < 100) ++dark;
    }
  EXPECT_GT(red, 4);
  EXPECT_GT(dark, 4);
}

TEST_F(GridPrinting, AFileThatCannotBeWrittenRaisesAndEndsTheExport) {
  Fill(2, 2);
  Printer()->SetOutputFileName(dir.File("missing/folder/grid.pdf"));
  EXPECT_THROW(grid->Print(), EPrinter);
  EXPECT_FALSE(Printer()->Printing());
}

TEST_F(GridPrinting, HeaderTextsGatherTheirItemsByPosition) {
  Fill(2, 3);
  TPrintSettings& s = *grid->PrintSettings();
  s.PageNr = ppTopLeft;
  s.Title = ppTopLeft;
  s.TitleText = "Report";
  PreviewPage left;
  grid->PrintPreview(&left.canvas, left.r);
  EXPECT_TRUE(left.Shows("Report  1  "));

  s.PageNr = s.Title = ppBottomRight;
  s.Date = ppTopCenter;
  s.DateFormat = "yyyy";
  PreviewPage right;
  grid->PrintPreview(&right.canvas, right.r);
  EXPECT_TRUE(right.Shows("  1  Report"));
  EXPECT_TRUE(right.Shows(" " + FormatDateTime("yyyy", Now())));
}

// The application's size of a cell counts as measured: a wider cell widens
// its column, a taller one its row; a mark-up cell is asked like the rest.
TEST_F(GridPrinting, CustomCellSizeHasTheLastWordOnTheMeasure) {
  Fill(3, 4);
  grid->Props().EnableHTML = true;
  grid->SetCellEx(2, 3, "<b>bold</b>");
  std::vector<std::pair<int, int>> asked;
  grid->OnCustomCellSize = [&](TObject*, TCanvas* canvas, int col, int row, TPoint& size, bool printing) {
    EXPECT_TRUE(printing);
    EXPECT_NE(canvas, nullptr);
    asked.emplace_back(col, row);
    if (col == 1 && row == 2) size = {700, 333};
  };
  int measuredHeight = 0;
  grid->OnPrintSetRowHeight = [&](TObject*, int row, int& height) {
    if (row == 2) measuredHeight = height;
  };
  PreviewPage page;
  grid->PrintPreview(&page.canvas, page.r);
  EXPECT_EQ(grid->Printing().PrintColWidths[1], 700);
  EXPECT_LT(grid->Printing().PrintColWidths[2], 700);
  EXPECT_EQ(measuredHeight, 333);
  EXPECT_NE(std::find(asked.begin(), asked.end(), std::make_pair(2, 3)), asked.end()) << "the mark-up cell";
}

TEST_F(GridPrinting, HandlersSizeColumnsAndRowsAndHearOfEveryPage) {
  Fill(2, 30);
  BreakEvery(10);
  TGridPrint& printing = grid->Printing();
  grid->OnPrintSetColumnWidth = [](TObject*, int col, int& width) { width = 100 + col; };
  grid->OnPrintSetRowHeight = [](TObject*, int, int& height) { height = 50; };
  std::vector<std::pair<int, int>> done;  // page, next row
  grid->OnPrintPageDone = [&](TObject*, TCanvas*, int lastRow, int, int lastPage, int xSize, int ySize) {
    done.emplace_back(lastPage, lastRow);
    EXPECT_EQ(xSize, 1000);
    EXPECT_EQ(ySize, -1400);
  };
  PreviewPage page;
  grid->SetPreviewPage(2);
  grid->PrintPreview(&page.canvas, page.r);
  EXPECT_EQ(printing.PrintColWidths[1], 101);
  EXPECT_EQ(printing.PrintColPositions[2] - printing.PrintColPositions[1], 101 + 40);
  EXPECT_EQ(done, (std::vector<std::pair<int, int>>{{1, 10}, {2, 20}, {3, 30}}));
}

TEST_F(GridPrinting, FurtherTitleLinesFollowTheFirst) {
  Fill(2, 3);
  TPrintSettings& s = *grid->PrintSettings();
  s.Title = ppBottomCenter;
  for (const char* line : {"Network", "second line", "third line"}) s.TitleLines()->Add(line);
  PreviewPage page;
  grid->PrintPreview(&page.canvas, page.r);
  EXPECT_TRUE(page.Shows(" Network"));
  EXPECT_TRUE(page.Shows("second line"));
  EXPECT_TRUE(page.Shows("third line"));
}

TEST_F(GridPrinting, MarkupCellsAndTitlesPrintTheirText) {
  Fill(2, 3);
  grid->SetCellEx(1, 1, "<b>bold</b> and <i>plain</i>");
  grid->PrintSettings()->Title = ppTopCenter;
  grid->PrintSettings()->TitleLines()->Add("<u>Nodes</u> list");
  const std::string text = PageText(PrintToPdf(), 1);
  EXPECT_NE(text.find("boldandplain"), std::string::npos);
  EXPECT_NE(text.find("Nodeslist"), std::string::npos);
  EXPECT_EQ(text.find("<b>"), std::string::npos);
}

TEST_F(GridPrinting, ASelectedCellPrintsBelowTheRepeatedFixedRows) {
  Fill(4, 8);
  grid->SetFixedRows(1);
  grid->PrintSettings()->RepeatFixedRows = true;
  grid->SetSelection({2, 5, 2, 5});
  PreviewPage page;
  grid->Printing().PrintPreviewSelection(&page.canvas, page.r);
  EXPECT_TRUE(page.Shows("c2r0"));
  EXPECT_TRUE(page.Shows("c2r5"));
  EXPECT_FALSE(page.Shows("c1r5"));
  EXPECT_FALSE(page.Shows("c2r4"));
}

TEST_F(GridPrinting, AColumnWiderThanThePageSharesItsBandWithTheNext) {
  Fill(3, 2);
  FixColumns(400);  // 1048 print units, wider than the page
  PreviewPage page;
  grid->PrintPreview(&page.canvas, page.r);
  EXPECT_EQ(grid->Printing().PrintFirstCol, 2);
  EXPECT_EQ(grid->Printing().PrintPageCount, 2);
  EXPECT_TRUE(page.Shows("c1r1"));
}

// Check boxes print only with PrintGraphics, and then show their state.
TEST_F(GridPrinting, CheckBoxesPrintWithGraphics) {
  Fill(3, 3);
  auto preview = [this](bool graphics, bool checked) {
    grid->PrintSettings()->PrintGraphics = graphics;
    grid->AddCheckBox(1, 1, checked, false);
    PreviewPage page;
    grid->PrintPreview(&page.canvas, page.r);
    return page.image;
  };
  EXPECT_NE(preview(true, true), preview(true, false));
  EXPECT_EQ(preview(false, true), preview(false, false));
}

// A bitmap of 20 x 20 screen pixels prints 53 print units (5.3 mm) wide.
TEST_F(GridPrinting, BitmapsPrintAtTheirScreenSize) {
  Fill(3, 3);
  grid->PrintSettings()->PrintGraphics = true;
  grid->SetCellEx(1, 1, "");
  TBitmap* bitmap = grid->CreateBitmap(1, 1, false, haLeft, vaTop);
  bitmap->SetSize(20, 20);
  bitmap->Canvas()->Brush()->SetColor(clRed);
  bitmap->Canvas()->FillRect({0, 0, 20, 20});
  PreviewPage page;
  grid->PrintPreview(&page.canvas, page.r);
  int widest = 0;
  for (int y = 0; y < page.image.height(); ++y) {
    int run = 0;
    for (int x = 0; x < page.image.width(); ++x) {
      run = page.image.pixelColor(x, y) == QColor(Qt::red) ? run + 1 : 0;
      widest = std::max(widest, run);
    }
  }
  EXPECT_NEAR(widest, 53, 1);
}

// A progress bar fills its cell on paper as on the screen.
TEST_F(GridPrinting, ProgressBarsPrintAtTheirCellSize) {
  Fill(3, 3);
  grid->PrintSettings()->PrintGraphics = true;
  grid->PrintSettings()->NoAutoSize = true;
  grid->SetColWidths(1, 80);
  grid->SetCellEx(1, 1, "100");
  grid->AddProgress(1, 1, clBlue, clWhite);
  PreviewPage page;
  grid->PrintPreview(&page.canvas, page.r);
  int widest = 0;
  for (int y = 0; y < page.image.height(); ++y) {
    int run = 0;
    for (int x = 0; x < page.image.width(); ++x) {
      run = page.image.pixelColor(x, y) == QColor(Qt::blue) ? run + 1 : 0;
      widest = std::max(widest, run);
    }
  }
  // The cell: 80 screen pixels less 4 print 201 units, with 40 of spacing.
  EXPECT_GT(widest, 201);
  EXPECT_LE(widest, 241);
}

TEST_F(GridPrinting, RotatedTextPrintsWithoutGraphics) {
  Fill(3, 3);
  grid->SetCellEx(1, 1, "");
  PreviewPage plain;
  grid->PrintPreview(&plain.canvas, plain.r);
  grid->AddRotated(1, 1, 90, "turned");
  PreviewPage rotated;
  grid->PrintPreview(&rotated.canvas, rotated.r);
  EXPECT_NE(plain.image, rotated.image);
}

// Rotated text in the rectangle (0, 0, 100, 50) with extents a = 4, b = 30,
// c = 6, d = 20.
struct RotatedCase {
  int angle;
  TAlignment h;
  TVAlignment v;
  int left;
  int top;
};

class RotatedPlacement : public ::testing::TestWithParam<RotatedCase> {};

TEST_P(RotatedPlacement, FollowsTheQuadrantAndAlignment) {
  const RotatedCase& c = GetParam();
  TRect r{0, 0, 100, 50};
  PlaceRotatedText(r, c.h, c.v, 4, 30, 6, 20, c.angle);
  EXPECT_EQ(r.Left, c.left);
  EXPECT_EQ(r.Top, c.top);
}

INSTANTIATE_TEST_SUITE_P(Quadrants, RotatedPlacement,
                         ::testing::Values(RotatedCase{45, taLeftJustify, vtaTop, 0, 30},
                                           RotatedCase{90, taRightJustify, vtaBottom, 74, 46},
                                           RotatedCase{135, taCenter, vtaCenter, 57, 42},
                                           RotatedCase{180, taLeftJustify, vtaBottom, 20, 50},
                                           RotatedCase{270, taRightJustify, vtaTop, 100, 4},
                                           RotatedCase{271, taCenter, vtaBottom, 43, 16},
                                           RotatedCase{300, taLeftJustify, vtaCenter, 6, 8}));

// A grid that keeps the export notifications it is sent.
class NotedGrid : public TVudUvizidIzed {
 public:
  using TVudUvizidIzed::TVudUvizidIzed;
  void ExportNotification(TGridExportState state, int row) override { noted.emplace_back(state, row); }
  std::vector<std::pair<TGridExportState, int>> noted;
};

TEST_F(GridPrinting, PrintingAnnouncesItsRowsAndDrawingDoesNot) {
  NotedGrid noted(&form);
  noted.SetColCount(2);
  noted.SetRowCount(3);
  Printer()->SetOutputFileName(dir.File("noted.pdf"));
  noted.Print();
  using N = std::pair<TGridExportState, int>;
  // Rows are announced by the counting pass and again by the printing one.
  const std::vector<N> expected{{esExportStart, -1},  {esExportNewRow, 0}, {esExportNewRow, 1}, {esExportNewRow, 2},
                                {esExportNewRow, 0}, {esExportNewRow, 1}, {esExportNewRow, 2}, {esExportDone, -1}};
  EXPECT_EQ(noted.noted, expected);

  noted.noted.clear();
  PreviewPage page;
  noted.PrintDraw(&page.canvas, page.r);
  EXPECT_EQ(noted.Printing().PrintPageCount, 1);
  // The rows of its one pass, no start or end.
  EXPECT_EQ(noted.noted, (std::vector<N>{{esExportNewRow, 0}, {esExportNewRow, 1}, {esExportNewRow, 2}}));
}

}  // namespace
