// VRK_COCN: process data objects. Single frames on the predefined
// identifiers, and PDOs registered per node whose data are refreshed on
// reception, sent cyclically or requested cyclically by remote frame.
#include <algorithm>
#include <cstdio>

#include "canopen/cocn.h"
#include "platform/lasterror.h"
#include "platform/sync.h"

namespace cocn {
namespace {

constexpr std::uint8_t kKindListMask = 0xF0;
constexpr std::uint8_t kTransmitList = 0x10;  // PDOs the node sends
constexpr std::uint8_t kReceiveList = 0x20;   // PDOs the master sends
constexpr std::uint8_t kRequestedCyclically = 0x12;
constexpr std::uint8_t kSentCyclically = 0x23;
constexpr std::uint16_t kMaxPredefinedPdo = 3;
constexpr std::uint32_t kPdoReadWaitMs = 1000;
constexpr std::uint32_t kUnreadableIdentifier = 0x08000000;
constexpr std::uint8_t kMaxMappedObjects = 64;

bool AcceptedKind(std::uint8_t kind) {
  return kind == 0x10 || kind == 0x12 || kind == 0x13 || kind == 0x20 || kind == 0x22 || kind == 0x23;
}

std::vector<std::shared_ptr<PdoEntry>>* ListOf(CopnNode& node, std::uint8_t kind) {
  switch (kind & kKindListMask) {
    case kTransmitList: return &node.Tpdos;
    case kReceiveList: return &node.Rpdos;
    default: return nullptr;
  }
}

std::shared_ptr<PdoEntry> FindEntry(CopnNode& node, std::uint8_t kind, std::uint16_t n) {
  const auto* list = ListOf(node, kind);
  if (list == nullptr) return nullptr;
  const auto found = std::find_if(list->begin(), list->end(), [n](const auto& entry) { return entry->Number == n; });
  return found == list->end() ? nullptr : *found;
}

// The entry of a COP_PDO_ call with the interface it belongs to, under no
// lock; null when there is none.
std::shared_ptr<PdoEntry> EntryFor(std::int32_t handle, std::uint8_t node, std::uint8_t kind, std::uint16_t n,
                                   Interface** found) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return nullptr;
  const std::shared_ptr<CopnNode> record = FindNode(*iface, node);
  if (!record) return nullptr;
  *found = iface;
  Lock lock(iface->Mutex);
  return FindEntry(*record, kind, n);
}

// A node id check that sets the library's code, for the PDO_ calls.
bool CheckNode(std::uint8_t node) {
  if (ValidNodeId(node)) return true;
  platform::SetLastError(kCopnErrorNodeId);
  return false;
}

std::uint32_t ReadOr(std::int32_t handle, std::uint8_t node, std::uint16_t index, std::uint8_t sub,
                     std::uint32_t fallback, bool* ok = nullptr) {
  std::uint32_t value = 0;
  const bool read = SDO_Upload_UNSIGNED32(handle, node, index, sub, &value) != 0;
  if (ok != nullptr) *ok = read;
  return read ? value : fallback;
}

struct PdoParameters {
  std::uint32_t identifier = 0;
  std::uint8_t length = 0;
  bool lastMappingRead = false;
};

// Reads the communication and mapping parameters; false when the node does
// not answer for the communication object.
bool ReadParameters(std::int32_t handle, std::uint8_t node, std::uint16_t communication, std::uint16_t mapping,
                    PdoParameters* out) {
  std::uint8_t entries = 0;
  if (SDO_Upload_UNSIGNED8(handle, node, communication, 0, &entries) == 0) return false;
  out->identifier = entries >= 1 ? ReadOr(handle, node, communication, 1, kUnreadableIdentifier) : 0;
  std::uint8_t compatibility = 0;
  for (std::uint8_t sub = 2; sub <= std::min<std::uint8_t>(entries, 5); ++sub) {
    std::uint8_t byteValue = 0;
    std::uint16_t wordValue = 0;
    const bool word = sub == 3 || sub == 5;
    const bool read = word ? SDO_Upload_UNSIGNED16(handle, node, communication, sub, &wordValue) != 0
                           : SDO_Upload_UNSIGNED8(handle, node, communication, sub, &byteValue) != 0;
    if (sub == 4 && read) compatibility = byteValue;
  }
  std::uint8_t mapped = 0;
  out->lastMappingRead = SDO_Upload_UNSIGNED8(handle, node, mapping, 0, &mapped) != 0;
  if (mapped > kMaxMappedObjects) {
    out->length = mapped >= 254 ? 8 : compatibility;
  } else {
    // Every mapped object is read and summed as it comes: nothing is kept per
    // object, so no count the node reports can overrun anything. A PDO
    // carries at most 8 bytes.
    unsigned bytes = 0;
    for (std::uint8_t sub = 1; sub <= mapped; ++sub) {
      bytes += (ReadOr(handle, node, mapping, sub, 0, &out->lastMappingRead) >> 3) & 0x1F;
    }
    out->length = static_cast<std::uint8_t>(std::min(bytes, 8u));
  }
  out->length = std::min<std::uint8_t>(out->length, 8);
  return true;
}

}  // namespace

void OnPdo(PdoEntry& entry, const CanMessage& frame) {
  if ((frame.Flags & kCanFlagRemote) != 0 || frame.Length != entry.Length) return;
  std::copy_n(frame.Data, entry.Length, entry.Data.begin());
  entry.StampHigh = frame.TimeStampHigh;
  entry.StampLow = frame.TimeStampLow;
  ++entry.Count;
  platform::SetEvent(entry.Event);
}

std::uint64_t ServicePdos(Interface& iface) {
  Lock lock(iface.Mutex);
  CatchUpClock(iface);
  const std::uint32_t elapsed = iface.MillisecondCounter;
  iface.MillisecondCounter = 0;
  // A PDO not sent (or of period 0) is tried again at the next millisecond.
  std::uint32_t soonest = UINT32_MAX;
  const auto serve = [&iface, elapsed, &soonest](PdoEntry& entry) {
    entry.Remaining = static_cast<std::uint16_t>(entry.Remaining > elapsed ? entry.Remaining - elapsed : 0);
    if (entry.Remaining == 0) {
      const bool sent = entry.Kind == kSentCyclically
                            ? SendFrame(iface, entry.Identifier, {entry.Data.data(), entry.Length})
                            : SendRemoteFrame(iface, entry.Identifier);
      if (sent) entry.Remaining = entry.Period;
    }
    soonest = std::min<std::uint32_t>(soonest, std::max<std::uint16_t>(entry.Remaining, 1));
  };
  for (const auto& node : iface.Nodes) {
    if (!node) continue;
    for (const auto& entry : node->Rpdos) {
      if (entry->Kind == kSentCyclically) serve(*entry);
    }
    for (const auto& entry : node->Tpdos) {
      if (entry->Kind == kRequestedCyclically) serve(*entry);
    }
  }
  return soonest == UINT32_MAX ? platform::WakeSchedule::kNever : platform::WakeSchedule::NowMs() + soonest;
}

}  // namespace cocn

using namespace cocn;

extern "C" {

int PDO_Write(std::int32_t handle, std::uint8_t node, std::uint16_t n, std::uint8_t len, const std::uint8_t* data) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr || !CheckNode(node) || n > kMaxPredefinedPdo || len > 8) return 0;
  return SendFrame(*iface, 0x200u + 0x100u * n + node, {data, len}) ? 1 : 0;
}

int PDO_Read(std::int32_t handle, std::uint8_t node, std::uint16_t n, std::uint8_t* len, std::uint8_t* data) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr || !CheckNode(node)) return 0;
  const std::shared_ptr<PdoEntry> entry = EntryFor(handle, node, kTransmitList, n, &iface);
  if (!entry) return 0;
  platform::ResetEvent(entry->Event);
  if (!SendRemoteFrame(*iface, 0x180u + 0x100u * n + node)) return 0;
  if (platform::WaitForSingleObject(entry->Event, kPdoReadWaitMs) != platform::kWaitObject0) return 0;
  Lock lock(iface->Mutex);
  *len = entry->Length;
  std::copy_n(entry->Data.begin(), entry->Length, data);
  return 1;
}

int AddPDO(std::int32_t handle, std::uint8_t node, std::uint8_t kind, std::uint16_t n, std::uint16_t periodMs) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr || !CheckNode(node) || !AcceptedKind(kind)) return 0;
  const std::shared_ptr<CopnNode> record = FindNode(*iface, node);
  if (!record) return 0;
  {
    Lock lock(iface->Mutex);
    if (FindEntry(*record, kind, n)) return 1;
  }
  const bool transmit = (kind & kKindListMask) == kTransmitList;
  PdoParameters parameters;
  if (!ReadParameters(handle, node, static_cast<std::uint16_t>((transmit ? 0x1800 : 0x1400) + n),
                      static_cast<std::uint16_t>((transmit ? 0x1A00 : 0x1600) + n), &parameters)) {
    return 0;
  }
  auto entry = std::make_shared<PdoEntry>();
  entry->Number = n;
  entry->Kind = kind;
  entry->Period = periodMs;
  entry->Identifier = parameters.identifier & 0x7FF;
  entry->Length = parameters.length;
  char name[96];
  std::snprintf(name, sizeof name, "COP_PDO_Event Interface%ld Node%hd Sdo%d", static_cast<long>(handle),
                static_cast<short>(node), n);
  entry->Event = platform::CreateEvent(true, true, name);
  Lock lock(iface->Mutex);
  if (FindEntry(*record, kind, n)) return 1;  // another caller was quicker
  if (transmit) {
    if (!EnterReceive(*iface, entry->Identifier, ReceiveEntry{ReceiveKind::kPdo, node, nullptr, entry})) return 0;
    record->Tpdos.push_back(entry);
  } else {
    if (!parameters.lastMappingRead) return 0;
    record->Rpdos.push_back(entry);
  }
  iface->WorkerSchedule.Wake();  // a cyclic one is due at once
  return 1;
}

int COP_PDO_Write_Data(std::int32_t handle, std::uint8_t node, std::uint8_t kind, std::uint16_t n, std::uint8_t len,
                       const std::uint8_t* data) {
  Interface* iface = nullptr;
  const std::shared_ptr<PdoEntry> entry = EntryFor(handle, node, kind, n, &iface);
  if (!entry) return 0;
  Lock lock(iface->Mutex);
  if (len != entry->Length) return 0;
  std::copy_n(data, len, entry->Data.begin());
  return 1;
}

int COP_PDO_Read_Data_wTime(std::int32_t handle, std::uint8_t node, std::uint8_t kind, std::uint16_t n,
                            std::uint8_t* len, std::uint8_t* data, std::uint32_t* stampA, std::uint32_t* stampB) {
  Interface* iface = nullptr;
  const std::shared_ptr<PdoEntry> entry = EntryFor(handle, node, kind, n, &iface);
  if (!entry) return 0;
  Lock lock(iface->Mutex);
  *len = entry->Length;
  std::copy_n(entry->Data.begin(), entry->Length, data);
  if (stampA != nullptr) *stampA = entry->StampHigh;
  if (stampB != nullptr) *stampB = entry->StampLow;
  return 1;
}

int COP_PDO_Read_Data(std::int32_t handle, std::uint8_t node, std::uint8_t kind, std::uint16_t n, std::uint8_t* len,
                      std::uint8_t* data) {
  return COP_PDO_Read_Data_wTime(handle, node, kind, n, len, data, nullptr, nullptr);
}

int PDO_Read_Receive_Count(std::int32_t handle, std::uint8_t node, std::uint16_t n, std::uint32_t* count) {
  if (FindInterface(handle) == nullptr || !CheckNode(node)) return 0;
  Interface* iface = nullptr;
  const std::shared_ptr<PdoEntry> entry = EntryFor(handle, node, kTransmitList, n, &iface);
  if (!entry) return 0;
  Lock lock(iface->Mutex);
  *count = entry->Count;
  return 1;
}

int COP_PDO_Get_Event(std::int32_t handle, std::uint8_t node, std::uint8_t kind, std::uint16_t n, void*) {
  Interface* iface = nullptr;
  return EntryFor(handle, node, kind, n, &iface) ? 1 : 0;
}

int PDO_ReadTable(std::int32_t, std::uint8_t, std::uint16_t, std::uint8_t*, std::uint8_t*) { return 0; }

}  // extern "C"
