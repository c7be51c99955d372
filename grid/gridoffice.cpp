#include "grid/gridoffice.h"

#include <cctype>
#include <string_view>

#include "framework/forms.h"

namespace {

// Spreadsheets stop far below these; the bounds keep the arithmetic small.
constexpr std::size_t kMostLetters = 3;
constexpr std::size_t kMostDigits = 7;
constexpr int kWholeRowColumns = 256;

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<int> RowNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > kMostDigits) return std::nullopt;
  int row = 0;
  for (const char c : digits) {
    if (!IsDigit(c)) return std::nullopt;
    row = row * 10 + (c - '0');
  }
  if (row < 1) return std::nullopt;
  return row;
}

// "$B$3" (or "B3"); the leading "$" of a part is optional.
std::optional<std::pair<int, int>> Cell(std::string_view part) {
  if (!part.empty() && part.front() == '$') part.remove_prefix(1);
  std::size_t letters = 0;
  int column = 0;
  while (letters < part.size() && IsLetter(part[letters])) {
    if (letters == kMostLetters) return std::nullopt;
    column = column * 26 + (part[letters++] - 'A' + 1);
  }
  if (letters == 0) return std::nullopt;
  part.remove_prefix(letters);
  if (!part.empty() && part.front() == '$') part.remove_prefix(1);
  const std::optional<int> row = RowNumber(part);
  if (!row) return std::nullopt;
  return std::pair{column, *row};
}

// "$3" (or "3").
std::optional<int> WholeRow(std::string_view part) {
  if (!part.empty() && part.front() == '$') part.remove_prefix(1);
  return RowNumber(part);
}

std::optional<TXLSRange> Ordered(TXLSRange range) {
  if (range.EndCol < range.StartCol || range.EndRow < range.StartRow) return std::nullopt;
  return range;
}

}  // namespace

AnsiString XLSColumnLetters(int column) {
  AnsiString letters;
  while (column > 0) {
    letters.insert(letters.begin(), static_cast<char>('A' + (column - 1) % 26));
    column = (column - 1) / 26;
  }
  return letters;
}

AnsiString TXLSRange::Address() const {
  return XLSColumnLetters(StartCol) + std::to_string(StartRow) + ":" + XLSColumnLetters(EndCol) +
         std::to_string(EndRow);
}

std::optional<TXLSRange> ParseUsedRange(const AnsiString& address) {
  const std::string_view text(address);
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    // A single cell is that cell, wherever it lies.
    const auto cell = Cell(text);
    if (!cell) return std::nullopt;
    return TXLSRange{cell->first, cell->second, cell->first, cell->second};
  }
  const std::string_view start = text.substr(0, colon), end = text.substr(colon + 1);
  const auto startCell = Cell(start), endCell = Cell(end);
  if (startCell && endCell)
    return Ordered({startCell->first, startCell->second, endCell->first, endCell->second});
  const auto startRow = WholeRow(start), endRow = WholeRow(end);
  if (startRow && endRow) return Ordered({1, *startRow, kWholeRowColumns, *endRow});
  return std::nullopt;
}

TOfficeHourglass::TOfficeHourglass() : cursor_(Screen->Cursor()) { Screen->SetCursor(crHourGlass); }
TOfficeHourglass::~TOfficeHourglass() { Screen->SetCursor(cursor_); }
