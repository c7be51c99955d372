#include "sim/kfd/kfdmodule.h"

#include <algorithm>
#include <chrono>

#include "platform/clock.h"
#include "sim/benchthread.h"
#include "sim/qx240/serialwire.h"

namespace sim {
namespace {

constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;
constexpr std::uint8_t kEnq = 0x05;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;
constexpr std::size_t kHeaderSize = 8;  // DST SRC CMD STS TNS ID
constexpr std::size_t kMaxBody = kHeaderSize + 8;
// How the module sends its own messages: it asks after an unanswered one
// and repeats a refused one a few times, then drops it.
constexpr std::uint32_t kAnswerWaitMs = 250;
constexpr int kMaxTries = 4;
constexpr std::size_t kMaxQueued = 1024;
// A host that does not take bytes within this long is gone.
constexpr std::uint32_t kHostWriteTimeoutMs = 1000;

// The module's DeviceNet object and its filter object.
constexpr std::uint8_t kStart = 0x06, kStop = 0x07, kAccept = 0x08, kDrop = 0x09, kSet = 0x10;
constexpr std::uint8_t kErrorReply = 0x94;
constexpr std::uint8_t kObjectStateConflict = 0x0C;
constexpr std::uint8_t kServiceNotSupported = 0x08;
constexpr std::uint8_t kInvalidValue = 0x09;
constexpr std::uint32_t kRates[] = {125000, 250000, 500000};

std::uint8_t Sum(std::span<const std::uint8_t> bytes) {
  std::uint8_t sum = 0;
  for (std::uint8_t b : bytes) sum = std::uint8_t(sum + b);
  return sum;
}

std::vector<std::uint8_t> Frame(std::uint16_t tns, std::uint16_t id, std::span<const std::uint8_t> data,
                                bool garble) {
  std::vector<std::uint8_t> body = {0, 0, 0x0C, 0, std::uint8_t(tns), std::uint8_t(tns >> 8),
                                    std::uint8_t(id), std::uint8_t(id >> 8)};
  body.insert(body.end(), data.begin(), data.end());
  std::vector<std::uint8_t> bytes = {kDle, kStx};
  for (std::uint8_t b : body) {
    bytes.push_back(b);
    if (b == kDle) bytes.push_back(kDle);
  }
  const std::uint8_t check = std::uint8_t(-Sum(body));
  bytes.insert(bytes.end(), {kDle, kEtx, std::uint8_t(garble ? check ^ 0x5A : check)});
  return bytes;
}

bool ModuleAccepts(std::uint16_t id, std::uint8_t mac) {
  return id == mac * 8 + 0x407 || (id & 0x607) == 0x403 || ((id >> 6) & 0x1F) == 0x1D;
}

bool TakeOne(std::uint32_t& count) {
  if (count == 0) return false;
  --count;
  return true;
}

}  // namespace

KfdModule::KfdModule(KfdFaults faults, bool pacedLine) : faults_(faults), serial_(pacedLine) {}

KfdModule::~KfdModule() { Stop(); }

bool KfdModule::Start() {
  if (!serial_.Open()) return false;
  stopping_ = false;
  lineThread_ = StartBenchThread("kfd", [this] { ServeLine(); });
  sendThread_ = StartBenchThread("kfd-send", [this] { SendLoop(); });
  return true;
}

void KfdModule::Stop() {
  DetachFromBus();
  stopping_ = true;
  {
    std::lock_guard lock(mutex_);
    changed_.notify_all();
  }
  serial_.CancelRead();
  if (lineThread_.joinable()) lineThread_.join();
  if (sendThread_.joinable()) sendThread_.join();
  serial_.Close();
}

void KfdModule::AttachToBus(CanBus& bus, const std::string& peerName) {
  std::lock_guard lock(busMutex_);
  bus_ = &bus;
  peer_.emplace(bus.Attach(peerName, [this](const BusFrame& frame) { OnBusFrame(frame); }));
}

void KfdModule::DetachFromBus() {
  std::optional<BusPeer> peer;
  {
    std::lock_guard lock(busMutex_);
    peer.swap(peer_);
    bus_ = nullptr;
  }
  if (peer) peer->Detach();
}

KfdModuleState KfdModule::State() const {
  std::lock_guard lock(mutex_);
  KfdModuleState state = state_;
  state.lineBytesIn = lineBytesIn_;
  state.lineBytesOut = lineBytesOut_;
  return state;
}

void KfdModule::SetFaults(const KfdFaults& faults) {
  std::lock_guard lock(mutex_);
  faults_ = faults;
}

void KfdModule::SetCommandInterceptor(CommandInterceptor interceptor) {
  std::lock_guard lock(mutex_);
  interceptor_ = std::move(interceptor);
}

void KfdModule::SendToHost(std::uint16_t id, std::span<const std::uint8_t> data) {
  std::lock_guard lock(mutex_);
  if (outgoing_.size() >= kMaxQueued) {
    ++state_.framesDropped;
    return;
  }
  outgoing_.push_back({id, {data.begin(), data.end()}});
  changed_.notify_all();
}

bool KfdModule::SendRaw(std::span<const std::uint8_t> bytes) { return Write(bytes); }

void KfdModule::ServeLine() {
  ServeHostBytes(serial_, stopping_, [this](std::uint8_t byte) { HandleByte(byte); });
}

void KfdModule::HandleByte(std::uint8_t byte) {
  ++lineBytesIn_;
  switch (line_) {
    case LineState::kIdle:
      if (byte == kDle) line_ = LineState::kIdleDle;
      return;
    case LineState::kIdleDle:
      line_ = LineState::kIdle;
      if (byte == kStx) {
        body_.clear();
        line_ = LineState::kBody;
      } else {
        HandleControl(byte);
      }
      return;
    case LineState::kBody:
      if (byte == kDle) line_ = LineState::kBodyDle;
      else body_.push_back(byte);
      return;
    case LineState::kBodyDle:
      line_ = LineState::kBody;
      if (byte == kDle) body_.push_back(byte);
      else if (byte == kEtx) line_ = LineState::kCheck;
      else if (byte == kAck || byte == kNak || byte == kEnq) HandleControl(byte);
      else {
        line_ = LineState::kIdle;
        Answer(kNak);  // a torn message
      }
      return;
    case LineState::kCheck:
      line_ = LineState::kIdle;
      body_.push_back(byte);
      HandleMessage();
      return;
  }
}

void KfdModule::HandleControl(std::uint8_t symbol) {
  std::unique_lock lock(mutex_);
  if (symbol == kEnq) ++state_.enquiries;
  if (faults_.silent) return;
  switch (symbol) {
    case kAck:
    case kNak:
      (symbol == kAck ? state_.acksFromHost : state_.naksFromHost)++;
      hostAnswer_ = symbol == kAck ? Symbol::kAck : Symbol::kNak;
      changed_.notify_all();
      return;
    case kEnq: {
      const std::uint8_t last = lastAnswer_;
      lock.unlock();
      const std::uint8_t bytes[] = {kDle, last};
      Write(bytes);
      return;
    }
    default:
      return;
  }
}

void KfdModule::HandleMessage() {
  const bool wellFormed = Sum(body_) == 0 && body_.size() >= kHeaderSize + 1 && body_.size() <= kMaxBody + 1;
  bool refuse = !wellFormed;
  bool acknowledge = true;
  {
    std::lock_guard lock(mutex_);
    if (faults_.silent) return;
    if (wellFormed) ++state_.hostMessages;
    if (wellFormed && TakeOne(faults_.naks)) refuse = true;
    if (!refuse && TakeOne(faults_.lostAcks)) acknowledge = false;
    lastAnswer_ = refuse ? kNak : kAck;
  }
  if (refuse) return Answer(kNak);
  if (acknowledge) Answer(kAck);
  const std::uint16_t id = std::uint16_t(body_[6] | body_[7] << 8);
  const std::span<const std::uint8_t> data(body_.data() + kHeaderSize, body_.size() - kHeaderSize - 1);
  if (id == kModuleId) Execute(data);
  else RelayToBus(id, data);
}

void KfdModule::Answer(std::uint8_t symbol) {
  {
    std::lock_guard lock(mutex_);
    lastAnswer_ = symbol;
  }
  const std::uint8_t bytes[] = {kDle, symbol};
  Write(bytes);
}

void KfdModule::Execute(std::span<const std::uint8_t> body) {
  CommandInterceptor interceptor;
  {
    std::lock_guard lock(mutex_);
    state_.commands.emplace_back(body.begin(), body.end());
    interceptor = interceptor_;
  }
  std::optional<std::vector<std::uint8_t>> reply;
  if (interceptor) reply = interceptor(body);
  if (!reply) reply = Perform(body);
  if (!reply->empty()) SendToHost(kModuleId, *reply);
}

// The answer to a command body: the service with the reply bit, or an error
// reply with its general and additional code.
std::vector<std::uint8_t> KfdModule::Perform(std::span<const std::uint8_t> body) {
  const std::uint8_t mac = body.empty() ? 0 : body[0];
  const auto error = [mac](std::uint8_t code) { return std::vector<std::uint8_t>{mac, kErrorReply, code, 0xFF}; };
  if (body.size() < 4) return error(kServiceNotSupported);
  const std::uint8_t service = body[1];
  const std::vector<std::uint8_t> done = {mac, std::uint8_t(service | 0x80)};
  std::uint32_t busRate = 0;
  {
    std::lock_guard lock(busMutex_);
    if (bus_ != nullptr) busRate = bus_->BitRate();
  }
  std::lock_guard lock(mutex_);
  const bool moduleObject = body[2] == 3 && body[3] == 1;
  if (service == kStop && moduleObject && body.size() == 4) {
    state_.online = false;
    return done;
  }
  if (service == kStart && moduleObject && body.size() == 4) {
    // At another rate than the bus runs at, the module would only see errors.
    if (busRate != 0 && kRates[state_.rateCode] != busRate) return error(kObjectStateConflict);
    state_.online = true;
    return done;
  }
  if (service == kSet && moduleObject && body.size() == 6) {
    if (state_.online) return error(kObjectStateConflict);
    if (body[4] == 1 && body[5] < 64) state_.mac = body[5];
    else if (body[4] == 2 && body[5] < 3) state_.rateCode = body[5];
    else return error(kInvalidValue);
    return done;
  }
  if (service == kAccept && body[2] == 0xCB && body.size() == 6 && body[3] == 0) {
    state_.filters.insert(std::uint16_t(body[4] | body[5] << 8));
    return done;
  }
  if (service == kDrop && body[2] == 0xCB && body.size() == 5) {
    const std::uint16_t id = std::uint16_t(body[3] | body[4] << 8);
    if (id == 0) state_.filters.clear();
    else state_.filters.erase(id);
    return done;
  }
  return error(kServiceNotSupported);
}

void KfdModule::RelayToBus(std::uint16_t id, std::span<const std::uint8_t> data) {
  if (id > CanFrame::kMaxStandardId || data.size() > CanFrame::kMaxDataLength) return;
  CanFrame frame;
  frame.id = id;
  frame.dlc = std::uint8_t(data.size());
  std::copy(data.begin(), data.end(), frame.data.begin());
  {
    std::lock_guard lock(mutex_);
    if (!state_.online) return;  // an offline module sends nothing
    ++state_.framesToBus;
  }
  std::lock_guard lock(busMutex_);
  if (peer_) peer_->Send(frame);
}

bool KfdModule::Passes(std::uint16_t id) const {
  return state_.online && (ModuleAccepts(id, state_.mac) || state_.filters.contains(id));
}

void KfdModule::OnBusFrame(const BusFrame& busFrame) {
  const CanFrame& frame = busFrame.frame;
  if (frame.extended || frame.remote) return;  // DF1 carries neither
  {
    std::lock_guard lock(mutex_);
    if (!Passes(std::uint16_t(frame.id))) return;
  }
  SendToHost(std::uint16_t(frame.id), frame.Payload());
}

// The module's own messages go one at a time: the next only once the host
// acknowledged the last, or it was given up.
void KfdModule::SendLoop() {
  while (!stopping_) {
    Outgoing message;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return stopping_ || !outgoing_.empty(); });
      if (stopping_) return;
      message = std::move(outgoing_.front());
      outgoing_.pop_front();
    }
    const bool delivered = Deliver(message);
    std::lock_guard lock(mutex_);
    if (!delivered) ++state_.framesDropped;
    else if (message.id != kModuleId) ++state_.framesToHost;
    else ++state_.repliesToHost;
  }
}

bool KfdModule::Deliver(const Outgoing& message) {
  std::uint16_t tns;
  {
    std::lock_guard lock(mutex_);
    tns = ++tns_;
  }
  bool resend = true;
  for (int tries = 0; tries < kMaxTries && !stopping_; ++tries) {
    bool garble;
    {
      std::lock_guard lock(mutex_);
      hostAnswer_ = Symbol::kNone;
      garble = TakeOne(faults_.garbled);
      if (faults_.silent) return false;
    }
    if (resend) Write(Frame(tns, message.id, message.data, garble));
    else {
      const std::uint8_t enquiry[] = {kDle, kEnq};
      Write(enquiry);
    }
    std::unique_lock lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() +
                          platform::ToRealDuration(std::chrono::milliseconds(kAnswerWaitMs));
    changed_.wait_until(lock, deadline, [this] { return stopping_ || hostAnswer_ != Symbol::kNone; });
    if (hostAnswer_ == Symbol::kAck) return true;
    resend = hostAnswer_ == Symbol::kNak;
  }
  return false;
}

bool KfdModule::Write(std::span<const std::uint8_t> bytes) {
  std::lock_guard lock(writeMutex_);
  std::size_t written = 0;
  const bool ok = serial_.Write(bytes.data(), bytes.size(), &written, kHostWriteTimeoutMs);
  lineBytesOut_ += written;
  return ok && written == bytes.size();
}

}  // namespace sim
