#pragma once
// A bounded FIFO of CAN frames: the storage of every receive queue and of the
// generic receive and transmit rings of a card. Appending to a full ring drops
// the oldest frame, so a ring always holds the newest frames in arrival order.
// Not thread-safe: the card guards each ring with its mutex.
#include <array>
#include <cstddef>
#include <cstdint>

#include "can/canmessage.h"

class CanFrameRing {
 public:
  static constexpr std::size_t kCapacity = 1024;

  // Every appended frame gets the next sequence number, so a sender can tell
  // whether the frame it handed on is still the oldest one.
  using Sequence = std::uint64_t;

  // Appends a copy of the frame. Returns true when the oldest frame had to be
  // dropped to make room.
  bool Append(const CanMessage& frame);

  bool TakeOldest(CanMessage* frame);

  // Takes the oldest frame whose identifier agrees with code in the bits of
  // mask; frames that do not match keep their places.
  bool TakeFirstMatching(std::uint32_t code, std::uint32_t mask, CanMessage* frame);

  // Copies the oldest frame without taking it.
  bool PeekOldest(CanMessage* frame, Sequence* sequence) const;
  // Takes the oldest frame if it is still the one PeekOldest reported; a frame
  // that was dropped meanwhile is not mistaken for its successor.
  void TakeOldestIf(Sequence sequence);

  void Clear();
  std::size_t Count() const { return count_; }

 private:
  std::size_t SlotAt(std::size_t age) const { return (oldest_ + age) % kCapacity; }
  Sequence OldestSequence() const { return appended_ - used_; }
  void TakeSlot(std::size_t slot, CanMessage* frame);
  void SkipTakenSlots();

  // Slots from oldest_ on, used_ of them, in arrival order. A frame taken out
  // of the middle leaves its slot marked invalid until the slots before it go.
  std::array<CanRingSlot, kCapacity> slots_{};
  std::size_t oldest_ = 0;
  std::size_t used_ = 0;
  std::size_t count_ = 0;  // valid slots among the used ones
  Sequence appended_ = 0;
};
