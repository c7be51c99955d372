#pragma once
// The frame record of the CAN access layer and the slot that holds one in a
// ring or queue. The record itself is the one the interface drivers define:
// one layout for the whole CAN stack.
#include <cstddef>
#include <cstdint>

#include "drivers/canmessage.h"

using drivers::CanMessage;

inline constexpr std::uint8_t kCanFlagRemote = drivers::kRemoteFrameFlag;
inline constexpr std::uint8_t kCanMaxDataLength = drivers::kMaxDataLength;

struct CanRingSlot {
  CanMessage Message;
  std::uint32_t Valid;  // 1 while the slot holds a frame not yet taken
};
static_assert(sizeof(CanRingSlot) == 28);
static_assert(offsetof(CanRingSlot, Message) == 0);
static_assert(offsetof(CanRingSlot, Valid) == 24);
