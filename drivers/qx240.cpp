// The QX240 driver library: the maker's QX240 CAN adapter (interface type 1)
// and the 1770-KFD module (type 0x20).
#include "drivers/adapterexports.h"
#include "drivers/usbdeviceclass.h"

namespace drivers {
namespace {

bool ChooseTransport(std::int32_t interfaceType, const InterfaceSettings& settings,
                     Transport* transport) {
  switch (interfaceType) {
    case CAN_INTERFACE_QX240:
      *transport = settings.ComPort != 0 ? Transport::kSerial : Transport::kUsb;
      return true;
    case CAN_INTERFACE_AB_KFD:
      *transport = Transport::kKfd;
      return true;
    default:
      return false;
  }
}

constexpr DriverProfile kQx240{
    .name = "QX240",
    .versionMajor = 1,
    .versionMinor = 7,
    .serialWriteMutexFormat = "Mutex_QX240S_CAN_Lock%ld",
    .configurationCaption = "VRK QX240 Configuration",
    .driverFileName = "QX240.DLL",
    .chooseTransport = ChooseTransport,
    .usbDeviceClass = kQx240UsbClass,
    .usbWriteEventFormat = "QX240U_WriteEventObject%x",
    .maxUsbDevices = CardTable::kSlots,
};

}  // namespace

CardTable& LibraryCards() {
  static CardTable cards(kQx240);
  return cards;
}

}  // namespace drivers
