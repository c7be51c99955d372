#pragma once
// One classic CAN frame as it travels on the bench's virtual bus.
#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

namespace sim {

struct CanFrame {
  static constexpr std::uint32_t kMaxStandardId = 0x7FF;
  static constexpr std::uint32_t kMaxExtendedId = 0x1FFFFFFF;
  static constexpr std::uint8_t kMaxDataLength = 8;

  std::uint32_t id = 0;   // 11-bit, or 29-bit when extended
  bool extended = false;  // 29-bit identifier format
  bool remote = false;    // remote transmission request: dlc asks for data, carries none
  std::uint8_t dlc = 0;   // 0..8
  std::array<std::uint8_t, 8> data{};

  // Data frames with the given bytes; throw std::invalid_argument for more than
  // eight bytes or an identifier out of range, so a test's typo fails loudly.
  static CanFrame Standard(std::uint32_t id, std::initializer_list<std::uint8_t> bytes);
  static CanFrame Extended(std::uint32_t id, std::initializer_list<std::uint8_t> bytes);
  static CanFrame Remote(std::uint32_t id, std::uint8_t dlc, bool extended = false);

  bool IsValid() const;
  // The data bytes the frame carries on the wire: none for a remote frame.
  std::span<const std::uint8_t> Payload() const;
};

// Equal when the bus would carry the same bits: bytes past the data length
// (and every byte of a remote frame) do not count.
bool operator==(const CanFrame& a, const CanFrame& b);

// "123 [3] 01 02 03", "1ABCDEF0x [0]", "701 [1] remote".
std::string ToString(const CanFrame& frame);

}  // namespace sim
