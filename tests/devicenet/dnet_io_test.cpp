// Poll, bit-strobe and change-of-state I/O with a slave that has I/O, through
// the whole stack, and what a caller sees when the slave stops answering.
#include "devicenet/dncn.h"
#include "tests/devicenet/dnetbench.h"

namespace dnettest {
namespace {

constexpr std::int32_t kNode = 7;

using Bytes = std::vector<std::uint8_t>;

class IoTest : public DnetBench {
 protected:
  void SetUp() override {
    DnetBench::SetUp();
    sim::DeviceNetSlaveConfig config = Slave(kNode);
    config.io.pollProduced = 4;
    config.io.pollConsumed = 10;  // poll commands go out fragmented
    config.io.strobeProduced = 2;
    config.io.cosProduced = 12;  // change-of-state data comes in fragmented
    slave = &AddSlave(config);
    Open();
    ASSERT_EQ(DNET(SetOnline)(card, 1), 1);
    ASSERT_EQ(DNET(StartScan)(card), 1);
    DnetScanlistEntry entry = DownloaderEntry();
    entry.PollTimerReload = 10;
    entry.PollPacketRate = 1000;
    entry.StrobePacketRate = 1000;
    entry.CosCyclicPacketRate = 100;
    ASSERT_EQ(DNET(AddToScanlist)(card, kNode, 0x17, &entry), 1);
    ASSERT_TRUE(WaitForNode(kNode));
    // The scan allocates only the explicit connection; I/O is the caller's to allocate.
    ASSERT_EQ(DNET(Allocate)(card, kNode, 0x16), 1) << std::hex << platform::GetLastError();
    ASSERT_TRUE(Eventually([&] {
      std::uint16_t produced = 0, consumed = 0;
      DNET(GetConnectionSize)(card, kNode, 4, &produced, &consumed);
      return produced == 12;
    }));
  }

  bool Produced(std::uint16_t slot, const Bytes& expected) {
    Bytes data(expected.size());
    return DNET(GetIOProduceData)(card, kNode, slot, static_cast<std::uint16_t>(data.size()), data.data()) == 1 &&
           data == expected;
  }

  sim::DeviceNetSlave* slave = nullptr;
};

TEST_F(IoTest, PollStrobeAndChangeOfStateCarryDataBothWays) {
  std::uint16_t produced = 0, consumed = 0;
  ASSERT_EQ(DNET(GetConnectionSize)(card, kNode, 2, &produced, &consumed), 1);
  EXPECT_EQ(produced, 4);
  EXPECT_EQ(consumed, 10);

  const Bytes outputs = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  ASSERT_EQ(DNET(SetIOConsumeData)(card, kNode, 2, 10, outputs.data()), 1);
  Bytes readBack(10);
  ASSERT_EQ(DNET(GetIOConsumeData)(card, kNode, 2, 10, readBack.data()), 1);
  EXPECT_EQ(readBack, outputs);
  EXPECT_TRUE(Eventually([&] { return slave->OutputData() == outputs; }));

  const Bytes inputs = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB};
  slave->SetInputData(inputs);
  EXPECT_TRUE(Eventually([&] { return Produced(2, Bytes(inputs.begin(), inputs.begin() + 4)); }));
  EXPECT_TRUE(Eventually([&] { return Produced(3, Bytes(inputs.begin(), inputs.begin() + 2)); }));
  EXPECT_TRUE(Eventually([&] { return Produced(4, inputs); }));

  // Lengths must match the connection sizes exactly.
  Bytes wrong(5);
  EXPECT_EQ(DNET(GetIOProduceData)(card, kNode, 2, 5, wrong.data()), 0);
  EXPECT_EQ(DNET(SetIOConsumeData)(card, kNode, 2, 4, wrong.data()), 0);
  EXPECT_EQ(DNET(GetIOProduceData)(card, kNode, 5, 4, wrong.data()), 0);
}

TEST_F(IoTest, MissedPollResponsesTimeTheConnectionOutButKeepTheLastData) {
  const Bytes inputs = {9, 8, 7, 6};
  slave->SetInputData(inputs);
  ASSERT_TRUE(Eventually([&] { return Produced(2, inputs); }));

  sim::SlaveFaults faults;
  faults.silent = true;
  slave->SetFaults(faults);
  Bytes data(4);
  ASSERT_TRUE(Eventually([&] {
    return DNET(GetIOProduceData)(card, kNode, 2, 4, data.data()) == 0 && platform::GetLastError() == 0x20000000u;
  }));
  EXPECT_EQ(data, inputs);

  // Answers again: the scan configures the connection anew and data flows.
  slave->SetFaults({});
  const Bytes fresh = {1, 1, 2, 3};
  slave->SetInputData(fresh);
  EXPECT_TRUE(Eventually([&] { return Produced(2, fresh); }));
}

TEST(ResponseStatistics, FoldsSamplesIntoMaximumMinimumAndTheAverageOfAHundred) {
  dncn::ResponseStatistics statistics;
  statistics.Fold(4.0f);
  statistics.Fold(2.0f);
  EXPECT_FLOAT_EQ(statistics.maximum, 4.0f);
  EXPECT_FLOAT_EQ(statistics.minimum, 2.0f);
  EXPECT_FLOAT_EQ(statistics.average, 0.06f);
  for (int i = 0; i < 100; ++i) statistics.Fold(1.0f);
  EXPECT_FLOAT_EQ(statistics.average, 1.0f);  // the older samples fell out

  statistics.Reset();
  EXPECT_FLOAT_EQ(statistics.minimum, 1000.0f);
  EXPECT_FLOAT_EQ(statistics.maximum, 0.0f);
  statistics.Fold(250.0f);
  EXPECT_FLOAT_EQ(statistics.minimum, 250.0f);
  EXPECT_FLOAT_EQ(statistics.average, 2.5f);
}

}  // namespace
}  // namespace dnettest
