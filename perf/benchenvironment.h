#pragma once
// What the download benchmarks share besides their timing: the command line,
// the processor they run on, the link to the bench's QX240 adapter, and the
// processor time of the program under test apart from the bench's own.
//
//   <benchmark> [--usb] [--all-cpus]
//     --usb        the adapter on USB instead of the serial port COM1
//     --all-cpus   let the threads spread over every processor
// and, where a benchmark offers it,
//     --interface qx240|kfd|sst|ixxat|dnscan
//                  the QX240 adapter (the default), the 1770-KFD module on
//                  COM1, or a card of the bench's SST CAN2A, IXXAT VCI or SST
//                  scanner library
//
// By default a benchmark keeps all its threads on one processor. On a virtual
// machine, waking a thread whose virtual processor has halted costs tens of
// microseconds, and a frame's way from the bus through the stack and back
// hands over between threads five or six times: spread over idle processors,
// those wake-ups outweigh the stack's own work. On one processor each hand-off
// stays where the work runs. --all-cpus shows the figures with those costs.
#include <dirent.h>
#include <sched.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>

#include "config/interfaceconfiguration.h"
#include "sim/benchthread.h"
#include "platform/module.h"
#include "sim/canbus.h"
#include "sim/canbusendpoint.h"
#include "sim/canbuswire.h"
#include "sim/kfd/kfdmodule.h"
#include "sim/qx240/qx240adapter.h"
#include "sim/qx240/qx240usbadapter.h"
#include "tests/support/scratch.h"

namespace perf {

// The interface kinds a benchmark may go through.
enum class InterfaceKind { kQx240, kKfd, kSst, kIxxat, kDnscan };

struct InterfaceKindName {
  InterfaceKind kind;
  const char* option;  // as given after --interface
  const char* link;    // as printed
};
inline constexpr InterfaceKindName kInterfaceKinds[] = {
    {InterfaceKind::kQx240, "qx240", "COM1"},
    {InterfaceKind::kKfd, "kfd", "1770-KFD on COM1"},
    {InterfaceKind::kSst, "sst", "SST CAN2A card"},
    {InterfaceKind::kIxxat, "ixxat", "IXXAT VCI board"},
    {InterfaceKind::kDnscan, "dnscan", "SST scanner card"},
};

inline std::optional<InterfaceKind> InterfaceKindOf(const std::string& option) {
  for (const InterfaceKindName& name : kInterfaceKinds) {
    if (option == name.option) return name.kind;
  }
  return std::nullopt;
}

struct BenchSettings {
  bool usb = false;
  InterfaceKind interface = InterfaceKind::kQx240;
  bool allCpus = false;
  std::string rest;  // the first argument that is not an option, if any

  static BenchSettings Parse(int argc, char** argv, bool interfaceOption = false) {
    BenchSettings settings;
    for (int i = 1; i < argc; ++i) {
      const std::string argument = argv[i];
      if (argument == "--usb") {
        settings.usb = true;
      } else if (argument == "--all-cpus") {
        settings.allCpus = true;
      } else if (interfaceOption && argument == "--interface" && i + 1 < argc && InterfaceKindOf(argv[i + 1])) {
        settings.interface = *InterfaceKindOf(argv[++i]);
      } else if (settings.rest.empty() && argument.rfind("--", 0) != 0) {
        settings.rest = argument;
      } else {
        std::fprintf(stderr, "unknown argument %s (options: --usb, --all-cpus%s)\n", argument.c_str(),
                     interfaceOption ? ", --interface qx240|kfd|sst|ixxat|dnscan" : "");
        std::exit(2);
      }
    }
    if (settings.usb && settings.interface != InterfaceKind::kQx240) {
      std::fprintf(stderr, "--usb is the QX240 adapter's: it goes with no other --interface\n");
      std::exit(2);
    }
    return settings;
  }

  // Call before any thread starts: threads take their creator's processors.
  void Apply() const {
    if (allCpus) {
      std::printf("threads on every processor, link %s\n", LinkName());
      return;
    }
    const int cpu = sched_getcpu();
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    if (cpu < 0 || sched_setaffinity(0, sizeof one, &one) != 0) {
      std::fprintf(stderr, "could not keep the threads on one processor: %s\n", std::strerror(errno));
      std::exit(1);
    }
    std::printf("threads on processor %d (--all-cpus to spread them), link %s\n", cpu, LinkName());
  }

  const char* LinkName() const {
    if (usb) return "USB";
    for (const InterfaceKindName& name : kInterfaceKinds) {
      if (name.kind == interface) return name.link;
    }
    return "";
  }
};

// The bench's QX240 adapter on the bus, on COM1 (a pseudo-terminal) or on USB
// (the provider's folder of this process's own), its 1770-KFD module on COM1,
// or the bus offered to the bench's vendor libraries (found through the
// library path), and the interface record that reaches it.
//
// The 1770-KFD module's line is paced at its bit rate: the line is the bound
// of what goes through it, so a ratio to the line's byte time means
// something only when the bytes take that time. The QX240 adapter's line is
// not: the bus is the bound there, and a 16-byte frame at 57600 Bd takes
// twelve times the bus time of the frame it carries.
class AdapterLink {
 public:
  AdapterLink(sim::CanBus& bus, bool usb, InterfaceKind kind = InterfaceKind::kQx240) : kind_(kind) {
    if (kind == InterfaceKind::kKfd) {
      kfdModule_.emplace(sim::KfdFaults{}, /*pacedLine=*/true);
      if (!kfdModule_->Start()) Fail("the module could not open a pseudo-terminal");
      kfdModule_->AttachToBus(bus);
      comPortVariable_.emplace("FLASHWRIGHT_COM1", kfdModule_->SlavePath());
    } else if (kind != InterfaceKind::kQx240) {
      busEndpoint_.emplace(bus);
      if (!busEndpoint_->Start()) Fail("the bus could not be offered to the vendor libraries");
      busVariable_.emplace(sim::buswire::kEndpointVariable, busEndpoint_->SocketPath());
      libraryPathVariable_.emplace("FLASHWRIGHT_LIBRARY_PATH", platform::ProgramDirectory() + "/bench-libraries");
    } else if (usb) {
      usbFolder_.emplace("flashwright-bench-usb");
      usbFolderVariable_.emplace("FLASHWRIGHT_USB_DIR", usbFolder_->Path().string());
      usbAdapter_.emplace();
      if (!usbAdapter_->Start()) Fail("the USB adapter could not be made present");
      usbAdapter_->AttachToBus(bus);
    } else {
      serialAdapter_.emplace();
      if (!serialAdapter_->Start()) Fail("the adapter could not open a pseudo-terminal");
      serialAdapter_->AttachToBus(bus);
      comPortVariable_.emplace("FLASHWRIGHT_COM1", serialAdapter_->SlavePath());
    }
  }

  AdapterLink(const AdapterLink&) = delete;
  AdapterLink& operator=(const AdapterLink&) = delete;

  // The adapter's name on the bus: the sender of every frame the program sends.
  const char* PeerName() const {
    return kfdModule_ ? "kfd" : busEndpoint_ ? "endpoint" : usbAdapter_ ? "qx240-usb" : "qx240";
  }

  // The 1770-KFD module, when the link goes through it.
  const sim::KfdModule* Kfd() const { return kfdModule_ ? &*kfdModule_ : nullptr; }

  InterfaceConfiguration Interface() const {
    InterfaceConfiguration record{};
    switch (kind_) {
      case InterfaceKind::kKfd: record.InterfaceType = CAN_INTERFACE_AB_KFD; break;
      case InterfaceKind::kSst:
        record.InterfaceType = CAN_INTERFACE_SST_CAN2A;
        std::strcpy(record.AccessPoint, "CAN2A-1");
        return record;
      case InterfaceKind::kIxxat: record.InterfaceType = CAN_INTERFACE_IXXAT_VCI; return record;  // board 0
      case InterfaceKind::kDnscan:
        record.InterfaceType = DNET_INTERFACE_SST_DNSCAN;
        std::strcpy(record.AccessPoint, "DNSCAN-1");
        return record;
      case InterfaceKind::kQx240: record.InterfaceType = CAN_INTERFACE_QX240; break;
    }
    if (usbAdapter_) {
      std::strcpy(record.AccessPoint, "1");  // the first adapter present
    } else {
      record.ComPort = 1;
      record.ComBaud = 57600;
    }
    return record;
  }

 private:
  [[noreturn]] static void Fail(const char* why) {
    std::fprintf(stderr, "%s\n", why);
    std::exit(1);
  }

  InterfaceKind kind_;
  // The folder outlives the adapter that serves in it.
  std::optional<benchtest::TempDir> usbFolder_;
  std::optional<benchtest::ScopedEnv> usbFolderVariable_, comPortVariable_, busVariable_, libraryPathVariable_;
  std::optional<sim::Qx240Adapter> serialAdapter_;
  std::optional<sim::Qx240UsbAdapter> usbAdapter_;
  std::optional<sim::KfdModule> kfdModule_;
  std::optional<sim::CanBusEndpoint> busEndpoint_;
};

// Per-thread figures from the scheduler's records, split between the bench's
// own threads (named sim-...) and the program's: the bench's processor time,
// and how often the program's threads went to sleep (each sleep is one
// wake-up later).
struct ThreadTotals {
  std::chrono::nanoseconds benchCpu{0};
  std::uint64_t programSleeps = 0;

  static ThreadTotals Now() {
    ThreadTotals totals;
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return totals;
    while (const dirent* entry = readdir(tasks)) {
      if (entry->d_name[0] == '.') continue;
      const std::string task = std::string("/proc/self/task/") + entry->d_name;
      std::string name;
      std::getline(std::ifstream(task + "/comm"), name);
      if (name.rfind(sim::kBenchThreadPrefix, 0) == 0) {
        long long onCpuNs = 0;
        if (std::ifstream(task + "/schedstat") >> onCpuNs) totals.benchCpu += std::chrono::nanoseconds(onCpuNs);
      } else {
        totals.programSleeps += VoluntarySwitches(task);
      }
    }
    closedir(tasks);
    return totals;
  }

 private:
  static std::uint64_t VoluntarySwitches(const std::string& task) {
    std::ifstream status(task + "/status");
    const std::string key = "voluntary_ctxt_switches:";
    for (std::string line; std::getline(status, line);) {
      if (line.rfind(key, 0) == 0) return std::stoull(line.substr(key.size()));
    }
    return 0;
  }
};

}  // namespace perf
