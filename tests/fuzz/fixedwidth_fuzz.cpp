// The fixed-width reader on any file and any field positions: it stores
// every line inside the grid, grows the grid by the lines and no further,
// and never asks for more cells than the grid may hold.
//
// Input: a byte with the number of positions (0 to 7), that many position
// bytes, a byte whose bit 0 sets ExportFixedCells, then the file.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>

#include "grid/vazeri.h"
#include "tests/fuzz/gridfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  TIntList positions(0, 0);
  for (int n = input.ConsumeIntegral<std::uint8_t>() % 8; n > 0; --n)
    positions.Add(input.ConsumeIntegral<std::uint8_t>());
  gridfuzz::Grid loaded;
  loaded.grid.SetFixedCols(1);
  loaded.grid.SetFixedRows(1);
  loaded.grid.ExportFixedCells = input.ConsumeIntegral<std::uint8_t>() & 1;
  const std::string text = input.ConsumeRemainingBytesAsString();
  const auto lines = std::count(text.begin(), text.end(), '\n') + (!text.empty() && text.back() != '\n');
  if (lines * std::max(positions.Count(), 2) > gridfuzz::kCellsTried) return 0;
  const int firstRow = loaded.grid.GetSaveStartRow();
  const MemoryFile file(text);
  loaded.grid.LoadFromFixed(file.Path(), positions);
  FUZZ_CHECK(loaded.WithinLimits());
  FUZZ_CHECK(loaded.grid.ColCount() == std::max(1, 1 + positions.Count() - 1));
  FUZZ_CHECK(loaded.grid.RowCount() == std::max<std::int64_t>(3, firstRow + lines));
  return 0;
}
