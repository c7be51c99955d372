// The card's life cycle and its transmit and receive threads.
#include <string>

#include "can/cancard.h"
#include "platform/clock.h"
#include "platform/iochannel.h"
#include "platform/lasterror.h"
#include "platform/sync.h"
#include "platform/thread.h"

namespace {

// How long Stop waits for each thread before leaving it to end on its own.
constexpr std::uint32_t kStopWaitMs = 1000;
// A frame the back-end refused is offered again after this pause.
constexpr std::uint32_t kTransmitRetryMs = 5;
// Upper bounds of the threads' waits for work. Writes and the back-end signal
// the threads; the bounds only catch a signal that never came.
constexpr std::uint32_t kTransmitIdleMs = 1000;
constexpr std::uint32_t kReceiveIdleMs = 250;
// Without a receive event from the back-end the receive thread polls.
constexpr std::uint32_t kReceivePollMs = 1;
constexpr std::uint32_t kTimerResolutionMs = 1;

std::string CardObjectName(const char* prefix, std::int32_t handle) {
  return prefix + std::to_string(handle);
}

}  // namespace

bool CanCard::IsFree() {
  if (IsOpen()) return false;
  JoinLingeringThreads(0);
  return transmitThread_.handle.load() == 0 && receiveThread_.handle.load() == 0;
}

bool CanCard::Open(std::int32_t interfaceType, CanBackend& backend, std::int32_t handle,
                   const InterfaceSettings& settings) {
  interfaceType_ = interfaceType;
  backend_ = &backend;
  settings_ = settings;
  EmptyRingsAndQueues();
  buffered_ = false;
  interfaceGone_ = false;
  backendSignalsRx_ = false;
  callerRxEvent_ = 0;
  handle_.store(handle, std::memory_order_release);
  if (!StartThreads()) {
    Stop();
    Release();
    return false;
  }
  inUse_.store(true, std::memory_order_release);
  return true;
}

bool CanCard::StartThreads() {
  platform::timeBeginPeriod(kTimerResolutionMs);
  timerResolutionRaised_ = true;
  const std::int32_t handle = Handle();
  eventTx_ = platform::CreateEvent(false, true, CardObjectName("EventTx", handle).c_str());
  eventRx_ = platform::CreateEvent(true, true, CardObjectName("VRK_CAN_EventRx", handle).c_str());
  if (eventTx_.load() == 0 || eventRx_.load() == 0) return false;
  transmitThread_.stop = false;
  receiveThread_.stop = false;
  return StartThread(transmitThread_, &CanCard::TransmitLoop, this) &&
         StartThread(receiveThread_, &CanCard::ReceiveLoop, this);
}

bool CanCard::StartThread(CardThread& thread, std::uint32_t (CanCard::*loop)(), CanCard* card) {
  const platform::Handle handle =
      platform::CreateThread([card, loop] { return (card->*loop)(); }, false, nullptr, 4096);
  if (handle == 0) return false;
  platform::SetThreadPriority(handle, platform::kThreadPriorityTimeCritical);
  thread.handle = handle;
  return true;
}

void CanCard::Stop() {
  transmitThread_.stop = true;
  platform::SetEvent(eventTx_.load());
  receiveThread_.stop = true;
  buffered_ = false;
  if (backend_ != nullptr) backend_->RegisterReceiveEvent(Handle(), 0, 0);
  backendSignalsRx_ = false;
  platform::SetEvent(eventRx_.load());
  JoinOrLeave(transmitThread_, kStopWaitMs);
  JoinOrLeave(receiveThread_, kStopWaitMs);
  CloseEvents();
  callerRxEvent_ = 0;  // the caller's event is the caller's to close
  if (timerResolutionRaised_) {
    platform::timeEndPeriod(kTimerResolutionMs);
    timerResolutionRaised_ = false;
  }
}

void CanCard::Release() {
  inUse_.store(false, std::memory_order_release);
  handle_.store(-1, std::memory_order_release);
  interfaceType_ = 0;
  buffered_ = false;
  EmptyRingsAndQueues();
}

// A thread that misses the wait keeps its handle in the slot: it has been told
// to stop and ends at its next look at the stop flag, and the slot stays
// unusable until it has been joined.
void CanCard::JoinOrLeave(CardThread& thread, std::uint32_t timeoutMs) {
  const platform::Handle handle = thread.handle.load();
  if (handle == 0) return;
  if (platform::WaitForSingleObject(handle, timeoutMs) != platform::kWaitObject0) return;
  platform::CloseHandle(handle);
  thread.handle = 0;
}

void CanCard::JoinLingeringThreads(std::uint32_t timeoutMs) {
  JoinOrLeave(transmitThread_, timeoutMs);
  JoinOrLeave(receiveThread_, timeoutMs);
}

void CanCard::CloseEvents() {
  for (auto* event : {&eventTx_, &eventRx_}) {
    const platform::Handle handle = event->exchange(0);
    if (handle != 0) platform::CloseHandle(handle);
  }
}

void CanCard::SetBuffered(bool on) {
  if (on) backendSignalsRx_ = backend_->RegisterReceiveEvent(Handle(), eventRx_.load(), 1) != 0;
  buffered_ = on;
  // Frames that waited for buffered mode go now.
  platform::SetEvent(eventRx_.load());
  platform::SetEvent(eventTx_.load());
}

CanCard::TransmitOutcome CanCard::RunTransmitPass() {
  std::lock_guard pass(transmitPassMutex_);
  TransmitOutcome outcome = TransmitOutcome::kSent;
  while (outcome == TransmitOutcome::kSent) outcome = TransmitOldest();
  return outcome;
}

// Never waits for a pass in progress: the thread running it sends the frame.
bool CanCard::TransmitInCallingThread() {
  std::unique_lock pass(transmitPassMutex_, std::try_to_lock);
  return pass.owns_lock() && TransmitOldest() == TransmitOutcome::kSent;
}

// Called with transmitPassMutex_ held.
CanCard::TransmitOutcome CanCard::TransmitOldest() {
  if (transmitThread_.stop) return TransmitOutcome::kStopped;
  CanMessage frame{};
  CanFrameRing::Sequence sequence = 0;
  CanFrameRing* ring = nullptr;
  {
    std::lock_guard lock(txMutex_);
    if (transmitFirst_.PeekOldest(&frame, &sequence)) {
      ring = &transmitFirst_;
    } else if (transmit_.PeekOldest(&frame, &sequence)) {
      ring = &transmit_;
    }
  }
  if (ring == nullptr) return TransmitOutcome::kEmpty;
  // The back-end is called outside the ring lock, so writers never wait for
  // the link; the frame leaves its ring only once the back-end took it.
  if (backend_->Transmit(Handle(), frame) == 0) return TransmitOutcome::kRefused;
  std::lock_guard lock(txMutex_);
  ring->TakeOldestIf(sequence);
  return TransmitOutcome::kSent;
}

bool CanCard::RunReceivePass() {
  std::lock_guard pass(receivePassMutex_);
  bool tookAny = false;
  CanMessage frame{};
  while (!receiveThread_.stop) {
    if (backend_->Receive(Handle(), &frame) == 0) {
      if (platform::GetLastError() == platform::kErrorDeviceNotConnected) interfaceGone_ = true;
      break;
    }
    Dispatch(frame);
    tookAny = true;
  }
  return tookAny;
}

std::uint32_t CanCard::TransmitLoop() {
  while (!transmitThread_.stop) {
    const bool refused = buffered_ && RunTransmitPass() == TransmitOutcome::kRefused;
    platform::WaitForSingleObject(eventTx_.load(), refused ? kTransmitRetryMs : kTransmitIdleMs);
  }
  return 0;
}

std::uint32_t CanCard::ReceiveLoop() {
  while (!receiveThread_.stop) {
    // The caller's event also tells of an interface found gone, so a reader
    // that waits for frames learns it at once (its next read fails with the
    // cause).
    const bool wasGone = interfaceGone_;
    if (buffered_ && (RunReceivePass() || interfaceGone_ != wasGone)) {
      const platform::Handle callerEvent = callerRxEvent_.load();
      if (callerEvent != 0) platform::SetEvent(callerEvent);
    }
    const bool mustPoll = buffered_ && !backendSignalsRx_;
    const platform::Handle eventRx = eventRx_.load();
    platform::WaitForSingleObject(eventRx, mustPoll ? kReceivePollMs : kReceiveIdleMs);
    platform::ResetEvent(eventRx);
  }
  return 0;
}
