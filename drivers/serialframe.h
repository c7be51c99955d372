#pragma once
// The byte framing of the maker's serial interfaces: 16-byte host frames with
// a checksum, the synchronisation handshake, and a parser for device frames,
// whose length grows with the time-stamp mode.
#include <array>
#include <cstdint>
#include <span>

namespace drivers {

inline constexpr std::uint8_t kFrameStart = 0x02;
inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::array<std::uint8_t, 2> kSyncRequest = {0x10, 0x0A};
inline constexpr std::uint8_t kSyncAnswer = 0x15;
inline constexpr std::uint32_t kCommandId = 0xFFFFFFFF;
inline constexpr std::size_t kHostFrameSize = 16;
inline constexpr std::size_t kMaxDeviceFrameSize = 24;

using HostFrame = std::array<std::uint8_t, kHostFrameSize>;

// `length` is the frame's Length byte. It may exceed 8 only for the first
// frame of a multi-frame command, which announces the total it starts.
// At most the first 8 bytes of `data` are carried; unused bytes are 0.
HostFrame EncodeHostFrame(std::uint32_t id, std::uint8_t flags, std::uint8_t length,
                          std::span<const std::uint8_t> data);

// 16, 20 or 24 bytes for time-stamp modes 0, 1 and 2.
std::size_t DeviceFrameSize(int timeStampMode);

// 0 minus the sum of the bytes, modulo 256.
std::uint8_t FrameChecksum(std::span<const std::uint8_t> bytes);

struct DeviceFrame {
  std::uint32_t id = 0;
  std::uint8_t flags = 0;
  std::uint8_t length = 0;  // as sent: replies may announce more than 8
  std::array<std::uint8_t, 8> data{};
  bool stamped = false;  // true in modes 1 and 2
  std::uint32_t stampLow = 0;
  std::uint32_t stampHigh = 0;
};

// Turns the byte stream from the interface into frames, one byte at a time.
// Before synchronisation only the answer 10 15 counts; afterwards only frame
// starts do, and frames with a bad checksum are dropped.
class DeviceFrameParser {
 public:
  enum class Event { kNone, kSynchronised, kFrame, kBadChecksum };

  // Forgets everything and looks for the synchronisation answer.
  void ExpectSynchronisation();
  bool Synchronised() const { return state_ == State::kBetweenFrames || state_ == State::kInFrame; }

  // Takes effect at the next frame start.
  void SetTimeStampMode(int mode) { timeStampMode_ = mode; }
  int TimeStampMode() const { return timeStampMode_; }

  // How many more bytes complete the frame under way (a whole frame between
  // frames, the rest of the answer while synchronising): a reader that asks
  // for exactly these hands each frame over the moment its last byte is in.
  std::size_t BytesToFrameEnd() const;

  // kFrame fills `frame`.
  Event Feed(std::uint8_t byte, DeviceFrame* frame);

 private:
  enum class State { kAwaitDle, kAwaitSyncAnswer, kBetweenFrames, kInFrame };

  Event FinishFrame(DeviceFrame* frame);

  State state_ = State::kAwaitDle;
  int timeStampMode_ = 0;
  std::size_t frameSize_ = 0;
  std::size_t filled_ = 0;
  std::array<std::uint8_t, kMaxDeviceFrameSize> buffer_{};
};

}  // namespace drivers
