#include "sim/framelog.h"

#include <cstdio>

namespace sim {

const char* ToString(FrameFate fate) {
  switch (fate) {
    case FrameFate::Carried:
      return "carried";
    case FrameFate::Corrupted:
      return "corrupted";
    case FrameFate::Dropped:
      return "dropped";
    case FrameFate::Lost:
      return "lost";
  }
  return "?";
}

std::string ToString(const LogEntry& entry) {
  char time[32];
  std::snprintf(time, sizeof time, "%llu.%06llu",
                static_cast<unsigned long long>(entry.carried.timeUs / 1'000'000),
                static_cast<unsigned long long>(entry.carried.timeUs % 1'000'000));
  std::string line = std::string(time) + " " + entry.senderName + " -> " + ToString(entry.carried.frame);
  if (entry.fate != FrameFate::Carried) line += std::string(" (") + ToString(entry.fate) + ")";
  return line;
}

void FrameLog::Append(LogEntry entry) {
  std::lock_guard lock(mutex_);
  if (capacity_ == 0) return;
  if (entries_.size() == capacity_) entries_.pop_front();
  entries_.push_back(std::move(entry));
}

std::vector<LogEntry> FrameLog::Entries() const {
  std::lock_guard lock(mutex_);
  return {entries_.begin(), entries_.end()};
}

std::vector<CanFrame> FrameLog::Frames(std::optional<FrameFate> fate) const {
  std::lock_guard lock(mutex_);
  std::vector<CanFrame> frames;
  for (const LogEntry& entry : entries_) {
    if (!fate || entry.fate == *fate) frames.push_back(entry.carried.frame);
  }
  return frames;
}

void FrameLog::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
}

std::string FrameLog::Dump() const {
  std::string text;
  for (const LogEntry& entry : Entries()) text += ToString(entry) + "\n";
  return text;
}

}  // namespace sim
