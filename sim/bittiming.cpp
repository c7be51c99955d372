#include "sim/bittiming.h"

namespace sim {
namespace {

// Recessive (1) and dominant (0) levels of the fixed-form bits.
constexpr bool kRecessive = true;
constexpr bool kDominant = false;

// Bits after the stuffed region: CRC delimiter, ACK slot, ACK delimiter,
// seven bits of end of frame, three of interframe space.
constexpr unsigned kUnstuffedTrailerBits = 1 + 2 + 7 + 3;

void AppendField(BitString& bits, std::uint32_t value, unsigned width) {
  for (unsigned bit = width; bit-- > 0;) bits.push_back(((value >> bit) & 1U) != 0);
}

}  // namespace

std::uint16_t Crc15(const BitString& bits) {
  std::uint16_t crc = 0;
  for (bool bit : bits) {
    const bool feedback = bit != (((crc >> 14) & 1U) != 0);
    crc = static_cast<std::uint16_t>((crc << 1) & 0x7FFF);
    if (feedback) crc ^= 0x4599;
  }
  return crc;
}

BitString StuffedRegion(const CanFrame& frame) {
  BitString bits;
  bits.push_back(kDominant);  // start of frame
  if (frame.extended) {
    AppendField(bits, frame.id >> 18, 11);
    bits.push_back(kRecessive);  // substitute remote request
    bits.push_back(kRecessive);  // identifier extension
    AppendField(bits, frame.id & 0x3FFFF, 18);
    bits.push_back(frame.remote ? kRecessive : kDominant);
    bits.push_back(kDominant);  // r1
    bits.push_back(kDominant);  // r0
  } else {
    AppendField(bits, frame.id, 11);
    bits.push_back(frame.remote ? kRecessive : kDominant);
    bits.push_back(kDominant);  // identifier extension: standard format
    bits.push_back(kDominant);  // r0
  }
  AppendField(bits, frame.dlc, 4);
  for (std::uint8_t byte : frame.Payload()) AppendField(bits, byte, 8);
  AppendField(bits, Crc15(bits), 15);
  return bits;
}

unsigned CountStuffBits(const BitString& bits) {
  unsigned stuffBits = 0;
  unsigned run = 0;
  bool level = kRecessive;  // the idle bus before start of frame
  for (bool bit : bits) {
    run = (bit == level) ? run + 1 : 1;
    level = bit;
    if (run == 5) {
      ++stuffBits;
      level = !level;  // the stuff bit, which starts a run of its own
      run = 1;
    }
  }
  return stuffBits;
}

unsigned FrameBitCount(const CanFrame& frame) {
  const BitString region = StuffedRegion(frame);
  return static_cast<unsigned>(region.size()) + CountStuffBits(region) + kUnstuffedTrailerBits;
}

std::chrono::nanoseconds FrameDuration(const CanFrame& frame, std::uint32_t bitRate) {
  const std::uint64_t bits = FrameBitCount(frame);
  // Rounded up: the bus is never faster than a real one.
  return std::chrono::nanoseconds((bits * 1'000'000'000ULL + bitRate - 1) / bitRate);
}

}  // namespace sim
