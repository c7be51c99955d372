#include "sim/canopen/sdoserver.h"

#include <algorithm>

namespace sim {
namespace {

// Client command specifiers, bits 5 to 7 of byte 0.
enum ClientCommand : std::uint8_t {
  kDownloadSegment = 0,
  kInitiateDownload = 1,
  kInitiateUpload = 2,
  kUploadSegment = 3,
  kAbortTransfer = 4,
};

constexpr std::uint8_t kInitiateUploadResponse = 0x40;
constexpr std::uint8_t kInitiateDownloadResponse = 0x60;
constexpr std::uint8_t kDownloadSegmentResponse = 0x20;
constexpr std::uint8_t kAbortResponse = 0x80;
constexpr std::uint8_t kExpedited = 0x02;
constexpr std::uint8_t kSizeIndicated = 0x01;
constexpr std::uint8_t kLastSegment = 0x01;
constexpr std::uint8_t kToggle = 0x10;
constexpr std::size_t kExpeditedBytes = 4;
constexpr std::size_t kSegmentBytes = 7;
// Far beyond any object of the simulated nodes.
constexpr std::size_t kMaxUnsizedDownload = 65'536;

SdoServer::Frame Addressed(std::uint8_t command, std::uint16_t index, std::uint8_t subIndex) {
  return {command, static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8), subIndex, 0, 0, 0, 0};
}

void PutU32(SdoServer::Frame& frame, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) frame[4 + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetU32(const SdoServer::Frame& frame) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(frame[4 + i]) << (8 * i);
  return value;
}

}  // namespace

std::optional<SdoServer::Frame> SdoServer::OnRequest(const Frame& request) {
  const auto index = static_cast<std::uint16_t>(request[1] | (request[2] << 8));
  const std::uint8_t subIndex = request[3];
  switch (request[0] >> 5) {
    case kInitiateUpload:
      return InitiateUpload(index, subIndex);
    case kUploadSegment:
      return UploadSegment(request);
    case kInitiateDownload:
      return InitiateDownload(request, index, subIndex);
    case kDownloadSegment:
      return DownloadSegment(request);
    case kAbortTransfer:
      transfer_.reset();
      return std::nullopt;
    default:  // block transfers are not offered
      return Abort(index, subIndex, sdo_abort::kUnknownCommand);
  }
}

SdoServer::Frame SdoServer::Abort(std::uint16_t index, std::uint8_t subIndex, std::uint32_t code) {
  transfer_.reset();
  Frame frame = Addressed(kAbortResponse, index, subIndex);
  PutU32(frame, code);
  return frame;
}

std::optional<SdoServer::Frame> SdoServer::InitiateUpload(std::uint16_t index, std::uint8_t subIndex) {
  transfer_.reset();
  SdoRead read = objects_.Read(index, subIndex);
  if (read.abort != 0) return Abort(index, subIndex, read.abort);
  const std::size_t size = read.data.size();
  // Always with the size: the master takes an expedited answer without it
  // as 0 or 4 bytes, which breaks its 8- and 16-bit reads.
  if (size >= 1 && size <= kExpeditedBytes) {
    Frame frame = Addressed(
        static_cast<std::uint8_t>(kInitiateUploadResponse | ((kExpeditedBytes - size) << 2) | kExpedited | kSizeIndicated),
        index, subIndex);
    std::ranges::copy(read.data, frame.begin() + 4);
    return frame;
  }
  Frame frame = Addressed(kInitiateUploadResponse | kSizeIndicated, index, subIndex);
  PutU32(frame, static_cast<std::uint32_t>(size));
  // Assigned rather than emplaced: clang cannot tell that a nested struct
  // with member initialisers is default constructible (optional::emplace()).
  transfer_ = Transfer{};
  transfer_->upload = true;
  transfer_->index = index;
  transfer_->subIndex = subIndex;
  transfer_->data = std::move(read.data);
  return frame;
}

std::optional<SdoServer::Frame> SdoServer::UploadSegment(const Frame& request) {
  if (!transfer_ || !transfer_->upload) return Abort(0, 0, sdo_abort::kUnknownCommand);
  Transfer& transfer = *transfer_;
  const std::uint8_t toggle = request[0] & kToggle;
  if (toggle != transfer.toggle) return Abort(transfer.index, transfer.subIndex, sdo_abort::kToggleBit);
  const std::size_t count = std::min(kSegmentBytes, transfer.data.size() - transfer.offset);
  const bool last = transfer.offset + count == transfer.data.size();
  Frame frame{};
  frame[0] = static_cast<std::uint8_t>(toggle | ((kSegmentBytes - count) << 1) | (last ? kLastSegment : 0));
  std::copy_n(transfer.data.begin() + static_cast<std::ptrdiff_t>(transfer.offset), count, frame.begin() + 1);
  transfer.offset += count;
  transfer.toggle ^= kToggle;
  if (last) transfer_.reset();
  return frame;
}

std::optional<SdoServer::Frame> SdoServer::InitiateDownload(const Frame& request, std::uint16_t index,
                                                            std::uint8_t subIndex) {
  transfer_.reset();
  const std::uint8_t command = request[0];
  const bool sizeIndicated = (command & kSizeIndicated) != 0;
  if ((command & kExpedited) != 0) {
    const std::size_t size = sizeIndicated ? kExpeditedBytes - ((command >> 2) & 0x03) : kExpeditedBytes;
    const std::uint32_t result =
        objects_.Write(index, subIndex, std::span(request).subspan(4, size), sizeIndicated);
    if (result != 0) return Abort(index, subIndex, result);
    return Addressed(kInitiateDownloadResponse, index, subIndex);
  }
  std::optional<std::size_t> size;
  if (sizeIndicated) size = GetU32(request);
  const std::uint32_t result = objects_.CheckWrite(index, subIndex, size);
  if (result != 0) return Abort(index, subIndex, result);
  transfer_ = Transfer{};
  transfer_->index = index;
  transfer_->subIndex = subIndex;
  transfer_->size = size;
  return Addressed(kInitiateDownloadResponse, index, subIndex);
}

std::optional<SdoServer::Frame> SdoServer::DownloadSegment(const Frame& request) {
  if (!transfer_ || transfer_->upload) return Abort(0, 0, sdo_abort::kUnknownCommand);
  Transfer& transfer = *transfer_;
  const std::uint8_t toggle = request[0] & kToggle;
  if (toggle != transfer.toggle) return Abort(transfer.index, transfer.subIndex, sdo_abort::kToggleBit);
  const std::size_t count = kSegmentBytes - ((request[0] >> 1) & 0x07);
  transfer.data.insert(transfer.data.end(), request.begin() + 1, request.begin() + 1 + static_cast<std::ptrdiff_t>(count));
  transfer.toggle ^= kToggle;
  const bool last = (request[0] & kLastSegment) != 0;
  if (transfer.size && transfer.data.size() > *transfer.size) {
    return Abort(transfer.index, transfer.subIndex, sdo_abort::kLength);
  }
  // Without an indicated size only this limit stops a client that never ends.
  if (!transfer.size && transfer.data.size() > kMaxUnsizedDownload) {
    return Abort(transfer.index, transfer.subIndex, sdo_abort::kLengthTooHigh);
  }
  if (!last) {
    return Frame{static_cast<std::uint8_t>(kDownloadSegmentResponse | toggle), 0, 0, 0, 0, 0, 0, 0};
  }
  if (transfer.size && transfer.data.size() != *transfer.size) {
    return Abort(transfer.index, transfer.subIndex, sdo_abort::kLength);
  }
  const Transfer done = std::move(transfer);
  transfer_.reset();
  const std::uint32_t result = objects_.Write(done.index, done.subIndex, done.data, true);
  if (result != 0) return Abort(done.index, done.subIndex, result);
  return Frame{static_cast<std::uint8_t>(kDownloadSegmentResponse | toggle), 0, 0, 0, 0, 0, 0, 0};
}

}  // namespace sim
