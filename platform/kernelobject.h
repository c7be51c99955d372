#pragma once
// The base of every object a handle can name, and the bookkeeping that ties
// handles and process-wide names to it. Units that add their own kinds of
// kernel object (ports, timers, ...) derive from KernelObject and register
// instances through handles.h or CreateNamedObject below.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/handles.h"
#include "platform/lasterror.h"

namespace platform {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  KernelObject(const KernelObject&) = delete;
  KernelObject& operator=(const KernelObject&) = delete;

 protected:
  KernelObject() = default;

 private:
  friend class HandleTable;
  // Guarded by the handle table: the name is released when the last handle
  // closes, even if waiters still hold the object.
  std::string name_;
  std::uint32_t openHandles_ = 0;
};

using KindTest = std::function<bool(const KernelObject&)>;
using ObjectFactory = std::function<std::shared_ptr<KernelObject>()>;

// Creates an object under a process-wide name, or returns a new handle to the
// object already holding that name (last error kErrorAlreadyExists; otherwise
// kErrorSuccess). A name held by an object of another kind gives kNullHandle
// and kErrorInvalidHandle. A null or empty name creates an unnamed object.
Handle CreateNamedObject(const char* name, const KindTest& isSameKind, const ObjectFactory& make);
// A new handle to the named object, or kNullHandle (kErrorFileNotFound when
// nothing holds the name, kErrorInvalidHandle when another kind holds it).
Handle OpenNamedObject(const char* name, const KindTest& isSameKind);

template <typename T>
bool IsKind(const KernelObject& object) {
  return dynamic_cast<const T*>(&object) != nullptr;
}

// The object of kind T behind a handle, or null with kErrorInvalidHandle.
template <typename T>
std::shared_ptr<T> LookupObjectAs(Handle handle) {
  auto object = std::dynamic_pointer_cast<T>(LookupObject(handle));
  if (!object) SetLastError(kErrorInvalidHandle);
  return object;
}

}  // namespace platform
