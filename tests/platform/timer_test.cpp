#include "platform/timer.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/clock.h"
#include "platform/lasterror.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "scoped_time_scale.h"

namespace {

using namespace platform;

constexpr std::uint32_t kPatience = 60'000;  // process ms; never reached when the code works

struct TimerHandle {
  Handle handle;
  explicit TimerHandle(bool manualReset) : handle(CreateWaitableTimer(manualReset, nullptr)) {}
  ~TimerHandle() { CloseHandle(handle); }
};

TEST(WaitableTimers, PeriodicTimerFiresRepeatedlyUntilCancelled) {
  ScopedTimeScale fast(100);
  TimerHandle timer(false);
  std::uint32_t start = GetTickCount();
  ASSERT_TRUE(SetWaitableTimer(timer.handle, 10, 10));
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(WaitForSingleObject(timer.handle, kPatience), kWaitObject0) << "tick " << i;
  }
  EXPECT_GE(GetTickCount() - start, 50u);
  EXPECT_TRUE(CancelWaitableTimer(timer.handle));
  WaitForSingleObject(timer.handle, 0);  // a period that ended before the cancel stays signalled
  EXPECT_EQ(WaitForSingleObject(timer.handle, 100), kWaitTimeout);
}

TEST(WaitableTimers, OneShotTimerFiresOnceAfterItsDueTime) {
  ScopedTimeScale fast(10);
  for (bool manualReset : {false, true}) {
    SCOPED_TRACE(manualReset ? "manual reset" : "auto reset");
    TimerHandle timer(manualReset);
    std::uint32_t start = GetTickCount();
    ASSERT_TRUE(SetWaitableTimer(timer.handle, 200, 0));
    EXPECT_EQ(WaitForSingleObject(timer.handle, 0), kWaitTimeout);
    EXPECT_EQ(WaitForSingleObject(timer.handle, kPatience), kWaitObject0);
    EXPECT_GE(GetTickCount() - start, 200u);
    EXPECT_EQ(WaitForSingleObject(timer.handle, 300), manualReset ? kWaitObject0 : kWaitTimeout);
  }
}

TEST(WaitableTimers, MissedPeriodsAreNotDeliveredInABurst) {
  ScopedTimeScale fast(10);
  TimerHandle timer(false);
  ASSERT_TRUE(SetWaitableTimer(timer.handle, 500, 500));
  Sleep(5000);  // ten periods nobody takes
  EXPECT_EQ(WaitForSingleObject(timer.handle, 0), kWaitObject0);
  EXPECT_EQ(WaitForSingleObject(timer.handle, 0), kWaitTimeout);
  EXPECT_EQ(WaitForSingleObject(timer.handle, kPatience), kWaitObject0);  // the next period comes
}

TEST(WaitableTimers, SettingATimerAgainClearsItsSignal) {
  ScopedTimeScale fast(100);
  TimerHandle timer(true);
  ASSERT_TRUE(SetWaitableTimer(timer.handle, 0, 0));
  ASSERT_EQ(WaitForSingleObject(timer.handle, kPatience), kWaitObject0);
  ASSERT_TRUE(SetWaitableTimer(timer.handle, 1'000'000, 0));
  EXPECT_EQ(WaitForSingleObject(timer.handle, 0), kWaitTimeout);
}

TEST(WaitableTimers, SettingATimerWakesThreadsAlreadyWaitingOnIt) {
  ScopedTimeScale fast(100);
  TimerHandle timer(false);
  Handle waiter = CreateThread([&] { return WaitForSingleObject(timer.handle, kPatience); }, false, nullptr);
  Sleep(2000);  // give the waiter time to start waiting on the idle timer
  ASSERT_TRUE(SetWaitableTimer(timer.handle, 10, 0));
  // Well before the waiter's own time-out, which would also find the timer due.
  EXPECT_EQ(WaitForSingleObject(waiter, kPatience / 2), kWaitObject0);
  WaitForSingleObject(waiter, kInfinite);
  std::uint32_t result = kWaitFailed;
  GetExitCodeThread(waiter, &result);
  EXPECT_EQ(result, kWaitObject0);
  CloseHandle(waiter);
}

TEST(WaitableTimers, ManyTimersKeepTheirOwnPeriods) {
  ScopedTimeScale fast(1000);
  TimerHandle slow(false);
  TimerHandle quick(false);
  SetWaitableTimer(slow.handle, 100'000, 100'000);
  SetWaitableTimer(quick.handle, 10, 10);
  Handle both[] = {slow.handle, quick.handle};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(WaitForMultipleObjects(2, both, false, kPatience), kWaitObject0 + 1) << i;
  }
  EXPECT_EQ(WaitForSingleObject(slow.handle, 10 * kPatience), kWaitObject0);
}

TEST(WaitableTimers, BadHandlesAndNamesAreRefused) {
  Handle event = CreateEvent(true, false, nullptr);
  EXPECT_FALSE(SetWaitableTimer(event, 10, 0));
  EXPECT_FALSE(CancelWaitableTimer(event));
  CloseHandle(event);

  Handle named = CreateWaitableTimer(false, "timer-test.named");
  Handle again = CreateWaitableTimer(false, "timer-test.named");
  EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
  ScopedTimeScale fast(100);
  SetWaitableTimer(named, 0, 0);
  EXPECT_EQ(WaitForSingleObject(again, kPatience), kWaitObject0);
  CloseHandle(named);
  CloseHandle(again);
}

}  // namespace
