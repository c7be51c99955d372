// Idle cost of VRK_CAN: CPU time of a process that holds one open, online
// card in buffered mode and sees no traffic for 10 s. The adapter runs in a
// child process, so only the library stack is measured.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "onlinecard.h"
#include "platform/sync.h"
#include "sim/canbus.h"
#include "sim/qx240/qx240adapter.h"

namespace {

constexpr auto kIdleSpan = std::chrono::seconds(10);

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Child: serves the adapter until the parent closes its end of the pipe.
[[noreturn]] void RunAdapter(int pathOut, int quitIn) {
  sim::CanBus bus;
  sim::Qx240Adapter adapter;
  if (!adapter.Start()) _exit(1);
  adapter.AttachToBus(bus);
  const std::string path = adapter.SlavePath() + "\n";
  if (write(pathOut, path.data(), path.size()) != static_cast<ssize_t>(path.size())) _exit(1);
  char byte = 0;
  while (read(quitIn, &byte, 1) > 0) {
  }
  adapter.Stop();
  _exit(0);
}

std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

}  // namespace

int main() {
  int pathPipe[2], quitPipe[2];
  if (pipe(pathPipe) != 0 || pipe(quitPipe) != 0) return 1;
  // Fork before this process starts any thread.
  const pid_t child = fork();
  if (child == 0) {
    close(pathPipe[0]);
    close(quitPipe[1]);
    RunAdapter(pathPipe[1], quitPipe[0]);
  }
  close(pathPipe[1]);
  close(quitPipe[0]);
  const std::string path = ReadLine(pathPipe[0]);
  if (path.empty()) VrkCan::Fail("the adapter did not start");
  setenv("FLASHWRIGHT_COM1", path.c_str(), 1);

  VrkCan can;
  const std::int32_t card = can.OpenOnlineCard();
  const platform::Handle masterEvent = platform::CreateEvent(true, false, nullptr);
  can.Entry<decltype(::CAN_RegisterBufferedReceiveEvent)>("CAN_RegisterBufferedReceiveEvent")(
      card, masterEvent, 1);

  const double cpuBefore = CpuSeconds();
  const auto wallBefore = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(kIdleSpan);
  const double cpu = CpuSeconds() - cpuBefore;
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();

  can.Entry<decltype(::CloseCard)>("CloseCard")(card);
  close(quitPipe[1]);
  waitpid(child, nullptr, 0);

  const double percent = 100.0 * cpu / wall;
  std::printf("idle card: %.3f s CPU in %.1f s = %.2f %% of one core (target < 1 %%)\n", cpu, wall,
              percent);
  return percent < 1.0 ? 0 : 2;
}
