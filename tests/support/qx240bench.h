#pragma once
// The bench the end-to-end tests stand on: a virtual CAN bus with the
// simulated QX240 adapter on it, reachable as COM1 through a pseudo-terminal,
// and optionally a card of one library of the stack opened on it and
// simulated nodes on the bus. Binaries using it link sim_qx240.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "config/interfaceconfiguration.h"
#include "platform/lasterror.h"
#include "sim/canbus.h"
#include "sim/qx240/qx240adapter.h"
#include "tests/platform/scoped_time_scale.h"
#include "tests/support/boundlibrary.h"
#include "tests/support/eventually.h"
#include "tests/support/scratch.h"

namespace benchtest {

inline constexpr std::int32_t kBenchComPort = 1;

// The interface record for the bench's adapter: the QX240 on COM1 at 57600 Bd.
inline InterfaceConfiguration Qx240OnCom1() {
  InterfaceConfiguration record{};
  record.InterfaceType = CAN_INTERFACE_QX240;
  record.ComPort = kBenchComPort;
  record.ComBaud = 57600;
  return record;
}

class Qx240Bench : public ::testing::Test {
 protected:
  explicit Qx240Bench(sim::BusOptions options = {}) : bus(options) {}

  void SetUp() override {
    ASSERT_TRUE(adapter.Start());
    adapter.AttachToBus(bus);
    comPort_.emplace("FLASHWRIGHT_COM1", adapter.SlavePath());
  }

  static InterfaceConfiguration Interface() { return Qx240OnCom1(); }

  sim::CanBus bus;
  sim::Qx240Adapter adapter;

 private:
  std::optional<ScopedEnv> comPort_;
};

// For a bench with no simulated nodes of one kind.
struct NoSlave {};

// The bench with a card of `library` opened on the bench's interface (the
// QX240 adapter, or another bench with `bus` and `Interface()`) through the
// library's OpenInterface, and simulated nodes of type Slave on the bus.
// The card is closed at the end of the test unless the test closed it and set
// `card` back to kNoCard.
template <typename Slave = NoSlave, typename Interfaced = Qx240Bench>
class CardBench : public Interfaced {
 protected:
  static constexpr std::int32_t kNoCard = -1;

  explicit CardBench(const char* libraryName, sim::BusOptions options = {})
      : Interfaced(options), library(libraryName) {}

  void SetUp() override {
    ASSERT_TRUE(library.Loaded());
    Interfaced::SetUp();
  }

  void TearDown() override {
    if (card != kNoCard) {
      EXPECT_EQ(CloseEntry()(card), 1);
    }
    slaves.clear();
  }

  // Opens the card on cardInterface. The driver's handshake with the adapter
  // runs at real speed: its short reply waits are not what the tests speed up.
  void OpenCard() { OpenCard(cardInterface); }
  void OpenCard(const InterfaceConfiguration& record) {
    ScopedTimeScale realTime(1);
    auto open = library.Entry<int(std::int32_t*, const InterfaceConfiguration*)>("OpenInterface");
    ASSERT_NE(open, nullptr);
    ASSERT_EQ(open(&card, &record), 1) << "last error " << std::hex << platform::GetLastError();
  }

  template <typename Config>
  Slave& AddSlave(Config config) {
    slaves.push_back(std::make_unique<Slave>(this->bus, std::move(config)));
    return *slaves.back();
  }

  BoundLibrary library;
  // The interface the card opens on: the bench's QX240 adapter unless a test
  // chooses another.
  InterfaceConfiguration cardInterface = Interfaced::Interface();
  std::vector<std::unique_ptr<Slave>> slaves;
  std::int32_t card = kNoCard;

 private:
  auto CloseEntry() const { return library.Entry<int(std::int32_t)>("CloseCard"); }
};

}  // namespace benchtest
