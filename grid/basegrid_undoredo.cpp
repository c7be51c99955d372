// The undo/redo component: registered cell changes walked back and forth.
#include "grid/basegrid.h"

TDurUzavUndoRedo::TDurUzavUndoRedo(TComponent* owner) : TComponent(owner) {}

TDurUzavUndoRedo::~TDurUzavUndoRedo() {
  if (grid_) grid_->RemoveFreeNotification(this);
}

void TDurUzavUndoRedo::SetGrid(TBaseGrid* grid) {
  if (grid_ == grid) return;
  if (grid_) grid_->RemoveFreeNotification(this);
  grid_ = grid;
  if (grid_) grid_->FreeNotification(this);
}

void TDurUzavUndoRedo::RegisterChange(int col, int row, const AnsiString& origValue, const AnsiString& value) {
  if (maxLevel_ > 0 && ItemCount() >= maxLevel_) items_.erase(items_.begin());
  items_.push_back({row, col, value, origValue});
  position_ = ItemCount();
}

void TDurUzavUndoRedo::Apply(const TUndoRedoItem& item, const AnsiString& text) {
  grid_->SetCellEx(item.Col, item.Row, text);
  grid_->SetCol(grid_->DisplColIndex(item.Col));
  grid_->SetRow(item.Row);
  grid_->RepaintCell(grid_->Col(), item.Row);
}

void TDurUzavUndoRedo::Undo() {
  if (!grid_ || position_ < 1 || position_ > ItemCount()) return;
  Apply(items_[position_ - 1], items_[position_ - 1].OrigValue);
  --position_;
}

// The column is mapped to its displayed place as Undo does, so the focus
// lands on the changed cell also when columns are hidden.
void TDurUzavUndoRedo::Redo() {
  if (!grid_ || ItemCount() <= position_) return;
  ++position_;
  Apply(items_[position_ - 1], items_[position_ - 1].Value);
}

void TDurUzavUndoRedo::Reset() {
  items_.clear();
  position_ = 0;
}

void TDurUzavUndoRedo::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component == grid_) grid_ = nullptr;
  TComponent::Notification(component, operation);
}
