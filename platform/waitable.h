#pragma once
// The machinery behind every wait: waitable objects, the threads that wait on
// them and the one dispatcher lock that guards their signal states, so that a
// wait on several objects can check and take them all at once.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/kernelobject.h"

namespace platform {

class MutexObject;
struct Waiter;

// What the platform knows about a thread: its id and the mutexes it owns
// (guarded by the dispatcher lock).
struct ThreadRecord {
  std::uint32_t id = 0;
  std::vector<std::shared_ptr<MutexObject>> ownedMutexes;
};

ThreadRecord& CurrentThreadRecord();
std::uint32_t NewThreadId();
// Gives the calling thread the id its creator handed out before it ran.
void AdoptThreadId(std::uint32_t id);
// Abandons every mutex the thread still owns; called when the thread ends.
void AbandonMutexesOwnedBy(ThreadRecord& thread);

class WaitableObject : public KernelObject {
 public:
  // Both are called with the dispatcher lock held.
  virtual bool IsSignalledFor(const ThreadRecord& thread) const = 0;
  // Takes the object for a satisfied wait (auto reset, mutex ownership).
  // True when the wait takes over an abandoned mutex.
  virtual bool Acquire(ThreadRecord& thread) = 0;
  // For objects whose state changes with time alone (timers): the process
  // time of the next such change, and bringing the state up to a time.
  // Waiters sleep until the next change and catch the object up themselves,
  // so no thread has to run for an object that nobody waits on.
  virtual std::optional<std::chrono::nanoseconds> NextChange() const { return std::nullopt; }
  virtual void CatchUp(std::chrono::nanoseconds /*now*/) {}

 private:
  friend class Dispatcher;
  std::vector<Waiter*> waiters_;
};

using WaitList = std::vector<std::shared_ptr<WaitableObject>>;

class Dispatcher {
 public:
  using Lock = std::unique_lock<std::mutex>;

  static Dispatcher& Instance();

  Lock Acquire() { return Lock(mutex_); }

  // Hands the object to the waiters it can now satisfy, oldest first. Called
  // with the lock held after an object became signalled.
  void Signalled(WaitableObject& object);
  // Wakes the object's waiters to look again at its next change.
  void Rescheduled(WaitableObject& object);

  // Waits until the objects satisfy the wait (any or all) or timeoutMs of
  // process time pass. An empty list is a plain sleep.
  std::uint32_t Wait(const WaitList& objects, bool waitAll, std::uint32_t timeoutMs);

  // Blocks with the lock held until cv is notified, the process-time
  // deadline passes or the clock's scale changes (no deadline: until
  // notified). False, without blocking, when the deadline has passed.
  bool BlockUntil(Lock& lock, std::condition_variable& cv,
                  std::optional<std::chrono::nanoseconds> deadline);

  void WakeAllForClockChange();

 private:
  Dispatcher() = default;
  std::optional<std::uint32_t> TrySatisfy(Waiter& waiter);
  static void CatchUp(const WaitList& objects);
  static std::optional<std::chrono::nanoseconds> NextChange(const WaitList& objects);
  void Unregister(Waiter& waiter);

  std::mutex mutex_;
  // Threads blocked until a process-time deadline: a new clock scale moves
  // their real-time deadlines.
  std::vector<std::condition_variable*> timedSleepers_;
};

}  // namespace platform
