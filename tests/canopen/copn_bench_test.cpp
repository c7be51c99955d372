// The CANopen libraries end to end, by their exports alone: VRK_COPN loaded by
// name, forwarding to VRK_COCN, over VRK_CAN and the QX240 driver, through a
// pseudo-terminal to the bench's adapter and simulated CANopen slaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <numeric>
#include <optional>
#include <tuple>
#include <vector>

#include "canopen/copnapi.h"
#include "platform/clock.h"
#include "platform/lasterror.h"
#include "sim/canopen/canopenslave.h"
#include "tests/support/ixxatbench.h"
#include "tests/support/qx240bench.h"
#include "tests/support/scratch.h"
#include "tests/support/sstbench.h"

namespace {

using namespace std::chrono_literals;

using benchtest::BoundLibrary;
using benchtest::Eventually;

// The entry point of VRK_COPN (or of VRK_COCN below it) with the declared
// type of the export.
#define COPN(name) BOUND_ENTRY(library, name)
#define COCN(name) BOUND_ENTRY(cocn, name)

constexpr std::uint32_t kAbortNoObject = 0x06020000;
constexpr std::uint32_t kAbortNoSubIndex = 0x06090011;
constexpr std::uint32_t kAbortReadOfWriteOnly = 0x06010001;
constexpr std::uint32_t kAbortWriteOfReadOnly = 0x06010002;
constexpr std::uint32_t kAbortLengthTooLow = 0x06070013;
constexpr std::uint32_t kAbortLengthTooHigh = 0x06070012;
constexpr std::uint32_t kAbortDeviceState = 0x08000022;
constexpr std::uint32_t kAbortPasswordRefused = 0x08000020;
constexpr std::uint32_t kAbortGeneralError = 0x08000000;
constexpr std::uint32_t kPassword = 0x1234ABCD;
constexpr std::uint32_t kMirrorSize = 0x2FFFE;

// A call's result with the last-error value it left.
struct Outcome {
  int result;
  std::uint32_t error;
  bool operator==(const Outcome&) const = default;
};

template <typename Call>
Outcome Attempt(Call call) {
  platform::SetLastError(0);
  const int result = call();
  return {result, platform::GetLastError()};
}

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
  return out << "result " << outcome.result << ", last error 0x" << std::hex << outcome.error << std::dec;
}

sim::CanopenSlaveConfig Slave(std::uint8_t node) {
  sim::CanopenSlaveConfig config;
  config.node = node;
  config.password = kPassword;
  config.serial = 0x1000 + node;
  return config;
}

class CanopenBench : public benchtest::CardBench<sim::CanopenSlave> {
 protected:
  CanopenBench() : CardBench("VRK_COPN.dll") {}

  benchtest::SstBusEndpoint sst{bus};  // the bus of the bench libraries

  void DownloadOverBenchLibraryCard(const InterfaceConfiguration& record,
                                    const std::function<void()>& checkVersions);

  // Goes online as the program's CANopen downloader does and waits for the
  // boot-up of every slave on the bus.
  void GoOnline(std::uint8_t firstNode = 1, std::uint8_t lastNode = 127) {
    OpenCard();
    ASSERT_EQ(COPN(SetNodeID)(card, 1), 1);
    ASSERT_EQ(COPN(SetBaud)(card, 500000), 1);
    for (unsigned node = firstNode; node <= lastNode; ++node) {
      ASSERT_EQ(COPN(AddNode)(card, static_cast<std::uint8_t>(node)), 1) << node;
    }
    ASSERT_EQ(COPN(SetOnline)(card, 1), 1);
    ASSERT_EQ(COPN(NMT_ResetCommunication)(card, 0), 1);
    for (const auto& slave : slaves) ASSERT_TRUE(BootUpSeen(slave->Config().node)) << int(slave->Config().node);
  }

  bool BootUpSeen(std::uint8_t node) {
    return Eventually([&] {
      std::int32_t detected = 0;
      return COPN(GetNodeBootUpDetected)(card, node, &detected) == 1 && detected == 1;
    });
  }

  std::int32_t Alive(std::uint8_t node) {
    std::int32_t alive = -1;
    EXPECT_EQ(COPN(GetNodeOnline)(card, node, &alive), 1);
    return alive;
  }

  std::uint8_t State(std::uint8_t node) {
    std::uint8_t state = 0;
    COPN(GetNodeState)(card, node, &state);
    return state;
  }

  std::uint32_t ReadU32(std::uint8_t node, std::uint16_t index, std::uint8_t sub) {
    std::uint32_t value = 0;
    EXPECT_EQ(COPN(SDO_Upload_UNSIGNED32)(card, node, index, sub, &value), 1)
        << std::hex << index << " " << platform::GetLastError();
    return value;
  }

  std::uint8_t ReadU8(std::uint8_t node, std::uint16_t index) {
    std::uint8_t value = 0;
    EXPECT_EQ(COPN(SDO_Upload_UNSIGNED8)(card, node, index, 0, &value), 1)
        << std::hex << index << " " << platform::GetLastError();
    return value;
  }

  std::string ReadString(std::uint8_t node, std::uint16_t index) {
    std::uint8_t text[256];
    std::uint32_t length = sizeof text;
    EXPECT_EQ(COPN(SDO_Upload)(card, node, index, 0, &length, text), 1) << std::hex << platform::GetLastError();
    return std::string(reinterpret_cast<char*>(text), length);
  }

  Outcome Download(std::uint8_t node, std::uint16_t index, const std::vector<std::uint8_t>& data) {
    return Attempt([&] {
      return COPN(SDO_Download)(card, node, index, 0, static_cast<std::uint32_t>(data.size()), data.data());
    });
  }

  // Download mode: the password, then reset node; the node comes back in its
  // boot loader, which reports product code 0.
  void EnterDownloadMode(std::uint8_t node) {
    ASSERT_EQ(COPN(SDO_Download_UNSIGNED32)(card, node, 0x360F, 0, kPassword), 1);
    ASSERT_EQ(COPN(ClearNodeBootUpDetected)(card, node), 1);
    ASSERT_EQ(COPN(NMT_ResetNode)(card, node), 1);
    ASSERT_TRUE(BootUpSeen(node));
    EXPECT_EQ(ReadU32(node, 0x1018, 2), 0u);
  }

  static std::vector<std::uint8_t> EraseRequest() {
    std::vector<std::uint8_t> erase(38, 0);
    erase[0] = 0x03;
    erase[1] = 2;
    return erase;
  }

  static std::vector<std::uint8_t> TestImage() {
    std::vector<std::uint8_t> image(4096);
    std::uint32_t seed = 12345;
    for (auto& byte : image) byte = static_cast<std::uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    return image;
  }

  // Erases sector 2 and writes the image into it, 32 bytes a download.
  void WriteSector(std::uint8_t node, const std::vector<std::uint8_t>& image) {
    ASSERT_EQ(Download(node, 0x3600, EraseRequest()), (Outcome{1, 0}));
    for (std::uint32_t address = 0; address < image.size(); address += 32) {
      std::vector<std::uint8_t> write(38);
      write[0] = 0x02;
      write[1] = 2;
      for (int i = 0; i < 3; ++i) write[2 + i] = static_cast<std::uint8_t>(address >> (8 * i));
      write[5] = 32;
      std::copy_n(image.begin() + address, 32, write.begin() + 6);
      ASSERT_EQ(Download(node, 0x3600, write), (Outcome{1, 0})) << "at " << address;
    }
  }

  static bool SectorHolds(const sim::CanopenSlave& slave, const std::vector<std::uint8_t>& image) {
    const sim::FirmwareFlash flash = slave.Flash();
    const auto sector = flash.Image(2);
    return sector.size() >= image.size() && std::equal(image.begin(), image.end(), sector.begin());
  }

  // The frames on the bus with that identifier, in bus order.
  std::vector<sim::CanFrame> FramesOn(std::uint32_t id) {
    std::vector<sim::CanFrame> frames = bus.Log().Frames();
    std::erase_if(frames, [id](const sim::CanFrame& frame) { return frame.id != id; });
    return frames;
  }

  bool FrameSeen(const sim::CanFrame& wanted) {
    return Eventually([&] {
      const auto frames = FramesOn(wanted.id);
      return std::find(frames.begin(), frames.end(), wanted) != frames.end();
    });
  }
};

std::string CommandOutput(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
    pclose(pipe);
  }
  return output;
}

// The image the program's checksum sees: the mirror, 0xFF where nothing was
// written, summed as 16-bit little-endian words.
std::uint32_t MirrorWordSum(const std::vector<std::uint8_t>& image) {
  std::vector<std::uint8_t> mirror(kMirrorSize, 0xFF);
  std::copy(image.begin(), image.end(), mirror.begin());
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i + 1 < mirror.size(); i += 2) sum += mirror[i] | (mirror[i + 1] << 8);
  return sum;
}

TEST_F(CanopenBench, FindsTwoSlavesAndReadsTheirIdentities) {
  AddSlave(Slave(5));
  sim::CanopenSlaveConfig second = Slave(9);
  second.deviceName = "Second node with a rather long name";
  AddSlave(second);
  GoOnline();

  for (std::uint8_t node : {5, 9}) {
    SCOPED_TRACE(int(node));
    EXPECT_EQ(Alive(node), 1);
    EXPECT_EQ(State(node), 0) << "the boot-up byte";
    EXPECT_EQ(COPN(NodeOnline)(card, node), 1);
    EXPECT_EQ(ReadU32(node, 0x1000, 0), 0x191u);
    EXPECT_EQ(ReadU8(node, 0x1001), 0);
    EXPECT_EQ(ReadU32(node, 0x1018, 1), 0x4D2u);
    EXPECT_EQ(ReadU32(node, 0x1018, 2), 0x1FE2u);
    EXPECT_EQ(ReadU32(node, 0x1018, 4), 0x1000u + node);
    EXPECT_EQ(ReadString(node, 0x100A), "1.00");
  }
  EXPECT_EQ(ReadString(5, 0x1008), "Flashwright CANopen Node");
  EXPECT_EQ(ReadString(9, 0x1008), "Second node with a rather long name");
  EXPECT_EQ(Alive(7), 0) << "no slave has node id 7";

  const ScopedTimeScale fast(20);  // the absent node's 1000 ms time-out
  EXPECT_EQ(Attempt([&] { return COPN(NodeOnline)(card, 7); }), (Outcome{0, kCopnErrorSend}));
}

TEST_F(CanopenBench, SdoFailuresCarryTheirCodes) {
  AddSlave(Slave(4));
  GoOnline(4, 4);
  std::uint16_t wide = 0;
  std::uint8_t small[8];
  std::uint32_t smallLength = sizeof small;
  std::uint32_t value = 0;
  const struct {
    const char* what;
    std::function<int()> call;
    Outcome expected;
  } cases[] = {
      {"unknown object", [&] { return COPN(SDO_Upload_UNSIGNED32)(card, 4, 0x2000, 0, &value); },
       {0, kAbortNoObject}},
      {"unknown sub-index", [&] { return COPN(SDO_Download_UNSIGNED8)(card, 4, 0x3604, 1, 2); },
       {0, kAbortNoSubIndex}},
      {"read of a write-only object", [&] { return COPN(SDO_Upload_UNSIGNED32)(card, 4, 0x360F, 0, &value); },
       {0, kAbortReadOfWriteOnly}},
      {"write of a read-only object", [&] { return COPN(SDO_Download_UNSIGNED32)(card, 4, 0x1000, 0, 1); },
       {0, kAbortWriteOfReadOnly}},
      {"one byte read as 16 bits", [&] { return COPN(SDO_Upload_UNSIGNED16)(card, 4, 0x360D, 0, &wide); },
       {0, kAbortLengthTooLow}},
      {"string larger than the buffer",
       [&] { return COPN(SDO_Upload)(card, 4, 0x1008, 0, &smallLength, small); }, {0, kCopnErrorBuffer}},
      {"firmware command outside the boot loader", [&] { return Download(4, 0x3600, {3, 2, 0, 0, 0}).result; },
       {0, kAbortDeviceState}},
      {"refused password", [&] { return COPN(SDO_Download_UNSIGNED32)(card, 4, 0x360F, 0, kPassword + 1); },
       {0, kAbortPasswordRefused}},
      {"node 0", [&] { return COPN(SDO_Upload_UNSIGNED32)(card, 0, 0x1000, 0, &value); }, {0, kCopnErrorNodeId}},
      {"node 128", [&] { return COPN(SDO_Download_UNSIGNED8)(card, 128, 0x1000, 0, 1); }, {0, kCopnErrorNodeId}},
      {"empty download", [&] { return COPN(SDO_Download)(card, 4, 0x3600, 0, 0, small); },
       {0, kCopnErrorInvalidLength}},
      {"block upload", [&] { return COPN(SDO_Block_Upload)(card, 4, 0x1008, 0, &smallLength, small); },
       {0, kCopnErrorNotSupported}},
      {"block download", [&] { return COPN(SDO_Block_Download)(card, 4, 0x1017, 0, 2, small); },
       {0, kCopnErrorNotSupported}},
  };
  for (const auto& c : cases) EXPECT_EQ(Attempt(c.call), c.expected) << c.what;
  EXPECT_EQ(FramesOn(0x600).size(), 0u) << "nothing was sent for node 0";
  EXPECT_EQ(FramesOn(0x680).size(), 0u) << "nothing was sent for node 128";

  // The segmented download that was aborted at its start: the initiate with
  // the size, and no segment after the abort.
  const auto requests = FramesOn(0x604);
  const auto segmented = std::find_if(requests.begin(), requests.end(),
                                      [](const sim::CanFrame& f) { return f.data[0] == 0x21; });
  ASSERT_NE(segmented, requests.end());
  EXPECT_EQ(*segmented, sim::CanFrame::Standard(0x604, {0x21, 0x00, 0x36, 0x00, 5, 0, 0, 0}));
  ASSERT_NE(segmented + 1, requests.end());
  EXPECT_GE(segmented[1].data[0], 0x20) << "the next request is a new initiate";

  // The channel is usable after every failure; a 16-bit value goes both ways.
  ASSERT_EQ(COPN(SDO_Download_UNSIGNED16)(card, 4, 0x1017, 0, 0x1234), 1);
  EXPECT_EQ(slaves[0]->HeartbeatTime(), 0x1234);
  ASSERT_EQ(COPN(SDO_Download_UNSIGNED16)(card, 4, 0x1017, 0, 0), 1);
  char text[128];
  EXPECT_EQ(COPN(GetErrorString)(card, kAbortDeviceState, text), 1);
  EXPECT_STREQ(text, "Data cannot be transferred or stored to the application because of the present device state.");
  EXPECT_EQ(COPN(GetErrorString)(card, 0x12345678, text), 0);
  EXPECT_STREQ(text, "Unknown Error 0x12345678.");
}

// A bench library's card on a bus of 500 kbit/s: slave 3 found, its sector
// written with 4 KiB, and the card kept off the bus at another rate. The
// version check runs between going online and the download.
void CanopenBench::DownloadOverBenchLibraryCard(const InterfaceConfiguration& record,
                                                const std::function<void()>& checkVersions) {
  bus.SetBitRate(500000);  // the card goes online only at the bus's rate
  ASSERT_TRUE(sst.Start());
  cardInterface = record;
  sim::CanopenSlave& target = AddSlave(Slave(3));
  GoOnline();
  EXPECT_EQ(ReadU32(3, 0x1018, 2), 0x1FE2u);
  checkVersions();

  EnterDownloadMode(3);
  const std::vector<std::uint8_t> image = TestImage();
  WriteSector(3, image);
  EXPECT_TRUE(SectorHolds(target, image)) << "the flash holds the image";

  ASSERT_EQ(COPN(SetOnline)(card, 0), 1);
  ASSERT_EQ(COPN(SetBaud)(card, 250000), 1);
  EXPECT_EQ(COPN(SetOnline)(card, 1), 0);
}

TEST_F(CanopenBench, DownloadsOverAnSstCan2aCard) {
  DownloadOverBenchLibraryCard(benchtest::SstCan2aCard(), [this] {
    // Below VRK_CAN the SST library answers for itself, and nothing below it.
    char name[32] = {};
    EXPECT_EQ(COPN(DLL_Name)(card, 3, name), 1);
    EXPECT_STREQ(name, "SSC2A32");
    EXPECT_EQ(COPN(DLL_Name)(card, 4, name), 0);
    EXPECT_STREQ(name, "NULL");
    std::int32_t major = -1, minor = -1;
    ASSERT_EQ(COPN(DLL_Version)(card, 3, &major, &minor), 1);
    EXPECT_GT(major * 256 + minor, 0);
  });
}

TEST_F(CanopenBench, DownloadsOverAnIxxatBoard) {
  DownloadOverBenchLibraryCard(benchtest::IxxatVciCard(), [this] {
    // Below VRK_CAN nothing answers for the IXXAT library.
    char name[32] = "unchanged";
    EXPECT_EQ(COPN(DLL_Name)(card, 3, name), 0);
    EXPECT_STREQ(name, "unchanged");
    std::int32_t major = -1, minor = -1;
    EXPECT_EQ(COPN(DLL_Version)(card, 3, &major, &minor), 0);
  });
}

TEST_F(CanopenBench, DownloadsFirmwareIntoTheBootSectorAndStartsIt) {
  sim::CanopenSlave& target = AddSlave(Slave(3));
  sim::CanopenSlave& bystander = AddSlave(Slave(4));
  GoOnline();
  const benchtest::TempDir folder;  // of its own: other runs of the suite may capture at the same time
  const std::string capture = folder.File("canopen_download.pcap");
  ASSERT_TRUE(bus.StartCapture(capture)) << bus.CaptureError();

  EnterDownloadMode(3);
  const std::vector<std::uint8_t> image = TestImage();
  WriteSector(3, image);
  const std::vector<std::uint8_t> erase = EraseRequest();

  ASSERT_EQ(COPN(SDO_Download_UNSIGNED8)(card, 3, 0x3604, 0, 2), 1);
  EXPECT_EQ(ReadU32(3, 0x360E, 0), 0x2FFFFu);
  EXPECT_EQ(ReadU8(3, 0x3611), 16);
  ASSERT_EQ(COPN(SDO_Download_UNSIGNED32)(card, 3, 0x360A, 0, MirrorWordSum(image)), 1);
  EXPECT_EQ(ReadU8(3, 0x3610), 1) << "the node agrees with the checksum";
  ASSERT_EQ(COPN(SDO_Download_UNSIGNED8)(card, 3, 0x360B, 0, 2), 1);
  EXPECT_EQ(ReadU8(3, 0x360B), 2);

  ASSERT_EQ(COPN(ClearNodeBootUpDetected)(card, 3), 1);
  ASSERT_EQ(COPN(NMT_ResetNode)(card, 3), 1);
  ASSERT_TRUE(BootUpSeen(3));
  EXPECT_EQ(target.Mode(), sim::FlashMode::Application);
  EXPECT_EQ(ReadU32(3, 0x1018, 2), 0x1FE2u);
  EXPECT_TRUE(SectorHolds(target, image)) << "the flash holds the image";
  EXPECT_EQ(bystander.Mode(), sim::FlashMode::Application);
  EXPECT_EQ(bystander.ReportedProductCode(), 0x1FE2u) << "the other node stayed in its application";

  // One memory write on the wire: initiate with 38 bytes, then six segments
  // of the next 7 bytes each (3 in the last), toggling from 0.
  const auto requests = FramesOn(0x603);
  const auto first = std::find_if(requests.begin(), requests.end(), [](const sim::CanFrame& f) {
    return f.data[0] == 0x21 && f.data[4] == 38;
  });
  ASSERT_GE(requests.end() - first, 7);
  const std::uint8_t commands[] = {0x00, 0x10, 0x00, 0x10, 0x00, 0x19};
  std::vector<std::uint8_t> carried;
  for (int i = 0; i < 6; ++i) {
    const sim::CanFrame& segment = first[1 + i];
    EXPECT_EQ(segment.data[0], commands[i]) << i;
    carried.insert(carried.end(), segment.data.begin() + 1, segment.data.begin() + 1 + (i < 5 ? 7 : 3));
  }
  EXPECT_EQ(carried, erase) << "the first 38-byte download was the erase";

  bus.StopCapture();
  ASSERT_TRUE(bus.CaptureError().empty()) << bus.CaptureError();
  // A standard dissector reads the capture as CANopen without a malformed frame.
  if (std::system("command -v tshark > /dev/null 2>&1") != 0) return;
  const std::string decoded = CommandOutput("tshark -r '" + capture + "' -d can.subdissector,canopen 2>/dev/null");
  EXPECT_NE(decoded.find("CANopen"), std::string::npos) << decoded.substr(0, 500);
  EXPECT_NE(decoded.find("Download segment"), std::string::npos);
  EXPECT_EQ(decoded.find("Malformed"), std::string::npos);
}

// A node whose SDO server answers from a script, for the answers a
// conforming simulated slave never gives.
class ScriptedNode {
 public:
  using Script = std::function<std::optional<sim::CanFrame>(const sim::CanFrame& request)>;

  ScriptedNode(sim::CanBus& bus, std::uint8_t node, Script script) : node_(node), script_(std::move(script)) {
    peer_ = bus.Attach(
        "scripted", [this](const sim::BusFrame& received) { OnFrame(received.frame); }, sim::Power::Off);
    peer_.Reattach();
  }

  static sim::CanFrame Answer(std::uint8_t node, std::array<std::uint8_t, 8> bytes) {
    sim::CanFrame frame = sim::CanFrame::Standard(0x580u + node, {});
    frame.dlc = 8;
    frame.data = bytes;
    return frame;
  }

 private:
  void OnFrame(const sim::CanFrame& frame) {
    if (frame.id != 0x600u + node_) return;
    if (const auto answer = script_(frame)) peer_.Send(*answer);
  }

  std::uint8_t node_;
  Script script_;
  sim::BusPeer peer_;
};

TEST_F(CanopenBench, SdoClientCopesWithEveryAnswerForm) {
  constexpr std::uint8_t kNode = 20;
  int segment = 0;
  std::uint16_t current = 0;  // the index of the transfer the segments belong to
  const auto answer = [](std::array<std::uint8_t, 8> bytes) { return ScriptedNode::Answer(kNode, bytes); };
  // 0x2000: expedited without size; 0x2001: a 10-byte object; 0x2002: a
  // segmented upload with the wrong toggle; 0x2003: the echo of another
  // sub-index; 0x2004: announces 10 bytes and sends 8; 0x2005: announces 3
  // bytes and sends 7; 0x2100: takes segmented downloads; 0x2101: confirms
  // with the wrong toggle; 0x2102: aborts a segment without giving a reason
  // (code 0).
  ScriptedNode node(bus, kNode, [&](const sim::CanFrame& request) -> std::optional<sim::CanFrame> {
    const std::uint8_t command = request.data[0];
    const std::uint16_t index = static_cast<std::uint16_t>(request.data[1] | (request.data[2] << 8));
    const std::uint8_t lo = request.data[1], hi = request.data[2], sub = request.data[3];
    if (command == 0x40 || command == 0x21) {
      segment = 0;
      current = index;
    }
    if (command == 0x40) {
      switch (index) {
        case 0x2000: return answer({0x42, lo, hi, sub, 0xA1, 0xB2, 0xC3, 0xD4});
        case 0x2001: return answer({0x41, lo, hi, sub, 10, 0, 0, 0});
        case 0x2002: return answer({0x41, lo, hi, sub, 0, 0, 0, 0});
        case 0x2003: return answer({0x4F, lo, hi, static_cast<std::uint8_t>(sub + 1), 7, 0, 0, 0});
        case 0x2004: return answer({0x41, lo, hi, sub, 10, 0, 0, 0});
        case 0x2005: return answer({0x41, lo, hi, sub, 3, 0, 0, 0});
      }
    }
    if ((command & 0xEF) == 0x60 && current == 0x2004) {
      // Seven bytes, then a last segment of one (toggle 1, n = 6).
      return segment++ == 0 ? answer({0x00, 1, 2, 3, 4, 5, 6, 7}) : answer({0x1D, 8, 0, 0, 0, 0, 0, 0});
    }
    if ((command & 0xEF) == 0x60 && current == 0x2005) return answer({0x01, 1, 2, 3, 4, 5, 6, 7});
    if ((command & 0xEF) == 0x60) return answer({0x10, 1, 2, 3, 4, 5, 6, 7});  // toggle 1 at once
    if (command == 0x21) return answer({0x60, lo, hi, sub, 0, 0, 0, 0});
    if (command < 0x20 && current == 0x2102) return answer({0x80, 0x02, 0x21, 0, 0, 0, 0, 0});
    if (command < 0x20) {
      const std::uint8_t toggle = current == 0x2101 ? 0x10 : static_cast<std::uint8_t>(command & 0x10);
      ++segment;
      return answer({static_cast<std::uint8_t>(0x20 | toggle), 0, 0, 0, 0, 0, 0, 0});
    }
    return std::nullopt;
  });
  GoOnline(kNode, kNode);

  std::uint8_t data[256] = {};
  std::uint32_t length = sizeof data;
  ASSERT_EQ(COPN(SDO_Upload)(card, kNode, 0x2000, 0, &length, data), 1);
  EXPECT_EQ(length, 4u) << "an expedited answer without size keeps its four bytes";
  EXPECT_EQ(data[0], 0xA1);
  EXPECT_EQ(data[3], 0xD4);
  length = 2;
  ASSERT_EQ(COPN(SDO_Upload)(card, kNode, 0x2000, 0, &length, data), 1);
  EXPECT_EQ(length, 2u) << "as many as the buffer holds";

  // An upload into the whole buffer.
  const auto UploadAll = [&](std::uint16_t index) {
    std::uint32_t room = sizeof data;
    return COPN(SDO_Upload)(card, kNode, index, 0, &room, data);
  };
  std::uint8_t eight[8];
  std::uint32_t eightLength = sizeof eight;
  std::uint8_t byte = 0;
  const struct {
    const char* what;
    std::function<int()> call;
    Outcome expected;
  } failures[] = {
      {"10 bytes for an 8-byte buffer", [&] { return COPN(SDO_Upload)(card, kNode, 0x2001, 0, &eightLength, eight); },
       {0, kCopnErrorBuffer}},
      {"upload segment with the wrong toggle", [&] { return COPN(SDO_Upload)(card, kNode, 0x2002, 0, &length, data); },
       {0, 0x05030000}},
      {"answer for another sub-index", [&] { return COPN(SDO_Upload_UNSIGNED8)(card, kNode, 0x2003, 0, &byte); },
       {0, kCopnErrorSubIndex}},
      {"segments shorter than announced", [&] { return UploadAll(0x2004); },
       {0, kAbortLengthTooLow}},
      {"segments longer than announced", [&] { return UploadAll(0x2005); },
       {0, kAbortLengthTooHigh}},
      {"download confirmed with the wrong toggle", [&] { return Download(kNode, 0x2101, std::vector<std::uint8_t>(14, 1)).result; },
       {0, 0x05030000}},
      {"download aborted without a reason", [&] { return Download(kNode, 0x2102, std::vector<std::uint8_t>(14, 1)).result; },
       {0, kAbortGeneralError}},
  };
  bus.Log().Clear();
  for (const auto& failure : failures) EXPECT_EQ(Attempt(failure.call), failure.expected) << failure.what;
  // The server hears why its uploads of the wrong size were refused.
  const auto requests = FramesOn(0x614);
  for (const sim::CanFrame& abort : {sim::CanFrame::Standard(0x614, {0x80, 0x04, 0x20, 0, 0x13, 0x00, 0x07, 0x06}),
                                     sim::CanFrame::Standard(0x614, {0x80, 0x05, 0x20, 0, 0x12, 0x00, 0x07, 0x06})}) {
    EXPECT_NE(std::find(requests.begin(), requests.end(), abort), requests.end()) << ::testing::PrintToString(abort);
  }

  // 14 bytes: the initiate with the size, then 7 bytes with toggle 0 and the
  // next 7 with toggle 1 and the last-segment bit.
  std::vector<std::uint8_t> fourteen(14);
  std::iota(fourteen.begin(), fourteen.end(), std::uint8_t{1});
  bus.Log().Clear();
  ASSERT_EQ(Download(kNode, 0x2100, fourteen), (Outcome{1, 0}));
  const std::vector<sim::CanFrame> expected = {
      sim::CanFrame::Standard(0x614, {0x21, 0x00, 0x21, 0x00, 14, 0, 0, 0}),
      sim::CanFrame::Standard(0x614, {0x00, 1, 2, 3, 4, 5, 6, 7}),
      sim::CanFrame::Standard(0x614, {0x11, 8, 9, 10, 11, 12, 13, 14}),
  };
  EXPECT_EQ(FramesOn(0x614), expected);
  EXPECT_EQ(segment, 2);
}

TEST_F(CanopenBench, PdoOfManyMappedObjectsStaysWithinEightBytes) {
  constexpr std::uint8_t kNode = 21;
  constexpr std::uint8_t kMapped = 12;  // twelve 8-bit objects: more than a PDO carries
  ScriptedNode node(bus, kNode, [](const sim::CanFrame& request) -> std::optional<sim::CanFrame> {
    if (request.data[0] != 0x40) return std::nullopt;
    const std::uint16_t index = static_cast<std::uint16_t>(request.data[1] | (request.data[2] << 8));
    const std::uint8_t lo = request.data[1], hi = request.data[2], sub = request.data[3];
    const auto u8 = [&](std::uint8_t value) { return ScriptedNode::Answer(kNode, {0x4F, lo, hi, sub, value}); };
    const auto u32 = [&](std::uint32_t value) {
      return ScriptedNode::Answer(kNode, {0x43, lo, hi, sub, static_cast<std::uint8_t>(value),
                                          static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value >> 16),
                                          static_cast<std::uint8_t>(value >> 24)});
    };
    if (index == 0x1800) return sub == 0 ? u8(1) : u32(0x180 + kNode);
    if (index == 0x1A00) return sub == 0 ? u8(kMapped) : u32(0x60000008u | (sub << 8));
    return std::nullopt;
  });
  GoOnline(kNode, kNode);
  ASSERT_EQ(COPN(AddPDO)(card, kNode, 0x10, 0, 0), 1);
  ASSERT_TRUE(Eventually([&] { return adapter.State().filters.count(0x180 + kNode) != 0; }));
  sim::BusPeer sender = bus.Attach("sender");
  sender.Send(sim::CanFrame::Standard(0x180 + kNode, {1, 2, 3, 4, 5, 6, 7, 8}));
  std::uint8_t length = 0;
  std::uint8_t data[8] = {};
  ASSERT_TRUE(Eventually([&] {
    std::uint32_t count = 0;
    return COPN(PDO_Read_Receive_Count)(card, kNode, 0, &count) == 1 && count == 1;
  }));
  ASSERT_EQ(COPN(COP_PDO_Read_Data)(card, kNode, 0x10, 0, &length, data), 1);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(data[7], 8);
}

TEST_F(CanopenBench, SilentSlaveMidTransferTimesOutAndTheChannelRecovers) {
  sim::CanopenSlaveConfig config = Slave(6);
  config.mode = sim::FlashMode::BootLoader;
  sim::CanopenSlave& slave = AddSlave(config);
  AddSlave(Slave(7));
  GoOnline(6, 7);
  std::vector<std::uint8_t> erase(38, 0);
  erase[0] = 0x03;
  erase[1] = 1;
  std::uint8_t buffer[256];
  std::fill(std::begin(buffer), std::end(buffer), 0xAA);
  {
    const ScopedTimeScale fast(20);  // the 1000 ms budgets
    sim::CanopenSlaveFaults faults;
    faults.sdoAnswersLeft = 2;  // the initiate and the first segment
    slave.SetFaults(faults);
    EXPECT_EQ(Download(6, 0x3600, erase), (Outcome{0, kCopnErrorDownloadTimeout}));
    // Silent from here on, also when a slow run gave up before the slave
    // had used its answers.
    faults.sdoAnswersLeft = 0;
    slave.SetFaults(faults);
    std::uint32_t value = 0;
    EXPECT_EQ(Attempt([&] { return COPN(SDO_Upload_UNSIGNED32)(card, 6, 0x1000, 0, &value); }),
              (Outcome{0, kCopnErrorSend}))
        << "an upload without answer";

    // An answer that comes after its caller gave up finds the channel idle and
    // changes nothing; the next transfer gets its own answer.
    faults = {};
    faults.answerDelay = 1500ms;
    slave.SetFaults(faults);
    std::uint32_t length = sizeof buffer;
    EXPECT_EQ(Attempt([&] { return COPN(SDO_Upload)(card, 6, 0x1008, 0, &length, buffer); }),
              (Outcome{0, kCopnErrorSend}));
    EXPECT_EQ(length, sizeof buffer);
    const auto answers = [&] { return FramesOn(0x586).size(); };
    const std::size_t before = answers();
    ASSERT_TRUE(Eventually([&] { return answers() > before; })) << "the late answer";
  }
  // Frames reach the master in bus order: once another node's answer is in,
  // so is the late one. These transfers must succeed, so they get the real
  // budget: on a loaded machine a sped-up one can run out.
  EXPECT_EQ(ReadU32(7, 0x1000, 0), 0x191u);
  slave.SetFaults({});
  EXPECT_EQ(ReadU32(6, 0x1000, 0), 0x191u);
  EXPECT_TRUE(std::all_of(std::begin(buffer), std::end(buffer), [](std::uint8_t b) { return b == 0xAA; }));
}

TEST_F(CanopenBench, NmtCommandsReachTheirNodes) {
  sim::CanopenSlave& five = AddSlave(Slave(5));
  sim::CanopenSlave& six = AddSlave(Slave(6));
  GoOnline(5, 6);
  ASSERT_EQ(COPN(NMT_StartRemoteNode)(card, 0), 1);
  EXPECT_TRUE(FrameSeen(sim::CanFrame::Standard(0x000, {0x01, 0x00})));
  EXPECT_TRUE(five.WaitForState(sim::NmtState::Operational, 5s));
  EXPECT_TRUE(six.WaitForState(sim::NmtState::Operational, 5s));
  ASSERT_EQ(COPN(NMT_StopRemoteNode)(card, 6), 1);
  EXPECT_TRUE(six.WaitForState(sim::NmtState::Stopped, 5s));
  ASSERT_EQ(COPN(NMT_EnterPreOperational)(card, 6), 1);
  EXPECT_TRUE(six.WaitForState(sim::NmtState::PreOperational, 5s));
  EXPECT_EQ(five.State(), sim::NmtState::Operational);
  EXPECT_EQ(Attempt([&] { return COPN(NMT_StartRemoteNode)(card, 128); }), (Outcome{0, kCopnErrorNodeId}));

  // The guard answer is handed to the caller with its toggle bit; it starts
  // at 0 after the reset and alternates.
  std::uint8_t state = 0;
  ASSERT_EQ(COPN(NMT_NodeGuard)(card, 6, &state), 1);
  EXPECT_EQ(state, 0x7F);
  ASSERT_EQ(COPN(NMT_NodeGuard)(card, 6, &state), 1);
  EXPECT_EQ(state, 0xFF);
  EXPECT_EQ(State(6), 0x7F) << "the stored state has no toggle bit";
  EXPECT_EQ(Attempt([&] { return COPN(NMT_NodeGuard)(card, 7, &state); }).result, 0) << "no record";

  ASSERT_EQ(COPN(Sync)(card), 1);
  EXPECT_TRUE(FrameSeen(sim::CanFrame::Standard(0x080, {})));
  const std::uint8_t time[6] = {1, 2, 3, 4, 5, 6};
  ASSERT_EQ(COPN(TimeStamp)(card, time), 1);
  EXPECT_TRUE(FrameSeen(sim::CanFrame::Standard(0x100, {1, 2, 3, 4, 5, 6})));

  std::uint8_t never = 0;
  EXPECT_EQ(COPN(GetNodeState)(card, 7, &never), 0);
  EXPECT_EQ(never, 255);
}

TEST_F(CanopenBench, GuardingLosesAndFindsNodesAgain) {
  sim::CanopenSlave& heartbeat = AddSlave(Slave(2));
  sim::CanopenSlaveConfig noHeartbeatConfig = Slave(3);
  noHeartbeatConfig.faults.absentObjects = {0x1017};
  sim::CanopenSlave& guarded = AddSlave(noHeartbeatConfig);
  GoOnline(2, 3);
  const ScopedTimeScale fast(10);

  // Both asked for: node 2 takes the heartbeat time, node 3 cannot and stays
  // guarded by remote frames.
  ASSERT_EQ(COPN(NMT_StartGuarding)(card, 0, kCopnGuardRemoteFrames | kCopnGuardHeartbeat, 500), 1);
  EXPECT_EQ(heartbeat.HeartbeatTime(), 500);
  EXPECT_EQ(guarded.HeartbeatTime(), 0);
  ASSERT_TRUE(Eventually([&] { return State(2) == 0x7F && State(3) == 0x7F; }));
  for (int sample = 0; sample < 5; ++sample) {
    platform::Sleep(300);
    EXPECT_EQ(Alive(2), 1) << sample;
    EXPECT_EQ(Alive(3), 1) << sample;
    EXPECT_EQ(State(3), 0x7F) << "toggled answers keep the state";
  }

  const auto silence = [](sim::CanopenSlave& slave, bool silent) {
    sim::CanopenSlaveFaults faults;
    faults.silent = silent;
    slave.SetFaults(faults);
  };
  const auto lost = [&](std::uint8_t node) { return Alive(node) == 0 && State(node) == 255; };
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);  // a loss is found again after the heartbeat returned
    silence(heartbeat, true);
    EXPECT_TRUE(Eventually([&] { return lost(2); }));
    silence(heartbeat, false);
    EXPECT_TRUE(Eventually([&] { return Alive(2) == 1; }));
  }
  silence(guarded, true);
  EXPECT_TRUE(Eventually([&] { return lost(3); }));
  EXPECT_EQ(Alive(2), 1);

  ASSERT_EQ(COPN(NMT_StopGuarding)(card, 0), 1);
  silence(heartbeat, true);
  platform::Sleep(1000);
  EXPECT_EQ(Alive(2), 1) << "no supervision after StopGuarding";
}

// The supervision's threads sleep between their due times: the remote frames,
// the cyclic PDOs and the verdicts on lost nodes must still come on time,
// with nothing else on the bus to wake them.
TEST_F(CanopenBench, SupervisionKeepsItsTimesOnAnOtherwiseIdleBus) {
  constexpr std::uint16_t kGuardMs = 300;
  constexpr std::uint16_t kPdoPeriodMs = 100;
  // Scheduling on a busy machine: how late a thread may run, and how much a
  // frame's way to the bus may differ from the last one's.
  constexpr std::uint64_t kLateUs = 150'000;
  constexpr std::uint64_t kJitterUs = 50'000;
  sim::CanopenSlave& heartbeat = AddSlave(Slave(2));
  sim::CanopenSlaveConfig noHeartbeatConfig = Slave(3);
  noHeartbeatConfig.faults.absentObjects = {0x1017};
  sim::CanopenSlave& guarded = AddSlave(noHeartbeatConfig);
  sim::CanopenSlave& cyclic = AddSlave(Slave(5));
  GoOnline(2, 5);
  ASSERT_EQ(COPN(NMT_StartGuarding)(card, 2, kCopnGuardHeartbeat, kGuardMs), 1);
  ASSERT_EQ(COPN(NMT_StartGuarding)(card, 3, kCopnGuardRemoteFrames, kGuardMs), 1);
  ASSERT_EQ(COPN(NMT_StartRemoteNode)(card, 5), 1);
  ASSERT_TRUE(cyclic.WaitForState(sim::NmtState::Operational, 5s));
  ASSERT_EQ(COPN(AddPDO)(card, 5, 0x23, 1, kPdoPeriodMs), 1);
  ASSERT_TRUE(Eventually([&] { return Alive(2) == 1 && Alive(3) == 1; }));
  bus.Log().Clear();
  platform::Sleep(2000);

  // The frame times on an identifier, in process time.
  const auto times = [&](std::uint32_t id, bool remote) {
    std::vector<std::uint64_t> found;
    for (const sim::LogEntry& entry : bus.Log().Entries()) {
      if (entry.carried.frame.id == id && entry.carried.frame.remote == remote) found.push_back(entry.carried.timeUs);
    }
    return found;
  };
  // A frame held up on its way to the bus shortens the next gap as much as it
  // lengthens its own: the mean gap shows the period, the longest one a
  // thread that overslept.
  const auto expectPeriod = [&](const std::vector<std::uint64_t>& sent, std::uint64_t periodMs, const char* what) {
    ASSERT_GE(sent.size(), 4u) << what;
    std::uint64_t longest = 0;
    for (std::size_t i = 1; i < sent.size(); ++i) longest = std::max(longest, sent[i] - sent[i - 1]);
    const std::uint64_t meanGap = (sent.back() - sent.front()) / (sent.size() - 1);
    EXPECT_GE(meanGap + kJitterUs, periodMs * 1000) << what;
    EXPECT_LE(meanGap, periodMs * 1000 + kJitterUs) << what;
    EXPECT_LE(longest, periodMs * 1000 + kLateUs) << what;
  };
  expectPeriod(times(0x703, true), kGuardMs, "remote frames");
  expectPeriod(times(0x305, false), kPdoPeriodMs, "cyclic RPDO");

  // A lost node is found twice the guard time after its last sign of life
  // (a heartbeat), or after the remote frame it did not answer.
  const auto lossAfter = [&](sim::CanopenSlave& slave, std::uint8_t node, std::uint32_t id, bool remote) {
    sim::CanopenSlaveFaults faults;
    faults.silent = true;
    slave.SetFaults(faults);
    EXPECT_TRUE(Eventually([&] { return Alive(node) == 0; }));
    const std::uint64_t found = platform::NowMicroseconds();
    const std::vector<std::uint64_t> last = times(id, remote);
    return last.empty() ? std::uint64_t{0} : found - last.back();
  };
  for (auto [slave, node, id, remote] : {std::tuple{&heartbeat, 2, 0x702u, false}, std::tuple{&guarded, 3, 0x703u, true}}) {
    SCOPED_TRACE(node);
    const std::uint64_t late = lossAfter(*slave, static_cast<std::uint8_t>(node), id, remote);
    EXPECT_GE(late + kJitterUs, 2u * kGuardMs * 1000);
    EXPECT_LE(late, 2u * kGuardMs * 1000 + kLateUs);
  }
}

TEST_F(CanopenBench, EmergenciesQueueUpToTheRingSize) {
  sim::CanopenSlave& slave = AddSlave(Slave(8));
  GoOnline(8, 8);
  std::uint8_t node = 0;
  EmcyRecord record{};
  EXPECT_EQ(COPN(CheckEmergency)(card, &node, &record), 0);
  for (std::uint16_t i = 0; i < 251; ++i) {
    ASSERT_TRUE(slave.SendEmergency(static_cast<std::uint16_t>(0x1000 + i), 0x01,
                                    {1, 2, 3, 4, static_cast<std::uint8_t>(i)}));
  }
  EXPECT_EQ(ReadU32(8, 0x1000, 0), 0x191u) << "an answer sent after the emergencies";
  for (std::uint16_t i = 1; i < 251; ++i) {
    ASSERT_EQ(COPN(CheckEmergency)(card, &node, &record), 1) << i;
    EXPECT_EQ(node, 8);
    EXPECT_EQ(record.ErrorCode, 0x1000 + i);
    const std::uint8_t data[6] = {0x01, 1, 2, 3, 4, static_cast<std::uint8_t>(i)};
    EXPECT_TRUE(std::equal(std::begin(data), std::end(data), record.Data)) << i;
  }
  EXPECT_EQ(COPN(CheckEmergency)(card, &node, &record), 0);
}

TEST_F(CanopenBench, PdosAreConfiguredFromTheNodeAndExchanged) {
  sim::CanopenSlave& slave = AddSlave(Slave(5));
  GoOnline(5, 5);
  ASSERT_EQ(COPN(NMT_StartRemoteNode)(card, 5), 1);
  ASSERT_TRUE(slave.WaitForState(sim::NmtState::Operational, 5s));
  slave.SetProcessValue(0x6000, 1, 0x11);
  slave.SetProcessValue(0x6000, 2, 0x22);
  slave.SetProcessValue(0x6401, 1, 0x3344);
  slave.SetProcessValue(0x6401, 2, 0x5566);

  std::uint8_t length = 0;
  std::uint8_t data[8] = {};
  EXPECT_EQ(COPN(PDO_Read)(card, 5, 0, &length, data), 0) << "not registered";
  EXPECT_TRUE(FramesOn(0x185).empty()) << "and nothing sent";

  ASSERT_EQ(COPN(AddPDO)(card, 5, 0x10, 0, 0), 1);
  ASSERT_EQ(COPN(AddPDO)(card, 5, 0x10, 1, 0), 1);
  ASSERT_EQ(COPN(PDO_Read)(card, 5, 0, &length, data), 1);
  EXPECT_EQ(length, 2);
  EXPECT_EQ(data[0], 0x11);
  EXPECT_EQ(data[1], 0x22);
  ASSERT_EQ(COPN(PDO_Read)(card, 5, 1, &length, data), 1);
  EXPECT_EQ(length, 4) << "two 16-bit objects";
  EXPECT_EQ(data[0] | (data[1] << 8), 0x3344);
  std::uint32_t count = 0;
  ASSERT_EQ(COPN(PDO_Read_Receive_Count)(card, 5, 1, &count), 1);
  EXPECT_EQ(count, 1u);

  const std::uint8_t outputs[2] = {0x33, 0x44};
  ASSERT_EQ(COPN(PDO_Write)(card, 5, 0, 2, outputs), 1);
  EXPECT_TRUE(Eventually([&] { return slave.ProcessValue(0x6200, 2) == 0x44; }));
  EXPECT_EQ(COPN(PDO_Write)(card, 5, 4, 2, outputs), 0) << "PDO numbers go to 3";

  // A cyclic RPDO carries whatever its data were last set to.
  ASSERT_EQ(COPN(AddPDO)(card, 5, 0x23, 1, 50), 1);
  const std::uint8_t analog[4] = {0x34, 0x12, 0x78, 0x56};
  EXPECT_EQ(COPN(COP_PDO_Write_Data)(card, 5, 0x23, 1, 2, analog), 0) << "length differs from the mapping";
  ASSERT_EQ(COPN(COP_PDO_Write_Data)(card, 5, 0x23, 1, 4, analog), 1);
  EXPECT_TRUE(Eventually([&] {
    return slave.ProcessValue(0x6411, 1) == 0x1234 && slave.ProcessValue(0x6411, 2) == 0x5678;
  }));
  EXPECT_TRUE(Eventually([&] { return FramesOn(0x305).size() >= 3; })) << "sent every period";
  EXPECT_EQ(COPN(COP_PDO_Write_Data)(card, 6, 0x23, 1, 4, analog), 0) << "no such node";
  EXPECT_EQ(COPN(AddPDO)(card, 5, 0x11, 0, 0), 0) << "kind not offered";
}

TEST_F(CanopenBench, RemovedNodeLeavesNoFilterBehind) {
  AddSlave(Slave(5));
  GoOnline(5, 5);
  const auto filtered = [&](std::initializer_list<std::uint32_t> ids) {
    const auto filters = adapter.State().filters;
    return std::all_of(ids.begin(), ids.end(), [&](std::uint32_t id) { return filters.count(id) != 0; });
  };
  EXPECT_TRUE(filtered({0x585, 0x85, 0x705}));
  // The front-end does not offer RemoveNode; the master's own export does.
  const BoundLibrary cocn("VRK_COCN.dll");
  ASSERT_EQ(COCN(RemoveNode)(card, 5), 1);
  EXPECT_TRUE(Eventually([&] {
    const auto filters = adapter.State().filters;
    return filters.count(0x585) == 0 && filters.count(0x85) == 0 && filters.count(0x705) == 0;
  }));
  std::int32_t alive = -1;
  EXPECT_EQ(COPN(GetNodeOnline)(card, 5, &alive), 1);
  EXPECT_EQ(alive, 0);

  ASSERT_EQ(COPN(AddNode)(card, 5), 1);
  EXPECT_EQ(COPN(NodeOnline)(card, 5), 1) << "the node is served again";
  EXPECT_EQ(Attempt([&] { return COPN(AddNode)(card, 0); }), (Outcome{0, kCopnErrorNodeId}));
  EXPECT_EQ(Attempt([&] { return COPN(AddNode)(card, 128); }), (Outcome{0, kCopnErrorNodeId}));
}

TEST_F(CanopenBench, VersionsAndSettingsWalkDownTheStack) {
  GoOnline(1, 1);
  const struct {
    std::int32_t level;
    const char* name;
  } levels[] = {{0, "VRK_COPN"}, {1, "VRK_COCN"}, {2, "VRK_CAN"}, {3, "QX240"}};
  for (const auto& level : levels) {
    char name[32] = {};
    EXPECT_EQ(COPN(DLL_Name)(card, level.level, name), 1) << level.level;
    EXPECT_STREQ(name, level.name);
  }
  std::int32_t major = 0, minor = 0;
  ASSERT_EQ(COPN(DLL_Version)(card, 0, &major, &minor), 1);
  EXPECT_EQ(major * 10 + minor, 14);
  ASSERT_EQ(COPN(DLL_Version)(card, 1, &major, &minor), 1);
  EXPECT_EQ(major * 10 + minor, 15);
  std::int32_t rate = 0;
  ASSERT_EQ(COPN(GetBaud)(card, &rate), 1);
  EXPECT_EQ(rate, 500000);
  std::int32_t online = 0;
  ASSERT_EQ(COPN(GetOnline)(card, &online), 1);
  EXPECT_EQ(online, 1);
  EXPECT_EQ(COPN(SetNodeID)(card, 200), 0);
  std::uint8_t own = 0;
  ASSERT_EQ(COPN(GetNodeID)(card, &own), 1);
  EXPECT_EQ(own, 1) << "the refused id is not kept";
}

}  // namespace
