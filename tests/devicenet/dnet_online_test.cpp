// Going online, finding nodes and the front-end's own calls, through the
// whole DeviceNet stack against simulated slaves.
#include <dirent.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>

#include "devicenet/vrk_dncn.h"
#include "platform/iochannel.h"
#include "tests/devicenet/dnetbench.h"

namespace dnettest {
namespace {

constexpr std::uint32_t kMasterCheckId = kMasterMac * 8 + 0x407;

std::vector<sim::CanFrame> FramesOn(sim::CanBus& bus, std::uint32_t id) {
  std::vector<sim::CanFrame> frames;
  for (const sim::CanFrame& frame : bus.Log().Frames()) {
    if (frame.id == id) frames.push_back(frame);
  }
  return frames;
}

using OnlineTest = DnetBench;

TEST_F(OnlineTest, GoesOnlineAfterTwoChecksThenFindsSlavesAndReadsTheirIdentity) {
  AddSlave(Slave(5, "Pump Controller"));
  AddSlave(Slave(9, "Valve Island 12"));
  Open();
  const std::uint64_t start = platform::GetTickCount();
  ASSERT_EQ(DNET(SetOnline)(card, 1), 1);
  EXPECT_GE(platform::GetTickCount() - start, 1900u);
  std::int32_t online = 0;
  ASSERT_EQ(DNET(GetOnline)(card, &online), 1);
  EXPECT_EQ(online, 1);

  std::vector<sim::LogEntry> checks;
  for (const sim::LogEntry& entry : bus.Log().Entries()) {
    if (entry.carried.frame.id == kMasterCheckId) checks.push_back(entry);
  }
  ASSERT_EQ(checks.size(), 2u);
  for (const auto& check : checks) {
    EXPECT_EQ(check.carried.frame, sim::CanFrame::Standard(kMasterCheckId, {0, 0, 0, 0, 0, 0, 0}));
  }
  // A second apart at the master; the path to the bus may stretch or squeeze that.
  EXPECT_GE(checks[1].carried.timeUs - checks[0].carried.timeUs, 500'000u);

  ASSERT_EQ(DNET(StartScan)(card), 1);
  const DnetScanlistEntry entry = DownloaderEntry();
  for (std::int32_t mac = 0; mac < 64; ++mac) ASSERT_EQ(DNET(AddToScanlist)(card, mac, 1, &entry), 1);
  ASSERT_TRUE(WaitForNode(5));
  ASSERT_TRUE(WaitForNode(9));
  EXPECT_FALSE(NodeIsOnline(6));

  for (const auto& slave : slaves) {
    const std::int32_t mac = slave->Config().mac;
    std::uint16_t vendor = 0, product = 0;
    std::uint32_t serial = 0;
    EXPECT_EQ(DNET(GetAttribute_UINT)(card, mac, 1, 1, 1, &vendor), 1);
    EXPECT_EQ(DNET(GetAttribute_UINT)(card, mac, 1, 1, 3, &product), 1);
    EXPECT_EQ(DNET(GetAttribute_UDINT)(card, mac, 1, 1, 6, &serial), 1);
    EXPECT_EQ(vendor, kMakerDeviceNetVendorId);
    EXPECT_EQ(product, 0x1FE2);
    EXPECT_EQ(serial, slave->Config().serial);

    std::uint8_t revision[2];
    std::uint16_t length = sizeof revision;
    EXPECT_EQ(DNET(GetAttribute)(card, mac, 1, 1, 4, &length, revision), 1);
    EXPECT_EQ(length, 2);

    std::uint8_t name[256];
    length = sizeof name;
    ASSERT_EQ(DNET(GetAttribute)(card, mac, 1, 1, 7, &length, name), 1) << std::hex << platform::GetLastError();
    ASSERT_GE(length, 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(name + 1), name[0]), slave->Config().productName);
    EXPECT_EQ(length, name[0] + 1);

    // The predefined connection keeps the scanlist's sizes: a 41-byte memory write fits.
    std::uint16_t produced = 0, consumed = 0;
    EXPECT_EQ(DNET(GetConnectionSize)(card, mac, 1, &produced, &consumed), 1);
    EXPECT_EQ(produced, 48);
    EXPECT_EQ(consumed, 48);
    EXPECT_EQ(slave->AllocatedChoice() & 1, 1);
    EXPECT_EQ(slave->AllocatorMac(), kMasterMac);
  }
}

// The explicit requests the master sent to a node's Connection object, as
// their service, instance and attribute.
std::vector<std::array<std::uint8_t, 3>> ConnectionRequests(sim::CanBus& bus, std::int32_t mac) {
  std::vector<std::array<std::uint8_t, 3>> requests;
  for (const sim::CanFrame& frame : FramesOn(bus, static_cast<std::uint32_t>(mac * 8 + 0x404))) {
    if (frame.dlc >= 5 && (frame.data[0] & 0x80) == 0 && frame.data[2] == 5) {
      requests.push_back({frame.data[1], frame.data[3], frame.data[4]});
    }
  }
  return requests;
}

// Configuring the explicit connection sets its expected packet rate, then
// reads its produced and consumed sizes; a node added to the scanlist again
// gets the new entry's sizes when its connection is configured again.
TEST_F(OnlineTest, TheExplicitConnectionIsConfiguredWithTheLatestScanlistSizes) {
  constexpr std::int32_t kNode = 7;
  sim::DeviceNetSlaveConfig config = Slave(kNode);
  config.mode = sim::FlashMode::BootLoader;
  AddSlave(config);
  Open();
  ASSERT_EQ(DNET(SetOnline)(card, 1), 1);
  ASSERT_EQ(DNET(StartScan)(card), 1);
  DnetScanlistEntry entry = DownloaderEntry();
  entry.ExplicitProducedSize = entry.ExplicitConsumedSize = 0;  // 32 and 32
  ASSERT_EQ(DNET(AddToScanlist)(card, kNode, 1, &entry), 1);
  ASSERT_TRUE(WaitForNode(kNode));

  constexpr std::uint8_t kSet = 0x10, kGet = 0x0E;
  using Request = std::array<std::uint8_t, 3>;
  const std::vector<Request> configuration = {{kSet, 1, 9}, {kGet, 1, 7}, {kGet, 1, 8}};
  EXPECT_EQ(ConnectionRequests(bus, kNode), configuration);
  using Sizes = std::pair<std::uint16_t, std::uint16_t>;
  const auto sizes = [&] {
    Sizes producedAndConsumed;
    DNET(GetConnectionSize)(card, kNode, 1, &producedAndConsumed.first, &producedAndConsumed.second);
    return producedAndConsumed;
  };
  EXPECT_EQ(sizes(), Sizes(32, 32));
  // A memory write of 32 data bytes is a 41-byte request body.
  std::uint8_t write[38] = {0x02, 2, 0, 0, 0, 32};
  EXPECT_EQ(DNET(SetAttribute)(card, kNode, kFirmwareClass, 1, 3, sizeof write, write), 0);

  entry = DownloaderEntry();
  ASSERT_EQ(DNET(AddToScanlist)(card, kNode, 1, &entry), 1);
  ASSERT_TRUE(Eventually([&] { return sizes() == Sizes(48, 48); }));
  ASSERT_TRUE(WaitForNode(kNode));
  const std::uint8_t erase[2] = {0x03, 2};
  ASSERT_EQ(DNET(SetAttribute)(card, kNode, kFirmwareClass, 1, 3, sizeof erase, erase), 1);
  EXPECT_EQ(DNET(SetAttribute)(card, kNode, kFirmwareClass, 1, 3, sizeof write, write), 1)
      << std::hex << platform::GetLastError();
  std::vector<Request> twice = configuration;
  twice.insert(twice.end(), configuration.begin(), configuration.end());
  EXPECT_EQ(ConnectionRequests(bus, kNode), twice);
}

TEST_F(OnlineTest, ASlaveCheckingTheMastersMacIdKeepsTheMasterOffline) {
  sim::DeviceNetSlave& clash = AddSlave(Slave(kMasterMac));
  clash.PowerOff();
  Open();
  // The slave starts up, and checks the same MAC ID, while the master waits
  // for its verdict.
  std::thread powerOn([&] {
    Eventually([&] { return !FramesOn(bus, kMasterCheckId).empty(); });
    clash.PowerOn();
  });
  EXPECT_EQ(DNET(SetOnline)(card, 1), 0);
  powerOn.join();
  std::int32_t online = 1;
  ASSERT_EQ(DNET(GetOnline)(card, &online), 1);
  EXPECT_EQ(online, 0);
}

TEST_F(OnlineTest, ADuplicateAnswerWhileOnlineTakesTheMasterOffline) {
  Open();
  ASSERT_EQ(DNET(SetOnline)(card, 1), 1);
  sim::BusPeer intruder = bus.Attach("intruder");
  // Another station's check with the master's MAC ID is answered...
  ASSERT_EQ(intruder.Send(sim::CanFrame::Standard(kMasterCheckId, {0x00, 1, 0, 1, 0, 0, 0})), sim::SendResult::Queued);
  ASSERT_TRUE(Eventually([&] { return FramesOn(bus, kMasterCheckId).size() == 4; }));
  EXPECT_EQ(FramesOn(bus, kMasterCheckId).back().data[0], 0x80);
  std::int32_t online = 0;
  ASSERT_EQ(DNET(GetOnline)(card, &online), 1);
  EXPECT_EQ(online, 1);
  // ...and a check response with it means two stations share the MAC ID.
  ASSERT_EQ(intruder.Send(sim::CanFrame::Standard(kMasterCheckId, {0x80, 1, 0, 1, 0, 0, 0})), sim::SendResult::Queued);
  EXPECT_TRUE(Eventually([&] {
    DNET(GetOnline)(card, &online);
    return online == 0;
  }));
}

TEST_F(OnlineTest, TheMastersProbeFindsAStationHoldingAMacId) {
  sim::DeviceNetSlave& slave = AddSlave(Slave(5));
  // A probe during the slave's own check would count as a duplicate there.
  ASSERT_TRUE(slave.WaitForState(sim::DeviceNetSlave::State::Online, 60'000ms));
  BoundLibrary master("VRK_DNCN.dll");
  ASSERT_TRUE(master.Loaded());
  ASSERT_EQ(master.Entry<decltype(::LoadDriver)>("LoadDriver")(), 1);
  std::int32_t dncnCard = -1;
  const InterfaceConfiguration cfg = Interface();
  {
    ScopedTimeScale realTime(1);
    ASSERT_EQ(master.Entry<decltype(::OpenCard)>("OpenCard")(&dncnCard, cfg.InterfaceType, SettingsOf(&cfg)), 1);
  }
  ASSERT_EQ(master.Entry<decltype(::SetOnline)>("SetOnline")(dncnCard, 1), 1);
  auto probe = master.Entry<decltype(::Dupicate_MacId_Check)>("Dupicate_MacId_Check");
  std::int32_t found = 0;
  {
    // The probe's answer window is the master's own fixed wait: in real time
    // it holds whatever the load, and it ends as soon as the station answers.
    ScopedTimeScale realTime(1);
    EXPECT_EQ(probe(dncnCard, 5, &found), 1);
  }
  EXPECT_EQ(found, 1);
  const std::uint64_t start = platform::GetTickCount();
  EXPECT_EQ(probe(dncnCard, 6, &found), 0);
  EXPECT_EQ(found, 0);
  EXPECT_GE(platform::GetTickCount() - start, 90u);
  EXPECT_EQ(master.Entry<decltype(::CloseCard)>("CloseCard")(dncnCard), 1);
}

// The adapter vanishes: node queries fail with "device not connected" from
// then on, which is how the program's node polling learns of it.
TEST_F(OnlineTest, NodeQueriesFailOnceTheAdapterVanished) {
  AddSlave(Slave(5));
  GoOnlineAndBrowse();
  ASSERT_TRUE(WaitForNode(5));
  adapter.Stop();
  std::int32_t online = 0;
  EXPECT_TRUE(Eventually([&] { return DNET(NodeOnline)(card, 5, &online) == 0; }));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorDeviceNotConnected);
  EXPECT_EQ(DNET(NodeOnline)(card, 6, &online), 0);
  EXPECT_EQ(platform::GetLastError(), platform::kErrorDeviceNotConnected);
}

TEST_F(OnlineTest, VersionsWalkDownTheStack) {
  char name[64] = {};
  std::int32_t major = 0, minor = 0;
  // Level 0 needs no card.
  EXPECT_EQ(DNET(DLL_Name)(7, 0, name), 1);
  EXPECT_STREQ(name, "VRK_DNET");
  EXPECT_EQ(DNET(DLL_Version)(7, 0, &major, &minor), 1);
  EXPECT_EQ(major * 10 + minor, 13);
  EXPECT_EQ(DNET(DLL_Name)(7, 1, name), 0);

  Open();
  const struct {
    std::int32_t level;
    const char* name;
  } levels[] = {{1, "VRK_DNCN"}, {2, "VRK_CAN"}, {3, "QX240"}};
  for (const auto& level : levels) {
    std::memset(name, 0, sizeof name);
    EXPECT_EQ(DNET(DLL_Name)(card, level.level, name), 1) << level.name;
    EXPECT_STREQ(name, level.name);
  }
  EXPECT_EQ(DNET(DLL_Version)(card, 1, &major, &minor), 1);
  EXPECT_EQ(major * 10 + minor, 17);
  EXPECT_EQ(DNET(DLL_Name)(card, 4, name), 0);
}

TEST_F(OnlineTest, KeepsTheInterfaceRecordAndRefusesBackEndsThatAreNotThere) {
  InterfaceConfiguration cfg = Interface();
  cfg.Reserved2 = 0x5A5A;
  std::strcpy(cfg.AccessPoint, "bench");
  ASSERT_NE(DNET(OpenInterface)(&card, &cfg), 0);
  InterfaceConfiguration copy{};
  ASSERT_EQ(DNET(GetInterfaceConfiguration)(card, &copy), 1);
  EXPECT_EQ(std::memcmp(&copy, &cfg, sizeof cfg), 0);

  for (std::int32_t type : {DNET_INTERFACE_QX241, DNET_INTERFACE_SST_DNSCAN}) {
    InterfaceConfiguration other = Interface();
    other.InterfaceType = type;
    std::int32_t otherCard = 5;
    EXPECT_EQ(DNET(OpenInterface)(&otherCard, &other), 0) << std::hex << type;
    EXPECT_EQ(otherCard, -1);
    EXPECT_EQ(DNET(HardwareConfigurationWindow)(&other), 0);
  }
  EXPECT_EQ(DNET(LoadDriver)(), 1);
  EXPECT_EQ(DNET(UnloadDriver)(), 1);
  // Configuration calls reach the configuration library.
  char name[64] = {};
  EXPECT_EQ(DNET(GetInterfaceName)(DNET_INTERFACE_SST_DNSCAN, name), 1);
  EXPECT_STREQ(name, "SST DNSCAN");
  EXPECT_EQ(DNET(SetPollActive)(card + 1, 1), 0);
}

std::size_t ThreadCount() {
  std::size_t count = 0;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(tasks)) count += entry->d_name[0] != '.' ? 1 : 0;
    closedir(tasks);
  }
  return count;
}

TEST_F(OnlineTest, CloseCardWakesAWaitingCallerAndLeavesNoThreadBehind) {
  sim::DeviceNetSlave& slave = AddSlave(Slave(5));
  const std::size_t before = ThreadCount();
  GoOnlineAndBrowse();
  ASSERT_TRUE(WaitForNode(5));
  sim::SlaveFaults faults;
  faults.silent = true;
  slave.SetFaults(faults);

  std::atomic<int> result{-1};
  std::thread caller([&] {
    std::uint16_t value = 0;
    result = DNET(GetAttribute_UINT)(card, 5, 1, 1, 1, &value);
  });
  platform::Sleep(200);
  ASSERT_EQ(DNET(CloseCard)(card), 1);
  card = -1;
  caller.join();
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(Eventually([&] { return ThreadCount() <= before; }, 5'000ms)) << ThreadCount() << " > " << before;
}

}  // namespace
}  // namespace dnettest
