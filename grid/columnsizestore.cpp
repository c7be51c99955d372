#include "grid/columnsizestore.h"

#include <vector>

#include "grid/duruzav.h"

namespace {

constexpr int kMaxStoredWidth = 32767;
// What a missing position reads as.
constexpr int kNoPosition = -1;

AnsiString Name(const char* prefix, int index) { return prefix + IntToStr(index); }

// For each column by its initial index, the display index it was stored at;
// shorter than the stored list when values lie outside 0..count-1.
std::vector<int> DisplayIndexes(const std::vector<int>& stored, int count) {
  std::vector<int> inverse;
  for (int k = 0; k < count; ++k)
    for (int j = 0; j < static_cast<int>(stored.size()); ++j)
      if (stored[j] == k) inverse.push_back(j);
  return inverse;
}

void Fill(TIntList& list, const std::vector<int>& values) {
  list.Clear();
  for (int value : values) list.Add(value);
}

}  // namespace

std::unique_ptr<TCustomIniFile> TColumnSizeStore::Open() const {
  const TColumnSize& settings = *grid_.ColumnSize();
  if (settings.Key.empty() || settings.Section.empty() || (grid_.ComponentState() & csDesigning)) return nullptr;
  if (settings.Location == clIniFile) return std::make_unique<TIniFile>(settings.Key);
  return std::make_unique<TRegistryIniFile>(settings.Key);
}

void TColumnSizeStore::SaveSizes() {
  const auto store = Open();
  if (!store) return;
  for (int i = 0; i < grid_.ColCount(); ++i)
    store->WriteInteger(grid_.ColumnSize()->Section, Name("Col", i), grid_.ColWidths(i));
}

void TColumnSizeStore::LoadSizes() {
  const auto store = Open();
  if (!store) return;
  for (int i = 0; i < grid_.ColCount(); ++i) {
    const int width = store->ReadInteger(grid_.ColumnSize()->Section, Name("Col", i), grid_.ColWidths(i));
    if (width != grid_.ColWidths(i) && width >= 0 && width <= kMaxStoredWidth) grid_.SetColWidths(i, width);
  }
}

void TColumnSizeStore::SavePositions() {
  const auto store = Open();
  if (!store) return;
  const TIntList& order = *grid_.ColumnOrder();
  for (int i = 0; i < order.Count(); ++i)
    store->WriteInteger(grid_.ColumnSize()->Section, Name("Pos", i), order.Items(i));
}

void TColumnSizeStore::LoadPositions() {
  const auto store = Open();
  if (!store) return;
  const AnsiString& section = grid_.ColumnSize()->Section;
  if (store->ReadInteger(section, "Pos0", kNoPosition) == kNoPosition) return;
  const int count = grid_.ColCount();
  std::vector<int> stored;
  for (int i = 0; i < count; ++i)
    if (const int pos = store->ReadInteger(section, Name("Pos", i), kNoPosition); pos != kNoPosition)
      stored.push_back(pos);
  const std::vector<int> displayIndexes = DisplayIndexes(stored, count);
  if (static_cast<int>(displayIndexes.size()) < count) return;
  TIntList& order = *grid_.ColumnOrder();
  Fill(order, displayIndexes);
  if (order.Count() > 0) grid_.ResetColumnOrder();
  Fill(order, stored);
}
