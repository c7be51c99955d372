// The hidden-row store: items ordered by real index, found by binary search.
#include "grid/hiddenrows.h"

#include <algorithm>
#include <set>

THiddenRows::~THiddenRows() {
  // A properties object copied into several cells is freed once.
  std::set<TObject*> owned;
  for (const auto& item : items_)
    for (int c = 0; c < item->Items()->Count(); ++c)
      if (TObject* object = item->Items()->GetObject(c)) owned.insert(object);
  for (TObject* object : owned) delete object;
}

int THiddenRows::CountBelow(int realRow) const {
  return static_cast<int>(std::partition_point(items_.begin(), items_.end(),
                                               [realRow](const auto& item) { return item->Idx < realRow; }) -
                          items_.begin());
}

TGridItem* THiddenRows::Find(int realRow) const {
  const int i = CountBelow(realRow);
  return i < Count() && items_[i]->Idx == realRow ? items_[i].get() : nullptr;
}

int THiddenRows::RealOfDisplay(int displayRow) const {
  // Item k has Idx - k shown rows before it; that number never falls.
  int k = 0;
  for (int span = Count(); span > 0;) {
    const int half = span / 2;
    if (items_[k + half]->Idx - (k + half) <= displayRow) {
      k += half + 1;
      span -= half + 1;
    } else {
      span = half;
    }
  }
  return displayRow + k;
}

TGridItem* THiddenRows::Insert(int realRow) {
  auto item = std::make_unique<TGridItem>();
  item->Idx = realRow;
  return items_.insert(items_.begin() + CountBelow(realRow), std::move(item))->get();
}

TGridItem* THiddenRows::Append(int realRow) {
  if (!items_.empty() && items_.back()->Idx >= realRow) return Insert(realRow);
  auto& item = items_.emplace_back(std::make_unique<TGridItem>());
  item->Idx = realRow;
  return item.get();
}

std::unique_ptr<TGridItem> THiddenRows::Take(int index) {
  auto item = std::move(items_[index]);
  items_.erase(items_.begin() + index);
  return item;
}

std::vector<std::unique_ptr<TGridItem>> THiddenRows::TakeAll() { return std::exchange(items_, {}); }

void THiddenRows::Merge(std::vector<std::unique_ptr<TGridItem>> items) {
  const auto byIdx = [](const auto& a, const auto& b) { return a->Idx < b->Idx; };
  const auto middle = static_cast<std::ptrdiff_t>(items_.size());
  std::move(items.begin(), items.end(), std::back_inserter(items_));
  std::inplace_merge(items_.begin(), items_.begin() + middle, items_.end(), byIdx);
}

void THiddenRows::Shift(int fromReal, int delta) {
  for (int i = CountBelow(fromReal); i < Count(); ++i) items_[i]->Idx += delta;
}

void THiddenRows::RowsRemoved(int displayRow, int count) {
  for (int k = 0; k < Count(); ++k) {
    const int shownBefore = items_[k]->Idx - k;
    items_[k]->Idx -= std::clamp(shownBefore - displayRow, 0, count);
  }
}
