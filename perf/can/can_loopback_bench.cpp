// Loopback throughput of VRK_CAN: frames per second from CAN_Write_Buffered on
// one card to CAN_Read_Buffered on a second card on the same virtual bus,
// through two bench adapters on pseudo-terminals, against the raw byte
// throughput of a pseudo-terminal measured in the same run.
//
// A driver library serves one serial link per process, so the receiving card
// lives in a child process.
#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "onlinecard.h"
#include "platform/serial.h"
#include "platform/sync.h"
#include "sim/canbus.h"
#include "sim/qx240/qx240adapter.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kFrames = 20'000;
// Frames written but not yet on the bus, so that the sender does not run far
// ahead of the receiving card (whose generic ring holds 1024 frames).
constexpr std::uint32_t kWindow = 64;
constexpr std::size_t kHostFrameBytes = 16;
constexpr std::uint32_t kReceiverQuietMs = 5000;

std::string ReadLine(int fd) {
  std::string line;
  char c = 0;
  while (read(fd, &c, 1) == 1 && c != '\n') line += c;
  return line;
}

void WriteLine(int fd, const std::string& text) {
  const std::string line = text + "\n";
  if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) _exit(1);
}

// Child: opens the second card on the path the parent sends, reads until all
// frames came or the line stays quiet, and reports the count and the moment
// the last frame was read (the steady clock is shared by the processes).
[[noreturn]] void RunReceiver(int fromParent, int toParent) {
  const std::string path = ReadLine(fromParent);
  setenv("FLASHWRIGHT_COM1", path.c_str(), 1);
  VrkCan can;
  const std::int32_t card = can.OpenOnlineCard();
  const platform::Handle arrived = platform::CreateEvent(true, false, nullptr);
  can.Entry<decltype(::CAN_RegisterBufferedReceiveEvent)>("CAN_RegisterBufferedReceiveEvent")(
      card, arrived, 1);
  auto* readBuffered = can.Entry<decltype(::CAN_Read_Buffered)>("CAN_Read_Buffered");
  WriteLine(toParent, "ready");
  std::uint32_t received = 0;
  Clock::time_point lastFrame{};
  while (received < kFrames) {
    if (platform::WaitForSingleObject(arrived, kReceiverQuietMs) != platform::kWaitObject0) break;
    platform::ResetEvent(arrived);
    CanMessage frame{};
    while (readBuffered(card, &frame) != 0) {
      ++received;
      lastFrame = Clock::now();
    }
  }
  WriteLine(toParent, std::to_string(received) + " " +
                          std::to_string(lastFrame.time_since_epoch().count()));
  can.Entry<decltype(::CloseCard)>("CloseCard")(card);
  _exit(0);
}

// Bytes per second through a pseudo-terminal, written frame by frame.
double RawPtyBytesPerSecond() {
  platform::PseudoTerminal pty;
  if (!pty.Open()) VrkCan::Fail("no pseudo-terminal");
  const int slave = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
  termios raw{};
  tcgetattr(slave, &raw);
  cfmakeraw(&raw);
  tcsetattr(slave, TCSANOW, &raw);
  constexpr std::size_t kTotal = 32 << 20;
  std::atomic<std::size_t> got{0};
  std::thread reader([&] {
    std::vector<char> buffer(65536);
    while (got < kTotal) {
      const ssize_t n = read(slave, buffer.data(), buffer.size());
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
  });
  const char frame[kHostFrameBytes] = {0x02};
  const auto start = Clock::now();
  for (std::size_t sent = 0; sent < kTotal; sent += kHostFrameBytes) {
    std::size_t written = 0;
    if (!pty.Write(frame, sizeof frame, &written)) break;
  }
  reader.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  close(slave);
  return static_cast<double>(got) / seconds;
}

}  // namespace

int main() {
  int toChild[2], fromChild[2];
  if (pipe(toChild) != 0 || pipe(fromChild) != 0) return 1;
  // Fork before this process starts any thread.
  const pid_t child = fork();
  if (child == 0) {
    close(toChild[1]);
    close(fromChild[0]);
    RunReceiver(toChild[0], fromChild[1]);
  }
  close(toChild[0]);
  close(fromChild[1]);

  const double rawBytesPerSecond = RawPtyBytesPerSecond();

  sim::CanBus bus;
  sim::Qx240Adapter sending, receiving;
  if (!sending.Start() || !receiving.Start()) VrkCan::Fail("the adapters did not start");
  sending.AttachToBus(bus, "sender");
  receiving.AttachToBus(bus, "receiver");
  WriteLine(toChild[1], receiving.SlavePath());
  setenv("FLASHWRIGHT_COM1", sending.SlavePath().c_str(), 1);

  VrkCan can;
  const std::int32_t card = can.OpenOnlineCard();
  auto* writeBuffered = can.Entry<decltype(::CAN_Write_Buffered)>("CAN_Write_Buffered");
  if (ReadLine(fromChild[0]) != "ready") VrkCan::Fail("the receiving card did not open");

  const std::uint64_t onBusBefore = sending.State().framesToBus;
  const auto start = Clock::now();
  for (std::uint32_t i = 0; i < kFrames; ++i) {
    while (i % 8 == 0 && i - (sending.State().framesToBus - onBusBefore) > kWindow) {
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    CanMessage frame{};
    frame.Id = 0x100 + i % 0x400;
    frame.Length = 8;
    for (std::uint8_t b = 0; b < 8; ++b) frame.Data[b] = static_cast<std::uint8_t>(i + b);
    writeBuffered(card, &frame);
  }
  std::uint32_t received = 0;
  long long lastFrameTicks = 0;
  std::sscanf(ReadLine(fromChild[0]).c_str(), "%u %lld", &received, &lastFrameTicks);
  const Clock::time_point lastFrame{Clock::duration{lastFrameTicks}};
  const double seconds = std::chrono::duration<double>(lastFrame - start).count();
  waitpid(child, nullptr, 0);
  can.Entry<decltype(::CloseCard)>("CloseCard")(card);

  const double framesPerSecond = received / seconds;
  const double rawFramesPerSecond = rawBytesPerSecond / kHostFrameBytes;
  std::printf("raw pty: %.1f MB/s = %.0f frame-sized writes/s\n", rawBytesPerSecond / 1e6,
              rawFramesPerSecond);
  std::printf("loopback: %u of %u frames in %.3f s = %.0f frames/s\n", received, kFrames, seconds,
              framesPerSecond);
  if (received != kFrames) {
    // Tells frames the bench never delivered from frames the host stack lost.
    std::printf("lost: %u frames; the receiving adapter wrote %llu to its host\n",
                kFrames - received,
                static_cast<unsigned long long>(receiving.State().framesToHost));
  }
  std::printf("ratio loopback / raw pty: %.4f\n", framesPerSecond / rawFramesPerSecond);
  return received == kFrames ? 0 : 2;
}
