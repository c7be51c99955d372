// VRK_DNET: the DeviceNet front-end, loaded by name as "VRK_DNET.dll". It
// keeps ten card slots, opens each with the back-end its interface type
// names, and forwards every DeviceNet call of the slot to that back-end with
// the back-end's card number. Configuration calls go to "VRK_DNET_CFG.dll".
#include <array>
#include <cstring>
#include <mutex>

#include "can/lazylibrary.h"
#include "devicenet/dnetapi.h"
#include "devicenet/dnetbackend.h"
#include "devicenet/vrk_dnet.h"
#include "platform/lasterror.h"

namespace {

constexpr std::int32_t kVersionMajor = 1, kVersionMinor = 3;
constexpr int kSlotCount = 10;

struct DnetCardSlot {
  std::int32_t inUse = 0;
  std::int32_t interfaceType = 0;
  std::int32_t slotIndex = -1;
  std::int32_t backendCard = -1;
  InterfaceConfiguration configuration{};
  const DnetBackendApi* api = nullptr;
  bool opening = false;  // claimed by an OpenInterface still under way
};

std::mutex slotsMutex;
std::array<DnetCardSlot, kSlotCount> slots;

struct Route {
  const DnetBackendApi* api;
  std::int32_t backendCard;
};

bool RouteOf(std::int32_t card, Route* route) {
  if (card < 0 || card >= kSlotCount) return false;
  std::lock_guard lock(slotsMutex);
  const DnetCardSlot& slot = slots[card];
  if (slot.inUse == 0) return false;
  *route = {slot.api, slot.backendCard};
  return true;
}

template <typename Fn, typename... Args>
int Forward(std::int32_t card, Fn DnetBackendApi::*entry, Args... args) {
  Route route{};
  if (!RouteOf(card, &route)) return 0;
  Fn fn = route.api->*entry;
  return fn != nullptr ? fn(route.backendCard, args...) : 0;
}

void FreeSlot(DnetCardSlot& slot) { slot = DnetCardSlot{}; }

// The configuration library, bound at the first call that needs it.
struct ConfigurationApi {
  int (*DeviceNetConfigurationWindow)(InterfaceConfiguration*, DeviceNetConfiguration*) = nullptr;
  int (*SST_DNSCAN_HardwareConfigurationWindow)(InterfaceConfiguration*) = nullptr;
  int (*VRK_QX241U_HardwareConfigurationWindow)(InterfaceConfiguration*) = nullptr;
  int (*VRK_QX241S_HardwareConfigurationWindow)(InterfaceConfiguration*) = nullptr;
  int (*SaveConfiguration)(const char*, InterfaceConfiguration*, DeviceNetConfiguration*) = nullptr;
  int (*ReadConfiguration)(const char*, InterfaceConfiguration*, DeviceNetConfiguration*) = nullptr;
  int (*GetInterfaceName)(std::int32_t, char*) = nullptr;
  int (*VersionInformationWindow)(std::int32_t) = nullptr;
};

LazyLibrary configurationLibrary("VRK_DNET_CFG.dll");
ConfigurationApi configuration;

const ConfigurationApi* Configuration() {
  const bool loaded = configurationLibrary.Ensure([](platform::ModuleHandle module) {
    BindEntry(module, "DeviceNetConfigurationWindow", configuration.DeviceNetConfigurationWindow);
    BindEntry(module, "SST_DNSCAN_HardwareConfigurationWindow", configuration.SST_DNSCAN_HardwareConfigurationWindow);
    BindEntry(module, "VRK_QX241U_HardwareConfigurationWindow", configuration.VRK_QX241U_HardwareConfigurationWindow);
    BindEntry(module, "VRK_QX241S_HardwareConfigurationWindow", configuration.VRK_QX241S_HardwareConfigurationWindow);
    BindEntry(module, "SaveConfiguration", configuration.SaveConfiguration);
    BindEntry(module, "ReadConfiguration", configuration.ReadConfiguration);
    BindEntry(module, "GetInterfaceName", configuration.GetInterfaceName);
    BindEntry(module, "VersionInformationWindow", configuration.VersionInformationWindow);
  });
  return loaded ? &configuration : nullptr;
}

template <typename Fn, typename... Args>
int CallConfiguration(Fn ConfigurationApi::*entry, Args... args) {
  const ConfigurationApi* api = Configuration();
  if (api == nullptr || api->*entry == nullptr) return 0;
  return (api->*entry)(args...);
}

}  // namespace

extern "C" {
#pragma GCC visibility push(default)

int LoadDriver() { return 1; }
int UnloadDriver() { return 1; }

int OpenInterface(std::int32_t* card, const InterfaceConfiguration* cfg) {
  if (card == nullptr || cfg == nullptr) return 0;
  *card = -1;
  int index = -1;
  {
    std::lock_guard lock(slotsMutex);
    for (int i = 0; i < kSlotCount && index < 0; ++i) {
      if (slots[i].inUse == 0 && !slots[i].opening) index = i;
    }
    if (index < 0) return 0;
    slots[index].opening = true;
  }
  const DnetBackendApi* api = BindBackend(BackendKindFor(cfg->InterfaceType));
  std::int32_t backendCard = -1;
  // The whole settings block goes down, reserved words and all.
  const int result = api != nullptr && api->OpenCard != nullptr
                         ? api->OpenCard(&backendCard, cfg->InterfaceType, SettingsOf(cfg))
                         : 0;
  std::lock_guard lock(slotsMutex);
  DnetCardSlot& slot = slots[index];
  if (result == 0) {
    FreeSlot(slot);
    return 0;
  }
  slot.inUse = 1;
  slot.opening = false;
  slot.interfaceType = cfg->InterfaceType;
  slot.slotIndex = index;
  slot.backendCard = backendCard;
  slot.configuration = *cfg;
  slot.api = api;
  *card = index;
  return result;
}

int OpenCard(std::int32_t* card, std::int32_t interfaceType, const InterfaceSettings* settings) {
  if (card == nullptr || settings == nullptr) return 0;
  InterfaceConfiguration cfg{};
  cfg.InterfaceType = interfaceType;
  std::memcpy(SettingsOf(&cfg), settings, sizeof(InterfaceSettings));
  return OpenInterface(card, &cfg);
}

int CloseCard(std::int32_t card) {
  Route route{};
  if (!RouteOf(card, &route) || route.api->CloseCard == nullptr) return 0;
  const int result = route.api->CloseCard(route.backendCard);
  if (result != 0) {
    std::lock_guard lock(slotsMutex);
    FreeSlot(slots[card]);
  }
  return result;
}

int CloseInterface(std::int32_t card) { return CloseCard(card); }

int GetInterfaceConfiguration(std::int32_t card, InterfaceConfiguration* out) {
  if (out == nullptr || card < 0 || card >= kSlotCount) return 0;
  std::lock_guard lock(slotsMutex);
  if (slots[card].inUse == 0) return 0;
  *out = slots[card].configuration;
  return 1;
}

int DLL_Name(std::int32_t card, std::int32_t level, char* name) {
  if (name == nullptr) return 0;
  if (level == 0) {
    std::strcpy(name, "VRK_DNET");
    return 1;
  }
  return Forward(card, &DnetBackendApi::DLL_Name, level - 1, name);
}

int DLL_Version(std::int32_t card, std::int32_t level, std::int32_t* major, std::int32_t* minor) {
  if (major == nullptr || minor == nullptr) return 0;
  if (level == 0) {
    *major = kVersionMajor;
    *minor = kVersionMinor;
    return 1;
  }
  return Forward(card, &DnetBackendApi::DLL_Version, level - 1, major, minor);
}

int HardwareConfigurationWindow(InterfaceConfiguration* cfg) {
  if (cfg == nullptr) return 0;
  const DnetBackendKind kind = BackendKindFor(cfg->InterfaceType);
  if (BindBackend(kind) == nullptr) return 0;
  switch (kind) {
    case DnetBackendKind::kQx241: {
      const ConfigurationApi* api = Configuration();
      if (api == nullptr || api->VRK_QX241S_HardwareConfigurationWindow == nullptr) return 1;
      return api->VRK_QX241S_HardwareConfigurationWindow(cfg);
    }
    case DnetBackendKind::kSstScanner: {
      const ConfigurationApi* api = Configuration();
      if (api == nullptr || api->SST_DNSCAN_HardwareConfigurationWindow == nullptr) return 1;
      return api->SST_DNSCAN_HardwareConfigurationWindow(cfg);
    }
    case DnetBackendKind::kMaster: {
      const DnetBackendApi* master = BindBackend(kind);
      return master->HardwareConfigurationWindow != nullptr ? master->HardwareConfigurationWindow(cfg) : 0;
    }
  }
  return 0;
}

int DeviceNetConfigurationWindow(InterfaceConfiguration* cfg, DeviceNetConfiguration* net) {
  return CallConfiguration(&ConfigurationApi::DeviceNetConfigurationWindow, cfg, net);
}
int SaveConfiguration(const char* baseKey, InterfaceConfiguration* cfg, DeviceNetConfiguration* net) {
  return CallConfiguration(&ConfigurationApi::SaveConfiguration, baseKey, cfg, net);
}
int ReadConfiguration(const char* baseKey, InterfaceConfiguration* cfg, DeviceNetConfiguration* net) {
  return CallConfiguration(&ConfigurationApi::ReadConfiguration, baseKey, cfg, net);
}
int GetInterfaceName(std::int32_t interfaceType, char* name) {
  return CallConfiguration(&ConfigurationApi::GetInterfaceName, interfaceType, name);
}
int VersionInformationWindow(std::int32_t card) {
  return CallConfiguration(&ConfigurationApi::VersionInformationWindow, card);
}

// Forwarders: the slot's back-end gets the call with its own card number.
#define DNET_UNPAREN(...) __VA_ARGS__
#define DNET_FORWARD(name, params, ...) \
  int name(std::int32_t card, DNET_UNPAREN params) { return Forward(card, &DnetBackendApi::name, __VA_ARGS__); }
#define DNET_FORWARD_CARD_ONLY(name) \
  int name(std::int32_t card) { return Forward(card, &DnetBackendApi::name); }

DNET_FORWARD(Hardware_Version, (std::int32_t* major, std::int32_t* minor), major, minor)
DNET_FORWARD(Firmware_Version, (std::int32_t* major, std::int32_t* minor), major, minor)
DNET_FORWARD(SetBaud, (std::int32_t bitRate), bitRate)
DNET_FORWARD(GetBaud, (std::int32_t* bitRate), bitRate)
DNET_FORWARD(SetMacID, (std::int32_t mac), mac)
DNET_FORWARD(GetMacID, (std::uint8_t* mac), mac)
DNET_FORWARD(SetOnline, (std::int32_t on), on)
DNET_FORWARD(GetOnline, (std::int32_t* online), online)
DNET_FORWARD(NodeOnline, (std::int32_t mac, std::int32_t* online), mac, online)
DNET_FORWARD_CARD_ONLY(ReleaseAll)
DNET_FORWARD(SetPollInterval, (std::int32_t ms), ms)
DNET_FORWARD(SetStrobeInterval, (std::int32_t ms), ms)
DNET_FORWARD(GetPollInterval, (std::int32_t* ms), ms)
DNET_FORWARD(GetStrobeInterval, (std::int32_t* ms), ms)
DNET_FORWARD(SetPollActive, (std::int32_t on), on)
DNET_FORWARD(SetStrobeActive, (std::int32_t on), on)
DNET_FORWARD(SetCOSCyclicActive, (std::int32_t on), on)
DNET_FORWARD(GetPollActive, (std::int32_t* on), on)
DNET_FORWARD(GetStrobeActive, (std::int32_t* on), on)
DNET_FORWARD(GetCOSCyclicActive, (std::int32_t* on), on)
DNET_FORWARD(AddToScanlist, (std::int32_t mac, std::uint8_t choice, const DnetScanlistEntry* entry), mac, choice,
             entry)
DNET_FORWARD(RemoveFromScanlist, (std::int32_t mac, std::uint8_t choice), mac, choice)
DNET_FORWARD_CARD_ONLY(StartScan)
DNET_FORWARD_CARD_ONLY(StopScan)
DNET_FORWARD(GetConnectionSize,
             (std::int32_t mac, std::uint16_t slot, std::uint16_t* produced, std::uint16_t* consumed), mac, slot,
             produced, consumed)
DNET_FORWARD(Allocate, (std::int32_t mac, std::uint8_t choice), mac, choice)
DNET_FORWARD(Release, (std::int32_t mac, std::uint8_t choice), mac, choice)
DNET_FORWARD(Allocate_MS_Connection_Set, (std::int32_t mac, std::uint8_t choice), mac, choice)
DNET_FORWARD(Release_MS_Connection_Set, (std::int32_t mac, std::uint8_t choice), mac, choice)
DNET_FORWARD(ExplicitService,
             (std::int32_t mac, std::uint8_t service, std::uint8_t objectClass, std::uint8_t instance,
              std::uint16_t requestLength, const std::uint8_t* request, std::uint16_t* replyLength,
              std::uint8_t* reply),
             mac, service, objectClass, instance, requestLength, request, replyLength, reply)
DNET_FORWARD(GetAttribute,
             (std::int32_t mac, std::int32_t objectClass, std::int32_t instance, std::int32_t attribute,
              std::uint16_t* length, std::uint8_t* data),
             mac, objectClass, instance, attribute, length, data)
DNET_FORWARD(SetAttribute,
             (std::int32_t mac, std::int32_t objectClass, std::int32_t instance, std::int32_t attribute,
              std::uint16_t length, const std::uint8_t* data),
             mac, objectClass, instance, attribute, length, data)
#define DNET_FORWARD_TYPED(suffix, type)                                                                        \
  DNET_FORWARD(GetAttribute_##suffix,                                                                          \
               (std::int32_t mac, std::int32_t cls, std::int32_t instance, std::int32_t attribute, type* value), \
               mac, cls, instance, attribute, value)                                                           \
  DNET_FORWARD(SetAttribute_##suffix,                                                                          \
               (std::int32_t mac, std::int32_t cls, std::int32_t instance, std::int32_t attribute, type value),  \
               mac, cls, instance, attribute, value)
DNET_FORWARD_TYPED(USINT, std::uint8_t)
DNET_FORWARD_TYPED(SINT, std::int8_t)
DNET_FORWARD_TYPED(UINT, std::uint16_t)
DNET_FORWARD_TYPED(INT, std::int16_t)
DNET_FORWARD_TYPED(UDINT, std::uint32_t)
DNET_FORWARD_TYPED(DINT, std::int32_t)
DNET_FORWARD_TYPED(REAL, float)
DNET_FORWARD_TYPED(DOUBLE, double)
DNET_FORWARD(SetIOConsumeData, (std::int32_t mac, std::uint16_t slot, std::uint16_t length, const std::uint8_t* data),
             mac, slot, length, data)
DNET_FORWARD(GetIOConsumeData, (std::int32_t mac, std::uint16_t slot, std::uint16_t length, std::uint8_t* data), mac,
             slot, length, data)
DNET_FORWARD(GetIOProduceData, (std::int32_t mac, std::uint16_t slot, std::uint16_t length, std::uint8_t* data), mac,
             slot, length, data)
DNET_FORWARD(CalculateResponseMaxMinAvg, (std::int32_t mac, std::int32_t slot), mac, slot)

#pragma GCC visibility pop
}  // extern "C"
