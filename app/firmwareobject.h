#pragma once
// The maker's node firmware object as both network downloaders use it: the
// command payloads written to its command channel, the image mirror that the
// sector checksum is computed over, and the bounded copy of the texts that
// the node reports about a sector.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace firmware {

// Command channel payloads.
inline constexpr std::uint8_t kCommandWrite = 0x02;
inline constexpr std::uint8_t kCommandErase = 0x03;
inline constexpr std::size_t kWriteHeaderBytes = 6;
// The largest address the 24-bit address field carries.
inline constexpr std::uint32_t kMaxAddress = 0xFFFFFF;
// The most data bytes one memory write carries.
inline constexpr std::uint16_t kMaxWriteBytes = 32;
// A write or erase that the node refuses is sent again, up to this many sends.
inline constexpr int kMaxSends = 3;
// The node needs this long after an erase before it takes the next command.
inline constexpr std::uint32_t kEraseSettleMs = 2500;

// [0x02, sector, address bits 0-7, 8-15, 16-23, length, data...]. Empty when
// the address does not fit the 24-bit field or the length is more than one
// write carries.
std::vector<std::uint8_t> WritePayload(std::uint8_t sector, std::uint32_t address, std::uint16_t length,
                                       const std::uint8_t* data);
// [0x03, sector] followed by padding zeros up to totalLength (at least 2).
std::vector<std::uint8_t> ErasePayload(std::uint8_t sector, std::size_t totalLength = 2);

// Sends the payload until a send succeeds, at most kMaxSends times; the
// result of the last send.
int SendWithRetries(const std::function<int()>& send);

// A copy of the image that the program wrote since the last erase, filled
// with 0xFF where nothing was written: the sector checksum is its sum.
class ImageMirror {
 public:
  explicit ImageMirror(std::size_t size);

  std::size_t Size() const { return bytes_.size(); }
  void Fill();
  // Copies data at the address; bytes that would fall past the end are dropped.
  void Write(std::uint32_t address, std::span<const std::uint8_t> data);
  // The wrapping sum of `words` little-endian 16-bit words from byte `start`,
  // never reaching past the end of the mirror.
  std::uint32_t WordSum(std::size_t start, std::size_t words) const;
  // The wrapping sum of the first `count` bytes (at most the whole mirror).
  std::uint32_t ByteSum(std::size_t count) const;
  std::uint8_t At(std::size_t offset) const { return bytes_.at(offset); }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Copies a received text into a field of `capacity` bytes: at most
// received.size() characters, stopping at a NUL, cut to capacity - 1, and
// always NUL-terminated.
void CopyText(std::span<const std::uint8_t> received, char* field, std::size_t capacity);
template <std::size_t N>
void CopyText(std::span<const std::uint8_t> received, char (&field)[N]) {
  CopyText(received, field, N);
}

}  // namespace firmware
