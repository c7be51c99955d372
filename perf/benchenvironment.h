#pragma once
// What the download benchmarks share besides their timing: the command line,
// the processor they run on, the link to the bench's QX240 adapter, and the
// processor time of the program under test apart from the bench's own.
//
//   <benchmark> [--usb] [--all-cpus]
//     --usb        the adapter on USB instead of the serial port COM1
//     --all-cpus   let the threads spread over every processor
// and, where a benchmark offers it,
//     --interface qx240|kfd   the QX240 adapter (the default) or the 1770-KFD
//                             module on COM1
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
#include "sim/canbus.h"
#include "sim/kfd/kfdmodule.h"
#include "sim/qx240/qx240adapter.h"
#include "sim/qx240/qx240usbadapter.h"
#include "tests/support/scratch.h"

namespace perf {

struct BenchSettings {
  bool usb = false;
  bool kfd = false;
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
      } else if (interfaceOption && argument == "--interface" && i + 1 < argc &&
                 (argv[i + 1] == std::string("kfd") || argv[i + 1] == std::string("qx240"))) {
        settings.kfd = argv[++i] == std::string("kfd");
      } else if (settings.rest.empty() && argument.rfind("--", 0) != 0) {
        settings.rest = argument;
      } else {
        std::fprintf(stderr, "unknown argument %s (options: --usb, --all-cpus%s)\n", argument.c_str(),
                     interfaceOption ? ", --interface qx240|kfd" : "");
        std::exit(2);
      }
    }
    if (settings.kfd && settings.usb) {
      std::fprintf(stderr, "the 1770-KFD is on COM1 only: --usb does not go with --interface kfd\n");
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

  const char* LinkName() const { return kfd ? "1770-KFD on COM1" : usb ? "USB" : "COM1"; }
};

// The bench's QX240 adapter on the bus, on COM1 (a pseudo-terminal) or on USB
// (the provider's folder of this process's own), or its 1770-KFD module on
// COM1, and the interface record that reaches it.
class AdapterLink {
 public:
  AdapterLink(sim::CanBus& bus, bool usb, bool kfd = false) {
    if (kfd) {
      kfdModule_.emplace();
      if (!kfdModule_->Start()) Fail("the module could not open a pseudo-terminal");
      kfdModule_->AttachToBus(bus);
      comPortVariable_.emplace("FLASHWRIGHT_COM1", kfdModule_->SlavePath());
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
  const char* PeerName() const { return kfdModule_ ? "kfd" : usbAdapter_ ? "qx240-usb" : "qx240"; }

  // The 1770-KFD module, when the link goes through it.
  const sim::KfdModule* Kfd() const { return kfdModule_ ? &*kfdModule_ : nullptr; }

  InterfaceConfiguration Interface() const {
    InterfaceConfiguration record{};
    record.InterfaceType = kfdModule_ ? CAN_INTERFACE_AB_KFD : CAN_INTERFACE_QX240;
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

  // The folder outlives the adapter that serves in it.
  std::optional<benchtest::TempDir> usbFolder_;
  std::optional<benchtest::ScopedEnv> usbFolderVariable_, comPortVariable_;
  std::optional<sim::Qx240Adapter> serialAdapter_;
  std::optional<sim::Qx240UsbAdapter> usbAdapter_;
  std::optional<sim::KfdModule> kfdModule_;
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
