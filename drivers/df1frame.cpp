#include "drivers/df1frame.h"

#include <algorithm>

namespace drivers::df1 {
namespace {

constexpr std::uint8_t kHostCommand = 0x0C;

void AppendStuffed(std::vector<std::uint8_t>& out, std::uint8_t byte) {
  out.push_back(byte);
  if (byte == kDle) out.push_back(kDle);
}

}  // namespace

std::uint8_t BlockCheck(std::span<const std::uint8_t> bytes) {
  std::uint8_t sum = 0;
  for (std::uint8_t byte : bytes) sum = std::uint8_t(sum + byte);
  return std::uint8_t(-sum);
}

std::vector<std::uint8_t> EncodeMessage(std::uint16_t tns, std::uint16_t id,
                                        std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> body = {0, 0, kHostCommand, 0, std::uint8_t(tns), std::uint8_t(tns >> 8),
                                    std::uint8_t(id), std::uint8_t(id >> 8)};
  body.insert(body.end(), data.begin(), data.end());
  std::vector<std::uint8_t> out = {kDle, kStx};
  for (std::uint8_t byte : body) AppendStuffed(out, byte);
  out.insert(out.end(), {kDle, kEtx, BlockCheck(body)});
  return out;
}

Parser::Event Parser::ControlSymbol(std::uint8_t byte) {
  switch (byte) {
    case kAck: return Event::kAck;
    case kNak: return Event::kNak;
    case kEnq: return Event::kEnq;
    default: return Event::kNone;
  }
}

Parser::Event Parser::Feed(std::uint8_t byte) {
  switch (state_) {
    case State::kIdle:
      if (byte == kDle) state_ = State::kIdleDle;
      return Event::kNone;
    case State::kIdleDle:
      state_ = State::kIdle;
      if (byte == kStx) {
        state_ = State::kBody;
        count_ = 0;
        sum_ = 0;
        return Event::kNone;
      }
      return ControlSymbol(byte);
    case State::kBody:
      if (byte == kDle) state_ = State::kBodyDle;
      else Collect(byte);
      return Event::kNone;
    case State::kBodyDle:
      state_ = State::kBody;
      if (byte == kDle) {
        Collect(byte);
        return Event::kNone;
      }
      if (byte == kEtx) {
        state_ = State::kCheck;
        return Event::kNone;
      }
      if (const Event symbol = ControlSymbol(byte); symbol != Event::kNone) return symbol;
      // A lone DLE before anything else tears the message: refuse it, and
      // let a DLE STX start the next one.
      state_ = byte == kStx ? State::kBody : State::kIdle;
      count_ = 0;
      sum_ = 0;
      return Event::kBadMessage;
    case State::kCheck:
      state_ = State::kIdle;
      return Finish(byte);
  }
  return Event::kNone;
}

void Parser::Collect(std::uint8_t byte) {
  if (count_ < buffer_.size()) buffer_[count_] = byte;
  ++count_;
  sum_ = std::uint8_t(sum_ + byte);
}

// A message must carry its header and a CAN frame's worth of data at most; a
// longer one (also one past the buffer) is malformed, whatever its check.
Parser::Event Parser::Finish(std::uint8_t check) {
  if (std::uint8_t(sum_ + check) != 0) return Event::kBadMessage;
  if (count_ < kHeaderSize || count_ > kHeaderSize + kMaxCanData) return Event::kBadMessage;
  message_ = Message{};
  message_.tns = std::uint16_t(buffer_[4] | buffer_[5] << 8);
  message_.id = std::uint16_t(buffer_[6] | buffer_[7] << 8);
  message_.length = std::uint8_t(count_ - kHeaderSize);
  std::copy_n(buffer_.begin() + kHeaderSize, message_.length, message_.data.begin());
  return Event::kMessage;
}

}  // namespace drivers::df1
