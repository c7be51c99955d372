#include "platform/timer.h"

#include "platform/clock.h"
#include "platform/waitable.h"

namespace platform {

namespace {

using std::chrono::nanoseconds;

// A timer needs no thread of its own: its state follows from the process
// time, and a thread waiting on it sleeps until its due time and brings it up
// to date (see WaitableObject::NextChange). An idle periodic timer that
// nobody waits on costs nothing, and one that a thread waits on costs that
// thread's wake-up alone. Guarded by the dispatcher lock.
class TimerObject final : public WaitableObject {
 public:
  explicit TimerObject(bool manualReset) : manualReset_(manualReset) {}

  bool IsSignalledFor(const ThreadRecord&) const override { return signalled_; }
  bool Acquire(ThreadRecord&) override {
    if (!manualReset_) {
      signalled_ = false;
      if (armed_) SkipPeriodsUpTo(ProcessTime());
    }
    return false;
  }

  // Expiring again changes nothing while a periodic timer is still signalled.
  std::optional<nanoseconds> NextChange() const override {
    if (!armed_ || (signalled_ && IsPeriodic())) return std::nullopt;
    return nextDue_;
  }

  void CatchUp(nanoseconds now) override {
    if (IsPeriodic()) {
      SkipPeriodsUpTo(now);
    } else {
      armed_ = false;
    }
    signalled_ = true;
  }

  void Set(nanoseconds due, nanoseconds period) {
    signalled_ = false;
    armed_ = true;
    nextDue_ = ProcessTime() + due;
    period_ = period;
    Dispatcher::Instance().Rescheduled(*this);
  }

  void Cancel() { armed_ = false; }

 private:
  bool IsPeriodic() const { return period_ != nanoseconds::zero(); }

  // Periods that passed while nobody took the timer are dropped, not
  // delivered in a burst; the timer keeps its phase.
  void SkipPeriodsUpTo(nanoseconds now) {
    if (!IsPeriodic() || nextDue_ > now) return;
    nextDue_ += ((now - nextDue_) / period_ + 1) * period_;
  }

  const bool manualReset_;
  bool signalled_ = false;
  bool armed_ = false;
  nanoseconds nextDue_{0};
  nanoseconds period_{0};
};

template <typename Operation>
bool WithTimer(Handle handle, Operation operation) {
  auto timer = LookupObjectAs<TimerObject>(handle);  // outlives the lock
  if (!timer) return false;
  auto lock = Dispatcher::Instance().Acquire();
  operation(*timer);
  return true;
}

}  // namespace

Handle CreateWaitableTimer(bool manualReset, const char* name) {
  return CreateNamedObject(name, IsKind<TimerObject>, [&] { return std::make_shared<TimerObject>(manualReset); });
}

bool SetWaitableTimer(Handle timer, std::uint32_t dueMs, std::uint32_t periodMs) {
  return WithTimer(timer, [&](TimerObject& t) {
    t.Set(std::chrono::milliseconds(dueMs), std::chrono::milliseconds(periodMs));
  });
}

bool CancelWaitableTimer(Handle timer) {
  return WithTimer(timer, [](TimerObject& t) { t.Cancel(); });
}

}  // namespace platform
