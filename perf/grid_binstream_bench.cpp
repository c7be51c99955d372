// The grid's binary cell stream at scale: saving 1,000,000 rows x 6
// columns to a file and loading them back, against a raw write and read of
// the same bytes through the same file stream.
//
//   grid_binstream_bench [rows]   (default 1,000,000)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "grid/duruzav.h"
#include "perf/benchtiming.h"
#include "tests/support/scratch.h"

namespace {

using perf::Clock;
using perf::SecondsSince;
constexpr int kCols = 6;

template <class Run>
double Timed(Run run) {
  const auto start = Clock::now();
  run();
  return SecondsSince(start);
}

void Report(const char* what, double seconds, double baseline) {
  std::printf("%-28s %8.3f s   raw %8.3f s   ratio %.1f\n", what, seconds, baseline, seconds / baseline);
}

void Fill(TVudUvizidIzed& grid, int rows) {
  grid.SetFixedRows(0);
  grid.SetFixedCols(0);
  grid.SetColCount(kCols);
  grid.SetRowCount(rows);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < kCols; ++c) grid.SetGridCell(c, r, "r" + std::to_string(r) + "c" + std::to_string(c));
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int rows = argc > 1 ? std::max(std::atoi(argv[1]), 1) : 1'000'000;
  Application->Initialize(argc, argv);
  benchtest::TempDir dir("grid-binstream-bench");
  const std::string cellsFile = dir.File("cells.bin"), rawFile = dir.File("raw.bin");
  {
    TForm form(nullptr);
    TVudUvizidIzed saved(&form), loaded(&form);
    Fill(saved, rows);
    const double save = Timed([&] { saved.SaveToBinFile(cellsFile); });
    TMemoryStream bytes;
    bytes.LoadFromFile(cellsFile);
    const double rawWrite = Timed([&] { bytes.SaveToFile(rawFile); });
    const double load = Timed([&] { loaded.LoadFromBinFile(cellsFile); });
    TMemoryStream reread;
    const double rawRead = Timed([&] { reread.LoadFromFile(rawFile); });
    std::printf("%d rows x %d columns, %.1f MB\n", rows, kCols, static_cast<double>(bytes.Size()) / 1e6);
    Report("save to file", save, rawWrite);
    Report("load from file", load, rawRead);
    if (loaded.RowCount() != rows || loaded.GetGridCell(kCols - 1, rows - 1) != saved.GetGridCell(kCols - 1, rows - 1))
      std::fprintf(stderr, "the loaded grid differs from the saved one\n");
  }
  Application->Shutdown();
  return 0;
}
