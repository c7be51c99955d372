#pragma once
// The DeviceNet stack end to end, as the program reaches it: VRK_DNET loaded
// by name, over VRK_DNCN, VRK_CAN and qx240.so, through a pseudo-terminal to
// the bench's QX240 adapter, onto a virtual bus with simulated slaves. The
// clock runs fast; waits are generous.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "devicenet/vrk_dnet.h"
#include "platform/clock.h"
#include "sim/devicenet/devicenetslave.h"
#include "tests/support/qx240bench.h"

namespace dnettest {

using namespace std::chrono_literals;
using benchtest::BoundLibrary;
using benchtest::Eventually;

inline constexpr double kTimeScale = 3;
inline constexpr std::uint8_t kMasterMac = 0;
inline constexpr std::uint8_t kFirmwareClass = 0xC7;

// An entry point of VRK_DNET with the declared type of the DeviceNet API.
#define DNET(name) BOUND_ENTRY(library, name)

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

class DnetBench : public benchtest::CardBench<sim::DeviceNetSlave> {
 protected:
  explicit DnetBench(sim::BusOptions options = {}) : CardBench("VRK_DNET.dll", options) {}

  static sim::DeviceNetSlaveConfig Slave(std::uint8_t mac, std::string name = "Flashwright Node") {
    sim::DeviceNetSlaveConfig config;
    config.mac = mac;
    config.productName = std::move(name);
    config.serial = 0x00A00000u + mac;
    config.password = 0x1234ABCD;
    return config;
  }

  void Open() {
    OpenCard();
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
};

}  // namespace dnettest
