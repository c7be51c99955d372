#include "drivers/drivercore.h"

#include <cstring>

#include "drivers/kfdlink.h"
#include "drivers/seriallink.h"
#include "drivers/usblink.h"
#include "platform/lasterror.h"
#include "platform/module.h"

namespace drivers {

int CardTable::Open(std::int32_t* handle, std::int32_t interfaceType,
                    const InterfaceSettings* settings) {
  if (handle == nullptr || settings == nullptr) {
    platform::SetLastError(platform::kErrorInvalidParameter);
    return 0;
  }
  std::lock_guard serial(openClose_);
  Slot* free = nullptr;
  {
    std::lock_guard lock(slotsMutex_);
    for (Slot& slot : slots_) {
      if (!slot.inUse) {
        free = &slot;
        break;
      }
    }
  }
  if (free == nullptr) return 0;
  Transport transport;
  if (!profile_.chooseTransport(interfaceType, *settings, &transport)) {
    *handle = -1;
    return 0;
  }
  std::shared_ptr<Link> link = OpenLink(transport, *settings);
  if (!link) return 0;
  // A module that does not answer is closed again: no link stays open
  // behind a failed open, and the slot stays free.
  if (profile_.confirmOpen != nullptr && !profile_.confirmOpen(*link)) {
    const std::uint32_t code = platform::GetLastError();
    link->Close();
    platform::SetLastError(code);
    return 0;
  }

  std::lock_guard lock(slotsMutex_);
  const std::int32_t cardHandle =
      profile_.handleIsSlotNumber ? std::int32_t(free - slots_.data()) : link->handle();
  *free = Slot{true, cardHandle, transport, *settings, link};
  *handle = cardHandle;
  return 1;
}

std::shared_ptr<Link> CardTable::OpenLink(Transport transport,
                                          const InterfaceSettings& settings) const {
  switch (transport) {
    case Transport::kSerial:
      return SerialLink::Open({.comPort = settings.ComPort,
                               .comBaud = settings.ComBaud,
                               .writeMutexFormat = profile_.serialWriteMutexFormat,
                               .acceptAnyMode = profile_.acceptAnyMode,
                               .microsecondStamps = profile_.microsecondStamps});
    case Transport::kUsb: {
      // The access point is a NUL-terminated text in a fixed field.
      const char* accessPoint = settings.AccessPoint;
      return UsbLink::Open({.deviceClass = profile_.usbDeviceClass,
                            .accessPoint = std::string(accessPoint,
                                                       strnlen(accessPoint, sizeof settings.AccessPoint)),
                            .writeEventFormat = profile_.usbWriteEventFormat,
                            .maxOpenDevices = profile_.maxUsbDevices});
    }
    case Transport::kKfd:
      return KfdLink::Open({.comPort = settings.ComPort, .comBaud = settings.ComBaud});
  }
  platform::SetLastError(kErrorNotSupported);
  return nullptr;
}

int CardTable::Close(std::int32_t handle) {
  std::lock_guard serial(openClose_);
  std::shared_ptr<Link> link = Find(handle);
  if (!link) return 0;
  const bool closed = link->Close();
  std::lock_guard lock(slotsMutex_);
  for (Slot& slot : slots_) {
    if (slot.inUse && slot.cardHandle == handle) slot = Slot{};
  }
  return closed ? 1 : 0;
}

void CardTable::CloseAll() {
  std::lock_guard serial(openClose_);
  for (Slot& slot : slots_) {
    std::shared_ptr<Link> link;
    {
      std::lock_guard lock(slotsMutex_);
      link = std::move(slot.link);
      slot = Slot{};
    }
    if (link) link->Close();
  }
}

std::shared_ptr<Link> CardTable::Find(std::int32_t handle) const {
  std::lock_guard lock(slotsMutex_);
  for (const Slot& slot : slots_) {
    if (slot.inUse && slot.cardHandle == handle) return slot.link;
  }
  platform::SetLastError(platform::kErrorInvalidHandle);
  return nullptr;
}

int DriverName(const DriverProfile& profile, std::int32_t level, char* name) {
  if (name == nullptr) return 0;
  std::strcpy(name, level == 0 ? profile.name : "NULL");
  return level == 0 ? 1 : 0;
}

int DriverVersion(const DriverProfile& profile, std::int32_t level, std::int32_t* major,
                  std::int32_t* minor) {
  if (major == nullptr || minor == nullptr) return 0;
  *major = level == 0 ? profile.versionMajor : 0;
  *minor = level == 0 ? profile.versionMinor : 0;
  return level == 0 ? 1 : 0;
}

InterfaceSettings SettingsFromRecord(const InterfaceConfiguration& record) {
  InterfaceSettings settings = *SettingsOf(&record);
  settings.Reserved0 = settings.Reserved1 = settings.Reserved2 = settings.Reserved3 = 0;
  return settings;
}

namespace {

// Loaded once and kept: the dialogs may call back into this library.
platform::ModuleHandle ConfigurationLibrary() {
  static const platform::ModuleHandle library = platform::LoadLibrary("VRK_QX24X_CFG.dll");
  return library;
}

}  // namespace

int ShowHardwareConfigurationWindow(const DriverProfile& profile, InterfaceConfiguration* record) {
  using Window = int (*)(const char* caption, const char* driverFileName, std::int32_t* result,
                         InterfaceConfiguration* record);
  static const Window window =
      platform::BindEntryPoint<Window>(ConfigurationLibrary(), "VRK_QX24X_HardwareConfigurationWindow");
  if (record != nullptr && profile.ownInterfaceType != 0) record->InterfaceType = profile.ownInterfaceType;
  // No window, no change: the caller must not take its record as confirmed.
  if (window == nullptr) return 0;
  std::int32_t result = 0;
  return window(profile.configurationCaption, profile.driverFileName, &result, record);
}

int ForwardConfiguration(ConfigurationStore store, const char* baseKey,
                         InterfaceConfiguration* record) {
  using Entry = int (*)(const char* baseKey, InterfaceConfiguration* record);
  static const Entry read = platform::BindEntryPoint<Entry>(ConfigurationLibrary(), "ReadConfiguration");
  static const Entry save = platform::BindEntryPoint<Entry>(ConfigurationLibrary(), "SaveConfiguration");
  const Entry entry = store == ConfigurationStore::kRead ? read : save;
  if (entry == nullptr) {
    platform::SetLastError(platform::kErrorProcNotFound);
    return 0;
  }
  return entry(baseKey, record);
}

}  // namespace drivers
