#include "platform/wakeschedule.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/sync.h"

namespace platform {

WakeSchedule::WakeSchedule() : event_(CreateEvent(false, false, nullptr)) {}

WakeSchedule::~WakeSchedule() {
  if (event_ != kNullHandle) CloseHandle(event_);
}

std::uint64_t WakeSchedule::NowMs() { return NowMicroseconds() / 1000; }

void WakeSchedule::Due(std::uint64_t dueMs) {
  if (dueMs < plannedMs_.load()) Wake();
}

void WakeSchedule::Wake() { SetEvent(event_); }

void WakeSchedule::SleepUntil(std::uint64_t dueMs, std::uint32_t boundMs) {
  plannedMs_.store(dueMs);
  // Work that came due while the pass ran, after the pass looked, signalled
  // the event: the wait below then returns at once.
  const std::uint64_t now = NowMs();
  if (dueMs > now) {
    const std::uint64_t wait = std::min<std::uint64_t>(dueMs - now, boundMs);
    WaitForSingleObject(event_, static_cast<std::uint32_t>(wait));
  }
  plannedMs_.store(kNever);
}

}  // namespace platform
