#include "grid/gridfileio.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "framework/streams.h"
#include "grid/duruzav.h"

std::optional<std::string> ReadWholeFile(const AnsiString& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes;
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0) bytes.append(block, static_cast<std::size_t>(in.gcount()));
  // A directory opens but cannot be read.
  if (in.bad()) return std::nullopt;
  return bytes;
}

TBufferedFileWriter::TBufferedFileWriter(const AnsiString& fileName, bool append) {
  if (append) {
    try {
      file_ = new TFileStream(fileName, fmOpenWrite);
      file_->Seek(0, soEnd);
    } catch (const EStreamError&) {
      file_ = nullptr;
    }
  }
  if (!file_) {
    try {
      file_ = new TFileStream(fileName, fmCreate);
    } catch (const EStreamError&) {
      throw EDurUzavError("Cannot Create file " + fileName);
    }
  }
  buffer_.reserve(kBlock + 4096);
}

TBufferedFileWriter::~TBufferedFileWriter() { delete file_; }

void TBufferedFileWriter::Flush() {
  file_->WriteBuffer(buffer_.data(), static_cast<std::int64_t>(buffer_.size()));
  buffer_.clear();
}

void TBufferedFileWriter::Close() {
  Flush();
  delete file_;
  file_ = nullptr;
}

TFileProgress::TFileProgress(TVudUvizidIzed& grid) : grid_(grid) {}

void TFileProgress::Report(double done, double total) {
  if (!grid_.OnFileProgress) return;
  const int percent = total > 0 ? static_cast<int>(std::nearbyint(std::clamp(100.0 * done / total, 0.0, 100.0))) : 100;
  if (percent == last_) return;
  last_ = percent;
  grid_.OnFileProgress(&grid_, static_cast<short>(percent));
}

namespace {

// Cells a file may always add, whatever its size, and per byte beyond that.
constexpr long long kFreeCells = 1LL << 20;
constexpr long long kCellsPerByte = 64;

}  // namespace

void CheckGridGrowth(const TVudUvizidIzed& grid, long long cols, long long rows, std::size_t fileBytes,
                     const AnsiString& fileName) {
  constexpr long long kIndexLimit = 0x7FFFFFFF;
  const long long now = static_cast<long long>(grid.ColCount()) * grid.RowCount();
  const long long allowed = std::max(kFreeCells, kCellsPerByte * static_cast<long long>(fileBytes));
  if (cols > kIndexLimit || rows > kIndexLimit || (cols * rows - now) > allowed)
    throw EDurUzavError("Cannot load more cells than the grid can hold from file " + fileName);
}
