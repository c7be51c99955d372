#pragma once
// The bus's record of every frame offered to it, in the order the bus dealt
// with it, so that tests can assert exact sequences.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/canframe.h"

namespace sim {

using PeerId = std::uint32_t;

// A frame as the bus carries it to the peers.
struct BusFrame {
  CanFrame frame;
  PeerId sender = 0;
  std::uint64_t sequence = 0;  // bus-wide order in which frames were sent
  std::uint64_t queuedUs = 0;  // process time at which the sender handed it over
  std::uint64_t timeUs = 0;    // process time at which the bus finished carrying it
};

enum class FrameFate {
  Carried,    // delivered to every attached peer but the sender
  Corrupted,  // delivered with a data bit flipped by a fault
  Dropped,    // removed by a fault: no peer saw it
  Lost,       // its sender lost power before the bus took it
};

struct LogEntry {
  BusFrame carried;
  std::string senderName;
  FrameFate fate = FrameFate::Carried;
};

const char* ToString(FrameFate fate);
// "0.012345 node3 -> 701 [1] 05" plus " (dropped)" and the like.
std::string ToString(const LogEntry& entry);

// Thread-safe; keeps the newest `capacity` entries (0 keeps none).
class FrameLog {
 public:
  explicit FrameLog(std::size_t capacity) : capacity_(capacity) {}

  void Append(LogEntry entry);
  std::vector<LogEntry> Entries() const;
  // Just the frames, in log order; with a fate, only the frames of that fate.
  std::vector<CanFrame> Frames(std::optional<FrameFate> fate = std::nullopt) const;
  void Clear();
  // One line per entry, for failure messages and the program's output.
  std::string Dump() const;

 private:
  mutable std::mutex mutex_;
  std::size_t capacity_;
  std::deque<LogEntry> entries_;
};

}  // namespace sim
