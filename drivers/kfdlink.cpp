#include "drivers/kfdlink.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <utility>

#include "drivers/portwritelock.h"
#include "drivers/seriallink.h"
#include "platform/clock.h"
#include "platform/kernelobject.h"
#include "platform/lasterror.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace drivers {
namespace {

// The module's DeviceNet object, class 3 instance 1, and its filter object.
constexpr std::uint8_t kServiceStart = 0x06;
constexpr std::uint8_t kServiceStop = 0x07;
constexpr std::uint8_t kServiceAccept = 0x08;
constexpr std::uint8_t kServiceDrop = 0x09;
constexpr std::uint8_t kServiceSetAttribute = 0x10;
constexpr std::uint8_t kServiceErrorReply = 0x94;
constexpr std::uint8_t kReplyFlag = 0x80;
constexpr std::uint8_t kDeviceNetClass = 3;
constexpr std::uint8_t kFilterClass = 0xCB;
constexpr std::uint8_t kAttributeMac = 1;
constexpr std::uint8_t kAttributeRate = 2;
constexpr std::int32_t kMacIds = 64;

bool Fail(std::uint32_t code) {
  platform::SetLastError(code);
  return false;
}

std::uint64_t Now() { return platform::NowMicroseconds(); }
std::uint64_t After(std::uint32_t ms) { return Now() + std::uint64_t(ms) * 1000; }

}  // namespace

std::uint32_t KfdLink::LineRate(std::int32_t comBaud) {
  return LineRateOf(comBaud, {9600, 38400, 57600, 100000, 115200, 128000});
}

bool KfdLink::ModuleAccepts(std::uint32_t id, std::int32_t macId) {
  const bool ownDuplicateCheck = (id & 0xFFFF) == std::uint32_t(macId) * 8 + 0x407;
  const bool explicitResponse = (id & 0x607) == 0x403;
  const bool unconnectedResponse = ((id >> 6) & 0x1F) == 0x1D;
  return ownDuplicateCheck || explicitResponse || unconnectedResponse;
}

std::shared_ptr<KfdLink> KfdLink::Open(const KfdLinkOptions& options) {
  return OpenOnComPort<KfdLink>(
      options.comPort, [] { return std::shared_ptr<KfdLink>(new KfdLink); },
      [&](KfdLink& link, const std::string& port) { return link.Start(options, port); });
}

KfdLink::~KfdLink() { Close(); }

bool KfdLink::Start(const KfdLinkOptions& options, const std::string& portName) {
  if (!port_.Open(portName)) return Fail(kErrorComPortOpen);
  if (!port_.SetBaudRate(LineRate(options.comBaud))) return Fail(kErrorComPortSettingsWrite);
  port_.SetDtr(true);
  port_.SetRts(true);
  // Writes of a stuck line end; the receive thread sets its read time-outs.
  port_.SetTimeouts({.readIntervalMs = 0, .readTotalMs = platform::kInfinite,
                     .writeTotalMs = kWriteTimeoutMs});
  // What the module sent before this open belongs to an earlier session.
  port_.Purge(platform::kPurgeRxClear | platform::kPurgeTxClear);

  handle_ = platform::RegisterObject(std::make_shared<ComPortObject>());
  char mutexName[64];
  std::snprintf(mutexName, sizeof mutexName, "Mutex_QX240K_CAN_Lock%ld", 0L);
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
  return CheckLink();
}

// A module answers an enquiry with its last response: NAK while it has had
// no message, ACK once it acknowledged one (of an earlier session, say).
// Either shows that it is there.
bool KfdLink::CheckLink() {
  for (int attempt = 0; attempt < kLinkCheckAttempts; ++attempt) {
    {
      std::lock_guard lock(mutex_);
      awaiting_ = true;
      answer_ = Answer::kNone;
    }
    const bool written = WriteControl(df1::kEnq);
    std::unique_lock lock(mutex_);
    const bool answered =
        written && WaitUntil(lock, After(kLinkCheckWaitMs), [this] { return answer_ != Answer::kNone; });
    awaiting_ = false;
    if (answered) return true;
    if (!written) return false;
  }
  return Fail(kErrorNoReply);
}

// Blocks for the first byte, then takes whatever else has come: a message is
// handled the moment its last byte is in.
bool KfdLink::ReadBurst(std::uint8_t* buffer, std::size_t size, std::size_t* got) {
  port_.SetTimeouts({.readIntervalMs = 0, .readTotalMs = platform::kInfinite,
                     .writeTotalMs = kWriteTimeoutMs});
  if (!port_.Read(buffer, 1, got)) return false;
  std::size_t more = 0;
  port_.SetTimeouts({.readIntervalMs = 0, .readTotalMs = 0, .writeTotalMs = kWriteTimeoutMs});
  const bool ok = port_.Read(buffer + *got, size - *got, &more);
  *got += more;
  return ok;
}

void KfdLink::ReceiveLoop() {
  std::uint8_t buffer[256];
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
    }
    std::size_t got = 0;
    // Fails when the link closes (the read is cancelled) or the device
    // vanished; either way nothing more will come.
    if (!ReadBurst(buffer, sizeof buffer, &got)) return;
    for (std::size_t i = 0; i < got; ++i) OnEvent(parser_.Feed(buffer[i]), parser_.message());
  }
}

void KfdLink::OnEvent(df1::Parser::Event event, const df1::Message& message) {
  using Event = df1::Parser::Event;
  switch (event) {
    case Event::kNone:
      return;
    case Event::kAck:
    case Event::kNak: {
      std::lock_guard lock(mutex_);
      if (!awaiting_) return;  // no message of ours is out: a stray symbol
      answer_ = event == Event::kAck ? Answer::kAck : Answer::kNak;
      changed_.notify_all();
      return;
    }
    case Event::kEnq: {
      std::uint8_t last;
      {
        std::lock_guard lock(mutex_);
        last = lastResponse_;
      }
      WriteControl(last);
      return;
    }
    case Event::kMessage:
      // Taken in before it is acknowledged: once the module has our ACK, the
      // message is where the next command's clearing finds it, so an answer
      // that came before a command is never taken for that command's answer.
      Deliver(message);
      Respond(df1::kAck);
      return;
    case Event::kBadMessage:
      Respond(df1::kNak);
      return;
  }
}

void KfdLink::Respond(std::uint8_t symbol) {
  {
    std::lock_guard lock(mutex_);
    lastResponse_ = symbol;
  }
  WriteControl(symbol);
}

void KfdLink::Deliver(const df1::Message& message) {
  CanMessage frame{};
  frame.Id = message.id;
  frame.Length = message.length;
  std::copy_n(message.data.begin(), message.length, frame.Data);
  std::int64_t counter = 0;
  platform::QueryPerformanceCounter(&counter);
  frame.TimeStampHigh = std::uint32_t(std::uint64_t(counter) >> 32);
  frame.TimeStampLow = std::uint32_t(counter);
  platform::Handle event = platform::kNullHandle;
  {
    std::lock_guard lock(mutex_);
    if (message.id == df1::kModuleId) {
      replies_.Push(frame);
      changed_.notify_all();
      return;
    }
    received_.Push(frame);
    event = receiveEvent_;
  }
  if (event != platform::kNullHandle) platform::SetEvent(event);
}

bool KfdLink::Write(std::span<const std::uint8_t> bytes) {
  PortWriteLock lock(writeMutex_);
  if (!lock.owned()) return Fail(kErrorWriteFailed);
  std::size_t written = 0;
  if (!port_.Write(bytes.data(), bytes.size(), &written) || written != bytes.size())
    return Fail(kErrorWriteFailed);
  return true;
}

bool KfdLink::WriteControl(std::uint8_t symbol) {
  const std::uint8_t bytes[] = {df1::kDle, symbol};
  return Write(bytes);
}

template <typename Predicate>
bool KfdLink::WaitUntil(std::unique_lock<std::mutex>& lock, std::uint64_t deadlineUs,
                        Predicate ready) {
  while (!ready()) {
    const std::uint64_t now = Now();
    if (now >= deadlineUs || stopping_) return false;
    changed_.wait_for(lock, platform::ToRealDuration(std::chrono::microseconds(deadlineUs - now)));
  }
  return true;
}

bool KfdLink::Send(std::uint16_t id, std::span<const std::uint8_t> data) {
  std::lock_guard send(send_);
  return SendAcknowledged(df1::EncodeMessage(++tns_, id, data));
}

// The message is marked as awaited before it is written, so an
// acknowledgement that comes before the write returns is not lost; every way
// out clears the mark again, so the module's later symbols count for nothing.
bool KfdLink::SendAcknowledged(std::span<const std::uint8_t> frame) {
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return Fail(kErrorWriteFailed);
    awaiting_ = true;
    answer_ = Answer::kNone;
  }
  const std::uint64_t deadline = After(kSendDeadlineMs);
  int repeats = 0;
  int enquiries = 0;
  bool written = Write(frame);
  std::uint64_t timer = After(kAcknowledgeTimerMs);
  std::unique_lock lock(mutex_);
  while (written) {
    WaitUntil(lock, std::min(timer, deadline), [this] { return answer_ != Answer::kNone; });
    const Answer answer = std::exchange(answer_, Answer::kNone);
    if (answer == Answer::kAck) {
      awaiting_ = false;
      return true;
    }
    if (stopping_) break;
    if (answer == Answer::kNak) {
      if (repeats == kMaxRepeats) break;
      ++repeats;
      lock.unlock();
      written = Write(frame);
      lock.lock();
    } else {
      if (Now() >= deadline || enquiries == kMaxEnquiries) break;
      ++enquiries;
      lock.unlock();
      written = WriteControl(df1::kEnq);
      lock.lock();
    }
    timer = After(kAcknowledgeTimerMs);
  }
  awaiting_ = false;
  return written ? Fail(kErrorNoReply) : false;
}

bool KfdLink::Command(std::span<const std::uint8_t> body, std::uint32_t waitMs) {
  std::lock_guard exchange(exchange_);
  {
    std::lock_guard lock(mutex_);
    replies_.Clear();  // answers to earlier commands that came too late
  }
  CanMessage reply;
  if (!Send(df1::kModuleId, body) || !AwaitModuleReply(body[1], waitMs, &reply)) return false;
  return reply.Data[1] != kServiceErrorReply || Fail(kErrorModuleRefused);
}

// The module answers a service with the service code and the reply bit, or
// with an error reply; anything else on its identifier answers something
// else and is passed over.
bool KfdLink::AwaitModuleReply(std::uint8_t service, std::uint32_t waitMs, CanMessage* reply) {
  std::unique_lock lock(mutex_);
  const auto answered = [&] {
    while (replies_.Pop(reply)) {
      const bool ours = reply->Length >= 2 && (reply->Data[1] == (service | kReplyFlag) ||
                                               reply->Data[1] == kServiceErrorReply);
      if (ours) return true;
    }
    return false;
  };
  return WaitUntil(lock, After(waitMs), answered) || Fail(kErrorNoModuleReply);
}

bool KfdLink::Transmit(const CanMessage& frame) {
  if (frame.Length > kMaxDataLength) return Fail(kErrorFrameTooLong);
  // DF1 carries neither a remote request nor an identifier past 16 bits, and
  // 0xFFFF would make the frame a command to the module.
  if ((frame.Flags & kRemoteFrameFlag) != 0 || frame.Id >= df1::kModuleId)
    return Fail(kErrorBadArgument);
  return Send(std::uint16_t(frame.Id), std::span(frame.Data, frame.Length));
}

bool KfdLink::Receive(CanMessage* frame) {
  {
    std::lock_guard lock(mutex_);
    if (received_.Pop(frame)) return true;
  }
  *frame = CanMessage{};
  frame->Id = df1::kModuleId;
  return Fail(kErrorNoFrame);
}

void KfdLink::RegisterReceiveEvent(platform::Handle event) {
  std::lock_guard lock(mutex_);
  receiveEvent_ = event;
}

bool KfdLink::SetOnline(bool on) {
  std::int32_t mac;
  std::uint8_t rateCode;
  {
    std::lock_guard lock(mutex_);
    mac = macId_;
    rateCode = rateCode_;
  }
  const std::uint8_t m = std::uint8_t(mac);
  const std::uint8_t stop[] = {m, kServiceStop, kDeviceNetClass, 1};
  const std::uint8_t setMac[] = {m, kServiceSetAttribute, kDeviceNetClass, 1, kAttributeMac, m};
  const std::uint8_t setRate[] = {m, kServiceSetAttribute, kDeviceNetClass, 1, kAttributeRate, rateCode};
  const std::uint8_t start[] = {m, kServiceStart, kDeviceNetClass, 1};
  if (!Command(stop, kCommandWaitMs)) return false;
  if (on && !(Command(setMac, kCommandWaitMs) && Command(setRate, kCommandWaitMs) &&
              Command(start, kStartWaitMs)))
    return false;
  std::lock_guard lock(mutex_);
  online_ = on;
  return true;
}

bool KfdLink::GetOnline(std::int32_t* on) {
  std::lock_guard lock(mutex_);
  *on = online_ ? 1 : 0;
  return true;
}

bool KfdLink::SetBaud(std::uint32_t bitRate) {
  static constexpr std::uint32_t kRates[] = {125000, 250000, 500000};
  const auto found = std::find(std::begin(kRates), std::end(kRates), bitRate);
  if (found == std::end(kRates)) return Fail(kErrorBadArgument);
  std::lock_guard lock(mutex_);
  bitRate_ = bitRate;
  rateCode_ = std::uint8_t(found - std::begin(kRates));
  return true;
}

bool KfdLink::GetBaud(std::uint32_t* bitRate) {
  std::lock_guard lock(mutex_);
  *bitRate = bitRate_;
  return true;
}

bool KfdLink::SetId(std::int32_t macId) {
  if (macId < 0 || macId >= kMacIds) return Fail(kErrorBadArgument);
  std::lock_guard lock(mutex_);
  macId_ = macId;
  return true;
}

bool KfdLink::AddFilter(std::uint32_t id) {
  std::int32_t mac;
  {
    std::lock_guard lock(mutex_);
    mac = macId_;
  }
  if (ModuleAccepts(id, mac)) return true;
  const std::uint8_t accept[] = {std::uint8_t(mac), kServiceAccept, kFilterClass, 0,
                                 std::uint8_t(id), std::uint8_t(id >> 8)};
  return Command(accept, kCommandWaitMs);
}

bool KfdLink::RemoveFilter(std::uint32_t id) {
  std::uint8_t mac;
  {
    std::lock_guard lock(mutex_);
    mac = std::uint8_t(macId_);
  }
  // Identifier 0xFFFF stands for all of them.
  const std::uint16_t dropped = (id & 0xFFFF) == 0xFFFF ? 0 : std::uint16_t(id);
  const std::uint8_t drop[] = {mac, kServiceDrop, kFilterClass, std::uint8_t(dropped),
                               std::uint8_t(dropped >> 8)};
  return Command(drop, kCommandWaitMs);
}

bool KfdLink::Close() {
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
  platform::Sleep(kLineDropMs);
  // Also wakes a receive thread that missed its stop wait; closing the
  // thread's handle then leaves it to be joined when it ends.
  port_.Close();
  for (platform::Handle* handle : {&thread_, &writeMutex_, &handle_}) {
    if (*handle != platform::kNullHandle) platform::CloseHandle(*handle);
    *handle = platform::kNullHandle;
  }
  return true;
}

}  // namespace drivers
