// The grid's CSV reader on any file: a load either fills the grid, growing it
// only as far as the file's records and fields reach, or is refused with the
// file's name and the grid as it was; the separator setting survives either
// way; progress climbs from 0 to 100 and no further; and with multi-line
// cells what the grid then writes reads back cell for cell.
//
// Input: a byte of options (bit 0 insert, bit 1 fixed cells included, bit 2
// multi-line cells, bit 3 Java line breaks, bit 4 OEM code page, bits 5-7 the
// separator: none, ',', ';', TAB, '|'), then the file.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "grid/duruzav.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tests/fuzz/gridfiles.h"

namespace {

constexpr char kSeparators[] = {'\0', ',', ';', '\t', '|', '\0', ',', ';'};

void CheckRoundTrip(TVudUvizidIzed& grid, char separator) {
  const MemoryFile out("");
  const std::string path = out.Path();
  grid.ExportFixedCells = true;
  grid.SaveToCSV(path);
  TVudUvizidIzed& again = EmptyGrid(1);
  again.SetColCount(1);
  again.CsvSeparator = separator != '\0' ? separator : ',';
  again.LoadFromCSV(path);
  FUZZ_CHECK(again.RowCount() == grid.RowCount());
  FUZZ_CHECK(again.ColCount() == grid.ColCount());
  FUZZ_CHECK(Cells(again) == Cells(grid));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t options = data[0];
  const MemoryFile file(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);

  TVudUvizidIzed& grid = EmptyGrid(0);
  grid.SetCellEx(1, 1, "before");
  grid.ExportFixedCells = (options & 2) != 0;
  grid.Props().Multilinecells = (options & 4) != 0;
  grid.JavaLineBreaks = (options & 8) != 0;
  grid.Props().OemConvert = (options & 16) != 0;
  grid.CsvSeparator = kSeparators[options >> 5];
  std::vector<int> progress;
  grid.OnFileProgress = [&](TObject*, short p) { progress.push_back(p); };
  const std::vector<AnsiString> before = Cells(grid);

  const bool insert = (options & 1) != 0;
  try {
    grid.InputFromCSV(file.Path(), insert);
  } catch (const EDurUzavError& e) {
    FUZZ_CHECK(e.Message.find(file.Path()) != AnsiString::npos);
    FUZZ_CHECK(grid.RowCount() == 3 && grid.ColCount() == 3 && Cells(grid) == before);
    FUZZ_CHECK(progress.empty());
    return 0;
  }
  FUZZ_CHECK(grid.CsvSeparator == kSeparators[options >> 5]);
  FUZZ_CHECK(std::is_sorted(progress.begin(), progress.end()));
  FUZZ_CHECK(progress.empty() || (progress.front() >= 0 && progress.back() == 100));
  // A record takes a line at least, a field a byte at least.
  const long long lineEnds = std::count_if(bytes.begin(), bytes.end(), [](char c) { return c == '\r' || c == '\n'; });
  FUZZ_CHECK(grid.RowCount() <= (insert ? 3 : 1) + lineEnds + 1);
  FUZZ_CHECK(grid.ColCount() <= std::max<long long>(3, 2 + static_cast<long long>(bytes.size())));

  if (grid.Props().Multilinecells && !grid.JavaLineBreaks && !grid.Props().OemConvert)
    CheckRoundTrip(grid, grid.CsvSeparator);
  return 0;
}
