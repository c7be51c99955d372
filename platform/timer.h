#pragma once
// Waitable timers: kernel objects that become signalled when due, once or
// periodically, in process time.
#include <cstdint>

#include "platform/handles.h"

namespace platform {

Handle CreateWaitableTimer(bool manualReset, const char* name);
// dueMs: first expiry after dueMs of process time; periodMs 0 for a one-shot.
bool SetWaitableTimer(Handle timer, std::uint32_t dueMs, std::uint32_t periodMs);
bool CancelWaitableTimer(Handle timer);

}  // namespace platform
