#include "config/configurationstore.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "platform/lasterror.h"
#include "platform/registry.h"

namespace config {

namespace {

// ---- The policies ----

// Which library knows which interface type by name.
enum LibraryMask : unsigned {
  kCanLibrary = 1u << 0,
  kDeviceNetLibrary = 1u << 1,
  kCANopenLibrary = 1u << 2,
  kQx24xLibrary = 1u << 3,
};

struct NamedType {
  std::int32_t type;
  unsigned knownTo;
};

constexpr NamedType kNamedTypes[] = {
    {CAN_INTERFACE_QX240, kCanLibrary | kDeviceNetLibrary | kCANopenLibrary | kQx24xLibrary},
    {CAN_INTERFACE_SST_CAN2A, kCanLibrary | kDeviceNetLibrary | kCANopenLibrary},
    {CAN_INTERFACE_AB_KFD, kCanLibrary | kDeviceNetLibrary | kCANopenLibrary},
    {CAN_INTERFACE_IXXAT_VCI, kCanLibrary | kCANopenLibrary},
    {DNET_INTERFACE_QX241, kDeviceNetLibrary},
    {DNET_INTERFACE_SST_DNSCAN, kDeviceNetLibrary},
    {COPN_INTERFACE_QX242, kCANopenLibrary},
    {INTERFACE_QX24X, kQx24xLibrary},
};

// A value of the network key: the record it belongs to and where.
enum class Record { kInterface, kNetwork };
// Flags are stored as 1 or 0 and read back as 1 when non-zero.
enum class Form { kInteger, kFlag };

struct NetworkValue {
  const char* name;
  Record record;
  std::size_t offset;
  Form form;
  // The value that an absent (or mistyped) registry value gives; none leaves
  // the field as the caller gave it.
  std::optional<std::int32_t> whenAbsent;
};

constexpr std::size_t kTypeOffset = offsetof(InterfaceConfiguration, InterfaceType);

constexpr NetworkValue kCanNetworkValues[] = {
    {"Interface Type", Record::kInterface, kTypeOffset, Form::kInteger, CAN_INTERFACE_QX240},
    {"BaudRate", Record::kNetwork, offsetof(CANConfiguration, BaudRate), Form::kInteger, 125000},
    {"Standard", Record::kNetwork, offsetof(CANConfiguration, Standard), Form::kFlag, 0},
    {"Extended", Record::kNetwork, offsetof(CANConfiguration, Extended), Form::kFlag, 0},
};

constexpr NetworkValue kDeviceNetNetworkValues[] = {
    {"Interface Type", Record::kInterface, kTypeOffset, Form::kInteger, std::nullopt},
    {"BaudRate", Record::kNetwork, offsetof(DeviceNetConfiguration, BaudRate), Form::kInteger, std::nullopt},
    {"MacId", Record::kNetwork, offsetof(DeviceNetConfiguration, MacId), Form::kInteger, std::nullopt},
    {"ScanInterval", Record::kNetwork, offsetof(DeviceNetConfiguration, ScanInterval), Form::kInteger,
     std::nullopt},
};

// The CANopen values are always written together; a key that lacks one of
// them leaves that field as the caller gave it.
constexpr NetworkValue kCANopenNetworkValues[] = {
    {"Interface Type", Record::kInterface, kTypeOffset, Form::kInteger, std::nullopt},
    {"BaudRate", Record::kNetwork, offsetof(CANopenConfiguration, BaudRate), Form::kInteger, std::nullopt},
    {"NodeID", Record::kNetwork, offsetof(CANopenConfiguration, NodeID), Form::kInteger, std::nullopt},
};

// The integer values of an interface key, in the order they are written.
struct InterfaceValue {
  const char* name;
  std::size_t offset;
  bool boardField;  // kept only by the libraries that serve IXXAT boards
};

constexpr InterfaceValue kInterfaceValues[] = {
    {"Port", offsetof(InterfaceConfiguration, Port), false},
    {"IRQ", offsetof(InterfaceConfiguration, Irq), false},
    {"ComPort", offsetof(InterfaceConfiguration, ComPort), false},
    {"ComBaud", offsetof(InterfaceConfiguration, ComBaud), false},
    {"SubType", offsetof(InterfaceConfiguration, SubType), true},
    {"Number", offsetof(InterfaceConfiguration, Number), true},
    {"Reserved0", offsetof(InterfaceConfiguration, Reserved0), true},
    {"Reserved1", offsetof(InterfaceConfiguration, Reserved1), true},
    {"Reserved2", offsetof(InterfaceConfiguration, Reserved2), true},
    {"Reserved3", offsetof(InterfaceConfiguration, Reserved3), true},
};

constexpr const char* kInterfaceTypeValue = "Interface Type";
constexpr const char* kAccessPointValue = "Access Point";
constexpr const char* kInterfaceKey = "Interface Configuration\\";

struct StorePolicy {
  unsigned library;
  const char* networkKey;  // null: the library has no network key
  std::span<const NetworkValue> networkValues;
  bool writesTypeToInterfaceKey;  // written for people; never read back
  bool keepsBoardFields;
  // Zero fields and an empty access point are removed from the interface key
  // instead of written, so that what is read back is what was saved.
  bool removesEmptyInterfaceValues;
};

const StorePolicy& PolicyOf(ConfigurationLibrary library) {
  static const StorePolicy kCan{kCanLibrary, "CAN Configuration", kCanNetworkValues, true, true, false};
  static const StorePolicy kDeviceNet{kDeviceNetLibrary, "DeviceNet Configuration", kDeviceNetNetworkValues,
                                      true, true, true};
  static const StorePolicy kCANopen{kCANopenLibrary, "CANopen Configuration", kCANopenNetworkValues,
                                    true, false, false};
  static const StorePolicy kQx24x{kQx24xLibrary, nullptr, {}, false, false, false};
  switch (library) {
    case ConfigurationLibrary::kCan: return kCan;
    case ConfigurationLibrary::kDeviceNet: return kDeviceNet;
    case ConfigurationLibrary::kCANopen: return kCANopen;
    case ConfigurationLibrary::kQx24x: break;
  }
  return kQx24x;
}

// ---- Engine ----

const char* DisplayNameFor(const StorePolicy& policy, std::int32_t type) {
  for (const NamedType& named : kNamedTypes) {
    if (named.type == type && (named.knownTo & policy.library) != 0) return InterfaceDisplayName(type);
  }
  return "";
}

std::int32_t* FieldAt(void* record, std::size_t offset) {
  return reinterpret_cast<std::int32_t*>(static_cast<char*>(record) + offset);
}

std::int32_t FieldAt(const void* record, std::size_t offset) {
  std::int32_t value;
  std::memcpy(&value, static_cast<const char*>(record) + offset, sizeof value);
  return value;
}

std::string InterfaceKeyPath(const StorePolicy& policy, const char* baseKey, std::int32_t type) {
  return std::string(baseKey) + kInterfaceKey + DisplayNameFor(policy, type);
}

bool ArgumentsGiven(const StorePolicy& policy, const char* baseKey, const void* cfg, const void* network) {
  if (baseKey != nullptr && cfg != nullptr && (network != nullptr || policy.networkKey == nullptr)) return true;
  platform::SetLastError(platform::kErrorInvalidParameter);
  return false;
}

void ReadNetworkKey(const StorePolicy& policy, const char* baseKey, InterfaceConfiguration* cfg, void* network) {
  platform::Registry registry;
  if (policy.networkKey == nullptr || !registry.OpenKey(std::string(baseKey) + policy.networkKey, false)) return;
  for (const NetworkValue& value : policy.networkValues) {
    void* record = value.record == Record::kInterface ? static_cast<void*>(cfg) : network;
    std::optional<std::int32_t> stored = registry.ReadInteger(value.name);
    if (stored && value.form == Form::kFlag) stored = *stored != 0 ? 1 : 0;
    if (!stored) stored = value.whenAbsent;
    if (stored) *FieldAt(record, value.offset) = *stored;
  }
  registry.CloseKey();
}

// Copies a stored access point into the record: at most 255 characters and
// the NUL, never past the field.
void CopyAccessPoint(const std::string& text, InterfaceConfiguration* cfg) {
  std::size_t length = std::min(text.size(), kAccessPointCapacity - 1);
  std::memcpy(cfg->AccessPoint, text.data(), length);
  cfg->AccessPoint[length] = '\0';
}

// The record's access point: its text up to the NUL, at most 255 characters
// even when the caller's field lacks the NUL.
std::string AccessPointOf(const InterfaceConfiguration* cfg) {
  return std::string(cfg->AccessPoint, strnlen(cfg->AccessPoint, kAccessPointCapacity - 1));
}

void WriteNetworkKey(const StorePolicy& policy, const char* baseKey, const InterfaceConfiguration* cfg,
                     const void* network) {
  platform::Registry registry;
  if (policy.networkKey == nullptr || !registry.OpenKey(std::string(baseKey) + policy.networkKey, true)) return;
  for (const NetworkValue& value : policy.networkValues) {
    const void* record = value.record == Record::kInterface ? static_cast<const void*>(cfg) : network;
    std::int32_t field = FieldAt(record, value.offset);
    if (value.form == Form::kFlag) field = field != 0 ? 1 : 0;
    registry.WriteInteger(value.name, field);
  }
  registry.CloseKey();
}

// Removing a value that is not there is no failure.
bool RemoveValue(platform::Registry& registry, const char* name) {
  return registry.DeleteValue(name) || platform::GetLastError() == platform::kErrorFileNotFound;
}

bool WriteInterfaceInteger(const StorePolicy& policy, platform::Registry& registry, const char* name,
                           std::int32_t field) {
  if (field == 0 && policy.removesEmptyInterfaceValues) return RemoveValue(registry, name);
  return registry.WriteInteger(name, field);
}

bool WriteAccessPoint(const StorePolicy& policy, platform::Registry& registry, const std::string& text) {
  if (text.empty() && policy.removesEmptyInterfaceValues) return RemoveValue(registry, kAccessPointValue);
  return registry.WriteString(kAccessPointValue, text);
}

}  // namespace

int GetInterfaceName(ConfigurationLibrary library, std::int32_t interfaceType, char* name) {
  if (name == nullptr) {
    platform::SetLastError(platform::kErrorInvalidParameter);
    return 0;
  }
  const char* displayName = DisplayNameFor(PolicyOf(library), interfaceType);
  std::strcpy(name, displayName);
  return displayName[0] != '\0' ? 1 : 0;
}

int ReadConfiguration(ConfigurationLibrary library, const char* baseKey, InterfaceConfiguration* cfg,
                      void* network) {
  const StorePolicy& policy = PolicyOf(library);
  if (!ArgumentsGiven(policy, baseKey, cfg, network)) return 0;
  ReadNetworkKey(policy, baseKey, cfg, network);

  platform::Registry registry;
  if (!registry.OpenKey(InterfaceKeyPath(policy, baseKey, cfg->InterfaceType), false)) return 0;
  for (const InterfaceValue& value : kInterfaceValues) {
    if (value.boardField && !policy.keepsBoardFields) continue;
    *FieldAt(cfg, value.offset) = registry.ReadInteger(value.name).value_or(0);
  }
  CopyAccessPoint(registry.ReadString(kAccessPointValue).value_or(""), cfg);
  registry.CloseKey();
  return 1;
}

int SaveConfiguration(ConfigurationLibrary library, const char* baseKey, const InterfaceConfiguration* cfg,
                      const void* network) {
  const StorePolicy& policy = PolicyOf(library);
  if (!ArgumentsGiven(policy, baseKey, cfg, network)) return 0;
  WriteNetworkKey(policy, baseKey, cfg, network);

  platform::Registry registry;
  if (!registry.OpenKey(InterfaceKeyPath(policy, baseKey, cfg->InterfaceType), true)) return 0;
  // Every value must be stored for the save to count as done.
  bool stored = !policy.writesTypeToInterfaceKey || registry.WriteInteger(kInterfaceTypeValue, cfg->InterfaceType);
  for (const InterfaceValue& value : kInterfaceValues) {
    if (value.boardField && !policy.keepsBoardFields) continue;
    stored = WriteInterfaceInteger(policy, registry, value.name, FieldAt(cfg, value.offset)) && stored;
  }
  stored = WriteAccessPoint(policy, registry, AccessPointOf(cfg)) && stored;
  registry.CloseKey();
  return stored ? 1 : 0;
}

}  // namespace config
