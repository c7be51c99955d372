#include "drivers/serialframe.h"

#include <gtest/gtest.h>

#include <vector>

#include "drivers/framering.h"

namespace drivers {
namespace {

TEST(SerialFrame, HostFrameCarriesIdLengthDataAndChecksum) {
  const std::uint8_t data[] = {0x11, 0x22, 0x33};
  const HostFrame frame = EncodeHostFrame(0x123, 0, 3, data);
  const HostFrame expected = {0x02, 0x23, 0x01, 0x00, 0x00, 0x00, 0x03, 0x11,
                              0x22, 0x33, 0x00, 0x00, 0x00, 0x00, 0x00, 0x73};
  EXPECT_EQ(frame, expected);
}

std::vector<std::uint8_t> DeviceFrameBytes(std::uint32_t id, std::uint8_t length, int mode) {
  std::vector<std::uint8_t> bytes = {0x02, std::uint8_t(id), std::uint8_t(id >> 8),
                                     std::uint8_t(id >> 16), std::uint8_t(id >> 24), 0, length};
  for (int i = 0; i < 8; ++i) bytes.push_back(std::uint8_t(0xA0 + i));
  for (std::size_t i = 0; i < DeviceFrameSize(mode) - 16; ++i) bytes.push_back(std::uint8_t(i + 1));
  bytes.push_back(FrameChecksum(std::span(bytes).subspan(1)));
  return bytes;
}

struct ParseResult {
  int synchronised = 0;
  int badChecksums = 0;
  std::vector<DeviceFrame> frames;
};

ParseResult Feed(DeviceFrameParser& parser, const std::vector<std::uint8_t>& bytes) {
  ParseResult result;
  DeviceFrame frame;
  for (std::uint8_t b : bytes) {
    switch (parser.Feed(b, &frame)) {
      case DeviceFrameParser::Event::kSynchronised: ++result.synchronised; break;
      case DeviceFrameParser::Event::kFrame: result.frames.push_back(frame); break;
      case DeviceFrameParser::Event::kBadChecksum: ++result.badChecksums; break;
      case DeviceFrameParser::Event::kNone: break;
    }
  }
  return result;
}

TEST(SerialFrame, SynchronisationNeedsDleThenNak) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    int synchronised;
  };
  const Case cases[] = {
      {{0x10, 0x15}, 1},
      {{0x55, 0x02, 0x10, 0x15}, 1},  // noise before the answer is ignored
      {{0x10, 0x10, 0x15}, 0},        // a second DLE restarts the search
      {{0x10, 0x0A, 0x15}, 0},
  };
  for (const Case& c : cases) {
    DeviceFrameParser parser;
    EXPECT_EQ(Feed(parser, c.bytes).synchronised, c.synchronised);
  }
}

TEST(SerialFrame, ParserDropsBadChecksumAndResumesAtNextStart) {
  DeviceFrameParser parser;
  Feed(parser, {0x10, 0x15});
  std::vector<std::uint8_t> bad = DeviceFrameBytes(0x100, 2, 0);
  bad.back() ^= 0xFF;
  std::vector<std::uint8_t> stream = bad;
  const auto good = DeviceFrameBytes(0x200, 3, 0);
  stream.insert(stream.end(), good.begin(), good.end());
  const ParseResult result = Feed(parser, stream);
  EXPECT_EQ(result.badChecksums, 1);
  ASSERT_EQ(result.frames.size(), 1u);
  EXPECT_EQ(result.frames[0].id, 0x200u);
  EXPECT_EQ(result.frames[0].length, 3);
}

TEST(SerialFrame, FrameLengthFollowsTimeStampMode) {
  for (int mode : {0, 1, 2}) {
    DeviceFrameParser parser;
    Feed(parser, {0x10, 0x15});
    parser.SetTimeStampMode(mode);
    const ParseResult result = Feed(parser, DeviceFrameBytes(0x7FF, 8, mode));
    ASSERT_EQ(result.frames.size(), 1u) << "mode " << mode;
    const DeviceFrame& frame = result.frames[0];
    EXPECT_EQ(frame.stamped, mode != 0);
    EXPECT_EQ(frame.stampLow, mode == 0 ? 0u : 0x04030201u);
    EXPECT_EQ(frame.stampHigh, mode == 2 ? 0x08070605u : 0u);
  }
}

TEST(FrameRing, FullRingDropsOldestAndKeepsOrder) {
  FrameRing<int, 4> ring;
  for (int i = 1; i <= 6; ++i) ring.Push(i);
  EXPECT_EQ(ring.Size(), 4u);
  std::vector<int> out;
  for (int v; ring.Pop(&v);) out.push_back(v);
  EXPECT_EQ(out, (std::vector<int>{3, 4, 5, 6}));
  EXPECT_TRUE(ring.Empty());
}

}  // namespace
}  // namespace drivers
