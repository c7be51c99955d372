// Grouping: rows with equal values in a column go under a header row that
// is a node, with optional summary rows, and the column leaves the grid.
#include <algorithm>

#include "grid/duruzav.h"

void TVudUvizidIzed::SetGroupColumn(int col) {
  if (col == -1) UnGroup();
  else if (col > 0) Group(col);
}

// After the group column left, the header text stands in column 1; a
// sub-group header's in the column behind its sub-group column.
void TVudUvizidIzed::StyleGroupRow(int row, bool header, int textCol) {
  const TGrouping& g = *Grouping();
  const bool merge = header ? g.MergeHeader : g.MergeSummary;
  const TColor color = header ? g.HeaderColor : g.SummaryColor;
  const TColor colorTo = header ? g.HeaderColorTo : g.SummaryColorTo;
  const TColor text = header ? g.HeaderTextColor : g.SummaryTextColor;
  if (merge) {
    MergeCells(textCol, row, ColCount() - textCol, 1);
    if (color != clNone) SetColors(textCol, row, color);
    if (colorTo != clNone) SetColorsTo(textCol, row, colorTo);
    if (text != clNone) SetFontColors(textCol, row, text);
    return;
  }
  if (color != clNone) SetRowColor(row, color);
  if (colorTo != clNone) SetRowColorTo(row, colorTo);
  if (text != clNone) SetRowFontColor(row, text);
}

// The rows are laid out in one pass: new header (and summary) rows are
// added at the end and every row is moved once to its place.
void TVudUvizidIzed::Group(int col) {
  if (col < std::max(FixedCols(), 1) || col >= ColCount()) return;
  TGridUpdate update(*this);
  if (groupColumn_ > 0) UnGroup();
  groupColumn_ = col;
  groupColumnWidth_ = ColWidths(col);
  groupHeaderText_ = FixedRows() > 0 ? GetGridCell(col, 0) : AnsiString();
  groupFooterText_ = Props().FixedFooters > 0 ? GetGridCell(col, RowCount() - 1) : AnsiString();
  if (SortSettings()->AutoSortForGrouping) {
    SortSettings()->Column = col;
    QSort();
  }
  struct Run {
    int first, count;
    AnsiString value;
  };
  std::vector<Run> runs;
  for (int r = FixedRows(); r <= LastNormalRow(); ++r) {
    const AnsiString& v = CellText(col, r);
    if (runs.empty() || v != runs.back().value) runs.push_back({r, 0, v});
    ++runs.back().count;
  }
  RemoveCols(col, 1);
  if (runs.empty()) return;
  const bool summary = Grouping()->Summary;
  const int extra = static_cast<int>(runs.size()) * (summary ? 2 : 1);
  const int added = LastNormalRow() + 1;
  InsertRowsAt(added, extra);
  std::vector<int> order;
  order.reserve(RowCount() - FixedRows());
  int next = added;
  for (const Run& run : runs) {
    order.push_back(next++);
    for (int i = 0; i < run.count; ++i) order.push_back(run.first + i);
    if (summary) order.push_back(next++);
  }
  for (int r = added + extra; r < RowCount(); ++r) order.push_back(r);
  PermuteRows(FixedRows(), order);
  int h = FixedRows();
  for (const Run& run : runs) {
    SetGridCell(1, h, run.value);
    AddNode(RemapRowInv(h), run.count + 1);
    StyleGroupRow(h, true);
    h += run.count + 1;
    if (summary) {
      AddSummary(RemapRowInv(h));
      StyleGroupRow(h, false);
      ++h;
    }
  }
  SetRow(FixedRows());
  CellsChanged(TRect{0, FixedRows(), ColCount() - 1, RowCount() - 1});
}

void TVudUvizidIzed::UnGroup() {
  if (groupColumn_ <= 0) return;
  TGridUpdate update(*this);
  if (subGroupColumn_ >= 0) SubUnGroup(subGroupColumn_);
  ExpandAll();
  const int col = groupColumn_;
  InsertCols(col, 1);
  SetColWidths(col, groupColumnWidth_);
  if (FixedRows() > 0) SetGridCell(col, 0, groupHeaderText_);
  if (Props().FixedFooters > 0) SetGridCell(col, RowCount() - 1, groupFooterText_);
  const int textCol = col == 1 ? 2 : 1;
  std::vector<int> leaving;
  AnsiString header;
  for (int r = FixedRows(); r <= LastNormalRow(); ++r) {
    if (IsNode(r)) {
      header = GetGridCell(textCol, r);
      leaving.push_back(r);
      --nodeCount_;
    } else if (IsSummary(r)) {
      leaving.push_back(r);
    } else {
      SetGridCell(col, r, header);
      if (HasCellProperties(0, r)) GetCellProperties(0, r)->NodeLevel = 0;
    }
  }
  for (int r : leaving) SplitRowCells(r);
  RemoveRowSet(leaving);
  nodeCount_ = std::max(nodeCount_, 0);
  groupColumn_ = -1;
}

// Groups are handled from the last to the first, and inside each the runs
// from the last to the first, so that inserted rows move no row still to
// be handled. Each run gets its header row above it and, with summaries,
// its summary row below it, both inside the enclosing group.
void TVudUvizidIzed::SubGroup(int col) {
  if (col < std::max(FixedCols(), 1) || col + 1 >= ColCount()) return;
  // One sub-group level at a time.
  if (subGroupColumn_ >= 0) SubUnGroup(subGroupColumn_);
  const TGridUpdate update(*this);
  ExpandAll();
  subGroupColumn_ = col;
  std::vector<std::pair<int, int>> groups;  // first and last data row
  for (int r = FixedRows(); r <= LastNormalRow(); ++r)
    if (IsNode(r) && GetNodeSpan(r) > 1) groups.emplace_back(r + 1, r + GetNodeSpan(r) - 1);
  if (groups.empty() && nodeCount_ == 0) groups.emplace_back(FixedRows(), LastNormalRow());
  for (auto g = groups.rbegin(); g != groups.rend(); ++g) {
    std::vector<std::pair<int, int>> runs;  // first row and length
    for (int r = g->first; r <= g->second; ++r) {
      if (runs.empty() || GetGridCell(col, r) != GetGridCell(col, runs.back().first)) runs.emplace_back(r, 0);
      ++runs.back().second;
    }
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
      const AnsiString value = GetGridCell(col, run->first);
      if (Grouping()->Summary) {
        const int last = run->first + run->second - 1;
        InsertChildRow(RemapRowInv(last), 1);
        AddSummary(RemapRowInv(last + 1));
        GetCellGraphic(0, last + 1)->CellValue = col;
        StyleGroupRow(last + 1, false, col + 1);
      }
      InsertChildRow(RemapRowInv(run->first), 0);
      const int header = run->first;
      SetGridCell(col + 1, header, value);
      for (int r = header + 1; r <= header + run->second; ++r) SetGridCell(col, r, AnsiString());
      AddNode(RemapRowInv(header), run->second + 1);
      NodeGraphic(header)->CellValue = col;
      StyleGroupRow(header, true, col + 1);
    }
  }
  SetRow(FixedRows());
}

void TVudUvizidIzed::SubUnGroup(int col) {
  TGridUpdate update(*this);
  ExpandAll();
  AnsiString header;
  for (int r = FixedRows(); r <= LastNormalRow();) {
    TCellGraphic* node = NodeGraphic(r);
    if (node && node->CellValue == col) {
      header = GetGridCell(col + 1, r);
      RemoveNode(RemapRowInv(r));
      SplitRowCells(r);
      RemoveChildRow(RemapRowInv(r));
      continue;
    }
    if (IsSummary(r) && GetCellGraphic(0, r)->CellValue == col) {
      SplitRowCells(r);
      RemoveChildRow(RemapRowInv(r));
      continue;
    }
    // Rows outside every sub-group get no value back.
    if (node || IsSummary(r)) header.clear();
    else SetGridCell(col, r, header);
    ++r;
  }
  if (subGroupColumn_ == col) subGroupColumn_ = -1;
}

// Sub-groups get their figures as the groups do. A group's figures are
// of its data rows alone, never of the header and summary rows of the
// sub-groups inside it; a figure goes into a summary row only where there
// is one below the group, never into the data row that follows it.
void TVudUvizidIzed::GroupCalc(int col, int kind) {
  for (int r = FixedRows(); r < RowCount(); ++r) {
    const int span = GetNodeSpan(r);
    if (span < 1) continue;
    const int last = r + span - 1;
    const int target = Grouping()->Summary && IsSummary(r + span) ? r + span : r;
    int first = -1, dataRows = 0;
    for (int d = r + 1; d <= last; ++d) {
      if (IsNode(d) || IsSummary(d)) continue;
      if (first < 0) first = d;
      ++dataRows;
    }
    double value = dataRows;
    if (dataRows == 0) value = 0;
    else if (kind == 1) value = ColumnSum(col, first, last);
    else if (kind == 2) value = ColumnSum(col, first, last) / dataRows;
    else if (kind == 3) value = ColumnMin(col, first, last);
    else if (kind == 4) value = ColumnMax(col, first, last);
    SetFloats(col, target, value);
  }
}
