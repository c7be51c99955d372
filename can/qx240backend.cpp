#include "can/qx240backend.h"

#include <algorithm>

#include "can/lazylibrary.h"

namespace {

using std::int32_t;
using std::uint16_t;
using std::uint32_t;
using std::uint8_t;

// The driver's exports, in the order they are looked up.
struct Qx240Api {
  int (*DLL_Version)(int32_t level, int32_t* major, int32_t* minor);
  int (*DLL_Name)(int32_t level, char* name);
  int (*GetErrorString)(int32_t handle, char* text);
  int (*UnloadDriver)();
  int (*LoadDriver)();
  int (*OpenCard)(int32_t* handle, int32_t type, const InterfaceSettings* settings);
  int (*CloseCard)(int32_t handle);
  int (*Hardware_Version)(int32_t handle, int32_t* major, int32_t* minor);
  int (*Firmware_Version)(int32_t handle, int32_t* major, int32_t* minor);
  int (*CAN_Transmit)(int32_t handle, CanMessage* frame);
  int (*CAN_Receive)(int32_t handle, CanMessage* frame);
  int (*CAN_SetOnline)(int32_t handle, int32_t on);
  int (*CAN_GetOnline)(int32_t handle, int32_t* on);
  int (*CAN_SetBaud)(int32_t handle, uint32_t bitRate);
  int (*CAN_SetId)(int32_t handle, int32_t macId);
  int (*CAN_GetBaud)(int32_t handle, uint32_t* bitRate);
  int (*CAN_GetGlobalMaskShort)(int32_t handle, uint32_t* value);
  int (*CAN_GetGlobalMaskLong)(int32_t handle, uint32_t* value);
  int (*CAN_GetLastMessageMask)(int32_t handle, uint32_t* value);
  int (*CAN_GetMessageArbitration)(int32_t handle, int32_t object, uint32_t* value);
  int (*CAN_GetBrp)(int32_t handle, uint8_t* value);
  int (*CAN_GetSjw)(int32_t handle, uint8_t* value);
  int (*CAN_GetTSeg1)(int32_t handle, uint8_t* value);
  int (*CAN_GetTSeg2)(int32_t handle, uint8_t* value);
  int (*CAN_SetGlobalMaskShort)(int32_t handle, uint32_t value);
  int (*CAN_SetGlobalMaskLong)(int32_t handle, uint32_t value);
  int (*CAN_SetLastMessageMask)(int32_t handle, uint32_t value);
  int (*CAN_SetMessageArbitration)(int32_t handle, int32_t object, uint32_t value);
  int (*CAN_SetBrp)(int32_t handle, int32_t value);
  int (*CAN_SetSjw)(int32_t handle, int32_t value);
  int (*CAN_SetTSeg1)(int32_t handle, int32_t value);
  int (*CAN_SetTSeg2)(int32_t handle, int32_t value);
  int (*FirmwareUpgrade)(int32_t handle);
  int (*CAN_AddFilter)(int32_t handle, uint32_t identifier);
  int (*CAN_RemoveFilter)(int32_t handle, uint32_t identifier);
  int (*CAN_RegisterReceiveEvent)(int32_t handle, platform::Handle event, int32_t enable);
  int (*CAN_Set_TimeStampMode)(int32_t handle, int32_t mode);
  int (*HardwareConfigurationWindow)(InterfaceConfiguration* configuration);
  // Looked up after the driver's LoadDriver ran.
  int (*CAN_Reset)(int32_t handle);
  int (*Parameter_Get_USIGN8)(int32_t handle, uint16_t number, uint8_t* value);
  int (*Parameter_Get_USIGN16)(int32_t handle, uint16_t number, uint16_t* value);
  int (*Parameter_Get_USIGN32)(int32_t handle, uint16_t number, uint32_t* value);
  int (*Parameter_Get_ARRAY)(int32_t handle, uint16_t number, uint8_t* length, uint8_t* buffer);
  int (*Parameter_Set_USIGN8)(int32_t handle, uint16_t number, uint8_t value);
  int (*Parameter_Set_USIGN16)(int32_t handle, uint16_t number, uint16_t value);
  int (*Parameter_Set_USIGN32)(int32_t handle, uint16_t number, uint32_t value);
  int (*Parameter_Set_ARRAY)(int32_t handle, uint16_t number, uint32_t length,
                             const uint8_t* buffer);
};

Qx240Api api{};
LazyLibrary library("qx240.dll");

void BindAll(platform::ModuleHandle module) {
  BindEntry(module, "DLL_Version", api.DLL_Version);
  BindEntry(module, "DLL_Name", api.DLL_Name);
  BindEntry(module, "GetErrorString", api.GetErrorString);
  BindEntry(module, "UnloadDriver", api.UnloadDriver);
  BindEntry(module, "LoadDriver", api.LoadDriver);
  BindEntry(module, "OpenCard", api.OpenCard);
  BindEntry(module, "CloseCard", api.CloseCard);
  BindEntry(module, "Hardware_Version", api.Hardware_Version);
  BindEntry(module, "Firmware_Version", api.Firmware_Version);
  BindEntry(module, "CAN_Transmit", api.CAN_Transmit);
  BindEntry(module, "CAN_Receive", api.CAN_Receive);
  BindEntry(module, "CAN_SetOnline", api.CAN_SetOnline);
  BindEntry(module, "CAN_GetOnline", api.CAN_GetOnline);
  BindEntry(module, "CAN_SetBaud", api.CAN_SetBaud);
  BindEntry(module, "CAN_SetId", api.CAN_SetId);
  BindEntry(module, "CAN_GetBaud", api.CAN_GetBaud);
  BindEntry(module, "CAN_GetGlobalMaskShort", api.CAN_GetGlobalMaskShort);
  BindEntry(module, "CAN_GetGlobalMaskLong", api.CAN_GetGlobalMaskLong);
  BindEntry(module, "CAN_GetLastMessageMask", api.CAN_GetLastMessageMask);
  BindEntry(module, "CAN_GetMessageArbitration", api.CAN_GetMessageArbitration);
  BindEntry(module, "CAN_GetBrp", api.CAN_GetBrp);
  BindEntry(module, "CAN_GetSjw", api.CAN_GetSjw);
  BindEntry(module, "CAN_GetTSeg1", api.CAN_GetTSeg1);
  BindEntry(module, "CAN_GetTSeg2", api.CAN_GetTSeg2);
  BindEntry(module, "CAN_SetGlobalMaskShort", api.CAN_SetGlobalMaskShort);
  BindEntry(module, "CAN_SetGlobalMaskLong", api.CAN_SetGlobalMaskLong);
  BindEntry(module, "CAN_SetLastMessageMask", api.CAN_SetLastMessageMask);
  BindEntry(module, "CAN_SetMessageArbitration", api.CAN_SetMessageArbitration);
  BindEntry(module, "CAN_SetBrp", api.CAN_SetBrp);
  BindEntry(module, "CAN_SetSjw", api.CAN_SetSjw);
  BindEntry(module, "CAN_SetTSeg1", api.CAN_SetTSeg1);
  BindEntry(module, "CAN_SetTSeg2", api.CAN_SetTSeg2);
  BindEntry(module, "FirmwareUpgrade", api.FirmwareUpgrade);
  BindEntry(module, "CAN_AddFilter", api.CAN_AddFilter);
  BindEntry(module, "CAN_RemoveFilter", api.CAN_RemoveFilter);
  BindEntry(module, "CAN_RegisterReceiveEvent", api.CAN_RegisterReceiveEvent);
  BindEntry(module, "CAN_Set_TimeStampMode", api.CAN_Set_TimeStampMode);
  BindEntry(module, "HardwareConfigurationWindow", api.HardwareConfigurationWindow);
  if (api.LoadDriver != nullptr) api.LoadDriver();
  BindEntry(module, "CAN_Reset", api.CAN_Reset);
  BindEntry(module, "Parameter_Get_USIGN8", api.Parameter_Get_USIGN8);
  BindEntry(module, "Parameter_Get_USIGN16", api.Parameter_Get_USIGN16);
  BindEntry(module, "Parameter_Get_USIGN32", api.Parameter_Get_USIGN32);
  BindEntry(module, "Parameter_Get_ARRAY", api.Parameter_Get_ARRAY);
  BindEntry(module, "Parameter_Set_USIGN8", api.Parameter_Set_USIGN8);
  BindEntry(module, "Parameter_Set_USIGN16", api.Parameter_Set_USIGN16);
  BindEntry(module, "Parameter_Set_USIGN32", api.Parameter_Set_USIGN32);
  BindEntry(module, "Parameter_Set_ARRAY", api.Parameter_Set_ARRAY);
}

// Calls an entry point, or fails with 0 when the driver does not offer it.
template <typename Fn, typename... Args>
int Call(Fn entry, Args... args) {
  return entry != nullptr ? entry(args...) : 0;
}

// Byte-wide and narrow driver values arrive in a zeroed 32-bit value, so the
// caller's 32-bit value is always filled completely.
template <typename Narrow, typename Fn, typename... Args>
int QueryWidened(Fn entry, uint32_t* value, Args... args) {
  Narrow narrow{};
  const int result = Call(entry, args..., &narrow);
  if (result != 0) *value = narrow;
  return result;
}

class Qx240Backend final : public CanBackend {
 public:
  explicit Qx240Backend(bool hasParameters) : hasParameters_(hasParameters) {}

  int Open(int32_t interfaceType, const InterfaceSettings& settings, int32_t* handle) override {
    if (!EnsureQx240Loaded()) return 0;
    return Call(api.OpenCard, handle, interfaceType, &settings);
  }
  int Close(int32_t handle) override { return Call(api.CloseCard, handle); }

  int Transmit(int32_t handle, const CanMessage& frame) override {
    if (frame.Length > kCanMaxDataLength) return 0;
    CanMessage copy{};
    copy.Id = frame.Id;
    copy.Flags = frame.Flags;
    copy.Length = frame.Length;
    std::copy_n(frame.Data, frame.Length, copy.Data);
    return Call(api.CAN_Transmit, handle, &copy);
  }

  int Receive(int32_t handle, CanMessage* frame) override {
    CanMessage received{};
    const int result = Call(api.CAN_Receive, handle, &received);
    if (result == 0 || received.Length > kCanMaxDataLength) return 0;
    *frame = received;
    return result;
  }

  int RegisterReceiveEvent(int32_t handle, platform::Handle event, int32_t enable) override {
    return Call(api.CAN_RegisterReceiveEvent, handle, event, enable);
  }

  int Query(int32_t handle, CanQuery query, uint32_t* value) override {
    switch (query) {
      case CanQuery::kOnline: return QueryWidened<int32_t>(api.CAN_GetOnline, value, handle);
      case CanQuery::kBaud: return QueryWidened<uint32_t>(api.CAN_GetBaud, value, handle);
      case CanQuery::kGlobalMaskShort:
        return QueryWidened<uint32_t>(api.CAN_GetGlobalMaskShort, value, handle);
      case CanQuery::kGlobalMaskLong:
        return QueryWidened<uint32_t>(api.CAN_GetGlobalMaskLong, value, handle);
      case CanQuery::kLastMessageMask:
        return QueryWidened<uint32_t>(api.CAN_GetLastMessageMask, value, handle);
      case CanQuery::kBrp: return QueryWidened<uint8_t>(api.CAN_GetBrp, value, handle);
      case CanQuery::kSjw: return QueryWidened<uint8_t>(api.CAN_GetSjw, value, handle);
      case CanQuery::kTSeg1: return QueryWidened<uint8_t>(api.CAN_GetTSeg1, value, handle);
      case CanQuery::kTSeg2: return QueryWidened<uint8_t>(api.CAN_GetTSeg2, value, handle);
    }
    return 0;
  }

  int Apply(int32_t handle, CanSetting setting, uint32_t value) override {
    const auto asInt = static_cast<int32_t>(value);
    switch (setting) {
      case CanSetting::kOnline: return Call(api.CAN_SetOnline, handle, asInt);
      case CanSetting::kBaud: return Call(api.CAN_SetBaud, handle, value);
      case CanSetting::kId: return Call(api.CAN_SetId, handle, asInt);
      case CanSetting::kGlobalMaskShort: return Call(api.CAN_SetGlobalMaskShort, handle, value);
      case CanSetting::kGlobalMaskLong: return Call(api.CAN_SetGlobalMaskLong, handle, value);
      case CanSetting::kLastMessageMask: return Call(api.CAN_SetLastMessageMask, handle, value);
      case CanSetting::kBrp: return Call(api.CAN_SetBrp, handle, asInt);
      case CanSetting::kSjw: return Call(api.CAN_SetSjw, handle, asInt);
      case CanSetting::kTSeg1: return Call(api.CAN_SetTSeg1, handle, asInt);
      case CanSetting::kTSeg2: return Call(api.CAN_SetTSeg2, handle, asInt);
      case CanSetting::kAddFilter: return Call(api.CAN_AddFilter, handle, value);
      case CanSetting::kRemoveFilter: return Call(api.CAN_RemoveFilter, handle, value);
      case CanSetting::kTimeStampMode: return Call(api.CAN_Set_TimeStampMode, handle, asInt);
    }
    return 0;
  }

  int GetMessageArbitration(int32_t handle, int32_t object, uint32_t* value) override {
    return QueryWidened<uint32_t>(api.CAN_GetMessageArbitration, value, handle, object);
  }
  int SetMessageArbitration(int32_t handle, int32_t object, uint32_t value) override {
    return Call(api.CAN_SetMessageArbitration, handle, object, value);
  }
  int Reset(int32_t handle) override { return Call(api.CAN_Reset, handle); }
  int FirmwareUpgrade(int32_t handle) override { return Call(api.FirmwareUpgrade, handle); }

  int HardwareVersion(int32_t handle, int32_t* major, int32_t* minor) override {
    return Call(api.Hardware_Version, handle, major, minor);
  }
  int FirmwareVersion(int32_t handle, int32_t* major, int32_t* minor) override {
    return Call(api.Firmware_Version, handle, major, minor);
  }
  int ErrorText(int32_t handle, char* text) override {
    return Call(api.GetErrorString, handle, text);
  }
  int DllName(int32_t level, char* name) override { return Call(api.DLL_Name, level, name); }
  int DllVersion(int32_t level, int32_t* major, int32_t* minor) override {
    return Call(api.DLL_Version, level, major, minor);
  }

  int GetParameter(int32_t handle, uint16_t number, ParameterWidth width,
                   uint32_t* value) override {
    if (!hasParameters_) return 0;
    switch (width) {
      case ParameterWidth::kU8: return QueryWidened<uint8_t>(api.Parameter_Get_USIGN8, value, handle, number);
      case ParameterWidth::kU16: return QueryWidened<uint16_t>(api.Parameter_Get_USIGN16, value, handle, number);
      case ParameterWidth::kU32: return QueryWidened<uint32_t>(api.Parameter_Get_USIGN32, value, handle, number);
    }
    return 0;
  }
  int SetParameter(int32_t handle, uint16_t number, ParameterWidth width,
                   uint32_t value) override {
    if (!hasParameters_) return 0;
    switch (width) {
      case ParameterWidth::kU8:
        return Call(api.Parameter_Set_USIGN8, handle, number, static_cast<uint8_t>(value));
      case ParameterWidth::kU16:
        return Call(api.Parameter_Set_USIGN16, handle, number, static_cast<uint16_t>(value));
      case ParameterWidth::kU32: return Call(api.Parameter_Set_USIGN32, handle, number, value);
    }
    return 0;
  }
  int GetParameterArray(int32_t handle, uint16_t number, uint8_t* length,
                        uint8_t* buffer) override {
    if (!hasParameters_) return 0;
    return Call(api.Parameter_Get_ARRAY, handle, number, length, buffer);
  }
  int SetParameterArray(int32_t handle, uint16_t number, uint32_t length,
                        const uint8_t* buffer) override {
    if (!hasParameters_) return 0;
    return Call(api.Parameter_Set_ARRAY, handle, number, length, buffer);
  }

 private:
  bool hasParameters_;
};

}  // namespace

bool EnsureQx240Loaded() { return library.Ensure(BindAll); }

int Qx240HardwareConfigurationWindow(InterfaceConfiguration* configuration) {
  if (!EnsureQx240Loaded()) return 0;
  if (api.HardwareConfigurationWindow == nullptr) return 1;
  return api.HardwareConfigurationWindow(configuration);
}

// Never destroyed: cards still open at unload are closed through them.
CanBackend& Qx240AdapterBackend() {
  static auto* backend = new Qx240Backend(/*hasParameters=*/true);
  return *backend;
}

CanBackend& AbKfdBackend() {
  static auto* backend = new Qx240Backend(/*hasParameters=*/false);
  return *backend;
}
