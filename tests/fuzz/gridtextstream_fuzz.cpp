// The grid's text stream reader on any stream: it loads or refuses with the
// grid's error, never past the stream's end or outside the grid, and what
// it loaded is written and read back unchanged, leaving the stream right
// after what was written.
#include "framework/streams.h"
#include "tests/fuzz/gridfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (gridfuzz::AsksForManyCells(bytes, 0, 0)) return 0;
  TStringStream stream{AnsiString(bytes)};
  gridfuzz::Grid loaded;
  loaded.grid.Props().Multilinecells = true;
  try {
    loaded.grid.LoadFromStream(stream);
  } catch (const EDurUzavError&) {
    FUZZ_CHECK(loaded.WithinLimits());
    return 0;
  }
  FUZZ_CHECK(stream.Position() >= 0 && stream.Position() <= static_cast<std::int64_t>(size));
  FUZZ_CHECK(loaded.WithinLimits());

  TMemoryStream copy;
  loaded.grid.SaveToStream(copy);
  const std::int64_t written = copy.Position();
  copy.WriteBuffer("tail", 4);
  copy.SetPosition(0);
  gridfuzz::Grid again;
  again.grid.Props().Multilinecells = true;
  again.grid.LoadFromStream(copy);
  FUZZ_CHECK(copy.Position() == written);
  FUZZ_CHECK(gridfuzz::SameCells(loaded.grid, again.grid));
  return 0;
}
