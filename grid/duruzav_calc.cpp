// Column and row calculations, the selection as text, numbering, sizing to
// lines, swaps of columns and rows, and line and character counts.
#include <algorithm>
#include <utility>
#include <vector>

#include "grid/duruzav.h"
#include "grid/richtext.h"
#include "grid/zgutil.h"

// ---- Numbers ----

double TVudUvizidIzed::GetAllFloats(int col, int realRow) { return FloatOfCellText(GetCellsEx(col, realRow)); }

// ---- Column and row calculations ----

// A range reaching past the shown rows is read in real rows, hidden rows
// included; rows that do not exist are left out. Covered cells of merged
// areas and texts that are no numbers are skipped; only the seeding first
// cell of a minimum or maximum must be a number.
double TVudUvizidIzed::ColumnCalc(int col, int fromRow, int toRow, TRangeCalc how) {
  const int shownLimit = floatingFooter_.Visible() ? RowCount() - 1 : RowCount();
  return ColumnCalcIn(col, fromRow, toRow, how, toRow > shownLimit);
}

double TVudUvizidIzed::ColumnCalcIn(int col, int fromRow, int toRow, TRangeCalc how, bool allRows) {
  const int rowLimit = allRows ? TotalRowCount() : RowCount();
  const auto read = [&](int r) { return allRows ? GetAllFloats(col, r) : GetFloats(col, r); };
  double result = how == TRangeCalc::Sum ? 0 : read(fromRow);
  const bool grouped = !allRows && groupColumn_ > 0;
  ExportNotification(esExportStart, -1);
  for (int r = std::max(fromRow, 0); r <= toRow && r < rowLimit; ++r) {
    if (grouped && (IsNode(r) || IsSummary(r))) continue;
    if (!IsBaseCell(col, allRows ? DisplRowIndex(r) : r)) continue;
    ExportNotification(esExportNewRow, r);
    double value;
    try {
      value = read(r);
    } catch (const EDurUzavError&) {
      continue;
    }
    if (how == TRangeCalc::Sum) result += value;
    else if (how == TRangeCalc::Min ? value < result : value > result) result = value;
  }
  ExportNotification(esExportDone, -1);
  return result;
}

double TVudUvizidIzed::RowCalc(int row, int fromCol, int toCol, TRangeCalc how) {
  double result = how == TRangeCalc::Sum ? 0 : GetFloats(fromCol, row);
  for (int c = std::max(fromCol, 0); c <= toCol && c < ColCount(); ++c) {
    if (!IsBaseCell(c, row)) continue;
    double value;
    try {
      value = GetFloats(c, row);
    } catch (const EDurUzavError&) {
      continue;
    }
    if (how == TRangeCalc::Sum) result += value;
    else if (how == TRangeCalc::Min ? value < result : value > result) result = value;
  }
  return result;
}

namespace {

double Average(double sum, int count) { return count >= 1 ? sum / count : 0; }

}  // namespace

double TVudUvizidIzed::ColumnSum(int col, int fromRow, int toRow) { return ColumnCalc(col, fromRow, toRow, TRangeCalc::Sum); }
double TVudUvizidIzed::ColumnMin(int col, int fromRow, int toRow) { return ColumnCalc(col, fromRow, toRow, TRangeCalc::Min); }
double TVudUvizidIzed::ColumnMax(int col, int fromRow, int toRow) { return ColumnCalc(col, fromRow, toRow, TRangeCalc::Max); }
double TVudUvizidIzed::ColumnAvg(int col, int fromRow, int toRow) {
  return Average(ColumnSum(col, fromRow, toRow), toRow - fromRow + 1);
}
double TVudUvizidIzed::RowSum(int row, int fromCol, int toCol) { return RowCalc(row, fromCol, toCol, TRangeCalc::Sum); }
double TVudUvizidIzed::RowMin(int row, int fromCol, int toCol) { return RowCalc(row, fromCol, toCol, TRangeCalc::Min); }
double TVudUvizidIzed::RowMax(int row, int fromCol, int toCol) { return RowCalc(row, fromCol, toCol, TRangeCalc::Max); }
double TVudUvizidIzed::RowAvg(int row, int fromCol, int toCol) {
  return Average(RowSum(row, fromCol, toCol), toCol - fromCol + 1);
}

// ---- Selection, numbering ----

namespace {

// Rich-text cells give their plain text.
AnsiString PlainCellText(const AnsiString& text) {
  if (text.find("{\\") == AnsiString::npos) return text;
  QTextDocument document;
  RichTextToDocument(text, document);
  return document.toPlainText().toStdString();
}

}  // namespace

AnsiString TVudUvizidIzed::SelectedText() {
  TGridRect sel = Selection();
  if ((Options() & goRowSelect) && DragDropSettings()->OleEntireRows) sel.Left = 0, sel.Right = ColCount() - 1;
  const auto rowText = [&](int r) {
    AnsiString line;
    for (int c = sel.Left; c <= sel.Right; ++c) {
      if (c > sel.Left) line += '\t';
      line += PlainCellText(GetCellEx(c, r));
    }
    return line;
  };
  // Disjunct row selection gives the flagged rows, else the rectangle's.
  const bool disjunct = mouseActions_.DisjunctRowSelect();
  const auto selected = [&](int r) {
    if (!disjunct) return true;
    return GetRowSelect(mouseActions_.RowSelectPersistent ? RemapRowInv(r) : r);
  };
  AnsiString text;
  bool first = true;
  for (int r = disjunct ? FixedRows() : sel.Top; r <= (disjunct ? RowCount() - 1 : sel.Bottom); ++r) {
    if (!selected(r)) continue;
    if (!first) text += "\r\n";
    text += rowText(r);
    first = false;
  }
  return text;
}

void TVudUvizidIzed::AutoNumberCol(int col) {
  for (int r = FixedRows(); r <= LastNormalRow(); ++r) SetInts(col, r, r - FixedRows() + 1);
}

void TVudUvizidIzed::AutoNumberRow(int row) {
  for (int c = FixedCols(); c <= ColCount() - 1 - Props().FixedRightCols; ++c) SetInts(c, row, c - FixedCols() + 1);
}

// ---- Sizes ----

// Measured with the font the row's first body cell is drawn in, starting
// from the grid's font, so that no font left on the canvas by earlier
// drawing counts.
void TVudUvizidIzed::SizeToLines(int row, int lines, int extra) {
  TFont font;
  font.Assign(*Font());
  TBrush brush;
  GetCellColor(FixedCols(), row, 0, &brush, &font);
  TCanvas* canvas = Canvas();
  TFont kept;
  kept.Assign(*canvas->Font());
  canvas->SetFont(font);
  const int th = canvas->TextHeight("gh");
  canvas->SetFont(kept);
  SetRowHeights(row, CheckLimits((th + th / 8) * lines + extra, MinRowHeight, 0));
}

// ---- Swaps ----

void TVudUvizidIzed::SwapColumns(int col1, int col2) {
  // Real indexes, hidden columns included: a column's cells, its hidden
  // flag, its width and its cells in hidden rows go together.
  const int low = std::min(col1, col2), high = std::max(col1, col2);
  if (low == high || low < 0 || high >= TotalColCount()) return;
  std::vector<int> widths;
  for (int c = low; c <= high; ++c) widths.push_back(GetAllColWidths(c));
  std::swap(widths.front(), widths.back());
  MoveStoredColumn(low, high);
  MoveStoredColumn(high - 1, low);
  for (int k = 0; k < hiddenRows_.Count(); ++k) {
    TStringList& cells = *hiddenRows_.Items(k);
    while (cells.Count() <= high) cells.Add(AnsiString());
    cells.Exchange(low, high);
  }
  if (high < kHideableCols) std::swap(columnVisible_[low], columnVisible_[high]);
  // The shown columns of the range keep their display places, so their
  // widths are written back by real index once the flags have moved.
  for (int c = low; c <= high; ++c) SetAllColWidths(c, widths[c - low]);
  if (SortSettings()->Column == col1) SortSettings()->Column = col2;
  else if (SortSettings()->Column == col2) SortSettings()->Column = col1;
  Invalidate();
}

void TVudUvizidIzed::SwapRows(int row1, int row2) { ExchangeRows(row1, row2); }

// ---- Line and character counts ----

int TVudUvizidIzed::MaxLinesInRow(int row) {
  if (ColCount() < 1 || !Props().Multilinecells) return 1;
  int lines = 1;
  for (int c = 0; c < ColCount(); ++c) lines = std::max(lines, LinesInText(GetCellEx(RemapCol(c), row), true));
  return lines;
}

int TVudUvizidIzed::MaxLinesInGrid() {
  int lines = 1;
  for (int r = 0; r < RowCount() && Props().Multilinecells; ++r) lines = std::max(lines, MaxLinesInRow(r));
  return lines;
}

int TVudUvizidIzed::MaxCharsInCol(int col) {
  int chars = 0;
  for (int r = 0; r < RowCount(); ++r) {
    AnsiString text = SaveCell(col, r);
    do {
      chars = std::max(chars, CharCount(GetNextLine(text, Props().Multilinecells)));
    } while (Props().Multilinecells && !text.empty());
  }
  return chars;
}
