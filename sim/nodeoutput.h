#pragma once
// What the simulated field nodes (DeviceNet and CANopen slaves) share on the
// way out: the frame faults a test switches on, the frames they hold back
// until due, and the wait of their threads until the next deadline.
#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

#include "sim/canframe.h"

namespace sim {

constexpr std::uint64_t MicrosOf(std::chrono::milliseconds ms) { return static_cast<std::uint64_t>(ms.count()) * 1000; }

// How many copies of the next frame go out under a node's faults: none when
// silent or dropped, two when duplicated. Counts the drop and duplicate
// faults down. Faults is any record with the members silent, dropFrames and
// duplicateFrames.
template <typename Faults>
int TakeCopiesOfNextFrame(Faults& faults) {
  if (faults.silent) return 0;
  if (faults.dropFrames > 0) {
    --faults.dropFrames;
    return 0;
  }
  if (faults.duplicateFrames > 0) {
    --faults.duplicateFrames;
    return 2;
  }
  return 1;
}

// Frames held back until they are due, sent in the order held.
class FrameOutbox {
 public:
  void Hold(std::uint64_t dueUs, const CanFrame& frame) { pending_.push_back({dueUs, frame}); }
  void Clear() { pending_.clear(); }
  bool Empty() const { return pending_.empty(); }
  // When the first and the last frame held are due; empty when none is held.
  std::optional<std::uint64_t> FirstDue() const;
  std::optional<std::uint64_t> LastDue() const;

  // Takes the frames due by nowUs off the box and passes them to send, in order.
  template <typename Send>
  void SendDue(std::uint64_t nowUs, Send send) {
    while (!pending_.empty() && pending_.front().dueUs <= nowUs) {
      const CanFrame frame = pending_.front().frame;
      pending_.pop_front();
      send(frame);
    }
  }

 private:
  struct Pending {
    std::uint64_t dueUs;
    CanFrame frame;
  };
  std::deque<Pending> pending_;
};

// How long a node's thread may wait for a frame before its next deadline
// (rounded up to whole milliseconds); forever without one.
std::chrono::milliseconds WaitBefore(std::optional<std::uint64_t> deadlineUs, std::uint64_t nowUs);

}  // namespace sim
