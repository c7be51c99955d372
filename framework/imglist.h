#pragma once
// A list of images of one size, drawn by index (cell images, button
// glyphs).
#include <memory>
#include <vector>

#include "framework/canvas.h"
#include "framework/component.h"
#include "framework/graphics.h"

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* owner, int width = 16, int height = 16);
  ~TImageList() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Changing the size empties the list.
  void SetSize(int width, int height);
  int Count() const { return static_cast<int>(images_.size()); }

  // Adds the bitmap cut into images of the list's width, left to right
  // (a bitmap narrower than one image gives one); maskColor is drawn
  // see-through. Returns the index of the first image added.
  int AddMasked(TBitmap& bitmap, TColor maskColor);
  void Delete(int index);
  void Clear();

  // Draws image index with its top-left at (x, y); an index outside the
  // list draws nothing.
  void Draw(TCanvas* canvas, int x, int y, int index) const;

 private:
  int width_;
  int height_;
  std::vector<std::unique_ptr<TBitmap>> images_;
};
