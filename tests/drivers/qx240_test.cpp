// The QX240 driver library through its exports, loaded by name as its
// callers load it, against the bench's QX240 adapter on a pseudo-terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "config/interfaceconfiguration.h"
#include "drivers/canmessage.h"
#include "platform/clock.h"
#include "platform/handles.h"
#include "platform/lasterror.h"
#include "platform/sync.h"
#include "sim/canbus.h"
#include "sim/qx240/qx240adapter.h"
#include "sim/qx240/qx240peerkind.h"
#include "sim/qx240/serialline.h"
#include "tests/platform/scoped_time_scale.h"
#include "tests/support/eventually.h"
#include "tests/drivers/adapterapi.h"
#include "tests/support/scratch.h"

namespace {

using drivers::CanMessage;
using std::uint8_t;
using std::uint16_t;
using std::uint32_t;
using std::int32_t;

using drivertest::AdapterApi;

AdapterApi& Api() {
  static AdapterApi api("qx240.dll");
  return api;
}

InterfaceSettings SerialSettings(int32_t comPort) {
  InterfaceSettings settings{};
  settings.ComPort = comPort;
  settings.ComBaud = 57600;
  return settings;
}

std::vector<uint8_t> DeviceFrame(uint32_t id, uint8_t flags, uint8_t length,
                                 std::vector<uint8_t> data) {
  std::vector<uint8_t> bytes = {0x02, uint8_t(id), uint8_t(id >> 8), uint8_t(id >> 16),
                                uint8_t(id >> 24), flags, length};
  data.resize(8);
  bytes.insert(bytes.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (std::size_t i = 1; i < bytes.size(); ++i) sum += bytes[i];
  bytes.push_back(uint8_t(-sum));
  return bytes;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class Qx240Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Api().Loaded()) << "qx240.so not found next to the test";
    StartAdapter({});
  }

  void TearDown() override {
    if (handle_ > 0) Api().CloseCard(handle_);
  }

  void StartAdapter(sim::Qx240AdapterOptions options) {
    peer_.reset();
    adapter_ = std::make_unique<sim::Qx240Adapter>(std::move(options));
    ASSERT_TRUE(adapter_->Start());
    adapter_->AttachToBus(bus_);
    peer_ = std::make_unique<sim::BusPeer>(bus_.Attach("node"));
    setenv("FLASHWRIGHT_COM1", adapter_->SlavePath().c_str(), 1);
  }

  int Open(int32_t comPort = 1) {
    const InterfaceSettings settings = SerialSettings(comPort);
    return Api().OpenCard(&handle_, CAN_INTERFACE_QX240, &settings);
  }

  void OpenOnline() {
    ASSERT_EQ(Open(), 1) << std::hex << platform::GetLastError();
    ASSERT_EQ(Api().CAN_SetOnline(handle_, 1), 1);
    Sync();
  }

  // A query's reply comes after every byte the adapter sent before it, so
  // once it returns, all of those have been parsed.
  void Sync() {
    int32_t online = 0;
    ASSERT_EQ(Api().CAN_GetOnline(handle_, &online), 1);
  }

  std::vector<std::vector<uint8_t>> Commands() { return adapter_->State().commands; }

  sim::CanBus bus_;
  std::unique_ptr<sim::Qx240Adapter> adapter_;
  std::unique_ptr<sim::BusPeer> peer_;
  int32_t handle_ = 0;
};

TEST(Qx240Library, NamesVersionsAndFixedAnswers) {
  AdapterApi& api = Api();
  ASSERT_TRUE(api.Loaded());
  char name[16] = "";
  EXPECT_EQ(api.DLL_Name(0, name), 1);
  EXPECT_STREQ(name, "QX240");
  EXPECT_EQ(api.DLL_Name(1, name), 0);
  EXPECT_STREQ(name, "NULL");
  int32_t major = -1, minor = -1;
  EXPECT_EQ(api.DLL_Version(0, &major, &minor), 1);
  EXPECT_EQ(major * 100 + minor, 107);
  EXPECT_EQ(api.DLL_Version(2, &major, &minor), 0);
  EXPECT_EQ(major + minor, 0);
  char text[8] = "x";
  EXPECT_EQ(api.GetErrorString(0, text), 1);
  EXPECT_STREQ(text, "x");
  EXPECT_EQ(api.LoadDriver(), 1);
  // No window opens in a process without windows: nothing is confirmed.
  InterfaceConfiguration record{};
  record.InterfaceType = CAN_INTERFACE_QX240;
  EXPECT_EQ(api.HardwareConfigurationWindow(&record), 0);
}

TEST_F(Qx240Test, OpenRefusals) {
  struct Case {
    int32_t type;
    int32_t comPort;
    uint32_t error;
    int32_t handle;  // what the out-value holds afterwards
  };
  const Case cases[] = {
      {2, 1, 0, -1},                         // a type the library does not serve
      {CAN_INTERFACE_QX240, 5, 0xF001, 0},   // no such COM port
      {CAN_INTERFACE_QX240, 0x3E8, 0xF001, 0},
      {CAN_INTERFACE_QX240, 0, 0xFFFFF, 0},  // USB: no device present
      {CAN_INTERFACE_AB_KFD, 5, 0xF001, 0},  // 1770-KFD: no such COM port
      {CAN_INTERFACE_QX240, 2, 0xF002, 0},   // COM2 leads to no device
  };
  setenv("FLASHWRIGHT_COM2", "/nonexistent/tty", 1);
  for (const Case& c : cases) {
    int32_t handle = 0;
    platform::SetLastError(0);
    const InterfaceSettings settings = SerialSettings(c.comPort);
    EXPECT_EQ(Api().OpenCard(&handle, c.type, &settings), 0) << c.type << " " << c.comPort;
    if (c.error != 0) {
      EXPECT_EQ(platform::GetLastError(), c.error) << c.type << " " << c.comPort;
    }
    EXPECT_EQ(handle, c.handle);
  }
  EXPECT_EQ(Api().CloseCard(12345), 0);
  int32_t on = 0;
  EXPECT_EQ(Api().CAN_GetOnline(12345, &on), 0);
}

TEST_F(Qx240Test, OpenSynchronisesChecksModeAndResetsThenReopens) {
  InterfaceConfiguration record{};
  record.InterfaceType = CAN_INTERFACE_QX240;
  record.ComPort = 0x3F8;  // the legacy address of COM1
  record.ComBaud = 19200;
  ASSERT_EQ(Api().OpenInterface(&handle_, &record), 1) << std::hex << platform::GetLastError();
  EXPECT_GT(handle_, 0);
  EXPECT_EQ(adapter_->State().syncs, 1u);
  Sync();
  EXPECT_EQ(Commands(), (std::vector<std::vector<uint8_t>>{{0x75}, {0x8F}, {0x01}}));

  // One line carries one link.
  int32_t second = 0;
  const InterfaceSettings settings = SerialSettings(1);
  EXPECT_EQ(Api().OpenCard(&second, CAN_INTERFACE_QX240, &settings), 0);
  EXPECT_EQ(platform::GetLastError(), 0xF002u);

  EXPECT_EQ(Api().CloseCard(handle_), 1);
  int32_t on = 0;
  EXPECT_EQ(Api().CAN_GetOnline(handle_, &on), 0);
  // The adapter takes the next session from its synchronisation on.
  ASSERT_EQ(Open(), 1);
  EXPECT_EQ(adapter_->State().syncs, 2u);
  Sync();
}

TEST_F(Qx240Test, SynchronisationIsRepeatedUntilAnswered) {
  sim::Qx240AdapterOptions options;
  options.unansweredSyncs = 3;
  StartAdapter(options);
  ASSERT_EQ(Open(), 1) << std::hex << platform::GetLastError();
  EXPECT_EQ(adapter_->State().syncs, 1u);
}

TEST_F(Qx240Test, OpenFailsWithoutSyncOrWithWrongMode) {
  {
    sim::Qx240AdapterOptions options;
    options.unansweredSyncs = 10;  // every attempt goes unanswered
    StartAdapter(options);
    ScopedTimeScale fast(50);
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(platform::GetLastError(), 0xFFF0u);
  }
  {
    sim::Qx240AdapterOptions options;
    options.mode = 0;
    StartAdapter(options);
    EXPECT_EQ(Open(), 0);
    EXPECT_EQ(platform::GetLastError(), 0x20000000u);
    EXPECT_EQ(Commands(), (std::vector<std::vector<uint8_t>>{{0x75}}));  // no reset
  }
  // The port was released by each failed open.
  StartAdapter({});
  EXPECT_EQ(Open(), 1);
}

TEST_F(Qx240Test, SettingsReachTheAdapterAndQueriesReadThemBack) {
  OpenOnline();
  AdapterApi& api = Api();
  EXPECT_EQ(api.CAN_SetBaud(handle_, 500000), 1);
  EXPECT_EQ(api.CAN_SetGlobalMaskShort(handle_, 0x7F0), 1);
  EXPECT_EQ(api.CAN_SetGlobalMaskLong(handle_, 0x1FFFFFF0), 1);
  EXPECT_EQ(api.CAN_SetLastMessageMask(handle_, 0x12345678), 1);
  EXPECT_EQ(api.CAN_SetMessageArbitration(handle_, 3, 0xCAFEF00D), 1);
  EXPECT_EQ(api.CAN_SetBrp(handle_, 4), 1);
  EXPECT_EQ(api.CAN_SetSjw(handle_, 1), 1);
  EXPECT_EQ(api.CAN_SetTSeg1(handle_, 13), 1);
  EXPECT_EQ(api.CAN_SetTSeg2(handle_, 2), 1);

  int32_t on = 0;
  uint32_t u32 = 0;
  EXPECT_EQ(api.CAN_GetOnline(handle_, &on), 1);
  EXPECT_EQ(on, 1);
  EXPECT_EQ(api.CAN_GetBaud(handle_, &u32), 1);
  EXPECT_EQ(u32, 500000u);
  u32 = 0xFFFFFFFF;  // the whole out-value is written
  EXPECT_EQ(api.CAN_GetGlobalMaskShort(handle_, &u32), 1);
  EXPECT_EQ(u32, 0x7F0u);
  // The long mask, last-message mask and arbitration answers are four bytes
  // of which the first two hold the value: the bench sends back all 32 bits
  // of its setting, and the rest must not reach the caller.
  u32 = 0;
  EXPECT_EQ(api.CAN_GetGlobalMaskLong(handle_, &u32), 1);
  EXPECT_EQ(u32, 0xFFF0u);
  EXPECT_EQ(api.CAN_GetLastMessageMask(handle_, &u32), 1);
  EXPECT_EQ(u32, 0x5678u);
  EXPECT_EQ(api.CAN_GetMessageArbitration(handle_, 3, &u32), 1);
  EXPECT_EQ(u32, 0xF00Du);

  struct ByteQuery {
    decltype(AdapterApi::CAN_GetBrp) get;
    uint8_t expected;
  };
  for (const ByteQuery& q : {ByteQuery{api.CAN_GetBrp, 4}, ByteQuery{api.CAN_GetSjw, 1},
                             ByteQuery{api.CAN_GetTSeg1, 13}, ByteQuery{api.CAN_GetTSeg2, 2}}) {
    uint8_t value = 0;
    EXPECT_EQ(q.get(handle_, &value), 1);
    EXPECT_EQ(value, q.expected);
  }
  uint8_t status = 0xFF;
  EXPECT_EQ(api.CAN_GetStatus(handle_, &status), 1);
  EXPECT_EQ(status, 0);

  EXPECT_EQ(api.CAN_SetId(handle_, 5), 0);  // the adapter has no MAC id
  EXPECT_EQ(api.FirmwareUpgrade(handle_), 1);
  EXPECT_EQ(api.CAN_Reset(handle_), 1);
  Sync();
  const sim::Qx240AdapterState state = adapter_->State();
  EXPECT_TRUE(state.firmwareUpgradeRequested);
  EXPECT_FALSE(state.online);  // the controller reset takes it offline
  EXPECT_EQ(state.rejectedHostFrames, 0u);
}

TEST_F(Qx240Test, AnEmptyProductNameReadsAsAnEmptyText) {
  sim::Qx240AdapterOptions options;
  options.productName = "";
  StartAdapter(options);
  ASSERT_EQ(Open(), 1);
  char name[8];
  std::memset(name, 'x', sizeof name);
  EXPECT_EQ(Api().Get_Product_Name(handle_, name), 1);
  EXPECT_STREQ(name, "");
}

TEST_F(Qx240Test, IdentityQueries) {
  sim::Qx240AdapterOptions options;
  options.serialNumber = 0xA1B2C3D4;
  options.deviceType = 0x0C;
  options.productCode = 0x80002401;
  options.productName = "QX240-A";
  options.firmwareMajor = 3;
  options.firmwareMinor = 14;
  options.hardwareMajor = 2;
  options.hardwareMinor = 7;
  StartAdapter(options);
  ASSERT_EQ(Open(), 1);
  AdapterApi& api = Api();
  uint32_t value = 0;
  EXPECT_EQ(api.Get_Serial_Number(handle_, &value), 1);
  EXPECT_EQ(value, 0xA1B2C3D4u);
  EXPECT_EQ(api.Get_Device_Type(handle_, &value), 1);
  EXPECT_EQ(value, 0x0Cu);
  EXPECT_EQ(api.Get_Product_Code(handle_, &value), 1);
  EXPECT_EQ(value, 0x80002401u);
  char name[16];
  std::memset(name, 'x', sizeof name);
  EXPECT_EQ(api.Get_Product_Name(handle_, name), 1);
  EXPECT_STREQ(name, "QX240-A");
  int32_t major = 0, minor = 0;
  EXPECT_EQ(api.Firmware_Version(handle_, &major, &minor), 1);
  EXPECT_EQ(major * 100 + minor, 314);
  EXPECT_EQ(api.Hardware_Version(handle_, &major, &minor), 1);
  EXPECT_EQ(major * 100 + minor, 207);
}

TEST_F(Qx240Test, ParametersOfEveryKindRoundTrip) {
  ASSERT_EQ(Open(), 1);
  AdapterApi& api = Api();
  EXPECT_EQ(api.Parameter_Set_USIGN8(handle_, 1, 0xAB), 1);
  EXPECT_EQ(api.Parameter_Set_USIGN16(handle_, 0x102, 0xBEEF), 1);
  EXPECT_EQ(api.Parameter_Set_USIGN32(handle_, 3, 0xDEADBEEF), 1);
  uint8_t u8 = 0;
  uint16_t u16 = 0;
  uint32_t u32 = 0;
  EXPECT_EQ(api.Parameter_Get_USIGN8(handle_, 1, &u8), 1);
  EXPECT_EQ(u8, 0xAB);
  EXPECT_EQ(api.Parameter_Get_USIGN16(handle_, 0x102, &u16), 1);
  EXPECT_EQ(u16, 0xBEEF);
  EXPECT_EQ(api.Parameter_Get_USIGN32(handle_, 3, &u32), 1);
  EXPECT_EQ(u32, 0xDEADBEEFu);

  // Arrays that fit the first frame, fill it exactly, and need more frames.
  for (std::size_t size : {0u, 2u, 3u, 7u, 8u, 20u, 250u}) {
    std::vector<uint8_t> value(size);
    for (std::size_t i = 0; i < size; ++i) value[i] = uint8_t(i * 7 + size);
    ASSERT_EQ(api.Parameter_Set_ARRAY(handle_, 40, uint32_t(size), value.data()), 1) << size;
    uint8_t length = 0xFF;
    uint8_t buffer[255] = {};
    ASSERT_EQ(api.Parameter_Get_ARRAY(handle_, 40, &length, buffer), 1) << size;
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + length), value) << size;
  }
  std::vector<uint8_t> tooLong(251);
  EXPECT_EQ(api.Parameter_Set_ARRAY(handle_, 40, 251, tooLong.data()), 0);
  EXPECT_EQ(platform::GetLastError(), 0x20000000u);
  Sync();
  EXPECT_EQ(adapter_->State().rejectedHostFrames, 0u);
}

TEST_F(Qx240Test, CanFramesTravelBothWays) {
  OpenOnline();
  AdapterApi& api = Api();
  const platform::Handle event = platform::CreateEvent(true, false, nullptr);
  EXPECT_EQ(api.CAN_RegisterReceiveEvent(handle_, event, 1), 1);

  // Host to bus: standard, remote and extended frames.
  CanMessage out{};
  out.Id = 0x123;
  out.Length = 3;
  out.Data[0] = 0x11, out.Data[1] = 0x22, out.Data[2] = 0x33;
  EXPECT_EQ(api.CAN_Transmit(handle_, &out), 1);
  CanMessage remote{};
  remote.Id = 0x701;
  remote.Flags = 0x10;
  remote.Length = 1;
  EXPECT_EQ(api.CAN_Transmit(handle_, &remote), 1);
  CanMessage extended{};
  extended.Id = 0x1ABCDEF0;
  extended.Length = 8;
  for (int i = 0; i < 8; ++i) extended.Data[i] = uint8_t(0xF0 + i);
  EXPECT_EQ(api.CAN_Transmit(handle_, &extended), 1);
  const sim::CanFrame expected[] = {sim::CanFrame::Standard(0x123, {0x11, 0x22, 0x33}),
                                    sim::CanFrame::Remote(0x701, 1),
                                    sim::CanFrame::Extended(0x1ABCDEF0, {0xF0, 0xF1, 0xF2, 0xF3,
                                                                         0xF4, 0xF5, 0xF6, 0xF7})};
  for (const sim::CanFrame& frame : expected) {
    sim::BusFrame got;
    ASSERT_EQ(peer_->Receive(got, std::chrono::seconds(10)), sim::ReceiveStatus::Received);
    EXPECT_EQ(got.frame, frame) << sim::ToString(got.frame);
  }

  // Refused frames never reach the line.
  CanMessage bad = out;
  bad.Length = 9;
  EXPECT_EQ(api.CAN_Transmit(handle_, &bad), 0);
  EXPECT_EQ(platform::GetLastError(), 0xFF01u);
  bad = out;
  bad.Id = 0xFFFFFFFF;  // would be a command to the adapter
  EXPECT_EQ(api.CAN_Transmit(handle_, &bad), 0);

  // Bus to host.
  peer_->Send(sim::CanFrame::Standard(0x456, {1, 2, 3, 4}));
  peer_->Send(sim::CanFrame::Remote(0x0AA, 2));
  ASSERT_EQ(platform::WaitForSingleObject(event, 10'000), platform::kWaitObject0);
  ASSERT_TRUE(bus_.WaitIdle(std::chrono::seconds(10)));
  Sync();
  CanMessage in{};
  ASSERT_EQ(api.CAN_Receive(handle_, &in), 1);
  EXPECT_EQ(in.Id, 0x456u);
  EXPECT_EQ(in.Flags, 0);
  EXPECT_EQ(in.Length, 4);
  EXPECT_EQ(std::vector<uint8_t>(in.Data, in.Data + 4), (std::vector<uint8_t>{1, 2, 3, 4}));
  ASSERT_EQ(api.CAN_Receive(handle_, &in), 1);
  EXPECT_EQ(in.Id, 0x0AAu);
  EXPECT_EQ(in.Flags, 0x10);
  EXPECT_EQ(in.Length, 2);

  // Empty: the Id says so too.
  EXPECT_EQ(api.CAN_Receive(handle_, &in), 0);
  EXPECT_EQ(platform::GetLastError(), 0xFFFFu);
  EXPECT_EQ(in.Id, 0xFFFFFFFFu);
  EXPECT_EQ(in.Length, 0);
  EXPECT_EQ(in.TimeStampHigh + in.TimeStampLow, 0u);
  api.CAN_RegisterReceiveEvent(handle_, event, 0);
  platform::CloseHandle(event);
}

TEST_F(Qx240Test, OfflineAdapterRelaysNothing) {
  ASSERT_EQ(Open(), 1);
  CanMessage out{};
  out.Id = 0x10;
  EXPECT_EQ(Api().CAN_Transmit(handle_, &out), 1);
  peer_->Send(sim::CanFrame::Standard(0x20, {}));
  ASSERT_TRUE(bus_.WaitIdle(std::chrono::seconds(10)));
  Sync();
  CanMessage in{};
  EXPECT_EQ(Api().CAN_Receive(handle_, &in), 0);
  EXPECT_EQ(adapter_->State().framesToBus, 0u);
}

TEST_F(Qx240Test, TimeStampModesShapeReceivedFrames) {
  constexpr std::uint64_t kStamp = 0x0000000123456789;
  sim::Qx240AdapterOptions options;
  options.clock = [] { return kStamp; };
  StartAdapter(options);
  OpenOnline();
  struct Case {
    int32_t mode;
    bool hostStamp;
    uint32_t high, low;
  };
  const Case cases[] = {{1, false, 0, 0x23456789}, {2, false, 1, 0x23456789}, {0, true, 0, 0}};
  for (const Case& c : cases) {
    ASSERT_EQ(Api().CAN_Set_TimeStampMode(handle_, c.mode), 1);
    Sync();  // replies follow the new length too
    EXPECT_EQ(adapter_->State().timeStampMode, c.mode);
    peer_->Send(sim::CanFrame::Standard(0x300 + c.mode, {uint8_t(c.mode)}));
    ASSERT_TRUE(bus_.WaitIdle(std::chrono::seconds(10)));
    Sync();
    CanMessage in{};
    ASSERT_EQ(Api().CAN_Receive(handle_, &in), 1) << "mode " << c.mode;
    EXPECT_EQ(in.Id, 0x300u + c.mode);
    if (c.hostStamp) {
      EXPECT_NE(std::uint64_t(in.TimeStampHigh) << 32 | in.TimeStampLow, 0u);
    } else {
      EXPECT_EQ(in.TimeStampHigh, c.high) << "mode " << c.mode;
      EXPECT_EQ(in.TimeStampLow, c.low) << "mode " << c.mode;
    }
  }
  EXPECT_EQ(Api().CAN_Set_TimeStampMode(handle_, 3), 0);
  EXPECT_EQ(platform::GetLastError(), 0x20000000u);
}

TEST_F(Qx240Test, AcceptanceFiltersDecideWhatReachesTheHost) {
  OpenOnline();
  auto deliver = [&](std::vector<uint32_t> ids) {
    Sync();  // settings have no reply: a query shows the adapter took them
    for (uint32_t id : ids) peer_->Send(sim::CanFrame::Standard(id, {}));
    EXPECT_TRUE(bus_.WaitIdle(std::chrono::seconds(10)));
    Sync();
    std::vector<uint32_t> got;
    for (CanMessage in{}; Api().CAN_Receive(handle_, &in);) got.push_back(in.Id);
    return got;
  };
  // Every frame passes until the first filter command.
  EXPECT_EQ(deliver({0x100, 0x200}), (std::vector<uint32_t>{0x100, 0x200}));
  ASSERT_EQ(Api().CAN_RemoveFilter(handle_, 0xFFFFFFFF), 1);
  ASSERT_EQ(Api().CAN_AddFilter(handle_, 0x100), 1);
  ASSERT_EQ(Api().CAN_AddFilter(handle_, 0x300), 1);
  EXPECT_EQ(deliver({0x100, 0x200, 0x300}), (std::vector<uint32_t>{0x100, 0x300}));
  ASSERT_EQ(Api().CAN_RemoveFilter(handle_, 0x100), 1);
  EXPECT_EQ(deliver({0x100, 0x300}), (std::vector<uint32_t>{0x300}));
  EXPECT_EQ(adapter_->State().filters, (std::set<uint32_t>{0x300}));
}

TEST_F(Qx240Test, PermissiveAdapterIgnoresFilters) {
  sim::Qx240AdapterOptions options;
  options.permissiveFilters = true;
  StartAdapter(options);
  OpenOnline();
  ASSERT_EQ(Api().CAN_RemoveFilter(handle_, 0xFFFFFFFF), 1);
  Sync();
  peer_->Send(sim::CanFrame::Standard(0x222, {}));
  ASSERT_TRUE(bus_.WaitIdle(std::chrono::seconds(10)));
  Sync();
  CanMessage in{};
  EXPECT_EQ(Api().CAN_Receive(handle_, &in), 1);
}

TEST_F(Qx240Test, FullReceiveRingDropsOldestFrames) {
  OpenOnline();
  constexpr int kSent = 300, kRing = 256;
  for (int i = 0; i < kSent; ++i) peer_->Send(sim::CanFrame::Standard(0x100, {uint8_t(i), uint8_t(i >> 8)}));
  ASSERT_TRUE(bus_.WaitIdle(std::chrono::seconds(30)));
  Sync();
  std::vector<int> got;
  for (CanMessage in{}; Api().CAN_Receive(handle_, &in);) got.push_back(in.Data[0] | in.Data[1] << 8);
  ASSERT_EQ(got.size(), std::size_t(kRing));
  for (int i = 0; i < kRing; ++i) EXPECT_EQ(got[i], kSent - kRing + i);
}

// An unpaced bus delivers a burst far faster than the card's reader takes
// it, and this reader pauses now and then as a loaded machine would make it:
// the frames wait in the line until the ring has room, none is pushed out.
TEST_F(Qx240Test, BurstFromTheBusArrivesWholeAndInOrder) {
  OpenOnline();
  constexpr int kBurst = 4000, kPauseEvery = 64;
  constexpr auto kPause = std::chrono::milliseconds(10);
  for (int i = 0; i < kBurst; ++i)
    peer_->Send(sim::CanFrame::Standard(0x200, {uint8_t(i), uint8_t(i >> 8)}));
  std::vector<int> got;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (got.size() < std::size_t(kBurst) && std::chrono::steady_clock::now() < giveUp) {
    CanMessage in{};
    if (Api().CAN_Receive(handle_, &in) == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    got.push_back(in.Data[0] | in.Data[1] << 8);
    if (got.size() % kPauseEvery == 0) std::this_thread::sleep_for(kPause);
  }
  ASSERT_EQ(got.size(), std::size_t(kBurst));
  for (int i = 0; i < kBurst; ++i) ASSERT_EQ(got[i], i);
}

TEST_F(Qx240Test, TwoAdaptersOnOneBusCarryFramesBetweenTheirCards) {
  sim::Qx240Adapter second;
  ASSERT_TRUE(second.Start());
  second.AttachToBus(bus_, "qx240-b");
  setenv("FLASHWRIGHT_COM2", second.SlavePath().c_str(), 1);
  OpenOnline();
  int32_t other = 0;
  const InterfaceSettings settings = SerialSettings(2);
  ASSERT_EQ(Api().OpenCard(&other, CAN_INTERFACE_QX240, &settings), 1);
  ASSERT_NE(other, handle_);
  ASSERT_EQ(Api().CAN_SetOnline(other, 1), 1);
  int32_t on = 0;
  ASSERT_EQ(Api().CAN_GetOnline(other, &on), 1);

  for (int i = 0; i < 20; ++i) {
    CanMessage out{};
    out.Id = 0x400 + i;
    out.Length = 1;
    out.Data[0] = uint8_t(i);
    ASSERT_EQ(Api().CAN_Transmit(handle_, &out), 1);
  }
  Sync();  // the first adapter has put every frame on the bus
  ASSERT_TRUE(bus_.WaitIdle(std::chrono::seconds(10)));
  ASSERT_EQ(Api().CAN_GetOnline(other, &on), 1);
  std::vector<uint32_t> got;
  for (CanMessage in{}; Api().CAN_Receive(other, &in);) got.push_back(in.Id);
  ASSERT_EQ(got.size(), 20u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(got[i], 0x400u + i);
  CanMessage in{};
  EXPECT_EQ(Api().CAN_Receive(handle_, &in), 0);  // no echo of its own frames
  EXPECT_EQ(Api().CloseCard(other), 1);
}

// Replies the adapter should never give, and noise on the line.
TEST_F(Qx240Test, MalformedRepliesFailTheirCallAndTheNextCallWorks) {
  ASSERT_EQ(Open(), 1);
  using Bytes = std::vector<uint8_t>;
  const Bytes goodSerial = DeviceFrame(0xFFFFFFFF, 0, 4, {0x01, 0x24, 0x00, 0x00});
  Bytes badChecksum = goodSerial;
  badChecksum.back() ^= 0x5A;
  struct Case {
    const char* what;
    Bytes reply;
    uint32_t error;
    // The call waits out the query time: no reply frame comes. A reply that
    // fails the call as it arrives gets the query's full time instead, so
    // that it is never left to arrive during the next call.
    bool waitsOut;
  };
  const Case cases[] = {
      {"no reply", {}, 0xFFF0, true},
      {"bad checksum", badChecksum, 0xFFF0, true},
      {"wrong length", DeviceFrame(0xFFFFFFFF, 0, 2, {1, 2}), 0xFFF0, false},
      {"length 0", DeviceFrame(0xFFFFFFFF, 0, 0, {}), 0xFFF0, false},
      {"length above 8", DeviceFrame(0xFFFFFFFF, 0, 12, {1, 2, 3, 4}), 0xFFF0, false},
      {"a CAN frame", DeviceFrame(0x123, 0, 4, {1, 2, 3, 4}), 0xFFF0, true},
  };
  for (const Case& c : cases) {
    adapter_->SetCommandInterceptor([&](std::span<const uint8_t> command) -> std::optional<Bytes> {
      if (command[0] == 0x76) return c.reply;
      return std::nullopt;
    });
    uint32_t serial = 0;
    const std::size_t commandsBefore = Commands().size();
    {
      ScopedTimeScale fast(c.waitsOut ? 20 : 1);
      EXPECT_EQ(Api().Get_Serial_Number(handle_, &serial), 0) << c.what;
    }
    EXPECT_EQ(platform::GetLastError(), c.error) << c.what;
    // A sped-up wait may end before the adapter took the query: it must
    // answer it as this case says, not as the next call's interceptor would.
    ASSERT_TRUE(benchtest::Eventually([&] { return Commands().size() > commandsBefore; })) << c.what;
    adapter_->SetCommandInterceptor(nullptr);
    EXPECT_EQ(Api().Get_Serial_Number(handle_, &serial), 1) << c.what;
    EXPECT_EQ(serial, 0x00240001u) << c.what;
  }
  // Drain the CAN frame the last case left.
  for (CanMessage in{}; Api().CAN_Receive(handle_, &in);) {}

  struct EchoCase {
    const char* what;
    Bytes reply;
    uint32_t error;
  };
  const EchoCase echoCases[] = {
      {"echo without flag", DeviceFrame(0xFFFFFFFF, 0, 5, {0x77, 1, 0, 0, 0}), 0x20000000},
      {"echo of another code", DeviceFrame(0xFFFFFFFF, 1, 5, {0x78, 1, 0, 0, 0}), 0x20000000},
      {"echo too short", DeviceFrame(0xFFFFFFFF, 1, 3, {0x77, 1, 0}), 0xFFF0},
  };
  for (const EchoCase& c : echoCases) {
    adapter_->SetCommandInterceptor([&](std::span<const uint8_t> command) -> std::optional<Bytes> {
      if (command[0] == 0x77) return c.reply;
      return std::nullopt;
    });
    uint32_t type = 0;
    EXPECT_EQ(Api().Get_Device_Type(handle_, &type), 0) << c.what;
    EXPECT_EQ(platform::GetLastError(), c.error) << c.what;
  }
  adapter_->SetCommandInterceptor(nullptr);

  // Garbage, a stray frame start and a broken frame before a good reply.
  const Bytes garbage = {0x10, 0x15, 0x02, 0xFF, 0x02, 0x00, 0x41, 0x13};
  ASSERT_TRUE(adapter_->SendRaw(garbage));
  uint32_t serial = 0;
  for (int i = 0; i < 3 && !Api().Get_Serial_Number(handle_, &serial); ++i) {}
  EXPECT_EQ(serial, 0x00240001u);
}

TEST_F(Qx240Test, ArrayRepliesAreBoundsChecked) {
  ASSERT_EQ(Open(), 1);
  using Bytes = std::vector<uint8_t>;
  // Announces 10 bytes, carries 7, then a frame of 8: 2 more than announced.
  const Bytes overlong = Concat(DeviceFrame(0xFFFFFFFF, 1, 11, {0x7E, 1, 2, 3, 4, 5, 6, 7}),
                                DeviceFrame(0xFFFFFFFF, 0, 8, {8, 9, 10, 11, 12, 13, 14, 15}));
  // Announces 10 bytes and never sends the rest.
  const Bytes truncated = DeviceFrame(0xFFFFFFFF, 1, 11, {0x7E, 1, 2, 3, 4, 5, 6, 7});
  // Exactly as announced.
  const Bytes exact = Concat(DeviceFrame(0xFFFFFFFF, 1, 11, {0x7E, 1, 2, 3, 4, 5, 6, 7}),
                             DeviceFrame(0xFFFFFFFF, 0, 3, {8, 9, 10}));
  struct Case {
    Bytes reply;
    int result;
    bool waitsForTheRest;
  };
  for (const Case& c : {Case{overlong, 0, false}, Case{truncated, 0, true}, Case{exact, 1, false}}) {
    // Only the parameter query is answered here: the adapter answers no
    // other command the open sends (its last one, the reset, may still be
    // on its way).
    adapter_->SetCommandInterceptor([&](std::span<const uint8_t> command) -> std::optional<Bytes> {
      if (command[0] != 0x7E) return std::nullopt;
      // The wait for the rest is sped up once the first frame goes out, so
      // the first frame itself always has the query's full time.
      if (c.waitsForTheRest) platform::SetTimeScale(20);
      return c.reply;
    });
    uint8_t length = 0;
    uint8_t buffer[255];
    std::memset(buffer, 0xEE, sizeof buffer);
    ScopedTimeScale realTime(1);
    EXPECT_EQ(Api().Parameter_Get_ARRAY(handle_, 9, &length, buffer), c.result);
    if (c.result) {
      EXPECT_EQ(Bytes(buffer, buffer + length), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
      EXPECT_EQ(buffer[10], 0xEE);
    } else {
      EXPECT_EQ(platform::GetLastError(), 0xFFF0u);
    }
  }
  // A product name reply longer than the name a frame can carry.
  adapter_->SetCommandInterceptor([&](std::span<const uint8_t> command) -> std::optional<Bytes> {
    if (command[0] != 0x79) return std::nullopt;
    return DeviceFrame(0xFFFFFFFF, 1, 9, {0x79, 'A', 'B', 'C', 'D', 'E', 'F', 'G'});
  });
  char name[16] = "";
  EXPECT_EQ(Api().Get_Product_Name(handle_, name), 0);
  EXPECT_EQ(platform::GetLastError(), 0xFFF0u);
}

TEST_F(Qx240Test, StaleReplyIsNotTakenByTheNextQuery) {
  ASSERT_EQ(Open(), 1);
  using Bytes = std::vector<uint8_t>;
  // The adapter answers the bit-rate query twice; the second answer must not
  // become the serial number.
  // A CAN frame follows the duplicate, to show when the duplicate is in.
  adapter_->SetCommandInterceptor([&](std::span<const uint8_t> command) -> std::optional<Bytes> {
    if (command[0] != 0x06) return std::nullopt;
    return Concat(Concat(DeviceFrame(0xFFFFFFFF, 0, 4, {0x48, 0xE8, 0x01, 0x00}),
                         DeviceFrame(0xFFFFFFFF, 0, 4, {0xEF, 0xBE, 0xAD, 0xDE})),
                  DeviceFrame(0x123, 0, 1, {0x55}));
  });
  uint32_t baud = 0, serial = 0;
  EXPECT_EQ(Api().CAN_GetBaud(handle_, &baud), 1);
  EXPECT_EQ(baud, 125000u);
  // A plain reply carries no code: the duplicate can only be told apart once
  // it is in, before the next query is written, as on a line where it follows
  // the first at once. The link parses in order: once the CAN frame is
  // there, so is the duplicate.
  CanMessage marker{};
  ASSERT_TRUE(benchtest::Eventually([&] { return Api().CAN_Receive(handle_, &marker) == 1; }));
  EXPECT_EQ(marker.Id, 0x123u);
  EXPECT_EQ(Api().Get_Serial_Number(handle_, &serial), 1);
  EXPECT_EQ(serial, 0x00240001u);
}

TEST_F(Qx240Test, ConcurrentQueriesEachGetTheirOwnReply) {
  OpenOnline();
  AdapterApi& api = Api();
  const int32_t handle = handle_;
  auto worker = [&](int kind) {
    int wrong = 0;
    for (int i = 0; i < 40; ++i) {
      uint32_t value = 0;
      int32_t on = 0;
      switch (kind) {
        case 0: wrong += !api.Get_Serial_Number(handle, &value) || value != 0x00240001u; break;
        case 1: wrong += !api.CAN_GetBaud(handle, &value) || value != 125000u; break;
        case 2: wrong += !api.Get_Product_Code(handle, &value) || value != 0x24001u; break;
        case 3: wrong += !api.CAN_GetOnline(handle, &on) || on != 1; break;
      }
    }
    return wrong;
  };
  std::vector<std::future<int>> results;
  const auto start = std::chrono::steady_clock::now();
  for (int kind = 0; kind < 4; ++kind) results.push_back(std::async(std::launch::async, worker, kind));
  for (auto& result : results) EXPECT_EQ(result.get(), 0);
  // 160 queries that each waited a fixed 500 ms would take 80 s.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(40));
}

TEST_F(Qx240Test, VanishedDeviceFailsWritesWithoutHoldingTheLock) {
  OpenOnline();
  adapter_->Stop();  // the terminal and its device are gone
  CanMessage out{};
  out.Id = 0x55;
  auto transmit = [&] { return Api().CAN_Transmit(handle_, &out); };
  EXPECT_EQ(transmit(), 0);
  EXPECT_EQ(platform::GetLastError(), 0xFF03u);
  // Another thread gets the write lock at once and fails the same way.
  auto other = std::async(std::launch::async, [&] {
    const int result = transmit();
    return std::make_pair(result, platform::GetLastError());
  });
  ASSERT_EQ(other.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(other.get(), std::make_pair(0, 0xFF03u));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Api().CloseCard(handle_), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  handle_ = 0;
}

TEST_F(Qx240Test, CloseWakesAQueryWaitingForItsReply) {
  ASSERT_EQ(Open(), 1);
  adapter_->SetCommandInterceptor([](std::span<const uint8_t>) {
    return std::optional<std::vector<uint8_t>>(std::vector<uint8_t>{});  // never answers
  });
  auto query = std::async(std::launch::async, [&] {
    uint32_t value = 0;
    return Api().Get_Serial_Number(handle_, &value);
  });
  while (Commands().size() < 3) std::this_thread::yield();  // 75, 8F, then the query
  EXPECT_EQ(Api().CloseCard(handle_), 1);
  ASSERT_EQ(query.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  EXPECT_EQ(query.get(), 0);
  handle_ = 0;
}

// The bench's serial pacing: the adapter's line, as flashwright-sim starts it
// with --serial-pacing on, holds every byte for its time at the rate the
// driver set; the driver works through it as through a real line, and no
// exchange is done before the bytes it needed could have crossed the line.
TEST(Qx240PacedLine, CarriesCommandsAndFramesNoFasterThanTheLine) {
  sim::BusOptions options;
  options.serialPacing = true;
  sim::CanBus bus(options);
  sim::BusPeer node = bus.Attach("node");
  const sim::PeerKind kind = sim::Qx240PeerKind();
  const auto adapter = kind.create(bus, sim::ParsePeerSettings(kind, "com=3"));
  const std::string info = adapter->ConnectionInfo().at(0);
  const std::size_t setting = info.find("FLASHWRIGHT_COM3=");
  ASSERT_NE(setting, std::string::npos) << info;
  benchtest::ScopedEnv port("FLASHWRIGHT_COM3", info.substr(setting + 17));

  ScopedTimeScale fast(4);
  constexpr uint32_t kLineRate = 9600;
  InterfaceSettings settings = SerialSettings(3);
  settings.ComBaud = kLineRate;
  const std::uint64_t startUs = platform::NowMicroseconds();
  int32_t handle = 0;
  ASSERT_EQ(Api().OpenCard(&handle, CAN_INTERFACE_QX240, &settings), 1) << std::hex << platform::GetLastError();
  ASSERT_EQ(Api().CAN_SetOnline(handle, 1), 1);
  constexpr int kFrames = 10;
  for (int i = 0; i < kFrames; ++i) {
    CanMessage out{};
    out.Id = 0x123;
    out.Length = 2;
    out.Data[0] = 0xAB, out.Data[1] = uint8_t(i);
    ASSERT_EQ(Api().CAN_Transmit(handle, &out), 1);
  }
  for (int i = 0; i < kFrames; ++i) {
    sim::BusFrame got;
    ASSERT_EQ(node.Receive(got, std::chrono::seconds(10)), sim::ReceiveStatus::Received);
    EXPECT_EQ(got.frame, sim::CanFrame::Standard(0x123, {0xAB, uint8_t(i)}));
  }
  // Synchronisation request, mode query, reset, online and the frames.
  constexpr std::size_t kHostBytes = 2 + (3 + kFrames) * 16;
  EXPECT_GE(platform::NowMicroseconds() - startUs, std::uint64_t(sim::LineTime(kHostBytes, kLineRate).count()));

  const platform::Handle event = platform::CreateEvent(true, false, nullptr);
  ASSERT_EQ(Api().CAN_RegisterReceiveEvent(handle, event, 1), 1);
  node.Send(sim::CanFrame::Standard(0x456, {1, 2, 3}));
  ASSERT_EQ(platform::WaitForSingleObject(event, 10'000), platform::kWaitObject0);
  CanMessage in{};
  ASSERT_EQ(Api().CAN_Receive(handle, &in), 1);
  EXPECT_EQ(in.Id, 0x456u);
  EXPECT_EQ(std::vector<uint8_t>(in.Data, in.Data + in.Length), (std::vector<uint8_t>{1, 2, 3}));
  Api().CAN_RegisterReceiveEvent(handle, event, 0);
  platform::CloseHandle(event);
  EXPECT_EQ(Api().CloseCard(handle), 1);
}

}  // namespace
