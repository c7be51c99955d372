// The master's timing while a card only supervises a node: its threads sleep
// between due times, and the node status requests, the connection's expected
// packet rate and the reply time-outs must come on time all the same. Run
// against a Group 2 Only slave and a UCMM-capable one.
#include <algorithm>

#include "tests/devicenet/dnetbench.h"

namespace dnettest {
namespace {

constexpr std::int32_t kNode = 9;
constexpr std::uint64_t kReplyTimeoutUs = 1'500'000;  // of an explicit connection
// Scheduling on a busy machine, at the fast clock: how late a thread may run,
// and how much a frame's way to the bus may differ from the last one's.
constexpr std::uint64_t kLateUs = 300'000;
constexpr std::uint64_t kJitterUs = 50'000;

class SupervisionTest : public DnetBench, public ::testing::WithParamInterface<bool> {
 protected:
  void Connect(std::uint16_t timerReloadMs, std::uint16_t packetRateMs) {
    sim::DeviceNetSlaveConfig config = Slave(kNode);
    config.ucmmCapable = GetParam();
    slave = &AddSlave(config);
    Open();
    ASSERT_EQ(DNET(SetOnline)(card, 1), 1);
    ASSERT_EQ(DNET(StartScan)(card), 1);
    DnetScanlistEntry entry = DownloaderEntry();
    entry.ExplicitTimerReload = timerReloadMs;
    entry.ExplicitPacketRate = packetRateMs;
    ASSERT_EQ(DNET(AddToScanlist)(card, kNode, 1, &entry), 1);
    ASSERT_TRUE(WaitForNode(kNode));
  }

  // The frames the master sent since the log was cleared.
  std::vector<sim::LogEntry> MasterFrames() {
    std::vector<sim::LogEntry> entries = bus.Log().Entries();
    std::erase_if(entries, [](const sim::LogEntry& entry) { return entry.senderName != "qx240"; });
    return entries;
  }

  void Silence(bool silent) {
    sim::SlaveFaults faults;
    faults.silent = silent;
    slave->SetFaults(faults);
  }

  sim::DeviceNetSlave* slave = nullptr;
};

bool IsStatusRequest(const sim::CanFrame& frame) {
  return frame.dlc == 5 && frame.data[1] == 0x0E && frame.data[2] == 1 && frame.data[3] == 1 && frame.data[4] == 5;
}

TEST_P(SupervisionTest, StatusRequestsComeAtTheTimerReloadAndKeepTheConnection) {
  constexpr std::uint64_t kReloadMs = 200, kPacketRateMs = 100;
  Connect(kReloadMs, kPacketRateMs);
  platform::Sleep(500);
  bus.Log().Clear();
  platform::Sleep(2000);

  // A frame held up on its way to the bus shortens the next gap as much as it
  // lengthens its own: the mean gap shows the timer, the longest one whether
  // the node's watchdog (four times its packet rate) could have run out.
  const std::vector<sim::LogEntry> sent = MasterFrames();
  ASSERT_GE(sent.size(), 5u) << bus.Log().Dump();
  std::uint64_t longest = 0;
  for (std::size_t i = 0; i < sent.size(); ++i) {
    SCOPED_TRACE(sim::ToString(sent[i]));
    EXPECT_TRUE(IsStatusRequest(sent[i].carried.frame)) << "nothing but status requests: the connection stayed";
    if (i > 0) longest = std::max(longest, sent[i].carried.timeUs - sent[i - 1].carried.timeUs);
  }
  const std::uint64_t meanGap = (sent.back().carried.timeUs - sent.front().carried.timeUs) / (sent.size() - 1);
  EXPECT_GE(meanGap + kJitterUs, kReloadMs * 1000);
  EXPECT_LE(meanGap, kReloadMs * 1000 + kJitterUs);
  EXPECT_LT(longest, 4 * kPacketRateMs * 1000);
  EXPECT_TRUE(NodeIsOnline(kNode));
}

TEST_P(SupervisionTest, RequestsToAnIdleCardAreServedAndTimedOutOnTime) {
  // No status request gets in the way.
  Connect(60000, 0);
  platform::Sleep(1500);

  const auto timed = [&](auto call) {
    const std::uint64_t start = platform::NowMicroseconds();
    const int result = call();
    return std::pair{result, platform::NowMicroseconds() - start};
  };
  std::uint16_t vendor = 0;
  const auto readVendor = [&] { return DNET(GetAttribute_UINT)(card, kNode, 1, 1, 1, &vendor); };
  const auto [answered, answerUs] = timed(readVendor);
  EXPECT_EQ(answered, 1) << std::hex << platform::GetLastError();
  EXPECT_LE(answerUs, kLateUs);

  Silence(true);
  platform::Sleep(1500);
  const auto [result, timeOutUs] = timed(readVendor);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(platform::GetLastError(), 0x5B4u);
  EXPECT_GE(timeOutUs, kReplyTimeoutUs);
  EXPECT_LE(timeOutUs, kReplyTimeoutUs + kLateUs) << "ended by the reply time-out, not the caller's longer wait";
  Silence(false);
}

// A node that restarts (power lost and back) checks its MAC ID before it goes
// online: the master takes that as the end of the node's connections at once,
// not only after its node status requests have gone unanswered three times,
// and connects it again.
TEST_P(SupervisionTest, RestartedNodeIsTakenAsGoneFromItsMacIdCheck) {
  Connect(1000, 2500);
  bus.Log().Clear();
  slave->PowerOff();
  slave->PowerOn();
  ASSERT_TRUE(WaitForNode(kNode, false));
  const std::vector<sim::LogEntry> sent = MasterFrames();
  const auto unanswered = std::count_if(sent.begin(), sent.end(),
                                        [](const sim::LogEntry& entry) { return IsStatusRequest(entry.carried.frame); });
  EXPECT_LT(unanswered, 3) << bus.Log().Dump();
  EXPECT_TRUE(WaitForNode(kNode)) << bus.Log().Dump();
}

// While a browse has every MAC ID on the scanlist, the Group 2 Only
// allocation requests to the MAC IDs where nobody answers do not wait for one
// another's reply time-outs (100 ms): a node that comes is not kept waiting
// behind dozens of absent ones.
TEST_P(SupervisionTest, AbsentNodesOfABrowseDoNotHoldEachOtherUp) {
  GoOnlineAndBrowse();
  const auto group2Allocations = [&] {
    std::vector<sim::LogEntry> sent = MasterFrames();
    std::erase_if(sent, [](const sim::LogEntry& entry) {
      const sim::CanFrame& frame = entry.carried.frame;
      return (frame.id & 0x607) != 0x406 || frame.dlc < 2 || frame.data[1] != 0x4B;
    });
    return sent;
  };
  ASSERT_TRUE(Eventually([&] { return group2Allocations().size() >= 8; }));
  const std::vector<sim::LogEntry> sent = group2Allocations();
  std::uint64_t closest = ~std::uint64_t{0};
  for (std::size_t i = 1; i < sent.size(); ++i) {
    closest = std::min(closest, sent[i].carried.timeUs - sent[i - 1].carried.timeUs);
  }
  EXPECT_LT(closest, 100'000u) << bus.Log().Dump();
}

INSTANTIATE_TEST_SUITE_P(SlaveKinds, SupervisionTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "UcmmCapable" : "Group2Only"; });

}  // namespace
}  // namespace dnettest
