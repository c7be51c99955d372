#pragma once
// The back-ends of the DeviceNet front-end: the master VRK_DNCN, the maker's
// QX241 driver library and the SST scanner adapter, each seen as one table of
// the DeviceNet API's entry points. The front-end chooses one per card by the
// interface type.
#include <cstdint>

#include "devicenet/dnetapi.h"

// The entry points a back-end offers, in lookup order.
#define DNET_BACKEND_ENTRY_POINTS(X)                                                                              \
  X(UnloadDriver) X(LoadDriver) X(OpenCard) X(CloseCard) X(Hardware_Version) X(DLL_Version) X(DLL_Name)          \
  X(Firmware_Version) X(GetAttribute) X(GetAttribute_USINT) X(GetAttribute_SINT) X(GetAttribute_UINT)             \
  X(GetAttribute_INT) X(GetAttribute_UDINT) X(GetAttribute_DINT) X(GetAttribute_REAL) X(GetAttribute_DOUBLE)     \
  X(SetAttribute) X(SetAttribute_USINT) X(SetAttribute_SINT) X(SetAttribute_UINT) X(SetAttribute_INT)            \
  X(SetAttribute_UDINT) X(SetAttribute_DINT) X(SetAttribute_REAL) X(SetAttribute_DOUBLE) X(ExplicitService)      \
  X(SetBaud) X(GetBaud) X(SetOnline) X(GetOnline) X(SetMacID) X(GetMacID) X(NodeOnline) X(ReleaseAll)            \
  X(Allocate) X(Release) X(SetExplicitActive) X(SetPollActive) X(SetStrobeActive) X(SetCOSCyclicActive)          \
  X(GetExplicitActive) X(GetPollActive) X(GetStrobeActive) X(GetCOSCyclicActive) X(AddToScanlist)                \
  X(RemoveFromScanlist) X(SetPollInterval) X(SetStrobeInterval) X(GetPollInterval) X(GetStrobeInterval)          \
  X(SetIOConsumeData) X(GetIOConsumeData) X(GetIOProduceData) X(CalculateResponseMaxMinAvg)                      \
  X(ResetConnectionCounters) X(Reset_NodeConnectionTimers) X(GetConnectionSize) X(StartScan) X(StopScan)         \
  X(Allocate_MS_Connection_Set) X(Release_MS_Connection_Set) X(HardwareConfigurationWindow)

struct DnetBackendApi {
#define DNET_BACKEND_POINTER(name) decltype(&::name) name = nullptr;
  DNET_BACKEND_ENTRY_POINTS(DNET_BACKEND_POINTER)
#undef DNET_BACKEND_POINTER
};

enum class DnetBackendKind { kMaster, kQx241, kSstScanner };

DnetBackendKind BackendKindFor(std::int32_t interfaceType);

// The back-end's table, bound at its first use and kept for the life of the
// process; null when it cannot be had (a failed load is tried again next
// time), with the reason in the last-error value.
const DnetBackendApi* BindBackend(DnetBackendKind kind);
