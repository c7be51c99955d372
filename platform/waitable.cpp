#include "platform/waitable.h"

#include <algorithm>
#include <atomic>

#include "platform/clock.h"
#include "platform/sync.h"

namespace platform {

struct Waiter {
  ThreadRecord& thread;
  const WaitList& objects;
  bool waitAll;
  std::condition_variable cv;
  std::optional<std::uint32_t> result;
};

namespace {

std::atomic<std::uint32_t> nextThreadId{1};

// Owns the calling thread's record; a thread that ends holding mutexes
// abandons them here, whoever started it.
struct CurrentThread {
  std::unique_ptr<ThreadRecord> record;
  ~CurrentThread() {
    if (record) AbandonMutexesOwnedBy(*record);
  }
};
thread_local CurrentThread currentThread;

}  // namespace

std::uint32_t NewThreadId() { return nextThreadId++; }

ThreadRecord& CurrentThreadRecord() {
  if (!currentThread.record) AdoptThreadId(NewThreadId());
  return *currentThread.record;
}

void AdoptThreadId(std::uint32_t id) {
  currentThread.record = std::make_unique<ThreadRecord>();
  currentThread.record->id = id;
}

Dispatcher& Dispatcher::Instance() {
  static auto* dispatcher = new Dispatcher;  // never destroyed: threads may outlive main
  return *dispatcher;
}

void Dispatcher::CatchUp(const WaitList& objects) {
  std::optional<std::chrono::nanoseconds> now;
  for (const auto& object : objects) {
    auto change = object->NextChange();
    if (!change) continue;
    if (!now) now = ProcessTime();
    if (*change <= *now) object->CatchUp(*now);
  }
}

std::optional<std::chrono::nanoseconds> Dispatcher::NextChange(const WaitList& objects) {
  std::optional<std::chrono::nanoseconds> next;
  for (const auto& object : objects) {
    auto change = object->NextChange();
    if (change && (!next || *change < *next)) next = change;
  }
  return next;
}

std::optional<std::uint32_t> Dispatcher::TrySatisfy(Waiter& waiter) {
  const WaitList& objects = waiter.objects;
  CatchUp(objects);
  if (!waiter.waitAll) {
    for (std::uint32_t i = 0; i < objects.size(); ++i) {
      if (objects[i]->IsSignalledFor(waiter.thread)) {
        bool abandoned = objects[i]->Acquire(waiter.thread);
        return (abandoned ? kWaitAbandoned0 : kWaitObject0) + i;
      }
    }
    return std::nullopt;
  }
  bool allSignalled = std::all_of(objects.begin(), objects.end(),
                                  [&](const auto& object) { return object->IsSignalledFor(waiter.thread); });
  if (!allSignalled) return std::nullopt;
  std::optional<std::uint32_t> firstAbandoned;
  for (std::uint32_t i = 0; i < objects.size(); ++i) {
    if (objects[i]->Acquire(waiter.thread) && !firstAbandoned) firstAbandoned = i;
  }
  return firstAbandoned ? kWaitAbandoned0 + *firstAbandoned : kWaitObject0;
}

void Dispatcher::Unregister(Waiter& waiter) {
  for (const auto& object : waiter.objects) {
    std::erase(object->waiters_, &waiter);
  }
}

void Dispatcher::Signalled(WaitableObject& object) {
  if (object.waiters_.empty()) return;
  auto waiters = object.waiters_;  // satisfying a waiter unregisters it
  for (Waiter* waiter : waiters) {
    if (auto result = TrySatisfy(*waiter)) {
      waiter->result = result;
      Unregister(*waiter);
      waiter->cv.notify_one();
    }
  }
}

std::uint32_t Dispatcher::Wait(const WaitList& objects, bool waitAll, std::uint32_t timeoutMs) {
  std::optional<std::chrono::nanoseconds> deadline;
  if (timeoutMs != kInfinite) deadline = ProcessTime() + std::chrono::milliseconds(timeoutMs);
  Waiter waiter{CurrentThreadRecord(), objects, waitAll, {}, std::nullopt};

  Lock lock(mutex_);
  if (auto result = TrySatisfy(waiter)) return *result;
  if (timeoutMs == 0) return kWaitTimeout;
  for (const auto& object : objects) object->waiters_.push_back(&waiter);
  while (!waiter.result) {
    auto wake = NextChange(objects);
    if (deadline && (!wake || *deadline < *wake)) wake = deadline;
    bool wakeTimePassed = !BlockUntil(lock, waiter.cv, wake);
    if (waiter.result) break;
    waiter.result = TrySatisfy(waiter);  // an object may have changed with time
    if (!waiter.result && wakeTimePassed && deadline && ProcessTime() >= *deadline) break;
  }
  Unregister(waiter);
  return waiter.result.value_or(kWaitTimeout);
}

void Dispatcher::Rescheduled(WaitableObject& object) {
  for (Waiter* waiter : object.waiters_) waiter->cv.notify_one();
}

bool Dispatcher::BlockUntil(Lock& lock, std::condition_variable& cv,
                            std::optional<std::chrono::nanoseconds> deadline) {
  if (!deadline) {
    cv.wait(lock);
    return true;
  }
  auto remaining = *deadline - ProcessTime();
  if (remaining <= std::chrono::nanoseconds::zero()) return false;
  timedSleepers_.push_back(&cv);
  cv.wait_for(lock, ToRealDuration(remaining));
  std::erase(timedSleepers_, &cv);
  return true;
}

void Dispatcher::WakeAllForClockChange() {
  Lock lock(mutex_);
  for (auto* cv : timedSleepers_) cv->notify_all();
}

}  // namespace platform
