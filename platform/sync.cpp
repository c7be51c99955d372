#include "platform/sync.h"

#include <algorithm>
#include <utility>

#include "platform/lasterror.h"
#include "platform/waitable.h"

namespace platform {

namespace {

class EventObject final : public WaitableObject {
 public:
  EventObject(bool manualReset, bool initialState) : manualReset_(manualReset), signalled_(initialState) {}

  bool IsSignalledFor(const ThreadRecord&) const override { return signalled_; }
  bool Acquire(ThreadRecord&) override {
    if (!manualReset_) signalled_ = false;
    return false;
  }

  // All three run with the dispatcher lock held.
  void Set() {
    signalled_ = true;
    Dispatcher::Instance().Signalled(*this);
  }
  void Reset() { signalled_ = false; }
  void Pulse() {
    Set();
    signalled_ = false;
  }

 private:
  const bool manualReset_;
  bool signalled_;
};

// Runs an operation on an event under the dispatcher lock.
template <typename Operation>
bool WithEvent(Handle handle, Operation operation) {
  auto event = LookupObjectAs<EventObject>(handle);  // outlives the lock
  if (!event) return false;
  auto lock = Dispatcher::Instance().Acquire();
  operation(*event);
  return true;
}

}  // namespace

// Owned by one thread at a time, recursively. Guarded by the dispatcher lock.
class MutexObject final : public WaitableObject, public std::enable_shared_from_this<MutexObject> {
 public:
  bool IsSignalledFor(const ThreadRecord& thread) const override {
    return owner_ == nullptr || owner_ == &thread;
  }

  bool Acquire(ThreadRecord& thread) override {
    if (owner_ == nullptr) {
      owner_ = &thread;
      thread.ownedMutexes.push_back(shared_from_this());
    }
    ++recursion_;
    return std::exchange(abandoned_, false);
  }

  bool Release(ThreadRecord& thread) {
    if (owner_ != &thread) return false;
    if (--recursion_ == 0) {
      owner_ = nullptr;
      std::erase(thread.ownedMutexes, shared_from_this());
      Dispatcher::Instance().Signalled(*this);
    }
    return true;
  }

  void Abandon() {
    owner_ = nullptr;
    recursion_ = 0;
    abandoned_ = true;
    Dispatcher::Instance().Signalled(*this);
  }

 private:
  ThreadRecord* owner_ = nullptr;
  std::uint32_t recursion_ = 0;
  bool abandoned_ = false;
};

void AbandonMutexesOwnedBy(ThreadRecord& thread) {
  auto lock = Dispatcher::Instance().Acquire();
  auto owned = std::move(thread.ownedMutexes);
  thread.ownedMutexes.clear();
  for (const auto& mutex : owned) mutex->Abandon();
  lock.unlock();  // the last reference to a mutex may go with owned
}

Handle CreateEvent(bool manualReset, bool initialState, const char* name) {
  return CreateNamedObject(name, IsKind<EventObject>, [&] {
    return std::make_shared<EventObject>(manualReset, initialState);
  });
}

Handle OpenEvent(const char* name) { return OpenNamedObject(name, IsKind<EventObject>); }

bool SetEvent(Handle event) {
  return WithEvent(event, [](EventObject& e) { e.Set(); });
}

bool ResetEvent(Handle event) {
  return WithEvent(event, [](EventObject& e) { e.Reset(); });
}

bool PulseEvent(Handle event) {
  return WithEvent(event, [](EventObject& e) { e.Pulse(); });
}

Handle CreateMutex(bool initialOwner, const char* name) {
  return CreateNamedObject(name, IsKind<MutexObject>, [&] {
    auto mutex = std::make_shared<MutexObject>();
    if (initialOwner) {
      auto lock = Dispatcher::Instance().Acquire();
      mutex->Acquire(CurrentThreadRecord());
    }
    return mutex;
  });
}

Handle OpenMutex(const char* name) { return OpenNamedObject(name, IsKind<MutexObject>); }

bool ReleaseMutex(Handle handle) {
  auto mutex = LookupObjectAs<MutexObject>(handle);  // outlives the lock
  if (!mutex) return false;
  auto lock = Dispatcher::Instance().Acquire();
  if (mutex->Release(CurrentThreadRecord())) return true;
  SetLastError(kErrorNotOwner);
  return false;
}

namespace {

// Looks the handles up as waitable objects; null with kErrorInvalidHandle
// when one is not, kErrorInvalidParameter for a wait-all naming one object
// twice (it could never be taken twice at once).
std::optional<WaitList> CollectWaitList(std::uint32_t count, const Handle* handles, bool waitAll) {
  if (count == 0 || count > kMaximumWaitObjects || handles == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return std::nullopt;
  }
  WaitList objects;
  objects.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    auto object = LookupObjectAs<WaitableObject>(handles[i]);
    if (!object) return std::nullopt;
    if (waitAll && std::find(objects.begin(), objects.end(), object) != objects.end()) {
      SetLastError(kErrorInvalidParameter);
      return std::nullopt;
    }
    objects.push_back(std::move(object));
  }
  return objects;
}

}  // namespace

std::uint32_t WaitForSingleObject(Handle object, std::uint32_t timeoutMs) {
  return WaitForMultipleObjects(1, &object, false, timeoutMs);
}

std::uint32_t WaitForMultipleObjects(std::uint32_t count, const Handle* objects, bool waitAll,
                                     std::uint32_t timeoutMs) {
  auto waitList = CollectWaitList(count, objects, waitAll);
  if (!waitList) return kWaitFailed;
  return Dispatcher::Instance().Wait(*waitList, waitAll, timeoutMs);
}

}  // namespace platform
