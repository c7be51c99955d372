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

// Where a thread blocks in a wait. A wake is kept until the thread parks, so
// one that comes between the thread letting go of the dispatcher lock and
// parking is not lost; a stale one only makes the thread look once more.
class Parker {
 public:
  void Wake();
  // Blocks until woken or the real-time deadline passes (none: until woken);
  // false when the deadline passed without a wake.
  bool Park(std::optional<std::chrono::steady_clock::time_point> deadline);

 private:
  std::mutex mutex_;
  std::condition_variable woken_;
  bool pending_ = false;
};

// What the platform knows about a thread: its id, the mutexes it owns
// (guarded by the dispatcher lock) and where it parks. The parker is shared
// so that a waker may still reach it after letting go of the lock.
struct ThreadRecord {
  std::uint32_t id = 0;
  std::vector<std::shared_ptr<MutexObject>> ownedMutexes;
  std::shared_ptr<Parker> parker = std::make_shared<Parker>();
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
  // Holds the dispatcher lock. The threads whose waits were satisfied while
  // it was held are woken once it is let go: woken earlier, a thread would
  // only block again on the lock its waker still holds.
  class Lock {
   public:
    explicit Lock(Dispatcher& dispatcher) : dispatcher_(dispatcher) { lock(); }
    ~Lock() {
      if (owned_) unlock();
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    void lock();
    void unlock();

   private:
    Dispatcher& dispatcher_;
    bool owned_ = false;
  };

  static Dispatcher& Instance();

  Lock Acquire() { return Lock(*this); }

  // Hands the object to the waiters it can now satisfy, oldest first. Called
  // with the lock held after an object became signalled.
  void Signalled(WaitableObject& object);
  // Wakes the object's waiters to look again at its next change.
  void Rescheduled(WaitableObject& object);

  // Waits until the objects satisfy the wait (any or all) or timeoutMs of
  // process time pass. An empty list is a plain sleep.
  std::uint32_t Wait(const WaitList& objects, bool waitAll, std::uint32_t timeoutMs);

  void WakeAllForClockChange();

 private:
  // Lets go of the lock and parks until woken, the process-time wake time
  // passes or the clock's scale changes (no wake time: until woken); the lock
  // stays let go. False, without blocking and with the lock held, when the
  // wake time has passed.
  bool Park(Lock& lock, const std::shared_ptr<Parker>& parker, std::optional<std::chrono::nanoseconds> wake);

  Dispatcher() = default;
  std::optional<std::uint32_t> TrySatisfy(Waiter& waiter);
  static void CatchUp(const WaitList& objects);
  static std::optional<std::chrono::nanoseconds> NextChange(const WaitList& objects);
  void Unregister(Waiter& waiter);
  void WakeWhenUnlocked(const std::shared_ptr<Parker>& parker) { pendingWakes_.push_back(parker); }

  std::mutex mutex_;
  std::vector<std::shared_ptr<Parker>> pendingWakes_;
  // Threads parked until a process-time wake time: a new clock scale moves
  // their real-time wake times. A thread leaves the list when its wait is
  // satisfied or when it takes the lock again after parking.
  std::vector<std::shared_ptr<Parker>> timedSleepers_;
};

}  // namespace platform
