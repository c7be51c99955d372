#pragma once
// The small green arrow the grid shows on either side of the border where a
// moved column or row will drop: a borderless top-level window cut to the
// arrow's shape, drawn in the top-left 11 x 11 pixels whatever its size.
#include <array>

#include "framework/extracontrols.h"

// arrLeft points right (its tip at the right), arrRight points left.
enum TArrowDirection { arrUp, arrDown, arrLeft, arrRight };

class TArrowWindow : public TPanel {
 public:
  // Hidden until the grid places and shows it.
  TArrowWindow(TComponent* owner, TArrowDirection direction);
  TArrowDirection Direction() const { return direction_; }
  // The seven corners of the arrow, in window pixels.
  const std::array<TPoint, 7>& Vertices() const { return vertices_; }

 protected:
  void Paint() override;

 private:
  TArrowDirection direction_;
  std::array<TPoint, 7> vertices_;
};
