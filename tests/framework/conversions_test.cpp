#include <gtest/gtest.h>

#include "framework/datetime.h"
#include "framework/sysutils.h"

namespace {

// Restores the settings a test changes.
class Conversions : public ::testing::Test {
 protected:
  void TearDown() override { FormatSettings = TFormatSettings(); }
};

TEST_F(Conversions, Integers) {
  struct Case { const char* text; bool ok; int value; };
  const Case cases[] = {
      {"42", true, 42}, {" -7 ", true, -7}, {"+3", true, 3}, {"$FF", true, 255}, {"0x1f", true, 31},
      {"2147483647", true, 2147483647}, {"-2147483648", true, -2147483647 - 1},
      {"2147483648", false, 0}, {"", false, 0}, {"12a", false, 0}, {"1 2", false, 0}, {"-", false, 0},
  };
  for (const Case& k : cases) {
    int v = 0;
    EXPECT_EQ(TryStrToInt(k.text, v), k.ok) << k.text;
    if (k.ok) EXPECT_EQ(v, k.value) << k.text;
    else EXPECT_THROW(StrToInt(k.text), EConvertError) << k.text;
  }
  EXPECT_EQ(StrToIntDef("x", 5), 5);
  EXPECT_EQ(IntToStr(-12), "-12");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
}

TEST_F(Conversions, FloatsFollowTheDecimalSeparator) {
  struct Case { double value; const char* dot; const char* comma; };
  const Case cases[] = {
      {1.5, "1.5", "1,5"}, {0.1 + 0.2, "0.3", "0,3"}, {100, "100", "100"}, {-0.25, "-0.25", "-0,25"},
      {1e20, "1E20", "1E20"}, {1.5e-6, "1.5E-6", "1,5E-6"}, {0.00001, "0.00001", "0,00001"}, {0, "0", "0"},
  };
  for (const Case& k : cases) {
    FormatSettings.DecimalSeparator = '.';
    EXPECT_EQ(FloatToStr(k.value), k.dot);
    EXPECT_DOUBLE_EQ(StrToFloat(k.dot), k.value == 0.1 + 0.2 ? 0.3 : k.value);
    FormatSettings.DecimalSeparator = ',';
    EXPECT_EQ(FloatToStr(k.value), k.comma);
    EXPECT_DOUBLE_EQ(StrToFloat(k.comma), k.value == 0.1 + 0.2 ? 0.3 : k.value);
  }
  EXPECT_THROW(StrToFloat("1.5"), EConvertError);  // '.' is not the separator now
  EXPECT_THROW(StrToFloat("abc"), EConvertError);
  FormatSettings.ThousandSeparator = '.';
  EXPECT_EQ(FloatToStrF(1234567.891, 2, true), "1.234.567,89");
}

TEST_F(Conversions, Format) {
  struct Case { const char* format; std::vector<TVarRec> args; const char* expected; };
  const std::vector<Case> cases = {
      {"%d items", {3}, "3 items"},
      {"%5d|%-5d|", {42, 42}, "   42|42   |"},
      {"%.3d", {7}, "007"},
      {"%x %X", {255, 255}, "FF FF"},
      {"%.2f", {3.14159}, "3.14"},
      {"%s=%s", {"Port", AnsiString("3")}, "Port=3"},
      {"%.3s", {"abcdef"}, "abc"},
      {"%1:s %0:s", {"a", "b"}, "b a"},
      {"%*d", {4, 1}, "   1"},
      {"100%%", {}, "100%"},
      {"%n", {1234.5}, "1,234.50"},
  };
  for (const Case& k : cases) EXPECT_EQ(Format(k.format, k.args), k.expected) << k.format;
  EXPECT_THROW(Format("%d", {"text"}), EConvertError);
  EXPECT_THROW(Format("%d %d", {1}), EConvertError);
  EXPECT_THROW(Format("%", {}), EConvertError);
}

TEST_F(Conversions, DatesAndTimes) {
  const TDateTime date = EncodeDate(2003, 7, 4);
  EXPECT_DOUBLE_EQ(date.Val, 37806.0);
  EXPECT_EQ(DayOfWeek(date), 6);  // a Friday
  const TDateTime moment = date.Val + EncodeTime(13, 5, 9, 0).Val;
  struct Case { const char* format; const char* expected; };
  const Case cases[] = {
      {"yyyy-mm-dd hh:nn:ss", "2003-07-04 13:05:09"},
      {"d/m/yy", "4/7/03"},
      {"dddd, mmmm d", "Friday, July 4"},
      {"h:nn am/pm", "1:05 pm"},
      {"'at' hh", "at 13"},
      {"ddddd", "7/4/2003"},
  };
  for (const Case& k : cases) EXPECT_EQ(FormatDateTime(k.format, moment), k.expected) << k.format;
  EXPECT_EQ(DateToStr(date), "7/4/2003");
  EXPECT_EQ(TimeToStr(moment), "1:05:09 PM");

  FormatSettings.ShortDateFormat = "dd.MM.yyyy";
  FormatSettings.DateSeparator = '.';
  EXPECT_EQ(DateToStr(date), "04.07.2003");
  EXPECT_DOUBLE_EQ(StrToDate("4.7.2003").Val, date.Val);
  EXPECT_THROW(StrToDate("31.2.2003"), EConvertError);
  EXPECT_THROW(StrToDate("7/4/2003"), EConvertError);
  EXPECT_DOUBLE_EQ(StrToTime("13:05:09").Val, EncodeTime(13, 5, 9, 0).Val);
  EXPECT_DOUBLE_EQ(StrToTime("1:05 PM").Val, EncodeTime(13, 5, 0, 0).Val);
  EXPECT_THROW(StrToTime("25:00"), EConvertError);
  EXPECT_THROW(EncodeDate(2003, 13, 1), EConvertError);
}

}  // namespace
