// The slave's thread, start-up, frame routing and I/O. The objects and
// their services are in devicenetslave_objects.cpp.
#include "sim/devicenet/devicenetslave.h"

#include <algorithm>
#include <stdexcept>

#include "platform/clock.h"
#include "sim/nodeoutput.h"
#include "sim/benchthread.h"

namespace sim {
namespace {

constexpr std::uint64_t kUsPerMs = 1000;
constexpr std::uint64_t kCheckIntervalUs = 1000 * kUsPerMs;

constexpr std::uint32_t kGroup2Base = 0x400;
constexpr std::uint32_t kStrobeCommandMessage = 0x0;
constexpr std::uint32_t kExplicitResponseMessage = 0x3;
constexpr std::uint32_t kExplicitRequestMessage = 0x4;
constexpr std::uint32_t kPollCommandMessage = 0x5;
constexpr std::uint32_t kGroup2OnlyRequestMessage = 0x6;
constexpr std::uint32_t kDuplicateMacMessage = 0x7;
constexpr std::uint32_t kPollResponseBase = 0x3C0;
constexpr std::uint32_t kStrobeResponseBase = 0x380;
constexpr std::uint32_t kCosBase = 0x340;
constexpr std::uint32_t kUcmmResponseBase = 0x740;
constexpr std::uint32_t kUcmmRequestBase = 0x780;
constexpr std::uint8_t kMacMask = 0x3F;
constexpr std::uint8_t kCheckResponseBit = 0x80;
constexpr std::size_t kCheckMessageLength = 7;

constexpr std::uint32_t Group2Id(std::uint8_t mac, std::uint32_t message) { return kGroup2Base + mac * 8u + message; }


constexpr std::size_t kMaxIoSize = 256;
constexpr std::size_t kMinExplicitCapacity = 41;  // one 32-byte memory write
constexpr std::size_t kMaxProductName = 32;

}  // namespace

void Validate(const DeviceNetSlaveConfig& config) {
  if (config.mac > kMacMask) throw std::invalid_argument("DeviceNet MAC ID " + std::to_string(config.mac) + " is not 0..63");
  if (config.productName.size() > kMaxProductName) {
    throw std::invalid_argument("product name '" + config.productName + "' is longer than 32 characters");
  }
  if (config.explicitCapacity < kMinExplicitCapacity || config.explicitCapacity > 0xFFFF) {
    throw std::invalid_argument("explicit capacity must be 41 to 65535 bytes");
  }
  if (config.io.strobeProduced > kMaxUnfragmentedIo) throw std::invalid_argument("strobe input is at most 8 bytes");
  if (std::max({config.io.pollProduced, config.io.pollConsumed, config.io.cosProduced}) > kMaxIoSize) {
    throw std::invalid_argument("I/O sizes are at most 256 bytes");
  }
  FirmwareFlash(config.sectors, config.password, config.mode);  // throws for a bad layout
}

std::optional<std::uint64_t> DeviceNetSlave::Connection::WatchdogDue() const {
  if (state != kEstablished || expectedPacketRate == 0) return std::nullopt;
  return lastActivityUs + 4 * expectedPacketRate * kUsPerMs;
}

DeviceNetSlave::DeviceNetSlave(CanBus& bus, DeviceNetSlaveConfig config)
    : config_((Validate(config), std::move(config))),
      peer_(bus.Attach("dnslave" + std::to_string(config_.mac))),
      faults_(config_.faults),
      flash_(config_.sectors, config_.password, config_.mode),
      group2Link_(Group2Id(config_.mac, kExplicitResponseMessage), config_.explicitCapacity, false,
                  [this](const CanFrame& frame) { Emit(frame, platform::NowMicroseconds()); }),
      predefinedLink_(Group2Id(config_.mac, kExplicitResponseMessage), config_.explicitCapacity, true,
                      [this](const CanFrame& frame) { Emit(frame, platform::NowMicroseconds()); }),
      ucmmPortLink_(kUcmmResponseBase + config_.mac, config_.explicitCapacity, false,
                    [this](const CanFrame& frame) { Emit(frame, platform::NowMicroseconds()); }) {
  {
    std::lock_guard lock(mutex_);
    BeginStartup(platform::NowMicroseconds());
  }
  thread_ = StartBenchThread("dnet-" + std::to_string(config_.mac), [this] { Run(); });
}

DeviceNetSlave::~DeviceNetSlave() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }
  peer_.CancelReceive();
  thread_.join();
}

// ---- power and state ----

void DeviceNetSlave::PowerOff() {
  std::lock_guard lock(mutex_);
  peer_.Detach();
  LosePower();
}

void DeviceNetSlave::LosePower() {
  powered_ = false;
  DropConnections();
  outbox_.Clear();
  NotifyState(State::Off);
}

void DeviceNetSlave::PowerOn() {
  std::lock_guard lock(mutex_);
  if (powered_) return;
  peer_.Reattach();
  powered_ = true;
  flash_.Restart();
  BeginStartup(platform::NowMicroseconds());
}

bool DeviceNetSlave::WaitForState(State state, std::chrono::milliseconds timeout) const {
  const std::uint64_t deadline = platform::NowMicroseconds() + MicrosOf(timeout);
  std::unique_lock lock(mutex_);
  while (state_ != state) {
    const std::uint64_t now = platform::NowMicroseconds();
    if (now >= deadline) return false;
    changed_.wait_for(lock, platform::ToRealDuration(std::chrono::microseconds(deadline - now)));
  }
  return true;
}

DeviceNetSlave::State DeviceNetSlave::NetworkState() const {
  std::lock_guard lock(mutex_);
  return state_;
}

FlashMode DeviceNetSlave::Mode() const {
  std::lock_guard lock(mutex_);
  return flash_.Mode();
}

std::uint16_t DeviceNetSlave::ReportedProductCode() const {
  std::lock_guard lock(mutex_);
  return ProductCode();
}

std::uint8_t DeviceNetSlave::AllocatedChoice() const {
  std::lock_guard lock(mutex_);
  return allocated_;
}

std::uint8_t DeviceNetSlave::AllocatorMac() const {
  std::lock_guard lock(mutex_);
  return owner_;
}

std::size_t DeviceNetSlave::UcmmConnections() const {
  std::lock_guard lock(mutex_);
  return ucmm_.size();
}

std::size_t DeviceNetSlave::Restarts() const {
  std::lock_guard lock(mutex_);
  return restarts_;
}

FirmwareFlash DeviceNetSlave::Flash() const {
  std::lock_guard lock(mutex_);
  return flash_;
}

void DeviceNetSlave::SetFaults(const SlaveFaults& faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
}

void DeviceNetSlave::SetInputData(std::vector<std::uint8_t> data) {
  std::lock_guard lock(mutex_);
  const bool changed = data != inputs_;
  inputs_ = std::move(data);
  if (changed && (allocated_ & kChoiceCos) != 0 && connections_[4].state == Connection::kEstablished) {
    ProduceCos(platform::NowMicroseconds());
  }
}

std::vector<std::uint8_t> DeviceNetSlave::OutputData() const {
  std::lock_guard lock(mutex_);
  return outputs_;
}

void DeviceNetSlave::NotifyState(State state) {
  state_ = state;
  changed_.notify_all();
}

// ---- thread and timing ----

void DeviceNetSlave::Run() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    if (!powered_) {
      changed_.wait(lock, [this] { return stop_ || powered_; });
      continue;
    }
    const std::chrono::milliseconds timeout = WaitBefore(NextDeadline(), platform::NowMicroseconds());
    lock.unlock();
    BusFrame received;
    const ReceiveStatus status = peer_.Receive(received, timeout);
    lock.lock();
    if (stop_) break;
    const std::uint64_t now = platform::NowMicroseconds();
    if (status == ReceiveStatus::Detached && powered_ && !peer_.IsAttached()) {
      LosePower();  // detached behind our back (or the bus went away)
      continue;
    }
    if (status == ReceiveStatus::Received && powered_) OnFrame(received.frame, now);
    if (powered_) OnTime(now);
  }
}

std::optional<std::uint64_t> DeviceNetSlave::NextDeadline() const {
  std::optional<std::uint64_t> next;
  const auto consider = [&next](std::optional<std::uint64_t> due) {
    if (due && (!next || *due < *next)) next = due;
  };
  consider(outbox_.FirstDue());
  if (state_ == State::Booting || state_ == State::CheckingMac) consider(phaseDueUs_);
  if (state_ != State::Online) return next;
  consider(resetDueUs_);
  for (const Connection& connection : connections_) consider(connection.WatchdogDue());
  if (connections_[4].state == Connection::kEstablished && connections_[4].expectedPacketRate != 0) {
    consider(nextProductionUs_);
  }
  consider(predefinedLink_.Deadline());
  for (const auto& [instance, ucmm] : ucmm_) {
    consider(ucmm.connection.WatchdogDue());
    consider(ucmm.link.Deadline());
  }
  return next;
}

void DeviceNetSlave::OnTime(std::uint64_t nowUs) {
  outbox_.SendDue(nowUs, [this](const CanFrame& frame) { Transmit(frame); });
  if ((state_ == State::Booting || state_ == State::CheckingMac) && nowUs >= phaseDueUs_) {
    if (config_.skipDuplicateMacCheck || checksSent_ == 2) {
      NotifyState(State::Online);
    } else {
      SendCheck(false);
      ++checksSent_;
      // The wait runs from the check actually sent, not from when this pass
      // began: a late wake-up must not shorten the second.
      phaseDueUs_ = platform::NowMicroseconds() + kCheckIntervalUs;
      NotifyState(State::CheckingMac);
    }
    return;
  }
  if (state_ != State::Online) return;
  if (resetDueUs_ && nowUs >= *resetDueUs_) {
    flash_.Restart();
    BeginStartup(nowUs);
    return;
  }
  if (const auto due = connections_[1].WatchdogDue(); due && nowUs >= *due) ReleaseBits(kChoiceExplicit);
  for (std::size_t instance : {2, 3}) {
    const auto due = connections_[instance].WatchdogDue();
    if (due && nowUs >= *due) connections_[instance].state = Connection::kTimedOut;
  }
  const Connection& cos = connections_[4];
  if (cos.state == Connection::kEstablished && cos.expectedPacketRate != 0 && nowUs >= nextProductionUs_) {
    ProduceCos(nowUs);
  }
  predefinedLink_.OnTime(nowUs);
  std::erase_if(ucmm_, [nowUs](const auto& entry) {
    const auto due = entry.second.connection.WatchdogDue();
    return due && nowUs >= *due;
  });
  for (auto& [instance, ucmm] : ucmm_) ucmm.link.OnTime(nowUs);
}

void DeviceNetSlave::BeginStartup(std::uint64_t nowUs) {
  DropConnections();
  resetDueUs_.reset();
  checksSent_ = 0;
  phaseDueUs_ = nowUs + MicrosOf(config_.bootDelay);
  ++restarts_;
  NotifyState(State::Booting);
}


void DeviceNetSlave::EnterFaulted() {
  DropConnections();
  NotifyState(State::CommunicationFaulted);
}

void DeviceNetSlave::DropConnections() {
  allocated_ = 0;
  owner_ = kNoOwner;
  connections_ = {};
  ucmm_.clear();
  group2Link_.Reset();
  predefinedLink_.Reset();
  ucmmPortLink_.Reset();
  pollAssembler_.Reset();
  selectedSector_ = 0;
}

void DeviceNetSlave::Transmit(const CanFrame& frame) { peer_.Send(frame); }

void DeviceNetSlave::Emit(const CanFrame& frame, std::uint64_t nowUs) {
  const int copies = TakeCopiesOfNextFrame(faults_);
  for (int copy = 0; copy < copies; ++copy) {
    if (faults_.answerDelay.count() > 0) {
      outbox_.Hold(nowUs + MicrosOf(faults_.answerDelay), frame);
    } else {
      Transmit(frame);
    }
  }
}

void DeviceNetSlave::SendCheck(bool response) {
  CanFrame frame;
  frame.id = Group2Id(config_.mac, kDuplicateMacMessage);
  frame.dlc = kCheckMessageLength;
  frame.data = {static_cast<std::uint8_t>(response ? kCheckResponseBit : 0),
                static_cast<std::uint8_t>(config_.vendor),
                static_cast<std::uint8_t>(config_.vendor >> 8),
                static_cast<std::uint8_t>(config_.serial),
                static_cast<std::uint8_t>(config_.serial >> 8),
                static_cast<std::uint8_t>(config_.serial >> 16),
                static_cast<std::uint8_t>(config_.serial >> 24),
                0};
  Emit(frame, platform::NowMicroseconds());
}

// ---- frame routing ----

void DeviceNetSlave::OnFrame(const CanFrame& frame, std::uint64_t nowUs) {
  if (frame.extended || frame.remote) return;
  const std::span<const std::uint8_t> payload = frame.Payload();
  const std::uint8_t n = config_.mac;
  if (frame.id == Group2Id(n, kDuplicateMacMessage)) {
    OnDuplicateMacCheck(payload);
    return;
  }
  if (state_ != State::Online) return;
  if (frame.id == Group2Id(n, kGroup2OnlyRequestMessage)) {
    OnGroup2Request(payload, nowUs);
  } else if (frame.id == Group2Id(n, kExplicitRequestMessage)) {
    if ((allocated_ & kChoiceExplicit) != 0) OnPredefinedFrame(payload, nowUs);
  } else if (frame.id == Group2Id(n, kPollCommandMessage)) {
    OnPollCommand(payload, nowUs);
  } else if (owner_ != kNoOwner && frame.id == Group2Id(owner_, kStrobeCommandMessage)) {
    OnStrobeCommand(nowUs);
  } else if (config_.ucmmCapable && frame.id >= kUcmmRequestBase && frame.id < kUcmmRequestBase + 64) {
    OnUcmmRequest(frame.id & kMacMask, payload, nowUs);
  } else if (config_.ucmmCapable && frame.id >= kGroup3Base && frame.id < kUcmmResponseBase) {
    OnUcmmConnectionFrame(frame.id, payload, nowUs);
  }
}

void DeviceNetSlave::OnDuplicateMacCheck(std::span<const std::uint8_t> payload) {
  if (state_ == State::CheckingMac) {
    EnterFaulted();  // another station holds our MAC ID, or checks for it
    return;
  }
  if (state_ != State::Online || payload.empty()) return;
  if ((payload[0] & kCheckResponseBit) != 0) {
    EnterFaulted();
    return;
  }
  if (config_.strict && payload.size() != kCheckMessageLength) return;
  SendCheck(true);
}

void DeviceNetSlave::OnGroup2Request(std::span<const std::uint8_t> payload, std::uint64_t nowUs) {
  const std::optional<ExplicitRequest> request = group2Link_.OnFrame(payload, owner_, nowUs);
  if (!request) return;
  // The master puts our MAC ID into the header here; the allocator's MAC ID
  // comes from the Allocate body, else the owner is the one we talk to.
  constexpr std::uint8_t kAllocate = 0x4B;
  std::uint8_t requester = owner_ != kNoOwner ? owner_ : request->headerMac;
  if (request->service == kAllocate && request->body.size() >= 4) requester = request->body[3] & kMacMask;
  Answer(group2Link_, *request, requester, Execute(Port::Group2, request->service, request->body, nowUs),
         nowUs);
}

void DeviceNetSlave::OnPredefinedFrame(std::span<const std::uint8_t> payload, std::uint64_t nowUs) {
  connections_[1].lastActivityUs = nowUs;
  const std::uint8_t requester = payload.empty() ? owner_ : payload[0] & kMacMask;
  const std::optional<ExplicitRequest> request = predefinedLink_.OnFrame(payload, requester, nowUs);
  if (!request) return;
  Answer(predefinedLink_, *request, requester,
         Execute(Port::Predefined, request->service, request->body, nowUs), nowUs);
}

void DeviceNetSlave::OnUcmmRequest(std::uint8_t client, std::span<const std::uint8_t> payload, std::uint64_t nowUs) {
  if (payload.empty() || (payload[0] & kMacMask) != config_.mac) return;  // for another station
  const std::optional<ExplicitRequest> request = ucmmPortLink_.OnFrame(payload, client, nowUs);
  if (!request) return;
  constexpr std::uint8_t kOpen = 0x4B;
  constexpr std::uint8_t kClose = 0x4C;
  Reply reply;
  if (request->service == kOpen) {
    reply = UcmmOpen(client, request->body, nowUs);
  } else if (request->service == kClose) {
    reply = UcmmClose(client, request->body);
  } else {
    reply = {0x94, {0x08, 0xFF}};
  }
  Answer(ucmmPortLink_, *request, client, std::move(reply), nowUs);
}

void DeviceNetSlave::OnUcmmConnectionFrame(std::uint32_t id, std::span<const std::uint8_t> payload,
                                           std::uint64_t nowUs) {
  const std::uint8_t client = id & kMacMask;
  const auto messageId = static_cast<std::uint8_t>((id - kGroup3Base) >> 6);
  for (auto& [instance, ucmm] : ucmm_) {
    if (ucmm.client != client || ucmm.messageId != messageId) continue;
    ucmm.connection.lastActivityUs = nowUs;
    if (const std::optional<ExplicitRequest> request = ucmm.link.OnFrame(payload, client, nowUs)) {
      Answer(ucmm.link, *request, client, Execute(Port::Ucmm, request->service, request->body, nowUs), nowUs);
    }
    return;
  }
}

void DeviceNetSlave::Answer(ExplicitLink& link, const ExplicitRequest& request, std::uint8_t replyMac, Reply reply,
                            std::uint64_t nowUs) {
  if (faults_.wrongAnswers > 0) {
    --faults_.wrongAnswers;
    reply.service ^= 0x01;
  }
  link.Respond(replyMac, request.xid, reply.service, reply.data, nowUs);
}

// ---- I/O ----

void DeviceNetSlave::OnPollCommand(std::span<const std::uint8_t> payload, std::uint64_t nowUs) {
  Connection& poll = connections_[2];
  if ((allocated_ & kChoicePoll) == 0 || poll.state != Connection::kEstablished) return;
  std::optional<std::vector<std::uint8_t>> outputs;
  if (poll.consumed <= kMaxUnfragmentedIo) {
    if (payload.size() == poll.consumed) outputs.emplace(payload.begin(), payload.end());
  } else {
    outputs = pollAssembler_.Add(payload, poll.consumed);
  }
  if (!outputs) return;
  outputs_ = std::move(*outputs);
  poll.lastActivityUs = nowUs;
  Produce(kPollResponseBase + config_.mac, poll.produced, nowUs);
}

void DeviceNetSlave::OnStrobeCommand(std::uint64_t nowUs) {
  Connection& strobe = connections_[3];
  if ((allocated_ & kChoiceStrobe) == 0 || strobe.state == Connection::kTimedOut) return;
  strobe.lastActivityUs = nowUs;
  Produce(kStrobeResponseBase + config_.mac, strobe.produced, nowUs);
}

void DeviceNetSlave::Produce(std::uint32_t id, std::size_t size, std::uint64_t nowUs) {
  std::vector<std::uint8_t> data(inputs_.begin(), inputs_.begin() + static_cast<std::ptrdiff_t>(std::min(size, inputs_.size())));
  data.resize(size, 0);
  for (const std::vector<std::uint8_t>& payload : SplitIoData(data)) {
    CanFrame frame;
    frame.id = id;
    frame.dlc = static_cast<std::uint8_t>(payload.size());
    std::ranges::copy(payload, frame.data.begin());
    Emit(frame, nowUs);
  }
}

void DeviceNetSlave::ProduceCos(std::uint64_t nowUs) {
  const Connection& cos = connections_[4];
  Produce(kCosBase + config_.mac, cos.produced, nowUs);
  nextProductionUs_ = nowUs + cos.expectedPacketRate * kUsPerMs;
}

}  // namespace sim
