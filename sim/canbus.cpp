#include "sim/canbus.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include <sys/prctl.h>

#include "platform/clock.h"
#include "sim/bittiming.h"
#include "sim/pcapwriter.h"
#include "sim/benchthread.h"

namespace sim {
namespace detail {

// A frame waiting in its sender's transmit queue.
struct Pending {
  BusFrame frame;
  std::uint64_t readyUs = 0;  // earliest process time it may take the bus (delays)
  bool corrupted = false;
};

struct PeerSlot {
  PeerId id = 0;
  std::string name;
  FrameCallback onFrame;  // empty for a queue peer
  std::size_t capacity = 0;
  std::atomic<bool> attached{true};

  // Guarded by the bus mutex.
  std::deque<Pending> transmit;

  // Guarded by mutex: the receive side.
  mutable std::mutex mutex;
  std::condition_variable arrived;
  std::deque<BusFrame> queue;
  bool cancelled = false;
  std::uint64_t overflows = 0;

  // Held while the callback runs, so that Detach can wait for it to finish.
  std::mutex callbackMutex;
};

struct BusCore {
  explicit BusCore(const BusOptions& options) : options(options), log(options.logCapacity) {}

  mutable std::mutex mutex;
  std::condition_variable changed;  // new frames, settings, a frame done, stop
  BusOptions options;
  std::vector<std::shared_ptr<PeerSlot>> peers;
  PeerId nextPeerId = 1;
  std::uint64_t nextSequence = 1;
  FaultInjector faults;
  FrameLog log;
  PcapWriter capture;
  std::string captureError;
  std::int64_t captureEpochOffsetUs = 0;  // wall-clock epoch minus process time
  std::uint64_t busFreeUs = 0;            // with pacing: end of the last frame's bits
  bool carrying = false;                  // a frame has left its queue but is not delivered
  bool stopping = false;
  std::thread thread;

  std::shared_ptr<PeerSlot> AddPeer(std::string name, std::size_t capacity, FrameCallback onFrame,
                                    Power power);
  void Run();
  bool IsIdle() const;
  std::shared_ptr<PeerSlot> NextSender(std::uint64_t& startUs) const;
  void WaitUntil(std::unique_lock<std::mutex>& lock, std::uint64_t processUs);
  void HoldUntil(std::unique_lock<std::mutex>& lock, std::uint64_t processUs);
  void Record(const BusFrame& frame, const std::string& senderName, FrameFate fate);
  void Deliver(const BusFrame& frame);
  void Detach(PeerSlot& slot);
};

namespace {

void ValidateBitRate(std::uint32_t bitRate) {
  if (bitRate == 0 || bitRate > kMaxBitRate) {
    throw std::invalid_argument("bit rate " + std::to_string(bitRate) + " out of range (1 to 1000000 bit/s)");
  }
}

std::int64_t WallClockMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

constexpr std::uint64_t kNoDeadline = UINT64_MAX;

std::uint64_t DeadlineAfter(std::chrono::milliseconds timeout) {
  if (timeout == kWaitForever) return kNoDeadline;
  return platform::NowMicroseconds() +
         static_cast<std::uint64_t>(std::max<std::int64_t>(timeout.count(), 0)) * 1000;
}

// Waits on cv until ready() holds or the process clock reaches deadlineUs.
template <typename Ready>
bool WaitForProcessTime(std::condition_variable& cv, std::unique_lock<std::mutex>& lock,
                        std::uint64_t deadlineUs, Ready ready) {
  while (!ready()) {
    const std::uint64_t now = platform::NowMicroseconds();
    if (now >= deadlineUs) return false;
    if (deadlineUs == kNoDeadline) {
      cv.wait(lock);
    } else {
      cv.wait_for(lock, platform::ToRealDuration(std::chrono::microseconds(deadlineUs - now)));
    }
  }
  return true;
}

std::uint64_t DurationUs(const CanFrame& frame, std::uint32_t bitRate) {
  const auto nanoseconds = FrameDuration(frame, bitRate).count();
  return static_cast<std::uint64_t>((nanoseconds + 999) / 1000);  // never faster than real
}

}  // namespace

std::shared_ptr<PeerSlot> BusCore::AddPeer(std::string name, std::size_t capacity, FrameCallback onFrame,
                                           Power power) {
  auto slot = std::make_shared<PeerSlot>();
  slot->capacity = capacity;
  slot->onFrame = std::move(onFrame);
  slot->attached = power == Power::On;
  std::lock_guard lock(mutex);
  slot->id = nextPeerId++;
  slot->name = name.empty() ? "peer" + std::to_string(slot->id) : std::move(name);
  peers.push_back(slot);
  return slot;
}

bool BusCore::IsIdle() const {
  return !carrying && std::ranges::all_of(peers, [](const auto& slot) { return slot->transmit.empty(); });
}

// The sender whose head frame gets the bus next: the one that can start
// earliest, ties going to the frame sent first.
std::shared_ptr<PeerSlot> BusCore::NextSender(std::uint64_t& startUs) const {
  std::shared_ptr<PeerSlot> best;
  for (const auto& slot : peers) {
    if (slot->transmit.empty()) continue;
    const Pending& head = slot->transmit.front();
    const std::uint64_t start = options.pacing ? std::max(head.readyUs, busFreeUs) : head.readyUs;
    if (!best || start < startUs ||
        (start == startUs && head.frame.sequence < best->transmit.front().frame.sequence)) {
      best = slot;
      startUs = start;
    }
  }
  return best;
}

// Waits (woken early by any change) until the process clock reaches processUs.
void BusCore::WaitUntil(std::unique_lock<std::mutex>& lock, std::uint64_t processUs) {
  const std::uint64_t now = platform::NowMicroseconds();
  if (now >= processUs) return;
  changed.wait_for(lock, platform::ToRealDuration(std::chrono::microseconds(processUs - now)));
}

// Holds the bus until the process clock reaches processUs. A thread woken
// from a timed wait runs tens of microseconds late, a good part of a frame's
// bit time, so the last stretch is spun out: the frame reaches the peers when
// its bits end, as on a real bus. Only paced traffic spins; an idle bus waits.
void BusCore::HoldUntil(std::unique_lock<std::mutex>& lock, std::uint64_t processUs) {
  constexpr std::uint64_t kSpinUs = 60;
  while (!stopping && platform::NowMicroseconds() + kSpinUs < processUs) WaitUntil(lock, processUs - kSpinUs);
  lock.unlock();  // senders queue meanwhile
  while (platform::NowMicroseconds() < processUs) std::this_thread::yield();
  lock.lock();
}

void BusCore::Run() {
  // A paced frame is delivered when the bus thread wakes at the end of its
  // bits; the kernel's default slack of 50 us on timed waits would add up to
  // that much to every frame, a fifth of an 8-byte frame at 500 kbit/s.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  std::unique_lock lock(mutex);
  while (!stopping) {
    std::uint64_t startUs = 0;
    const std::shared_ptr<PeerSlot> sender = NextSender(startUs);
    if (!sender) {
      changed.notify_all();  // idle
      changed.wait(lock);
      continue;
    }
    if (platform::NowMicroseconds() < startUs) {
      WaitUntil(lock, startUs);  // a newer frame may be able to go first: choose again
      continue;
    }
    const Pending pending = sender->transmit.front();
    sender->transmit.pop_front();
    BusFrame frame = pending.frame;
    carrying = true;
    if (options.pacing) {
      busFreeUs = startUs + DurationUs(frame.frame, options.bitRate);
      frame.timeUs = busFreeUs;
      HoldUntil(lock, busFreeUs);
    } else {
      frame.timeUs = platform::NowMicroseconds();
    }
    if (stopping) break;
    Record(frame, sender->name, pending.corrupted ? FrameFate::Corrupted : FrameFate::Carried);
    lock.unlock();
    Deliver(frame);
    lock.lock();
    carrying = false;
    changed.notify_all();
  }
}

void BusCore::Record(const BusFrame& frame, const std::string& senderName, FrameFate fate) {
  const bool onTheWire = fate == FrameFate::Carried || fate == FrameFate::Corrupted;
  if (onTheWire && capture.IsOpen()) {
    const auto epochUs = static_cast<std::int64_t>(frame.timeUs) + captureEpochOffsetUs;
    if (!capture.Write(frame.frame, static_cast<std::uint64_t>(std::max<std::int64_t>(epochUs, 0)))) {
      captureError = capture.Error();
    }
  }
  log.Append({frame, senderName, fate});
}

void BusCore::Deliver(const BusFrame& frame) {
  std::vector<std::shared_ptr<PeerSlot>> receivers;
  {
    std::lock_guard lock(mutex);
    for (const auto& slot : peers) {
      if (slot->id != frame.sender) receivers.push_back(slot);
    }
  }
  for (const auto& slot : receivers) {
    if (slot->onFrame) {
      std::lock_guard running(slot->callbackMutex);
      if (slot->attached) slot->onFrame(frame);
      continue;
    }
    std::lock_guard lock(slot->mutex);
    if (!slot->attached) continue;
    if (slot->queue.size() >= slot->capacity) {
      ++slot->overflows;
      continue;
    }
    slot->queue.push_back(frame);
    slot->arrived.notify_all();
  }
}

// Called with the bus mutex held.
void BusCore::Detach(PeerSlot& slot) {
  slot.attached = false;
  for (const Pending& pending : slot.transmit) log.Append({pending.frame, slot.name, FrameFate::Lost});
  slot.transmit.clear();
  changed.notify_all();
  std::lock_guard receiveLock(slot.mutex);
  slot.queue.clear();
  slot.arrived.notify_all();
}

}  // namespace detail

using detail::BusCore;
using detail::PeerSlot;

// ---- BusPeer ----

BusPeer::BusPeer(std::shared_ptr<BusCore> core, std::shared_ptr<PeerSlot> slot)
    : core_(std::move(core)), slot_(std::move(slot)) {}

BusPeer::BusPeer(BusPeer&& other) noexcept = default;

BusPeer& BusPeer::operator=(BusPeer&& other) noexcept {
  BusPeer previous(std::move(other));
  std::swap(core_, previous.core_);
  std::swap(slot_, previous.slot_);
  return *this;  // previous leaves the bus with the attachment this one held
}

BusPeer::~BusPeer() {
  if (!slot_) return;
  Detach();
  std::lock_guard lock(core_->mutex);
  std::erase(core_->peers, slot_);
}

PeerId BusPeer::Id() const { return slot_ ? slot_->id : 0; }

const std::string& BusPeer::Name() const {
  static const std::string kNone;
  return slot_ ? slot_->name : kNone;
}

SendResult BusPeer::Send(const CanFrame& frame) {
  if (!frame.IsValid()) return SendResult::InvalidFrame;
  if (!slot_) return SendResult::Detached;
  std::lock_guard lock(core_->mutex);
  if (!slot_->attached || core_->stopping) return SendResult::Detached;
  detail::Pending pending;
  pending.frame.frame = frame;
  pending.frame.sender = slot_->id;
  pending.frame.sequence = core_->nextSequence++;
  pending.frame.queuedUs = platform::NowMicroseconds();
  const FaultOutcome outcome = core_->faults.Apply(pending.frame.frame, slot_->id);
  if (outcome.dropped) {
    pending.frame.timeUs = pending.frame.queuedUs;
    core_->log.Append({pending.frame, slot_->name, FrameFate::Dropped});
    return SendResult::Queued;  // lost on the way, as far as the sender can tell
  }
  pending.readyUs = pending.frame.queuedUs + static_cast<std::uint64_t>(outcome.delay.count());
  pending.corrupted = outcome.corrupted;
  slot_->transmit.push_back(pending);
  core_->changed.notify_all();
  return SendResult::Queued;
}

ReceiveStatus BusPeer::Receive(BusFrame& received, std::chrono::milliseconds timeout) {
  if (!slot_) return ReceiveStatus::Detached;
  if (slot_->onFrame) throw std::logic_error("peer " + slot_->name + " receives through its callback");
  const auto ready = [this] { return !slot_->attached || slot_->cancelled || !slot_->queue.empty(); };
  std::unique_lock lock(slot_->mutex);
  if (!detail::WaitForProcessTime(slot_->arrived, lock, detail::DeadlineAfter(timeout), ready)) {
    return ReceiveStatus::TimedOut;
  }
  if (!slot_->attached) return ReceiveStatus::Detached;
  if (slot_->cancelled) return ReceiveStatus::Cancelled;
  received = slot_->queue.front();
  slot_->queue.pop_front();
  return ReceiveStatus::Received;
}

void BusPeer::CancelReceive() {
  if (!slot_) return;
  std::lock_guard lock(slot_->mutex);
  slot_->cancelled = true;
  slot_->arrived.notify_all();
}

void BusPeer::ResumeReceive() {
  if (!slot_) return;
  std::lock_guard lock(slot_->mutex);
  slot_->cancelled = false;
}

std::size_t BusPeer::Pending() const {
  if (!slot_) return 0;
  std::lock_guard lock(slot_->mutex);
  return slot_->queue.size();
}

std::uint64_t BusPeer::Overflows() const {
  if (!slot_) return 0;
  std::lock_guard lock(slot_->mutex);
  return slot_->overflows;
}

void BusPeer::Detach() {
  if (!slot_) return;
  {
    std::lock_guard lock(core_->mutex);
    core_->Detach(*slot_);
  }
  if (slot_->onFrame && std::this_thread::get_id() != core_->thread.get_id()) {
    std::lock_guard waitForCallback(slot_->callbackMutex);
  }
}

void BusPeer::Reattach() {
  if (!slot_) return;
  std::lock_guard lock(core_->mutex);
  if (!core_->stopping) slot_->attached = true;
}

bool BusPeer::IsAttached() const { return slot_ && slot_->attached; }

// ---- CanBus ----

CanBus::CanBus(BusOptions options) {
  detail::ValidateBitRate(options.bitRate);
  core_ = std::make_shared<BusCore>(options);
  core_->thread = StartBenchThread("bus", [core = core_.get()] { core->Run(); });
}

CanBus::~CanBus() {
  {
    std::lock_guard lock(core_->mutex);
    core_->stopping = true;
    core_->changed.notify_all();
  }
  core_->thread.join();
  std::lock_guard lock(core_->mutex);
  for (const auto& slot : core_->peers) core_->Detach(*slot);
  core_->capture.Close();
}

BusPeer CanBus::Attach(std::string name, std::size_t queueCapacity, Power power) {
  return BusPeer(core_, core_->AddPeer(std::move(name), queueCapacity, nullptr, power));
}

BusPeer CanBus::Attach(std::string name, FrameCallback onFrame, Power power) {
  if (!onFrame) throw std::invalid_argument("peer " + name + ": empty frame callback");
  return BusPeer(core_, core_->AddPeer(std::move(name), 0, std::move(onFrame), power));
}

void CanBus::SetBitRate(std::uint32_t bitRate) {
  detail::ValidateBitRate(bitRate);
  std::lock_guard lock(core_->mutex);
  core_->options.bitRate = bitRate;
}

std::uint32_t CanBus::BitRate() const {
  std::lock_guard lock(core_->mutex);
  return core_->options.bitRate;
}

void CanBus::SetPacing(bool pacing) {
  std::lock_guard lock(core_->mutex);
  core_->options.pacing = pacing;
  core_->changed.notify_all();
}

bool CanBus::Pacing() const {
  std::lock_guard lock(core_->mutex);
  return core_->options.pacing;
}

bool CanBus::SerialPacing() const {
  std::lock_guard lock(core_->mutex);
  return core_->options.serialPacing;
}

bool CanBus::StartCapture(const std::string& path) {
  std::lock_guard lock(core_->mutex);
  core_->captureError.clear();
  core_->captureEpochOffsetUs =
      detail::WallClockMicroseconds() - static_cast<std::int64_t>(platform::NowMicroseconds());
  if (core_->capture.Open(path)) return true;
  core_->captureError = core_->capture.Error();
  return false;
}

void CanBus::StopCapture() {
  std::lock_guard lock(core_->mutex);
  core_->capture.Close();
}

std::string CanBus::CaptureError() const {
  std::lock_guard lock(core_->mutex);
  return core_->captureError;
}

FaultId CanBus::AddFault(Fault fault) {
  std::lock_guard lock(core_->mutex);
  return core_->faults.Add(std::move(fault));
}

bool CanBus::RemoveFault(FaultId id) {
  std::lock_guard lock(core_->mutex);
  return core_->faults.Remove(id);
}

void CanBus::ClearFaults() {
  std::lock_guard lock(core_->mutex);
  core_->faults.Clear();
}

FrameLog& CanBus::Log() { return core_->log; }

bool CanBus::WaitIdle(std::chrono::milliseconds timeout) {
  std::unique_lock lock(core_->mutex);
  return detail::WaitForProcessTime(core_->changed, lock, detail::DeadlineAfter(timeout),
                                    [this] { return core_->IsIdle(); });
}

}  // namespace sim
