#pragma once
// The rows a grid has taken out of its display, ordered by their real index
// (the index each has with every row shown), each with its texts, objects
// and height.
//
// Rows hidden many at once (a filter, contracted nodes) are kept column by
// column as the grid keeps its own, so that hiding them and showing them all
// again moves each cell once and makes no object per row. A row's own list
// of texts and objects (its TGridItem) is made the first time it is asked
// for, and holds them from then on.
#include <memory>
#include <vector>

#include "framework/grids.h"
#include "grid/duruzav_settings.h"

class THiddenRows {
 public:
  // Rows taken out together: their real indexes (ascending), heights, and
  // cells column by column in the same order.
  struct Block {
    std::vector<int> rows;
    std::vector<int> heights;
    TStringGrid::ColumnCells cells;
  };

  THiddenRows() = default;
  THiddenRows(const THiddenRows&) = delete;
  THiddenRows& operator=(const THiddenRows&) = delete;
  // Frees the cell objects the kept rows still hold.
  ~THiddenRows();

  int Count() const { return static_cast<int>(entries_.size()); }
  int Idx(int index) const { return entries_[index].idx; }
  int Height(int index) const { return entries_[index].height; }
  // The texts and objects of the item at index, one for each column the grid
  // stored when the row was hidden. Making the list changes nothing kept.
  TStringList* Items(int index) const;
  // The number of items with Idx below realRow.
  int CountBelow(int realRow) const;
  bool Contains(int realRow) const;
  // The Items of the item with that Idx, or null.
  TStringList* Find(int realRow) const;
  // The real index of display row displayRow: the row that has exactly
  // displayRow shown rows before it.
  int RealOfDisplay(int displayRow) const;
  // Adds an item at its place by Idx (not kept yet), for the caller to fill.
  TStringList* Insert(int realRow, int height);
  // Adds the rows of a block, none of them kept yet, in one pass.
  void Merge(Block block);
  // Takes items first..last-1 out; their objects are the caller's now.
  void Erase(int first, int last);
  // Takes every item out as one block; the objects are the caller's now.
  Block TakeAll();
  // Keeps the room of a block whose cells have moved back into the grid,
  // and hands it out for the next rows taken out: a filter switched on and
  // off again needs no new memory.
  void KeepRoom(Block block);
  Block TakeRoom() { return std::move(room_); }
  // Shifts the Idx of every item with Idx >= fromReal by delta.
  void Shift(int fromReal, int delta);
  // Renumbers after count shown rows from display row displayRow on were
  // taken out: an item loses one for each of them that lay before it.
  void RowsRemoved(int displayRow, int count);

 private:
  struct Entry {
    int idx = 0;
    int height = 0;
    // The item's cells in packed_ while it has no list of its own, else -1.
    int slot = -1;
    std::unique_ptr<TGridItem> item;
  };
  void SetIdx(Entry& entry, int idx);
  TStringList* Unpack(Entry& entry) const;
  void ClearSlot(int slot) const;

  // Items() makes lists on demand: a change of form, not of content.
  mutable std::vector<Entry> entries_;
  // Packed cells by column and slot; a slot's cells past its width are empty.
  mutable TStringGrid::ColumnCells packed_;
  std::vector<int> widths_;
  Block room_;
};
