#pragma once
// What a grid remembers between its copies and pastes: where the last copy
// came from, whether it was a cut, the kind of the last paste, and the
// identity its private clipboard data carries.
#include "framework/types.h"

enum TClipOperation { coCut, coCopy };

struct TGridTransferState {
  TPoint lastCopyOrigin{-1, -1};
  TClipOperation lastOperation = coCut;
  bool wholeGridPaste = false;
  // Unique to this grid among the grids of every running program: a paste
  // recognises its own grid's data by it.
  int id = NewGridId();

  static int NewGridId();
};
