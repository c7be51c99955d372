// The locale text sorts order rows exactly as QCollator::compare orders
// their texts, in the C locale and in a locale with its own collation.
#include <gtest/gtest.h>

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <numeric>

#include "modeltesting.h"

namespace {

using modeltesting::GridOnForm;
using Strings = std::vector<std::string>;

// Mixed case, texts equal but for case (they keep their order), accents,
// a sharp s, signs between the letters, a code point beyond the 16-bit
// range with its upper-case pair, and empty texts.
const Strings kTexts = {"b",     "A",  "a",      "B",   "",       "ab",     "AB",     "a_",  "aA",
                        "\xc3\xa9t\xc3\xa9", "ete", "f",  "Stra\xc3\x9f" "e", "Strasse", "strasse", "_",
                        "\xf0\x90\x90\x80",   "\xf0\x90\x90\xa8", "z",  "Zeta", "alpha",  "",  "[", "10", "9"};

// The texts in QCollator::compare's order; equal ones keep their order.
Strings CollatorOrder(const Strings& texts, bool caseSensitive) {
  QCollator collator;
  collator.setCaseSensitivity(caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
  std::vector<int> order(texts.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return collator.compare(QString::fromStdString(texts[a]), QString::fromStdString(texts[b])) < 0;
  });
  Strings out;
  for (int i : order) out.push_back(texts[i]);
  return out;
}

class LocaleSort : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { QLocale::setDefault(QLocale(GetParam())); }
  void TearDown() override { QLocale::setDefault(before_); }
  const QLocale before_;
};

TEST_P(LocaleSort, RowsFollowTheCollatorsCompareInBothCases) {
  for (const TSortStyle style : {ssAnsiAlphaNoCase, ssAnsiAlphaCase}) {
    SCOPED_TRACE(style == ssAnsiAlphaCase ? "case" : "no case");
    GridOnForm g;
    g.grid.SetRowCount(static_cast<int>(kTexts.size()) + 1);
    for (int r = 0; r < static_cast<int>(kTexts.size()); ++r) {
      g.grid.SetGridCell(1, r + 1, kTexts[r]);
      g.grid.SetGridCell(2, r + 1, std::to_string(r));
    }
    g.grid.OnGetFormat = [style](TObject*, int, TSortStyle& s, AnsiString&, AnsiString&) { s = style; };
    g.grid.SortSettings()->Column = 1;
    g.grid.QSort();
    const Strings expected = CollatorOrder(kTexts, style == ssAnsiAlphaCase);
    EXPECT_EQ(g.Texts(1), expected);

    // Descending is the reverse order, equal texts still in their order;
    // the same rule decides ties reached through the column before.
    g.grid.QUnSort();
    g.grid.SortSettings()->Direction = sdDescending;
    g.grid.QSort();
    Strings descending = g.Texts(1);
    std::stable_sort(descending.begin(), descending.end(), [&](const std::string& a, const std::string& b) {
      return std::find(expected.begin(), expected.end(), a) > std::find(expected.begin(), expected.end(), b);
    });
    EXPECT_EQ(g.Texts(1), descending);

    g.grid.QUnSort();
    g.grid.SortSettings()->Direction = sdAscending;
    for (int r = 1; r < g.grid.RowCount(); ++r) g.grid.SetGridCell(0, r, "same");
    g.grid.OnGetFormat = [style](TObject*, int col, TSortStyle& s, AnsiString&, AnsiString&) {
      s = col == 0 ? ssAlphabetic : style;
    };
    g.grid.SortSettings()->Column = 0;
    g.grid.SortSettings()->Full = true;
    g.grid.QSort();
    EXPECT_EQ(g.Texts(1), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, LocaleSort, ::testing::Values("C", "de_DE", "sv_SE"));

}  // namespace
