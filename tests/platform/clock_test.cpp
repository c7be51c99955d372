#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <future>
#include <cstdlib>
#include <limits>
#include <memory>
#include <thread>

#include "platform/lasterror.h"
#include "platform/sync.h"
#include "scoped_time_scale.h"

namespace {

using namespace std::chrono_literals;
using RealClock = std::chrono::steady_clock;

TEST(Clock, RunsScaleTimesFasterThanRealTime) {
  ScopedTimeScale fast(1000);
  std::uint32_t ticksBefore = platform::GetTickCount();
  std::uint64_t microsBefore = platform::NowMicroseconds();
  std::int64_t countBefore = 0;
  std::int64_t frequency = 0;
  ASSERT_TRUE(platform::QueryPerformanceCounter(&countBefore));
  ASSERT_TRUE(platform::QueryPerformanceFrequency(&frequency));

  std::this_thread::sleep_for(20ms);  // at least 20 s of process time

  EXPECT_GE(platform::GetTickCount() - ticksBefore, 20'000u);
  EXPECT_GE(platform::NowMicroseconds() - microsBefore, 20'000'000u);
  std::int64_t countAfter = 0;
  platform::QueryPerformanceCounter(&countAfter);
  EXPECT_GE(countAfter - countBefore, 20 * frequency);
}

TEST(Clock, ChangingTheScaleNeverGoesBackwards) {
  ScopedTimeScale restore(1);
  std::uint64_t last = platform::NowMicroseconds();
  for (double scale : {1000.0, 0.001, 50.0, 1.0, 1e6, 0.5}) {
    platform::SetTimeScale(scale);
    EXPECT_EQ(platform::TimeScale(), scale);
    for (int i = 0; i < 1000; ++i) {
      std::uint64_t now = platform::NowMicroseconds();
      ASSERT_GE(now, last) << "scale " << scale;
      last = now;
    }
  }
}

// Each case runs in a fresh copy of this program, whose clock starts there.
TEST(ClockDeathTest, StartsAtTheScaleGivenInTheEnvironment) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const struct {
    const char* value;
    double scale;
    const char* complaint;
  } cases[] = {
      {"250", 250, ""},
      {"0.5", 0.5, ""},
      {"", 1, ""},
      {"fast", 1, "FLASHWRIGHT_TIME_SCALE=\"fast\" is not a positive number"},
      {"-3", 1, "is not a positive number"},
      {"10x", 1, "is not a positive number"},
  };
  for (const auto& c : cases) {
    setenv("FLASHWRIGHT_TIME_SCALE", c.value, 1);
    EXPECT_EXIT(std::exit(platform::TimeScale() == c.scale ? 0 : 1), testing::ExitedWithCode(0), c.complaint)
        << '"' << c.value << '"';
  }
  unsetenv("FLASHWRIGHT_TIME_SCALE");
}

TEST(Clock, RefusesScalesThatAreNotPositiveNumbers) {
  ScopedTimeScale restore(3);
  for (double bad : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
    platform::SetLastError(0);
    platform::SetTimeScale(bad);
    EXPECT_EQ(platform::TimeScale(), 3.0) << bad;
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter) << bad;
  }
}

TEST(Clock, RealDurationsShrinkWithTheScale) {
  ScopedTimeScale fast(100);
  EXPECT_EQ(platform::ToRealDuration(1s), 10ms);
}

// A 10 s wait at scale 1000 lasts 10 ms of real time; the real-time bound
// is kept loose for a loaded machine.
TEST(Clock, TimeOutsAreMeasuredInProcessTime) {
  ScopedTimeScale fast(1000);
  platform::Handle events[] = {platform::CreateEvent(false, false, nullptr),
                               platform::CreateEvent(false, true, nullptr)};
  const struct {
    const char* what;
    std::function<std::uint32_t()> wait;
  } waits[] = {
      {"single object", [&] { return platform::WaitForSingleObject(events[0], 10'000); }},
      {"wait-all", [&] { return platform::WaitForMultipleObjects(2, events, true, 10'000); }},
      {"sleep", [] {
         platform::Sleep(10'000);
         return platform::kWaitTimeout;
       }},
  };
  for (const auto& w : waits) {
    auto realStart = RealClock::now();
    std::uint32_t ticksStart = platform::GetTickCount();
    EXPECT_EQ(w.wait(), platform::kWaitTimeout) << w.what;
    EXPECT_GE(platform::GetTickCount() - ticksStart, 10'000u) << w.what;
    EXPECT_LT(RealClock::now() - realStart, 5s) << w.what;
  }
  EXPECT_EQ(platform::WaitForSingleObject(events[1], 0), platform::kWaitObject0);  // wait-all took nothing
  for (auto event : events) platform::CloseHandle(event);
}

TEST(Clock, ASpeedUpShortensSleepsAlreadyUnderWay) {
  ScopedTimeScale restore(1);
  auto woke = std::make_shared<std::promise<void>>();
  auto sleeperWoke = woke->get_future();
  // Detached, so that a sleeper that never wakes fails the test instead of hanging it.
  std::thread([woke] {
    platform::Sleep(600'000);
    woke->set_value();
  }).detach();
  std::this_thread::sleep_for(50ms);
  platform::SetTimeScale(1e6);
  EXPECT_EQ(sleeperWoke.wait_for(30s), std::future_status::ready);
}

TEST(Clock, SleepZeroReturnsAtOnce) {
  auto realStart = RealClock::now();
  for (int i = 0; i < 100; ++i) platform::Sleep(0);
  EXPECT_LT(RealClock::now() - realStart, 5s);
}

TEST(Clock, TimerResolutionRequestsPair) {
  EXPECT_EQ(platform::timeBeginPeriod(1), 0u);
  EXPECT_EQ(platform::timeEndPeriod(1), 0u);
  EXPECT_NE(platform::timeBeginPeriod(0), 0u);
}

}  // namespace
