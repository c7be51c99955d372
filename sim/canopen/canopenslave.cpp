#include "sim/canopen/canopenslave.h"

#include <algorithm>
#include <stdexcept>

#include "platform/clock.h"
#include "sim/nodeoutput.h"
#include "sim/benchthread.h"

namespace sim {
namespace {

constexpr std::uint32_t kNmtId = 0x000;
constexpr std::uint32_t kEmergencyBase = 0x080;
constexpr std::uint32_t kSdoResponseBase = 0x580;
constexpr std::uint32_t kSdoRequestBase = 0x600;
constexpr std::uint32_t kErrorControlBase = 0x700;
constexpr std::uint8_t kMaxNode = 127;

enum NmtCommand : std::uint8_t {
  kStart = 0x01,
  kStop = 0x02,
  kEnterPreOperational = 0x80,
  kResetNode = 0x81,
  kResetCommunication = 0x82,
};

CanFrame DataFrame(std::uint32_t id, std::span<const std::uint8_t> bytes) {
  CanFrame frame;
  frame.id = id;
  frame.dlc = static_cast<std::uint8_t>(bytes.size());
  std::ranges::copy(bytes, frame.data.begin());
  return frame;
}

}  // namespace

// The SDO server reaches the dictionary through this; the slave's lock is
// held whenever the server runs.
class CanopenSlave::Objects final : public SdoObjects {
 public:
  explicit Objects(CanopenSlave& slave) : slave_(slave) {}
  SdoRead Read(std::uint16_t index, std::uint8_t subIndex) override { return slave_.ReadObject(index, subIndex); }
  std::uint32_t CheckWrite(std::uint16_t index, std::uint8_t subIndex, std::optional<std::size_t> size) override {
    return slave_.CheckWrite(index, subIndex, size);
  }
  std::uint32_t Write(std::uint16_t index, std::uint8_t subIndex, std::span<const std::uint8_t> data,
                      bool sizeIndicated) override {
    return slave_.WriteObject(index, subIndex, data, sizeIndicated);
  }

 private:
  CanopenSlave& slave_;
};

void Validate(const CanopenSlaveConfig& config) {
  if (config.node < 1 || config.node > kMaxNode) throw std::invalid_argument("a CANopen node ID is 1 to 127");
  if (config.checksumWidth != 8 && config.checksumWidth != 16) {
    throw std::invalid_argument("the checksum width of a CANopen node is 8 or 16");
  }
  if (config.productCode == 0) {
    throw std::invalid_argument("product code 0 is what the boot loader reports; the application needs another");
  }
  if (config.bootDelay.count() < 0 || config.latency.count() < 0) {
    throw std::invalid_argument("a CANopen node's delays cannot be negative");
  }
}

CanopenSlave::CanopenSlave(CanBus& bus, CanopenSlaveConfig config)
    : config_((Validate(config), std::move(config))),
      peer_(bus.Attach("canopen" + std::to_string(config_.node))),
      faults_(config_.faults),
      flash_(config_.sectors, config_.password, config_.mode),
      objects_(std::make_unique<Objects>(*this)),
      sdo_(*objects_) {
  {
    std::lock_guard lock(mutex_);
    Boot(platform::NowMicroseconds());
  }
  thread_ = StartBenchThread("copn-" + std::to_string(config_.node), [this] { Run(); });
}

CanopenSlave::~CanopenSlave() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  peer_.CancelReceive();
  thread_.join();
}

void CanopenSlave::PowerOff() {
  std::lock_guard lock(mutex_);
  if (!powered_) return;
  powered_ = false;
  peer_.Detach();
  outbox_.Clear();
  sdo_.Reset();
  state_ = NmtState::Off;
  heartbeatDueUs_.reset();
  changed_.notify_all();
}

void CanopenSlave::PowerOn() {
  std::lock_guard lock(mutex_);
  if (powered_) return;
  powered_ = true;
  peer_.Reattach();
  flash_.Restart();
  Boot(platform::NowMicroseconds());
  changed_.notify_all();
  // A wait that began before the power loss may not have seen it: it must
  // learn of the boot deadline.
  Wake();
}

bool CanopenSlave::WaitForState(NmtState state, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, platform::ToRealDuration(timeout), [&] { return state_ == state; });
}

bool CanopenSlave::WaitForBootUps(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, platform::ToRealDuration(timeout), [&] { return bootUps_ >= count; });
}

NmtState CanopenSlave::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

FlashMode CanopenSlave::Mode() const {
  std::lock_guard lock(mutex_);
  return flash_.Mode();
}

std::uint32_t CanopenSlave::ReportedProductCode() const {
  std::lock_guard lock(mutex_);
  return ProductCode();
}

std::uint16_t CanopenSlave::HeartbeatTime() const {
  std::lock_guard lock(mutex_);
  return heartbeatMs_;
}

FirmwareFlash CanopenSlave::Flash() const {
  std::lock_guard lock(mutex_);
  return flash_;
}

void CanopenSlave::SetFaults(CanopenSlaveFaults faults) {
  std::lock_guard lock(mutex_);
  faults_ = std::move(faults);
  Wake();
}

bool CanopenSlave::SendEmergency(std::uint16_t code, std::uint8_t errorRegister,
                                 std::array<std::uint8_t, 5> vendorData) {
  std::lock_guard lock(mutex_);
  if (state_ != NmtState::PreOperational && state_ != NmtState::Operational) return false;
  errorRegister_ = errorRegister;
  const std::array<std::uint8_t, 8> bytes{static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(code >> 8),
                                          errorRegister, vendorData[0], vendorData[1], vendorData[2],
                                          vendorData[3], vendorData[4]};
  Emit(DataFrame(kEmergencyBase + config_.node, bytes), platform::NowMicroseconds());
  Wake();
  return true;
}

// --- the thread ---

void CanopenSlave::Run() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    if (!powered_) {
      changed_.wait(lock, [this] { return stop_ || powered_; });
      continue;
    }
    const std::uint64_t nowUs = platform::NowMicroseconds();
    OnTime(nowUs);
    const std::chrono::milliseconds timeout = WaitBefore(NextDeadline(), nowUs);
    lock.unlock();
    BusFrame received;
    const ReceiveStatus status = peer_.Receive(received, timeout);
    // A cancelled wait is a wake-up: the deadlines are read again below.
    if (status == ReceiveStatus::Cancelled) peer_.ResumeReceive();
    lock.lock();
    if (status == ReceiveStatus::Received && powered_) OnFrame(received.frame, platform::NowMicroseconds());
  }
}

void CanopenSlave::Wake() { peer_.CancelReceive(); }

std::optional<std::uint64_t> CanopenSlave::NextDeadline() const {
  std::optional<std::uint64_t> next;
  const auto consider = [&](std::uint64_t due) { next = next ? std::min(*next, due) : due; };
  if (state_ == NmtState::Initialising) consider(bootDueUs_);
  if (heartbeatDueUs_) consider(*heartbeatDueUs_);
  if (const std::optional<std::uint64_t> due = outbox_.FirstDue()) consider(*due);
  return next;
}

void CanopenSlave::OnTime(std::uint64_t nowUs) {
  if (state_ == NmtState::Initialising && nowUs >= bootDueUs_) SendBootUp(nowUs);
  if (heartbeatDueUs_ && nowUs >= *heartbeatDueUs_) {
    Emit(DataFrame(kErrorControlBase + config_.node, std::array{StateByte()}), nowUs);
    // The next beat keeps the period; a long stall does not bunch beats up.
    *heartbeatDueUs_ = std::max<std::uint64_t>(*heartbeatDueUs_ + heartbeatMs_ * std::uint64_t{1000}, nowUs);
  }
  outbox_.SendDue(nowUs, [this](const CanFrame& frame) { Transmit(frame); });
}

void CanopenSlave::Boot(std::uint64_t nowUs) {
  state_ = NmtState::Initialising;
  bootDueUs_ = nowUs + MicrosOf(config_.bootDelay);
  outbox_.Clear();
  selectedSector_ = 0;
  errorRegister_ = 0;
  process_.digitalOutputs = {};
  process_.analogOutputs = {};
  ResetCommunication();
  heartbeatDueUs_.reset();
  changed_.notify_all();
}

void CanopenSlave::ResetCommunication() {
  heartbeatMs_ = config_.heartbeatMs;
  guardToggle_ = 0;
  ResetPdos();
  sdo_.Reset();
}

void CanopenSlave::SendBootUp(std::uint64_t nowUs) {
  state_ = NmtState::PreOperational;
  Emit(DataFrame(kErrorControlBase + config_.node, std::array<std::uint8_t, 1>{0x00}), nowUs);
  ++bootUps_;
  if (heartbeatMs_ != 0) {
    heartbeatDueUs_ = nowUs + heartbeatMs_ * std::uint64_t{1000};
  } else {
    heartbeatDueUs_.reset();
  }
  changed_.notify_all();
}

bool CanopenSlave::Talks() const { return state_ != NmtState::Initialising && state_ != NmtState::Off; }

void CanopenSlave::Emit(const CanFrame& frame, std::uint64_t nowUs) {
  const int copies = TakeCopiesOfNextFrame(faults_);
  const std::uint64_t delayUs = MicrosOf(config_.latency) + MicrosOf(faults_.answerDelay);
  for (int copy = 0; copy < copies; ++copy) {
    if (delayUs == 0 && outbox_.Empty()) {
      Transmit(frame);
      continue;
    }
    // Behind the frames already waiting: a node sends in order.
    outbox_.Hold(std::max(nowUs + delayUs, outbox_.LastDue().value_or(0)), frame);
  }
}

void CanopenSlave::Transmit(const CanFrame& frame) { peer_.Send(frame); }

// --- frames from the bus ---

void CanopenSlave::OnFrame(const CanFrame& frame, std::uint64_t nowUs) {
  if (frame.extended || !Talks()) return;
  const std::uint8_t node = config_.node;
  if (frame.id == kNmtId && !frame.remote) {
    OnNmt(frame.Payload(), nowUs);
  } else if (frame.id == kErrorControlBase + node && frame.remote) {
    OnGuardRequest(nowUs);  // any DLC: the master asks with 0
  } else if (frame.id == kSdoRequestBase + node && !frame.remote) {
    OnSdoRequest(frame.Payload(), nowUs);
  } else if (state_ == NmtState::Operational) {
    if (frame.remote) {
      if (const Pdo* pdo = PdoForFrame(tpdos_, frame.id)) OnTpdoRequest(*pdo, nowUs);
    } else if (const Pdo* pdo = PdoForFrame(rpdos_, frame.id)) {
      OnRpdo(*pdo, frame.Payload());
    }
  }
}

void CanopenSlave::OnNmt(std::span<const std::uint8_t> payload, std::uint64_t nowUs) {
  if (payload.size() != 2 || (payload[1] != 0 && payload[1] != config_.node)) return;
  switch (payload[0]) {
    case kStart:
      state_ = NmtState::Operational;
      break;
    case kStop:
      state_ = NmtState::Stopped;
      sdo_.Reset();
      break;
    case kEnterPreOperational:
      state_ = NmtState::PreOperational;
      break;
    case kResetNode:
      flash_.Restart();
      Boot(nowUs);
      break;
    case kResetCommunication:
      ResetCommunication();
      SendBootUp(nowUs);
      break;
    default:
      return;
  }
  changed_.notify_all();
}

void CanopenSlave::OnGuardRequest(std::uint64_t nowUs) {
  const auto answer = static_cast<std::uint8_t>((guardToggle_ << 7) | StateByte());
  guardToggle_ ^= 1;
  Emit(DataFrame(kErrorControlBase + config_.node, std::array{answer}), nowUs);
}

void CanopenSlave::OnSdoRequest(std::span<const std::uint8_t> payload, std::uint64_t nowUs) {
  // The master sends 8 bytes, as CiA 301 asks; anything else is no request.
  if (payload.size() != 8 || state_ == NmtState::Stopped) return;
  if (faults_.sdoAnswersLeft) {
    if (*faults_.sdoAnswersLeft == 0) return;
    --*faults_.sdoAnswersLeft;
  }
  SdoServer::Frame request;
  std::ranges::copy(payload, request.begin());
  std::optional<SdoServer::Frame> answer = sdo_.OnRequest(request);
  if (!answer) return;
  const std::uint8_t command = (*answer)[0] >> 5;
  const bool initiateAnswer = command == 2 || command == 3;
  if (initiateAnswer && faults_.wrongSubIndexAnswers > 0) {
    --faults_.wrongSubIndexAnswers;
    ++(*answer)[3];
  }
  Emit(DataFrame(kSdoResponseBase + config_.node, *answer), nowUs);
}

}  // namespace sim
