// The filter: rows that fail the grid's column conditions are hidden.
#include <cmath>

#include "grid/duruzav.h"
#include "grid/zgutil.h"

namespace {

void StripAffixes(AnsiString& text, const TFilterData& condition) {
  if (!condition.Prefix.empty() && text.starts_with(condition.Prefix)) text.erase(0, condition.Prefix.size());
  if (condition.Suffix.empty()) return;
  const auto at = text.find(condition.Suffix);
  if (at != AnsiString::npos && at + condition.Suffix.size() == text.size()) text.erase(at);
}

bool Matches(const TFilterData& condition, const AnsiString& text) {
  try {
    return MatchStrEx(condition.Condition, text, condition.CaseSensitive);
  } catch (const std::exception&) {
    return false;  // a condition that cannot be matched fails the row
  }
}

}  // namespace

bool TVudUvizidIzed::MatchFilter(int row) {
  bool outcome = true;
  for (int i = 0; i < filter_.Count(); ++i) {
    const TFilterData& condition = *filter_.Items(i);
    AnsiString text = condition.Data == fcNormal ? GetGridCell(condition.Column, row) : GetCellEx(condition.Column, row);
    StripAffixes(text, condition);
    const bool matched = Matches(condition, text);
    switch (condition.Operation) {
      case foSHORT:
        if (!matched) return false;
        outcome = true;
        break;
      case foNONE: outcome = matched; break;
      case foAND: outcome = outcome && matched; break;
      case foXOR: outcome = outcome != matched; break;
      case foOR: outcome = outcome || matched; break;
    }
  }
  return outcome;
}

void TVudUvizidIzed::FilterRow(int row) {
  if (!MatchFilter(row)) HideRow(RemapRowInv(row));
}

// The failing rows are collected by their real index, so that rows hidden
// before are left where they are, and hidden in one pass.
void TVudUvizidIzed::ApplyFilter() {
  const int n = RowCount() - Props().FixedFooters - FixedRows();
  TIntList failing(0, 0);
  short percent = 0;
  for (int r = FixedRows(); r <= LastNormalRow(); ++r) {
    if (!MatchFilter(r)) failing.Insert(failing.Count(), RemapRowInv(r));
    if (OnFilterProgress && n > 0) {
      percent = static_cast<short>(std::lround((r - FixedRows() + 1) * 100.0 / n));
      OnFilterProgress(this, percent);
    }
  }
  HideRowList(failing);
  if (OnFilterProgress && n > 0) OnFilterProgress(this, percent);
}

void TVudUvizidIzed::SetFilterActive(bool value) {
  if (Props().FilterActive == value) return;
  Props().FilterActive = value;
  if (value) {
    filterFixedRows_ = FixedRows();
    {
      TGridUpdate update(*this);
      ApplyFilter();
    }
    selectionHidden_ = false;
  } else {
    UnHideRowList();
    if (filterFixedRows_ < RowCount()) SetFixedRows(filterFixedRows_);
    if (selectionHidden_) UnHideSelection();
  }
  CalcFooter(-1);
}
