#pragma once
// One explicit messaging endpoint of a simulated DeviceNet slave: it
// reassembles fragmented requests, acknowledging each fragment, and sends
// responses, fragmenting long ones and waiting for the client's
// acknowledgement of each fragment. The unconnected ports use it with
// fragmentation off: they take single frames only.
//
// Messages are seen as [service, body...]: a fragmented transfer carries the
// service in byte 2 of the first fragment, followed by the body.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "sim/canframe.h"

namespace sim {

struct ExplicitRequest {
  std::uint8_t headerMac = 0;  // bits 0-5 of the request's header byte
  bool xid = false;
  std::uint8_t service = 0;
  std::vector<std::uint8_t> body;
};

// What a request gets back: the reply service (service | 0x80, or 0x94 for an
// error) and the response data.
struct ExplicitReply {
  std::uint8_t service = 0;
  std::vector<std::uint8_t> data;
};

class ExplicitLink {
 public:
  using Transmit = std::function<void(const CanFrame& frame)>;

  // A client gives up on a response fragment it did not acknowledge within this.
  static constexpr std::uint64_t kAckTimeoutUs = 1'000'000;
  // The largest message that travels in one frame: service and six bytes.
  static constexpr std::size_t kUnfragmentedMessage = 7;

  // responseId: the identifier responses and acknowledgements go out on.
  // capacity: the longest request body accepted.
  ExplicitLink(std::uint32_t responseId, std::size_t capacity, bool fragmentation, Transmit transmit);

  // A frame on the request identifier; replyMac goes into the header of any
  // acknowledgement. Returns a request once it is complete. Acknowledgements
  // of response fragments are taken here too.
  std::optional<ExplicitRequest> OnFrame(std::span<const std::uint8_t> payload, std::uint8_t replyMac,
                                         std::uint64_t nowUs);

  // Sends [replyService, data...] to the client, fragmented when needed.
  // A response still waiting for acknowledgements is abandoned.
  void Respond(std::uint8_t replyMac, bool xid, std::uint8_t replyService, std::span<const std::uint8_t> data,
               std::uint64_t nowUs);

  // When an unacknowledged response fragment is given up.
  std::optional<std::uint64_t> Deadline() const;
  void OnTime(std::uint64_t nowUs);

  // Forgets any request being assembled and any response being sent.
  void Reset();
  bool Sending() const { return sending_.has_value(); }

 private:
  struct Outgoing {
    std::uint8_t header;  // fragment bit set
    std::vector<std::uint8_t> message;
    std::size_t position;  // bytes of message sent
    std::uint8_t count;    // count of the last fragment sent
    std::uint64_t deadlineUs;
  };

  std::optional<ExplicitRequest> OnFragment(std::span<const std::uint8_t> payload, std::uint8_t replyMac);
  void OnAcknowledge(std::uint8_t count, std::uint8_t status, std::uint64_t nowUs);
  void Acknowledge(std::uint8_t replyMac, std::uint8_t count, std::uint8_t status);
  void SendNextFragment(std::uint64_t nowUs);
  void Send(std::span<const std::uint8_t> bytes);

  std::uint32_t responseId_;
  std::size_t capacity_;
  bool fragmentation_;
  Transmit transmit_;

  // Request being assembled: [service, body...].
  std::optional<ExplicitRequest> assembling_;
  std::vector<std::uint8_t> assembled_;
  std::uint8_t lastCount_ = 0;
  // The last request was completed: a repeat of its last fragment is only
  // acknowledged again.
  bool completed_ = false;

  std::optional<Outgoing> sending_;
};

}  // namespace sim
