#pragma once
// Capture of bus traffic to a pcap file in the SocketCAN link type, which
// standard capture readers decode (identifier, flags, data length, data).
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

#include "sim/canframe.h"

namespace sim {

inline constexpr std::uint32_t kLinkTypeCanSocketCan = 227;
inline constexpr std::size_t kPcapFileHeaderSize = 24;
inline constexpr std::size_t kPcapRecordHeaderSize = 16;
inline constexpr std::size_t kSocketCanFrameSize = 16;

// The 16-byte SocketCAN frame: big-endian identifier with the extended (bit
// 31) and remote (bit 30) flags, data length, three spare bytes, eight data
// bytes (zero past the data length).
std::array<std::uint8_t, kSocketCanFrameSize> EncodeSocketCan(const CanFrame& frame);

class PcapWriter {
 public:
  PcapWriter() = default;
  ~PcapWriter();
  PcapWriter(const PcapWriter&) = delete;
  PcapWriter& operator=(const PcapWriter&) = delete;

  // Creates (or truncates) path and writes the file header. On failure returns
  // false and Error() says why. A writer that is open closes first.
  bool Open(const std::string& path);
  // Appends one frame stamped with the given time in microseconds since the
  // epoch. Each record is flushed, so a reader can follow a live capture.
  // False (and closed, Error() set) when the file cannot be written.
  bool Write(const CanFrame& frame, std::uint64_t epochMicroseconds);
  void Close();

  bool IsOpen() const { return file_ != nullptr; }
  const std::string& Error() const { return error_; }

 private:
  bool Fail(const std::string& what);

  std::FILE* file_ = nullptr;
  std::string path_;
  std::string error_;
};

}  // namespace sim
