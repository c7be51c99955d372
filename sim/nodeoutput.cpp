#include "sim/nodeoutput.h"

#include "sim/canbus.h"

namespace sim {

std::optional<std::uint64_t> FrameOutbox::FirstDue() const {
  if (pending_.empty()) return std::nullopt;
  return pending_.front().dueUs;
}

std::optional<std::uint64_t> FrameOutbox::LastDue() const {
  if (pending_.empty()) return std::nullopt;
  return pending_.back().dueUs;
}

std::chrono::milliseconds WaitBefore(std::optional<std::uint64_t> deadlineUs, std::uint64_t nowUs) {
  if (!deadlineUs) return kWaitForever;
  const std::uint64_t waitUs = *deadlineUs > nowUs ? *deadlineUs - nowUs : 0;
  return std::chrono::milliseconds((waitUs + 999) / 1000);
}

}  // namespace sim
