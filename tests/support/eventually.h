#pragma once
// Polling for what the stack does on its own threads.
#include <chrono>
#include <functional>
#include <thread>

namespace benchtest {

// Polls until done() holds, for at most `patience` of real time. The limit is
// real time because a loaded machine slows the test's threads, not the
// process clock: whatever speed-up is on, a minute is a generous margin.
inline bool Eventually(const std::function<bool()>& done,
                       std::chrono::milliseconds patience = std::chrono::seconds(60)) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace benchtest
