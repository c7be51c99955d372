#pragma once
// The card table shared by the driver libraries: ten slots, each holding one
// open link, found by the card handle the link handed out.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

#include "config/interfaceconfiguration.h"
#include "drivers/link.h"
#include "platform/usb.h"

// The exports of a driver library: C names, visible from the plug-in.
#define DRIVER_EXPORT extern "C" __attribute__((visibility("default")))

namespace drivers {

enum class Transport : std::int32_t { kKfd = 0, kSerial = 1, kUsb = 2 };

// What sets one driver library apart from the others built on the core.
struct DriverProfile {
  const char* name;  // DLL_Name at level 0
  std::int32_t versionMajor;
  std::int32_t versionMinor;
  const char* serialWriteMutexFormat;
  // The caption and driver file name the configuration window is opened with.
  const char* configurationCaption;
  const char* driverFileName;
  // The transport for an interface type and its settings; false for a type
  // the library does not serve.
  bool (*chooseTransport)(std::int32_t interfaceType, const InterfaceSettings& settings,
                          Transport* transport);
  // The interface type this library serves alone, set on the record its
  // configuration window gets; 0 when it serves several.
  std::int32_t ownInterfaceType = 0;
  // The USB device-interface class of the library's devices, the name of a
  // device's write event and how many devices it drives at once.
  platform::Guid usbDeviceClass{};
  const char* usbWriteEventFormat = "";
  int maxUsbDevices = 1;
  // QX24X: the card handle is the slot number, a module in any mode is
  // opened, unstamped frames carry microseconds, and an open counts only
  // once the module answered `confirmOpen`.
  bool handleIsSlotNumber = false;
  bool acceptAnyMode = false;
  bool microsecondStamps = false;
  bool (*confirmOpen)(Link& link) = nullptr;
};

class CardTable {
 public:
  static constexpr int kSlots = 10;

  explicit CardTable(const DriverProfile& profile) : profile_(profile) {}
  // Unloading the library closes every card still open.
  ~CardTable() { CloseAll(); }
  CardTable(const CardTable&) = delete;
  CardTable& operator=(const CardTable&) = delete;

  // Opening and closing are serialised: a slot is never reused while its
  // link is still being closed.
  int Open(std::int32_t* handle, std::int32_t interfaceType, const InterfaceSettings* settings);
  int Close(std::int32_t handle);
  void CloseAll();

  // The link of an open card; null (kErrorInvalidHandle) for an unknown
  // handle. A call in progress keeps its link alive while another thread
  // closes the card.
  std::shared_ptr<Link> Find(std::int32_t handle) const;

  const DriverProfile& profile() const { return profile_; }

 private:
  struct Slot {
    bool inUse = false;
    std::int32_t cardHandle = -1;
    Transport transport = Transport::kSerial;
    InterfaceSettings settings{};
    std::shared_ptr<Link> link;
  };

  std::shared_ptr<Link> OpenLink(Transport transport, const InterfaceSettings& settings) const;

  const DriverProfile& profile_;
  std::mutex openClose_;
  mutable std::mutex slotsMutex_;
  std::array<Slot, kSlots> slots_{};
};

// DLL_Name and DLL_Version: this library answers level 0 only; it has no
// layer below it.
int DriverName(const DriverProfile& profile, std::int32_t level, char* name);
int DriverVersion(const DriverProfile& profile, std::int32_t level, std::int32_t* major,
                  std::int32_t* minor);

// OpenInterface: the record's settings without the reserved words.
InterfaceSettings SettingsFromRecord(const InterfaceConfiguration& record);

// HardwareConfigurationWindow: the interface dialog of the QX24X
// configuration library, or 1 when that library or its window is missing.
int ShowHardwareConfigurationWindow(const DriverProfile& profile, InterfaceConfiguration* record);

// ReadConfiguration and SaveConfiguration: the same-named exports of the
// QX24X configuration library, or 0 when it or the entry is missing.
enum class ConfigurationStore { kRead, kSave };
int ForwardConfiguration(ConfigurationStore store, const char* baseKey,
                         InterfaceConfiguration* record);

}  // namespace drivers
