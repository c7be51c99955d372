// Cards of VRK_DNCN: opening and closing, the card threads, the receive
// dispatcher and going online through the duplicate MAC ID check.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "can/client/canaccessclient.h"
#include "devicenet/dncn.h"
#include "platform/clock.h"
#include "platform/iochannel.h"
#include "platform/lasterror.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace dncn {
namespace {

// Receive queues, in the order the dispatcher drains them after the check
// queue; the CAN layer gives a frame to the first queue it matches, in the
// order of creation.
enum Queue { kQueueCheck, kQueuePoll, kQueueCos, kQueueStrobe, kQueueExplicit, kQueueUcmm, kQueueGroup4, kQueueGroup3 };
struct QueueFilter {
  std::uint32_t code, mask;
};
constexpr std::array<QueueFilter, 8> kQueueFilters = {{
    {0x407, 0x607},  // Group 2 message 7: duplicate MAC ID check, any MAC ID
    {0x3C0, 0x7C0},  // Group 1 message 15: poll responses
    {0x340, 0x7C0},  // Group 1 message 13: change-of-state/cyclic data
    {0x380, 0x7C0},  // Group 1 message 14: bit-strobe responses
    {0x403, 0x607},  // Group 2 message 3: explicit and unconnected responses
    {0x740, 0x7C0},  // Group 3 message 5: UCMM responses
    {0x7C0, 0x7C0},  // Group 4: not used, kept apart from Group 3
    {0x600, 0x600},  // Group 3: UCMM connection traffic
}};

constexpr std::uint32_t kCheckWaitMs = 1000;
constexpr std::uint32_t kVerdictWaitMs = 10000;
constexpr std::uint32_t kThreadJoinMs = 60000;
constexpr std::uint32_t kAllFilters = 0xFFFFFFFF;
// Every thread is woken for its work and at its due times; it also looks
// this often on its own, should a wake-up ever go amiss.
constexpr std::uint32_t kLookAtLeastEveryMs = 1000;

std::uint32_t CheckId(int mac) { return static_cast<std::uint32_t>(mac & 0x3F) * 8 + 0x407; }

std::mutex tableMutex;
std::array<CardPtr, kCardCount> cards;

}  // namespace

std::uint64_t NowMs() { return platform::NowMicroseconds() / 1000; }

CardPtr FindCard(std::int32_t card) {
  if (card < 0 || card >= kCardCount) return nullptr;
  std::lock_guard lock(tableMutex);
  CardPtr found = cards[card];
  return found != nullptr && !found->Closing() ? found : nullptr;
}

int FreeCardIndex() {
  std::lock_guard lock(tableMutex);
  for (int i = 0; i < kCardCount; ++i) {
    if (cards[i] == nullptr) return i;
  }
  return -1;
}

bool InstallCard(int index, CardPtr card) {
  std::lock_guard lock(tableMutex);
  if (cards[index] != nullptr) return false;
  cards[index] = std::move(card);
  return true;
}

CardPtr TakeCard(std::int32_t card) {
  if (card < 0 || card >= kCardCount) return nullptr;
  std::lock_guard lock(tableMutex);
  return std::exchange(cards[card], nullptr);
}

Connection::~Connection() {
  if (requestEvent != platform::kNullHandle) platform::CloseHandle(requestEvent);
  if (responseEvent != platform::kNullHandle) platform::CloseHandle(responseEvent);
}

void Connection::SizeBuffers() {
  input.resize(producedSize);
  reassembly.resize(producedSize);
  output.resize(consumedSize);
}

ConnectionPtr Node::Slot(int slot) const {
  std::lock_guard lock(slotMutex);
  return slots[slot];
}

void Node::ResetInPlace() {
  connected = false;
  status = 0;
  allocatedByUcmm = false;
  scanlistChoice = wantedSet = wantedUcmm = allocatedSet = ucmmOpen = 0;
  allocation = Allocation::kIdle;
  step = Step::kStart;
  allocatorMac = 0xFF;
  ucmmNode = false;
  faulted = false;
}

Card::Card(int index, std::int32_t interfaceType, std::int32_t canCard)
    : index_(index), interfaceType_(interfaceType), canCard_(canCard) {}

Card::~Card() = default;

bool Card::Start() {
  for (std::size_t q = 0; q < kQueueFilters.size(); ++q) {
    if (canclient::CreateQueue(canCard_, kQueueFilters[q].code, kQueueFilters[q].mask, &queues_[q]) == 0) return false;
  }
  if (canclient::SetBufferedMode(canCard_, 1) == 0) return false;
  receiveEvent_ = platform::CreateEvent(true, true, nullptr);
  verdictEvent_ = platform::CreateEvent(true, true, nullptr);
  if (receiveEvent_ == platform::kNullHandle || verdictEvent_ == platform::kNullHandle) return false;
  if (canclient::CAN_RegisterBufferedReceiveEvent(canCard_, receiveEvent_, 1) == 0) return false;
  platform::timeBeginPeriod(1);
  timerResolutionRaised_ = true;
  StartWorker(receive_, &Card::ReceiveLoop);
  StartWorker(communication_, &Card::CommunicationLoop);
  StartWorker(scan_, &Card::ScanLoop);
  StartWorker(nodeStatus_, &Card::NodeStatusLoop);
  return receive_.handle && communication_.handle && scan_.handle && nodeStatus_.handle;
}

void Card::StartWorker(Worker& worker, std::uint32_t (Card::*loop)()) {
  worker.handle = platform::CreateThread([this, loop] { return (this->*loop)(); }, false, nullptr);
  if (worker.handle != platform::kNullHandle) {
    platform::SetThreadPriority(worker.handle, platform::kThreadPriorityTimeCritical);
  }
}

namespace {
void StopWorkerFlag(std::atomic<bool>& stop) { stop = true; }
void JoinWorker(platform::Handle& handle) {
  if (handle == platform::kNullHandle) return;
  platform::WaitForSingleObject(handle, kThreadJoinMs);
  platform::CloseHandle(handle);
  handle = platform::kNullHandle;
}
}  // namespace

void Card::Close() {
  // No maintenance may run while the nodes are let go.
  StopWorkerFlag(scan_.stop);
  scanSchedule.Wake();
  JoinWorker(scan_.handle);
  SetOnline(false);
  closing_ = true;
  state_ = kStateOffline;
  platform::SetEvent(verdictEvent_);
  ForEachNode([](Node& node) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
      if (ConnectionPtr connection = node.Slot(slot)) AbortExchange(*connection);
    }
  });
  for (Worker* worker : {&receive_, &communication_, &nodeStatus_}) StopWorkerFlag(worker->stop);
  platform::SetEvent(receiveEvent_);
  communicationSchedule.Wake();
  nodeStatusSchedule.Wake();
  for (Worker* worker : {&receive_, &communication_, &nodeStatus_}) JoinWorker(worker->handle);
  canclient::CAN_RegisterBufferedReceiveEvent(canCard_, platform::kNullHandle, 0);
  if (timerResolutionRaised_) platform::timeEndPeriod(1);
  canclient::CloseCard(canCard_);
  ForEachNode([](Node& node) {
    std::lock_guard lock(node.slotMutex);
    for (auto& slot : node.slots) slot.reset();
  });
  for (platform::Handle* event : {&receiveEvent_, &verdictEvent_}) {
    if (*event != platform::kNullHandle) platform::CloseHandle(*event);
    *event = platform::kNullHandle;
  }
}

void Card::SettingsChanged() {
  communicationSchedule.Wake();
  nodeStatusSchedule.Wake();
}

// Frames wake it through the receive event.
std::uint32_t Card::ReceiveLoop() {
  while (!receive_.stop) {
    platform::WaitForSingleObject(receiveEvent_, kLookAtLeastEveryMs);
    platform::ResetEvent(receiveEvent_);
    DispatchReceived();
  }
  return 0;
}

// The communication tick keeps its 1 ms resolution: it runs at the
// millisecond something falls due (a poll or strobe cycle, a reply
// time-out, a step of the duplicate MAC ID check), and not in between.
std::uint32_t Card::CommunicationLoop() {
  while (!communication_.stop) {
    const std::uint64_t now = NowMs();
    communicationSchedule.SleepUntil(std::max(CommunicationTick(now), now + 1), kLookAtLeastEveryMs);
  }
  return 0;
}

std::uint32_t Card::ScanLoop() {
  while (!scan_.stop) {
    const std::uint64_t due = state_ == kStateOnline && !closing_ ? MaintainScan(*this) : kNever;
    scanSchedule.SleepUntil(due, kLookAtLeastEveryMs);
  }
  return 0;
}

std::uint32_t Card::NodeStatusLoop() {
  while (!nodeStatus_.stop) {
    const std::uint64_t due = IsOnline() && explicitActive && !closing_ ? RunHeartbeat(*this) : kNever;
    nodeStatusSchedule.SleepUntil(due, kLookAtLeastEveryMs);
  }
  return 0;
}

std::uint64_t Card::CommunicationTick(std::uint64_t nowMs) {
  std::uint64_t due = NetworkTick(nowMs);
  if (state_ != kStateOnline) return due;
  if (pollActive) {
    if (nowMs >= pollDueMs_) {
      pollConnectionsLive_ = RunPollCycle(*this);
      pollDueMs_ = nowMs + static_cast<std::uint64_t>(std::max(pollIntervalMs.load(), 0));
    }
    // Without a poll connection the cycle waits for one to be configured.
    if (pollConnectionsLive_) due = std::min(due, pollDueMs_);
  }
  if (strobeActive && strobeConnectionsExist) {
    if (nowMs >= strobeDueMs_) {
      SendStrobe(*this);
      strobeDueMs_ = nowMs + static_cast<std::uint64_t>(std::max(strobeIntervalMs.load(), 0));
    }
    due = std::min(due, strobeDueMs_);
  }
  ForEachNode([nowMs, &due](Node& node) {
    for (int slot : {kSlotUnconnected, kSlotUcmm, kSlotExplicit}) {
      if (ConnectionPtr connection = node.Slot(slot)) due = std::min(due, ExpireExchange(*connection, nowMs));
    }
  });
  return due;
}

std::uint64_t Card::NetworkTick(std::uint64_t nowMs) {
  const std::uint8_t state = state_;
  if (state != kStateSending && state != kStateWaiting) return kNever;
  if (nowMs < networkDueMs_) return networkDueMs_;
  if (repeats_ >= 1) {
    state_ = kStateOnline;
    platform::SetEvent(verdictEvent_);
    return kNever;
  }
  state_ = kStateSending;
  if (!SendCheckMessage(false)) return nowMs + 1;  // tried again next millisecond
  repeats_ = 1;
  networkDueMs_ = nowMs + kCheckWaitMs;
  state_ = kStateWaiting;
  return networkDueMs_;
}

bool Card::SendCheckMessage(bool response) {
  // Vendor ID and serial number are 0: nothing sets them.
  const std::uint8_t data[7] = {static_cast<std::uint8_t>(response ? 0x80 : 0x00), 0, 0, 0, 0, 0, 0};
  return Write(CheckId(ownMac), data);
}

void Card::DispatchReceived() {
  CanMessage frame{};
  auto drain = [&](Queue queue, auto handle) {
    while (!closing_) {
      platform::SetLastError(platform::kErrorSuccess);
      if (canclient::CAN_Read_Buffered_Queue(canCard_, &frame, queues_[queue]) == 0) {
        if (platform::GetLastError() == platform::kErrorDeviceNotConnected) interfaceGone_ = true;
        return;
      }
      std::int64_t stamp = 0;
      platform::QueryPerformanceCounter(&stamp);
      handle(stamp);
    }
  };
  drain(kQueueCheck, [&](std::int64_t) { OnCheckMessage(frame); });
  drain(kQueueCos, [&](std::int64_t stamp) { if (state_ == kStateOnline) OnIoFrame(*this, kSlotCosCyclic, frame, stamp); });
  drain(kQueueStrobe, [&](std::int64_t stamp) { if (state_ == kStateOnline) OnIoFrame(*this, kSlotStrobe, frame, stamp); });
  drain(kQueuePoll, [&](std::int64_t stamp) { if (state_ == kStateOnline) OnIoFrame(*this, kSlotPoll, frame, stamp); });
  auto toExplicit = [&](int mac, std::initializer_list<int> slots) {
    Node* node = NodeAt(mac);
    if (state_ != kStateOnline || node == nullptr) return;
    for (int slot : slots) {
      ConnectionPtr connection = node->Slot(slot);
      if (connection != nullptr && OnExplicitFrame(*this, *connection, frame)) return;
    }
  };
  drain(kQueueExplicit, [&](std::int64_t) { toExplicit((frame.Id >> 3) & 0x3F, {kSlotExplicit, kSlotUnconnected}); });
  drain(kQueueGroup3, [&](std::int64_t) { toExplicit(frame.Id & 0x3F, {kSlotUcmm}); });
  drain(kQueueUcmm, [&](std::int64_t) { toExplicit(frame.Id & 0x3F, {kSlotUnconnected}); });
  // Group 4 is not used by this master; keep its queue from filling up.
  drain(kQueueGroup4, [](std::int64_t) {});
}

void Card::OnCheckMessage(const CanMessage& frame) {
  const int source = static_cast<int>((frame.Id >> 3) & 0x3F);
  if (source != ownMac) {
    duplicateSeen_[source] = true;
    const bool request = frame.Length >= 1 && (frame.Data[0] & 0x80) == 0;
    if (Node* node = NodeAt(source); node != nullptr && request && state_ == kStateOnline) NodeRestarted(*this, *node);
    return;
  }
  const std::uint8_t state = state_;
  if (state == kStateDuplicate) return;
  const bool response = frame.Length >= 1 && (frame.Data[0] & 0x80) != 0;
  if (response || state != kStateOnline) {
    state_ = kStateDuplicate;
  } else {
    SendCheckMessage(true);
  }
  platform::SetEvent(verdictEvent_);
}

bool Card::ProbeDuplicate(int mac, bool* found) {
  *found = false;
  duplicateSeen_[mac & 0x3F] = false;
  // The answer comes on the probed MAC ID's check identifier: let it through.
  AddFilter(CheckId(mac));
  const std::uint8_t data[1] = {ownMac};
  bool answered = false;
  if (Write(CheckId(mac), data)) {
    for (int look = 0; look < 10 && !answered; ++look) {
      platform::Sleep(10);
      answered = duplicateSeen_[mac & 0x3F];
    }
  }
  RemoveFilter(CheckId(mac));
  *found = answered;
  return answered;
}

bool Card::SetOnline(bool on) {
  if (on && IsOnline()) return true;
  if (!on && !online_ && !canOnline_ && state_ == kStateOffline) return true;
  if (!on) {
    GoOffline();
    return true;
  }
  if (!canOnline_) {
    if (canclient::CAN_SetOnline(canCard_, 1) == 0) return false;
    canOnline_ = true;
    // From here on only the identifiers this master asks for come in.
    if (canclient::CAN_RemoveFilter(canCard_, kAllFilters) == 0 ||
        canclient::CAN_AddFilter(canCard_, CheckId(ownMac)) == 0 || !ReapplyFilters()) {
      GoOffline();
      return false;
    }
  }
  online_ = false;
  state_ = kStateOffline;
  platform::ResetEvent(verdictEvent_);
  repeats_ = 0;
  networkDueMs_ = NowMs() + kCheckWaitMs;
  state_ = kStateSending;
  if (!SendCheckMessage(false)) {
    GoOffline();
    return false;
  }
  state_ = kStateWaiting;
  communicationSchedule.Due(networkDueMs_);
  platform::WaitForSingleObject(verdictEvent_, kVerdictWaitMs);
  if (state_ == kStateOnline && !closing_) {
    online_ = true;
    scanSchedule.Wake();
    nodeStatusSchedule.Wake();
    return true;
  }
  GoOffline();
  return false;
}

void Card::GoOffline() {
  explicitActive = pollActive = strobeActive = cosActive = false;
  if (state_ == kStateOnline) ReleaseAll(*this);
  if (canOnline_) {
    canclient::CAN_RemoveFilter(canCard_, kAllFilters);
    if (canclient::CAN_SetOnline(canCard_, 0) != 0) canOnline_ = false;
  }
  online_ = false;
  repeats_ = 0;
  state_ = kStateOffline;
}

bool Card::Write(std::uint32_t id, std::span<const std::uint8_t> data, bool highPriority) {
  CanMessage frame{};
  frame.Id = id;
  frame.Length = static_cast<std::uint8_t>(std::min<std::size_t>(data.size(), 8));
  std::memcpy(frame.Data, data.data(), frame.Length);
  return (highPriority ? canclient::CAN_Write_Buffered_HP(canCard_, &frame)
                       : canclient::CAN_Write_Buffered(canCard_, &frame)) != 0;
}

bool Card::AddFilter(std::uint32_t id) {
  std::lock_guard lock(filterMutex_);
  auto user = std::find_if(filterUsers_.begin(), filterUsers_.end(), [&](auto& f) { return f.first == id; });
  if (user != filterUsers_.end()) {
    ++user->second;
    return true;
  }
  filterUsers_.emplace_back(id, 1);
  return !canOnline_ || canclient::CAN_AddFilter(canCard_, id) != 0;
}

void Card::RemoveFilter(std::uint32_t id) {
  std::lock_guard lock(filterMutex_);
  auto user = std::find_if(filterUsers_.begin(), filterUsers_.end(), [&](auto& f) { return f.first == id; });
  if (user == filterUsers_.end() || --user->second > 0) return;
  filterUsers_.erase(user);
  // The own check identifier stays: other stations' checks must come in.
  if (canOnline_ && id != CheckId(ownMac)) canclient::CAN_RemoveFilter(canCard_, id);
}

bool Card::ReapplyFilters() {
  std::lock_guard lock(filterMutex_);
  for (const auto& [id, users] : filterUsers_) {
    if (canclient::CAN_AddFilter(canCard_, id) == 0) return false;
  }
  return true;
}

Node& Card::EnsureNode(int mac) {
  std::lock_guard lock(nodesMutex_);
  if (nodes_[mac] == nullptr) {
    nodes_[mac] = std::make_unique<Node>();
    published_[mac].store(nodes_[mac].get(), std::memory_order_release);
    // The node's check of its MAC ID tells that it restarted.
    AddFilter(CheckId(mac));
  }
  return *nodes_[mac];
}

ConnectionPtr Card::CreateSlot(Node& node, int mac, int slot) {
  std::lock_guard lock(node.slotMutex);
  if (node.slots[slot] != nullptr) return node.slots[slot];
  auto connection = std::make_shared<Connection>();
  connection->replyTimeoutMs = kDefaultReplyTimeoutMs;
  // Staggers the nodes' first heartbeats.
  connection->timerDueMs = NowMs() + static_cast<std::uint64_t>(mac) * 10;
  if (slot == kSlotUnconnected || slot == kSlotExplicit || slot == kSlotUcmm) {
    // Auto reset: a waiter that passes takes the connection, so two callers
    // can never start exchanges on it at once.
    connection->requestEvent = platform::CreateEvent(false, true, nullptr);
    connection->responseEvent = platform::CreateEvent(true, true, nullptr);
  }
  node.slots[slot] = connection;
  return connection;
}

void Card::DeleteSlot(Node& node, int slot) {
  ConnectionPtr connection;
  {
    std::lock_guard lock(node.slotMutex);
    connection = std::exchange(node.slots[slot], nullptr);
  }
  if (connection == nullptr) return;
  if (connection->rxId != 0) RemoveFilter(connection->rxId);
  AbortExchange(*connection);
}

void Card::SetReceiveId(Connection& connection, std::uint16_t rxId) {
  if (connection.rxId == rxId) return;
  if (rxId != 0) AddFilter(rxId);
  std::uint16_t previous;
  {
    std::lock_guard lock(connection.mutex);
    previous = std::exchange(connection.rxId, rxId);
  }
  if (previous != 0) RemoveFilter(previous);
}

}  // namespace dncn
