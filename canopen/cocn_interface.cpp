// VRK_COCN: interface and node records, opening and closing, the four threads
// of an interface and the dispatch of received frames.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "can/client/canaccessclient.h"
#include "canopen/cocn.h"
#include "platform/clock.h"
#include "platform/iochannel.h"
#include "platform/lasterror.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "platform/timer.h"

namespace cocn {
namespace {

constexpr std::size_t kThreadStackSize = 4096;
constexpr std::int32_t kVersionMajor = 1;
constexpr std::int32_t kVersionMinor = 5;
// The timer, worker and guarding threads are woken for their work and at
// their due times; each also looks this often on its own, should a wake-up
// ever go amiss.
constexpr std::uint32_t kLookAtLeastEveryMs = 1000;
// A guarding pass paces its remote frames: it rests this long after every
// fifth node id while guarded nodes above it remain.
constexpr std::uint32_t kGuardPacingMs = 10;
constexpr std::uint8_t kGuardPacingGroup = 5;
// A guard step that found work it could not finish at once (a remote frame
// to send again after a loss) is taken up again after the time a pass over
// every node id takes.
constexpr std::uint32_t kGuardRepeatMs = (kMaxNodeId / kGuardPacingGroup) * kGuardPacingMs + 1;

std::array<Interface, kInterfaceCount> interfaces;
std::mutex tableMutex;  // taking and freeing records

// Performance-counter ticks per millisecond, read once.
const double ticksPerMillisecond = [] {
  std::int64_t frequency = 0;
  platform::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(frequency) * 0.001;
}();

std::string Named(const char* format, long value) {
  char name[64];
  std::snprintf(name, sizeof name, format, value);
  return name;
}

void CloseIfOpen(platform::Handle& handle) {
  if (handle != platform::kNullHandle) platform::CloseHandle(handle);
  handle = platform::kNullHandle;
}

// Runs pass over and over until the thread's stop request is set.
void StartThread(ThreadControl& control, std::function<void()> pass, int priority) {
  if (control.Thread != platform::kNullHandle) return;
  control.StopRequest = 0;
  control.Thread = platform::CreateThread(
      [&control, pass = std::move(pass)] {
        control.Running = 1;
        while (control.StopRequest == 0) pass();
        control.Running = 0;
        return 0u;
      },
      false, nullptr, kThreadStackSize);
  platform::SetThreadPriority(control.Thread, priority);
}

void Dispatch(Interface& iface, const CanMessage& frame) {
  Lock lock(iface.Mutex);
  const auto found = iface.ReceiveList.find(frame.Id);
  if (found == iface.ReceiveList.end()) return;
  const ReceiveEntry& entry = found->second;
  switch (entry.Kind) {
    case ReceiveKind::kSdoResponse: OnSdoResponse(iface, *entry.Sdo, frame); break;
    case ReceiveKind::kPdo: OnPdo(*entry.Pdo, frame); break;
    case ReceiveKind::kErrorControl: OnErrorControl(iface, entry.Node, frame); break;
    case ReceiveKind::kEmergency: OnEmergency(iface, entry.Node, frame); break;
  }
}

void ReceivePass(Interface& iface) {
  platform::WaitForSingleObject(iface.ReceiveEvent, platform::kInfinite);
  platform::ResetEvent(iface.ReceiveEvent);
  CanMessage frame{};
  for (;;) {
    if (iface.Receive.StopRequest != 0) return;
    platform::SetLastError(platform::kErrorSuccess);
    if (canclient::CAN_Read_Buffered(iface.CanHandle, &frame) == 0) break;
    Dispatch(iface, frame);
  }
  if (platform::GetLastError() == platform::kErrorDeviceNotConnected) iface.InterfaceGone = true;
}

// The 1 ms timer: brings the countdowns up to date when the next one runs
// out, which wakes the guarding thread, and sleeps until then.
void TimerPass(Interface& iface) {
  std::uint64_t due;
  {
    Lock lock(iface.Mutex);
    CatchUpClock(iface);
    due = WatchCountdowns(iface).nextExpiryMs;
  }
  iface.TimerSchedule.SleepUntil(due, kLookAtLeastEveryMs);
}

std::uint8_t HighestGuardedNode(Interface& iface) {
  Lock lock(iface.Mutex);
  for (std::uint8_t node = kMaxNodeId; node >= 1; --node) {
    if (iface.Nodes[node] && iface.Nodes[node]->GuardMode != 0) return node;
  }
  return 0;
}

// One guard step for every guarded node, woken by a countdown that ran out
// or by the look it takes on its own.
void GuardingPass(Interface& iface) {
  const std::uint8_t highest = HighestGuardedNode(iface);
  for (std::uint8_t node = 1; node <= highest && iface.Guarding.StopRequest == 0; ++node) {
    GuardStep(iface, node);
    if (node % kGuardPacingGroup == 0 && node < highest) platform::Sleep(kGuardPacingMs);
  }
  const std::uint64_t due =
      WatchCountdowns(iface).ranOut ? platform::WakeSchedule::NowMs() + kGuardRepeatMs : platform::WakeSchedule::kNever;
  iface.GuardingSchedule.SleepUntil(due, kLookAtLeastEveryMs);
}

void WorkerPass(Interface& iface) { iface.WorkerSchedule.SleepUntil(ServicePdos(iface), kLookAtLeastEveryMs); }

void StartThreads(Interface& iface) {
  {
    Lock lock(iface.Mutex);
    platform::QueryPerformanceCounter(&iface.ClockStamp);
    iface.ClockPending = 0;
  }
  StartThread(iface.Worker, [&iface] { WorkerPass(iface); }, platform::kThreadPriorityTimeCritical);
  StartThread(iface.Receive, [&iface] { ReceivePass(iface); }, platform::kThreadPriorityTimeCritical);
  StartThread(iface.Timer, [&iface] { TimerPass(iface); }, platform::kThreadPriorityTimeCritical);
  StartThread(iface.Guarding, [&iface] { GuardingPass(iface); }, platform::kThreadPriorityNormal);
}

void StopThreads(Interface& iface) {
  ThreadControl* controls[] = {&iface.Timer, &iface.Worker, &iface.Guarding, &iface.Receive};
  for (ThreadControl* control : controls) control->StopRequest = 1;
  platform::SetEvent(iface.ReceiveEvent);
  for (platform::WakeSchedule* schedule : {&iface.TimerSchedule, &iface.WorkerSchedule, &iface.GuardingSchedule}) {
    schedule->Wake();
  }
  for (ThreadControl* control : controls) {
    if (control->Thread == platform::kNullHandle) continue;
    platform::WaitForSingleObject(control->Thread, platform::kInfinite);
    CloseIfOpen(control->Thread);
  }
}

// Gives the record back: frees its nodes and receive list, closes its event.
void FreeRecord(Interface& iface) {
  {
    Lock lock(iface.Mutex);
    for (auto& node : iface.Nodes) node.reset();
    iface.ReceiveList.clear();
    iface.EmcyHead = iface.EmcyCount = 0;
  }
  CloseIfOpen(iface.ReceiveEvent);
  iface.Open = iface.Online = 0;
  iface.Type = 0;
  iface.Handle = iface.CanHandle = -1;
  iface.InUse = 0;
}

// Steps of opening after the card is open; false leaves it to the caller to
// undo them.
bool PrepareCard(Interface& iface) {
  if (canclient::SetBufferedMode(iface.CanHandle, 1) == 0) return false;
  iface.ReceiveEvent =
      platform::CreateEvent(true, true, Named("COCN_CANReceiveEventCard%ld", iface.CanHandle).c_str());
  if (iface.ReceiveEvent == platform::kNullHandle) return false;
  return canclient::CAN_RegisterBufferedReceiveEvent(iface.CanHandle, iface.ReceiveEvent, 1) != 0;
}

}  // namespace

Interface* FindInterface(std::int32_t handle) {
  if (handle == -1) return nullptr;  // also the handle of a record still opening
  for (Interface& iface : interfaces) {
    if (iface.InUse != 0 && iface.Handle == handle) return &iface;
  }
  return nullptr;
}

bool ValidNodeId(std::uint8_t node) { return node >= 1 && node <= kMaxNodeId; }

std::shared_ptr<CopnNode> FindNode(Interface& iface, std::uint8_t node) {
  if (!ValidNodeId(node)) return nullptr;
  Lock lock(iface.Mutex);
  return iface.Nodes[node];
}

bool EnterReceive(Interface& iface, std::uint32_t identifier, ReceiveEntry entry) {
  Lock lock(iface.Mutex);
  if (iface.ReceiveList.count(identifier) != 0) return false;
  if (canclient::CAN_AddFilter(iface.CanHandle, identifier) == 0) return false;
  iface.ReceiveList.emplace(identifier, std::move(entry));
  return true;
}

void LeaveReceive(Interface& iface, std::uint32_t identifier) {
  Lock lock(iface.Mutex);
  if (iface.ReceiveList.erase(identifier) != 0) canclient::CAN_RemoveFilter(iface.CanHandle, identifier);
}

bool SendFrame(Interface& iface, std::uint32_t identifier, std::span<const std::uint8_t> data) {
  CanMessage frame{};
  frame.Id = identifier;
  frame.Length = static_cast<std::uint8_t>(data.size());
  std::copy(data.begin(), data.end(), frame.Data);
  return canclient::CAN_Write_Buffered(iface.CanHandle, &frame) != 0;
}

bool SendRemoteFrame(Interface& iface, std::uint32_t identifier) {
  CanMessage frame{};
  frame.Id = identifier;
  frame.Flags = kCanFlagRemote;
  return canclient::CAN_Write_Buffered(iface.CanHandle, &frame) != 0;
}

namespace {

// The countdown the guard step waits on: the life time while an answer or a
// heartbeat is awaited, else the guard time of remote-frame guarding.
const std::uint16_t* WatchedCountdown(const CopnNode& node) {
  if (node.GuardMode == 0) return nullptr;
  if (node.Waiting != 0) return &node.LifeCountdown;
  if ((node.GuardMode & kCopnGuardRemoteFrames) != 0) return &node.GuardCountdown;
  return nullptr;
}

std::uint16_t CountDown(std::uint16_t value, std::uint32_t ms) {
  return static_cast<std::uint16_t>(value > ms ? value - ms : 0);
}

// ms whole milliseconds of the millisecond tick at once.
void MillisecondTicks(Interface& iface, std::uint32_t ms) {
  iface.MillisecondCounter += ms;
  bool ranOut = false;
  for (const auto& node : iface.Nodes) {
    if (!node || node->GuardMode == 0) continue;
    const std::uint16_t* watched = WatchedCountdown(*node);
    const bool running = watched != nullptr && *watched > 0;
    node->GuardCountdown = CountDown(node->GuardCountdown, ms);
    node->LifeCountdown = CountDown(node->LifeCountdown, ms);
    ranOut = ranOut || (running && *watched == 0);
  }
  if (ranOut) iface.GuardingSchedule.Wake();
}

}  // namespace

void CatchUpClock(Interface& iface) {
  Lock lock(iface.Mutex);
  std::int64_t now = 0;
  platform::QueryPerformanceCounter(&now);
  iface.ClockPending += static_cast<double>(now - iface.ClockStamp) / ticksPerMillisecond;
  iface.ClockStamp = now;
  if (iface.ClockPending < 1.0) return;
  const auto whole = static_cast<std::uint32_t>(iface.ClockPending);
  iface.ClockPending -= whole;
  MillisecondTicks(iface, whole);
}

void CountdownsChanged(Interface& iface, const CopnNode& node) {
  if (const std::uint16_t* watched = WatchedCountdown(node)) {
    iface.TimerSchedule.Due(platform::WakeSchedule::NowMs() + *watched);
  }
}

CountdownWatch WatchCountdowns(Interface& iface) {
  Lock lock(iface.Mutex);
  CountdownWatch watch;
  std::uint16_t soonest = 0;
  for (const auto& node : iface.Nodes) {
    const std::uint16_t* watched = node ? WatchedCountdown(*node) : nullptr;
    if (watched == nullptr) continue;
    if (*watched == 0) {
      watch.ranOut = true;
    } else if (soonest == 0 || *watched < soonest) {
      soonest = *watched;
    }
  }
  if (soonest != 0) watch.nextExpiryMs = platform::WakeSchedule::NowMs() + soonest;
  return watch;
}

CopnNode::~CopnNode() {
  if (GuardAnswerEvent != platform::kNullHandle) platform::CloseHandle(GuardAnswerEvent);
}

PdoEntry::~PdoEntry() {
  if (Event != platform::kNullHandle) platform::CloseHandle(Event);
}

}  // namespace cocn

using namespace cocn;

extern "C" {

int LoadDriver() {
  canclient::BindCanAccess(canclient::Flavour::kCanopen);
  return 1;
}

int UnloadDriver() { return 1; }

int OpenInterface(std::int32_t* handle, InterfaceConfiguration* cfg) {
  *handle = -1;
  Interface* iface = nullptr;
  {
    std::lock_guard lock(tableMutex);
    for (Interface& candidate : interfaces) {
      if (candidate.InUse == 0) {
        iface = &candidate;
        iface->InUse = 1;  // reserved while the card opens
        break;
      }
    }
  }
  if (iface == nullptr) return 0;
  std::int32_t card = -1;
  if (canclient::OpenInterface(&card, cfg) == 0) {
    iface->InUse = 0;
    return 0;
  }
  iface->Type = cfg->InterfaceType;
  iface->Handle = iface->CanHandle = card;
  iface->InterfaceGone = false;
  if (!PrepareCard(*iface)) {
    // The card and the record go back, so a failed open leaves nothing taken.
    const std::uint32_t error = platform::GetLastError();
    canclient::CloseCard(card);
    FreeRecord(*iface);
    platform::SetLastError(error);
    return 0;
  }
  iface->Open = 1;
  *handle = card;
  StartThreads(*iface);
  return 1;
}

int OpenCard(std::int32_t* handle, std::int32_t type, InterfaceConfiguration* cfg) {
  InterfaceConfiguration record = OpenCardRecord(type, *cfg);
  return OpenInterface(handle, &record);
}

int CloseInterface(std::int32_t handle) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  NMT_StopGuarding(handle, 0);
  SetOnline(handle, 0);
  StopThreads(*iface);
  canclient::CloseCard(iface->CanHandle);
  FreeRecord(*iface);
  return 1;
}

int CloseCard(std::int32_t handle) { return CloseInterface(handle); }

int SetBaud(std::int32_t handle, std::int32_t bitRate) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr || canclient::CAN_SetBaud(iface->CanHandle, static_cast<std::uint32_t>(bitRate)) == 0) {
    return 0;
  }
  iface->BitRate = bitRate;
  return 1;
}

int GetBaud(std::int32_t handle, std::int32_t* bitRate) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  return canclient::CAN_GetBaud(iface->CanHandle, reinterpret_cast<std::uint32_t*>(bitRate));
}

int SetNodeID(std::int32_t handle, std::uint8_t id) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr || id > kMaxNodeId) return 0;
  iface->OwnNodeId = id;
  return 1;
}

int GetNodeID(std::int32_t handle, std::uint8_t* id) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  *id = iface->OwnNodeId;
  return 1;
}

int SetOnline(std::int32_t handle, std::int32_t on) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  const std::int32_t wanted = on == 1 ? 1 : 0;
  if (wanted == iface->Online) return 1;
  if (wanted == 1) {
    if (canclient::CAN_SetOnline(iface->CanHandle, 1) == 0) return 0;
  } else {
    ReleaseAll(handle);
    canclient::CAN_SetOnline(iface->CanHandle, 0);
  }
  iface->Online = wanted;
  return 1;
}

int GetOnline(std::int32_t handle, std::int32_t* on) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  std::int32_t state = 0;
  if (canclient::CAN_GetOnline(iface->CanHandle, &state) != 0) {
    iface->Online = state;
    *on = state;
  }
  return 1;
}

int ReleaseAll(std::int32_t handle) {
  Interface* iface = FindInterface(handle);
  return iface == nullptr ? 0 : iface->Online;
}

int AddNode(std::int32_t handle, std::uint8_t node) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  if (!ValidNodeId(node)) {
    platform::SetLastError(kCopnErrorNodeId);
    return 0;
  }
  Lock lock(iface->Mutex);
  if (iface->Nodes[node]) return 1;
  auto record = std::make_shared<CopnNode>();
  record->Id = node;
  record->GuardAnswerEvent = platform::CreateEvent(true, false, nullptr);
  iface->Nodes[node] = record;
  record->Sdo = CreateSdoChannel(*iface, node);
  EnterReceive(*iface, 0x80u + node, ReceiveEntry{ReceiveKind::kEmergency, node, nullptr, nullptr});
  EnterReceive(*iface, 0x700u + node, ReceiveEntry{ReceiveKind::kErrorControl, node, nullptr, nullptr});
  return 1;
}

int RemoveNode(std::int32_t handle, std::uint8_t node) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  if (!ValidNodeId(node)) {
    platform::SetLastError(kCopnErrorNodeId);
    return 0;
  }
  Lock lock(iface->Mutex);
  const std::shared_ptr<CopnNode> record = iface->Nodes[node];
  if (!record) return 1;
  // Every receive entry that points into the node goes before the node does,
  // so the receive thread can never reach a freed channel or PDO entry.
  if (record->Sdo) LeaveReceive(*iface, record->Sdo->ResponseCobId);
  for (const auto& pdo : record->Tpdos) LeaveReceive(*iface, pdo->Identifier);
  LeaveReceive(*iface, 0x80u + node);
  LeaveReceive(*iface, 0x700u + node);
  iface->Nodes[node].reset();
  return 1;
}

int SetSDOTimeout(std::int32_t handle, std::uint16_t ms) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  iface->SdoTimeout = ms;
  return 1;
}

int SetPDOTimeout(std::int32_t handle, std::uint16_t ms) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  iface->PdoTimeout = ms;
  return 1;
}

int Hardware_Version(std::int32_t handle, std::int32_t* major, std::int32_t* minor) {
  Interface* iface = FindInterface(handle);
  return iface == nullptr ? 0 : canclient::Hardware_Version(iface->CanHandle, major, minor);
}

int Firmware_Version(std::int32_t handle, std::int32_t* major, std::int32_t* minor) {
  Interface* iface = FindInterface(handle);
  return iface == nullptr ? 0 : canclient::Firmware_Version(iface->CanHandle, major, minor);
}

int DLL_Version(std::int32_t handle, std::int32_t level, std::int32_t* major, std::int32_t* minor) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  if (level == 0) {
    *major = kVersionMajor;
    *minor = kVersionMinor;
    return 1;
  }
  return canclient::DLL_Version(iface->CanHandle, level - 1, major, minor);
}

int DLL_Name(std::int32_t handle, std::int32_t level, char* name) {
  Interface* iface = FindInterface(handle);
  if (iface == nullptr) return 0;
  if (level == 0) {
    std::strcpy(name, "VRK_COCN");
    return 1;
  }
  return canclient::DLL_Name(iface->CanHandle, level - 1, name);
}

int HardwareConfigurationWindow(InterfaceConfiguration* cfg) { return canclient::HardwareConfigurationWindow(cfg); }

}  // extern "C"

namespace cocn {
namespace {
// At the last detach the threads of every interface still open end before
// the library's code goes away. VRK_CAN, loaded after this library, has been
// finalised by then and is not called again.
struct StopAtDetach {
  ~StopAtDetach() {
    for (Interface& iface : interfaces) {
      if (iface.InUse != 0 && iface.Open != 0) StopThreads(iface);
    }
  }
} stopAtDetach;
}  // namespace
}  // namespace cocn
