#pragma once
// The I/O fragmentation of DeviceNet poll and change-of-state/cyclic data
// longer than 8 bytes: each frame starts with a fragment byte (first 0x00,
// middle 0x40 | n, last 0x80 | n, n counting 1, 2, ... modulo 64) and carries
// up to 7 data bytes. There are no acknowledgements.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sim {

inline constexpr std::size_t kMaxUnfragmentedIo = 8;

// The frame payloads that carry data: one unfragmented payload for up to 8
// bytes, fragments beyond.
std::vector<std::vector<std::uint8_t>> SplitIoData(std::span<const std::uint8_t> data);

// Reassembles fragmented I/O data of a known total size.
class IoAssembler {
 public:
  // The whole data once the last fragment of a transfer of exactly `size`
  // bytes arrived. A fragment out of sequence discards the transfer.
  std::optional<std::vector<std::uint8_t>> Add(std::span<const std::uint8_t> payload, std::size_t size);
  void Reset();

 private:
  std::vector<std::uint8_t> data_;
  std::optional<std::uint8_t> lastNumber_;  // none: expecting a first fragment
};

}  // namespace sim
