#include "grid/vazeri.h"

#include "framework/canvas.h"
#include "framework/controls.h"
#include "framework/graphics.h"
#include "framework/strings.h"

namespace {

constexpr unsigned kDescending = 0x80000000u;
constexpr unsigned kColumnMask = 0x7FFFFFFFu;

void CheckListIndex(int index, int count) {
  if (index < 0 || index >= count) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}

}  // namespace

// ---- TIntList ----

int TIntList::Items(int index) const {
  CheckListIndex(index, Count());
  return items_[index];
}

void TIntList::SetItems(int index, int value) {
  CheckListIndex(index, Count());
  items_[index] = value;
  Changed();
}

void TIntList::Add(int value) {
  items_.push_back(value);
  Changed();
}

void TIntList::Insert(int index, int value) {
  CheckListIndex(index, Count() + 1);
  items_.insert(items_.begin() + index, value);
}

void TIntList::Delete(int index) {
  CheckListIndex(index, Count());
  items_.erase(items_.begin() + index);
  Changed();
}

AnsiString TIntList::StrValue() const {
  AnsiString text;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (i > 0) text += ',';
    text += IntToStr(items_[i]);
  }
  return text;
}

void TIntList::SetStrValue(const AnsiString& text) {
  TStringList parts;
  parts.SetCommaText(text);
  Clear();
  for (int i = 0; i < parts.Count(); ++i) Add(StrToInt(parts.Get(i)));
}

void TIntList::Changed() {
  if (OnChange) OnChange(this, col_, row_);
}

// ---- TSortIndexList ----

void TSortIndexList::AddIndex(int col, bool ascending) {
  Add(static_cast<int>(ascending ? static_cast<unsigned>(col) : static_cast<unsigned>(col) | kDescending));
}

int TSortIndexList::FindIndex(int col) const {
  for (int i = 0; i < Count(); ++i)
    if (SortColumns(i) == col) return i;
  return -1;
}

int TSortIndexList::SortColumns(int index) const {
  return static_cast<int>(static_cast<unsigned>(Items(index)) & kColumnMask);
}

void TSortIndexList::SetSortColumns(int index, int col) {
  const unsigned key = static_cast<unsigned>(Items(index));
  SetItems(index, static_cast<int>((key & kDescending) | (static_cast<unsigned>(col) & kColumnMask)));
}

bool TSortIndexList::SortDirections(int index) const {
  return (static_cast<unsigned>(Items(index)) & kDescending) == 0;
}

void TSortIndexList::SetSortDirections(int index, bool ascending) {
  const unsigned key = static_cast<unsigned>(Items(index));
  SetItems(index, static_cast<int>(ascending ? key & kColumnMask : key | kDescending));
}

void TSortIndexList::ToggleIndex(int col) {
  const int index = FindIndex(col);
  if (index >= 0) SetSortDirections(index, !SortDirections(index));
}

// ---- TControlList ----

TControlList::~TControlList() {
  while (!items_.empty()) RemoveControl(0);
}

void TControlList::AddControl(int x, int y, TControl* control) {
  items_.push_back(new TControlItem(x, y, control));
}

int TControlList::ControlIndex(int x, int y) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i]->X == x && items_[i]->Y == y) return i;
  return -1;
}

TControlItem* TControlList::Items(int index) const {
  CheckListIndex(index, Count());
  return items_[index];
}

bool TControlList::HasHandle(const QWidget* handle) const {
  for (const TControlItem* item : items_) {
    const auto* windowed = dynamic_cast<const TWinControl*>(item->Control);
    if (windowed && windowed->Widget() == handle) return true;
  }
  return false;
}

void TControlList::RemoveControl(int index) {
  CheckListIndex(index, Count());
  delete items_[index];
  items_.erase(items_.begin() + index);
}

// ---- TFilePicture ----

void TFilePicture::SetFileName(const AnsiString& name) {
  fileName_ = name;
  TPicture picture;
  picture.LoadFromFile(name);
  width_ = picture.Width();
  height_ = picture.Height();
}

void TFilePicture::DrawPicture(TCanvas* canvas, const TRect& rect) const {
  if (fileName_.empty()) return;
  TPicture picture;
  picture.LoadFromFile(fileName_);
  canvas->StretchDraw(rect, picture.Graphic());
}

void TFilePicture::SetStored(const AnsiString& name, int width, int height) {
  fileName_ = name;
  width_ = width;
  height_ = height;
}

void TFilePicture::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TFilePicture*>(source);
  if (!other) return;
  fileName_ = other->fileName_;
  width_ = other->width_;
  height_ = other->height_;
}
