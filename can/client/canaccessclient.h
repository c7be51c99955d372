#pragma once
// The masters' way into VRK_CAN: the library is loaded by file name and every
// entry point bound by name into a table; one call-through wrapper per entry
// point that a master uses answers 0 without calling while its pointer is
// null. Each master library links its own copy, so each keeps its own table.
#include <cstdint>

#include "can/canmessage.h"
#include "config/interfaceconfiguration.h"
#include "platform/handles.h"

namespace canclient {

// Which master binds: the CANopen master opens cards with OpenInterface, the
// DeviceNet master with OpenCard and does not look OpenInterface up.
enum class Flavour { kCanopen, kDeviceNet };

// Sets every pointer of the table to null; 1.
int ResetCanAccessBindings();
// Loads "VRK_CAN.dll" and looks every name of the flavour's list up (a
// missing name leaves its pointer null), then calls VRK_CAN's LoadDriver.
// 0 when the library cannot be loaded (the table stays null), else 1.
int BindCanAccess(Flavour flavour);
// How many names of the list are bound (diagnosis and tests).
int BoundEntryPointCount();

int OpenInterface(std::int32_t* card, const InterfaceConfiguration* configuration);
int OpenCard(std::int32_t* card, std::int32_t interfaceType, const InterfaceSettings* settings);
int CloseCard(std::int32_t card);
int CAN_SetBaud(std::int32_t card, std::uint32_t bitRate);
int CAN_GetBaud(std::int32_t card, std::uint32_t* bitRate);
int CAN_SetOnline(std::int32_t card, std::int32_t on);
int CAN_GetOnline(std::int32_t card, std::int32_t* on);
int CAN_SetId(std::int32_t card, std::int32_t macId);
int CAN_Write_Buffered(std::int32_t card, CanMessage* frame);
int CAN_Write_Buffered_HP(std::int32_t card, CanMessage* frame);
int CAN_Read_Buffered(std::int32_t card, CanMessage* frame);
int CAN_Read_Buffered_Queue(std::int32_t card, CanMessage* frame, std::uint32_t queue);
int CAN_Read_ID_Wait_Buffered(std::int32_t card, CanMessage* frame, std::uint32_t code,
                              std::uint32_t mask, std::uint32_t timeoutMs);
int SetBufferedMode(std::int32_t card, std::int32_t on);
int CreateQueue(std::int32_t card, std::uint32_t code, std::uint32_t mask, std::int32_t* queue);
int CAN_AddFilter(std::int32_t card, std::uint32_t identifier);
int CAN_RemoveFilter(std::int32_t card, std::uint32_t identifier);
int CAN_RegisterBufferedReceiveEvent(std::int32_t card, platform::Handle event, std::int32_t enable);
int DLL_Name(std::int32_t card, std::int32_t level, char* name);
int DLL_Version(std::int32_t card, std::int32_t level, std::int32_t* major, std::int32_t* minor);
int Hardware_Version(std::int32_t card, std::int32_t* major, std::int32_t* minor);
int Firmware_Version(std::int32_t card, std::int32_t* major, std::int32_t* minor);
int HardwareConfigurationWindow(InterfaceConfiguration* configuration);

}  // namespace canclient
