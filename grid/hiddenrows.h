#pragma once
// The rows a grid has taken out of its display: each kept with its texts,
// objects and height, ordered by its real index (the index it has with every
// row shown).
#include <memory>
#include <vector>

#include "grid/duruzav_settings.h"

class THiddenRows {
 public:
  THiddenRows() = default;
  THiddenRows(const THiddenRows&) = delete;
  THiddenRows& operator=(const THiddenRows&) = delete;
  // Frees the cell objects the kept rows still hold.
  ~THiddenRows();

  int Count() const { return static_cast<int>(items_.size()); }
  TGridItem* Items(int index) const { return items_[index].get(); }
  // The number of items with Idx below realRow.
  int CountBelow(int realRow) const;
  // The item with that Idx, or null.
  TGridItem* Find(int realRow) const;
  // The real index of display row displayRow: the row that has exactly
  // displayRow shown rows before it.
  int RealOfDisplay(int displayRow) const;
  // Adds an item at its place by Idx; the Idx must not be kept yet.
  TGridItem* Insert(int realRow);
  // Appends items whose Idx all lie behind the last one, in ascending order.
  TGridItem* Append(int realRow);
  // Takes the item at index out and hands it over.
  std::unique_ptr<TGridItem> Take(int index);
  // Takes every item out (their objects go with them).
  std::vector<std::unique_ptr<TGridItem>> TakeAll();
  // Merges items of Idx not kept yet into the ordered list.
  void Merge(std::vector<std::unique_ptr<TGridItem>> items);
  // Shifts the Idx of every item with Idx >= fromReal by delta.
  void Shift(int fromReal, int delta);
  // Renumbers after count shown rows from display row displayRow on were
  // taken out: an item loses one for each of them that lay before it.
  void RowsRemoved(int displayRow, int count);

 private:
  std::vector<std::unique_ptr<TGridItem>> items_;
};
