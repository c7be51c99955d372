#include "sim/qx240/serialwire.h"

#include "platform/clock.h"

namespace sim {
namespace {

constexpr std::uint8_t kFrameStart = 0x02;
constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kSyncRequest = 0x0A;

void AppendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint64_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) bytes.push_back(std::uint8_t(value >> (8 * i)));
}

}  // namespace

std::uint8_t SerialChecksum(std::span<const std::uint8_t> bytes) {
  unsigned sum = 0;
  for (std::uint8_t b : bytes) sum += b;
  return std::uint8_t(-sum);
}

bool DecodeHostFrame(const HostFrameBytes& frame, HostFrameFields* fields) {
  if (SerialChecksum(std::span(frame).subspan(1, 14)) != frame[15]) return false;
  fields->id = std::uint32_t(frame[1]) | std::uint32_t(frame[2]) << 8 |
               std::uint32_t(frame[3]) << 16 | std::uint32_t(frame[4]) << 24;
  fields->flags = frame[5];
  fields->length = frame[6];
  fields->data = &frame[7];
  return true;
}

std::vector<std::uint8_t> BuildDeviceFrame(int timeStampMode, std::uint64_t stamp, std::uint32_t id,
                                           std::uint8_t flags, std::uint8_t length,
                                           std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> bytes = {kFrameStart};
  AppendLittleEndian(bytes, id, 4);
  bytes.push_back(flags);
  bytes.push_back(length);
  for (std::size_t i = 0; i < 8; ++i) bytes.push_back(i < data.size() ? data[i] : 0);
  if (timeStampMode == 1) AppendLittleEndian(bytes, stamp, 4);
  if (timeStampMode == 2) AppendLittleEndian(bytes, stamp, 8);
  bytes.push_back(SerialChecksum(std::span(bytes).subspan(1)));
  return bytes;
}

HostLineParser::Event HostLineParser::Feed(std::uint8_t byte) {
  switch (state_) {
    case State::kInFrame:
      frame_[filled_++] = byte;
      if (filled_ < frame_.size()) return Event::kNone;
      state_ = State::kIdle;
      return Event::kFrame;
    case State::kAfterDle:
      if (byte == kSyncRequest) {
        state_ = State::kIdle;
        return Event::kSyncRequest;
      }
      if (byte == kDle) return Event::kNone;
      state_ = State::kIdle;
      break;
    case State::kIdle:
      break;
  }
  if (byte == kDle) {
    state_ = State::kAfterDle;
  } else if (byte == kFrameStart) {
    frame_[0] = byte;
    filled_ = 1;
    state_ = State::kInFrame;
  }
  return Event::kNone;
}

void ServeHostBytes(SerialLine& line, const std::atomic<bool>& stopping,
                    const std::function<void(std::uint8_t)>& onByte) {
  std::uint8_t buffer[256];
  while (!stopping) {
    std::size_t got = 0, more = 0;
    if (!line.Read(buffer, 1, &got, platform::kInfinite)) {
      if (stopping) return;
      platform::Sleep(10);  // the host side is closed or reopening
      continue;
    }
    if (got == 1) line.Read(buffer + 1, sizeof buffer - 1, &more, 0);
    for (std::size_t i = 0; i < got + more; ++i) onByte(buffer[i]);
  }
}

}  // namespace sim
