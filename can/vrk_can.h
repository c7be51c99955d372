#pragma once
// The exported API of VRK_CAN, the CAN access library. Callers load
// "VRK_CAN.dll" by name and bind these entry points; every card call takes the
// card handle first. Results: non-zero success, 0 failure.
#include <cstdint>

#include "can/canmessage.h"
#include "config/interfaceconfiguration.h"
#include "platform/handles.h"

extern "C" {
#pragma GCC visibility push(default)

// Cards.
int OpenCard(std::int32_t* card, std::int32_t interfaceType, const InterfaceSettings* settings);
int OpenInterface(std::int32_t* card, const InterfaceConfiguration* configuration);
int CloseCard(std::int32_t card);
int CloseInterface(std::int32_t card);
int LoadDriver();
int UnloadDriver();
int SetRegistryPath(const char* path);

// Frames straight through the back-end.
int CAN_Transmit(std::int32_t card, const CanMessage* frame);
int CAN_Receive(std::int32_t card, CanMessage* frame);
int CAN_Read_Wait(std::int32_t card, CanMessage* frame, std::uint32_t timeoutMs);
int CAN_Read_ID(std::int32_t card, CanMessage* frame, std::uint32_t code, std::uint32_t mask);
int CAN_Read_ID_Wait(std::int32_t card, CanMessage* frame, std::uint32_t code, std::uint32_t mask,
                     std::uint32_t timeoutMs);
int CAN_Write_Wait(std::int32_t card, const CanMessage* frame, std::uint32_t timeoutMs);

// Buffered I/O.
int SetBufferedMode(std::int32_t card, std::int32_t on);
int CAN_RegisterBufferedReceiveEvent(std::int32_t card, platform::Handle event, std::int32_t enable);
int CAN_Write_Buffered(std::int32_t card, CanMessage* frame);
int CAN_Write_Buffered_HP(std::int32_t card, CanMessage* frame);
int CAN_Write_Wait_Buffered(std::int32_t card, const CanMessage* frame, std::uint32_t timeoutMs);
int Check_CanTx(std::int32_t card);
int Check_CanRx(std::int32_t card);
int CAN_Read_Buffered(std::int32_t card, CanMessage* frame);
int CAN_Read_ID_Buffered(std::int32_t card, CanMessage* frame, std::uint32_t code, std::uint32_t mask);
int CAN_Read_Wait_Buffered(std::int32_t card, CanMessage* frame, std::uint32_t timeoutMs);
int CAN_Read_ID_Wait_Buffered(std::int32_t card, CanMessage* frame, std::uint32_t code,
                              std::uint32_t mask, std::uint32_t timeoutMs);
int CreateQueue(std::int32_t card, std::uint32_t code, std::uint32_t mask, std::int32_t* queue);
int QueueMessage(std::int32_t card, const CanMessage* frame, std::uint32_t queue);
int QueueGenericMessage(std::int32_t card, const CanMessage* frame);
int CAN_Read_Buffered_Queue(std::int32_t card, CanMessage* frame, std::uint32_t queue);
int CAN_Read_ID_Buffered_Queue(std::int32_t card, CanMessage* frame, std::uint32_t code,
                               std::uint32_t mask, std::uint32_t queue);
int CAN_Read_ID_Wait_Buffered_Queue(std::int32_t card, CanMessage* frame, std::uint32_t code,
                                    std::uint32_t mask, std::uint32_t timeoutMs,
                                    std::uint32_t queue);

// Settings and queries passed to the back-end. Getters fill the whole value.
int CAN_SetOnline(std::int32_t card, std::int32_t on);
int CAN_GetOnline(std::int32_t card, std::int32_t* on);
int CAN_SetBaud(std::int32_t card, std::uint32_t bitRate);
int CAN_GetBaud(std::int32_t card, std::uint32_t* bitRate);
int CAN_SetId(std::int32_t card, std::int32_t macId);
int CAN_AddFilter(std::int32_t card, std::uint32_t identifier);
int CAN_RemoveFilter(std::int32_t card, std::uint32_t identifier);
int CAN_RegisterReceiveEvent(std::int32_t card, platform::Handle event, std::int32_t enable);
int CAN_Set_TimeStampMode(std::int32_t card, std::int32_t mode);
int CAN_Reset(std::int32_t card);
int CAN_GetGlobalMaskShort(std::int32_t card, std::int32_t* value);
int CAN_GetGlobalMaskLong(std::int32_t card, std::int32_t* value);
int CAN_GetLastMessageMask(std::int32_t card, std::int32_t* value);
// *object names the message object; its arbitration goes to *value.
int CAN_GetMessageArbitration(std::int32_t card, const std::int32_t* object, std::int32_t* value);
int CAN_GetBrp(std::int32_t card, std::int32_t* value);
int CAN_GetSjw(std::int32_t card, std::int32_t* value);
int CAN_GetTSeg1(std::int32_t card, std::int32_t* value);
int CAN_GetTSeg2(std::int32_t card, std::int32_t* value);
int CAN_SetGlobalMaskShort(std::int32_t card, std::int32_t value);
int CAN_SetGlobalMaskLong(std::int32_t card, std::int32_t value);
int CAN_SetLastMessageMask(std::int32_t card, std::int32_t value);
int CAN_SetMessageArbitration(std::int32_t card, std::int32_t object, std::int32_t value);
int CAN_SetBrp(std::int32_t card, std::int32_t value);
int CAN_SetSjw(std::int32_t card, std::int32_t value);
int CAN_SetTSeg1(std::int32_t card, std::int32_t value);
int CAN_SetTSeg2(std::int32_t card, std::int32_t value);
int FirmwareUpgrade(std::int32_t card);
int Hardware_Version(std::int32_t card, std::int32_t* major, std::int32_t* minor);
int Firmware_Version(std::int32_t card, std::int32_t* major, std::int32_t* minor);
int GetErrorBuf(std::int32_t card, char* text);
int Parameter_Get_USIGN8(std::int32_t card, std::uint16_t number, std::uint8_t* value);
int Parameter_Get_USIGN16(std::int32_t card, std::uint16_t number, std::uint16_t* value);
int Parameter_Get_USIGN32(std::int32_t card, std::uint16_t number, std::uint32_t* value);
int Parameter_Get_ARRAY(std::int32_t card, std::uint16_t number, std::uint8_t* length,
                        std::uint8_t* buffer);
int Parameter_Set_USIGN8(std::int32_t card, std::uint16_t number, std::uint8_t value);
int Parameter_Set_USIGN16(std::int32_t card, std::uint16_t number, std::uint16_t value);
int Parameter_Set_USIGN32(std::int32_t card, std::uint16_t number, std::uint32_t value);
int Parameter_Set_ARRAY(std::int32_t card, std::uint16_t number, std::uint32_t length,
                        const std::uint8_t* buffer);

// Versions: level 0 is this library, higher levels walk down the card's stack.
int DLL_Name(std::int32_t card, std::int32_t level, char* name);
int DLL_Version(std::int32_t card, std::int32_t level, std::int32_t* major, std::int32_t* minor);

// Configuration, served by the configuration library.
int CANConfigurationWindow(InterfaceConfiguration* configuration, CANConfiguration* network);
int SaveConfiguration(const char* baseKey, InterfaceConfiguration* configuration,
                      CANConfiguration* network);
int ReadConfiguration(const char* baseKey, InterfaceConfiguration* configuration,
                      CANConfiguration* network);
int GetInterfaceName(std::int32_t interfaceType, char* name);
int VersionInformationWindow(std::int32_t card);
int HardwareConfigurationWindow(InterfaceConfiguration* configuration);

#pragma GCC visibility pop
}  // extern "C"
