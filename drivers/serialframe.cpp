#include "drivers/serialframe.h"

#include <algorithm>

namespace drivers {
namespace {

std::uint32_t ReadU32(const std::uint8_t* bytes) {
  return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
         std::uint32_t(bytes[3]) << 24;
}

}  // namespace

std::uint8_t FrameChecksum(std::span<const std::uint8_t> bytes) {
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return std::uint8_t(0x100 - (sum & 0xFF));
}

HostFrame EncodeHostFrame(std::uint32_t id, std::uint8_t flags, std::uint8_t length,
                          std::span<const std::uint8_t> data) {
  HostFrame frame{};
  frame[0] = kFrameStart;
  for (int i = 0; i < 4; ++i) frame[1 + i] = std::uint8_t(id >> (8 * i));
  frame[5] = flags;
  frame[6] = length;
  std::copy_n(data.begin(), std::min<std::size_t>(data.size(), 8), frame.begin() + 7);
  frame[15] = FrameChecksum(std::span(frame).subspan(1, 14));
  return frame;
}

std::size_t DeviceFrameSize(int timeStampMode) {
  switch (timeStampMode) {
    case 1: return 20;
    case 2: return 24;
    default: return 16;
  }
}

void DeviceFrameParser::ExpectSynchronisation() {
  state_ = State::kAwaitDle;
  filled_ = 0;
}

std::size_t DeviceFrameParser::BytesToFrameEnd() const {
  switch (state_) {
    case State::kAwaitDle: return 2;  // DLE and the answer byte
    case State::kAwaitSyncAnswer: return 1;
    case State::kBetweenFrames: return DeviceFrameSize(timeStampMode_);
    case State::kInFrame: return frameSize_ - filled_;
  }
  return 1;
}

DeviceFrameParser::Event DeviceFrameParser::Feed(std::uint8_t byte, DeviceFrame* frame) {
  switch (state_) {
    case State::kAwaitDle:
      if (byte == kDle) state_ = State::kAwaitSyncAnswer;
      return Event::kNone;
    case State::kAwaitSyncAnswer:
      // Any other byte, a second DLE included, restarts the search.
      if (byte != kSyncAnswer) {
        state_ = State::kAwaitDle;
        return Event::kNone;
      }
      state_ = State::kBetweenFrames;
      return Event::kSynchronised;
    case State::kBetweenFrames:
      if (byte == kFrameStart) {
        state_ = State::kInFrame;
        frameSize_ = DeviceFrameSize(timeStampMode_);
        buffer_[0] = byte;
        filled_ = 1;
      }
      return Event::kNone;
    case State::kInFrame:
      buffer_[filled_++] = byte;
      if (filled_ < frameSize_) return Event::kNone;
      state_ = State::kBetweenFrames;
      return FinishFrame(frame);
  }
  return Event::kNone;
}

DeviceFrameParser::Event DeviceFrameParser::FinishFrame(DeviceFrame* frame) {
  const auto body = std::span(buffer_).subspan(1, frameSize_ - 2);
  if (FrameChecksum(body) != buffer_[frameSize_ - 1]) return Event::kBadChecksum;
  *frame = DeviceFrame{};
  frame->id = ReadU32(&buffer_[1]);
  frame->flags = buffer_[5];
  frame->length = buffer_[6];
  std::copy_n(buffer_.begin() + 7, 8, frame->data.begin());
  if (frameSize_ >= 20) {
    frame->stamped = true;
    frame->stampLow = ReadU32(&buffer_[15]);
    if (frameSize_ == 24) frame->stampHigh = ReadU32(&buffer_[19]);
  }
  return Event::kFrame;
}

}  // namespace drivers
