#pragma once
// The interface record that says which hardware a library opens and with which
// settings, the network records of the three buses, and the interface type
// codes. These layouts cross every library boundary by pointer and are kept
// in the registry by the configuration libraries: they must not change.
#include <cstddef>
#include <cstdint>

// Interface type codes: the low 16 bits name the hardware, the bits above the
// network family (0 CAN, 1 DeviceNet, 2 CANopen, 4 QX262, 0x800 QX24X).
inline constexpr std::int32_t CAN_INTERFACE_QX240 = 0x1;
inline constexpr std::int32_t CAN_INTERFACE_SST_CAN2A = 0x10;
inline constexpr std::int32_t CAN_INTERFACE_AB_KFD = 0x20;
inline constexpr std::int32_t CAN_INTERFACE_IXXAT_VCI = 0x30;
inline constexpr std::int32_t DNET_INTERFACE_QX241 = 0x10001;
inline constexpr std::int32_t DNET_INTERFACE_SST_DNSCAN = 0x10010;
inline constexpr std::int32_t COPN_INTERFACE_QX242 = 0x20001;
inline constexpr std::int32_t INTERFACE_QX262 = 0x40001;
inline constexpr std::int32_t INTERFACE_QX24X = 0x8000001;

// Longest display name with its NUL ("AB 1770-KFD").
inline constexpr std::size_t kInterfaceNameCapacity = 12;
inline constexpr std::size_t kAccessPointCapacity = 256;

#pragma pack(push, 1)

// The settings that follow the type word of an InterfaceConfiguration; OpenCard
// of every access library and driver takes the type and this block apart.
struct InterfaceSettings {
  std::int32_t Port;       // I/O port of an SST card
  std::int32_t Irq;        // interrupt line
  std::int32_t ComPort;    // serial port 1 to 4; 0 means USB for QX24X and QX242
  std::int32_t ComBaud;    // 9600, 19200, 38400 or 57600
  std::int32_t SubType;    // IXXAT board type
  std::int32_t Number;     // IXXAT board number
  std::int32_t Reserved0;  // the reserved words are carried and stored, never interpreted
  std::int32_t Reserved1;
  std::int32_t Reserved2;
  std::int32_t Reserved3;
  char AccessPoint[kAccessPointCapacity];  // NUL-terminated, at most 255 characters
};

struct InterfaceConfiguration {
  std::int32_t InterfaceType;
  std::int32_t Port;
  std::int32_t Irq;
  std::int32_t ComPort;
  std::int32_t ComBaud;
  std::int32_t SubType;
  std::int32_t Number;
  std::int32_t Reserved0;
  std::int32_t Reserved1;
  std::int32_t Reserved2;
  std::int32_t Reserved3;
  char AccessPoint[kAccessPointCapacity];
};

// The network records: only the leading fields are interpreted; the rest is
// carried unchanged by every copy.
struct CANConfiguration {
  std::int32_t BaudRate;  // bit/s
  std::int32_t Standard;  // 0/1: 11-bit identifiers
  std::int32_t Extended;  // 0/1: 29-bit identifiers
  std::uint8_t Spare[40];
};

struct DeviceNetConfiguration {
  std::int32_t MacId;         // 0 to 63
  std::int32_t BaudRate;      // 125000, 250000 or 500000
  std::int32_t ScanInterval;  // ms
  std::uint8_t Spare[40];
};

struct CANopenConfiguration {
  std::int32_t NodeID;    // 1 to 127
  std::int32_t BaudRate;  // bit/s
  std::uint8_t Spare[44];
};

#pragma pack(pop)

static_assert(sizeof(InterfaceConfiguration) == 300);
static_assert(offsetof(InterfaceConfiguration, InterfaceType) == 0);
static_assert(offsetof(InterfaceConfiguration, Port) == 4);
static_assert(offsetof(InterfaceConfiguration, Irq) == 8);
static_assert(offsetof(InterfaceConfiguration, ComPort) == 12);
static_assert(offsetof(InterfaceConfiguration, ComBaud) == 16);
static_assert(offsetof(InterfaceConfiguration, SubType) == 20);
static_assert(offsetof(InterfaceConfiguration, Number) == 24);
static_assert(offsetof(InterfaceConfiguration, Reserved0) == 28);
static_assert(offsetof(InterfaceConfiguration, Reserved3) == 40);
static_assert(offsetof(InterfaceConfiguration, AccessPoint) == 44);

static_assert(sizeof(InterfaceSettings) == 296);
static_assert(offsetof(InterfaceSettings, Port) == 0);
static_assert(offsetof(InterfaceSettings, Irq) == 4);
static_assert(offsetof(InterfaceSettings, ComPort) == 8);
static_assert(offsetof(InterfaceSettings, ComBaud) == 12);
static_assert(offsetof(InterfaceSettings, SubType) == 16);
static_assert(offsetof(InterfaceSettings, Number) == 20);
static_assert(offsetof(InterfaceSettings, Reserved0) == 24);
static_assert(offsetof(InterfaceSettings, Reserved3) == 36);
static_assert(offsetof(InterfaceSettings, AccessPoint) == 40);

static_assert(sizeof(CANConfiguration) == 52);
static_assert(offsetof(CANConfiguration, BaudRate) == 0);
static_assert(offsetof(CANConfiguration, Standard) == 4);
static_assert(offsetof(CANConfiguration, Extended) == 8);
static_assert(sizeof(DeviceNetConfiguration) == 52);
static_assert(offsetof(DeviceNetConfiguration, MacId) == 0);
static_assert(offsetof(DeviceNetConfiguration, BaudRate) == 4);
static_assert(offsetof(DeviceNetConfiguration, ScanInterval) == 8);
static_assert(sizeof(CANopenConfiguration) == 52);
static_assert(offsetof(CANopenConfiguration, NodeID) == 0);
static_assert(offsetof(CANopenConfiguration, BaudRate) == 4);

// The settings block of a record: the bytes after its type word.
inline InterfaceSettings* SettingsOf(InterfaceConfiguration* cfg) {
  return reinterpret_cast<InterfaceSettings*>(reinterpret_cast<char*>(cfg) + sizeof(cfg->InterfaceType));
}
inline const InterfaceSettings* SettingsOf(const InterfaceConfiguration* cfg) {
  return reinterpret_cast<const InterfaceSettings*>(reinterpret_cast<const char*>(cfg) + sizeof(cfg->InterfaceType));
}

// The display name of an interface type, or null for a type without one.
inline const char* InterfaceDisplayName(std::int32_t type) {
  switch (type) {
    case CAN_INTERFACE_QX240: return "VRK QX240";
    case CAN_INTERFACE_SST_CAN2A: return "SST CAN2A";
    case CAN_INTERFACE_AB_KFD: return "AB 1770-KFD";
    case CAN_INTERFACE_IXXAT_VCI: return "IXXAT VCI";
    case DNET_INTERFACE_QX241: return "VRK QX241";
    case DNET_INTERFACE_SST_DNSCAN: return "SST DNSCAN";
    case COPN_INTERFACE_QX242: return "VRK QX242";
    case INTERFACE_QX24X: return "VRK QX24X";
    default: return nullptr;
  }
}
