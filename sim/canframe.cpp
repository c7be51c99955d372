#include "sim/canframe.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace sim {
namespace {

CanFrame MakeChecked(std::uint32_t id, bool extended, bool remote, std::uint8_t dlc,
                     std::initializer_list<std::uint8_t> bytes) {
  if (bytes.size() > CanFrame::kMaxDataLength) {
    throw std::invalid_argument("a CAN frame carries at most 8 data bytes");
  }
  CanFrame frame;
  frame.id = id;
  frame.extended = extended;
  frame.remote = remote;
  frame.dlc = dlc;
  std::copy(bytes.begin(), bytes.end(), frame.data.begin());
  if (!frame.IsValid()) {
    throw std::invalid_argument("CAN frame out of range: " + ToString(frame));
  }
  return frame;
}

}  // namespace

CanFrame CanFrame::Standard(std::uint32_t id, std::initializer_list<std::uint8_t> bytes) {
  return MakeChecked(id, false, false, static_cast<std::uint8_t>(bytes.size()), bytes);
}

CanFrame CanFrame::Extended(std::uint32_t id, std::initializer_list<std::uint8_t> bytes) {
  return MakeChecked(id, true, false, static_cast<std::uint8_t>(bytes.size()), bytes);
}

CanFrame CanFrame::Remote(std::uint32_t id, std::uint8_t dlc, bool extended) {
  return MakeChecked(id, extended, true, dlc, {});
}

bool CanFrame::IsValid() const {
  return dlc <= kMaxDataLength && id <= (extended ? kMaxExtendedId : kMaxStandardId);
}

std::span<const std::uint8_t> CanFrame::Payload() const {
  const std::size_t length = remote ? 0 : std::min<std::size_t>(dlc, kMaxDataLength);
  return {data.data(), length};
}

bool operator==(const CanFrame& a, const CanFrame& b) {
  return a.id == b.id && a.extended == b.extended && a.remote == b.remote && a.dlc == b.dlc &&
         std::ranges::equal(a.Payload(), b.Payload());
}

std::string ToString(const CanFrame& frame) {
  char text[64];
  int length = std::snprintf(text, sizeof text, frame.extended ? "%08X%s [%u]" : "%03X%s [%u]",
                             static_cast<unsigned>(frame.id), frame.extended ? "x" : "",
                             static_cast<unsigned>(frame.dlc));
  std::string result(text, static_cast<std::size_t>(length));
  if (frame.remote) return result + " remote";
  for (std::uint8_t byte : frame.Payload()) {
    std::snprintf(text, sizeof text, " %02X", static_cast<unsigned>(byte));
    result += text;
  }
  return result;
}

}  // namespace sim
