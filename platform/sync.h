#pragma once
// Events, mutexes and waits on kernel objects, named within the process.
#include <cstdint>

#include "platform/handles.h"

namespace platform {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
inline constexpr std::uint32_t kWaitObject0 = 0;
inline constexpr std::uint32_t kWaitAbandoned0 = 0x80;
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;
inline constexpr std::uint32_t kMaximumWaitObjects = 64;

// Creates an event, or opens the existing one when name is given and an event
// of that name exists (last error kErrorAlreadyExists, flags ignored).
// A name held by an object of another kind fails (kNullHandle, last error
// kErrorInvalidHandle). name may be null for an unnamed event.
Handle CreateEvent(bool manualReset, bool initialState, const char* name);
Handle OpenEvent(const char* name);
bool SetEvent(Handle event);
bool ResetEvent(Handle event);
// Releases the current waiters (all for manual reset, one for auto reset) and
// leaves the event non-signalled.
bool PulseEvent(Handle event);

// Recursive mutex owned by a thread. A mutex whose owner thread ends while
// holding it is abandoned: the next wait gets it with kWaitAbandoned0.
Handle CreateMutex(bool initialOwner, const char* name);
Handle OpenMutex(const char* name);
bool ReleaseMutex(Handle mutex);

// Waits on an event, mutex, thread (signalled when it ends) or timer.
// Time-outs are in process time (see clock.h).
std::uint32_t WaitForSingleObject(Handle object, std::uint32_t timeoutMs);
// waitAll false: kWaitObject0 + index of the first signalled object.
std::uint32_t WaitForMultipleObjects(std::uint32_t count, const Handle* objects, bool waitAll,
                                     std::uint32_t timeoutMs);

}  // namespace platform
