#include "platform/thread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <system_error>
#include <thread>

#include "platform/lasterror.h"
#include "platform/waitable.h"

namespace platform {

namespace {

bool IsThreadPriority(int priority) {
  return (priority >= kThreadPriorityLowest && priority <= kThreadPriorityHighest) ||
         priority == kThreadPriorityIdle || priority == kThreadPriorityTimeCritical;
}

// Thread priorities become nice values. Real-time scheduling is left out on
// purpose: a time-critical thread that spins must not freeze the machine.
int NiceValueFor(int priority) {
  switch (priority) {
    case kThreadPriorityIdle: return 19;
    case kThreadPriorityLowest: return 10;
    case kThreadPriorityBelowNormal: return 5;
    case kThreadPriorityAboveNormal: return -5;
    case kThreadPriorityHighest: return -10;
    case kThreadPriorityTimeCritical: return -20;
    default: return 0;
  }
}

// The most favourable nice value this process may set without privileges.
int LowestPermittedNice() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NICE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return -20;
  return 20 - static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 40));
}

// Best effort: when the system refuses the nice value, the nearest permitted
// one is tried; if that is refused too, the thread keeps its priority.
void ApplyPriority(pid_t nativeId, int priority) {
  int nice = NiceValueFor(priority);
  if (setpriority(PRIO_PROCESS, static_cast<id_t>(nativeId), nice) == 0) return;
  int permitted = std::max(nice, LowestPermittedNice());
  if (permitted != nice) setpriority(PRIO_PROCESS, static_cast<id_t>(nativeId), permitted);
}

}  // namespace

// A thread started by CreateThread. Its handle is signalled when it ends.
// Guarded by the dispatcher lock, except the std::thread itself.
class ThreadObject final : public WaitableObject {
 public:
  ThreadObject(ThreadFunction function, bool suspended)
      : function_(std::move(function)), id_(NewThreadId()), suspendCount_(suspended ? 1 : 0) {}

  // The running thread holds a reference, so the last one goes either in the
  // thread itself as it ends (detach: it is finishing) or in another thread
  // after it has ended (join).
  ~ThreadObject() override {
    if (!thread_.joinable()) return;
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();
    } else {
      thread_.join();
    }
  }

  bool IsSignalledFor(const ThreadRecord&) const override { return ended_; }
  bool Acquire(ThreadRecord&) override { return false; }

  void Start(std::shared_ptr<ThreadObject> self) { thread_ = std::thread(&ThreadObject::Run, std::move(self)); }

  std::uint32_t Id() const { return id_; }

  std::uint32_t Resume() {
    std::uint32_t previous = suspendCount_;
    if (suspendCount_ > 0 && --suspendCount_ == 0) resumed_.notify_one();
    return previous;
  }

  void SetPriority(int priority) {
    priority_ = priority;
    if (nativeId_ != 0) ApplyPriority(nativeId_, priority_);
  }
  int Priority() const { return priority_; }
  std::uint32_t ExitCode() const { return ended_ ? exitCode_ : kStillActive; }

 private:
  static void Run(std::shared_ptr<ThreadObject> self) {
    AdoptThreadId(self->id_);
    {
      auto lock = Dispatcher::Instance().Acquire();
      self->resumed_.wait(lock, [&] { return self->suspendCount_ == 0; });
      self->nativeId_ = gettid();
      if (self->priority_ != kThreadPriorityNormal) ApplyPriority(self->nativeId_, self->priority_);
    }
    std::uint32_t exitCode = self->function_();
    self->function_ = nullptr;  // what the function holds goes with its thread
    AbandonMutexesOwnedBy(CurrentThreadRecord());
    auto lock = Dispatcher::Instance().Acquire();
    self->nativeId_ = 0;  // the system may hand the id to another thread now
    self->exitCode_ = exitCode;
    self->ended_ = true;
    Dispatcher::Instance().Signalled(*self);
  }

  ThreadFunction function_;
  const std::uint32_t id_;
  std::uint32_t suspendCount_;
  std::condition_variable_any resumed_;
  pid_t nativeId_ = 0;
  int priority_ = kThreadPriorityNormal;
  bool ended_ = false;
  std::uint32_t exitCode_ = kStillActive;
  std::thread thread_;
};

Handle CreateThread(ThreadFunction fn, bool suspended, std::uint32_t* threadId, std::size_t /*stackSize*/) {
  if (!fn) {
    SetLastError(kErrorInvalidParameter);
    return kNullHandle;
  }
  auto thread = std::make_shared<ThreadObject>(std::move(fn), suspended);
  try {
    thread->Start(thread);
  } catch (const std::system_error&) {
    SetLastError(kErrorNotEnoughMemory);
    return kNullHandle;
  }
  if (threadId != nullptr) *threadId = thread->Id();
  return RegisterObject(std::move(thread));
}

std::uint32_t ResumeThread(Handle handle) {
  auto thread = LookupObjectAs<ThreadObject>(handle);
  if (!thread) return 0xFFFFFFFF;
  auto lock = Dispatcher::Instance().Acquire();
  return thread->Resume();
}

bool SetThreadPriority(Handle handle, int priority) {
  auto thread = LookupObjectAs<ThreadObject>(handle);
  if (!thread) return false;
  if (!IsThreadPriority(priority)) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  auto lock = Dispatcher::Instance().Acquire();
  thread->SetPriority(priority);
  return true;
}

int GetThreadPriority(Handle handle) {
  auto thread = LookupObjectAs<ThreadObject>(handle);
  if (!thread) return kThreadPriorityErrorReturn;
  auto lock = Dispatcher::Instance().Acquire();
  return thread->Priority();
}

bool GetExitCodeThread(Handle handle, std::uint32_t* exitCode) {
  if (exitCode == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  auto thread = LookupObjectAs<ThreadObject>(handle);
  if (!thread) return false;
  auto lock = Dispatcher::Instance().Acquire();
  *exitCode = thread->ExitCode();
  return true;
}

std::uint32_t GetCurrentThreadId() { return CurrentThreadRecord().id; }

bool SetPriorityClass(std::uint32_t priorityClass) {
  constexpr std::uint32_t kKnownClasses[] = {0x40, 0x4000, kNormalPriorityClass, 0x8000, 0x80,
                                             kRealtimePriorityClass};
  for (auto known : kKnownClasses) {
    if (priorityClass == known) return true;  // the threads' own priorities carry the weight
  }
  SetLastError(kErrorInvalidParameter);
  return false;
}

}  // namespace platform
