#pragma once
// The CANopen API that VRK_COCN exports and VRK_COPN forwards by the same
// names and arguments. Every call but the card-less ones takes the interface
// handle first; results: non-zero success, 0 failure, with a code in the
// calling thread's last-error value where one applies (the codes below or an
// SDO abort code).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "config/interfaceconfiguration.h"

#pragma pack(push, 1)
// One emergency as CheckEmergency hands it out: the emergency error code,
// then the six further data bytes of the frame (error register first).
struct EmcyRecord {
  std::uint16_t ErrorCode;
  std::uint8_t Data[6];
};
#pragma pack(pop)
static_assert(sizeof(EmcyRecord) == 8);
static_assert(offsetof(EmcyRecord, Data) == 2);

// Last-error codes of the CANopen master besides the SDO abort codes.
inline constexpr std::uint32_t kCopnErrorSend = static_cast<std::uint32_t>(-1);  // send failed, upload timed out
inline constexpr std::uint32_t kCopnErrorIndex = static_cast<std::uint32_t>(-3);     // answer for another index
inline constexpr std::uint32_t kCopnErrorSubIndex = static_cast<std::uint32_t>(-4);  // answer for another sub-index
inline constexpr std::uint32_t kCopnErrorBuffer = static_cast<std::uint32_t>(-5);    // data do not fit the buffer
inline constexpr std::uint32_t kCopnErrorNodeId = static_cast<std::uint32_t>(-8);    // node id outside 1 to 127
inline constexpr std::uint32_t kCopnErrorGuardTimeout = 100;  // no answer to a guarding request
inline constexpr std::uint32_t kCopnErrorDownloadTimeout = 1460;  // a download got no answer in time
inline constexpr std::uint32_t kCopnErrorInvalidLength = 87;  // a download of no bytes
inline constexpr std::uint32_t kCopnErrorNotSupported = 50;   // block transfer is not offered

// The record OpenCard opens: its type, then Port, IRQ, ComPort, ComBaud and
// the access point of the caller's record; the other fields are not passed.
inline InterfaceConfiguration OpenCardRecord(std::int32_t type, const InterfaceConfiguration& cfg) {
  InterfaceConfiguration record{};
  record.InterfaceType = type;
  record.Port = cfg.Port;
  record.Irq = cfg.Irq;
  record.ComPort = cfg.ComPort;
  record.ComBaud = cfg.ComBaud;
  std::memcpy(record.AccessPoint, cfg.AccessPoint, sizeof record.AccessPoint);
  record.AccessPoint[sizeof record.AccessPoint - 1] = '\0';
  return record;
}

// Guarding modes of NMT_StartGuarding.
inline constexpr std::uint8_t kCopnGuardRemoteFrames = 0x01;
inline constexpr std::uint8_t kCopnGuardHeartbeat = 0x02;

extern "C" {
#pragma GCC visibility push(default)

// Interfaces.
int LoadDriver();
int UnloadDriver();
int OpenInterface(std::int32_t* iface, InterfaceConfiguration* cfg);
int OpenCard(std::int32_t* iface, std::int32_t interfaceType, InterfaceConfiguration* cfg);
int CloseInterface(std::int32_t iface);
int CloseCard(std::int32_t iface);
int SetBaud(std::int32_t iface, std::int32_t bitRate);
int GetBaud(std::int32_t iface, std::int32_t* bitRate);
int SetNodeID(std::int32_t iface, std::uint8_t id);
int GetNodeID(std::int32_t iface, std::uint8_t* id);
int SetOnline(std::int32_t iface, std::int32_t on);
int GetOnline(std::int32_t iface, std::int32_t* on);
int ReleaseAll(std::int32_t iface);
int AddNode(std::int32_t iface, std::uint8_t node);
int RemoveNode(std::int32_t iface, std::uint8_t node);
int SetSDOTimeout(std::int32_t iface, std::uint16_t ms);
int SetPDOTimeout(std::int32_t iface, std::uint16_t ms);
int Hardware_Version(std::int32_t iface, std::int32_t* major, std::int32_t* minor);
int Firmware_Version(std::int32_t iface, std::int32_t* major, std::int32_t* minor);
int DLL_Version(std::int32_t iface, std::int32_t level, std::int32_t* major, std::int32_t* minor);
int DLL_Name(std::int32_t iface, std::int32_t level, char* name);
int HardwareConfigurationWindow(InterfaceConfiguration* cfg);

// SDO. *len of SDO_Upload: the buffer's capacity on entry, bytes received on success.
int SDO_Upload(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
               std::uint32_t* len, std::uint8_t* data);
int SDO_Download(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                 std::uint32_t len, const std::uint8_t* data);
int SDO_Upload_UNSIGNED8(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                         std::uint8_t* value);
int SDO_Upload_UNSIGNED16(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                          std::uint16_t* value);
int SDO_Upload_UNSIGNED32(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                          std::uint32_t* value);
int SDO_Upload_INTEGER8(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                        std::int8_t* value);
int SDO_Upload_INTEGER16(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                         std::int16_t* value);
int SDO_Upload_INTEGER32(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                         std::int32_t* value);
int SDO_Upload_REAL32(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                      float* value);
int SDO_Download_UNSIGNED8(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                           std::uint8_t value);
int SDO_Download_UNSIGNED16(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                            std::uint16_t value);
int SDO_Download_UNSIGNED32(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                            std::uint32_t value);
int SDO_Download_INTEGER8(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                          std::int8_t value);
int SDO_Download_INTEGER16(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                           std::int16_t value);
int SDO_Download_INTEGER32(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                           std::int32_t value);
int SDO_Download_REAL32(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                        float value);
// Block transfer is not offered: both fail, with kCopnErrorNotSupported for an open interface.
int SDO_Block_Upload(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                     std::uint32_t* len, std::uint8_t* data);
int SDO_Block_Download(std::int32_t iface, std::uint8_t node, std::uint16_t index, std::uint8_t subIndex,
                       std::uint32_t len, const std::uint8_t* data);
int GetErrorString(std::int32_t iface, std::uint32_t code, char* text);

// NMT, error control, SYNC, TIME and emergencies. Node 0 addresses all nodes
// where the call allows it.
int NMT_StartRemoteNode(std::int32_t iface, std::uint8_t node);
int NMT_StopRemoteNode(std::int32_t iface, std::uint8_t node);
int NMT_EnterPreOperational(std::int32_t iface, std::uint8_t node);
int NMT_ResetNode(std::int32_t iface, std::uint8_t node);
int NMT_ResetCommunication(std::int32_t iface, std::uint8_t node);
int NMT_NodeGuard(std::int32_t iface, std::uint8_t node, std::uint8_t* state);
int NMT_StartGuarding(std::int32_t iface, std::uint8_t node, std::uint8_t mode, std::uint16_t timeMs);
int NMT_StopGuarding(std::int32_t iface, std::uint8_t node);
int NodeOnline(std::int32_t iface, std::uint8_t node);
int GetNodeBootUpDetected(std::int32_t iface, std::uint8_t node, std::int32_t* detected);
int ClearNodeBootUpDetected(std::int32_t iface, std::uint8_t node);
int GetNodeState(std::int32_t iface, std::uint8_t node, std::uint8_t* state);
int GetNodeOnline(std::int32_t iface, std::uint8_t node, std::int32_t* alive);
int CheckEmergency(std::int32_t iface, std::uint8_t* node, EmcyRecord* record);
int Sync(std::int32_t iface);
int TimeStamp(std::int32_t iface, const std::uint8_t* time);

// PDO.
int PDO_Write(std::int32_t iface, std::uint8_t node, std::uint16_t n, std::uint8_t len, const std::uint8_t* data);
int PDO_Read(std::int32_t iface, std::uint8_t node, std::uint16_t n, std::uint8_t* len, std::uint8_t* data);
int AddPDO(std::int32_t iface, std::uint8_t node, std::uint8_t kind, std::uint16_t n, std::uint16_t periodMs);
int COP_PDO_Write_Data(std::int32_t iface, std::uint8_t node, std::uint8_t kind, std::uint16_t n, std::uint8_t len,
                       const std::uint8_t* data);
int COP_PDO_Read_Data(std::int32_t iface, std::uint8_t node, std::uint8_t kind, std::uint16_t n, std::uint8_t* len,
                      std::uint8_t* data);
int COP_PDO_Read_Data_wTime(std::int32_t iface, std::uint8_t node, std::uint8_t kind, std::uint16_t n,
                            std::uint8_t* len, std::uint8_t* data, std::uint32_t* stampA, std::uint32_t* stampB);
int PDO_Read_Receive_Count(std::int32_t iface, std::uint8_t node, std::uint16_t n, std::uint32_t* count);
int COP_PDO_Get_Event(std::int32_t iface, std::uint8_t node, std::uint8_t kind, std::uint16_t n, void* out);
// Offered for callers that bind it; it reads no table and answers 0.
int PDO_ReadTable(std::int32_t iface, std::uint8_t node, std::uint16_t n, std::uint8_t* len, std::uint8_t* data);

// VRK_COPN only: the configuration calls it forwards to its dialog library.
int CANopenConfigurationWindow(InterfaceConfiguration* cfg, CANopenConfiguration* net);
int ReadConfiguration(const char* baseKey, InterfaceConfiguration* cfg, CANopenConfiguration* net);
int SaveConfiguration(const char* baseKey, InterfaceConfiguration* cfg, CANopenConfiguration* net);
int GetInterfaceName(std::int32_t interfaceType, char* name);
int VersionInformationWindow(std::int32_t iface);

#pragma GCC visibility pop
}  // extern "C"
