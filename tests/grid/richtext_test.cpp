// The rich-text subset: RTF read into a document and written back.
#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>

#include "grid/richtext.h"

namespace {

struct TextRun {
  QString text;
  bool bold, italic, underline;
  QColor color;
  double points;
  QString family;
};

std::vector<TextRun> Runs(const QTextDocument& d) {
  std::vector<TextRun> runs;
  for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat f = it.fragment().charFormat();
      const QStringList families = f.fontFamilies().toStringList();
      runs.push_back({it.fragment().text(), f.fontWeight() >= QFont::Bold, f.fontItalic(), f.fontUnderline(),
                      f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color() : QColor(),
                      f.fontPointSize(), families.isEmpty() ? QString() : families.front()});
    }
    runs.push_back({"<par>", false, false, false, QColor(), 0, QString()});
  }
  return runs;
}

void ExpectSameRuns(const QTextDocument& a, const QTextDocument& b) {
  const std::vector<TextRun> ra = Runs(a), rb = Runs(b);
  ASSERT_EQ(ra.size(), rb.size());
  for (size_t i = 0; i < ra.size(); ++i) {
    EXPECT_EQ(ra[i].text, rb[i].text);
    EXPECT_EQ(ra[i].bold, rb[i].bold) << ra[i].text.toStdString();
    EXPECT_EQ(ra[i].italic, rb[i].italic) << ra[i].text.toStdString();
    EXPECT_EQ(ra[i].underline, rb[i].underline) << ra[i].text.toStdString();
    EXPECT_EQ(ra[i].color, rb[i].color) << ra[i].text.toStdString();
    EXPECT_EQ(ra[i].points, rb[i].points) << ra[i].text.toStdString();
    EXPECT_EQ(ra[i].family, rb[i].family) << ra[i].text.toStdString();
  }
}

TEST(RichText, ReadsTheSubsetOfFontsColoursStylesAndParagraphs) {
  const AnsiString rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}{\\colortbl;\\red255\\green0\\blue0;}"
      "{\\*\\generator skipped;}\\f0\\fs20 plain {\\b bold} {\\i\\cf1 red italic}\\par"
      "\\f1\\fs24\\ul under\\ulnone  caf\\'e9 \\u8364?\\par end \\{x\\}}";
  QTextDocument d;
  RichTextToDocument(rtf, d);
  EXPECT_EQ(d.toPlainText().toStdString(), "plain bold red italic\nunder caf\u00e9 \u20ac\nend {x}");
  const std::vector<TextRun> runs = Runs(d);
  auto find = [&](const char* text) {
    for (const TextRun& r : runs)
      if (r.text == text) return r;
    ADD_FAILURE() << "no run " << text;
    return TextRun{};
  };
  EXPECT_TRUE(find("bold").bold);
  EXPECT_TRUE(find("red italic").italic);
  EXPECT_EQ(find("red italic").color, QColor(255, 0, 0));
  EXPECT_EQ(find("plain ").points, 10);
  EXPECT_EQ(find("plain ").family, "Arial");
  EXPECT_TRUE(find("under").underline);
  EXPECT_EQ(find("under").family, "Courier New");
  EXPECT_EQ(find("under").points, 12);
}

TEST(RichText, DocumentsSurviveARoundTrip) {
  QTextDocument original;
  QTextCursor cursor(&original);
  QTextCharFormat f;
  cursor.insertText("Node ", f);
  f.setFontWeight(QFont::Bold);
  f.setForeground(QColor(0, 128, 0));
  cursor.insertText("online", f);
  cursor.insertBlock();
  QTextCharFormat g;
  g.setFontItalic(true);
  g.setFontUnderline(true);
  g.setFontPointSize(14);
  g.setFontFamilies({"Tahoma"});
  cursor.insertText("braces {} and \\ and \u00fcber\tend", g);

  const AnsiString rtf = DocumentToRichText(original);
  EXPECT_EQ(rtf.rfind("{\\", 0), 0u) << "a rich-text cell starts with {\\";
  QTextDocument copy;
  RichTextToDocument(rtf, copy);
  ExpectSameRuns(original, copy);
  EXPECT_EQ(DocumentToRichText(copy), rtf) << "writing is stable";
}

TEST(RichText, AnEmptyOrBrokenSourceGivesTextWithoutFailing) {
  for (const char* source : {"", "{\\rtf1", "plain words", "{\\rtf1 {\\b open group", "}}}{\\"}) {
    QTextDocument d;
    RichTextToDocument(source, d);
    SUCCEED();
  }
  QTextDocument d;
  RichTextToDocument("{\\rtf1 {\\b open group", d);
  EXPECT_EQ(d.toPlainText().toStdString(), "open group");
}

}  // namespace
