// The binary cell stream's reader on any bytes: it either places cells and
// leaves a grid no larger than the stream could describe, or refuses the
// stream with EDurUzavError and leaves the grid as it was. Any other
// exception, a crash or a sanitizer report fails.
//
// Input: a byte that chooses the load (bit 0: the whole grid or placed at
// a cell, bits 1-3 the cell), then the stream.
#include <cstdint>
#include <string>

#include "framework/streams.h"
#include "tests/fuzz/gridfuzz.h"

namespace {

// Larger inputs only describe larger grids, which take longer to fill
// without reaching new code.
constexpr std::size_t kMaxInput = 1500;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > kMaxInput) return 0;
  gridfuzz::Grid target;
  TVudUvizidIzed& grid = target.grid;
  grid.GetCellProperties(1, 1)->FontSize = 7;
  TStringStream stream(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
  try {
    if (data[0] & 1) grid.LoadFromBinStream(stream);
    else grid.LoadAtPointFromBinStream(TPoint{(data[0] >> 1) & 7, (data[0] >> 4) & 7}, stream);
  } catch (const EDurUzavError&) {
    FUZZ_CHECK(target.Unchanged());
    FUZZ_CHECK(grid.GetCellProperties(1, 1)->FontSize == 7);
    return 0;
  }
  // Every row and column of a loaded grid was paid for by the stream's
  // sizes or cells, beyond the fixed ones.
  FUZZ_CHECK(static_cast<std::size_t>(grid.ColCount()) <= size + 3);
  FUZZ_CHECK(static_cast<std::size_t>(grid.RowCount()) <= size + 3);
  return 0;
}
