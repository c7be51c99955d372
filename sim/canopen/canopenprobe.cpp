#include "sim/canopen/canopenprobe.h"

#include <algorithm>
#include <stdexcept>

#include "platform/clock.h"

namespace sim {
namespace {

constexpr std::uint8_t kAbort = 0x80;
constexpr std::uint8_t kLast = 0x01;
constexpr std::uint8_t kToggle = 0x10;

std::uint32_t U32At(const CanopenProbe::SdoFrame& frame) {
  return frame[4] | (frame[5] << 8) | (frame[6] << 16) | (static_cast<std::uint32_t>(frame[7]) << 24);
}

CanopenProbe::SdoFrame Addressed(std::uint8_t command, std::uint16_t index, std::uint8_t subIndex) {
  return {command, static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8), subIndex, 0, 0, 0, 0};
}

}  // namespace

CanopenProbe::CanopenProbe(CanBus& bus, std::string name) : peer_(bus.Attach(std::move(name))) {}

void CanopenProbe::Send(const CanFrame& frame) {
  if (peer_.Send(frame) != SendResult::Queued) throw std::runtime_error("the bus refused " + ToString(frame));
}

void CanopenProbe::Nmt(std::uint8_t command, std::uint8_t node) { Send(CanFrame::Standard(0x000, {command, node})); }

void CanopenProbe::RequestGuard(std::uint8_t node, std::uint8_t dlc) { Send(CanFrame::Remote(0x700u + node, dlc)); }

std::optional<BusFrame> CanopenProbe::Expect(std::uint32_t id, std::chrono::milliseconds timeout) {
  const auto matches = [id](const BusFrame& frame) { return frame.frame.id == id; };
  if (const auto kept = std::ranges::find_if(backlog_, matches); kept != backlog_.end()) {
    const BusFrame frame = *kept;
    backlog_.erase(kept);
    return frame;
  }
  const std::uint64_t endUs = platform::NowMicroseconds() + static_cast<std::uint64_t>(timeout.count()) * 1000;
  for (;;) {
    const std::uint64_t nowUs = platform::NowMicroseconds();
    if (nowUs >= endUs) return std::nullopt;
    BusFrame frame;
    const auto left = std::chrono::milliseconds((endUs - nowUs + 999) / 1000);
    if (peer_.Receive(frame, left) != ReceiveStatus::Received) return std::nullopt;
    if (matches(frame)) return frame;
    backlog_.push_back(frame);
  }
}

std::vector<BusFrame> CanopenProbe::TakeAll() {
  std::vector<BusFrame> frames(backlog_.begin(), backlog_.end());
  backlog_.clear();
  BusFrame frame;
  while (peer_.Receive(frame, std::chrono::milliseconds(0)) == ReceiveStatus::Received) frames.push_back(frame);
  return frames;
}

void CanopenProbe::SendSdo(std::uint8_t node, const SdoFrame& request) {
  CanFrame frame;
  frame.id = 0x600u + node;
  frame.dlc = 8;
  std::ranges::copy(request, frame.data.begin());
  Send(frame);
}

std::optional<CanopenProbe::SdoFrame> CanopenProbe::Sdo(std::uint8_t node, const SdoFrame& request) {
  SendSdo(node, request);
  const std::optional<BusFrame> answer = Expect(0x580u + node, kPatience);
  if (!answer) return std::nullopt;
  if (answer->frame.dlc != 8) throw std::runtime_error("SDO answer not 8 bytes: " + ToString(answer->frame));
  return answer->frame.data;
}

CanopenProbe::SdoFrame CanopenProbe::Exchange(std::uint8_t node, const SdoFrame& request) {
  const std::optional<SdoFrame> answer = Sdo(node, request);
  if (!answer) throw std::runtime_error("node " + std::to_string(node) + " did not answer an SDO request");
  return *answer;
}

CanopenProbe::Upload CanopenProbe::UploadObject(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex) {
  SdoFrame answer = Exchange(node, Addressed(0x40, index, subIndex));
  if (answer[0] == kAbort) return {U32At(answer), {}};
  if ((answer[0] & 0xE0) != 0x40) throw std::runtime_error("not an initiate upload answer");
  if ((answer[0] & 0x02) != 0) {
    const std::size_t size = (answer[0] & 0x01) != 0 ? 4 - ((answer[0] >> 2) & 0x03) : 4;
    return {0, {answer.begin() + 4, answer.begin() + 4 + static_cast<std::ptrdiff_t>(size)}};
  }
  Upload upload;
  std::uint8_t toggle = 0;
  do {
    answer = Exchange(node, SdoFrame{static_cast<std::uint8_t>(0x60 | toggle)});
    if (answer[0] == kAbort) return {U32At(answer), {}};
    if ((answer[0] & 0xE0) != 0 || (answer[0] & kToggle) != toggle) throw std::runtime_error("bad upload segment");
    const std::size_t count = 7 - ((answer[0] >> 1) & 0x07);
    upload.data.insert(upload.data.end(), answer.begin() + 1, answer.begin() + 1 + static_cast<std::ptrdiff_t>(count));
    toggle ^= kToggle;
  } while ((answer[0] & kLast) == 0);
  return upload;
}

std::uint32_t CanopenProbe::DownloadObject(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                                           std::span<const std::uint8_t> data) {
  const bool expedited = !data.empty() && data.size() <= 4;
  SdoFrame request = Addressed(expedited ? static_cast<std::uint8_t>(0x23 | ((4 - data.size()) << 2)) : 0x21,
                               index, subIndex);
  if (expedited) {
    std::ranges::copy(data, request.begin() + 4);
  } else {
    for (std::size_t i = 0; i < 4; ++i) request[4 + i] = static_cast<std::uint8_t>(data.size() >> (8 * i));
  }
  SdoFrame answer = Exchange(node, request);
  if (answer[0] == kAbort) return U32At(answer);
  if (answer[0] != 0x60) throw std::runtime_error("not an initiate download answer");
  std::uint8_t toggle = 0;
  for (std::size_t offset = 0; !expedited && offset < data.size(); offset += 7) {
    const std::size_t count = std::min<std::size_t>(7, data.size() - offset);
    const bool last = offset + count == data.size();
    SdoFrame segment{static_cast<std::uint8_t>(toggle | ((7 - count) << 1) | (last ? kLast : 0))};
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(offset), count, segment.begin() + 1);
    answer = Exchange(node, segment);
    if (answer[0] == kAbort) return U32At(answer);
    if (answer[0] != (0x20 | toggle)) throw std::runtime_error("bad download segment answer");
    toggle ^= kToggle;
  }
  return 0;
}

}  // namespace sim
