// The exports every driver library of the core has: names and versions,
// opening and closing cards, the configuration window, the version and
// identity queries, and the list of USB devices.
#include "drivers/libraryexports.h"
#include "drivers/usblink.h"

using drivers::CommandChannel;
using drivers::LibraryCards;
using drivers::exports::AskInto;
using drivers::exports::Present;
using drivers::exports::WithCommands;
using ReplyForm = drivers::CommandChannel::ReplyForm;
namespace cmd = drivers::command;

DRIVER_EXPORT int DLL_Version(std::int32_t level, std::int32_t* major, std::int32_t* minor) {
  return drivers::DriverVersion(LibraryCards().profile(), level, major, minor);
}

DRIVER_EXPORT int DLL_Name(std::int32_t level, char* name) {
  return drivers::DriverName(LibraryCards().profile(), level, name);
}

// The drivers hold no texts for their codes.
DRIVER_EXPORT int GetErrorString(std::int32_t, char*) { return 1; }
DRIVER_EXPORT int LoadDriver() { return 1; }
DRIVER_EXPORT int UnloadDriver() { return 1; }

DRIVER_EXPORT int OpenCard(std::int32_t* handle, std::int32_t interfaceType,
                           const InterfaceSettings* settings) {
  return LibraryCards().Open(handle, interfaceType, settings);
}

DRIVER_EXPORT int OpenInterface(std::int32_t* handle, const InterfaceConfiguration* record) {
  if (!Present(record)) return 0;
  const InterfaceSettings settings = drivers::SettingsFromRecord(*record);
  return LibraryCards().Open(handle, record->InterfaceType, &settings);
}

DRIVER_EXPORT int CloseCard(std::int32_t handle) { return LibraryCards().Close(handle); }
DRIVER_EXPORT int CloseInterface(std::int32_t handle) { return LibraryCards().Close(handle); }

DRIVER_EXPORT int HardwareConfigurationWindow(InterfaceConfiguration* record) {
  return drivers::ShowHardwareConfigurationWindow(LibraryCards().profile(), record);
}

DRIVER_EXPORT int Hardware_Version(std::int32_t handle, std::int32_t* major, std::int32_t* minor) {
  if (!Present(major, minor)) return 0;
  return WithCommands(handle, [&](CommandChannel& channel) {
    return drivers::AskVersion(channel, cmd::kHardwareVersion, major, minor);
  });
}

DRIVER_EXPORT int Firmware_Version(std::int32_t handle, std::int32_t* major, std::int32_t* minor) {
  if (!Present(major, minor)) return 0;
  return WithCommands(handle, [&](CommandChannel& channel) {
    return drivers::AskVersion(channel, cmd::kFirmwareVersion, major, minor);
  });
}

DRIVER_EXPORT int Get_Device_Type(std::int32_t handle, std::uint32_t* type) {
  return AskInto(handle, cmd::kDeviceType, ReplyForm::kEcho, type);
}
DRIVER_EXPORT int Get_Product_Code(std::int32_t handle, std::uint32_t* code) {
  return AskInto(handle, cmd::kProductCode, ReplyForm::kEcho, code);
}
DRIVER_EXPORT int Get_Product_Name(std::int32_t handle, char* name) {
  if (!Present(name)) return 0;
  return WithCommands(handle,
                      [&](CommandChannel& channel) { return drivers::AskProductName(channel, name); });
}

// The buffer holds `capacity` bytes; the texts that fit are listed.
DRIVER_EXPORT int List_USB_Devices(std::uint32_t* count, std::uint32_t capacity, char* buffer) {
  return drivers::ListUsbDevices(LibraryCards().profile().usbDeviceClass, count, capacity, buffer)
             ? 1
             : 0;
}
