#pragma once
// The DeviceNet stack end to end, as the program reaches it: VRK_DNET loaded
// by name, over VRK_DNCN, VRK_CAN and qx240.so, through a pseudo-terminal to
// the bench's QX240 adapter, onto a virtual bus with simulated slaves. The
// clock runs fast; waits are in process time and generous.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "devicenet/vrk_dnet.h"
#include "platform/clock.h"
#include "platform/lasterror.h"
#include "platform/module.h"
#include "sim/canbus.h"
#include "sim/devicenet/devicenetslave.h"
#include "sim/qx240/qx240adapter.h"
#include "tests/platform/scoped_time_scale.h"

namespace dnettest {

using namespace std::chrono_literals;

inline constexpr double kTimeScale = 5;
inline constexpr std::uint8_t kMasterMac = 0;
inline constexpr std::uint8_t kFirmwareClass = 0xC7;

class DnetLibrary {
 public:
  explicit DnetLibrary(const char* name = "VRK_DNET.dll") : module_(platform::LoadLibrary(name)) {}
  bool Loaded() const { return module_ != nullptr; }
  template <typename Fn>
  Fn* Entry(const char* name) const {
    return platform::BindEntryPoint<Fn*>(module_, name);
  }

 private:
  platform::ModuleHandle module_;
};

// An entry point of VRK_DNET with the declared type of the DeviceNet API.
#define DNET(name) (library.Entry<decltype(::name)>(#name))

// Polls a condition until it holds or the process time runs out.
inline bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds patience = 60'000ms) {
  const std::uint64_t deadline = platform::GetTickCount() + static_cast<std::uint64_t>(patience.count());
  while (!done()) {
    if (platform::GetTickCount() > deadline) return false;
    platform::Sleep(10);
  }
  return true;
}

// The scanlist entry the downloader uses: 48-byte explicit messages, a node
// status request after 1 s idle, expected packet rate 2.5 s.
inline DnetScanlistEntry DownloaderEntry() {
  DnetScanlistEntry entry{};
  entry.ExplicitProducedSize = 48;
  entry.ExplicitConsumedSize = 48;
  entry.ExplicitTimerReload = 1000;
  entry.ExplicitPacketRate = 2500;
  return entry;
}

class DnetBench : public ::testing::Test {
 protected:
  explicit DnetBench(sim::BusOptions options = {}) : bus(options) {}

  void SetUp() override {
    ASSERT_TRUE(library.Loaded());
    ASSERT_TRUE(adapter.Start());
    adapter.AttachToBus(bus);
    setenv("FLASHWRIGHT_COM1", adapter.SlavePath().c_str(), 1);
  }

  void TearDown() override {
    if (card >= 0) {
      EXPECT_EQ(DNET(CloseCard)(card), 1);
    }
    slaves.clear();
  }

  sim::DeviceNetSlave& AddSlave(sim::DeviceNetSlaveConfig config) {
    slaves.push_back(std::make_unique<sim::DeviceNetSlave>(bus, std::move(config)));
    return *slaves.back();
  }

  static sim::DeviceNetSlaveConfig Slave(std::uint8_t mac, std::string name = "Flashwright Node") {
    sim::DeviceNetSlaveConfig config;
    config.mac = mac;
    config.productName = std::move(name);
    config.serial = 0x00A00000u + mac;
    config.password = 0x1234ABCD;
    return config;
  }

  InterfaceConfiguration Interface() const {
    InterfaceConfiguration cfg{};
    cfg.InterfaceType = CAN_INTERFACE_QX240;
    cfg.ComPort = 1;
    cfg.ComBaud = 57600;
    return cfg;
  }

  void Open() {
    // The driver's handshake with the adapter runs at real speed: its short
    // reply waits are not the subject here.
    ScopedTimeScale realTime(1);
    const InterfaceConfiguration cfg = Interface();
    ASSERT_NE(DNET(OpenInterface)(&card, &cfg), 0) << std::hex << platform::GetLastError();
    ASSERT_EQ(DNET(SetMacID)(card, kMasterMac), 1);
    ASSERT_EQ(DNET(SetBaud)(card, 125000), 1);
  }

  // Open, online, scanning, every MAC on the explicit scanlist.
  void GoOnlineAndBrowse(const DnetScanlistEntry& entry = DownloaderEntry()) {
    Open();
    ASSERT_EQ(DNET(SetOnline)(card, 1), 1);
    ASSERT_EQ(DNET(StartScan)(card), 1);
    for (std::int32_t mac = 0; mac < 64; ++mac) ASSERT_EQ(DNET(AddToScanlist)(card, mac, 1, &entry), 1);
  }

  bool NodeIsOnline(std::int32_t mac) {
    std::int32_t online = 0;
    return DNET(NodeOnline)(card, mac, &online) == 1 && online == 1;
  }

  bool WaitForNode(std::int32_t mac, bool online = true) {
    return Eventually([&] { return NodeIsOnline(mac) == online; });
  }

  ScopedTimeScale fast{kTimeScale};
  DnetLibrary library;
  sim::CanBus bus;
  sim::Qx240Adapter adapter;
  std::vector<std::unique_ptr<sim::DeviceNetSlave>> slaves;
  std::int32_t card = -1;
};

}  // namespace dnettest
