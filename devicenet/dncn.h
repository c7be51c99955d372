#pragma once
// The inner records of VRK_DNCN, the DeviceNet master over VRK_CAN: cards,
// nodes (MAC ID 0..63) and their connection slots, and the engines that work
// on them (going online, explicit messaging, scanlist maintenance, I/O and
// node supervision). The exports in vrk_dncn.cpp are thin over these.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <utility>
#include <vector>

#include "can/canmessage.h"
#include "devicenet/dnetapi.h"
#include "platform/handles.h"
#include "platform/wakeschedule.h"

namespace dncn {

inline constexpr int kCardCount = 10;
inline constexpr int kNodeCount = 64;
inline constexpr int kSlotCount = 7;

// Connection slots of a node.
inline constexpr int kSlotUnconnected = 0;  // UCMM port or Group 2 Only port
inline constexpr int kSlotExplicit = 1;     // predefined explicit connection
inline constexpr int kSlotPoll = 2;
inline constexpr int kSlotStrobe = 3;
inline constexpr int kSlotCosCyclic = 4;
inline constexpr int kSlotUcmm = 6;         // explicit connection opened through UCMM

// Allocation choice bits.
inline constexpr std::uint8_t kChoiceExplicit = 0x01;
inline constexpr std::uint8_t kChoicePoll = 0x02;
inline constexpr std::uint8_t kChoiceStrobe = 0x04;
inline constexpr std::uint8_t kChoiceCosCyclic = 0x30;

// Services and objects.
inline constexpr std::uint8_t kServiceReset = 0x05;
inline constexpr std::uint8_t kServiceGetSingle = 0x0E;
inline constexpr std::uint8_t kServiceSetSingle = 0x10;
inline constexpr std::uint8_t kServiceAllocate = 0x4B;  // also UCMM open
inline constexpr std::uint8_t kServiceRelease = 0x4C;   // also UCMM close
inline constexpr std::uint8_t kServiceError = 0x94;
inline constexpr std::uint8_t kStatusStateConflict = 0x0C;
inline constexpr std::uint8_t kClassIdentity = 1;
inline constexpr std::uint8_t kClassDeviceNet = 3;
inline constexpr std::uint8_t kClassConnection = 5;

inline constexpr std::uint16_t kDefaultReplyTimeoutMs = 1500;
inline constexpr std::uint16_t kUcmmReplyTimeoutMs = 1000;
inline constexpr std::uint16_t kGroup2ReplyTimeoutMs = 100;
inline constexpr std::uint16_t kPollReplyTimeoutMs = 100;
inline constexpr std::uint16_t kDefaultExplicitSize = 32;

// Process time in milliseconds.
std::uint64_t NowMs();
// No due time: a thread's pass has nothing that falls due by time alone.
inline constexpr std::uint64_t kNever = platform::WakeSchedule::kNever;

enum class Exchange : std::uint8_t { kIdle = 0, kSending = 1, kAwaiting = 3, kReceiving = 4, kDone = 5 };

struct ResponseStatistics {
  static constexpr int kHistory = 100;
  float last = 0, maximum = 0, minimum = 1000.0f, average = 0;
  std::array<float, kHistory> history{};

  void Fold(float sample);
  void Reset();
};

struct Connection {
  // Identity and sizes.
  std::uint8_t choiceBit = 0;
  bool established = false;
  std::int16_t instance = 0;
  std::uint16_t rxId = 0, txId = 0;  // changed under mutex once the slot is in use
  std::uint16_t producedSize = 0, consumedSize = 0;
  std::uint16_t expectedPacketRate = 0;
  std::uint8_t headerMac = 0;

  // Everything below is guarded by mutex.
  std::mutex mutex;
  std::vector<std::uint8_t> input, output, reassembly;

  // Explicit exchange.
  Exchange state = Exchange::kIdle;
  std::uint8_t requestService = 0, replyService = 0;
  std::uint8_t txCount = 0, rxCount = 0;
  std::uint16_t txPosition = 0, requestLength = 0, receivedLength = 0;
  bool overflow = false;  // the response did not fit the produced size
  bool failedHere = false;  // ended by this side with an error reply of its own
  bool waiting = false;
  std::uint64_t replyDeadlineMs = 0;
  std::uint16_t replyTimeoutMs = kDefaultReplyTimeoutMs;
  platform::Handle requestEvent = platform::kNullHandle;   // signalled while free for a new exchange
  platform::Handle responseEvent = platform::kNullHandle;  // signalled when an exchange is done
  // The card thread that looks at the running exchange without waiting for
  // it, woken when it is done; null for a caller that waits.
  platform::WakeSchedule* notifyWhenDone = nullptr;
  bool statusRequestOutstanding = false;

  // I/O and supervision. Set by the scanlist calls of the caller's thread
  // while the card's threads look at it.
  std::atomic<bool> timedOut{false};
  std::uint16_t timerReloadMs = 0;
  std::uint64_t timerDueMs = 0;
  std::uint8_t missedReplies = 0;
  std::uint16_t sentCount = 0, receivedCount = 0;
  int ioFragmentsPending = -1;  // number of the last fragment taken; -1: none
  std::int64_t txStamp = 0, rxStamp = 0;
  ResponseStatistics statistics;

  ~Connection();
  bool IsExplicit() const { return requestEvent != platform::kNullHandle; }
  void SizeBuffers();
};

using ConnectionPtr = std::shared_ptr<Connection>;

enum class Allocation : std::uint8_t {
  kIdle = 0, kUcmmFirst = 1, kUcmmSecond = 2, kGroup2 = 3, kOverUcmm = 4, kCloseUcmm = 5,
  kAllocated = 6, kRetryPause = 7
};
enum class Step : std::uint8_t { kStart = 0, kWaiting = 1, kFailed = 3 };

struct Node {
  // Scan and node status threads hold it while they work on the node, and the
  // scanlist calls while they change what is wanted: a change that fell
  // between a release's "nothing wanted" verdict and the record's reset would
  // be wiped. The holder may wait on exchanges with the node; nothing under it
  // waits for a caller of the scanlist calls.
  std::recursive_mutex workMutex;
  // Guards the slot pointers (held only for a moment).
  mutable std::mutex slotMutex;
  std::array<ConnectionPtr, kSlotCount> slots;

  std::atomic<bool> connected{false};
  std::atomic<std::int16_t> status{0};
  bool allocatedByUcmm = false;
  std::atomic<std::uint8_t> scanlistChoice{0}, wantedSet{0}, wantedUcmm{0};
  std::atomic<std::uint8_t> allocatedSet{0}, ucmmOpen{0};
  Allocation allocation = Allocation::kIdle;
  Step step = Step::kStart;
  std::atomic<std::uint64_t> pauseUntilMs{0};  // also cleared by the scanlist calls
  std::uint8_t allocatorMac = 0xFF;
  std::atomic<bool> ucmmNode{false};
  std::atomic<bool> faulted{false};
  // The node was heard checking its MAC ID since the scan last looked.
  std::atomic<bool> restarted{false};
  // The explicit sizes and times the scanlist entry gave, for every explicit
  // connection the node gets (predefined or UCMM); written by the scanlist
  // calls while the scan thread may read them.
  std::atomic<std::uint16_t> explicitProduced{kDefaultExplicitSize}, explicitConsumed{kDefaultExplicitSize};
  std::atomic<std::uint16_t> explicitTimerReload{0}, explicitPacketRate{0};

  ConnectionPtr Slot(int slot) const;
  // Forgets every connection and set, as a node not seen before.
  void ResetInPlace();
};

class Card {
 public:
  Card(int index, std::int32_t interfaceType, std::int32_t canCard);
  ~Card();

  int Index() const { return index_; }
  std::int32_t CanCard() const { return canCard_; }

  // Opening: queues, buffered mode, receive event, threads. False leaves the
  // card to be closed by Close.
  bool Start();
  // Stops the state machine, wakes every waiter, joins every thread, deletes
  // the connections and closes the CAN card.
  void Close();
  bool Closing() const { return closing_.load(); }
  // The CAN interface vanished (unplugged, its port gone): nothing will be
  // heard from the network any more.
  bool InterfaceGone() const { return interfaceGone_.load(); }

  // Network.
  std::atomic<std::uint8_t> ownMac{0};
  std::atomic<std::int32_t> bitRate{0};
  std::atomic<int> pollIntervalMs{10}, strobeIntervalMs{100};
  std::atomic<bool> explicitActive{false}, pollActive{false}, strobeActive{false}, cosActive{false};
  std::atomic<bool> strobeConnectionsExist{false};
  std::array<std::uint8_t, 8> strobeBits{};
  bool SetOnline(bool on);
  bool IsOnline() const { return online_.load() && state_.load() == kStateOnline; }
  bool ProbeDuplicate(int mac, bool* found);

  // Nodes: records live until the card closes.
  Node* NodeAt(int mac) const { return published_[mac].load(std::memory_order_acquire); }
  Node& EnsureNode(int mac);
  ConnectionPtr CreateSlot(Node& node, int mac, int slot);
  void DeleteSlot(Node& node, int slot);

  // Frames.
  bool Write(std::uint32_t id, std::span<const std::uint8_t> data, bool highPriority = false);
  // Acceptance filters are counted: several slots may need one identifier.
  bool AddFilter(std::uint32_t id);
  void RemoveFilter(std::uint32_t id);
  // Moves a connection's receive identifier, and its filter, to rxId.
  void SetReceiveId(Connection& connection, std::uint16_t rxId);

  // Connection-level helpers of the engines.
  std::uint64_t ucmmPacingUntilMs = 0;  // scan thread only

  // When the card threads wake. Each sleeps until its next due time; whoever
  // gives one of them work, or work due earlier, wakes it here.
  platform::WakeSchedule communicationSchedule, scanSchedule, nodeStatusSchedule;
  // The traffic switches or intervals changed.
  void SettingsChanged();

 private:
  static constexpr std::uint8_t kStateOffline = 0, kStateSending = 1, kStateWaiting = 2,
                                kStateOnline = 3, kStateDuplicate = 4;

  struct Worker {
    std::atomic<bool> stop{false};
    platform::Handle handle = platform::kNullHandle;
  };

  void StartWorker(Worker& worker, std::uint32_t (Card::*loop)());
  std::uint32_t ReceiveLoop();
  std::uint32_t CommunicationLoop();
  std::uint32_t ScanLoop();
  std::uint32_t NodeStatusLoop();
  // Each returns when it next has something due.
  std::uint64_t CommunicationTick(std::uint64_t nowMs);
  std::uint64_t NetworkTick(std::uint64_t nowMs);
  void DispatchReceived();
  void OnCheckMessage(const CanMessage& frame);
  bool SendCheckMessage(bool response);
  void GoOffline();
  bool ReapplyFilters();
  template <typename Fn>
  void ForEachNode(Fn fn) {
    for (const auto& published : published_) {
      if (Node* node = published.load(std::memory_order_acquire)) fn(*node);
    }
  }

  const int index_;
  const std::int32_t interfaceType_;
  const std::int32_t canCard_;
  std::array<std::int32_t, 8> queues_{};
  platform::Handle receiveEvent_ = platform::kNullHandle;
  platform::Handle verdictEvent_ = platform::kNullHandle;
  std::atomic<bool> closing_{false};
  std::atomic<bool> interfaceGone_{false};
  std::atomic<bool> online_{false};
  std::atomic<std::uint8_t> state_{kStateOffline};
  std::atomic<std::uint8_t> repeats_{0};
  std::atomic<std::uint64_t> networkDueMs_{0};
  std::atomic<bool> canOnline_{false};
  std::array<std::atomic<bool>, kNodeCount> duplicateSeen_{};
  std::uint64_t pollDueMs_ = 0, strobeDueMs_ = 0;
  bool pollConnectionsLive_ = false;  // the last poll cycle served a connection

  std::mutex nodesMutex_;  // creation of node records
  std::array<std::unique_ptr<Node>, kNodeCount> nodes_;
  // The records once complete: the card's threads look nodes up without
  // taking nodesMutex_ while a caller may be creating one.
  std::array<std::atomic<Node*>, kNodeCount> published_{};
  std::mutex filterMutex_;  // acceptance filters shared by several slots
  std::vector<std::pair<std::uint32_t, int>> filterUsers_;

  Worker receive_, communication_, scan_, nodeStatus_;
  bool timerResolutionRaised_ = false;
};

using CardPtr = std::shared_ptr<Card>;
// The open card of that number, or null (kept alive while the caller holds it).
CardPtr FindCard(std::int32_t card);
bool InstallCard(int index, CardPtr card);
int FreeCardIndex();
CardPtr TakeCard(std::int32_t card);

// Explicit messaging (one exchange at a time per slot 0, 1 or 6).
struct Reply {
  std::uint16_t* length = nullptr;  // in: capacity; out: the length the node sent
  std::uint8_t* data = nullptr;
};
// notify: the card thread to wake when the exchange is done (see Connection).
bool SendRequest(Card& card, Connection& connection, std::uint8_t service, std::span<const std::uint8_t> body,
                 platform::WakeSchedule* notify = nullptr);
// waitMs 0: looks without waiting (pending code while the exchange runs).
bool AwaitResponse(Card& card, Connection& connection, std::uint32_t waitMs, Reply reply);
bool Transact(Card& card, Connection& connection, std::uint8_t service, std::span<const std::uint8_t> body,
              Reply reply, std::uint32_t waitMs);
// A frame on the connection's receive identifier; true when it advanced the exchange.
bool OnExplicitFrame(Card& card, Connection& connection, const CanMessage& frame);
// Ends a stalled exchange whose reply time-out ran out; else the time it
// runs out (kNever when no reply is awaited).
std::uint64_t ExpireExchange(Connection& connection, std::uint64_t nowMs);
// Wakes a waiter for good (card closing).
void AbortExchange(Connection& connection);
// The explicit connection requests of a node go through (slot 6 or 1).
ConnectionPtr ExplicitConnectionOf(const Node& node);
bool ExplicitRequest(Card& card, int mac, std::uint8_t service, std::span<const std::uint8_t> body, Reply reply);

// Scanlist and connections.
bool AddToScanlist(Card& card, int mac, std::uint8_t choice, const DnetScanlistEntry& entry);
bool RemoveFromScanlist(Card& card, int mac, std::uint8_t choice);
bool AllocateBlocking(Card& card, int mac, std::uint8_t choice);
bool ReleaseSet(Card& card, int mac, std::uint8_t choice);
bool CloseUcmm(Card& card, Node& node, int mac);
void ReleaseAll(Card& card);
// A node checking its MAC ID (a check request from it) has restarted and
// holds no connection any more. Called on the receive thread.
void NodeRestarted(Card& card, Node& node);
// One pass of the scan thread; returns when a node next needs it.
std::uint64_t MaintainScan(Card& card);

// I/O and supervision.
// True when a poll connection is in service (the cycle has work again).
bool RunPollCycle(Card& card);
void SendStrobe(Card& card);
void OnIoFrame(Card& card, int slot, const CanMessage& frame, std::int64_t stamp);
// One pass of the node status thread; returns when a heartbeat is next due.
std::uint64_t RunHeartbeat(Card& card);

}  // namespace dncn
