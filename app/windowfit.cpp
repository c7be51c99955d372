#include "app/windowfit.h"

#include <algorithm>

#include "framework/standardcontrols.h"
#include "grid/duruzav.h"

namespace windowfit {

namespace {

constexpr int kStandardButtonWidth = 75;

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

void FitColumnsToTexts(TVudUvizidIzed* grid) {
  for (int col = 0; col < grid->ColCount(); ++col) grid->SizeToWidth(col, true);
}

}  // namespace windowfit
