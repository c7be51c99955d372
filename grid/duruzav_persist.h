#pragma once
// What the grid keeps for its persistence, marking and cell-check
// operations: the search bar's settings, the attached cell checker and how
// dates of day 0 and before are written.
#include "framework/datetime.h"
#include "grid/searchfooter.h"

class TVudUvizidIzedCheck;

struct TGridPersistState {
  TSearchFooter SearchFooter;
  TVudUvizidIzedCheck* CellChecker = nullptr;
  // Set: SetDates writes every value as a date; clear: a value of 0 or
  // less writes an empty cell.
  bool ShowNullDates = true;
};
