// Explicit messaging with a simulated DeviceNet slave: allocation through the
// Group 2 Only port, the Identity and Connection objects, acknowledged
// fragmentation both ways, error responses and the explicit watchdog.
#include <gtest/gtest.h>

#include "tests/devicenet/slave_rawmaster.h"

namespace sim::testing {
namespace {

constexpr std::uint8_t kMac = 5;
constexpr std::uint8_t kOtherMaster = 9;

class SlaveExplicitTest : public SlaveTest {
 protected:
  void Start(DeviceNetSlaveConfig config = QuickSlave(kMac)) {
    slave_.emplace(bus_, std::move(config));
    ASSERT_TRUE(slave_->WaitForState(DeviceNetSlave::State::Online, kPatience));
  }

  CanBus bus_;
  RawMaster master_{bus_, kMac};
  std::optional<DeviceNetSlave> slave_;
};

TEST_F(SlaveExplicitTest, AllocationRulesOfTheGroup2OnlyPort) {
  Start();
  struct Case {
    const char* what;
    std::uint8_t service;
    Bytes body;
    Bytes reply;
    std::uint8_t allocated;
    std::uint8_t owner;
  };
  const Case cases[] = {
      {"explicit", 0x4B, {0x03, 0x01, 0x01, kMasterMac}, {0xCB, 0x00}, 0x01, kMasterMac},
      {"repeat by the owner", 0x4B, {0x03, 0x01, 0x01, kMasterMac}, {0xCB, 0x00}, 0x01, kMasterMac},
      {"another master", 0x4B, {0x03, 0x01, 0x02, kOtherMaster}, {0x94, 0x0C, 0x01}, 0x01, kMasterMac},
      {"poll added", 0x4B, {0x03, 0x01, 0x02, kMasterMac}, {0xCB, 0x00}, 0x03, kMasterMac},
      {"reserved bit 3", 0x4B, {0x03, 0x01, 0x08, kMasterMac}, {0x94, 0x09, 0xFF}, 0x03, kMasterMac},
      {"reserved bit 6", 0x4B, {0x03, 0x01, 0x40, kMasterMac}, {0x94, 0x09, 0xFF}, 0x03, kMasterMac},
      {"COS and cyclic", 0x4B, {0x03, 0x01, 0x30, kMasterMac}, {0x94, 0x09, 0xFF}, 0x03, kMasterMac},
      {"allocator MAC 64", 0x4B, {0x03, 0x01, 0x04, 64}, {0x94, 0x09, 0xFF}, 0x03, kMasterMac},
      {"short allocate", 0x4B, {0x03, 0x01, 0x04}, {0x94, 0x13, 0xFF}, 0x03, kMasterMac},
      {"Get is not served here", 0x0E, {0x03, 0x01, 0x05}, {0x94, 0x08, 0xFF}, 0x03, kMasterMac},
      {"Allocate of another class", 0x4B, {0x01, 0x01, 0x01, kMasterMac}, {0x94, 0x08, 0xFF}, 0x03, kMasterMac},
      {"release of unallocated bits", 0x4C, {0x03, 0x01, 0x04}, {0xCC}, 0x03, kMasterMac},
      {"release poll", 0x4C, {0x03, 0x01, 0x02}, {0xCC}, 0x01, kMasterMac},
      {"release all", 0x4C, {0x03, 0x01, 0x01}, {0xCC}, 0x00, 0xFF},
      {"now free for another", 0x4B, {0x03, 0x01, 0x01, kOtherMaster}, {0xCB, 0x00}, 0x01, kOtherMaster},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(master_.Unconnected(c.service, c.body), c.reply);
    EXPECT_EQ(slave_->AllocatedChoice(), c.allocated);
    EXPECT_EQ(slave_->AllocatorMac(), c.owner);
  }
  // The allocation information the scan reads.
  master_.Unconnected(0x4C, {0x03, 0x01, 0x01});
  master_.Allocate(0x03);
  EXPECT_EQ(master_.Get(0x03, 0x01, 0x05), (Bytes{0x8E, 0x03, kMasterMac}));
}

TEST_F(SlaveExplicitTest, TheExplicitConnectionAnswersOnlyWhileAllocated) {
  Start();
  master_.Send(Group2Id(kMac, 4), {kMasterMac, 0x0E, 0x01, 0x01, 0x01});
  EXPECT_TRUE(master_.Quiet(500ms));
  master_.Allocate();
  EXPECT_EQ(master_.Get(0x01, 0x01, 0x01), (Bytes{0x8E, 0xD2, 0x04}));
  // Allocate is served on the connection too.
  EXPECT_EQ(master_.Connected(0x4B, {0x03, 0x01, 0x01, kMasterMac}), (Bytes{0xCB, 0x00}));
}

TEST_F(SlaveExplicitTest, IdentityAttributes) {
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.vendor = 0x1234;
  config.deviceType = 0x002B;
  config.revisionMajor = 2;
  config.revisionMinor = 15;
  config.status = 0x0031;
  Start(config);
  master_.Allocate();
  const std::pair<std::uint8_t, Bytes> cases[] = {
      {1, {0x34, 0x12}},
      {2, {0x2B, 0x00}},
      {3, {0xE2, 0x1F}},
      {4, {2, 15}},
      {5, {0x31, 0x00}},
      {6, {0x44, 0x33, 0x22, 0x11}},
      {7, {4, 'P', 'u', 'm', 'p'}},
  };
  for (const auto& [attribute, value] : cases) {
    SCOPED_TRACE(static_cast<int>(attribute));
    Bytes expected{0x8E};
    expected.insert(expected.end(), value.begin(), value.end());
    EXPECT_EQ(master_.Get(0x01, 0x01, attribute), expected);
  }
}

TEST_F(SlaveExplicitTest, ErrorResponses) {
  Start();
  master_.Allocate();
  struct Case {
    const char* what;
    std::uint8_t service;
    Bytes body;
    Bytes reply;
  };
  const Case cases[] = {
      {"unknown class", 0x0E, {0x64, 0x01, 0x01}, {0x94, 0x16, 0xFF}},
      {"unknown instance", 0x0E, {0x01, 0x02, 0x01}, {0x94, 0x16, 0xFF}},
      {"unknown service", 0x33, {0x01, 0x01}, {0x94, 0x08, 0xFF}},
      {"no class and instance", 0x0E, {0x01}, {0x94, 0x13, 0xFF}},
      {"no attribute", 0x0E, {0x01, 0x01}, {0x94, 0x13, 0xFF}},
      {"Get with extra data", 0x0E, {0x01, 0x01, 0x01, 0x00}, {0x94, 0x15, 0xFF}},
      {"identity attribute 8", 0x0E, {0x01, 0x01, 0x08}, {0x94, 0x14, 0xFF}},
      {"identity is read-only", 0x10, {0x01, 0x01, 0x01, 0x00, 0x00}, {0x94, 0x0E, 0xFF}},
      {"Reset with a bad type", 0x05, {0x01, 0x01, 0x07}, {0x94, 0x09, 0xFF}},
      {"unallocated connection", 0x0E, {0x05, 0x02, 0x07}, {0x94, 0x16, 0xFF}},
      {"connection size read-only", 0x10, {0x05, 0x01, 0x07, 0x20, 0x00}, {0x94, 0x0E, 0xFF}},
      {"short packet rate", 0x10, {0x05, 0x01, 0x09, 0x20}, {0x94, 0x13, 0xFF}},
      {"long packet rate", 0x10, {0x05, 0x01, 0x09, 0x20, 0x00, 0x00}, {0x94, 0x15, 0xFF}},
      {"DeviceNet attribute 3", 0x0E, {0x03, 0x01, 0x03}, {0x94, 0x14, 0xFF}},
      {"allocation is read-only", 0x10, {0x03, 0x01, 0x05, 0x00}, {0x94, 0x0E, 0xFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(master_.Connected(c.service, c.body), c.reply);
  }
}

TEST_F(SlaveExplicitTest, ConnectionObjectOfTheExplicitConnection) {
  Start();
  master_.Allocate();
  EXPECT_EQ(master_.Get(0x05, 0x01, 0x01), (Bytes{0x8E, 0x03}));
  EXPECT_EQ(master_.Get(0x05, 0x01, 0x07), (Bytes{0x8E, 48, 0}));
  EXPECT_EQ(master_.Get(0x05, 0x01, 0x08), (Bytes{0x8E, 64, 0}));
  EXPECT_EQ(master_.Get(0x05, 0x01, 0x09), (Bytes{0x8E, 0xC4, 0x09}));
  EXPECT_EQ(master_.Set(0x05, 0x01, 0x09, {0xE8, 0x03}), (Bytes{0x90}));
  EXPECT_EQ(master_.Get(0x05, 0x01, 0x09), (Bytes{0x8E, 0xE8, 0x03}));
}

TEST_F(SlaveExplicitTest, LongResponsesTravelInAcknowledgedFragments) {
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.productName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";  // 32 characters: 33 bytes of data
  Start(config);
  master_.Allocate();
  master_.Send(Group2Id(kMac, 4), {kMasterMac, 0x0E, 0x01, 0x01, 0x07});
  // First fragment: always 8 bytes, reply service then five data bytes.
  EXPECT_EQ(master_.Expect(Group2Id(kMac, 3)), (Bytes{0x80 | kMasterMac, 0x00, 0x8E, 32, 'A', 'B', 'C', 'D'}));
  // Nothing more until the master acknowledges.
  EXPECT_TRUE(master_.Quiet(300ms));
  master_.Send(Group2Id(kMac, 4), {0x80 | kMasterMac, 0xC0, 0x00});
  EXPECT_EQ(master_.Expect(Group2Id(kMac, 3)), (Bytes{0x80 | kMasterMac, 0x41, 'E', 'F', 'G', 'H', 'I', 'J'}));
  // An acknowledgement of an older fragment does not advance the transfer.
  master_.Send(Group2Id(kMac, 4), {0x80 | kMasterMac, 0xC0, 0x00});
  EXPECT_TRUE(master_.Quiet(300ms));
  // The rest: middle fragments of 6 and a last one of 4, each after its ack.
  std::string name = "ABCDEFGHIJ";
  for (std::uint8_t count = 1;; ++count) {
    master_.Send(Group2Id(kMac, 4), {0x80 | kMasterMac, static_cast<std::uint8_t>(0xC0 | count), 0x00});
    const Bytes fragment = master_.Expect(Group2Id(kMac, 3));
    ASSERT_GE(fragment.size(), 3u);
    EXPECT_EQ(fragment[1] & 0x3F, count + 1);
    name.append(fragment.begin() + 2, fragment.end());
    if ((fragment[1] & 0xC0) == 0x80) {
      EXPECT_EQ(fragment.size(), 6u);
      master_.Send(Group2Id(kMac, 4), {0x80 | kMasterMac, static_cast<std::uint8_t>(0xC0 | (count + 1)), 0x00});
      break;
    }
    EXPECT_EQ(fragment[1] & 0xC0, 0x40);
    EXPECT_EQ(fragment.size(), 8u);
  }
  EXPECT_EQ(name, config.productName);
  EXPECT_TRUE(master_.Quiet(300ms));
}

TEST_F(SlaveExplicitTest, AnUnacknowledgedResponseIsAbandoned) {
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.productName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
  Start(config);
  master_.Allocate();
  master_.Send(Group2Id(kMac, 4), {kMasterMac, 0x0E, 0x01, 0x01, 0x07});
  master_.Expect(Group2Id(kMac, 3));
  EXPECT_TRUE(master_.Quiet(1500ms));
  master_.Send(Group2Id(kMac, 4), {0x80 | kMasterMac, 0xC0, 0x00});  // too late
  EXPECT_TRUE(master_.Quiet(300ms));
  EXPECT_EQ(master_.Get(0x01, 0x01, 0x01), (Bytes{0x8E, 0xD2, 0x04}));
}

TEST_F(SlaveExplicitTest, FragmentedRequestsRepeatsOutOfSequenceAndOversize) {
  Start();
  master_.Allocate();
  const std::uint32_t tx = Group2Id(kMac, 4);
  const std::uint32_t rx = Group2Id(kMac, 3);
  const std::uint8_t h = 0x80 | kMasterMac;
  // Set of the connection's packet rate with padding into a 9-byte body is
  // refused as too much data, which proves the body was assembled exactly
  // once even though the middle fragment came twice and one came out of order.
  master_.Send(tx, {h, 0x00, 0x10, 0x05, 0x01, 0x09, 0x10, 0x27});
  EXPECT_EQ(master_.Expect(rx), (Bytes{h, 0xC0, 0x00}));
  master_.Send(tx, {h, 0x41, 0x00, 0x00});
  EXPECT_EQ(master_.Expect(rx), (Bytes{h, 0xC1, 0x00}));
  master_.Send(tx, {h, 0x41, 0xEE, 0xEE});  // repeated: acknowledged, not appended
  EXPECT_EQ(master_.Expect(rx), (Bytes{h, 0xC1, 0x00}));
  master_.Send(tx, {h, 0x83, 0xEE});  // count skips one: discarded
  EXPECT_TRUE(master_.Quiet(300ms));
  master_.Send(tx, {h, 0x82, 0x00});
  EXPECT_EQ(master_.Expect(rx), (Bytes{h, 0xC2, 0x00}));
  EXPECT_EQ(master_.ReceiveResponse(tx, rx, kMasterMac), (Bytes{0x94, 0x15, 0xFF}));

  // 65 body bytes exceed the capacity of 64: refused with status 1, no answer.
  Bytes body{0xC7, 0x01, 0x03};
  body.resize(65, 0x00);
  Bytes message{0x10};
  message.insert(message.end(), body.begin(), body.end());
  EXPECT_FALSE(master_.SendFragments(tx, rx, kMasterMac, message));
  EXPECT_TRUE(master_.Quiet(300ms));
}

TEST_F(SlaveExplicitTest, WatchdogReleasesAnIdleExplicitConnection) {
  Start();
  master_.Allocate();
  // The default expected packet rate is 2500 ms: requests every 5 s keep it.
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(master_.Quiet(5000ms));
    EXPECT_EQ(master_.Get(0x01, 0x01, 0x05).at(0), 0x8E);
  }
  EXPECT_TRUE(master_.Quiet(10'500ms));
  // The slave's thread may wake late on a loaded machine: give it time.
  for (int i = 0; i < 50 && slave_->AllocatedChoice() != 0; ++i) master_.Quiet(200ms);
  EXPECT_EQ(slave_->AllocatedChoice(), 0);
  // A rate of 0 turns the watchdog off.
  master_.Allocate();
  EXPECT_EQ(master_.Set(0x05, 0x01, 0x09, {0x00, 0x00}), (Bytes{0x90}));
  EXPECT_TRUE(master_.Quiet(20'000ms));
  EXPECT_EQ(slave_->AllocatedChoice(), 0x01);
}

TEST_F(SlaveExplicitTest, StrictSlaveRefusesRepeatAllocationAndClassReset) {
  DeviceNetSlaveConfig config = QuickSlave(kMac);
  config.strict = true;
  Start(config);
  master_.Allocate();
  EXPECT_EQ(master_.Unconnected(0x4B, {0x03, 0x01, 0x01, kMasterMac}), (Bytes{0x94, 0x0B, 0xFF}));
  EXPECT_EQ(master_.Connected(0x05, {0x05, 0x00}), (Bytes{0x94, 0x08, 0xFF}));
}

}  // namespace
}  // namespace sim::testing
