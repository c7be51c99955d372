// The cell grid's row model at scale:
//  - QSort of 1,000,000 rows on a numeric column, against std::stable_sort
//    of the same texts with the same number comparison, and on a text column
//    compared by the locale, against std::stable_sort with QCollator's
//    compare (target: within 1.5 times the baseline);
//  - filtering 100,000 and 1,000,000 rows with a wildcard condition that
//    hides half of them, against a plain loop of MatchStrEx over the same
//    texts (target: at most 3 times), and switching the filter off again,
//    against a plain pass over the rows (target: at most 2 times); time per
//    row printed;
//  - grouping 100,000 rows into 1,000 groups with summary rows and their
//    sums, against sorting the same rows.
#include <QCollator>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "grid/duruzav.h"
#include "grid/plainfloat.h"
#include "grid/zgutil.h"
#include "perf/benchtiming.h"

namespace {

using perf::Clock;
using perf::SecondsSince;
using perf::Best;
using perf::kRounds;

constexpr int kSortRows = 1'000'000;
constexpr int kGroupRows = 100'000;
constexpr int kGroups = 1'000;

std::vector<AnsiString> NumberTexts(int n) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> value(0, 9'999'999);
  std::vector<AnsiString> texts(n);
  for (auto& t : texts) t = std::to_string(value(random)) + "." + std::to_string(value(random) % 100);
  return texts;
}

std::vector<AnsiString> WordTexts(int n) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> letter(0, 25), length(4, 10), upper(0, 3);
  std::vector<AnsiString> texts(n);
  for (auto& t : texts) {
    for (int i = length(random); i > 0; --i) t += static_cast<char>((upper(random) == 0 ? 'A' : 'a') + letter(random));
  }
  return texts;
}

// A grid of one fixed row and column and three body columns; column 1 holds
// the texts, the others a row label.
void Fill(TVudUvizidIzed& grid, const std::vector<AnsiString>& texts) {
  grid.SetColCount(4);
  grid.SetRowCount(static_cast<int>(texts.size()) + 1);
  for (int i = 0; i < static_cast<int>(texts.size()); ++i) {
    grid.SetGridCell(1, i + 1, texts[i]);
    grid.SetGridCell(2, i + 1, "r" + std::to_string(i));
  }
}

double Number(const AnsiString& text) {
  double value = 0;
  PlainToFloat(text, value);
  return value;
}

void Report(const char* what, double seconds, double baseline, const char* target) {
  std::printf("%-34s %8.3f s   baseline %8.3f s   ratio %.2f   %s\n", what, seconds, baseline, seconds / baseline,
              target);
}

double TimeQSort(TForm& form, const std::vector<AnsiString>& texts, TSortStyle style) {
  TVudUvizidIzed grid(&form);
  Fill(grid, texts);
  grid.OnGetFormat = [style](TObject*, int, TSortStyle& s, AnsiString&, AnsiString&) { s = style; };
  grid.SortSettings()->Column = 1;
  const auto start = Clock::now();
  grid.QSort();
  return SecondsSince(start);
}

void BenchNumericSort(TForm& form) {
  const auto texts = NumberTexts(kSortRows);
  const double baseline = Best([&] {
    std::vector<AnsiString> keys = texts;
    const auto start = Clock::now();
    std::stable_sort(keys.begin(), keys.end(),
                     [](const AnsiString& a, const AnsiString& b) { return Number(a) < Number(b); });
    return SecondsSince(start);
  });
  Report("QSort 1,000,000 rows, numeric", Best([&] { return TimeQSort(form, texts, ssNumeric); }), baseline,
         "(target within 1.5)");
}

void BenchTextSort(TForm& form) {
  const auto texts = WordTexts(kSortRows);
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  const double baseline = Best([&] {
    std::vector<QString> keys;
    keys.reserve(texts.size());
    for (const auto& t : texts) keys.push_back(QString::fromStdString(t));
    const auto start = Clock::now();
    std::stable_sort(keys.begin(), keys.end(),
                     [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return SecondsSince(start);
  });
  Report("QSort 1,000,000 rows, locale text", Best([&] { return TimeQSort(form, texts, ssAnsiAlphaNoCase); }),
         baseline, "(target within 1.5)");
}

// A plain pass over the rows: every stored cell's text looked at once, the
// least that any work on all rows costs.
double PlainPass(const TVudUvizidIzed& grid) {
  const auto start = Clock::now();
  std::size_t characters = 0;
  for (int r = 0; r < grid.RowCount(); ++r)
    for (int c = 0; c < grid.StoredColCount(); ++c) characters += grid.CellText(c, r).size();
  const double seconds = SecondsSince(start);
  if (characters == 0) std::fprintf(stderr, "the grid is empty\n");
  return seconds;
}

void BenchFilter(TForm& form, int rows) {
  const auto texts = WordTexts(rows);
  // Words holding an "a" or an "e": about half of them.
  const char* pattern = "*a*|*e*";
  int passing = 0;
  const double matcherLoop = Best([&] {
    passing = 0;
    const auto start = Clock::now();
    for (const auto& t : texts) passing += MatchStrEx(pattern, t, true);
    return SecondsSince(start);
  });

  TVudUvizidIzed grid(&form);
  Fill(grid, texts);
  const double plainPass = Best([&] { return PlainPass(grid); });
  TFilterData* condition = grid.Filter()->Add();
  condition->Column = 1;
  condition->Condition = pattern;
  double on = 1e300, off = 1e300;
  for (int round = 0; round < kRounds; ++round) {
    auto start = Clock::now();
    grid.SetFilterActive(true);
    on = std::min(on, SecondsSince(start));
    const int shown = grid.RowCount() - 1;
    start = Clock::now();
    grid.SetFilterActive(false);
    off = std::min(off, SecondsSince(start));
    if (shown != passing || grid.RowCount() != rows + 1) std::fprintf(stderr, "the filter hid the wrong rows\n");
  }
  std::printf("filter on, %7d rows (%d hidden): %6.0f ns per row   matcher loop %6.0f ns per row   ratio %.2f"
              "   (target at most 3)\n",
              rows, rows - passing, on * 1e9 / rows, matcherLoop * 1e9 / rows, on / matcherLoop);
  std::printf("filter off, %7d rows:             %6.0f ns per row   plain pass   %6.0f ns per row   ratio %.2f"
              "   (target at most 2)\n",
              rows, off * 1e9 / rows, plainPass * 1e9 / rows, off / plainPass);
}

void BenchGrouping(TForm& form) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> group(0, kGroups - 1);
  auto fill = [&](TVudUvizidIzed& grid) {
    grid.SetColCount(4);
    grid.SetRowCount(kGroupRows + 1);
    for (int r = 1; r <= kGroupRows; ++r) {
      grid.SetGridCell(1, r, "r" + std::to_string(r));
      grid.SetGridCell(2, r, "g" + std::to_string(group(random)));
      grid.SetGridCell(3, r, std::to_string(r % 97));
    }
  };
  TVudUvizidIzed sorted(&form);
  fill(sorted);
  sorted.SortSettings()->Column = 2;
  auto start = Clock::now();
  sorted.QSort();
  const double baseline = SecondsSince(start);

  TVudUvizidIzed grouped(&form);
  fill(grouped);
  grouped.Grouping()->Summary = true;
  start = Clock::now();
  grouped.Group(2);
  grouped.GroupSum(2);
  const double seconds = SecondsSince(start);
  if (grouped.NodeCount() != kGroups) std::fprintf(stderr, "grouping made %d groups\n", grouped.NodeCount());
  Report("Group 100,000 rows into 1,000", seconds, baseline, "(against sorting them)");
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  Application->Initialize(argc, argv);
  {
    TForm form(nullptr);
    BenchNumericSort(form);
    BenchTextSort(form);
    // Both sizes, so that time per row shows whether the work is linear.
    BenchFilter(form, kSortRows / 10);
    BenchFilter(form, kSortRows);
    BenchGrouping(form);
  }
  Application->Shutdown();
  return 0;
}
