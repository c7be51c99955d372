// The grid's utility routines: line-break codecs, search and classification
// of cell texts, dates, colours, wide and OEM text, the clipboard fragment, the
// filter matcher and gradient fills.
#include <gtest/gtest.h>

#include <QImage>
#include <tuple>
#include <vector>

#include "framework/forms.h"
#include "framework/resources.h"
#include "framework/testing/recordingtheme.h"
#include "framework/theme.h"
#include "grid/zgutil.h"

namespace {

// A canvas on a white image.
struct Painting {
  explicit Painting(int width, int height) : image(width, height, QImage::Format_RGB32) {
    image.fill(Qt::white);
    canvas.Attach(&image);
  }
  QImage image;
  TCanvas canvas;
};

TEST(Gradient, BandsStepTowardTheTargetAndOverlapByAPixel) {
  Painting p(120, 10);
  DrawGradient(&p.canvas, clBlack, clWhite, 2, {0, 0, 100, 10}, true);
  for (int x : {0, 49}) EXPECT_EQ(p.canvas.Pixels(x, 5), clBlack) << x;
  for (int x : {50, 75, 100}) EXPECT_EQ(p.canvas.Pixels(x, 5), RGB(128, 128, 128)) << x;  // 127.5 to even
  EXPECT_EQ(p.canvas.Pixels(101, 5), clWhite);  // untouched
  EXPECT_EQ(p.canvas.Pen()->Color(), RGB(128, 128, 128));

  // Vertical, 3 steps of 66.67 over 9 rows: bands at rows 0, 3 and 6.
  DrawGradient(&p.canvas, RGB(0, 0, 0), RGB(0, 200, 0), 3, {0, 0, 20, 9}, false);
  EXPECT_EQ(p.canvas.Pixels(5, 2), RGB(0, 0, 0));
  EXPECT_EQ(p.canvas.Pixels(5, 4), RGB(0, 67, 0));
  EXPECT_EQ(p.canvas.Pixels(5, 9), RGB(0, 133, 0));  // the last band, one row past Bottom
}

TEST(Gradient, SingleColourCases) {
  Painting p(20, 10);
  DrawGradient(&p.canvas, clRed, clBlue, 0, {0, 0, 20, 10}, false);  // 0 steps count as 1: all `from`
  EXPECT_EQ(p.canvas.Pixels(3, 9), clRed);
  DrawGradient(&p.canvas, clBtnFace, clNone, 64, {0, 0, 20, 10}, false);
  EXPECT_EQ(p.canvas.Pixels(0, 0), ColorToRGB(clBtnFace));
  EXPECT_EQ(p.canvas.Pixels(19, 9), ColorToRGB(clBtnFace));

  EXPECT_EQ(GradientAt(clBtnFace, clNone, 0, 10, 5), clBtnFace);
  EXPECT_EQ(GradientAt(clBlack, RGB(255, 10, 0), 0, 10, 5), RGB(128, 5, 0));
  EXPECT_EQ(GradientAt(clBlack, clWhite, 3, 3, 1), clBlack);  // no length: no division
}

TEST(Progress, BarFillsItsShareAndKeepsTheBackground) {
  Painting p(120, 20);
  p.canvas.Brush()->SetColor(clYellow);
  DrawProgressLin(&p.canvas, {0, 0, 104, 20}, clBlue, clWhite, clSilver, clBlack, 30, 2, 2, 0, 100, "", clRed, false);
  // Inner 2..102: 30 of its 100 pixels are done.
  EXPECT_EQ(p.canvas.Pixels(3, 17), clBlue);
  EXPECT_EQ(p.canvas.Pixels(31, 17), clBlue);
  EXPECT_EQ(p.canvas.Pixels(32, 17), clSilver);
  EXPECT_EQ(p.canvas.Pixels(101, 17), clSilver);
  EXPECT_EQ(p.canvas.Pixels(1, 10), clRed);      // border
  EXPECT_EQ(p.canvas.Pixels(0, 10), clYellow);   // background frame
  EXPECT_EQ(p.canvas.Brush()->Color(), clYellow);

  // With a format the share is (position - min) * 100 / max.
  DrawProgressLin(&p.canvas, {0, 0, 104, 20}, clBlue, clWhite, clSilver, clBlack, 60, 2, 2, 10, 200, "%d units",
                  clNone, false);
  EXPECT_EQ(p.canvas.Pixels(26, 17), clBlue);  // 25 percent
  EXPECT_EQ(p.canvas.Pixels(28, 17), clSilver);

  // A maximum of 0 draws an empty bar.
  DrawProgressLin(&p.canvas, {0, 0, 104, 20}, clBlue, clWhite, clSilver, clBlack, 60, 2, 2, 0, 0, "%d", clNone, false);
  EXPECT_EQ(p.canvas.Pixels(3, 17), clSilver);
}

TEST(Progress, RangeIndicatorGrowsFromTheMiddle) {
  Painting p(104, 20);
  DrawRangeIndicator(&p.canvas, {0, 0, 104, 20}, 150, 100, true, clRed, clGreen);
  // r = 2..102, half 50: the full right half, the value shown as 100.
  EXPECT_EQ(p.canvas.Pixels(51, 16), clWhite);
  EXPECT_EQ(p.canvas.Pixels(53, 16), clGreen);
  EXPECT_EQ(p.canvas.Pixels(101, 16), clGreen);
  bool dark = false;
  for (int x = 40; x < 64 && !dark; ++x)
    for (int y = 2; y < 14 && !dark; ++y) dark = GetGValue(p.canvas.Pixels(x, y)) < 64;
  EXPECT_TRUE(dark) << "the value is written at the top";

  Painting q(104, 20);
  DrawRangeIndicator(&q.canvas, {0, 0, 104, 20}, -50, 100, false, clRed, clGreen);
  EXPECT_EQ(q.canvas.Pixels(27, 10), clRed);
  EXPECT_EQ(q.canvas.Pixels(51, 10), clRed);
  EXPECT_EQ(q.canvas.Pixels(26, 10), clWhite);
  EXPECT_EQ(q.canvas.Pixels(53, 10), clWhite);

  Painting empty(104, 20);
  DrawRangeIndicator(&empty.canvas, {0, 0, 104, 20}, 5, 0, false, clRed, clGreen);  // no range: no bar
  for (int x = 0; x < 104; ++x) ASSERT_EQ(empty.canvas.Pixels(x, 10), clWhite) << x;
}

TEST(Progress, PieFillsClockwiseFromTwelve) {
  Painting p(60, 60);
  DrawProgressPie(&p.canvas, {0, 0, 41, 41}, clBlue, 25, false);
  // Centre (20, 20); a quarter: the sector from twelve to three o'clock.
  EXPECT_EQ(p.canvas.Pixels(28, 10), clBlue);   // upper right
  EXPECT_EQ(p.canvas.Pixels(12, 10), clWhite);  // upper left
  EXPECT_EQ(p.canvas.Pixels(28, 30), clWhite);  // lower right
  EXPECT_EQ(p.canvas.Pixels(50, 50), clWhite);  // outside the pie
  EXPECT_EQ(p.canvas.Pixels(20, 5), RGB(128, 128, 128));  // the line to twelve o'clock

  Painting q(60, 60);
  DrawProgressPie(&q.canvas, {0, 0, 41, 41}, clBlue, 75, false);
  EXPECT_EQ(q.canvas.Pixels(28, 30), clBlue);
  EXPECT_EQ(q.canvas.Pixels(12, 30), clBlue);
  EXPECT_EQ(q.canvas.Pixels(12, 10), clWhite);
}

TEST(Painters, ComboButtonAndTransparentBitmap) {
  Painting p(60, 20);
  DrawComboButton(&p.canvas, nullptr, {0, 0, 60, 20}, true);
  // Button 42..58 x 1..19: drawn there, nothing right of it.
  EXPECT_NE(p.canvas.Pixels(50, 10), clWhite);
  EXPECT_EQ(p.canvas.Pixels(59, 10), clWhite);
  EXPECT_EQ(p.canvas.Pixels(30, 10), clWhite);

  TBitmap glyph;
  glyph.SetSize(4, 3);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect({0, 0, 4, 3});
  glyph.Canvas()->SetPixel(2, 1, clRed);
  Painting q(10, 10);
  DrawBitmapTransp(&q.canvas, &glyph, clLime, {5, 5, 10, 10});
  EXPECT_EQ(q.canvas.Pixels(5, 5), clLime);
  EXPECT_EQ(q.canvas.Pixels(7, 6), clRed);
  EXPECT_EQ(q.canvas.Pixels(8, 7), clLime);
  EXPECT_EQ(q.canvas.Pixels(9, 7), clWhite);  // own size only
  EXPECT_EQ(q.canvas.Pixels(5, 8), clWhite);
}

// The columns holding red pixels of the zigzag.
std::vector<int> RedColumns(const TCanvas& canvas, int width, int height) {
  std::vector<int> columns;
  for (int x = 0; x < width; ++x)
    for (int y = 0; y < height; ++y)
      if (canvas.Pixels(x, y) == clRed) {
        columns.push_back(x);
        break;
      }
  return columns;
}

TEST(Painters, ErrorLinesZigzagUnderTheChosenCharacters) {
  TForm form(nullptr);
  const AnsiString text = "hello wrold again";
  Painting whole(300, 40);
  DrawErrorLines(&form, &whole.canvas, text, {0, 0, 300, 24}, 0, 0, 5);
  Painting word(300, 40);
  DrawErrorLines(&form, &word.canvas, text, {0, 0, 300, 24}, 0, 6, 5);
  const std::vector<int> first = RedColumns(whole.canvas, 300, 40);
  const std::vector<int> second = RedColumns(word.canvas, 300, 40);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  // Two words of five letters: the second line starts where the first ends
  // (past the blank) and is about as long.
  EXPECT_GT(second.front(), first.back() - 3);
  const int firstSpan = first.back() - first.front(), secondSpan = second.back() - second.front();
  EXPECT_GT(firstSpan, 10);
  EXPECT_GT(secondSpan, firstSpan / 2);
  EXPECT_LT(secondSpan, firstSpan * 2);

  // Past the end of the text the line sits a few pixels after the last character.
  Painting past(300, 40);
  DrawErrorLines(&form, &past.canvas, text, {0, 0, 300, 24}, 0, 40, 3);
  const std::vector<int> tail = RedColumns(past.canvas, 300, 40);
  ASSERT_FALSE(tail.empty());
  EXPECT_GT(tail.front(), second.back());
}

TEST(WideText, EncodesHighByteFirstAndRoundTrips) {
  const WideString text = u"A\u20ACz";
  const AnsiString stored = EncodeWideStr(text);
  EXPECT_EQ(stored, AnsiString("|\\\x00" "A\x20\xAC\x00z", 8));
  EXPECT_EQ(DecodeWideStr(stored), text);
  EXPECT_EQ(DecodeWideStr("plain"), u"plain");
  // Units with the high bit set in either byte, and a dangling odd byte.
  EXPECT_EQ(DecodeWideStr(AnsiString("|\\\xFF\xFE\x80", 5)), u"\uFFFE");
  // A plain cell text is UTF-8, not one character per byte.
  EXPECT_EQ(DecodeWideStr("caf\xC3\xA9 \xE2\x82\xAC"), u"caf\u00E9 \u20AC");
}


// Sets the locale values for one test and restores them after it.
class LocaleTest : public ::testing::Test {
 protected:
  void TearDown() override { FormatSettings = saved; }
  TFormatSettings saved = FormatSettings;
};

TEST(LineBreaks, CodecsCarryBreaksThroughEachFormat) {
  using Codec = AnsiString (*)(const AnsiString&);
  const std::vector<std::tuple<const char*, Codec, AnsiString, AnsiString>> cases = {
      {"CSVQuotes", CSVQuotes, "say \"hi\"", "say \"\"hi\"\""},
      {"LineFeedsToXLS", LineFeedsToXLS, "a\r\nb\rc", "a\nbc"},
      {"CRToLF", CRToLF, "a\r\nb", "a\nb"},
      {"LfToFile", LfToFile, "a\r\nb", "a\t\bb"},
      {"LfToFile of a lone LF", LfToFile, "a\nb", "a\bb"},
      {"CLFToLF", CLFToLF, "a\\nb\\n", "a\rb\r"},
      {"LFToCLF", LFToCLF, "a\r\nb", "a\\nb"},
      {"HTMLLineBreaks", HTMLLineBreaks, "a\r\nb", "a<br>\nb"},
  };
  for (const auto& [name, codec, in, out] : cases) EXPECT_EQ(codec(in), out) << name;

  AnsiString s = "a\r\nb";
  LineFeedsToCSV(s);
  EXPECT_EQ(s, "\"a\vb\"");
  CSVToLineFeeds(s);
  EXPECT_EQ(s, "\"a\r\nb\"");
  s = "a\r\nb\rc\n";
  LineFeedsToCSVNQ(s);
  EXPECT_EQ(s, "a\nb\rc\n");
  s = "a\r\nb";
  LineFeedsToJava(s);
  EXPECT_EQ(s, "a~b");
  JavaToLineFeeds(s);
  EXPECT_EQ(s, "a\r\nb");
  s = "^";
  JavaToLineFeeds(s);
  EXPECT_EQ(s, "");

  EXPECT_EQ(FileToLf("a\t\bb\tc", true), "a\r\nb\rc");
  EXPECT_EQ(FileToLf("a\t\bb", false), "a");
  EXPECT_EQ(FileToLf("a\tb", true), "a\tb");  // no character 8: not converted
}

TEST(LineBreaks, LinesComeOffOneAtATime) {
  AnsiString s = "one\r\ntwo\rthree";
  EXPECT_EQ(GetNextLine(s, true), "one");
  EXPECT_EQ(s, "two\rthree");
  EXPECT_EQ(GetNextLine(s, true), "two");
  EXPECT_EQ(GetNextLine(s, true), "three");
  EXPECT_EQ(s, "");
  s = "one\r\ntwo";
  EXPECT_EQ(GetNextLine(s, false), "one");
  EXPECT_EQ(s, "");

  EXPECT_EQ(LinesInText("a\rb\r\nc", true), 3);
  EXPECT_EQ(LinesInText("a\rb", false), 1);
  EXPECT_EQ(LinesInText("", true), 1);

  EXPECT_EQ(DoubleToSingleChar('&', "a&&b&c"), "a&bc");
  TStringList list;
  list.Add("a");
  list.Add("bc");
  EXPECT_EQ(StringListToText(&list), "abc");
  s = "secret";
  StringToPassword(s, '*');
  EXPECT_EQ(s, "******");
}

TEST(TextRoutines, ShiftCaseCapitalisesNames) {
  const std::vector<std::pair<AnsiString, AnsiString>> cases = {
      {"henry ii", "Henry II"},       {"mcdonald", "McDonald"},
      {"ronald mcdonald", "Ronald McDonald"}, {"JOHN o'neil-smith", "John O'Neil-Smith"},
      {"louis xiv", "Louis Xiv"},     {"louis iii", "Louis III"},
      {"", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(ShiftCase(in), out) << in;
}

TEST(TextRoutines, SearchHelpers) {
  int pos = 99;
  EXPECT_EQ(CharPos('b', "abc"), 2);
  EXPECT_EQ(CharPos('x', "abc"), 0);
  EXPECT_EQ(VarCharPos('x', "abc", pos), 0);
  EXPECT_EQ(pos, 99);  // untouched when absent
  EXPECT_EQ(VarCharPos('c', "abc", pos), 3);
  EXPECT_EQ(pos, 3);
  EXPECT_EQ(VarCharPosNC('B', "abc", pos), 2);
  EXPECT_EQ(VarPos("cd", "abcd", pos), 3);
  EXPECT_EQ(VarPos("x", "abcd", pos), 0);
  EXPECT_EQ(pos, 0);  // always stored
  EXPECT_EQ(FIPos("CD", "abcd"), 3);

  // Single characters among doubled ones.
  EXPECT_EQ(SinglePos('&', "a&&b&c", pos), 5);
  EXPECT_EQ(pos, 5);
  EXPECT_EQ(SinglePos('&', "a&&&b", pos), 4);
  EXPECT_EQ(SinglePos('&', "ab&", pos), 3);
  EXPECT_EQ(SinglePos('&', "a&&b", pos), 0);
  EXPECT_EQ(NumSingleChar('&', "&a&&b&c"), 2);
  EXPECT_EQ(NumChar('a', "banana"), 3);
  EXPECT_EQ(NumCharInStr('a', "banana"), 3);

  EXPECT_EQ(FirstChar("&|", "\"a&b\"|c&d", pos), '|');
  EXPECT_EQ(pos, 6);
  EXPECT_EQ(FirstChar("&", "\"a&b\"", pos), '\0');
  EXPECT_EQ(pos, -1);

  AnsiString s = "key=value";
  EXPECT_EQ(GetToken(s, "="), "key");
  EXPECT_EQ(s, "value");
  s = "a::b";
  EXPECT_EQ(GetToken(s, "::"), "a");
  EXPECT_EQ(s, ":b");  // only the delimiter's first character goes
  EXPECT_EQ(GetToken(s, ";"), "");
  EXPECT_EQ(s, ":b");

  EXPECT_TRUE(IsURL("http://x"));
  EXPECT_TRUE(IsURL("mailto:a@b"));
  EXPECT_FALSE(IsURL("www.x"));
  s = "https://host/a://b";
  StripURLProtocol(s);
  EXPECT_EQ(s, "host/a://b");
  s = "mailto:a@b";
  StripURLProtocol(s);
  EXPECT_EQ(s, "a@b");

  EXPECT_EQ(StrPosWide(u"\u20AC", u"a\u20ACb"), 2);
  EXPECT_EQ(StrPosWide(u"", u"abc"), 0);
  EXPECT_EQ(StrPosWide(u"abcd", u"abc"), 0);
}

TEST(SmallRoutines, LimitsCellNamesAndRectangles) {
  const std::vector<std::tuple<int, int, int, int>> limits = {
      // value, min, max, result
      {0, 5, 5, 0}, {0, 1, 10, 1}, {20, 0, 10, 10}, {-3, 0, 10, -3}, {20, 1, 0, 20}, {5, 1, 10, 5},
  };
  for (const auto& [value, min, max, result] : limits)
    EXPECT_EQ(CheckLimits(value, min, max), result) << value << " in " << min << ".." << max;
  EXPECT_EQ(Max(2, 3), 3);
  EXPECT_EQ(Min(2, 3), 2);

  TPoint point{-1, -1};
  EXPECT_TRUE(NameToCell("r3c7", point));
  EXPECT_EQ(point, Point(7, 3));
  EXPECT_TRUE(NameToCell("R12C0", point));
  EXPECT_EQ(point, Point(0, 12));
  point = Point(-1, -1);
  for (const char* bad : {"R3", "R3C", "RxC7", "A3C7", "r3d7"}) {
    EXPECT_FALSE(NameToCell(bad, point)) << bad;
    EXPECT_EQ(point, Point(-1, -1)) << bad;
  }

  EXPECT_TRUE(IsInGridRect({1, 2, 3, 4}, 3, 2));
  EXPECT_FALSE(IsInGridRect({1, 2, 3, 4}, 4, 2));
  EXPECT_EQ(RectString(Rect(1, 2, 3, 4)), "[1:2][3:4]");
}

TEST_F(LocaleTest, DecimalSeparatorFixedOnlyForCommaLocales) {
  EXPECT_EQ(FixDecimalSeparator("1,5"), "1,5");
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(FixDecimalSeparator("1,5,6"), "1.5,6");
}

TEST(Classification, TextTypes) {
  const std::vector<std::tuple<AnsiString, bool, TTextType>> cases = {
      {"", true, ttText},
      {"=A1+1", false, ttFormula},
      {AnsiString("|\\\0a", 4), true, ttUnicode},
      {AnsiString("|\\\0=", 4), true, ttFormula},
      {"{\\rtf1 x}", true, ttRTF},
      {"a <b>bold</b>", true, ttHTML},
      {"<B>bold", true, ttHTML},
      {"<I>it", true, ttHTML},
      {"<b>bold", true, ttText},
      {"a </b>", false, ttText},
      {"http://x", true, ttText},
  };
  for (const auto& [text, markup, type] : cases) EXPECT_EQ(TextType(text, markup), type) << text;
}

TEST_F(LocaleTest, NumbersAndSeparators) {
  const std::vector<std::pair<const char*, int>> types = {
      {"", 2},  {"123", 0},       {"-12", 0},   {"-", 0},     {"1,000", 1},    {"1,000,000", 2},
      {"1.5", 1}, {"-1,234.5", 1}, {"1.2.3", 2}, {"1-2", 2},   {"--1", 2},      {"12a", 2},
  };
  for (const auto& [text, type] : types) EXPECT_EQ(IsType(text), type) << text;

  const std::vector<std::pair<const char*, const char*>> plain = {
      {"", ""}, {"1,234.50", "1234.50"}, {"(1,234)", "-1234"}, {"$ -12", "-12"},
      {"1.5e3 kg", "1.5e3"}, {"EUR 7", "7"},
  };
  for (const auto& [text, number] : plain) EXPECT_EQ(RemoveSeps(text), number) << text;

  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  EXPECT_EQ(RemoveSeps("1.234,5"), "1234.5");
  EXPECT_EQ(IsType("1.234,5"), 1);
}

TEST(Classification, DateTexts) {
  for (const char* text : {"1/2/3", "12/31/2004"}) EXPECT_TRUE(IsDateStr(text)) << text;
  for (const char* text : {"/1/2", "1//2", "1/2", "12"}) EXPECT_FALSE(IsDateStr(text)) << text;
}

TEST(Dates, ShortDatesTakeFourDigitYearsAsTheyStand) {
  const std::vector<std::tuple<const char*, int, int, int>> us = {
      {"2/3/04", 2004, 2, 3}, {"2/3/26", 1926, 2, 3}, {"2/3/2004", 2004, 2, 3},
      {"12.31.1999", 1999, 12, 31}, {"1-2-25", 2025, 1, 2}, {"2/3/100", 100, 2, 3},
  };
  for (const auto& [text, y, m, d] : us) EXPECT_EQ(StrToShortdateUS(text), EncodeDate(y, m, d)) << text;
  EXPECT_EQ(StrToShortDateEU("3/2/2004"), EncodeDate(2004, 2, 3));
  EXPECT_EQ(StrToShortDateEU("31.12.99"), EncodeDate(1999, 12, 31));
  for (const char* none : {"20040203", "2/3", "a/3/4", "2/3/x"}) EXPECT_EQ(StrToShortdateUS(none), 0.0) << none;
  EXPECT_THROW(StrToShortdateUS("2/30/04"), EConvertError);
  EXPECT_THROW(StrToShortdateUS("2/3/-5"), EConvertError);
}

TEST(Dates, NextDateStepsByOneUnit) {
  const TDateTime start = EncodeDate(2004, 1, 31);
  EXPECT_EQ(GetNextDate(start, 0, 0, 3, 0), EncodeDate(2004, 2, 3));
  EXPECT_EQ(GetNextDate(start, 2, 0, 0, 0), EncodeDate(2006, 1, 31));
  EXPECT_EQ(GetNextDate(EncodeDate(2004, 11, 15), 0, 3, 0, 0), EncodeDate(2005, 2, 15));
  EXPECT_EQ(GetNextDate(EncodeDate(2004, 2, 15), 0, -3, 0, 0), EncodeDate(2003, 11, 15));
  EXPECT_EQ(GetNextDate(start, 1, 1, 0, 7.5), start + 7.5);
  EXPECT_THROW(GetNextDate(start, 0, 1, 0, 0), EConvertError);  // 31 February
}

TEST(Colours, HtmlAndDarkened) {
  EXPECT_EQ(HTMLColor(RGB(0x12, 0xAB, 0xFF)), "12ABFF");
  EXPECT_EQ(HTMLColor(clBlack), "000000");
  EXPECT_EQ(DarkenColor(RGB(200, 101, 0)), RGB(100, 50, 0));
  EXPECT_EQ(DarkenColor(clBtnFace), RGB(GetRValue(ColorToRGB(clBtnFace)) / 2, GetGValue(ColorToRGB(clBtnFace)) / 2,
                                        GetBValue(ColorToRGB(clBtnFace)) / 2));
}

TEST(Clipboard, FragmentOffsetsCountBytesOfTheUtf8Text) {
  AnsiString s = "<b>caf\xC3\xA9</b>";  // 11 characters, 12 bytes
  MakeFragment(s);
  const size_t header = 97;
  EXPECT_EQ(s.substr(0, header),
            "Version:1.0\r\nStartHTML:00000097\r\nEndHTML:00000251\r\n"
            "StartFragment:00000207\r\nEndFragment:00000219\r\n");
  EXPECT_EQ(s.size(), 251u);
  EXPECT_EQ(s.substr(207, 12), "<b>caf\xC3\xA9</b>");
  EXPECT_EQ(s.substr(219), "<!--EndFragment--></body></html>");
  EXPECT_NE(s.find("charset=utf-8"), AnsiString::npos);
}

TEST(Filter, PatternsComparisonsAndWildcards) {
  const std::vector<std::tuple<const char*, const char*, bool>> cases = {
      {">=10", "10", true},   {">10", "10", false},     {">9", "10", true},  // numbers, not texts
      {"<=2.5", "2.5", true}, {"<2.5", "1,000", false},
      {">b", "c", true},      {">b", "a", false},       {">\"b\"", "c", true},
      {">1/2/2004", "1/3/2004", true}, {"<1/2/2004", "12/31/2003", true},
      {">5&<10", "7", true},  {">5&<10", "12", false},
      {">5^<2", "1", true},   {">5^<2", "3", false},
      {"a*a", "a", false},    {"a*a", "aba", true},     {"a**c", "abc", true},
      {"!a*", "abc", false},  {"!a*", "xyz", true},
      {"a?c", "abc", true},   {"a?c", "ac", false},     {"a\\*", "a*", true}, {"a\\*", "ab", false},
      {"\"a b\"", "a b", true}, {"", "", true},         {"abc", "ab", false},
  };
  for (const auto& [pattern, value, result] : cases) EXPECT_EQ(Matches(pattern, value), result) << pattern << " / " << value;
}

TEST(Filter, ExpressionsJoinPartsLeftToRight) {
  const std::vector<std::tuple<const char*, const char*, bool, bool>> cases = {
      // filter, value, case sensitive, result
      {"a*|b*", "apple", true, true},     {"a*|b*", "banana", true, true},
      {"a*|b*", "cherry", true, false},   {"=a*|b*", "banana", true, true},
      {" a* | b* ", "banana", true, true}, {"a*&*e", "apple", true, true},
      {"a*&*e", "avocado", true, false},  {"x*;a*", "apple", true, true},
      {"A*", "apple", true, false},       {"A*", "apple", false, true},
      {"\xC3\xA9*", "\xC3\x89t\xC3\xA9", false, true},  // locale-aware upper case
      {"a*&b*|c*", "cat", true, true},    // (a & b) | c, no precedence
      {"c*|a*&b*", "cat", true, false},   // (c | a) & b
      {"\"a|b\"", "a|b", true, true},     {"\"a b\"", "a b", true, true},
  };
  for (const auto& [filter, value, cs, result] : cases)
    EXPECT_EQ(MatchStrEx(filter, value, cs), result) << filter << " / " << value;
}


TEST(OemText, ConvertsCellTextToTheConsoleCodePageAndBack) {
  AnsiString s = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x94\x80 \xE2\x82\xAC";  // "Grüße ─ €"
  StringToOem(s);
  EXPECT_EQ(s, "Gr\x81\xE1" "e \xC4 ?");  // the euro sign has no OEM character
  OemToString(s);
  EXPECT_EQ(s, "Gr\xC3\xBC\xC3\x9F" "e \xE2\x94\x80 ?");

  s = AnsiString("ab\0cd", 5);  // the text ends at character 0
  StringToOem(s);
  EXPECT_EQ(s, "ab");
  s = AnsiString("\xFF\x00x", 3);
  OemToString(s);
  EXPECT_EQ(s, "\xC2\xA0");
}

}  // namespace

namespace {

// The combo button asks the theme only when its caller wants the themed
// look and a theme is active; otherwise it draws the classic button.
TEST(Painters, ComboButtonTakesTheThemeOnlyWhenAskedAndActive) {
  TRecordingThemeService theme;
  InstallThemeService(&theme);
  Painting themed(60, 20);
  DrawComboButton(&themed.canvas, nullptr, {0, 0, 60, 20}, true);
  ASSERT_EQ(theme.drawn.size(), 1u);
  EXPECT_EQ(theme.opened, std::vector<AnsiString>{kThemeComboBox});
  EXPECT_EQ(theme.drawn[0].part, CP_DROPDOWNBUTTON);
  EXPECT_EQ(theme.drawn[0].state, CBXS_NORMAL);
  EXPECT_EQ(theme.drawn[0].rect, (TRect{42, 1, 58, 19}));
  EXPECT_EQ(theme.closed, 1);
  EXPECT_EQ(themed.canvas.Pixels(50, 10), theme.partColor);

  Painting classic(60, 20);
  DrawComboButton(&classic.canvas, nullptr, {0, 0, 60, 20}, false);
  theme.active = false;
  DrawComboButton(&classic.canvas, nullptr, {0, 0, 60, 20}, true);
  EXPECT_EQ(theme.drawn.size(), 1u);
  EXPECT_NE(classic.canvas.Pixels(50, 10), theme.partColor);
  EXPECT_NE(classic.canvas.Pixels(50, 10), clWhite);
  InstallThemeService(nullptr);
}

TEST(Painters, BitmapResourceDrawnTransparentOrRefusedWhole) {
  RegisterBitmapResource("TESTDOT", 3, 3, [](TCanvas& c, int w, int h) {
    c.Brush()->SetColor(clFuchsia);
    c.FillRect({0, 0, w, h});
    c.SetPixel(1, 1, clBlue);
  });
  Painting p(10, 10);
  DrawBitmapResourceTransp(&p.canvas, clLime, {2, 2, 10, 10}, "TESTDOT");
  EXPECT_EQ(p.canvas.Pixels(2, 2), clLime);
  EXPECT_EQ(p.canvas.Pixels(3, 3), clBlue);
  EXPECT_EQ(p.canvas.Pixels(5, 5), clWhite);

  Painting untouched(10, 10);
  EXPECT_THROW(DrawBitmapResourceTransp(&untouched.canvas, clLime, {0, 0, 10, 10}, "NOSUCHBITMAP"), EResNotFound);
  EXPECT_EQ(untouched.canvas.Pixels(0, 0), clWhite);
}

}  // namespace
