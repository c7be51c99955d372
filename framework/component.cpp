#include "framework/component.h"

#include <algorithm>

namespace {
void Erase(std::vector<TComponent*>& list, TComponent* c) {
  list.erase(std::remove(list.begin(), list.end(), c), list.end());
}
}  // namespace

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  state_ |= csDestroying;
  // Everyone who asked is told first, while the object is still whole
  // enough to be compared by address.
  for (TComponent* other : std::vector<TComponent*>(freeNotifies_)) {
    other->Notification(this, opRemove);
    Erase(other->freeNotifies_, this);
  }
  freeNotifies_.clear();
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

void TComponent::SetName(const AnsiString& name) {
  if (owner_ && !name.empty()) {
    TComponent* other = owner_->FindComponent(name);
    if (other && other != this)
      throw EInvalidOperation("A component named " + name + " already exists");
  }
  name_ = name;
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return components_[index];
}

TComponent* TComponent::FindComponent(const AnsiString& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_)
    if (SameText(c->name_, name)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  if (component->owner_) component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
  NotifyAll(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  NotifyAll(component, opRemove);
  Erase(components_, component);
  component->owner_ = nullptr;
}

void TComponent::NotifyAll(TComponent* component, TOperation operation) {
  Notification(component, operation);
  for (TComponent* c : std::vector<TComponent*>(components_))
    if (c != component) c->Notification(component, operation);
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
    freeNotifies_.push_back(component);
    component->freeNotifies_.push_back(this);
  }
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  Erase(freeNotifies_, component);
  Erase(component->freeNotifies_, this);
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::Loaded() { state_ &= ~csLoading; }

void TComponent::SetComponentState(unsigned flags, bool on) {
  state_ = on ? (state_ | flags) : (state_ & ~flags);
}

void TComponent::BeginLoading() {
  state_ |= csLoading;
  for (TComponent* c : components_) c->BeginLoading();
}

void TComponent::FinishLoading() {
  for (TComponent* c : std::vector<TComponent*>(components_)) c->FinishLoading();
  if (state_ & csLoading) {
    Loaded();
    state_ &= ~csLoading;
  }
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* last = components_.back();
    RemoveComponent(last);
    last->BeforeDestruction();
    delete last;
  }
}
