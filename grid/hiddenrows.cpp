// The hidden-row store: items ordered by real index, found by binary search.
#include "grid/hiddenrows.h"

#include <algorithm>
#include <iterator>
#include <set>

THiddenRows::~THiddenRows() {
  // A properties object copied into several cells is freed once.
  std::set<TObject*> owned;
  for (const auto& column : packed_)
    for (const auto& cell : column)
      if (cell.object) owned.insert(cell.object);
  for (const Entry& entry : entries_) {
    if (!entry.item) continue;
    TStringList& cells = *entry.item->Items();
    for (int c = 0; c < cells.Count(); ++c)
      if (TObject* object = cells.GetObject(c)) owned.insert(object);
  }
  for (TObject* object : owned) delete object;
}

void THiddenRows::SetIdx(Entry& entry, int idx) {
  entry.idx = idx;
  if (entry.item) entry.item->Idx = idx;
}

TStringList* THiddenRows::Unpack(Entry& entry) const {
  if (entry.item) return entry.item->Items();
  entry.item = std::make_unique<TGridItem>();
  entry.item->Idx = entry.idx;
  entry.item->Height = entry.height;
  TStringList& cells = *entry.item->Items();
  for (int c = 0; c < widths_[entry.slot]; ++c) {
    TStringGrid::Cell& cell = packed_[c][entry.slot];
    cells.AddObject(cell.text, cell.object);
  }
  ClearSlot(entry.slot);
  entry.slot = -1;
  return &cells;
}

// The slot's cells are held elsewhere now (or are gone): their objects are
// no longer this store's.
void THiddenRows::ClearSlot(int slot) const {
  for (auto& column : packed_) column[slot] = {};
}

TStringList* THiddenRows::Items(int index) const { return Unpack(entries_[index]); }

int THiddenRows::CountBelow(int realRow) const {
  return static_cast<int>(std::partition_point(entries_.begin(), entries_.end(),
                                               [realRow](const Entry& entry) { return entry.idx < realRow; }) -
                          entries_.begin());
}

bool THiddenRows::Contains(int realRow) const {
  const int i = CountBelow(realRow);
  return i < Count() && entries_[i].idx == realRow;
}

TStringList* THiddenRows::Find(int realRow) const {
  return Contains(realRow) ? Items(CountBelow(realRow)) : nullptr;
}

int THiddenRows::RealOfDisplay(int displayRow) const {
  // Item k has Idx - k shown rows before it; that number never falls.
  int k = 0;
  for (int span = Count(); span > 0;) {
    const int half = span / 2;
    if (entries_[k + half].idx - (k + half) <= displayRow) {
      k += half + 1;
      span -= half + 1;
    } else {
      span = half;
    }
  }
  return displayRow + k;
}

TStringList* THiddenRows::Insert(int realRow, int height) {
  Entry entry;
  entry.idx = realRow;
  entry.height = height;
  entry.item = std::make_unique<TGridItem>();
  entry.item->Idx = realRow;
  entry.item->Height = height;
  return entries_.insert(entries_.begin() + CountBelow(realRow), std::move(entry))->item->Items();
}

void THiddenRows::Merge(Block block) {
  const int base = static_cast<int>(widths_.size());
  const int added = static_cast<int>(block.rows.size());
  const int width = static_cast<int>(block.cells.size());
  if (base == 0) {
    packed_ = std::move(block.cells);
  } else {
    if (packed_.size() < block.cells.size()) packed_.resize(block.cells.size());
    for (std::size_t c = 0; c < packed_.size(); ++c) {
      auto& column = packed_[c];
      column.reserve(base + added);
      column.resize(base);  // a column the store had no cells in yet
      if (c < block.cells.size()) {
        std::move(block.cells[c].begin(), block.cells[c].end(), std::back_inserter(column));
      } else {
        column.resize(base + added);
      }
    }
  }
  widths_.resize(base + added, width);
  const auto middle = static_cast<std::ptrdiff_t>(entries_.size());
  entries_.reserve(entries_.size() + added);
  for (int i = 0; i < added; ++i) {
    Entry& entry = entries_.emplace_back();
    entry.idx = block.rows[i];
    entry.height = block.heights[i];
    entry.slot = base + i;
  }
  std::inplace_merge(entries_.begin(), entries_.begin() + middle, entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.idx < b.idx; });
  block.rows.clear();
  block.heights.clear();
  room_.rows = std::move(block.rows);
  room_.heights = std::move(block.heights);
}

void THiddenRows::Erase(int first, int last) {
  for (int k = first; k < last; ++k)
    if (entries_[k].slot >= 0) ClearSlot(entries_[k].slot);
  entries_.erase(entries_.begin() + first, entries_.begin() + last);
  if (entries_.empty()) {
    packed_.clear();
    widths_.clear();
  }
}

THiddenRows::Block THiddenRows::TakeAll() {
  Block block;
  block.rows = std::move(room_.rows);
  block.heights = std::move(room_.heights);
  const std::size_t n = entries_.size();
  block.rows.reserve(n);
  block.heights.reserve(n);
  bool inSlotOrder = widths_.size() == n;
  for (std::size_t k = 0; k < n; ++k) {
    block.rows.push_back(entries_[k].idx);
    block.heights.push_back(entries_[k].height);
    inSlotOrder = inSlotOrder && entries_[k].slot == static_cast<int>(k);
  }
  if (inSlotOrder) {
    // Rows hidden in one pass and none asked for since: their columns go
    // over as they are.
    block.cells = std::move(packed_);
  } else {
    std::size_t width = packed_.size();
    for (const Entry& entry : entries_)
      if (entry.item) width = std::max<std::size_t>(width, entry.item->Items()->Count());
    block.cells.assign(width, std::vector<TStringGrid::Cell>(n));
    for (std::size_t k = 0; k < n; ++k) {
      const Entry& entry = entries_[k];
      if (entry.slot >= 0) {
        for (std::size_t c = 0; c < packed_.size(); ++c) block.cells[c][k] = std::move(packed_[c][entry.slot]);
        continue;
      }
      const TStringList& cells = *entry.item->Items();
      for (int c = 0; c < cells.Count(); ++c) block.cells[c][k] = {cells.Get(c), cells.GetObject(c)};
    }
  }
  entries_.clear();
  packed_.clear();
  widths_.clear();
  return block;
}

void THiddenRows::KeepRoom(Block block) {
  block.rows.clear();
  block.heights.clear();
  for (auto& column : block.cells) column.clear();
  room_ = std::move(block);
}

void THiddenRows::Shift(int fromReal, int delta) {
  for (int i = CountBelow(fromReal); i < Count(); ++i) SetIdx(entries_[i], entries_[i].idx + delta);
}

void THiddenRows::RowsRemoved(int displayRow, int count) {
  for (int k = 0; k < Count(); ++k) {
    const int shownBefore = entries_[k].idx - k;
    SetIdx(entries_[k], entries_[k].idx - std::clamp(shownBefore - displayRow, 0, count));
  }
}
