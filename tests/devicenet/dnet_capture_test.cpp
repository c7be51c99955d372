// The master's traffic, captured by the bench in pcap form, decodes as
// DeviceNet in a standard dissector without a malformed frame.
#include <cstdio>
#include <sstream>
#include <string>

#include "tests/devicenet/dnetbench.h"
#include "tests/support/scratch.h"

namespace dnettest {
namespace {

constexpr std::int32_t kNode = 12;

// Runs a command and returns what it printed; empty when it could not run.
std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) text.append(buffer, n);
    pclose(pipe);
  }
  return text;
}

using CaptureTest = DnetBench;

TEST_F(CaptureTest, TheMastersTrafficDecodesAsDeviceNet) {
  if (Output("command -v tshark").empty()) GTEST_SKIP() << "tshark is not installed";
  const benchtest::TempDir folder;  // of its own: other runs of the suite may capture at the same time
  const std::string path = folder.File("devicenet_capture.pcap");
  ASSERT_TRUE(bus.StartCapture(path)) << bus.CaptureError();
  sim::DeviceNetSlaveConfig config = Slave(kNode);
  config.mode = sim::FlashMode::BootLoader;
  AddSlave(config);
  Open();
  ASSERT_EQ(DNET(SetOnline)(card, 1), 1);
  ASSERT_EQ(DNET(StartScan)(card), 1);
  const DnetScanlistEntry entry = DownloaderEntry();
  ASSERT_EQ(DNET(AddToScanlist)(card, kNode, 1, &entry), 1);
  ASSERT_TRUE(WaitForNode(kNode));
  std::uint8_t name[256];
  std::uint16_t length = sizeof name;
  ASSERT_EQ(DNET(GetAttribute)(card, kNode, 1, 1, 7, &length, name), 1);  // a fragmented response
  const std::uint8_t erase[2] = {0x03, 1};
  ASSERT_EQ(DNET(SetAttribute)(card, kNode, kFirmwareClass, 1, 3, 2, erase), 1);
  std::uint8_t write[38] = {0x02, 1, 0, 0, 0, 32};
  ASSERT_EQ(DNET(SetAttribute)(card, kNode, kFirmwareClass, 1, 3, sizeof write, write), 1);  // a fragmented request
  ASSERT_TRUE(bus.WaitIdle(10'000ms));
  bus.StopCapture();

  // One line per frame: its protocol stack, then a mark if it is malformed.
  const std::string decoded = Output("tshark -r '" + path +
                                     "' -d can.subdissector,devicenet -T fields -e frame.protocols -e _ws.malformed"
                                     " 2>/dev/null");
  std::istringstream lines(decoded);
  std::size_t frames = 0;
  for (std::string line; std::getline(lines, line); ++frames) {
    EXPECT_NE(line.find(":devicenet"), std::string::npos) << "frame " << frames + 1 << ": " << line;
    EXPECT_EQ(line.find("malformed"), std::string::npos) << "frame " << frames + 1 << ": " << line;
  }
  EXPECT_GT(frames, 20u);
}

}  // namespace
}  // namespace dnettest
