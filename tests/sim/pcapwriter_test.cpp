#include "sim/pcapwriter.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sim/canbus.h"

namespace sim {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Little32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (std::uint32_t{bytes[at + 3]} << 24);
}

class PcapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = std::filesystem::temp_directory_path() /
            ("sim_capture_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".pcap");
  }
  void TearDown() override { std::filesystem::remove(path_); }

  // Carries the frames over a bus with a capture running; drops frames with
  // identifier 0x666 and corrupts bit 0 of frames with identifier 0x777.
  void Capture(const std::vector<CanFrame>& frames) {
    CanBus bus;
    ASSERT_TRUE(bus.StartCapture(path_.string())) << bus.CaptureError();
    bus.AddFault(Fault::Drop(WithId(0x666)));
    bus.AddFault(Fault::Corrupt(WithId(0x777), 0));
    BusPeer sender = bus.Attach("sender");
    for (const CanFrame& frame : frames) sender.Send(frame);
    ASSERT_TRUE(bus.WaitIdle(10s));
    bus.StopCapture();
    EXPECT_EQ(bus.CaptureError(), "");
  }

  std::filesystem::path path_;
};

const std::vector<CanFrame> kTraffic = {
    CanFrame::Standard(0x123, {0x01, 0x02, 0x03}),
    CanFrame::Standard(0x666, {0xDE, 0xAD}),  // dropped: never on the bus
    CanFrame::Extended(0x1ABCDEF0, {0xAA, 0x55}),
    CanFrame::Remote(0x701, 1),
    CanFrame::Standard(0x777, {0x10}),  // carried as 0x11
};

TEST_F(PcapTest, RecordsAreSocketCanFramesOfWhatTheBusCarried) {
  Capture(kTraffic);
  const std::vector<std::uint8_t> bytes = ReadFile(path_);
  ASSERT_EQ(bytes.size(), kPcapFileHeaderSize + 4 * (kPcapRecordHeaderSize + kSocketCanFrameSize));
  EXPECT_EQ(Little32(bytes, 0), 0xA1B2C3D4u);
  EXPECT_EQ(Little32(bytes, 20), kLinkTypeCanSocketCan);

  const std::array<std::array<std::uint8_t, 16>, 4> expected = {{
      {0x00, 0x00, 0x01, 0x23, 3, 0, 0, 0, 0x01, 0x02, 0x03, 0, 0, 0, 0, 0},
      {0x9A, 0xBC, 0xDE, 0xF0, 2, 0, 0, 0, 0xAA, 0x55, 0, 0, 0, 0, 0, 0},
      {0x40, 0x00, 0x07, 0x01, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {0x00, 0x00, 0x07, 0x77, 1, 0, 0, 0, 0x11, 0, 0, 0, 0, 0, 0, 0},
  }};
  std::uint64_t previousUs = 0;
  for (std::size_t index = 0; index < expected.size(); ++index) {
    SCOPED_TRACE(index);
    const std::size_t record = kPcapFileHeaderSize + index * (kPcapRecordHeaderSize + kSocketCanFrameSize);
    EXPECT_EQ(Little32(bytes, record + 8), 16u);
    EXPECT_EQ(Little32(bytes, record + 12), 16u);
    const std::uint64_t timeUs =
        std::uint64_t{Little32(bytes, record)} * 1'000'000 + Little32(bytes, record + 4);
    EXPECT_GT(timeUs, 1'600'000'000'000'000u) << "stamped with the wall clock date";
    EXPECT_GE(timeUs, previousUs);
    previousUs = timeUs;
    const std::vector<std::uint8_t> frame(
        bytes.begin() + static_cast<std::ptrdiff_t>(record + kPcapRecordHeaderSize),
        bytes.begin() + static_cast<std::ptrdiff_t>(record + 32));
    EXPECT_EQ(frame, std::vector<std::uint8_t>(expected[index].begin(), expected[index].end()));
  }
}

TEST_F(PcapTest, StandardReaderDecodesTheCapture) {
  if (std::system("command -v tshark >/dev/null 2>&1") != 0) GTEST_SKIP() << "tshark is not installed";
  Capture(kTraffic);
  const std::string command = "tshark -r '" + path_.string() +
                              "' -T fields -E separator=, -e can.id -e can.flags.xtd -e can.flags.rtr"
                              " -e can.len -e data.data 2>/dev/null";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  ASSERT_EQ(::pclose(pipe), 0) << output;
  // Identifiers in decimal; a remote frame carries no data (its spare byte
  // shows as zero).
  EXPECT_EQ(output,
            "291,0,0,3,010203\n"
            "448585456,1,0,2,aa55\n"
            "1793,0,1,1,00\n"
            "1911,0,0,1,11\n");
}

TEST_F(PcapTest, UnwritablePathIsReportedNotIgnored) {
  CanBus bus;
  EXPECT_FALSE(bus.StartCapture("/nonexistent-directory/capture.pcap"));
  EXPECT_NE(bus.CaptureError().find("/nonexistent-directory/capture.pcap"), std::string::npos);
  PcapWriter writer;
  EXPECT_FALSE(writer.Write(CanFrame::Standard(0x1, {}), 0));
}

}  // namespace
}  // namespace sim
