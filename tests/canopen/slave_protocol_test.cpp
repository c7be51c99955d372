// The simulated CANopen slave seen from a bare bus peer playing the master:
// NMT and boot-up, guarding, heartbeat, emergencies, the SDO server and PDOs.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "sim/canopen/canopenprobe.h"
#include "sim/canopen/canopenslave.h"
#include "sim/canopen/canopenslavepeerkind.h"
#include "tests/platform/scoped_time_scale.h"

namespace sim {
namespace {

using namespace std::chrono_literals;
using SdoFrame = CanopenProbe::SdoFrame;

constexpr std::uint8_t kNode = 5;
constexpr std::uint32_t kGuardId = 0x705;
constexpr std::uint32_t kSdoAnswerId = 0x585;
// Process time: generous, as a loaded machine stalls threads for a while.
constexpr auto kPatience = std::chrono::milliseconds(std::chrono::minutes(10));

SdoFrame Request(std::uint8_t command, std::uint16_t index, std::uint8_t subIndex,
                 std::array<std::uint8_t, 4> data = {}) {
  return {command, static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8), subIndex,
          data[0], data[1], data[2], data[3]};
}

SdoFrame AbortFrame(std::uint16_t index, std::uint8_t subIndex, std::uint32_t code) {
  return Request(0x80, index, subIndex,
                 {static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(code >> 8),
                  static_cast<std::uint8_t>(code >> 16), static_cast<std::uint8_t>(code >> 24)});
}

bool AnyWithId(const std::vector<BusFrame>& frames, std::uint32_t id) {
  return std::ranges::any_of(frames, [id](const BusFrame& frame) { return frame.frame.id == id; });
}

class SlaveTest : public ::testing::Test {
 protected:
  // Starts the slave and waits for its boot-up.
  CanopenSlave& Start(CanopenSlaveConfig config = {}) {
    config.node = kNode;
    slave_ = std::make_unique<CanopenSlave>(bus_, std::move(config));
    bootUp_ = probe_.Expect(kGuardId, kPatience);
    if (!bootUp_) throw std::runtime_error("no boot-up");
    return *slave_;
  }

  // The node's next guarding answer.
  std::uint8_t Guard(std::uint8_t dlc = 0) {
    probe_.RequestGuard(kNode, dlc);
    const std::optional<BusFrame> answer = probe_.Expect(kGuardId, kPatience);
    if (!answer || answer->frame.dlc != 1) throw std::runtime_error("no guarding answer");
    return answer->frame.data[0];
  }

  SdoFrame Sdo(const SdoFrame& request) {
    const std::optional<SdoFrame> answer = probe_.Sdo(kNode, request);
    if (!answer) throw std::runtime_error("no SDO answer");
    return *answer;
  }

  // Frames the node sent before answering a guarding request sent now.
  std::vector<BusFrame> FramesBeforeNextGuardAnswer() {
    Guard();
    return probe_.TakeAll();
  }

  ScopedTimeScale fast_{50};
  CanBus bus_;
  CanopenProbe probe_{bus_};
  std::unique_ptr<CanopenSlave> slave_;
  std::optional<BusFrame> bootUp_;
};

TEST_F(SlaveTest, BootsIntoPreOperationalAndAnswersGuardingWithAlternatingToggle) {
  const std::uint64_t startUs = platform::NowMicroseconds();
  CanopenSlave& slave = Start();
  EXPECT_EQ(bootUp_->frame, CanFrame::Standard(kGuardId, {0x00}));
  EXPECT_GE(bootUp_->queuedUs - startUs, 200'000u) << "boot-up before the boot delay";
  EXPECT_EQ(slave.State(), NmtState::PreOperational);
  // The master asks with DLC 0; other lengths are answered all the same.
  EXPECT_EQ(Guard(0), 0x7F);
  EXPECT_EQ(Guard(1), 0xFF);
  EXPECT_EQ(Guard(8), 0x7F);
  EXPECT_EQ(Guard(0), 0xFF);
}

TEST_F(SlaveTest, NmtCommandsApplyToTheNodeOrToAll) {
  CanopenSlave& slave = Start();
  struct Step {
    std::uint8_t command;
    std::uint8_t target;
    NmtState expected;
  };
  const Step steps[] = {
      {0x01, 0, NmtState::Operational},        // start, all nodes
      {0x02, 6, NmtState::Operational},        // another node's stop
      {0x02, kNode, NmtState::Stopped},        // stop
      {0x80, 0, NmtState::PreOperational},     // enter pre-operational
      {0x01, kNode, NmtState::Operational},    // start this node
      {0x42, kNode, NmtState::Operational},    // no such command
      {0x80, kNode, NmtState::PreOperational},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << "command 0x" << std::hex << int{step.command} << " to " << int{step.target});
    probe_.Nmt(step.command, step.target);
    EXPECT_EQ(Guard() & 0x7F, static_cast<int>(step.expected));
    EXPECT_EQ(slave.State(), step.expected);
  }
}

TEST_F(SlaveTest, SdoIsServedInPreOperationalAndOperationalButNotStopped) {
  Start();
  EXPECT_EQ(Sdo(Request(0x40, 0x1000, 0))[0], 0x43);
  probe_.Nmt(0x01, kNode);
  EXPECT_EQ(Sdo(Request(0x40, 0x1000, 0))[0], 0x43);
  probe_.Nmt(0x02, kNode);
  probe_.SendSdo(kNode, Request(0x40, 0x1000, 0));
  EXPECT_FALSE(AnyWithId(FramesBeforeNextGuardAnswer(), kSdoAnswerId));
}

TEST_F(SlaveTest, ResetCommunicationSendsBootUpAndRestoresHeartbeatAndToggle) {
  CanopenSlave& slave = Start();
  probe_.Nmt(0x01, kNode);
  ASSERT_EQ(probe_.DownloadObject(kNode, 0x1017, 0, std::vector<std::uint8_t>{0x10, 0x27}), 0u);  // 10 s
  EXPECT_EQ(slave.HeartbeatTime(), 10'000);
  EXPECT_EQ(Guard(), 0x05);  // the next answer would carry the toggle

  probe_.Nmt(0x82, 0);
  const std::optional<BusFrame> bootUp = probe_.Expect(kGuardId, kPatience);
  ASSERT_TRUE(bootUp);
  EXPECT_EQ(bootUp->frame, CanFrame::Standard(kGuardId, {0x00}));
  EXPECT_EQ(slave.HeartbeatTime(), 0);
  EXPECT_EQ(Guard(), 0x7F);
}

TEST_F(SlaveTest, HeartbeatProducerFollowsObject1017) {
  CanopenSlaveConfig config;
  config.heartbeatMs = 100;
  Start(config);
  std::vector<BusFrame> beats;
  for (int beat = 0; beat < 4; ++beat) {
    const std::optional<BusFrame> frame = probe_.Expect(kGuardId, kPatience);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->frame, CanFrame::Standard(kGuardId, {0x7F}));
    beats.push_back(*frame);
  }
  // Beat i is due i periods after the boot-up; the slack covers the moment
  // between the node's clock reading and the bus taking the boot-up.
  for (std::size_t i = 0; i < beats.size(); ++i) {
    EXPECT_GE(beats[i].queuedUs - bootUp_->queuedUs, (i + 1) * 100'000 - 20'000) << "heartbeat " << i << " early";
  }

  probe_.Nmt(0x01, kNode);
  std::optional<BusFrame> beat;
  do {
    beat = probe_.Expect(kGuardId, kPatience);
    ASSERT_TRUE(beat);
  } while (beat->frame.data[0] != 0x05);

  ASSERT_EQ(probe_.DownloadObject(kNode, 0x1017, 0, std::vector<std::uint8_t>{0, 0}), 0u);
  probe_.TakeAll();
  platform::Sleep(500);
  EXPECT_EQ(probe_.UploadObject(kNode, 0x1017, 0).data, (std::vector<std::uint8_t>{0, 0}));
  EXPECT_FALSE(AnyWithId(probe_.TakeAll(), kGuardId)) << "heartbeats after 0x1017 = 0";
}

TEST_F(SlaveTest, EmergencyCarriesCodeRegisterAndVendorBytes) {
  CanopenSlave& slave = Start();
  ASSERT_TRUE(slave.SendEmergency(0x8130, 0x11, {1, 2, 3, 4, 5}));
  const std::optional<BusFrame> emergency = probe_.Expect(0x85, kPatience);
  ASSERT_TRUE(emergency);
  EXPECT_EQ(emergency->frame, CanFrame::Standard(0x85, {0x30, 0x81, 0x11, 1, 2, 3, 4, 5}));
  EXPECT_EQ(probe_.UploadObject(kNode, 0x1001, 0).data, std::vector<std::uint8_t>{0x11});

  probe_.Nmt(0x02, kNode);
  Guard();
  EXPECT_FALSE(slave.SendEmergency(0x1000, 0x01));
  EXPECT_FALSE(AnyWithId(FramesBeforeNextGuardAnswer(), 0x85));
}

TEST_F(SlaveTest, ExpeditedUploadsAlwaysIndicateTheirSize) {
  CanopenSlaveConfig config;
  config.deviceType = 0x00020191;
  config.productCode = 0x00001FE2;
  config.heartbeatMs = 0x1234;
  Start(config);
  struct Case {
    std::uint16_t index;
    std::uint8_t subIndex;
    SdoFrame answer;
  };
  const Case cases[] = {
      {0x1000, 0, {0x43, 0x00, 0x10, 0, 0x91, 0x01, 0x02, 0x00}},
      {0x1001, 0, {0x4F, 0x01, 0x10, 0, 0x00, 0, 0, 0}},
      {0x1017, 0, {0x4B, 0x17, 0x10, 0, 0x34, 0x12, 0, 0}},
      {0x1018, 0, {0x4F, 0x18, 0x10, 0, 0x04, 0, 0, 0}},
      {0x1018, 2, {0x43, 0x18, 0x10, 2, 0xE2, 0x1F, 0, 0}},
      {0x360D, 0, {0x4F, 0x0D, 0x36, 0, 0x04, 0, 0, 0}},
      {0x360E, 0, {0x43, 0x0E, 0x36, 0, 0xFF, 0xFF, 0, 0}},  // sector 0 until another is selected
      {0x3611, 0, {0x4F, 0x11, 0x36, 0, 0x10, 0, 0, 0}},
      {0x6000, 0, {0x4F, 0x00, 0x60, 0, 0x08, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.index << " sub " << int{c.subIndex});
    EXPECT_EQ(Sdo(Request(0x40, c.index, c.subIndex)), c.answer);
  }
}

TEST_F(SlaveTest, RefusedRequestsAbortWithTheirCode) {
  Start();
  struct Case {
    const char* what;
    SdoFrame request;
    std::uint32_t abort;
  };
  const Case cases[] = {
      {"unknown object", Request(0x40, 0x2000, 0), 0x06020000},
      {"unused firmware object", Request(0x40, 0x360C, 0), 0x06020000},
      {"sub-index past the identity", Request(0x40, 0x1018, 5), 0x06090011},
      {"firmware object sub-index", Request(0x40, 0x3605, 1), 0x06090011},
      {"read of the password", Request(0x40, 0x360F, 0), 0x06010001},
      {"read of the command channel", Request(0x40, 0x3600, 0), 0x06010001},
      {"write of the device type", Request(0x23, 0x1000, 0, {1, 2, 3, 4}), 0x06010002},
      {"write of the sector count", Request(0x2F, 0x360D, 0, {1}), 0x06010002},
      {"4 bytes into a U16", Request(0x23, 0x1017, 0, {1, 2, 3, 4}), 0x06070012},
      {"1 byte into a U16", Request(0x2F, 0x1017, 0, {1}), 0x06070013},
      {"1 byte into a U32", Request(0x2F, 0x360F, 0, {1}), 0x06070013},
      {"segmented 6 bytes into a U16", Request(0x21, 0x1017, 0, {6}), 0x06070012},
      {"no such sector", Request(0x2F, 0x3604, 0, {4}), 0x06090030},
      {"no such boot sector", Request(0x2F, 0x360B, 0, {9}), 0x06090030},
      {"wrong password", Request(0x23, 0x360F, 0, {1, 0, 0, 0}), 0x08000020},
      {"flash write outside the boot loader", Request(0x21, 0x3600, 0, {38}), 0x08000022},
      {"block upload", Request(0xA0, 0x1000, 0), 0x05040001},
      {"upload segment without a transfer", Request(0x60, 0, 0), 0x05040001},
      {"download segment without a transfer", Request(0x00, 0, 0), 0x05040001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const SdoFrame& request = c.request;
    const bool segment = (request[0] & 0xE0) == 0x60 || (request[0] & 0xE0) == 0x00;
    EXPECT_EQ(Sdo(request), AbortFrame(segment ? 0 : static_cast<std::uint16_t>(request[1] | (request[2] << 8)),
                                       segment ? 0 : request[3], c.abort));
  }
}

TEST_F(SlaveTest, SegmentedUploadsToggleAndEndWithTheLastBytes) {
  CanopenSlaveConfig config;
  config.deviceName = "Flashwright CANopen Node";  // 24 bytes: 7 + 7 + 7 + 3
  config.hardwareVersion = "";
  config.softwareVersion = std::string(255, 'v');
  Start(config);

  EXPECT_EQ(Sdo(Request(0x40, 0x1008, 0)), (SdoFrame{0x41, 0x08, 0x10, 0, 24, 0, 0, 0}));
  EXPECT_EQ(Sdo(Request(0x60, 0, 0)), (SdoFrame{0x00, 'F', 'l', 'a', 's', 'h', 'w', 'r'}));
  EXPECT_EQ(Sdo(Request(0x70, 0, 0)), (SdoFrame{0x10, 'i', 'g', 'h', 't', ' ', 'C', 'A'}));
  EXPECT_EQ(Sdo(Request(0x60, 0, 0)), (SdoFrame{0x00, 'N', 'o', 'p', 'e', 'n', ' ', 'N'}));
  EXPECT_EQ(Sdo(Request(0x70, 0, 0)), (SdoFrame{0x19, 'o', 'd', 'e', 0, 0, 0, 0}));

  // An empty string: size 0, then one last segment without data.
  EXPECT_EQ(Sdo(Request(0x40, 0x1009, 0)), (SdoFrame{0x41, 0x09, 0x10, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Sdo(Request(0x60, 0, 0)), (SdoFrame{0x0F, 0, 0, 0, 0, 0, 0, 0}));

  const CanopenProbe::Upload longest = probe_.UploadObject(kNode, 0x100A, 0);
  EXPECT_EQ(longest.abort, 0u);
  EXPECT_EQ(std::string(longest.data.begin(), longest.data.end()), config.softwareVersion);
}

TEST_F(SlaveTest, UploadSegmentWithTheWrongToggleAborts) {
  Start();
  ASSERT_EQ(Sdo(Request(0x40, 0x1008, 0))[0], 0x41);
  EXPECT_EQ(Sdo(Request(0x70, 0, 0)), AbortFrame(0x1008, 0, 0x05030000));
  // The transfer is over: a further segment request has nothing to continue.
  EXPECT_EQ(Sdo(Request(0x60, 0, 0)), AbortFrame(0, 0, 0x05040001));
}

TEST_F(SlaveTest, NewInitiateDropsAnUnfinishedTransfer) {
  Start();
  ASSERT_EQ(Sdo(Request(0x40, 0x1008, 0))[0], 0x41);
  ASSERT_EQ(Sdo(Request(0x60, 0, 0))[0], 0x00);
  // The master gave up without an abort and starts afresh.
  EXPECT_EQ(Sdo(Request(0x40, 0x1018, 4))[0], 0x43);
  EXPECT_EQ(Sdo(Request(0x70, 0, 0)), AbortFrame(0, 0, 0x05040001));
}

TEST_F(SlaveTest, ExpeditedDownloadsWithAndWithoutSize) {
  CanopenSlave& slave = Start();
  EXPECT_EQ(Sdo(Request(0x2B, 0x1017, 0, {0xE8, 0x03})), (SdoFrame{0x60, 0x17, 0x10, 0, 0, 0, 0, 0}));
  EXPECT_EQ(slave.HeartbeatTime(), 1000);
  // Size not indicated: the object takes the bytes it needs.
  EXPECT_EQ(Sdo(Request(0x22, 0x1017, 0, {0x34, 0x12, 0xAA, 0xBB}))[0], 0x60);
  EXPECT_EQ(slave.HeartbeatTime(), 0x1234);
}

TEST_F(SlaveTest, TpdosAnswerRemoteFramesAndRpdosSetOutputsWhileOperational) {
  CanopenSlave& slave = Start();
  slave.SetProcessValue(0x6000, 1, 0xAA);
  slave.SetProcessValue(0x6000, 2, 0x55);
  slave.SetProcessValue(0x6401, 1, 0x1234);
  slave.SetProcessValue(0x6401, 2, 0xBEEF);

  probe_.Send(CanFrame::Remote(0x185, 0));
  probe_.Send(CanFrame::Standard(0x205, {9, 9}));
  std::vector<BusFrame> early = FramesBeforeNextGuardAnswer();
  EXPECT_FALSE(AnyWithId(early, 0x185)) << "a TPDO in pre-operational";
  EXPECT_EQ(slave.ProcessValue(0x6200, 1), 0u) << "an RPDO in pre-operational";

  probe_.Nmt(0x01, kNode);
  probe_.Send(CanFrame::Remote(0x185, 0));
  probe_.Send(CanFrame::Remote(0x285, 8));
  EXPECT_EQ(probe_.Expect(0x185, kPatience)->frame, CanFrame::Standard(0x185, {0xAA, 0x55}));
  EXPECT_EQ(probe_.Expect(0x285, kPatience)->frame, CanFrame::Standard(0x285, {0x34, 0x12, 0xEF, 0xBE}));

  probe_.Send(CanFrame::Standard(0x205, {1, 2, 3}));      // longer than mapped: taken
  probe_.Send(CanFrame::Standard(0x305, {0x78, 0x56}));   // shorter than 4 mapped bytes: ignored
  EXPECT_EQ(probe_.UploadObject(kNode, 0x6200, 2).data, std::vector<std::uint8_t>{2});
  EXPECT_EQ(slave.ProcessValue(0x6200, 1), 1u);
  EXPECT_EQ(slave.ProcessValue(0x6411, 1), 0u);
}

TEST_F(SlaveTest, PdoMappingIsCheckedAndChangesTheFrames) {
  CanopenSlave& slave = Start();
  slave.SetProcessValue(0x6401, 1, 0x1122);
  slave.SetProcessValue(0x6401, 2, 0x3344);
  slave.SetProcessValue(0x6000, 3, 0x55);
  const auto write32 = [&](std::uint16_t index, std::uint8_t subIndex, std::uint32_t value) {
    const std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                          static_cast<std::uint8_t>(value >> 16),
                                          static_cast<std::uint8_t>(value >> 24)};
    return probe_.DownloadObject(kNode, index, subIndex, bytes);
  };
  const auto write8 = [&](std::uint16_t index, std::uint8_t subIndex, std::uint8_t value) {
    return probe_.DownloadObject(kNode, index, subIndex, std::vector<std::uint8_t>{value});
  };

  EXPECT_EQ(write8(0x1A00, 0, 0), 0u);
  EXPECT_EQ(write32(0x1A00, 1, 0x64010110), 0u);
  EXPECT_EQ(write32(0x1A00, 2, 0x64010210), 0u);
  EXPECT_EQ(write32(0x1A00, 3, 0x60000308), 0u);
  EXPECT_EQ(write8(0x1A00, 0, 3), 0u);
  EXPECT_EQ(probe_.UploadObject(kNode, 0x1A00, 2).data, (std::vector<std::uint8_t>{0x10, 0x02, 0x01, 0x64}));

  struct Refusal {
    const char* what;
    std::uint32_t result;
    std::uint32_t abort;
  };
  const Refusal refusals[] = {
      {"identity object in a TPDO", write32(0x1A00, 4, 0x10000020), 0x06040041},
      {"input in an RPDO", write32(0x1600, 1, 0x60000108), 0x06040041},
      {"length not the object's", write32(0x1A00, 4, 0x60000110), 0x06040041},
      {"more than 64 entries", write8(0x1A00, 0, 65), 0x06090030},
      {"more than 8 bytes", (write32(0x1A00, 4, 0x64010310), write32(0x1A00, 5, 0x64010410), write8(0x1A00, 0, 5)),
       0x06040042},
      {"entry count of a communication parameter", write8(0x1800, 0, 2), 0x06010002},
      {"communication sub-index 6", write8(0x1800, 6, 0), 0x06090011},
      {"mapping sub-index 65", write32(0x1A00, 65, 0), 0x06090011},
  };
  for (const Refusal& refusal : refusals) EXPECT_EQ(refusal.result, refusal.abort) << refusal.what;

  probe_.Nmt(0x01, kNode);
  probe_.Send(CanFrame::Remote(0x185, 0));
  EXPECT_EQ(probe_.Expect(0x185, kPatience)->frame, CanFrame::Standard(0x185, {0x22, 0x11, 0x44, 0x33, 0x55}));

  // Bit 31 of the COB-ID switches the PDO off.
  EXPECT_EQ(write32(0x1800, 1, 0x80000185), 0u);
  probe_.Send(CanFrame::Remote(0x185, 0));
  EXPECT_FALSE(AnyWithId(FramesBeforeNextGuardAnswer(), 0x185));
}

TEST(CanopenSlavePeerKind, BuildsTheConfigurationAndStartsTheNode) {
  ScopedTimeScale fast(50);
  const PeerKind kind = CanopenSlavePeerKind();
  std::map<std::string, std::string> values;
  for (const PeerOption& option : kind.options) {
    if (option.defaultValue) values[option.name] = *option.defaultValue;
  }
  values["node"] = "9";
  values["mode"] = "bootloader";
  values["width"] = "8";
  values["password"] = "0xCAFE";
  const CanopenSlaveConfig config = CanopenSlaveConfigFrom(PeerSettings(kind.name, values));
  EXPECT_EQ(config.node, 9);
  EXPECT_EQ(config.mode, FlashMode::BootLoader);
  EXPECT_EQ(config.checksumWidth, 8u);
  EXPECT_EQ(config.password, 0xCAFEu);

  for (const auto& [name, bad] : std::vector<std::pair<std::string, std::string>>{
           {"node", "0"}, {"node", "128"}, {"mode", "fast"}, {"width", "12"}, {"product", "0"}}) {
    std::map<std::string, std::string> wrong = values;
    wrong[name] = bad;
    EXPECT_THROW(CanopenSlaveConfigFrom(PeerSettings(kind.name, wrong)), std::invalid_argument) << name << "=" << bad;
  }

  CanBus bus;
  CanopenProbe probe(bus);
  const std::unique_ptr<BenchPeer> peer = kind.create(bus, PeerSettings(kind.name, values));
  EXPECT_EQ(probe.Expect(0x709, kPatience)->frame, CanFrame::Standard(0x709, {0x00}));
  EXPECT_NE(peer->ConnectionInfo().at(0).find("node 9"), std::string::npos);
}

}  // namespace
}  // namespace sim
