// THTMLImage: a control that shows one picture at a chosen position.
#include "grid/picturecontainer.h"

#include <algorithm>

#include "framework/canvas.h"

THTMLImage::THTMLImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<THTMLPicture>()) {
  picture_->OnChange = [this](TObject*) { Invalidate(); };
  picture_->OnDownLoadProgress = [this](TObject*, std::uint32_t size, std::uint32_t total) {
    if (OnDownLoadProgress) OnDownLoadProgress(this, size, total);
  };
  picture_->OnDownLoadCancel = [this](TObject*, bool& cancel) {
    if (OnDownLoadCancel) OnDownLoadCancel(this, cancel);
  };
  picture_->OnDownLoadComplete = [this](TObject*) {
    if (OnDownLoadComplete) OnDownLoadComplete(this);
  };
  picture_->OnDownLoadError = [this](TObject*, const AnsiString& err) {
    if (OnDownLoadError) OnDownLoadError(this, err);
  };
  SetBounds(Left(), Top(), 100, 100);
}

THTMLImage::~THTMLImage() = default;

void THTMLImage::Loaded() {
  TGraphicControl::Loaded();
  picture_->SetPixelsPerInch(Canvas()->DeviceCaps(LOGPIXELSX), Canvas()->DeviceCaps(LOGPIXELSY));
}

void THTMLImage::SetHTMLPicture(const THTMLPicture* picture) {
  picture_->Assign(picture);
  Invalidate();
}

void THTMLImage::SetPicturePosition(TPicturePosition position) {
  if (position_ == position) return;
  position_ = position;
  Invalidate();
}

void THTMLImage::DrawPictureAt(int x, int y) {
  picture_->Draw(Canvas(), Bounds(x, y, picture_->Width(), picture_->Height()));
}

void THTMLImage::Paint() {
  TGraphicControl::Paint();
  if (picture_->GetEmpty()) return;
  const int w = picture_->Width();
  const int h = picture_->Height();
  const int freeX = std::max(0, Width() - w);
  const int freeY = std::max(0, Height() - h);
  switch (position_) {
    case bpTopLeft: DrawPictureAt(0, 0); break;
    case bpTopRight: DrawPictureAt(freeX, 0); break;
    case bpBottomLeft: DrawPictureAt(0, freeY); break;
    case bpBottomRight: DrawPictureAt(freeX, freeY); break;
    case bpCenter: DrawPictureAt(freeX / 2, freeY / 2); break;
    case bpTiled:
      // A picture without size would never advance.
      if (w <= 0 || h <= 0) return;
      for (int y = 0; y < Height(); y += h)
        for (int x = 0; x < Width(); x += w) DrawPictureAt(x, y);
      break;
    case bpStretched:
      // Scaled whatever the picture's own Stretch flag says.
      Canvas()->StretchDraw(Rect(0, 0, Width(), Height()), picture_.get());
      break;
  }
}
