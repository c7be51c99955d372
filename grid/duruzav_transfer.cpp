// The grid's binary cell stream and clipboard operations, forwarded to the
// classes that do the work.
#include <unistd.h>

#include <atomic>

#include "grid/duruzav.h"
#include "grid/gridbinstream.h"
#include "grid/gridclipboard.h"

int TGridTransferState::NewGridId() {
  static std::atomic<int> serial{0};
  // The process in the high bits, so that grids of two running programs
  // differ too.
  return static_cast<int>((static_cast<unsigned>(::getpid()) << 12) ^ static_cast<unsigned>(++serial));
}

void TVudUvizidIzed::SaveToBinStream(TStream& stream) { TGridBinStream(*this).Save(stream); }
void TVudUvizidIzed::SaveRectToBinStream(const TRect& r, TStream& stream) { TGridBinStream(*this).SaveRect(r, stream); }
void TVudUvizidIzed::SaveToBinFile(const AnsiString& fileName) { TGridBinStream(*this).SaveToFile(fileName); }

void TVudUvizidIzed::LoadAtPointFromBinStream(TPoint pt, TStream& stream) {
  TGridBinStream(*this).LoadAtPoint(pt, stream, TGridBinStream::SourceName(stream));
}

void TVudUvizidIzed::LoadFromBinStream(TStream& stream) {
  LoadAtPointFromBinStream(TPoint{0, 0}, stream);
  RecountNodes();
}

void TVudUvizidIzed::LoadFromBinFile(const AnsiString& fileName) {
  TGridBinStream(*this).LoadFromFile(fileName);
  RecountNodes();
}

void TVudUvizidIzed::RecountNodes() {
  nodeCount_ = 0;
  for (int r = FixedRows(); r < RowCount(); ++r)
    if (GetCellType(0, r) == ctNode) ++nodeCount_;
  if (nodeCount_ > 0) RepaintCol(0);
}

void TVudUvizidIzed::CopyToClipBoard() { TGridClipboard(*this).CopyToClipBoard(); }
void TVudUvizidIzed::CopySelectionToClipboard() { TGridClipboard(*this).CopySelectionToClipboard(); }
void TVudUvizidIzed::CutToClipboard() { TGridClipboard(*this).CutToClipboard(); }
void TVudUvizidIzed::CutSelectionToClipboard() { TGridClipboard(*this).CutSelectionToClipboard(); }
void TVudUvizidIzed::CopyToClipBoardAsHTML() { TGridClipboard(*this).CopyToClipBoardAsHTML(); }
void TVudUvizidIzed::CorrectSelection() { TGridClipboard(*this).CorrectSelection(); }
void TVudUvizidIzed::PasteFromClipboard() { TGridClipboard(*this).PasteFromClipboard(); }
void TVudUvizidIzed::PasteSelectionFromClipboard() { TGridClipboard(*this).PasteSelectionFromClipboard(); }
int TVudUvizidIzed::PasteFunc(int col, int row) { return TGridClipboard(*this).PasteFunc(col, row); }
int TVudUvizidIzed::PasteText(int col, int row, const AnsiString& text) {
  return TGridClipboard(*this).PasteText(col, row, text);
}
TPoint TVudUvizidIzed::PasteSize(const AnsiString& text) { return TGridClipboard::PasteSize(text); }
void TVudUvizidIzed::PasteInCell(int col, int row, AnsiString value) { TGridClipboard(*this).WriteCell(col, row, value); }
void TVudUvizidIzed::PasteNotify(const TPoint&, const TGridRect&, TClipOperation) {}
