#pragma once
// The wake-up schedule of a worker thread that has work at due times (a
// countdown running out, a reply deadline, a periodic frame) and work that
// other threads bring (a request, a frame, a changed list). The thread sleeps
// until its earliest due time instead of ticking; another thread that makes
// something due earlier than the thread planned to wake, or brings new work,
// wakes it at once.
//
//   owner:   for (;;) { due = RunPass(); schedule.SleepUntil(due, boundMs); }
//   others:  change what is due; schedule.Due(dueMs)  (or Wake())
//
// A Due that comes while the owner runs its pass always wakes it: the pass may
// have looked at that work before it changed. Such a wake costs one more pass
// and no sleep.
#include <atomic>
#include <cstdint>

#include "platform/handles.h"

namespace platform {

class WakeSchedule {
 public:
  static constexpr std::uint64_t kNever = UINT64_MAX;

  WakeSchedule();
  ~WakeSchedule();
  WakeSchedule(const WakeSchedule&) = delete;
  WakeSchedule& operator=(const WakeSchedule&) = delete;

  // Process time in milliseconds, the clock of every due time.
  static std::uint64_t NowMs();

  // Something becomes due at dueMs: wakes the owner if it sleeps past it.
  void Due(std::uint64_t dueMs);
  // New work now (or a stop request).
  void Wake();
  // The owner: sleeps until dueMs (kNever: no due time), at most boundMs, or
  // until woken. A due time already past returns at once.
  void SleepUntil(std::uint64_t dueMs, std::uint32_t boundMs);

 private:
  Handle event_;
  // When the owner plans to wake; kNever while it runs a pass.
  std::atomic<std::uint64_t> plannedMs_{kNever};
};

}  // namespace platform
