#include "bindings/Vrk_copn_interface.h"

#include <algorithm>
#include <cstring>

#include "canopen/copnapi.h"

// Every name the binding looks up, in lookup order. Names that VRK_COPN does
// not offer stay unbound; nothing calls them.
#define COPN_ENTRY_POINTS(X)                                                                                        \
  X(UnloadDriver) X(LoadDriver) X(OpenCard) X(CloseCard) X(CloseInterface) X(Hardware_Version) X(Firmware_Version) \
  X(DLL_Version) X(DLL_Name) X(GetErrorString) X(GetOnline) X(GetBaud) X(SetOnline) X(SetBaud)                      \
  X(DisplayConfigurationWindow) X(SetRegistryPath) X(SetNodeID) X(GetNodeID) X(NodeOnline)                         \
  X(SDO_Download_UNSIGNED8) X(SDO_Download_UNSIGNED16) X(SDO_Download_UNSIGNED32) X(SDO_Download)                  \
  X(SDO_Block_Download) X(SDO_Upload_UNSIGNED8) X(SDO_Upload_UNSIGNED16) X(SDO_Upload_UNSIGNED32)                  \
  X(SDO_Upload_REAL32) X(SDO_Upload) X(SDO_Block_Upload) X(NMT_StartRemoteNode) X(NMT_StopRemoteNode)              \
  X(NMT_EnterPreOperational) X(NMT_ResetNode) X(NMT_ResetCommunication) X(NMT_NodeGuard) X(CheckEmergency)         \
  X(Sync) X(TimeStamp) X(PDO_Write) X(PDO_Read) X(SDO_Upload_INTEGER8) X(SDO_Upload_INTEGER16)                      \
  X(SDO_Upload_INTEGER32) X(SDO_Download_INTEGER8) X(SDO_Download_INTEGER16) X(SDO_Download_INTEGER32)             \
  X(SDO_Download_REAL32) X(NMT_StartGuarding) X(NMT_StopGuarding) X(GetNodeBootUpDetected)                         \
  X(ClearNodeBootUpDetected) X(GetNodeState) X(GetNodeOnline) X(SetSDOTimeout) X(SetPDOTimeout) X(AddNode)         \
  X(RemoveNode) X(AddPDO) X(COP_PDO_Read_Data) X(COP_PDO_Read_Data_wTime) X(COP_PDO_Write_Data) X(OpenInterface)  \
  X(HardwareConfigurationWindow) X(CANopenConfigurationWindow) X(SaveConfiguration) X(ReadConfiguration)          \
  X(GetInterfaceName) X(VersionInformationWindow) X(PDO_Read_Receive_Count) X(COP_PDO_Get_Event)

namespace {

enum class Entry : std::size_t { COPN_ENTRY_POINTS(LIBRARY_BINDING_ENUM) Count };

constexpr const char* kEntryNames[] = {COPN_ENTRY_POINTS(LIBRARY_BINDING_NAME)};
static_assert(std::size(kEntryNames) == static_cast<std::size_t>(Entry::Count));
static_assert(std::size(kEntryNames) == 71);

constexpr std::size_t kTextCapacity = 256;

}  // namespace

struct TVRK_COPN_Interface::EntryPoints : binding::EntryPointTable<std::size(kEntryNames)> {
  EntryPoints() : EntryPointTable(kEntryNames) {}
};

#define COPN_CALL(name, ...) LIBRARY_BINDING_CALL(*entries_, name __VA_OPT__(, ) __VA_ARGS__)

TVRK_COPN_Interface::TVRK_COPN_Interface(const char* libraryName, binding::Use use)
    : entries_(std::make_unique<EntryPoints>()), use_(use) {
  LoadInterfaceLibrary(libraryName);
}

TVRK_COPN_Interface::~TVRK_COPN_Interface() {
  if (use_ == binding::Use::kDialogs) {
    // The library's other interfaces are its caller's, among them the
    // program's online network: only an interface of our own Test is closed,
    // and the driver stays loaded.
    if (ownsCard_) CloseCard();
    return;
  }
  SetOnline(0);
  CloseCard();
  UnloadDriver();
}

int TVRK_COPN_Interface::LoadInterfaceLibrary(const char* libraryName) {
  identities_.ForEach([](CopnNodeIdentity& identity) { identity.ValidBits = 0; });
  if (use_ == binding::Use::kDialogs) {
    library_ = entries_->Load(libraryName, {"SDO_Upload_REAL32", "SDO_Download_REAL32", "GetNodeOnline",
                                            "SetSDOTimeout", "SetPDOTimeout", "AddNode", "COP_PDO_Read_Data_wTime",
                                            "COP_PDO_Get_Event"});
  } else {
    library_ = entries_->Load(libraryName);
  }
  return library_ != nullptr ? 1 : 0;
}

int TVRK_COPN_Interface::OpenInterface() { return COPN_CALL(OpenInterface, &card_, &interface_); }
int TVRK_COPN_Interface::OpenInterface(InterfaceConfiguration* record) {
  if (ownsCard_) CloseCard();
  std::int32_t opened = -1;
  const int result = COPN_CALL(OpenInterface, &opened, record);
  if (result != 0) {
    card_ = opened;
    ownsCard_ = true;
  }
  return result;
}
int TVRK_COPN_Interface::SetNodeID() {
  return COPN_CALL(SetNodeID, card_, static_cast<std::uint8_t>(network_.NodeID));
}
int TVRK_COPN_Interface::SetBaud() { return COPN_CALL(SetBaud, card_, network_.BaudRate); }
int TVRK_COPN_Interface::SetOnline(int on) { return COPN_CALL(SetOnline, card_, on); }
int TVRK_COPN_Interface::GetOnline(int* online) { return COPN_CALL(GetOnline, card_, online); }
int TVRK_COPN_Interface::CloseCard() {
  const int result = COPN_CALL(CloseCard, card_);
  if (result != 0) ownsCard_ = false;
  return result;
}
int TVRK_COPN_Interface::AddNode(std::uint8_t node) { return COPN_CALL(AddNode, card_, node); }
int TVRK_COPN_Interface::GetNodeOnline(std::uint8_t node, int* online) {
  return COPN_CALL(GetNodeOnline, card_, node, online);
}
int TVRK_COPN_Interface::SetSDOTimeout(std::uint16_t milliseconds) {
  return COPN_CALL(SetSDOTimeout, card_, milliseconds);
}
int TVRK_COPN_Interface::SDO_Download_UNSIGNED8(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                                                std::uint8_t value) {
  return COPN_CALL(SDO_Download_UNSIGNED8, card_, node, index, subIndex, value);
}
int TVRK_COPN_Interface::SDO_Download_UNSIGNED32(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                                                 std::uint32_t value) {
  return COPN_CALL(SDO_Download_UNSIGNED32, card_, node, index, subIndex, value);
}
int TVRK_COPN_Interface::SDO_Download(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                                      std::uint32_t length, const std::uint8_t* data) {
  return COPN_CALL(SDO_Download, card_, node, index, subIndex, length, data);
}
int TVRK_COPN_Interface::SDO_Upload_UNSIGNED8(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                                              std::uint8_t* value) {
  return COPN_CALL(SDO_Upload_UNSIGNED8, card_, node, index, subIndex, value);
}
int TVRK_COPN_Interface::SDO_Upload_UNSIGNED32(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                                               std::uint32_t* value) {
  return COPN_CALL(SDO_Upload_UNSIGNED32, card_, node, index, subIndex, value);
}
int TVRK_COPN_Interface::SDO_Upload(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                                    std::uint32_t* length, std::uint8_t* data) {
  return COPN_CALL(SDO_Upload, card_, node, index, subIndex, length, data);
}
int TVRK_COPN_Interface::NMT_ResetNode(std::uint8_t node) { return COPN_CALL(NMT_ResetNode, card_, node); }
int TVRK_COPN_Interface::NMT_ResetCommunication(std::uint8_t node) {
  return COPN_CALL(NMT_ResetCommunication, card_, node);
}
int TVRK_COPN_Interface::NMT_StartGuarding(std::uint8_t node, std::uint8_t mode, std::uint16_t milliseconds) {
  return COPN_CALL(NMT_StartGuarding, card_, node, mode, milliseconds);
}
int TVRK_COPN_Interface::Hardware_Version(int* major, int* minor) {
  return COPN_CALL(Hardware_Version, card_, major, minor);
}
int TVRK_COPN_Interface::Firmware_Version(int* major, int* minor) {
  return COPN_CALL(Firmware_Version, card_, major, minor);
}
int TVRK_COPN_Interface::DLL_Version(int level, int* major, int* minor) {
  return COPN_CALL(DLL_Version, card_, level, major, minor);
}
int TVRK_COPN_Interface::DLL_Name(int level, char* name) { return COPN_CALL(DLL_Name, card_, level, name); }
int TVRK_COPN_Interface::CANopenConfigurationWindow() {
  return COPN_CALL(CANopenConfigurationWindow, &interface_, &network_);
}
int TVRK_COPN_Interface::HardwareConfigurationWindow(InterfaceConfiguration* record) {
  return COPN_CALL(HardwareConfigurationWindow, record);
}
int TVRK_COPN_Interface::ReadConfiguration(const char* key) {
  return COPN_CALL(ReadConfiguration, key, &interface_, &network_);
}
int TVRK_COPN_Interface::SaveConfiguration(const char* key) {
  return COPN_CALL(SaveConfiguration, key, &interface_, &network_);
}
int TVRK_COPN_Interface::GetInterfaceName(int interfaceType, char* name) {
  return COPN_CALL(GetInterfaceName, interfaceType, name);
}
int TVRK_COPN_Interface::VersionInformationWindow() { return COPN_CALL(VersionInformationWindow, card_); }

int TVRK_COPN_Interface::UnloadDriver() {
  const int result = COPN_CALL(UnloadDriver);
  entries_->Release(library_);
  return result;
}

int TVRK_COPN_Interface::ReadIdentity(std::uint8_t node) {
  if (node >= kNodeCount) return 0;
  CopnNodeIdentity read = Identity(node);
  read.ValidBits = 0;
  const auto keep = [&](int result) {
    identities_.Put(node, read);
    return result;
  };
  SetSDOTimeout(kIdentitySdoTimeoutMs);
  if (SDO_Upload_UNSIGNED32(node, 0x1000, 0, &read.DeviceType) == 0 &&
      SDO_Upload_UNSIGNED32(node, 0x1000, 0, &read.DeviceType) == 0) {
    return keep(0);
  }
  read.ValidBits |= CopnNodeIdentity::kDeviceType;
  if (SDO_Upload_UNSIGNED8(node, 0x1001, 0, &read.ErrorRegister) != 0) {
    read.ValidBits |= CopnNodeIdentity::kErrorRegister;
  }
  const auto readText = [&](std::uint16_t index, char* field, std::uint32_t bit) {
    std::uint8_t received[kTextCapacity];
    std::uint32_t length = sizeof received;
    if (SDO_Upload(node, index, 0, &length, received) == 0) return;
    length = std::min<std::uint32_t>(length, kTextCapacity - 1);
    std::memcpy(field, received, length);
    field[length] = '\0';
    read.ValidBits |= bit;
  };
  readText(0x1008, read.DeviceName, CopnNodeIdentity::kDeviceName);
  readText(0x1009, read.HardwareVersion, CopnNodeIdentity::kHardwareVersion);
  readText(0x100A, read.SoftwareVersion, CopnNodeIdentity::kSoftwareVersion);
  const struct {
    std::uint8_t subIndex;
    std::uint32_t* value;
    std::uint32_t bit;
  } identityObject[] = {
      {1, &read.VendorId, CopnNodeIdentity::kVendorId},
      {2, &read.ProductCode, CopnNodeIdentity::kProductCode},
      {3, &read.RevisionNumber, CopnNodeIdentity::kRevisionNumber},
      {4, &read.SerialNumber, CopnNodeIdentity::kSerialNumber},
  };
  for (const auto& entry : identityObject) {
    if (SDO_Upload_UNSIGNED32(node, 0x1018, entry.subIndex, entry.value) != 0) read.ValidBits |= entry.bit;
  }
  return keep(1);
}

CopnNodeIdentity TVRK_COPN_Interface::Identity(int node) const {
  return identities_.Get(node);
}
