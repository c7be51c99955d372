// Column widths and row heights with their running offsets.
#include "framework/gridaxis.h"

#include <algorithm>
#include <bit>

namespace {

int LowBit(int i) { return i & -i; }

}  // namespace

void TGridAxis::Resize(int count) {
  const int old = Count();
  if (count < old) {
    nonDefault_ -= static_cast<int>(
        std::count_if(sizes_.begin() + count, sizes_.end(), [this](int s) { return s != defaultSize_; }));
    sizes_.resize(count);
    // A node covers only entries up to its own index, so a shorter tree is
    // still a tree of the entries that remain.
    if (nonDefault_ == 0) tree_.clear();
    else tree_.resize(count + 1);
    return;
  }
  sizes_.resize(count, defaultSize_);
  if (nonDefault_ == 0) return;
  tree_.resize(count + 1, 0);
  // A new entry's node sums the nodes that its range covers.
  for (int i = old + 1; i <= count; ++i)
    for (int j = i - 1; j > i - LowBit(i); j -= LowBit(j)) tree_[i] += tree_[j];
}

void TGridAxis::Reset(int defaultSize) {
  defaultSize_ = defaultSize;
  std::fill(sizes_.begin(), sizes_.end(), defaultSize_);
  nonDefault_ = 0;
  tree_.clear();
}

void TGridAxis::SetSize(int index, int size) {
  const int old = sizes_[index];
  if (old == size) return;
  sizes_[index] = size;
  const bool wasDefault = old == defaultSize_, isDefault = size == defaultSize_;
  if (wasDefault) ++nonDefault_;
  if (isDefault) --nonDefault_;
  if (nonDefault_ == 0) tree_.clear();
  else if (wasDefault && nonDefault_ == 1) Rebuild();
  else AddExtra(index, static_cast<std::int64_t>(size) - old);
}

void TGridAxis::Move(int from, int to) {
  const int size = sizes_[from];
  sizes_.erase(sizes_.begin() + from);
  sizes_.insert(sizes_.begin() + to, size);
  if (nonDefault_ > 0) Rebuild();
}

void TGridAxis::Insert(int index, int count) {
  sizes_.insert(sizes_.begin() + index, count, defaultSize_);
  if (nonDefault_ > 0) Rebuild();
}

void TGridAxis::Erase(int index, int count) {
  const auto first = sizes_.begin() + index, last = first + count;
  nonDefault_ -= static_cast<int>(std::count_if(first, last, [this](int s) { return s != defaultSize_; }));
  sizes_.erase(first, last);
  if (nonDefault_ > 0) Rebuild();
  else tree_.clear();
}

void TGridAxis::Permute(int first, const std::vector<int>& order) {
  if (nonDefault_ == 0) return;
  std::vector<int> sizes(order.size());
  for (size_t i = 0; i < order.size(); ++i) sizes[i] = sizes_[order[i]];
  std::copy(sizes.begin(), sizes.end(), sizes_.begin() + first);
  Rebuild();
}

void TGridAxis::EraseFlagged(const std::vector<char>& leaving) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < sizes_.size(); ++i) {
    if (!leaving[i]) {
      sizes_[kept++] = sizes_[i];
    } else if (sizes_[i] != defaultSize_) {
      --nonDefault_;
    }
  }
  sizes_.resize(kept);
  if (nonDefault_ > 0) Rebuild();
  else tree_.clear();
}

void TGridAxis::InsertAt(const std::vector<int>& positions, const std::vector<int>& sizes) {
  std::size_t old = sizes_.size(), k = positions.size();
  sizes_.resize(old + k);
  // From the back, so that no entry is overwritten before it has moved.
  for (std::size_t i = sizes_.size(); k > 0 && i-- > 0;) {
    if (positions[k - 1] == static_cast<int>(i)) {
      sizes_[i] = sizes[--k];
      if (sizes_[i] != defaultSize_) ++nonDefault_;
    } else {
      sizes_[i] = sizes_[--old];
    }
  }
  if (nonDefault_ > 0) Rebuild();
}

void TGridAxis::Rebuild() {
  const int n = Count();
  tree_.assign(n + 1, 0);
  for (int i = 1; i <= n; ++i) {
    tree_[i] += sizes_[i - 1] - defaultSize_;
    if (const int parent = i + LowBit(i); parent <= n) tree_[parent] += tree_[i];
  }
}

void TGridAxis::AddExtra(int index, std::int64_t delta) {
  for (int i = index + 1; i <= Count(); i += LowBit(i)) tree_[i] += delta;
}

std::int64_t TGridAxis::Extra(int count) const {
  std::int64_t sum = 0;
  if (nonDefault_ > 0)
    for (int i = count; i > 0; i -= LowBit(i)) sum += tree_[i];
  return sum;
}

std::int64_t TGridAxis::SizeSum(int count) const {
  return static_cast<std::int64_t>(count) * defaultSize_ + Extra(count);
}

int TGridAxis::Offset(int count) const {
  return static_cast<int>(SizeSum(count) + static_cast<std::int64_t>(count) * lineWidth_);
}

int TGridAxis::CountWithin(std::int64_t position) const {
  if (position < 0) return 0;
  const std::int64_t step = static_cast<std::int64_t>(defaultSize_) + lineWidth_;
  if (nonDefault_ == 0) {
    if (step == 0) return Count();
    return static_cast<int>(std::min<std::int64_t>(position / step, Count()));
  }
  // Descends the tree, taking every node whose entries end at or before
  // the position (no entry's extent is negative).
  int count = 0;
  for (int span = static_cast<int>(std::bit_floor(static_cast<unsigned>(Count()))); span > 0; span >>= 1) {
    if (count + span > Count()) continue;
    const std::int64_t extent = span * step + tree_[count + span];
    if (extent <= position) {
      count += span;
      position -= extent;
    }
  }
  return count;
}

int TGridAxis::FirstReaching(std::int64_t position) const {
  if (position <= 0) return 0;
  return std::min(CountWithin(position - 1) + 1, Count());
}
