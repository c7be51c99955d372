// What the master stacks cost while nothing happens but supervision: how
// often the program's threads wake and how much processor time they take.
//   - DeviceNet: a card online, scanning, with two nodes in the scanlist on
//     explicit connections (timer reload 1000 ms, expected packet rate
//     2500 ms, as the downloader asks) and no I/O;
//   - CANopen: an interface online with two nodes, one guarded by remote
//     frames, the other by heartbeat, both every 1000 ms.
// Each is measured over 10 s once the nodes are connected and guarded; the
// bench's own threads (bus, adapter, nodes; named sim-...) are not counted.
// The bus frames of the span are the baseline: supervision itself sends and
// receives them, and each one costs a few wake-ups on its way through the
// stack.
//
//   master_idle_bench [dnet|copn] [--usb] [--all-cpus]
//                                  (target: at most 100 wake-ups a second)
#include <time.h>

#include <chrono>
#include <thread>

#include "perf/master_idle.h"
#include "platform/lasterror.h"

namespace perf {
namespace {

constexpr auto kSettle = std::chrono::seconds(3);
constexpr auto kSpan = std::chrono::seconds(10);
constexpr double kTargetWakeUpsPerSecond = 100;

std::chrono::nanoseconds ProcessCpu() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace

void IdleFail(const std::string& why) {
  std::fprintf(stderr, "%s (last error 0x%X)\n", why.c_str(), platform::GetLastError());
  std::exit(1);
}

platform::ModuleHandle LoadOrFail(const char* name) {
  platform::ModuleHandle module = platform::LoadLibrary(name);
  if (module == nullptr) IdleFail(std::string(name) + " could not be loaded");
  return module;
}

bool Eventually(const std::function<bool()>& done) {
  for (int look = 0; look < 1000; ++look) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

sim::BusOptions IdleBusOptions() {
  sim::BusOptions options;
  options.bitRate = kIdleBitRate;
  options.pacing = true;
  return options;
}

void MeasureIdle(const char* network, sim::CanBus& bus) {
  std::this_thread::sleep_for(kSettle);
  bus.Log().Clear();
  const ThreadTotals threadsBefore = ThreadTotals::Now();
  const std::chrono::nanoseconds cpuBefore = ProcessCpu();
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(kSpan);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const std::chrono::nanoseconds cpuAfter = ProcessCpu();
  const ThreadTotals threadsAfter = ThreadTotals::Now();
  const std::size_t frames = bus.Log().Frames().size();

  const double wakeUps = static_cast<double>(threadsAfter.programSleeps - threadsBefore.programSleeps);
  const double benchCpu = std::chrono::duration<double>(threadsAfter.benchCpu - threadsBefore.benchCpu).count();
  const double programCpu = std::chrono::duration<double>(cpuAfter - cpuBefore).count() - benchCpu;
  std::printf("%s idle for %.1f s: %zu bus frames (%.1f a second)\n", network, seconds, frames,
              static_cast<double>(frames) / seconds);
  std::printf("  program threads woke %.1f times a second (target %.0f at most), %.1f per bus frame\n",
              wakeUps / seconds, kTargetWakeUpsPerSecond, frames > 0 ? wakeUps / static_cast<double>(frames) : 0.0);
  std::printf("  program CPU %.2f ms a second = %.3f %% of one core\n", 1e3 * programCpu / seconds,
              100.0 * programCpu / seconds);
}

}  // namespace perf

int main(int argc, char** argv) {
  const perf::BenchSettings settings = perf::BenchSettings::Parse(argc, argv);
  settings.Apply();
  const std::string& only = settings.rest;
  if (only.empty() || only == "dnet") perf::DeviceNetIdle(settings);
  if (only.empty() || only == "copn") perf::CanopenIdle(settings);
  return 0;
}
