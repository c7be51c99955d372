#pragma once
// The timing the grid's benchmarks share: seconds on the steady clock, and
// the best of a few runs of a measurement (the machine is shared, so a
// single run may carry another program's load).
#include <algorithm>
#include <chrono>

namespace perf {

using Clock = std::chrono::steady_clock;

inline constexpr int kRounds = 3;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The least of kRounds figures returned by `run`.
template <class Run>
double Best(Run run) {
  double best = 1e300;
  for (int i = 0; i < kRounds; ++i) best = std::min(best, run());
  return best;
}

}  // namespace perf
