// The QX240 and QX262 driver libraries on USB, through their exports,
// against the bench's adapter on the USB provider.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <type_traits>

#include "config/interfaceconfiguration.h"
#include "drivers/canmessage.h"
#include "platform/lasterror.h"
#include "platform/sync.h"
#include "sim/canbus.h"
#include "sim/qx240/qx240usbadapter.h"
#include "tests/drivers/adapterapi.h"
#include "tests/support/scratch.h"

namespace {

using drivers::CanMessage;
using std::int32_t;
using std::uint32_t;
using std::uint8_t;

using drivertest::AdapterApi;

AdapterApi& Qx240() {
  static AdapterApi api("qx240.dll");
  return api;
}
AdapterApi& Qx262() {
  static AdapterApi api("QX262.DLL");
  return api;
}

InterfaceSettings UsbSettings(const char* accessPoint = "1") {
  InterfaceSettings settings{};
  std::strcpy(settings.AccessPoint, accessPoint);
  return settings;
}

class Qx240UsbTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Qx240().Loaded());
    benchtest::UseOwnUsbDirectory();
    ASSERT_TRUE(adapter_.Start());
    adapter_.AttachToBus(bus_);
    const InterfaceSettings settings = UsbSettings();
    ASSERT_EQ(Qx240().OpenCard(&handle_, CAN_INTERFACE_QX240, &settings), 1)
        << std::hex << platform::GetLastError();
  }
  void TearDown() override {
    if (handle_ > 0) Qx240().CloseCard(handle_);
  }

  sim::CanBus bus_;
  sim::Qx240UsbAdapter adapter_;
  sim::BusPeer node_ = bus_.Attach("node");
  int32_t handle_ = 0;
};

TEST_F(Qx240UsbTest, CanFramesTravelBothWays) {
  AdapterApi& api = Qx240();
  ASSERT_EQ(api.CAN_SetBaud(handle_, 500000), 1);
  uint32_t rate = 0;
  ASSERT_EQ(api.CAN_GetBaud(handle_, &rate), 1);
  EXPECT_EQ(rate, 500000u);
  ASSERT_EQ(api.CAN_SetOnline(handle_, 1), 1);
  int32_t online = 0;
  ASSERT_EQ(api.CAN_GetOnline(handle_, &online), 1);
  EXPECT_EQ(online, 1);

  // Host to bus.
  std::promise<sim::CanFrame> seen;
  auto seenFuture = seen.get_future();
  sim::BusPeer listener = bus_.Attach("listener", [&seen, first = true](const sim::BusFrame& frame) mutable {
    if (first) seen.set_value(frame.frame);
    first = false;
  });
  CanMessage out{};
  out.Id = 0x123;
  out.Length = 3;
  out.Data[0] = 0x11, out.Data[1] = 0x22, out.Data[2] = 0x33;
  ASSERT_EQ(api.CAN_Transmit(handle_, &out), 1) << std::hex << platform::GetLastError();
  ASSERT_EQ(seenFuture.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  const sim::CanFrame sent = seenFuture.get();
  EXPECT_EQ(sent.id, 0x123u);
  EXPECT_EQ(sent.dlc, 3);
  EXPECT_EQ(sent.data[2], 0x33);
  listener.Detach();

  // Bus to host, in time-stamp mode 1 (18-byte packets).
  ASSERT_EQ(api.CAN_Set_TimeStampMode(handle_, 1), 1);
  const platform::Handle event = platform::CreateEvent(false, false, nullptr);
  ASSERT_EQ(api.CAN_RegisterReceiveEvent(handle_, event, 1), 1);
  node_.Send(sim::CanFrame::Standard(0x45, {0xA, 0xB}));
  ASSERT_EQ(platform::WaitForSingleObject(event, 10000), platform::kWaitObject0);
  CanMessage in{};
  ASSERT_EQ(api.CAN_Receive(handle_, &in), 1);
  EXPECT_EQ(in.Id, 0x45u);
  EXPECT_EQ(in.Length, 2);
  EXPECT_EQ(in.Data[1], 0xB);
  EXPECT_EQ(in.TimeStampHigh, 0u);
  EXPECT_EQ(api.CAN_Receive(handle_, &in), 0);
  EXPECT_EQ(platform::GetLastError(), 0xFFFFu);
  platform::CloseHandle(event);

  // A frame longer than 8 bytes never leaves.
  out.Length = 9;
  EXPECT_EQ(api.CAN_Transmit(handle_, &out), 0);
  EXPECT_EQ(platform::GetLastError(), 0xFF01u);
}

TEST_F(Qx240UsbTest, ParametersAndUpgradeTravelAsRequests) {
  AdapterApi& api = Qx240();
  ASSERT_EQ(api.Parameter_Set_USIGN16(handle_, 7, 0xBEEF), 1);
  uint16_t value = 0;
  ASSERT_EQ(api.Parameter_Get_USIGN16(handle_, 7, &value), 1);
  EXPECT_EQ(value, 0xBEEF);
  uint8_t bytes[20];
  for (uint8_t i = 0; i < 20; ++i) bytes[i] = uint8_t(i + 1);
  ASSERT_EQ(api.Parameter_Set_ARRAY(handle_, 8, 20, bytes), 1);
  uint8_t length = 0, back[255] = {};
  ASSERT_EQ(api.Parameter_Get_ARRAY(handle_, 8, &length, back), 1);
  ASSERT_EQ(length, 20);
  EXPECT_EQ(std::memcmp(back, bytes, 20), 0);
  ASSERT_EQ(api.FirmwareUpgrade(handle_), 1);
  EXPECT_TRUE(adapter_.State().firmwareUpgradeRequested);
}

TEST_F(Qx240UsbTest, ADeviceHasOneLinkAndTheAccessPointChoosesIt) {
  AdapterApi& api = Qx240();
  int32_t second = 0;
  const InterfaceSettings same = UsbSettings();
  EXPECT_EQ(api.OpenCard(&second, CAN_INTERFACE_QX240, &same), 0);
  EXPECT_EQ(platform::GetLastError(), 0xFFFFFu);
  const InterfaceSettings unknown = UsbSettings("NO-SUCH-DEVICE");
  EXPECT_EQ(api.OpenCard(&second, CAN_INTERFACE_QX240, &unknown), 0);
  EXPECT_EQ(platform::GetLastError(), 0xFFFFFu);

  ASSERT_EQ(api.CloseCard(handle_), 1);
  handle_ = 0;
  EXPECT_FALSE(adapter_.State().hostPresent) << "the close reached the device";
  const InterfaceSettings byInstance = UsbSettings("QX240-0001");
  ASSERT_EQ(api.OpenCard(&handle_, CAN_INTERFACE_QX240, &byInstance), 1);
}

TEST(Qx262Library, ServesItsOwnTypeOnly) {
  AdapterApi& api = Qx262();
  ASSERT_TRUE(api.Loaded());
  benchtest::UseOwnUsbDirectory();
  char name[16] = "";
  EXPECT_EQ(api.DLL_Name(0, name), 1);
  EXPECT_STREQ(name, "QX262");
  int32_t major = 0, minor = 0;
  EXPECT_EQ(api.DLL_Version(0, &major, &minor), 1);
  EXPECT_EQ(major * 100 + minor, 106);

  sim::Qx240UsbAdapter qx240Device;  // another library's class: not seen
  sim::Qx240UsbAdapter qx262Device(sim::Qx262UsbOptions());
  ASSERT_TRUE(qx240Device.Start());
  ASSERT_TRUE(qx262Device.Start());
  const InterfaceSettings settings = UsbSettings();
  int32_t handle = 0;
  for (int32_t type : {CAN_INTERFACE_QX240, CAN_INTERFACE_AB_KFD, 0x20001}) {
    handle = 0;
    EXPECT_EQ(api.OpenCard(&handle, type, &settings), 0) << type;
    EXPECT_EQ(handle, -1) << type;
  }
  ASSERT_EQ(api.OpenCard(&handle, 0x40001, &settings), 1) << std::hex << platform::GetLastError();
  ASSERT_EQ(api.Get_Product_Name(handle, name), 1);
  EXPECT_STREQ(name, "QX262");
  EXPECT_EQ(qx240Device.State().commands.size(), 0u);
  EXPECT_EQ(api.CloseCard(handle), 1);

  // Its configuration window always gets a record of its own type.
  InterfaceConfiguration record{};
  record.InterfaceType = CAN_INTERFACE_QX240;
  EXPECT_EQ(api.HardwareConfigurationWindow(&record), 0);  // no window in this process
  EXPECT_EQ(record.InterfaceType, 0x40001);
}

}  // namespace
