// VRK_COCN: the SDO client. A caller starts a transfer and blocks; the
// receive thread drives the segment exchange frame by frame and signals the
// end. Expedited and segmented transfers in both directions; no block mode.
#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

#include "canopen/cocn.h"
#include "platform/lasterror.h"
#include "platform/sync.h"

namespace cocn {
namespace {

constexpr std::uint8_t kInitiateUpload = 0x40;
constexpr std::uint8_t kUploadSegment = 0x60;
constexpr std::uint8_t kAbortTransfer = 0x80;
constexpr std::uint8_t kInitiateDownloadSegmented = 0x21;
constexpr std::uint8_t kInitiateDownloadExpedited = 0x23;
constexpr std::uint8_t kToggle = 0x10;
constexpr std::uint8_t kLastSegment = 0x01;
constexpr std::uint32_t kToggleAbort = 0x05030000;
constexpr std::uint32_t kLengthTooHigh = 0x06070012;
constexpr std::uint32_t kLengthTooLow = 0x06070013;
constexpr std::uint32_t kAbortGeneralError = 0x08000000;

using Frame = std::array<std::uint8_t, 8>;

std::uint32_t Le32(const std::uint8_t* bytes) {
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

void PutLe32(std::uint8_t* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

Frame Request(std::uint8_t command, std::uint16_t index, std::uint8_t subIndex) {
  return Frame{command, static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8), subIndex};
}

void Finish(SdoChannel& channel, std::int32_t result) {
  channel.Result = result;
  channel.Finished = true;
  platform::SetEvent(channel.DoneEvent);
}

// Ends the running transfer in failure with an abort code, which the server
// is told of as well: it may hold the transfer open still.
void AbortTransfer(Interface& iface, SdoChannel& channel, std::uint32_t code) {
  Frame frame = Request(kAbortTransfer, channel.Index, channel.SubIndex);
  PutLe32(frame.data() + 4, code);
  SendFrame(iface, channel.RequestCobId, frame);
  Finish(channel, static_cast<std::int32_t>(code));
}

// Sends a follow-up request of the running transfer; a failed send ends it.
void SendFollowUp(Interface& iface, SdoChannel& channel, const Frame& frame) {
  channel.LastCommand = frame[0];
  if (!SendFrame(iface, channel.RequestCobId, frame)) Finish(channel, static_cast<std::int32_t>(kCopnErrorSend));
}

// The next download segment: the bytes that follow those already confirmed.
void SendDownloadSegment(Interface& iface, SdoChannel& channel, std::uint8_t toggle) {
  const std::uint32_t count = std::min<std::uint32_t>(7, channel.Total - channel.Done);
  const bool last = channel.Done + count >= channel.Total;
  Frame frame{};
  frame[0] = static_cast<std::uint8_t>(toggle | ((7 - count) << 1) | (last ? kLastSegment : 0));
  std::copy_n(channel.Data.begin() + channel.Done, count, frame.begin() + 1);
  channel.InFlight = count;
  SendFollowUp(iface, channel, frame);
}

void OnInitiateUploadResponse(Interface& iface, SdoChannel& channel, const CanMessage& frame) {
  const std::uint8_t command = frame.Data[0];
  channel.Index = static_cast<std::uint16_t>(frame.Data[1] | (frame.Data[2] << 8));
  channel.SubIndex = frame.Data[3];
  const bool sizeIndicated = (command & 0x01) != 0;
  if ((command & 0x02) != 0) {
    // Expedited. Without a size the server sent up to four bytes; keep as
    // many as the caller has room for rather than none.
    const std::uint32_t size = sizeIndicated ? 4u - ((command >> 2) & 0x03) : std::min(channel.Capacity, 4u);
    if (size > channel.Capacity) return Finish(channel, static_cast<std::int32_t>(kCopnErrorBuffer));
    channel.Data.assign(frame.Data + 4, frame.Data + 4 + size);
    channel.Done = size;
    return Finish(channel, 0);
  }
  channel.SizeIndicated = sizeIndicated;
  channel.Total = sizeIndicated ? Le32(frame.Data + 4) : 0;
  if (sizeIndicated && channel.Total > channel.Capacity) {
    return Finish(channel, static_cast<std::int32_t>(kCopnErrorBuffer));
  }
  SendFollowUp(iface, channel, Request(kUploadSegment, 0, 0));
}

void OnUploadSegment(Interface& iface, SdoChannel& channel, const CanMessage& frame) {
  const std::uint8_t command = frame.Data[0];
  if ((command & kToggle) != (channel.LastCommand & kToggle)) return Finish(channel, kToggleAbort);
  const std::uint32_t count = 7 - ((command >> 1) & 0x07);
  if (channel.Done + count > channel.Capacity) return Finish(channel, static_cast<std::int32_t>(kCopnErrorBuffer));
  // The data must come to the size the server announced, neither more nor
  // less: a short object is not passed off as the whole one.
  if (channel.SizeIndicated && channel.Done + count > channel.Total) {
    return AbortTransfer(iface, channel, kLengthTooHigh);
  }
  channel.Data.insert(channel.Data.end(), frame.Data + 1, frame.Data + 1 + count);
  channel.Done += count;
  if ((command & kLastSegment) != 0) {
    if (channel.SizeIndicated && channel.Done != channel.Total) return AbortTransfer(iface, channel, kLengthTooLow);
    return Finish(channel, 0);
  }
  const std::uint8_t toggle = (channel.LastCommand & kToggle) ^ kToggle;
  SendFollowUp(iface, channel, Request(kUploadSegment | toggle, 0, 0));
}

void OnInitiateDownloadResponse(Interface& iface, SdoChannel& channel, const CanMessage& frame) {
  channel.Index = static_cast<std::uint16_t>(frame.Data[1] | (frame.Data[2] << 8));
  channel.SubIndex = frame.Data[3];
  if (channel.LastCommand != kInitiateDownloadSegmented) {
    channel.Done = channel.Total;
    return Finish(channel, 0);
  }
  SendDownloadSegment(iface, channel, 0);
}

void OnDownloadSegmentResponse(Interface& iface, SdoChannel& channel, const CanMessage& frame) {
  const std::uint8_t sentToggle = channel.LastCommand & kToggle;
  if ((frame.Data[0] & kToggle) != sentToggle) return Finish(channel, kToggleAbort);
  channel.Done += channel.InFlight;
  channel.InFlight = 0;
  if ((channel.LastCommand & kLastSegment) != 0) return Finish(channel, 0);
  SendDownloadSegment(iface, channel, sentToggle ^ kToggle);
}

bool AwaitingInitiateUpload(const SdoChannel& channel) { return channel.LastCommand == kInitiateUpload; }
bool AwaitingUploadSegment(const SdoChannel& channel) {
  return (channel.LastCommand & ~kToggle) == kUploadSegment;
}
bool AwaitingInitiateDownload(const SdoChannel& channel) { return (channel.LastCommand & 0xE0) == 0x20; }
bool AwaitingDownloadSegment(const SdoChannel& channel) { return channel.LastCommand < 0x20; }

// Waits for the channel to be free and claims it; false when it stays busy
// for the whole budget.
bool ClaimChannel(Interface& iface, SdoChannel& channel) {
  for (;;) {
    if (platform::WaitForSingleObject(channel.GateEvent, kSdoBudgetMs) != platform::kWaitObject0) return false;
    Lock lock(iface.Mutex);
    if (!channel.Claimed) {
      channel.Claimed = true;
      platform::ResetEvent(channel.GateEvent);
      return true;
    }
  }
}

// Marks the channel idle: answers that come later are ignored.
void ReleaseChannel(SdoChannel& channel) {
  channel.Direction = SdoDirection::kIdle;
  channel.Claimed = false;
  platform::SetEvent(channel.GateEvent);
}

Frame InitiateRequest(const SdoTransfer& transfer) {
  if (transfer.direction == SdoDirection::kUpload) return Request(kInitiateUpload, transfer.index, transfer.subIndex);
  const auto length = static_cast<std::uint32_t>(transfer.download.size());
  if (length > 4) {
    Frame frame = Request(kInitiateDownloadSegmented, transfer.index, transfer.subIndex);
    PutLe32(frame.data() + 4, length);
    return frame;
  }
  Frame frame = Request(static_cast<std::uint8_t>(kInitiateDownloadExpedited | ((4 - length) << 2)), transfer.index,
                        transfer.subIndex);
  std::copy(transfer.download.begin(), transfer.download.end(), frame.begin() + 4);
  return frame;
}

// Runs one transfer on the node's channel. On success an upload's bytes are
// in *received. Result 1, or 0 with the last error set.
int RunTransfer(std::int32_t handle, std::uint8_t node, const SdoTransfer& transfer,
                std::vector<std::uint8_t>* received) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  if (!ValidNodeId(node)) {
    platform::SetLastError(kCopnErrorNodeId);
    return 0;
  }
  const std::shared_ptr<CopnNode> record = FindNode(*iface, node);
  if (!record || !record->Sdo) return 0;
  const std::shared_ptr<SdoChannel> channel = record->Sdo;
  if (!ClaimChannel(*iface, *channel)) return 0;
  {
    Lock lock(iface->Mutex);
    if (!StartSdoTransfer(*iface, *channel, transfer)) {
      ReleaseChannel(*channel);
      platform::SetLastError(kCopnErrorSend);
      return 0;
    }
  }
  platform::WaitForSingleObject(channel->DoneEvent, kSdoBudgetMs);
  Lock lock(iface->Mutex);
  const std::uint32_t error = SdoTransferOutcome(*channel, transfer, received);
  ReleaseChannel(*channel);
  if (error != 0) {
    platform::SetLastError(error);
    return 0;
  }
  return 1;
}

// The unsigned type of a value's size, for its bit pattern.
template <typename T>
using Bits = std::conditional_t<sizeof(T) == 1, std::uint8_t,
                                std::conditional_t<sizeof(T) == 2, std::uint16_t, std::uint32_t>>;

template <typename T>
int TypedUpload(std::int32_t handle, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex, T* value) {
  std::vector<std::uint8_t> bytes;
  if (RunTransfer(handle, node, SdoTransfer{SdoDirection::kUpload, index, subIndex, 4, {}}, &bytes) == 0) return 0;
  if (bytes.size() != sizeof(T)) {
    platform::SetLastError(bytes.size() > sizeof(T) ? kLengthTooHigh : kLengthTooLow);
    return 0;
  }
  std::uint32_t raw = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) raw |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  *value = std::bit_cast<T>(static_cast<Bits<T>>(raw));
  return 1;
}

template <typename T>
int TypedDownload(std::int32_t handle, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex, T value) {
  const std::uint32_t raw = std::bit_cast<Bits<T>>(value);
  std::array<std::uint8_t, sizeof(T)> bytes{};
  for (std::size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<std::uint8_t>(raw >> (8 * i));
  return SDO_Download(handle, node, index, subIndex, sizeof(T), bytes.data());
}

struct AbortText {
  std::uint32_t code;
  const char* text;
};

constexpr AbortText kAbortTexts[] = {
    {0x05030000, "Toggle bit not alternated."},
    {0x05040000, "SDO protocol timed out."},
    {0x05040001, "Client/server command specifier not valid or unknown."},
    {0x05040002, "Invalid block size (block mode only)."},
    {0x05040003, "Invalid sequence number (block mode only)."},
    {0x05040004, "CRC error (block mode only)."},
    {0x05040005, "Out of memory."},
    {0x06010000, "Unsupported access to an object."},
    {0x06010001, "Attempt to read a write only object."},
    {0x06010002, "Attempt to write a read only object."},
    {0x06020000, "Object does not exist in the object dictionary."},
    {0x06040041, "Object cannot be mapped to the PDO."},
    {0x06040042, "The number and length of the objects to be mapped would exceed PDO length."},
    {0x06040043, "General parameter incompatibility reason."},
    {0x06040047, "General internal incompatibility in the device."},
    {0x06060000, "Access failed due to an hardware error."},
    {0x06070010, "Data type does not match, length of service parameter does not match"},
    {0x06070012, "Data type does not match, length of service parameter too high"},
    {0x06070013, "Data type does not match, length of service parameter too low"},
    {0x06090011, "Sub-index does not exist."},
    {0x06090030, "Value range of parameter exceeded (only for write access)."},
    {0x06090031, "Value of parameter written too high."},
    {0x06090032, "Value of parameter written too low."},
    {0x06090036, "Maximum value is less than minimum value."},
    {0x08000000, "general error"},
    {0x08000020, "Data cannot be transferred or stored to the application."},
    {0x08000021, "Data cannot be transferred or stored to the application because of local control."},
    {0x08000022, "Data cannot be transferred or stored to the application because of the present device state."},
    {0x08000023, "Object dictionary dynamic generation fails or no object dictionary is present."},
};

}  // namespace

void OnSdoResponse(Interface& iface, SdoChannel& channel, const CanMessage& frame) {
  if (frame.Length != 8 || (frame.Flags & kCanFlagRemote) != 0) return;
  if (channel.Direction == SdoDirection::kIdle || channel.Finished) return;
  const std::uint8_t command = frame.Data[0];
  if (command >= 0x80 && command <= 0x9F) {
    // An abort always ends the transfer in failure: one that gives no code
    // (0, which would read as success) counts as a general error.
    const std::uint32_t code = Le32(frame.Data + 4);
    return Finish(channel, static_cast<std::int32_t>(code != 0 ? code : kAbortGeneralError));
  }
  if (channel.Direction == SdoDirection::kUpload) {
    if ((command & 0xE0) == 0x40 && AwaitingInitiateUpload(channel)) return OnInitiateUploadResponse(iface, channel, frame);
    if (command < 0x20 && AwaitingUploadSegment(channel)) return OnUploadSegment(iface, channel, frame);
    return;
  }
  if ((command & 0xE0) == 0x60 && AwaitingInitiateDownload(channel)) {
    return OnInitiateDownloadResponse(iface, channel, frame);
  }
  if ((command & 0xE0) == 0x20 && AwaitingDownloadSegment(channel)) {
    return OnDownloadSegmentResponse(iface, channel, frame);
  }
}

bool StartSdoTransfer(Interface& iface, SdoChannel& channel, const SdoTransfer& transfer) {
  platform::ResetEvent(channel.DoneEvent);
  channel.Index = transfer.index;
  channel.SubIndex = transfer.subIndex;
  channel.Done = channel.InFlight = 0;
  channel.Result = 0;
  channel.Finished = false;
  channel.Direction = transfer.direction;
  channel.Capacity = transfer.direction == SdoDirection::kUpload ? transfer.capacity
                                                                 : static_cast<std::uint32_t>(transfer.download.size());
  channel.Total = transfer.direction == SdoDirection::kUpload ? 0 : channel.Capacity;
  channel.SizeIndicated = false;
  channel.Data.assign(transfer.download.begin(), transfer.download.end());
  const Frame initiate = InitiateRequest(transfer);
  channel.LastCommand = initiate[0];
  return SendFrame(iface, channel.RequestCobId, initiate);
}

std::uint32_t SdoTransferOutcome(const SdoChannel& channel, const SdoTransfer& transfer,
                                 std::vector<std::uint8_t>* received) {
  if (!channel.Finished) {
    return transfer.direction == SdoDirection::kUpload ? kCopnErrorSend : kCopnErrorDownloadTimeout;
  }
  if (channel.Result != 0) return static_cast<std::uint32_t>(channel.Result);
  if (channel.Index != transfer.index) return kCopnErrorIndex;
  if (channel.SubIndex != transfer.subIndex) return kCopnErrorSubIndex;
  if (received != nullptr) received->assign(channel.Data.begin(), channel.Data.begin() + channel.Done);
  return 0;
}

SdoChannel::~SdoChannel() {
  for (platform::Handle event : {GateEvent, DoneEvent}) {
    if (event != platform::kNullHandle) platform::CloseHandle(event);
  }
}

std::shared_ptr<SdoChannel> CreateSdoChannel(Interface& iface, std::uint8_t node) {
  auto channel = std::make_shared<SdoChannel>();
  channel->RequestCobId = 0x600u + node;
  channel->ResponseCobId = 0x580u + node;
  char name[96];
  std::snprintf(name, sizeof name, "COP_SDO_RequestEvent Interface%ld Node%hd Sdo%d", static_cast<long>(iface.Handle),
                static_cast<short>(node), channel->Number);
  channel->GateEvent = platform::CreateEvent(true, true, name);
  std::snprintf(name, sizeof name, "COB_SDO_ResponseEvent Interface%ld Node%hd Sdo%d", static_cast<long>(iface.Handle),
                static_cast<short>(node), channel->Number);
  channel->DoneEvent = platform::CreateEvent(true, true, name);
  if (channel->GateEvent == platform::kNullHandle || channel->DoneEvent == platform::kNullHandle) return nullptr;
  if (!EnterReceive(iface, channel->ResponseCobId, ReceiveEntry{ReceiveKind::kSdoResponse, node, channel, nullptr})) {
    return nullptr;
  }
  return channel;
}

}  // namespace cocn

using namespace cocn;

namespace {

int RefuseBlockTransfer(std::int32_t iface) {
  if (FindInterface(iface) != nullptr) platform::SetLastError(kCopnErrorNotSupported);
  return 0;
}

}  // namespace

extern "C" {

int SDO_Upload(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex, std::uint32_t* len,
               std::uint8_t* data) {
  std::vector<std::uint8_t> bytes;
  if (RunTransfer(iface, node, SdoTransfer{SdoDirection::kUpload, index, subIndex, *len, {}}, &bytes) == 0) return 0;
  std::copy(bytes.begin(), bytes.end(), data);
  *len = static_cast<std::uint32_t>(bytes.size());
  return 1;
}

int SDO_Download(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex, std::uint32_t len,
                 const std::uint8_t* data) {
  if (len == 0) {
    // No command byte describes an empty download; refuse it rather than
    // send a reserved one.
    if (FindInterface(iface) == nullptr) return 0;
    platform::SetLastError(kCopnErrorInvalidLength);
    return 0;
  }
  return RunTransfer(iface, node, SdoTransfer{SdoDirection::kDownload, index, subIndex, 0, {data, len}}, nullptr);
}

int SDO_Upload_UNSIGNED8(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                         std::uint8_t* value) {
  return TypedUpload(iface, node, index, subIndex, value);
}
int SDO_Upload_UNSIGNED16(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                          std::uint16_t* value) {
  return TypedUpload(iface, node, index, subIndex, value);
}
int SDO_Upload_UNSIGNED32(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                          std::uint32_t* value) {
  return TypedUpload(iface, node, index, subIndex, value);
}
int SDO_Upload_INTEGER8(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                        std::int8_t* value) {
  return TypedUpload(iface, node, index, subIndex, value);
}
int SDO_Upload_INTEGER16(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                         std::int16_t* value) {
  return TypedUpload(iface, node, index, subIndex, value);
}
int SDO_Upload_INTEGER32(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                         std::int32_t* value) {
  return TypedUpload(iface, node, index, subIndex, value);
}
int SDO_Upload_REAL32(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                      float* value) {
  return TypedUpload(iface, node, index, subIndex, value);
}

int SDO_Download_UNSIGNED8(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                           std::uint8_t value) {
  return TypedDownload(iface, node, index, subIndex, value);
}
int SDO_Download_UNSIGNED16(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                            std::uint16_t value) {
  return TypedDownload(iface, node, index, subIndex, value);
}
int SDO_Download_UNSIGNED32(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                            std::uint32_t value) {
  return TypedDownload(iface, node, index, subIndex, value);
}
int SDO_Download_INTEGER8(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                          std::int8_t value) {
  return TypedDownload(iface, node, index, subIndex, value);
}
int SDO_Download_INTEGER16(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                           std::int16_t value) {
  return TypedDownload(iface, node, index, subIndex, value);
}
int SDO_Download_INTEGER32(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                           std::int32_t value) {
  return TypedDownload(iface, node, index, subIndex, value);
}
int SDO_Download_REAL32(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                        float value) {
  return TypedDownload(iface, node, index, subIndex, value);
}

// Block transfer is not offered: saying "done" while transferring nothing
// would pass off missing data as a transfer.
int SDO_Block_Upload(std::int32_t iface, std::uint8_t, std::uint16_t, std::uint8_t, std::uint32_t*, std::uint8_t*) {
  return RefuseBlockTransfer(iface);
}

int SDO_Block_Download(std::int32_t iface, std::uint8_t, std::uint16_t, std::uint8_t, std::uint32_t,
                       const std::uint8_t*) {
  return RefuseBlockTransfer(iface);
}

int GetErrorString(std::int32_t, std::uint32_t code, char* text) {
  for (const AbortText& entry : kAbortTexts) {
    if (entry.code == code) {
      std::strcpy(text, entry.text);
      return 1;
    }
  }
  std::sprintf(text, "Unknown Error 0x%X.", code);
  return 0;
}

}  // extern "C"
