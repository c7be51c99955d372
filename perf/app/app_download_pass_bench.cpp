// How close the program's download pass comes to the bus itself, and what it
// costs the processor meanwhile. The downloaders (DeviceNet and CANopen) go
// online against one simulated node on the bench's bus paced at 500 kbit/s,
// put it into download mode and erase the sector, as the program does; then
// TDownloadPasses writes a 192 KiB HEX image, a whole sector, through WriteMemory. Measured
// from the first WriteMemory to the end of the last:
//   - wall time over the bus time of exactly the frames the pass needed
//     (the node's request and response identifiers, from the bus's record);
//   - the program's processor time over that wall time, as % of one core:
//     the process's time less that of the bench's own threads (bus, adapter,
//     node), which share the process;
//   - how often the program's threads woke, per frame the program received
//     (a count that does not depend on the machine, unlike the time a
//     wake-up costs).
//
//   app_download_pass_bench [dnet|copn] [--usb] [--all-cpus]
//                  (targets: ratio 1.3 or better, 3.5 wake-ups per received frame at most)
#include <time.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "app/Class_fw_dnld_copn.h"
#include "app/Class_fw_dnld_dnet.h"
#include "app/Class_intelhexfile.h"
#include "app/Thread_download_file.h"
#include "perf/benchenvironment.h"
#include "perf/exchangetiming.h"
#include "platform/clock.h"
#include "sim/canopen/canopenslave.h"
#include "sim/devicenet/devicenetslave.h"
#include "tests/app/apptestsupport.h"
#include "tests/platform/scoped_time_scale.h"
#include "tests/support/qx240bench.h"

namespace {

constexpr std::uint32_t kBitRate = 500'000;
constexpr std::uint8_t kNode = 5;
constexpr std::uint8_t kSector = 2;
// The whole sector (the nodes report its size as 0x2FFFF, its last offset).
constexpr std::size_t kImageBytes = 0x30000;
constexpr std::size_t kRecordBytes = 32;
constexpr std::uint32_t kPassword = 0x1234ABCD;
// Going online and entering download mode hold fixed waits that are not
// measured; the clock runs faster through them and at real speed for the pass.
constexpr double kSetupTimeScale = 4;

// Thrown on a failed step; the bench is torn down before the program ends.
struct Failure {
  std::string why;
};

[[noreturn]] void Fail(const std::string& why) {
  char code[32];
  std::snprintf(code, sizeof code, " (last error 0x%X)", platform::GetLastError());
  throw Failure{why + code};
}

std::chrono::nanoseconds CpuTime(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

struct PassSpan {
  std::uint64_t firstUs = 0, lastUs = 0;
  std::chrono::nanoseconds processCpuFirst{}, processCpuLast{};
  perf::ThreadTotals threadsFirst, threadsLast;
  std::chrono::nanoseconds threadCpuFirst{}, threadCpuLast{};
  std::size_t writes = 0;

  void Begin() {
    threadsFirst = perf::ThreadTotals::Now();
    processCpuFirst = CpuTime(CLOCK_PROCESS_CPUTIME_ID);
    threadCpuFirst = CpuTime(CLOCK_THREAD_CPUTIME_ID);
    firstUs = platform::NowMicroseconds();
  }
  void End(bool last) {
    lastUs = platform::NowMicroseconds();
    processCpuLast = CpuTime(CLOCK_PROCESS_CPUTIME_ID);
    threadCpuLast = CpuTime(CLOCK_THREAD_CPUTIME_ID);
    if (last) threadsLast = perf::ThreadTotals::Now();  // reading it costs: once, at the end
  }
};

// The downloader with the span of its WriteMemory calls noted: from the start
// of the first to the end of the last, the one that reaches the image's end.
template <typename Downloader>
class TimedDownloader : public Downloader {
 public:
  int WriteMemory(std::uint8_t sector, std::uint32_t address, std::uint16_t length,
                  const std::uint8_t* data) override {
    if (span.writes++ == 0) span.Begin();
    const int result = Downloader::WriteMemory(sector, address, length, data);
    span.End(address + length >= kImageBytes);
    return result;
  }

  PassSpan span;
};

// The bench: the paced bus, a probe noting deliveries, and the QX240 adapter
// on COM1 or USB; the registry in a folder of its own.
struct Bench {
  explicit Bench(bool usb) : bus(Options()), probe(bus), link(bus, usb) {}
  static sim::BusOptions Options() {
    sim::BusOptions options;
    options.bitRate = kBitRate;
    options.pacing = true;
    options.logCapacity = 1 << 21;
    return options;
  }

  sim::CanBus bus;
  perf::DeliveryProbe probe;
  perf::AdapterLink link;
  benchtest::RedirectedRegistry registry;
  apptest::ScriptedPrompt prompts;  // answers the program's questions with Yes
  apptest::TempDir dir{"flashwright-perf"};
};

struct Network {
  const char* name;
  std::uint32_t requestId, responseId;
};

// Online, download mode, erased; then the passes, with the figures printed.
template <typename Downloader, typename Slave>
void RunPass(Bench& bench, Slave& slave, TimedDownloader<Downloader>& downloader, const Network& network) {
  std::unique_ptr<apptest::NodePoller> poller;
  {
    ScopedTimeScale fast(kSetupTimeScale);
    poller = apptest::OnlineWithNode(downloader, kNode);
    if (downloader.PresentWord(kNode) == 0) Fail(std::string(network.name) + ": the node did not come online");
    if (downloader.SetDownloadMode(1, kPassword) == 0) Fail("download mode refused");
    const bool ready = apptest::Eventually([&] {
      int inDownloadMode = 0;
      return downloader.PresentWord(kNode) != 0 && downloader.GetDownloadMode(&inDownloadMode) == 1 &&
             inDownloadMode == 1;
    });
    if (!ready) Fail("the node did not come back in download mode");
    if (downloader.EraseSector(kSector) == 0) Fail("the erase failed");
  }

  const std::vector<std::uint8_t> image = apptest::Image(kImageBytes);
  const std::string path = bench.dir.File(std::string(network.name) + ".hex");
  apptest::WriteHexFile(path, image, kRecordBytes);
  TIntelHexFile reader;
  if (reader.Open(path) == 0) Fail("the HEX file could not be opened");

  bench.bus.WaitIdle(std::chrono::seconds(10));
  bench.bus.Log().Clear();
  bench.probe.Clear();
  TDownloadPasses passes(TDownloadJob{&reader, kSector, &downloader}, nullptr);
  passes.Execute();
  if (!passes.DownloadPassed()) {
    Fail(std::string(network.name) + ": the download pass failed after " + std::to_string(downloader.span.writes) +
         " writes");
  }
  bench.bus.WaitIdle(std::chrono::seconds(10));
  poller.reset();

  // Only the frames up to the end of the last write: the verify pass follows.
  std::vector<sim::LogEntry> entries = bench.bus.Log().Entries();
  std::size_t otherFrames = 0, receivedFrames = 0;
  std::erase_if(entries, [&](const sim::LogEntry& entry) {
    const bool late = entry.carried.timeUs > downloader.span.lastUs;
    const std::uint32_t id = entry.carried.frame.id;
    if (late || entry.fate != sim::FrameFate::Carried) return late;
    if (id != network.requestId && id != network.responseId) ++otherFrames;
    if (entry.carried.timeUs >= downloader.span.firstUs && entry.senderName != bench.link.PeerName()) {
      ++receivedFrames;
    }
    return false;
  });
  const perf::ExchangeTiming timing =
      perf::TimeExchanges(entries, bench.probe, network.requestId, network.responseId, kBitRate);
  downloader.GoOffline();

  const sim::FirmwareFlash flash = slave.Flash();
  const auto written = flash.Image(kSector);
  if (written.size() < image.size() || !std::equal(image.begin(), image.end(), written.begin())) {
    Fail(std::string(network.name) + ": the node's flash does not hold the image");
  }

  const PassSpan& span = downloader.span;
  const double wall = static_cast<double>(span.lastUs - span.firstUs) * 1e-6;
  const double bound = timing.BusSeconds();
  const double processCpu = std::chrono::duration<double>(span.processCpuLast - span.processCpuFirst).count();
  const double benchCpu =
      std::chrono::duration<double>(span.threadsLast.benchCpu - span.threadsFirst.benchCpu).count();
  const double wakeUps = static_cast<double>(span.threadsLast.programSleeps - span.threadsFirst.programSleeps);
  const double programCpu = processCpu - benchCpu;
  const double threadCpu = std::chrono::duration<double>(span.threadCpuLast - span.threadCpuFirst).count();
  std::printf("%s: %zu bytes in %zu WriteMemory calls (%zu-byte records, chunk %u)\n", network.name, kImageBytes,
              span.writes, kRecordBytes, downloader.ChunkSize());
  std::printf("  pass frames %zu (other frames meanwhile %zu), bus lower bound %.3f s\n", timing.Frames(),
              otherFrames, bound);
  std::printf("  pass wall time %.3f s, ratio %.2fx (target 1.30x or better)\n", wall, wall / bound);
  std::printf("  program CPU %.3f s = %.1f %% of one core, of it the download thread %.1f %%\n", programCpu,
              100.0 * programCpu / wall, 100.0 * threadCpu / wall);
  std::printf("  program threads woke %.0f times a second, %.2f times per received frame (%zu frames; target 3.5 at "
              "most), %.1f us of processor time per wake-up\n",
              wakeUps / wall, wakeUps / static_cast<double>(receivedFrames), receivedFrames,
              programCpu / wakeUps * 1e6);
  std::printf("  the bench's own threads %.3f s = %.1f %% of one core\n", benchCpu, 100.0 * benchCpu / wall);
  perf::PrintExchangeTiming(timing);
}

void DeviceNet(const perf::BenchSettings& settings) {
  Bench bench(settings.usb);
  sim::DeviceNetSlaveConfig config;
  config.mac = kNode;
  config.password = kPassword;
  sim::DeviceNetSlave slave(bench.bus, config);
  TimedDownloader<TDNet_Downloader> downloader;
  downloader.Binding().Interface() = bench.link.Interface();
  downloader.Binding().Network().MacId = 0;
  downloader.Binding().Network().BaudRate = kBitRate;
  RunPass(bench, slave, downloader, {"DeviceNet", kNode * 8u + 0x404u, kNode * 8u + 0x403u});
}

void Canopen(const perf::BenchSettings& settings) {
  Bench bench(settings.usb);
  sim::CanopenSlaveConfig config;
  config.node = kNode;
  config.password = kPassword;
  sim::CanopenSlave slave(bench.bus, config);
  TimedDownloader<TCOPN_Downloader> downloader;
  downloader.Binding().Interface() = bench.link.Interface();
  downloader.Binding().Network().NodeID = 1;
  downloader.Binding().Network().BaudRate = kBitRate;
  RunPass(bench, slave, downloader, {"CANopen", 0x600u + kNode, 0x580u + kNode});
}

}  // namespace

int main(int argc, char** argv) {
  const perf::BenchSettings settings = perf::BenchSettings::Parse(argc, argv);
  const std::string& only = settings.rest;
  settings.Apply();
  try {
    if (only.empty() || only == "dnet") DeviceNet(settings);
    if (only.empty() || only == "copn") Canopen(settings);
  } catch (const Failure& failure) {
    std::fprintf(stderr, "%s\n", failure.why.c_str());
    return 1;
  }
  return 0;
}
