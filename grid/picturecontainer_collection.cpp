// The picture cache, the named picture collection and its container.
#include "grid/picturecontainer.h"

#include <algorithm>

// ---- THTMLPictureCache ----

THTMLPictureCache::THTMLPictureCache() = default;
THTMLPictureCache::~THTMLPictureCache() = default;

THTMLPicture* THTMLPictureCache::AddPicture() {
  pictures_.push_back(std::make_unique<THTMLPicture>());
  return pictures_.back().get();
}

THTMLPicture* THTMLPictureCache::FindPicture(const AnsiString& name) const {
  for (const auto& picture : pictures_)
    if (picture->ID() == name) return picture.get();
  return nullptr;
}

THTMLPicture* THTMLPictureCache::GetPicture(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return pictures_[static_cast<std::size_t>(index)].get();
}

void THTMLPictureCache::SetPicture(int index, THTMLPicture* picture) {
  if (GetPicture(index) == picture) return;
  pictures_[static_cast<std::size_t>(index)].reset(picture);
}

// The entries go with their pictures, so nothing in the cache can point at a
// freed picture afterwards.
void THTMLPictureCache::ClearPictures() { pictures_.clear(); }

bool THTMLPictureCache::Animate() {
  bool changed = false;
  for (const auto& picture : pictures_)
    if (picture->Step()) changed = true;
  return changed;
}

// ---- TPictureItem ----

TPictureItem::TPictureItem(TPictureCollection* collection)
    : collection_(collection), picture_(std::make_unique<THTMLPicture>()) {}

TPictureItem::~TPictureItem() = default;

void TPictureItem::Assign(const TPictureItem& source) {
  if (&source == this) return;
  name_ = source.name_;
  tag_ = source.tag_;
  picture_->Assign(source.picture_.get());
}

int TPictureItem::Index() const { return collection_ ? collection_->IndexOf(this) : -1; }

// ---- TPictureCollection ----

TPictureCollection::TPictureCollection(TComponent* owner) : owner_(owner) {}
TPictureCollection::~TPictureCollection() = default;

TPictureItem* TPictureCollection::Add() { return Insert(Count()); }

TPictureItem* TPictureCollection::Insert(int index) {
  if (index < 0 || index > Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  auto item = std::make_unique<TPictureItem>(this);
  TPictureItem* added = item.get();
  items_.insert(items_.begin() + index, std::move(item));
  return added;
}

TPictureItem* TPictureCollection::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return items_[static_cast<std::size_t>(index)].get();
}

void TPictureCollection::SetItems(int index, const TPictureItem& item) { Items(index)->Assign(item); }

void TPictureCollection::Delete(int index) {
  Items(index);
  items_.erase(items_.begin() + index);
}

void TPictureCollection::Clear() { items_.clear(); }

void TPictureCollection::Assign(const TPictureCollection& source) {
  if (&source == this) return;
  Clear();
  for (const auto& item : source.items_) Add()->Assign(*item);
}

int TPictureCollection::IndexOf(const TPictureItem* item) const {
  const auto it = std::find_if(items_.begin(), items_.end(), [item](const auto& own) { return own.get() == item; });
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

bool TPictureCollection::Animate() {
  bool changed = false;
  for (const auto& item : items_)
    if (item->Picture()->Step()) changed = true;
  return changed;
}

// ---- TPictureContainer ----

TPictureContainer::TPictureContainer(TComponent* owner)
    : TComponent(owner), items_(std::make_unique<TPictureCollection>(this)) {}

TPictureContainer::~TPictureContainer() = default;

THTMLPicture* TPictureContainer::FindPicture(const AnsiString& name) const {
  const AnsiString wanted = UpperCase(name);
  for (int i = 0; i < items_->Count(); ++i)
    if (UpperCase(items_->Items(i)->Name()) == wanted) return items_->Items(i)->Picture();
  return nullptr;
}

void TPictureContainer::SetItems(const TPictureCollection* items) {
  if (items) items_->Assign(*items);
}

std::uint32_t TPictureContainer::GetVersionNr() const { return (1u << 24) | (0u << 16) | (0u << 8) | 0u; }

AnsiString TPictureContainer::GetVersion() const {
  const std::uint32_t nr = GetVersionNr();
  return IntToStr(nr >> 24) + "." + IntToStr((nr >> 16) & 0xFF) + "." + IntToStr((nr >> 8) & 0xFF) + "." +
         IntToStr(nr & 0xFF);
}
