// Fault injection as tests use it: through the bus, between real peers.
#include "sim/faultinjector.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "sim/canbus.h"

namespace sim {
namespace {

using namespace std::chrono_literals;

constexpr auto kPatience = 10s;

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetTimeScale(100); }
  void TearDown() override { platform::SetTimeScale(1); }

  std::vector<CanFrame> Heard() {
    std::vector<CanFrame> frames;
    BusFrame frame;
    while (listener.Receive(frame, 0ms) == ReceiveStatus::Received) frames.push_back(frame.frame);
    return frames;
  }

  CanBus bus;
  BusPeer sender = bus.Attach("sender");
  BusPeer other = bus.Attach("other");
  BusPeer listener = bus.Attach("listener");
};

TEST_F(FaultTest, DropHitsOnlyMatchingFramesAsOftenAsAsked) {
  bus.AddFault(Fault::Drop(WithId(0x200), 2));
  for (std::uint8_t value = 0; value < 3; ++value) {
    EXPECT_EQ(sender.Send(CanFrame::Standard(0x200, {value})), SendResult::Queued);
    sender.Send(CanFrame::Standard(0x201, {value}));
  }
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(Heard(), (std::vector{CanFrame::Standard(0x201, {0}), CanFrame::Standard(0x201, {1}),
                                  CanFrame::Standard(0x200, {2}), CanFrame::Standard(0x201, {2})}));
  EXPECT_EQ(bus.Log().Frames(FrameFate::Dropped),
            (std::vector{CanFrame::Standard(0x200, {0}), CanFrame::Standard(0x200, {1})}));
}

TEST_F(FaultTest, DropBySenderAndRemoval) {
  const FaultId fault = bus.AddFault(Fault::Drop(FromSender(sender.Id())));
  sender.Send(CanFrame::Standard(0x1, {}));
  other.Send(CanFrame::Standard(0x2, {}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_TRUE(bus.RemoveFault(fault));
  EXPECT_FALSE(bus.RemoveFault(fault));
  sender.Send(CanFrame::Standard(0x3, {}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(Heard(), (std::vector{CanFrame::Standard(0x2, {}), CanFrame::Standard(0x3, {})}));
}

TEST_F(FaultTest, CorruptFlipsOneDataBit) {
  struct Case {
    unsigned bit;
    CanFrame sent;
    CanFrame heard;
  };
  const Case cases[] = {
      {0, CanFrame::Standard(0x1, {0x00, 0x00}), CanFrame::Standard(0x1, {0x01, 0x00})},
      {9, CanFrame::Standard(0x1, {0x00, 0x00}), CanFrame::Standard(0x1, {0x00, 0x02})},
      {15, CanFrame::Standard(0x1, {0xFF, 0xFF}), CanFrame::Standard(0x1, {0xFF, 0x7F})},
      {17, CanFrame::Standard(0x1, {0x00, 0x00}), CanFrame::Standard(0x1, {0x02, 0x00})},  // modulo 16 bits
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.bit);
    bus.AddFault(Fault::Corrupt(AnyFrame(), test.bit, 1));
    sender.Send(test.sent);
    ASSERT_TRUE(bus.WaitIdle(kPatience));
    EXPECT_EQ(Heard(), (std::vector{test.heard}));
  }
  EXPECT_EQ(bus.Log().Frames(FrameFate::Corrupted).size(), std::size(cases));
}

// Frames without data bytes cannot be corrupted; they do not use the fault up.
TEST_F(FaultTest, CorruptSparesFramesWithoutData) {
  bus.AddFault(Fault::Corrupt(AnyFrame(), 0, 1));
  sender.Send(CanFrame::Remote(0x701, 1));
  sender.Send(CanFrame::Standard(0x702, {}));
  sender.Send(CanFrame::Standard(0x703, {0x10}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(Heard(), (std::vector{CanFrame::Remote(0x701, 1), CanFrame::Standard(0x702, {}),
                                  CanFrame::Standard(0x703, {0x11})}));
}

// A delayed frame lets other senders' frames pass, and holds back its own
// sender's later frames, as a transmit FIFO would.
TEST_F(FaultTest, DelayHoldsAFrameBackByProcessTime) {
  constexpr auto kDelay = 2000ms;  // 20 ms of real time at the test's scale
  bus.AddFault(Fault::Delay(WithId(0x581), kDelay, 1));
  sender.Send(CanFrame::Standard(0x581, {1}));
  sender.Send(CanFrame::Standard(0x582, {2}));
  other.Send(CanFrame::Standard(0x300, {3}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(Heard(), (std::vector{CanFrame::Standard(0x300, {3}), CanFrame::Standard(0x581, {1}),
                                  CanFrame::Standard(0x582, {2})}));
  const std::vector<LogEntry> log = bus.Log().Entries();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_GE(log[1].carried.timeUs - log[1].carried.queuedUs, 2'000'000u) << bus.Log().Dump();
}

TEST_F(FaultTest, ClearRemovesEveryFault) {
  bus.AddFault(Fault::Drop(AnyFrame()));
  bus.AddFault(Fault::Corrupt(AnyFrame(), 0));
  bus.ClearFaults();
  sender.Send(CanFrame::Standard(0x1, {0}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(Heard(), (std::vector{CanFrame::Standard(0x1, {0})}));
}

}  // namespace
}  // namespace sim
