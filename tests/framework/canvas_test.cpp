#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "framework/canvas.h"
#include "framework/controls.h"
#include "framework/testing/harness.h"

namespace {

// A white 40 x 30 bitmap to draw on.
struct Paper {
  Paper() {
    bitmap.SetSize(40, 30);
    c = bitmap.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect({0, 0, 40, 30});
  }
  TBitmap bitmap;
  TCanvas* c;
  // The columns of row y that are not white.
  std::vector<int> InkInRow(int y) const {
    std::vector<int> xs;
    for (int x = 0; x < 40; ++x)
      if (c->Pixels(x, y) != clWhite) xs.push_back(x);
    return xs;
  }
  int InkCount() const {
    int n = 0;
    for (int y = 0; y < 30; ++y) n += static_cast<int>(InkInRow(y).size());
    return n;
  }
};

TEST(Canvas, LineLeavesOutItsEndPoint) {
  struct Case { TPoint from, to; int pixels; TPoint last; };
  const Case cases[] = {
      {{3, 5}, {10, 5}, 7, {9, 5}},    // horizontal: L..R-1
      {{10, 5}, {3, 5}, 7, {4, 5}},    // right to left
      {{6, 2}, {6, 9}, 7, {6, 8}},     // vertical
      {{2, 2}, {8, 8}, 6, {7, 7}},     // diagonal
      {{4, 4}, {4, 4}, 0, {-1, -1}},   // zero length draws nothing
  };
  for (const Case& k : cases) {
    Paper p;
    p.c->Pen()->SetColor(clBlack);
    p.c->MoveTo(k.from.X, k.from.Y);
    p.c->LineTo(k.to.X, k.to.Y);
    EXPECT_EQ(p.InkCount(), k.pixels) << k.from.X << "," << k.from.Y << " -> " << k.to.X << "," << k.to.Y;
    if (k.pixels) {
      EXPECT_EQ(p.c->Pixels(k.last.X, k.last.Y), clBlack);
      EXPECT_EQ(p.c->Pixels(k.to.X, k.to.Y), clWhite);
    }
    EXPECT_EQ(p.c->PenPos(), k.to);
  }
}

TEST(Canvas, RectanglesExcludeRightAndBottom) {
  Paper p;
  p.c->Pen()->SetColor(clBlack);
  p.c->Brush()->SetColor(clRed);
  p.c->Rectangle(2, 3, 12, 9);
  EXPECT_EQ(p.InkInRow(3), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(p.c->Pixels(11, 8), clBlack);   // bottom-right corner of the frame
  EXPECT_EQ(p.c->Pixels(12, 8), clWhite);
  EXPECT_EQ(p.c->Pixels(11, 9), clWhite);
  EXPECT_EQ(p.c->Pixels(5, 5), clRed);      // filled inside

  Paper q;
  q.c->Brush()->SetColor(clBlue);
  q.c->FillRect({5, 5, 8, 7});
  EXPECT_EQ(q.InkCount(), 6);
  q.c->Brush()->SetColor(clLime);
  q.c->FrameRect({20, 20, 24, 23});
  EXPECT_EQ(q.InkInRow(20), (std::vector<int>{20, 21, 22, 23}));
  EXPECT_EQ(q.c->Pixels(21, 21), clWhite);
}

TEST(Canvas, ColoursAreBlueGreenRed) {
  Paper p;
  p.c->Brush()->SetColor(static_cast<TColor>(0x0000FF));
  p.c->FillRect({0, 0, 4, 4});
  EXPECT_EQ(p.bitmap.Image().pixel(1, 1), qRgb(255, 0, 0));
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC8D0D4);
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FF);
  p.c->Brush()->SetColor(clBtnFace);
  p.c->FillRect({0, 0, 4, 4});
  EXPECT_EQ(p.c->Pixels(0, 0), 0xC8D0D4);
}

TEST(Canvas, XorPenDrawnTwiceRestoresTheImage) {
  Paper p;
  p.c->Brush()->SetColor(clGreen);
  p.c->FillRect({0, 0, 20, 30});
  const QImage before = p.bitmap.Image().copy();
  p.c->Pen()->SetMode(pmXor);
  p.c->Pen()->SetColor(clWhite);
  for (int pass = 0; pass < 2; ++pass) {
    p.c->MoveTo(0, 10);
    p.c->LineTo(40, 10);
    if (pass == 0) {
      EXPECT_EQ(p.c->Pixels(5, 10), (clGreen ^ 0xFFFFFF));
      EXPECT_EQ(p.c->Pixels(30, 10), clBlack);
    }
  }
  EXPECT_EQ(p.bitmap.Image(), before);
}

TEST(Canvas, DrawTextCalculatesWrappedHeight) {
  Paper p;
  const int line = p.c->TextHeight("Wg");
  const int word = p.c->TextWidth("word");
  struct Case { const char* text; unsigned flags; int width; int lines; };
  const Case cases[] = {
      {"word word word", DT_WORDBREAK, word + 2, 3},
      {"word word word", DT_WORDBREAK, 3 * word + 2 * p.c->TextWidth(" ") + 1, 1},
      {"one\r\ntwo\nthree", 0, 1000, 3},
      {"one\r\ntwo", DT_SINGLELINE, 1000, 1},
      {"", DT_WORDBREAK, 100, 1},
      {"averyveryverylongword", DT_WORDBREAK, 10, 1},  // a word is not broken
  };
  for (const Case& k : cases) {
    TRect r{10, 20, 10 + k.width, 21};
    const int height = p.c->DrawText(k.text, r, k.flags | DT_CALCRECT);
    EXPECT_EQ(height, k.lines * line) << k.text;
    EXPECT_EQ(r.Bottom, 20 + k.lines * line) << k.text;
  }
  EXPECT_EQ(p.InkCount(), 0);  // calculating draws nothing

  TRect single{0, 0, 1, 1};
  p.c->DrawText("word", single, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(single.Width(), word);
}

TEST(Canvas, DrawTextAlignsClipsAndElides) {
  Paper p;
  p.c->Brush()->SetStyle(bsClear);
  p.c->Font()->SetColor(clBlack);
  TRect r{0, 0, 40, 30};
  p.c->DrawText("i", r, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
  int minX = 40, minY = 30;
  for (int y = 0; y < 30; ++y)
    for (int x : p.InkInRow(y)) minX = std::min(minX, x), minY = std::min(minY, y);
  EXPECT_GT(minX, 30);
  EXPECT_GT(minY, 15);

  Paper q;
  q.c->Brush()->SetStyle(bsClear);
  TRect narrow{5, 5, 25, 25};
  q.c->DrawText("a long line of text that does not fit", narrow, DT_SINGLELINE | DT_END_ELLIPSIS);
  for (int y = 0; y < 30; ++y)
    for (int x : q.InkInRow(y)) EXPECT_TRUE(x >= 5 && x < 25 && y >= 5 && y < 25) << x << "," << y;

  Paper prefix;
  prefix.c->Brush()->SetStyle(bsClear);
  TRect a{0, 0, 100, 30}, b{0, 0, 100, 30};
  EXPECT_EQ(prefix.c->DrawText("&&", a, DT_SINGLELINE | DT_CALCRECT), prefix.c->TextHeight("&"));
  EXPECT_EQ(a.Width(), prefix.c->TextWidth("&"));
  prefix.c->DrawText("&&", b, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  EXPECT_EQ(b.Width(), prefix.c->TextWidth("&&"));
}

// A tab moves the pen to the next multiple of the tab stop, counted from
// the start of its line, whatever the blank's width.
TEST(Canvas, ExpandedTabsReachTheNextStop) {
  TBitmap bitmap;
  bitmap.SetSize(400, 30);
  TCanvas& c = *bitmap.Canvas();
  auto width = [&](const char* text, unsigned flags = DT_SINGLELINE) {
    TRect r{0, 0, 1, 30};
    c.DrawText(text, r, flags | DT_EXPANDTABS | DT_CALCRECT);
    return r.Width();
  };
  // Eight average characters, the average being the letter "x".
  const int stop = width("\tx") - c.TextWidth("x");
  EXPECT_EQ(stop, 8 * c.TextWidth("x"));
  ASSERT_GT(stop, c.TextWidth("QX"));
  std::string pastStop = "Q";
  while (c.TextWidth(pastStop) <= stop) pastStop += 'Q';
  struct Case { std::string text; int expected; unsigned flags = DT_SINGLELINE; };
  const Case cases[] = {
      {"QX\t24", stop + c.TextWidth("24")},
      {"\t\tx", 2 * stop + c.TextWidth("x")},
      {"a\tb\tc\td", 3 * stop + c.TextWidth("d")},
      {pastStop + "\ty", 2 * stop + c.TextWidth("y")},
      {"QX\t", stop},
      {pastStop + "\n\tx", std::max(c.TextWidth(pastStop), stop + c.TextWidth("x")), 0},  // stops start each line
  };
  for (const Case& k : cases) EXPECT_EQ(width(k.text.c_str(), k.flags), k.expected) << k.text;
  // Without the flag a tab is a character like any other.
  TRect plain{0, 0, 1000, 30};
  c.DrawText("\tx", plain, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(plain.Width(), c.TextWidth("\tx"));

  // The text after the tab is drawn at the stop.
  c.Brush()->SetColor(clWhite);
  c.FillRect({0, 0, 400, 30});
  c.Brush()->SetStyle(bsClear);
  c.Font()->SetColor(clBlack);
  TRect r{0, 0, 400, 30};
  c.DrawText("\tW", r, DT_SINGLELINE | DT_EXPANDTABS);
  int firstInk = 400, lastInk = -1;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 400; ++x)
      if (c.Pixels(x, y) != clWhite) firstInk = std::min(firstInk, x), lastInk = std::max(lastInk, x);
  EXPECT_GE(firstInk, stop - 1);
  EXPECT_LE(lastInk, stop + c.TextWidth("W"));
}

TEST(Canvas, ClippingLimitsEveryDrawing) {
  Paper p;
  p.c->SetClipRect({10, 10, 20, 20});
  p.c->Brush()->SetColor(clBlack);
  p.c->FillRect({0, 0, 40, 30});
  p.c->SetPixel(0, 0, clBlack);
  EXPECT_EQ(p.InkCount(), 100);
  EXPECT_EQ(p.c->ClipRect(), (TRect{10, 10, 20, 20}));
  p.c->ExcludeClipRect({10, 10, 15, 20});
  p.c->ResetClip();
  p.c->FillRect({0, 0, 1, 1});
  EXPECT_EQ(p.c->Pixels(0, 0), clBlack);
}

TEST(Canvas, EdgesUseTheButtonColours) {
  Paper p;
  TRect r{0, 0, 10, 10};
  DrawEdge(p.c, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  EXPECT_EQ(r, (TRect{2, 2, 8, 8}));
  EXPECT_EQ(p.c->Pixels(0, 5), ColorToRGB(cl3DLight));
  EXPECT_EQ(p.c->Pixels(9, 5), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(p.c->Pixels(9, 0), ColorToRGB(cl3DDkShadow));  // the shadow owns the far corners
  EXPECT_EQ(p.c->Pixels(1, 5), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(p.c->Pixels(8, 5), ColorToRGB(clBtnShadow));
  EXPECT_EQ(p.c->Pixels(5, 5), clWhite);

  TRect check{20, 0, 33, 13};
  DrawFrameControl(p.c, &check, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  int dark = 0;
  for (int y = 2; y < 11; ++y)
    for (int x = 22; x < 31; ++x) dark += p.c->Pixels(x, y) == ColorToRGB(clWindowText);
  EXPECT_GT(dark, 10);
}

TEST(Canvas, ShapesStayInsideTheirBounds) {
  Paper p;
  p.c->Pen()->SetColor(clBlack);
  p.c->Brush()->SetColor(clBlue);
  p.c->Ellipse(5, 5, 25, 25);
  p.c->Pie(5, 5, 25, 25, 25, 15, 15, 5);  // a quarter, upper right
  p.c->Polygon({{30, 5}, {38, 5}, {34, 12}});
  for (int y = 0; y < 30; ++y)
    for (int x : p.InkInRow(y)) {
      const bool inEllipse = x >= 5 && x < 25 && y >= 5 && y < 25;
      const bool inPolygon = x >= 30 && x <= 38 && y >= 5 && y <= 12;
      EXPECT_TRUE(inEllipse || inPolygon) << x << "," << y;
    }
  EXPECT_EQ(p.c->Pixels(15, 15), clBlue);
  EXPECT_EQ(p.c->Pixels(34, 7), clBlue);
}

// An owner-drawn control that counts its paints.
class Swatch : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    Canvas()->Brush()->SetColor(clYellow);
    Canvas()->FillRect(ClientRect());
  }
};

TEST(Canvas, OwnerDrawnControlsKeepABackingImage) {
  Swatch swatch(nullptr);
  swatch.SetBounds(0, 0, 30, 20);
  swatch.Repaint();
  EXPECT_EQ(swatch.paints, 1);
  EXPECT_EQ(FromQColor(swatch.BackingImage().pixelColor(29, 19)), clYellow);
  // Drawing outside Paint stays until the next paint.
  swatch.Canvas()->Brush()->SetColor(clRed);
  swatch.Canvas()->FillRect({0, 0, 5, 5});
  swatch.Update();
  EXPECT_EQ(swatch.paints, 1);
  EXPECT_EQ(FromQColor(swatch.BackingImage().pixelColor(1, 1)), clRed);
  swatch.Invalidate();
  swatch.Update();
  EXPECT_EQ(swatch.paints, 2);
  EXPECT_EQ(FromQColor(swatch.BackingImage().pixelColor(1, 1)), clYellow);
  swatch.SetBounds(0, 0, 50, 40);
  swatch.Update();
  EXPECT_EQ(swatch.BackingImage().size(), QSize(50, 40));
  EXPECT_EQ(FromQColor(swatch.BackingImage().pixelColor(49, 39)), clYellow);
}

TEST(Canvas, PicturesLoadByContent) {
  const QString dir = QDir::tempPath();
  QImage source(6, 4, QImage::Format_RGB32);
  source.fill(qRgb(255, 0, 0));
  for (const char* format : {"BMP", "PNG", "JPG"}) {
    const QString path = dir + "/fw_picture_test." + QString(format).toLower() + ".bin";
    ASSERT_TRUE(source.save(path, format));
    TPicture picture;
    picture.LoadFromFile(path.toStdString());
    EXPECT_EQ(picture.Width(), 6) << format;
    EXPECT_EQ(picture.Height(), 4) << format;
    EXPECT_GT(GetRValue(FromQColor(picture.Graphic()->Image().pixelColor(2, 2))), 200) << format;
    QFile::remove(path);
  }
  const QString junk = dir + "/fw_picture_junk.png";
  QFile file(junk);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a picture");
  file.close();
  TPicture picture;
  EXPECT_THROW(picture.LoadFromFile(junk.toStdString()), EInvalidGraphic);
  EXPECT_THROW(picture.LoadFromFile((dir + "/fw_no_such_file.bmp").toStdString()), EFOpenError);
  QFile::remove(junk);
}

TEST(Canvas, FloodFillStopsAtTheBorderOrSpreadsOverASurface) {
  Paper paper;
  TCanvas* c = paper.c;
  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetColor(clBlack);
  c->Rectangle(5, 5, 15, 12);  // outline: inside is 8 x 5
  c->Brush()->SetColor(clRed);
  c->FloodFill(8, 8, clBlack, fsBorder);
  EXPECT_EQ(c->Pixels(6, 6), clRed);
  EXPECT_EQ(c->Pixels(13, 10), clRed);
  EXPECT_EQ(c->Pixels(5, 5), clBlack);
  EXPECT_EQ(c->Pixels(4, 8), clWhite);

  // The surface outside the frame, limited by the clip.
  c->SetClipRect({0, 0, 20, 30});
  c->Brush()->SetColor(clBlue);
  c->FloodFill(1, 1, clWhite, fsSurface);
  c->ResetClip();
  EXPECT_EQ(c->Pixels(19, 29), clBlue);
  EXPECT_EQ(c->Pixels(20, 0), clWhite);
  EXPECT_EQ(c->Pixels(8, 8), clRed);
  // A start outside the image or the clip fills nothing.
  c->FloodFill(-1, 3, clBlack, fsBorder);
  c->FloodFill(40, 3, clBlack, fsBorder);
  EXPECT_EQ(c->Pixels(39, 3), clWhite);
}

TEST(Canvas, FontsFollowTheDeviceResolution) {
  TCanvas canvas;
  QImage screen(100, 40, QImage::Format_RGB32);
  canvas.Attach(&screen);
  // A scalable face: the screen's "MS Sans Serif" keeps its designed sizes.
  canvas.Font()->SetName("Tahoma");
  const TSize atScreen = canvas.TextExtent("Preview");
  // A preview image at twice the screen resolution draws text twice as big.
  QImage preview(200, 80, QImage::Format_RGB32);
  preview.setDotsPerMeterX(7559);  // 192 dots per inch
  preview.setDotsPerMeterY(7559);
  canvas.AttachDevice(&preview);
  EXPECT_EQ(GetDeviceCaps(&canvas, LOGPIXELSY), 192);
  const TSize atPreview = canvas.TextExtent("Preview");
  EXPECT_NEAR(atPreview.cy, 2 * atScreen.cy, 2);
  EXPECT_NEAR(atPreview.cx, 2 * atScreen.cx, atScreen.cx / 5);
}

TEST(Canvas, TextIsMeasuredInTheFontOfTheMoment) {
  TCanvas canvas;
  QImage image(100, 40, QImage::Format_RGB32);
  canvas.Attach(&image);
  canvas.Font()->SetName("DejaVu Sans");
  canvas.Font()->SetSize(8);
  const TSize small = canvas.TextExtent("Measured");
  // A colour or a turn leaves the sizes as they are; a size or style does not.
  canvas.Font()->SetColor(clRed);
  canvas.Font()->SetOrientation(900);
  EXPECT_EQ(canvas.TextExtent("Measured"), small);
  canvas.Font()->SetSize(16);
  const TSize large = canvas.TextExtent("Measured");
  EXPECT_GT(large.cx, small.cx);
  EXPECT_GT(large.cy, small.cy);
  canvas.Font()->SetSize(8);
  canvas.Font()->SetStyle(fsBold);
  EXPECT_GT(canvas.TextWidth("Measured"), small.cx);
  canvas.Font()->SetStyle(0);
  EXPECT_EQ(canvas.TextExtent("Measured"), small);
  EXPECT_LT(canvas.TextWidth("Measure"), small.cx);
}

// The words pdftotext finds in a PDF, with their boxes in points.
struct PdfWord {
  QString text;
  double xMin, yMin, xMax, yMax;
  int page;
};

std::vector<PdfWord> PdfWords(const QString& path) {
  QProcess run;
  run.start("pdftotext", {"-bbox", path, "-"});
  if (!run.waitForFinished(30000)) return {};
  const QString html = QString::fromUtf8(run.readAllStandardOutput());
  std::vector<PdfWord> words;
  int page = 0;
  static const QRegularExpression token(
      R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  for (auto it = token.globalMatch(html); it.hasNext();) {
    const auto m = it.next();
    if (m.captured(0) == "<page ") {
      ++page;
      continue;
    }
    words.push_back({m.captured(5), m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                     m.captured(4).toDouble(), page});
  }
  return words;
}

TEST(Canvas, WritesPdfPagesInTenthsOfAMillimetre) {
  if (QProcess::execute("sh", {"-c", "command -v pdftotext >/dev/null"}) != 0) GTEST_SKIP() << "no pdftotext";
  QTemporaryDir dir;
  const QString path = dir.filePath("pages.pdf");
  {
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setPageMargins(QMarginsF());  // the origin at the paper's corner
    TCanvas canvas;
    canvas.AttachDevice(&writer);
    // Nothing is drawn before the document is begun.
    canvas.TextOut(0, 0, "Lost");
    ASSERT_TRUE(canvas.BeginDoc());
    EXPECT_EQ(SetMapMode(&canvas, MM_LOMETRIC), MM_TEXT);
    const TRect page = canvas.ClipRect();
    EXPECT_EQ(page.Top, 0);
    EXPECT_LT(page.Bottom, -2000);  // y grows upward from the top edge
    canvas.Pen()->SetColor(clBlack);
    canvas.Rectangle(100, -100, 1000, -600);
    canvas.Font()->SetName("Tahoma");
    canvas.Font()->SetSize(12);
    canvas.TextOut(200, -200, "Cells");
    ASSERT_TRUE(canvas.NewPage());
    TRect box{200, -300, 1200, -400};
    canvas.DrawText("Second", box, DT_SINGLELINE);
    canvas.EndDoc();
  }
  const std::vector<PdfWord> words = PdfWords(path);
  ASSERT_EQ(words.size(), 2u) << (words.empty() ? "" : words[0].text.toStdString());
  constexpr double kPointsPerUnit = 72 / 254.0;
  const PdfWord& first = words[0];
  EXPECT_EQ(first.text, "Cells");
  EXPECT_EQ(first.page, 1);
  EXPECT_NEAR(first.xMin, 200 * kPointsPerUnit, 3);
  EXPECT_NEAR(first.yMin, 200 * kPointsPerUnit, 3);
  // 12 points tall whatever the device's resolution.
  EXPECT_NEAR(first.yMax - first.yMin, 12 * 1.15, 3);
  EXPECT_EQ(words[1].text, "Second");
  EXPECT_EQ(words[1].page, 2);
  EXPECT_NEAR(words[1].yMin - first.yMin, 100 * kPointsPerUnit, 1);
}

}  // namespace
