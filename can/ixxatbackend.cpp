#include "can/ixxatbackend.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <set>

#include "can/ixxatvci.h"
#include "can/lazylibrary.h"
#include "platform/lasterror.h"
#include "platform/sync.h"

namespace {

using std::int32_t;
using std::uint16_t;
using std::uint32_t;
using std::uint8_t;

constexpr uint8_t kController = 0;
constexpr int kBoardShift = 16;
constexpr std::size_t kRingSize = 255;
constexpr std::size_t kRecordCount = 10;
constexpr uint32_t kMissingEntryError = 0xFFFFFFFF;
constexpr uint32_t kStandardIdMask = 2047;
constexpr uint32_t kAllIdentifiers = 0xFFFFFFFF;
constexpr uint8_t kReceivedRemoteFlags = 0x90;

struct VciApi {
  vci::PrepareBoard2 VCI2_PrepareBoard;
  vci::CancelBoard VCI_CancelBoard;
  vci::InitCan VCI_InitCan;
  vci::ResetCan VCI_ResetCan;
  vci::StartCan VCI_StartCan;
  vci::ConfigQueue VCI_ConfigQueue;
  vci::AssignRxQueObj VCI_AssignRxQueObj;
  vci::TransmitObj VCI_TransmitObj;
  vci::RequestObj VCI_RequestObj;
};

VciApi api{};
LazyLibrary library("vci11un6.dll");

// Entry points the library lacks stay empty; the calls that need them fail.
void BindAll(platform::ModuleHandle module) {
  BindEntry(module, "VCI2_PrepareBoard", api.VCI2_PrepareBoard);
  BindEntry(module, "VCI_CancelBoard", api.VCI_CancelBoard);
  BindEntry(module, "VCI_InitCan", api.VCI_InitCan);
  BindEntry(module, "VCI_ResetCan", api.VCI_ResetCan);
  BindEntry(module, "VCI_StartCan", api.VCI_StartCan);
  BindEntry(module, "VCI_ConfigQueue", api.VCI_ConfigQueue);
  BindEntry(module, "VCI_AssignRxQueObj", api.VCI_AssignRxQueObj);
  BindEntry(module, "VCI_TransmitObj", api.VCI_TransmitObj);
  BindEntry(module, "VCI_RequestObj", api.VCI_RequestObj);
}

// The frames of every IXXAT card, filled by the library's thread and taken by
// the card threads: both sides hold the lock. When full, the oldest frame
// gives way.
class SharedRing {
 public:
  void Clear() {
    std::lock_guard lock(mutex_);
    read_ = write_ = 0;
  }

  void Put(const CanMessage& frame) {
    std::lock_guard lock(mutex_);
    slots_[write_] = frame;
    write_ = (write_ + 1) % slots_.size();
    if (write_ == read_) read_ = (read_ + 1) % slots_.size();
  }

  bool Take(CanMessage* frame) {
    std::lock_guard lock(mutex_);
    if (read_ == write_) return false;
    *frame = slots_[read_];
    read_ = (read_ + 1) % slots_.size();
    return true;
  }

 private:
  std::mutex mutex_;
  std::array<CanMessage, kRingSize> slots_{};
  std::size_t read_ = 0;
  std::size_t write_ = 0;
};

SharedRing ring;
std::atomic<platform::Handle> receiveEvent{platform::kNullHandle};

// A length the data field cannot hold is delivered as the eight bytes it has.
CanMessage FromVciObject(const VciCanObject& object) {
  CanMessage frame{};
  frame.Id = object.Id;
  frame.Length = std::min<uint8_t>(object.Bits & kVciLengthMask, kCanMaxDataLength);
  std::copy_n(object.Data, frame.Length, frame.Data);
  frame.Flags = (object.Bits & kVciRemoteBit) != 0 ? kReceivedRemoteFlags : 0;
  frame.TimeStampLow = object.TimeStamp;
  return frame;
}

void OnReceive(uint16_t, uint16_t count, VciCanObject* objects) {
  for (uint16_t i = 0; i < count; ++i) ring.Put(FromVciObject(objects[i]));
  if (platform::Handle event = receiveEvent.load(); event != platform::kNullHandle) {
    platform::SetEvent(event);
  }
}

// One open board. Each has its own queues, so that closing one leaves the
// others' queues alone.
struct BoardRecord {
  bool inUse = false;
  uint16_t board = 0;
  uint16_t transmitQueue = 0;
  uint16_t receiveQueue = 0;
  bool online = false;
  std::set<uint32_t> accepted;  // as assigned to the receive queue

  // Withdrawing every identifier (all bits set) changes something while any
  // is accepted.
  bool ChangesFilter(uint32_t id, uint8_t mode) const {
    if (mode == kVciAccept) return !accepted.contains(id);
    return id == kAllIdentifiers ? !accepted.empty() : accepted.contains(id);
  }
  void NoteFilter(uint32_t id, uint8_t mode) {
    if (mode == kVciAccept) accepted.insert(id);
    else if (id == kAllIdentifiers) accepted.clear();
    else accepted.erase(id);
  }
};

std::array<BoardRecord, kRecordCount> records;
std::mutex recordsMutex;
// Filter changes stop and restart a running controller: one at a time, and
// never across a change of the online state.
std::mutex controllerMutex;

struct BitTiming {
  uint32_t bitRate;
  uint8_t btr0;
  uint8_t btr1;
};
constexpr BitTiming kBitTimings[] = {
    {10'000, 0x31, 0x1C},  {20'000, 0x18, 0x1C},  {50'000, 0x09, 0x1C},  {100'000, 0x04, 0x1C},
    {125'000, 0x03, 0x1C}, {250'000, 0x01, 0x1C}, {500'000, 0x00, 0x1C}, {1'000'000, 0x00, 0x14},
};

// The rate a board starts at when opened.
constexpr uint32_t kOpenBitRate = 125'000;

const BitTiming* TimingFor(uint32_t bitRate) {
  const auto* timing = std::find_if(std::begin(kBitTimings), std::end(kBitTimings),
                                    [&](const BitTiming& t) { return t.bitRate == bitRate; });
  return timing != std::end(kBitTimings) ? timing : nullptr;
}

uint16_t BoardOf(int32_t handle) {
  return static_cast<uint16_t>(static_cast<uint32_t>(handle) >> kBoardShift);
}

int MissingEntry() {
  platform::SetLastError(kMissingEntryError);
  return 0;
}

class IxxatBackend final : public CanBackend {
 public:
  int Open(int32_t, const InterfaceSettings& settings, int32_t* handle) override {
    library.Ensure(BindAll);
    if (!library.Loaded() || api.VCI2_PrepareBoard == nullptr) return MissingEntry();
    if (api.VCI_InitCan == nullptr || api.VCI_ConfigQueue == nullptr) return MissingEntry();
    std::lock_guard lock(recordsMutex);
    auto free = std::find_if(records.begin(), records.end(), [](auto& r) { return !r.inUse; });
    if (free == records.end()) return 0;
    const int32_t board =
        api.VCI2_PrepareBoard(settings.SubType, settings.Number, nullptr, OnReceive, nullptr);
    if (board < 0) return 0;
    BoardRecord record;
    record.board = static_cast<uint16_t>(board);
    ring.Clear();
    const BitTiming& start = *TimingFor(kOpenBitRate);
    const bool configured =
        api.VCI_InitCan(record.board, kController, start.btr0, start.btr1, 0) >= 0 &&
        api.VCI_ConfigQueue(record.board, kController, kVciTransmitQueue, 100, 0, 0, 0,
                            &record.transmitQueue) >= 0 &&
        api.VCI_ConfigQueue(record.board, kController, kVciReceiveQueue, 100, 13, 1, 1000,
                            &record.receiveQueue) >= 0;
    // A board whose queues could not be set up is not kept.
    if (!configured) {
      if (api.VCI_CancelBoard != nullptr) api.VCI_CancelBoard(record.board);
      return 0;
    }
    record.inUse = true;
    *free = record;
    *handle = static_cast<int32_t>(uint32_t{record.board} << kBoardShift);
    return 1;
  }

  int Close(int32_t handle) override {
    BoardRecord* record = Find(handle);
    if (record == nullptr) return 0;
    if (api.VCI_ResetCan != nullptr) api.VCI_ResetCan(record->board, kController);
    if (api.VCI_CancelBoard != nullptr) api.VCI_CancelBoard(record->board);
    std::lock_guard lock(recordsMutex);
    *record = BoardRecord{};
    return 1;
  }

  int Transmit(int32_t handle, const CanMessage& frame) override {
    BoardRecord* record = Find(handle);
    if (record == nullptr || frame.Length > kCanMaxDataLength) return 0;
    if ((frame.Flags & kCanFlagRemote) != 0) {
      if (api.VCI_RequestObj == nullptr) return 0;
      return api.VCI_RequestObj(record->board, record->transmitQueue, frame.Id, 0) == 1 ? 1 : 0;
    }
    if (api.VCI_TransmitObj == nullptr) return 0;
    return api.VCI_TransmitObj(record->board, record->transmitQueue, frame.Id, frame.Length,
                               frame.Data) == 1
               ? 1
               : 0;
  }

  int Receive(int32_t handle, CanMessage* frame) override {
    if (Find(handle) == nullptr) return 0;
    return ring.Take(frame) ? 1 : 0;
  }

  int RegisterReceiveEvent(int32_t handle, platform::Handle event, int32_t enable) override {
    if (Find(handle) == nullptr) return 0;
    receiveEvent = enable != 0 ? event : platform::kNullHandle;
    return 1;
  }

  // Of the values read, only these three answer, without a value.
  int Query(int32_t handle, CanQuery query, uint32_t*) override {
    switch (query) {
      case CanQuery::kGlobalMaskShort:
      case CanQuery::kLastMessageMask:
      case CanQuery::kTSeg1: return Known(handle);
      default: return 0;
    }
  }

  int Apply(int32_t handle, CanSetting setting, uint32_t value) override {
    BoardRecord* record = Find(handle);
    if (record == nullptr) return 0;
    switch (setting) {
      case CanSetting::kBaud: return SetBaud(*record, value);
      case CanSetting::kOnline: return SetOnline(*record, value != 0);
      case CanSetting::kAddFilter: return AssignIdentifier(*record, value, kVciAccept);
      case CanSetting::kRemoveFilter: return AssignIdentifier(*record, value, kVciReject);
      case CanSetting::kSjw: return 1;
      default: return 0;
    }
  }

  int GetMessageArbitration(int32_t, int32_t, uint32_t*) override { return 0; }
  int SetMessageArbitration(int32_t, int32_t, uint32_t) override { return 0; }
  int Reset(int32_t handle) override {
    BoardRecord* record = Find(handle);
    if (record == nullptr) return 0;
    if (api.VCI_ResetCan == nullptr) return MissingEntry();
    return api.VCI_ResetCan(record->board, kController);
  }
  int FirmwareUpgrade(int32_t) override { return 0; }
  int HardwareVersion(int32_t, int32_t*, int32_t*) override { return 0; }
  int FirmwareVersion(int32_t, int32_t*, int32_t*) override { return 0; }
  int ErrorText(int32_t, char*) override { return 0; }
  int DllName(int32_t, char*) override { return 0; }
  int DllVersion(int32_t, int32_t*, int32_t*) override { return 0; }

  int GetParameter(int32_t, uint16_t, ParameterWidth, uint32_t*) override { return 0; }
  int SetParameter(int32_t, uint16_t, ParameterWidth, uint32_t) override { return 0; }
  int GetParameterArray(int32_t, uint16_t, uint8_t*, uint8_t*) override { return 0; }
  int SetParameterArray(int32_t, uint16_t, uint32_t, const uint8_t*) override { return 0; }

 private:
  static BoardRecord* Find(int32_t handle) {
    if (!library.Loaded()) return nullptr;
    const uint16_t board = BoardOf(handle);
    std::lock_guard lock(recordsMutex);
    for (BoardRecord& record : records) {
      if (record.inUse && record.board == board &&
          static_cast<int32_t>(uint32_t{board} << kBoardShift) == handle) {
        return &record;
      }
    }
    return nullptr;
  }
  static int Known(int32_t handle) { return Find(handle) != nullptr ? 1 : 0; }

  static int SetBaud(const BoardRecord& record, uint32_t bitRate) {
    const BitTiming* timing = TimingFor(bitRate);
    if (timing == nullptr || api.VCI_InitCan == nullptr) return 0;
    return api.VCI_InitCan(record.board, kController, timing->btr0, timing->btr1, 0);
  }

  static int SetOnline(BoardRecord& record, bool on) {
    std::lock_guard lock(controllerMutex);
    if (on) {
      if (api.VCI_StartCan == nullptr) return 0;
      const int32_t result = api.VCI_StartCan(record.board, kController);
      if (result == 0) return 0;
      record.online = true;
      return result;
    }
    if (api.VCI_ResetCan == nullptr) return 0;
    record.online = false;
    return api.VCI_ResetCan(record.board, kController);
  }

  // The receive queue's assignment is the acceptance filter; the controller
  // takes a new one only while stopped. An assignment that changes nothing
  // leaves the running controller alone, and a refused one fails even when
  // the controller restarts.
  static int AssignIdentifier(BoardRecord& record, uint32_t id, uint8_t mode) {
    if (api.VCI_AssignRxQueObj == nullptr) return 0;
    std::lock_guard lock(controllerMutex);
    if (!record.ChangesFilter(id, mode)) return 1;
    const bool restart = record.online;
    if (restart && (api.VCI_ResetCan == nullptr || api.VCI_StartCan == nullptr)) return 0;
    if (restart) api.VCI_ResetCan(record.board, kController);
    const bool assigned =
        api.VCI_AssignRxQueObj(record.board, record.receiveQueue, mode, id, kStandardIdMask) == 1;
    if (assigned) record.NoteFilter(id, mode);
    const bool running = !restart || api.VCI_StartCan(record.board, kController) != 0;
    return assigned && running ? 1 : 0;
  }
};

// The registration library, loaded while a board selection uses it.
class RegistrationLibrary {
 public:
  RegistrationLibrary() {
    std::lock_guard lock(mutex_);
    if (users_++ == 0) module_ = platform::LoadLibrary("xat11reg.dll");
  }
  ~RegistrationLibrary() {
    std::lock_guard lock(mutex_);
    if (--users_ == 0 && module_ != nullptr) {
      platform::FreeLibrary(module_);
      module_ = nullptr;
    }
  }
  RegistrationLibrary(const RegistrationLibrary&) = delete;
  RegistrationLibrary& operator=(const RegistrationLibrary&) = delete;

  platform::ModuleHandle Module() const { return module_; }

 private:
  static inline std::mutex mutex_;
  static inline int users_ = 0;
  static inline platform::ModuleHandle module_ = nullptr;
};

// Only the product version this system was made for is used.
bool IsExpectedProduct(platform::ModuleHandle module) {
  xat::GetProductVersion getVersion = nullptr;
  xat::CheckProductVersion checkVersion = nullptr;
  BindEntry(module, "XAT_GetProductVersion", getVersion);
  BindEntry(module, "XAT_CheckProductVersion", checkVersion);
  return getVersion != nullptr && checkVersion != nullptr &&
         checkVersion("xat11reg.dll", "01,01,0,0") == 0;
}

void FillFromSelection(InterfaceConfiguration* configuration, const XatSelection& selection) {
  configuration->InterfaceType = CAN_INTERFACE_IXXAT_VCI;
  configuration->Port = 0;
  configuration->Irq = 0;
  configuration->ComPort = 0;
  configuration->ComBaud = 0;
  configuration->SubType = selection.BoardType;
  configuration->Number = selection.BoardNumber & 0xFFFF;
  std::memset(configuration->AccessPoint, 0, sizeof configuration->AccessPoint);
  std::memcpy(configuration->AccessPoint, selection.Name,
              std::min(sizeof selection.Name, sizeof configuration->AccessPoint - 1));
  configuration->AccessPoint[sizeof configuration->AccessPoint - 1] = '\0';
}

}  // namespace

int IxxatHardwareConfigurationWindow(InterfaceConfiguration* configuration) {
  RegistrationLibrary registration;
  platform::ModuleHandle module = registration.Module();
  if (module == nullptr || !IsExpectedProduct(module)) return 0;
  xat::SelectHardware selectHardware = nullptr;
  xat::InstallHardware installHardware = nullptr;
  xat::GetConfig getConfig = nullptr;
  BindEntry(module, "XAT_SelectHardware", selectHardware);
  BindEntry(module, "XAT_InstallHardware", installHardware);
  BindEntry(module, "XAT_GetConfig", getConfig);
  if (selectHardware == nullptr || installHardware == nullptr || getConfig == nullptr) return 0;
  XatSelection selection{};
  if (selectHardware(nullptr, &selection) == 0) return 0;
  selection.Name[sizeof selection.Name - 1] = '\0';
  FillFromSelection(configuration, selection);
  return 1;
}

// Never destroyed: boards still open at unload are closed through it.
CanBackend& IxxatVciBackend() {
  static auto* backend = new IxxatBackend;
  return *backend;
}
