// The sorting engine: the nineteen comparison kinds, line and indexed
// comparisons, whole-grid and range sorts, and undoing the sorts.
//
// A sort orders a list of row indexes with a stable merge sort whose only
// test is the comparison's out-of-order answer, then moves every row once.
// Rows that compare equal keep their order. While one sort runs, each
// column's format is asked once and the values its rows convert to are kept,
// so that no text is converted twice.
#include <QCollator>
#include <algorithm>
#include <numeric>
#include <optional>

#include "framework/datetime.h"
#include "grid/collationkeys.h"
#include "grid/duruzav.h"
#include "grid/plainfloat.h"
#include "grid/zgutil.h"

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

template <class T>
int ThreeWay(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

void EraseFirst(AnsiString& text, const AnsiString& part) {
  if (part.empty()) return;
  if (const auto at = text.find(part); at != AnsiString::npos) text.erase(at, part.size());
}

QCollator& Collator(bool caseSensitive) {
  static thread_local QCollator sensitive = [] {
    QCollator c;
    c.setCaseSensitivity(Qt::CaseSensitive);
    return c;
  }();
  static thread_local QCollator insensitive = [] {
    QCollator c;
    c.setCaseSensitivity(Qt::CaseInsensitive);
    return c;
  }();
  QCollator& collator = caseSensitive ? sensitive : insensitive;
  // The locale of the moment, as the keys of a sort take it.
  if (collator.locale() != QLocale()) collator.setLocale(QLocale());
  return collator;
}

bool LooksLikeDate(const AnsiString& text) {
  const auto p = text.find(FormatSettings.DateSeparator);
  if (p == AnsiString::npos || p < 1 || p > 2 || p + 1 >= text.size()) return false;
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  return digit(text[p - 1]) && digit(text[p + 1]);
}

// One column's comparison. With cache set, the values of its rows are kept
// for the duration of a sort.
class SortColumn {
 public:
  SortColumn(TVudUvizidIzed& grid, int col, bool cache) : grid_(grid), col_(col), cache_(cache) {
    style_ = grid.SortSettings()->AutoFormat ? ssAutomatic : ssAlphabetic;
    grid.GetColFormat(col, style_, prefix_, suffix_);
  }

  // A style whose comparison reads only a key made from each text alone:
  // a number, or a locale collation key.
  bool KeyedStyle() const {
    const bool keyed = style_ == ssNumeric || style_ == ssFinancial || style_ == ssAnsiAlphaCase ||
                       style_ == ssAnsiAlphaNoCase;
    return keyed && !grid_.SortSettings()->IgnoreBlanks;
  }
  bool NumericStyle() const { return style_ == ssNumeric || style_ == ssFinancial; }
  // A number key; a text that does not convert keeps no value.
  std::optional<double> NumberKey(int row) {
    double value;
    return ConvertNumber(style_ == ssFinancial, Text(row, 0), value) ? std::optional(value) : std::nullopt;
  }
  // The locale order keys of every row of the grid, made on first use.
  const TCollationKeys& Collation() {
    if (!collation_) {
      collation_.emplace(style_ == ssAnsiAlphaCase);
      collation_->Reserve(grid_.RowCount());
      for (int r = 0; r < grid_.RowCount(); ++r) collation_->Add(Text(r, 0));
    }
    return *collation_;
  }

  int Compare(int row1, int row2, TSortDirection direction) {
    const AnsiString& t1 = Text(row1, 0);
    const AnsiString& t2 = Text(row2, 1);
    TSortStyle style = style_;
    if (style == ssAutomatic) style = AutomaticStyle(row1, t1);
    if (style == ssAlphaNumeric || style == ssAlphaNumericNoCase) {
      const bool numbers = IsType(t1) < 2 && IsType(t2) < 2;
      style = numbers ? ssNumeric : (style == ssAlphaNumeric ? ssAlphabetic : ssAlphaNoCase);
    }
    const int result = ByStyle(style, row1, row2, t1, t2);
    return BlankRule(result, t1.empty(), t2.empty(), direction);
  }

 private:
  int ByStyle(TSortStyle style, int row1, int row2, const AnsiString& t1, const AnsiString& t2) {
    switch (style) {
      case ssNumeric:
      case ssFinancial:
        return CompareNumbers(style == ssFinancial, row1, row2, t1, t2);
      case ssDate:
        return ThreeWay(Date(row1, t1), Date(row2, t2));
      case ssShortDateEU:
        return ThreeWay(StrToShortDateEU(t1), StrToShortDateEU(t2));
      case ssShortDateUS:
        return ThreeWay(StrToShortdateUS(t1), StrToShortdateUS(t2));
      case ssAlphaNoCase:
        if (const int res = Sign(UpperCase(t1).compare(UpperCase(t2)))) return res;
        return Sign(t1.compare(t2));
      case ssCustom: {
        int res = 0;
        if (grid_.OnCustomCompare) grid_.OnCustomCompare(&grid_, t1, t2, res);
        return res;
      }
      case ssRaw: {
        int res = 0;
        if (grid_.OnRawCompare) grid_.OnRawCompare(&grid_, col_, row1, row2, res);
        return res;
      }
      case ssAnsiAlphaCase:
        return CompareCollated(true, row1, row2, t1, t2);
      case ssAnsiAlphaNoCase:
        return CompareCollated(false, row1, row2, t1, t2);
      case ssUnicode:
        return Sign(Collator(false).compare(QString::fromStdU16String(grid_.GetWideCells(col_, row1)),
                                            QString::fromStdU16String(grid_.GetWideCells(col_, row2))));
      case ssHTML:
        return Sign(grid_.GetStrippedCell(col_, row1).compare(grid_.GetStrippedCell(col_, row2)));
      case ssImages:
        return ThreeWay(grid_.GetCellImageIdx(col_, row1), grid_.GetCellImageIdx(col_, row2));
      case ssCheckBox:
        return ThreeWay(CheckState(row1), CheckState(row2));
      default:
        return Sign(t1.compare(t2));
    }
  }

  int BlankRule(int result, bool empty1, bool empty2, TSortDirection direction) const {
    const TSortSettings& s = *grid_.SortSettings();
    if (!s.IgnoreBlanks || empty1 == empty2) return result;
    int res = empty1 ? (s.BlankPos == blLast ? 1 : -1) : (s.BlankPos == blLast ? -1 : 1);
    return direction == sdDescending ? -res : res;
  }

  // The cell's text as the sort sees it: through the display hook, and the
  // base cell's for a merged one.
  const AnsiString& Text(int row, int slot) {
    if (!grid_.OnGetDisplText && !grid_.GetGridObject(col_, row)) return grid_.CellText(col_, row);
    if (!cache_) return scratch_[slot] = grid_.GetCellEx(col_, row);
    if (texts_.empty()) {
      texts_.resize(grid_.RowCount());
      textKnown_.resize(grid_.RowCount());
    }
    if (!textKnown_[row]) {
      texts_[row] = grid_.GetCellEx(col_, row);
      textKnown_[row] = 1;
    }
    return texts_[row];
  }

  bool CheckState(int row) const {
    bool state = false;
    grid_.GetCheckBoxState(col_, row, state);
    return state;
  }

  TSortStyle AutomaticStyle(int row, const AnsiString& text) const {
    if (IsCheckBoxKind(grid_.GetCellType(col_, row))) return ssCheckBox;
    if (IsType(text) < 2) return ssNumeric;
    return LooksLikeDate(text) ? ssDate : ssAlphabetic;
  }

  int CompareNumbers(bool financial, int row1, int row2, const AnsiString& t1, const AnsiString& t2) {
    double v1, v2;
    const bool ok1 = Number(financial, row1, t1, v1), ok2 = Number(financial, row2, t2, v2);
    if (!ok1 && !ok2) return 0;
    return ThreeWay(v1, v2);
  }

  bool Number(bool financial, int row, const AnsiString& text, double& value) {
    if (!cache_) return ConvertNumber(financial, text, value);
    if (numbers_.empty()) {
      numbers_.resize(grid_.RowCount());
      numberState_.resize(grid_.RowCount());
    }
    if (numberState_[row] == 0) numberState_[row] = ConvertNumber(financial, text, numbers_[row]) ? 1 : 2;
    value = numbers_[row];
    return numberState_[row] == 1;
  }

  bool ConvertNumber(bool financial, const AnsiString& raw, double& value) const {
    AnsiString text = raw;
    EraseFirst(text, prefix_);
    EraseFirst(text, suffix_);
    if (financial) std::erase(text, FormatSettings.ThousandSeparator);
    if (FormatSettings.DecimalSeparator != '.')
      if (const auto at = text.find(FormatSettings.DecimalSeparator); at != AnsiString::npos) text[at] = '.';
    return PlainToFloat(text, value) || raw.empty();
  }

  double Date(int row, const AnsiString& text) {
    if (!cache_) return text.empty() ? 0.0 : static_cast<double>(StrToDateTime(text));
    if (dates_.empty()) {
      dates_.resize(grid_.RowCount());
      dateKnown_.resize(grid_.RowCount());
    }
    if (!dateKnown_[row]) {
      dates_[row] = text.empty() ? 0.0 : static_cast<double>(StrToDateTime(text));
      dateKnown_[row] = 1;
    }
    return dates_[row];
  }

  int CompareCollated(bool caseSensitive, int row1, int row2, const AnsiString& t1, const AnsiString& t2) {
    if (cache_) return Collation().Compare(row1, row2);
    return Sign(Collator(caseSensitive).compare(QString::fromStdString(t1), QString::fromStdString(t2)));
  }

  TVudUvizidIzed& grid_;
  int col_;
  bool cache_;
  TSortStyle style_;
  AnsiString prefix_, suffix_;
  AnsiString scratch_[2];
  std::vector<AnsiString> texts_;
  std::vector<char> textKnown_;
  std::vector<double> numbers_;
  std::vector<char> numberState_;
  std::vector<double> dates_;
  std::vector<char> dateKnown_;
  std::optional<TCollationKeys> collation_;
};

// The columns of one comparison or one sort.
class SortKeys {
 public:
  SortKeys(TVudUvizidIzed& grid, bool cache) : grid_(grid), cache_(cache), columns_(grid.TotalColCount()) {}

  int Compare(int col, int row1, int row2, TSortDirection direction) {
    if (col < 0 || col >= static_cast<int>(columns_.size())) return SortColumn(grid_, col, false).Compare(row1, row2, direction);
    return Column(col).Compare(row1, row2, direction);
  }

  // Ties go on to the next columns, hidden ones included.
  SortColumn& Column(int col) {
    if (!columns_[col]) columns_[col] = std::make_unique<SortColumn>(grid_, col, cache_);
    return *columns_[col];
  }

  int CompareLine(int col, int row1, int row2) {
    const TSortSettings& s = *grid_.SortSettings();
    for (;; ++col) {
      const int res = Compare(col, row1, row2, s.Direction);
      if (res != 0 || !s.Full || col > grid_.TotalColCount() - 2) return res;
    }
  }

  int CompareLineIndexed(int index, int row1, int row2) {
    const TSortIndexList& keys = *grid_.SortIndexes();
    for (;; ++index) {
      const int entry = keys.Items(index);
      const bool descending = entry < 0;
      const int res = Compare(entry & 0x7FFFFFFF, row1, row2, descending ? sdDescending : sdAscending);
      if (res == 0 && grid_.SortSettings()->Full && index < keys.Count() - 1) continue;
      return descending ? -res : res;
    }
  }

 private:
  TVudUvizidIzed& grid_;
  bool cache_;
  std::vector<std::unique_ptr<SortColumn>> columns_;
};

int OutOfOrder(const TVudUvizidIzed& grid) {
  return const_cast<TVudUvizidIzed&>(grid).SortSettings()->Direction == sdAscending ? 1 : -1;
}

// Stable bottom-up merge sort: an item goes behind another only when the
// comparison says they are out of order.
template <class Item, class Compare>
void MergeSort(std::vector<Item>& items, Compare compare, int outOfOrder) {
  const int n = static_cast<int>(items.size());
  std::vector<Item> merged = items;  // items need not be default-constructible
  for (int width = 1; width < n; width *= 2) {
    for (int lo = 0; lo < n; lo += 2 * width) {
      const int mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
      if (mid >= hi || compare(items[mid - 1], items[mid]) != outOfOrder) {
        std::move(items.begin() + lo, items.begin() + hi, merged.begin() + lo);
        continue;
      }
      int i = lo, j = mid, k = lo;
      while (i < mid && j < hi)
        merged[k++] = std::move(compare(items[i], items[j]) == outOfOrder ? items[j++] : items[i++]);
      std::move(items.begin() + i, items.begin() + mid, merged.begin() + k);
      std::move(items.begin() + j, items.begin() + hi, merged.begin() + k + (mid - i));
    }
    items.swap(merged);
  }
}

template <class Compare>
std::vector<int> SortedRows(int first, int last, Compare compare, int outOfOrder) {
  std::vector<int> rows(last - first + 1);
  std::iota(rows.begin(), rows.end(), first);
  MergeSort(rows, compare, outOfOrder);
  return rows;
}

// Sorts rows by keys made once per row, in row order, so that no text is
// converted twice; ties go to the full comparison of the next columns.
template <class Key, class MakeKey, class CompareKeys, class TieBreak>
std::vector<int> SortedByKeys(int first, int last, MakeKey makeKey, CompareKeys compareKeys, TieBreak tieBreak,
                              int outOfOrder) {
  std::vector<Key> keys;
  keys.reserve(last - first + 1);
  for (int r = first; r <= last; ++r) keys.push_back(makeKey(r));
  return SortedRows(
      first, last,
      [&](int a, int b) {
        const int res = compareKeys(keys[a - first], keys[b - first]);
        return res != 0 ? res : tieBreak(a, b);
      },
      outOfOrder);
}

}  // namespace

// ---- Comparisons ----

int TVudUvizidIzed::Compare(int col, int row1, int row2, TSortDirection direction) {
  return SortKeys(*this, false).Compare(col, row1, row2, direction);
}

int TVudUvizidIzed::CompareLine(int col, int row1, int row2) { return SortKeys(*this, false).CompareLine(col, row1, row2); }

int TVudUvizidIzed::CompareLineIndexed(int index, int row1, int row2) {
  return SortKeys(*this, false).CompareLineIndexed(index, row1, row2);
}

bool TVudUvizidIzed::SortLine(int col, int row1, int row2) {
  for (SortKeys keys(*this, false);; ++col) {
    const int res = keys.Compare(col, row1, row2, SortSettings()->Direction);
    if (res == OutOfOrder(*this)) {
      SortSwapRows(row1, row2);
      return true;
    }
    if (res != 0 || col >= TotalColCount() - 1) return false;
  }
}

// ---- Moving rows ----

void TVudUvizidIzed::InitSortXRef() {
  sortXRef_.Clear();
  for (int r = 0; r < RowCount(); ++r) sortXRef_.Insert(r, r);
}

void TVudUvizidIzed::SortSwapRows(int row1, int row2) {
  if (row1 >= 0 && row2 >= 0 && row1 < sortXRef_.Count() && row2 < sortXRef_.Count()) {
    const int origin = sortXRef_.Items(row1);
    sortXRef_.SetItems(row1, sortXRef_.Items(row2));
    sortXRef_.SetItems(row2, origin);
  }
  if (SortSettings()->SingleColumn) {
    const int col = SortSettings()->Column;
    const AnsiString text = GetGridCell(col, row1);
    TObject* object = GetGridObject(col, row1);
    SetGridCell(col, row1, GetGridCell(col, row2));
    SetGridObject(col, row1, GetGridObject(col, row2));
    SetGridCell(col, row2, text);
    SetGridObject(col, row2, object);
    return;
  }
  ExchangeRows(row1, row2);
  if (trackedRow_ == row1) trackedRow_ = row2;
  else if (trackedRow_ == row2) trackedRow_ = row1;
}

void TVudUvizidIzed::ApplyRowOrder(int first, const std::vector<int>& order) {
  const int n = static_cast<int>(order.size());
  if (first + n <= sortXRef_.Count()) {
    std::vector<int> origins(n);
    for (int i = 0; i < n; ++i) origins[i] = sortXRef_.Items(order[i]);
    for (int i = 0; i < n; ++i) sortXRef_.SetItems(first + i, origins[i]);
  }
  if (SortSettings()->SingleColumn) {
    const int col = SortSettings()->Column;
    std::vector<std::pair<AnsiString, TObject*>> cells(n);
    for (int i = 0; i < n; ++i) cells[i] = {GetGridCell(col, order[i]), GetGridObject(col, order[i])};
    for (int i = 0; i < n; ++i) SetGridCell(col, first + i, cells[i].first), SetGridObject(col, first + i, cells[i].second);
    return;
  }
  // The texts of the fixed column stay where they are.
  const bool keepColumn0 = SortSettings()->NormalCellsOnly && FixedCols() > 0;
  std::vector<std::pair<AnsiString, TObject*>> column0;
  if (keepColumn0)
    for (int i = 0; i < n; ++i) column0.emplace_back(GetGridCell(0, first + i), GetGridObject(0, first + i));
  PermuteRows(first, order);
  for (int i = 0; i < static_cast<int>(column0.size()); ++i)
    SetGridCell(0, first + i, column0[i].first), SetGridObject(0, first + i, column0[i].second);
  if (trackedRow_ >= first && trackedRow_ < first + n)
    trackedRow_ = first + static_cast<int>(std::find(order.begin(), order.end(), trackedRow_) - order.begin());
}

// ---- Sorts ----

void TVudUvizidIzed::QuickSort(int col, int left, int right) {
  if (right <= left) return;
  SortKeys keys(*this, true);
  const int outOfOrder = OutOfOrder(*this);
  if (col < 0 || col >= TotalColCount() || !keys.Column(col).KeyedStyle()) {
    ApplyRowOrder(left, SortedRows(left, right, [&](int a, int b) { return keys.CompareLine(col, a, b); }, outOfOrder));
    return;
  }
  const bool full = SortSettings()->Full && col <= TotalColCount() - 2;
  const auto tieBreak = [&](int a, int b) { return full ? keys.CompareLine(col + 1, a, b) : 0; };
  SortColumn& column = keys.Column(col);
  if (column.NumericStyle()) {
    const auto compareNumbers = [](const std::optional<double>& a, const std::optional<double>& b) {
      if (!a && !b) return 0;
      return ThreeWay(a.value_or(0), b.value_or(0));
    };
    ApplyRowOrder(left, SortedByKeys<std::optional<double>>(
                            left, right, [&](int r) { return column.NumberKey(r); }, compareNumbers, tieBreak, outOfOrder));
    return;
  }
  const TCollationKeys& collation = column.Collation();
  ApplyRowOrder(left, SortedRows(
                          left, right,
                          [&](int a, int b) {
                            const int res = collation.Compare(a, b);
                            return res != 0 ? res : tieBreak(a, b);
                          },
                          outOfOrder));
}

void TVudUvizidIzed::QuickSortIndexed(int left, int right) {
  if (right <= left) return;
  SortKeys keys(*this, true);
  ApplyRowOrder(left, SortedRows(left, right, [&](int a, int b) { return keys.CompareLineIndexed(0, a, b); }, 1));
}

void TVudUvizidIzed::SortByColumn(int col) {
  if (RowCount() < 2) return;
  const int outOfOrder = OutOfOrder(*this);
  for (bool swapped = true; swapped;) {
    swapped = false;
    for (int r = FixedRows(); r <= RowCount() - 2 - Props().FixedFooters; ++r) {
      if (Compare(col, r, r + 1, SortSettings()->Direction) == outOfOrder) {
        SortSwapRows(r, r + 1);
        swapped = true;
      }
    }
  }
}

void TVudUvizidIzed::QSort() {
  if (RowCount() != sortXRef_.Count()) InitSortXRef();
  sortIndexes_.Clear();
  SortWholeGrid([this] { QuickSort(SortSettings()->Column, FixedRows(), LastNormalRow()); }, true);
}

void TVudUvizidIzed::QSortIndexed() {
  if (sortIndexes_.Count() == 0) throw EDurUzavError("No indexes specified for indexed sort");
  if (RowCount() != sortXRef_.Count()) InitSortXRef();
  SortWholeGrid([this] { QuickSortIndexed(FixedRows(), LastNormalRow()); }, false);
}

// A sort that fails (a date that does not convert) has moved no row: the
// rows move only once the order is complete.
void TVudUvizidIzed::SortWholeGrid(const std::function<void()>& sort, bool reportRow) {
  TGridUpdate update(*this);
  const int row = Row();
  trackedRow_ = row;
  sort();
  if (Navigation()->MoveRowOnSort) {
    SetRow(trackedRow_);
    rowUpdateMemory_ = -1;
  } else {
    SetRow(row);
    if (reportRow && OnRowUpdate) OnRowUpdate(this, row, Row());
  }
  trackedRow_ = -1;
}

void TVudUvizidIzed::QUnSort() {
  TGridUpdate update(*this);
  const int n = std::min(RowCount(), sortXRef_.Count());
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [this](int a, int b) { return sortXRef_.Items(a) < sortXRef_.Items(b); });
  ApplyRowOrder(0, order);
}
