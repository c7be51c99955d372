#pragma once
// Threads as kernel objects: a thread handle is signalled when the thread
// ends, and closing the last handle of an ended thread joins it.
#include <cstdint>
#include <functional>

#include "platform/handles.h"

namespace platform {

inline constexpr int kThreadPriorityIdle = -15;
inline constexpr int kThreadPriorityLowest = -2;
inline constexpr int kThreadPriorityBelowNormal = -1;
inline constexpr int kThreadPriorityNormal = 0;
inline constexpr int kThreadPriorityAboveNormal = 1;
inline constexpr int kThreadPriorityHighest = 2;
inline constexpr int kThreadPriorityTimeCritical = 15;

using ThreadFunction = std::function<std::uint32_t()>;

// Starts a thread running fn (or holds it until ResumeThread when suspended).
// stackSize is a hint. threadId may be null.
Handle CreateThread(ThreadFunction fn, bool suspended, std::uint32_t* threadId,
                    std::size_t stackSize = 0);
// Returns the previous suspend count, or 0xFFFFFFFF for a bad handle.
std::uint32_t ResumeThread(Handle thread);
// Best effort: a priority the system refuses is not an error (returns true).
bool SetThreadPriority(Handle thread, int priority);
// The priority last set, or kThreadPriorityErrorReturn for a bad handle.
int GetThreadPriority(Handle thread);
inline constexpr int kThreadPriorityErrorReturn = 0x7FFFFFFF;
bool GetExitCodeThread(Handle thread, std::uint32_t* exitCode);
inline constexpr std::uint32_t kStillActive = 259;

std::uint32_t GetCurrentThreadId();

// Priority class of the process: accepted, best effort.
inline constexpr std::uint32_t kRealtimePriorityClass = 0x100;
inline constexpr std::uint32_t kNormalPriorityClass = 0x20;
bool SetPriorityClass(std::uint32_t priorityClass);

}  // namespace platform
