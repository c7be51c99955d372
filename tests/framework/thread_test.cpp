#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "framework/application.h"
#include "framework/thread.h"
#include "framework/testing/harness.h"

namespace {

// Runs a body; the body sees the thread.
class Worker : public TThread {
 public:
  explicit Worker(std::function<void(Worker&)> body, bool suspended = true)
      : TThread(suspended), body_(std::move(body)) {}
  ~Worker() override { TerminateAndWait(); }
  using TThread::SetReturnValue;
  std::atomic<bool> ran{false};

 protected:
  void Execute() override {
    ran = true;
    body_(*this);
  }

 private:
  std::function<void(Worker&)> body_;
};

TEST(Threads, WaitForServesAThreadBlockedInSynchronize) {
  // The worker loops until told to stop, synchronising each round; the
  // window thread stops it and waits, as a window does with its polling
  // thread.
  std::atomic<int> rounds{0};
  Worker worker([&](Worker& self) {
    while (!self.Terminated()) self.Synchronize([&] { ++rounds; });
    self.SetReturnValue(7);
  }, false);
  while (rounds < 3) CheckSynchronize();
  const auto start = std::chrono::steady_clock::now();
  worker.Terminate();
  EXPECT_EQ(worker.WaitFor(), 7);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_TRUE(worker.Finished());
}

TEST(Threads, SynchronizeRunsOnTheWindowThreadAndPassesExceptionsBack) {
  std::atomic<bool> onWindowThread{false};
  std::string caught;
  Worker worker([&](Worker& self) {
    self.Synchronize([&] { onWindowThread = IsWindowThread(); });
    try {
      self.Synchronize([] { throw EConvertError("bad value"); });
    } catch (const EConvertError& e) {
      caught = e.Message;
    }
  });
  worker.Resume();
  worker.WaitFor();
  EXPECT_TRUE(onWindowThread);
  EXPECT_EQ(caught, "bad value");
}

TEST(Threads, QueuedCallsRunLaterOnTheWindowThread) {
  // The worker goes on right after queueing; the call, on the window
  // thread, sees that it did (a blocking hand-over would never get there).
  std::atomic<bool> workerWentOn{false};
  bool sawWorkerGoOn = false, onWindowThread = false;
  Worker worker([&](Worker&) {
    TThread::Queue(nullptr, [&] {
      onWindowThread = IsWindowThread();
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!workerWentOn && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
      sawWorkerGoOn = workerWentOn;
    });
    workerWentOn = true;
  }, false);
  worker.WaitFor();
  harness::ProcessEvents();
  EXPECT_TRUE(sawWorkerGoOn);
  EXPECT_TRUE(onWindowThread);
  // Queued from the window thread itself: runs from the loop, not at once.
  bool ran = false;
  QueueOnWindowThread([&] { ran = true; });
  EXPECT_FALSE(ran);
  harness::ProcessEvents();
  EXPECT_TRUE(ran);
}

TEST(Threads, LifecycleOfSuspendedAndFinishedThreads) {
  auto* never = new Worker([](Worker&) {});
  EXPECT_TRUE(never->Suspended());
  delete never;  // never resumed: ends without running Execute

  Worker failing([](Worker&) { throw Exception("execute failed"); }, false);
  failing.WaitFor();
  EXPECT_TRUE(failing.FatalException() != nullptr);

  bool terminated = false;
  {
    Worker endless([](Worker& self) {
      while (!self.Terminated()) std::this_thread::yield();
    }, false);
    endless.OnTerminate = [&](TObject*) { terminated = IsWindowThread(); };
    endless.SetPriority(tpHighest);  // may be refused; never an error
  }  // destruction terminates and waits, serving OnTerminate
  EXPECT_TRUE(terminated);

  Worker self([](Worker& me) { EXPECT_THROW(me.WaitFor(), EThread); }, false);
  self.WaitFor();

  // Not suspended: starts once built, from the event loop.
  Worker later([](Worker&) {}, false);
  EXPECT_TRUE(later.Suspended());
  harness::ProcessEvents();
  EXPECT_FALSE(later.Suspended());
  later.WaitFor();
  EXPECT_TRUE(later.ran);
}

}  // namespace
