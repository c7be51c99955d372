// Mark-up without drawing: stripping, highlighting, escaping, colour values
// and the embedded form controls.
#include <gtest/gtest.h>

#include "grid/zghtmle.h"

namespace {

TEST(MarkupStrip, BreaksBecomeLineEndsAndTagsGo) {
  EXPECT_EQ(HTMLStrip("a<br>b"), "a\r\nb");
  EXPECT_EQ(HTMLStrip("a<HR>b<Br>"), "a\r\nb\r\n");
  EXPECT_EQ(HTMLStrip("a<B>b</B>"), "ab");
  EXPECT_EQ(HTMLStrip("x>5 <B>y</B>"), "x>5 y");
  // A "<" without ">" stays with the rest of the text.
  EXPECT_EQ(HTMLStrip("a<b>c < d"), "ac < d");
  EXPECT_EQ(HTMLStrip(""), "");
}

TEST(MarkupStrip, LabelStripDropsHiddenSections) {
  EXPECT_EQ(HTMLStripHidden("a<z>hidden</z>b<Z>more</Z>c<B>d</B>"), "abcd");
  // The sections are matched in their exact case only.
  EXPECT_EQ(HTMLStripHidden("a<z>x</Z>b"), "a");
  EXPECT_EQ(HTMLStripHidden("plain"), "plain");
}

TEST(MarkupHighlight, WrapsEveryOccurrenceInTheVisibleText) {
  EXPECT_EQ(HiLight("abab", "ab", "hi", false), "<hi>ab</hi><hi>ab</hi>");
  EXPECT_EQ(HiLight("xabyab", "AB", "hi", false), "x<hi>ab</hi>y<hi>ab</hi>");
  EXPECT_EQ(HiLight("abab", "AB", "hi", true), "abab");
  // Found across tags, with the tags placed at the matching raw positions.
  EXPECT_EQ(HiLight("a<B>bc</B>d", "bc", "e", false), "a<e><B>bc</e></B>d");
  EXPECT_EQ(HiLight("<B>ab</B>", "ab", "hi", false), "<hi><B>ab</B></hi>");
  // Runs that overlap are found once, left to right.
  EXPECT_EQ(HiLight("aaa", "aa", "hi", false), "<hi>aa</hi>a");
}

TEST(MarkupHighlight, EmptySearchReturnsTheTextUnchanged) {
  EXPECT_EQ(HiLight("abc", "", "hi", false), "abc");
  EXPECT_EQ(HiLight("", "x", "hi", false), "");
}

TEST(MarkupHighlight, UnHiLightRemovesTheTagInAnyCase) {
  EXPECT_EQ(UnHiLight("<HI>a</hi>b<Hi>c</HI>", "hi"), "abc");
  EXPECT_EQ(UnHiLight(HiLight("a<B>b</B>ab", "ab", "e", false), "e"), "a<B>b</B>ab");
}

TEST(MarkupEscape, FixMarkupEscapesOnceAndKeepsOtherText) {
  EXPECT_EQ(FixMarkup("a<b & \"c\""), "a&lt;b &amp; &quot;c&quot;");
  EXPECT_EQ(FixMarkup("x>y"), "x&gt;y");
  // Text that looks like an intermediate form stays as written.
  EXPECT_EQ(FixMarkup("*amp; &amp;"), "*amp; &amp;amp;");
  EXPECT_EQ(FixNonBreaking("a b  c"), "a&nbsp;b&nbsp;&nbsp;c");
}

TEST(MarkupColors, HexadecimalValuesAndNames) {
  EXPECT_EQ(HexToColor("#ff0000"), 0x0000FF);
  EXPECT_EQ(HexToColor("#00FF80"), 0x80FF00);
  EXPECT_EQ(HexToColor("#FF"), 0x0000FF);  // missing pairs count 0
  EXPECT_EQ(HexToColor("#"), 0);
  // Digits that are not hexadecimal give no colour instead of a wrapped value.
  EXPECT_EQ(HexToColor("#GG0000"), clNone);
  EXPECT_EQ(HexToColor("#12345z"), clNone);
  EXPECT_EQ(TextToColor("clnavy"), 0x800000);
  EXPECT_EQ(TextToColor("CLNAVY"), 0x800000);
  EXPECT_EQ(TextToColor("clBtnFace"), static_cast<TColor>(0x8000000F));
  EXPECT_EQ(TextToColor("clInfoBk"), static_cast<TColor>(0x80000018));
  EXPECT_EQ(TextToColor("nosuchcolour"), clBlack);
}

const AnsiString kForm =
    "Name <CONTROL TYPE=\"EDIT\" ID=\"name\" VALUE=\"Joe &amp; Ann\" WIDTH=\"80\"> "
    "<CONTROL TYPE=\"CHECK\" ID=\"ok\" VALUE=\"TRUE\" WIDTH=\"16\"> "
    "<control type=\"button\" id=\"go\" value=\"Go\" width=\"40\"> "
    "<CONTROL TYPE=\"COMBO\" ID=\"city\" VALUE=\"Bern\" WIDTH=\"90\" PROP=\"Bern,Basel\"> "
    "<CONTROL TYPE=\"RADIO\" ID=\"r\" VALUE=\"false\" WIDTH=\"16\">";

TEST(MarkupFormControls, ReadByIdentifier) {
  EXPECT_TRUE(HasHTMLControl(kForm));
  EXPECT_TRUE(HasHTMLControl("<control"));
  EXPECT_FALSE(HasHTMLControl("<B>x</B>"));

  AnsiString value = "unchanged";
  EXPECT_TRUE(GetControlValue(kForm, "name", value));
  EXPECT_EQ(value, "Joe & Ann");
  EXPECT_TRUE(GetControlValue(kForm, "go", value));
  EXPECT_EQ(value, "Go");
  value = "unchanged";
  EXPECT_FALSE(GetControlValue(kForm, "missing", value));
  EXPECT_EQ(value, "unchanged");
  EXPECT_EQ(GetControlProp(kForm, "city"), "Bern,Basel");
  EXPECT_EQ(GetControlProp(kForm, "name"), "");
  EXPECT_EQ(GetControlProp(kForm, "missing"), "");
}

TEST(MarkupFormControls, TabOrderSkipsButtonsAndBoxes) {
  EXPECT_EQ(GetNextControlID(kForm, ""), "name");
  EXPECT_EQ(GetNextControlID(kForm, "name"), "city");
  EXPECT_EQ(GetNextControlID(kForm, "ok"), "city");
  EXPECT_EQ(GetNextControlID(kForm, "city"), "");  // no wrap-around
  EXPECT_EQ(GetNextControlID(kForm, "missing"), "");
  EXPECT_EQ(GetNextControlID("plain", ""), "");
}

TEST(MarkupFormControls, SetControlValueRewritesTheTagAndKeepsTheRest) {
  AnsiString s = "a <CONTROL TYPE=\"edit\" ID=\"e\" VALUE=\"old\" WIDTH=\"50\" STYLE=\"x\"> b";
  ASSERT_TRUE(SetControlValue(s, "e", "<new> & \"q\""));
  EXPECT_EQ(s, "a <CONTROL ID=\"e\" VALUE=\"&lt;new&gt; &amp; &quot;q&quot;\" WIDTH=\"50\" TYPE=\"EDIT\"> b");
  AnsiString value;
  ASSERT_TRUE(GetControlValue(s, "e", value));
  EXPECT_EQ(value, "<new> & \"q\"");

  // An escaped entity comes back as written, not decoded twice.
  ASSERT_TRUE(SetControlValue(s, "e", "&lt;"));
  ASSERT_TRUE(GetControlValue(s, "e", value));
  EXPECT_EQ(value, "&lt;");

  AnsiString combo = kForm;
  ASSERT_TRUE(SetControlValue(combo, "city", "Basel"));
  EXPECT_NE(combo.find("<CONTROL ID=\"city\" VALUE=\"Basel\" WIDTH=\"90\" TYPE=\"COMBO\" PROP=\"Bern,Basel\">"),
            AnsiString::npos);

  const AnsiString before = s;
  EXPECT_FALSE(SetControlValue(s, "missing", "x"));
  EXPECT_EQ(s, before);
}

}  // namespace
