// VRK_COPN: the CANopen front-end. It keeps its own table of open interfaces,
// refuses the QX242 interface type, forwards the CANopen API to VRK_COCN by
// the same names and arguments, and the configuration calls to VRK_COPN_CFG
// (and VRK_QX24X_CFG for the QX242 hardware window). Every library is bound
// by name at its first use.
#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>

#include "can/lazylibrary.h"
#include "canopen/copnapi.h"

namespace {

constexpr std::int32_t kVersionMajor = 1;
constexpr std::int32_t kVersionMinor = 4;

struct CopnRecord {
  std::int32_t InUse = 0;
  std::int32_t Type = 0;
  std::int32_t Handle = -1;
  std::int32_t HandleCopy = -1;
  InterfaceConfiguration Configuration{};
};
static_assert(sizeof(CopnRecord) == 316);

std::array<CopnRecord, 10> records;
std::mutex recordsMutex;

// A library bound by a fixed list of names into a table of pointers.
template <std::size_t N>
class BoundLibrary {
 public:
  BoundLibrary(const char* fileName, std::array<std::string_view, N> names)
      : library_(fileName), names_(names) {}

  // Loads and binds at the first call; false while the library is missing.
  // onBound runs once, right after the names are bound.
  template <typename OnBound>
  bool Ensure(OnBound onBound) {
    return library_.Ensure([&](platform::ModuleHandle module) {
      for (std::size_t i = 0; i < N; ++i) {
        const std::string name(names_[i]);
        entries_[i] = platform::GetProcAddress(module, name.c_str());
      }
      onBound();
    });
  }
  bool Ensure() {
    return Ensure([] {});
  }

  // The bound entry point of that name, typed like fn; null when missing.
  template <typename Fn>
  Fn* Entry(std::string_view name, Fn*) const {
    const auto found = std::find(names_.begin(), names_.end(), name);
    return found == names_.end() ? nullptr : reinterpret_cast<Fn*>(entries_[found - names_.begin()]);
  }

 private:
  LazyLibrary library_;
  std::array<std::string_view, N> names_;
  std::array<void*, N> entries_{};
};

BoundLibrary<65> master("VRK_COCN.dll", {
    "UnloadDriver", "LoadDriver", "SetBaud", "GetBaud", "SetOnline", "GetOnline", "SetNodeID", "GetNodeID",
    "OpenCard", "CloseCard", "NodeOnline", "SDO_Download_UNSIGNED8", "SDO_Download_UNSIGNED16",
    "SDO_Download_UNSIGNED32", "SDO_Download_INTEGER8", "SDO_Download_INTEGER16", "SDO_Download_INTEGER32",
    "SDO_Download_REAL32", "SDO_Download", "SDO_Block_Download", "SDO_Upload_UNSIGNED8", "SDO_Upload_UNSIGNED16",
    "SDO_Upload_UNSIGNED32", "SDO_Upload_INTEGER8", "SDO_Upload_INTEGER16", "SDO_Upload_INTEGER32",
    "SDO_Upload_REAL32", "SDO_Upload", "SDO_Block_Upload", "NMT_StartRemoteNode", "NMT_StopRemoteNode",
    "NMT_EnterPreOperational", "NMT_ResetNode", "NMT_ResetCommunication", "NMT_NodeGuard", "CheckEmergency",
    "Sync", "TimeStamp", "PDO_Write", "PDO_Read", "ReleaseAll", "NMT_StartGuarding", "NMT_StopGuarding",
    "GetNodeBootUpDetected", "ClearNodeBootUpDetected", "GetNodeState", "GetNodeOnline", "SetSDOTimeout",
    "SetPDOTimeout", "Hardware_Version", "Firmware_Version", "DLL_Version", "DLL_Name", "COP_SDO_Add_Client",
    "AddPDO", "HardwareConfigurationWindow", "OpenInterface", "GetErrorString", "PDO_ReadTable", "AddNode",
    "COP_PDO_Write_Data", "COP_PDO_Read_Data", "COP_PDO_Read_Data_wTime", "COP_PDO_Get_Event",
    "PDO_Read_Receive_Count"});

BoundLibrary<6> configurationLibrary("VRK_COPN_CFG.dll", {
    "CANopenConfigurationWindow", "VRK_QX242_HardwareConfigurationWindow", "SaveConfiguration",
    "ReadConfiguration", "GetInterfaceName", "VersionInformationWindow"});

using Qx24xHardwareWindow = int(const char* caption, const char* driverFile, std::int32_t* result,
                                InterfaceConfiguration* cfg);
BoundLibrary<1> qx24xConfigurationLibrary("VRK_QX24X_CFG.dll", {"VRK_QX24X_HardwareConfigurationWindow"});

// Binds VRK_COCN; the first binding answers what its LoadDriver answered.
int BindMaster() {
  int loaded = 1;
  if (!master.Ensure([&loaded] {
        auto loadDriver = master.Entry("LoadDriver", &::LoadDriver);
        loaded = loadDriver != nullptr ? loadDriver() : 0;
      })) {
    return 0;
  }
  return loaded;
}

CopnRecord* FindRecord(std::int32_t handle) {
  for (CopnRecord& record : records) {
    if (record.InUse != 0 && record.Handle == handle) return &record;
  }
  return nullptr;
}

// The body of every forwarder: a known interface of a type VRK_COCN serves,
// and the master's entry point of the same name and type.
template <typename... Args>
int Forward(std::string_view name, int (*ownExport)(std::int32_t, Args...), std::int32_t handle,
            std::type_identity_t<Args>... args) {
  const CopnRecord* record = FindRecord(handle);
  if (record == nullptr || record->Type == COPN_INTERFACE_QX242) return 0;
  auto entry = master.Entry(name, ownExport);
  return entry != nullptr ? entry(handle, args...) : 0;
}

template <typename Fn, typename... Args>
int CallConfiguration(std::string_view name, Fn* ownExport, Args... args) {
  if (!configurationLibrary.Ensure()) return 0;
  auto entry = configurationLibrary.Entry(name, ownExport);
  return entry != nullptr ? entry(args...) : 0;
}

}  // namespace

#define COPN_FORWARD(name, params, ...) \
  int name params { return Forward(#name, &::name, __VA_ARGS__); }

extern "C" {

int LoadDriver() { return 1; }
int UnloadDriver() { return 1; }

int OpenInterface(std::int32_t* iface, InterfaceConfiguration* cfg) {
  *iface = -1;
  CopnRecord* record = nullptr;
  {
    std::lock_guard lock(recordsMutex);
    const auto free = std::find_if(records.begin(), records.end(), [](const CopnRecord& r) { return r.InUse == 0; });
    if (free == records.end()) return 0;
    record = &*free;
    record->InUse = 1;  // reserved while the master opens
  }
  // The QX242 is refused before anything is loaded for it.
  auto open = cfg->InterfaceType != COPN_INTERFACE_QX242 && BindMaster() != 0
                  ? master.Entry("OpenInterface", &::OpenInterface)
                  : nullptr;
  std::int32_t handle = -1;
  if (open == nullptr || open(&handle, cfg) == 0) {
    record->InUse = 0;
    return 0;
  }
  record->Type = cfg->InterfaceType;
  record->Handle = record->HandleCopy = handle;
  record->Configuration = *cfg;
  *iface = handle;
  return 1;
}

int OpenCard(std::int32_t* iface, std::int32_t type, InterfaceConfiguration* cfg) {
  InterfaceConfiguration record = OpenCardRecord(type, *cfg);
  return OpenInterface(iface, &record);
}

int CloseCard(std::int32_t iface) {
  CopnRecord* record = FindRecord(iface);
  if (record == nullptr) return 0;
  int result = 1;
  if (record->Type != COPN_INTERFACE_QX242) {
    auto close = master.Entry("CloseCard", &::CloseCard);
    result = close != nullptr ? close(iface) : 0;
  }
  if (result != 0) *record = CopnRecord{};
  return result;
}

int CloseInterface(std::int32_t iface) { return CloseCard(iface); }

int DLL_Name(std::int32_t iface, std::int32_t level, char* name) {
  if (level == 0) {
    std::strcpy(name, "VRK_COPN");
    return 1;
  }
  return Forward("DLL_Name", &::DLL_Name, iface, level - 1, name);
}

int DLL_Version(std::int32_t iface, std::int32_t level, std::int32_t* major, std::int32_t* minor) {
  if (level == 0) {
    *major = kVersionMajor;
    *minor = kVersionMinor;
    return 1;
  }
  return Forward("DLL_Version", &::DLL_Version, iface, level - 1, major, minor);
}

int HardwareConfigurationWindow(InterfaceConfiguration* cfg) {
  if (cfg->InterfaceType == COPN_INTERFACE_QX242) {
    if (!qx24xConfigurationLibrary.Ensure()) return 0;
    auto window = qx24xConfigurationLibrary.Entry("VRK_QX24X_HardwareConfigurationWindow",
                                                  static_cast<Qx24xHardwareWindow*>(nullptr));
    std::int32_t scratch = 0;
    return window != nullptr ? window("VRK QX242 Configuration", "QX242.DLL", &scratch, cfg) : 0;
  }
  BindMaster();
  auto window = master.Entry("HardwareConfigurationWindow", &::HardwareConfigurationWindow);
  return window != nullptr ? window(cfg) : 0;
}

int CANopenConfigurationWindow(InterfaceConfiguration* cfg, CANopenConfiguration* net) {
  return CallConfiguration("CANopenConfigurationWindow", &::CANopenConfigurationWindow, cfg, net);
}
int ReadConfiguration(const char* baseKey, InterfaceConfiguration* cfg, CANopenConfiguration* net) {
  return CallConfiguration("ReadConfiguration", &::ReadConfiguration, baseKey, cfg, net);
}
int SaveConfiguration(const char* baseKey, InterfaceConfiguration* cfg, CANopenConfiguration* net) {
  return CallConfiguration("SaveConfiguration", &::SaveConfiguration, baseKey, cfg, net);
}
int GetInterfaceName(std::int32_t interfaceType, char* name) {
  return CallConfiguration("GetInterfaceName", &::GetInterfaceName, interfaceType, name);
}
int VersionInformationWindow(std::int32_t iface) {
  return CallConfiguration("VersionInformationWindow", &::VersionInformationWindow, iface);
}

COPN_FORWARD(SetBaud, (std::int32_t iface, std::int32_t bitRate), iface, bitRate)
COPN_FORWARD(GetBaud, (std::int32_t iface, std::int32_t* bitRate), iface, bitRate)
COPN_FORWARD(SetOnline, (std::int32_t iface, std::int32_t on), iface, on)
COPN_FORWARD(GetOnline, (std::int32_t iface, std::int32_t* on), iface, on)
COPN_FORWARD(SetNodeID, (std::int32_t iface, std::uint8_t id), iface, id)
COPN_FORWARD(GetNodeID, (std::int32_t iface, std::uint8_t* id), iface, id)
COPN_FORWARD(NodeOnline, (std::int32_t iface, std::uint8_t node), iface, node)
COPN_FORWARD(AddNode, (std::int32_t iface, std::uint8_t node), iface, node)
COPN_FORWARD(AddPDO, (std::int32_t iface, std::uint8_t node, std::uint8_t kind, std::uint16_t n, std::uint16_t period),
             iface, node, kind, n, period)
COPN_FORWARD(SDO_Upload, (std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t sub,
                          std::uint32_t* len, std::uint8_t* data), iface, node, index, sub, len, data)
COPN_FORWARD(SDO_Download, (std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t sub,
                            std::uint32_t len, const std::uint8_t* data), iface, node, index, sub, len, data)
COPN_FORWARD(SDO_Block_Upload, (std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t sub,
                                std::uint32_t* len, std::uint8_t* data), iface, node, index, sub, len, data)
COPN_FORWARD(SDO_Block_Download, (std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t sub,
                                  std::uint32_t len, const std::uint8_t* data), iface, node, index, sub, len, data)

// The typed SDO calls differ only in their value type.
#define COPN_FORWARD_TYPED(name, type)                                                                  \
  COPN_FORWARD(name, (std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t sub, type value), \
               iface, node, index, sub, value)
COPN_FORWARD_TYPED(SDO_Upload_UNSIGNED8, std::uint8_t*)
COPN_FORWARD_TYPED(SDO_Upload_UNSIGNED16, std::uint16_t*)
COPN_FORWARD_TYPED(SDO_Upload_UNSIGNED32, std::uint32_t*)
COPN_FORWARD_TYPED(SDO_Upload_INTEGER8, std::int8_t*)
COPN_FORWARD_TYPED(SDO_Upload_INTEGER16, std::int16_t*)
COPN_FORWARD_TYPED(SDO_Upload_INTEGER32, std::int32_t*)
COPN_FORWARD_TYPED(SDO_Upload_REAL32, float*)
COPN_FORWARD_TYPED(SDO_Download_UNSIGNED8, std::uint8_t)
COPN_FORWARD_TYPED(SDO_Download_UNSIGNED16, std::uint16_t)
COPN_FORWARD_TYPED(SDO_Download_UNSIGNED32, std::uint32_t)
COPN_FORWARD_TYPED(SDO_Download_INTEGER8, std::int8_t)
COPN_FORWARD_TYPED(SDO_Download_INTEGER16, std::int16_t)
COPN_FORWARD_TYPED(SDO_Download_INTEGER32, std::int32_t)
COPN_FORWARD_TYPED(SDO_Download_REAL32, float)
#undef COPN_FORWARD_TYPED

COPN_FORWARD(NMT_StartRemoteNode, (std::int32_t iface, std::uint8_t node), iface, node)
COPN_FORWARD(NMT_StopRemoteNode, (std::int32_t iface, std::uint8_t node), iface, node)
COPN_FORWARD(NMT_EnterPreOperational, (std::int32_t iface, std::uint8_t node), iface, node)
COPN_FORWARD(NMT_ResetNode, (std::int32_t iface, std::uint8_t node), iface, node)
COPN_FORWARD(NMT_ResetCommunication, (std::int32_t iface, std::uint8_t node), iface, node)
COPN_FORWARD(NMT_NodeGuard, (std::int32_t iface, std::uint8_t node, std::uint8_t* state), iface, node, state)
COPN_FORWARD(NMT_StartGuarding, (std::int32_t iface, std::uint8_t node, std::uint8_t mode, std::uint16_t timeMs),
             iface, node, mode, timeMs)
COPN_FORWARD(NMT_StopGuarding, (std::int32_t iface, std::uint8_t node), iface, node)
COPN_FORWARD(CheckEmergency, (std::int32_t iface, std::uint8_t* node, EmcyRecord* record), iface, node, record)
COPN_FORWARD(Sync, (std::int32_t iface), iface)
COPN_FORWARD(TimeStamp, (std::int32_t iface, const std::uint8_t* time), iface, time)
COPN_FORWARD(PDO_Write, (std::int32_t iface, std::uint8_t node, std::uint16_t n, std::uint8_t len,
                         const std::uint8_t* data), iface, node, n, len, data)
COPN_FORWARD(PDO_Read, (std::int32_t iface, std::uint8_t node, std::uint16_t n, std::uint8_t* len,
                        std::uint8_t* data), iface, node, n, len, data)
COPN_FORWARD(PDO_ReadTable, (std::int32_t iface, std::uint8_t node, std::uint16_t n, std::uint8_t* len,
                             std::uint8_t* data), iface, node, n, len, data)
COPN_FORWARD(ReleaseAll, (std::int32_t iface), iface)
COPN_FORWARD(GetNodeBootUpDetected, (std::int32_t iface, std::uint8_t node, std::int32_t* detected), iface, node,
             detected)
COPN_FORWARD(ClearNodeBootUpDetected, (std::int32_t iface, std::uint8_t node), iface, node)
COPN_FORWARD(GetNodeState, (std::int32_t iface, std::uint8_t node, std::uint8_t* state), iface, node, state)
COPN_FORWARD(GetNodeOnline, (std::int32_t iface, std::uint8_t node, std::int32_t* alive), iface, node, alive)
COPN_FORWARD(SetSDOTimeout, (std::int32_t iface, std::uint16_t ms), iface, ms)
COPN_FORWARD(SetPDOTimeout, (std::int32_t iface, std::uint16_t ms), iface, ms)
COPN_FORWARD(Hardware_Version, (std::int32_t iface, std::int32_t* major, std::int32_t* minor), iface, major, minor)
COPN_FORWARD(Firmware_Version, (std::int32_t iface, std::int32_t* major, std::int32_t* minor), iface, major, minor)
COPN_FORWARD(GetErrorString, (std::int32_t iface, std::uint32_t code, char* text), iface, code, text)
COPN_FORWARD(COP_PDO_Write_Data, (std::int32_t iface, std::uint8_t node, std::uint8_t kind, std::uint16_t n,
                                  std::uint8_t len, const std::uint8_t* data), iface, node, kind, n, len, data)
COPN_FORWARD(COP_PDO_Read_Data, (std::int32_t iface, std::uint8_t node, std::uint8_t kind, std::uint16_t n,
                                 std::uint8_t* len, std::uint8_t* data), iface, node, kind, n, len, data)
COPN_FORWARD(COP_PDO_Read_Data_wTime, (std::int32_t iface, std::uint8_t node, std::uint8_t kind, std::uint16_t n,
                                       std::uint8_t* len, std::uint8_t* data, std::uint32_t* stampA,
                                       std::uint32_t* stampB), iface, node, kind, n, len, data, stampA, stampB)
COPN_FORWARD(PDO_Read_Receive_Count, (std::int32_t iface, std::uint8_t node, std::uint16_t n, std::uint32_t* count),
             iface, node, n, count)
COPN_FORWARD(COP_PDO_Get_Event, (std::int32_t iface, std::uint8_t node, std::uint8_t kind, std::uint16_t n,
                                 void* out), iface, node, kind, n, out)

}  // extern "C"
