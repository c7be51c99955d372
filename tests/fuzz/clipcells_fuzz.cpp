// A paste of any clipboard contents: the grid's private cells format (its
// binary cell stream, from any program) and plain text, into a selection
// with the smart fill on. A paste either succeeds or refuses the private
// data with EDurUzavError leaving the grid as it was; nothing else escapes.
//
// Input: a byte that chooses the format (bit 0: private or text), the
// selection's corner (bits 1 and 3) and whether it is one column (bit 4), then
// the clipboard's bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/services.h"
#include "grid/gridclipboard.h"
#include "tests/fuzz/gridfuzz.h"

namespace {

constexpr std::size_t kMaxInput = 1500;

// A clipboard that holds what the input gives; nothing else is asked.
class FuzzClipboard : public TServices {
 public:
  TClipboardData data;
  int MessageBox(const AnsiString&, const AnsiString&, unsigned) override { return IDOK; }
  bool FileDialog(const TFileDialogRequest&, std::vector<AnsiString>&) override { return false; }
  bool OpenUrl(const AnsiString&) override { return false; }
  AnsiString ClipboardText() override { return data.text; }
  void SetClipboardText(const AnsiString& text) override { data = TClipboardData{text, {}, {}}; }
  void SetClipboardData(const TClipboardData& d) override { data = d; }
  TClipboardData ClipboardData() override { return data; }
  void Beep() override {}
  void SetScreenCursor(TCursor) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > kMaxInput) return 0;
  static FuzzClipboard clipboard;
  InstallServices(&clipboard);
  gridfuzz::Grid target;
  TVudUvizidIzed& grid = target.grid;
  grid.SetOptions(grid.Options() | goEditing);
  grid.Navigation()->AllowFmtClipboard = true;
  grid.Navigation()->AllowSmartClipboard = true;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  clipboard.data = TClipboardData{};
  if (data[0] & 1) clipboard.data.formats[TGridClipboard::CellsFormat()] = bytes;
  else clipboard.data.text = bytes;
  const int left = 1 + ((data[0] >> 1) & 1), top = 1 + ((data[0] >> 3) & 1);
  const bool oneColumn = data[0] & 0x10;
  grid.SetSelection(TGridRect{left, top, oneColumn ? left : 2, oneColumn ? 2 : top});
  try {
    grid.PasteSelectionFromClipboard();
  } catch (const EDurUzavError&) {
    FUZZ_CHECK(data[0] & 1);
    FUZZ_CHECK(target.Unchanged());
  }
  InstallServices(nullptr);
  return 0;
}
