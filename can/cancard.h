#pragma once
// One open CAN interface: its receive queues, generic receive ring and two
// transmit rings, and the transmit and receive threads that move frames
// between those rings and the hardware back-end.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "can/canbackend.h"
#include "can/canframering.h"
#include "config/interfaceconfiguration.h"
#include "platform/handles.h"

inline constexpr std::uint32_t kCanRxQueueCount = 32;

// Stamps a frame with the host's time in microseconds, from the whole 64-bit
// performance counter.
void StampWithHostTime(CanMessage* frame);

class CanCard {
 public:
  // Identity, read by handle lookups from any thread.
  bool IsOpen() const { return inUse_.load(std::memory_order_acquire); }
  std::int32_t Handle() const { return handle_.load(std::memory_order_acquire); }
  std::int32_t InterfaceType() const { return interfaceType_; }
  CanBackend& Backend() const { return *backend_; }

  // A slot can be taken only when it is closed and no thread of an earlier
  // card still runs in it.
  bool IsFree();
  // Takes the slot for a card the back-end opened and starts its threads;
  // false (slot left free) when the threads could not be started.
  bool Open(std::int32_t interfaceType, CanBackend& backend, std::int32_t handle,
            const InterfaceSettings& settings);
  // Stops the threads; the card stays open until Release.
  void Stop();
  void Release();
  // Waits for threads that outlived Stop, at most timeoutMs each.
  void JoinLingeringThreads(std::uint32_t timeoutMs);

  // Receive queues and the generic ring. A read that finds nothing once the
  // interface has vanished fails with kErrorDeviceNotConnected.
  bool CreateQueue(std::uint32_t code, std::uint32_t mask, std::int32_t* queue);
  void QueueGeneric(const CanMessage& frame);
  bool QueueMessage(const CanMessage& frame, std::uint32_t queue);
  bool ReadGeneric(CanMessage* frame);
  bool ReadGenericMatching(std::uint32_t code, std::uint32_t mask, CanMessage* frame);
  bool ReadQueue(std::uint32_t queue, CanMessage* frame);
  bool ReadQueueMatching(std::uint32_t queue, std::uint32_t code, std::uint32_t mask,
                         CanMessage* frame);

  // Counts frames put into the generic ring and the queues, so that a reader
  // can wait for frames that came after it last looked.
  std::uint64_t ReceivedCount();
  // Waits up to processTime for the count to move past seen.
  void WaitForFramesAfter(std::uint64_t seen, std::chrono::nanoseconds processTime);

  // Transmit rings: stamps the caller's frame and queues a copy. A frame the
  // back-end can never send is refused (false) rather than queued: at the
  // head of its ring it would hold up every frame behind it for good.
  bool Write(CanMessage* frame, bool highPriority);

  void SetBuffered(bool on);
  void SetBufferedReceiveEvent(platform::Handle event) { callerRxEvent_.store(event); }

  enum class TransmitOutcome { kSent, kEmpty, kRefused, kStopped };
  // Hands queued frames to the back-end, high-priority ones first, until both
  // rings are empty, the back-end refuses a frame or the card stops.
  TransmitOutcome RunTransmitPass();
  // Takes every frame the back-end holds into the queues; true if any came.
  bool RunReceivePass();

 private:
  struct CardThread {
    std::atomic<bool> stop{false};
    std::atomic<platform::Handle> handle{0};
  };
  struct RxQueue {
    bool inUse = false;
    std::uint32_t code = 0;
    std::uint32_t mask = 0;
    CanFrameRing frames;
  };

  void EmptyRingsAndQueues();
  bool NothingRead() const;
  void Dispatch(const CanMessage& frame);
  // Called with rxMutex_ held after a frame went into a ring or queue.
  void CountReceived();
  bool StartThreads();
  static bool StartThread(CardThread& thread, std::uint32_t (CanCard::*loop)(), CanCard* card);
  static void JoinOrLeave(CardThread& thread, std::uint32_t timeoutMs);
  // Hands the oldest queued frame, high-priority first, to the back-end.
  TransmitOutcome TransmitOldest();
  // Sends the oldest frame in the caller's thread unless a pass is running;
  // true when the back-end took it.
  bool TransmitInCallingThread();
  std::uint32_t TransmitLoop();
  std::uint32_t ReceiveLoop();
  void CloseEvents();

  std::atomic<bool> inUse_{false};
  std::atomic<std::int32_t> handle_{-1};
  std::int32_t interfaceType_ = 0;
  CanBackend* backend_ = nullptr;
  InterfaceSettings settings_{};

  std::mutex rxMutex_;  // guards the generic ring and the queues
  CanFrameRing generic_;
  std::array<RxQueue, kCanRxQueueCount> queues_;
  std::uint64_t receivedCount_ = 0;  // guarded by rxMutex_
  std::condition_variable framesReceived_;

  std::mutex txMutex_;  // guards both transmit rings
  CanFrameRing transmit_;
  CanFrameRing transmitFirst_;

  // One pass at a time per direction, whether run by the card's thread or by
  // a caller, so that no frame is handed on twice or out of order.
  std::mutex transmitPassMutex_;
  std::mutex receivePassMutex_;

  std::atomic<bool> buffered_{false};
  // The back-end said its interface vanished: no frame will come any more.
  std::atomic<bool> interfaceGone_{false};
  std::atomic<bool> backendSignalsRx_{false};  // the back-end sets eventRx_
  std::atomic<platform::Handle> eventTx_{0};
  std::atomic<platform::Handle> eventRx_{0};
  std::atomic<platform::Handle> callerRxEvent_{0};
  bool timerResolutionRaised_ = false;
  CardThread transmitThread_;
  CardThread receiveThread_;
};
