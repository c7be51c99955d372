// Start-up of a simulated DeviceNet slave: the duplicate MAC ID check,
// going on-line, answering other stations' checks, and power cycles.
#include <gtest/gtest.h>

#include "tests/devicenet/slave_rawmaster.h"

namespace sim::testing {
namespace {

constexpr std::uint8_t kMac = 5;
const std::uint32_t kCheckId = Group2Id(kMac, 7);

DeviceNetSlaveConfig CheckingSlave() {
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.vendor = 0x1234;
  config.bootDelay = 100ms;
  config.skipDuplicateMacCheck = false;
  return config;
}

class SlaveStartupTest : public SlaveTest {};

TEST_F(SlaveStartupTest, ChecksTwiceASecondApartAfterTheBootDelayThenAnswersChecks) {
  CanBus bus;
  RawMaster master(bus, kMac);
  const std::uint64_t startUs = platform::NowMicroseconds();
  DeviceNetSlave slave(bus, CheckingSlave());
  const Bytes request{0x00, 0x34, 0x12, 0x44, 0x33, 0x22, 0x11};
  EXPECT_EQ(master.Expect(kCheckId), request);
  EXPECT_EQ(master.Expect(kCheckId), request);
  ASSERT_TRUE(slave.WaitForState(DeviceNetSlave::State::Online, kPatience));

  const std::vector<LogEntry> log = bus.Log().Entries();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_GE(log[0].carried.queuedUs - startUs, 100'000u);
  EXPECT_GE(log[1].carried.queuedUs - log[0].carried.queuedUs, 1'000'000u);
  // Loose upper bound: the clock runs fast, and a loaded machine wakes late.
  EXPECT_LT(log[1].carried.queuedUs - log[0].carried.queuedUs, 5'000'000u);

  // The master's probe is one byte long; the answer is a full response.
  master.Send(kCheckId, {kMasterMac});
  EXPECT_EQ(master.Expect(kCheckId), (Bytes{0x80, 0x34, 0x12, 0x44, 0x33, 0x22, 0x11}));
}

TEST_F(SlaveStartupTest, AnyCheckMessageDuringItsOwnCheckFaultsTheSlave) {
  for (const std::uint8_t flag : {0x00, 0x80}) {
    SCOPED_TRACE(static_cast<int>(flag));
    CanBus bus;
    RawMaster master(bus, kMac);
    DeviceNetSlave slave(bus, CheckingSlave());
    master.Expect(kCheckId);
    master.Send(kCheckId, {flag, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(slave.WaitForState(DeviceNetSlave::State::CommunicationFaulted, kPatience));
    // Faulted means silent: no second check, no answers.
    master.Send(Group2Id(kMac, 6), {kMac, 0x4B, 0x03, 0x01, 0x01, kMasterMac});
    EXPECT_TRUE(master.Quiet(2500ms));
  }
}

TEST_F(SlaveStartupTest, ACheckResponseForItsMacWhileOnlineFaultsTheSlave) {
  CanBus bus;
  RawMaster master(bus, kMac);
  DeviceNetSlave slave(bus, QuickSlave(kMac));
  ASSERT_TRUE(slave.WaitForState(DeviceNetSlave::State::Online, kPatience));
  master.Allocate();
  master.Send(kCheckId, {0x80, 0, 0, 0, 0, 0, 0});
  ASSERT_TRUE(slave.WaitForState(DeviceNetSlave::State::CommunicationFaulted, kPatience));
  EXPECT_EQ(slave.AllocatedChoice(), 0);
  master.Send(kCheckId, {kMasterMac});
  EXPECT_TRUE(master.Quiet(500ms));
}

TEST_F(SlaveStartupTest, StrictSlaveIgnoresShortCheckRequests) {
  CanBus bus;
  RawMaster master(bus, kMac);
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.strict = true;
  DeviceNetSlave slave(bus, config);
  ASSERT_TRUE(slave.WaitForState(DeviceNetSlave::State::Online, kPatience));
  master.Send(kCheckId, {kMasterMac});
  EXPECT_TRUE(master.Quiet(500ms));
  master.Send(kCheckId, {0x00, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(master.Expect(kCheckId)[0], 0x80);
}

TEST_F(SlaveStartupTest, SilentWhileBootingAndPowerCycleStartsAfresh) {
  CanBus bus;
  RawMaster master(bus, kMac);
  DeviceNetSlaveConfig config = CheckingSlave();
  config.bootDelay = 2000ms;
  DeviceNetSlave slave(bus, config);
  master.Send(Group2Id(kMac, 6), {kMac, 0x4B, 0x03, 0x01, 0x01, kMasterMac});
  EXPECT_TRUE(master.Quiet(1000ms));
  ASSERT_TRUE(slave.WaitForState(DeviceNetSlave::State::Online, kPatience));
  while (master.Next(0ms)) {
  }
  master.Allocate();

  slave.PowerOff();
  EXPECT_EQ(slave.NetworkState(), DeviceNetSlave::State::Off);
  master.Send(Group2Id(kMac, 6), {kMac, 0x4C, 0x03, 0x01, 0x01});
  EXPECT_TRUE(master.Quiet(500ms));

  slave.PowerOn();
  EXPECT_EQ(master.Expect(kCheckId)[0], 0x00);
  ASSERT_TRUE(slave.WaitForState(DeviceNetSlave::State::Online, kPatience));
  EXPECT_EQ(slave.AllocatedChoice(), 0);
  EXPECT_EQ(slave.Restarts(), 2u);
}

}  // namespace
}  // namespace sim::testing
