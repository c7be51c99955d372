// The DeviceNet stack over the 1770-KFD: VRK_DNET, VRK_DNCN, VRK_CAN and
// qx240.so speaking DF1 through a pseudo-terminal to the bench's module,
// which relays to simulated slaves: going online, finding the nodes, reading
// their identity and writing firmware that the node's flash then holds.
#include <string>
#include <vector>

#include "tests/devicenet/dnetbench.h"
#include "tests/support/kfdbench.h"

namespace dnettest {
namespace {

constexpr std::int32_t kNode = 5;
constexpr std::uint8_t kSector = 2;
constexpr std::size_t kChunk = 32;

class KfdDnetTest : public benchtest::CardBench<sim::DeviceNetSlave, benchtest::KfdBench> {
 protected:
  KfdDnetTest() : CardBench("VRK_DNET.dll") {}

  bool NodeIsOnline(std::int32_t mac) {
    std::int32_t online = 0;
    return DNET(NodeOnline)(card, mac, &online) == 1 && online == 1;
  }

  ScopedTimeScale fast{kTimeScale};
};

TEST_F(KfdDnetTest, GoesOnlineFindsTheNodesReadsTheirIdentityAndWritesFirmware) {
  sim::DeviceNetSlaveConfig config;
  config.mac = kNode;
  config.productName = "Pump Controller";
  config.serial = 0x00A00005;
  config.password = 0x1234ABCD;
  sim::DeviceNetSlave& slave = AddSlave(config);
  OpenCard();
  ASSERT_EQ(DNET(SetMacID)(card, kMasterMac), 1);
  ASSERT_EQ(DNET(SetBaud)(card, 125000), 1);
  ASSERT_EQ(DNET(SetOnline)(card, 1), 1) << std::hex << platform::GetLastError();
  EXPECT_TRUE(module.State().online);
  ASSERT_EQ(DNET(StartScan)(card), 1);
  const DnetScanlistEntry entry = DownloaderEntry();
  for (std::int32_t mac = 0; mac < 64; ++mac) ASSERT_EQ(DNET(AddToScanlist)(card, mac, 1, &entry), 1);
  ASSERT_TRUE(Eventually([&] { return NodeIsOnline(kNode); }));

  std::uint32_t serial = 0;
  ASSERT_EQ(DNET(GetAttribute_UDINT)(card, kNode, 1, 1, 6, &serial), 1);
  EXPECT_EQ(serial, config.serial);
  std::uint8_t name[256];
  std::uint16_t length = sizeof name;
  ASSERT_EQ(DNET(GetAttribute)(card, kNode, 1, 1, 7, &length, name), 1) << std::hex << platform::GetLastError();
  EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), config.productName);

  // Download mode: password, reset, drop-off and return.
  ASSERT_EQ(DNET(SetAttribute_UDINT)(card, kNode, kFirmwareClass, 1, 18, config.password), 1);
  std::uint8_t reply[8];
  std::uint16_t replyLength = sizeof reply;
  DNET(ExplicitService)(card, kNode, 0x05, 1, 1, 0, nullptr, &replyLength, reply);
  ASSERT_EQ(DNET(RemoveFromScanlist)(card, kNode, 1), 1);
  ASSERT_TRUE(Eventually([&] { return !NodeIsOnline(kNode); }));
  ASSERT_TRUE(slave.WaitForState(sim::DeviceNetSlave::State::Online, 60'000ms));
  ASSERT_EQ(DNET(AddToScanlist)(card, kNode, 1, &entry), 1);
  ASSERT_TRUE(Eventually([&] { return NodeIsOnline(kNode); }));
  ASSERT_EQ(slave.Mode(), sim::FlashMode::BootLoader);

  const std::uint8_t erase[2] = {0x03, kSector};
  ASSERT_EQ(DNET(SetAttribute)(card, kNode, kFirmwareClass, 1, 3, 2, erase), 1) << std::hex << platform::GetLastError();
  std::vector<std::uint8_t> image(4096);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = std::uint8_t(i * 7 + (i >> 8));  // 0x10 among them
  for (std::size_t offset = 0; offset < image.size(); offset += kChunk) {
    std::uint8_t payload[6 + kChunk] = {0x02, kSector, std::uint8_t(offset), std::uint8_t(offset >> 8),
                                        std::uint8_t(offset >> 16), std::uint8_t(kChunk)};
    std::copy_n(image.data() + offset, kChunk, payload + 6);
    ASSERT_EQ(DNET(SetAttribute)(card, kNode, kFirmwareClass, 1, 3, sizeof payload, payload), 1)
        << "at " << offset << ", last error " << std::hex << platform::GetLastError();
  }
  const sim::FirmwareFlash flash = slave.Flash();
  const auto written = flash.Image(kSector);
  ASSERT_GE(written.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));

  ASSERT_EQ(DNET(SetOnline)(card, 0), 1);
  EXPECT_FALSE(module.State().online);
}

}  // namespace
}  // namespace dnettest
