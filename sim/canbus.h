#pragma once
// The bench's virtual CAN bus. Any number of peers attach to it; each frame a
// peer sends reaches every other attached peer (never its sender), and all
// peers see the frames in the same order, each sender's frames in the order
// it sent them. One bus thread carries the frames: it paces them at the bit
// rate when asked, captures them, logs them and delivers them, either to a
// peer's callback (run on the bus thread) or to its receive queue.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sim/canframe.h"
#include "sim/faultinjector.h"
#include "sim/framelog.h"

namespace sim {

struct BusOptions {
  std::uint32_t bitRate = 125'000;  // bit/s, 1 .. 1'000'000
  // Hold each frame on the bus for as long as a real bus would, so that
  // traffic is never faster than on a real network. Off: frames pass at once.
  bool pacing = false;
  // The serial lines of the bench's devices on this bus (their
  // pseudo-terminals) hold each byte as long as a real line at the program's
  // bit rate would; the devices take it when they start. Off: bytes pass at once.
  bool serialPacing = false;
  std::size_t logCapacity = 65'536;  // newest entries kept in the frame log
};

inline constexpr std::uint32_t kMaxBitRate = 1'000'000;
inline constexpr std::size_t kDefaultQueueCapacity = 65'536;
inline constexpr std::chrono::milliseconds kWaitForever = std::chrono::milliseconds::max();

// Called on the bus thread for every frame the peer receives. It may send
// (sending only queues) and may detach its own peer; it should not block, as
// the whole bus waits for it, as it would for a slow controller.
using FrameCallback = std::function<void(const BusFrame& frame)>;

// Whether a peer starts attached. A node whose callback uses its own BusPeer
// attaches Off, stores the handle, then calls Reattach: no frame can reach the
// callback before the handle it sends through is in place.
enum class Power { On, Off };

enum class SendResult {
  Queued,        // the bus will carry it (unless a fault drops it)
  Detached,      // the peer is detached (no power) or the bus is gone
  InvalidFrame,  // identifier out of range or data length above 8
};

enum class ReceiveStatus {
  Received,
  TimedOut,
  Cancelled,  // CancelReceive was called and not yet undone
  Detached,   // the peer lost power (or the bus is gone)
};

namespace detail {
struct BusCore;
struct PeerSlot;
}  // namespace detail

// A peer's attachment to the bus. Thread-safe. Destroying it leaves the bus.
class BusPeer {
 public:
  BusPeer() = default;
  BusPeer(BusPeer&&) noexcept;
  BusPeer& operator=(BusPeer&&) noexcept;
  ~BusPeer();

  PeerId Id() const;
  const std::string& Name() const;

  // Hands a frame to the bus and returns at once; the bus thread carries it.
  SendResult Send(const CanFrame& frame);

  // For peers attached with a queue: waits up to timeout (process time, or
  // kWaitForever) for the next frame. A callback peer throws std::logic_error.
  ReceiveStatus Receive(BusFrame& received, std::chrono::milliseconds timeout);
  // Makes every waiting and later Receive return Cancelled until
  // ResumeReceive: a peer's own thread can be stopped without a race.
  void CancelReceive();
  void ResumeReceive();
  // Frames waiting in the queue, and frames lost because it was full.
  std::size_t Pending() const;
  std::uint64_t Overflows() const;

  // Power loss: the peer stops receiving, its queue and the frames it had not
  // yet got onto the bus are lost, Send fails and waiting Receive calls
  // return Detached. When Detach returns, no callback of the peer is running
  // (unless called from that callback) and none will start.
  void Detach();
  // Power back: the peer receives the frames sent from now on.
  void Reattach();
  bool IsAttached() const;

 private:
  friend class CanBus;
  BusPeer(std::shared_ptr<detail::BusCore> core, std::shared_ptr<detail::PeerSlot> slot);

  std::shared_ptr<detail::BusCore> core_;
  std::shared_ptr<detail::PeerSlot> slot_;
};

class CanBus {
 public:
  // Throws std::invalid_argument for a bit rate out of range.
  explicit CanBus(BusOptions options = {});
  ~CanBus();
  CanBus(const CanBus&) = delete;
  CanBus& operator=(const CanBus&) = delete;

  // A peer that receives through a queue (to run on a thread of its own)...
  BusPeer Attach(std::string name, std::size_t queueCapacity = kDefaultQueueCapacity,
                 Power power = Power::On);
  // ...or through a callback on the bus thread.
  BusPeer Attach(std::string name, FrameCallback onFrame, Power power = Power::On);

  // Both take effect from the next frame. SetBitRate throws
  // std::invalid_argument for a rate out of range.
  void SetBitRate(std::uint32_t bitRate);
  std::uint32_t BitRate() const;
  void SetPacing(bool pacing);
  bool Pacing() const;
  bool SerialPacing() const;

  // Captures every frame the bus carries from now on into a pcap file (a
  // running capture ends first). False, with CaptureError() saying why, when
  // the file cannot be created; a capture that later fails to write stops and
  // leaves its reason in CaptureError() too.
  bool StartCapture(const std::string& path);
  void StopCapture();
  std::string CaptureError() const;

  FaultId AddFault(Fault fault);
  bool RemoveFault(FaultId id);
  void ClearFaults();

  FrameLog& Log();

  // Waits until every frame handed over (delayed ones too) has been carried
  // and delivered. False when timeout (process time) ran out first.
  bool WaitIdle(std::chrono::milliseconds timeout);

 private:
  std::shared_ptr<detail::BusCore> core_;
};

}  // namespace sim
