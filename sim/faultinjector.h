#pragma once
// Faults the bus applies to frames as their senders hand them over: drop a
// frame, flip one of its data bits, or hold it back for a while.
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "sim/canframe.h"
#include "sim/framelog.h"

namespace sim {

using FramePredicate = std::function<bool(const CanFrame& frame, PeerId sender)>;
using FaultId = std::uint32_t;

struct Fault {
  enum class Kind { Drop, Corrupt, Delay };

  Kind kind = Kind::Drop;
  // Which frames the fault hits. Called on the sending thread with the bus
  // locked: it must not call back into the bus.
  FramePredicate matches;
  // Corrupt: the data bit to flip, counted from bit 0 (least significant) of
  // byte 0, taken modulo the frame's data bits. Frames without data bytes
  // pass unharmed.
  unsigned bit = 0;
  // Delay: process time the frame is held back before it competes for the
  // bus. Its sender's later frames queue behind it, as in a transmit FIFO.
  std::chrono::microseconds delay{0};
  // How many frames the fault hits before it retires itself; 0: no limit.
  unsigned times = 0;

  static Fault Drop(FramePredicate matches, unsigned times = 0);
  static Fault Corrupt(FramePredicate matches, unsigned bit, unsigned times = 0);
  static Fault Delay(FramePredicate matches, std::chrono::microseconds delay, unsigned times = 0);
};

// Predicates for the common cases.
FramePredicate AnyFrame();
FramePredicate WithId(std::uint32_t id);
FramePredicate FromSender(PeerId sender);

// What the faults did to one frame.
struct FaultOutcome {
  bool dropped = false;
  bool corrupted = false;
  std::chrono::microseconds delay{0};
};

// Not thread-safe: the bus guards it.
class FaultInjector {
 public:
  FaultId Add(Fault fault);
  // False when no such fault is active (never added, removed or used up).
  bool Remove(FaultId id);
  void Clear();

  // Applies every matching fault, in the order they were added; a dropped
  // frame is not looked at further. May change frame (corruption).
  FaultOutcome Apply(CanFrame& frame, PeerId sender);

 private:
  struct Active {
    FaultId id;
    Fault fault;
  };

  std::vector<Active> active_;
  FaultId nextId_ = 1;
};

}  // namespace sim
