// The explicit exchange engine: one request/response exchange at a time per
// explicit slot, request bodies of 7 bytes or more sent as acknowledged
// fragments, fragmented responses reassembled and acknowledged.
#include <algorithm>
#include <cstring>

#include "devicenet/dncn.h"
#include "platform/clock.h"
#include "platform/lasterror.h"
#include "platform/sync.h"

namespace dncn {
namespace {

constexpr std::uint8_t kFragmentBit = 0x80;
constexpr std::uint8_t kFirstFragment = 0x00, kMiddleFragment = 0x40, kLastFragment = 0x80, kAcknowledge = 0xC0;
constexpr std::size_t kUnfragmentedBody = 6;  // longest body in one frame
constexpr std::size_t kFirstFragmentBody = 5;
constexpr std::size_t kMoreFragmentBody = 6;
constexpr std::uint8_t kAckTooMuchData = 0x01;

std::uint8_t Header(const Connection& c, bool fragment) {
  return static_cast<std::uint8_t>((c.headerMac & 0x3F) | (fragment ? kFragmentBit : 0));
}

// The communication thread ends the exchange if the deadline passes.
void ArmReply(Card& card, Connection& c) {
  c.waiting = true;
  c.replyDeadlineMs = NowMs() + c.replyTimeoutMs;
  card.communicationSchedule.Due(c.replyDeadlineMs);
}

void Finish(Connection& c) {
  c.state = Exchange::kDone;
  c.waiting = false;
  platform::QueryPerformanceCounter(&c.rxStamp);
  platform::SetEvent(c.responseEvent);
  if (c.notifyWhenDone != nullptr) c.notifyWhenDone->Wake();
}

// Ends the exchange for the waiter with an error reply [general status, 0xFF],
// which fails the exchange even where the request's own success reply would
// carry the same service code.
void FinishWithError(Connection& c, std::uint8_t generalStatus) {
  c.replyService = kServiceError;
  c.failedHere = true;
  const std::uint8_t error[2] = {generalStatus, 0xFF};
  const std::size_t n = std::min<std::size_t>(2, c.input.size());
  std::copy_n(error, n, c.input.data());
  c.receivedLength = static_cast<std::uint16_t>(n);
  Finish(c);
}

bool SendFragment(Card& card, Connection& c, std::uint8_t type, std::uint8_t count, std::size_t bodyBytes) {
  std::uint8_t frame[8] = {Header(c, true), static_cast<std::uint8_t>(type | (count & 0x3F))};
  std::memcpy(frame + 2, c.output.data() + c.txPosition, bodyBytes);
  c.txPosition = static_cast<std::uint16_t>(c.txPosition + bodyBytes);
  return card.Write(c.txId, std::span(frame, bodyBytes + 2));
}

void Acknowledge(Card& card, Connection& c, std::uint8_t count, std::uint8_t status) {
  const std::uint8_t frame[3] = {Header(c, true), static_cast<std::uint8_t>(kAcknowledge | (count & 0x3F)), status};
  card.Write(c.txId, frame);
}

// Stores response data; false when it does not fit the produced size.
bool Append(Connection& c, const std::uint8_t* data, std::size_t length) {
  const std::size_t room = c.input.size() - c.receivedLength;
  const std::size_t n = std::min(room, length);
  std::copy_n(data, n, c.input.data() + c.receivedLength);
  c.receivedLength = static_cast<std::uint16_t>(c.receivedLength + n);
  return n == length;
}

bool OnAcknowledge(Card& card, Connection& c, const CanMessage& frame) {
  const std::uint8_t code = frame.Data[1];
  if (code < kAcknowledge || (code & 0x3F) != c.txCount) return false;
  if (frame.Length >= 3 && frame.Data[2] == kAckTooMuchData) {
    // The node drops a request it cannot hold: fail now, not after the time-out.
    FinishWithError(c, kDnetStatusTooMuchData);
    return true;
  }
  if (c.txPosition >= c.requestLength) {
    c.state = Exchange::kAwaiting;
    ArmReply(card, c);
    return true;
  }
  const std::size_t remaining = c.requestLength - c.txPosition;
  c.txCount = static_cast<std::uint8_t>((c.txCount + 1) & 0x3F);
  const bool last = remaining <= kMoreFragmentBody;
  if (!SendFragment(card, c, last ? kLastFragment : kMiddleFragment, c.txCount, last ? remaining : kMoreFragmentBody)) {
    FinishWithError(c, 0x02);  // the CAN layer refused the frame: resource unavailable
    return true;
  }
  ArmReply(card, c);
  return true;
}

bool OnResponseStart(Card& card, Connection& c, const CanMessage& frame) {
  const bool fragment = (frame.Data[0] & kFragmentBit) != 0;
  if (!fragment) {
    c.replyService = frame.Data[1];
    c.overflow = !Append(c, frame.Data + 2, frame.Length - 2u);
    Finish(c);
    return true;
  }
  if (frame.Data[1] != kFirstFragment || frame.Length < 3) return false;
  c.replyService = frame.Data[2];
  c.rxCount = 0;
  if (!Append(c, frame.Data + 3, frame.Length - 3u)) {
    c.overflow = true;
    Acknowledge(card, c, 0, kAckTooMuchData);
    Finish(c);
    return true;
  }
  Acknowledge(card, c, 0, 0);
  c.state = Exchange::kReceiving;
  ArmReply(card, c);
  return true;
}

bool OnResponseFragment(Card& card, Connection& c, const CanMessage& frame) {
  if ((frame.Data[0] & kFragmentBit) == 0) return false;
  const std::uint8_t type = frame.Data[1] & 0xC0;
  const std::uint8_t count = frame.Data[1] & 0x3F;
  if (type != kMiddleFragment && type != kLastFragment) return false;
  if (count == c.rxCount) {
    // A repeat of the fragment taken last: its acknowledgement was lost.
    Acknowledge(card, c, count, 0);
    return true;
  }
  if (count != ((c.rxCount + 1) & 0x3F)) return false;
  // The limit counts data bytes, not frame bytes.
  if (!Append(c, frame.Data + 2, frame.Length - 2u)) {
    c.overflow = true;
    Acknowledge(card, c, count, kAckTooMuchData);
    Finish(c);
    return true;
  }
  c.rxCount = count;
  Acknowledge(card, c, count, 0);
  if (type == kLastFragment) {
    Finish(c);
  } else {
    ArmReply(card, c);
  }
  return true;
}

void EndExchange(Connection& c) {
  c.state = Exchange::kIdle;
  c.waiting = false;
  platform::SetEvent(c.responseEvent);
  platform::SetEvent(c.requestEvent);
}

}  // namespace

bool SendRequest(Card& card, Connection& c, std::uint8_t service, std::span<const std::uint8_t> body,
                 platform::WakeSchedule* notify) {
  if (!c.IsExplicit() || body.size() > c.output.size()) return false;
  if (platform::WaitForSingleObject(c.requestEvent, c.replyTimeoutMs) != platform::kWaitObject0) return false;
  if (card.Closing()) {
    platform::SetEvent(c.requestEvent);
    return false;
  }
  std::lock_guard lock(c.mutex);
  platform::ResetEvent(c.responseEvent);
  platform::QueryPerformanceCounter(&c.txStamp);
  c.requestService = service;
  std::copy(body.begin(), body.end(), c.output.begin());
  c.requestLength = static_cast<std::uint16_t>(body.size());
  c.txPosition = 0;
  c.txCount = c.rxCount = 0;
  c.replyService = 0;
  c.receivedLength = 0;
  c.overflow = false;
  c.failedHere = false;
  c.notifyWhenDone = notify;
  bool sent;
  if (body.size() <= kUnfragmentedBody) {
    std::uint8_t frame[8] = {Header(c, false), service};
    std::copy(body.begin(), body.end(), frame + 2);
    c.txPosition = c.requestLength;
    sent = card.Write(c.txId, std::span(frame, body.size() + 2));
    c.state = Exchange::kAwaiting;
  } else {
    std::uint8_t frame[8] = {Header(c, true), kFirstFragment, service};
    std::copy_n(body.begin(), kFirstFragmentBody, frame + 3);
    c.txPosition = kFirstFragmentBody;
    sent = card.Write(c.txId, frame);
    c.state = Exchange::kSending;
  }
  if (!sent) {
    EndExchange(c);
    return false;
  }
  ArmReply(card, c);
  // A request postpones the next node status request.
  c.timerDueMs = NowMs() + c.timerReloadMs;
  if (c.choiceBit == kChoiceExplicit) card.nodeStatusSchedule.Due(c.timerDueMs);
  return true;
}

bool AwaitResponse(Card& card, Connection& c, std::uint32_t waitMs, Reply reply) {
  platform::WaitForSingleObject(c.responseEvent, waitMs);
  std::lock_guard lock(c.mutex);
  if (c.state != Exchange::kDone) {
    if (waitMs == 0 && !card.Closing()) {
      platform::SetLastError(kDnetErrorPending);
      return false;
    }
    EndExchange(c);
    platform::SetLastError(kDnetErrorTimeout);
    return false;
  }
  const std::uint8_t service = c.replyService;
  bool ok = false;
  if (service == 0) {
    platform::SetLastError(kDnetErrorTimeout);
  } else {
    const std::uint16_t capacity = reply.length != nullptr ? *reply.length : 0;
    const std::uint16_t copied = std::min(capacity, c.receivedLength);
    if (copied > 0) std::memcpy(reply.data, c.input.data(), copied);
    if (reply.length != nullptr) *reply.length = c.receivedLength;
    if (c.overflow || c.receivedLength > capacity) {
      platform::SetLastError(DnetErrorTooMuchData(service));
    } else if (service == (c.requestService | 0x80) && !c.failedHere) {
      ok = true;
    } else {
      const std::uint32_t status = c.receivedLength > 0 ? c.input[0] : 0;
      const std::uint32_t additional = c.receivedLength > 1 ? c.input[1] : 0;
      platform::SetLastError(kDnetErrorResponse | (std::uint32_t{service} << 16) | (status << 8) | additional);
    }
  }
  EndExchange(c);
  return ok;
}

bool Transact(Card& card, Connection& c, std::uint8_t service, std::span<const std::uint8_t> body, Reply reply,
              std::uint32_t waitMs) {
  return SendRequest(card, c, service, body) && AwaitResponse(card, c, waitMs, reply);
}

bool OnExplicitFrame(Card& card, Connection& c, const CanMessage& frame) {
  std::lock_guard lock(c.mutex);
  if (frame.Id != c.rxId || frame.Length < 2) return false;
  switch (c.state) {
    case Exchange::kSending:
      return (frame.Data[0] & kFragmentBit) != 0 && OnAcknowledge(card, c, frame);
    case Exchange::kAwaiting:
      return OnResponseStart(card, c, frame);
    case Exchange::kReceiving:
      return OnResponseFragment(card, c, frame);
    default:
      return false;
  }
}

std::uint64_t ExpireExchange(Connection& c, std::uint64_t nowMs) {
  std::lock_guard lock(c.mutex);
  if (c.state == Exchange::kIdle || c.state == Exchange::kDone || !c.waiting) return kNever;
  if (nowMs < c.replyDeadlineMs) return c.replyDeadlineMs;
  c.replyService = 0;
  Finish(c);
  return kNever;
}

void AbortExchange(Connection& c) {
  if (!c.IsExplicit()) return;
  std::lock_guard lock(c.mutex);
  if (c.state != Exchange::kIdle && c.state != Exchange::kDone) {
    c.replyService = 0;
    Finish(c);
  }
  platform::SetEvent(c.requestEvent);
}

ConnectionPtr ExplicitConnectionOf(const Node& node) {
  return node.Slot(node.ucmmNode ? kSlotUcmm : kSlotExplicit);
}

bool ExplicitRequest(Card& card, int mac, std::uint8_t service, std::span<const std::uint8_t> body, Reply reply) {
  Node* node = card.NodeAt(mac);
  if (node == nullptr) return false;
  ConnectionPtr connection = ExplicitConnectionOf(*node);
  if (connection == nullptr) return false;
  return Transact(card, *connection, service, body, reply, 10u * connection->replyTimeoutMs);
}

}  // namespace dncn
