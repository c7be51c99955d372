#include "can/client/canaccessclient.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <string_view>

#include "can/vrk_can.h"
#include "platform/module.h"

namespace canclient {
namespace {

// The names in lookup order. Several are looked up and never called; a
// missing one changes nothing.
constexpr std::array<std::string_view, 58> kNames = {
    "UnloadDriver", "LoadDriver", "OpenCard", "OpenInterface", "CloseCard", "Hardware_Version",
    "Firmware_Version", "DLL_Version", "DLL_Name", "GetErrorBuf", "CAN_Transmit", "CAN_Receive",
    "CAN_GetOnline", "CAN_GetBaud", "CAN_GetGlobalMaskShort", "CAN_GetGlobalMaskLong",
    "CAN_GetLastMessageMask", "CAN_GetMessageArbitration", "CAN_GetBrp", "CAN_GetSjw", "CAN_GetTSeg1",
    "CAN_GetTSeg2", "CAN_SetOnline", "CAN_SetBaud", "CAN_SetId", "CAN_SetGlobalMaskShort",
    "CAN_SetGlobalMaskLong", "CAN_SetLastMessageMask", "CAN_SetMessageArbitration", "CAN_SetBrp",
    "CAN_SetSjw", "CAN_SetTSeg1", "CAN_SetTSeg2", "DisplayConfigurationWindow", "SetRegistryPath",
    "ProcessCanMessages", "Check_CanRx", "Check_CanTx", "CAN_Write_Buffered_HP", "CAN_Write_Buffered",
    "CAN_Read_Buffered", "CAN_Read_ID_Buffered", "CAN_Write_Wait_Buffered", "CAN_Read_Wait_Buffered",
    "CAN_Read_ID_Wait_Buffered", "CAN_Read_ID", "CAN_Write_Wait", "CAN_Read_Wait", "CAN_Read_ID_Wait",
    "QueueGenericMessage", "CAN_Read_Buffered_Queue", "QueueMessage", "CreateQueue", "SetBufferedMode",
    "CAN_AddFilter", "CAN_RemoveFilter", "HardwareConfigurationWindow",
    "CAN_RegisterBufferedReceiveEvent"};

constexpr std::string_view kOpenInterface = "OpenInterface";

// Written once by the binding before any card is open, read by every thread
// of the master afterwards.
std::array<std::atomic<void*>, kNames.size()> table{};

constexpr std::size_t IndexOf(std::string_view name) {
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (kNames[i] == name) return i;
  }
  throw "name missing from the binding list";  // a compile-time error in a constant expression
}

// Calls the entry point of that name with the arguments when it is bound; 0
// otherwise.
#define CALL_THROUGH(name, ...)                                                         \
  do {                                                                                  \
    constexpr std::size_t index = IndexOf(#name);                                      \
    auto entry = reinterpret_cast<decltype(&::name)>(table[index].load(std::memory_order_acquire)); \
    return entry != nullptr ? entry(__VA_ARGS__) : 0;                                   \
  } while (false)

}  // namespace

int ResetCanAccessBindings() {
  for (auto& entry : table) entry.store(nullptr, std::memory_order_release);
  return 1;
}

int BindCanAccess(Flavour flavour) {
  platform::ModuleHandle module = platform::LoadLibrary("VRK_CAN.dll");
  if (module == nullptr) return 0;
  for (std::size_t i = 0; i < kNames.size(); ++i) {
    if (flavour == Flavour::kDeviceNet && kNames[i] == kOpenInterface) continue;
    const std::string name(kNames[i]);
    table[i].store(platform::GetProcAddress(module, name.c_str()), std::memory_order_release);
  }
  auto loadDriver = reinterpret_cast<decltype(&::LoadDriver)>(table[IndexOf("LoadDriver")].load());
  if (loadDriver != nullptr) loadDriver();
  return 1;
}

int BoundEntryPointCount() {
  int count = 0;
  for (const auto& entry : table) count += entry.load() != nullptr ? 1 : 0;
  return count;
}

int OpenInterface(std::int32_t* card, const InterfaceConfiguration* configuration) {
  CALL_THROUGH(OpenInterface, card, configuration);
}
int OpenCard(std::int32_t* card, std::int32_t interfaceType, const InterfaceSettings* settings) {
  CALL_THROUGH(OpenCard, card, interfaceType, settings);
}
int CloseCard(std::int32_t card) { CALL_THROUGH(CloseCard, card); }
int CAN_SetBaud(std::int32_t card, std::uint32_t bitRate) { CALL_THROUGH(CAN_SetBaud, card, bitRate); }
int CAN_GetBaud(std::int32_t card, std::uint32_t* bitRate) { CALL_THROUGH(CAN_GetBaud, card, bitRate); }
int CAN_SetOnline(std::int32_t card, std::int32_t on) { CALL_THROUGH(CAN_SetOnline, card, on); }
int CAN_GetOnline(std::int32_t card, std::int32_t* on) { CALL_THROUGH(CAN_GetOnline, card, on); }
int CAN_SetId(std::int32_t card, std::int32_t macId) { CALL_THROUGH(CAN_SetId, card, macId); }
int CAN_Write_Buffered(std::int32_t card, CanMessage* frame) { CALL_THROUGH(CAN_Write_Buffered, card, frame); }
int CAN_Write_Buffered_HP(std::int32_t card, CanMessage* frame) {
  CALL_THROUGH(CAN_Write_Buffered_HP, card, frame);
}
int CAN_Read_Buffered(std::int32_t card, CanMessage* frame) { CALL_THROUGH(CAN_Read_Buffered, card, frame); }
int CAN_Read_Buffered_Queue(std::int32_t card, CanMessage* frame, std::uint32_t queue) {
  CALL_THROUGH(CAN_Read_Buffered_Queue, card, frame, queue);
}
int CAN_Read_ID_Wait_Buffered(std::int32_t card, CanMessage* frame, std::uint32_t code,
                              std::uint32_t mask, std::uint32_t timeoutMs) {
  CALL_THROUGH(CAN_Read_ID_Wait_Buffered, card, frame, code, mask, timeoutMs);
}
int SetBufferedMode(std::int32_t card, std::int32_t on) { CALL_THROUGH(SetBufferedMode, card, on); }
int CreateQueue(std::int32_t card, std::uint32_t code, std::uint32_t mask, std::int32_t* queue) {
  CALL_THROUGH(CreateQueue, card, code, mask, queue);
}
int CAN_AddFilter(std::int32_t card, std::uint32_t identifier) { CALL_THROUGH(CAN_AddFilter, card, identifier); }
int CAN_RemoveFilter(std::int32_t card, std::uint32_t identifier) {
  CALL_THROUGH(CAN_RemoveFilter, card, identifier);
}
int CAN_RegisterBufferedReceiveEvent(std::int32_t card, platform::Handle event, std::int32_t enable) {
  CALL_THROUGH(CAN_RegisterBufferedReceiveEvent, card, event, enable);
}
int DLL_Name(std::int32_t card, std::int32_t level, char* name) { CALL_THROUGH(DLL_Name, card, level, name); }
int DLL_Version(std::int32_t card, std::int32_t level, std::int32_t* major, std::int32_t* minor) {
  CALL_THROUGH(DLL_Version, card, level, major, minor);
}
int Hardware_Version(std::int32_t card, std::int32_t* major, std::int32_t* minor) {
  CALL_THROUGH(Hardware_Version, card, major, minor);
}
int Firmware_Version(std::int32_t card, std::int32_t* major, std::int32_t* minor) {
  CALL_THROUGH(Firmware_Version, card, major, minor);
}
int HardwareConfigurationWindow(InterfaceConfiguration* configuration) {
  CALL_THROUGH(HardwareConfigurationWindow, configuration);
}

}  // namespace canclient
