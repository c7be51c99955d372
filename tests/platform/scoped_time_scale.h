#pragma once
// Runs the process clock at a given speed for the life of the object.
#include "platform/clock.h"

class ScopedTimeScale {
 public:
  explicit ScopedTimeScale(double scale) : previous_(platform::TimeScale()) { platform::SetTimeScale(scale); }
  ~ScopedTimeScale() { platform::SetTimeScale(previous_); }
  ScopedTimeScale(const ScopedTimeScale&) = delete;
  ScopedTimeScale& operator=(const ScopedTimeScale&) = delete;

 private:
  double previous_;
};
