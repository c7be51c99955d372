// VRK_CAN end to end: the real vrk_can.so and qx240.so over a pseudo-terminal
// to the bench's QX240 adapter, with another peer on the virtual bus.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <vector>

#include "platform/lasterror.h"
#include "platform/sync.h"
#include "tests/support/qx240bench.h"
#include "vrkcanlibrary.h"

namespace {

using namespace std::chrono_literals;

constexpr std::int32_t kQueueCount = 8;
// The receive queues a DeviceNet master creates, in its order.
constexpr std::uint32_t kMasterQueues[kQueueCount][2] = {
    {0x407, 0x607}, {0x3C0, 0x7C0}, {0x340, 0x7C0}, {0x380, 0x7C0},
    {0x403, 0x607}, {0x740, 0x7C0}, {0x7C0, 0x7C0}, {0x600, 0x600}};

CanMessage Message(std::uint32_t id, std::initializer_list<std::uint8_t> bytes) {
  CanMessage message{};
  message.Id = id;
  message.Length = static_cast<std::uint8_t>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), message.Data);
  return message;
}

class BenchTest : public benchtest::CardBench<> {
 protected:
  BenchTest() : CardBench("VRK_CAN.dll") {}

  void SetUp() override {
    CardBench::SetUp();
    if (HasFatalFailure()) return;
    OpenCard();
  }

  void TearDown() override {
    CardBench::TearDown();
    if (receiveEvent != 0) platform::CloseHandle(receiveEvent);
  }

  // What the DeviceNet master does when it opens a card and goes online.
  void OpenLikeTheDeviceNetMaster(std::uint32_t ownCheckId) {
    for (std::int32_t i = 0; i < kQueueCount; ++i) {
      std::int32_t queue = -1;
      ASSERT_EQ(VRK_CAN(library, CreateQueue)(card, kMasterQueues[i][0], kMasterQueues[i][1], &queue), 1);
      EXPECT_EQ(queue, i + 1);
    }
    ASSERT_EQ(VRK_CAN(library, SetBufferedMode)(card, 1), 1);
    receiveEvent = platform::CreateEvent(true, false, nullptr);
    ASSERT_EQ(VRK_CAN(library, CAN_RegisterBufferedReceiveEvent)(card, receiveEvent, 1), 1);
    ASSERT_EQ(VRK_CAN(library, CAN_SetBaud)(card, 125000), 1);
    ASSERT_EQ(VRK_CAN(library, CAN_SetOnline)(card, 1), 1);
    ASSERT_EQ(VRK_CAN(library, CAN_RemoveFilter)(card, 0xFFFFFFFF), 1);
    ASSERT_EQ(VRK_CAN(library, CAN_AddFilter)(card, ownCheckId), 1);
  }

  // Waits for the adapter to have seen what the host sent.
  template <typename Predicate>
  bool AdapterReaches(Predicate done) {
    return benchtest::Eventually([&] { return done(adapter.State()); });
  }

  sim::BusPeer peer = bus.Attach("peer");
  platform::Handle receiveEvent = 0;
};

TEST_F(BenchTest, DeviceNetMasterOpeningReachesTheAdapter) {
  OpenLikeTheDeviceNetMaster(0x407);
  ASSERT_EQ(VRK_CAN(library, CAN_AddFilter)(card, 0x3C5), 1);
  ASSERT_TRUE(AdapterReaches([](const sim::Qx240AdapterState& state) {
    return state.online && state.filters.count(0x3C5) != 0;
  }));
  const sim::Qx240AdapterState state = adapter.State();
  EXPECT_EQ(state.bitRate, 125000u);
  EXPECT_TRUE(state.filtering);
  EXPECT_EQ(state.filters, (std::set<std::uint32_t>{0x407, 0x3C5}));
  EXPECT_EQ(state.rejectedHostFrames, 0u);
  std::int32_t online = 0;
  EXPECT_EQ(VRK_CAN(library, CAN_GetOnline)(card, &online), 1);
  EXPECT_EQ(online, 1);
}

TEST_F(BenchTest, FramesFromAnotherPeerLandInTheirQueues) {
  OpenLikeTheDeviceNetMaster(0x407);
  ASSERT_EQ(VRK_CAN(library, CAN_AddFilter)(card, 0x3C5), 1);
  ASSERT_EQ(VRK_CAN(library, CAN_AddFilter)(card, 0x7C5), 1);
  ASSERT_TRUE(AdapterReaches([](const sim::Qx240AdapterState& state) {
    return state.online && state.filters.size() == 3;
  }));
  peer.Send(sim::CanFrame::Standard(0x407, {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}));
  peer.Send(sim::CanFrame::Standard(0x123, {0xEE}));  // no filter passes it
  peer.Send(sim::CanFrame::Standard(0x3C5, {0xA1, 0xA2}));
  peer.Send(sim::CanFrame::Standard(0x7C5, {}));  // queue 7 before queue 8
  ASSERT_EQ(platform::WaitForSingleObject(receiveEvent, 10000), platform::kWaitObject0);
  const struct {
    std::uint32_t queue;
    CanMessage expected;
  } cases[] = {
      {1, Message(0x407, {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06})},
      {2, Message(0x3C5, {0xA1, 0xA2})},
      {7, Message(0x7C5, {})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.queue);
    CanMessage got{};
    ASSERT_EQ(VRK_CAN(library, CAN_Read_ID_Wait_Buffered_Queue)(card, &got, 0, 0, 5000, c.queue), 1);
    EXPECT_EQ(got.Id, c.expected.Id);
    ASSERT_EQ(got.Length, c.expected.Length);
    EXPECT_TRUE(std::equal(got.Data, got.Data + got.Length, c.expected.Data));
    EXPECT_EQ(VRK_CAN(library, CAN_Read_Buffered_Queue)(card, &got, c.queue), 0) << "one frame only";
  }
  CanMessage other{};
  EXPECT_EQ(VRK_CAN(library, CAN_Read_Buffered)(card, &other), 0);
  EXPECT_EQ(VRK_CAN(library, CAN_Read_Buffered_Queue)(card, &other, 8), 0);
}

TEST_F(BenchTest, BufferedWritesReachThePeerHighPriorityFirst) {
  ASSERT_EQ(VRK_CAN(library, CAN_SetBaud)(card, 125000), 1);
  ASSERT_EQ(VRK_CAN(library, CAN_SetOnline)(card, 1), 1);
  CanMessage n1 = Message(0x101, {1}), n2 = Message(0x102, {2, 2});
  CanMessage h1 = Message(0x041, {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48});
  CanMessage h2 = Message(0x042, {});
  h2.Flags = kCanFlagRemote;
  h2.Length = 4;
  // Held until buffered mode comes on, then sent high priority first.
  for (CanMessage* message : {&n1, &n2}) ASSERT_EQ(VRK_CAN(library, CAN_Write_Buffered)(card, message), 1);
  for (CanMessage* message : {&h1, &h2}) ASSERT_EQ(VRK_CAN(library, CAN_Write_Buffered_HP)(card, message), 1);
  ASSERT_EQ(VRK_CAN(library, SetBufferedMode)(card, 1), 1);
  const std::vector<sim::CanFrame> expected = {
      sim::CanFrame::Standard(0x041, {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48}),
      sim::CanFrame::Remote(0x042, 4), sim::CanFrame::Standard(0x101, {1}),
      sim::CanFrame::Standard(0x102, {2, 2})};
  for (const sim::CanFrame& want : expected) {
    sim::BusFrame got;
    ASSERT_EQ(peer.Receive(got, 10s), sim::ReceiveStatus::Received);
    EXPECT_EQ(got.frame, want) << sim::ToString(got.frame);
  }
}

TEST_F(BenchTest, VersionsWalkDownTheStack) {
  const struct {
    std::int32_t level;
    int result;
    const char* name;
  } levels[] = {{0, 1, "VRK_CAN"}, {1, 1, "QX240"}, {2, 0, "NULL"}};
  for (const auto& level : levels) {
    char name[32] = {};
    EXPECT_EQ(VRK_CAN(library, DLL_Name)(card, level.level, name), level.result) << level.level;
    EXPECT_STREQ(name, level.name);
  }
  std::int32_t major = -1, minor = -1;
  EXPECT_EQ(VRK_CAN(library, DLL_Version)(card, 1, &major, &minor), 1);
  EXPECT_EQ(major, 1);
  EXPECT_EQ(minor, 7);
  EXPECT_EQ(VRK_CAN(library, DLL_Version)(card, 2, &major, &minor), 0);
  EXPECT_EQ(VRK_CAN(library, Hardware_Version)(card, &major, &minor), 1);
  EXPECT_EQ(major, 1);
  EXPECT_EQ(minor, 3);
  EXPECT_EQ(VRK_CAN(library, Firmware_Version)(card, &major, &minor), 1);
  EXPECT_EQ(major, 2);
  EXPECT_EQ(minor, 5);
}

TEST_F(BenchTest, ByteWideGettersFillTheWholeValue) {
  using Setter = decltype(::CAN_SetBrp);
  using Getter = decltype(::CAN_GetBrp);
  const struct {
    Setter* set;
    Getter* get;
    std::int32_t value;
  } timings[] = {{VRK_CAN(library, CAN_SetBrp), VRK_CAN(library, CAN_GetBrp), 3},
                 {VRK_CAN(library, CAN_SetSjw), VRK_CAN(library, CAN_GetSjw), 1},
                 {VRK_CAN(library, CAN_SetTSeg1), VRK_CAN(library, CAN_GetTSeg1), 12},
                 {VRK_CAN(library, CAN_SetTSeg2), VRK_CAN(library, CAN_GetTSeg2), 7}};
  for (const auto& timing : timings) {
    ASSERT_EQ(timing.set(card, timing.value), 1);
    std::int32_t got = -1;  // every byte set
    EXPECT_EQ(timing.get(card, &got), 1);
    EXPECT_EQ(got, timing.value);
  }
  std::uint32_t bitRate = 0;
  ASSERT_EQ(VRK_CAN(library, CAN_SetBaud)(card, 250000), 1);
  EXPECT_EQ(VRK_CAN(library, CAN_GetBaud)(card, &bitRate), 1);
  EXPECT_EQ(bitRate, 250000u);
}

TEST_F(BenchTest, CloseCardStopsPromptlyAndTheSlotOpensAgain) {
  OpenLikeTheDeviceNetMaster(0x407);
  CanMessage message = Message(0x407, {0x80});
  ASSERT_EQ(VRK_CAN(library, CAN_Write_Buffered)(card, &message), 1);
  sim::BusFrame got;
  ASSERT_EQ(peer.Receive(got, 10s), sim::ReceiveStatus::Received);
  const auto before = std::chrono::steady_clock::now();
  const std::int32_t closed = card;
  card = kNoCard;
  ASSERT_EQ(VRK_CAN(library, CloseCard)(closed), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
  std::int32_t online = 0;
  EXPECT_EQ(VRK_CAN(library, CAN_GetOnline)(closed, &online), 0) << "the card is gone";
  EXPECT_EQ(VRK_CAN(library, CAN_Write_Buffered)(closed, &message), 0);

  InterfaceConfiguration configuration{};
  configuration.InterfaceType = CAN_INTERFACE_QX240;
  configuration.ComPort = 1;
  ASSERT_EQ(VRK_CAN(library, OpenInterface)(&card, &configuration), 1);
  std::int32_t queue = 0;
  EXPECT_EQ(VRK_CAN(library, CreateQueue)(card, 0x407, 0x607, &queue), 1);
  EXPECT_EQ(queue, 1) << "the reopened card starts with fresh queues";
}

// No window opened, so no configuration was accepted: the call fails rather
// than letting its caller store settings nobody chose.
TEST_F(BenchTest, HardwareWindowWithoutItsDialogLibraryFails) {
  if (std::filesystem::exists(platform::ProgramDirectory() + "/vrk_qx24x_cfg.so")) {
    GTEST_SKIP() << "the dialog library is present; its window is not opened in tests";
  }
  InterfaceConfiguration configuration{};
  configuration.InterfaceType = CAN_INTERFACE_QX240;
  EXPECT_EQ(VRK_CAN(library, HardwareConfigurationWindow)(&configuration), 0);
}

}  // namespace
