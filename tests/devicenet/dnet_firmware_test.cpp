// A firmware download as the program does it, by the library exports alone:
// password, reset into the boot loader, erase, 32-byte memory writes,
// checksum, boot sector, execute; and the ways it must fail.
#include <numeric>

#include "tests/devicenet/dnetbench.h"
#include "tests/support/ixxatbench.h"
#include "tests/support/sstbench.h"

namespace dnettest {
namespace {

constexpr std::int32_t kNode = 5;
constexpr std::uint8_t kSector = 2;
constexpr std::uint32_t kPassword = 0x1234ABCD;
constexpr std::size_t kChunk = 32;
constexpr std::uint32_t kMirrorBytes = 0x2FFFE;

std::vector<std::uint8_t> Image(std::size_t size) {
  std::vector<std::uint8_t> image(size);
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + (i >> 8));
  return image;
}

// The program's rule: the wrapping sum of the little-endian words of its
// 0xFF-filled mirror holding the image.
std::uint32_t MirrorChecksum(const std::vector<std::uint8_t>& image) {
  std::vector<std::uint8_t> mirror(kMirrorBytes, 0xFF);
  std::copy(image.begin(), image.end(), mirror.begin());
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < mirror.size(); i += 2) sum += mirror[i] | (mirror[i + 1] << 8);
  return sum;
}

enum class CardKind { kQx240, kSstCan2a, kIxxatVci, kSstScanner };

const char* CardSuffix(CardKind card) {
  switch (card) {
    case CardKind::kQx240: return "";
    case CardKind::kSstCan2a: return "OverSstCan2a";
    case CardKind::kIxxatVci: return "OverIxxatVci";
    case CardKind::kSstScanner: return "ThroughSstScanner";
  }
  return "";
}

struct FirmwareCase {
  bool ucmm;  // the slave is UCMM-capable
  CardKind card = CardKind::kQx240;
};

// The interface record of a bench card other than the QX240 adapter.
InterfaceConfiguration CardInterface(CardKind card) {
  switch (card) {
    case CardKind::kSstCan2a: return benchtest::SstCan2aCard();
    case CardKind::kIxxatVci: return benchtest::IxxatVciCard();
    default: return benchtest::SstScannerCard();
  }
}

// Run against a Group 2 Only slave and a UCMM-capable one, whose explicit
// connection the master opens through UCMM, over the SST CAN2A card and the
// IXXAT board, and through the SST scanner, whose card is the master.
class FirmwareTest : public DnetBench, public ::testing::WithParamInterface<FirmwareCase> {
 protected:
  void SetUp() override {
    DnetBench::SetUp();
    if (GetParam().card != CardKind::kQx240) {
      ASSERT_TRUE(sst.Start());
      cardInterface = CardInterface(GetParam().card);
    }
    sim::DeviceNetSlaveConfig config = Slave(kNode);
    config.ucmmCapable = GetParam().ucmm;
    slave = &AddSlave(config);
    GoOnlineAndBrowse();
    ASSERT_TRUE(WaitForNode(kNode));
  }

  int ResetNode() {
    std::uint8_t reply[256];
    std::uint16_t length = sizeof reply;
    return DNET(ExplicitService)(card, kNode, 0x05, 1, 1, 0, nullptr, &length, reply);
  }

  // The program's download-mode switch: password, reset, drop-off, return.
  void EnterDownloadMode() {
    ASSERT_EQ(DNET(SetAttribute_UDINT)(card, kNode, kFirmwareClass, 1, 18, kPassword), 1)
        << std::hex << platform::GetLastError();
    ResetNode();
    platform::Sleep(1000);
    ASSERT_EQ(DNET(RemoveFromScanlist)(card, kNode, 1), 1);
    ASSERT_TRUE(WaitForNode(kNode, false));
    const DnetScanlistEntry entry = DownloaderEntry();
    ASSERT_EQ(DNET(AddToScanlist)(card, kNode, 1, &entry), 1);
    ASSERT_TRUE(WaitForNode(kNode));
    std::uint16_t product = 0;
    ASSERT_EQ(DNET(GetAttribute_UINT)(card, kNode, 1, 1, 3, &product), 1) << std::hex << platform::GetLastError();
    ASSERT_EQ(product & 0x8000, 0x8000);
    // The explicit connection, predefined or through UCMM, has the entry's sizes.
    std::uint16_t produced = 0, consumed = 0;
    ASSERT_EQ(DNET(GetConnectionSize)(card, kNode, GetParam().ucmm ? 6 : 1, &produced, &consumed), 1);
    EXPECT_EQ(produced, 48);
    EXPECT_EQ(consumed, 48);
  }

  int WriteChunk(std::uint32_t address, const std::uint8_t* data, std::size_t length) {
    std::uint8_t payload[6 + kChunk] = {0x02, kSector, static_cast<std::uint8_t>(address),
                                        static_cast<std::uint8_t>(address >> 8),
                                        static_cast<std::uint8_t>(address >> 16), static_cast<std::uint8_t>(length)};
    std::copy_n(data, length, payload + 6);
    return DNET(SetAttribute)(card, kNode, kFirmwareClass, 1, 3, static_cast<std::uint16_t>(length + 6), payload);
  }

  int Erase() {
    const std::uint8_t erase[2] = {0x03, kSector};
    return DNET(SetAttribute)(card, kNode, kFirmwareClass, 1, 3, 2, erase);
  }

  benchtest::SstBusEndpoint sst{bus};
  sim::DeviceNetSlave* slave = nullptr;
};

TEST_P(FirmwareTest, DownloadsAnImageThatTheNodeThenRuns) {
  EnterDownloadMode();
  ASSERT_EQ(Erase(), 1) << std::hex << platform::GetLastError();

  const std::vector<std::uint8_t> image = Image(4096);
  for (std::size_t offset = 0; offset < image.size(); offset += kChunk) {
    ASSERT_EQ(WriteChunk(static_cast<std::uint32_t>(offset), image.data() + offset, kChunk), 1)
        << "at " << offset << ", last error " << std::hex << platform::GetLastError();
  }
  ASSERT_EQ(DNET(SetAttribute_USINT)(card, kNode, kFirmwareClass, 1, 7, kSector), 1);
  ASSERT_EQ(DNET(SetAttribute_UDINT)(card, kNode, kFirmwareClass, 1, 13, MirrorChecksum(image)), 1);
  ASSERT_EQ(DNET(SetAttribute_USINT)(card, kNode, kFirmwareClass, 1, 14, kSector), 1);
  std::uint8_t boot = 0;
  ASSERT_EQ(DNET(GetAttribute_USINT)(card, kNode, kFirmwareClass, 1, 14, &boot), 1);
  EXPECT_EQ(boot, kSector);

  const sim::FirmwareFlash flash = slave->Flash();
  const auto written = flash.Image(kSector);
  ASSERT_GE(written.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
  EXPECT_TRUE(flash.ChecksumValid(kSector));

  // Execute: the node restarts into the new application.
  const std::size_t restarts = slave->Restarts();
  ASSERT_EQ(ResetNode(), 1);
  ASSERT_TRUE(Eventually([&] { return slave->Restarts() > restarts; }));
  ASSERT_TRUE(slave->WaitForState(sim::DeviceNetSlave::State::Online, 60'000ms));
  EXPECT_EQ(slave->Mode(), sim::FlashMode::Application);
}

TEST_P(FirmwareTest, AWrongPasswordIsRefusedWithThePrivilegeViolationCode) {
  EXPECT_EQ(DNET(SetAttribute_UDINT)(card, kNode, kFirmwareClass, 1, 18, kPassword + 1), 0);
  EXPECT_EQ(platform::GetLastError(), 0x30940FFFu);
}

TEST_P(FirmwareTest, WritesFailWithTheTimeOutCodeWhenTheNodeDropsOffOrAFragmentIsGarbled) {
  EnterDownloadMode();
  ASSERT_EQ(Erase(), 1);
  const std::vector<std::uint8_t> image = Image(kChunk);
  ASSERT_EQ(WriteChunk(0, image.data(), kChunk), 1);

  // A middle request fragment whose count arrives garbled is dropped by the
  // node; the master must not take the missing acknowledgement for success.
  // Requests go on the predefined connection, or on the UCMM connection the
  // node opened with destination message ID 0 for the master's MAC ID 0.
  const std::uint32_t requestId = GetParam().ucmm ? 0x600 + kMasterMac : kNode * 8 + 0x404;
  bus.AddFault(sim::Fault::Corrupt(
      [requestId](const sim::CanFrame& frame, sim::PeerId) {
        return frame.id == requestId && frame.dlc == 8 && (frame.data[1] & 0xC0) == 0x40;
      },
      8, 1));
  EXPECT_EQ(WriteChunk(kChunk, image.data(), kChunk), 0);
  EXPECT_EQ(platform::GetLastError(), 0x5B4u);
  // The failed exchange freed the connection: the program's retry goes through.
  EXPECT_EQ(WriteChunk(kChunk, image.data(), kChunk), 1) << std::hex << platform::GetLastError();

  slave->PowerOff();
  EXPECT_EQ(WriteChunk(2 * kChunk, image.data(), kChunk), 0);
  EXPECT_EQ(platform::GetLastError(), 0x5B4u);
}

TEST_P(FirmwareTest, ResponsesLargerThanTheConnectionOrTheCallersBufferAreNotSuccess) {
  // The product name "Flashwright Node" comes back as 17 bytes.
  std::uint8_t name[4];
  std::uint16_t length = sizeof name;
  EXPECT_EQ(DNET(GetAttribute)(card, kNode, 1, 1, 7, &length, name), 0);
  EXPECT_EQ(length, 17);
  EXPECT_EQ(platform::GetLastError(), 0x308E15FFu);
  EXPECT_EQ(name[0], 16);

  // A two-byte revision is no UINT... and a UDINT serial is no UINT either.
  std::uint16_t value = 0;
  EXPECT_EQ(DNET(GetAttribute_UINT)(card, kNode, 1, 1, 6, &value), 0);
  // An error answer carries the node's status codes.
  EXPECT_EQ(DNET(GetAttribute_UINT)(card, kNode, 1, 1, 99, &value), 0);
  EXPECT_EQ(platform::GetLastError() & 0xFFFFFF00u, 0x30941400u);
}

INSTANTIATE_TEST_SUITE_P(SlaveKinds, FirmwareTest,
                         ::testing::Values(FirmwareCase{false}, FirmwareCase{true},
                                           FirmwareCase{false, CardKind::kSstCan2a},
                                           FirmwareCase{false, CardKind::kIxxatVci},
                                           FirmwareCase{false, CardKind::kSstScanner}),
                         [](const auto& info) {
                           return std::string(info.param.ucmm ? "UcmmCapable" : "Group2Only") +
                                  CardSuffix(info.param.card);
                         });

class SmallConnectionTest : public DnetBench {};

TEST_F(SmallConnectionTest, AResponseBeyondTheProducedSizeFailsWithTooMuchData) {
  sim::DeviceNetSlaveConfig config = Slave(kNode, "A Product Name Of 32 Characters!");
  AddSlave(config);
  GoOnlineAndBrowse(DnetScanlistEntry{});  // sizes 0: 32 and 32
  ASSERT_TRUE(WaitForNode(kNode));
  std::uint8_t name[256];
  std::uint16_t length = sizeof name;
  EXPECT_EQ(DNET(GetAttribute)(card, kNode, 1, 1, 7, &length, name), 0);
  EXPECT_EQ(platform::GetLastError(), 0x308E15FFu);
  EXPECT_LE(length, 32);
  // The connection stays usable.
  std::uint16_t vendor = 0;
  EXPECT_EQ(DNET(GetAttribute_UINT)(card, kNode, 1, 1, 1, &vendor), 1);
}

// A node that cannot hold a request refuses a fragment with "too much data":
// that is a failure whatever the service, also one whose success reply would
// carry the error response's code (0x14 | 0x80 = 0x94).
TEST_F(SmallConnectionTest, ARequestTheNodeCannotHoldFailsWhateverTheService) {
  sim::DeviceNetSlaveConfig config = Slave(kNode);
  config.explicitCapacity = 41;
  AddSlave(config);
  GoOnlineAndBrowse();  // requests of up to 48 bytes
  ASSERT_TRUE(WaitForNode(kNode));
  std::uint8_t data[43] = {};
  for (std::uint8_t service : {0x10, 0x14}) {
    std::uint8_t reply[48];
    std::uint16_t length = sizeof reply;
    EXPECT_EQ(DNET(ExplicitService)(card, kNode, service, kFirmwareClass, 1, sizeof data, data, &length, reply), 0)
        << "service " << int(service);
    EXPECT_EQ(platform::GetLastError(), 0x309415FFu) << "service " << int(service);
  }
}

}  // namespace
}  // namespace dnettest
