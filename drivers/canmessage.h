#pragma once
// The 24-byte CAN frame record that every CAN-carrying library of the stack
// exchanges by pointer: the master stacks, the CAN access layer and the
// interface drivers. Its byte layout is part of their exported APIs.
#include <cstddef>
#include <cstdint>

namespace drivers {

inline constexpr std::uint8_t kRemoteFrameFlag = 0x10;
inline constexpr std::uint8_t kMaxDataLength = 8;

struct CanMessage {
  std::uint32_t Id;
  std::uint8_t Flags;   // 0x10: remote frame
  std::uint8_t Length;  // data bytes, 0 to 8
  std::uint8_t Data[8];
  std::uint8_t Spare[2];
  std::uint32_t TimeStampHigh;
  std::uint32_t TimeStampLow;
};

static_assert(sizeof(CanMessage) == 24);
static_assert(offsetof(CanMessage, Id) == 0);
static_assert(offsetof(CanMessage, Flags) == 4);
static_assert(offsetof(CanMessage, Length) == 5);
static_assert(offsetof(CanMessage, Data) == 6);
static_assert(offsetof(CanMessage, Spare) == 14);
static_assert(offsetof(CanMessage, TimeStampHigh) == 16);
static_assert(offsetof(CanMessage, TimeStampLow) == 20);

}  // namespace drivers
