#include "drivers/drivercore.h"

#include <cstring>

#include "drivers/seriallink.h"
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

  std::lock_guard lock(slotsMutex_);
  *free = Slot{true, link->handle(), transport, *settings, link};
  *handle = link->handle();
  return 1;
}

std::shared_ptr<Link> CardTable::OpenLink(Transport transport,
                                          const InterfaceSettings& settings) const {
  switch (transport) {
    case Transport::kSerial:
      return SerialLink::Open({.comPort = settings.ComPort,
                               .comBaud = settings.ComBaud,
                               .writeMutexFormat = profile_.serialWriteMutexFormat});
    case Transport::kUsb:
    case Transport::kKfd:
      break;  // these links are not part of this build
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

int ShowHardwareConfigurationWindow(const DriverProfile& profile, InterfaceConfiguration* record) {
  using Window = int (*)(const char* caption, const char* driverFileName, std::int32_t* result,
                         InterfaceConfiguration* record);
  // Loaded once and kept: the dialog may call back into this library.
  static const Window window = platform::BindEntryPoint<Window>(
      platform::LoadLibrary("VRK_QX24X_CFG.dll"), "VRK_QX24X_HardwareConfigurationWindow");
  if (window == nullptr) return 1;
  std::int32_t result = 0;
  return window(profile.configurationCaption, profile.driverFileName, &result, record);
}

}  // namespace drivers
