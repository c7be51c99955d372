// Nodes: rows that fold the rows of their span away and show them again,
// nested by level.
#include <algorithm>
#include <optional>

#include "grid/duruzav.h"

namespace {

constexpr double kNoGroupValue = -1;

}  // namespace

// ---- The node graphic ----
// CellBoolean holds the contracted state, CellIndex the span, CellErrFrom
// the row the node was made for and CellValue the group value.

TCellGraphic* TVudUvizidIzed::NodeGraphic(int displayRow) {
  if (displayRow < 0 || displayRow >= RowCount()) return nullptr;
  TCellGraphic* g = GetCellGraphic(0, displayRow);
  return g && g->CellType == ctNode ? g : nullptr;
}

bool TVudUvizidIzed::IsNode(int displayRow) { return NodeGraphic(displayRow) != nullptr; }

bool TVudUvizidIzed::IsSummary(int displayRow) {
  return displayRow >= 0 && displayRow < RowCount() && GetCellType(0, displayRow) == ctSummary;
}

bool TVudUvizidIzed::GetNodeState(int displayRow) {
  const TCellGraphic* g = NodeGraphic(displayRow);
  return g && g->CellBoolean;
}

void TVudUvizidIzed::SetNodeState(int displayRow, bool contracted) {
  if (!IsNode(displayRow) || GetNodeState(displayRow) == contracted) return;
  if (contracted) ContractNode(RemapRowInv(displayRow));
  else ExpandNode(RemapRowInv(displayRow));
}

int TVudUvizidIzed::GetNodeLevel(int displayRow) {
  return IsNode(displayRow) ? GetCellProperties(0, displayRow)->NodeLevel : -1;
}

int TVudUvizidIzed::GetNodeSpan(int displayRow) {
  const TCellGraphic* g = NodeGraphic(displayRow);
  return g ? g->CellIndex : -1;
}

void TVudUvizidIzed::SetNodeSpan(int displayRow, int span) {
  if (TCellGraphic* g = NodeGraphic(displayRow)) g->CellIndex = span;
}

void TVudUvizidIzed::UpdateNodeSpan(int displayRow, int delta) {
  if (TCellGraphic* g = NodeGraphic(displayRow)) g->CellIndex += delta;
}

int TVudUvizidIzed::NodeEnd(int displayRow) {
  if (const int span = GetNodeSpan(displayRow); span >= 1) return displayRow + span;
  int e = displayRow + 1;
  while (e < RowCount() && !IsNode(e)) ++e;
  return e;
}

// Spans count real rows: the levels of hidden rows change in their kept
// column-0 properties.
void TVudUvizidIzed::AddNodeLevel(int realRow, int count, int delta) {
  for (int r = realRow; r < std::min(realRow + count, TotalRowCount()); ++r) {
    TCellProperties* p = nullptr;
    if (TStringList* hidden = HiddenRow(r)) {
      p = static_cast<TCellProperties*>(hidden->GetObject(0));
      if (!p) hidden->PutObject(0, p = new TCellProperties(this, 0, r));
    } else {
      p = GetCellProperties(0, RemapRow(r));
    }
    p->NodeLevel = std::max(p->NodeLevel + delta, 0);
  }
}

int TVudUvizidIzed::NodeRealSpan(int displayRow) {
  if (const int span = GetNodeSpan(displayRow); span >= 1) return span;
  const int end = NodeEnd(displayRow);
  return (end < RowCount() ? RemapRowInv(end) : TotalRowCount()) - RemapRowInv(displayRow);
}

int TVudUvizidIzed::NodeIndent(int row) {
  if (nodeCount_ == 0 || row < 0 || !HasCellProperties(0, row)) return 0;
  return PropsAt(0, row)->NodeLevel * CellNode()->NodeIndent();
}

// ---- Adding and removing ----

void TVudUvizidIzed::AddNode(int row, int span) {
  const int d = RemapRow(row);
  if (d < 0 || d >= RowCount()) return;
  TCellGraphic* g = CreateCellGraphic(0, d);
  g->CellType = ctNode;
  g->CellBoolean = false;
  g->CellIndex = span;
  g->CellErrFrom = d;
  g->CellValue = kNoGroupValue;
  g->CellHAlign = static_cast<TCellHAlign>(2);
  g->CellVAlign = static_cast<TCellVAlign>(3);
  AddNodeLevel(row, NodeRealSpan(d), 1);
  if (nodeCount_++ == 0) InvalidateCol(0);
  if (Col() == 0) SetCol(1);
}

void TVudUvizidIzed::AddSummary(int row) {
  const int d = RemapRow(row);
  if (d < 0 || d >= RowCount()) return;
  CreateCellGraphic(0, d)->CellType = ctSummary;
}

void TVudUvizidIzed::RemoveNode(int row) {
  const int d = RemapRow(row);
  if (!IsNode(d)) return;
  ExpandNode(row);
  AddNodeLevel(row, NodeRealSpan(d), -1);
  RemoveCellGraphic(0, d, ctNode);
  nodeCount_ = std::max(nodeCount_ - 1, 0);
}

// Every node is expanded first, so that display and real rows agree while
// the nodes are taken away; nested nodes go too.
void TVudUvizidIzed::RemoveAllNodes() {
  ExpandAll();
  for (int r = 0; r < RowCount();) {
    if (!IsNode(r)) {
      ++r;
      continue;
    }
    const int end = NodeEnd(r);
    for (int s = r; s < end; ++s) GetCellProperties(0, s)->NodeLevel = 0;
    RemoveCellGraphic(0, r, ctNode);
    nodeCount_ = std::max(nodeCount_ - 1, 0);
    ++r;
  }
}

// ---- Expanding and contracting ----

void TVudUvizidIzed::ExpandNode(int row) {
  if (CellNode()->ExpandOne) {
    const int last = RowCount() - 1;
    for (int r = FixedRows(); r <= last && r < RowCount(); ++r)
      if (IsNode(r) && !GetNodeState(r) && RemapRowInv(r) != row) ContractNode(RemapRowInv(r));
  }
  const int d = RemapRow(row);
  TCellGraphic* g = NodeGraphic(d);
  if (!g || !g->CellBoolean) return;
  g->CellBoolean = false;
  int e = d + 1;
  if (g->CellIndex == 0)
    while (e < RowCount() && !IsNode(e)) ++e;
  const int current = Row(), top = TopRow();
  // Cell controls are placed while the rows come back, which needs painting.
  std::optional<TGridUpdate> update;
  if (cellControls_.Count() == 0) update.emplace(*this);
  // The rows hidden between the node and the next shown row come back.
  const int last = e < RowCount() ? RemapRowInv(e) - 1 : TotalRowCount() - 1;
  UnHideRows(RemapRowInv(d) + 1, last);
  SetRow(current);
  SetTopRow(top);
  InvalidateRow(d);
  update.reset();
  CalcFooter(-1);
}

void TVudUvizidIzed::ContractNode(int row) {
  HideEditor();
  const int d = RemapRow(row);
  TCellGraphic* g = NodeGraphic(d);
  if (!g || g->CellBoolean) return;
  g->CellBoolean = true;
  const int last = row + NodeRealSpan(d) - 1;
  // Nested contracted nodes are marked expanded: the whole subtree is hidden
  // as one run and comes back expanded.
  for (int r = d + 1; r < RowCount() && RemapRowInv(r) <= last; ++r)
    if (TCellGraphic* nested = NodeGraphic(r)) nested->CellBoolean = false;
  if (last > row) HideRows(row + 1, last);
  InvalidateRow(d);
  CalcFooter(-1);
}

void TVudUvizidIzed::ExpandAll() {
  UnHideRowList();
  for (int r = FixedRows(); r < RowCount(); ++r)
    if (TCellGraphic* g = NodeGraphic(r)) g->CellBoolean = false;
  CalcFooter(-1);
}

void TVudUvizidIzed::ContractAll() {
  TGridUpdate update(*this);
  ExpandAll();
  TIntList rows(0, 0);
  for (int r = FixedRows(); r < RowCount();) {
    TCellGraphic* g = NodeGraphic(r);
    if (!g) {
      ++r;
      continue;
    }
    g->CellBoolean = true;
    const int end = std::min(NodeEnd(r), RowCount());
    for (int s = r + 1; s < end; ++s) rows.Insert(rows.Count(), s);
    r = std::max(end, r + 1);
  }
  HideRowList(rows);
  CalcFooter(-1);
}

// ---- Structure ----

int TVudUvizidIzed::GetParentRow(int displayRow) {
  if (nodeCount_ == 0) return -1;
  const bool node = IsNode(displayRow);
  const int level = node ? GetNodeLevel(displayRow) : 65535;
  for (int r = displayRow; r >= FixedRows(); --r)
    if (IsNode(r) && GetNodeLevel(r) < level && r + GetNodeSpan(r) > displayRow) return r;
  return node ? displayRow : -1;
}

bool TVudUvizidIzed::InNodeRect(int displayRow, int x) {
  const int level = GetNodeLevel(displayRow), indent = CellNode()->NodeIndent();
  if (!UseRightToLeftAlignment()) return (level - 1) * indent < x && x < level * indent;
  // The band counts from the right edge of the cells, left of which the
  // client ends (the vertical bar stays outside it).
  const int right = ClientWidth();
  return right - 2 - level * indent <= x && x < right - (level - 1) * indent;
}

int TVudUvizidIzed::GetNodeSpanType(int displayRow) {
  if (IsNode(displayRow)) return 0;
  const int next = displayRow + 1;
  if (displayRow >= LastNormalRow() || !HasCellProperties(0, displayRow) || !HasCellProperties(0, next)) return 1;
  return PropsAt(0, next)->NodeLevel >= PropsAt(0, displayRow)->NodeLevel ? 2 : 1;
}

// ---- Rows inside node groups ----
// Hidden rows are renumbered by the real index of the row that comes or
// goes, so that they keep meaning the same rows.

void TVudUvizidIzed::InsertRowBeforeShown(int displayRow) {
  // The new row goes behind the hidden rows before the shown one at
  // displayRow: only hidden rows from that row's real index on move.
  const int realAt = RemapRowInv(displayRow);
  InsertRows(displayRow, 1);
  hiddenRows_.Shift(realAt, 1);
}

void TVudUvizidIzed::InsertNormalRow(int row) { InsertRowBeforeShown(RemapRow(row)); }

void TVudUvizidIzed::RemoveNormalRow(int row) {
  const int d = RemapRow(row);
  if (d < 0 || d >= RowCount()) return;
  ClearPropRect(0, d, StoredColCount() - 1, d);
  IRemoveRows(d, 1, true);
}

void TVudUvizidIzed::InsertChildRow(int row, int offset) {
  const int d = RemapRow(row);
  const int p = GetParentRow(d);
  int level = 1;
  if (p != -1) {
    UpdateNodeSpan(p, 1);
    ExpandNode(RemapRowInv(p));
    level = GetNodeLevel(p);
  }
  for (int l = level, q = p; l > 1 && q >= FixedRows();) {
    q = GetParentRow(q);
    if (q == -1) break;
    if (GetNodeLevel(q) < l) {
      UpdateNodeSpan(q, 1);
      ExpandNode(RemapRowInv(q));
      l = GetNodeLevel(q);
    }
  }
  const int at = RemapRow(row) + offset;
  InsertRowBeforeShown(at);
  if (p != -1) GetCellProperties(0, at)->NodeLevel = level;
}

void TVudUvizidIzed::RemoveChildRow(int row) {
  int d = RemapRow(row);
  int p = GetParentRow(d);
  if (p != -1) {
    const int level = GetNodeLevel(p);
    if (GetNodeSpan(p) > 1) UpdateNodeSpan(p, -1);
    ExpandNode(RemapRowInv(p));
    while (GetNodeLevel(p) >= 2) {
      p = GetParentRow(p);
      if (p == -1 || GetNodeLevel(p) >= level) break;
      if (GetNodeSpan(p) > 1) UpdateNodeSpan(p, -1);
      ExpandNode(RemapRowInv(p));
    }
  }
  d = RemapRow(row);
  RemoveRowsInternal(d, 1);
}

// ---- Sorting inside node groups ----

void TVudUvizidIzed::QSortGroup() { QSortGroupInt(false); }
void TVudUvizidIzed::QSortGroupIndexed() { QSortGroupInt(true); }

void TVudUvizidIzed::QSortGroupInt(bool indexed) {
  if (RowCount() != sortXRef_.Count()) InitSortXRef();
  SortWholeGrid(
      [this, indexed] {
        for (int r = FixedRows(); r <= LastNormalRow(); ++r) {
          if (!IsNode(r) || GetNodeState(r)) continue;
          const int first = r + 1, last = std::min(r + GetNodeSpan(r) - 1, LastNormalRow());
          if (last - first < 1) continue;
          if (indexed) QuickSortIndexed(first, last);
          else QuickSort(SortSettings()->Column, first, last);
        }
      },
      false);
}
