#pragma once
// The sizes of a grid's columns or rows, with their running offsets.
//
// Every entry has a size (its width or height, 0 for a hidden one) and is
// followed by a line of the axis's common width. Offsets are found in
// O(log n) through a Fenwick tree over the sizes that differ from the
// default, and in O(1) while every size is the default; the reverse search
// (which entry lies at an offset) costs the same.
#include <cstdint>
#include <vector>

class TGridAxis {
 public:
  int Count() const { return static_cast<int>(sizes_.size()); }
  int DefaultSize() const { return defaultSize_; }
  int LineWidth() const { return lineWidth_; }
  int Size(int index) const { return sizes_[index]; }

  // Entries added by a larger count take the default size.
  void Resize(int count);
  // Gives every entry the new default size.
  void Reset(int defaultSize);
  void SetSize(int index, int size);
  void SetLineWidth(int width) { lineWidth_ = width; }
  // Takes the entry at from out and puts it back at to.
  void Move(int from, int to);
  // Opens count default-sized entries at index / takes count entries out
  // from index.
  void Insert(int index, int count);
  void Erase(int index, int count);
  // Entries first.. take the sizes of the entries order[i].
  void Permute(int first, const std::vector<int>& order);
  // Takes out the entries whose flag (one per entry) is set; the others
  // close up in their order.
  void EraseFlagged(const std::vector<char>& leaving);
  // Puts entries in: the axis grows by positions.size(), entry positions[i]
  // (ascending indexes of the result) has sizes[i], and the entries there
  // before fill the other places in their order.
  void InsertAt(const std::vector<int>& positions, const std::vector<int>& sizes);
  // Whether every entry has the default size.
  bool AllDefault() const { return nonDefault_ == 0; }

  // The sizes of the first count entries, without lines.
  std::int64_t SizeSum(int count) const;
  // Where entry count starts: the sizes and lines of the entries before it.
  int Offset(int count) const;
  // The largest count in 0..Count() whose Offset does not pass position
  // (0 when even Offset(0) does): the entry that holds the position, or
  // Count() past the end.
  int CountWithin(std::int64_t position) const;
  // The smallest count in 0..Count() whose Offset reaches position; Count()
  // when none does.
  int FirstReaching(std::int64_t position) const;

 private:
  std::int64_t Extra(int count) const;
  void AddExtra(int index, std::int64_t delta);
  void Rebuild();

  std::vector<int> sizes_;
  // Fenwick tree over size - default, 1-based; kept only while some entry
  // differs from the default (nonDefault_ > 0).
  std::vector<std::int64_t> tree_;
  int nonDefault_ = 0;
  int defaultSize_ = 0;
  int lineWidth_ = 0;
};
