#pragma once
// The settings of the search bar below the grid (property SearchFooter): its
// gradient colours, which the visual-properties file keeps.
#include "framework/graphics.h"

class TSearchFooter : public TPersistent {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor value) { Change(color_, value); }
  TColor ColorTo() const { return colorTo_; }
  void SetColorTo(TColor value) { Change(colorTo_, value); }
  TNotifyEvent OnChange;

 private:
  void Change(TColor& field, TColor value) {
    field = value;
    if (OnChange) OnChange(this);
  }
  TColor color_ = clWhite;
  TColor colorTo_ = clBtnFace;
};
