#pragma once
// The transparent editor: a plain edit an application places over one cell
// of a grid; leaving it validates the text through the grid's
// OnCellValidate and writes it into the cell, or keeps it open on its cell
// while the text is refused.
#include "framework/standardcontrols.h"

class TVudUvizidIzed;

class TGridTransEdit : public TEdit {
 public:
  // Owned by the grid and created hidden.
  explicit TGridTransEdit(TVudUvizidIzed* grid);

  TVudUvizidIzed* Grid() const { return grid_; }
  // The edited cell, col a display column.
  int Col() const { return col_; }
  int Row() const { return row_; }
  void SetCell(int col, int row);
  // True when the text was written into the cell (and the editor hidden);
  // false when OnCellValidate refused it: the grid's current cell is the
  // edited one again and the editor keeps the focus. Nothing happens while
  // it is hidden.
  bool StopEdit();

 protected:
  void DoExit() override;
  // Enter is swallowed.
  void KeyPress(char& key) override;

 private:
  TVudUvizidIzed* grid_;
  int col_ = 0;
  int row_ = 0;
};
