#pragma once
// Threads of the framework and calls onto the window thread.
//
// Synchronize runs a call on the window thread and waits for it; Queue
// hands one over without waiting. WaitFor on the window thread keeps
// serving synchronised and queued calls while it waits, so stopping a
// thread that is blocked in Synchronize never deadlocks.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "framework/component.h"

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };
using TThreadMethod = std::function<void()>;

// The thread the application was initialised on (the first one to ask, when
// there is no application yet).
bool IsWindowThread();
// Runs every pending synchronised and queued call; only on the window
// thread (elsewhere it does nothing). Returns whether anything ran.
bool CheckSynchronize();
// Hands a call to the window thread without waiting; on the window thread
// it still runs later, from the message loop.
void QueueOnWindowThread(TThreadMethod method);

// A thread created not suspended starts once its construction is over: from
// the window thread's next round of the event loop, or at once when WaitFor
// asks for it first (C++ has no hook after the most derived constructor, and
// Execute must not run on a half-built object).
//
// The destructor terminates a running thread and waits for it; a subclass
// whose Execute uses its own members must do that in its own destructor,
// before those members are gone.
class TThread : public TObject {
 public:
  explicit TThread(bool createSuspended);
  // A thread never started ends without running Execute.
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Resume();
  // Terminate, then WaitFor when the thread runs.
  void TerminateAndWait();
  void Start() { Resume(); }
  bool Suspended() const { return !started_; }
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // Waits for Execute to end and returns ReturnValue; EThread when called
  // by the thread itself.
  int WaitFor();
  bool Finished() const { return finished_; }
  // Best effort: a priority the system refuses is kept as asked.
  TThreadPriority Priority() const { return priority_; }
  void SetPriority(TThreadPriority priority);
  bool FreeOnTerminate() const { return freeOnTerminate_; }
  void SetFreeOnTerminate(bool on) { freeOnTerminate_ = on; }
  int ReturnValue() const { return returnValue_; }
  std::uint32_t ThreadID() const { return threadId_; }
  // What Execute threw, if anything.
  std::exception_ptr FatalException() const { return fatal_; }

  // Runs method on the window thread and waits; an exception it throws is
  // raised again in the calling thread.
  void Synchronize(const TThreadMethod& method);
  static void Synchronize(TThread* thread, const TThreadMethod& method);
  // Hands method to the window thread without waiting.
  static void Queue(TThread* thread, const TThreadMethod& method);

  // Runs on the window thread once Execute has ended.
  TNotifyEvent OnTerminate;

 protected:
  virtual void Execute() = 0;
  void SetReturnValue(int value) { returnValue_ = value; }

 private:
  void Run();

  std::thread thread_;
  // Shared with the queued start of a thread created not suspended.
  std::shared_ptr<std::atomic<TThread*>> pendingStart_;
  std::mutex startMutex_;
  std::condition_variable startCondition_;
  bool started_ = false;
  bool abandoned_ = false;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  bool freeOnTerminate_ = false;
  TThreadPriority priority_ = tpNormal;
  int returnValue_ = 0;
  std::atomic<std::uint32_t> threadId_{0};
  std::exception_ptr fatal_;
};
