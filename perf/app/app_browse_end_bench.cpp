// The wait between the user's double click on a node and the sector download
// window. Before the window opens, the main window ends the browse period:
// the DeviceNet downloader's StopBrowse takes every MAC ID that holds no node
// off the scanlist again. Nothing else on that way touches the network.
//
// The downloader goes online with three nodes and browses through the bench's
// SST scanner card (itself the master), and, as the baseline in the same run,
// through an SST CAN2A card under the stack's own master. Each ends the browse
// period a few times, each time a second after it began (as a user picks a
// node while the master still looks for others), and the median of the
// process time of StopBrowse is printed, with the scanner's ratio to the
// baseline.
//
//   app_browse_end_bench [--all-cpus]   (target: the scanner within 0.1 s)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Class_fw_dnld_dnet.h"
#include "perf/benchenvironment.h"
#include "platform/clock.h"
#include "sim/devicenet/devicenetslave.h"
#include "tests/app/apptestsupport.h"

namespace {

constexpr std::uint32_t kBitRate = 125'000;
constexpr std::uint8_t kNodes[] = {5, 9, 12};
constexpr int kRounds = 5;
constexpr std::uint32_t kBrowsingMs = 1000;  // from the start of a browse period to the double click

struct Failure {
  std::string why;
};

// The median process time, in seconds, of ending the browse period through
// the interface kind.
double BrowseEnd(perf::InterfaceKind kind, const char* name) {
  sim::CanBus bus(sim::BusOptions{.bitRate = kBitRate});
  perf::AdapterLink link(bus, false, kind);
  benchtest::RedirectedRegistry registry;
  apptest::ScriptedPrompt prompts;  // answers the program's questions with Yes
  std::vector<std::unique_ptr<sim::DeviceNetSlave>> slaves;
  for (std::uint8_t mac : kNodes) {
    sim::DeviceNetSlaveConfig config;
    config.mac = mac;
    slaves.push_back(std::make_unique<sim::DeviceNetSlave>(bus, config));
  }
  TDNet_Downloader downloader;
  downloader.Binding().Interface() = link.Interface();
  downloader.Binding().Network().MacId = 0;
  downloader.Binding().Network().BaudRate = kBitRate;
  if (downloader.GoOnline() == 0) throw Failure{std::string(name) + ": could not go online"};
  const auto poller = std::make_unique<apptest::NodePoller>(downloader);
  const bool found = apptest::Eventually([&] {
    return std::all_of(std::begin(kNodes), std::end(kNodes), [&](std::uint8_t mac) { return downloader.PresentWord(mac) != 0; });
  });
  if (!found) throw Failure{std::string(name) + ": the nodes did not come online"};

  std::vector<double> seconds;
  for (int round = 0; round < kRounds; ++round) {
    if (round > 0) downloader.StartBrowse();
    platform::Sleep(kBrowsingMs);
    const std::chrono::nanoseconds start = platform::ProcessTime();
    if (downloader.StopBrowse() == 0) throw Failure{std::string(name) + ": the browse period did not end"};
    seconds.push_back(std::chrono::duration<double>(platform::ProcessTime() - start).count());
  }
  downloader.GoOffline();
  std::sort(seconds.begin(), seconds.end());
  const double median = seconds[seconds.size() / 2];
  std::printf("%s: ending the browse period takes %.3f s (median of %d, %.3f to %.3f s)\n", name, median, kRounds,
              seconds.front(), seconds.back());
  return median;
}

}  // namespace

int main(int argc, char** argv) {
  const perf::BenchSettings settings = perf::BenchSettings::Parse(argc, argv);
  settings.Apply();
  try {
    const double baseline = BrowseEnd(perf::InterfaceKind::kSst, "SST CAN2A card (baseline)");
    const double scanner = BrowseEnd(perf::InterfaceKind::kDnscan, "SST scanner card");
    std::printf("scanner against baseline: %.3f s more, ratio %.1fx (target: within 0.1 s)\n", scanner - baseline,
                scanner / std::max(baseline, 1e-6));
  } catch (const Failure& failure) {
    std::fprintf(stderr, "%s\n", failure.why.c_str());
    return 1;
  }
  return 0;
}
