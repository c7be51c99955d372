#pragma once
// The exports that the CAN adapter driver libraries (qx240.so, qx262.so)
// offer, bound by name as their callers bind them. An export a library does
// not offer stays null.
#include <cstdint>

#include "config/interfaceconfiguration.h"
#include "drivers/canmessage.h"
#include "platform/handles.h"
#include "tests/support/boundlibrary.h"

namespace drivertest {

struct AdapterApi : benchtest::BoundLibrary {
  explicit AdapterApi(const char* file) : BoundLibrary(file) {}
  BOUND_EXPORT(DLL_Name, int(std::int32_t, char*));
  BOUND_EXPORT(DLL_Version, int(std::int32_t, std::int32_t*, std::int32_t*));
  BOUND_EXPORT(GetErrorString, int(std::int32_t, char*));
  BOUND_EXPORT(LoadDriver, int());
  BOUND_EXPORT(OpenCard, int(std::int32_t*, std::int32_t, const InterfaceSettings*));
  BOUND_EXPORT(OpenInterface, int(std::int32_t*, const InterfaceConfiguration*));
  BOUND_EXPORT(CloseCard, int(std::int32_t));
  BOUND_EXPORT(HardwareConfigurationWindow, int(InterfaceConfiguration*));
  BOUND_EXPORT(Hardware_Version, int(std::int32_t, std::int32_t*, std::int32_t*));
  BOUND_EXPORT(Firmware_Version, int(std::int32_t, std::int32_t*, std::int32_t*));
  BOUND_EXPORT(CAN_Transmit, int(std::int32_t, const drivers::CanMessage*));
  BOUND_EXPORT(CAN_Receive, int(std::int32_t, drivers::CanMessage*));
  BOUND_EXPORT(CAN_RegisterReceiveEvent, int(std::int32_t, platform::Handle, std::int32_t));
  BOUND_EXPORT(CAN_SetOnline, int(std::int32_t, std::int32_t));
  BOUND_EXPORT(CAN_GetOnline, int(std::int32_t, std::int32_t*));
  BOUND_EXPORT(CAN_SetBaud, int(std::int32_t, std::uint32_t));
  BOUND_EXPORT(CAN_GetBaud, int(std::int32_t, std::uint32_t*));
  BOUND_EXPORT(CAN_SetId, int(std::int32_t, std::int32_t));
  BOUND_EXPORT(CAN_GetGlobalMaskShort, int(std::int32_t, std::uint32_t*));
  BOUND_EXPORT(CAN_GetGlobalMaskLong, int(std::int32_t, std::uint32_t*));
  BOUND_EXPORT(CAN_GetLastMessageMask, int(std::int32_t, std::uint32_t*));
  BOUND_EXPORT(CAN_GetMessageArbitration, int(std::int32_t, std::int32_t, std::uint32_t*));
  BOUND_EXPORT(CAN_SetGlobalMaskShort, int(std::int32_t, std::uint32_t));
  BOUND_EXPORT(CAN_SetGlobalMaskLong, int(std::int32_t, std::uint32_t));
  BOUND_EXPORT(CAN_SetLastMessageMask, int(std::int32_t, std::uint32_t));
  BOUND_EXPORT(CAN_SetMessageArbitration, int(std::int32_t, std::int32_t, std::uint32_t));
  BOUND_EXPORT(CAN_GetBrp, int(std::int32_t, std::uint8_t*));
  BOUND_EXPORT(CAN_GetSjw, int(std::int32_t, std::uint8_t*));
  BOUND_EXPORT(CAN_GetTSeg1, int(std::int32_t, std::uint8_t*));
  BOUND_EXPORT(CAN_GetTSeg2, int(std::int32_t, std::uint8_t*));
  BOUND_EXPORT(CAN_SetBrp, int(std::int32_t, std::int32_t));
  BOUND_EXPORT(CAN_SetSjw, int(std::int32_t, std::int32_t));
  BOUND_EXPORT(CAN_SetTSeg1, int(std::int32_t, std::int32_t));
  BOUND_EXPORT(CAN_SetTSeg2, int(std::int32_t, std::int32_t));
  BOUND_EXPORT(CAN_AddFilter, int(std::int32_t, std::uint32_t));
  BOUND_EXPORT(CAN_RemoveFilter, int(std::int32_t, std::uint32_t));
  BOUND_EXPORT(CAN_Set_TimeStampMode, int(std::int32_t, std::int32_t));
  BOUND_EXPORT(CAN_GetStatus, int(std::int32_t, std::uint8_t*));
  BOUND_EXPORT(CAN_Reset, int(std::int32_t));
  BOUND_EXPORT(FirmwareUpgrade, int(std::int32_t));
  BOUND_EXPORT(Get_Serial_Number, int(std::int32_t, std::uint32_t*));
  BOUND_EXPORT(Get_Device_Type, int(std::int32_t, std::uint32_t*));
  BOUND_EXPORT(Get_Product_Code, int(std::int32_t, std::uint32_t*));
  BOUND_EXPORT(Get_Product_Name, int(std::int32_t, char*));
  BOUND_EXPORT(Parameter_Get_USIGN8, int(std::int32_t, std::uint16_t, std::uint8_t*));
  BOUND_EXPORT(Parameter_Get_USIGN16, int(std::int32_t, std::uint16_t, std::uint16_t*));
  BOUND_EXPORT(Parameter_Get_USIGN32, int(std::int32_t, std::uint16_t, std::uint32_t*));
  BOUND_EXPORT(Parameter_Get_ARRAY, int(std::int32_t, std::uint16_t, std::uint8_t*, std::uint8_t*));
  BOUND_EXPORT(Parameter_Set_USIGN8, int(std::int32_t, std::uint16_t, std::uint8_t));
  BOUND_EXPORT(Parameter_Set_USIGN16, int(std::int32_t, std::uint16_t, std::uint16_t));
  BOUND_EXPORT(Parameter_Set_USIGN32, int(std::int32_t, std::uint16_t, std::uint32_t));
  BOUND_EXPORT(Parameter_Set_ARRAY, int(std::int32_t, std::uint16_t, std::uint32_t, const std::uint8_t*));
};

}  // namespace drivertest
