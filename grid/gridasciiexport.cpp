#include "grid/gridasciiexport.h"

#include <filesystem>
#include <memory>
#include <vector>

#include "framework/forms.h"
#include "framework/streams.h"
#include "framework/sysutils.h"
#include "grid/duruzav.h"
#include "grid/zgutil.h"

namespace {

constexpr std::string_view kLineBreak = "\r\n";

// Opens the report: appended to an existing file or made new.
std::unique_ptr<TFileStream> OpenReport(const AnsiString& fileName, bool append) {
  try {
    if (append && std::filesystem::exists(fileName)) {
      auto file = std::make_unique<TFileStream>(fileName, fmOpenWrite);
      file->Seek(0, soEnd);
      return file;
    }
    return std::make_unique<TFileStream>(fileName, fmCreate);
  } catch (const EStreamError&) {
    throw EDurUzavError("Cannot create file " + fileName);
  }
}

// The text brought to the column's width as the cell aligns it.
AnsiString Aligned(AnsiString text, int width, TAlignment align) {
  int length = CharCount(text);
  if (align == taRightJustify && length < width) return AnsiString(width - length, ' ') + text;
  if (align == taCenter)
    for (; length < width; length += 2) text = " " + text + " ";
  return text;
}

AnsiString Spaces(int count) { return count > 0 ? AnsiString(count, ' ') : AnsiString(); }

// The cell's first line, and its further lines when they are exported.
std::vector<AnsiString> CellLines(const AnsiString& text, bool multiline) {
  std::vector<AnsiString> lines;
  std::size_t from = 0;
  for (;;) {
    const std::size_t pair = text.find(kLineBreak, from);
    lines.push_back(text.substr(from, pair == AnsiString::npos ? AnsiString::npos : pair - from));
    if (pair == AnsiString::npos || !multiline) return lines;
    from = pair + kLineBreak.size();
  }
}

// Ends the export whatever happened in it: the cursor back, the grid told.
class TExportScope {
 public:
  explicit TExportScope(TVudUvizidIzed& grid) : grid_(grid), cursor_(Screen->Cursor()) {
    Screen->SetCursor(crHourGlass);
  }
  ~TExportScope() {
    grid_.ExportNotification(esExportDone, -1);
    Screen->SetCursor(cursor_);
  }
  TExportScope(const TExportScope&) = delete;
  TExportScope& operator=(const TExportScope&) = delete;

 private:
  TVudUvizidIzed& grid_;
  TCursor cursor_;
};

}  // namespace

void TGridAsciiExport::Save(const AnsiString& fileName, bool append) {
  const bool multiline = grid_.Props().Multilinecells;
  const int extra = grid_.ExportHiddenColumns ? grid_.NumHiddenColumns() : 0;
  std::vector<int> stored, widths;
  for (int c = 0; c < grid_.ColCount() + extra; ++c) {
    stored.push_back(grid_.ExportHiddenColumns ? c : grid_.RemapCol(c));
    widths.push_back(grid_.MaxCharsInCol(stored.back()));
  }
  const std::unique_ptr<TFileStream> file = OpenReport(fileName, append);
  TExportScope scope(grid_);
  grid_.ExportNotification(esExportStart, -1);
  for (int r = 0; r < grid_.RowCount(); ++r) {
    grid_.ExportNotification(esExportNewRow, r);
    AnsiString line;
    std::vector<AnsiString> continuations;
    int columnStart = 0;
    for (std::size_t i = 0; i < stored.size(); ++i) {
      const int s = stored[i], w = widths[i];
      const TAlignment align = grid_.GetCellAlignment(s, r).HAlign;
      const std::vector<AnsiString> lines = CellLines(grid_.SaveCell(s, r), multiline);
      for (std::size_t k = 1; k < lines.size(); ++k) {
        if (continuations.size() < k) continuations.emplace_back();
        AnsiString& continuation = continuations[k - 1];
        continuation += Spaces(columnStart - CharCount(continuation)) + Aligned(lines[k], w, align);
      }
      const AnsiString first = Aligned(lines.front(), w, align);
      line += first + Spaces(w - CharCount(first) + 1);
      columnStart += w + 1;
    }
    AnsiString out = line + AnsiString(kLineBreak);
    for (const AnsiString& continuation : continuations) out += continuation + AnsiString(kLineBreak);
    file->WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
  }
}
