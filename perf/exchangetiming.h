#pragma once
// Where the time of a request and answer exchange on the bench's paced bus
// goes, hop by hop, for the download benchmarks. Per frame of the exchange:
//   bits      its own bus time at the bit rate (the lower bound),
//   delivery  from the end of its bits to the bus handing it to the peers
//             (the bus thread's wake-up),
//   reaction  from the delivery of the frame it answers to its sender
//             handing it to the bus (the whole stack on that side),
//   start     from being handed over (or the bus coming free) to its bits
//             starting (the bus thread taking it).
// The figures are taken from the bus's record and from a probe that notes
// when the bus delivers each frame.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/clock.h"
#include "sim/bittiming.h"
#include "sim/canbus.h"

namespace perf {

// Notes when each frame reaches the peers. Attach it before the peers under
// test: the bus delivers in attachment order, so the probe sees a frame first.
class DeliveryProbe {
 public:
  explicit DeliveryProbe(sim::CanBus& bus)
      : peer_(bus.Attach("probe", [this](const sim::BusFrame& frame) {
          std::lock_guard lock(mutex_);
          deliveredUs_[frame.sequence] = platform::NowMicroseconds();
        })) {}

  std::uint64_t DeliveredUs(const sim::BusFrame& frame) const {
    std::lock_guard lock(mutex_);
    const auto found = deliveredUs_.find(frame.sequence);
    return found != deliveredUs_.end() ? found->second : frame.timeUs;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    deliveredUs_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::unordered_map<std::uint64_t, std::uint64_t> deliveredUs_;
  sim::BusPeer peer_;
};

struct SideTiming {
  std::size_t frames = 0;
  double bitsUs = 0, deliveryUs = 0, reactionUs = 0, startUs = 0;
  std::vector<double> reactionsUs;  // each one, for the median: a loaded machine's stalls skew the mean
  double MedianReactionUs() const {
    if (reactionsUs.empty()) return 0;
    std::vector<double> sorted = reactionsUs;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    return sorted[sorted.size() / 2];
  }
};

struct ExchangeTiming {
  SideTiming side[2];  // [0]: the master's frames, [1]: the node's
  double BusSeconds() const { return (side[0].bitsUs + side[1].bitsUs) * 1e-6; }
  std::size_t Frames() const { return side[0].frames + side[1].frames; }
};

// Sums the frames the master sent on masterId and the node on nodeId.
inline ExchangeTiming TimeExchanges(const std::vector<sim::LogEntry>& entries, const DeliveryProbe& probe,
                                    std::uint32_t masterId, std::uint32_t nodeId, std::uint32_t bitRate) {
  ExchangeTiming timing;
  const sim::BusFrame* previous = nullptr;
  std::uint64_t previousDeliveredUs = 0;
  for (const sim::LogEntry& entry : entries) {
    const sim::BusFrame& carried = entry.carried;
    if (entry.fate != sim::FrameFate::Carried || (carried.frame.id != masterId && carried.frame.id != nodeId)) {
      continue;
    }
    SideTiming& side = timing.side[carried.frame.id == masterId ? 0 : 1];
    const double bitsUs = std::chrono::duration<double, std::micro>(sim::FrameDuration(carried.frame, bitRate)).count();
    const std::uint64_t deliveredUs = probe.DeliveredUs(carried);
    ++side.frames;
    side.bitsUs += bitsUs;
    side.deliveryUs += static_cast<double>(deliveredUs - std::min(deliveredUs, carried.timeUs));
    if (previous != nullptr && previous->frame.id != carried.frame.id) {
      const double reaction = static_cast<double>(carried.queuedUs) - static_cast<double>(previousDeliveredUs);
      side.reactionUs += reaction;
      side.reactionsUs.push_back(reaction);
      const double free = static_cast<double>(std::max(carried.queuedUs, previous->timeUs));
      side.startUs += std::max(0.0, static_cast<double>(carried.timeUs) - bitsUs - free);
    }
    previous = &carried;
    previousDeliveredUs = deliveredUs;
  }
  return timing;
}

inline void PrintExchangeTiming(const ExchangeTiming& timing) {
  static const char* const kNames[2] = {"master", "node"};
  std::printf("  per frame (mean, us)   bits  delivery  reaction  start   (median reaction)\n");
  for (int i = 0; i < 2; ++i) {
    const SideTiming& side = timing.side[i];
    const double n = side.frames != 0 ? static_cast<double>(side.frames) : 1.0;
    std::printf("  %-6s %6zu frames %7.1f %8.1f %9.1f %6.1f   (%.0f)\n", kNames[i], side.frames, side.bitsUs / n,
                side.deliveryUs / n, side.reactionUs / n, side.startUs / n, side.MedianReactionUs());
  }
}

}  // namespace perf
