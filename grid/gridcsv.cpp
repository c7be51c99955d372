#include "grid/gridcsv.h"

#include <algorithm>
#include <vector>

#include "grid/duruzav.h"
#include "grid/gridfileio.h"
#include "grid/zgutil.h"

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kQuote = '"';
constexpr std::string_view kCandidates = ",;#\t|@*-+&";

bool Holds(std::string_view text, char c) { return text.find(c) != std::string_view::npos; }

// The physical line starting at `from` (without its CR LF, LF or CR) and
// where the next one starts.
std::string_view LineAt(std::string_view bytes, std::size_t& from) {
  const std::size_t start = std::min(from, bytes.size());
  std::size_t end = bytes.find_first_of("\r\n", start);
  if (end == std::string_view::npos) end = bytes.size();
  from = end;
  if (from < bytes.size() && bytes[from] == kCR) ++from;
  if (from < bytes.size() && bytes[from] == kLF && (from == end || bytes[from - 1] == kCR)) ++from;
  return bytes.substr(start, end - start);
}

// Splits the file into records of fields. A field that starts with a double
// quote runs to the quote that closes it, over line ends if need be (each
// becomes CR LF in the field); doubled quotes inside stand for one. In an
// unquoted field a doubled quote stands for one and a lone one is dropped.
// A record that ends with the separator has no empty last field, and an
// empty line has no field at all. Without keeping, only the fields are
// counted.
class TCsvScanner {
 public:
  TCsvScanner(std::string_view bytes, char separator, bool keep)
      : bytes_(bytes), separator_(separator), hasSeparator_(separator != '\0'), keep_(keep) {}

  // False at the end of the file.
  bool NextRecord(std::vector<AnsiString>& fields, int& count) {
    if (pos_ >= bytes_.size()) return false;
    count = 0;
    if (AtLineEnd()) {
      SkipLineEnd();
      return true;
    }
    for (;;) {
      AnsiString* field = nullptr;
      if (keep_) {
        if (fields.size() <= static_cast<std::size_t>(count)) fields.emplace_back();
        field = &fields[static_cast<std::size_t>(count)];
        field->clear();
      }
      ++count;
      if (bytes_[pos_] == kQuote) {
        QuotedField(field);
      } else {
        PlainField(field);
      }
      if (pos_ >= bytes_.size()) return true;
      if (AtLineEnd()) {
        SkipLineEnd();
        return true;
      }
      ++pos_;  // the separator
      if (pos_ >= bytes_.size()) return true;
      if (AtLineEnd()) {
        SkipLineEnd();
        return true;
      }
    }
  }

 private:
  bool AtLineEnd() const { return bytes_[pos_] == kCR || bytes_[pos_] == kLF; }
  bool AtSeparator() const { return hasSeparator_ && bytes_[pos_] == separator_; }
  void SkipLineEnd() { LineAt(bytes_, pos_); }

  void PlainField(AnsiString* field) {
    const std::size_t start = pos_;
    while (pos_ < bytes_.size() && !AtSeparator() && !AtLineEnd()) ++pos_;
    if (!field) return;
    const std::string_view text = bytes_.substr(start, pos_ - start);
    if (Holds(text, kQuote)) {
      *field = DoubleToSingleChar(kQuote, AnsiString(text));
    } else {
      field->assign(text);
    }
  }

  void QuotedField(AnsiString* field) {
    ++pos_;
    while (pos_ < bytes_.size()) {
      const char c = bytes_[pos_];
      if (c == kQuote) {
        if (pos_ + 1 < bytes_.size() && bytes_[pos_ + 1] == kQuote) {
          if (field) field->push_back(kQuote);
          pos_ += 2;
          continue;
        }
        ++pos_;
        break;
      }
      if (c == kCR || c == kLF) {
        SkipLineEnd();
        if (field) field->append("\r\n");
        continue;
      }
      if (field) field->push_back(c);
      ++pos_;
    }
    // Whatever follows the closing quote up to the separator is dropped.
    while (pos_ < bytes_.size() && !AtSeparator() && !AtLineEnd()) ++pos_;
  }

  std::string_view bytes_;
  std::size_t pos_ = 0;
  char separator_;
  bool hasSeparator_;
  bool keep_;
};

// The file's records counted and its widest record measured, before the
// grid is touched.
struct TCsvShape {
  long long records = 0;
  int widest = 0;
};

TCsvShape Measure(std::string_view bytes, char separator) {
  TCsvShape shape;
  TCsvScanner scanner(bytes, separator, false);
  std::vector<AnsiString> none;
  for (int count = 0; scanner.NextRecord(none, count);) {
    ++shape.records;
    shape.widest = std::max(shape.widest, count);
  }
  return shape;
}

}  // namespace

// ---- Separator ----

char TGridCsv::DetectSeparator(std::string_view firstLine, std::string_view secondLine) {
  const std::string_view lines[] = {firstLine, secondLine};
  auto counts = [&](char c, auto count) { return std::pair{count(c, lines[0]), count(c, lines[1])}; };
  auto single = [](char c, std::string_view s) { return NumSingleChar(c, s); };
  auto plain = [](char c, std::string_view s) { return NumChar(c, s); };
  // Both lines holding the same number of the candidate, first of lone
  // occurrences, then of any.
  for (bool lone : {true, false}) {
    char chosen = '\0';
    int best = 0;
    for (char c : kCandidates) {
      const auto [a, b] = lone ? counts(c, single) : counts(c, plain);
      if (a == b && a > best) chosen = c, best = a;
    }
    if (chosen != '\0') return chosen;
  }
  // Then the candidate either line holds most of.
  char chosen = '\0';
  int best = 0;
  for (char c : kCandidates) {
    const auto [a, b] = counts(c, plain);
    if (a > best || b > best) chosen = c, best = std::max(a, b);
  }
  return chosen;
}

// ---- Writing ----

AnsiString TGridCsv::Field(AnsiString text, char separator) const {
  const TCsvSettings& csv = grid_.Csv();
  const bool multiline = grid_.Props().Multilinecells;
  if (Holds(text, kQuote)) text = CSVQuotes(text);
  if (grid_.Props().OemConvert) StringToOem(text);
  bool quoted = false;
  if (csv.CsvQuoteAll || (!Holds(text, separator) && Holds(text, kQuote))) {
    text = kQuote + text + kQuote;
    quoted = true;
  }
  if (text.empty()) {
    if (csv.JavaLineBreaks) {
      text = "^";
    } else if (csv.CsvQuoteEmpty) {
      text = "\"\"";
    }
  }
  if (Holds(text, separator) || (multiline && Holds(text, kCR))) {
    if (csv.JavaLineBreaks) {
      LineFeedsToJava(text);
    } else if (!quoted) {
      LineFeedsToCSV(text);
    } else {
      LineFeedsToCSVNQ(text);
    }
  }
  return text;
}

void TGridCsv::Output(const AnsiString& fileName, bool append) {
  const char separator = grid_.Csv().CsvSeparator != '\0' ? grid_.Csv().CsvSeparator : ',';
  const int extraCols = grid_.ExportHiddenColumns ? grid_.NumHiddenColumns() : 0;
  TBufferedFileWriter file(fileName, append);
  TFileProgress progress(grid_);
  grid_.ExportNotification(esExportStart, -1);
  const int lastCol = grid_.GetSaveEndCol() + extraCols;
  for (int row = grid_.GetSaveStartRow(); row <= grid_.GetSaveEndRow(); ++row) {
    grid_.ExportNotification(esExportNewRow, row);
    for (int index = grid_.GetSaveStartCol(); index <= lastCol; ++index) {
      if (index > grid_.GetSaveStartCol()) file.Put(separator);
      const int col = grid_.ExportHiddenColumns ? index : grid_.RemapCol(index);
      file.Write(Field(grid_.SaveCell(col, row), separator));
    }
    file.Write("\r\n");
    progress.Report(row, grid_.RowCount() - 1);
  }
  grid_.ExportNotification(esExportDone, -1);
  file.Close();
}

// ---- Reading ----

void TGridCsv::Input(const AnsiString& fileName, bool insert) {
  const std::optional<std::string> bytes = ReadWholeFile(fileName);
  if (!bytes) throw EDurUzavError("Cannot open file " + fileName);
  char separator = grid_.Csv().CsvSeparator;
  if (separator == '\0') {
    std::size_t next = 0;
    const std::string_view first = LineAt(*bytes, next);
    separator = DetectSeparator(first, LineAt(*bytes, next));
  }
  const TCsvShape shape = Measure(*bytes, separator);

  const int firstCol = grid_.ExportFixedCells ? 0 : grid_.FixedCols();
  const int firstRow = grid_.ExportFixedCells ? 0 : grid_.FixedRows();
  const int footers = grid_.Props().FixedFooters;
  // Inserting above a footer row: the new rows start at the footer row, which
  // comes back below them.
  const bool footerRow = insert && grid_.FloatingFooter()->FixedLastRow() && grid_.RowCount() > 0;
  const int startRow = !insert ? firstRow : footerRow ? grid_.RowCount() - 1 : grid_.RowCount();
  const long long rows = startRow + shape.records + footers;
  const long long cols = std::max<long long>(grid_.ColCount(), firstCol + static_cast<long long>(shape.widest));
  CheckGridGrowth(grid_, cols, rows, bytes->size(), fileName);

  std::vector<AnsiString> footerTexts;
  if (footerRow) {
    footerTexts = grid_.Rows(startRow);
    grid_.NilRow(startRow);
  }
  grid_.BeginUpdate();
  grid_.SetColCount(static_cast<int>(cols));
  grid_.SetRowCount(static_cast<int>(rows));
  TFileProgress progress(grid_);
  TCsvScanner scanner(*bytes, separator, true);
  std::vector<AnsiString> fields;
  const bool java = grid_.Csv().JavaLineBreaks;
  const bool oem = grid_.Props().OemConvert;
  int row = startRow;
  for (int count = 0; scanner.NextRecord(fields, count); ++row) {
    for (int i = 0; i < count; ++i) {
      AnsiString& field = fields[static_cast<std::size_t>(i)];
      if (oem) OemToString(field);
      if (java) {
        JavaToLineFeeds(field);
      } else if (Holds(field, '\x0B')) {
        CSVToLineFeeds(field);
      }
      grid_.LoadCell(firstCol + i, row, std::move(field));
    }
    progress.Report(row - startRow + 1, static_cast<double>(shape.records));
  }
  if (grid_.FloatingFooter()->FixedLastRow()) {
    const int last = grid_.RowCount() - 1;
    grid_.NilRow(last);
    for (int c = 0; c < static_cast<int>(footerTexts.size()) && c < grid_.ColCount(); ++c)
      grid_.SetGridCell(c, last, footerTexts[static_cast<std::size_t>(c)]);
  }
  grid_.EndUpdate();
  grid_.CellsChanged(TRect{0, 0, grid_.ColCount(), grid_.RowCount()});
  grid_.CellsLoaded();
}
