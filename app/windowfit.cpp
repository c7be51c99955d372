#include "app/windowfit.h"

#include <algorithm>

#include "framework/canvas.h"
#include "framework/standardcontrols.h"
#include "grid/duruzav.h"

namespace windowfit {

namespace {

constexpr int kStandardButtonWidth = 75;
// The grid draws a cell's text 2 pixels in from each side, and the cell
// gives up its last pixel to the grid line.
constexpr int kCellTextMargins = 2 + 2 + 1;

}  // namespace

int PlaceButtonRow(std::initializer_list<TButton*> buttons, int left, int top, int gap) {
  int right = left;
  for (TButton* button : buttons) {
    const int width = std::max(kStandardButtonWidth, button->FittingWidth());
    button->SetBounds(left, top, width, button->Height());
    right = left + width;
    left = right + gap;
  }
  return right;
}

void FitColumnsToHeader(TVudUvizidIzed* grid) {
  TCanvas measure;
  measure.SetFont(*grid->FixedFont());
  for (int col = 0; col < grid->ColCount(); ++col) {
    const int needed = measure.TextWidth(grid->GetCellEx(col, 0)) + kCellTextMargins;
    if (grid->ColWidths(col) < needed) grid->SetColWidths(col, needed);
  }
}

}  // namespace windowfit
