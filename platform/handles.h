#pragma once
// Process-wide handles: unique, positive, 31-bit integers naming kernel
// objects (events, mutexes, threads, timers, ports). Libraries pass them up
// and down as plain 32-bit integers.
#include <cstdint>
#include <memory>

namespace platform {

using Handle = std::int32_t;
inline constexpr Handle kNullHandle = 0;

class KernelObject;

// Registers an object and returns its new handle (never 0, never negative,
// never one that is still open).
Handle RegisterObject(std::shared_ptr<KernelObject> object);

// The object behind a handle, or null when the handle is not open.
std::shared_ptr<KernelObject> LookupObject(Handle handle);

// Closes a handle. The object lives on while other handles or waiters hold
// it. False (last error kErrorInvalidHandle) for a handle that is not open.
bool CloseHandle(Handle handle);

}  // namespace platform
