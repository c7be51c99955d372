#include "platform/handles.h"

#include <mutex>
#include <shared_mutex>
#include <unordered_map>

#include "platform/kernelobject.h"

namespace platform {

// The process-wide table of open handles and of object names.
class HandleTable {
 public:
  static HandleTable& Instance() {
    // Never destroyed: threads that outlive main may still close handles.
    static auto* table = new HandleTable;
    return *table;
  }

  Handle Register(std::shared_ptr<KernelObject> object) {
    std::lock_guard lock(mutex_);
    return AddHandleLocked(std::move(object));
  }

  // Every wait and signal looks its handles up: lookups share the table.
  std::shared_ptr<KernelObject> Lookup(Handle handle) {
    std::shared_lock lock(mutex_);
    auto it = handles_.find(handle);
    return it == handles_.end() ? nullptr : it->second;
  }

  bool Close(Handle handle) {
    std::shared_ptr<KernelObject> closed;  // released after the lock: destructors may block
    {
      std::lock_guard lock(mutex_);
      auto it = handles_.find(handle);
      if (it == handles_.end()) return false;
      closed = std::move(it->second);
      handles_.erase(it);
      if (--closed->openHandles_ == 0 && !closed->name_.empty()) {
        names_.erase(closed->name_);
      }
    }
    return true;
  }

  Handle CreateNamed(const std::string& name, const KindTest& isSameKind, const ObjectFactory& make) {
    std::lock_guard lock(mutex_);
    if (auto it = names_.find(name); it != names_.end()) {
      auto existing = it->second.lock();
      if (!isSameKind(*existing)) {
        SetLastError(kErrorInvalidHandle);
        return kNullHandle;
      }
      Handle handle = AddHandleLocked(std::move(existing));
      SetLastError(kErrorAlreadyExists);
      return handle;
    }
    auto object = make();
    if (!object) {
      SetLastError(kErrorNotEnoughMemory);
      return kNullHandle;
    }
    object->name_ = name;
    names_[name] = object;
    Handle handle = AddHandleLocked(std::move(object));
    if (handle == kNullHandle) {
      names_.erase(name);
      return kNullHandle;
    }
    SetLastError(kErrorSuccess);
    return handle;
  }

  Handle OpenNamed(const std::string& name, const KindTest& isSameKind) {
    std::lock_guard lock(mutex_);
    auto it = names_.find(name);
    if (it == names_.end()) {
      SetLastError(kErrorFileNotFound);
      return kNullHandle;
    }
    auto existing = it->second.lock();
    if (!isSameKind(*existing)) {
      SetLastError(kErrorInvalidHandle);
      return kNullHandle;
    }
    return AddHandleLocked(std::move(existing));
  }

 private:
  // Handles are multiples of four below 2^31, handed out in turn so that a
  // closed handle is not reused soon.
  static constexpr Handle kHandleStep = 4;
  static constexpr Handle kLastHandle = 0x7FFFFFFC;

  Handle AddHandleLocked(std::shared_ptr<KernelObject> object) {
    if (handles_.size() >= static_cast<std::size_t>(kLastHandle / kHandleStep)) {
      SetLastError(kErrorNotEnoughMemory);
      return kNullHandle;
    }
    do {
      next_ = next_ >= kLastHandle ? kHandleStep : next_ + kHandleStep;
    } while (handles_.contains(next_));
    ++object->openHandles_;
    handles_.emplace(next_, std::move(object));
    return next_;
  }

  std::shared_mutex mutex_;
  std::unordered_map<Handle, std::shared_ptr<KernelObject>> handles_;
  // Named objects are kept alive by their handles; the name goes with the last.
  std::unordered_map<std::string, std::weak_ptr<KernelObject>> names_;
  Handle next_ = 0;
};

Handle RegisterObject(std::shared_ptr<KernelObject> object) {
  if (!object) {
    SetLastError(kErrorInvalidParameter);
    return kNullHandle;
  }
  return HandleTable::Instance().Register(std::move(object));
}

std::shared_ptr<KernelObject> LookupObject(Handle handle) {
  return HandleTable::Instance().Lookup(handle);
}

bool CloseHandle(Handle handle) {
  if (HandleTable::Instance().Close(handle)) return true;
  SetLastError(kErrorInvalidHandle);
  return false;
}

Handle CreateNamedObject(const char* name, const KindTest& isSameKind, const ObjectFactory& make) {
  if (name == nullptr || *name == '\0') {
    auto object = make();
    Handle handle = RegisterObject(std::move(object));
    if (handle != kNullHandle) SetLastError(kErrorSuccess);
    return handle;
  }
  return HandleTable::Instance().CreateNamed(name, isSameKind, make);
}

Handle OpenNamedObject(const char* name, const KindTest& isSameKind) {
  if (name == nullptr || *name == '\0') {
    SetLastError(kErrorInvalidParameter);
    return kNullHandle;
  }
  return HandleTable::Instance().OpenNamed(name, isSameKind);
}

}  // namespace platform
