#pragma once
// A bounded first-in first-out ring of records. A push into a full ring drops
// the oldest record, so a full ring never looks empty and order is kept.
// Not synchronised: its owner guards it.
#include <array>
#include <cstddef>

namespace drivers {

template <typename T, std::size_t Capacity>
class FrameRing {
 public:
  // False when the oldest record had to make room.
  bool Push(const T& item) {
    slots_[(read_ + count_) % Capacity] = item;
    if (count_ == Capacity) {
      Advance(read_);  // the slot just overwritten held the oldest record
      return false;
    }
    ++count_;
    return true;
  }

  bool Pop(T* item) {
    if (count_ == 0) return false;
    *item = slots_[read_];
    Advance(read_);
    --count_;
    return true;
  }

  void Clear() { read_ = count_ = 0; }
  bool Empty() const { return count_ == 0; }
  std::size_t Size() const { return count_; }

 private:
  static void Advance(std::size_t& position) { position = (position + 1) % Capacity; }

  std::array<T, Capacity> slots_{};
  std::size_t read_ = 0;
  std::size_t count_ = 0;
};

}  // namespace drivers
