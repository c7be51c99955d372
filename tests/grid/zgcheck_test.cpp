#include "grid/zgcheck.h"

#include <gtest/gtest.h>

namespace {

TEST(CapitalCheck, RaisesTheFirstLetterOfEachSentence) {
  TCapitalCheck check(nullptr);
  const struct {
    const char* text;
    const char* corrected;
  } cases[] = {
      {"hello. world", "Hello. World"},
      {"hello. world! yes? no", "Hello. World! Yes? No"},
      {"a.b", "A.b"},          // no blank after the period
      {"x.  y", "X.  y"},      // two blanks
      {"", ""},
      {"1. ä. b", "1. ä. B"},  // only a to z change
  };
  for (const auto& c : cases) EXPECT_EQ(check.Correct(3, 4, c.text), c.corrected) << c.text;
}

TEST(CellCheck, BaseChecksLeaveTextAndStartWithOptionsOff) {
  TVudUvizidIzedCheck check(nullptr);
  EXPECT_EQ(check.Correct(0, 0, "hello. world"), "hello. world");
  EXPECT_EQ(check.MarkError(0, 0, "teh"), "teh");
  EXPECT_FALSE(check.GotoCell() || check.AutoCorrect() || check.AutoMarkError() || check.UseCorrect() ||
               check.UseMarkError());
  // A grid reaches a descendant's correction through the base.
  TCapitalCheck capital(nullptr);
  TVudUvizidIzedCheck& base = capital;
  EXPECT_EQ(base.Correct(0, 0, "one. two"), "One. Two");
}

TEST(CellCheck, HiLightWrapsVisibleOccurrences) {
  const struct {
    const char* text;
    const char* search;
    bool caseSensitive;
    const char* result;
  } cases[] = {
      {"one two one", "one", true, "<b>one</b> two <b>one</b>"},
      {"<i>Hello</i> hello", "HELLO", false, "<b><i>Hello</b></i> <b>hello</b>"},
      {"<i>Hello</i> hello", "HELLO", true, "<i>Hello</i> hello"},
      {"abab", "ab", true, "<b>ab</b><b>ab</b>"},
      {"aaa", "aa", true, "<b>aa</b>a"},
      // Occurrences after a line break land on their own text.
      {"x<br>ab<BR>ab", "ab", true, "x<br><b>ab</b><BR><b>ab</b>"},
      // A "<" that is never closed is visible text.
      {"a < b", "b", true, "a < <b>b</b>"},
      {"text", "", true, "text"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TVudUvizidIzedCheck::HiLight(c.text, c.search, "b", c.caseSensitive), c.result) << c.text;
}

TEST(CellCheck, ReplaceOnceReplacesTheFirstOccurrenceOnly) {
  EXPECT_EQ(TVudUvizidIzedCheck::ReplaceOnce("a-b-c", "-", "+"), "a+b-c");
  EXPECT_EQ(TVudUvizidIzedCheck::ReplaceOnce("a-b-c", "x", "+"), "a-b-c");
  EXPECT_EQ(TVudUvizidIzedCheck::ReplaceOnce("teh cat teh", "teh", "the"), "the cat teh");
  EXPECT_EQ(TVudUvizidIzedCheck::ReplaceOnce("abc", "", "+"), "abc");
}

}  // namespace
