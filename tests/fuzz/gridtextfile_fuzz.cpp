// The grid text file reader on any file: it loads or refuses with the
// grid's error and the grid as it was, never asks for more cells than the
// grid may hold, reports progress of 0 to 100 only, and what it loaded is
// saved and read back unchanged.
#include <vector>

#include "tests/fuzz/gridfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (gridfuzz::AsksForManyCells(bytes, 0, 0)) return 0;
  const MemoryFile file(bytes);
  gridfuzz::Grid loaded;
  loaded.grid.Props().Multilinecells = true;
  std::vector<short> progress;
  loaded.grid.OnFileProgress = [&](TObject*, short p) { progress.push_back(p); };
  try {
    loaded.grid.LoadFromFile(file.Path());
  } catch (const EDurUzavError& e) {
    FUZZ_CHECK(e.Message == "File contains no data or corrupt file " + file.Path());
    FUZZ_CHECK(loaded.Unchanged());
    return 0;
  }
  FUZZ_CHECK(loaded.WithinLimits());
  for (short p : progress) FUZZ_CHECK(p >= 0 && p <= 100);

  const MemoryFile copy("");
  loaded.grid.OnFileProgress = nullptr;
  loaded.grid.SaveToFile(copy.Path());
  gridfuzz::Grid again;
  again.grid.Props().Multilinecells = true;
  again.grid.LoadFromFile(copy.Path());
  FUZZ_CHECK(gridfuzz::SameCells(loaded.grid, again.grid));
  return 0;
}
