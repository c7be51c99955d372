// Scanlist calls against the scan thread's work on a node: a node put back on
// the scanlist while the scan is releasing it must come back. The scan's side
// is played here by holding the node's work lock across the release's
// "nothing wanted" verdict and the record's reset.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>

#include "devicenet/dncn.h"

namespace {

using namespace std::chrono_literals;

constexpr int kNode = 7;

class ScanlistRaceTest : public ::testing::Test {
 protected:
  // A card that is never started: no threads, no CAN traffic.
  dncn::Card card{0, 0, -1};
  const DnetScanlistEntry entry{};
};

TEST_F(ScanlistRaceTest, AReAddDuringTheReleaseWaitsForItAndSurvivesTheReset) {
  ASSERT_TRUE(dncn::AddToScanlist(card, kNode, dncn::kChoiceExplicit, entry));
  ASSERT_TRUE(dncn::RemoveFromScanlist(card, kNode, dncn::kChoiceExplicit));
  dncn::Node& node = *card.NodeAt(kNode);

  std::future<bool> reAdd;
  {
    std::lock_guard scan(node.workMutex);
    ASSERT_EQ(node.wantedSet | node.wantedUcmm, 0) << "the release sees nothing wanted";
    reAdd = std::async(std::launch::async, [&] { return dncn::AddToScanlist(card, kNode, dncn::kChoiceExplicit, entry); });
    // Time for a re-add that ignores the lock to land before the reset.
    EXPECT_EQ(reAdd.wait_for(200ms), std::future_status::timeout) << "the re-add did not wait for the scan";
    for (int slot = 0; slot < dncn::kSlotCount; ++slot) card.DeleteSlot(node, slot);
    node.ResetInPlace();
  }
  ASSERT_TRUE(reAdd.get());
  EXPECT_EQ(node.scanlistChoice, dncn::kChoiceExplicit);
  EXPECT_EQ(node.wantedUcmm, dncn::kChoiceExplicit);
  EXPECT_NE(node.Slot(dncn::kSlotExplicit), nullptr);
}

TEST_F(ScanlistRaceTest, ARemovalWaitsForTheScanToFinishWithTheNode) {
  ASSERT_TRUE(dncn::AddToScanlist(card, kNode, dncn::kChoiceExplicit, entry));
  dncn::Node& node = *card.NodeAt(kNode);

  std::future<bool> removal;
  {
    std::lock_guard scan(node.workMutex);
    removal = std::async(std::launch::async, [&] { return dncn::RemoveFromScanlist(card, kNode, dncn::kChoiceExplicit); });
    EXPECT_EQ(removal.wait_for(200ms), std::future_status::timeout) << "the removal did not wait for the scan";
    EXPECT_EQ(node.wantedUcmm, dncn::kChoiceExplicit) << "changed under the scan's feet";
  }
  ASSERT_TRUE(removal.get());
  EXPECT_EQ(node.scanlistChoice | node.wantedSet | node.wantedUcmm, 0);
}

}  // namespace
