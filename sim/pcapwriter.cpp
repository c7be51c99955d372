#include "sim/pcapwriter.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace sim {
namespace {

constexpr std::uint32_t kCanExtendedFlag = 0x80000000;
constexpr std::uint32_t kCanRemoteFlag = 0x40000000;

// pcap files are written little-endian whatever the host, so that captures
// made on any machine are byte-for-byte the same.
void PutLittle32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutLittle16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

}  // namespace

std::array<std::uint8_t, kSocketCanFrameSize> EncodeSocketCan(const CanFrame& frame) {
  std::uint32_t canId = frame.id;
  if (frame.extended) canId |= kCanExtendedFlag;
  if (frame.remote) canId |= kCanRemoteFlag;
  std::array<std::uint8_t, kSocketCanFrameSize> bytes{};
  for (int index = 0; index < 4; ++index) {
    bytes[static_cast<std::size_t>(index)] = static_cast<std::uint8_t>(canId >> (24 - 8 * index));
  }
  bytes[4] = frame.dlc;
  std::memcpy(&bytes[8], frame.Payload().data(), frame.Payload().size());
  return bytes;
}

PcapWriter::~PcapWriter() { Close(); }

bool PcapWriter::Open(const std::string& path) {
  Close();
  error_.clear();
  path_ = path;
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) return Fail("cannot create");
  std::vector<std::uint8_t> header;
  PutLittle32(header, 0xA1B2C3D4);  // microsecond time stamps
  PutLittle16(header, 2);           // format version 2.4
  PutLittle16(header, 4);
  PutLittle32(header, 0);      // time zone offset
  PutLittle32(header, 0);      // time stamp accuracy
  PutLittle32(header, 65535);  // snapshot length
  PutLittle32(header, kLinkTypeCanSocketCan);
  if (std::fwrite(header.data(), 1, header.size(), file_) != header.size() || std::fflush(file_) != 0) {
    return Fail("cannot write");
  }
  return true;
}

bool PcapWriter::Write(const CanFrame& frame, std::uint64_t epochMicroseconds) {
  if (file_ == nullptr) return false;
  std::vector<std::uint8_t> record;
  PutLittle32(record, static_cast<std::uint32_t>(epochMicroseconds / 1'000'000));
  PutLittle32(record, static_cast<std::uint32_t>(epochMicroseconds % 1'000'000));
  PutLittle32(record, kSocketCanFrameSize);  // bytes captured
  PutLittle32(record, kSocketCanFrameSize);  // bytes on the wire
  const auto payload = EncodeSocketCan(frame);
  record.insert(record.end(), payload.begin(), payload.end());
  if (std::fwrite(record.data(), 1, record.size(), file_) != record.size() || std::fflush(file_) != 0) {
    return Fail("cannot write");
  }
  return true;
}

void PcapWriter::Close() {
  if (file_ == nullptr) return;
  if (std::fclose(file_) != 0 && error_.empty()) error_ = "capture file " + path_ + ": cannot close";
  file_ = nullptr;
}

bool PcapWriter::Fail(const std::string& what) {
  error_ = "capture file " + path_ + ": " + what + ": " + std::strerror(errno);
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  return false;
}

}  // namespace sim
