// The maker's firmware object of a simulated DeviceNet slave and its flash:
// password, reset into the boot loader, erase, fragmented memory writes,
// checksum, boot sector and the return to the application.
#include <gtest/gtest.h>

#include "tests/devicenet/slave_rawmaster.h"

namespace sim::testing {
namespace {

constexpr std::uint8_t kMac = 5;
constexpr std::uint8_t kFirmware = 0xC7;

Bytes Udint(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

Bytes MemoryWrite(std::uint8_t sector, std::uint32_t address, const Bytes& data) {
  Bytes payload{0x02, sector, static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8),
                static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(data.size())};
  payload.insert(payload.end(), data.begin(), data.end());
  return payload;
}

// The program's checksum: 0x17FFF little-endian words of a 0xFF-filled mirror.
std::uint32_t MirrorSum(const Bytes& image) {
  Bytes mirror(0x2FFFE, 0xFF);
  std::copy(image.begin(), image.end(), mirror.begin());
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < mirror.size(); i += 2) sum += mirror[i] | (mirror[i + 1] << 8);
  return sum;
}

class SlaveFirmwareTest : public SlaveTest {
 protected:
  void Start(DeviceNetSlaveConfig config = QuickSlave(kMac)) {
    slave_.emplace(bus_, std::move(config));
    ASSERT_TRUE(slave_->WaitForState(DeviceNetSlave::State::Online, kPatience));
    master_.Allocate();
  }

  // Identity Reset: answered, then the node drops off and comes back.
  void ResetAndReconnect() {
    const std::size_t restarts = slave_->Restarts();
    EXPECT_EQ(master_.Connected(0x05, {0x01, 0x01}), (Bytes{0x85}));
    for (int i = 0; i < 1000 && slave_->Restarts() == restarts; ++i) master_.Quiet(10ms);
    ASSERT_EQ(slave_->Restarts(), restarts + 1);
    EXPECT_EQ(slave_->AllocatedChoice(), 0);
    ASSERT_TRUE(slave_->WaitForState(DeviceNetSlave::State::Online, kPatience));
    master_.Allocate();
  }

  Bytes Command(const Bytes& payload) { return master_.Set(kFirmware, 0x01, 0x03, payload); }

  CanBus bus_;
  RawMaster master_{bus_, kMac};
  std::optional<DeviceNetSlave> slave_;
};

TEST_F(SlaveFirmwareTest, DownloadIntoTheBootLoaderAndBackToTheApplication) {
  Start();
  EXPECT_EQ(master_.Get(0x01, 0x01, 0x03), (Bytes{0x8E, 0xE2, 0x1F}));
  EXPECT_EQ(Command({0x03, 0x02}), (Bytes{0x94, 0x0C, 0xFF})) << "the application does not erase";
  EXPECT_EQ(master_.Set(kFirmware, 0x01, 18, Udint(0x12345678)), (Bytes{0x94, 0x0F, 0xFF}));
  ResetAndReconnect();
  EXPECT_EQ(slave_->Mode(), FlashMode::Application) << "a wrong password arms nothing";

  EXPECT_EQ(master_.Set(kFirmware, 0x01, 18, Udint(0xCAFEBABE)), (Bytes{0x90}));
  ResetAndReconnect();
  EXPECT_EQ(slave_->Mode(), FlashMode::BootLoader);
  EXPECT_EQ(master_.Get(0x01, 0x01, 0x03), (Bytes{0x8E, 0xE2, 0x9F}));

  EXPECT_EQ(Command({0x03, 0x02}), (Bytes{0x90}));
  Bytes image(4096);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 3);
  for (std::size_t address = 0; address < image.size(); address += 32) {
    const Bytes chunk(image.begin() + address, image.begin() + address + 32);
    ASSERT_EQ(Command(MemoryWrite(2, static_cast<std::uint32_t>(address), chunk)), (Bytes{0x90})) << address;
  }
  EXPECT_EQ(master_.Set(kFirmware, 0x01, 7, {2}), (Bytes{0x90}));
  const std::uint32_t sum = MirrorSum(image);
  EXPECT_EQ(master_.Get(kFirmware, 0x01, 13), (Bytes{0x8E, Udint(sum)[0], Udint(sum)[1], Udint(sum)[2], Udint(sum)[3]}));
  EXPECT_EQ(master_.Set(kFirmware, 0x01, 13, Udint(sum + 1)), (Bytes{0x94, 0x09, 0xFF}));
  EXPECT_EQ(master_.Set(kFirmware, 0x01, 13, Udint(sum)), (Bytes{0x90}));
  EXPECT_EQ(master_.Set(kFirmware, 0x01, 14, {2}), (Bytes{0x90}));
  EXPECT_EQ(master_.Get(kFirmware, 0x01, 14), (Bytes{0x8E, 2}));

  ResetAndReconnect();  // execute
  EXPECT_EQ(slave_->Mode(), FlashMode::Application);
  EXPECT_EQ(master_.Get(0x01, 0x01, 0x03), (Bytes{0x8E, 0xE2, 0x1F}));
  const FirmwareFlash flash = slave_->Flash();
  EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.Image(2).begin()));
  EXPECT_EQ(flash.Image(2)[image.size()], 0xFF);
  EXPECT_TRUE(flash.ChecksumValid(2));
}

TEST_F(SlaveFirmwareTest, WithoutAValidBootSectorTheNodeRestartsInTheBootLoader) {
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.mode = FlashMode::BootLoader;
  Start(config);
  EXPECT_EQ(master_.Set(kFirmware, 0x01, 14, {1}), (Bytes{0x90}));
  ResetAndReconnect();
  EXPECT_EQ(slave_->Mode(), FlashMode::BootLoader);
}

TEST_F(SlaveFirmwareTest, WritingOverUnerasedBytesLeavesTheirAnd) {
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.mode = FlashMode::BootLoader;
  Start(config);
  EXPECT_EQ(Command(MemoryWrite(1, 0x10, {0xF0, 0x3C})), (Bytes{0x90}));
  EXPECT_EQ(Command(MemoryWrite(1, 0x10, {0x0F, 0xFF})), (Bytes{0x90}));
  EXPECT_EQ(slave_->Flash().Image(1)[0x10], 0x00);
  EXPECT_EQ(slave_->Flash().Image(1)[0x11], 0x3C);
}

TEST_F(SlaveFirmwareTest, FirmwareAttributesAndTheirErrors) {
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.mode = FlashMode::BootLoader;
  config.sectors[3].info = {"ParametersBlock!", "Parameter data", "Jan 02 2024", "12:34:56", 0x00020001};
  Start(config);
  struct Case {
    const char* what;
    std::uint8_t service;
    Bytes args;  // attribute and value
    Bytes reply;
  };
  const Case cases[] = {
      {"sector count", 0x0E, {16}, {0x8E, 4}},
      {"size of sector 0", 0x0E, {17}, {0x8E, 0xFF, 0xFF, 0x00, 0x00}},
      {"select sector 4", 0x10, {7, 4}, {0x94, 0x09, 0xFF}},
      {"select sector 3", 0x10, {7, 3}, {0x90}},
      {"size of sector 3", 0x0E, {17}, {0x8E, 0xFF, 0xFF, 0x00, 0x00}},
      {"name, cut to 15", 0x0E, {8}, {0x8E, 15, 'P', 'a', 'r', 'a', 'm', 'e', 't', 'e', 'r', 's', 'B', 'l', 'o', 'c', 'k'}},
      {"build time", 0x0E, {11}, {0x8E, 8, '1', '2', ':', '3', '4', ':', '5', '6'}},
      {"revision", 0x0E, {12}, {0x8E, 0x01, 0x00, 0x02, 0x00}},
      {"name is read-only", 0x10, {8, 0}, {0x94, 0x0E, 0xFF}},
      {"attribute 15", 0x0E, {15}, {0x94, 0x14, 0xFF}},
      {"password is not readable", 0x0E, {18}, {0x94, 0x14, 0xFF}},
      {"short password", 0x10, {18, 1, 2}, {0x94, 0x13, 0xFF}},
      {"boot sector 4", 0x10, {14, 4}, {0x94, 0x09, 0xFF}},
      {"erase sector 4", 0x10, {3, 0x03, 4}, {0x94, 0x09, 0xFF}},
      {"erase too long", 0x10, {3, 0x03, 1, 0}, {0x94, 0x15, 0xFF}},
      {"unknown command", 0x10, {3, 0x07, 1}, {0x94, 0x09, 0xFF}},
      {"empty command", 0x10, {3}, {0x94, 0x13, 0xFF}},
      {"write header cut", 0x10, {3, 0x02, 1, 0, 0, 0}, {0x94, 0x13, 0xFF}},
      {"write of 0 bytes", 0x10, {3, 0x02, 1, 0, 0, 0, 0}, {0x94, 0x09, 0xFF}},
      {"write of 33 bytes", 0x10, {3, 0x02, 1, 0, 0, 0, 33}, {0x94, 0x09, 0xFF}},
      {"write missing data", 0x10, {3, 0x02, 1, 0, 0, 0, 2, 0xAA}, {0x94, 0x13, 0xFF}},
      {"write extra data", 0x10, {3, 0x02, 1, 0, 0, 0, 1, 0xAA, 0xBB}, {0x94, 0x15, 0xFF}},
      {"last byte of sector 0", 0x10, {3, 0x02, 0, 0xFF, 0xFF, 0x00, 1, 0xAA}, {0x90}},
      {"write past sector 0", 0x10, {3, 0x02, 0, 0x00, 0x00, 0x01, 1, 0xAA}, {0x94, 0x09, 0xFF}},
      {"last byte of sector 1", 0x10, {3, 0x02, 1, 0xFF, 0xFF, 0x02, 1, 0xAA}, {0x90}},
      {"write to sector 9", 0x10, {3, 0x02, 9, 0, 0, 0, 1, 0xAA}, {0x94, 0x09, 0xFF}},
      {"unknown service", 0x4B, {3}, {0x94, 0x08, 0xFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes body{kFirmware, 0x01};
    body.insert(body.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(master_.Connected(c.service, body), c.reply);
  }
  EXPECT_EQ(slave_->Flash().Image(0)[0xFFFF], 0xAA);
  EXPECT_EQ(slave_->Flash().Image(1)[0x2FFFF], 0xAA);
}

TEST_F(SlaveFirmwareTest, RefusedChecksumSetLeavesTheOwnSumReadable) {
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.mode = FlashMode::BootLoader;
  config.faults.refuseChecksum = true;
  Start(config);
  const std::uint32_t blank = MirrorSum({});
  EXPECT_EQ(master_.Set(kFirmware, 0x01, 13, Udint(blank)), (Bytes{0x94, 0x0C, 0xFF}));
  EXPECT_EQ(master_.Get(kFirmware, 0x01, 13),
            (Bytes{0x8E, Udint(blank)[0], Udint(blank)[1], Udint(blank)[2], Udint(blank)[3]}));
  EXPECT_FALSE(slave_->Flash().ChecksumValid(0));
}

TEST(FirmwareFlashTest, ChecksumRulesOfBothNetworks) {
  FirmwareFlash flash({{5, {}}, {0x30000, {}}}, 0, FlashMode::BootLoader);
  ASSERT_EQ(flash.Write(0, 0, Bytes{0x01, 0x02, 0x03, 0x04, 0x05}), FlashStatus::Ok);
  // DeviceNet: the 0x2FFFE-byte window, bytes past the sector as 0xFF.
  EXPECT_EQ(flash.DeviceNetSum(0), 0x0201u + 0x0403u + 0xFF05u + 0xFFFFu * (0x17FFFu - 3));
  // CANopen: over as many bytes as the node reports for the sector (the
  // offset of its last byte), a whole number of words for width 16.
  EXPECT_EQ(flash.ReportedSize(0), 4u);
  EXPECT_EQ(flash.CanopenSum(0, 8), 10u);
  EXPECT_EQ(flash.CanopenSum(0, 16), 0x0201u + 0x0403u);
  EXPECT_EQ(flash.CanopenSum(0, 12), 0u);
  // A sector larger than the window is summed over the window only.
  EXPECT_EQ(flash.CanopenSum(1, 8), 0xFFu * 0x2FFFE);
  EXPECT_EQ(flash.DeviceNetSum(1), 0xFFFFu * 0x17FFF);
  EXPECT_EQ(flash.Write(0, 4, Bytes{1, 2}), FlashStatus::OutOfRange);
  EXPECT_EQ(flash.Write(2, 0, Bytes{1}), FlashStatus::BadSector);
}

TEST(FirmwareFlashTest, RestartModeFollowsPasswordAndBootSectorChecksum) {
  FirmwareFlash flash(FirmwareFlash::StandardLayout(), 42, FlashMode::Application);
  EXPECT_EQ(flash.Restart(), FlashMode::Application) << "factory firmware is valid";
  EXPECT_FALSE(flash.OfferPassword(41));
  EXPECT_TRUE(flash.OfferPassword(42));
  EXPECT_EQ(flash.Restart(), FlashMode::BootLoader);
  EXPECT_EQ(flash.Restart(), FlashMode::Application) << "arming lasts one start";
  ASSERT_EQ(flash.Erase(0), FlashStatus::Ok);
  EXPECT_EQ(flash.Restart(), FlashMode::BootLoader);
  ASSERT_EQ(flash.StoreChecksum(0, 7, 7), FlashStatus::Ok);
  EXPECT_EQ(flash.Restart(), FlashMode::Application);
}

TEST(FirmwareFlashTest, AnErasedSectorIsDescribedByTheRecordItsImageHolds) {
  FirmwareFlash flash({{0x404, {"Layout", "From the layout", "", "", 0x00010000}}}, 0, FlashMode::BootLoader);
  EXPECT_EQ(flash.Info(0).name, "Layout");
  ASSERT_EQ(flash.Erase(0), FlashStatus::Ok);
  const SectorInfo erased = flash.Info(0);
  EXPECT_EQ(erased.name, "");
  EXPECT_EQ(erased.revision, 0xFFFFFFFFu) << "an erased sector is empty";
  // The record runs past this sector's end: its missing bytes read as erased.
  ASSERT_EQ(flash.Write(0, FirmwareFlash::kDescriptionAddress, Bytes{'A', 'p', 'p', 0}), FlashStatus::Ok);
  EXPECT_EQ(flash.Info(0).name, "App");
  EXPECT_EQ(flash.Info(0).description, "");
  EXPECT_EQ(flash.Info(0).revision, 0xFFFFFFFFu);
}

}  // namespace
}  // namespace sim::testing
