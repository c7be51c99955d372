#pragma once
// The roots of the class tree: TObject, TPersistent and TComponent with its
// ownership and notification.
//
// Conventions of the whole framework: a property X is read with X() and
// written with SetX(value); an event is a public std::function member named
// OnX that may be empty (an empty event is not fired).
#include <functional>
#include <vector>

#include "framework/sysutils.h"

class TObject {
 public:
  virtual ~TObject() = default;
};

class TPersistent : public TObject {};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Binds a member function as an event handler: Button->OnClick =
// Method(this, &TForm_Main::ButtonClick).
template <class C, class R, class... A>
std::function<R(A...)> Method(C* object, R (C::*fn)(A...)) {
  return [object, fn](A... args) -> R { return (object->*fn)(std::forward<A>(args)...); };
}

enum TComponentStateFlag : unsigned { csLoading = 1, csDestroying = 8, csDesigning = 16 };
enum TOperation { opInsert, opRemove };

class TComponent : public TPersistent {
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  const AnsiString& Name() const { return name_; }
  // A name already used by another component of the same owner raises
  // EInvalidOperation.
  virtual void SetName(const AnsiString& name);
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }
  unsigned ComponentState() const { return state_; }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  // Case-insensitive lookup among the owned components; null when absent.
  TComponent* FindComponent(const AnsiString& name) const;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  // Asks to be told (opRemove) when `component` is destroyed.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Marks this component and everything it owns as loading, then runs
  // Loaded on each, owned components first. Form creation calls it once the
  // constructor has built the form.
  void BeginLoading();
  void FinishLoading();

  // Called by whoever frees the component, just before, while it is still
  // whole (an owner freeing what it owns, for one).
  virtual void BeforeDestruction() {}

 protected:
  virtual void Notification(TComponent* component, TOperation operation);
  // Runs once the component's owner has finished building it.
  virtual void Loaded();
  void SetComponentState(unsigned flags, bool on);
  // Destroys the owned components, last first.
  void DestroyComponents();

 private:
  void NotifyAll(TComponent* component, TOperation operation);

  TComponent* owner_ = nullptr;
  AnsiString name_;
  int tag_ = 0;
  unsigned state_ = 0;
  std::vector<TComponent*> components_;
  std::vector<TComponent*> freeNotifies_;
};
