#include "grid/cellgraphic.h"

#include <algorithm>
#include <cmath>

bool IsCheckBoxKind(TCellType kind) {
  return kind == ctCheckBox || kind == ctDataCheckBox || kind == ctVirtCheckBox || kind == ctRowCheckBox;
}

// Ownership follows CellCreated rather than the kind, so that a graphic
// whose kind changes later (SetAngle on a bitmap cell) still frees what it
// created.
TCellGraphic::~TCellGraphic() { Release(); }

void TCellGraphic::Release() {
  if (CellCreated) {
    delete first_;
    delete second_;
  }
  first_ = second_ = nullptr;
}

void TCellGraphic::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TCellGraphic*>(source);
  if (!other) return;
  CellType = other->CellType;
  CellVAlign = other->CellVAlign;
  CellHAlign = other->CellHAlign;
  CellIndex = other->CellIndex;
  CellTransparent = other->CellTransparent;
  CellValue = other->CellValue;
  CellAngle = other->CellAngle;
  CellBoolean = other->CellBoolean;
  CellErrFrom = other->CellErrFrom;
  CellErrLen = other->CellErrLen;
  CellText = other->CellText;
  // The references are not copied: a copy owns nothing.
  Release();
  CellCreated = other->CellCreated;
}

void TCellGraphic::SetBitmap(TBitmap* bitmap, bool transparent, TCellHAlign hAlign, TCellVAlign vAlign) {
  CellType = ctBitmap;
  first_ = bitmap;
  CellTransparent = transparent;
  CellHAlign = hAlign;
  CellVAlign = vAlign;
}

void TCellGraphic::SetIcon(TIcon* icon, TCellHAlign hAlign, TCellVAlign vAlign) {
  CellType = ctIcon;
  second_ = icon;
  CellHAlign = hAlign;
  CellVAlign = vAlign;
}

void TCellGraphic::SetPicture(TPicture* picture, bool transparent, TStretchMode stretchMode, int padding,
                              TCellHAlign hAlign, TCellVAlign vAlign) {
  CellType = ctPicture;
  first_ = picture;
  CellTransparent = transparent;
  CellAngle = stretchMode;
  CellIndex = padding;
  CellHAlign = hAlign;
  CellVAlign = vAlign;
}

void TCellGraphic::SetFilePicture(TFilePicture* picture, bool transparent, TStretchMode stretchMode, int padding,
                                  TCellHAlign hAlign, TCellVAlign vAlign) {
  SetPicture(nullptr, transparent, stretchMode, padding, hAlign, vAlign);
  CellType = ctFilePicture;
  first_ = picture;
}

void TCellGraphic::SetCheckBox(bool value, bool data, bool flat, TCellHAlign hAlign, TCellVAlign vAlign) {
  CellType = data ? ctDataCheckBox : ctCheckBox;
  CellBoolean = value;
  CellTransparent = flat;
  CellHAlign = hAlign;
  CellVAlign = vAlign;
}

void TCellGraphic::SetButton(int width, int height, const AnsiString& caption, TCellHAlign hAlign,
                             TCellVAlign vAlign) {
  CellType = ctButton;
  CellIndex = static_cast<int>((static_cast<unsigned>(width) & 0xFFFF) | ((static_cast<unsigned>(height) & 0xFFFF) << 16));
  CellBoolean = false;
  CellText = caption;
  CellHAlign = hAlign;
  CellVAlign = vAlign;
}

void TCellGraphic::SetBitButton(int width, int height, const AnsiString& caption, TBitmap* glyph, TCellHAlign hAlign,
                                TCellVAlign vAlign) {
  SetButton(width, height, caption, hAlign, vAlign);
  CellType = ctBitButton;
  first_ = glyph;
}

void TCellGraphic::SetImageIdx(int index, TCellHAlign hAlign, TCellVAlign vAlign) {
  CellType = ctImageList;
  CellIndex = index;
  CellHAlign = hAlign;
  CellVAlign = vAlign;
}

void TCellGraphic::SetDataImage(int index, TCellHAlign hAlign, TCellVAlign vAlign) {
  SetImageIdx(index, hAlign, vAlign);
  CellType = ctDataImage;
}

void TCellGraphic::SetMultiImage(int col, int row, int dir, TCellHAlign hAlign, TCellVAlign vAlign,
                                 TImageChangeEvent notify) {
  Release();
  CellType = ctImages;
  CellBoolean = dir == 0;
  auto* list = new TIntList(col, row);
  list->OnChange = std::move(notify);
  first_ = list;
  CellCreated = true;
  CellHAlign = hAlign;
  CellVAlign = vAlign;
}

void TCellGraphic::SetAngle(int angle) {
  CellType = ctRotated;
  // Bring the angle into range in one step: a huge angle would loop long.
  if (angle < 0) angle = angle % 360 + (angle % 360 < 0 ? 360 : 0);
  else if (angle > 360) angle = (angle - 1) % 360 + 1;
  CellAngle = angle;
}

void TCellGraphic::SetColors(TColor first, TColor second) {
  firstColor_ = first;
  secondColor_ = second;
}

namespace {

template <class T>
T* Attached(TObject* object) {
  return dynamic_cast<T*>(object);
}

}  // namespace

TBitmap* TCellGraphic::Bitmap() const { return CellType == ctBitmap ? Attached<TBitmap>(first_) : nullptr; }
TIcon* TCellGraphic::Icon() const { return CellType == ctIcon ? Attached<TIcon>(second_) : nullptr; }
TPicture* TCellGraphic::Picture() const { return CellType == ctPicture ? Attached<TPicture>(first_) : nullptr; }
TFilePicture* TCellGraphic::FilePicture() const {
  return CellType == ctFilePicture ? Attached<TFilePicture>(first_) : nullptr;
}
TStringList* TCellGraphic::RadioStrings() const {
  return CellType == ctRadio ? Attached<TStringList>(first_) : nullptr;
}
TIntList* TCellGraphic::Images() const { return CellType == ctImages ? Attached<TIntList>(first_) : nullptr; }
TBitmap* TCellGraphic::Glyph() const { return CellType == ctBitButton ? Attached<TBitmap>(first_) : nullptr; }

TPoint TCellGraphic::GetPictureSize(int width, int height, bool) const {
  int w = 0, h = 0;
  if (const TPicture* picture = Picture()) w = picture->Width(), h = picture->Height();
  else if (const TFilePicture* file = FilePicture()) w = file->Width(), h = file->Height();
  else return {0, 0};
  const int roomW = width - CellIndex, roomH = height - CellIndex;
  const bool fits = w <= roomW && h <= roomH;
  auto withAspect = [&](bool limitToOne) {
    double rx = w > 0 ? static_cast<double>(roomW) / w : 1.0;
    double ry = h > 0 ? static_cast<double>(roomH) / h : 1.0;
    if (limitToOne) rx = std::min(rx, 1.0), ry = std::min(ry, 1.0);
    if (rx >= ry) return TPoint{static_cast<int>(std::lround(w * ry)), roomH};
    return TPoint{roomW, static_cast<int>(std::lround(h * rx))};
  };
  switch (static_cast<TStretchMode>(CellAngle)) {
    case Stretch: return {roomW, roomH};
    case Shrink: return fits ? TPoint{w, h} : TPoint{roomW, roomH};
    case StretchWithAspectRatio: return withAspect(false);
    case ShrinkWithAspectRatio: return fits ? TPoint{w, h} : withAspect(true);
    case noStretch: break;
  }
  return {w, h};
}
