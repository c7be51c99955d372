// Finding cells: the type-ahead row search and the cell-by-cell find that
// continues from its last hit.
#include <QString>
#include <algorithm>

#include "grid/duruzav.h"
#include "grid/zgutil.h"

namespace {

const AnsiString kEmptyCellText = "\"\"";

AnsiString LocaleUpper(const AnsiString& text) { return QString::fromStdString(text).toUpper().toStdString(); }

bool Combine(TFindParameters params, bool found, bool full, bool regular) {
  if (params & fnMatchRegular) return regular;
  return found && (!(params & fnMatchFull) || full);
}

}  // namespace

int TVudUvizidIzed::Search(const AnsiString& text) {
  if (RowCount() < 2) return -1;
  const int col = SortSettings()->Show() ? SortSettings()->Column : 1;
  for (int r = FixedRows(); r < RowCount(); ++r)
    if (LocaleUpper(GetStrippedCell(col, r).substr(0, text.size())) == text) return r;
  return -1;
}

bool TVudUvizidIzed::MatchCell(int col, int row, bool wide) {
  if (!(findParams_ & fnIncludeHiddenColumns)) col = RemapCol(col);
  if (wide) {
    const WideString w = GetWideCells(col, row);
    if (findWideText_ == u"\"\"") return w.empty();
    const int p = StrPosWide(findWideText_, w);
    const bool found = (findParams_ & fnMatchStart) ? p == 1 : p > 0;
    const bool regular = (findParams_ & fnMatchRegular) &&
                         MatchStrEx(QString::fromStdU16String(findWideText_).toStdString(),
                                    QString::fromStdU16String(w).toStdString(), findParams_ & fnMatchCase);
    return Combine(findParams_, found, findWideText_ == w, regular);
  }
  AnsiString t = (findParams_ & fnIgnoreHTMLTags) ? GetStrippedCell(col, row) : GetCellEx(col, row);
  if (!(findParams_ & fnMatchCase)) t = LocaleUpper(t);
  if (findText_ == kEmptyCellText) return t.empty();
  const auto at = t.find(findText_);
  const bool found = (findParams_ & fnMatchStart) ? at == 0 : at != AnsiString::npos;
  const bool regular = (findParams_ & fnMatchRegular) && MatchStrEx(findText_, t, findParams_ & fnMatchCase);
  return Combine(findParams_, found, findText_ == t, regular);
}

TPoint TVudUvizidIzed::Find(TPoint start, const AnsiString& text, TFindParameters params) {
  findParams_ = params;
  findText_ = (params & fnMatchCase) ? text : LocaleUpper(text);
  findWideText_ = QString::fromStdString(text).toStdU16String();
  return FindInternal(start, false);
}

TPoint TVudUvizidIzed::FindWide(TPoint start, const WideString& text, TFindParameters params) {
  findParams_ = params;
  findWideText_ = text;
  findText_ = QString::fromStdU16String(text).toStdString();
  return FindInternal(start, true);
}

TPoint TVudUvizidIzed::FindFirst(const AnsiString& text, TFindParameters params) {
  return lastHit_ = Find({-1, -1}, text, params);
}

TPoint TVudUvizidIzed::FindNext() { return lastHit_ = FindInternal(lastHit_, false); }

// The cells are walked in one linear order: down each column first, or
// along each row first with fnDirectionLeftRight.
TPoint TVudUvizidIzed::FindInternal(TPoint start, bool wide) {
  const TFindParameters p = findParams_;
  if (FixedCols() >= ColCount() || FixedRows() >= RowCount()) return {-1, -1};
  const bool fixed = p & fnIncludeFixed;
  int c0 = fixed ? 0 : FixedCols(), c1 = fixed ? ColCount() - 1 : ColCount() - 1 - Props().FixedRightCols;
  int r0 = fixed ? 0 : FixedRows(), r1 = fixed ? RowCount() - 1 : LastNormalRow();
  if (p & fnIncludeHiddenColumns) c1 += hiddenColCount_;
  if (p & fnFindInCurrentRow) r0 = r1 = Row();
  if (p & fnFindInPresetRow) r0 = r1 = FindPresetRow;
  if (p & fnFindInCurrentCol) c0 = c1 = Col();
  if (p & fnFindInPresetCol) c0 = c1 = FindPresetCol;
  if (c1 < c0 || r1 < r0) return {-1, -1};
  const bool rowsFirst = p & fnDirectionLeftRight;
  const long long inner = rowsFirst ? c1 - c0 + 1 : r1 - r0 + 1;
  const long long total = inner * (rowsFirst ? r1 - r0 + 1 : c1 - c0 + 1);
  const auto cellAt = [&](long long i) {
    const int outer = static_cast<int>(i / inner), in = static_cast<int>(i % inner);
    return rowsFirst ? TPoint{c0 + in, r0 + outer} : TPoint{c0 + outer, r0 + in};
  };
  const bool backward = p & fnBackward;
  long long i = backward ? total - 1 : 0;
  if (start.X >= c0 && start.X <= c1 && start.Y >= r0 && start.Y <= r1) {
    const long long at = rowsFirst ? (start.Y - r0) * inner + (start.X - c0) : (start.X - c0) * inner + (start.Y - r0);
    i = ((backward ? at - 1 : at + 1) + total) % total;
  }
  ExportNotification(esExportStart, -1);
  for (; i >= 0 && i < total; i += backward ? -1 : 1) {
    const TPoint cell = cellAt(i);
    ExportNotification(esExportNewRow, cell.X);
    if (!MatchCell(cell.X, cell.Y, wide)) continue;
    ExportNotification(esExportFail, -1);
    lastHit_ = cell;
    if (p & fnAutoGoto) {
      SetRowEx(cell.Y);
      SetCol(cell.X);
    }
    return cell;
  }
  ExportNotification(esExportDone, -1);
  return {-1, -1};
}
