#include "platform/waitable.h"

#include <algorithm>
#include <atomic>

#include "platform/clock.h"
#include "platform/sync.h"

namespace platform {

struct Waiter {
  static constexpr std::uint32_t kNoResult = 0xFFFFFFFF;

  ThreadRecord& thread;
  const WaitList& objects;
  bool waitAll;
  // Stored last by the thread that satisfies the wait, after it unregistered
  // the waiter: from then on the waiting thread may return without the lock.
  std::atomic<std::uint32_t> result{kNoResult};

  std::optional<std::uint32_t> Result() const {
    const std::uint32_t value = result.load(std::memory_order_acquire);
    return value != kNoResult ? std::optional(value) : std::nullopt;
  }
};

void Parker::Wake() {
  {
    std::lock_guard lock(mutex_);
    pending_ = true;
  }
  woken_.notify_one();
}

bool Parker::Park(std::optional<std::chrono::steady_clock::time_point> deadline) {
  std::unique_lock lock(mutex_);
  const auto wakeCame = [this] { return pending_; };
  const bool woken = deadline ? woken_.wait_until(lock, *deadline, wakeCame) : (woken_.wait(lock, wakeCame), true);
  pending_ = false;
  return woken;
}

void Dispatcher::Lock::lock() {
  dispatcher_.mutex_.lock();
  owned_ = true;
}

void Dispatcher::Lock::unlock() {
  std::vector<std::shared_ptr<Parker>> wakes;
  wakes.swap(dispatcher_.pendingWakes_);
  owned_ = false;
  dispatcher_.mutex_.unlock();
  for (const auto& parker : wakes) parker->Wake();
}

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
      Unregister(*waiter);
      const std::shared_ptr<Parker>& parker = waiter->thread.parker;
      std::erase(timedSleepers_, parker);
      WakeWhenUnlocked(parker);
      waiter->result.store(*result, std::memory_order_release);
    }
  }
}

std::uint32_t Dispatcher::Wait(const WaitList& objects, bool waitAll, std::uint32_t timeoutMs) {
  std::optional<std::chrono::nanoseconds> deadline;
  if (timeoutMs != kInfinite) deadline = ProcessTime() + std::chrono::milliseconds(timeoutMs);
  ThreadRecord& thread = CurrentThreadRecord();
  Waiter waiter{thread, objects, waitAll};

  Lock lock(*this);
  if (auto result = TrySatisfy(waiter)) return *result;
  if (timeoutMs == 0) return kWaitTimeout;
  for (const auto& object : objects) object->waiters_.push_back(&waiter);
  for (;;) {
    auto wake = NextChange(objects);
    if (deadline && (!wake || *deadline < *wake)) wake = deadline;
    if (Park(lock, thread.parker, wake)) {
      // The usual way out: the waker has unregistered the wait, and the lock
      // is not needed again.
      if (auto result = waiter.Result()) return *result;
      lock.lock();
      if (auto result = waiter.Result()) return *result;
      std::erase(timedSleepers_, thread.parker);
    }
    // Woken for another reason, or the wake time came: an object may have
    // changed with time.
    const std::optional<std::uint32_t> result = TrySatisfy(waiter);
    if (result || (deadline && ProcessTime() >= *deadline)) {
      Unregister(waiter);
      return result.value_or(kWaitTimeout);
    }
  }
}

void Dispatcher::Rescheduled(WaitableObject& object) {
  for (Waiter* waiter : object.waiters_) WakeWhenUnlocked(waiter->thread.parker);
}

bool Dispatcher::Park(Lock& lock, const std::shared_ptr<Parker>& parker,
                      std::optional<std::chrono::nanoseconds> wake) {
  std::optional<std::chrono::steady_clock::time_point> realWake;
  if (wake) {
    const auto remaining = *wake - ProcessTime();
    if (remaining <= std::chrono::nanoseconds::zero()) return false;
    realWake = std::chrono::steady_clock::now() + ToRealDuration(remaining);
    timedSleepers_.push_back(parker);
  }
  lock.unlock();
  parker->Park(realWake);
  return true;
}

void Dispatcher::WakeAllForClockChange() {
  Lock lock(*this);
  for (const auto& parker : timedSleepers_) WakeWhenUnlocked(parker);
}

}  // namespace platform
