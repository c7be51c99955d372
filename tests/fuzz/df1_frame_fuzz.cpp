// The DF1 byte stream from a 1770-KFD module: whatever arrives, the parser
// hands out only messages with a header and at most a CAN frame's data, and
// a message the host encodes comes back out of a fresh parser exactly as it
// went in, complete at its last byte and at no earlier one.
//
// Input: the transaction number and identifier (two bytes each, little
// endian), a data length (taken modulo 9) and the data for the round trip;
// the rest is the stream.
#include <algorithm>
#include <cstdint>
#include <span>

#include "drivers/df1frame.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

using drivers::df1::Parser;

constexpr std::size_t kRoundTripHeader = 5;

void FollowStream(std::span<const std::uint8_t> stream) {
  Parser parser;
  for (std::uint8_t byte : stream) {
    if (parser.Feed(byte) == Parser::Event::kMessage) {
      FUZZ_CHECK(parser.message().length <= drivers::df1::kMaxCanData);
    }
  }
}

void RoundTrip(std::uint16_t tns, std::uint16_t id, std::span<const std::uint8_t> data) {
  const std::vector<std::uint8_t> encoded = drivers::df1::EncodeMessage(tns, id, data);
  Parser parser;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const Parser::Event event = parser.Feed(encoded[i]);
    if (i + 1 < encoded.size()) {
      FUZZ_CHECK(event == Parser::Event::kNone);
      continue;
    }
    FUZZ_CHECK(event == Parser::Event::kMessage);
  }
  const drivers::df1::Message& message = parser.message();
  FUZZ_CHECK(message.tns == tns && message.id == id);
  FUZZ_CHECK(message.length == data.size());
  FUZZ_CHECK(std::equal(data.begin(), data.end(), message.data.begin()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kRoundTripHeader) return 0;
  const auto tns = static_cast<std::uint16_t>(data[0] | data[1] << 8);
  const auto id = static_cast<std::uint16_t>(data[2] | data[3] << 8);
  const std::size_t length = std::min<std::size_t>(data[4] % 9, size - kRoundTripHeader);
  RoundTrip(tns, id, std::span(data + kRoundTripHeader, length));
  FollowStream(std::span(data + kRoundTripHeader + length, size - kRoundTripHeader - length));
  return 0;
}
