#include "sim/qx240/qx240adapter.h"

#include <algorithm>

#include "platform/clock.h"
#include "sim/benchthread.h"

namespace sim {
namespace {

constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kSyncAnswer = 0x15;
constexpr std::uint32_t kCommandId = kSerialCommandId;
constexpr std::uint8_t kRemoteFlag = 0x10;
constexpr std::uint8_t kEchoFlag = kSerialEchoFlag;
constexpr std::uint32_t kRemoveAllFilters = 0xFFFFFFFF;
constexpr std::uint8_t kUpgradeCode[4] = {0x46, 0x57, 0x55, 0x50};
// A host that does not take a frame within this long is gone. The drivers
// hold back reading while their receive ring is full (for at most 200 ms when
// nobody drains it), so a full line alone does not mean the host left.
constexpr std::uint32_t kHostWriteTimeoutMs = 1000;

std::uint32_t ReadU32(const std::uint8_t* bytes) {
  return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
         std::uint32_t(bytes[3]) << 24;
}

void AppendLittleEndian(std::vector<std::uint8_t>& bytes, std::uint64_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) bytes.push_back(std::uint8_t(value >> (8 * i)));
}

// Size of a parameter value by kind; 0 for the array kind and unknown kinds.
std::size_t ScalarSize(std::uint8_t kind) {
  switch (kind) {
    case 0: return 1;
    case 1: return 2;
    case 2: return 4;
    default: return 0;
  }
}
constexpr std::uint8_t kArrayKind = 7;

}  // namespace

Qx240Adapter::Qx240Adapter(Qx240AdapterOptions options)
    : options_(std::move(options)), serial_(options_.pacedLine) {
  state_.bitRate = options_.bitRate;
  options_.productName.resize(std::min<std::size_t>(options_.productName.size(), 7));
}

Qx240Adapter::~Qx240Adapter() { Stop(); }

bool Qx240Adapter::Start() {
  if (!serial_.Open()) return false;
  stopping_ = false;
  thread_ = StartBenchThread("qx240", [this] { ServeLine(); });
  return true;
}

void Qx240Adapter::Stop() {
  DetachFromBus();
  stopping_ = true;
  serial_.CancelRead();
  if (thread_.joinable()) thread_.join();
  serial_.Close();
}

void Qx240Adapter::AttachToBus(CanBus& bus, const std::string& peerName) {
  std::lock_guard lock(busMutex_);
  peer_.emplace(bus.Attach(peerName, [this](const BusFrame& frame) { OnBusFrame(frame); }));
}

void Qx240Adapter::DetachFromBus() {
  std::optional<BusPeer> peer;
  {
    std::lock_guard lock(busMutex_);
    peer.swap(peer_);
  }
  // Leaving the bus outside the lock: a callback running now may still relay.
  if (peer) peer->Detach();
}

Qx240AdapterState Qx240Adapter::State() const {
  std::lock_guard lock(mutex_);
  return state_;
}

void Qx240Adapter::SetCommandInterceptor(CommandInterceptor interceptor) {
  std::lock_guard lock(mutex_);
  interceptor_ = std::move(interceptor);
}

bool Qx240Adapter::SendRaw(std::span<const std::uint8_t> bytes) { return SendToHost(bytes); }

std::uint64_t Qx240Adapter::Now() const {
  return options_.clock ? options_.clock() : platform::NowMicroseconds();
}

void Qx240Adapter::ServeLine() {
  ServeHostBytes(serial_, stopping_, [this](std::uint8_t byte) { HandleByte(byte); });
}

void Qx240Adapter::HandleByte(std::uint8_t byte) {
  switch (line_.Feed(byte)) {
    case HostLineParser::Event::kSyncRequest: return Synchronise();
    case HostLineParser::Event::kFrame: return HandleHostFrame(line_.Frame());
    case HostLineParser::Event::kNone: return;
  }
}

void Qx240Adapter::Synchronise() {
  if (options_.unansweredSyncs > 0) {
    --options_.unansweredSyncs;
    return;
  }
  // A new session: the framing starts afresh and frames are unstamped.
  pending_.reset();
  {
    std::lock_guard lock(mutex_);
    state_.hostPresent = true;
    state_.timeStampMode = 0;
    ++state_.syncs;
  }
  const std::uint8_t answer[] = {kDle, kSyncAnswer};
  SendToHost(answer);
}

void Qx240Adapter::Reject() {
  std::lock_guard lock(mutex_);
  ++state_.rejectedHostFrames;
}

void Qx240Adapter::HandleHostFrame(const HostFrameBytes& frame) {
  HostFrameFields fields;
  if (!DecodeHostFrame(frame, &fields)) return Reject();
  const std::uint32_t id = fields.id;
  const std::uint8_t flags = fields.flags;
  const std::uint8_t length = fields.length;
  const std::uint8_t* data = fields.data;
  {
    std::lock_guard lock(mutex_);
    state_.hostPresent = true;
  }
  if (pending_ && id == kCommandId) {
    if (!HandleContinuation(id, flags, length, data)) Reject();
    return;
  }
  // Only the first frame of a multi-frame command may announce more than 8.
  const bool announcing = id == kCommandId && length > 8 && data[0] == 0xFE;
  if (length > 8 && !announcing) return Reject();
  // Bytes beyond the data length are 00 in every well-formed frame.
  if (std::any_of(data + std::min<std::uint8_t>(length, 8), data + 8,
                  [](std::uint8_t b) { return b != 0; }))
    return Reject();
  if (id != kCommandId) return RelayToBus(id, flags, length, data);
  if (flags != 0 || length == 0) return Reject();
  if (!HandleCommand(std::span(data, std::min<std::uint8_t>(length, 8)), length)) Reject();
}

bool Qx240Adapter::HandleContinuation(std::uint32_t, std::uint8_t flags, std::uint8_t length,
                                      const std::uint8_t* data) {
  const std::size_t remaining = pending_->total - pending_->value.size();
  if (flags != 0 || length == 0 || length > std::min<std::size_t>(remaining, 8)) {
    pending_.reset();
    return false;
  }
  pending_->value.insert(pending_->value.end(), data, data + length);
  if (pending_->value.size() < pending_->total) return true;
  {
    std::lock_guard lock(mutex_);
    parameters_[pending_->number] = pending_->value;
  }
  pending_.reset();
  const std::uint8_t echo[] = {0xFE};
  Reply(kEchoFlag, echo);
  return true;
}

void Qx240Adapter::RelayToBus(std::uint32_t id, std::uint8_t flags, std::uint8_t length,
                              const std::uint8_t* data) {
  if (id > CanFrame::kMaxExtendedId) return Reject();
  CanFrame frame;
  frame.id = id;
  frame.extended = id > CanFrame::kMaxStandardId;
  frame.remote = (flags & kRemoteFlag) != 0;
  frame.dlc = length;
  std::copy(data, data + length, frame.data.begin());
  {
    std::lock_guard lock(mutex_);
    if (!state_.online) return;  // an offline controller sends nothing
    ++state_.framesToBus;
  }
  std::lock_guard lock(busMutex_);
  if (peer_) peer_->Send(frame);
}

bool Qx240Adapter::HandleCommand(std::span<const std::uint8_t> command, std::uint8_t length) {
  const std::uint8_t code = command[0];
  // The length each command must have; 0 marks the ones checked below.
  static const std::map<std::uint8_t, std::uint8_t> kLengths = {
      {0x01, 1}, {0x02, 1}, {0x03, 1}, {0x04, 1}, {0x05, 2}, {0x06, 1}, {0x07, 1}, {0x08, 1},
      {0x09, 1}, {0x0A, 1}, {0x0F, 1}, {0x70, 1}, {0x71, 1}, {0x75, 1}, {0x76, 1}, {0x77, 1},
      {0x78, 1}, {0x79, 1}, {0x7E, 5}, {0x81, 2}, {0x82, 3}, {0x83, 5}, {0x84, 5}, {0x85, 6},
      {0x86, 5}, {0x87, 2}, {0x88, 2}, {0x89, 2}, {0x8A, 2}, {0x8C, 5}, {0x8D, 5}, {0x8E, 2},
      {0x8F, 1}, {0xF0, 5}, {0xFE, 0}};
  const auto expected = kLengths.find(code);
  if (expected == kLengths.end()) return false;
  if (expected->second != 0 && expected->second != length) return false;
  if (code == 0x8E && command[1] > 2) return false;
  if (code == 0xF0 && !std::equal(kUpgradeCode, kUpgradeCode + 4, command.begin() + 1)) return false;

  Record(command);
  CommandInterceptor interceptor;
  {
    std::lock_guard lock(mutex_);
    interceptor = interceptor_;
  }
  if (interceptor) {
    if (auto raw = interceptor(command)) {
      if (!raw->empty()) SendToHost(*raw);
      return true;
    }
  }
  if (code == 0x7E) return HandleParameterGet(command);
  if (code == 0xFE) return HandleParameterSet(command, length);

  if (std::optional<std::vector<std::uint8_t>> reply = Answer(command)) {
    const bool echoed = code == 0x0F || code == 0x75 || code == 0x77 || code == 0x78 || code == 0x79;
    Reply(echoed ? kEchoFlag : 0, *reply);
    return true;
  }
  return ApplySetting(command);
}

std::optional<std::vector<std::uint8_t>> Qx240Adapter::Answer(
    std::span<const std::uint8_t> command) const {
  const std::uint8_t code = command[0];
  std::vector<std::uint8_t> reply;
  // Echo replies repeat the code before the value.
  auto echo = [&] { reply.push_back(code); };
  std::lock_guard lock(mutex_);
  switch (code) {
    case 0x01: AppendLittleEndian(reply, state_.online, 1); break;
    case 0x02: AppendLittleEndian(reply, globalMaskShort_, 2); break;
    case 0x03: AppendLittleEndian(reply, globalMaskLong_, 4); break;
    case 0x04: AppendLittleEndian(reply, lastMessageMask_, 4); break;
    case 0x05: {
      const auto found = arbitration_.find(command[1]);
      AppendLittleEndian(reply, found == arbitration_.end() ? 0 : found->second, 4);
      break;
    }
    case 0x06: AppendLittleEndian(reply, state_.bitRate, 4); break;
    case 0x07: case 0x08: case 0x09: case 0x0A: reply.push_back(bitTiming_[code - 0x07]); break;
    case 0x0F: echo(); reply.push_back(0); break;  // status: no error
    case 0x70:
      AppendLittleEndian(reply, std::uint32_t(options_.firmwareMajor) << 16 | options_.firmwareMinor, 4);
      break;
    case 0x71:
      AppendLittleEndian(reply, std::uint32_t(options_.hardwareMajor) << 16 | options_.hardwareMinor, 4);
      break;
    case 0x75: echo(); reply.push_back(options_.mode); break;
    case 0x76: AppendLittleEndian(reply, options_.serialNumber, 4); break;
    case 0x77: echo(); AppendLittleEndian(reply, options_.deviceType, 4); break;
    case 0x78: echo(); AppendLittleEndian(reply, options_.productCode, 4); break;
    case 0x79: echo(); reply.insert(reply.end(), options_.productName.begin(), options_.productName.end()); break;
    default: return std::nullopt;
  }
  return reply;
}

bool Qx240Adapter::ApplySetting(std::span<const std::uint8_t> command) {
  const std::uint8_t code = command[0];
  const std::uint32_t argument = command.size() >= 5 ? ReadU32(&command[1]) : 0;
  std::lock_guard lock(mutex_);
  switch (code) {
    case 0x81: state_.online = command[1] != 0; return true;
    case 0x82: globalMaskShort_ = std::uint16_t(command[1] | command[2] << 8); return true;
    case 0x83: globalMaskLong_ = argument; return true;
    case 0x84: lastMessageMask_ = argument; return true;
    case 0x85: arbitration_[command[1]] = ReadU32(&command[2]); return true;
    case 0x86: state_.bitRate = argument; return true;
    case 0x87: case 0x88: case 0x89: case 0x8A: bitTiming_[code - 0x87] = command[1]; return true;
    case 0x8C:
      state_.filtering = true;
      state_.filters.insert(argument);
      return true;
    case 0x8D:
      state_.filtering = true;
      if (argument == kRemoveAllFilters) state_.filters.clear();
      else state_.filters.erase(argument);
      return true;
    case 0x8E: state_.timeStampMode = command[1]; return true;
    case 0x8F:
      // The controller restarts: offline, accepting every frame again.
      state_.online = false;
      state_.filtering = false;
      state_.filters.clear();
      return true;
    case 0xF0: state_.firmwareUpgradeRequested = true; return true;
    default: return false;
  }
}

bool Qx240Adapter::HandleParameterGet(std::span<const std::uint8_t> command) {
  const std::uint8_t kind = command[2];
  const std::uint16_t number = std::uint16_t(command[3] | command[4] << 8);
  if (command[1] != 0 || (ScalarSize(kind) == 0 && kind != kArrayKind)) return false;
  std::vector<std::uint8_t> value;
  {
    std::lock_guard lock(mutex_);
    if (auto found = parameters_.find(number); found != parameters_.end()) value = found->second;
  }
  constexpr std::uint8_t code = 0x7E;
  if (kind != kArrayKind) {
    value.resize(ScalarSize(kind));
    ReplyEcho(code, value);
    return true;
  }
  value.resize(std::min<std::size_t>(value.size(), 254));
  if (value.size() <= 7) {
    ReplyEcho(code, value);
    return true;
  }
  // The first reply announces the total by its Length and carries 7 bytes;
  // the rest follows in reply frames of up to 8 bytes.
  std::vector<std::uint8_t> bytes =
      BuildDeviceFrame(kCommandId, kEchoFlag, std::uint8_t(value.size() + 1),
                       std::vector<std::uint8_t>{code, value[0], value[1], value[2], value[3],
                                                 value[4], value[5], value[6]});
  for (std::size_t at = 7; at < value.size(); at += 8) {
    const std::size_t n = std::min<std::size_t>(8, value.size() - at);
    const auto next = BuildDeviceFrame(kCommandId, 0, std::uint8_t(n), std::span(&value[at], n));
    bytes.insert(bytes.end(), next.begin(), next.end());
  }
  SendToHost(bytes);
  return true;
}

bool Qx240Adapter::HandleParameterSet(std::span<const std::uint8_t> command, std::uint8_t length) {
  if (length < 5 || command[1] != 0) return false;
  const std::uint8_t kind = command[2];
  const std::uint16_t number = std::uint16_t(command[3] | command[4] << 8);
  const std::size_t total = length - 5u;
  const bool sizeFits = kind == kArrayKind ? true : ScalarSize(kind) == total;
  if (!sizeFits) return false;
  PendingParameter parameter{kind, number, total, {}};
  const std::size_t inFirst = std::min<std::size_t>(total, 3);
  parameter.value.assign(command.begin() + 5, command.begin() + 5 + inFirst);
  if (inFirst < total) {
    pending_ = std::move(parameter);
    return true;
  }
  {
    std::lock_guard lock(mutex_);
    parameters_[number] = parameter.value;
  }
  const std::uint8_t echo[] = {0xFE};
  Reply(kEchoFlag, echo);
  return true;
}

void Qx240Adapter::OnBusFrame(const BusFrame& busFrame) {
  const CanFrame& frame = busFrame.frame;
  HostSink sink;
  std::uint8_t mode = 0;
  {
    std::lock_guard lock(mutex_);
    if (!state_.online || !state_.hostPresent) return;
    const bool accepted = options_.permissiveFilters || !state_.filtering ||
                          state_.filters.contains(frame.id);
    if (!accepted) {
      ++state_.framesFiltered;
      return;
    }
    sink = hostSink_;
    mode = state_.timeStampMode;
  }
  if (sink) {
    if (!sink(frame, Now(), mode)) return;
    std::lock_guard lock(mutex_);
    ++state_.framesToHost;
    return;
  }
  const auto bytes = BuildDeviceFrame(frame.id, frame.remote ? kRemoteFlag : 0, frame.dlc,
                                      std::span(frame.data.data(), frame.remote ? 0 : frame.dlc));
  if (SendToHost(bytes)) {
    std::lock_guard lock(mutex_);
    ++state_.framesToHost;
  }
}

std::vector<std::uint8_t> Qx240Adapter::BuildDeviceFrame(std::uint32_t id, std::uint8_t flags,
                                                         std::uint8_t length,
                                                         std::span<const std::uint8_t> data) const {
  std::uint8_t mode;
  {
    std::lock_guard lock(mutex_);
    mode = state_.timeStampMode;
  }
  return sim::BuildDeviceFrame(mode, Now(), id, flags, length, data);
}

void Qx240Adapter::Record(std::span<const std::uint8_t> command) {
  std::lock_guard lock(mutex_);
  state_.commands.emplace_back(command.begin(), command.end());
}

std::optional<std::vector<std::uint8_t>> Qx240Adapter::AnswerQuery(
    std::span<const std::uint8_t> command) {
  if (command.empty()) return std::nullopt;
  Record(command);
  const std::uint8_t code = command[0];
  if (code == 0x7E) {
    if (command.size() < 5) return std::nullopt;
    const std::uint8_t kind = command[2];
    std::vector<std::uint8_t> value;
    std::lock_guard lock(mutex_);
    if (auto found = parameters_.find(std::uint16_t(command[3] | command[4] << 8));
        found != parameters_.end())
      value = found->second;
    if (kind != kArrayKind) value.resize(ScalarSize(kind));
    return value;
  }
  std::optional<std::vector<std::uint8_t>> reply = Answer(command);
  const bool echoed = code == 0x0F || code == 0x75 || code == 0x77 || code == 0x78 || code == 0x79;
  if (reply && echoed) reply->erase(reply->begin());
  return reply;
}

bool Qx240Adapter::ApplySettingCommand(std::span<const std::uint8_t> command) {
  if (command.empty()) return false;
  Record(command);
  if (command[0] == 0xFE) {
    if (command.size() < 5) return false;
    std::lock_guard lock(mutex_);
    parameters_[std::uint16_t(command[3] | command[4] << 8)].assign(command.begin() + 5,
                                                                    command.end());
    return true;
  }
  return ApplySetting(command);
}

void Qx240Adapter::RelayFromHost(std::uint32_t id, std::uint8_t flags, std::uint8_t length,
                                 const std::uint8_t* data) {
  if (length > 8) return Reject();
  RelayToBus(id, flags, length, data);
}

void Qx240Adapter::SetHostSink(HostSink sink) {
  std::lock_guard lock(mutex_);
  hostSink_ = std::move(sink);
}

void Qx240Adapter::SetHostPresent(bool present) {
  std::lock_guard lock(mutex_);
  state_.hostPresent = present;
  if (present) state_.timeStampMode = 0;
}

void Qx240Adapter::Reply(std::uint8_t flags, std::span<const std::uint8_t> data) {
  SendToHost(BuildDeviceFrame(kCommandId, flags, std::uint8_t(data.size()), data));
}

void Qx240Adapter::ReplyEcho(std::uint8_t code, std::span<const std::uint8_t> value) {
  std::vector<std::uint8_t> bytes = {code};
  bytes.insert(bytes.end(), value.begin(), value.end());
  Reply(kEchoFlag, bytes);
}

bool Qx240Adapter::SendToHost(std::span<const std::uint8_t> bytes) {
  {
    std::lock_guard lock(mutex_);
    if (!state_.hostPresent) return false;
  }
  std::lock_guard lock(writeMutex_);
  std::size_t written = 0;
  if (serial_.Write(bytes.data(), bytes.size(), &written, kHostWriteTimeoutMs) &&
      written == bytes.size())
    return true;
  // Nobody takes the bytes: the host has gone until it synchronises again.
  std::lock_guard stateLock(mutex_);
  state_.hostPresent = false;
  return false;
}

}  // namespace sim
