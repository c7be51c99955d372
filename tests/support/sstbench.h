#pragma once
// The bench's bus offered to the bench libraries that stand in for the SST
// CAN2A library: the endpoint on the test's bus, the environment that leads
// the library loader and the libraries to it, and the interface record of an
// SST CAN2A card or scanner. Binaries using it link sim and depend on ssc2a32
// and ssdn32 (and dnscan32 and dnerr32 for the scanner).
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "config/interfaceconfiguration.h"
#include "platform/module.h"
#include "sim/canbusendpoint.h"
#include "sim/canbuswire.h"
#include "tests/support/scratch.h"

namespace benchtest {

inline InterfaceConfiguration SstCan2aCard() {
  InterfaceConfiguration record{};
  record.InterfaceType = CAN_INTERFACE_SST_CAN2A;
  std::strcpy(record.AccessPoint, "CAN2A-1");
  return record;
}

// A card of the SST DeviceNet scanner, which is itself a master on the bus.
inline InterfaceConfiguration SstScannerCard() {
  InterfaceConfiguration record{};
  record.InterfaceType = DNET_INTERFACE_SST_DNSCAN;
  std::strcpy(record.AccessPoint, "DNSCAN-1");
  return record;
}

class SstBusEndpoint {
 public:
  explicit SstBusEndpoint(sim::CanBus& bus) : endpoint_(bus) {}

  // Offers the bus and points the loader and the libraries at it.
  bool Start() {
    if (!endpoint_.Start()) return false;
    busVariable_.emplace(sim::buswire::kEndpointVariable, endpoint_.SocketPath());
    libraryPath_.emplace("FLASHWRIGHT_LIBRARY_PATH",
                         platform::ProgramDirectory() + "/bench-libraries");
    return true;
  }

 private:
  sim::CanBusEndpoint endpoint_;
  std::optional<ScopedEnv> busVariable_;
  std::optional<ScopedEnv> libraryPath_;
};

}  // namespace benchtest
