#pragma once
// The peer's side of the maker's serial frame protocol, shared by the bench's
// serial devices: host bytes become synchronisation requests and checked
// 16-byte host frames, and device frames are built for the current
// time-stamp mode.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "sim/qx240/serialline.h"

namespace sim {

inline constexpr std::uint32_t kSerialCommandId = 0xFFFFFFFF;
inline constexpr std::uint8_t kSerialEchoFlag = 1;

using HostFrameBytes = std::array<std::uint8_t, 16>;

// 0 minus the sum of the bytes, modulo 256.
std::uint8_t SerialChecksum(std::span<const std::uint8_t> bytes);

// A host frame whose checksum held.
struct HostFrameFields {
  std::uint32_t id = 0;
  std::uint8_t flags = 0;
  std::uint8_t length = 0;
  const std::uint8_t* data = nullptr;  // 8 bytes inside the frame
};
bool DecodeHostFrame(const HostFrameBytes& frame, HostFrameFields* fields);

// 02, Id, Flags, Length, 8 data bytes, the stamp bytes of the mode (none,
// a u32, or a u64 of `stamp`), the checksum.
std::vector<std::uint8_t> BuildDeviceFrame(int timeStampMode, std::uint64_t stamp, std::uint32_t id,
                                           std::uint8_t flags, std::uint8_t length,
                                           std::span<const std::uint8_t> data);

// Follows the host's bytes: 10 0A outside a frame asks for synchronisation,
// 02 starts a 16-byte frame.
class HostLineParser {
 public:
  enum class Event { kNone, kSyncRequest, kFrame };
  Event Feed(std::uint8_t byte);
  // The frame of the last kFrame event.
  const HostFrameBytes& Frame() const { return frame_; }

 private:
  enum class State { kIdle, kAfterDle, kInFrame };
  State state_ = State::kIdle;
  HostFrameBytes frame_{};
  std::size_t filled_ = 0;
};

// Reads the host's bytes from the line until `stopping` is set and
// hands each one to onByte: blocks for the first byte, then takes whatever
// else has arrived. A failed read while the host side is closed or reopening
// is tried again after a short pause.
void ServeHostBytes(SerialLine& line, const std::atomic<bool>& stopping,
                    const std::function<void(std::uint8_t)>& onByte);

}  // namespace sim
