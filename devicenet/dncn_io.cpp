// I/O messaging (poll, bit-strobe, change-of-state/cyclic), response-time
// statistics and the node status heartbeat.
#include <algorithm>
#include <cstring>
#include <numeric>

#include "devicenet/dncn.h"
#include "platform/clock.h"
#include "platform/lasterror.h"
#include "platform/sync.h"

namespace dncn {
namespace {

constexpr std::size_t kIoFragmentData = 7;
constexpr std::uint8_t kIoMiddle = 0x40, kIoLast = 0x80;
constexpr int kHeartbeatFailures = 3;
constexpr std::uint16_t kFallbackHeartbeatMs = 1000;

std::size_t IoFragmentCount(std::size_t size) { return (size + kIoFragmentData - 1) / kIoFragmentData; }

float MillisecondsBetween(std::int64_t from, std::int64_t to) {
  std::int64_t frequency = 1;
  platform::QueryPerformanceFrequency(&frequency);
  return static_cast<float>(static_cast<double>(to - from) * 1000.0 / static_cast<double>(frequency));
}

bool SendPollCommand(Card& card, Connection& c, int mac) {
  const auto id = static_cast<std::uint32_t>(mac * 8 + 0x405);
  if (c.output.size() <= 8) {
    if (!card.Write(id, c.output, true)) return false;
  } else {
    const std::size_t count = IoFragmentCount(c.output.size());
    for (std::size_t n = 0; n < count; ++n) {
      const std::size_t offset = n * kIoFragmentData;
      const std::size_t bytes = std::min(kIoFragmentData, c.output.size() - offset);
      std::uint8_t frame[8];
      frame[0] = n == 0 ? 0x00 : static_cast<std::uint8_t>((n + 1 == count ? kIoLast : kIoMiddle) | (n & 0x3F));
      std::memcpy(frame + 1, c.output.data() + offset, bytes);
      if (!card.Write(id, std::span(frame, bytes + 1), true)) return false;
    }
  }
  platform::QueryPerformanceCounter(&c.txStamp);
  ++c.sentCount;
  return true;
}

void AcceptInput(Connection& c, const std::uint8_t* data, std::int64_t stamp, bool timeTaken) {
  std::memcpy(c.input.data(), data, c.input.size());
  ++c.receivedCount;
  c.missedReplies = 0;
  c.waiting = false;
  c.timedOut = false;
  c.rxStamp = stamp;
  if (!timeTaken) c.statistics.last = MillisecondsBetween(c.txStamp, stamp);
  c.statistics.Fold(c.statistics.last);
}

// The next heartbeat of the slot is due at the slot's timer; while one is
// outstanding, its end wakes the node status thread.
std::uint64_t NextHeartbeat(Connection& c) {
  if (c.statusRequestOutstanding) return kNever;
  std::lock_guard lock(c.mutex);
  return std::max(c.timerDueMs, NowMs() + 1);
}

// Returns when the slot next needs the node status thread.
std::uint64_t HeartbeatSlot(Card& card, Node& node, Connection& c) {
  if (c.statusRequestOutstanding) {
    std::uint8_t answer[2];
    std::uint16_t length = sizeof answer;
    if (AwaitResponse(card, c, 0, {&length, answer})) {
      c.statusRequestOutstanding = false;
      c.missedReplies = 0;
      node.status = static_cast<std::int16_t>(answer[0] | (answer[1] << 8));
      return NextHeartbeat(c);
    }
    if (platform::GetLastError() == kDnetErrorPending) return kNever;
    c.statusRequestOutstanding = false;
    if (++c.missedReplies >= kHeartbeatFailures) {
      c.missedReplies = 0;
      c.timedOut = true;
      node.connected = false;
      node.faulted = true;
      node.status = -1;
      node.allocation = Allocation::kIdle;
      node.step = Step::kStart;
      card.scanSchedule.Wake();
    }
    return NextHeartbeat(c);
  }
  bool due;
  {
    std::lock_guard lock(c.mutex);
    // A caller's exchange is running: it postpones the heartbeat anyway.
    due = c.state == Exchange::kIdle && NowMs() >= c.timerDueMs;
  }
  if (due) {
    const std::uint8_t body[3] = {kClassIdentity, 1, 5};
    c.statusRequestOutstanding = SendRequest(card, c, kServiceGetSingle, body, &card.nodeStatusSchedule);
    std::lock_guard lock(c.mutex);
    if (c.timerReloadMs == 0) c.timerDueMs = NowMs() + kFallbackHeartbeatMs;
  }
  return NextHeartbeat(c);
}

// Only the node status thread sends status requests: it reads their flags
// without the node's lock, which the scan may hold through a long exchange.
bool StatusRequestOutstanding(const Node& node) {
  for (int slot : {kSlotExplicit, kSlotUcmm}) {
    ConnectionPtr c = node.Slot(slot);
    if (c != nullptr && c->statusRequestOutstanding) return true;
  }
  return false;
}

// A node taken as gone while its status request was out (it restarted): the
// request's end is taken, so that the connection is free for the next
// exchange.
void SettleStatusRequests(Card& card, Node& node) {
  for (int slot : {kSlotExplicit, kSlotUcmm}) {
    ConnectionPtr c = node.Slot(slot);
    if (c == nullptr || !c->statusRequestOutstanding) continue;
    std::uint8_t answer[2];
    std::uint16_t length = sizeof answer;
    if (AwaitResponse(card, *c, 0, {&length, answer}) || platform::GetLastError() != kDnetErrorPending) {
      c->statusRequestOutstanding = false;
    }
  }
}

}  // namespace

void ResponseStatistics::Fold(float sample) {
  maximum = std::max(maximum, sample);
  minimum = std::min(minimum, sample);
  std::copy_backward(history.begin(), history.end() - 1, history.end());
  history[0] = sample;
  average = std::accumulate(history.begin(), history.end(), 0.0f) * 0.01f;
}

void ResponseStatistics::Reset() {
  history.fill(0);
  maximum = 0;
  minimum = 1000.0f;
  average = 0;
}

bool RunPollCycle(Card& card) {
  const std::uint64_t now = NowMs();
  bool inService = false;
  for (int mac = 0; mac < kNodeCount; ++mac) {
    Node* node = card.NodeAt(mac);
    if (node == nullptr || (node->wantedSet & kChoicePoll) == 0) continue;
    ConnectionPtr c = node->Slot(kSlotPoll);
    if (c == nullptr || !c->established) continue;
    std::lock_guard lock(c->mutex);
    if (c->waiting && now >= c->replyDeadlineMs) {
      c->waiting = false;
      if (++c->missedReplies > 2) {
        c->timedOut = true;
        node->faulted = true;
        card.scanSchedule.Wake();
      }
    }
    if (!c->timedOut && !c->waiting && now >= c->timerDueMs && SendPollCommand(card, *c, mac)) {
      c->timerDueMs = now + c->timerReloadMs;
      c->waiting = true;
      c->replyDeadlineMs = now + c->replyTimeoutMs;
    }
    inService = inService || !c->timedOut;
  }
  return inService;
}

void SendStrobe(Card& card) {
  if (!card.Write(card.ownMac * 8u + 0x400, card.strobeBits)) return;
  for (int mac = 0; mac < kNodeCount; ++mac) {
    Node* node = card.NodeAt(mac);
    if (node == nullptr) continue;
    if (ConnectionPtr c = node->Slot(kSlotStrobe)) {
      std::lock_guard lock(c->mutex);
      platform::QueryPerformanceCounter(&c->txStamp);
      ++c->sentCount;
    }
  }
}

void OnIoFrame(Card& card, int slot, const CanMessage& frame, std::int64_t stamp) {
  Node* node = card.NodeAt(static_cast<int>(frame.Id & 0x3F));
  if (node == nullptr) return;
  ConnectionPtr c = node->Slot(slot);
  if (c == nullptr) return;
  std::lock_guard lock(c->mutex);
  const std::size_t size = c->input.size();
  if (size == 0) return;
  if (size <= 8) {
    if (frame.Length == size) AcceptInput(*c, frame.Data, stamp, false);
    return;
  }
  const std::size_t count = IoFragmentCount(size);
  const int n = c->ioFragmentsPending + 1;
  const std::uint8_t expected =
      n == 0 ? 0x00 : static_cast<std::uint8_t>((static_cast<std::size_t>(n) + 1 == count ? kIoLast : kIoMiddle) | (n & 0x3F));
  if (frame.Length < 2 || frame.Data[0] != expected) {
    c->ioFragmentsPending = -1;
    return;
  }
  const std::size_t offset = static_cast<std::size_t>(n) * kIoFragmentData;
  std::memcpy(c->reassembly.data() + offset, frame.Data + 1, std::min<std::size_t>(frame.Length - 1u, size - offset));
  if (n == 0) c->statistics.last = MillisecondsBetween(c->txStamp, stamp);
  if (static_cast<std::size_t>(n) + 1 == count) {
    c->ioFragmentsPending = -1;
    AcceptInput(*c, c->reassembly.data(), stamp, true);
  } else {
    c->ioFragmentsPending = n;
  }
}

std::uint64_t RunHeartbeat(Card& card) {
  std::uint64_t due = kNever;
  for (int mac = 0; mac < kNodeCount && !card.Closing(); ++mac) {
    Node* node = card.NodeAt(mac);
    if (node == nullptr) continue;
    if (!node->connected) {
      if (StatusRequestOutstanding(*node)) {
        std::lock_guard lock(node->workMutex);
        SettleStatusRequests(card, *node);
      }
      continue;
    }
    std::lock_guard lock(node->workMutex);
    bool supervised = false;
    if (node->allocatedSet & kChoiceExplicit) {
      if (ConnectionPtr c = node->Slot(kSlotExplicit)) {
        due = std::min(due, HeartbeatSlot(card, *node, *c));
        supervised = true;
      }
    }
    if (node->ucmmOpen & kChoiceExplicit) {
      if (ConnectionPtr c = node->Slot(kSlotUcmm)) {
        due = std::min(due, HeartbeatSlot(card, *node, *c));
        supervised = true;
      }
    }
    if (!supervised) {
      node->connected = false;
      card.scanSchedule.Wake();
    }
  }
  return due;
}

}  // namespace dncn
