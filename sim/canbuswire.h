#pragma once
// The bus endpoint's wire: one sequenced-packet Unix socket connection per
// bus peer outside the bench, one packet per frame, either way:
// u32 identifier (little-endian), u8 length, u8 flags (1 remote, 2 extended),
// two reserved bytes, 8 data bytes. On a new connection the endpoint sends
// one packet that is no frame: flags kBusInfo, the bus's bit rate in the
// identifier field. Frames sent on the bus from then on all follow it.
#include <cstdint>

namespace sim::buswire {

inline constexpr std::size_t kPacketSize = 16;
inline constexpr std::uint8_t kRemote = 1;
inline constexpr std::uint8_t kExtended = 2;
inline constexpr std::uint8_t kBusInfo = 0x80;

// The environment variable through which the bench names its bus endpoint.
inline constexpr const char* kEndpointVariable = "FLASHWRIGHT_CAN_BUS";

struct Packet {
  std::uint32_t id = 0;
  std::uint8_t length = 0;
  std::uint8_t flags = 0;
  std::uint8_t data[8] = {};
};

inline void Encode(const Packet& packet, std::uint8_t* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(packet.id >> (8 * i));
  out[4] = packet.length;
  out[5] = packet.flags;
  out[6] = out[7] = 0;
  for (int i = 0; i < 8; ++i) out[8 + i] = packet.data[i];
}

inline Packet Decode(const std::uint8_t* in) {
  Packet packet;
  for (int i = 0; i < 4; ++i) packet.id |= std::uint32_t{in[i]} << (8 * i);
  packet.length = in[4];
  packet.flags = in[5];
  for (int i = 0; i < 8; ++i) packet.data[i] = in[8 + i];
  return packet;
}

}  // namespace sim::buswire
