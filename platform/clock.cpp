#include "platform/clock.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <mutex>
#include <thread>

#include "platform/lasterror.h"
#include "platform/waitable.h"

namespace platform {

namespace {

using RealClock = std::chrono::steady_clock;

bool IsValidScale(double scale) { return std::isfinite(scale) && scale > 0.0; }

// Process time runs as a straight line through (realBase, processBase) with
// slope scale; changing the scale starts a new line at the current point, so
// process time never jumps back.
class ProcessClock {
 public:
  static ProcessClock& Instance() {
    static auto* clock = new ProcessClock;  // never destroyed: used by late threads
    return *clock;
  }

  std::chrono::nanoseconds Now() {
    std::lock_guard lock(mutex_);
    return NowLocked(RealClock::now());
  }

  void SetScale(double scale) {
    std::lock_guard lock(mutex_);
    auto realNow = RealClock::now();
    processBase_ = NowLocked(realNow);
    realBase_ = realNow;
    scale_ = scale;
  }

  double Scale() {
    std::lock_guard lock(mutex_);
    return scale_;
  }

 private:
  ProcessClock() : realBase_(RealClock::now()), scale_(ScaleFromEnvironment()) {}

  static double ScaleFromEnvironment() {
    const char* text = std::getenv("FLASHWRIGHT_TIME_SCALE");
    if (text == nullptr || *text == '\0') return 1.0;
    char* end = nullptr;
    double scale = std::strtod(text, &end);
    if (*end != '\0' || !IsValidScale(scale)) {
      std::fprintf(stderr,
                   "flashwright: FLASHWRIGHT_TIME_SCALE=\"%s\" is not a positive number; "
                   "the clock runs in real time\n",
                   text);
      return 1.0;
    }
    return scale;
  }

  std::chrono::nanoseconds NowLocked(RealClock::time_point realNow) const {
    auto realElapsed = std::chrono::duration<double, std::nano>(realNow - realBase_);
    return processBase_ + std::chrono::duration_cast<std::chrono::nanoseconds>(realElapsed * scale_);
  }

  std::mutex mutex_;
  RealClock::time_point realBase_;
  std::chrono::nanoseconds processBase_{0};
  double scale_;
};

}  // namespace

void SetTimeScale(double scale) {
  if (!IsValidScale(scale)) {
    SetLastError(kErrorInvalidParameter);
    return;
  }
  ProcessClock::Instance().SetScale(scale);
  // Sleepers computed their real-time waits with the old scale.
  Dispatcher::Instance().WakeAllForClockChange();
}

double TimeScale() { return ProcessClock::Instance().Scale(); }

std::chrono::nanoseconds ProcessTime() { return ProcessClock::Instance().Now(); }

std::uint32_t GetTickCount() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(ProcessTime()).count();
  return static_cast<std::uint32_t>(ms);  // wraps like the 32-bit tick count it stands for
}

std::uint64_t NowMicroseconds() {
  auto us = std::chrono::duration_cast<std::chrono::microseconds>(ProcessTime()).count();
  return static_cast<std::uint64_t>(us);
}

std::chrono::nanoseconds ToRealDuration(std::chrono::nanoseconds processTime) {
  double real = std::ceil(static_cast<double>(processTime.count()) / TimeScale());
  return std::chrono::nanoseconds(static_cast<std::int64_t>(real));
}

void Sleep(std::uint32_t ms) {
  if (ms == 0) {
    std::this_thread::yield();
    return;
  }
  Dispatcher::Instance().Wait({}, false, ms);
}

namespace {
constexpr std::int64_t kCounterFrequency = 10'000'000;  // 100 ns ticks
}  // namespace

bool QueryPerformanceCounter(std::int64_t* count) {
  if (count == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  *count = ProcessTime().count() / (1'000'000'000 / kCounterFrequency);
  return true;
}

bool QueryPerformanceFrequency(std::int64_t* frequency) {
  if (frequency == nullptr) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  *frequency = kCounterFrequency;
  return true;
}

namespace {
constexpr std::uint32_t kTimerNoError = 0;
constexpr std::uint32_t kTimerNoCanDo = 97;
std::atomic<std::uint32_t> periodRequests{0};
}  // namespace

std::uint32_t timeBeginPeriod(std::uint32_t ms) {
  if (ms == 0) return kTimerNoCanDo;
  ++periodRequests;
  return kTimerNoError;
}

std::uint32_t timeEndPeriod(std::uint32_t ms) {
  if (ms == 0) return kTimerNoCanDo;
  std::uint32_t open = periodRequests.load();
  do {
    if (open == 0) return kTimerNoCanDo;
  } while (!periodRequests.compare_exchange_weak(open, open - 1));
  return kTimerNoError;
}

}  // namespace platform
