// VRK_COCN: NMT commands, node guarding and heartbeat consumption, boot-up
// detection, the emergency queue, SYNC and TIME.
#include <algorithm>
#include <functional>

#include "canopen/cocn.h"
#include "platform/iochannel.h"
#include "platform/lasterror.h"
#include "platform/sync.h"

namespace cocn {
namespace {

constexpr std::uint32_t kNmtIdentifier = 0x000;
constexpr std::uint32_t kSyncIdentifier = 0x080;
constexpr std::uint32_t kTimeIdentifier = 0x100;
constexpr std::uint32_t kErrorControlBase = 0x700;
constexpr std::uint8_t kToggleBit = 0x80;
constexpr std::uint16_t kHeartbeatProducerTime = 0x1017;
constexpr std::uint16_t kDeviceType = 0x1000;

enum NmtCommand : std::uint8_t {
  kStart = 0x01,
  kStop = 0x02,
  kEnterPreOperational = 0x80,
  kResetNode = 0x81,
  kResetCommunication = 0x82,
};

std::uint16_t LifeTime(const CopnNode& node) { return static_cast<std::uint16_t>(2 * node.GuardTime); }

// Runs fn for the node's record, or for every record when node is 0.
void ForEachNode(Interface& iface, std::uint8_t node, const std::function<void(CopnNode&)>& fn) {
  Lock lock(iface.Mutex);
  for (std::uint8_t id = node == 0 ? 1 : node; id <= (node == 0 ? kMaxNodeId : node); ++id) {
    if (iface.Nodes[id]) fn(*iface.Nodes[id]);
  }
}

int SendNmt(std::int32_t handle, std::uint8_t command, std::uint8_t node) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  if (node > kMaxNodeId) {
    platform::SetLastError(kCopnErrorNodeId);
    return 0;
  }
  if (command == kResetNode || command == kResetCommunication) {
    CatchUpClock(*iface);
    ForEachNode(*iface, node, [iface](CopnNode& record) {
      record.Alive = 0;
      record.Waiting = 0;
      record.LifeCountdown = LifeTime(record);
      CountdownsChanged(*iface, record);
    });
  }
  const std::uint8_t data[] = {command, node};
  return SendFrame(*iface, kNmtIdentifier, data) ? 1 : 0;
}

// The node's record for a call that needs one, with the checks every such
// call makes; null when the call ends here.
std::shared_ptr<CopnNode> NodeFor(std::int32_t handle, std::uint8_t node, Interface** found = nullptr) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return nullptr;
  if (!ValidNodeId(node)) {
    platform::SetLastError(kCopnErrorNodeId);
    return nullptr;
  }
  if (found != nullptr) *found = iface;
  return FindNode(*iface, node);
}

}  // namespace

void OnErrorControl(Interface& iface, std::uint8_t node, const CanMessage& frame) {
  if ((frame.Flags & kCanFlagRemote) != 0 || frame.Length < 1) return;
  const std::shared_ptr<CopnNode>& record = iface.Nodes[node];
  if (!record) return;
  const std::uint8_t raw = frame.Data[0];
  CatchUpClock(iface);
  if (raw == 0) record->BootUpDetected = 1;
  record->Alive = 1;
  // The guarding toggle is not part of the state.
  record->NmtState = raw & static_cast<std::uint8_t>(~kToggleBit);
  if ((record->GuardMode & kCopnGuardRemoteFrames) != 0) {
    record->Waiting = 0;
  } else if (record->GuardMode != 0) {
    // Every heartbeat re-arms the supervision, also after a loss.
    record->LifeCountdown = LifeTime(*record);
    record->Waiting = 1;
  }
  CountdownsChanged(iface, *record);
  record->GuardAnswer = raw;
  platform::SetEvent(record->GuardAnswerEvent);
}

void OnEmergency(Interface& iface, std::uint8_t node, const CanMessage& frame) {
  // Bytes a short frame did not carry are kept as 0.
  std::array<std::uint8_t, 8> data{};
  std::copy_n(frame.Data, std::min<std::size_t>(frame.Length, data.size()), data.begin());
  EmcyEntry entry;
  entry.Node = node;
  entry.Code = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
  std::copy(data.begin() + 2, data.end(), entry.Data.begin());
  if (iface.EmcyCount == kEmcyRingSize) {
    iface.EmcyHead = static_cast<std::uint8_t>((iface.EmcyHead + 1) % kEmcyRingSize);
  } else {
    ++iface.EmcyCount;
  }
  iface.EmcyRing[(iface.EmcyHead + iface.EmcyCount - 1) % kEmcyRingSize] = entry;
}

void GuardStep(Interface& iface, std::uint8_t node) {
  Lock lock(iface.Mutex);
  const std::shared_ptr<CopnNode>& record = iface.Nodes[node];
  if (!record || record->GuardMode == 0) return;
  CatchUpClock(iface);
  if (record->Waiting != 0) {
    if (record->LifeCountdown == 0) {
      record->Alive = 0;
      record->NmtState = kStateUnknown;
      record->Waiting = 0;
    }
    return;
  }
  if ((record->GuardMode & kCopnGuardRemoteFrames) == 0 || record->GuardCountdown != 0) return;
  record->GuardCountdown = record->GuardTime;
  // A request the interface refused was never asked: no answer is awaited,
  // and the node is not taken for lost for want of one. (A card that sends
  // data frames only refuses every one.) The next is due a guard time later.
  if (SendRemoteFrame(iface, kErrorControlBase + node)) {
    record->LifeCountdown = LifeTime(*record);
    record->Waiting = 1;
  }
  CountdownsChanged(iface, *record);
}

}  // namespace cocn

using namespace cocn;

extern "C" {

int NMT_StartRemoteNode(std::int32_t iface, std::uint8_t node) { return SendNmt(iface, kStart, node); }
int NMT_StopRemoteNode(std::int32_t iface, std::uint8_t node) { return SendNmt(iface, kStop, node); }
int NMT_EnterPreOperational(std::int32_t iface, std::uint8_t node) {
  return SendNmt(iface, kEnterPreOperational, node);
}
int NMT_ResetNode(std::int32_t iface, std::uint8_t node) { return SendNmt(iface, kResetNode, node); }
int NMT_ResetCommunication(std::int32_t iface, std::uint8_t node) {
  return SendNmt(iface, kResetCommunication, node);
}

int Sync(std::int32_t handle) {
  Interface* iface = FindInterface(handle);
  return iface != nullptr && SendFrame(*iface, kSyncIdentifier, {}) ? 1 : 0;
}

int TimeStamp(std::int32_t handle, const std::uint8_t* time) {
  Interface* iface = FindInterface(handle);
  return iface != nullptr && SendFrame(*iface, kTimeIdentifier, {time, 6}) ? 1 : 0;
}

int NodeOnline(std::int32_t iface, std::uint8_t node) {
  std::uint8_t value[4];
  std::uint32_t length = sizeof value;
  return SDO_Upload(iface, node, kDeviceType, 0, &length, value);
}

int NMT_NodeGuard(std::int32_t handle, std::uint8_t node, std::uint8_t* state) {
  Interface* iface = nullptr;
  const std::shared_ptr<CopnNode> record = NodeFor(handle, node, &iface);
  if (!record) return 0;
  // The receive thread hands the answer over through the node's event, so
  // the answer cannot be taken by anyone else.
  platform::ResetEvent(record->GuardAnswerEvent);
  SendRemoteFrame(*iface, kErrorControlBase + node);
  if (platform::WaitForSingleObject(record->GuardAnswerEvent, iface->SdoTimeout) != platform::kWaitObject0) {
    platform::SetLastError(kCopnErrorGuardTimeout);
    return 0;
  }
  Lock lock(iface->Mutex);
  *state = record->GuardAnswer;
  return 1;
}

int NMT_StartGuarding(std::int32_t handle, std::uint8_t node, std::uint8_t mode, std::uint16_t timeMs) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  if (node > kMaxNodeId) {
    platform::SetLastError(kCopnErrorNodeId);
    return 0;
  }
  for (std::uint8_t id = node == 0 ? 1 : node; id <= (node == 0 ? kMaxNodeId : node); ++id) {
    if (!FindNode(*iface, id)) continue;
    // Whether a node produces heartbeats is its own affair: a node that takes
    // the heartbeat time is watched by heartbeat, one that refuses it by
    // remote frames (when asked for), whatever the other nodes did.
    std::uint8_t nodeMode = mode;
    if ((mode & kCopnGuardHeartbeat) != 0 &&
        SDO_Download_UNSIGNED16(handle, id, kHeartbeatProducerTime, 0, timeMs) != 0) {
      nodeMode &= static_cast<std::uint8_t>(~kCopnGuardRemoteFrames);
    }
    Lock lock(iface->Mutex);
    const std::shared_ptr<CopnNode>& record = iface->Nodes[id];
    if (!record) continue;
    CatchUpClock(*iface);
    record->GuardMode = nodeMode;
    record->GuardTime = timeMs;
    record->GuardCountdown = timeMs;
    record->LifeCountdown = LifeTime(*record);
    record->Waiting = (nodeMode & kCopnGuardRemoteFrames) == 0 ? 1 : 0;
    CountdownsChanged(*iface, *record);
  }
  return 1;
}

int NMT_StopGuarding(std::int32_t handle, std::uint8_t node) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  if (node > kMaxNodeId) {
    platform::SetLastError(kCopnErrorNodeId);
    return 0;
  }
  ForEachNode(*iface, node, [](CopnNode& record) { record.GuardMode = 0; });
  return 1;
}

int GetNodeBootUpDetected(std::int32_t handle, std::uint8_t node, std::int32_t* detected) {
  Interface* iface = nullptr;
  const std::shared_ptr<CopnNode> record = NodeFor(handle, node, &iface);
  if (iface == nullptr) return 0;
  Lock lock(iface->Mutex);
  *detected = record ? record->BootUpDetected : 0;
  return 1;
}

int ClearNodeBootUpDetected(std::int32_t handle, std::uint8_t node) {
  Interface* iface = nullptr;
  const std::shared_ptr<CopnNode> record = NodeFor(handle, node, &iface);
  if (iface == nullptr) return 0;
  Lock lock(iface->Mutex);
  if (record) record->BootUpDetected = 0;
  return 1;
}

int GetNodeState(std::int32_t handle, std::uint8_t node, std::uint8_t* state) {
  Interface* iface = nullptr;
  const std::shared_ptr<CopnNode> record = NodeFor(handle, node, &iface);
  if (iface == nullptr) return 0;
  Lock lock(iface->Mutex);
  *state = record ? record->NmtState : kStateUnknown;
  return record ? 1 : 0;
}

int GetNodeOnline(std::int32_t handle, std::uint8_t node, std::int32_t* alive) {
  Interface* iface = nullptr;
  const std::shared_ptr<CopnNode> record = NodeFor(handle, node, &iface);
  if (iface == nullptr) return 0;
  // Fails once the interface has vanished, which is how a caller that polls
  // the nodes learns of it.
  if (iface->InterfaceGone) {
    platform::SetLastError(platform::kErrorDeviceNotConnected);
    return 0;
  }
  Lock lock(iface->Mutex);
  *alive = record ? record->Alive : 0;
  return 1;
}

int CheckEmergency(std::int32_t handle, std::uint8_t* node, EmcyRecord* record) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  Lock lock(iface->Mutex);
  if (iface->EmcyCount == 0) return 0;
  const EmcyEntry& entry = iface->EmcyRing[iface->EmcyHead];
  *node = entry.Node;
  record->ErrorCode = entry.Code;
  std::copy(entry.Data.begin(), entry.Data.end(), record->Data);
  --iface->EmcyCount;
  iface->EmcyHead = static_cast<std::uint8_t>((iface->EmcyHead + 1) % kEmcyRingSize);
  return 1;
}

}  // extern "C"
