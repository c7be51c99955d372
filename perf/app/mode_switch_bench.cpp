// How long a user waits from "Upgrade Firmware" to the first memory write on
// the bus, for a DeviceNet node started in its application, against the waits
// the program and the master are bound to on that way:
//   - the 1000 ms the downloader waits after the node's Reset;
//   - the node's restart (its Reset answered, off the bus, the two duplicate
//     MAC ID checks one second apart, online again), measured on the bus;
//   - the two UCMM open requests of the connection allocation, 1000 ms each,
//     that a node without UCMM (as the bench's nodes are) leaves unanswered
//     before the master allocates through the Group 2 Only port; they may run
//     while the node restarts;
//   - the downloader's checks for the node's return, 1000 ms apart from its
//     return to the scanlist: the node counts as back at the first check
//     after the later of the two above;
//   - the two sector erases of the standard update, 2500 ms each;
//   - the bus time of the frames of the node's exchanges outside the switch.
// The steps run as the sector download window runs them (TSectorDownload),
// with every question answered Yes, at real speed, against one simulated node
// on the bench's bus at 125 kbit/s (paced) through the QX240 adapter on COM1.
// Each round prints its times relative to the node's Reset answer: when the
// master reported the node gone and back, when the node was online again.
//
//   mode_switch_bench [--usb] [--all-cpus] [rounds]   (default 3 rounds)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/Class_fw_dnld_dnet.h"
#include "app/Thread_download_file.h"
#include "app/sectordownload.h"
#include "perf/benchenvironment.h"
#include "platform/clock.h"
#include "sim/bittiming.h"
#include "sim/devicenet/devicenetslave.h"
#include "tests/app/apptestsupport.h"
#include "tests/platform/scoped_time_scale.h"
#include "tests/support/scratch.h"

namespace {

constexpr std::uint32_t kBitRate = 125'000;
constexpr std::uint8_t kNode = 5;
constexpr std::uint32_t kPassword = 0x1234ABCD;
constexpr const char* kPasswordText = "1234ABCD";
constexpr double kAfterResetMs = 1000;
constexpr double kNodeCheckMs = 1000;
constexpr double kUcmmOpensMs = 2 * 1000;
constexpr double kEraseWaitsMs = 2 * 2500;
// Between rounds the node restarts into its new firmware and is found again:
// not measured, so the clock runs faster through it.
constexpr double kSetupTimeScale = 4;

constexpr std::uint32_t kRequestId = 0x400 + kNode * 8 + 4;
constexpr std::uint32_t kResponseId = 0x400 + kNode * 8 + 3;
constexpr std::uint32_t kNodeCheckId = 0x400 + kNode * 8 + 7;
constexpr std::uint8_t kResetAnswer = 0x85;

struct Failure {
  std::string why;
};

[[noreturn]] void Fail(const std::string& why) { throw Failure{why}; }

// The steps of the sector download window without the window: the open
// dialog answers with the file, the passes run on the calling thread.
class BenchView : public TSectorDownloadView {
 public:
  explicit BenchView(std::string file) : file_(std::move(file)) {}
  bool ChooseHexFile(std::string& path) override {
    path = file_;
    return true;
  }
  TDownloadVerdict RunDownload(const TDownloadJob& job) override {
    TDownloadPasses passes(job, nullptr);
    passes.Execute();
    return passes.Verdict();
  }

 private:
  std::string file_;
};

// The downloader with the end of its mode switch noted.
class TimedDownloader : public TDNet_Downloader {
 public:
  int SetDownloadMode(int on, std::uint32_t password) override {
    const int result = TDNet_Downloader::SetDownloadMode(on, password);
    switchedUs = platform::NowMicroseconds();
    return result;
  }
  std::uint64_t switchedUs = 0;
};

// Asks the master every 5 ms whether it holds the node online, and notes
// when the answer changes.
class OnlineSampler {
 public:
  explicit OnlineSampler(TDNet_Downloader& downloader)
      : thread_([this, &downloader] {
          int last = 1;
          while (!stop_.load()) {
            int online = 0;
            if (downloader.Binding().NodeOnline(kNode, &online) != 0 && (online != 0) != (last != 0)) {
              last = online;
              (online != 0 ? backUs_ : goneUs_).store(platform::NowMicroseconds());
            }
            platform::Sleep(5);
          }
        }) {}
  ~OnlineSampler() {
    stop_.store(true);
    thread_.join();
  }
  std::uint64_t GoneUs() const { return goneUs_.load(); }
  std::uint64_t BackUs() const { return backUs_.load(); }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> goneUs_{0}, backUs_{0};
  std::thread thread_;
};

struct Bench {
  explicit Bench(bool usb) : bus(Options()), link(bus, usb) {}
  static sim::BusOptions Options() {
    sim::BusOptions options;
    options.bitRate = kBitRate;
    options.pacing = true;
    options.logCapacity = 1 << 20;
    return options;
  }

  sim::CanBus bus;
  perf::AdapterLink link;
  benchtest::RedirectedRegistry registry;
  apptest::ScriptedPrompt prompts;  // every question answered Yes
  apptest::TempDir dir{"flashwright-perf"};
};

// What the bus shows of one round.
struct Timeline {
  std::uint64_t resetUs = 0;       // the node answered its Reset
  std::uint64_t nodeOnlineUs = 0;  // its second check after that, plus the check's second
  std::uint64_t firstWriteUs = 0;  // the first fragment of the first memory write
  double framesOutsideSwitchMs = 0;
};

bool IsFirstMemoryWrite(const sim::CanFrame& frame) {
  // First fragment of Set_Attribute_Single to class 0xC7 instance 1 attribute 3, command 2.
  return frame.id == kRequestId && frame.dlc == 8 && (frame.data[0] & 0x80) != 0 && frame.data[1] == 0x00 &&
         frame.data[2] == 0x10 && frame.data[3] == 0xC7 && frame.data[4] == 0x01 && frame.data[5] == 0x03 &&
         frame.data[6] == 0x02;
}

Timeline ReadTimeline(const std::vector<sim::LogEntry>& entries, std::uint64_t startUs, std::uint64_t switchedUs) {
  Timeline timeline;
  int checks = 0;
  for (const sim::LogEntry& entry : entries) {
    const sim::BusFrame& carried = entry.carried;
    if (entry.fate != sim::FrameFate::Carried || carried.timeUs < startUs) continue;
    const sim::CanFrame& frame = carried.frame;
    if (timeline.resetUs == 0 && frame.id == kResponseId && frame.dlc >= 2 && frame.data[1] == kResetAnswer) {
      timeline.resetUs = carried.timeUs;
    } else if (timeline.resetUs != 0 && frame.id == kNodeCheckId && (frame.data[0] & 0x80) == 0 && ++checks == 2) {
      timeline.nodeOnlineUs = carried.timeUs + static_cast<std::uint64_t>(kNodeCheckMs * 1000);
    } else if (IsFirstMemoryWrite(frame)) {
      timeline.firstWriteUs = carried.timeUs;
      break;
    }
    const bool exchange = frame.id == kRequestId || frame.id == kResponseId;
    const bool inSwitch = timeline.resetUs != 0 && carried.timeUs < switchedUs;
    if (exchange && !inSwitch) {
      timeline.framesOutsideSwitchMs +=
          std::chrono::duration<double, std::milli>(sim::FrameDuration(frame, kBitRate)).count();
    }
  }
  return timeline;
}

double Ms(std::uint64_t fromUs, std::uint64_t toUs) {
  return (static_cast<double>(toUs) - static_cast<double>(fromUs)) / 1000.0;
}

// The earliest the downloader can see the node back, from the Reset answer:
// its return to the scanlist after the 1000 ms wait, then whole checks until
// the node is online and allocated.
double SwitchFloorMs(double restartMs) {
  const double fromScanlist = std::max(restartMs - kAfterResetMs, kUcmmOpensMs);
  return kAfterResetMs + kNodeCheckMs * (std::floor(fromScanlist / kNodeCheckMs) + 1);
}

// One "Upgrade Firmware" to its end; the ratio of the way to the first write.
double RunRound(Bench& bench, sim::DeviceNetSlave& slave, TimedDownloader& downloader, const std::string& hexFile,
                int round) {
  {
    ScopedTimeScale fast(kSetupTimeScale);
    const bool ready = apptest::Eventually([&] {
      int inDownloadMode = 1;
      return slave.NetworkState() == sim::DeviceNetSlave::State::Online && downloader.PresentWord(kNode) != 0 &&
             downloader.GetDownloadMode(&inDownloadMode) == 1 && inDownloadMode == 0;
    });
    if (!ready) Fail("the node is not present in its application");
  }
  bench.bus.WaitIdle(std::chrono::seconds(10));
  bench.bus.Log().Clear();
  BenchView view(hexFile);
  TSectorDownload steps(view);
  steps.SetDownloader(&downloader);
  OnlineSampler sampler(downloader);
  const std::uint64_t startUs = platform::NowMicroseconds();
  if (!steps.StandardUpdate(kPasswordText)) Fail("the update did not end in the new firmware's start");
  const Timeline t = ReadTimeline(bench.bus.Log().Entries(), startUs, downloader.switchedUs);
  if (t.resetUs == 0 || t.nodeOnlineUs == 0 || t.firstWriteUs == 0) Fail("the bus log lacks the reset, restart or write");

  const double restartMs = Ms(t.resetUs, t.nodeOnlineUs);
  const double switchMs = Ms(t.resetUs, downloader.switchedUs);
  const double switchFloorMs = SwitchFloorMs(restartMs);
  const double wayMs = Ms(startUs, t.firstWriteUs);
  const double boundMs = switchFloorMs + kEraseWaitsMs + t.framesOutsideSwitchMs;
  const auto since = [&](std::uint64_t us) { return us != 0 ? Ms(t.resetUs, us) : -1.0; };
  std::printf("round %d: from the Reset answer: node online again %.0f ms; master reported it gone %.0f ms, back "
              "%.0f ms; download mode seen %.0f ms (floor %.0f ms)\n",
              round, restartMs, since(sampler.GoneUs()), since(sampler.BackUs()), switchMs, switchFloorMs);
  std::printf("  \"Upgrade Firmware\" to the first write %.0f ms, bound %.0f ms (%.0f switch floor + %.0f erase waits "
              "+ %.0f bus time of the exchanges): ratio %.2f\n",
              wayMs, boundMs, switchFloorMs, kEraseWaitsMs, t.framesOutsideSwitchMs, wayMs / boundMs);
  return wayMs / boundMs;
}

void Run(const perf::BenchSettings& settings, int rounds) {
  Bench bench(settings.usb);
  sim::DeviceNetSlaveConfig config;
  config.mac = kNode;
  config.password = kPassword;
  sim::DeviceNetSlave slave(bench.bus, config);
  TimedDownloader downloader;
  downloader.Binding().Interface() = bench.link.Interface();
  downloader.Binding().Network().MacId = 0;
  downloader.Binding().Network().BaudRate = kBitRate;
  const std::string hexFile = bench.dir.File("image.hex");
  apptest::WriteHexFile(hexFile, apptest::Image(256));

  std::unique_ptr<apptest::NodePoller> poller;
  {
    ScopedTimeScale fast(kSetupTimeScale);
    poller = apptest::OnlineWithNode(downloader, kNode);
  }
  if (downloader.PresentWord(kNode) == 0) Fail("the node did not come online");
  std::vector<double> ratios;
  for (int round = 1; round <= rounds; ++round) ratios.push_back(RunRound(bench, slave, downloader, hexFile, round));
  poller.reset();
  downloader.GoOffline();
  std::sort(ratios.begin(), ratios.end());
  std::printf("median ratio %.2f over %d rounds (1.00: no wait beyond those bound)\n", ratios[ratios.size() / 2],
              rounds);
}

}  // namespace

int main(int argc, char** argv) {
  const perf::BenchSettings settings = perf::BenchSettings::Parse(argc, argv);
  const int rounds = settings.rest.empty() ? 3 : std::max(1, std::atoi(settings.rest.c_str()));
  settings.Apply();
  try {
    Run(settings, rounds);
  } catch (const Failure& failure) {
    std::fprintf(stderr, "%s\n", failure.why.c_str());
    return 1;
  }
  return 0;
}
