#include "bindings/Vrk_dnet_interface.h"

#include <algorithm>
#include <cstring>

#include "devicenet/vrk_dnet.h"

// Every name the binding looks up, in lookup order. Names that VRK_DNET does
// not offer stay unbound; nothing calls them.
#define DNET_ENTRY_POINTS(X)                                                                                      \
  X(UnloadDriver) X(LoadDriver) X(OpenCard) X(OpenInterface) X(CloseCard) X(CloseInterface) X(Hardware_Version)  \
  X(Firmware_Version) X(DLL_Version) X(DLL_Name) X(GetAttribute) X(GetAttribute_USINT) X(GetAttribute_SINT)        \
  X(GetAttribute_UINT) X(GetAttribute_INT) X(GetAttribute_UDINT) X(GetAttribute_DINT) X(GetAttribute_REAL)         \
  X(GetAttribute_DOUBLE) X(SetAttribute) X(SetAttribute_USINT) X(SetAttribute_SINT) X(SetAttribute_UINT)           \
  X(SetAttribute_INT) X(SetAttribute_UDINT) X(SetAttribute_DINT) X(SetAttribute_REAL) X(SetAttribute_DOUBLE)       \
  X(ExplicitService) X(SetBaud) X(GetBaud) X(SetOnline) X(GetOnline) X(SetMacID) X(GetMacID) X(NodeOnline)         \
  X(ReleaseAll) X(Allocate) X(Allocate_UCMM) X(Release) X(SetExplicitActive) X(SetPollActive) X(SetStrobeActive)   \
  X(SetCOSCyclicActive) X(GetPollActive) X(GetStrobeActive) X(GetCOSCyclicActive) X(AddToScanlist)                 \
  X(RemoveFromScanlist) X(SetPollInterval) X(SetStrobeInterval) X(GetPollInterval) X(GetStrobeInterval)            \
  X(SetIOConsumeData) X(GetIOConsumeData) X(GetIOProduceData) X(CalculateResponseMaxMinAvg)                        \
  X(ResetConnectionCounters) X(Reset_NodeConnectionTimers) X(GetConnectionSize) X(StartScan) X(StopScan)           \
  X(Allocate_MS_Connection_Set) X(Release_MS_Connection_Set) X(DeviceNetConfigurationWindow) X(ReadConfiguration)  \
  X(SaveConfiguration) X(HardwareConfigurationWindow) X(GetInterfaceName) X(VersionInformationWindow)              \
  X(UCMM_CloseConnection)

namespace {

enum class Entry : std::size_t { DNET_ENTRY_POINTS(LIBRARY_BINDING_ENUM) Count };

constexpr const char* kEntryNames[] = {DNET_ENTRY_POINTS(LIBRARY_BINDING_NAME)};
static_assert(std::size(kEntryNames) == static_cast<std::size_t>(Entry::Count));
static_assert(std::size(kEntryNames) == 71);

constexpr std::uint16_t kIdentityClass = 1;
constexpr std::uint16_t kIdentityInstance = 1;

}  // namespace

struct TVRK_DNET_Interface::EntryPoints : binding::EntryPointTable<std::size(kEntryNames)> {
  EntryPoints() : EntryPointTable(kEntryNames) {}
};

#define DNET_CALL(name, ...) LIBRARY_BINDING_CALL(*entries_, name __VA_OPT__(, ) __VA_ARGS__)

std::string DnetNodeIdentity::ProductNameText() const {
  const std::size_t length = std::min<std::size_t>(ProductName[0], ProductName.size() - 1);
  const char* characters = reinterpret_cast<const char*>(ProductName.data() + 1);
  return std::string(characters, strnlen(characters, length));
}

TVRK_DNET_Interface::TVRK_DNET_Interface(const char* libraryName, binding::Use use)
    : entries_(std::make_unique<EntryPoints>()), use_(use) {
  LoadInterfaceLibrary(libraryName);
}

TVRK_DNET_Interface::~TVRK_DNET_Interface() {
  if (use_ == binding::Use::kDialogs) {
    // The library's other cards are its caller's, among them the program's
    // online network: only a card of our own Test is closed, and the driver
    // stays loaded.
    if (ownsCard_) CloseCard();
    return;
  }
  CloseCard();
  UnloadDriver();
}

int TVRK_DNET_Interface::LoadInterfaceLibrary(const char* libraryName) {
  if (use_ == binding::Use::kDialogs) {
    library_ = entries_->Load(libraryName, {"UCMM_CloseConnection"});
  } else {
    library_ = entries_->Load(libraryName);
  }
  return library_ != nullptr ? 1 : 0;
}

int TVRK_DNET_Interface::OpenInterface() { return DNET_CALL(OpenInterface, &card_, &interface_); }
int TVRK_DNET_Interface::OpenInterface(const InterfaceConfiguration* record) {
  if (ownsCard_) CloseCard();
  std::memcpy(&interface_, record, sizeof interface_);
  std::int32_t opened = -1;
  const int result = DNET_CALL(OpenInterface, &opened, record);
  if (result != 0) {
    card_ = opened;
    ownsCard_ = true;
  }
  return result;
}
int TVRK_DNET_Interface::SetMacID() {
  return DNET_CALL(SetMacID, card_, static_cast<std::int32_t>(static_cast<std::uint8_t>(network_.MacId)));
}
int TVRK_DNET_Interface::SetBaud() { return DNET_CALL(SetBaud, card_, network_.BaudRate); }
int TVRK_DNET_Interface::SetOnline(int on) { return DNET_CALL(SetOnline, card_, on); }
int TVRK_DNET_Interface::GetOnline(int* online) { return DNET_CALL(GetOnline, card_, online); }
int TVRK_DNET_Interface::CloseCard() {
  const int result = DNET_CALL(CloseCard, card_);
  // The number may go to another card once this one is closed: never close it twice.
  if (result != 0) {
    card_ = -1;
    ownsCard_ = false;
  }
  return result;
}
int TVRK_DNET_Interface::StartScan() { return DNET_CALL(StartScan, card_); }
int TVRK_DNET_Interface::StopScan() { return DNET_CALL(StopScan, card_); }
int TVRK_DNET_Interface::NodeOnline(std::uint8_t mac, int* online) {
  return DNET_CALL(NodeOnline, card_, std::int32_t{mac}, online);
}

int TVRK_DNET_Interface::GetAttribute(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance,
                                      std::uint16_t attribute, std::uint16_t* length, std::uint8_t* data) {
  return DNET_CALL(GetAttribute, card_, std::int32_t{mac}, std::int32_t{objectClass}, std::int32_t{instance},
                   std::int32_t{attribute}, length, data);
}
int TVRK_DNET_Interface::GetAttribute_USINT(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance,
                                            std::uint16_t attribute, std::uint8_t* value) {
  return DNET_CALL(GetAttribute_USINT, card_, std::int32_t{mac}, std::int32_t{objectClass}, std::int32_t{instance},
                   std::int32_t{attribute}, value);
}
int TVRK_DNET_Interface::GetAttribute_UINT(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance,
                                           std::uint16_t attribute, std::uint16_t* value) {
  return DNET_CALL(GetAttribute_UINT, card_, std::int32_t{mac}, std::int32_t{objectClass}, std::int32_t{instance},
                   std::int32_t{attribute}, value);
}
int TVRK_DNET_Interface::GetAttribute_UDINT(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance,
                                            std::uint16_t attribute, std::uint32_t* value) {
  return DNET_CALL(GetAttribute_UDINT, card_, std::int32_t{mac}, std::int32_t{objectClass}, std::int32_t{instance},
                   std::int32_t{attribute}, value);
}
int TVRK_DNET_Interface::SetAttribute(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance,
                                      std::uint16_t attribute, std::uint16_t length, const std::uint8_t* data) {
  return DNET_CALL(SetAttribute, card_, std::int32_t{mac}, std::int32_t{objectClass}, std::int32_t{instance},
                   std::int32_t{attribute}, length, data);
}
int TVRK_DNET_Interface::SetAttribute_USINT(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance,
                                            std::uint16_t attribute, std::uint8_t value) {
  return DNET_CALL(SetAttribute_USINT, card_, std::int32_t{mac}, std::int32_t{objectClass}, std::int32_t{instance},
                   std::int32_t{attribute}, value);
}
int TVRK_DNET_Interface::SetAttribute_UDINT(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance,
                                            std::uint16_t attribute, std::uint32_t value) {
  return DNET_CALL(SetAttribute_UDINT, card_, std::int32_t{mac}, std::int32_t{objectClass}, std::int32_t{instance},
                   std::int32_t{attribute}, value);
}
int TVRK_DNET_Interface::ExplicitService(std::uint8_t mac, std::uint8_t service, std::uint16_t objectClass,
                                         std::uint16_t instance, std::uint16_t length, const std::uint8_t* data,
                                         std::uint16_t* replyLength, std::uint8_t* reply) {
  return DNET_CALL(ExplicitService, card_, std::int32_t{mac}, service, static_cast<std::uint8_t>(objectClass),
                   static_cast<std::uint8_t>(instance), length, data, replyLength, reply);
}
int TVRK_DNET_Interface::AddToScanlist(std::uint8_t mac, std::uint8_t choice, const DnetScanlistEntry* entry) {
  return DNET_CALL(AddToScanlist, card_, std::int32_t{mac}, choice, entry);
}
int TVRK_DNET_Interface::RemoveFromScanlist(std::uint8_t mac, std::uint8_t choice) {
  return DNET_CALL(RemoveFromScanlist, card_, std::int32_t{mac}, choice);
}
int TVRK_DNET_Interface::Hardware_Version(int* major, int* minor) {
  return DNET_CALL(Hardware_Version, card_, major, minor);
}
int TVRK_DNET_Interface::Firmware_Version(int* major, int* minor) {
  return DNET_CALL(Firmware_Version, card_, major, minor);
}
int TVRK_DNET_Interface::DLL_Version(int level, int* major, int* minor) {
  return DNET_CALL(DLL_Version, card_, level, major, minor);
}
int TVRK_DNET_Interface::DLL_Name(int level, char* name) { return DNET_CALL(DLL_Name, card_, level, name); }
int TVRK_DNET_Interface::DeviceNetConfigurationWindow() {
  return DNET_CALL(DeviceNetConfigurationWindow, &interface_, &network_);
}
int TVRK_DNET_Interface::HardwareConfigurationWindow(InterfaceConfiguration* record) {
  return DNET_CALL(HardwareConfigurationWindow, record);
}
int TVRK_DNET_Interface::ReadConfiguration(const char* key) {
  return DNET_CALL(ReadConfiguration, key, &interface_, &network_);
}
int TVRK_DNET_Interface::SaveConfiguration(const char* key) {
  return DNET_CALL(SaveConfiguration, key, &interface_, &network_);
}
int TVRK_DNET_Interface::GetInterfaceName(int interfaceType, char* name) {
  return DNET_CALL(GetInterfaceName, interfaceType, name);
}
int TVRK_DNET_Interface::VersionInformationWindow() { return DNET_CALL(VersionInformationWindow, card_); }

int TVRK_DNET_Interface::UnloadDriver() {
  const int result = DNET_CALL(UnloadDriver);
  entries_->Release(library_);
  return result;
}

int TVRK_DNET_Interface::ReadIdentity(std::uint8_t mac) {
  if (mac >= kMacCount) return 0;
  DnetNodeIdentity read = Identity(mac);
  const auto keep = [&](int result) {
    identities_.Put(mac, read);
    return result;
  };
  const auto readUint = [&](std::uint16_t attribute, std::uint16_t* into) {
    return GetAttribute_UINT(mac, kIdentityClass, kIdentityInstance, attribute, into) != 0;
  };
  if (!readUint(1, &read.VendorId) || !readUint(2, &read.DeviceType) || !readUint(3, &read.ProductCode)) {
    return keep(0);
  }
  std::uint8_t revision[2] = {};
  std::uint16_t length = sizeof revision;
  if (GetAttribute(mac, kIdentityClass, kIdentityInstance, 4, &length, revision) == 0 || length != 2) return keep(0);
  read.Revision = static_cast<std::uint16_t>(revision[0] * 256 + revision[1]);
  if (GetAttribute_UDINT(mac, kIdentityClass, kIdentityInstance, 6, &read.SerialNumber) == 0) return keep(0);
  std::array<std::uint8_t, 256> name{};
  length = static_cast<std::uint16_t>(name.size());
  if (GetAttribute(mac, kIdentityClass, kIdentityInstance, 7, &length, name.data()) == 0) return keep(0);
  // Only the bytes received count: what lies beyond is cleared, so a shorter
  // name never shows the tail of a longer one read before.
  read.ProductName.fill(0);
  std::copy_n(name.begin(), std::min<std::size_t>(length, name.size()), read.ProductName.begin());
  if (length > 0) read.ProductName[0] = static_cast<std::uint8_t>(std::min<std::size_t>(read.ProductName[0], length - 1));
  return keep(1);
}

DnetNodeIdentity TVRK_DNET_Interface::Identity(int mac) const {
  return identities_.Get(mac);
}
