#pragma once
// The program's only way into the DeviceNet library VRK_DNET: loads it by file
// name, binds its entry points by name, and offers one wrapper per entry point
// that the program uses. A wrapper whose entry point is missing returns 0
// without calling. The object also keeps the card handle of the open
// interface, the interface and network settings, and the identity that each
// MAC ID reported when it last came online.
//
// The identity records are written by the node-polling thread and read by the
// window thread; they are only ever handed out as copies taken under a lock.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "bindings/librarybinding.h"
#include "config/interfaceconfiguration.h"
#include "platform/module.h"

struct DnetScanlistEntry;

struct DnetNodeIdentity {
  std::uint16_t VendorId = 0;
  std::uint16_t DeviceType = 0;
  std::uint16_t ProductCode = 0;
  std::uint16_t Revision = 0;  // major * 256 + minor
  std::uint32_t SerialNumber = 0;
  // The SHORT_STRING as received: length byte, then the characters.
  std::array<std::uint8_t, 256> ProductName{};

  // The characters after the length byte, as many as it says and as were received.
  std::string ProductNameText() const;
};

class TVRK_DNET_Interface {
 public:
  static constexpr int kMacCount = 64;
  static constexpr const char* kLibraryName = "VRK_DNET.dll";

  // libraryName: the file the library is loaded from (another name serves
  // tests that need the library missing). use: the program's binding or a
  // configuration dialog's (which binds all names but
  // "UCMM_CloseConnection" and closes only the card its own Test opened).
  explicit TVRK_DNET_Interface(const char* libraryName = kLibraryName, binding::Use use = binding::Use::kProgram);
  virtual ~TVRK_DNET_Interface();
  TVRK_DNET_Interface(const TVRK_DNET_Interface&) = delete;
  TVRK_DNET_Interface& operator=(const TVRK_DNET_Interface&) = delete;

  // 1 when the library was loaded (every name then looked up), else 0.
  int LoadInterfaceLibrary(const char* libraryName = kLibraryName);
  bool Loaded() const { return library_ != nullptr; }

  int OpenInterface();
  // A dialog's Test: opens the caller's record (a copy is kept in the object);
  // the card of an earlier Test is closed first.
  int OpenInterface(const InterfaceConfiguration* record);
  // The card the version calls take: the caller's, which stays the caller's.
  void UseCard(std::int32_t card) { card_ = card; }
  int SetMacID();
  int SetBaud();
  int SetOnline(int on);
  int GetOnline(int* online);
  int CloseCard();
  int StartScan();
  int StopScan();
  int NodeOnline(std::uint8_t mac, int* online);
  int GetAttribute(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance, std::uint16_t attribute,
                   std::uint16_t* length, std::uint8_t* data);
  int GetAttribute_USINT(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance,
                         std::uint16_t attribute, std::uint8_t* value);
  int GetAttribute_UINT(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance,
                        std::uint16_t attribute, std::uint16_t* value);
  int GetAttribute_UDINT(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance,
                         std::uint16_t attribute, std::uint32_t* value);
  int SetAttribute(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance, std::uint16_t attribute,
                   std::uint16_t length, const std::uint8_t* data);
  int SetAttribute_USINT(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance,
                         std::uint16_t attribute, std::uint8_t value);
  int SetAttribute_UDINT(std::uint8_t mac, std::uint16_t objectClass, std::uint16_t instance,
                         std::uint16_t attribute, std::uint32_t value);
  int ExplicitService(std::uint8_t mac, std::uint8_t service, std::uint16_t objectClass, std::uint16_t instance,
                      std::uint16_t length, const std::uint8_t* data, std::uint16_t* replyLength,
                      std::uint8_t* reply);
  int AddToScanlist(std::uint8_t mac, std::uint8_t choice, const DnetScanlistEntry* entry);
  int RemoveFromScanlist(std::uint8_t mac, std::uint8_t choice);
  int Hardware_Version(int* major, int* minor);
  int Firmware_Version(int* major, int* minor);
  int DLL_Version(int level, int* major, int* minor);
  int DLL_Name(int level, char* name);
  int DeviceNetConfigurationWindow();
  int HardwareConfigurationWindow(InterfaceConfiguration* record);
  int ReadConfiguration(const char* key);
  int SaveConfiguration(const char* key);
  int GetInterfaceName(int interfaceType, char* name);
  int VersionInformationWindow();
  // Calls the library's UnloadDriver, then releases the library.
  int UnloadDriver();

  // Reads the Identity object of the node into its record; 1 when all six
  // reads succeeded. A failure part-way keeps the values read so far.
  int ReadIdentity(std::uint8_t mac);
  // A copy of the node's record (an empty record for a MAC outside 0 to 63).
  DnetNodeIdentity Identity(int mac) const;

  std::int32_t Card() const { return card_; }
  InterfaceConfiguration& Interface() { return interface_; }
  DeviceNetConfiguration& Network() { return network_; }

 private:
  struct EntryPoints;

  std::unique_ptr<EntryPoints> entries_;
  binding::Use use_;
  bool ownsCard_ = false;  // a dialog's Test opened card_
  std::int32_t card_ = -1;
  platform::ModuleHandle library_ = nullptr;
  binding::IdentityTable<DnetNodeIdentity, kMacCount> identities_;
  InterfaceConfiguration interface_{};
  DeviceNetConfiguration network_{};
};
