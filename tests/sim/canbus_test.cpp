#include "sim/canbus.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "sim/bittiming.h"

namespace sim {
namespace {

using namespace std::chrono_literals;

// Generous: the bus carries a frame in microseconds, but CI machines stall.
constexpr auto kPatience = 1000s;  // process time: about 10 s of real time at the tests' speed-up

// Drains a queue peer until the bus is idle.
std::vector<BusFrame> Drain(BusPeer& peer) {
  std::vector<BusFrame> frames;
  BusFrame frame;
  while (peer.Receive(frame, 0ms) == ReceiveStatus::Received) frames.push_back(frame);
  return frames;
}

std::vector<CanFrame> FramesOf(const std::vector<BusFrame>& received) {
  std::vector<CanFrame> frames;
  for (const BusFrame& frame : received) frames.push_back(frame.frame);
  return frames;
}

class CanBusTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetTimeScale(100); }
  void TearDown() override { platform::SetTimeScale(1); }
};

TEST_F(CanBusTest, EveryPeerButTheSenderGetsEachFrame) {
  CanBus bus;
  std::vector<BusFrame> heardByCallback;
  std::mutex callbackMutex;
  BusPeer a = bus.Attach("a");
  BusPeer b = bus.Attach("b");
  BusPeer c = bus.Attach("c");
  BusPeer d = bus.Attach("d", [&](const BusFrame& frame) {
    std::lock_guard lock(callbackMutex);
    heardByCallback.push_back(frame);
  });
  const CanFrame fromA = CanFrame::Standard(0x101, {1});
  const CanFrame fromB = CanFrame::Extended(0x1234567, {2, 2});
  const CanFrame fromD = CanFrame::Remote(0x701, 1);
  ASSERT_EQ(a.Send(fromA), SendResult::Queued);
  ASSERT_EQ(b.Send(fromB), SendResult::Queued);
  ASSERT_EQ(d.Send(fromD), SendResult::Queued);
  ASSERT_TRUE(bus.WaitIdle(kPatience));

  EXPECT_EQ(FramesOf(Drain(a)), (std::vector{fromB, fromD}));
  EXPECT_EQ(FramesOf(Drain(b)), (std::vector{fromA, fromD}));
  EXPECT_EQ(FramesOf(Drain(c)), (std::vector{fromA, fromB, fromD}));
  std::lock_guard lock(callbackMutex);
  EXPECT_EQ(FramesOf(heardByCallback), (std::vector{fromA, fromB}));
  ASSERT_EQ(heardByCallback.size(), 2u);
  EXPECT_EQ(heardByCallback[0].sender, a.Id());
  EXPECT_EQ(heardByCallback[1].sender, b.Id());
}

// Three threads send at once: every receiver gets each sender's frames in
// the order sent, and all receivers agree on one bus order.
TEST_F(CanBusTest, ConcurrentSendersKeepTheirOrderAndPeersAgree) {
  constexpr int kFramesEach = 300;
  CanBus bus;
  BusPeer listener1 = bus.Attach("listener1");
  BusPeer listener2 = bus.Attach("listener2");
  std::vector<BusPeer> senders;
  for (int index = 0; index < 3; ++index) senders.push_back(bus.Attach("sender" + std::to_string(index)));
  std::vector<std::thread> threads;
  for (int index = 0; index < 3; ++index) {
    threads.emplace_back([&, index] {
      for (int count = 0; count < kFramesEach; ++count) {
        const auto low = static_cast<std::uint8_t>(count);
        const auto high = static_cast<std::uint8_t>(count >> 8);
        senders[static_cast<std::size_t>(index)].Send(
            CanFrame::Standard(0x100u + static_cast<unsigned>(index), {low, high}));
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  ASSERT_TRUE(bus.WaitIdle(kPatience));

  const std::vector<BusFrame> heard1 = Drain(listener1);
  const std::vector<BusFrame> heard2 = Drain(listener2);
  ASSERT_EQ(heard1.size(), 3u * kFramesEach);
  EXPECT_EQ(FramesOf(heard1), FramesOf(heard2));
  std::map<std::uint32_t, int> next;
  for (const BusFrame& frame : heard1) {
    EXPECT_EQ(frame.frame.data[0] | (frame.frame.data[1] << 8), next[frame.frame.id]++)
        << ToString(frame.frame);
  }
  // Each sender heard the other two and never itself.
  for (BusPeer& sender : senders) {
    const std::vector<BusFrame> heard = Drain(sender);
    EXPECT_EQ(heard.size(), 2u * kFramesEach) << sender.Name();
    for (const BusFrame& frame : heard) EXPECT_NE(frame.sender, sender.Id());
  }
}

// A callback that answers only queues its answer: every peer sees the
// request before the answer.
TEST_F(CanBusTest, AnswersFromCallbacksFollowTheirRequest) {
  CanBus bus;
  BusPeer responder;
  responder = bus.Attach(
      "responder",
      [&](const BusFrame& frame) {
        responder.Send(CanFrame::Standard(frame.frame.id + 0x80, {frame.frame.data[0]}));
      },
      Power::Off);
  responder.Reattach();
  BusPeer master = bus.Attach("master");
  BusPeer observer = bus.Attach("observer");
  for (std::uint8_t value = 0; value < 20; ++value) master.Send(CanFrame::Standard(0x600, {value}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));

  const std::vector<BusFrame> answers = Drain(master);
  ASSERT_EQ(answers.size(), 20u);
  for (std::uint8_t value = 0; value < 20; ++value)
    EXPECT_EQ(answers[value].frame, CanFrame::Standard(0x680, {value}));
  const std::vector<BusFrame> seen = Drain(observer);
  ASSERT_EQ(seen.size(), 40u);
  std::vector<std::uint8_t> requestsSeen;
  for (const BusFrame& frame : seen) {
    if (frame.frame.id == 0x600) requestsSeen.push_back(frame.frame.data[0]);
    if (frame.frame.id == 0x680) {
      EXPECT_LT(frame.frame.data[0], requestsSeen.size()) << "answer overtook its request";
    }
  }
}

TEST_F(CanBusTest, ReceiveTimesOutAndCancelsUntilResumed) {
  CanBus bus;
  BusPeer peer = bus.Attach("peer");
  BusFrame frame;
  EXPECT_EQ(peer.Receive(frame, 200ms), ReceiveStatus::TimedOut);  // 2 ms of real time

  std::atomic<ReceiveStatus> status{ReceiveStatus::Received};
  std::thread waiter([&] { status = peer.Receive(frame, kWaitForever); });
  std::this_thread::sleep_for(20ms);  // let it block; the result is the same if it did not yet
  peer.CancelReceive();
  waiter.join();
  EXPECT_EQ(status, ReceiveStatus::Cancelled);

  BusPeer other = bus.Attach("other");
  other.Send(CanFrame::Standard(0x1, {}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(peer.Receive(frame, kPatience), ReceiveStatus::Cancelled);
  peer.ResumeReceive();
  EXPECT_EQ(peer.Receive(frame, kPatience), ReceiveStatus::Received);
  EXPECT_EQ(frame.frame, CanFrame::Standard(0x1, {}));
}

TEST_F(CanBusTest, DetachedPeerIsDeafAndMuteUntilReattached) {
  CanBus bus;
  BusPeer node = bus.Attach("node");
  BusPeer master = bus.Attach("master");
  master.Send(CanFrame::Standard(0x10, {}));  // waits in the node's queue, lost with the power
  ASSERT_TRUE(bus.WaitIdle(kPatience));

  std::atomic<ReceiveStatus> status{ReceiveStatus::Received};
  node.Detach();
  std::thread waiter([&] {
    BusFrame frame;
    status = node.Receive(frame, kWaitForever);
  });
  waiter.join();
  EXPECT_EQ(status, ReceiveStatus::Detached);
  EXPECT_FALSE(node.IsAttached());
  EXPECT_EQ(node.Send(CanFrame::Standard(0x11, {})), SendResult::Detached);
  master.Send(CanFrame::Standard(0x12, {}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(node.Pending(), 0u);

  node.Reattach();
  master.Send(CanFrame::Standard(0x13, {}));
  ASSERT_EQ(node.Send(CanFrame::Standard(0x14, {})), SendResult::Queued);
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(FramesOf(Drain(node)), (std::vector{CanFrame::Standard(0x13, {})}));
  EXPECT_EQ(FramesOf(Drain(master)), (std::vector{CanFrame::Standard(0x14, {})}));
}

// A callback peer that loses power: no callback runs once Detach returned,
// and one may detach itself from its own callback.
TEST_F(CanBusTest, DetachStopsCallbacks) {
  CanBus bus;
  std::atomic<int> calls{0};
  BusPeer selfDetaching;
  selfDetaching = bus.Attach("self", [&](const BusFrame&) {
    ++calls;
    selfDetaching.Detach();
  });
  std::atomic<int> otherCalls{0};
  BusPeer other = bus.Attach("other", [&](const BusFrame&) { ++otherCalls; });
  BusPeer master = bus.Attach("master");
  master.Send(CanFrame::Standard(0x1, {}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  other.Detach();
  master.Send(CanFrame::Standard(0x2, {}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(otherCalls, 1);
  EXPECT_FALSE(selfDetaching.IsAttached());
}

TEST_F(CanBusTest, PeerAttachedWithoutPowerHearsNothingUntilPoweredOn) {
  CanBus bus;
  std::atomic<int> calls{0};
  BusPeer node = bus.Attach(
      "node", [&](const BusFrame&) { ++calls; }, Power::Off);
  BusPeer queued = bus.Attach("queued", 16, Power::Off);
  BusPeer master = bus.Attach("master");
  master.Send(CanFrame::Standard(0x1, {}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(queued.Pending(), 0u);
  node.Reattach();
  queued.Reattach();
  master.Send(CanFrame::Standard(0x2, {}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(FramesOf(Drain(queued)), (std::vector{CanFrame::Standard(0x2, {})}));
}

TEST_F(CanBusTest, FramesStillQueuedAtPowerLossAreLost) {
  CanBus bus;
  BusPeer node = bus.Attach("node");
  bus.AddFault(Fault::Delay(WithId(0x1), 10s));  // keeps the frame in the node's transmit queue
  node.Send(CanFrame::Standard(0x1, {}));
  node.Send(CanFrame::Standard(0x2, {}));
  node.Detach();
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(bus.Log().Frames(FrameFate::Lost),
            (std::vector{CanFrame::Standard(0x1, {}), CanFrame::Standard(0x2, {})}));
  EXPECT_TRUE(bus.Log().Frames(FrameFate::Carried).empty());
}

TEST_F(CanBusTest, InvalidFramesAreRefused) {
  CanBus bus;
  BusPeer peer = bus.Attach("peer");
  CanFrame tooLong = CanFrame::Standard(0x1, {});
  tooLong.dlc = 9;
  CanFrame standardIdTooBig = CanFrame::Standard(0x1, {});
  standardIdTooBig.id = 0x800;
  CanFrame extendedIdTooBig = CanFrame::Extended(0x1, {});
  extendedIdTooBig.id = 0x20000000;
  for (const CanFrame& frame : {tooLong, standardIdTooBig, extendedIdTooBig}) {
    EXPECT_EQ(peer.Send(frame), SendResult::InvalidFrame) << ToString(frame);
  }
  EXPECT_THROW(CanFrame::Standard(0x800, {}), std::invalid_argument);
  EXPECT_THROW(CanFrame::Standard(0x1, {1, 2, 3, 4, 5, 6, 7, 8, 9}), std::invalid_argument);
  EXPECT_THROW(CanBus(BusOptions{.bitRate = 0}), std::invalid_argument);
  EXPECT_THROW(bus.SetBitRate(kMaxBitRate + 1), std::invalid_argument);
  EXPECT_TRUE(bus.Log().Entries().empty());
}

TEST_F(CanBusTest, FullQueueCountsOverflows) {
  CanBus bus;
  BusPeer slow = bus.Attach("slow", 2);
  BusPeer master = bus.Attach("master");
  for (std::uint8_t value = 0; value < 5; ++value) master.Send(CanFrame::Standard(0x1, {value}));
  ASSERT_TRUE(bus.WaitIdle(kPatience));
  EXPECT_EQ(slow.Pending(), 2u);
  EXPECT_EQ(slow.Overflows(), 3u);
  EXPECT_EQ(FramesOf(Drain(slow)), (std::vector{CanFrame::Standard(0x1, {0}), CanFrame::Standard(0x1, {1})}));
}

TEST_F(CanBusTest, PeerOutlivingItsBusReportsDetached) {
  BusPeer peer;
  {
    CanBus bus;
    peer = bus.Attach("peer");
  }
  BusFrame frame;
  EXPECT_EQ(peer.Send(CanFrame::Standard(0x1, {})), SendResult::Detached);
  EXPECT_EQ(peer.Receive(frame, kWaitForever), ReceiveStatus::Detached);
}

TEST_F(CanBusTest, CallbackPeerCannotReceiveFromAQueue) {
  CanBus bus;
  BusPeer peer = bus.Attach("peer", [](const BusFrame&) {});
  BusFrame frame;
  EXPECT_THROW(peer.Receive(frame, 0ms), std::logic_error);
}

// With pacing, each frame ends exactly one frame time after it could start:
// when sent, or when the frame before it left the bus. Bus time, not wall time.
TEST_F(CanBusTest, PacingHoldsEachFrameForItsBitTime) {
  constexpr std::uint32_t kBitRate = 10'000;
  CanBus bus(BusOptions{.bitRate = kBitRate, .pacing = true});
  BusPeer a = bus.Attach("a");
  BusPeer b = bus.Attach("b");
  for (std::uint8_t value = 0; value < 8; ++value) {
    a.Send(CanFrame::Standard(0x100, {value, 0x00, 0xFF}));
    b.Send(CanFrame::Extended(0x1000 + value, {value}));
  }
  ASSERT_TRUE(bus.WaitIdle(kPatience));

  const std::vector<LogEntry> log = bus.Log().Entries();
  ASSERT_EQ(log.size(), 16u) << bus.Log().Dump();
  std::uint64_t previousEnd = 0;
  for (std::size_t index = 0; index < log.size(); ++index) {
    const BusFrame& carried = log[index].carried;
    const auto bitTimeUs =
        (std::uint64_t{FrameBitCount(carried.frame)} * 1'000'000 + kBitRate - 1) / kBitRate;
    EXPECT_EQ(carried.timeUs, std::max(carried.queuedUs, previousEnd) + bitTimeUs) << ToString(log[index]);
    EXPECT_EQ(carried.sequence, index + 1) << "frames served out of send order";
    previousEnd = carried.timeUs;
  }
}

}  // namespace
}  // namespace sim
