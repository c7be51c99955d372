#include "drivers/seriallink.h"

#include <algorithm>
#include <cstdio>

#include "drivers/portwritelock.h"
#include "drivers/serialreply.h"
#include "platform/clock.h"
#include "platform/kernelobject.h"
#include "platform/lasterror.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace drivers {
namespace {

bool Fail(std::uint32_t code) {
  platform::SetLastError(code);
  return false;
}

}  // namespace

std::string SerialLink::PortName(int comPort) {
  switch (comPort) {
    case 1: case 0x3F8: return "COM1";
    case 2: case 0x2F8: return "COM2";
    case 3: return "COM3";
    case 4: return "COM4";
    default: return "";
  }
}

void CloseKeepingError(Link& link) {
  const std::uint32_t code = platform::GetLastError();
  link.Close();
  platform::SetLastError(code);
}

std::uint32_t LineRateOf(std::int32_t comBaud, std::initializer_list<std::uint32_t> rates) {
  const bool runs = std::find(rates.begin(), rates.end(), std::uint32_t(comBaud)) != rates.end();
  return runs ? std::uint32_t(comBaud) : 19200;
}

std::uint32_t SerialLink::LineRate(std::int32_t comBaud) { return LineRateOf(comBaud, {9600, 19200, 38400, 57600}); }

std::shared_ptr<SerialLink> SerialLink::Open(const SerialLinkOptions& options) {
  return OpenOnComPort<SerialLink>(
      options.comPort, [] { return std::shared_ptr<SerialLink>(new SerialLink); },
      [&](SerialLink& link, const std::string& port) { return link.Start(options, port); });
}

SerialLink::~SerialLink() { Close(); }

bool SerialLink::Start(const SerialLinkOptions& options, const std::string& portName) {
  options_ = options;
  portName_ = portName;
  // The platform refuses a port that is already open, in this library or
  // any other: two links never share one line.
  if (!port_.Open(portName)) return Fail(kErrorComPortOpen);
  if (!port_.SetBaudRate(LineRate(options.comBaud))) return Fail(kErrorComPortSettingsWrite);
  port_.SetDtr(true);
  port_.SetRts(true);
  // A read that holds part of a frame ends once the line falls quiet, so a
  // torn frame never stalls the receive thread; writes of a stuck line end.
  port_.SetTimeouts({.readIntervalMs = 1, .readTotalMs = platform::kInfinite,
                     .writeTotalMs = kWriteTimeoutMs});
  // What the interface sent before this open belongs to an earlier session.
  port_.Purge(platform::kPurgeRxClear | platform::kPurgeTxClear);

  handle_ = platform::RegisterObject(std::make_shared<ComPortObject>());
  char mutexName[64];
  const long portIndex = portName.back() - '1';  // COM1: 0
  std::snprintf(mutexName, sizeof mutexName, options.writeMutexFormat, portIndex);
  writeMutex_ = platform::CreateMutex(false, mutexName);
  if (handle_ == platform::kNullHandle || writeMutex_ == platform::kNullHandle)
    return Fail(kErrorComPortOpen);

  thread_ = platform::CreateThread(
      [self = shared_from_this()] {
        self->ReceiveLoop();
        return std::uint32_t(0);
      },
      false, nullptr, 4096);
  if (thread_ == platform::kNullHandle) return Fail(kErrorComPortOpen);
  platform::SetThreadPriority(thread_, platform::kThreadPriorityTimeCritical);

  return Synchronise() && CheckModeAndReset();
}

bool SerialLink::Synchronise() {
  {
    std::lock_guard lock(mutex_);
    parser_.ExpectSynchronisation();
  }
  for (int attempt = 0; attempt < kSyncAttempts; ++attempt) {
    if (!Write(kSyncRequest)) return false;
    std::unique_lock lock(mutex_);
    if (WaitFor(lock, kSyncWaitMs, [this] { return parser_.Synchronised(); })) return true;
  }
  return Fail(kErrorNoReply);
}

bool SerialLink::CheckModeAndReset() {
  std::uint32_t mode = 0;
  if (!AskValue(*this, command::kMode, ReplyForm::kEcho, 1, &mode)) return false;
  if (mode != 1 && !options_.acceptAnyMode) return Fail(kErrorBadReply);
  return Tell(command::kReset, {});
}

// Each read asks for exactly the bytes that complete the frame under way, so
// a frame is parsed and handed over the moment its last byte is in; the
// line's interval time-out ends only a read that holds part of a frame.
void SerialLink::ReceiveLoop() {
  std::uint8_t buffer[kMaxDeviceFrameSize];
  std::size_t wanted = 0;
  while (AwaitRoomToRead(&wanted)) {
    std::size_t got = 0;
    // Fails when the link closes (the read is cancelled) or the device
    // vanished; either way nothing more will come.
    if (!port_.Read(buffer, wanted, &got)) return NoteReadEnded();
    Parse(std::span(buffer, got));
  }
}

// The line has no flow control, and a backlog in the port's buffer (after
// this thread was held up) parses far faster than a consumer takes frames.
// So the receive thread reads only while the ring has room for the frame a
// read completes; until then the bytes wait in the port's buffer, as a
// handshake would hold them, instead of pushing unread frames out of the
// ring. A consumer that takes nothing for kConsumerStallMs is not draining (a
// caller that never reads): then the ring drops its oldest frames again, so
// that command replies still get through, until the consumer takes a frame.
bool SerialLink::AwaitRoomToRead(std::size_t* wanted) {
  std::unique_lock lock(mutex_);
  if (!consumerStalled_ && !HasRoomForRead()) {
    readerWaiting_ = true;
    consumerStalled_ = !WaitFor(lock, kConsumerStallMs, [this] { return HasRoomForRead(); });
    readerWaiting_ = false;
  }
  *wanted = std::min(parser_.BytesToFrameEnd(), kMaxDeviceFrameSize);
  return !stopping_;
}

bool SerialLink::HasRoomForRead() const { return received_.Size() < kReceiveRingSize; }

void SerialLink::FramesTaken() {
  consumerStalled_ = false;
  if (readerWaiting_) changed_.notify_all();
}

void SerialLink::Parse(std::span<const std::uint8_t> bytes) {
  bool framesArrived = false;
  platform::Handle event = platform::kNullHandle;
  {
    std::lock_guard lock(mutex_);
    DeviceFrame frame;
    for (std::uint8_t byte : bytes) {
      switch (parser_.Feed(byte, &frame)) {
        case DeviceFrameParser::Event::kSynchronised:
          changed_.notify_all();
          break;
        case DeviceFrameParser::Event::kFrame:
          if (frame.id != kCommandId) framesArrived = true;
          StoreFrame(frame);
          break;
        case DeviceFrameParser::Event::kNone:
        case DeviceFrameParser::Event::kBadChecksum:
          break;
      }
    }
    event = receiveEvent_;
  }
  if (framesArrived && event != platform::kNullHandle) platform::SetEvent(event);
}

void SerialLink::StoreFrame(const DeviceFrame& frame) {
  if (frame.id == kCommandId) {
    replies_.Push(frame);
    changed_.notify_all();
    return;
  }
  // A CAN frame cannot carry more than 8 bytes: such a frame is damaged.
  if (frame.length > kMaxDataLength) return;
  CanMessage message{};
  message.Id = frame.id;
  message.Flags = frame.flags;
  message.Length = frame.length;
  std::copy(frame.data.begin(), frame.data.end(), message.Data);
  if (frame.stamped) {
    message.TimeStampHigh = frame.stampHigh;
    message.TimeStampLow = frame.stampLow;
  } else {
    std::int64_t counter = 0;
    if (options_.microsecondStamps)
      counter = std::int64_t(platform::NowMicroseconds());
    else
      platform::QueryPerformanceCounter(&counter);
    message.TimeStampHigh = std::uint32_t(std::uint64_t(counter) >> 32);
    message.TimeStampLow = std::uint32_t(counter);
  }
  received_.Push(message);
  changed_.notify_all();  // a module's answer to a firmware frame
}

bool SerialLink::Transmit(const CanMessage& frame) {
  if (frame.Length > kMaxDataLength) return Fail(kErrorFrameTooLong);
  // The command identifier would make the frame a command to the interface.
  if (frame.Id == kCommandId) return Fail(kErrorBadArgument);
  return Write(EncodeHostFrame(frame.Id, frame.Flags, frame.Length,
                               std::span(frame.Data, frame.Length)));
}

bool SerialLink::Receive(CanMessage* frame) {
  {
    std::lock_guard lock(mutex_);
    if (received_.Pop(frame)) {
      FramesTaken();
      return true;
    }
  }
  *frame = CanMessage{};
  frame->Id = kCommandId;
  return FailEmptyReceive();
}

void SerialLink::RegisterReceiveEvent(platform::Handle event) {
  std::lock_guard lock(mutex_);
  receiveEvent_ = event;
}

bool SerialLink::Close() {
  {
    std::lock_guard lock(mutex_);
    if (closed_) return true;
    closed_ = stopping_ = true;
    receiveEvent_ = platform::kNullHandle;
    changed_.notify_all();
  }
  port_.CancelRead();
  if (thread_ != platform::kNullHandle) platform::WaitForSingleObject(thread_, kStopWaitMs);
  port_.SetDtr(false);
  port_.SetRts(false);
  // Also wakes a receive thread that missed its stop wait; closing the
  // thread's handle then leaves it to be joined when it ends.
  port_.Close();
  for (platform::Handle* handle : {&thread_, &writeMutex_, &handle_}) {
    if (*handle != platform::kNullHandle) platform::CloseHandle(*handle);
    *handle = platform::kNullHandle;
  }
  return true;
}

bool SerialLink::Write(std::span<const std::uint8_t> bytes) {
  PortWriteLock lock(writeMutex_);
  if (!lock.owned()) return Fail(kErrorWriteFailed);
  std::size_t written = 0;
  if (!port_.Write(bytes.data(), bytes.size(), &written) || written != bytes.size())
    return Fail(kErrorWriteFailed);
  return true;
}

bool SerialLink::WriteCommand(std::uint8_t code, std::span<const std::uint8_t> arguments) {
  if (arguments.size() >= kMaxDataLength) return Fail(kErrorBadArgument);
  std::uint8_t data[kMaxDataLength] = {code};
  std::copy(arguments.begin(), arguments.end(), data + 1);
  return Write(EncodeHostFrame(kCommandId, 0, std::uint8_t(1 + arguments.size()),
                               std::span(data, 1 + arguments.size())));
}

template <typename Predicate>
bool SerialLink::WaitFor(std::unique_lock<std::mutex>& lock, std::uint32_t waitMs,
                         Predicate ready) {
  const std::uint64_t deadline = platform::NowMicroseconds() + std::uint64_t(waitMs) * 1000;
  while (!ready()) {
    const std::uint64_t now = platform::NowMicroseconds();
    if (now >= deadline || stopping_) return false;
    changed_.wait_for(lock, platform::ToRealDuration(std::chrono::microseconds(deadline - now)));
  }
  return true;
}

bool SerialLink::AwaitReply(std::uint32_t waitMs, DeviceFrame* reply) {
  std::unique_lock lock(mutex_);
  if (!WaitFor(lock, waitMs, [this] { return !replies_.Empty(); })) return Fail(kErrorNoReply);
  replies_.Pop(reply);
  return true;
}

void SerialLink::FlushReplies() {
  std::lock_guard lock(mutex_);
  replies_.Clear();
}

bool SerialLink::Ask(const Query& query, std::vector<std::uint8_t>* value) {
  std::lock_guard exchange(exchange_);
  FlushReplies();
  DeviceFrame reply;
  return WriteCommand(query.code, query.arguments) && AwaitReply(query.waitMs, &reply) &&
         DecodeReply(query, reply, value);
}

bool SerialLink::Tell(std::uint8_t code, std::span<const std::uint8_t> arguments) {
  std::lock_guard exchange(exchange_);
  return WriteCommand(code, arguments);
}

bool SerialLink::SetTimeStampMode(std::uint8_t mode) {
  if (mode > 2) return Fail(kErrorBadArgument);
  std::lock_guard exchange(exchange_);
  const std::uint8_t argument[] = {mode};
  // The parser follows only a command that really went out.
  if (!WriteCommand(command::kSetTimeStampMode, argument)) return false;
  std::lock_guard lock(mutex_);
  parser_.SetTimeStampMode(mode);
  return true;
}

bool SerialLink::GetParameterArray(std::uint16_t number, std::vector<std::uint8_t>* value) {
  std::lock_guard exchange(exchange_);
  FlushReplies();
  const std::uint8_t arguments[] = {0, parameter::kArray, std::uint8_t(number),
                                    std::uint8_t(number >> 8)};
  DeviceFrame reply;
  ParameterArrayReply gathered;
  if (!WriteCommand(command::kParameterGet, arguments) ||
      !AwaitReply(kQueryWaitMs, &reply) || !gathered.Start(reply))
    return false;
  while (!gathered.Complete()) {
    if (!AwaitReply(kFollowingReplyWaitMs, &reply) || !gathered.Add(reply)) return false;
  }
  *value = gathered.Value();
  return true;
}

bool SerialLink::SetParameter(std::uint8_t kind, std::uint16_t number,
                              std::span<const std::uint8_t> value) {
  constexpr std::size_t kHeader = 5;  // code, 0, kind, number
  constexpr std::size_t kInFirstFrame = kMaxDataLength - kHeader;
  if (kHeader + value.size() > 0xFF) return Fail(kErrorBadArgument);

  // A value longer than the first frame holds is announced by its total
  // Length and carried on in frames of up to 8 bytes; all go out together.
  std::vector<std::uint8_t> bytes;
  std::uint8_t first[kMaxDataLength] = {command::kParameterSet, 0, kind, std::uint8_t(number),
                                        std::uint8_t(number >> 8)};
  const std::size_t inFirst = std::min(value.size(), kInFirstFrame);
  std::copy_n(value.begin(), inFirst, first + kHeader);
  const HostFrame head = EncodeHostFrame(kCommandId, 0, std::uint8_t(kHeader + value.size()),
                                         std::span(first, kHeader + inFirst));
  bytes.insert(bytes.end(), head.begin(), head.end());
  for (std::size_t at = inFirst; at < value.size(); at += kMaxDataLength) {
    const auto chunk = value.subspan(at, std::min<std::size_t>(kMaxDataLength, value.size() - at));
    const HostFrame next = EncodeHostFrame(kCommandId, 0, std::uint8_t(chunk.size()), chunk);
    bytes.insert(bytes.end(), next.begin(), next.end());
  }

  std::lock_guard exchange(exchange_);
  FlushReplies();
  DeviceFrame reply;
  return Write(bytes) && AwaitReply(kQueryWaitMs, &reply) &&
         IsEchoOf(reply, command::kParameterSet);
}

bool SerialLink::FirmwareUpgrade() { return Tell(command::kFirmwareUpgrade, kFirmwareUpgradeCode); }

bool SerialLink::Confirm(std::uint8_t code, std::span<const std::uint8_t> arguments,
                         std::size_t echoedArguments, std::uint32_t waitMs) {
  const Query query{code, {arguments.begin(), arguments.end()}, ReplyForm::kEcho,
                    echoedArguments, kMaxDataLength - 1, waitMs};
  std::vector<std::uint8_t> echoed;
  if (!Ask(query, &echoed)) return false;
  if (!std::equal(arguments.begin(), arguments.begin() + echoedArguments, echoed.begin()))
    return Fail(kErrorBadReply);
  return true;
}

bool SerialLink::ExchangeFirmwareFrame(std::uint32_t address, std::uint8_t flags,
                                       std::span<std::uint8_t> data, bool sendData) {
  constexpr std::uint32_t kFirmwareFrameWaitMs = 1000;
  const FirmwareAnswerKey key{address, std::uint8_t(data.size())};
  const HostFrame frame = EncodeHostFrame(
      address, flags, key.length, sendData ? std::span<const std::uint8_t>(data) : std::span<const std::uint8_t>());
  std::lock_guard exchange(exchange_);
  if (staleAnswer_ == key) AwaitStaleAnswer(kFirmwareFrameWaitMs);
  {
    std::lock_guard lock(mutex_);
    received_.Clear();
    FramesTaken();
  }
  if (!Write(frame)) return false;
  CanMessage answer;
  if (!AwaitFirmwareAnswer(key, kFirmwareFrameWaitMs, &answer)) return false;
  std::copy_n(answer.Data, key.length, data.begin());
  return true;
}

// The module answers a firmware frame with a frame at the same address and
// of the same Length; its Flags tell nothing (a module may answer with 0).
// A frame at the address with another Length is a refusal (which comes with
// no bytes). An answer to an earlier request that gave up before it came is
// dropped here however late it arrives, so it is never taken for this
// request's data.
bool SerialLink::AwaitFirmwareAnswer(const FirmwareAnswerKey& key, std::uint32_t waitMs,
                                     CanMessage* answer) {
  bool refused = false;
  std::unique_lock lock(mutex_);
  const auto takeOurs = [&] {
    while (received_.Pop(answer)) {
      FramesTaken();
      const FirmwareAnswerKey came{answer->Id, answer->Length};
      if (came == staleAnswer_) {
        staleAnswer_.reset();
      } else if (came.address == key.address) {
        refused = came.length != key.length;
        return true;
      }
    }
    return false;
  };
  if (WaitFor(lock, waitMs, takeOurs)) return !refused || Fail(kErrorBadReply);
  // The module may still answer: remember that answer, to drop it.
  staleAnswer_ = key;
  return Fail(kErrorNoReply);
}

// Nothing in an answer tells a late answer from the answer to a new request
// at the same address and of the same Length (another sector's, say): such a
// request is sent only once the late answer came or cannot be expected any
// more.
void SerialLink::AwaitStaleAnswer(std::uint32_t waitMs) {
  std::unique_lock lock(mutex_);
  WaitFor(lock, waitMs, [&] {
    for (CanMessage frame; staleAnswer_ && received_.Pop(&frame);) {
      FramesTaken();
      if (FirmwareAnswerKey{frame.Id, frame.Length} == staleAnswer_) staleAnswer_.reset();
    }
    return !staleAnswer_;
  });
  staleAnswer_.reset();
}

bool SerialLink::WriteFirmware(std::uint8_t sector, std::uint32_t address,
                               std::span<std::uint8_t> data) {
  constexpr std::uint8_t kWriteFlag = 0x10;
  return ExchangeFirmwareFrame(address, kWriteFlag | sector, data, true);
}

bool SerialLink::ReadFirmware(std::uint8_t sector, std::uint32_t address,
                              std::span<std::uint8_t> data) {
  constexpr std::uint8_t kReadFlag = 0x20;
  return ExchangeFirmwareFrame(address, kReadFlag | sector, data, false);
}

bool SerialLink::EnterUpgradeMode(std::uint32_t code) {
  constexpr std::uint32_t kSettingWaitMs = 1000;
  const std::uint8_t codeBytes[] = {std::uint8_t(code), std::uint8_t(code >> 8),
                                    std::uint8_t(code >> 16), std::uint8_t(code >> 24)};
  return Confirm(command::kFirmwareUpgrade, codeBytes, 0, kSettingWaitMs) &&
         Confirm(command::kModuleReset, {}, 0, kSettingWaitMs);
}

}  // namespace drivers
