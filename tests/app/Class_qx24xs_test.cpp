// The QX24X downloader end to end: the QX24X driver library loaded by name,
// against the bench's module on a pseudo-terminal and on the USB provider.
#include "app/Class_qx24xs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "app/Class_intelhexfile.h"
#include "app/Thread_download_file.h"
#include "platform/lasterror.h"
#include "sim/qx24x/qx24xmodule.h"
#include "sim/qx24x/qx24xserialport.h"
#include "sim/qx24x/qx24xusbdevice.h"
#include "tests/app/apptestsupport.h"
#include "tests/platform/scoped_time_scale.h"
#include "tests/support/scratch.h"

namespace {

const std::uint32_t kPassword = sim::Qx24xModuleOptions{}.password;
constexpr std::uint8_t kSector = 2;

enum class Transport { kSerial, kUsb };

std::string TransportName(const testing::TestParamInfo<Transport>& info) {
  return info.param == Transport::kSerial ? "Serial" : "Usb";
}

class Qx24xDownloaderTest : public testing::TestWithParam<Transport> {
 protected:
  void SetUp() override {
    benchtest::UseOwnUsbDirectory();
    ASSERT_TRUE(downloader.Loaded());
    InterfaceConfiguration& record = downloader.Interface();
    if (GetParam() == Transport::kSerial) {
      serial = std::make_unique<sim::Qx24xSerialPort>(module);
      ASSERT_TRUE(serial->Start());
      setenv("FLASHWRIGHT_COM2", serial->SlavePath().c_str(), 1);
      record.ComPort = 2;
      record.ComBaud = 57600;
    } else {
      usb = std::make_unique<sim::Qx24xUsbDevice>(module);
      ASSERT_TRUE(usb->Start());
    }
  }

  bool InDownloadMode() {
    int inDownloadMode = 0;
    return downloader.GetDownloadMode(&inDownloadMode) == 1 && inDownloadMode == 1;
  }

  // The serial link's reply waits are short: the clock runs only a little
  // fast there, so that a loaded machine still answers in time.
  ScopedTimeScale fast{GetParam() == Transport::kSerial ? 2.0 : 20.0};
  sim::Qx24xModule module;
  std::unique_ptr<sim::Qx24xSerialPort> serial;
  std::unique_ptr<sim::Qx24xUsbDevice> usb;
  TQX24XS_Downloader downloader;
  apptest::TempDir dir;
};

TEST_P(Qx24xDownloaderTest, RunsTheWholeUpdateOfTheModule) {
  const bool serialLink = GetParam() == Transport::kSerial;
  ASSERT_EQ(downloader.GoOnline(), 1) << std::hex << platform::GetLastError();
  EXPECT_EQ(downloader.ChunkSize(), serialLink ? 8u : 32u);
  char name[256] = {};
  ASSERT_EQ(downloader.GetInterfaceName(name), 1);
  EXPECT_STREQ(name, serialLink ? "RS-232" : "USB");
  int changed = 0;
  ASSERT_EQ(downloader.PollNodeChanges(&changed), 1);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(downloader.PresentWord(0), 1u);
  EXPECT_EQ(downloader.GetNodeText(0), "1");
  EXPECT_EQ(downloader.GetVendorText(0), "VRK, LLC.");
  EXPECT_EQ(downloader.GetProductNameText(0), "QX24X");
  EXPECT_EQ(downloader.GetRevisionText(0), "3.2");
  EXPECT_EQ(downloader.GetSerialNumberText(0), std::to_string(sim::Qx24xModuleOptions{}.serialNumber));
  EXPECT_FALSE(InDownloadMode());
  // A browse keeps the open link.
  EXPECT_EQ(downloader.StartBrowse(), 1);
  EXPECT_TRUE(downloader.LinkOpen());

  ASSERT_EQ(downloader.SetDownloadMode(1, kPassword), 1);
  EXPECT_TRUE(InDownloadMode());
  ASSERT_EQ(downloader.EraseSector(kSector), 1);

  const std::vector<std::uint8_t> image = apptest::Image(1000, 11);
  const std::string path = dir.File("module.hex");
  apptest::WriteHexFile(path, image, 32);
  TIntelHexFile reader;
  ASSERT_EQ(reader.Open(path), 1);
  const std::uint32_t transfersBefore = module.State().firmwareTransfers;
  TDownloadPasses passes(TDownloadJob{&reader, kSector, &downloader}, nullptr);
  passes.Execute();
  EXPECT_TRUE(passes.DownloadPassed()) << std::hex << passes.DownloadStatus();
  EXPECT_TRUE(passes.VerifyPassed()) << std::hex << passes.VerifyStatus();
  // Every byte travels in driver calls of at most 8 bytes, both ways.
  EXPECT_EQ(module.State().firmwareTransfers - transfersBefore, 2 * ((image.size() + 7) / 8));
  // A length the driver cannot carry is refused, not cut to its low byte.
  std::vector<std::uint8_t> block(256, 0);
  const std::function<int()> tooLong[] = {[&] { return downloader.WriteMemory(kSector, 0, 256, block.data()); },
                                          [&] { return downloader.ReadMemory(kSector, 0, 256, block.data()); }};
  for (const auto& call : tooLong) {
    const std::uint32_t transfers = module.State().firmwareTransfers;
    EXPECT_EQ(call(), 0);
    EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidParameter);
    EXPECT_EQ(module.State().firmwareTransfers, transfers);
  }

  ASSERT_EQ(downloader.WriteSectorChecksum(kSector), 1);
  std::uint32_t checksumGood = 0;
  ASSERT_EQ(downloader.ChecksumOk(kSector, &checksumGood), 1);
  EXPECT_NE(checksumGood, 0u);
  ASSERT_EQ(downloader.SetBootSector(kSector), 1);
  const auto flashed = module.SectorImage(kSector);
  ASSERT_GE(flashed.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), flashed.begin()));

  SectorDescription description{};
  ASSERT_EQ(downloader.GetSectorDescription(1, &description), 1);
  EXPECT_EQ(description.Name[sizeof description.Name - 1], '\0');
  EXPECT_EQ(description.BuildTime[sizeof description.BuildTime - 1], '\0');

  const std::uint32_t restarts = module.State().restarts;
  ASSERT_EQ(downloader.ExecuteSector(kSector), 1);
  EXPECT_GT(module.State().restarts, restarts);
  EXPECT_TRUE(downloader.LinkOpen());
  EXPECT_EQ(module.State().bootSector, kSector);

  EXPECT_EQ(downloader.GoOffline(), 1);
  EXPECT_EQ(downloader.PresentWord(0), 0u);
}

TEST_P(Qx24xDownloaderTest, AWrongPasswordOrAnUnopenedLinkFails) {
  EXPECT_EQ(downloader.SetDownloadMode(1, kPassword), 0) << "no link yet";
  ASSERT_EQ(downloader.GoOnline(), 1);
  EXPECT_EQ(downloader.SetDownloadMode(1, kPassword + 1), 0);
  EXPECT_FALSE(InDownloadMode());
  // Outside the boot loader the module refuses to change its flash.
  EXPECT_EQ(downloader.EraseSector(kSector), 0);
}

INSTANTIATE_TEST_SUITE_P(Links, Qx24xDownloaderTest, testing::Values(Transport::kSerial, Transport::kUsb),
                         TransportName);

TEST(Qx24xDownloaderMissingTest, WithoutTheDriverEverythingFailsButTheMirrorStillFills) {
  TQX24XS_Downloader downloader("QX24X_MISSING.dll");
  EXPECT_FALSE(downloader.Loaded());
  EXPECT_EQ(downloader.GoOnline(), 0);
  EXPECT_EQ(downloader.PresentWord(0), 0u);
  const std::uint8_t data[3] = {1, 2, 3};
  EXPECT_EQ(downloader.WriteMemory(kSector, 0x10, 3, data), 0);
  EXPECT_EQ(downloader.Mirror().At(0x11), 2);
  EXPECT_EQ(downloader.GetRevisionText(0), "0.0");
  EXPECT_EQ(downloader.GetSerialNumberText(0), "");
  std::uint32_t browse = 0;
  EXPECT_EQ(downloader.GetBrowseTime(&browse), 1);
  EXPECT_EQ(browse, 5000u);
  InterfaceConfiguration record{};
  ASSERT_EQ(downloader.GetInterfaceConfiguration(&record), 1);
  EXPECT_EQ(record.InterfaceType, INTERFACE_QX24X);
  EXPECT_STREQ(record.AccessPoint, "1");
}

}  // namespace
