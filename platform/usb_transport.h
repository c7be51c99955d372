#pragma once
// The wire between the USB provider and the devices that serve it: one
// sequenced-packet Unix socket connection per open device or pipe, each
// message one packet that starts with its type byte. Integers are
// little-endian.
//
//   kOpen           host -> device  endpoint name ("" for the device, else a pipe name)
//   kOpenReply      device -> host  u32 status (0: open)
//   kControlRequest host -> device  u32 sequence, u32 code, u32 output capacity, input bytes
//   kControlReply   device -> host  u32 sequence, u32 status, output bytes
//   kData           either way      the packet's bytes (pipes only)
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/iochannel.h"

namespace platform::usbwire {

enum class MessageType : std::uint8_t {
  kOpen = 1,
  kOpenReply = 2,
  kControlRequest = 3,
  kControlReply = 4,
  kData = 5,
};

// Largest payload of a control request, an answer or a pipe packet.
inline constexpr std::size_t kMaxPayload = 64 * 1024;
inline constexpr std::size_t kMaxMessage = kMaxPayload + 16;

// Strips "\\?\" from a device path: what remains names the device's socket.
std::string SocketName(const std::string& devicePath);
// The socket's file path for a socket name, or "" (kErrorInvalidParameter)
// when the path would not fit a socket address.
std::string SocketPath(const std::string& socketName);

// Builds messages.
class MessageWriter {
 public:
  explicit MessageWriter(MessageType type) { bytes_.push_back(static_cast<std::uint8_t>(type)); }
  MessageWriter& U32(std::uint32_t value);
  MessageWriter& Bytes(std::span<const std::uint8_t> bytes);
  const std::vector<std::uint8_t>& Message() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Reads a received message; reading past its end yields zeros and marks it bad.
class MessageReader {
 public:
  explicit MessageReader(std::span<const std::uint8_t> message);
  MessageType Type() const { return type_; }
  std::uint32_t U32();
  std::span<const std::uint8_t> Rest() const { return rest_; }
  bool Good() const { return good_; }

 private:
  MessageType type_{};
  std::span<const std::uint8_t> rest_;
  bool good_;
};

// Sends one message by the deadline.
bool SendMessage(IoChannel& channel, std::span<const std::uint8_t> message,
                 const Deadline& deadline);
// Receives one message by the deadline. Fails with kErrorTimeout, with
// kErrorDeviceNotConnected when the peer has gone, kErrorOperationAborted
// when cancelled or closed.
bool ReceiveMessage(IoChannel& channel, std::vector<std::uint8_t>& message,
                    const Deadline& deadline);

}  // namespace platform::usbwire
