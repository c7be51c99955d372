#include "can/cancard.h"

#include "platform/clock.h"
#include "platform/iochannel.h"
#include "platform/lasterror.h"
#include "platform/sync.h"

void StampWithHostTime(CanMessage* frame) {
  std::int64_t count = 0;
  std::int64_t frequency = 0;
  std::uint64_t microseconds = 0;
  if (platform::QueryPerformanceCounter(&count) && platform::QueryPerformanceFrequency(&frequency) &&
      count >= 0 && frequency > 0) {
    // Split so that neither product overflows 64 bits.
    const auto ticks = static_cast<std::uint64_t>(count);
    const auto perSecond = static_cast<std::uint64_t>(frequency);
    microseconds = ticks / perSecond * 1'000'000 + ticks % perSecond * 1'000'000 / perSecond;
  }
  frame->TimeStampHigh = static_cast<std::uint32_t>(microseconds >> 32);
  frame->TimeStampLow = static_cast<std::uint32_t>(microseconds);
}

bool CanCard::CreateQueue(std::uint32_t code, std::uint32_t mask, std::int32_t* queue) {
  std::lock_guard lock(rxMutex_);
  // Queue 0 exists but is never handed out.
  for (std::uint32_t number = 1; number < kCanRxQueueCount; ++number) {
    RxQueue& candidate = queues_[number];
    if (candidate.inUse) continue;
    candidate.inUse = true;
    candidate.code = code;
    candidate.mask = mask;
    candidate.frames.Clear();
    *queue = static_cast<std::int32_t>(number);
    return true;
  }
  *queue = 0;
  return false;
}

void CanCard::QueueGeneric(const CanMessage& frame) {
  std::lock_guard lock(rxMutex_);
  generic_.Append(frame);
  CountReceived();
}

bool CanCard::QueueMessage(const CanMessage& frame, std::uint32_t queue) {
  if (queue >= kCanRxQueueCount) return false;
  std::lock_guard lock(rxMutex_);
  queues_[queue].frames.Append(frame);
  CountReceived();
  return true;
}

bool CanCard::NothingRead() const {
  if (interfaceGone_) platform::SetLastError(platform::kErrorDeviceNotConnected);
  return false;
}

bool CanCard::ReadGeneric(CanMessage* frame) {
  std::lock_guard lock(rxMutex_);
  return generic_.TakeOldest(frame) || NothingRead();
}

bool CanCard::ReadGenericMatching(std::uint32_t code, std::uint32_t mask, CanMessage* frame) {
  std::lock_guard lock(rxMutex_);
  return generic_.TakeFirstMatching(code, mask, frame) || NothingRead();
}

bool CanCard::ReadQueue(std::uint32_t queue, CanMessage* frame) {
  if (queue >= kCanRxQueueCount) return false;
  std::lock_guard lock(rxMutex_);
  return queues_[queue].frames.TakeOldest(frame) || NothingRead();
}

bool CanCard::ReadQueueMatching(std::uint32_t queue, std::uint32_t code, std::uint32_t mask,
                                CanMessage* frame) {
  if (queue >= kCanRxQueueCount) return false;
  std::lock_guard lock(rxMutex_);
  return queues_[queue].frames.TakeFirstMatching(code, mask, frame) || NothingRead();
}

// The first queue (from 1) whose filter takes the frame gets it; a frame no
// queue takes goes to the generic ring.
void CanCard::Dispatch(const CanMessage& frame) {
  std::lock_guard lock(rxMutex_);
  for (std::uint32_t number = 1; number < kCanRxQueueCount; ++number) {
    RxQueue& queue = queues_[number];
    if (queue.inUse && (frame.Id & queue.mask) == queue.code) {
      queue.frames.Append(frame);
      CountReceived();
      return;
    }
  }
  generic_.Append(frame);
  CountReceived();
}

void CanCard::CountReceived() {
  ++receivedCount_;
  framesReceived_.notify_all();
}

std::uint64_t CanCard::ReceivedCount() {
  std::lock_guard lock(rxMutex_);
  return receivedCount_;
}

void CanCard::WaitForFramesAfter(std::uint64_t seen, std::chrono::nanoseconds processTime) {
  std::unique_lock lock(rxMutex_);
  framesReceived_.wait_for(lock, platform::ToRealDuration(processTime),
                           [&] { return receivedCount_ != seen; });
}

bool CanCard::Write(CanMessage* frame, bool highPriority) {
  if (!backend_->Carries(*frame)) return false;
  bool aloneInRings = false;
  {
    std::lock_guard lock(txMutex_);
    StampWithHostTime(frame);
    (highPriority ? transmitFirst_ : transmit_).Append(*frame);
    aloneInRings = transmit_.Count() + transmitFirst_.Count() == 1;
  }
  // A frame with nothing queued before it goes out from the caller's thread,
  // which saves the wake-up of the transmit thread; anything else, and a
  // frame the back-end refused, is left to that thread.
  if (aloneInRings && buffered_ && TransmitInCallingThread()) return true;
  platform::SetEvent(eventTx_.load());
  return true;
}

void CanCard::EmptyRingsAndQueues() {
  {
    std::lock_guard lock(rxMutex_);
    generic_.Clear();
    for (RxQueue& queue : queues_) {
      queue.inUse = false;
      queue.code = 0;
      queue.mask = 0;
      queue.frames.Clear();
    }
  }
  std::lock_guard lock(txMutex_);
  transmit_.Clear();
  transmitFirst_.Clear();
}
