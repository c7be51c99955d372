// Frame bit lengths against an independent model: the frame spelled out as a
// string of '0'/'1', its CRC found by polynomial long division, and stuff
// bits inserted literally into the stream.
#include "sim/bittiming.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace sim {
namespace {

std::string Field(std::uint32_t value, int width) {
  std::string bits;
  for (int bit = width - 1; bit >= 0; --bit) bits += ((value >> bit) & 1U) ? '1' : '0';
  return bits;
}

// Remainder of message * x^15 divided by x^15 + x^14 + x^10 + x^8 + x^7 + x^4 + x^3 + 1.
std::string CrcByDivision(std::string message) {
  const std::string divisor = "1100010110011001";
  message += std::string(15, '0');
  for (std::size_t index = 0; index + 15 < message.size(); ++index) {
    if (message[index] != '1') continue;
    for (std::size_t bit = 0; bit < divisor.size(); ++bit) {
      message[index + bit] = message[index + bit] == divisor[bit] ? '0' : '1';
    }
  }
  return message.substr(message.size() - 15);
}

std::string SpelledOut(const CanFrame& frame) {
  const std::string rtr = frame.remote ? "1" : "0";
  std::string bits = "0";
  bits += frame.extended ? Field(frame.id >> 18, 11) + "11" + Field(frame.id & 0x3FFFF, 18) + rtr + "00"
                         : Field(frame.id, 11) + rtr + "00";
  bits += Field(frame.dlc, 4);
  for (std::uint8_t byte : frame.Payload()) bits += Field(byte, 8);
  return bits + CrcByDivision(bits);
}

// Inserts the complement after every five equal bits of the stuffed stream.
std::string Stuffed(const std::string& bits) {
  std::string out;
  for (char bit : bits) {
    out += bit;
    if (out.size() >= 5 && out.substr(out.size() - 5) == std::string(5, bit)) out += bit == '0' ? '1' : '0';
  }
  return out;
}

unsigned IndependentBitCount(const CanFrame& frame) {
  constexpr unsigned kTrailer = 1 + 2 + 7 + 3;  // CRC delimiter, ACK, end of frame, interframe space
  return static_cast<unsigned>(Stuffed(SpelledOut(frame)).size()) + kTrailer;
}

TEST(BitTiming, Crc15MatchesTheStandardCheckValue) {
  BitString bits;
  for (char c : std::string("123456789")) {
    for (int bit = 7; bit >= 0; --bit) bits.push_back(((static_cast<unsigned>(c) >> bit) & 1U) != 0);
  }
  EXPECT_EQ(Crc15(bits), 0x059E);
}

TEST(BitTiming, FrameBitCountsMatchTheSpelledOutFrames) {
  const CanFrame frames[] = {
      CanFrame::Standard(0x000, {}),
      CanFrame::Standard(0x7FF, {}),
      CanFrame::Standard(0x123, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08}),
      CanFrame::Standard(0x000, {0, 0, 0, 0, 0, 0, 0, 0}),
      CanFrame::Standard(0x7FF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
      CanFrame::Standard(0x555, {0xAA, 0x55}),
      CanFrame::Standard(0x60A, {0x40, 0x00, 0x10, 0x00}),
      // Start of frame and four zeros take a stuff bit that opens a run of
      // five ones with the next four identifier bits.
      CanFrame::Standard(0x078, {0x0F, 0x83}),
      CanFrame::Remote(0x701, 1),
      CanFrame::Extended(0x00000000, {}),
      CanFrame::Extended(0x1FFFFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
      CanFrame::Extended(0x0C000001, {0x00, 0x0F, 0xF0}),
      CanFrame::Remote(0x00ABCDEF, 8, true),
  };
  for (const CanFrame& frame : frames) {
    SCOPED_TRACE(ToString(frame));
    const unsigned unstuffed = (frame.extended ? 67 : 47) + 8 * static_cast<unsigned>(frame.Payload().size());
    EXPECT_EQ(FrameBitCount(frame), IndependentBitCount(frame));
    EXPECT_GE(FrameBitCount(frame), unstuffed);
  }
}

TEST(BitTiming, ManyRandomFramesMatchTheSpelledOutFrames) {
  std::mt19937 random(20240611);
  for (int count = 0; count < 2000; ++count) {
    CanFrame frame;
    frame.extended = (random() & 1U) != 0;
    frame.remote = random() % 8 == 0;
    frame.id = static_cast<std::uint32_t>(random()) &
               (frame.extended ? CanFrame::kMaxExtendedId : CanFrame::kMaxStandardId);
    frame.dlc = static_cast<std::uint8_t>(random() % 9);
    // Sparse bits make long runs, and so stuff bits, likely.
    for (std::uint8_t& byte : frame.data) byte = static_cast<std::uint8_t>(random() & random() & random());
    ASSERT_EQ(FrameBitCount(frame), IndependentBitCount(frame)) << ToString(frame);
  }
}

// Hand-checked: 34 dominant bits (start of frame to CRC, the CRC of zeros
// being zero) take a stuff bit after every fifth, six in all: 34 + 6 + 13.
TEST(BitTiming, AllDominantFrameHasSixStuffBits) {
  const CanFrame frame = CanFrame::Standard(0x000, {});
  EXPECT_EQ(CountStuffBits(StuffedRegion(frame)), 6u);
  EXPECT_EQ(FrameBitCount(frame), 53u);
}

TEST(BitTiming, RemoteFrameCarriesNoDataBits) {
  EXPECT_EQ(FrameBitCount(CanFrame::Remote(0x123, 8)), IndependentBitCount(CanFrame::Remote(0x123, 8)));
  EXPECT_LT(FrameBitCount(CanFrame::Remote(0x123, 8)), 47u + 8u * 8u);
}

TEST(BitTiming, DurationFollowsTheBitRate) {
  const CanFrame frame = CanFrame::Standard(0x000, {});  // 53 bits
  EXPECT_EQ(FrameDuration(frame, 125'000), std::chrono::microseconds(53 * 8));
  EXPECT_EQ(FrameDuration(frame, 1'000'000), std::chrono::microseconds(53));
  // 53 bits at 800 kbit/s are 66.25 us.
  EXPECT_EQ(FrameDuration(frame, 800'000), std::chrono::nanoseconds(66'250));
}

}  // namespace
}  // namespace sim
