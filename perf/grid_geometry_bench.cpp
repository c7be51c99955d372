// The cell grid's geometry at scale, on a grid of 6 columns:
//  - 1,000,000 SetCellEx, against the same strings written into a
//    std::vector (the cost of storing the texts alone);
//  - Ctrl+End from the top of 1,000,000 rows (moving the current cell to the
//    last row and scrolling it into view) with the repaint that follows;
//  - a repaint at the bottom of 1,000,000 rows, against the same repaint at
//    the bottom of 1,000 rows.
// Usage: grid_geometry_bench [repaints]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/forms.h"
#include "grid/duruzav.h"
#include "perf/benchtiming.h"

namespace {

using perf::Clock;
using perf::SecondsSince;

constexpr int kColumns = 6;
constexpr int kCells = 1'000'000;
constexpr int kManyRows = 1'000'000;
constexpr int kFewRows = 1'000;

// The grid as a window holds it, with the keyboard entry open to the bench.
class BenchGrid : public TVudUvizidIzed {
 public:
  BenchGrid(TForm* form, int rows) : TVudUvizidIzed(form) {
    SetParent(form);
    SetColCount(kColumns);
    SetRowCount(rows);
  }
  void Press(unsigned short key, TShiftState shift) { KeyDown(key, shift); }
};

// Cell (col, row) of the i-th write: row by row below the fixed row.
int ColOf(int i) { return i % kColumns; }
int RowOf(int i) { return 1 + i / kColumns; }

void BenchSetCellEx(TForm& form, const std::vector<AnsiString>& texts) {
  std::vector<AnsiString> plain(texts.size());
  auto start = Clock::now();
  for (int i = 0; i < kCells; ++i) plain[i] = texts[i];
  const double baseline = SecondsSince(start);

  BenchGrid grid(&form, RowOf(kCells - 1) + 1);
  start = Clock::now();
  for (int i = 0; i < kCells; ++i) grid.SetCellEx(ColOf(i), RowOf(i), texts[i]);
  const double seconds = SecondsSince(start);

  const int last = kCells - 1;
  if (grid.GetGridCell(ColOf(last), RowOf(last)) != texts[last] || plain[last] != texts[last]) {
    std::fprintf(stderr, "the last cell does not hold its text\n");
    std::exit(1);
  }
  std::printf("%d SetCellEx:        %8.3f s   std::vector: %8.3f s   ratio %.1f   (target under 5 s)\n", kCells,
              seconds, baseline, seconds / baseline);
}

void BenchCtrlEnd(TForm& form) {
  BenchGrid grid(&form, kManyRows);
  grid.Repaint();
  const auto start = Clock::now();
  grid.Press(VK_END, ssCtrl);
  grid.Repaint();
  const double seconds = SecondsSince(start);
  if (grid.Row() != kManyRows - 1 || grid.CellRect(1, kManyRows - 1).IsEmpty()) {
    std::fprintf(stderr, "Ctrl+End did not bring the last row into view\n");
    std::exit(1);
  }
  std::printf("Ctrl+End over %d rows: %8.3f ms   (target under 50 ms)\n", kManyRows, seconds * 1000);
}

// The best of several rounds of repaints at the bottom of the grid.
double BestRepaintSeconds(BenchGrid& grid, int repaints) {
  double best = 1e9;
  for (int round = 0; round < 5; ++round) {
    const auto start = Clock::now();
    for (int i = 0; i < repaints; ++i) grid.Repaint();
    best = std::min(best, SecondsSince(start) / repaints);
  }
  return best;
}

void BenchRepaint(TForm& form, int repaints) {
  BenchGrid few(&form, kFewRows), many(&form, kManyRows);
  for (BenchGrid* grid : {&few, &many}) {
    const int rows = grid->RowCount();
    // The same texts in the rows on screen of both grids.
    for (int back = 1; back <= 30; ++back)
      for (int col = 0; col < kColumns; ++col) grid->SetCellEx(col, rows - back, "cell " + std::to_string(back) + "/" + std::to_string(col));
    grid->SetRow(rows - 1);
  }
  // Alternating keeps drifts of the machine from favouring one side.
  double fewSeconds = 1e9, manySeconds = 1e9;
  for (int pass = 0; pass < 3; ++pass) {
    fewSeconds = std::min(fewSeconds, BestRepaintSeconds(few, repaints));
    manySeconds = std::min(manySeconds, BestRepaintSeconds(many, repaints));
  }
  std::printf("repaint at the bottom: %d rows %8.3f ms   %d rows %8.3f ms   ratio %.3f   (target within 1.10)\n",
              kManyRows, manySeconds * 1000, kFewRows, fewSeconds * 1000, manySeconds / fewSeconds);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int repaints = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 50;
  Application->Initialize(argc, argv);
  {
    TForm form(nullptr);
    form.SetBounds(0, 0, 500, 300);
    form.Show();
    std::vector<AnsiString> texts(kCells);
    for (int i = 0; i < kCells; ++i) texts[i] = "value " + std::to_string(i);
    BenchSetCellEx(form, texts);
    BenchCtrlEnd(form);
    BenchRepaint(form, repaints);
  }
  Application->Shutdown();
  return 0;
}
