// The QX24X driver library through its exports, loaded by name as the
// program loads it, against the bench's QX24X module on a pseudo-terminal
// and on the USB provider.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "config/interfaceconfiguration.h"
#include "platform/clock.h"
#include "platform/lasterror.h"
#include "platform/serial.h"
#include "sim/qx24x/qx24xmodule.h"
#include "sim/qx24x/qx24xserialport.h"
#include "sim/qx24x/qx24xusbdevice.h"
#include "tests/platform/scoped_time_scale.h"
#include "tests/support/boundlibrary.h"
#include "tests/support/eventually.h"
#include "tests/support/scratch.h"

namespace {

using std::int32_t;
using std::uint32_t;
using std::uint8_t;

struct Qx24xApi : benchtest::BoundLibrary {
  Qx24xApi() : BoundLibrary("QX24X.DLL") {}
  BOUND_EXPORT(DLL_Name, int(int32_t, char*));
  BOUND_EXPORT(DLL_Version, int(int32_t, int32_t*, int32_t*));
  BOUND_EXPORT(OpenCard, int(int32_t*, int32_t, const InterfaceSettings*));
  BOUND_EXPORT(OpenInterface, int(int32_t*, const InterfaceConfiguration*));
  BOUND_EXPORT(CloseCard, int(int32_t));
  BOUND_EXPORT(CloseInterface, int(int32_t));
  BOUND_EXPORT(USB_DeviceState, int(int32_t, int32_t));
  BOUND_EXPORT(Download_Firmware, int(int32_t, int32_t, uint32_t, uint32_t, uint8_t*));
  BOUND_EXPORT(Upload_Firmware, int(int32_t, int32_t, uint32_t, uint32_t, uint8_t*));
  BOUND_EXPORT(Erase_Sector, int(int32_t, int32_t));
  BOUND_EXPORT(Execute_Firmware, int(int32_t, int32_t));
  BOUND_EXPORT(Get_Sector_Description, int(int32_t, int32_t, char*));
  BOUND_EXPORT(Get_Mode, int(int32_t, uint8_t*));
  BOUND_EXPORT(Get_Sector_Checksum, int(int32_t, int32_t, uint32_t*));
  BOUND_EXPORT(Set_Sector_Checksum, int(int32_t, int32_t, uint32_t));
  BOUND_EXPORT(Checksum_Ok, int(int32_t, int32_t, int32_t*));
  BOUND_EXPORT(Set_Active_Sector, int(int32_t, int32_t));
  BOUND_EXPORT(Set_Boot_Sector, int(int32_t, int32_t));
  BOUND_EXPORT(Get_Active_Sector, int(int32_t, uint8_t*));
  BOUND_EXPORT(Get_Boot_Sector, int(int32_t, uint8_t*));
  BOUND_EXPORT(Get_Serial_Number, int(int32_t, uint32_t*));
  BOUND_EXPORT(Set_Serial_Number, int(int32_t, uint32_t));
  BOUND_EXPORT(Get_Sector_Size, int(int32_t, int32_t, uint32_t*));
  BOUND_EXPORT(Get_Device_Type, int(int32_t, uint32_t*));
  BOUND_EXPORT(Get_Product_Code, int(int32_t, uint32_t*));
  BOUND_EXPORT(Get_Product_Name, int(int32_t, char*));
  BOUND_EXPORT(Hardware_Version, int(int32_t, int32_t*, int32_t*));
  BOUND_EXPORT(Firmware_Version, int(int32_t, int32_t*, int32_t*));
  BOUND_EXPORT(FirmwareUpgradeMode, int(int32_t, uint32_t));
  BOUND_EXPORT(Reset, int(int32_t));
  BOUND_EXPORT(HardwareConfigurationWindow, int(InterfaceConfiguration*));
  BOUND_EXPORT(List_USB_Devices, int(uint32_t*, uint32_t, char*));
};

Qx24xApi& Api() {
  static Qx24xApi api;
  return api;
}

enum class Transport { kSerial, kUsb };

std::string Name(const testing::TestParamInfo<Transport>& info) {
  return info.param == Transport::kSerial ? "Serial" : "Usb";
}

const uint32_t kPassword = sim::Qx24xModuleOptions{}.password;
constexpr uint32_t kBadReply = 0x20000000;

class Qx24xModuleTest : public testing::TestWithParam<Transport> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Api().Loaded()) << "qx24x.so not found next to the test";
    benchtest::UseOwnUsbDirectory();
    record_.InterfaceType = 0x8000001;
    if (GetParam() == Transport::kSerial) {
      serial_ = std::make_unique<sim::Qx24xSerialPort>(module_);
      ASSERT_TRUE(serial_->Start());
      setenv("FLASHWRIGHT_COM3", serial_->SlavePath().c_str(), 1);
      record_.ComPort = 3;
      record_.ComBaud = 57600;
    } else {
      usb_ = std::make_unique<sim::Qx24xUsbDevice>(module_);
      ASSERT_TRUE(usb_->Start());
      std::strcpy(record_.AccessPoint, "1");
    }
    ASSERT_EQ(Api().OpenInterface(&handle_, &record_), 1) << std::hex << platform::GetLastError();
  }

  void TearDown() override {
    if (handle_ >= 0) Api().CloseCard(handle_);
  }

  // What the program does after the module restarts: close, wait 2000 ms,
  // open again.
  void Reopen() {
    ASSERT_EQ(Api().CloseCard(handle_), 1);
    handle_ = -1;
    {
      ScopedTimeScale fast(1000);
      platform::Sleep(2000);
    }
    ASSERT_EQ(Api().OpenInterface(&handle_, &record_), 1) << std::hex << platform::GetLastError();
  }

  uint8_t Mode() {
    uint8_t mode = 0xEE;
    EXPECT_EQ(Api().Get_Mode(handle_, &mode), 1);
    return mode;
  }

  sim::Qx24xModule module_;
  std::unique_ptr<sim::Qx24xSerialPort> serial_;
  std::unique_ptr<sim::Qx24xUsbDevice> usb_;
  InterfaceConfiguration record_{};
  int32_t handle_ = -1;
};

// The program's whole module update, call by call.
TEST_P(Qx24xModuleTest, WholeModuleUpdate) {
  Qx24xApi& api = Api();
  EXPECT_EQ(handle_, 0) << "the card handle is the slot number";
  EXPECT_EQ(Mode(), 1);

  ASSERT_EQ(api.FirmwareUpgradeMode(handle_, kPassword), 1) << std::hex << platform::GetLastError();
  ASSERT_NO_FATAL_FAILURE(Reopen());
  EXPECT_EQ(Mode(), 0) << "a module in its boot loader opens too";

  constexpr int32_t kSector = 2;
  ASSERT_EQ(api.Erase_Sector(handle_, kSector), 1);
  std::vector<uint8_t> image(1024);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i * 31 + 7);
  // Records of 32 bytes in 8-byte pieces, each record closed by an empty write.
  for (uint32_t record = 0; record < image.size(); record += 32) {
    for (uint32_t at = record; at < record + 32; at += 8) {
      std::vector<uint8_t> piece(image.begin() + at, image.begin() + at + 8);
      ASSERT_EQ(api.Download_Firmware(handle_, kSector, at, 8, piece.data()), 1) << at;
      EXPECT_EQ(piece, std::vector<uint8_t>(image.begin() + at, image.begin() + at + 8));
    }
    uint8_t none[8] = {};
    ASSERT_EQ(api.Download_Firmware(handle_, kSector, record + 32, 0, none), 1);
  }
  std::vector<uint8_t> readBack(image.size());
  for (uint32_t at = 0; at < readBack.size(); at += 8)
    ASSERT_EQ(api.Upload_Firmware(handle_, kSector, at, 8, &readBack[at]), 1) << at;
  EXPECT_EQ(readBack, image);
  EXPECT_EQ(module_.State().firmwareTransfers, 2 * image.size() / 8)
      << "empty writes must not reach the module";

  // The program's checksum: 16-bit words of its 0xFF-filled mirror.
  uint32_t size = 0;
  ASSERT_EQ(api.Get_Sector_Size(handle_, kSector, &size), 1);
  std::vector<uint8_t> mirror(0x80000, 0xFF);
  std::copy(image.begin(), image.end(), mirror.begin());
  uint32_t sum = 0;
  for (uint32_t i = 0; i + 1 < size; i += 2) sum += uint32_t(mirror[i] | mirror[i + 1] << 8);
  ASSERT_EQ(api.Set_Sector_Checksum(handle_, kSector, sum), 1);
  int32_t ok = -1;
  ASSERT_EQ(api.Checksum_Ok(handle_, kSector, &ok), 1);
  EXPECT_EQ(ok, 1);
  uint32_t stored = 0;
  ASSERT_EQ(api.Get_Sector_Checksum(handle_, kSector, &stored), 1);
  EXPECT_EQ(stored, sum);

  ASSERT_EQ(api.Set_Boot_Sector(handle_, kSector), 1);
  uint8_t boot = 0;
  ASSERT_EQ(api.Get_Boot_Sector(handle_, &boot), 1);
  EXPECT_EQ(boot, kSector);

  ASSERT_EQ(api.Execute_Firmware(handle_, kSector), 1);
  ASSERT_NO_FATAL_FAILURE(Reopen());
  EXPECT_EQ(Mode(), 1);
  uint8_t active = 0;
  ASSERT_EQ(api.Get_Active_Sector(handle_, &active), 1);
  EXPECT_EQ(active, kSector);
  EXPECT_EQ(module_.State().restarts, 2u);
}

TEST_P(Qx24xModuleTest, IdentityVersionsAndSectorQueries) {
  Qx24xApi& api = Api();
  const sim::Qx24xModuleOptions defaults;
  uint32_t value = 0;
  ASSERT_EQ(api.Get_Serial_Number(handle_, &value), 1);
  EXPECT_EQ(value, defaults.serialNumber);
  ASSERT_EQ(api.Set_Serial_Number(handle_, 0x12345678), 1);
  ASSERT_EQ(api.Get_Serial_Number(handle_, &value), 1);
  EXPECT_EQ(value, 0x12345678u);
  ASSERT_EQ(api.Get_Device_Type(handle_, &value), 1);
  EXPECT_EQ(value, defaults.deviceType);
  ASSERT_EQ(api.Get_Product_Code(handle_, &value), 1);
  EXPECT_EQ(value, defaults.productCode);
  char name[16] = "";
  ASSERT_EQ(api.Get_Product_Name(handle_, name), 1);
  EXPECT_STREQ(name, "QX24X");
  int32_t major = 0, minor = 0;
  ASSERT_EQ(api.Firmware_Version(handle_, &major, &minor), 1);
  EXPECT_EQ(major * 100 + minor, defaults.firmwareMajor * 100 + defaults.firmwareMinor);
  ASSERT_EQ(api.Hardware_Version(handle_, &major, &minor), 1);
  EXPECT_EQ(major * 100 + minor, defaults.hardwareMajor * 100 + defaults.hardwareMinor);
  ASSERT_EQ(api.Get_Sector_Size(handle_, 0, &value), 1);
  EXPECT_EQ(value, defaults.sectorSize);
  EXPECT_EQ(api.USB_DeviceState(handle_, 0), 1);

  // The description: 76 bytes from 0x400, sector 0 included.
  for (int32_t sector : {0, 1}) {
    char description[80];
    std::memset(description, 0x5A, sizeof description);
    ASSERT_EQ(api.Get_Sector_Description(handle_, sector, description), 1);
    const auto image = module_.SectorImage(uint8_t(sector));
    EXPECT_EQ(std::memcmp(description, &image[0x400], 76), 0);
    EXPECT_EQ(description[76], 0x5A) << "exactly 76 bytes are written";
  }
}

TEST_P(Qx24xModuleTest, OutOfRangeArgumentsAreRefusedBeforeAnythingIsSent) {
  Qx24xApi& api = Api();
  uint8_t data[16] = {};
  uint32_t value = 0;
  int32_t ok = 0;
  struct Case {
    const char* call;
    int result;
    uint32_t error;
  };
  const std::size_t commandsBefore = module_.State().commands.size();
  const uint32_t transfersBefore = module_.State().firmwareTransfers;
  const Case cases[] = {
      {"Erase_Sector 0", api.Erase_Sector(handle_, 0), kBadReply},
      {"Erase_Sector 8", api.Erase_Sector(handle_, 8), kBadReply},
      {"Download_Firmware sector 0", api.Download_Firmware(handle_, 0, 0, 8, data), kBadReply},
      {"Download_Firmware sector 8", api.Download_Firmware(handle_, 8, 0, 8, data), kBadReply},
      {"Download_Firmware 9 bytes", api.Download_Firmware(handle_, 2, 0, 9, data), 0xA0000001},
      {"Upload_Firmware sector 8", api.Upload_Firmware(handle_, 8, 0, 8, data), kBadReply},
      {"Upload_Firmware sector -1", api.Upload_Firmware(handle_, -1, 0, 8, data), kBadReply},
      {"Upload_Firmware 9 bytes", api.Upload_Firmware(handle_, 0, 0, 9, data), 0xA0000001},
      {"Set_Boot_Sector 8", api.Set_Boot_Sector(handle_, 8), kBadReply},
      {"Set_Active_Sector 8", api.Set_Active_Sector(handle_, 8), kBadReply},
      {"Set_Sector_Checksum 8", api.Set_Sector_Checksum(handle_, 8, 1), kBadReply},
      {"Get_Sector_Checksum 0", api.Get_Sector_Checksum(handle_, 0, &value), kBadReply},
      {"Checksum_Ok 8", api.Checksum_Ok(handle_, 8, &ok), kBadReply},
      {"Execute_Firmware 8", api.Execute_Firmware(handle_, 8), kBadReply},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, 0) << c.call;
  // Each call leaves its own code: check them one by one.
  EXPECT_EQ(api.Download_Firmware(handle_, 2, 0, 9, data), 0);
  EXPECT_EQ(platform::GetLastError(), 0xA0000001u);
  EXPECT_EQ(api.Erase_Sector(handle_, 8), 0);
  EXPECT_EQ(platform::GetLastError(), kBadReply);
  EXPECT_EQ(module_.State().commands.size(), commandsBefore);
  EXPECT_EQ(module_.State().firmwareTransfers, transfersBefore);

  // Reading sector 0 is allowed.
  EXPECT_EQ(api.Upload_Firmware(handle_, 0, 0, 8, data), 1);
}

TEST_P(Qx24xModuleTest, ModuleRefusalsFailTheirCalls) {
  Qx24xApi& api = Api();
  // The application does not change flash: that takes the boot loader.
  EXPECT_EQ(api.Erase_Sector(handle_, 2), 0);
  uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(api.Download_Firmware(handle_, 2, 0, 8, data), 0);
  EXPECT_EQ(api.FirmwareUpgradeMode(handle_, kPassword + 1), 0);
  if (GetParam() == Transport::kSerial) {
    EXPECT_EQ(platform::GetLastError(), kBadReply);
  }
  EXPECT_EQ(Mode(), 1) << "a wrong code leaves the module running";
  EXPECT_EQ(module_.State().restarts, 0u);
}

TEST_P(Qx24xModuleTest, HandlesAreCheckedAndAFreedSlotIsReused) {
  Qx24xApi& api = Api();
  uint8_t mode = 0;
  for (int32_t handle : {-1, 1, 9, 10, 12345}) {
    EXPECT_EQ(api.Get_Mode(handle, &mode), 0) << handle;
    EXPECT_EQ(api.CloseCard(handle), 0) << handle;
    EXPECT_EQ(api.USB_DeviceState(handle, 0), 0) << handle;
  }
  int32_t second = -1;
  EXPECT_EQ(api.OpenInterface(&second, &record_), 0) << "one module, one link";
  EXPECT_EQ(api.CloseInterface(handle_), 1);
  EXPECT_EQ(api.Get_Mode(handle_, &mode), 0);
  handle_ = -1;
  ASSERT_EQ(api.OpenInterface(&handle_, &record_), 1);
  EXPECT_EQ(handle_, 0);
}

// A module that vanishes (unplugged, its port gone) leaves its link open but
// no module behind it, which the program's polling asks about.
TEST_P(Qx24xModuleTest, VanishedModuleIsNoLongerThere) {
  Qx24xApi& api = Api();
  EXPECT_EQ(api.USB_DeviceState(handle_, 0), 1);
  if (serial_) {
    serial_->Stop();
  } else {
    usb_->Stop();
  }
  EXPECT_TRUE(benchtest::Eventually([&] { return api.USB_DeviceState(handle_, 0) == 0; }));
  EXPECT_EQ(api.CloseCard(handle_), 1);
  handle_ = -1;
}

INSTANTIATE_TEST_SUITE_P(Links, Qx24xModuleTest, testing::Values(Transport::kSerial, Transport::kUsb),
                         Name);

// The serial module answers a firmware frame on the line after the driver
// may have given up on it. Each answer here is held back past the driver's
// 1000 ms wait, and the next read (at another address, then in another
// sector) is sent while that stale answer is still to come: it must get its
// own data, never the stale answer of the same Length.
using Qx24xSerialModuleTest = Qx24xModuleTest;

TEST_P(Qx24xSerialModuleTest, LateFirmwareAnswerIsNotTakenByTheNextRead) {
  struct Read {
    int32_t sector;
    uint32_t address;
  };
  const struct {
    Read late, next;
  } cases[] = {{{1, 0x400}, {1, 0x408}}, {{1, 0x410}, {2, 0x410}}};
  const auto held = [this](const Read& read) {
    const std::vector<uint8_t> image = module_.SectorImage(uint8_t(read.sector));
    return std::vector<uint8_t>(image.begin() + read.address, image.begin() + read.address + 8);
  };
  // The driver waits 1000 ms of process time; the late answer comes 500 ms
  // after that, leaving the next read ample time to go out first.
  ScopedTimeScale fast(4);
  for (const auto& [late, next] : cases) {
    SCOPED_TRACE(testing::Message() << "next read: sector " << next.sector << " at 0x" << std::hex << next.address);
    ASSERT_NE(held(late), held(next)) << "the two reads must tell their answers apart";
    const std::uint64_t answered = serial_->FirmwareAnswersSent();
    serial_->DelayNextFirmwareAnswer(std::chrono::milliseconds(1500));
    uint8_t data[8] = {};
    ASSERT_EQ(Api().Upload_Firmware(handle_, late.sector, late.address, 8, data), 0);
    EXPECT_EQ(platform::GetLastError(), 0xFFF0u);
    ASSERT_EQ(Api().Upload_Firmware(handle_, next.sector, next.address, 8, data), 1)
        << std::hex << platform::GetLastError();
    EXPECT_EQ(std::vector<uint8_t>(data, data + 8), held(next));
    EXPECT_EQ(serial_->FirmwareAnswersSent(), answered + 2) << "the late answer went out first";
  }
}

INSTANTIATE_TEST_SUITE_P(Link, Qx24xSerialModuleTest, testing::Values(Transport::kSerial), Name);

TEST(Qx24xLibrary, NamesAndMissingConfigurationWindow) {
  Qx24xApi& api = Api();
  ASSERT_TRUE(api.Loaded());
  char name[16] = "";
  EXPECT_EQ(api.DLL_Name(0, name), 1);
  EXPECT_STREQ(name, "QX24X");
  int32_t major = 0, minor = 0;
  EXPECT_EQ(api.DLL_Version(0, &major, &minor), 1);
  EXPECT_EQ(major * 100 + minor, 107);
  // Without a configuration window nothing is confirmed and the record
  // comes back untouched.
  InterfaceConfiguration record{};
  record.InterfaceType = 0x8000001;
  record.ComPort = 2;
  const InterfaceConfiguration before = record;
  EXPECT_EQ(api.HardwareConfigurationWindow(&record), 0);
  EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);
}

TEST(Qx24xLibrary, ModuleThatDoesNotAnswerLeavesNoLinkOpen) {
  benchtest::UseOwnUsbDirectory();
  // A pty nobody serves: the synchronisation fails, and the port is free
  // for the next open.
  platform::PseudoTerminal silent;
  ASSERT_TRUE(silent.Open());
  setenv("FLASHWRIGHT_COM4", silent.SlavePath().c_str(), 1);
  InterfaceSettings settings{};
  settings.ComPort = 4;
  int32_t handle = -1;
  {
    ScopedTimeScale fast(50);
    EXPECT_EQ(Api().OpenCard(&handle, 0x8000001, &settings), 0);
  }
  EXPECT_EQ(platform::GetLastError(), 0xFFF0u);
  uint8_t mode = 0;
  EXPECT_EQ(Api().Get_Mode(0, &mode), 0) << "no slot is left in use";
}

TEST(Qx24xLibrary, ListsUsbDevicesWithinTheCallersBuffer) {
  benchtest::UseOwnUsbDirectory();
  sim::Qx24xModule first, second;
  sim::Qx24xUsbDevice a(first, "A100"), b(second, "B200");
  ASSERT_TRUE(a.Start());
  ASSERT_TRUE(b.Start());
  Qx24xApi& api = Api();

  char buffer[512];
  uint32_t count = 4;
  ASSERT_EQ(api.List_USB_Devices(&count, sizeof buffer, buffer), 1);
  ASSERT_EQ(count, 2u);
  EXPECT_STREQ(buffer, "A100");
  EXPECT_STREQ(buffer + 5, "B200");

  count = 0;
  std::strcpy(buffer, "junk");
  ASSERT_EQ(api.List_USB_Devices(&count, sizeof buffer, buffer), 1);
  EXPECT_EQ(count, 0u);
  EXPECT_STREQ(buffer, "");

  // Room for one text only: it is listed, and the call says more did not fit.
  char small[8];
  std::memset(small, 0x5A, sizeof small);
  count = 4;
  EXPECT_EQ(api.List_USB_Devices(&count, 6, small), 0);
  EXPECT_EQ(platform::GetLastError(), 234u);
  EXPECT_EQ(count, 1u);
  EXPECT_STREQ(small, "A100");
  EXPECT_EQ(small[6], 0x5A) << "nothing is written past the capacity";

  // The access point chooses the device by its instance text.
  InterfaceConfiguration record{};
  std::strcpy(record.AccessPoint, "B200");
  int32_t handle = -1;
  ASSERT_EQ(api.OpenInterface(&handle, &record), 1);
  ASSERT_EQ(api.Set_Serial_Number(handle, 0xB200), 1);
  EXPECT_EQ(second.State().serialNumber, 0xB200u);
  EXPECT_EQ(api.CloseCard(handle), 1);
  std::strcpy(record.AccessPoint, "C300");
  EXPECT_EQ(api.OpenInterface(&handle, &record), 0);
  EXPECT_EQ(platform::GetLastError(), 0xFFFFFu);
}

}  // namespace
