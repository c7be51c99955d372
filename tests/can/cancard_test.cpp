// The card's queues, rings and threads, driven through a scripted back-end.
#include "can/cancard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "can/cardtable.h"
#include "can/lazylibrary.h"
#include "platform/clock.h"
#include "platform/sync.h"
#include "scriptedbackend.h"
#include "tests/support/eventually.h"

namespace {

using namespace std::chrono_literals;
using benchtest::Eventually;

CanMessage Frame(std::uint32_t id) {
  CanMessage frame{};
  frame.Id = id;
  frame.Length = 2;
  frame.Data[0] = static_cast<std::uint8_t>(id);
  frame.Data[1] = static_cast<std::uint8_t>(id >> 8);
  return frame;
}

std::vector<std::uint32_t> Ids(const std::vector<CanMessage>& frames) {
  std::vector<std::uint32_t> ids;
  for (const CanMessage& frame : frames) ids.push_back(frame.Id);
  return ids;
}

class CardTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(card.Open(CAN_INTERFACE_QX240, backend, 77, settings)); }
  void TearDown() override {
    card.Stop();
    card.Release();
    platform::SetTimeScale(1);
  }

  std::size_t SentCount() { return backend.Sent().size(); }

  ScriptedBackend backend;
  InterfaceSettings settings{};
  std::unique_ptr<CanCard> owned = std::make_unique<CanCard>();
  CanCard& card = *owned;
};

TEST_F(CardTest, QueuesOneTo31AreHandedOutThenNoMore) {
  std::int32_t queue = -1;
  for (std::int32_t expected = 1; expected <= 31; ++expected) {
    ASSERT_TRUE(card.CreateQueue(0x100, 0x700, &queue));
    EXPECT_EQ(queue, expected);
  }
  EXPECT_FALSE(card.CreateQueue(0x100, 0x700, &queue));
  EXPECT_EQ(queue, 0);
}

TEST_F(CardTest, ReceivedFramesLandInTheFirstQueueThatTakesThem) {
  // The receive queues a DeviceNet master creates, in its order.
  const std::uint32_t filters[][2] = {{0x407, 0x607}, {0x3C0, 0x7C0}, {0x340, 0x7C0},
                                      {0x380, 0x7C0}, {0x403, 0x607}, {0x740, 0x7C0},
                                      {0x7C0, 0x7C0}, {0x600, 0x600}};
  for (const auto& filter : filters) {
    std::int32_t queue = 0;
    ASSERT_TRUE(card.CreateQueue(filter[0], filter[1], &queue));
  }
  const struct {
    std::uint32_t id;
    std::uint32_t queue;  // 0: the generic ring
  } cases[] = {
      {0x40F, 1}, {0x3C5, 2}, {0x345, 3}, {0x385, 4}, {0x41B, 5},
      {0x745, 6},  // queue 8 would take it as well
      {0x7C5, 7},  // so would queue 8
      {0x605, 8}, {0x123, 0}, {0x7FF, 7},
  };
  const platform::Handle callerEvent = platform::CreateEvent(true, false, nullptr);
  card.SetBufferedReceiveEvent(callerEvent);
  card.SetBuffered(true);
  for (const auto& c : cases) backend.Deliver(Frame(c.id));
  ASSERT_EQ(platform::WaitForSingleObject(callerEvent, 10000), platform::kWaitObject0);
  CanMessage frame{};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    const bool got = c.queue == 0 ? Eventually([&] { return card.ReadGeneric(&frame); })
                                  : Eventually([&] { return card.ReadQueue(c.queue, &frame); });
    ASSERT_TRUE(got);
    EXPECT_EQ(frame.Id, c.id);
  }
  for (std::uint32_t queue = 0; queue < kCanRxQueueCount; ++queue) {
    EXPECT_FALSE(card.ReadQueue(queue, &frame)) << queue;
  }
  EXPECT_FALSE(card.ReadGeneric(&frame));
  platform::CloseHandle(callerEvent);
}

TEST_F(CardTest, ReadsWithAnIdentifierKeepTheQueueConsistent) {
  std::int32_t queue = 0;
  ASSERT_TRUE(card.CreateQueue(0x400, 0x600, &queue));
  for (std::uint32_t id : {0x401u, 0x402u, 0x403u, 0x404u}) ASSERT_TRUE(card.QueueMessage(Frame(id), queue));
  CanMessage frame{};
  ASSERT_TRUE(card.ReadQueueMatching(queue, 0x403, 0x7FF, &frame));
  EXPECT_EQ(frame.Id, 0x403u);
  std::vector<std::uint32_t> rest;
  while (card.ReadQueue(queue, &frame)) rest.push_back(frame.Id);
  EXPECT_EQ(rest, (std::vector<std::uint32_t>{0x401, 0x402, 0x404}));
  EXPECT_FALSE(card.ReadQueue(32, &frame));
  EXPECT_FALSE(card.QueueMessage(Frame(1), 32));
}

TEST_F(CardTest, BufferedModeReleasesHeldFramesHighPriorityFirst) {
  CanMessage n1 = Frame(0x101), h1 = Frame(0x201), n2 = Frame(0x102), h2 = Frame(0x202),
             h3 = Frame(0x203);
  card.Write(&n1, false);
  card.Write(&h1, true);
  card.Write(&n2, false);
  card.Write(&h2, true);
  card.Write(&h3, true);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(SentCount(), 0u) << "nothing goes out before buffered mode";
  card.SetBuffered(true);
  ASSERT_TRUE(Eventually([&] { return SentCount() == 5; }));
  EXPECT_EQ(Ids(backend.Sent()), (std::vector<std::uint32_t>{0x201, 0x202, 0x203, 0x101, 0x102}));
}

TEST_F(CardTest, HighPriorityFrameQueuedMidwayOvertakesTheRest) {
  CanMessage urgent = Frame(0x2FF);
  backend.onTransmit = [&](const CanMessage& frame) {
    if (frame.Id == 0x101) card.Write(&urgent, true);
    return true;
  };
  CanMessage n1 = Frame(0x101), n2 = Frame(0x102);
  card.Write(&n1, false);
  card.Write(&n2, false);
  EXPECT_EQ(card.RunTransmitPass(), CanCard::TransmitOutcome::kEmpty);
  EXPECT_EQ(Ids(backend.Sent()), (std::vector<std::uint32_t>{0x101, 0x2FF, 0x102}));
}

TEST_F(CardTest, RefusedFrameIsOfferedAgainAndSentOnce) {
  std::atomic<int> attempts{0};
  backend.onTransmit = [&](const CanMessage&) { return ++attempts > 5; };
  CanMessage n1 = Frame(0x101), n2 = Frame(0x102);
  card.Write(&n1, false);
  card.Write(&n2, false);
  EXPECT_EQ(card.RunTransmitPass(), CanCard::TransmitOutcome::kRefused);
  card.SetBuffered(true);
  ASSERT_TRUE(Eventually([&] { return SentCount() == 2; }));
  EXPECT_EQ(Ids(backend.Sent()), (std::vector<std::uint32_t>{0x101, 0x102}));
  EXPECT_EQ(attempts.load(), 7);
}

TEST_F(CardTest, InBufferedModeAFrameWithNothingQueuedGoesOutFromTheWritingThread) {
  card.SetBuffered(true);
  const std::thread::id writer = std::this_thread::get_id();
  std::atomic<bool> sentByWriter{false};
  backend.onTransmit = [&](const CanMessage&) {
    if (std::this_thread::get_id() == writer) sentByWriter = true;
    return true;
  };
  // The transmit thread may still be in the pass SetBuffered woke it for, and
  // a frame written meanwhile is left to it; once it rests, a lone frame goes
  // out from the writer before Write returns.
  for (std::size_t written = 1; written <= 20 && !sentByWriter; ++written) {
    CanMessage frame = Frame(0x101);
    card.Write(&frame, false);
    ASSERT_TRUE(Eventually([&] { return SentCount() == written; }));
  }
  EXPECT_TRUE(sentByWriter);
}

TEST_F(CardTest, AFrameRefusedInTheWritingThreadIsRetriedAheadOfLaterFrames) {
  card.SetBuffered(true);
  std::atomic<int> attempts{0};
  backend.onTransmit = [&](const CanMessage& frame) { return ++attempts > 1 || frame.Id != 0x101; };
  CanMessage n1 = Frame(0x101), n2 = Frame(0x102), h1 = Frame(0x201);
  card.Write(&n1, false);
  card.Write(&n2, false);
  card.Write(&h1, true);
  ASSERT_TRUE(Eventually([&] { return SentCount() == 3; }));
  const std::vector<std::uint32_t> sent = Ids(backend.Sent());
  EXPECT_EQ(sent.size(), 3u);
  // The high-priority frame may overtake the refused one; normal ones keep their order.
  EXPECT_LT(std::find(sent.begin(), sent.end(), 0x101u), std::find(sent.begin(), sent.end(), 0x102u));
}

TEST_F(CardTest, AReaderWaitingForFramesWakesForOnesThatCameAfterItLooked) {
  constexpr auto kLongWait = std::chrono::seconds(60);
  const auto before = std::chrono::steady_clock::now();
  // Queued between the reader's look and its wait: not missed.
  const std::uint64_t seen = card.ReceivedCount();
  card.QueueGeneric(Frame(0x101));
  card.WaitForFramesAfter(seen, kLongWait);
  // Queued while it waits.
  const std::uint64_t seenAgain = card.ReceivedCount();
  auto writer = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(20ms);
    card.QueueMessage(Frame(0x102), 3);
  });
  card.WaitForFramesAfter(seenAgain, kLongWait);
  writer.get();
  EXPECT_LT(std::chrono::steady_clock::now() - before, kLongWait / 2);
}

TEST_F(CardTest, ALinkThatRefusesEverythingIsRetriedCalmlyAndStopEndsIt) {
  std::atomic<int> attempts{0};
  backend.onTransmit = [&](const CanMessage&) {
    ++attempts;
    return false;
  };
  CanMessage frame = Frame(0x101);
  card.Write(&frame, false);
  card.SetBuffered(true);
  std::this_thread::sleep_for(200ms);
  EXPECT_GE(attempts.load(), 1);
  EXPECT_LT(attempts.load(), 150) << "the refused frame is retried without a pause";
  const auto before = std::chrono::steady_clock::now();
  card.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 900ms);
  card.Release();
  EXPECT_TRUE(card.IsFree());
}

TEST_F(CardTest, FramesQueuedWhileOneIsOnItsWayAreNeitherSkippedNorRepeated) {
  constexpr std::uint32_t kFlood = 1100;
  bool flooded = false;
  backend.onTransmit = [&](const CanMessage&) {
    if (!flooded) {
      flooded = true;
      // The ring overflows under the frame being sent: it loses that frame
      // and the oldest of the new ones.
      for (std::uint32_t i = 0; i < kFlood; ++i) {
        CanMessage next = Frame(0x1000 + i);
        card.Write(&next, false);
      }
    }
    return true;
  };
  CanMessage first = Frame(0x1);
  card.Write(&first, false);
  EXPECT_EQ(card.RunTransmitPass(), CanCard::TransmitOutcome::kEmpty);
  std::vector<std::uint32_t> expected{0x1};
  for (std::uint32_t i = kFlood - CanFrameRing::kCapacity; i < kFlood; ++i) expected.push_back(0x1000 + i);
  EXPECT_EQ(Ids(backend.Sent()), expected);
}

TEST_F(CardTest, StopJoinsBothThreadsAndFreesTheSlot) {
  card.SetBuffered(true);
  const auto before = std::chrono::steady_clock::now();
  card.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 900ms);
  EXPECT_EQ(backend.ReceiveEvent(), 0) << "the receive event stays registered";
  EXPECT_FALSE(card.IsFree()) << "still open until released";
  card.Release();
  EXPECT_TRUE(card.IsFree());
}

TEST_F(CardTest, AThreadThatOutlivesTheStopWaitKeepsTheSlotUntilItEnds) {
  platform::SetTimeScale(100);  // the stop wait of 1000 ms passes in 10 ms
  std::promise<void> linkFreed;
  std::shared_future<void> freed = linkFreed.get_future().share();
  std::atomic<bool> inside{false};
  backend.onTransmit = [&](const CanMessage&) {
    inside = true;
    freed.wait();
    return true;
  };
  CanMessage frame = Frame(0x101);
  card.Write(&frame, false);
  card.SetBuffered(true);
  ASSERT_TRUE(Eventually([&] { return inside.load(); }));
  card.Stop();
  card.Release();
  EXPECT_FALSE(card.IsFree()) << "a slot is reused under a live thread";
  linkFreed.set_value();
  EXPECT_TRUE(Eventually([&] { return card.IsFree(); }));
}

TEST_F(CardTest, ReceiveIsPolledWhenTheBackEndCannotSignal) {
  backend.signalsReceive = false;
  card.SetBuffered(true);
  backend.Deliver(Frame(0x321));
  CanMessage frame{};
  ASSERT_TRUE(Eventually([&] { return card.ReadGeneric(&frame); }));
  EXPECT_EQ(frame.Id, 0x321u);
}

TEST(HostTimeStamp, CarriesMicrosecondsFromTheWhole64BitCounter) {
  // Run the clock fast until it has passed 2^33 microseconds.
  platform::SetTimeScale(1e7);
  ASSERT_TRUE(Eventually([] { return platform::NowMicroseconds() > (1ull << 33); }));
  platform::SetTimeScale(1);
  const std::uint64_t before = platform::NowMicroseconds();
  CanMessage frame{};
  StampWithHostTime(&frame);
  const std::uint64_t after = platform::NowMicroseconds();
  const std::uint64_t stamp = (std::uint64_t{frame.TimeStampHigh} << 32) | frame.TimeStampLow;
  EXPECT_GE(stamp + 1, before);
  EXPECT_LE(stamp, after + 1);
}

TEST(CardTable, OpeningRefusesTypesItDoesNotServe) {
  InterfaceSettings settings{};
  std::int32_t card = 5;
  EXPECT_EQ(OpenCanCard(&card, 2, settings), 0);
  EXPECT_EQ(card, -1) << "an unknown type writes -1";
  for (std::int32_t type : {CAN_INTERFACE_SST_CAN2A, CAN_INTERFACE_IXXAT_VCI}) {
    card = 5;
    EXPECT_EQ(OpenCanCard(&card, type, settings), 0) << type;
    EXPECT_EQ(card, 5) << "no back-end for this type in this build";
  }
  EXPECT_EQ(FindCard(-1), nullptr);
}

TEST(LazyLibraryTest, AFailedLoadIsTriedAgainAndALoadedOneBindsOnce) {
  LazyLibrary missing("no_such_library.dll");
  int binds = 0;
  auto bind = [&](platform::ModuleHandle) { ++binds; };
  EXPECT_FALSE(missing.Ensure(bind));
  EXPECT_FALSE(missing.Ensure(bind));
  LazyLibrary present("libplatform.dll");
  EXPECT_TRUE(present.Ensure(bind));
  EXPECT_TRUE(present.Ensure(bind));
  EXPECT_EQ(binds, 1);
}

}  // namespace
