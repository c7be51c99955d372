#include "can/cancard.h"

#include "platform/clock.h"
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
}

bool CanCard::QueueMessage(const CanMessage& frame, std::uint32_t queue) {
  if (queue >= kCanRxQueueCount) return false;
  std::lock_guard lock(rxMutex_);
  queues_[queue].frames.Append(frame);
  return true;
}

bool CanCard::ReadGeneric(CanMessage* frame) {
  std::lock_guard lock(rxMutex_);
  return generic_.TakeOldest(frame);
}

bool CanCard::ReadGenericMatching(std::uint32_t code, std::uint32_t mask, CanMessage* frame) {
  std::lock_guard lock(rxMutex_);
  return generic_.TakeFirstMatching(code, mask, frame);
}

bool CanCard::ReadQueue(std::uint32_t queue, CanMessage* frame) {
  if (queue >= kCanRxQueueCount) return false;
  std::lock_guard lock(rxMutex_);
  return queues_[queue].frames.TakeOldest(frame);
}

bool CanCard::ReadQueueMatching(std::uint32_t queue, std::uint32_t code, std::uint32_t mask,
                                CanMessage* frame) {
  if (queue >= kCanRxQueueCount) return false;
  std::lock_guard lock(rxMutex_);
  return queues_[queue].frames.TakeFirstMatching(code, mask, frame);
}

// The first queue (from 1) whose filter takes the frame gets it; a frame no
// queue takes goes to the generic ring.
void CanCard::Dispatch(const CanMessage& frame) {
  std::lock_guard lock(rxMutex_);
  for (std::uint32_t number = 1; number < kCanRxQueueCount; ++number) {
    RxQueue& queue = queues_[number];
    if (queue.inUse && (frame.Id & queue.mask) == queue.code) {
      queue.frames.Append(frame);
      return;
    }
  }
  generic_.Append(frame);
}

void CanCard::Write(CanMessage* frame, bool highPriority) {
  {
    std::lock_guard lock(txMutex_);
    StampWithHostTime(frame);
    (highPriority ? transmitFirst_ : transmit_).Append(*frame);
  }
  platform::SetEvent(eventTx_.load());
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
