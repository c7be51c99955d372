#include "sim/devicenet/iofragments.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::size_t kFragmentData = 7;
constexpr std::uint8_t kNumberMask = 0x3F;
enum FragmentType : std::uint8_t { kFirst = 0x00, kMiddle = 0x40, kLast = 0x80 };
constexpr std::uint8_t kTypeMask = 0xC0;

}  // namespace

std::vector<std::vector<std::uint8_t>> SplitIoData(std::span<const std::uint8_t> data) {
  if (data.size() <= kMaxUnfragmentedIo) return {std::vector<std::uint8_t>(data.begin(), data.end())};
  std::vector<std::vector<std::uint8_t>> frames;
  for (std::size_t position = 0, number = 0; position < data.size(); position += kFragmentData, ++number) {
    const std::size_t chunk = std::min(kFragmentData, data.size() - position);
    std::uint8_t type = kMiddle;
    if (position == 0) type = kFirst;
    if (position + chunk == data.size()) type = kLast;
    const auto fragmentByte = static_cast<std::uint8_t>(type | (type == kFirst ? 0 : number & kNumberMask));
    std::vector<std::uint8_t> frame{fragmentByte};
    frame.insert(frame.end(), data.begin() + static_cast<std::ptrdiff_t>(position),
                 data.begin() + static_cast<std::ptrdiff_t>(position + chunk));
    frames.push_back(std::move(frame));
  }
  return frames;
}

std::optional<std::vector<std::uint8_t>> IoAssembler::Add(std::span<const std::uint8_t> payload, std::size_t size) {
  if (payload.empty()) return std::nullopt;
  const std::uint8_t type = payload[0] & kTypeMask;
  const std::uint8_t number = payload[0] & kNumberMask;
  const std::span<const std::uint8_t> data = payload.subspan(1);
  if (type == kFirst && number == 0) {
    data_.assign(data.begin(), data.end());
    lastNumber_ = 0;
  } else if (lastNumber_ && (type == kMiddle || type == kLast) && number == ((*lastNumber_ + 1) & kNumberMask)) {
    data_.insert(data_.end(), data.begin(), data.end());
    lastNumber_ = number;
  } else {
    Reset();
    return std::nullopt;
  }
  if (data_.size() > size || (type == kMiddle && data_.size() == size)) {
    Reset();
    return std::nullopt;
  }
  if (type != kLast) return std::nullopt;
  std::vector<std::uint8_t> complete = std::move(data_);
  Reset();
  if (complete.size() != size) return std::nullopt;
  return complete;
}

void IoAssembler::Reset() {
  data_.clear();
  lastNumber_.reset();
}

}  // namespace sim
