// The QX262 driver library: the maker's QX262 interface (interface type
// 0x40001 only), on a serial port or on USB, with the CAN adapter export set.
#include "drivers/adapterexports.h"
#include "drivers/usbdeviceclass.h"

namespace drivers {
namespace {

constexpr std::int32_t kQx262InterfaceType = 0x40001;

bool ChooseTransport(std::int32_t interfaceType, const InterfaceSettings& settings,
                     Transport* transport) {
  if (interfaceType != kQx262InterfaceType) return false;
  *transport = settings.ComPort != 0 ? Transport::kSerial : Transport::kUsb;
  return true;
}

constexpr DriverProfile kQx262{
    .name = "QX262",
    .versionMajor = 1,
    .versionMinor = 6,
    .serialWriteMutexFormat = "Mutex_QX262S_CAN_Lock%ld",
    .configurationCaption = "VRK QX262 Configuration",
    .driverFileName = "QX262.DLL",
    .chooseTransport = ChooseTransport,
    .ownInterfaceType = kQx262InterfaceType,
    .usbDeviceClass = kQx262UsbClass,
    .usbWriteEventFormat = "QX262U_WriteEventObject",
    .maxUsbDevices = 1,
};

}  // namespace

CardTable& LibraryCards() {
  static CardTable cards(kQx262);
  return cards;
}

}  // namespace drivers

DRIVER_EXPORT int SaveConfiguration(const char* baseKey, InterfaceConfiguration* record) {
  return drivers::ForwardConfiguration(drivers::ConfigurationStore::kSave, baseKey, record);
}

// The record read back always names this library's interface.
DRIVER_EXPORT int ReadConfiguration(const char* baseKey, InterfaceConfiguration* record) {
  const int result =
      drivers::ForwardConfiguration(drivers::ConfigurationStore::kRead, baseKey, record);
  if (record != nullptr) record->InterfaceType = drivers::kQx262.ownInterfaceType;
  return result;
}
