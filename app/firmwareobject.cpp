#include "app/firmwareobject.h"

#include <algorithm>
#include <cstring>

namespace firmware {

std::vector<std::uint8_t> WritePayload(std::uint8_t sector, std::uint32_t address, std::uint16_t length,
                                       const std::uint8_t* data) {
  if (address > kMaxAddress || length > kMaxWriteBytes) return {};
  const std::uint8_t count = static_cast<std::uint8_t>(length);
  std::vector<std::uint8_t> payload(kWriteHeaderBytes + count, 0);
  const std::uint8_t header[kWriteHeaderBytes] = {kCommandWrite,
                                                  sector,
                                                  static_cast<std::uint8_t>(address),
                                                  static_cast<std::uint8_t>(address >> 8),
                                                  static_cast<std::uint8_t>(address >> 16),
                                                  count};
  std::ranges::copy(header, payload.begin());
  if (data != nullptr) std::copy_n(data, count, payload.begin() + kWriteHeaderBytes);
  return payload;
}

std::vector<std::uint8_t> ErasePayload(std::uint8_t sector, std::size_t totalLength) {
  std::vector<std::uint8_t> payload(std::max<std::size_t>(totalLength, 2), 0);
  payload[0] = kCommandErase;
  payload[1] = sector;
  return payload;
}

int SendWithRetries(const std::function<int()>& send) {
  int result = 0;
  for (int attempt = 0; attempt < kMaxSends && result == 0; ++attempt) result = send();
  return result;
}

ImageMirror::ImageMirror(std::size_t size) : bytes_(size, 0xFF) {}

void ImageMirror::Fill() { std::fill(bytes_.begin(), bytes_.end(), 0xFF); }

void ImageMirror::Write(std::uint32_t address, std::span<const std::uint8_t> data) {
  if (address >= bytes_.size()) return;
  const std::size_t count = std::min(data.size(), bytes_.size() - address);
  std::copy_n(data.begin(), count, bytes_.begin() + address);
}

std::uint32_t ImageMirror::WordSum(std::size_t start, std::size_t words) const {
  if (start >= bytes_.size()) return 0;
  words = std::min(words, (bytes_.size() - start) / 2);
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < words; ++i) {
    const std::size_t at = start + 2 * i;
    sum += static_cast<std::uint32_t>(bytes_[at]) | (static_cast<std::uint32_t>(bytes_[at + 1]) << 8);
  }
  return sum;
}

std::uint32_t ImageMirror::ByteSum(std::size_t count) const {
  count = std::min(count, bytes_.size());
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < count; ++i) sum += bytes_[i];
  return sum;
}

void CopyText(std::span<const std::uint8_t> received, char* field, std::size_t capacity) {
  if (capacity == 0) return;
  std::size_t length = std::min(received.size(), capacity - 1);
  const auto nul = std::find(received.begin(), received.begin() + length, 0);
  length = static_cast<std::size_t>(nul - received.begin());
  std::memcpy(field, received.data(), length);
  std::memset(field + length, 0, capacity - length);
}

}  // namespace firmware
