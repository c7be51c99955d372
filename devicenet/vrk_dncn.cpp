// VRK_DNCN: the DeviceNet master over VRK_CAN, loaded by name as
// "VRK_DNCN.dll". The exports check their arguments and hand over to the
// card, scanlist, explicit and I/O engines.
#include <cstring>
#include <type_traits>

#include "can/client/canaccessclient.h"
#include "devicenet/dncn.h"
#include "devicenet/dnetapi.h"
#include "devicenet/vrk_dncn.h"
#include "platform/iochannel.h"
#include "platform/lasterror.h"

using dncn::Card;
using dncn::CardPtr;
using dncn::ConnectionPtr;

namespace {

constexpr std::int32_t kVersionMajor = 1, kVersionMinor = 7;

bool ValidMac(std::int32_t mac) { return mac >= 0 && mac < dncn::kNodeCount; }

// Runs fn on the open card; 0 for a card number that is not open.
template <typename Fn>
int WithCard(std::int32_t card, Fn fn) {
  CardPtr found = dncn::FindCard(card);
  return found != nullptr ? (fn(*found) ? 1 : 0) : 0;
}

template <typename Fn>
int WithNode(std::int32_t card, std::int32_t mac, Fn fn) {
  if (!ValidMac(mac)) return 0;
  return WithCard(card, [&](Card& c) {
    dncn::Node* node = c.NodeAt(mac);
    return node != nullptr && fn(c, *node);
  });
}

int Explicit(std::int32_t card, std::int32_t mac, std::uint8_t service, std::span<const std::uint8_t> body,
             std::uint16_t* replyLength, std::uint8_t* reply) {
  if (!ValidMac(mac)) return 0;
  return WithCard(card, [&](Card& c) {
    return dncn::ExplicitRequest(c, mac, service, body, {replyLength, reply});
  });
}

int GetSingle(std::int32_t card, std::int32_t mac, std::int32_t cls, std::int32_t instance, std::int32_t attribute,
              std::uint16_t* length, std::uint8_t* data) {
  if (length == nullptr || (data == nullptr && *length > 0)) return 0;
  const std::uint8_t body[3] = {static_cast<std::uint8_t>(cls), static_cast<std::uint8_t>(instance),
                                static_cast<std::uint8_t>(attribute)};
  return Explicit(card, mac, dncn::kServiceGetSingle, body, length, data);
}

int SetSingle(std::int32_t card, std::int32_t mac, std::int32_t cls, std::int32_t instance, std::int32_t attribute,
              std::uint16_t length, const std::uint8_t* data) {
  constexpr std::uint16_t kLongestValue = 253;
  if (length > kLongestValue || (data == nullptr && length > 0)) return 0;
  std::uint8_t body[3 + kLongestValue] = {static_cast<std::uint8_t>(cls), static_cast<std::uint8_t>(instance),
                                          static_cast<std::uint8_t>(attribute)};
  if (length > 0) std::memcpy(body + 3, data, length);
  std::uint8_t reply[256];
  std::uint16_t replyLength = sizeof reply;
  return Explicit(card, mac, dncn::kServiceSetSingle, std::span(body, length + 3u), &replyLength, reply);
}

// Typed attributes travel as their little-endian bytes.
template <typename T>
int GetTyped(std::int32_t card, std::int32_t mac, std::int32_t cls, std::int32_t instance, std::int32_t attribute,
             T* value) {
  if (value == nullptr) return 0;
  std::uint8_t data[256];
  std::uint16_t length = sizeof data;
  if (GetSingle(card, mac, cls, instance, attribute, &length, data) == 0 || length != sizeof(T)) return 0;
  std::memcpy(value, data, sizeof(T));
  return 1;
}

template <typename T>
int SetTyped(std::int32_t card, std::int32_t mac, std::int32_t cls, std::int32_t instance, std::int32_t attribute,
             T value) {
  std::uint8_t data[sizeof(T)];
  std::memcpy(data, &value, sizeof(T));
  return SetSingle(card, mac, cls, instance, attribute, sizeof(T), data);
}

template <typename Fn>
int WithIoSlot(std::int32_t card, std::int32_t mac, std::uint16_t slot, int lastSlot, Fn fn) {
  if (slot < dncn::kSlotPoll || slot > lastSlot) return 0;
  return WithNode(card, mac, [&](Card&, dncn::Node& node) {
    ConnectionPtr c = node.Slot(slot);
    return c != nullptr && fn(*c);
  });
}

template <typename Fn>
int WithAnySlot(std::int32_t card, std::int32_t mac, std::int32_t slot, Fn fn) {
  if (slot < 0 || slot >= dncn::kSlotCount) return 0;
  return WithNode(card, mac, [&](Card&, dncn::Node& node) {
    ConnectionPtr c = node.Slot(slot);
    return c != nullptr && fn(*c);
  });
}

// The last detach closes every card still open, as UnloadDriver does, so that
// no card thread runs on into code that is going away. Made at the first
// open, after VRK_CAN and its driver were loaded: it is finalised before
// them, and the cards close while the layers below still stand.
struct CloseCardsAtDetach {
  ~CloseCardsAtDetach() { UnloadDriver(); }
};

void ArrangeCloseAtDetach() { static CloseCardsAtDetach closeAtDetach; }

}  // namespace

extern "C" {

int LoadDriver() {
  canclient::BindCanAccess(canclient::Flavour::kDeviceNet);
  return 1;
}

int UnloadDriver() {
  for (std::int32_t card = 0; card < dncn::kCardCount; ++card) CloseCard(card);
  return 1;
}

int OpenCard(std::int32_t* card, std::int32_t interfaceType, const InterfaceSettings* settings) {
  if (card == nullptr || settings == nullptr) return 0;
  *card = -1;
  // A caller that skipped LoadDriver still reaches VRK_CAN.
  if (canclient::BoundEntryPointCount() == 0) LoadDriver();
  const int index = dncn::FreeCardIndex();
  if (index < 0) return 0;
  std::int32_t canCard = -1;
  if (canclient::OpenCard(&canCard, interfaceType, settings) == 0) return 0;
  ArrangeCloseAtDetach();
  auto opened = std::make_shared<Card>(index, interfaceType, canCard);
  if (!opened->Start() || !dncn::InstallCard(index, opened)) {
    // Nothing of a half-opened card stays: its threads, slot and CAN card go.
    opened->Close();
    return 0;
  }
  *card = index;
  return 1;
}

int CloseCard(std::int32_t card) {
  CardPtr closing = dncn::TakeCard(card);
  if (closing == nullptr) return 0;
  closing->Close();
  return 1;
}

int DLL_Name(std::int32_t card, std::int32_t level, char* name) {
  if (name == nullptr) return 0;
  if (level == 0) {
    std::strcpy(name, "VRK_DNCN");
    return 1;
  }
  CardPtr found = dncn::FindCard(card);
  return found != nullptr ? canclient::DLL_Name(found->CanCard(), level - 1, name) : 0;
}

int DLL_Version(std::int32_t card, std::int32_t level, std::int32_t* major, std::int32_t* minor) {
  if (major == nullptr || minor == nullptr) return 0;
  if (level == 0) {
    *major = kVersionMajor;
    *minor = kVersionMinor;
    return 1;
  }
  CardPtr found = dncn::FindCard(card);
  return found != nullptr ? canclient::DLL_Version(found->CanCard(), level - 1, major, minor) : 0;
}

int Hardware_Version(std::int32_t card, std::int32_t* major, std::int32_t* minor) {
  return WithCard(card, [&](Card& c) { return canclient::Hardware_Version(c.CanCard(), major, minor) != 0; });
}

int Firmware_Version(std::int32_t card, std::int32_t* major, std::int32_t* minor) {
  return WithCard(card, [&](Card& c) { return canclient::Firmware_Version(c.CanCard(), major, minor) != 0; });
}

int HardwareConfigurationWindow(InterfaceConfiguration* configuration) {
  return canclient::HardwareConfigurationWindow(configuration);
}

int SetBaud(std::int32_t card, std::int32_t bitRate) {
  return WithCard(card, [&](Card& c) {
    if (canclient::CAN_SetBaud(c.CanCard(), static_cast<std::uint32_t>(bitRate)) == 0) return false;
    c.bitRate = bitRate;
    return true;
  });
}

int GetBaud(std::int32_t card, std::int32_t* bitRate) {
  if (bitRate == nullptr) return 0;
  return WithCard(card, [&](Card& c) {
    std::uint32_t rate = 0;
    if (canclient::CAN_GetBaud(c.CanCard(), &rate) == 0) return false;
    *bitRate = static_cast<std::int32_t>(rate);
    return true;
  });
}

int SetMacID(std::int32_t card, std::int32_t mac) {
  if (!ValidMac(mac)) return 0;
  return WithCard(card, [&](Card& c) {
    c.ownMac = static_cast<std::uint8_t>(mac);
    canclient::CAN_SetId(c.CanCard(), mac);
    return true;
  });
}

int GetMacID(std::int32_t card, std::uint8_t* mac) {
  if (mac == nullptr) return 0;
  return WithCard(card, [&](Card& c) {
    *mac = c.ownMac;
    return true;
  });
}

int SetOnline(std::int32_t card, std::int32_t on) {
  return WithCard(card, [&](Card& c) { return c.SetOnline(on == 1); });
}

int GetOnline(std::int32_t card, std::int32_t* online) {
  if (online == nullptr) return 0;
  return WithCard(card, [&](Card& c) {
    *online = c.IsOnline() ? 1 : 0;
    return true;
  });
}

int Dupicate_MacId_Check(std::int32_t card, std::int32_t mac, std::int32_t* found) {
  if (found == nullptr) return 0;
  return WithCard(card, [&](Card& c) {
    bool seen = false;
    const bool answered = c.ProbeDuplicate(mac, &seen);
    *found = seen ? 1 : 0;
    return answered;
  });
}

// Fails with kErrorDeviceNotConnected once the interface has vanished, which
// is how a caller that polls the nodes learns of it.
int NodeOnline(std::int32_t card, std::int32_t mac, std::int32_t* online) {
  if (online == nullptr || !ValidMac(mac)) return 0;
  return WithCard(card, [&](Card& c) {
    if (c.InterfaceGone()) {
      platform::SetLastError(platform::kErrorDeviceNotConnected);
      return false;
    }
    dncn::Node* node = c.NodeAt(mac);
    *online = node != nullptr && node->connected ? 1 : 0;
    return true;
  });
}

int ReleaseAll(std::int32_t card) {
  return WithCard(card, [](Card& c) {
    if (c.IsOnline()) dncn::ReleaseAll(c);
    return true;
  });
}

#define DNCN_CARD_SETTING(setter, getter, field)                                         \
  int setter(std::int32_t card, std::int32_t value) {                                    \
    return WithCard(card, [&](Card& c) {                                                 \
      c.field = value;                                                                   \
      c.SettingsChanged();                                                               \
      return true;                                                                       \
    });                                                                                  \
  }                                                                                      \
  int getter(std::int32_t card, std::int32_t* value) {                                   \
    if (value == nullptr) return 0;                                                      \
    return WithCard(card, [&](Card& c) {                                                 \
      *value = static_cast<std::int32_t>(c.field);                                       \
      return true;                                                                       \
    });                                                                                  \
  }

DNCN_CARD_SETTING(SetPollInterval, GetPollInterval, pollIntervalMs)
DNCN_CARD_SETTING(SetStrobeInterval, GetStrobeInterval, strobeIntervalMs)
DNCN_CARD_SETTING(SetExplicitActive, GetExplicitActive, explicitActive)
DNCN_CARD_SETTING(SetPollActive, GetPollActive, pollActive)
DNCN_CARD_SETTING(SetStrobeActive, GetStrobeActive, strobeActive)
DNCN_CARD_SETTING(SetCOSCyclicActive, GetCOSCyclicActive, cosActive)
#undef DNCN_CARD_SETTING

int StartScan(std::int32_t card) {
  return WithCard(card, [](Card& c) {
    c.explicitActive = c.pollActive = c.strobeActive = c.cosActive = true;
    c.SettingsChanged();
    return true;
  });
}

int StopScan(std::int32_t card) {
  return WithCard(card, [](Card& c) {
    c.explicitActive = c.pollActive = c.strobeActive = c.cosActive = false;
    c.SettingsChanged();
    return true;
  });
}

int AddToScanlist(std::int32_t card, std::int32_t mac, std::uint8_t choice, const DnetScanlistEntry* entry) {
  if (entry == nullptr || !ValidMac(mac)) return 0;
  return WithCard(card, [&](Card& c) { return dncn::AddToScanlist(c, mac, choice, *entry); });
}

int RemoveFromScanlist(std::int32_t card, std::int32_t mac, std::uint8_t choice) {
  if (!ValidMac(mac)) return 0;
  return WithCard(card, [&](Card& c) { return dncn::RemoveFromScanlist(c, mac, choice); });
}

int GetConnectionSize(std::int32_t card, std::int32_t mac, std::uint16_t slot, std::uint16_t* produced,
                      std::uint16_t* consumed) {
  if (produced == nullptr || consumed == nullptr) return 0;
  *produced = *consumed = 0;
  return WithAnySlot(card, mac, slot, [&](dncn::Connection& c) {
    std::lock_guard lock(c.mutex);
    *produced = c.producedSize;
    *consumed = c.consumedSize;
    return true;
  });
}

int Allocate(std::int32_t card, std::int32_t mac, std::uint8_t choice) {
  if (!ValidMac(mac)) return 0;
  return WithCard(card, [&](Card& c) { return dncn::AllocateBlocking(c, mac, choice); });
}

int Release(std::int32_t card, std::int32_t mac, std::uint8_t choice) {
  if (!ValidMac(mac)) return 0;
  return WithCard(card, [&](Card& c) { return dncn::ReleaseSet(c, mac, choice); });
}

int Allocate_MS_Connection_Set(std::int32_t card, std::int32_t mac, std::uint8_t choice) {
  std::uint8_t ownMac = 0;
  GetMacID(card, &ownMac);
  const std::uint8_t body[4] = {dncn::kClassDeviceNet, 1, choice, ownMac};
  std::uint8_t reply[256];
  std::uint16_t length = sizeof reply;
  return Explicit(card, mac, dncn::kServiceAllocate, body, &length, reply);
}

int Release_MS_Connection_Set(std::int32_t card, std::int32_t mac, std::uint8_t choice) {
  const std::uint8_t body[3] = {dncn::kClassDeviceNet, 1, choice};
  std::uint8_t reply[256];
  std::uint16_t length = sizeof reply;
  return Explicit(card, mac, dncn::kServiceRelease, body, &length, reply);
}

int UCMM_CloseConnection(std::int32_t card, std::int32_t mac, std::uint16_t instance) {
  return WithNode(card, mac, [&](Card& c, dncn::Node& node) {
    ConnectionPtr ucmm = node.Slot(dncn::kSlotUcmm);
    return ucmm != nullptr && ucmm->instance == static_cast<std::int16_t>(instance) && dncn::CloseUcmm(c, node, mac);
  });
}

int Reset(std::int32_t card, std::int32_t mac, std::int32_t cls, std::int32_t instance, std::uint16_t length,
          const std::uint8_t* data) {
  if (length > 252 || (data == nullptr && length > 0)) return 0;
  std::uint8_t body[254] = {static_cast<std::uint8_t>(cls), static_cast<std::uint8_t>(instance)};
  if (length > 0) std::memcpy(body + 2, data, length);
  std::uint8_t reply[256];
  std::uint16_t replyLength = sizeof reply;
  return Explicit(card, mac, dncn::kServiceReset, std::span(body, length + 2u), &replyLength, reply);
}

int ExplicitService(std::int32_t card, std::int32_t mac, std::uint8_t service, std::uint8_t objectClass,
                    std::uint8_t instance, std::uint16_t requestLength, const std::uint8_t* request,
                    std::uint16_t* replyLength, std::uint8_t* reply) {
  constexpr std::uint16_t kLongestRequest = 254;
  if (requestLength > kLongestRequest || (request == nullptr && requestLength > 0)) return 0;
  if (replyLength == nullptr || (reply == nullptr && *replyLength > 0)) return 0;
  std::uint8_t body[2 + kLongestRequest] = {objectClass, instance};
  if (requestLength > 0) std::memcpy(body + 2, request, requestLength);
  return Explicit(card, mac, service, std::span(body, requestLength + 2u), replyLength, reply);
}

int GetAttribute(std::int32_t card, std::int32_t mac, std::int32_t objectClass, std::int32_t instance,
                 std::int32_t attribute, std::uint16_t* length, std::uint8_t* data) {
  return GetSingle(card, mac, objectClass, instance, attribute, length, data);
}

int SetAttribute(std::int32_t card, std::int32_t mac, std::int32_t objectClass, std::int32_t instance,
                 std::int32_t attribute, std::uint16_t length, const std::uint8_t* data) {
  return SetSingle(card, mac, objectClass, instance, attribute, length, data);
}

#define DNCN_TYPED_ATTRIBUTE(suffix, type)                                                                     \
  int GetAttribute_##suffix(std::int32_t card, std::int32_t mac, std::int32_t cls, std::int32_t instance,      \
                            std::int32_t attribute, type* value) {                                             \
    return GetTyped(card, mac, cls, instance, attribute, value);                                               \
  }                                                                                                            \
  int SetAttribute_##suffix(std::int32_t card, std::int32_t mac, std::int32_t cls, std::int32_t instance,      \
                            std::int32_t attribute, type value) {                                              \
    return SetTyped(card, mac, cls, instance, attribute, value);                                               \
  }

DNCN_TYPED_ATTRIBUTE(USINT, std::uint8_t)
DNCN_TYPED_ATTRIBUTE(SINT, std::int8_t)
DNCN_TYPED_ATTRIBUTE(UINT, std::uint16_t)
DNCN_TYPED_ATTRIBUTE(INT, std::int16_t)
DNCN_TYPED_ATTRIBUTE(UDINT, std::uint32_t)
DNCN_TYPED_ATTRIBUTE(DINT, std::int32_t)
DNCN_TYPED_ATTRIBUTE(REAL, float)
DNCN_TYPED_ATTRIBUTE(DOUBLE, double)
#undef DNCN_TYPED_ATTRIBUTE

int SetIOConsumeData(std::int32_t card, std::int32_t mac, std::uint16_t slot, std::uint16_t length,
                     const std::uint8_t* data) {
  if (data == nullptr) return 0;
  return WithIoSlot(card, mac, slot, dncn::kSlotStrobe, [&](dncn::Connection& c) {
    std::lock_guard lock(c.mutex);
    if (c.output.empty() || length != c.consumedSize) return false;
    std::memcpy(c.output.data(), data, length);
    return true;
  });
}

int GetIOConsumeData(std::int32_t card, std::int32_t mac, std::uint16_t slot, std::uint16_t length,
                     std::uint8_t* data) {
  if (data == nullptr) return 0;
  return WithIoSlot(card, mac, slot, dncn::kSlotStrobe, [&](dncn::Connection& c) {
    std::lock_guard lock(c.mutex);
    if (c.output.empty() || length != c.consumedSize) return false;
    std::memcpy(data, c.output.data(), length);
    return true;
  });
}

int GetIOProduceData(std::int32_t card, std::int32_t mac, std::uint16_t slot, std::uint16_t length,
                     std::uint8_t* data) {
  if (data == nullptr) return 0;
  return WithIoSlot(card, mac, slot, dncn::kSlotCosCyclic, [&](dncn::Connection& c) {
    std::lock_guard lock(c.mutex);
    if (c.input.empty() || length != c.producedSize) return false;
    std::memcpy(data, c.input.data(), length);
    if (c.timedOut) {
      platform::SetLastError(kDnetErrorIoTimedOut);
      return false;
    }
    return true;
  });
}

int CalculateResponseMaxMinAvg(std::int32_t card, std::int32_t mac, std::int32_t slot) {
  return WithAnySlot(card, mac, slot, [](dncn::Connection& c) {
    std::lock_guard lock(c.mutex);
    c.statistics.Fold(c.statistics.last);
    return true;
  });
}

int ResetConnectionCounters(std::int32_t card, std::int32_t mac, std::int32_t slot) {
  if (!ValidMac(mac) || dncn::FindCard(card) == nullptr) return 0;
  WithAnySlot(card, mac, slot, [](dncn::Connection& c) {
    std::lock_guard lock(c.mutex);
    c.sentCount = c.receivedCount = 0;
    return true;
  });
  return 1;
}

int Reset_NodeConnectionTimers(std::int32_t card, std::int32_t mac, std::int32_t slot) {
  return WithAnySlot(card, mac, slot, [](dncn::Connection& c) {
    std::lock_guard lock(c.mutex);
    c.statistics.Reset();
    return true;
  });
}

}  // extern "C"
