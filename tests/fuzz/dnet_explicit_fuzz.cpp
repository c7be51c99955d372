// The DeviceNet explicit exchange engine against any frames a node may send:
// a request goes out whole, fragment by acknowledged fragment; the response
// is reassembled within the connection's produced size and the caller's
// buffer, each fragment once however often the node repeats it; and an
// exchange reported as a success means the node acknowledged every fragment
// of the request and answered the request's service.
//
// Input: the connection's sizes, the request, then the node's frames, each a
// shape byte (length, and now and then another identifier) and eight data
// bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <memory>
#include <span>
#include <vector>

#include "devicenet/dncn.h"
#include "tests/fuzz/fakecanaccess.h"
#include "tests/fuzz/fuzzcheck.h"

namespace {

constexpr int kMac = 5;
constexpr std::uint16_t kRxId = 0x40B, kTxId = 0x40C;

CanMessage NodeFrame(FuzzedDataProvider& input) {
  const std::uint8_t shape = input.ConsumeIntegral<std::uint8_t>();
  CanMessage frame{};
  frame.Id = (shape & 0xF0) == 0xF0 ? kTxId : kRxId;
  frame.Length = std::min<std::uint8_t>(shape & 0x0F, 8);
  for (std::uint8_t& byte : frame.Data) byte = input.ConsumeIntegral<std::uint8_t>();
  return frame;
}

// The service and body the client's frames carried, fragments in order and
// acknowledgements left out.
std::vector<std::uint8_t> SentRequest(const std::vector<CanMessage>& written) {
  std::vector<std::uint8_t> request;
  std::uint8_t count = 0;
  for (const CanMessage& frame : written) {
    FUZZ_CHECK(frame.Id == kTxId && frame.Length >= 2);
    if ((frame.Data[0] & 0x80) == 0) {
      request.assign(frame.Data + 1, frame.Data + frame.Length);
      continue;
    }
    const std::uint8_t type = frame.Data[1] & 0xC0;
    if (type == 0xC0) continue;  // an acknowledgement of a response fragment
    FUZZ_CHECK((frame.Data[1] & 0x3F) == count);
    count = (count + 1) & 0x3F;
    request.insert(request.end(), frame.Data + 2, frame.Data + frame.Length);
  }
  return request;
}

// The response data as the node's frames and the client's acknowledgements
// tell it: an unfragmented response's data, or the data of each fragment the
// client acknowledged as taken (status 0, a count not acknowledged before),
// in order.
class ResponseWitness {
 public:
  void Observe(const CanMessage& frame, dncn::Exchange before, dncn::Exchange after,
               std::span<const CanMessage> acknowledgements) {
    const bool fragment = (frame.Data[0] & 0x80) != 0;
    if (before == dncn::Exchange::kAwaiting && after == dncn::Exchange::kDone && !fragment) {
      data_.assign(frame.Data + 2, frame.Data + frame.Length);
      return;
    }
    for (const CanMessage& ack : acknowledgements) {
      const int count = ack.Data[1] & 0x3F;
      if (ack.Data[2] != 0 || count == lastCount_) continue;
      const bool first = before == dncn::Exchange::kAwaiting;
      data_.insert(data_.end(), frame.Data + (first ? 3 : 2), frame.Data + frame.Length);
      lastCount_ = count;
    }
  }
  const std::vector<std::uint8_t>& Data() const { return data_; }

 private:
  std::vector<std::uint8_t> data_;
  int lastCount_ = -1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<CanMessage>& written = fuzzsupport::WrittenFrames();
  written.clear();
  fuzzsupport::RefuseWrites(false);

  dncn::Card card(0, 1, 1);
  dncn::Node& node = card.EnsureNode(kMac);
  const dncn::ConnectionPtr connection = card.CreateSlot(node, kMac, dncn::kSlotExplicit);
  dncn::Connection& c = *connection;
  c.rxId = kRxId;
  c.txId = kTxId;
  c.headerMac = kMac;
  c.producedSize = input.ConsumeIntegralInRange<std::uint16_t>(1, 300);
  c.consumedSize = input.ConsumeIntegralInRange<std::uint16_t>(1, 300);
  c.SizeBuffers();

  const std::uint8_t service = input.ConsumeIntegralInRange<std::uint8_t>(0, 0x7F);
  const std::vector<std::uint8_t> body =
      input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 300));
  if (!dncn::SendRequest(card, c, service, body)) {
    FUZZ_CHECK(body.size() > c.consumedSize);
    return 0;
  }

  ResponseWitness witness;
  while (input.remaining_bytes() > 0 && c.state != dncn::Exchange::kDone) {
    const CanMessage frame = NodeFrame(input);
    const dncn::Exchange before = c.state;
    const std::size_t sent = written.size();
    dncn::OnExplicitFrame(card, c, frame);
    FUZZ_CHECK(c.receivedLength <= c.input.size());
    if (before != dncn::Exchange::kSending) {
      witness.Observe(frame, before, c.state, std::span(written).subspan(sent));
    }
  }

  // The callers' buffers hold the produced size.
  std::uint16_t length = c.producedSize;
  auto reply = std::make_unique<std::uint8_t[]>(length);
  const bool answered = c.state == dncn::Exchange::kDone;
  const std::uint8_t replyService = c.replyService;
  const bool ok = dncn::AwaitResponse(card, c, 0, dncn::Reply{&length, reply.get()});
  if (!ok) return 0;
  FUZZ_CHECK(answered && replyService == (service | 0x80));
  FUZZ_CHECK(length <= c.producedSize);
  FUZZ_CHECK(std::vector<std::uint8_t>(reply.get(), reply.get() + length) == witness.Data());
  std::vector<std::uint8_t> request{service};
  request.insert(request.end(), body.begin(), body.end());
  FUZZ_CHECK(SentRequest(written) == request);
  return 0;
}
