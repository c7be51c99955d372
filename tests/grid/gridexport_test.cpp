// The ASCII report and the HTML and XHTML exports, read back by readers
// that were not written here: Qt's HTML reader and xmllint.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include "grid/zgutil.h"
#include "tests/grid/textfiletesting.h"

namespace {

struct AsciiExport : ::testing::Test, textfiletesting::GridWithFolder {
  std::string Report() {
    const std::string path = Path("report.txt");
    grid.SaveToASCII(path);
    return Read(path);
  }
};

TEST_F(AsciiExport, ColumnsArePaddedToTheirLongestTextAndAligned) {
  Size(2, 2);
  grid.SetGridCell(0, 0, "a");
  grid.SetGridCell(1, 0, "x");
  grid.SetAlignments(1, 0, taRightJustify);
  grid.SetGridCell(0, 1, "bbb");
  grid.SetGridCell(1, 1, "yy");
  EXPECT_EQ(Report(), "a    x \r\nbbb yy \r\n");
  grid.AppendToASCII(Path("report.txt"));
  EXPECT_EQ(Read(Path("report.txt")), "a    x \r\nbbb yy \r\na    x \r\nbbb yy \r\n");
}

TEST_F(AsciiExport, WidthsCountCharactersNotBytes) {
  Size(2, 2);
  grid.SetGridCell(0, 0, "éé");
  grid.SetGridCell(1, 0, "x");
  grid.SetGridCell(0, 1, "abc");
  EXPECT_EQ(Report(), "éé  x \r\nabc   \r\n");
}

TEST_F(AsciiExport, FurtherLinesOfMultiLineCellsGoUnderTheirColumn) {
  Size(2, 1);
  grid.SetGridCell(0, 0, "a\r\nbb");
  grid.SetGridCell(1, 0, "c\r\nd");
  EXPECT_EQ(Report(), "a c \r\n");
  grid.Props().Multilinecells = true;
  EXPECT_EQ(Report(), "a  c \r\nbb d\r\n");
}

struct HtmlExport : ::testing::Test, textfiletesting::GridWithFolder {
  void Fill() {
    Size(3, 3);
    grid.SetFixedCols(0);
    grid.SetFixedRows(1);
    grid.SetGridCell(0, 0, "Name");
    grid.SetGridCell(1, 0, "Value");
    grid.SetGridCell(0, 1, "é & <b>");
    grid.SetGridCell(1, 1, "two words");
    grid.SetGridCell(0, 2, "l1\r\nl2");
    grid.SetGridCell(1, 2, "http://example.org/x");
    grid.SetGridCell(2, 2, "mailto:someone@example.org");
  }
};

TEST_F(HtmlExport, QtsReaderFindsTheTableAndTheCellTexts) {
  Fill();
  grid.MergeCells(0, 0, 2, 1);
  grid.HTMLSettings()->ConvertSpecialChars = true;
  QTextDocument document;
  document.setHtml(QString::fromStdString(grid.SaveToHTMLString()));
  QTextTable* table = nullptr;
  for (QTextFrame* frame : document.rootFrame()->childFrames())
    if (!table) table = qobject_cast<QTextTable*>(frame);
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->rows(), 3);
  ASSERT_EQ(table->columns(), 3);
  const auto text = [&](int row, int col) {
    const QTextTableCell cell = table->cellAt(row, col);
    QTextCursor cursor(&document);
    cursor.setPosition(cell.firstPosition());
    cursor.setPosition(cell.lastPosition(), QTextCursor::KeepAnchor);
    return cursor.selectedText().replace(QChar::LineSeparator, '|').toStdString();
  };
  EXPECT_EQ(table->cellAt(0, 0).columnSpan(), 2);
  EXPECT_EQ(text(0, 0), "Name");
  EXPECT_EQ(text(1, 0), "é & <b>");
  EXPECT_EQ(text(1, 1), "two words");
  EXPECT_EQ(text(2, 0), "l1|l2");
  EXPECT_EQ(text(2, 1), "http://example.org/x");
}

TEST_F(HtmlExport, LinksAndClassesFollowTheSettings) {
  Fill();
  grid.Props().URLShow = true;
  grid.SetWordWraps(2, 1, false);
  const AnsiString html = grid.SaveToHTMLString();
  EXPECT_NE(html.find("<a href=http://example.org/x>example.org/x</a>"), AnsiString::npos);
  EXPECT_NE(html.find("<a href=mailto:someone@example.org>someone@example.org</a>"), AnsiString::npos);
  EXPECT_EQ(html.rfind("<style>\r\n.c0 {", 0), 0u);
  EXPECT_NE(html.find("<table border=\"1\" cellspacing=\"0\" cellpadding=\"0\"  width=\"100%\">"), AnsiString::npos);
  // Cells that look alike share their class.
  EXPECT_NE(html.find("<td class=\"c1\">two words</td>\r\n<td class=\"c1\" nowrap><br></td>"), AnsiString::npos);
}

TEST_F(HtmlExport, SystemColoursAreWrittenAsTheirColourAndNoColourAsNone) {
  Fill();
  grid.SetFixedRows(0);
  grid.OnGetCellColor = [](TObject*, int, int, TGridDrawState, TBrush* brush, TFont* font) {
    brush->SetColor(clNone);
    font->SetColor(clHighlight);
  };
  const AnsiString html = grid.SaveToHTMLString();
  EXPECT_EQ(html.find("background-color"), AnsiString::npos);
  EXPECT_NE(html.find("color: #" + HTMLColor(ColorToRGB(clHighlight)) + ";"), AnsiString::npos);
  EXPECT_EQ(html.find("#" + HTMLColor(clHighlight)), AnsiString::npos);
}

TEST_F(HtmlExport, XhtmlIsWellFormedXmlThatStartsWithItsDeclaration) {
  Fill();
  grid.SetGridCell(2, 0, "");
  grid.SetWordWraps(0, 1, false);
  grid.Props().URLShow = true;
  THTMLSettings& settings = *grid.HTMLSettings();
  settings.XHTML = true;
  settings.ConvertSpecialChars = true;
  settings.NonBreakingText = true;
  settings.ColWidths() = {40, 60};
  settings.TableStyle = "class=\"grid\"";
  const std::string path = Path("grid.xhtml");
  grid.SaveToHTML(path);
  const std::string xhtml = Read(path);
  EXPECT_EQ(xhtml.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n", 0), 0u);
  QProcess xmllint;
  xmllint.start("xmllint", {"--noout", QString::fromStdString(path)});
  ASSERT_TRUE(xmllint.waitForFinished(30000)) << "xmllint (libxml2-utils) is needed";
  // Some errors (an entity the document does not define) leave the exit
  // code 0: only a silent xmllint accepts the document.
  const std::string complaints = xmllint.readAllStandardError().toStdString();
  EXPECT_EQ(xmllint.exitCode(), 0) << xhtml;
  EXPECT_EQ(complaints, "") << xhtml;
}

TEST_F(HtmlExport, HeaderAndFooterFilesFrameTheTable) {
  Fill();
  grid.HTMLSettings()->HeaderFile = Write("head.html", "<html>\n<body>\n");
  grid.HTMLSettings()->FooterFile = Write("foot.html", "</body>\r\n</html>");
  const std::string path = Path("page.html");
  grid.SaveToHTML(path);
  EXPECT_EQ(Read(path), "<html>\r\n<body>\r\n" + grid.SaveToHTMLString() + "\r\n</body>\r\n</html>\r\n");
  EXPECT_THROW(grid.SaveToHTML(Path("no/such/folder.html")), EDurUzavError);
}

}  // namespace
