#include "sim/devicenet/explicitlink.h"

#include <algorithm>

namespace sim {
namespace {

constexpr std::uint8_t kFragmentBit = 0x80;
constexpr std::uint8_t kXidBit = 0x40;
constexpr std::uint8_t kMacMask = 0x3F;
constexpr std::uint8_t kCountMask = 0x3F;

enum FragmentType : std::uint8_t { kFirst = 0, kMiddle = 1, kLast = 2, kAck = 3 };

constexpr std::size_t kFirstFragmentBytes = 6;  // service and five body bytes
constexpr std::size_t kFragmentBytes = 6;

constexpr std::uint8_t kAckSuccess = 0x00;
constexpr std::uint8_t kAckTooMuchData = 0x01;

constexpr std::uint8_t kErrorResponse = 0x94;
constexpr std::uint8_t kResourceUnavailable = 0x02;
constexpr std::uint8_t kNoAdditionalCode = 0xFF;

std::uint8_t Header(std::uint8_t mac, bool xid) {
  return static_cast<std::uint8_t>((mac & kMacMask) | (xid ? kXidBit : 0));
}

}  // namespace

ExplicitLink::ExplicitLink(std::uint32_t responseId, std::size_t capacity, bool fragmentation, Transmit transmit)
    : responseId_(responseId), capacity_(capacity), fragmentation_(fragmentation), transmit_(std::move(transmit)) {}

std::optional<ExplicitRequest> ExplicitLink::OnFrame(std::span<const std::uint8_t> payload, std::uint8_t replyMac,
                                                     std::uint64_t nowUs) {
  if (payload.size() < 2) return std::nullopt;
  const std::uint8_t header = payload[0];
  if ((header & kFragmentBit) != 0) {
    if (!fragmentation_) return std::nullopt;
    const auto type = static_cast<FragmentType>(payload[1] >> 6);
    const std::uint8_t count = payload[1] & kCountMask;
    if (type == kAck) {
      OnAcknowledge(count, payload.size() > 2 ? payload[2] : kAckSuccess, nowUs);
      return std::nullopt;
    }
    return OnFragment(payload, replyMac);
  }
  // A new request: the client has given up on whatever was going on.
  Reset();
  ExplicitRequest request;
  request.headerMac = header & kMacMask;
  request.xid = (header & kXidBit) != 0;
  request.service = payload[1];
  request.body.assign(payload.begin() + 2, payload.end());
  return request;
}

std::optional<ExplicitRequest> ExplicitLink::OnFragment(std::span<const std::uint8_t> payload, std::uint8_t replyMac) {
  const auto type = static_cast<FragmentType>(payload[1] >> 6);
  const std::uint8_t count = payload[1] & kCountMask;
  const std::span<const std::uint8_t> data = payload.subspan(2);
  if (type == kFirst) {
    if (data.empty()) return std::nullopt;  // no service: not a request
    Reset();
    assembling_ = ExplicitRequest{static_cast<std::uint8_t>(payload[0] & kMacMask), (payload[0] & kXidBit) != 0,
                                  data[0], {}};
    assembled_.assign(data.begin(), data.end());
    lastCount_ = count;
  } else if (count == lastCount_ && (assembling_ || completed_)) {
    // The client missed our acknowledgement and sent the fragment again.
    Acknowledge(replyMac, count, kAckSuccess);
    return std::nullopt;
  } else if (assembling_ && count == ((lastCount_ + 1) & kCountMask)) {
    assembled_.insert(assembled_.end(), data.begin(), data.end());
    lastCount_ = count;
  } else {
    return std::nullopt;  // out of sequence: discarded
  }
  completed_ = false;
  if (assembled_.size() - 1 > capacity_) {
    assembling_.reset();
    assembled_.clear();
    Acknowledge(replyMac, count, kAckTooMuchData);
    return std::nullopt;
  }
  Acknowledge(replyMac, count, kAckSuccess);
  if (type != kLast) return std::nullopt;
  ExplicitRequest request = std::move(*assembling_);
  request.body.assign(assembled_.begin() + 1, assembled_.end());
  assembling_.reset();
  assembled_.clear();
  completed_ = true;
  return request;
}

void ExplicitLink::OnAcknowledge(std::uint8_t count, std::uint8_t status, std::uint64_t nowUs) {
  if (!sending_ || count != sending_->count) return;
  if (status != kAckSuccess || sending_->position == sending_->message.size()) {
    sending_.reset();  // refused, or the last fragment arrived
    return;
  }
  SendNextFragment(nowUs);
}

void ExplicitLink::Acknowledge(std::uint8_t replyMac, std::uint8_t count, std::uint8_t status) {
  const std::uint8_t ack[] = {static_cast<std::uint8_t>((replyMac & kMacMask) | kFragmentBit),
                              static_cast<std::uint8_t>((kAck << 6) | count), status};
  Send(ack);
}

void ExplicitLink::Respond(std::uint8_t replyMac, bool xid, std::uint8_t replyService,
                           std::span<const std::uint8_t> data, std::uint64_t nowUs) {
  sending_.reset();
  std::vector<std::uint8_t> message{replyService};
  message.insert(message.end(), data.begin(), data.end());
  const std::uint8_t header = Header(replyMac, xid);
  if (message.size() > kUnfragmentedMessage && !fragmentation_) {
    // A port without fragmentation cannot carry it; never cut a reply short.
    message = {kErrorResponse, kResourceUnavailable, kNoAdditionalCode};
  }
  if (message.size() <= kUnfragmentedMessage) {
    std::vector<std::uint8_t> frame{header};
    frame.insert(frame.end(), message.begin(), message.end());
    Send(frame);
    return;
  }
  std::vector<std::uint8_t> first{static_cast<std::uint8_t>(header | kFragmentBit), kFirst << 6};
  first.insert(first.end(), message.begin(), message.begin() + kFirstFragmentBytes);
  Send(first);
  sending_ = Outgoing{static_cast<std::uint8_t>(header | kFragmentBit), std::move(message), kFirstFragmentBytes, 0,
                      nowUs + kAckTimeoutUs};
}

void ExplicitLink::SendNextFragment(std::uint64_t nowUs) {
  Outgoing& out = *sending_;
  const std::size_t remaining = out.message.size() - out.position;
  const std::size_t chunk = std::min(remaining, kFragmentBytes);
  out.count = (out.count + 1) & kCountMask;
  const FragmentType type = remaining <= kFragmentBytes ? kLast : kMiddle;
  std::vector<std::uint8_t> frame{out.header, static_cast<std::uint8_t>((type << 6) | out.count)};
  frame.insert(frame.end(), out.message.begin() + static_cast<std::ptrdiff_t>(out.position),
               out.message.begin() + static_cast<std::ptrdiff_t>(out.position + chunk));
  out.position += chunk;
  out.deadlineUs = nowUs + kAckTimeoutUs;
  Send(frame);
}

std::optional<std::uint64_t> ExplicitLink::Deadline() const {
  if (!sending_) return std::nullopt;
  return sending_->deadlineUs;
}

void ExplicitLink::OnTime(std::uint64_t nowUs) {
  if (sending_ && nowUs >= sending_->deadlineUs) sending_.reset();
}

void ExplicitLink::Reset() {
  assembling_.reset();
  assembled_.clear();
  completed_ = false;
  sending_.reset();
}

void ExplicitLink::Send(std::span<const std::uint8_t> bytes) {
  CanFrame frame;
  frame.id = responseId_;
  frame.dlc = static_cast<std::uint8_t>(bytes.size());
  std::ranges::copy(bytes, frame.data.begin());
  transmit_(frame);
}

}  // namespace sim
