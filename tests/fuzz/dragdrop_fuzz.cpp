// A drop of any data on a grid: the blocks another program's data object
// renders (text, a grid column, a file list, rich text), either as they
// come or through the MIME data of a Qt drag. Every read stays inside its
// block and the drop leaves a grid within its limits; nothing escapes but
// the file errors of a dropped CSV name.
//
// Input: a byte of switches (bit 0: through MIME data; bit 1: rows are
// inserted; bit 2: columns accepted; bit 3: Ctrl held), then the blocks of
// text, column, file list and rich text, separated by "\xFF\xFE".
#include <QMimeData>
#include <cstdint>
#include <string>
#include <vector>

#include "grid/griddragdrop.h"
#include "tests/fuzz/gridfuzz.h"

namespace {

constexpr std::size_t kMaxInput = 1500;

std::vector<std::string> Blocks(std::string rest) {
  std::vector<std::string> blocks;
  for (std::size_t at; blocks.size() < 3 && (at = rest.find("\xFF\xFE")) != std::string::npos;) {
    blocks.push_back(rest.substr(0, at));
    rest.erase(0, at + 2);
  }
  blocks.push_back(rest);
  blocks.resize(4);
  return blocks;
}

std::shared_ptr<IDataObject> DataOf(bool asMime, const std::vector<std::string>& blocks) {
  if (asMime) {
    QMimeData mime;
    mime.setData("text/plain", QByteArray::fromStdString(blocks[0]));
    mime.setData(kColumnMimeType, QByteArray::fromStdString(blocks[1]));
    mime.setData("text/uri-list", QByteArray::fromStdString(blocks[2]));
    mime.setData(kRichTextMimeType, QByteArray::fromStdString(blocks[3]));
    return DataObjectFromMime(mime);
  }
  auto data = std::make_shared<TMemoryDataObject>();
  const unsigned short formats[] = {CF_TEXT, ColumnFormat(), CF_HDROP, RTFFormat()};
  for (int i = 0; i < 4; ++i) data->Add(formats[i], GlobalFromBytes(blocks[i]));
  return data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > kMaxInput) return 0;
  gridfuzz::Grid target;
  TVudUvizidIzed& grid = target.grid;
  grid.SetBounds(0, 0, 300, 200);
  grid.SetOptions(grid.Options() | goEditing);
  grid.DragDropSettings()->OleInsertRows = data[0] & 2;
  grid.DragDropSettings()->OleColumnDragDrop = data[0] & 4;
  SetRTFAware(true);
  const std::shared_ptr<IDataObject> dropped =
      DataOf(data[0] & 1, Blocks(std::string(reinterpret_cast<const char*>(data) + 1, size - 1)));
  TGridDropTarget dropTarget(grid);
  const TRect cell = grid.CellRect(1, 1);
  const TPoint at = grid.ClientToScreen({cell.Left + 2, cell.Top + 2});
  const DWORD keys = (data[0] & 8) ? MK_CONTROL : 0;
  DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
  try {
    dropTarget.DragEnter(dropped, keys | MK_LBUTTON, at, &effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    dropTarget.DragOver(keys | MK_LBUTTON, at, &effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    dropTarget.Drop(dropped, keys, at, &effect);
  } catch (const Exception&) {
    // A dropped name ending in .csv that cannot be read.
  }
  FUZZ_CHECK(effect <= (DROPEFFECT_COPY | DROPEFFECT_MOVE));
  FUZZ_CHECK(target.WithinLimits());
  SetRTFAware(false);
  return 0;
}
