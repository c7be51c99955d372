// IXXAT boards through VRK_CAN against the bench's VCI library: two boards on
// one bus, their shared receive ring, their own queues, and the board
// selection of the registration library.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "sim/canbus.h"
#include "can/ixxatvci.h"
#include "platform/module.h"
#include "tests/support/boundlibrary.h"
#include "tests/support/eventually.h"
#include "tests/support/ixxatbench.h"
#include "tests/support/sstbench.h"
#include "vrkcanlibrary.h"

namespace {

using namespace std::chrono_literals;
using benchtest::Eventually;

constexpr std::uint32_t kFiltered = 0x123;

class IxxatBoardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(can.Loaded());
    ASSERT_TRUE(endpoint.Start());
  }
  void TearDown() override {
    for (std::int32_t card : cards) {
      if (card != 0) VRK_CAN(can, CloseCard)(card);
    }
  }

  std::int32_t Open(std::int32_t number) {
    InterfaceSettings settings{};
    settings.SubType = sim::vcibench::kBoardType;
    settings.Number = number;
    std::int32_t card = 0;
    EXPECT_EQ(VRK_CAN(can, OpenCard)(&card, CAN_INTERFACE_IXXAT_VCI, &settings), 1) << number;
    cards.push_back(card);
    return card;
  }

  void Close(std::int32_t card) {
    EXPECT_EQ(VRK_CAN(can, CloseCard)(card), 1);
    std::erase(cards, card);
  }

  bool Receives(std::int32_t card, CanMessage& frame) {
    return Eventually([&] { return VRK_CAN(can, CAN_Receive)(card, &frame) == 1; }, 10s);
  }

  // Sends from the peer and waits until the bus has delivered it.
  void PeerSends(const sim::CanFrame& frame) {
    ASSERT_EQ(peer.Send(frame), sim::SendResult::Queued);
    ASSERT_TRUE(bus.WaitIdle(10s));
  }

  sim::CanBus bus;
  sim::BusPeer peer = bus.Attach("peer");
  benchtest::SstBusEndpoint endpoint{bus};
  VrkCanLibrary can;
  std::vector<std::int32_t> cards;
};

TEST_F(IxxatBoardTest, TwoBoardsShareTheRingButKeepTheirOwnQueues) {
  const std::int32_t first = Open(0);
  const std::int32_t second = Open(1);
  ASSERT_NE(first, second);
  for (std::int32_t card : {first, second}) {
    EXPECT_EQ(VRK_CAN(can, CAN_SetBaud)(card, 800000), 0) << "no timing for this rate";
    ASSERT_EQ(VRK_CAN(can, CAN_SetBaud)(card, bus.BitRate()), 1);
    ASSERT_EQ(VRK_CAN(can, CAN_SetOnline)(card, 1), 1);
  }
  // The controller takes a filter only while stopped: accepting one online
  // restarts it.
  ASSERT_EQ(VRK_CAN(can, CAN_AddFilter)(second, kFiltered), 1);

  PeerSends(sim::CanFrame::Standard(kFiltered, {1, 2, 3}));
  PeerSends(sim::CanFrame::Standard(kFiltered + 1, {9}));  // accepted by no board
  PeerSends(sim::CanFrame::Remote(kFiltered, 2));
  CanMessage frame{};
  ASSERT_TRUE(Receives(first, frame)) << "a frame of either board is read through either";
  EXPECT_EQ(frame.Id, kFiltered);
  EXPECT_EQ(frame.Flags, 0);
  ASSERT_EQ(frame.Length, 3);
  EXPECT_EQ(frame.Data[2], 3);
  ASSERT_TRUE(Receives(second, frame));
  EXPECT_EQ(frame.Flags, 0x90) << "a remote frame";
  EXPECT_EQ(VRK_CAN(can, CAN_Receive)(second, &frame), 0);

  // Each board sends through its own transmit queue, and closing one leaves
  // the other's queues working.
  CanMessage out{};
  out.Id = 0x321;
  out.Length = 1;
  EXPECT_EQ(VRK_CAN(can, CAN_Transmit)(first, &out), 1);
  sim::BusFrame sent;
  ASSERT_EQ(peer.Receive(sent, 10s), sim::ReceiveStatus::Received);
  EXPECT_EQ(sent.frame, sim::CanFrame::Standard(0x321, {0}));
  Close(first);
  out.Flags = kCanFlagRemote;
  EXPECT_EQ(VRK_CAN(can, CAN_Transmit)(second, &out), 1);
  out.Flags = 0;
  out.Length = 9;
  EXPECT_EQ(VRK_CAN(can, CAN_Transmit)(second, &out), 0) << "more than eight bytes";
  ASSERT_EQ(peer.Receive(sent, 10s), sim::ReceiveStatus::Received);
  EXPECT_TRUE(sent.frame.remote);
  PeerSends(sim::CanFrame::Standard(kFiltered, {4}));
  ASSERT_TRUE(Receives(second, frame));
  EXPECT_EQ(frame.Data[0], 4);

  // Withdrawn, the identifier no longer comes in.
  ASSERT_EQ(VRK_CAN(can, CAN_RemoveFilter)(second, kFiltered), 1);
  PeerSends(sim::CanFrame::Standard(kFiltered, {5}));
  EXPECT_EQ(VRK_CAN(can, CAN_Receive)(second, &frame), 0);
}

TEST_F(IxxatBoardTest, ARefusedFilterFailsWhileTheControllerRunsOn) {
  const std::int32_t card = Open(0);
  // The bench's library takes eleven-bit identifiers only.
  EXPECT_EQ(VRK_CAN(can, CAN_AddFilter)(card, 0x800), 0) << "offline";
  ASSERT_EQ(VRK_CAN(can, CAN_SetOnline)(card, 1), 1);
  ASSERT_EQ(VRK_CAN(can, CAN_AddFilter)(card, kFiltered), 1);
  EXPECT_EQ(VRK_CAN(can, CAN_AddFilter)(card, 0x800), 0) << "online: the restart does not hide it";
  EXPECT_EQ(VRK_CAN(can, CAN_AddFilter)(card, kFiltered), 1) << "already accepted";

  // The controller came back after the refused change.
  PeerSends(sim::CanFrame::Standard(kFiltered, {1}));
  CanMessage frame{};
  ASSERT_TRUE(Receives(card, frame));
  EXPECT_EQ(frame.Data[0], 1);

  // Withdrawing every identifier (all bits set) closes the filter.
  ASSERT_EQ(VRK_CAN(can, CAN_RemoveFilter)(card, 0xFFFFFFFF), 1);
  EXPECT_EQ(VRK_CAN(can, CAN_RemoveFilter)(card, 0xFFFFFFFF), 1) << "nothing left to withdraw";
  PeerSends(sim::CanFrame::Standard(kFiltered, {2}));
  EXPECT_EQ(VRK_CAN(can, CAN_Receive)(card, &frame), 0);
}

// The bench's VCI library, the very file VRK_CAN loads.
struct BenchVci : benchtest::BoundLibrary {
  BenchVci()
      : BoundLibrary((platform::ProgramDirectory() + "/bench-libraries/vci11un6.so").c_str()) {}
  BOUND_EXPORT(Bench_Deliver, void(const VciCanObject*));
};

TEST_F(IxxatBoardTest, ADataLengthCodeAboveEightGivesEightBytes) {
  const std::int32_t card = Open(0);
  ASSERT_EQ(VRK_CAN(can, CAN_SetOnline)(card, 1), 1);
  BenchVci vci;
  ASSERT_NE(vci.Bench_Deliver, nullptr);
  VciCanObject object{};
  object.Id = 0x55;
  object.Bits = 15;
  for (std::uint8_t i = 0; i < 8; ++i) object.Data[i] = static_cast<std::uint8_t>(0xA0 + i);
  vci.Bench_Deliver(&object);
  CanMessage frame{};
  ASSERT_EQ(VRK_CAN(can, CAN_Receive)(card, &frame), 1);
  EXPECT_EQ(frame.Id, 0x55u);
  ASSERT_EQ(frame.Length, 8);
  EXPECT_EQ(frame.Data[7], 0xA7);
}

TEST_F(IxxatBoardTest, ABoardAlreadyOpenOrUnknownDoesNotOpenAgain) {
  Open(0);
  InterfaceSettings settings{};
  settings.SubType = sim::vcibench::kBoardType;
  std::int32_t card = 0;
  EXPECT_EQ(VRK_CAN(can, OpenCard)(&card, CAN_INTERFACE_IXXAT_VCI, &settings), 0);
  settings.Number = sim::vcibench::kBoardCount;
  EXPECT_EQ(VRK_CAN(can, OpenCard)(&card, CAN_INTERFACE_IXXAT_VCI, &settings), 0);
}

TEST_F(IxxatBoardTest, BoardSelectionFillsTheRecordWithTheChosenBoard) {
  InterfaceConfiguration record{};
  record.InterfaceType = CAN_INTERFACE_IXXAT_VCI;
  record.ComBaud = 9600;
  record.Reserved0 = 7;
  ASSERT_EQ(VRK_CAN(can, HardwareConfigurationWindow)(&record), 1);
  EXPECT_EQ(record.InterfaceType, CAN_INTERFACE_IXXAT_VCI);
  EXPECT_EQ(record.ComBaud, 0);
  EXPECT_EQ(record.SubType, sim::vcibench::kBoardType);
  EXPECT_EQ(record.Number, 0);
  EXPECT_STREQ(record.AccessPoint, "VCI bench board 0");
  EXPECT_EQ(record.Reserved0, 7) << "reserved words are carried";
  // The chosen board opens.
  std::int32_t card = 0;
  ASSERT_EQ(VRK_CAN(can, OpenCard)(&card, record.InterfaceType,
                                   reinterpret_cast<const InterfaceSettings*>(&record.Port)),
            1);
  cards.push_back(card);
}

}  // namespace
