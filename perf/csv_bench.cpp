// The grid's CSV file at scale: SaveToCSV of 1,000,000 rows x 6 columns and
// LoadFromCSV of the file into a fresh grid, against Python's csv module
// reading the same file into lists and writing those rows back (target:
// faster than Python both ways). Python's file must come out byte for byte
// the same as the grid's, and the grid must read back what it wrote.
// Usage: csv_bench [rows]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "framework/application.h"
#include "framework/forms.h"
#include "grid/duruzav.h"
#include "perf/benchtiming.h"
#include "tests/support/scratch.h"

namespace {

using perf::Clock;
using perf::SecondsSince;
using perf::Best;
using perf::kRounds;
constexpr int kColumns = 6;

// An id, a name, an amount, a date, a note that now and then holds the
// separator or quotes, and a code.
void Fill(TVudUvizidIzed& grid, int rows) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> letter(0, 25), amount(0, 9'999'999), pick(0, 9);
  grid.SetColCount(kColumns);
  grid.SetRowCount(rows);
  for (int r = 0; r < rows; ++r) {
    std::string name;
    for (int i = 0; i < 8; ++i) name += static_cast<char>('a' + letter(random));
    const int choice = pick(random);
    const std::string note = choice == 0 ? "with, comma" : choice == 1 ? "say \"hi\"" : "plain note " + name;
    const std::string cells[kColumns] = {std::to_string(r),
                                         name,
                                         std::to_string(amount(random)) + "." + std::to_string(pick(random)),
                                         "2026-" + std::to_string(1 + r % 12) + "-" + std::to_string(1 + r % 28),
                                         note,
                                         "C" + std::to_string(r % 977)};
    for (int c = 0; c < kColumns; ++c) grid.SetGridCell(c, r, cells[c]);
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct PythonTimes {
  double read = 0;
  double write = 0;
};

// Python reads `source` with csv.reader into a list of rows and writes the
// rows to `target` with csv.writer, each the best of kRounds.
PythonTimes TimePython(const std::string& source, const std::string& target) {
  const std::string python = std::ifstream("/usr/bin/python3") ? "/usr/bin/python3" : "python3";
  const std::string script =
      "import csv, sys, time\n"
      "read = write = 1e300\n"
      "for _ in range(" + std::to_string(kRounds) + "):\n"
      "    t = time.perf_counter()\n"
      "    with open(sys.argv[1], newline='', encoding='utf-8') as f: rows = list(csv.reader(f))\n"
      "    read = min(read, time.perf_counter() - t)\n"
      "    t = time.perf_counter()\n"
      "    with open(sys.argv[2], 'w', newline='', encoding='utf-8') as f: csv.writer(f).writerows(rows)\n"
      "    write = min(write, time.perf_counter() - t)\n"
      "print(read, write)\n";
  const std::string command = python + " -c \"" + script + "\" " + source + " " + target;
  PythonTimes times;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe || std::fscanf(pipe, "%lf %lf", &times.read, &times.write) != 2) {
    std::fprintf(stderr, "python3 with its csv module did not run\n");
    std::exit(1);
  }
  ::pclose(pipe);
  return times;
}

void Report(const char* what, double seconds, double baseline) {
  std::printf("%-36s %7.3f s   python csv %7.3f s   ratio %.2f   (target below 1)\n", what, seconds, baseline,
              seconds / baseline);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1'000'000;
  Application->Initialize(argc, argv);
  benchtest::TempDir dir("flashwright-csv-bench");
  const std::string ours = dir.File("grid.csv"), theirs = dir.File("python.csv");
  {
    TForm form(nullptr);
    TVudUvizidIzed grid(&form);
    Fill(grid, rows);
    const double save = Best([&] {
      const auto start = Clock::now();
      grid.SaveToCSV(ours);
      return SecondsSince(start);
    });
    const double load = Best([&] {
      TVudUvizidIzed fresh(&form);
      const auto start = Clock::now();
      fresh.LoadFromCSV(ours);
      const double seconds = SecondsSince(start);
      for (int r : {0, rows / 2, rows - 1})
        for (int c = 0; c < kColumns; ++c)
          if (fresh.GetCellEx(c, r) != grid.GetGridCell(c, r) || fresh.RowCount() != rows) {
            std::fprintf(stderr, "cell (%d, %d) did not come back\n", c, r);
            std::exit(1);
          }
      return seconds;
    });
    const PythonTimes python = TimePython(ours, theirs);
    if (ReadFile(ours) != ReadFile(theirs)) {
      std::fprintf(stderr, "Python wrote another file than the grid\n");
      return 1;
    }
    char what[64];
    std::snprintf(what, sizeof what, "SaveToCSV %d x %d", rows, kColumns);
    Report(what, save, python.write);
    std::snprintf(what, sizeof what, "LoadFromCSV %d x %d", rows, kColumns);
    Report(what, load, python.read);
  }
  Application->Shutdown();
  return 0;
}
