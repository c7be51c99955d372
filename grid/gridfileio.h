#pragma once
// What the grid's delimited and XML files share: the whole file read into
// memory, a buffered writer, the percentage reported through OnFileProgress
// and the bound on how much a file may grow the grid.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "framework/sysutils.h"

class TFileStream;
class TVudUvizidIzed;

// The file's bytes; nullopt when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const AnsiString& fileName);

// Collects the text and writes it to the file in large blocks. A file that
// cannot be created (or, appending, opened and then created) raises
// EDurUzavError "Cannot Create file " + name; a failed write raises
// EWriteError.
class TBufferedFileWriter {
 public:
  TBufferedFileWriter(const AnsiString& fileName, bool append);
  ~TBufferedFileWriter();
  TBufferedFileWriter(const TBufferedFileWriter&) = delete;
  TBufferedFileWriter& operator=(const TBufferedFileWriter&) = delete;

  void Write(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kBlock) Flush();
  }
  void Put(char c) {
    buffer_.push_back(c);
    if (buffer_.size() >= kBlock) Flush();
  }
  // Writes what is left; the destructor drops it when Close was not reached.
  void Close();

 private:
  static constexpr std::size_t kBlock = 1 << 20;
  void Flush();
  TFileStream* file_ = nullptr;
  std::string buffer_;
};

// A percentage for OnFileProgress: done of total rounded to the nearest
// integer (ties to even), kept within 0..100, fired only when it changed.
class TFileProgress {
 public:
  explicit TFileProgress(TVudUvizidIzed& grid);
  void Report(double done, double total);

 private:
  TVudUvizidIzed& grid_;
  int last_ = -1;
};

// Raises EDurUzavError "Cannot load more cells than the grid can hold from
// file " + name when giving the grid cols x rows cells would add more than a
// file of fileBytes may bring. The grid's cells are dense: a few bytes of
// separators or tags could otherwise ask for a grid of billions of cells.
void CheckGridGrowth(const TVudUvizidIzed& grid, long long cols, long long rows, std::size_t fileBytes,
                     const AnsiString& fileName);
