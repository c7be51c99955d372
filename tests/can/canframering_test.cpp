#include "can/canframering.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

CanMessage Frame(std::uint32_t id) {
  CanMessage frame{};
  frame.Id = id;
  frame.Length = 1;
  frame.Data[0] = static_cast<std::uint8_t>(id);
  return frame;
}

std::vector<std::uint32_t> DrainIds(CanFrameRing& ring) {
  std::vector<std::uint32_t> ids;
  CanMessage frame{};
  while (ring.TakeOldest(&frame)) ids.push_back(frame.Id);
  return ids;
}

std::vector<std::uint32_t> Range(std::uint32_t first, std::uint32_t last) {
  std::vector<std::uint32_t> ids;
  for (std::uint32_t id = first; id <= last; ++id) ids.push_back(id);
  return ids;
}

// The ring is large: keep it off the stack.
struct RingTest : ::testing::Test {
  std::unique_ptr<CanFrameRing> owned = std::make_unique<CanFrameRing>();
  CanFrameRing& ring = *owned;
};

TEST_F(RingTest, KeepsArrivalOrderAcrossManyWraps) {
  std::uint32_t next = 0;
  std::uint32_t expected = 0;
  CanMessage frame{};
  // A standing backlog and batches that do not divide the storage move the
  // positions across its end again and again.
  for (int i = 0; i < 300; ++i) ring.Append(Frame(next++));
  for (int round = 0; round < 50; ++round) {
    for (int i = 0; i < 700; ++i) ring.Append(Frame(next++));
    for (int i = 0; i < 700; ++i) {
      ASSERT_TRUE(ring.TakeOldest(&frame));
      ASSERT_EQ(frame.Id, expected++);
    }
  }
  EXPECT_EQ(ring.Count(), next - expected);
  EXPECT_EQ(DrainIds(ring), Range(expected, next - 1));
  EXPECT_EQ(ring.Count(), 0u);
  EXPECT_FALSE(ring.TakeOldest(&frame));
}

TEST_F(RingTest, FullRingDropsItsOldestFrames) {
  for (std::uint32_t id = 0; id < 1024; ++id) EXPECT_FALSE(ring.Append(Frame(id)));
  EXPECT_EQ(ring.Count(), 1024u);
  EXPECT_TRUE(ring.Append(Frame(1024)));
  EXPECT_TRUE(ring.Append(Frame(1025)));
  EXPECT_EQ(ring.Count(), 1024u);
  EXPECT_EQ(DrainIds(ring), Range(2, 1025));
}

TEST_F(RingTest, TakeByIdentifierLeavesTheOthersInOrder) {
  for (std::uint32_t id : {0x101u, 0x202u, 0x303u, 0x204u, 0x105u}) ring.Append(Frame(id));
  CanMessage frame{};
  // Bits outside the mask do not matter.
  ASSERT_TRUE(ring.TakeFirstMatching(0x200, 0xF00, &frame));
  EXPECT_EQ(frame.Id, 0x202u);
  ASSERT_TRUE(ring.TakeFirstMatching(0xFF04, 0x0FF, &frame));
  EXPECT_EQ(frame.Id, 0x204u);
  EXPECT_FALSE(ring.TakeFirstMatching(0x400, 0xF00, &frame));
  // Mask 0 takes the oldest frame whatever its identifier.
  ASSERT_TRUE(ring.TakeFirstMatching(0x7FF, 0, &frame));
  EXPECT_EQ(frame.Id, 0x101u);
  EXPECT_EQ(ring.Count(), 2u);
  EXPECT_EQ(DrainIds(ring), (std::vector<std::uint32_t>{0x303, 0x105}));
}

TEST_F(RingTest, FramesTakenFromTheMiddleNeverComeBackAfterAWrap) {
  std::uint32_t next = 0;
  for (; next < 1000; ++next) ring.Append(Frame(next));
  CanMessage frame{};
  ASSERT_TRUE(ring.TakeFirstMatching(500, 0xFFFFFFFF, &frame));
  for (int i = 0; i < 600; ++i) ring.Append(Frame(next++));
  std::vector<std::uint32_t> drained = DrainIds(ring);
  ASSERT_FALSE(drained.empty());
  EXPECT_EQ(drained.back(), next - 1);
  for (std::size_t i = 1; i < drained.size(); ++i) ASSERT_LT(drained[i - 1], drained[i]);
  for (std::uint32_t id : drained) EXPECT_NE(id, 500u);
  EXPECT_EQ(ring.Count(), 0u);
}

TEST_F(RingTest, SenderTakesOnlyTheFrameItHandedOn) {
  for (std::uint32_t id = 0; id < 3; ++id) ring.Append(Frame(id));
  CanMessage sent{};
  CanFrameRing::Sequence sequence = 0;
  ASSERT_TRUE(ring.PeekOldest(&sent, &sequence));
  EXPECT_EQ(sent.Id, 0u);
  // While the frame was on its way the ring overflowed and lost it.
  for (std::uint32_t id = 3; id < 1025; ++id) ring.Append(Frame(id));
  ring.TakeOldestIf(sequence);
  EXPECT_EQ(ring.Count(), 1024u);  // its successor is still there
  CanMessage oldest{};
  ASSERT_TRUE(ring.PeekOldest(&oldest, &sequence));
  EXPECT_EQ(oldest.Id, 1u);
  ring.TakeOldestIf(sequence);
  ASSERT_TRUE(ring.PeekOldest(&oldest, &sequence));
  EXPECT_EQ(oldest.Id, 2u);
}

TEST_F(RingTest, ClearedRingStartsAfresh) {
  for (std::uint32_t id = 0; id < 10; ++id) ring.Append(Frame(id));
  CanMessage frame{};
  CanFrameRing::Sequence before = 0;
  ASSERT_TRUE(ring.PeekOldest(&frame, &before));
  ring.Clear();
  EXPECT_EQ(ring.Count(), 0u);
  EXPECT_FALSE(ring.TakeOldest(&frame));
  ring.Append(Frame(42));
  ring.TakeOldestIf(before);  // a sequence from before the clear matches nothing
  EXPECT_EQ(DrainIds(ring), (std::vector<std::uint32_t>{42}));
}

}  // namespace
