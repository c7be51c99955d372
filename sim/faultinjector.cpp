#include "sim/faultinjector.h"

#include <algorithm>
#include <utility>

namespace sim {

Fault Fault::Drop(FramePredicate matches, unsigned times) {
  return {Kind::Drop, std::move(matches), 0, {}, times};
}

Fault Fault::Corrupt(FramePredicate matches, unsigned bit, unsigned times) {
  return {Kind::Corrupt, std::move(matches), bit, {}, times};
}

Fault Fault::Delay(FramePredicate matches, std::chrono::microseconds delay, unsigned times) {
  return {Kind::Delay, std::move(matches), 0, delay, times};
}

FramePredicate AnyFrame() {
  return [](const CanFrame&, PeerId) { return true; };
}

FramePredicate WithId(std::uint32_t id) {
  return [id](const CanFrame& frame, PeerId) { return frame.id == id; };
}

FramePredicate FromSender(PeerId sender) {
  return [sender](const CanFrame&, PeerId from) { return from == sender; };
}

namespace {

// Applies one matching fault; false when it cannot act on this frame.
bool Inflict(const Fault& fault, CanFrame& frame, FaultOutcome& outcome) {
  switch (fault.kind) {
    case Fault::Kind::Drop:
      outcome.dropped = true;
      return true;
    case Fault::Kind::Corrupt: {
      const unsigned dataBits = static_cast<unsigned>(frame.Payload().size()) * 8;
      if (dataBits == 0) return false;
      const unsigned bit = fault.bit % dataBits;
      frame.data[bit / 8] ^= static_cast<std::uint8_t>(1U << (bit % 8));
      outcome.corrupted = true;
      return true;
    }
    case Fault::Kind::Delay:
      outcome.delay += fault.delay;
      return true;
  }
  return false;
}

}  // namespace

FaultId FaultInjector::Add(Fault fault) {
  const FaultId id = nextId_++;
  active_.push_back({id, std::move(fault)});
  return id;
}

bool FaultInjector::Remove(FaultId id) {
  return std::erase_if(active_, [id](const Active& active) { return active.id == id; }) != 0;
}

void FaultInjector::Clear() { active_.clear(); }

FaultOutcome FaultInjector::Apply(CanFrame& frame, PeerId sender) {
  FaultOutcome outcome;
  for (auto it = active_.begin(); it != active_.end() && !outcome.dropped;) {
    Fault& fault = it->fault;
    const bool acted = fault.matches && fault.matches(frame, sender) && Inflict(fault, frame, outcome);
    const bool usedUp = acted && fault.times != 0 && --fault.times == 0;
    it = usedUp ? active_.erase(it) : it + 1;
  }
  return outcome;
}

}  // namespace sim
