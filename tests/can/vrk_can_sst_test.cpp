// SST CAN2A cards through VRK_CAN against a scripted CAN2A library: what the
// back-end asks of the library and what it makes of the answers.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "can/sstcan2a.h"
#include "platform/threadmessage.h"
#include "tests/support/eventually.h"
#include "tests/support/scratch.h"
#include "vrkcanlibrary.h"

namespace {

using benchtest::BoundLibrary;
using benchtest::ScopedEnv;

std::string TestLibraries(const char* variant) {
  return platform::ProgramDirectory() + "/test-libraries/sst-" + variant;
}

// The scripted library: the very file VRK_CAN loads.
struct ScriptedCan2a : BoundLibrary {
  ScriptedCan2a() : BoundLibrary((TestLibraries("scripted") + "/ssc2a32.so").c_str()) {}
  BOUND_EXPORT(Script_SetResult, void(const char*, int));
  BOUND_EXPORT(Script_LastOnlineCode, std::int32_t());
  BOUND_EXPORT(Script_Closes, int());
  BOUND_EXPORT(Script_Sent, std::size_t(SstCanMessage*));
  BOUND_EXPORT(Script_LastReceiver, std::uint32_t());
  BOUND_EXPORT(Script_Deliver, void(const SstCanMessage*));
};

InterfaceSettings SstSettings() {
  InterfaceSettings settings{};
  std::strcpy(settings.AccessPoint, "CAN2A-1");
  return settings;
}

class SstCardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(can.Loaded());
    ASSERT_TRUE(script.Loaded());
    // The script lives as long as the process: every test starts from a card
    // that answers.
    for (const char* call : {"C2A_LoadDriver", "C2A_GetModuleHeader", "C2A_Version", "C2A_Driver"}) {
      script.Script_SetResult(call, 1);
    }
  }
  void TearDown() override {
    for (std::int32_t card : cards) VRK_CAN(can, CloseCard)(card);
  }

  int Open() {
    const InterfaceSettings settings = SstSettings();
    std::int32_t card = -1;
    const int result = VRK_CAN(can, OpenCard)(&card, CAN_INTERFACE_SST_CAN2A, &settings);
    if (result == 1) cards.push_back(card);
    return result;
  }
  std::int32_t Card() const { return cards.back(); }

  void UseLibrariesOf(const char* variant) { libraryPath.emplace("FLASHWRIGHT_LIBRARY_PATH", TestLibraries(variant)); }

  std::optional<ScopedEnv> libraryPath{std::in_place, "FLASHWRIGHT_LIBRARY_PATH", TestLibraries("scripted")};
  VrkCanLibrary can;
  ScriptedCan2a script;
  std::vector<std::int32_t> cards;
};

// First in the file: once bound, the library stays bound for the process.
TEST_F(SstCardTest, EveryEntryPointAndTheDriverAreNeededBeforeACardOpens) {
  UseLibrariesOf("incomplete");
  EXPECT_EQ(Open(), 0) << "a library without C2A_Version";
  UseLibrariesOf("scripted");
  script.Script_SetResult("C2A_LoadDriver", 0);
  EXPECT_EQ(Open(), 0) << "a library that refuses its driver";
  script.Script_SetResult("C2A_LoadDriver", 1);
  EXPECT_EQ(Open(), 1);
}

TEST_F(SstCardTest, AModuleHeaderThatCannotBeReadClosesTheCardAndFreesItsRecord) {
  const int closes = script.Script_Closes();
  script.Script_SetResult("C2A_GetModuleHeader", 0);
  EXPECT_EQ(Open(), 0);
  EXPECT_EQ(script.Script_Closes(), closes + 1);
  script.Script_SetResult("C2A_GetModuleHeader", 1);
  for (int i = 0; i < 10; ++i) ASSERT_EQ(Open(), 1) << "card " << i << ": every record is free";
}

TEST_F(SstCardTest, BitRatesGoOnlineWithTheLibrarysCodes) {
  ASSERT_EQ(Open(), 1);
  const struct {
    std::uint32_t bitRate;
    std::int32_t code;
  } rates[] = {{125000, 0}, {250000, 1}, {500000, 2}, {1000000, 3}, {10000, 3}};
  for (const auto& rate : rates) {
    ASSERT_EQ(VRK_CAN(can, CAN_SetBaud)(Card(), rate.bitRate), 1);
    ASSERT_EQ(VRK_CAN(can, CAN_SetOnline)(Card(), 1), 1);
    EXPECT_EQ(script.Script_LastOnlineCode(), rate.code) << rate.bitRate;
    ASSERT_EQ(VRK_CAN(can, CAN_SetOnline)(Card(), 0), 1);
    EXPECT_EQ(script.Script_LastOnlineCode(), -1) << "offline";
  }
}

TEST_F(SstCardTest, OnlyDataFramesOfAtMostEightBytesAreSent) {
  ASSERT_EQ(Open(), 1);
  CanMessage frame{};
  frame.Id = 0x5AB;
  frame.Length = 3;
  frame.Data[0] = 0x11, frame.Data[1] = 0x22, frame.Data[2] = 0x33;
  CanMessage remote = frame;
  remote.Flags = kCanFlagRemote;
  CanMessage tooLong = frame;
  tooLong.Length = 9;
  SstCanMessage sent{};
  const std::size_t before = script.Script_Sent(&sent);
  EXPECT_EQ(VRK_CAN(can, CAN_Transmit)(Card(), &remote), 0);
  EXPECT_EQ(VRK_CAN(can, CAN_Transmit)(Card(), &tooLong), 0);
  EXPECT_EQ(script.Script_Sent(&sent), before);
  ASSERT_EQ(VRK_CAN(can, CAN_Transmit)(Card(), &frame), 1);
  ASSERT_EQ(script.Script_Sent(&sent), before + 1);
  EXPECT_EQ(sent.Id, 0x5AB);
  EXPECT_EQ(sent.Length, 3);
  EXPECT_EQ(std::memcmp(sent.Data, frame.Data, 3), 0);
}

// A buffered write of a frame the card can never send fails at once: queued,
// it would hold up every frame written after it.
TEST_F(SstCardTest, BufferedWritesRefuseWhatTheCardCannotSend) {
  ASSERT_EQ(Open(), 1);
  ASSERT_EQ(VRK_CAN(can, SetBufferedMode)(Card(), 1), 1);
  CanMessage remote{};
  remote.Id = 0x705;
  remote.Flags = kCanFlagRemote;
  CanMessage tooLong{};
  tooLong.Id = 0x706;
  tooLong.Length = 9;
  CanMessage frame{};
  frame.Id = 0x605;
  frame.Length = 8;
  SstCanMessage sent{};
  const std::size_t before = script.Script_Sent(&sent);
  EXPECT_EQ(VRK_CAN(can, CAN_Write_Buffered)(Card(), &remote), 0);
  EXPECT_EQ(VRK_CAN(can, CAN_Write_Buffered_HP)(Card(), &remote), 0);
  EXPECT_EQ(VRK_CAN(can, CAN_Write_Buffered)(Card(), &tooLong), 0);
  ASSERT_EQ(VRK_CAN(can, CAN_Write_Buffered)(Card(), &frame), 1);
  ASSERT_TRUE(benchtest::Eventually([&] { return script.Script_Sent(&sent) == before + 1; }));
  EXPECT_EQ(sent.Id, 0x605);
}

SstCanMessage Message(std::uint16_t id, std::uint8_t length) {
  SstCanMessage message{};
  message.Id = id;
  message.Length = length;
  for (std::uint8_t i = 0; i < 8; ++i) message.Data[i] = static_cast<std::uint8_t>(0xC0 + i);
  message.TimeStampLow = 0x1234;
  message.TimeStampHigh = 0x0002;
  return message;
}

TEST_F(SstCardTest, AReceivedLengthAboveEightIsNeverAFrame) {
  ASSERT_EQ(Open(), 1);
  const SstCanMessage tooLong = Message(0x101, 200);
  script.Script_Deliver(&tooLong);
  CanMessage untouched;
  std::memset(&untouched, 0x5A, sizeof untouched);
  CanMessage frame = untouched;
  EXPECT_EQ(VRK_CAN(can, CAN_Receive)(Card(), &frame), 0);
  EXPECT_EQ(std::memcmp(&frame, &untouched, sizeof frame), 0);

  // Dropped, it does not hold up the frame behind it.
  script.Script_Deliver(&tooLong);
  const SstCanMessage good = Message(0x102, 2);
  script.Script_Deliver(&good);
  ASSERT_EQ(VRK_CAN(can, CAN_Receive)(Card(), &frame), 1);
  EXPECT_EQ(frame.Id, 0x102u);
  EXPECT_EQ(frame.Flags, 0);
  EXPECT_EQ(frame.Length, 2);
  EXPECT_EQ(frame.Data[1], 0xC1);
  EXPECT_EQ(frame.TimeStampLow, 0x1234u);
  EXPECT_EQ(frame.TimeStampHigh, 0x0002u);
}

// The library notifies a thread by message; the card's message loop turns
// that into its receive event, and closing the card ends the loop.
TEST_F(SstCardTest, NotificationsReachBufferedReadsUntilTheCardCloses) {
  ASSERT_EQ(Open(), 1);
  ASSERT_EQ(VRK_CAN(can, SetBufferedMode)(Card(), 1), 1);
  const std::uint32_t loop = script.Script_LastReceiver();
  ASSERT_NE(loop, 0u);
  const SstCanMessage tooLong = Message(0x101, 9);
  const SstCanMessage good = Message(0x321, 8);
  script.Script_Deliver(&tooLong);
  script.Script_Deliver(&good);
  CanMessage frame{};
  ASSERT_EQ(VRK_CAN(can, CAN_Read_Wait_Buffered)(Card(), &frame, 5000), 1);
  EXPECT_EQ(frame.Id, 0x321u);
  EXPECT_EQ(frame.Length, 8);

  ASSERT_EQ(VRK_CAN(can, CloseCard)(Card()), 1);
  cards.pop_back();
  EXPECT_TRUE(benchtest::Eventually([&] { return !platform::PostThreadMessage(loop, 0, 0, 0); }))
      << "the message loop ended";
}

TEST_F(SstCardTest, VersionsComeFromTheLibraryAndItsDriver) {
  ASSERT_EQ(Open(), 1);
  char name[32] = {};
  EXPECT_EQ(VRK_CAN(can, DLL_Name)(Card(), 1, name), 1);
  EXPECT_STREQ(name, "SSC2A32");
  EXPECT_EQ(VRK_CAN(can, DLL_Name)(Card(), 2, name), 0);
  EXPECT_STREQ(name, "NULL");

  std::int32_t major = -1, minor = -1;
  EXPECT_EQ(VRK_CAN(can, DLL_Version)(Card(), 1, &major, &minor), 1);
  EXPECT_EQ(major * 100 + minor, 307);
  EXPECT_EQ(VRK_CAN(can, Firmware_Version)(Card(), &major, &minor), 1);
  EXPECT_EQ(major * 100 + minor, 418);

  script.Script_SetResult("C2A_Version", 0);
  script.Script_SetResult("C2A_Driver", 0);
  EXPECT_EQ(VRK_CAN(can, DLL_Version)(Card(), 1, &major, &minor), 0);
  EXPECT_EQ(major * 100 + minor, 0);
  major = minor = -1;
  EXPECT_EQ(VRK_CAN(can, Firmware_Version)(Card(), &major, &minor), 0);
  EXPECT_EQ(major * 100 + minor, 0);
}

}  // namespace
