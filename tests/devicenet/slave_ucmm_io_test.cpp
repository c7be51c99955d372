// UCMM, I/O connections, fault switches and the option text of simulated
// DeviceNet slaves.
#include <gtest/gtest.h>

#include "sim/devicenet/devicenetslaveoptions.h"
#include "tests/devicenet/slave_rawmaster.h"

namespace sim::testing {
namespace {

constexpr std::uint8_t kMac = 7;

class SlaveUcmmIoTest : public SlaveTest {
 protected:
  void Start(DeviceNetSlaveConfig config) {
    slave_.emplace(bus_, std::move(config));
    ASSERT_TRUE(slave_->WaitForState(DeviceNetSlave::State::Online, kPatience));
  }

  CanBus bus_;
  RawMaster master_{bus_, kMac};
  std::optional<DeviceNetSlave> slave_;
};

TEST_F(SlaveUcmmIoTest, UcmmOpenRequestsAndClose) {
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.ucmmCapable = true;
  Start(config);
  const std::uint32_t port = 0x780 + kMasterMac;
  const std::uint32_t portReply = 0x740 + kMac;
  // Addressed to another station: not ours.
  master_.Send(port, {kMac + 1, 0x4B, 0x00, 0x30});
  EXPECT_TRUE(master_.Quiet(300ms));
  EXPECT_EQ(master_.Request(port, portReply, kMac, 0x4B, {0x00, 0x20}), (Bytes{0x94, 0x0C, 0xFF}));
  EXPECT_EQ(master_.Request(port, portReply, kMac, 0x4B, {0x00, 0x30}), (Bytes{0xCB, 0x00, 0x01, 0x05, 0x00}));
  EXPECT_EQ(slave_->UcmmConnections(), 1u);

  // Requests on 0x600 + X, answers on 0x640 + N, fragmented like the predefined connection.
  const std::uint32_t tx = 0x600 + kMasterMac;
  const std::uint32_t rx = 0x640 + kMac;
  EXPECT_EQ(master_.Request(tx, rx, kMac, 0x0E, {0x05, 0x05, 0x01}), (Bytes{0x8E, 0x03}));
  EXPECT_EQ(master_.Request(tx, rx, kMac, 0x10, {0x05, 0x05, 0x09, 0x00, 0x00}), (Bytes{0x90}));
  EXPECT_EQ(master_.Request(tx, rx, kMac, 0x4B, {0x03, 0x01, 0x01, kMasterMac}), (Bytes{0xCB, 0x00}));
  EXPECT_EQ(master_.Request(tx, rx, kMac, 0x0E, {0x01, 0x01, 0x07}), (Bytes{0x8E, 4, 'P', 'u', 'm', 'p'}));
  EXPECT_EQ(slave_->AllocatedChoice(), 0x01);

  EXPECT_EQ(master_.Request(port, portReply, kMac, 0x4C, {0x06, 0x00}), (Bytes{0x94, 0x16, 0xFF}));
  EXPECT_EQ(master_.Request(port, portReply, kMac, 0x4C, {0x05, 0x00}), (Bytes{0xCC}));
  EXPECT_EQ(slave_->UcmmConnections(), 0u);
  master_.Send(tx, {kMac, 0x0E, 0x01, 0x01, 0x01});
  EXPECT_TRUE(master_.Quiet(300ms));
}

TEST_F(SlaveUcmmIoTest, Group2OnlySlaveIgnoresUcmm) {
  Start(QuickSlave(kMac));
  master_.Send(0x780 + kMasterMac, {kMac, 0x4B, 0x00, 0x30});
  EXPECT_TRUE(master_.Quiet(1000ms));
}

TEST_F(SlaveUcmmIoTest, PollStrobeAndChangeOfState) {
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.io = {10, 9, 2, 3};
  Start(config);
  slave_->SetInputData({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  master_.Allocate(0x17);
  // Poll commands are ignored until the connection's packet rate is set.
  master_.Send(Group2Id(kMac, 5), {0, 1, 2, 3, 4, 5, 6});
  master_.Send(Group2Id(kMac, 5), {0x81, 7, 8});
  EXPECT_TRUE(master_.Quiet(300ms));
  for (const std::uint8_t instance : {2, 3, 4}) {
    EXPECT_EQ(master_.Set(0x05, instance, 0x09, {0x00, 0x00}), (Bytes{0x90}));
  }
  EXPECT_EQ(master_.Get(0x05, 0x02, 0x07), (Bytes{0x8E, 10, 0}));
  EXPECT_EQ(master_.Get(0x05, 0x02, 0x08), (Bytes{0x8E, 9, 0}));

  master_.Send(Group2Id(kMac, 5), {0x00, 11, 12, 13, 14, 15, 16, 17});
  master_.Send(Group2Id(kMac, 5), {0x81, 18, 19});
  EXPECT_EQ(master_.Expect(0x3C0 + kMac), (Bytes{0x00, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(master_.Expect(0x3C0 + kMac), (Bytes{0x81, 8, 9, 10}));
  EXPECT_EQ(slave_->OutputData(), (Bytes{11, 12, 13, 14, 15, 16, 17, 18, 19}));

  master_.Send(Group2Id(kMasterMac, 0), {0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(master_.Expect(0x380 + kMac), (Bytes{1, 2}));

  slave_->SetInputData({9, 8, 7});
  EXPECT_EQ(master_.Expect(0x340 + kMac), (Bytes{9, 8, 7}));
}

TEST_F(SlaveUcmmIoTest, CyclicProductionAndPollTimeOutRevivedByClassReset) {
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.io = {2, 2, 1, 1};
  Start(config);
  slave_->SetInputData({0x55, 0x66});
  master_.Allocate(0x23);
  EXPECT_EQ(master_.Set(0x05, 0x02, 0x09, {100, 0}), (Bytes{0x90}));
  // Timed from before the request: the production cannot start earlier, and
  // a reply that reaches us late must not shorten the measured period.
  const std::uint64_t first = platform::NowMicroseconds();
  EXPECT_EQ(master_.Set(0x05, 0x04, 0x09, {100, 0}), (Bytes{0x90}));
  EXPECT_EQ(master_.Expect(0x340 + kMac), (Bytes{0x55}));
  EXPECT_EQ(master_.Expect(0x340 + kMac), (Bytes{0x55}));
  EXPECT_GE(platform::NowMicroseconds() - first, 150'000u);
  // Stop the production; cyclic frames may still cross the answer.
  master_.Send(Group2Id(kMac, 4), {kMasterMac, 0x10, 0x05, 0x04, 0x09, 0x00, 0x00});
  std::optional<CanFrame> reply;
  while ((reply = master_.Next()) && reply->id == 0x340 + kMac) {
  }
  ASSERT_TRUE(reply);
  EXPECT_EQ(reply->id, Group2Id(kMac, 3));
  EXPECT_EQ(reply->data[1], 0x90);

  // No poll for 4 x 100 ms: the poll connection times out and stays silent.
  master_.Quiet(600ms);
  while (master_.Next(0ms)) {
  }
  EXPECT_EQ(master_.Get(0x05, 0x02, 0x01), (Bytes{0x8E, 0x04}));
  master_.Send(Group2Id(kMac, 5), {1, 2});
  EXPECT_TRUE(master_.Quiet(300ms));
  EXPECT_EQ(master_.Connected(0x05, {0x05, 0x00}), (Bytes{0x85}));
  master_.Send(Group2Id(kMac, 5), {1, 2});
  EXPECT_EQ(master_.Expect(0x3C0 + kMac), (Bytes{0x55, 0x66}));
}

TEST_F(SlaveUcmmIoTest, FaultSwitches) {
  Start(QuickSlave(kMac));
  master_.Allocate();
  const Bytes vendor{0x8E, 0xD2, 0x04};
  slave_->SetFaults({.wrongAnswers = 1});
  EXPECT_EQ(master_.Get(0x01, 0x01, 0x01), (Bytes{0x8F, 0xD2, 0x04}));
  EXPECT_EQ(master_.Get(0x01, 0x01, 0x01), vendor);

  slave_->SetFaults({.duplicateFrames = 1});
  EXPECT_EQ(master_.Get(0x01, 0x01, 0x01), vendor);
  EXPECT_EQ(master_.Expect(Group2Id(kMac, 3)), (Bytes{kMasterMac, 0x8E, 0xD2, 0x04}));

  slave_->SetFaults({.dropFrames = 1});
  master_.Send(Group2Id(kMac, 4), {kMasterMac, 0x0E, 0x01, 0x01, 0x01});
  EXPECT_TRUE(master_.Quiet(500ms));
  EXPECT_EQ(master_.Get(0x01, 0x01, 0x01), vendor);

  slave_->SetFaults({.silent = true});
  master_.Send(Group2Id(kMac, 4), {kMasterMac, 0x0E, 0x01, 0x01, 0x01});
  EXPECT_TRUE(master_.Quiet(500ms));

  slave_->SetFaults({.answerDelay = 800ms});
  const std::uint64_t sent = platform::NowMicroseconds();
  EXPECT_EQ(master_.Get(0x01, 0x01, 0x01), vendor);
  EXPECT_GE(platform::NowMicroseconds() - sent, 800'000u);
}

TEST(DeviceNetSlaveOptionTest, ParsesOptionText) {
  const DeviceNetSlaveConfig config =
      ParseDeviceNetSlaveOption(R"(mac=5,vendor=0x1234,product=0x1FE2,name="Pump, main",revision=2.15,ucmm=on)");
  EXPECT_EQ(config.mac, 5);
  EXPECT_EQ(config.vendor, 0x1234);
  EXPECT_EQ(config.productCode, 0x1FE2);
  EXPECT_EQ(config.productName, "Pump, main");
  EXPECT_EQ(config.revisionMajor, 2);
  EXPECT_EQ(config.revisionMinor, 15);
  EXPECT_TRUE(config.ucmmCapable);
  EXPECT_EQ(config.mode, FlashMode::Application);
  for (const char* bad : {"vendor=1", "mac=64", "mac=5,mac=6", "mac=5,color=red", "mac=5,product=0x8000",
                          "mac=5,revision=2", "mac=5,name=\"open", "mac=5,ucmm=yes",
                          "mac=5,name=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParseDeviceNetSlaveOption(bad), std::invalid_argument);
  }
}

TEST(DeviceNetSlaveOptionTest, PeerKindStartsASlaveOnTheBus) {
  platform::SetTimeScale(20);
  CanBus bus;
  const PeerKind kind = DeviceNetSlavePeerKind();
  std::map<std::string, std::string> values;
  for (const PeerOption& option : kind.options) values[option.name] = option.defaultValue.value_or("");
  values["mac"] = "9";
  values["skipcheck"] = "on";
  const std::unique_ptr<BenchPeer> peer = kind.create(bus, PeerSettings(kind.name, values));
  EXPECT_EQ(peer->ConnectionInfo().at(0).find("DeviceNet slave MAC 9"), 0u);
  RawMaster master(bus, 9);
  // It boots for 100 ms, then answers the probe.
  std::optional<CanFrame> answer;
  for (int i = 0; i < 100 && !answer; ++i) {
    master.Send(Group2Id(9, 7), {kMasterMac});
    answer = master.Next(50ms);
  }
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->id, Group2Id(9, 7));
  EXPECT_EQ(answer->data[0], 0x80);
  platform::SetTimeScale(1);
}

}  // namespace
}  // namespace sim::testing
