#pragma once
// The CANopen master VRK_COCN: ten interface records on cards of VRK_CAN in
// buffered mode, each with up to 127 node records, a receive list that routes
// identifiers to their handlers, and four threads. The protocol services live
// in one file each: SDO client (cocn_sdo.cpp), NMT and error control
// (cocn_nmt.cpp), PDO (cocn_pdo.cpp); the records, threads and dispatch in
// cocn_interface.cpp.
//
// One recursive mutex per interface guards its nodes, SDO channels, PDO
// entries, receive list and EMCY ring. The receive thread holds it while it
// handles a frame, so a caller that gives up on a transfer, removes a node or
// copies PDO data never races the frame that arrives at the same moment.
// Nobody holds it while waiting for the bus.
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "can/canmessage.h"
#include "canopen/copnapi.h"
#include "platform/handles.h"
#include "platform/wakeschedule.h"

namespace cocn {

inline constexpr std::size_t kInterfaceCount = 10;
inline constexpr std::uint8_t kMaxNodeId = 127;
inline constexpr std::uint8_t kStateUnknown = 255;
inline constexpr std::uint32_t kSdoBudgetMs = 1000;  // a whole transfer, every segment included
inline constexpr std::size_t kEmcyRingSize = 250;

enum class SdoDirection : std::uint8_t { kIdle = 0, kUpload = 1, kDownload = 2 };

// One SDO client channel. The channel keeps its own copy of the data in both
// directions: a late answer can only ever reach the channel, never a buffer
// whose caller has given up.
struct SdoChannel {
  ~SdoChannel();

  std::uint16_t Number = 0;
  std::uint32_t RequestCobId = 0;
  std::uint32_t ResponseCobId = 0;
  std::uint32_t Capacity = 0;  // upload: the caller's buffer size; download: the length
  std::uint32_t Done = 0;      // bytes transferred and confirmed
  std::uint32_t InFlight = 0;  // bytes of the download segment awaiting its confirmation
  std::uint16_t Index = 0;     // as echoed by the server
  std::uint8_t SubIndex = 0;
  std::int32_t Result = 0;
  std::uint8_t LastCommand = 0;  // carries the toggle bit
  SdoDirection Direction = SdoDirection::kIdle;
  std::uint32_t Total = 0;  // download: the length; upload: the size the server indicated
  bool SizeIndicated = false;  // upload: the server indicated a size
  std::vector<std::uint8_t> Data;
  bool Claimed = false;   // a caller owns the channel
  bool Finished = false;  // the outcome is in Result
  platform::Handle GateEvent = platform::kNullHandle;  // signalled while no transfer runs
  platform::Handle DoneEvent = platform::kNullHandle;  // signalled when a transfer ended
};

// A PDO registered for a node by AddPDO.
struct PdoEntry {
  ~PdoEntry();

  std::uint16_t Number = 0;
  std::uint8_t Kind = 0;  // 0x1x: the node sends it, 0x2x: the master sends it
  std::uint16_t Period = 0;
  std::uint16_t Remaining = 0;
  std::uint32_t Identifier = 0;
  std::uint8_t Length = 0;
  std::array<std::uint8_t, 8> Data{};
  std::uint32_t StampHigh = 0;
  std::uint32_t StampLow = 0;
  std::uint32_t Count = 0;
  platform::Handle Event = platform::kNullHandle;
};

struct CopnNode {
  ~CopnNode();

  std::uint8_t Id = 0;
  std::int32_t Alive = 0;
  std::int32_t BootUpDetected = 0;
  std::uint8_t GuardMode = 0;  // bit 0 remote-frame guarding, bit 1 heartbeat
  std::uint16_t GuardTime = 0;
  std::uint16_t GuardCountdown = 0;
  std::uint16_t LifeCountdown = 0;
  std::int32_t Waiting = 0;
  std::uint8_t NmtState = kStateUnknown;  // without the toggle bit
  std::shared_ptr<SdoChannel> Sdo;
  std::vector<std::shared_ptr<PdoEntry>> Tpdos;
  std::vector<std::shared_ptr<PdoEntry>> Rpdos;
  // The last error-control byte, handed to NMT_NodeGuard through the event.
  std::uint8_t GuardAnswer = 0;
  platform::Handle GuardAnswerEvent = platform::kNullHandle;
};

enum class ReceiveKind : std::uint32_t { kSdoResponse = 1, kPdo = 2, kErrorControl = 4, kEmergency = 5 };

struct ReceiveEntry {
  ReceiveKind Kind = ReceiveKind::kErrorControl;
  std::uint8_t Node = 0;
  std::shared_ptr<SdoChannel> Sdo;
  std::shared_ptr<PdoEntry> Pdo;
};

struct EmcyEntry {
  std::uint8_t Node = 0;
  std::uint16_t Code = 0;
  std::array<std::uint8_t, 6> Data{};
};

struct ThreadControl {
  platform::Handle Thread = platform::kNullHandle;
  std::atomic<int> Running{0};
  std::atomic<int> StopRequest{0};
};

struct Interface {
  std::int32_t InUse = 0;
  std::int32_t Type = 0;
  std::int32_t Handle = -1;
  std::int32_t CanHandle = -1;
  std::int32_t Open = 0;
  std::int32_t Online = 0;
  std::uint8_t OwnNodeId = 0;
  std::int32_t BitRate = 0;
  std::uint16_t SdoTimeout = 100;
  std::uint16_t PdoTimeout = 100;
  std::uint32_t MillisecondCounter = 0;
  std::array<std::shared_ptr<CopnNode>, kMaxNodeId + 1> Nodes;
  std::map<std::uint32_t, ReceiveEntry> ReceiveList;
  std::array<EmcyEntry, kEmcyRingSize> EmcyRing{};
  std::uint8_t EmcyHead = 0;
  std::uint8_t EmcyCount = 0;
  ThreadControl Timer, Worker, Guarding, Receive;
  // The millisecond clock of the countdowns and the millisecond counter: no
  // thread ticks it; whoever looks at them first brings them up to date
  // (CatchUpClock), in whole milliseconds with the fraction carried over.
  std::int64_t ClockStamp = 0;
  double ClockPending = 0;
  // When the timer, worker and guarding threads wake: each sleeps until its
  // next due time and is woken early for work that comes sooner.
  platform::WakeSchedule TimerSchedule, WorkerSchedule, GuardingSchedule;
  platform::Handle ReceiveEvent = platform::kNullHandle;
  // The card's interface has vanished (unplugged, its port gone): no node can
  // be reached through it any more.
  std::atomic<bool> InterfaceGone{false};
  std::recursive_mutex Mutex;
};

using Lock = std::lock_guard<std::recursive_mutex>;

// The taken record with that handle, or null.
Interface* FindInterface(std::int32_t handle);
// The node's record (null for none or an id out of range), under the lock.
std::shared_ptr<CopnNode> FindNode(Interface& iface, std::uint8_t node);
bool ValidNodeId(std::uint8_t node);

// Enters the identifier in the receive list and adds its filter in VRK_CAN;
// false when it is listed already or the filter is refused.
bool EnterReceive(Interface& iface, std::uint32_t identifier, ReceiveEntry entry);
// Takes the identifier out of the receive list and drops its filter.
void LeaveReceive(Interface& iface, std::uint32_t identifier);

// One frame through VRK_CAN's buffered write.
bool SendFrame(Interface& iface, std::uint32_t identifier, std::span<const std::uint8_t> data);
bool SendRemoteFrame(Interface& iface, std::uint32_t identifier);

// One SDO transfer as its caller asks for it.
struct SdoTransfer {
  SdoDirection direction;
  std::uint16_t index;
  std::uint8_t subIndex;
  std::uint32_t capacity;                  // upload only
  std::span<const std::uint8_t> download;  // download only
};
// Under the interface lock, on a channel the caller has claimed: readies the
// channel for the transfer and sends the initiate request; false when it
// could not be sent.
bool StartSdoTransfer(Interface& iface, SdoChannel& channel, const SdoTransfer& transfer);
// Under the interface lock, once the wait for the transfer is over: 0 for
// success (an upload's bytes then in *received), else the last-error code.
std::uint32_t SdoTransferOutcome(const SdoChannel& channel, const SdoTransfer& transfer,
                                 std::vector<std::uint8_t>* received);

// Frame handlers, run by the receive thread under the interface lock.
void OnSdoResponse(Interface& iface, SdoChannel& channel, const CanMessage& frame);
void OnErrorControl(Interface& iface, std::uint8_t node, const CanMessage& frame);
void OnEmergency(Interface& iface, std::uint8_t node, const CanMessage& frame);
void OnPdo(PdoEntry& entry, const CanMessage& frame);

// Thread services.
// Counts the milliseconds passed since the clock last moved off the
// countdowns and the millisecond counter (under the lock); wakes the guarding
// thread when a countdown the guard step watches ran out.
void CatchUpClock(Interface& iface);
// A countdown or the waiting flag of the node changed (under the lock): the
// timer thread then wakes when the watched countdown runs out.
void CountdownsChanged(Interface& iface, const CopnNode& node);
struct CountdownWatch {
  std::uint64_t nextExpiryMs = platform::WakeSchedule::kNever;  // the next watched countdown runs out
  bool ranOut = false;                                          // a watched countdown stands at 0
};
// The countdowns the guard step watches, as of the clock's last catch-up.
CountdownWatch WatchCountdowns(Interface& iface);
void GuardStep(Interface& iface, std::uint8_t node);
// Sends the cyclic PDOs that are due; returns when the next one is.
std::uint64_t ServicePdos(Interface& iface);

// The node's default SDO channel (0x600 + node, 0x580 + node), entered in the
// receive list; null when it could not be created.
std::shared_ptr<SdoChannel> CreateSdoChannel(Interface& iface, std::uint8_t node);

}  // namespace cocn
