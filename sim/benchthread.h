#pragma once
// Threads of the bench carry names beginning with kBenchThreadPrefix, so that
// a benchmark sharing the process with the bench can tell the processor time
// of the program under test from the bench's own.
#include <functional>
#include <string>
#include <thread>

namespace sim {

inline constexpr const char kBenchThreadPrefix[] = "sim-";

// Starts fn on a thread named kBenchThreadPrefix + name (cut to the system's
// 15 characters).
std::thread StartBenchThread(const std::string& name, std::function<void()> fn);

}  // namespace sim
