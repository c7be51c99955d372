#include "drivers/usblink.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <set>

#include "platform/clock.h"
#include "platform/handles.h"
#include "platform/iochannel.h"
#include "platform/lasterror.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace drivers {
namespace {

bool Fail(std::uint32_t code) {
  platform::SetLastError(code);
  return false;
}

std::uint32_t ReadU32(const std::uint8_t* bytes) {
  return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
         std::uint32_t(bytes[3]) << 24;
}

// The devices this library drives: each has one link at a time, and the
// library drives no more than its limit.
class OpenDevices {
 public:
  bool Claim(const std::string& path, int limit) {
    std::lock_guard lock(mutex_);
    if (paths_.contains(path) || int(paths_.size()) >= limit) return false;
    paths_.insert(path);
    return true;
  }
  void Release(const std::string& path) {
    std::lock_guard lock(mutex_);
    paths_.erase(path);
  }

 private:
  std::mutex mutex_;
  std::set<std::string> paths_;
};

OpenDevices& LibraryDevices() {
  static OpenDevices devices;
  return devices;
}

std::string ChooseDevice(const UsbLinkOptions& options) {
  const std::vector<std::string> paths = platform::EnumerateUsbDevices(options.deviceClass);
  if (options.accessPoint == "1") return paths.empty() ? "" : paths.front();
  const auto found = std::find_if(paths.begin(), paths.end(), [&](const std::string& path) {
    return UsbInstanceText(path) == options.accessPoint;
  });
  return found == paths.end() ? "" : *found;
}

// Arguments that travel as little-endian bytes after the command code.
std::vector<std::uint8_t> CommandBytes(std::uint8_t code, std::span<const std::uint8_t> arguments,
                                       std::size_t minimumSize) {
  std::vector<std::uint8_t> bytes = {code};
  bytes.insert(bytes.end(), arguments.begin(), arguments.end());
  if (bytes.size() < minimumSize) bytes.resize(minimumSize, 0);
  return bytes;
}

std::vector<std::uint8_t> SectorAddress(std::uint8_t code, std::uint8_t sector,
                                        std::uint32_t address) {
  return {code, sector, std::uint8_t(address), std::uint8_t(address >> 8),
          std::uint8_t(address >> 16)};
}

}  // namespace

std::size_t UsbReadPacketSize(int timeStampMode) {
  return kUsbPacketSize + 4 * std::size_t(std::clamp(timeStampMode, 0, 2));
}

std::string UsbInstanceText(const std::string& devicePath) {
  const std::size_t pid = devicePath.find("pid");
  if (pid == std::string::npos) return "";
  std::size_t start = devicePath.find('#', pid);
  if (start == std::string::npos) return "";
  start = devicePath.find_first_not_of('_', start + 1);
  if (start == std::string::npos) return "";
  const std::size_t end = devicePath.find('#', start);
  return devicePath.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool ListUsbDevices(const platform::Guid& deviceClass, std::uint32_t* count,
                    std::uint32_t capacity, char* buffer) {
  if (count == nullptr || (buffer == nullptr && capacity > 0))
    return Fail(platform::kErrorInvalidParameter);
  const std::uint32_t wanted = *count;
  *count = 0;
  if (capacity > 0) buffer[0] = '\0';
  std::size_t used = 0;
  for (const std::string& path : platform::EnumerateUsbDevices(deviceClass)) {
    if (*count == wanted) break;
    const std::string text = UsbInstanceText(path);
    if (used + text.size() + 1 > capacity) return Fail(platform::kErrorMoreData);
    std::memcpy(buffer + used, text.c_str(), text.size() + 1);
    used += text.size() + 1;
    ++*count;
  }
  return true;
}

std::shared_ptr<UsbLink> UsbLink::Open(const UsbLinkOptions& options) {
  const std::string path = ChooseDevice(options);
  if (path.empty() || !LibraryDevices().Claim(path, options.maxOpenDevices)) {
    Fail(kErrorUsbDeviceOpen);
    return nullptr;
  }
  std::shared_ptr<UsbLink> link(new UsbLink);
  link->devicePath_ = path;
  if (!link->Start(options, path)) {
    const std::uint32_t code = platform::GetLastError();
    link->Close();
    platform::SetLastError(code);
    return nullptr;
  }
  return link;
}

UsbLink::~UsbLink() { Close(); }

bool UsbLink::Start(const UsbLinkOptions& options, const std::string& devicePath) {
  device_ = std::make_shared<platform::UsbFile>();
  if (!device_->Open(devicePath) || !CheckDescriptors()) return Fail(kErrorUsbDeviceOpen);
  readPipe_ = std::make_shared<platform::UsbFile>();
  if (!readPipe_->Open(devicePath + "\\" + kUsbReadPipe)) return Fail(kErrorUsbReadPipeOpen);
  writePipe_ = std::make_shared<platform::UsbFile>();
  if (!writePipe_->Open(devicePath + "\\" + kUsbWritePipe)) return Fail(kErrorUsbWritePipeOpen);

  handle_ = platform::RegisterObject(device_);
  if (handle_ == platform::kNullHandle) return Fail(kErrorUsbDeviceOpen);
  char eventName[64];
  std::snprintf(eventName, sizeof eventName, options.writeEventFormat, unsigned(handle_));
  // Auto-reset, so that one waiting transmit at a time takes the pipe.
  writeEvent_ = platform::CreateEvent(false, true, eventName);
  if (writeEvent_ == platform::kNullHandle) return Fail(kErrorWriteEventCreate);

  thread_ = platform::CreateThread(
      [self = shared_from_this()] {
        self->ReadLoop();
        return std::uint32_t(0);
      },
      false, nullptr, 4096);
  if (thread_ == platform::kNullHandle) return Fail(kErrorUsbDeviceOpen);
  platform::SetThreadPriority(thread_, platform::kThreadPriorityTimeCritical);

  // A device that answers its firmware version is alive.
  std::int32_t major = 0, minor = 0;
  return AskVersion(*this, command::kFirmwareVersion, &major, &minor) &&
         Tell(command::kReset, {});
}

bool UsbLink::CheckDescriptors() {
  std::vector<std::uint8_t> block;
  if (!Request(usbrequest::kDescriptor, {}, &block, kDescriptorBlockSize)) return false;
  // Each descriptor starts with its length and type; a length of 0 ends the
  // list. The walk never leaves the block the device returned.
  constexpr std::uint8_t kDeviceDescriptor = 1;
  if (block.size() < 2 || block[1] != kDeviceDescriptor) return false;
  std::size_t at = 0;
  while (at + 2 <= block.size() && block[at] != 0) {
    if (block[at] < 2 || at + block[at] > block.size()) return false;
    at += block[at];
  }
  return true;
}

void UsbLink::ReadLoop() {
  std::uint8_t buffer[64];
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    std::uint32_t got = 0;
    if (!readPipe_->Read(buffer, sizeof buffer, &got, platform::kInfinite)) {
      if (platform::GetLastError() == platform::kErrorMoreData) continue;  // dropped
      return NoteReadEnded();  // the link closes or the device has gone: nothing more comes
    }
    StorePacket(std::span(buffer, got));
  }
}

void UsbLink::StorePacket(std::span<const std::uint8_t> packet) {
  platform::Handle event;
  {
    std::lock_guard lock(mutex_);
    // A packet of another mode's length is damaged or stale.
    if (packet.size() != UsbReadPacketSize(timeStampMode_)) return;
    CanMessage message{};
    message.Id = ReadU32(&packet[0]);
    message.Flags = packet[4];
    message.Length = std::min(packet[5], kMaxDataLength);
    std::copy_n(&packet[6], kMaxDataLength, message.Data);
    if (timeStampMode_ == 0) {
      std::int64_t counter = 0;
      platform::QueryPerformanceCounter(&counter);
      message.TimeStampHigh = std::uint32_t(std::uint64_t(counter) >> 32);
      message.TimeStampLow = std::uint32_t(counter);
    } else {
      message.TimeStampLow = ReadU32(&packet[kUsbPacketSize]);
      if (timeStampMode_ == 2) message.TimeStampHigh = ReadU32(&packet[kUsbPacketSize + 4]);
    }
    received_.Push(message);
    event = receiveEvent_;
  }
  if (event != platform::kNullHandle) platform::SetEvent(event);
}

bool UsbLink::Transmit(const CanMessage& frame) {
  if (frame.Length > kMaxDataLength) return Fail(kErrorFrameTooLong);
  if (!writePipe_ || !writePipe_->IsOpen()) return Fail(kErrorUsbDeviceOpen);
  if (platform::WaitForSingleObject(writeEvent_, kWriteSlotWaitMs) != platform::kWaitObject0)
    return Fail(kErrorWriteIncomplete);
  // The next transmit may go whatever happens to this one.
  struct SlotRelease {
    platform::Handle event;
    ~SlotRelease() { platform::SetEvent(event); }
  } release{writeEvent_};

  std::uint8_t packet[kUsbPacketSize] = {std::uint8_t(frame.Id), std::uint8_t(frame.Id >> 8),
                                         std::uint8_t(frame.Id >> 16), std::uint8_t(frame.Id >> 24),
                                         frame.Flags, frame.Length};
  std::copy_n(frame.Data, frame.Length, packet + 6);
  std::uint32_t written = 0;
  if (!writePipe_->Write(packet, sizeof packet, &written, kWriteTimeoutMs))
    return Fail(platform::GetLastError() == platform::kErrorTimeout ? kErrorWriteIncomplete
                                                                     : kErrorWriteFailed);
  if (written != sizeof packet) return Fail(kErrorWriteIncomplete);
  return true;
}

bool UsbLink::Receive(CanMessage* frame) {
  {
    std::lock_guard lock(mutex_);
    if (received_.Pop(frame)) return true;
  }
  *frame = CanMessage{};
  frame->Id = 0xFFFFFFFF;
  return FailEmptyReceive();
}

void UsbLink::RegisterReceiveEvent(platform::Handle event) {
  std::lock_guard lock(mutex_);
  receiveEvent_ = event;
}

bool UsbLink::Close() {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return true;
    closed_ = stopping_ = true;
    receiveEvent_ = platform::kNullHandle;
  }
  if (thread_ != platform::kNullHandle) Setting(command::kClose, {});
  // Closing the pipe wakes the read thread's pending read.
  if (readPipe_) readPipe_->Close();
  if (thread_ != platform::kNullHandle) platform::WaitForSingleObject(thread_, kStopWaitMs);
  if (writePipe_) writePipe_->Close();
  if (device_) device_->Close();
  for (platform::Handle* handle : {&thread_, &writeEvent_, &handle_}) {
    if (*handle != platform::kNullHandle) platform::CloseHandle(*handle);
    *handle = platform::kNullHandle;
  }
  if (!devicePath_.empty()) LibraryDevices().Release(devicePath_);
  return true;
}

bool UsbLink::Request(std::uint32_t code, std::span<const std::uint8_t> input,
                      std::vector<std::uint8_t>* output, std::size_t outputCapacity) {
  if (!device_ || !device_->IsOpen()) return Fail(kErrorUsbDeviceOpen);
  output->resize(outputCapacity);
  std::uint32_t returned = 0;
  if (!device_->DeviceIoControl(code, input.data(), std::uint32_t(input.size()), output->data(),
                                std::uint32_t(outputCapacity), &returned))
    return false;
  output->resize(returned);
  return true;
}

bool UsbLink::Setting(std::uint8_t code, std::span<const std::uint8_t> arguments,
                      std::size_t minimumSize) {
  std::vector<std::uint8_t> ignored;
  return Request(usbrequest::kSetting, CommandBytes(code, arguments, minimumSize), &ignored,
                 kAnswerBufferSize);
}

bool UsbLink::Ask(const Query& query, std::vector<std::uint8_t>* value) {
  if (query.arguments.size() > 4) return Fail(kErrorBadArgument);
  if (!Request(usbrequest::kQuery, CommandBytes(query.code, query.arguments, 5), value,
               kAnswerBufferSize))
    return false;
  // Only a value of the size the command answers counts.
  if (value->size() < query.minValueSize || value->size() > query.maxValueSize)
    return Fail(kErrorNoReply);
  return true;
}

bool UsbLink::Tell(std::uint8_t code, std::span<const std::uint8_t> arguments) {
  return Setting(code, arguments);
}

bool UsbLink::SetTimeStampMode(std::uint8_t mode) {
  if (mode > 2) return Fail(kErrorBadArgument);
  const std::uint8_t argument[] = {mode};
  if (!Setting(command::kSetTimeStampMode, argument)) return false;
  std::lock_guard lock(mutex_);
  timeStampMode_ = mode;
  return true;
}

bool UsbLink::GetParameterArray(std::uint16_t number, std::vector<std::uint8_t>* value) {
  const std::uint8_t query[] = {command::kParameterGet, 0, parameter::kArray, std::uint8_t(number),
                                std::uint8_t(number >> 8)};
  return Request(usbrequest::kQuery, query, value, parameter::kMaxArrayLength);
}

bool UsbLink::SetParameter(std::uint8_t kind, std::uint16_t number,
                           std::span<const std::uint8_t> value) {
  if (value.size() > parameter::kMaxArrayLength) return Fail(kErrorBadArgument);
  std::vector<std::uint8_t> arguments = {0, kind, std::uint8_t(number), std::uint8_t(number >> 8)};
  arguments.insert(arguments.end(), value.begin(), value.end());
  return Setting(command::kParameterSet, arguments);
}

bool UsbLink::FirmwareUpgrade() {
  std::vector<std::uint8_t> ignored;
  const std::uint8_t code[] = {0, kFirmwareUpgradeCode[0], kFirmwareUpgradeCode[1],
                               kFirmwareUpgradeCode[2], kFirmwareUpgradeCode[3]};
  return Request(usbrequest::kUpgradeCode, code, &ignored, kAnswerBufferSize) &&
         Request(usbrequest::kEnterUpgradeMode, {}, &ignored, kAnswerBufferSize);
}

bool UsbLink::Confirm(std::uint8_t code, std::span<const std::uint8_t> arguments, std::size_t,
                      std::uint32_t) {
  // The request itself is the module's confirmation.
  return Setting(code, arguments);
}

bool UsbLink::WriteFirmware(std::uint8_t sector, std::uint32_t address,
                            std::span<std::uint8_t> data) {
  std::vector<std::uint8_t> request = SectorAddress(usbcommand::kWriteFirmware, sector, address);
  request.insert(request.end(), data.begin(), data.end());
  std::vector<std::uint8_t> ignored;
  return Request(usbrequest::kSetting, request, &ignored, kAnswerBufferSize);
}

bool UsbLink::ReadFirmware(std::uint8_t sector, std::uint32_t address,
                           std::span<std::uint8_t> data) {
  std::vector<std::uint8_t> answer;
  if (!Request(usbrequest::kQuery, SectorAddress(usbcommand::kReadFirmware, sector, address),
               &answer, data.size()))
    return false;
  if (answer.size() != data.size()) return Fail(kErrorBadReply);
  std::copy(answer.begin(), answer.end(), data.begin());
  return true;
}

bool UsbLink::EnterUpgradeMode(std::uint32_t code) {
  constexpr std::size_t kUpgradeRequestSize = 9;
  const std::uint8_t codeBytes[] = {std::uint8_t(code), std::uint8_t(code >> 8),
                                    std::uint8_t(code >> 16), std::uint8_t(code >> 24)};
  std::vector<std::uint8_t> ignored;
  return Setting(command::kFirmwareUpgrade, codeBytes, kUpgradeRequestSize) &&
         Request(usbrequest::kEnterUpgradeMode, {}, &ignored, kAnswerBufferSize);
}

}  // namespace drivers
