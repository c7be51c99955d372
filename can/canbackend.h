#pragma once
// The hardware side of a card: one back-end per interface type, each driving
// its interface through the library that serves it. The card table, the
// threads and the exports know only this interface.
#include <cstdint>

#include "can/canmessage.h"
#include "config/interfaceconfiguration.h"
#include "platform/handles.h"

// Single values a back-end reads from its interface. Every one is delivered
// widened to 32 bits, whatever width the interface uses.
enum class CanQuery {
  kOnline,
  kBaud,
  kGlobalMaskShort,
  kGlobalMaskLong,
  kLastMessageMask,
  kBrp,
  kSjw,
  kTSeg1,
  kTSeg2,
};

// Single values a back-end writes to its interface.
enum class CanSetting {
  kOnline,
  kBaud,
  kId,
  kGlobalMaskShort,
  kGlobalMaskLong,
  kLastMessageMask,
  kBrp,
  kSjw,
  kTSeg1,
  kTSeg2,
  kAddFilter,
  kRemoveFilter,
  kTimeStampMode,
};

enum class ParameterWidth { kU8, kU16, kU32 };

// Results follow the exported API: non-zero success, 0 failure. `handle` is
// the back-end's own card handle. A query that succeeds without a value
// leaves *value as it was.
class CanBackend {
 public:
  virtual ~CanBackend() = default;

  virtual int Open(std::int32_t interfaceType, const InterfaceSettings& settings,
                   std::int32_t* handle) = 0;
  virtual int Close(std::int32_t handle) = 0;

  virtual int Transmit(std::int32_t handle, const CanMessage& frame) = 0;
  // False for a frame the interface can never send, whatever its state: one
  // its Transmit always refuses.
  virtual bool Carries(const CanMessage& frame) const { return frame.Length <= kCanMaxDataLength; }
  virtual int Receive(std::int32_t handle, CanMessage* frame) = 0;
  // The back-end sets `event` after each received frame (enable 0: no more).
  virtual int RegisterReceiveEvent(std::int32_t handle, platform::Handle event,
                                   std::int32_t enable) = 0;

  virtual int Query(std::int32_t handle, CanQuery query, std::uint32_t* value) = 0;
  virtual int Apply(std::int32_t handle, CanSetting setting, std::uint32_t value) = 0;
  virtual int GetMessageArbitration(std::int32_t handle, std::int32_t object,
                                    std::uint32_t* value) = 0;
  virtual int SetMessageArbitration(std::int32_t handle, std::int32_t object,
                                    std::uint32_t value) = 0;
  virtual int Reset(std::int32_t handle) = 0;
  virtual int FirmwareUpgrade(std::int32_t handle) = 0;

  virtual int HardwareVersion(std::int32_t handle, std::int32_t* major, std::int32_t* minor) = 0;
  virtual int FirmwareVersion(std::int32_t handle, std::int32_t* major, std::int32_t* minor) = 0;
  virtual int ErrorText(std::int32_t handle, char* text) = 0;
  // The version chain below this library: level 0 is the back-end's library.
  virtual int DllName(std::int32_t level, char* name) = 0;
  virtual int DllVersion(std::int32_t level, std::int32_t* major, std::int32_t* minor) = 0;

  virtual int GetParameter(std::int32_t handle, std::uint16_t number, ParameterWidth width,
                           std::uint32_t* value) = 0;
  virtual int SetParameter(std::int32_t handle, std::uint16_t number, ParameterWidth width,
                           std::uint32_t value) = 0;
  virtual int GetParameterArray(std::int32_t handle, std::uint16_t number, std::uint8_t* length,
                                std::uint8_t* buffer) = 0;
  virtual int SetParameterArray(std::int32_t handle, std::uint16_t number, std::uint32_t length,
                                const std::uint8_t* buffer) = 0;
};

// The interface types the CAN access layer serves.
bool IsCanInterfaceType(std::int32_t interfaceType);

// The back-end that serves an interface type, or null when this build has
// none for it (the card cannot be opened, as if its library were missing).
CanBackend* BackendForInterfaceType(std::int32_t interfaceType);
