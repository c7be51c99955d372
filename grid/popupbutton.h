#pragma once
// A caption in a small top-level window that takes no input: plain text,
// or cell mark-up when the caption holds "</", over an optional gradient
// and inside an optional raised frame. The grid shows it while a cell is
// dragged.
#include "framework/controls.h"

class TImageList;

class TPopupButton : public TCustomControl {
 public:
  // Hidden, without gradient or image list.
  explicit TPopupButton(TComponent* owner);
  bool Flat() const { return flat_; }
  void SetFlat(bool flat);
  // The gradient from top to bottom; GradFrom clNone shows none.
  TColor GradFrom() const { return gradFrom_; }
  void SetGradFrom(TColor color);
  TColor GradTo() const { return gradTo_; }
  void SetGradTo(TColor color);
  // The images of the mark-up; not owned.
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* images) { images_ = images; }

 protected:
  void Paint() override;
  void WndProc(TMessage& message) override;

 private:
  bool flat_ = false;
  TColor gradFrom_ = clNone;
  TColor gradTo_ = clNone;
  TImageList* images_ = nullptr;
};
