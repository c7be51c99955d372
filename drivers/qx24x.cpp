// The QX24X driver library: the flash sectors of the maker's QX24X modules on
// a serial port or on USB — firmware written and read in pieces of at most
// 8 bytes, sectors erased, checksummed, made active or boot sector and
// executed, the module's identity, mode and upgrade mode.
#include <array>
#include <cstring>

#include "drivers/libraryexports.h"
#include "drivers/usbdeviceclass.h"

namespace drivers {
namespace {

bool ChooseTransport(std::int32_t, const InterfaceSettings& settings, Transport* transport) {
  // The library serves its modules whatever type the record names.
  *transport = settings.ComPort != 0 ? Transport::kSerial : Transport::kUsb;
  return true;
}

bool ModuleAnswers(Link& link) {
  std::int32_t major = 0, minor = 0;
  CommandChannel* channel = link.commands();
  return channel != nullptr && AskVersion(*channel, command::kFirmwareVersion, &major, &minor);
}

constexpr DriverProfile kQx24x{
    .name = "QX24X",
    .versionMajor = 1,
    .versionMinor = 7,
    .serialWriteMutexFormat = "Mutex_QX24XS_CAN_Lock%ld",
    .configurationCaption = "VRK QX24X Configuration",
    .driverFileName = "QX24X.DLL",
    .chooseTransport = ChooseTransport,
    .usbDeviceClass = kQx24xUsbClass,
    .usbWriteEventFormat = "QX24XU_WriteEventObject",
    .maxUsbDevices = 1,
    .handleIsSlotNumber = true,
    .acceptAnyMode = true,
    .microsecondStamps = true,
    .confirmOpen = ModuleAnswers,
};

}  // namespace

CardTable& LibraryCards() {
  static CardTable cards(kQx24x);
  return cards;
}

}  // namespace drivers

namespace {

using drivers::CommandChannel;
using drivers::LibraryCards;
using drivers::ModuleChannel;
using drivers::exports::AskInto;
using drivers::exports::Fail;
using drivers::exports::Present;
using drivers::exports::WithLink;
using ReplyForm = drivers::CommandChannel::ReplyForm;
namespace cmd = drivers::command;

constexpr std::uint32_t kSettingWaitMs = 1000;
// Erasing and starting a sector take the module a while.
constexpr std::uint32_t kSectorWorkWaitMs = 5000;

constexpr std::int32_t kLowestSector = 0;
constexpr std::int32_t kLowestWritableSector = 1;
constexpr std::int32_t kHighestSector = 7;
constexpr std::uint32_t kMaxTransfer = drivers::kMaxDataLength;
constexpr std::uint32_t kDescriptionAddress = 0x400;
constexpr std::size_t kDescriptionSize = 76;

bool SectorInRange(std::int32_t sector, std::int32_t lowest) {
  return (sector >= lowest && sector <= kHighestSector) || Fail(drivers::kErrorBadArgument);
}

template <typename Operation>
int WithModule(std::int32_t handle, Operation operation) {
  return WithLink(handle, [&](drivers::Link& link) {
    ModuleChannel* module = link.module();
    return module ? operation(*module) : Fail(drivers::kErrorNotSupported);
  });
}

// A sector setting that the module confirms by echoing the sector.
int ConfirmSector(std::int32_t handle, std::uint8_t code, std::int32_t sector, std::int32_t lowest,
                  std::uint32_t waitMs, std::span<const std::uint8_t> value = {}) {
  if (!SectorInRange(sector, lowest)) return 0;
  std::vector<std::uint8_t> arguments = {std::uint8_t(sector)};
  arguments.insert(arguments.end(), value.begin(), value.end());
  return WithModule(handle, [&](ModuleChannel& module) {
    return module.Confirm(code, arguments, 1, waitMs);
  });
}

template <typename Out>
int AskSector(std::int32_t handle, std::uint8_t code, std::int32_t sector, std::int32_t lowest,
              ReplyForm form, Out* out) {
  if (!SectorInRange(sector, lowest)) return 0;
  const std::uint8_t argument[] = {std::uint8_t(sector)};
  return AskInto(handle, code, form, out, argument);
}

std::array<std::uint8_t, 4> LittleEndian(std::uint32_t value) {
  return {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16),
          std::uint8_t(value >> 24)};
}

// Checks shared by firmware writes and reads. A transfer of no bytes is
// answered here: the module never sees an empty frame.
template <typename Operation>
int Transfer(std::int32_t handle, std::int32_t sector, std::int32_t lowest, std::uint32_t length,
             std::uint8_t* data, Operation operation) {
  if (!SectorInRange(sector, lowest)) return 0;
  if (length > kMaxTransfer) return Fail(drivers::kErrorTransferTooLong);
  if (length > 0 && !Present(data)) return 0;
  return WithModule(handle, [&](ModuleChannel& module) {
    return length == 0 || operation(module, std::span(data, length));
  });
}

}  // namespace

// A link whose module has vanished is open still, but no module is there.
DRIVER_EXPORT int USB_DeviceState(std::int32_t handle, std::int32_t) {
  const std::shared_ptr<drivers::Link> link = LibraryCards().Find(handle);
  return link && !link->DeviceGone() ? 1 : 0;
}

DRIVER_EXPORT int Download_Firmware(std::int32_t handle, std::int32_t sector, std::uint32_t address,
                                    std::uint32_t length, std::uint8_t* data) {
  return Transfer(handle, sector, kLowestWritableSector, length, data,
                  [&](ModuleChannel& module, std::span<std::uint8_t> bytes) {
                    return module.WriteFirmware(std::uint8_t(sector), address, bytes);
                  });
}

DRIVER_EXPORT int Upload_Firmware(std::int32_t handle, std::int32_t sector, std::uint32_t address,
                                  std::uint32_t length, std::uint8_t* data) {
  return Transfer(handle, sector, kLowestSector, length, data,
                  [&](ModuleChannel& module, std::span<std::uint8_t> bytes) {
                    return module.ReadFirmware(std::uint8_t(sector), address, bytes);
                  });
}

// The caller's 76 bytes are written only once the whole description came.
DRIVER_EXPORT int Get_Sector_Description(std::int32_t handle, std::int32_t sector,
                                         char* description) {
  if (!Present(description)) return 0;
  std::array<std::uint8_t, kDescriptionSize> bytes{};
  for (std::size_t at = 0; at < kDescriptionSize; at += kMaxTransfer) {
    const std::uint32_t length = std::uint32_t(std::min<std::size_t>(kMaxTransfer, kDescriptionSize - at));
    if (!Upload_Firmware(handle, sector, kDescriptionAddress + std::uint32_t(at), length, &bytes[at]))
      return 0;
  }
  std::memcpy(description, bytes.data(), kDescriptionSize);
  return 1;
}

DRIVER_EXPORT int Erase_Sector(std::int32_t handle, std::int32_t sector) {
  return ConfirmSector(handle, cmd::kEraseSector, sector, kLowestWritableSector, kSectorWorkWaitMs);
}

// The module answers before it restarts into the sector.
DRIVER_EXPORT int Execute_Firmware(std::int32_t handle, std::int32_t sector) {
  if (!SectorInRange(sector, kLowestSector)) return 0;
  const std::uint8_t argument[] = {std::uint8_t(sector)};
  return WithModule(handle, [&](ModuleChannel& module) {
    return module.Confirm(cmd::kExecuteSector, argument, 0, kSectorWorkWaitMs);
  });
}

DRIVER_EXPORT int Set_Sector_Checksum(std::int32_t handle, std::int32_t sector,
                                      std::uint32_t checksum) {
  return ConfirmSector(handle, cmd::kSetSectorChecksum, sector, kLowestSector, kSettingWaitMs,
                       LittleEndian(checksum));
}

DRIVER_EXPORT int Set_Active_Sector(std::int32_t handle, std::int32_t sector) {
  return ConfirmSector(handle, cmd::kSetActiveSector, sector, kLowestSector, kSettingWaitMs);
}

DRIVER_EXPORT int Set_Boot_Sector(std::int32_t handle, std::int32_t sector) {
  return ConfirmSector(handle, cmd::kSetBootSector, sector, kLowestSector, kSettingWaitMs);
}

DRIVER_EXPORT int Get_Sector_Checksum(std::int32_t handle, std::int32_t sector,
                                      std::uint32_t* checksum) {
  return AskSector(handle, cmd::kSectorChecksum, sector, kLowestWritableSector, ReplyForm::kEcho,
                   checksum);
}

DRIVER_EXPORT int Checksum_Ok(std::int32_t handle, std::int32_t sector, std::int32_t* ok) {
  std::uint8_t value = 0;
  if (!Present(ok) ||
      !AskSector(handle, cmd::kChecksumOk, sector, kLowestWritableSector, ReplyForm::kEcho, &value))
    return 0;
  *ok = value;
  return 1;
}

DRIVER_EXPORT int Get_Sector_Size(std::int32_t handle, std::int32_t sector, std::uint32_t* size) {
  return AskSector(handle, cmd::kSectorSize, sector, kLowestSector, ReplyForm::kTagged, size);
}

DRIVER_EXPORT int Get_Mode(std::int32_t handle, std::uint8_t* mode) {
  return AskInto(handle, cmd::kMode, ReplyForm::kEcho, mode);
}

DRIVER_EXPORT int Get_Active_Sector(std::int32_t handle, std::uint8_t* sector) {
  return AskInto(handle, cmd::kActiveSector, ReplyForm::kTagged, sector);
}

DRIVER_EXPORT int Get_Boot_Sector(std::int32_t handle, std::uint8_t* sector) {
  return AskInto(handle, cmd::kBootSector, ReplyForm::kTagged, sector);
}

DRIVER_EXPORT int Get_Serial_Number(std::int32_t handle, std::uint32_t* serial) {
  return AskInto(handle, cmd::kSerialNumber, ReplyForm::kTagged, serial);
}

DRIVER_EXPORT int Set_Serial_Number(std::int32_t handle, std::uint32_t serial) {
  const auto bytes = LittleEndian(serial);
  return WithModule(handle, [&](ModuleChannel& module) {
    return module.Confirm(cmd::kSetSerialNumber, bytes, 0, kSettingWaitMs);
  });
}

// The module then restarts into its boot loader (mode 0) and drops the link;
// the caller closes and reopens.
DRIVER_EXPORT int FirmwareUpgradeMode(std::int32_t handle, std::uint32_t code) {
  return WithModule(handle, [&](ModuleChannel& module) { return module.EnterUpgradeMode(code); });
}

DRIVER_EXPORT int Reset(std::int32_t handle) {
  return WithModule(handle, [](ModuleChannel& module) {
    return module.Confirm(cmd::kModuleReset, {}, 0, kSettingWaitMs);
  });
}

DRIVER_EXPORT int SaveConfiguration(const char* baseKey, InterfaceConfiguration* record) {
  return drivers::ForwardConfiguration(drivers::ConfigurationStore::kSave, baseKey, record);
}

DRIVER_EXPORT int ReadConfiguration(const char* baseKey, InterfaceConfiguration* record) {
  return drivers::ForwardConfiguration(drivers::ConfigurationStore::kRead, baseKey, record);
}
