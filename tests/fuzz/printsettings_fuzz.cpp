// The print settings reader over an INI file: whatever the section holds,
// the settings stay within what printing can lay out (enumerations in
// range, lengths and font sizes bounded), what loaded is saved and loaded
// again unchanged, and a preview of a small grid with them ends.
//
// Input: the INI text, whose section "Print" holds the settings.
#include <unistd.h>

#include <QImage>
#include <cstdio>

#include "framework/settingsstores.h"
#include "grid/duruzav.h"
#include "grid/gridprint.h"
#include "grid/gridprintsettings.h"
#include "tests/fuzz/fuzzcheck.h"
#include "tests/fuzz/memoryfile.h"
#include "tests/fuzz/offscreenwindows.h"

namespace {

bool Length(int v) { return v >= -32767 && v <= 32767; }

void CheckBounded(TPrintSettings& s) {
  for (int v : {s.ColumnSpacing, s.RowSpacing, s.TitleSpacing, s.FixedHeight, s.FixedWidth, s.FooterSize,
                s.HeaderSize, s.LeftSize, s.RightSize})
    FUZZ_CHECK(Length(v));
  for (TPrintPosition p : {s.Date, s.PageNr, s.Title, s.Time}) FUZZ_CHECK(p >= ppNone && p <= ppBottomCenter);
  FUZZ_CHECK(s.Borders >= pbNoborder && s.Borders <= pbCustom);
  FUZZ_CHECK(s.BorderStyle >= psSolid && s.BorderStyle <= psInsideFrame);
  FUZZ_CHECK(s.FitToPage >= fpNever && s.FitToPage <= fpCustom);
  FUZZ_CHECK(s.Orientation == poPortrait || s.Orientation == poLandscape);
  for (TFont* font : {s.Font(), s.HeaderFont(), s.FooterFont()}) FUZZ_CHECK(font->Size() >= 1 && font->Size() <= 1638);
}

// The INI writer replaces its file as a whole: the written files are real
// ones of this process, removed after each input.
std::string WrittenPath(const char* name) {
  return "/tmp/printsettings-fuzz-" + std::to_string(getpid()) + "-" + name + ".ini";
}

AnsiString Saved(TPrintSettings& settings, const std::string& path) {
  std::remove(path.c_str());
  TIniFile ini(path);
  TPrintSettingsStore(settings).Save(ini, "Print");
  TStringList values;
  ini.ReadSectionValues("Print", &values);
  std::remove(path.c_str());
  return values.Text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const MemoryFile input(std::string_view(reinterpret_cast<const char*>(data), size));
  TVudUvizidIzed grid(nullptr);
  TPrintSettings& settings = *grid.PrintSettings();
  TPrintSettingsStore(settings).Load(TIniFile(input.Path()), "Print");
  CheckBounded(settings);

  const AnsiString written = Saved(settings, WrittenPath("first"));
  const MemoryFile copy("[Print]\n" + written);
  TVudUvizidIzed other(nullptr);
  TPrintSettingsStore(*other.PrintSettings()).Load(TIniFile(copy.Path()), "Print");
  FUZZ_CHECK(Saved(*other.PrintSettings(), WrittenPath("second")) == written);

  grid.SetColCount(3);
  grid.SetRowCount(3);
  for (int c = 0; c < 3; ++c) grid.SetCellEx(c, 1, "cell");
  QImage image(200, 280, QImage::Format_RGB32);
  TCanvas canvas;
  canvas.AttachDevice(&image);
  grid.PrintPreview(&canvas, {0, 0, 200, 280});
  FUZZ_CHECK(grid.Printing().PrintPageCount >= 0);
  return 0;
}
