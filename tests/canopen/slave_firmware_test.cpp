// The maker's firmware objects of the simulated CANopen slave, as the
// downloader uses them: password and reset into the boot loader, erase,
// 38-byte memory writes, checksum, boot sector and back into the
// application; and the fault switches that let the master's failures be
// tested.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "sim/canopen/canopenprobe.h"
#include "sim/canopen/canopenslave.h"
#include "tests/platform/scoped_time_scale.h"

namespace sim {
namespace {

using SdoFrame = CanopenProbe::SdoFrame;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kNode = 12;
constexpr std::uint32_t kGuardId = 0x700 + kNode;
constexpr std::uint32_t kSdoAnswerId = 0x580 + kNode;
constexpr std::uint32_t kPassword = 0xC0FFEE42;
constexpr auto kPatience = std::chrono::milliseconds(std::chrono::minutes(10));
constexpr std::size_t kChecksumWindow = 0x2FFFE;

Bytes U32(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

Bytes EraseCommand(std::uint8_t sector) {
  Bytes command(38, 0);
  command[0] = 0x03;
  command[1] = sector;
  return command;
}

Bytes WriteCommand(std::uint8_t sector, std::uint32_t address, std::span<const std::uint8_t> data) {
  Bytes command(6 + data.size());
  command[0] = 0x02;
  command[1] = sector;
  for (std::size_t i = 0; i < 3; ++i) command[2 + i] = static_cast<std::uint8_t>(address >> (8 * i));
  command[5] = static_cast<std::uint8_t>(data.size());
  std::ranges::copy(data, command.begin() + 6);
  return command;
}

// The downloader's rule, over a mirror of the image: unwritten bytes are 0xFF.
std::uint32_t ProgramChecksum(const Bytes& image, std::size_t sectorSize, unsigned width) {
  Bytes mirror(kChecksumWindow, 0xFF);
  std::copy_n(image.begin(), std::min(image.size(), mirror.size()), mirror.begin());
  const std::size_t size = std::min(sectorSize, kChecksumWindow);
  std::uint32_t sum = 0;
  if (width == 8) return std::accumulate(mirror.begin(), mirror.begin() + static_cast<std::ptrdiff_t>(size), 0u);
  for (std::size_t i = 0; i + 1 < size; i += 2) sum += mirror[i] | (mirror[i + 1] << 8);
  return sum;
}

Bytes TestImage(std::size_t size) {
  Bytes image(size);
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
  return image;
}

class FirmwareTest : public ::testing::Test {
 protected:
  CanopenSlave& Start(CanopenSlaveConfig config) {
    config.node = kNode;
    config.password = kPassword;
    slave_ = std::make_unique<CanopenSlave>(bus_, std::move(config));
    ExpectBootUp();
    return *slave_;
  }

  BusFrame ExpectBootUp() {
    const std::optional<BusFrame> bootUp = probe_.Expect(kGuardId, kPatience);
    if (!bootUp || bootUp->frame != CanFrame::Standard(kGuardId, {0x00})) throw std::runtime_error("no boot-up");
    return *bootUp;
  }

  std::uint32_t Download(std::uint16_t index, const Bytes& data) { return probe_.DownloadObject(kNode, index, 0, data); }

  // The object's value as an unsigned number; throws on an abort.
  std::uint32_t Read(std::uint16_t index, std::uint8_t subIndex = 0) {
    const CanopenProbe::Upload upload = probe_.UploadObject(kNode, index, subIndex);
    if (upload.abort != 0) throw std::runtime_error("abort " + std::to_string(upload.abort));
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < upload.data.size(); ++i) value |= upload.data[i] << (8 * i);
    return value;
  }

  std::string ReadText(std::uint16_t index) {
    const CanopenProbe::Upload upload = probe_.UploadObject(kNode, index, 0);
    return {upload.data.begin(), upload.data.end()};
  }

  SdoFrame Sdo(const SdoFrame& request) {
    const std::optional<SdoFrame> answer = probe_.Sdo(kNode, request);
    if (!answer) throw std::runtime_error("no SDO answer");
    return *answer;
  }

  // Password, reset node, boot-up in the boot loader.
  void EnterBootLoader() {
    ASSERT_EQ(Download(0x360F, U32(kPassword)), 0u);
    probe_.Nmt(0x81, kNode);
    ExpectBootUp();
    ASSERT_EQ(slave_->Mode(), FlashMode::BootLoader);
  }

  void WriteImage(std::uint8_t sector, const Bytes& image) {
    for (std::size_t offset = 0; offset < image.size(); offset += 32) {
      const std::size_t count = std::min<std::size_t>(32, image.size() - offset);
      ASSERT_EQ(Download(0x3600, WriteCommand(sector, static_cast<std::uint32_t>(offset),
                                              std::span(image).subspan(offset, count))),
                0u)
          << "at " << offset;
    }
  }

  ScopedTimeScale fast_{50};
  CanBus bus_;
  CanopenProbe probe_{bus_};
  std::unique_ptr<CanopenSlave> slave_;
};

TEST_F(FirmwareTest, DownloadModeByPasswordThenImageChecksumBootSectorAndBackToTheApplication) {
  CanopenSlaveConfig config;
  config.productCode = 0x2BAD;
  Start(config);
  EXPECT_EQ(Read(0x1018, 2), 0x2BADu);

  // A wrong password leaves the node in its application across a reset.
  EXPECT_EQ(Download(0x360F, U32(kPassword + 1)), 0x08000020u);
  probe_.Nmt(0x81, kNode);
  ExpectBootUp();
  EXPECT_EQ(Read(0x1018, 2), 0x2BADu);

  ASSERT_EQ(Download(0x360F, U32(kPassword)), 0u);
  probe_.Nmt(0x81, kNode);
  // Silent while it restarts: a request in the boot delay goes unanswered.
  probe_.SendSdo(kNode, {0x40, 0x18, 0x10, 0x02, 0, 0, 0, 0});
  ExpectBootUp();
  EXPECT_FALSE(std::ranges::any_of(probe_.TakeAll(), [](const BusFrame& f) { return f.frame.id == kSdoAnswerId; }));
  EXPECT_EQ(Read(0x1018, 2), 0u) << "the boot loader reports product code 0";
  EXPECT_EQ(slave_->State(), NmtState::PreOperational);
  probe_.RequestGuard(kNode);
  EXPECT_EQ(probe_.Expect(kGuardId, kPatience)->frame.data[0], 0x7F);

  // The erase travels as a 38-byte segmented download.
  ASSERT_EQ(Download(0x3604, {2}), 0u);
  EXPECT_EQ(Sdo({0x21, 0x00, 0x36, 0x00, 38, 0, 0, 0}), (SdoFrame{0x60, 0x00, 0x36, 0x00, 0, 0, 0, 0}));
  const Bytes erase = EraseCommand(2);
  for (std::size_t segment = 0; segment < 6; ++segment) {
    const std::uint8_t toggle = (segment % 2) * 0x10;
    const std::size_t count = segment < 5 ? 7 : 3;
    SdoFrame request{static_cast<std::uint8_t>(toggle | ((7 - count) << 1) | (segment == 5 ? 1 : 0))};
    std::copy_n(erase.begin() + static_cast<std::ptrdiff_t>(segment * 7), count, request.begin() + 1);
    EXPECT_EQ(Sdo(request), (SdoFrame{static_cast<std::uint8_t>(0x20 | toggle), 0, 0, 0, 0, 0, 0, 0}));
  }

  const Bytes image = TestImage(4096);
  WriteImage(2, image);
  const std::uint32_t size = Read(0x360E);
  const unsigned width = Read(0x3611);
  ASSERT_EQ(Download(0x360A, U32(ProgramChecksum(image, size, width))), 0u);
  EXPECT_EQ(Read(0x3610), 1u);
  ASSERT_EQ(Download(0x360B, {2}), 0u);
  EXPECT_EQ(Read(0x360B), 2u);

  probe_.Nmt(0x81, kNode);
  ExpectBootUp();
  EXPECT_EQ(slave_->Mode(), FlashMode::Application);
  EXPECT_EQ(Read(0x1018, 2), 0x2BADu);
  const FirmwareFlash flash = slave_->Flash();
  EXPECT_TRUE(std::ranges::equal(flash.Image(2).first(image.size()), image));
  EXPECT_EQ(flash.Image(2)[image.size()], 0xFF);
}

TEST_F(FirmwareTest, OnlyTheProgramsChecksumValidatesTheSectorForTheNextStart) {
  struct Case {
    unsigned width;
    bool correct;
  };
  for (const Case c : {Case{8, true}, Case{16, true}, Case{8, false}, Case{16, false}}) {
    SCOPED_TRACE(testing::Message() << "width " << c.width << (c.correct ? ", right sum" : ", wrong sum"));
    slave_.reset();
    CanopenSlaveConfig config;
    config.checksumWidth = c.width;
    config.mode = FlashMode::BootLoader;
    // A short sector: bytes past its end must not count, whatever the mirror holds.
    config.sectors = {{0x1000, {}}, {0x101, {}}};
    Start(config);
    ASSERT_EQ(Read(0x3611), c.width);

    const Bytes image = TestImage(0x101);
    ASSERT_EQ(Download(0x3604, {1}), 0u);
    WriteImage(1, image);
    const std::uint32_t sum = ProgramChecksum(image, Read(0x360E), c.width);
    ASSERT_EQ(Download(0x360A, U32(c.correct ? sum : sum + 1)), 0u);
    EXPECT_EQ(Read(0x3610), c.correct ? 1u : 0u);
    ASSERT_EQ(Download(0x360B, {1}), 0u);
    probe_.Nmt(0x81, kNode);
    ExpectBootUp();
    EXPECT_EQ(slave_->Mode(), c.correct ? FlashMode::Application : FlashMode::BootLoader);
  }
}

TEST_F(FirmwareTest, CommandChannelRefusesWhatItCannotDo) {
  CanopenSlaveConfig config;
  config.mode = FlashMode::BootLoader;
  Start(config);
  const Bytes data(32, 0x5A);
  Bytes lengthMismatch = WriteCommand(1, 0, data);
  lengthMismatch[5] = 31;
  struct Case {
    const char* what;
    Bytes payload;
    std::uint32_t abort;
  };
  const Case cases[] = {
      {"length byte not the data's", lengthMismatch, 0x06070010},
      {"write past the sector's end", WriteCommand(0, 0xFFF0, data), 0x06090030},
      {"write to a sector that does not exist", WriteCommand(7, 0, data), 0x06090030},
      {"erase of a sector that does not exist", EraseCommand(4), 0x06090030},
      {"unknown command", {0x07, 0x01}, 0x06090030},
      {"one byte", {0x03}, 0x06070013},
      {"write header cut short", {0x02, 0x01, 0x00, 0x00, 0x00}, 0x06070013},
  };
  for (const Case& c : cases) EXPECT_EQ(Download(0x3600, c.payload), c.abort) << c.what;

  // A segmented download that ends short of the size it announced.
  ASSERT_EQ(Sdo({0x21, 0x00, 0x36, 0x00, 10, 0, 0, 0})[0], 0x60);
  EXPECT_EQ(Sdo({0x00, 0x02, 0x01, 0, 0, 0, 0, 0})[0], 0x20);
  EXPECT_EQ(Sdo({0x1D, 0x01, 0, 0, 0, 0, 0, 0}), (SdoFrame{0x80, 0x00, 0x36, 0x00, 0x10, 0x00, 0x07, 0x06}));
  EXPECT_EQ(Download(0x3600, {0x02, 0x01, 0, 0, 0, 0}), 0u) << "a write of no bytes";
  const FirmwareFlash flash = slave_->Flash();
  EXPECT_TRUE(std::ranges::all_of(flash.Image(0), [](std::uint8_t b) { return b == 0xFF; })) << "a refused write wrote";
  EXPECT_TRUE(std::ranges::all_of(flash.Image(1), [](std::uint8_t b) { return b == 0xFF; }));
}

TEST_F(FirmwareTest, SectorObjectsDescribeTheSelectedSector) {
  CanopenSlaveConfig config;
  config.sectors = {
      {0x8000, {"Boot", "Boot loader", "Jan 01 2024", "12:00:00", 0x0100}},
      {0x30000, {"A name longer than fifteen", std::string(40, 'd'), "Sep 30 2025 extra", "23:59:59 UTC", 0x020304}},
  };
  Start(config);
  EXPECT_EQ(Read(0x360D), 2u);
  struct Expected {
    std::string name, description, date, time;
    std::uint32_t revision, size;
  };
  const Expected expected[] = {
      {"Boot", "Boot loader", "Jan 01 2024", "12:00:00", 0x0100, 0x7FFF},
      {"A name longer t", std::string(31, 'd'), "Sep 30 2025", "23:59:59 UT", 0x020304, 0x2FFFF},
  };
  for (std::uint8_t sector = 0; sector < 2; ++sector) {
    SCOPED_TRACE(int{sector});
    ASSERT_EQ(Download(0x3604, {sector}), 0u);
    EXPECT_EQ(ReadText(0x3605), expected[sector].name);
    EXPECT_EQ(ReadText(0x3606), expected[sector].description);
    EXPECT_EQ(ReadText(0x3607), expected[sector].date);
    EXPECT_EQ(ReadText(0x3608), expected[sector].time);
    EXPECT_EQ(Read(0x3609), expected[sector].revision);
    EXPECT_EQ(Read(0x360E), expected[sector].size);
  }
}

TEST_F(FirmwareTest, FaultSwitchesForTheMastersFailurePaths) {
  CanopenSlave& slave = Start({});
  const auto abortOf = [&](std::uint16_t index) { return probe_.UploadObject(kNode, index, 0).abort; };

  CanopenSlaveFaults absent;
  absent.absentObjects = {0x360E, 0x3611};
  slave.SetFaults(absent);
  EXPECT_EQ(abortOf(0x360E), 0x06020000u);
  EXPECT_EQ(abortOf(0x3611), 0x06020000u);
  EXPECT_EQ(abortOf(0x360D), 0u);

  CanopenSlaveFaults wrongAnswer;
  wrongAnswer.wrongSubIndexAnswers = 1;
  slave.SetFaults(wrongAnswer);
  EXPECT_EQ(Sdo({0x40, 0x0D, 0x36, 0, 0, 0, 0, 0})[3], 1) << "echoes sub-index 1";
  EXPECT_EQ(Sdo({0x40, 0x0D, 0x36, 0, 0, 0, 0, 0})[3], 0);

  // A node that stops answering in the middle of a segmented transfer, while
  // its guarding answers go on.
  CanopenSlaveFaults hang;
  hang.sdoAnswersLeft = 2;
  slave.SetFaults(hang);
  EXPECT_EQ(Sdo({0x40, 0x08, 0x10, 0, 0, 0, 0, 0})[0], 0x41);
  EXPECT_EQ(Sdo({0x60, 0, 0, 0, 0, 0, 0, 0})[0], 0x00);
  probe_.SendSdo(kNode, {0x70, 0, 0, 0, 0, 0, 0, 0});
  probe_.RequestGuard(kNode);
  ASSERT_TRUE(probe_.Expect(kGuardId, kPatience));
  EXPECT_FALSE(std::ranges::any_of(probe_.TakeAll(), [](const BusFrame& f) { return f.frame.id == kSdoAnswerId; }));

  CanopenSlaveFaults slow;
  slow.answerDelay = std::chrono::milliseconds(300);
  slave.SetFaults(slow);
  const std::uint64_t askedUs = platform::NowMicroseconds();
  probe_.SendSdo(kNode, {0x40, 0x00, 0x10, 0, 0, 0, 0, 0});
  const std::optional<BusFrame> late = probe_.Expect(kSdoAnswerId, kPatience);
  ASSERT_TRUE(late);
  EXPECT_GE(late->queuedUs - askedUs, 300'000u);

  // Silent: the request is taken (the toggle moves on) but nothing is sent.
  CanopenSlaveFaults silent;
  silent.silent = true;
  slave.SetFaults(silent);
  probe_.RequestGuard(kNode);
  probe_.Nmt(0x01, kNode);  // taken after the guarding request: a sign that it was handled
  ASSERT_TRUE(slave.WaitForState(NmtState::Operational, kPatience));
  slave.SetFaults({});
  probe_.RequestGuard(kNode);
  // The answers so far carried toggles 0 (during the hang) and 1 (unsent).
  EXPECT_EQ(probe_.Expect(kGuardId, kPatience)->frame.data[0], 0x05);
  EXPECT_FALSE(std::ranges::any_of(probe_.TakeAll(), [](const BusFrame& f) { return f.frame.id == kGuardId; }));

  CanopenSlaveFaults duplicate;
  duplicate.duplicateFrames = 1;
  slave.SetFaults(duplicate);
  const SdoFrame answer = Sdo({0x40, 0x00, 0x10, 0, 0, 0, 0, 0});
  EXPECT_EQ(probe_.Expect(kSdoAnswerId, kPatience)->frame.data, answer);
}

TEST_F(FirmwareTest, PowerCycleKeepsTheFlashAndBootsAgain) {
  CanopenSlaveConfig config;
  config.mode = FlashMode::BootLoader;
  CanopenSlave& slave = Start(config);
  ASSERT_EQ(Download(0x3600, WriteCommand(1, 0x10, std::vector<std::uint8_t>{1, 2, 3})), 0u);
  slave.PowerOff();
  EXPECT_EQ(slave.State(), NmtState::Off);
  slave.PowerOn();
  ExpectBootUp();
  EXPECT_TRUE(slave.WaitForBootUps(2, kPatience));
  EXPECT_EQ(slave.Flash().Image(1)[0x11], 2);
}

}  // namespace
}  // namespace sim
