#pragma once
// The bench with the simulated 1770-KFD module in place of the QX240 adapter:
// a virtual CAN bus with the module on it, reachable as COM1 through a
// pseudo-terminal. CardBench<Slave, KfdBench> opens a library's card on it.
// Binaries using it link sim_kfd.
#include <gtest/gtest.h>

#include <optional>

#include "config/interfaceconfiguration.h"
#include "sim/canbus.h"
#include "sim/kfd/kfdmodule.h"
#include "tests/support/scratch.h"

namespace benchtest {

// The interface record for the bench's module: the 1770-KFD on COM1 at 57600 Bd.
inline InterfaceConfiguration KfdOnCom1() {
  InterfaceConfiguration record{};
  record.InterfaceType = CAN_INTERFACE_AB_KFD;
  record.ComPort = 1;
  record.ComBaud = 57600;
  return record;
}

class KfdBench : public ::testing::Test {
 protected:
  explicit KfdBench(sim::BusOptions options = {}) : bus(options) {}

  void SetUp() override {
    ASSERT_TRUE(module.Start());
    module.AttachToBus(bus);
    comPort_.emplace("FLASHWRIGHT_COM1", module.SlavePath());
  }

  static InterfaceConfiguration Interface() { return KfdOnCom1(); }

  sim::CanBus bus;
  sim::KfdModule module;

 private:
  std::optional<ScopedEnv> comPort_;
};

}  // namespace benchtest
