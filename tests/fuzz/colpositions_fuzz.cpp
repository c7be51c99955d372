// The column width and position reader over an INI file: whatever the file
// holds, every column stays in the grid once with a width a grid can have;
// positions that name each column once put the columns in that order, and
// positions that leave a column without a place move nothing.
//
// Input: a byte for the column count (1 to 16), then the INI text, whose
// section "Grid" holds "Col<i>" widths and "Pos<i>" positions.
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "framework/settingsstores.h"
#include "grid/duruzav.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tests/fuzz/offscreenwindows.h"

namespace {

const std::string& IniPath() {
  static const std::string path = "/tmp/colpositions-fuzz-" + std::to_string(getpid()) + ".ini";
  return path;
}

// The stored positions as the reader takes them: the values read for
// display indexes 0..count-1 that are not -1.
std::vector<int> StoredPositions(int count) {
  const TIniFile ini(IniPath());
  if (ini.ReadInteger("Grid", "Pos0", -1) == -1) return {};
  std::vector<int> stored;
  for (int i = 0; i < count; ++i)
    if (const int pos = ini.ReadInteger("Grid", "Pos" + std::to_string(i), -1); pos != -1) stored.push_back(pos);
  return stored;
}

bool IsOrderOfAll(std::vector<int> positions, int count) {
  if (static_cast<int>(positions.size()) != count) return false;
  std::sort(positions.begin(), positions.end());
  for (int i = 0; i < count; ++i)
    if (positions[i] != i) return false;
  return true;
}

bool EveryColumnPlaced(const std::vector<int>& stored, int count) {
  return std::count_if(stored.begin(), stored.end(), [&](int p) { return p >= 0 && p < count; }) == count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int count = 1 + data[0] % 16;
  std::ofstream(IniPath(), std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data + 1),
                                                                      static_cast<std::streamsize>(size - 1));
  TVudUvizidIzed grid(nullptr);
  grid.SetColCount(count);
  for (int c = 0; c < count; ++c) grid.SetGridCell(c, 0, std::to_string(c));
  grid.ColumnSize()->Location = clIniFile;
  grid.ColumnSize()->Key = IniPath();
  grid.ColumnSize()->Section = "Grid";

  grid.LoadColSizes();
  grid.LoadColPositions();

  std::vector<int> shown;
  for (int c = 0; c < count; ++c) {
    FUZZ_CHECK(grid.ColWidths(c) >= 0 && grid.ColWidths(c) <= 32767);
    shown.push_back(std::stoi(grid.GetGridCell(c, 0)));
  }
  FUZZ_CHECK(IsOrderOfAll(shown, count));
  const std::vector<int> stored = StoredPositions(count);
  if (IsOrderOfAll(stored, count)) FUZZ_CHECK(shown == stored);
  if (!EveryColumnPlaced(stored, count)) {
    for (int c = 0; c < count; ++c) FUZZ_CHECK(shown[c] == c);
    FUZZ_CHECK(grid.ColumnOrder()->Count() == 0);
  }
  return 0;
}
