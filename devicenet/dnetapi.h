#pragma once
// The DeviceNet API that VRK_DNET exports and forwards, by the same names and
// arguments, to its back-ends (VRK_DNCN, the QX241 driver library). Every
// card call takes the card number first; results: 1 success, 0 failure, with
// a code in the calling thread's last-error value where one applies.
#include <cstddef>
#include <cstdint>

#include "config/interfaceconfiguration.h"

#pragma pack(push, 1)
// What AddToScanlist is told about a node's connections; times in ms. The
// words marked SST are read only by the SST scanner adapter.
struct DnetScanlistEntry {
  std::uint16_t ExplicitProducedSize;  // bytes of one explicit response; 0 (or consumed 0): 32 and 32
  std::uint16_t ExplicitConsumedSize;  // bytes of one explicit request body
  std::uint16_t ExplicitTimerReload;   // idle time before a node status request
  std::uint16_t ExplicitPacketRate;    // written to the node's Connection object
  std::uint16_t SstPollSize1;
  std::uint16_t SstPollSize2;
  std::uint16_t PollTimerReload;       // interval between poll commands to the node
  std::uint16_t PollPacketRate;
  std::uint16_t SstCosCyclicInputSize;
  std::uint16_t CosCyclicPacketRate;
  std::uint16_t SstCosCyclicValue;
  std::uint16_t Reserved;
  std::uint16_t StrobePacketRate;
  std::uint16_t SstStrobeInputSize;
};
#pragma pack(pop)
static_assert(sizeof(DnetScanlistEntry) == 28);
static_assert(offsetof(DnetScanlistEntry, ExplicitTimerReload) == 4);
static_assert(offsetof(DnetScanlistEntry, ExplicitPacketRate) == 6);
static_assert(offsetof(DnetScanlistEntry, PollTimerReload) == 12);
static_assert(offsetof(DnetScanlistEntry, PollPacketRate) == 14);
static_assert(offsetof(DnetScanlistEntry, CosCyclicPacketRate) == 18);
static_assert(offsetof(DnetScanlistEntry, StrobePacketRate) == 24);
static_assert(offsetof(DnetScanlistEntry, SstStrobeInputSize) == 26);

// Last-error codes of the DeviceNet calls.
inline constexpr std::uint32_t kDnetErrorTimeout = 0x5B4;  // no answer in time
inline constexpr std::uint32_t kDnetErrorPending = 0x3E5;  // the exchange is still running
// OR reply service << 16 OR general status << 8 OR additional code: the node
// answered with something other than the request's success reply.
inline constexpr std::uint32_t kDnetErrorResponse = 0x30000000;
inline constexpr std::uint32_t kDnetErrorIoTimedOut = 0x20000000;  // I/O data of a timed-out connection
// A response longer than the connection or the caller's buffer can hold: the
// response code with general status "too much data" and no additional code.
inline constexpr std::uint8_t kDnetStatusTooMuchData = 0x15;
inline constexpr std::uint32_t DnetErrorTooMuchData(std::uint8_t replyService) {
  return kDnetErrorResponse | (std::uint32_t{replyService} << 16) | (std::uint32_t{kDnetStatusTooMuchData} << 8) | 0xFF;
}

extern "C" {
#pragma GCC visibility push(default)

// Cards and versions.
int LoadDriver();
int UnloadDriver();
int OpenCard(std::int32_t* card, std::int32_t interfaceType, const InterfaceSettings* settings);
int CloseCard(std::int32_t card);
int DLL_Name(std::int32_t card, std::int32_t level, char* name);
int DLL_Version(std::int32_t card, std::int32_t level, std::int32_t* major, std::int32_t* minor);
int Hardware_Version(std::int32_t card, std::int32_t* major, std::int32_t* minor);
int Firmware_Version(std::int32_t card, std::int32_t* major, std::int32_t* minor);
int HardwareConfigurationWindow(InterfaceConfiguration* configuration);

// Network.
int SetBaud(std::int32_t card, std::int32_t bitRate);
int GetBaud(std::int32_t card, std::int32_t* bitRate);
int SetMacID(std::int32_t card, std::int32_t mac);
int GetMacID(std::int32_t card, std::uint8_t* mac);
int SetOnline(std::int32_t card, std::int32_t on);
int GetOnline(std::int32_t card, std::int32_t* online);
int NodeOnline(std::int32_t card, std::int32_t mac, std::int32_t* online);
int ReleaseAll(std::int32_t card);

// Intervals and traffic switches.
int SetPollInterval(std::int32_t card, std::int32_t ms);
int SetStrobeInterval(std::int32_t card, std::int32_t ms);
int GetPollInterval(std::int32_t card, std::int32_t* ms);
int GetStrobeInterval(std::int32_t card, std::int32_t* ms);
int SetExplicitActive(std::int32_t card, std::int32_t on);
int SetPollActive(std::int32_t card, std::int32_t on);
int SetStrobeActive(std::int32_t card, std::int32_t on);
int SetCOSCyclicActive(std::int32_t card, std::int32_t on);
int GetExplicitActive(std::int32_t card, std::int32_t* on);
int GetPollActive(std::int32_t card, std::int32_t* on);
int GetStrobeActive(std::int32_t card, std::int32_t* on);
int GetCOSCyclicActive(std::int32_t card, std::int32_t* on);

// Scanlist and connections.
int AddToScanlist(std::int32_t card, std::int32_t mac, std::uint8_t choice, const DnetScanlistEntry* entry);
int RemoveFromScanlist(std::int32_t card, std::int32_t mac, std::uint8_t choice);
int StartScan(std::int32_t card);
int StopScan(std::int32_t card);
int GetConnectionSize(std::int32_t card, std::int32_t mac, std::uint16_t slot, std::uint16_t* produced,
                      std::uint16_t* consumed);
int Allocate(std::int32_t card, std::int32_t mac, std::uint8_t choice);
int Release(std::int32_t card, std::int32_t mac, std::uint8_t choice);
int Allocate_MS_Connection_Set(std::int32_t card, std::int32_t mac, std::uint8_t choice);
int Release_MS_Connection_Set(std::int32_t card, std::int32_t mac, std::uint8_t choice);

// Explicit messaging. *replyLen and *len: in, the caller's capacity; out, the
// length of the data the node sent.
int ExplicitService(std::int32_t card, std::int32_t mac, std::uint8_t service, std::uint8_t objectClass,
                    std::uint8_t instance, std::uint16_t requestLength, const std::uint8_t* request,
                    std::uint16_t* replyLength, std::uint8_t* reply);
int GetAttribute(std::int32_t card, std::int32_t mac, std::int32_t objectClass, std::int32_t instance,
                 std::int32_t attribute, std::uint16_t* length, std::uint8_t* data);
int GetAttribute_USINT(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint8_t*);
int GetAttribute_SINT(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int8_t*);
int GetAttribute_UINT(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint16_t*);
int GetAttribute_INT(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int16_t*);
int GetAttribute_UDINT(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint32_t*);
int GetAttribute_DINT(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t*);
int GetAttribute_REAL(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, float*);
int GetAttribute_DOUBLE(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, double*);
int SetAttribute(std::int32_t card, std::int32_t mac, std::int32_t objectClass, std::int32_t instance,
                 std::int32_t attribute, std::uint16_t length, const std::uint8_t* data);
int SetAttribute_USINT(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint8_t);
int SetAttribute_SINT(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int8_t);
int SetAttribute_UINT(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint16_t);
int SetAttribute_INT(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int16_t);
int SetAttribute_UDINT(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::uint32_t);
int SetAttribute_DINT(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t);
int SetAttribute_REAL(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, float);
int SetAttribute_DOUBLE(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, double);

// I/O and statistics.
int SetIOConsumeData(std::int32_t card, std::int32_t mac, std::uint16_t slot, std::uint16_t length,
                     const std::uint8_t* data);
int GetIOConsumeData(std::int32_t card, std::int32_t mac, std::uint16_t slot, std::uint16_t length,
                     std::uint8_t* data);
int GetIOProduceData(std::int32_t card, std::int32_t mac, std::uint16_t slot, std::uint16_t length,
                     std::uint8_t* data);
int CalculateResponseMaxMinAvg(std::int32_t card, std::int32_t mac, std::int32_t slot);
int ResetConnectionCounters(std::int32_t card, std::int32_t mac, std::int32_t slot);
int Reset_NodeConnectionTimers(std::int32_t card, std::int32_t mac, std::int32_t slot);

#pragma GCC visibility pop
}  // extern "C"
