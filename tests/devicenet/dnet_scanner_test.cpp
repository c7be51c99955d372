// A card of the SST DeviceNet scanner through VRK_DNET: the calls the
// scanner serves, the ones it answers with 0, and the scanlist it refuses.
#include <cstring>

#include "tests/devicenet/dnetbench.h"
#include "tests/support/sstbench.h"

namespace dnettest {
namespace {

constexpr std::int32_t kNode = 7;

class ScannerTest : public DnetBench {
 protected:
  void SetUp() override {
    DnetBench::SetUp();
    ASSERT_TRUE(sst.Start());
    cardInterface = benchtest::SstScannerCard();
  }

  benchtest::SstBusEndpoint sst{bus};
};

TEST_F(ScannerTest, ServesVersionsAndBitRatesAndAnswersZeroForWhatTheScannerLacks) {
  OpenCard();
  char name[32] = {};
  ASSERT_EQ(DNET(DLL_Name)(card, 1, name), 1);
  EXPECT_STREQ(name, "DNSCAN32");
  std::int32_t major = 0, minor = 0;
  ASSERT_EQ(DNET(DLL_Version)(card, 1, &major, &minor), 1);
  EXPECT_EQ(major * 10 + minor, 32);
  EXPECT_EQ(DNET(DLL_Version)(card, 2, &major, &minor), 0);
  ASSERT_EQ(DNET(Firmware_Version)(card, &major, &minor), 1);  // the scanner driver's
  EXPECT_EQ(major * 10 + minor, 15);
  EXPECT_EQ(DNET(Hardware_Version)(card, &major, &minor), 0);

  EXPECT_EQ(DNET(SetBaud)(card, 1000000), 0);
  ASSERT_EQ(DNET(SetBaud)(card, 500000), 1);
  std::int32_t rate = 0;
  ASSERT_EQ(DNET(GetBaud)(card, &rate), 1);
  EXPECT_EQ(rate, 500000);
  ASSERT_EQ(DNET(SetMacID)(card, 12), 1);
  std::uint8_t mac = 0;
  ASSERT_EQ(DNET(GetMacID)(card, &mac), 1);
  EXPECT_EQ(mac, 12);

  std::int32_t on = 1;
  EXPECT_EQ(DNET(SetPollActive)(card, 1), 0);
  EXPECT_EQ(DNET(GetStrobeActive)(card, &on), 0);
  EXPECT_EQ(DNET(SetPollInterval)(card, 10), 0);
  EXPECT_EQ(DNET(Allocate)(card, kNode, 1), 0);
  EXPECT_EQ(DNET(CalculateResponseMaxMinAvg)(card, kNode, 2), 0);
}

TEST_F(ScannerTest, RefusesThreeIoConnectionsOrChangeOfStateWithCyclic) {
  OpenCard();
  const DnetScanlistEntry entry = DownloaderEntry();
  for (std::uint8_t choice : {0x02 | 0x04 | 0x10, 0x01 | 0x30}) {
    EXPECT_EQ(DNET(AddToScanlist)(card, kNode, choice, &entry), 0) << "choice " << int(choice);
  }
  // Added one at a time, the third I/O connection is refused as well.
  ASSERT_EQ(DNET(AddToScanlist)(card, kNode, 0x02, &entry), 1);
  ASSERT_EQ(DNET(AddToScanlist)(card, kNode, 0x04, &entry), 1);
  EXPECT_EQ(DNET(AddToScanlist)(card, kNode, 0x10, &entry), 0);
}

TEST_F(ScannerTest, GoesOnlineAndReadsANodesIdentity) {
  AddSlave(Slave(kNode));
  GoOnlineAndBrowse();
  std::int32_t online = 0;
  ASSERT_EQ(DNET(GetOnline)(card, &online), 1);
  EXPECT_EQ(online, 1);
  ASSERT_TRUE(WaitForNode(kNode));
  EXPECT_FALSE(NodeIsOnline(kNode + 1));

  std::uint32_t serial = 0;
  ASSERT_EQ(DNET(GetAttribute_UDINT)(card, kNode, 1, 1, 6, &serial), 1) << std::hex << platform::GetLastError();
  EXPECT_EQ(serial, 0x00A00000u + kNode);
  std::uint8_t productName[64];
  std::uint16_t length = sizeof productName;
  ASSERT_EQ(DNET(GetAttribute)(card, kNode, 1, 1, 7, &length, productName), 1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(productName) + 1, productName[0]), "Flashwright Node");

  std::uint16_t produced = 0, consumed = 0;
  ASSERT_EQ(DNET(GetConnectionSize)(card, kNode, 1, &produced, &consumed), 1);
  EXPECT_EQ(produced, 48);
  EXPECT_EQ(DNET(GetConnectionSize)(card, kNode, 2, &produced, &consumed), 0);  // no poll connection
}

// A node asking for a poll connection whose sizes the entry leaves open comes
// up with its explicit connection; the card then reads the sizes from the
// node and replaces the scanner's device. A device the scanner cannot delete
// keeps its first form, and the nodes after it are still served.
TEST_F(ScannerTest, ANodeTheScannerCannotReplaceLeavesTheOthersServed) {
  constexpr std::int32_t kStuck = 3;
  benchtest::ScopedEnv stuck("FLASHWRIGHT_DNSCAN_STUCK_DEVICE", std::to_string(kStuck));
  AddSlave(Slave(kStuck));
  AddSlave(Slave(kNode));
  Open();
  ASSERT_EQ(DNET(SetOnline)(card, 1), 1);
  ASSERT_EQ(DNET(StartScan)(card), 1);
  const DnetScanlistEntry entry = DownloaderEntry();  // poll sizes 0: read from the node
  ASSERT_EQ(DNET(AddToScanlist)(card, kStuck, 0x03, &entry), 1);
  ASSERT_TRUE(WaitForNode(kStuck));
  ASSERT_EQ(DNET(AddToScanlist)(card, kNode, 0x03, &entry), 1);
  ASSERT_TRUE(WaitForNode(kNode));
  // Once replaced, the node answers on its explicit connection.
  std::uint16_t vendor = 0;
  EXPECT_TRUE(Eventually([&] { return DNET(GetAttribute_UINT)(card, kNode, 1, 1, 1, &vendor) == 1; }))
      << std::hex << platform::GetLastError();
}

}  // namespace
}  // namespace dnettest
