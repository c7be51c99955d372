#include "can/vrk_can.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "can/canconfigbinding.h"
#include "can/cardtable.h"
#include "can/ixxatbackend.h"
#include "can/qx240backend.h"
#include "platform/clock.h"
#include "platform/lasterror.h"

namespace {

constexpr std::int32_t kVersionMajor = 1;
constexpr std::int32_t kVersionMinor = 4;
constexpr std::uint32_t kReadRetryMs = 10;
constexpr std::chrono::milliseconds kReadRetry{kReadRetryMs};

// Null out-values and records are refused before anything happens.
template <typename... Pointers>
bool AllGiven(Pointers... pointers) {
  if ((... && (pointers != nullptr))) return true;
  platform::SetLastError(platform::kErrorInvalidParameter);
  return false;
}

// Runs op on the open card with that handle; 0 for an unknown handle.
template <typename Op>
int WithCard(std::int32_t handle, Op op) {
  CanCard* card = FindCard(handle);
  return card != nullptr ? static_cast<int>(op(*card)) : 0;
}

template <typename T>
int QueryValue(std::int32_t handle, CanQuery query, T* value) {
  if (!AllGiven(value)) return 0;
  return WithCard(handle, [&](CanCard& card) {
    auto wide = static_cast<std::uint32_t>(*value);
    const int result = card.Backend().Query(card.Handle(), query, &wide);
    if (result != 0) *value = static_cast<T>(wide);
    return result;
  });
}

int ApplySetting(std::int32_t handle, CanSetting setting, std::uint32_t value) {
  return WithCard(handle, [&](CanCard& card) {
    return card.Backend().Apply(card.Handle(), setting, value);
  });
}

template <typename T>
int GetParameterValue(std::int32_t handle, std::uint16_t number, ParameterWidth width, T* value) {
  if (!AllGiven(value)) return 0;
  return WithCard(handle, [&](CanCard& card) {
    std::uint32_t wide = 0;
    const int result = card.Backend().GetParameter(card.Handle(), number, width, &wide);
    if (result != 0) *value = static_cast<T>(wide);
    return result;
  });
}

int SetParameterValue(std::int32_t handle, std::uint16_t number, ParameterWidth width,
                      std::uint32_t value) {
  return WithCard(handle, [&](CanCard& card) {
    return card.Backend().SetParameter(card.Handle(), number, width, value);
  });
}

// Tries once and then every 10 ms: max(1, timeout / 10) tries in all.
template <typename Attempt>
int PollingRead(std::uint32_t timeoutMs, Attempt attempt) {
  const std::uint32_t tries = std::max<std::uint32_t>(1, timeoutMs / kReadRetryMs);
  for (std::uint32_t done = 0; done < tries; ++done) {
    if (const int result = attempt(); result != 0) return result;
    platform::Sleep(kReadRetryMs);
  }
  return 0;
}

// Tries again whenever frames reach the card's rings, at the latest every
// 10 ms, until the time-out has passed.
template <typename Attempt>
int BufferedWaitingRead(std::int32_t handle, std::uint32_t timeoutMs, Attempt attempt) {
  const auto deadline = platform::ProcessTime() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    CanCard* card = FindCard(handle);
    const std::uint64_t seen = card != nullptr ? card->ReceivedCount() : 0;
    if (const int result = attempt(); result != 0) return result;
    const auto now = platform::ProcessTime();
    if (card == nullptr || now >= deadline) return 0;
    card->WaitForFramesAfter(seen, std::min<std::chrono::nanoseconds>(deadline - now, kReadRetry));
  }
}

int ReceiveDirect(std::int32_t handle, CanMessage* frame) {
  return WithCard(handle, [&](CanCard& card) { return card.Backend().Receive(card.Handle(), frame); });
}

int ReceiveDirectMatching(std::int32_t handle, CanMessage* frame, std::uint32_t code,
                          std::uint32_t mask) {
  // A frame that does not match is consumed all the same.
  return ReceiveDirect(handle, frame) != 0 && ((frame->Id ^ code) & mask) == 0 ? 1 : 0;
}

int WriteBuffered(std::int32_t handle, CanMessage* frame, bool highPriority) {
  if (!AllGiven(frame)) return 0;
  return WithCard(handle, [&](CanCard& card) { return card.Write(frame, highPriority) ? 1 : 0; });
}

}  // namespace

extern "C" {

int OpenCard(std::int32_t* card, std::int32_t interfaceType, const InterfaceSettings* settings) {
  if (!AllGiven(card, settings)) return 0;
  return OpenCanCard(card, interfaceType, *settings);
}

int OpenInterface(std::int32_t* card, const InterfaceConfiguration* configuration) {
  if (!AllGiven(card, configuration)) return 0;
  // The reserved words are not carried to the back-end.
  InterfaceSettings settings{};
  settings.Port = configuration->Port;
  settings.Irq = configuration->Irq;
  settings.ComPort = configuration->ComPort;
  settings.ComBaud = configuration->ComBaud;
  settings.SubType = configuration->SubType;
  settings.Number = configuration->Number;
  std::memcpy(settings.AccessPoint, configuration->AccessPoint, sizeof settings.AccessPoint);
  return OpenCanCard(card, configuration->InterfaceType, settings);
}

int CloseCard(std::int32_t card) { return CloseCanCard(card); }
int CloseInterface(std::int32_t card) { return CloseCanCard(card); }
int LoadDriver() { return 1; }

int UnloadDriver() {
  CloseAllCanCards();
  return 1;
}

// The library keeps no settings of its own.
int SetRegistryPath(const char*) { return 0; }

int CAN_Transmit(std::int32_t card, const CanMessage* frame) {
  if (!AllGiven(frame)) return 0;
  return WithCard(card, [&](CanCard& c) { return c.Backend().Transmit(c.Handle(), *frame); });
}

int CAN_Receive(std::int32_t card, CanMessage* frame) {
  if (!AllGiven(frame)) return 0;
  return ReceiveDirect(card, frame);
}

int CAN_Read_Wait(std::int32_t card, CanMessage* frame, std::uint32_t timeoutMs) {
  if (!AllGiven(frame) || FindCard(card) == nullptr) return 0;
  return PollingRead(timeoutMs, [&] { return ReceiveDirect(card, frame); });
}

int CAN_Read_ID(std::int32_t card, CanMessage* frame, std::uint32_t code, std::uint32_t mask) {
  if (!AllGiven(frame)) return 0;
  return ReceiveDirectMatching(card, frame, code, mask);
}

int CAN_Read_ID_Wait(std::int32_t card, CanMessage* frame, std::uint32_t code, std::uint32_t mask,
                     std::uint32_t timeoutMs) {
  if (!AllGiven(frame) || FindCard(card) == nullptr) return 0;
  return PollingRead(timeoutMs, [&] { return ReceiveDirectMatching(card, frame, code, mask); });
}

// Writing with a wait is not offered: nothing is sent.
int CAN_Write_Wait(std::int32_t, const CanMessage*, std::uint32_t) { return 0; }
int CAN_Write_Wait_Buffered(std::int32_t, const CanMessage*, std::uint32_t) { return 0; }

int SetBufferedMode(std::int32_t card, std::int32_t on) {
  return WithCard(card, [&](CanCard& c) {
    c.SetBuffered(on != 0);
    return 1;
  });
}

int CAN_RegisterBufferedReceiveEvent(std::int32_t card, platform::Handle event, std::int32_t enable) {
  return WithCard(card, [&](CanCard& c) {
    c.SetBufferedReceiveEvent(enable != 0 ? event : 0);
    return 1;
  });
}

int CAN_Write_Buffered(std::int32_t card, CanMessage* frame) { return WriteBuffered(card, frame, false); }
int CAN_Write_Buffered_HP(std::int32_t card, CanMessage* frame) { return WriteBuffered(card, frame, true); }

int Check_CanTx(std::int32_t card) {
  return WithCard(card, [](CanCard& c) {
    c.RunTransmitPass();
    return 1;
  });
}

int Check_CanRx(std::int32_t card) {
  return WithCard(card, [](CanCard& c) { return c.RunReceivePass() ? 1 : 0; });
}

int CAN_Read_Buffered(std::int32_t card, CanMessage* frame) {
  if (!AllGiven(frame)) return 0;
  return WithCard(card, [&](CanCard& c) { return c.ReadGeneric(frame); });
}

int CAN_Read_ID_Buffered(std::int32_t card, CanMessage* frame, std::uint32_t code, std::uint32_t mask) {
  if (!AllGiven(frame)) return 0;
  return WithCard(card, [&](CanCard& c) { return c.ReadGenericMatching(code, mask, frame); });
}

int CAN_Read_Wait_Buffered(std::int32_t card, CanMessage* frame, std::uint32_t timeoutMs) {
  if (!AllGiven(frame) || FindCard(card) == nullptr) return 0;
  return BufferedWaitingRead(card, timeoutMs, [&] { return CAN_Read_Buffered(card, frame); });
}

int CAN_Read_ID_Wait_Buffered(std::int32_t card, CanMessage* frame, std::uint32_t code,
                              std::uint32_t mask, std::uint32_t timeoutMs) {
  if (!AllGiven(frame) || FindCard(card) == nullptr) return 0;
  return BufferedWaitingRead(card, timeoutMs, [&] { return CAN_Read_ID_Buffered(card, frame, code, mask); });
}

int CreateQueue(std::int32_t card, std::uint32_t code, std::uint32_t mask, std::int32_t* queue) {
  if (!AllGiven(queue)) return 0;
  return WithCard(card, [&](CanCard& c) { return c.CreateQueue(code, mask, queue); });
}

int QueueMessage(std::int32_t card, const CanMessage* frame, std::uint32_t queue) {
  if (!AllGiven(frame)) return 0;
  return WithCard(card, [&](CanCard& c) { return c.QueueMessage(*frame, queue); });
}

int QueueGenericMessage(std::int32_t card, const CanMessage* frame) {
  if (!AllGiven(frame)) return 0;
  return WithCard(card, [&](CanCard& c) {
    c.QueueGeneric(*frame);
    return 1;
  });
}

int CAN_Read_Buffered_Queue(std::int32_t card, CanMessage* frame, std::uint32_t queue) {
  if (!AllGiven(frame)) return 0;
  return WithCard(card, [&](CanCard& c) { return c.ReadQueue(queue, frame); });
}

int CAN_Read_ID_Buffered_Queue(std::int32_t card, CanMessage* frame, std::uint32_t code,
                               std::uint32_t mask, std::uint32_t queue) {
  if (!AllGiven(frame)) return 0;
  return WithCard(card, [&](CanCard& c) { return c.ReadQueueMatching(queue, code, mask, frame); });
}

int CAN_Read_ID_Wait_Buffered_Queue(std::int32_t card, CanMessage* frame, std::uint32_t code,
                                    std::uint32_t mask, std::uint32_t timeoutMs,
                                    std::uint32_t queue) {
  if (!AllGiven(frame) || FindCard(card) == nullptr || queue >= kCanRxQueueCount) return 0;
  return BufferedWaitingRead(card, timeoutMs,
                             [&] { return CAN_Read_ID_Buffered_Queue(card, frame, code, mask, queue); });
}

int CAN_SetOnline(std::int32_t card, std::int32_t on) {
  return ApplySetting(card, CanSetting::kOnline, static_cast<std::uint32_t>(on));
}
int CAN_GetOnline(std::int32_t card, std::int32_t* on) { return QueryValue(card, CanQuery::kOnline, on); }
int CAN_SetBaud(std::int32_t card, std::uint32_t bitRate) {
  return ApplySetting(card, CanSetting::kBaud, bitRate);
}
int CAN_GetBaud(std::int32_t card, std::uint32_t* bitRate) {
  return QueryValue(card, CanQuery::kBaud, bitRate);
}
int CAN_SetId(std::int32_t card, std::int32_t macId) {
  return ApplySetting(card, CanSetting::kId, static_cast<std::uint32_t>(macId));
}
int CAN_AddFilter(std::int32_t card, std::uint32_t identifier) {
  return ApplySetting(card, CanSetting::kAddFilter, identifier);
}
int CAN_RemoveFilter(std::int32_t card, std::uint32_t identifier) {
  return ApplySetting(card, CanSetting::kRemoveFilter, identifier);
}
int CAN_RegisterReceiveEvent(std::int32_t card, platform::Handle event, std::int32_t enable) {
  return WithCard(card, [&](CanCard& c) {
    return c.Backend().RegisterReceiveEvent(c.Handle(), event, enable);
  });
}
int CAN_Set_TimeStampMode(std::int32_t card, std::int32_t mode) {
  return ApplySetting(card, CanSetting::kTimeStampMode, static_cast<std::uint32_t>(mode));
}
int CAN_Reset(std::int32_t card) {
  return WithCard(card, [](CanCard& c) { return c.Backend().Reset(c.Handle()); });
}

int CAN_GetGlobalMaskShort(std::int32_t card, std::int32_t* value) {
  return QueryValue(card, CanQuery::kGlobalMaskShort, value);
}
int CAN_GetGlobalMaskLong(std::int32_t card, std::int32_t* value) {
  return QueryValue(card, CanQuery::kGlobalMaskLong, value);
}
int CAN_GetLastMessageMask(std::int32_t card, std::int32_t* value) {
  return QueryValue(card, CanQuery::kLastMessageMask, value);
}
int CAN_GetMessageArbitration(std::int32_t card, const std::int32_t* object, std::int32_t* value) {
  if (!AllGiven(object, value)) return 0;
  return WithCard(card, [&](CanCard& c) {
    std::uint32_t wide = 0;
    const int result = c.Backend().GetMessageArbitration(c.Handle(), *object, &wide);
    if (result != 0) *value = static_cast<std::int32_t>(wide);
    return result;
  });
}
int CAN_GetBrp(std::int32_t card, std::int32_t* value) { return QueryValue(card, CanQuery::kBrp, value); }
int CAN_GetSjw(std::int32_t card, std::int32_t* value) { return QueryValue(card, CanQuery::kSjw, value); }
int CAN_GetTSeg1(std::int32_t card, std::int32_t* value) {
  return QueryValue(card, CanQuery::kTSeg1, value);
}
int CAN_GetTSeg2(std::int32_t card, std::int32_t* value) {
  return QueryValue(card, CanQuery::kTSeg2, value);
}

int CAN_SetGlobalMaskShort(std::int32_t card, std::int32_t value) {
  return ApplySetting(card, CanSetting::kGlobalMaskShort, static_cast<std::uint32_t>(value));
}
int CAN_SetGlobalMaskLong(std::int32_t card, std::int32_t value) {
  return ApplySetting(card, CanSetting::kGlobalMaskLong, static_cast<std::uint32_t>(value));
}
int CAN_SetLastMessageMask(std::int32_t card, std::int32_t value) {
  return ApplySetting(card, CanSetting::kLastMessageMask, static_cast<std::uint32_t>(value));
}
int CAN_SetMessageArbitration(std::int32_t card, std::int32_t object, std::int32_t value) {
  return WithCard(card, [&](CanCard& c) {
    return c.Backend().SetMessageArbitration(c.Handle(), object, static_cast<std::uint32_t>(value));
  });
}
int CAN_SetBrp(std::int32_t card, std::int32_t value) {
  return ApplySetting(card, CanSetting::kBrp, static_cast<std::uint32_t>(value));
}
int CAN_SetSjw(std::int32_t card, std::int32_t value) {
  return ApplySetting(card, CanSetting::kSjw, static_cast<std::uint32_t>(value));
}
int CAN_SetTSeg1(std::int32_t card, std::int32_t value) {
  return ApplySetting(card, CanSetting::kTSeg1, static_cast<std::uint32_t>(value));
}
int CAN_SetTSeg2(std::int32_t card, std::int32_t value) {
  return ApplySetting(card, CanSetting::kTSeg2, static_cast<std::uint32_t>(value));
}

int FirmwareUpgrade(std::int32_t card) {
  return WithCard(card, [](CanCard& c) { return c.Backend().FirmwareUpgrade(c.Handle()); });
}
int Hardware_Version(std::int32_t card, std::int32_t* major, std::int32_t* minor) {
  if (!AllGiven(major, minor)) return 0;
  return WithCard(card, [&](CanCard& c) { return c.Backend().HardwareVersion(c.Handle(), major, minor); });
}
int Firmware_Version(std::int32_t card, std::int32_t* major, std::int32_t* minor) {
  if (!AllGiven(major, minor)) return 0;
  return WithCard(card, [&](CanCard& c) { return c.Backend().FirmwareVersion(c.Handle(), major, minor); });
}
int GetErrorBuf(std::int32_t card, char* text) {
  if (!AllGiven(text)) return 0;
  return WithCard(card, [&](CanCard& c) { return c.Backend().ErrorText(c.Handle(), text); });
}

int Parameter_Get_USIGN8(std::int32_t card, std::uint16_t number, std::uint8_t* value) {
  return GetParameterValue(card, number, ParameterWidth::kU8, value);
}
int Parameter_Get_USIGN16(std::int32_t card, std::uint16_t number, std::uint16_t* value) {
  return GetParameterValue(card, number, ParameterWidth::kU16, value);
}
int Parameter_Get_USIGN32(std::int32_t card, std::uint16_t number, std::uint32_t* value) {
  return GetParameterValue(card, number, ParameterWidth::kU32, value);
}
int Parameter_Get_ARRAY(std::int32_t card, std::uint16_t number, std::uint8_t* length,
                        std::uint8_t* buffer) {
  if (!AllGiven(length, buffer)) return 0;
  return WithCard(card, [&](CanCard& c) {
    return c.Backend().GetParameterArray(c.Handle(), number, length, buffer);
  });
}
int Parameter_Set_USIGN8(std::int32_t card, std::uint16_t number, std::uint8_t value) {
  return SetParameterValue(card, number, ParameterWidth::kU8, value);
}
int Parameter_Set_USIGN16(std::int32_t card, std::uint16_t number, std::uint16_t value) {
  return SetParameterValue(card, number, ParameterWidth::kU16, value);
}
int Parameter_Set_USIGN32(std::int32_t card, std::uint16_t number, std::uint32_t value) {
  return SetParameterValue(card, number, ParameterWidth::kU32, value);
}
int Parameter_Set_ARRAY(std::int32_t card, std::uint16_t number, std::uint32_t length,
                        const std::uint8_t* buffer) {
  if (length > 0 && !AllGiven(buffer)) return 0;
  return WithCard(card, [&](CanCard& c) {
    return c.Backend().SetParameterArray(c.Handle(), number, length, buffer);
  });
}

int DLL_Name(std::int32_t card, std::int32_t level, char* name) {
  if (!AllGiven(name)) return 0;
  if (level == 0) {
    std::strcpy(name, "VRK_CAN");
    return 1;
  }
  return WithCard(card, [&](CanCard& c) { return c.Backend().DllName(level - 1, name); });
}

int DLL_Version(std::int32_t card, std::int32_t level, std::int32_t* major, std::int32_t* minor) {
  if (!AllGiven(major, minor)) return 0;
  if (level == 0) {
    *major = kVersionMajor;
    *minor = kVersionMinor;
    return 1;
  }
  return WithCard(card, [&](CanCard& c) { return c.Backend().DllVersion(level - 1, major, minor); });
}

int CANConfigurationWindow(InterfaceConfiguration* configuration, CANConfiguration* network) {
  return CallCanConfig(&CanConfigApi::CANConfigurationWindow, configuration, network);
}
int SaveConfiguration(const char* baseKey, InterfaceConfiguration* configuration,
                      CANConfiguration* network) {
  return CallCanConfig(&CanConfigApi::SaveConfiguration, baseKey, configuration, network);
}
int ReadConfiguration(const char* baseKey, InterfaceConfiguration* configuration,
                      CANConfiguration* network) {
  return CallCanConfig(&CanConfigApi::ReadConfiguration, baseKey, configuration, network);
}
int GetInterfaceName(std::int32_t interfaceType, char* name) {
  return CallCanConfig(&CanConfigApi::GetInterfaceName, interfaceType, name);
}
int VersionInformationWindow(std::int32_t card) {
  return CallCanConfig(&CanConfigApi::VersionInformationWindow, card);
}

int HardwareConfigurationWindow(InterfaceConfiguration* configuration) {
  if (!AllGiven(configuration)) return 0;
  switch (configuration->InterfaceType) {
    case CAN_INTERFACE_QX240: return Qx240HardwareConfigurationWindow(configuration);
    case CAN_INTERFACE_SST_CAN2A:
      return CallCanConfig(&CanConfigApi::SST_CAN2A_HardwareConfigurationWindow, configuration);
    case CAN_INTERFACE_AB_KFD:
      return CallCanConfig(&CanConfigApi::AB_KFD1770_HardwareConfigurationWindow, configuration);
    case CAN_INTERFACE_IXXAT_VCI: return IxxatHardwareConfigurationWindow(configuration);
    default: return 0;
  }
}

}  // extern "C"
