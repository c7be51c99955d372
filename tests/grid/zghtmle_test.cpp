// The mark-up engine drawn on a recording canvas in the fixed test face:
// where each piece of text goes and in which font and colours, what a
// measure and a hit test return, pictures, controls and the label variant.
#include <gtest/gtest.h>

#include <QImage>
#include <filesystem>

#include "framework/testing/recordingtheme.h"
#include "grid/picturecontainer.h"
#include "grid/zghtmle.h"
#include "framework/streams.h"
#include "tests/support/giffixture.h"
#include "tests/support/recordingcanvas.h"
#include "tests/support/scratch.h"

namespace {

using benchtest::RecordingCanvas;

struct Options {
  TRect bounds{0, 0, 300, 100};
  int x = -1;
  int y = -1;
  int focusLink = -1;
  int hoverLink = 0;
  bool hitTestOnly = false;
  bool measureOnly = false;
  bool selected = false;
  bool hoverOnly = false;
  bool wordWrap = true;
  bool blinkOn = true;
  bool controlDown = false;
  TColor hoverColor = clNone;
  TColor hoverFontColor = clNone;
  TImageList* images = nullptr;
  THTMLPictureCache* cache = nullptr;
  TPictureContainer* container = nullptr;
  AnsiString controlID = "";
};

struct Drawn {
  bool hit = false;
  AnsiString anchor, plain, focus, title, controlID, controlValue, controlType;
  int xSize = 0, ySize = 0, links = 0, mouseLink = 0;
  TRect hoverRect, controlRect;
};

Drawn Draw(TCanvas& canvas, const AnsiString& text, const Options& o = {}) {
  Drawn d;
  d.controlID = o.controlID;
  d.hit = HTMLDrawEx(&canvas, text, o.bounds, o.images, o.x, o.y, o.focusLink, o.hoverLink, 2, o.hitTestOnly,
                     o.measureOnly, false, o.blinkOn, o.selected, o.hoverOnly, o.wordWrap, o.controlDown, 1.0, clBlue,
                     o.hoverColor, o.hoverFontColor, clGray, d.anchor, d.plain, d.focus, d.title, d.xSize, d.ySize,
                     d.links, d.mouseLink, d.hoverRect, d.controlRect, d.controlID, d.controlValue, d.controlType,
                     o.cache, o.container, nullptr);
  return d;
}

class MarkupEngine : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(rec.fontFound) << "the fixed test face is missing (fonts-dejavu-core)"; }
  int Width(const AnsiString& s) { return rec.canvas.TextWidth(s); }
  int GhHeight() { return rec.canvas.TextHeight("gh"); }
  // The DrawText call that drew text.
  const TCanvasCall& Drew(const AnsiString& text) {
    const TCanvasCall* call = rec.Text(text);
    if (!call) ADD_FAILURE() << "not drawn: " << text;
    static const TCanvasCall none;
    return call ? *call : none;
  }

  RecordingCanvas rec{400, 200};
};

TEST_F(MarkupEngine, EmptyTextMeasuresTheHeightOfOneLine) {
  const Drawn d = Draw(rec.canvas, "", {.measureOnly = true});
  EXPECT_FALSE(d.hit);
  EXPECT_EQ(d.xSize, 0);
  EXPECT_EQ(d.ySize, GhHeight());
  EXPECT_EQ(d.mouseLink, -1);
}

TEST_F(MarkupEngine, PiecesFollowEachOtherInTheirFonts) {
  const Drawn d = Draw(rec.canvas, "ab <b>cd</b><i>e</i> <u>f</u><s>g</s>");
  const TCanvasCall& ab = Drew("ab ");
  const TCanvasCall& cd = Drew("cd");
  EXPECT_EQ(ab.args[0], 1);  // one pixel in from the left edge
  EXPECT_EQ(cd.args[0], 1 + Width("ab "));
  EXPECT_EQ(ab.fontStyle, 0u);
  EXPECT_EQ(cd.fontStyle, unsigned(fsBold));
  EXPECT_EQ(Drew("e").fontStyle, unsigned(fsItalic));
  EXPECT_EQ(Drew("f").fontStyle, unsigned(fsUnderline));
  EXPECT_EQ(Drew("g").fontStyle, unsigned(fsStrikeOut));
  EXPECT_EQ(Drew("cd").args[4] & DT_NOPREFIX, unsigned(DT_NOPREFIX));
  EXPECT_EQ(d.plain, "ab cde fg");
  EXPECT_EQ(d.ySize, GhHeight());
  // Pen, brush and font are as they were.
  EXPECT_EQ(rec.canvas.Font()->Style(), 0u);
  EXPECT_EQ(rec.canvas.Font()->Name(), benchtest::kTestFontName);
  EXPECT_EQ(rec.canvas.Brush()->Color(), clWhite);
}

TEST_F(MarkupEngine, FontTagsSetFaceColourAndSize) {
  Draw(rec.canvas,
       "<FONT COLOR=\"#ff0000\">a</FONT><font color=\"CLNAVY\">b</font><FONT COLOR=\"clnosuch\">c</FONT>"
       "<FONT SIZE=\"3\">d</FONT><FONT size=\"9\">e</FONT><FONT COLOR=\"#GG0000\">f</FONT>g");
  EXPECT_EQ(Drew("a").fontColor, 0x0000FF);
  EXPECT_EQ(Drew("b").fontColor, 0x800000);
  EXPECT_EQ(Drew("c").fontColor, clBlack);
  EXPECT_EQ(Drew("d").fontSize, 12);
  EXPECT_EQ(Drew("e").fontSize, 9);
  // Digits that are not hexadecimal leave the colour as it was.
  EXPECT_EQ(Drew("f").fontColor, clBlack);
  EXPECT_EQ(Drew("g").fontSize, 10);
}

TEST_F(MarkupEngine, NestedFontTagsRestoreTheFontTheyFound) {
  Draw(rec.canvas,
       "<FONT COLOR=\"clRed\" SIZE=\"4\">a<FONT COLOR=\"clBlue\" SIZE=\"1\">b</FONT>c</FONT>d"
       "<B><B>x</B>y");
  EXPECT_EQ(Drew("a").fontColor, clRed);
  EXPECT_EQ(Drew("b").fontColor, clBlue);
  EXPECT_EQ(Drew("b").fontSize, 8);
  EXPECT_EQ(Drew("c").fontColor, clRed);
  EXPECT_EQ(Drew("c").fontSize, 14);
  EXPECT_EQ(Drew("d").fontColor, clBlack);
  EXPECT_EQ(Drew("d").fontSize, 10);
  // Flags do not nest: one </B> ends bold.
  EXPECT_EQ(Drew("y").fontStyle, 0u);
}

TEST_F(MarkupEngine, BreaksEntitiesAndTheEndOfTheText) {
  Drawn d = Draw(rec.canvas, "a<BR>b&amp;c &copy; &AMP; &lt;x&gt; &LT;");
  EXPECT_EQ(d.plain, "a\rb&c \xC2\xA9 & <x> &LT;");
  EXPECT_EQ(d.ySize, 2 * GhHeight());
  EXPECT_GT(Drew("b&c ").args[1], Drew("a").args[1]);
  // A carriage return is a break; a line feed is dropped.
  EXPECT_EQ(Draw(rec.canvas, "a\r\nb").plain, "a\rb");
  // "<#word>" shows as "#word".
  EXPECT_EQ(Draw(rec.canvas, "<#tag> x").plain, "#tag x");
  // A "<" at the end or without ">" ends the text.
  EXPECT_EQ(Draw(rec.canvas, "ab<").plain, "ab");
  EXPECT_EQ(Draw(rec.canvas, "ab<x").plain, "ab");
  EXPECT_EQ(Draw(rec.canvas, "a<b c").plain, "a");
  // Unknown tags are removed without effect.
  EXPECT_EQ(Draw(rec.canvas, "a<DIV>b<TABLE>c").plain, "abc");
}

TEST_F(MarkupEngine, SubscriptAndSuperscriptTakeExactTagsAndRaiseTheLine) {
  const int h = GhHeight();
  EXPECT_EQ(Draw(rec.canvas, "a<SUB>b</SUB>", {.measureOnly = true}).ySize, h + h / 4);
  EXPECT_EQ(Draw(rec.canvas, "a<sup>b</sup><sub>c</sub>", {.measureOnly = true}).ySize, h + 2 * (h / 4));
  // A SUB tag with an attribute is not subscript.
  EXPECT_EQ(Draw(rec.canvas, "a<SUB x=\"1\">b", {.measureOnly = true}).ySize, h);
  rec.calls.clear();
  Draw(rec.canvas, "a<SUB>b</SUB><SUP>c</SUP>");
  EXPECT_EQ(Drew("b").args[3], Drew("a").args[3] + h / 4);
  EXPECT_EQ(Drew("c").args[3], Drew("a").args[3] - h / 4);
}

TEST_F(MarkupEngine, ListItemsGoOnLinesOfTheirOwnWithBullets) {
  const Drawn d = Draw(rec.canvas, "<UL><LI>one<LI>two</UL>");
  const TCanvasCall& one = Drew("one");
  const TCanvasCall& two = Drew("two");
  EXPECT_EQ(one.args[0], 1 + 12);
  EXPECT_EQ(two.args[0], 1 + 12);
  EXPECT_EQ(two.args[1], one.args[1] + GhHeight());
  EXPECT_EQ(rec.Named("DrawText").size(), 4u);  // two bullets, two words
  EXPECT_EQ(d.xSize, 12 + Width("one"));
  // Outside a list the bullet stands left of the text and takes no room.
  rec.calls.clear();
  Draw(rec.canvas, "<LI>x");
  EXPECT_EQ(Drew("x").args[0], 1);
}

TEST_F(MarkupEngine, WrappingAtBlanksAndEllipsisWithout) {
  // A piece fits with its trailing blank; the line's width leaves it out.
  const Options narrow{.bounds = {0, 0, Width("aaa bbb ") + 2, 100}};
  Drawn d = Draw(rec.canvas, "aaa bbb ccc", narrow);
  EXPECT_EQ(Drew("ccc").args[0], 1);
  EXPECT_EQ(Drew("ccc").args[1], Drew("aaa ").args[1] + GhHeight());
  EXPECT_EQ(d.xSize, Width("aaa bbb"));
  // A word wider than the rectangle stays on its line.
  d = Draw(rec.canvas, "abcdefghijklmnop", {.bounds = {0, 0, 20, 100}, .measureOnly = true});
  EXPECT_EQ(d.ySize, GhHeight());
  // Without wrapping the first overflowing piece is the last shown, with an
  // ellipsis.
  rec.calls.clear();
  d = Draw(rec.canvas, "aaa <U>bbb </U>ccc ddd<BR>eee", {.bounds = {0, 0, Width("aaa bbb ") + 3, 100}, .wordWrap = false});
  EXPECT_EQ(rec.Texts(), (std::vector<AnsiString>{"aaa ", "bbb ", "ccc ddd"}));
  EXPECT_TRUE(rec.Named("DrawText")[2].args[4] & DT_END_ELLIPSIS);
  EXPECT_EQ(d.ySize, GhHeight());
}

// A tab takes a piece's text to the next tab stop counted from the piece's
// start, in the measure as in the drawing, in both variants.
TEST_F(MarkupEngine, TabsReachTheNextStopOfTheirPiece) {
  TRect probe{0, 0, 1, 1};
  rec.canvas.DrawText("\tx", probe, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
  const int stop = probe.Width() - Width("x");
  ASSERT_GT(stop, Width("ab"));
  EXPECT_EQ(Draw(rec.canvas, "ab\tc", {.measureOnly = true}).xSize, stop + Width("c"));
  EXPECT_EQ(Draw(rec.canvas, "a\tb\tc\td", {.bounds = {0, 0, 1000, 100}, .measureOnly = true}).xSize,
            3 * stop + Width("d"));
  Draw(rec.canvas, "ab\tc <b>d</b>", {.bounds = {0, 0, 1000, 100}});
  EXPECT_EQ(Drew("d").args[0], 1 + stop + Width("c "));

  AnsiString anchor, plain, focus;
  int xSize = 0, ySize = 0, links = 0, mouseLink = 0;
  TRect hover;
  HTMLDrawEx(&rec.canvas, "ab\tc", {0, 0, 1000, 100}, nullptr, -1, -1, -1, 0, 2, false, true, false, true, false,
             false, true, 1.0, clBlue, clNone, clNone, clGray, anchor, plain, focus, xSize, ySize, links, mouseLink,
             hover, nullptr, nullptr, 0);
  EXPECT_EQ(xSize, stop + Width("c"));
}

TEST_F(MarkupEngine, DrawingStopsAtTheBottomMeasuringGoesOn) {
  const AnsiString text = "1<BR>2<BR>3<BR>4";
  const int h = GhHeight();
  const Drawn drawn = Draw(rec.canvas, text, {.bounds = {0, 0, 100, 2 * h + h / 2}});
  EXPECT_EQ(rec.Texts(), (std::vector<AnsiString>{"1", "2"}));
  EXPECT_EQ(drawn.plain, "1\r2\r");
  EXPECT_EQ(Draw(rec.canvas, text, {.bounds = {0, 0, 100, 2 * h}, .measureOnly = true}).ySize, 4 * h);
}

TEST_F(MarkupEngine, ParagraphAlignmentIndentAndRule) {
  Draw(rec.canvas, "<P ALIGN=\"RIGHT\">ab</P><P align=\"center\">cd</P><P INDENT=\"7\" ALIGN=\"LEFT\">ef<HR>gh",
       {.bounds = {0, 0, 200, 200}});
  EXPECT_EQ(Drew("ab").args[0], 200 - Width("ab"));
  EXPECT_EQ(Drew("cd").args[0], 1 + (200 - 1 - Width("cd")) / 2);
  EXPECT_EQ(Drew("ef").args[0], 1 + 7);
  EXPECT_EQ(Drew("gh").args[0], 1 + 7);
  const std::vector<TCanvasCall> lines = rec.Named("LineTo");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].penColor, clBlack);
  EXPECT_EQ(lines[0].args[0], 200);
}

TEST_F(MarkupEngine, AnchorsAreFoundByHitTestsWithTheirTitles) {
  const AnsiString text = "go <A HREF=\"Docs/Page\" title=\"More here\">there</A> now";
  const int x = 1 + Width("go ") + 2;
  const int y = GhHeight() / 2;
  Drawn d = Draw(rec.canvas, text, {.x = x, .y = y, .hitTestOnly = true});
  EXPECT_TRUE(d.hit);
  EXPECT_EQ(d.anchor, "Docs/Page");  // as written
  EXPECT_EQ(d.title, "MORE HERE");
  EXPECT_EQ(d.mouseLink, 1);
  EXPECT_EQ(d.links, 1);
  EXPECT_EQ(d.hoverRect, (TRect{1 + Width("go "), 0, 1 + Width("go there"), GhHeight()}));
  EXPECT_TRUE(rec.Named("DrawText").empty());  // hit tests draw nothing

  d = Draw(rec.canvas, text, {.x = 1, .y = y, .hitTestOnly = true});
  EXPECT_FALSE(d.hit);
  EXPECT_EQ(d.mouseLink, -1);
  // Below the line's text band the anchor is not hit.
  EXPECT_FALSE(Draw(rec.canvas, text, {.x = x, .y = GhHeight() + 3, .hitTestOnly = true}).hit);
  // Drawing reports no anchor through its text.
  EXPECT_FALSE(Draw(rec.canvas, text, {.x = x, .y = y}).hit);
}

TEST_F(MarkupEngine, AnchorColoursFocusAndHover) {
  const AnsiString text = "<A HREF=\"1\">one</A> <A HREF=\"2\">two</A> x";
  Drawn d = Draw(rec.canvas, text, {.focusLink = 1});
  EXPECT_EQ(Drew("one").fontColor, clBlue);
  EXPECT_EQ(Drew("one").fontStyle, unsigned(fsUnderline));
  EXPECT_EQ(Drew("x").fontColor, clBlack);
  EXPECT_EQ(Drew("x").fontStyle, 0u);
  EXPECT_EQ(d.focus, "2");
  const std::vector<TCanvasCall> focus = rec.Named("DrawFocusRect");
  ASSERT_EQ(focus.size(), 1u);
  EXPECT_EQ(focus[0].args[0], 1 + Width("one ") - 1);
  EXPECT_EQ(focus[0].args[2], 1 + Width("one two") + 1);

  rec.calls.clear();
  Draw(rec.canvas, text, {.hoverLink = 2, .hoverOnly = true, .hoverColor = clYellow, .hoverFontColor = clRed});
  EXPECT_EQ(Drew("one").fontStyle, 0u);
  EXPECT_EQ(Drew("one").fontColor, clBlue);
  EXPECT_EQ(Drew("two").fontStyle, unsigned(fsUnderline));
  EXPECT_EQ(Drew("two").fontColor, clRed);
  EXPECT_EQ(Drew("two").brushColor, clYellow);
  EXPECT_EQ(Drew("x").brushStyle, bsClear);

  // Drawing selected keeps the caller's colours.
  rec.calls.clear();
  rec.canvas.Font()->SetColor(clWhite);
  Draw(rec.canvas, "<FONT COLOR=\"clRed\">a</FONT><A HREF=\"h\">b</A>", {.selected = true});
  EXPECT_EQ(Drew("a").fontColor, clWhite);
  EXPECT_EQ(Drew("b").fontColor, clWhite);
}

TEST_F(MarkupEngine, FlagsLeftOpenOnALineDoNotReachBackToItsStart) {
  Draw(rec.canvas, "one <SHAD>two<BR>three <E>four");
  // Only "two" is shadowed (drawn twice); "one" before the tag once.
  const std::vector<AnsiString> texts = rec.Texts();
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "one "), 1);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "two"), 2);
  // The shadow stays on across the break; the error line starts at "four".
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "three "), 2);
  const std::vector<TCanvasCall> zigzags = rec.Named("Polyline");
  ASSERT_EQ(zigzags.size(), 1u);
  EXPECT_EQ(zigzags[0].penColor, clRed);
}

TEST_F(MarkupEngine, HiddenHighlightAndBlink) {
  Drawn d = Draw(rec.canvas, "a<Z>secret</Z>b<HI>c</HI>d<BLINK>e</BLINK>", {.blinkOn = false});
  EXPECT_EQ(rec.Text("secret"), nullptr);
  EXPECT_EQ(d.plain, "abcde");
  EXPECT_EQ(Drew("b").args[0], 1 + Width("a"));
  EXPECT_EQ(Drew("c").brushColor, clHighlight);
  EXPECT_EQ(Drew("c").fontColor, clHighlightText);
  EXPECT_EQ(Drew("d").brushStyle, bsClear);
  EXPECT_EQ(Drew("d").fontColor, clBlack);
  EXPECT_EQ(Drew("e").fontColor, clWhite);  // the background at the call
}

TEST_F(MarkupEngine, BodyFillsTheRectangle) {
  Draw(rec.canvas, "<BODY BGCOLOR=\"clYellow\">a", {.bounds = {5, 5, 105, 55}});
  const std::vector<TCanvasCall> fills = rec.Named("Rectangle");
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].args, (std::vector<int>{5, 5, 105, 55}));
  EXPECT_EQ(fills[0].brushColor, clYellow);
  EXPECT_EQ(Drew("a").brushColor, clYellow);
  EXPECT_EQ(rec.Image().pixelColor(50, 50), QColor(Qt::yellow));
}

// A picture of w x h pixels in one colour, as PNG bytes in a file.
AnsiString WritePicture(const benchtest::TempDir& dir, const char* name, int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::red);
  const AnsiString path = dir.File(name);
  image.save(QString::fromStdString(path), "PNG");
  return path;
}

TEST_F(MarkupEngine, PicturesFromTheContainerAndFiles) {
  const benchtest::TempDir dir;
  const AnsiString path = WritePicture(dir, "Logo.png", 20, 30);
  TPictureContainer container(nullptr);
  TPictureItem* item = container.Items()->Add();
  item->SetName("logo");
  item->Picture()->LoadFromFile(path);
  THTMLPictureCache cache;

  Drawn d = Draw(rec.canvas, "a<IMG SRC=\"LOGO\">b", {.cache = &cache, .container = &container});
  EXPECT_EQ(d.xSize, Width("a") + 20 + Width("b"));
  EXPECT_EQ(d.ySize, 30);
  EXPECT_EQ(Drew("b").args[0], 1 + Width("a") + 20);
  const std::vector<TCanvasCall> drawn = rec.Named("StretchDraw");
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].args, (std::vector<int>{1 + Width("a"), 0, 1 + Width("a") + 20, 30}));

  // Files are named as written: a name in other letters is another file.
  d = Draw(rec.canvas, "<IMG SRC=\"file://" + path + "\" WIDTH=\"8\" HEIGHT=\"6\">", {.measureOnly = true, .cache = &cache});
  EXPECT_EQ(d.xSize, 8);
  EXPECT_EQ(d.ySize, GhHeight());
  const AnsiString wrongCase = (std::filesystem::path(path).parent_path() / "LOGO.PNG").string();
  d = Draw(rec.canvas, "x<IMG SRC=\"file://" + wrongCase + "\">", {.measureOnly = true, .cache = &cache});
  EXPECT_EQ(d.xSize, Width("x"));
  EXPECT_EQ(cache.Count(), 2);
  // Without a cache or container, or with an unknown source, nothing shows.
  EXPECT_EQ(Draw(rec.canvas, "<IMG SRC=\"logo\"><IMG SRC=\"web:x\">", {.measureOnly = true}).xSize, 0);
}

TEST_F(MarkupEngine, PictureInsideAnAnchorIsHit) {
  const benchtest::TempDir dir;
  TPictureContainer container(nullptr);
  TPictureItem* item = container.Items()->Add();
  item->SetName("pic");
  item->Picture()->LoadFromFile(WritePicture(dir, "p.png", 20, 20));
  const Drawn d = Draw(rec.canvas, "<A HREF=\"open\"><IMG SRC=\"pic\"></A>",
                       {.x = 10, .y = 10, .hitTestOnly = true, .container = &container});
  EXPECT_TRUE(d.hit);
  EXPECT_EQ(d.anchor, "open");
}

TEST_F(MarkupEngine, ImageListPictures) {
  TImageList images(nullptr, 16, 16);
  TBitmap strip;
  strip.SetSize(32, 16);
  images.AddMasked(strip, clFuchsia);
  EXPECT_EQ(Draw(rec.canvas, "<IMG SRC=\"IDX:1\">", {.measureOnly = true, .images = &images}).xSize, 16);
  EXPECT_EQ(Draw(rec.canvas, "<IMG SRC=\"idx:2\">", {.measureOnly = true, .images = &images}).xSize, 0);
  EXPECT_EQ(Draw(rec.canvas, "<IMG SRC=\"IDX:0\">", {.measureOnly = true}).xSize, 0);
}

TEST_F(MarkupEngine, AnimatedPictureShowsItsFrameOnTheClearedScreen) {
  const std::string gif = benchtest::MakeGif(12, 10, {{.left = 0, .top = 0, .width = 12, .height = 10, .colorIndex = 1},
                                                      {.left = 4, .top = 3, .width = 5, .height = 4, .colorIndex = 2}});
  TPictureContainer container(nullptr);
  TPictureItem* item = container.Items()->Add();
  item->SetName("anim");
  TMemoryStream stream;
  stream.WriteBuffer(gif.data(), static_cast<std::int64_t>(gif.size()));
  stream.SetPosition(0);
  item->Picture()->LoadFromStream(&stream);
  item->Picture()->SetFrame(2);
  rec.canvas.Brush()->SetColor(clAqua);
  const Drawn d = Draw(rec.canvas, "<IMG SRC=\"anim\">", {.container = &container});
  EXPECT_EQ(d.xSize, 12);
  const std::vector<TCanvasCall> cleared = rec.Named("FillRect");
  ASSERT_EQ(cleared.size(), 1u);
  EXPECT_EQ(cleared[0].args, (std::vector<int>{1, 0, 13, 10}));
  EXPECT_EQ(cleared[0].brushColor, clAqua);
  const std::vector<TCanvasCall> drawn = rec.Named("StretchDraw");
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0].args, (std::vector<int>{1 + 4, 3, 1 + 4 + 5, 3 + 4}));
}

TEST_F(MarkupEngine, BodyBackgroundIsTiledOverTheRectangleOnly) {
  const benchtest::TempDir dir;
  TPictureContainer container(nullptr);
  TPictureItem* item = container.Items()->Add();
  item->SetName("tile");
  item->Picture()->LoadFromFile(WritePicture(dir, "t.png", 10, 10));
  container.Items()->Add()->SetName("empty");
  Draw(rec.canvas, "<BODY BACKGROUND=\"tile\">x", {.bounds = {0, 0, 25, 25}, .container = &container});
  EXPECT_EQ(rec.Named("StretchDraw").size(), 9u);
  EXPECT_EQ(rec.Image().pixelColor(24, 24), QColor(Qt::red));
  EXPECT_EQ(rec.Image().pixelColor(26, 5), QColor(Qt::white));
  // An empty picture draws nothing (and does not loop).
  rec.calls.clear();
  Draw(rec.canvas, "<BODY BACKGROUND=\"empty\">x", {.bounds = {0, 0, 25, 25}, .container = &container});
  EXPECT_TRUE(rec.Named("StretchDraw").empty());
}

TEST_F(MarkupEngine, RotatedTextRestoresTheRotationItFound) {
  Draw(rec.canvas, "a<R a=\"90\">b<R A=\"45\">c</R>d</R>e");
  EXPECT_EQ(Drew("a").fontOrientation, 0);
  EXPECT_EQ(Drew("b").fontOrientation, 900);
  EXPECT_EQ(Drew("c").fontOrientation, 450);
  EXPECT_EQ(Drew("d").fontOrientation, 900);
  EXPECT_EQ(Drew("e").fontOrientation, 0);
  EXPECT_EQ(rec.canvas.Font()->Orientation(), 0);
}

TEST_F(MarkupEngine, IndentParagraphBackgroundAndPictureAlignment) {
  Draw(rec.canvas, "a<IND x=\"50\">b<IND x=\"5\">c<BR><P BGCOLOR=\"#00FF00\">d</P>e", {.bounds = {0, 0, 200, 100}});
  EXPECT_EQ(Drew("b").args[0], 50);
  EXPECT_EQ(Drew("c").args[0], 50 + Width("b"));  // only forward
  EXPECT_EQ(Drew("d").brushColor, RGB(0, 0xFF, 0));
  EXPECT_EQ(Drew("e").brushStyle, bsClear);
  const std::vector<TCanvasCall> fills = rec.Named("FillRect");
  ASSERT_FALSE(fills.empty());
  EXPECT_EQ(fills[0].args, (std::vector<int>{0, GhHeight(), 200, 2 * GhHeight()}));

  const benchtest::TempDir dir;
  TPictureContainer container(nullptr);
  TPictureItem* item = container.Items()->Add();
  item->SetName("tall");
  item->Picture()->LoadFromFile(WritePicture(dir, "tall.png", 8, 40));
  rec.calls.clear();
  Draw(rec.canvas, "x<IMG SRC=\"tall\" ALIGN=\"TOP\">", {.container = &container});
  EXPECT_EQ(Drew("x").args[3], GhHeight());  // the text's bottom at the top of the picture's band
  rec.calls.clear();
  Draw(rec.canvas, "x<IMG SRC=\"tall\">", {.container = &container});
  EXPECT_EQ(Drew("x").args[3], 40);
}

TEST_F(MarkupEngine, AnAnchorOverTwoLinesIsHitOnItsSecondLine) {
  const Options narrow{.bounds = {0, 0, Width("aaa bbb ") + 2, 100}};
  const AnsiString text = "aaa <A HREF=\"x\">bbb ccc</A>";
  Options at = narrow;
  at.x = 3;
  at.y = GhHeight() + GhHeight() / 2;
  at.hitTestOnly = true;
  const Drawn d = Draw(rec.canvas, text, at);
  EXPECT_TRUE(d.hit);
  EXPECT_EQ(d.anchor, "x");
  EXPECT_EQ(d.mouseLink, 1);
  // The part on its last line, from that line's left.
  EXPECT_EQ(d.hoverRect, (TRect{1, GhHeight(), 1 + Width("ccc"), 2 * GhHeight()}));
}

class MarkupControls : public MarkupEngine {
 protected:
  void SetUp() override {
    MarkupEngine::SetUp();
    InstallThemeService(&theme);
  }
  void TearDown() override { InstallThemeService(nullptr); }
  TRecordingThemeService theme;
};

TEST_F(MarkupControls, ControlsTakeTheirSizesAndDrawThemedParts) {
  const AnsiString text =
      "<CONTROL TYPE=\"EDIT\" ID=\"e\" VALUE=\"v\" WIDTH=\"50\">"
      "<CONTROL TYPE=\"CHECK\" ID=\"c\" VALUE=\"true\" WIDTH=\"99\">"
      "<CONTROL TYPE=\"BUTTON\" ID=\"b\" VALUE=\"Go\" WIDTH=\"40\">"
      "<CONTROL TYPE=\"PASSWORD\" ID=\"p\" VALUE=\"abc\" WIDTH=\"x\">"
      "<CONTROL TYPE=\"EDIT\" ID=\"none\">";
  const Drawn d = Draw(rec.canvas, text, {.bounds = {0, 0, 400, 100}});
  // 50 + 16 + 40, and the password keeps the size of the button before it.
  EXPECT_EQ(d.xSize, 50 + 16 + 40 + 40);
  EXPECT_NE(rec.Text("v"), nullptr);
  EXPECT_NE(rec.Text("Go"), nullptr);
  EXPECT_NE(rec.Text("***"), nullptr);
  ASSERT_EQ(theme.drawn.size(), 2u);
  EXPECT_EQ(theme.drawn[0].className, "button");
  EXPECT_EQ(theme.drawn[0].part, BP_CHECKBOX);
  EXPECT_EQ(theme.drawn[0].state, CBS_CHECKEDNORMAL);
  EXPECT_EQ(theme.drawn[1].part, BP_PUSHBUTTON);
  EXPECT_EQ(theme.drawn[1].state, PBS_NORMAL);
  EXPECT_EQ(theme.closed, 2);
}

TEST_F(MarkupControls, ControlsAreFoundByPointAndByIdentifier) {
  const AnsiString text = "ab<CONTROL TYPE=\"combo\" ID=\"city\" VALUE=\"Bern\" WIDTH=\"60\">";
  const int left = 1 + Width("ab");
  Drawn d = Draw(rec.canvas, text, {.x = left + 5, .y = 5, .hitTestOnly = true});
  EXPECT_TRUE(d.hit);
  EXPECT_EQ(d.anchor, "ctrl");
  EXPECT_EQ(d.controlID, "city");
  EXPECT_EQ(d.controlType, "COMBO");
  EXPECT_EQ(d.controlValue, "Bern");
  EXPECT_EQ(d.controlRect, (TRect{left, 0, left + 60, 25}));

  d = Draw(rec.canvas, text, {.hitTestOnly = true, .controlID = "city"});
  EXPECT_TRUE(d.hit);
  EXPECT_EQ(d.controlRect.Left, left);
  d = Draw(rec.canvas, text, {.x = 1, .y = 5, .hitTestOnly = true});
  EXPECT_FALSE(d.hit);
  EXPECT_EQ(d.controlID, "");
}

TEST_F(MarkupEngine, LabelVariantDrawsAmpersandsWithPrefixesAndGradients) {
  AnsiString anchor, plain, focus;
  int xSize = 0, ySize = 0, links = 0, mouseLink = 0;
  TRect hover;
  HTMLDrawEx(&rec.canvas, "<BODY BGCOLOR=\"clWhite\" BGCOLORTO=\"clBlack\">a&amp;b<CONTROL TYPE=\"EDIT\" WIDTH=\"50\">",
             {0, 0, 128, 40}, nullptr, -1, -1, -1, 0, 2, false, false, false, true, false, false, true, 1.0, clBlue,
             clNone, clNone, clGray, anchor, plain, focus, xSize, ySize, links, mouseLink, hover, nullptr, nullptr, 0);
  const TCanvasCall& text = Drew("a&&b");
  EXPECT_EQ(text.args[4] & DT_NOPREFIX, 0u);
  EXPECT_EQ(xSize, Width("a&b"));  // no room for the control
  const std::vector<TCanvasCall> bands = rec.Named("FillRect");
  ASSERT_EQ(bands.size(), 64u);
  EXPECT_EQ(bands[0].args, (std::vector<int>{0, 0, 2, 40}));
  EXPECT_EQ(bands[0].brushColor, clWhite);
  EXPECT_EQ(bands[63].brushColor, RGB(4, 4, 4));
}

}  // namespace
