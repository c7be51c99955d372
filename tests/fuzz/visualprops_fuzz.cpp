// The grid's visual-properties reader: any text either loads or ends in a
// conversion error, nothing else; a look that loaded is written back as a
// file that loads into another grid as the same look, with sizes a grid can
// draw.
//
// Input: the file's text.
#include "grid/duruzav.h"
#include "grid/visualprops.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tests/fuzz/offscreenwindows.h"

namespace {

void CheckDrawable(TVudUvizidIzed& grid) {
  for (TFont* font : {grid.Font(), grid.ActiveCellFont(), grid.FixedFont()})
    FUZZ_CHECK(font->Size() >= 1 && font->Size() <= 1638);
  FUZZ_CHECK(grid.ControlLook()->CheckSize() >= 0 && grid.ControlLook()->CheckSize() <= 255);
  FUZZ_CHECK(grid.Grouping()->HeaderLineWidth >= 0 && grid.Grouping()->HeaderLineWidth <= 255);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The grids live across inputs: a complete file sets every property, so
  // what an earlier input left does not change what is written.
  static TVudUvizidIzed grid(nullptr), other(nullptr);
  TVisualPropsFile file(grid);
  try {
    file.Apply(AnsiString(reinterpret_cast<const char*>(data), size));
  } catch (const EConvertError&) {
    return 0;
  }
  CheckDrawable(grid);
  const AnsiString written = file.ToText();
  TVisualPropsFile again(other);
  again.Apply(written);
  FUZZ_CHECK(again.ToText() == written);
  return 0;
}
