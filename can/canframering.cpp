#include "can/canframering.h"

bool CanFrameRing::Append(const CanMessage& frame) {
  bool dropped = false;
  if (used_ == kCapacity) {
    TakeSlot(oldest_, nullptr);
    dropped = true;
  }
  CanRingSlot& slot = slots_[SlotAt(used_)];
  slot.Message = frame;
  slot.Valid = 1;
  ++used_;
  ++count_;
  ++appended_;
  return dropped;
}

bool CanFrameRing::TakeOldest(CanMessage* frame) {
  if (count_ == 0) return false;
  TakeSlot(oldest_, frame);
  return true;
}

bool CanFrameRing::TakeFirstMatching(std::uint32_t code, std::uint32_t mask, CanMessage* frame) {
  for (std::size_t age = 0; age < used_; ++age) {
    const std::size_t slot = SlotAt(age);
    if (slots_[slot].Valid != 0 && ((slots_[slot].Message.Id ^ code) & mask) == 0) {
      TakeSlot(slot, frame);
      return true;
    }
  }
  return false;
}

bool CanFrameRing::PeekOldest(CanMessage* frame, Sequence* sequence) const {
  if (count_ == 0) return false;
  *frame = slots_[oldest_].Message;
  *sequence = OldestSequence();
  return true;
}

void CanFrameRing::TakeOldestIf(Sequence sequence) {
  if (count_ != 0 && OldestSequence() == sequence) TakeSlot(oldest_, nullptr);
}

void CanFrameRing::Clear() {
  oldest_ = 0;
  used_ = 0;
  count_ = 0;
}

void CanFrameRing::TakeSlot(std::size_t slot, CanMessage* frame) {
  if (frame != nullptr) *frame = slots_[slot].Message;
  slots_[slot].Valid = 0;
  --count_;
  SkipTakenSlots();
}

// Keeps the invariant that the oldest used slot holds a frame.
void CanFrameRing::SkipTakenSlots() {
  while (used_ > 0 && slots_[oldest_].Valid == 0) {
    oldest_ = (oldest_ + 1) % kCapacity;
    --used_;
  }
}
