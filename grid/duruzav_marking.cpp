// Marking search texts in cells, checking cells through the attached
// checker, filling ranges with test content, and cells as dates and times.
#include <algorithm>
#include <random>

#include "grid/duruzav.h"
#include "grid/zgcheck.h"
#include "grid/zghtmle.h"

namespace {

const AnsiString kHilightTag = "hi";
const AnsiString kMarkTag = "e";

}  // namespace

// ---- Ranges ----

TGridRect TVudUvizidIzed::StandardRange(bool includeFixed) const {
  if (includeFixed) return {0, 0, ColCount() - 1, RowCount() - 1};
  return {FixedCols(), FixedRows(), ColCount() - 1 - settings_.FixedRightCols,
          RowCount() - 1 - settings_.FixedFooters};
}

namespace {

TGridRect OneCell(int col, int row) { return {col, row, col, row}; }
TGridRect ColumnOf(const TGridRect& all, int col) { return {col, all.Top, col, all.Bottom}; }
TGridRect RowOf(const TGridRect& all, int row) { return {all.Left, row, all.Right, row}; }

void Mark(TVudUvizidIzed& grid, const TGridRect& r, const AnsiString& tag, bool caseSensitive,
          const AnsiString& text) {
  grid.MarkCells(text, tag, caseSensitive, r.Left, r.Top, r.Right, r.Bottom);
}

void UnMark(TVudUvizidIzed& grid, const TGridRect& r, const AnsiString& tag) {
  grid.UnMarkCells(tag, r.Left, r.Top, r.Right, r.Bottom);
}

bool Check(TVudUvizidIzed& grid, const TGridRect& r) { return grid.CheckCells(r.Left, r.Top, r.Right, r.Bottom); }

}  // namespace

// ---- Marking ----

void TVudUvizidIzed::MarkCells(const AnsiString& text, const AnsiString& tag, bool caseSensitive, int fromCol,
                               int fromRow, int toCol, int toRow) {
  for (int r = fromRow; r <= toRow; ++r)
    for (int c = fromCol; c <= toCol; ++c) SetCellEx(c, r, HiLight(GetCellEx(c, r), text, tag, caseSensitive));
}

void TVudUvizidIzed::UnMarkCells(const AnsiString& tag, int fromCol, int fromRow, int toCol, int toRow) {
  for (int r = fromRow; r <= toRow; ++r)
    for (int c = fromCol; c <= toCol; ++c) SetCellEx(c, r, UnHiLight(GetCellEx(c, r), tag));
}

AnsiString TVudUvizidIzed::HilightText(bool caseSensitive, const AnsiString& s, const AnsiString& text) {
  return HiLight(s, text, kHilightTag, caseSensitive);
}
AnsiString TVudUvizidIzed::UnHilightText(const AnsiString& s) { return UnHiLight(s, kHilightTag); }
AnsiString TVudUvizidIzed::MarkText(bool caseSensitive, const AnsiString& s, const AnsiString& text) {
  return HiLight(s, text, kMarkTag, caseSensitive);
}
AnsiString TVudUvizidIzed::UnMarkText(const AnsiString& s) { return UnHiLight(s, kMarkTag); }

void TVudUvizidIzed::HilightInCell(bool caseSensitive, int col, int row, const AnsiString& text) {
  Mark(*this, OneCell(col, row), kHilightTag, caseSensitive, text);
}
void TVudUvizidIzed::HilightInCol(bool includeFixed, bool caseSensitive, int col, const AnsiString& text) {
  Mark(*this, ColumnOf(StandardRange(includeFixed), col), kHilightTag, caseSensitive, text);
}
void TVudUvizidIzed::HilightInRow(bool includeFixed, bool caseSensitive, int row, const AnsiString& text) {
  Mark(*this, RowOf(StandardRange(includeFixed), row), kHilightTag, caseSensitive, text);
}
void TVudUvizidIzed::HilightInGrid(bool includeFixed, bool caseSensitive, const AnsiString& text) {
  Mark(*this, StandardRange(includeFixed), kHilightTag, caseSensitive, text);
}
void TVudUvizidIzed::UnHilightInCell(int col, int row) { UnMark(*this, OneCell(col, row), kHilightTag); }
void TVudUvizidIzed::UnHilightInCol(bool includeFixed, int col) {
  UnMark(*this, ColumnOf(StandardRange(includeFixed), col), kHilightTag);
}
void TVudUvizidIzed::UnHilightInRow(bool includeFixed, int row) {
  UnMark(*this, RowOf(StandardRange(includeFixed), row), kHilightTag);
}
void TVudUvizidIzed::UnHilightInGrid(bool includeFixed) { UnMark(*this, StandardRange(includeFixed), kHilightTag); }

void TVudUvizidIzed::MarkInCell(bool caseSensitive, int col, int row, const AnsiString& text) {
  Mark(*this, OneCell(col, row), kMarkTag, caseSensitive, text);
}
void TVudUvizidIzed::MarkInCol(bool includeFixed, bool caseSensitive, int col, const AnsiString& text) {
  Mark(*this, ColumnOf(StandardRange(includeFixed), col), kMarkTag, caseSensitive, text);
}
void TVudUvizidIzed::MarkInRow(bool includeFixed, bool caseSensitive, int row, const AnsiString& text) {
  Mark(*this, RowOf(StandardRange(includeFixed), row), kMarkTag, caseSensitive, text);
}
void TVudUvizidIzed::MarkInGrid(bool includeFixed, bool caseSensitive, const AnsiString& text) {
  Mark(*this, StandardRange(includeFixed), kMarkTag, caseSensitive, text);
}
void TVudUvizidIzed::UnMarkInCell(int col, int row) { UnMark(*this, OneCell(col, row), kMarkTag); }
void TVudUvizidIzed::UnMarkInCol(bool includeFixed, int col) {
  UnMark(*this, ColumnOf(StandardRange(includeFixed), col), kMarkTag);
}
void TVudUvizidIzed::UnMarkInRow(bool includeFixed, int row) {
  UnMark(*this, RowOf(StandardRange(includeFixed), row), kMarkTag);
}
void TVudUvizidIzed::UnMarkInGrid(bool includeFixed) { UnMark(*this, StandardRange(includeFixed), kMarkTag); }

// ---- Cell checks ----

bool TVudUvizidIzed::CheckCell(int col, int row) {
  TVudUvizidIzedCheck* checker = persist_.CellChecker;
  if (!checker) return true;
  const AnsiString text = GetCellEx(col, row);
  if (checker->GotoCell()) FocusCell(col, row, true);
  AnsiString result = text;
  if (checker->UseCorrect()) result = checker->Correct(col, row, text);
  // Both see the text as it was read: with both options the marking counts.
  if (checker->UseMarkError()) result = checker->MarkError(col, row, text);
  SetCellEx(col, row, result);
  return result == text;
}

bool TVudUvizidIzed::CheckCells(int fromCol, int fromRow, int toCol, int toRow) {
  TVudUvizidIzedCheck* checker = persist_.CellChecker;
  if (!checker) return true;
  checker->StartCheck();
  const int row = GetRowEx(), col = Col();
  bool unchanged = true;
  for (int r = fromRow; r <= toRow; ++r)
    for (int c = fromCol; c <= toCol; ++c) unchanged = CheckCell(c, r) && unchanged;
  checker->StopCheck();
  if (checker->GotoCell()) {
    SetRowEx(row);
    SetCol(col);
  }
  return unchanged;
}

bool TVudUvizidIzed::CheckCol(bool includeFixed, int col) {
  return Check(*this, ColumnOf(StandardRange(includeFixed), col));
}
bool TVudUvizidIzed::CheckRow(bool includeFixed, int row) { return Check(*this, RowOf(StandardRange(includeFixed), row)); }
bool TVudUvizidIzed::CheckGrid(bool includeFixed) { return Check(*this, StandardRange(includeFixed)); }

// ---- Fills ----

void TVudUvizidIzed::FillCells(bool includeFixed, const std::function<AnsiString(int col, int row)>& text) {
  const TGridRect range = StandardRange(includeFixed);
  BeginUpdate();
  for (int r = range.Top; r <= range.Bottom; ++r)
    for (int c = range.Left; c <= range.Right; ++c) SetCellEx(c, r, text(c, r));
  EndUpdate();
  CellsLoaded();
}

void TVudUvizidIzed::TextFill(bool includeFixed, const AnsiString& text) {
  FillCells(includeFixed, [&](int, int) { return text; });
}

void TVudUvizidIzed::RandomFill(bool includeFixed, int maximum) {
  static std::mt19937 engine{std::random_device{}()};
  std::uniform_int_distribution<int> numbers(0, std::max(maximum, 1) - 1);
  FillCells(includeFixed, [&](int, int) { return IntToStr(numbers(engine)); });
}

void TVudUvizidIzed::LinearFill(bool includeFixed) {
  FillCells(includeFixed, [](int col, int row) { return IntToStr(col) + ":" + IntToStr(row); });
}

// ---- Dates and times ----

void TVudUvizidIzed::SetDates(int col, int row, TDateTime value) {
  SetCellEx(col, row, value <= 0 && !persist_.ShowNullDates ? AnsiString() : DateToStr(value));
}

TDateTime TVudUvizidIzed::GetDates(int col, int row) { return StrToDate(GetCellEx(col, row)); }

void TVudUvizidIzed::SetTimes(int col, int row, TDateTime value) { SetCellEx(col, row, TimeToStr(value)); }

TDateTime TVudUvizidIzed::GetTimes(int col, int row) { return StrToTime(GetCellEx(col, row)); }
