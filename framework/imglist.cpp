#include "framework/imglist.h"

#include <algorithm>

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(std::max(width, 1)), height_(std::max(height, 1)) {}

TImageList::~TImageList() = default;

void TImageList::SetSize(int width, int height) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  Clear();
}

int TImageList::AddMasked(TBitmap& bitmap, TColor maskColor) {
  const int first = Count();
  const int pieces = std::max(1, bitmap.Width() / width_);
  for (int i = 0; i < pieces; ++i) {
    auto image = std::make_unique<TBitmap>();
    image->SetSize(width_, height_);
    TCanvas* canvas = image->Canvas();
    canvas->Brush()->SetColor(maskColor);
    canvas->FillRect({0, 0, width_, height_});
    canvas->CopyRect({0, 0, width_, height_}, bitmap.Canvas(), Bounds(i * width_, 0, width_, height_));
    image->SetTransparentColor(maskColor);
    image->SetTransparent(true);
    images_.push_back(std::move(image));
  }
  return first;
}

void TImageList::Delete(int index) {
  if (index >= 0 && index < Count()) images_.erase(images_.begin() + index);
}

void TImageList::Clear() { images_.clear(); }

void TImageList::Draw(TCanvas* canvas, int x, int y, int index) const {
  if (!canvas || index < 0 || index >= Count()) return;
  canvas->Draw(x, y, images_[index].get());
}
