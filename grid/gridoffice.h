#pragma once
// What the grid's exchanges with office programs share: spreadsheet cell
// addresses in A1 notation and the hourglass shown while a server works.
#include <optional>

#include "framework/controls.h"
#include "framework/sysutils.h"

// Column letters from column 1: "A" to "Z", "AA" to "ZZ", then "AAA" on.
// Empty for a column below 1.
AnsiString XLSColumnLetters(int column);

// A block of spreadsheet cells, columns and rows from 1.
struct TXLSRange {
  int StartCol = 1, StartRow = 1, EndCol = 1, EndRow = 1;
  // "A3:C10".
  AnsiString Address() const;
  int ColCount() const { return EndCol - StartCol + 1; }
  int RowCount() const { return EndRow - StartRow + 1; }
};

// A used range as the spreadsheet reports it: "$B$3:$D$10", "$C$5" for a
// single cell, or "$3:$10" for whole rows (columns 1 to 256). nullopt for
// anything else.
std::optional<TXLSRange> ParseUsedRange(const AnsiString& address);

// Runs the work and then quits the server when quit is set, also when the
// work fails: a server the exchange started never outlives it.
template <typename Server, typename Work>
void QuittingAfter(Server& server, bool quit, Work work) {
  try {
    work();
  } catch (...) {
    if (quit) server.Quit();
    throw;
  }
  if (quit) server.Quit();
}

// Shows the hourglass while it lives and puts the cursor back after.
class TOfficeHourglass {
 public:
  TOfficeHourglass();
  ~TOfficeHourglass();
  TOfficeHourglass(const TOfficeHourglass&) = delete;
  TOfficeHourglass& operator=(const TOfficeHourglass&) = delete;

 private:
  TCursor cursor_;
};
