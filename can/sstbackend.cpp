#include "can/sstbackend.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

#include "can/lazylibrary.h"
#include "can/sstcan2a.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "platform/threadmessage.h"

namespace {

using std::int32_t;
using std::uint16_t;
using std::uint32_t;

// The library posts this thread message after received frames.
constexpr uint32_t kReceiveMessage = 1025;
constexpr int32_t kNotificationIntervalMs = 10;
constexpr std::size_t kMessageLoopStack = 4096;
constexpr uint32_t kMessageLoopStopWaitMs = 1000;
constexpr std::size_t kRecordCount = 10;

struct Can2aApi {
  sstcan2a::CloseCard C2A_CloseCard;
  sstcan2a::Driver C2A_Driver;
  sstcan2a::FreeDriver C2A_FreeDriver;
  sstcan2a::GetBusStatus C2A_GetBusStatus;
  sstcan2a::GetCANCounters C2A_GetCANCounters;
  sstcan2a::GetCardStatus C2A_GetCardStatus;
  sstcan2a::GetModuleHeader C2A_GetModuleHeader;
  sstcan2a::LoadDriver C2A_LoadDriver;
  sstcan2a::ModifyFilter C2A_ModifyFilter;
  sstcan2a::Offline C2A_Offline;
  sstcan2a::Online C2A_Online;
  sstcan2a::OpenCard C2A_OpenCard;
  sstcan2a::RegisterEvent C2A_RegisterBusStatusEvent;
  sstcan2a::RegisterEvent C2A_RegisterReceiveEvent;
  sstcan2a::Receive C2A_Receive;
  sstcan2a::SetEventNotificationInterval C2A_SetEventNotificationInterval;
  sstcan2a::Send C2A_Send;
  sstcan2a::UnRegisterEvent C2A_UnRegisterBusStatusEvent;
  sstcan2a::UnRegisterEvent C2A_UnRegisterReceiveEvent;
  sstcan2a::VerifyCardHandle C2A_VerifyCardHandle;
  sstcan2a::Version C2A_Version;
};

Can2aApi api{};
LazyLibrary library("ssc2a32.dll");

// Binds one required entry point; false when the library lacks it.
template <typename Fn>
bool Require(platform::ModuleHandle module, const char* name, Fn& entry) {
  BindEntry(module, name, entry);
  return entry != nullptr;
}

// Every entry point is required, and the library must take its driver.
bool BindAll(platform::ModuleHandle module) {
  const bool bound =
      Require(module, "C2A_CloseCard", api.C2A_CloseCard) &&
      Require(module, "C2A_Driver", api.C2A_Driver) &&
      Require(module, "C2A_FreeDriver", api.C2A_FreeDriver) &&
      Require(module, "C2A_GetBusStatus", api.C2A_GetBusStatus) &&
      Require(module, "C2A_GetCANCounters", api.C2A_GetCANCounters) &&
      Require(module, "C2A_GetCardStatus", api.C2A_GetCardStatus) &&
      Require(module, "C2A_GetModuleHeader", api.C2A_GetModuleHeader) &&
      Require(module, "C2A_LoadDriver", api.C2A_LoadDriver) &&
      Require(module, "C2A_ModifyFilter", api.C2A_ModifyFilter) &&
      Require(module, "C2A_Offline", api.C2A_Offline) &&
      Require(module, "C2A_Online", api.C2A_Online) &&
      Require(module, "C2A_OpenCard", api.C2A_OpenCard) &&
      Require(module, "C2A_RegisterBusStatusEvent", api.C2A_RegisterBusStatusEvent) &&
      Require(module, "C2A_RegisterReceiveEvent", api.C2A_RegisterReceiveEvent) &&
      Require(module, "C2A_Receive", api.C2A_Receive) &&
      Require(module, "C2A_SetEventNotificationInterval", api.C2A_SetEventNotificationInterval) &&
      Require(module, "C2A_Send", api.C2A_Send) &&
      Require(module, "C2A_UnRegisterBusStatusEvent", api.C2A_UnRegisterBusStatusEvent) &&
      Require(module, "C2A_UnRegisterReceiveEvent", api.C2A_UnRegisterReceiveEvent) &&
      Require(module, "C2A_VerifyCardHandle", api.C2A_VerifyCardHandle) &&
      Require(module, "C2A_Version", api.C2A_Version);
  return bound && api.C2A_LoadDriver("SSDN32.dll") != 0;
}

bool EnsureLoaded() { return library.Ensure(BindAll); }

// One open SST card, in the field order the records have always had.
struct CardRecord {
  uint32_t bitRate = 0;
  bool online = false;
  bool inUse = false;
  int32_t handle = 0;
  SstModuleHeader header{};
  // The receive notification.
  std::atomic<platform::Handle> event{platform::kNullHandle};
  std::atomic<bool> stop{false};
  platform::Handle loopThread = platform::kNullHandle;
  uint32_t loopThreadId = 0;
};

std::array<CardRecord, kRecordCount> records;
std::mutex recordsMutex;  // taking and freeing records

CardRecord* FindRecord(int32_t handle) {
  for (CardRecord& record : records) {
    if (record.inUse && record.handle == handle) return &record;
  }
  return nullptr;
}

int32_t RateCode(uint32_t bitRate) {
  switch (bitRate) {
    case 125'000: return kSstRate125k;
    case 250'000: return kSstRate250k;
    case 500'000: return kSstRate500k;
    default: return kSstRateOther;
  }
}

// Version words carry the major number in bits 8-15, the minor in bits 0-7.
int SplitVersion(sstcan2a::Version query, int32_t* major, int32_t* minor) {
  uint32_t version = 0;
  char text[kSstVersionTextSize] = {};
  if (query(&version, text, kSstVersionTextSize) == 0) {
    *major = 0;
    *minor = 0;
    return 0;
  }
  *major = static_cast<int32_t>((version >> 8) & 0xFF);
  *minor = static_cast<int32_t>(version & 0xFF);
  return 1;
}

// Takes the thread's messages until the loop ends or the card stops it; each
// receive message sets the card's event.
uint32_t MessageLoop(CardRecord& record, platform::Handle ready) {
  platform::ThreadMessage message;
  platform::PeekMessage(&message, false);  // the queue exists from here on
  platform::SetEvent(ready);
  while (!record.stop.load() && platform::GetMessage(&message) > 0) {
    if (record.stop.load()) break;
    if (message.message != kReceiveMessage) continue;
    if (platform::Handle event = record.event.load(); event != platform::kNullHandle) platform::SetEvent(event);
  }
  return 0;
}

bool StartMessageLoop(CardRecord& record) {
  platform::Handle ready = platform::CreateEvent(true, false, nullptr);
  if (ready == platform::kNullHandle) return false;
  record.stop = false;
  record.loopThread = platform::CreateThread([&record, ready] { return MessageLoop(record, ready); },
                                             false, &record.loopThreadId, kMessageLoopStack);
  if (record.loopThread != platform::kNullHandle) {
    platform::SetThreadPriority(record.loopThread, platform::kThreadPriorityTimeCritical);
    platform::WaitForSingleObject(ready, platform::kInfinite);
  }
  platform::CloseHandle(ready);
  return record.loopThread != platform::kNullHandle;
}

void StopMessageLoop(CardRecord& record) {
  record.stop = true;
  api.C2A_UnRegisterReceiveEvent(record.handle);
  platform::PostThreadMessage(record.loopThreadId, 0, 0, 0);
  platform::WaitForSingleObject(record.loopThread, kMessageLoopStopWaitMs);
  platform::CloseHandle(record.loopThread);
  record.loopThread = platform::kNullHandle;
  record.loopThreadId = 0;
}

void FreeRecord(CardRecord& record) {
  record.bitRate = 0;
  record.online = false;
  record.inUse = false;
  record.event = platform::kNullHandle;
}

class SstBackend final : public CanBackend {
 public:
  int Open(int32_t, const InterfaceSettings& settings, int32_t* handle) override {
    if (!EnsureLoaded()) return 0;
    std::lock_guard lock(recordsMutex);
    auto free = std::find_if(records.begin(), records.end(), [](auto& r) { return !r.inUse; });
    if (free == records.end()) return 0;
    char accessPoint[kAccessPointCapacity];
    std::memcpy(accessPoint, settings.AccessPoint, sizeof accessPoint);
    accessPoint[sizeof accessPoint - 1] = '\0';
    int32_t opened = 0;
    if (api.C2A_OpenCard(&opened, accessPoint, 0, 15, 1) == 0) return 0;
    free->handle = opened;
    free->inUse = true;
    // A card whose header cannot be read is not kept open.
    if (api.C2A_GetModuleHeader(opened, &free->header) == 0) {
      api.C2A_CloseCard(opened);
      FreeRecord(*free);
      return 0;
    }
    *handle = opened;
    return 1;
  }

  int Close(int32_t handle) override {
    CardRecord* record = Find(handle);
    if (record == nullptr) return 0;
    if (record->loopThread != platform::kNullHandle) StopMessageLoop(*record);
    std::lock_guard lock(recordsMutex);
    FreeRecord(*record);
    return api.C2A_CloseCard(handle);
  }

  // The card's messages have no room for flags: it sends data frames only.
  bool Carries(const CanMessage& frame) const override { return frame.Flags == 0 && CanBackend::Carries(frame); }

  int Transmit(int32_t handle, const CanMessage& frame) override {
    if (Find(handle) == nullptr || !Carries(frame)) return 0;
    SstCanMessage message{};
    message.Id = static_cast<uint16_t>(frame.Id);
    message.Length = frame.Length;
    std::copy_n(frame.Data, frame.Length, message.Data);
    return api.C2A_Send(handle, &message) != 0 ? 1 : 0;
  }

  int Receive(int32_t handle, CanMessage* frame) override {
    if (Find(handle) == nullptr) return 0;
    SstCanMessage message{};
    // A length the data field cannot hold is not a frame: it is dropped, and
    // the frames behind it still come.
    do {
      if (api.C2A_Receive(handle, &message) != 1) return 0;
    } while (message.Length > kCanMaxDataLength);
    *frame = CanMessage{};
    frame->Id = message.Id;
    frame->Flags = 0;
    frame->Length = message.Length;
    std::copy_n(message.Data, message.Length, frame->Data);
    frame->TimeStampLow = message.TimeStampLow;
    frame->TimeStampHigh = message.TimeStampHigh;
    return 1;
  }

  int RegisterReceiveEvent(int32_t handle, platform::Handle event, int32_t enable) override {
    CardRecord* record = Find(handle);
    if (record == nullptr) return 0;
    if (enable == 0) {
      record->event = platform::kNullHandle;
      return api.C2A_UnRegisterReceiveEvent(handle);
    }
    record->event = event;
    if (record->loopThread == platform::kNullHandle && !StartMessageLoop(*record)) return 0;
    api.C2A_RegisterReceiveEvent(handle, record->loopThreadId, kReceiveMessage, 0);
    return api.C2A_SetEventNotificationInterval(handle, kNotificationIntervalMs);
  }

  int Query(int32_t handle, CanQuery, uint32_t*) override { return Known(handle); }

  int Apply(int32_t handle, CanSetting setting, uint32_t value) override {
    CardRecord* record = Find(handle);
    if (record == nullptr) return 0;
    switch (setting) {
      case CanSetting::kBaud:
        record->bitRate = value;
        return 1;
      case CanSetting::kOnline: return SetOnline(*record, value != 0);
      case CanSetting::kAddFilter: return api.C2A_ModifyFilter(handle, value, 1);
      case CanSetting::kRemoveFilter: return api.C2A_ModifyFilter(handle, value, 0);
      case CanSetting::kId: return 0;
      default: return 1;
    }
  }

  int GetMessageArbitration(int32_t handle, int32_t, uint32_t*) override { return Known(handle); }
  int SetMessageArbitration(int32_t handle, int32_t, uint32_t) override { return Known(handle); }
  int Reset(int32_t handle) override { return Known(handle); }
  int FirmwareUpgrade(int32_t) override { return 0; }
  int HardwareVersion(int32_t, int32_t*, int32_t*) override { return 0; }
  int FirmwareVersion(int32_t handle, int32_t* major, int32_t* minor) override {
    if (Find(handle) == nullptr) return 0;
    return SplitVersion(api.C2A_Driver, major, minor);
  }
  int ErrorText(int32_t handle, char*) override { return Known(handle); }

  int DllName(int32_t level, char* name) override {
    std::strcpy(name, level == 0 ? "SSC2A32" : "NULL");
    return level == 0 ? 1 : 0;
  }
  int DllVersion(int32_t level, int32_t* major, int32_t* minor) override {
    if (level != 0 || !library.Loaded()) return 0;
    return SplitVersion(api.C2A_Version, major, minor);
  }

  int GetParameter(int32_t, uint16_t, ParameterWidth, uint32_t*) override { return 0; }
  int SetParameter(int32_t, uint16_t, ParameterWidth, uint32_t) override { return 0; }
  int GetParameterArray(int32_t, uint16_t, std::uint8_t*, std::uint8_t*) override { return 0; }
  int SetParameterArray(int32_t, uint16_t, uint32_t, const std::uint8_t*) override { return 0; }

 private:
  // Calls on a back-end whose library is not bound, or on a handle it did
  // not hand out, fail.
  static CardRecord* Find(int32_t handle) {
    if (!library.Loaded()) return nullptr;
    std::lock_guard lock(recordsMutex);
    return FindRecord(handle);
  }
  static int Known(int32_t handle) { return Find(handle) != nullptr ? 1 : 0; }

  static int SetOnline(CardRecord& record, bool on) {
    const int result = on ? api.C2A_Online(record.handle, RateCode(record.bitRate), 0, 0)
                          : api.C2A_Offline(record.handle);
    if (result == 0) return 0;
    record.online = on;
    return 1;
  }
};

}  // namespace

// Never destroyed: cards still open at unload are closed through it.
CanBackend& SstCan2aBackend() {
  static auto* backend = new SstBackend;
  return *backend;
}
