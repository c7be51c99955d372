// What it costs this machine to hand work from one thread to another through
// the platform's events, the way a frame passes from the driver's receive
// thread to the CAN layer's and on to a master's: the latency of a hand-off
// and the processor time of one thread's wake-up and sleep. The threads sleep
// between hand-offs, as they do between frames.
// The download benchmarks' figures rest on these two numbers.
//
//   thread_handoff_bench [--all-cpus]
#include <sched.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/sync.h"

namespace {

constexpr int kHandOffs = 20000;
// About the time between two frames of a download at 500 kbit/s.
constexpr auto kPause = std::chrono::microseconds(250);

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

void KeepToOneProcessor() {
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(sched_getcpu(), &one);
  sched_setaffinity(0, sizeof one, &one);
}

}  // namespace

int main(int argc, char** argv) {
  const bool allCpus = argc > 1 && std::string(argv[1]) == "--all-cpus";
  if (!allCpus) KeepToOneProcessor();
  const platform::Handle there = platform::CreateEvent(false, false, nullptr);
  const platform::Handle back = platform::CreateEvent(false, false, nullptr);
  std::vector<double> latenciesUs(kHandOffs);
  std::chrono::steady_clock::time_point sentAt;

  std::thread receiver([&] {
    for (int i = 0; i < kHandOffs; ++i) {
      platform::WaitForSingleObject(there, platform::kInfinite);
      latenciesUs[i] = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - sentAt).count();
      platform::SetEvent(back);
    }
  });
  const double cpuBefore = ProcessCpuSeconds();
  for (int i = 0; i < kHandOffs; ++i) {
    std::this_thread::sleep_for(kPause);
    sentAt = std::chrono::steady_clock::now();
    platform::SetEvent(there);
    platform::WaitForSingleObject(back, platform::kInfinite);
  }
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  receiver.join();

  std::sort(latenciesUs.begin(), latenciesUs.end());
  // A round wakes three threads: the sender after its pause, the receiver,
  // and the sender again.
  std::printf("%s: hand-off latency median %.1f us, 90th percentile %.1f us; processor time %.1f us per wake-up\n",
              allCpus ? "threads on every processor" : "threads on one processor", latenciesUs[kHandOffs / 2],
              latenciesUs[kHandOffs * 9 / 10], cpu / (3.0 * kHandOffs) * 1e6);
  platform::CloseHandle(there);
  platform::CloseHandle(back);
  return 0;
}
