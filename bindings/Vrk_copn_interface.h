#pragma once
// The program's only way into the CANopen library VRK_COPN: loads it by file
// name, binds its entry points by name, and wraps the ones the program uses.
// A wrapper whose entry point is missing returns 0 without calling. The object
// also keeps the card handle of the open interface, the interface and network
// settings, and the identity each node ID reported when it last came online.
//
// The identity records are written by the node-polling thread and read by the
// window thread; they are only ever handed out as copies taken under a lock.
#include <array>
#include <cstdint>
#include <memory>

#include "bindings/librarybinding.h"
#include "config/interfaceconfiguration.h"
#include "platform/module.h"

struct CopnNodeIdentity {
  // Bits of ValidBits: which values the last ReadIdentity read.
  enum : std::uint32_t {
    kDeviceType = 1u << 0,
    kErrorRegister = 1u << 1,
    kDeviceName = 1u << 2,
    kHardwareVersion = 1u << 3,
    kSoftwareVersion = 1u << 4,
    kVendorId = 1u << 5,
    kProductCode = 1u << 6,
    kRevisionNumber = 1u << 7,
    kSerialNumber = 1u << 8,
  };

  std::uint32_t DeviceType = 0;
  std::uint8_t ErrorRegister = 0;
  char DeviceName[256] = {};
  char HardwareVersion[256] = {};
  char SoftwareVersion[256] = {};
  std::uint32_t VendorId = 0;
  std::uint32_t ProductCode = 0;
  std::uint32_t RevisionNumber = 0;
  std::uint32_t SerialNumber = 0;
  std::uint32_t ValidBits = 0;
};

class TVRK_COPN_Interface {
 public:
  static constexpr int kNodeCount = 128;
  static constexpr const char* kLibraryName = "VRK_COPN.dll";
  // The SDO time-out the identity reads use.
  static constexpr std::uint16_t kIdentitySdoTimeoutMs = 500;

  // libraryName: the file the library is loaded from (another name serves
  // tests that need the library missing). use: the program's binding or a
  // configuration dialog's (which binds 63 names and closes only the card its
  // own Test opened).
  explicit TVRK_COPN_Interface(const char* libraryName = kLibraryName, binding::Use use = binding::Use::kProgram);
  virtual ~TVRK_COPN_Interface();
  TVRK_COPN_Interface(const TVRK_COPN_Interface&) = delete;
  TVRK_COPN_Interface& operator=(const TVRK_COPN_Interface&) = delete;

  // 1 when the library was loaded (every name then looked up), else 0.
  int LoadInterfaceLibrary(const char* libraryName = kLibraryName);
  bool Loaded() const { return library_ != nullptr; }

  int OpenInterface();
  // A dialog's Test: opens the caller's record (no copy is kept); the card of
  // an earlier Test is closed first.
  int OpenInterface(InterfaceConfiguration* record);
  // The card the version calls take: the caller's, which stays the caller's.
  void UseCard(std::int32_t card) { card_ = card; }
  int SetNodeID();
  int SetBaud();
  int SetOnline(int on);
  int GetOnline(int* online);
  int CloseCard();
  int AddNode(std::uint8_t node);
  int GetNodeOnline(std::uint8_t node, int* online);
  int SetSDOTimeout(std::uint16_t milliseconds);
  int SDO_Download_UNSIGNED8(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex, std::uint8_t value);
  int SDO_Download_UNSIGNED32(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex, std::uint32_t value);
  int SDO_Download(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex, std::uint32_t length,
                   const std::uint8_t* data);
  int SDO_Upload_UNSIGNED8(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex, std::uint8_t* value);
  int SDO_Upload_UNSIGNED32(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex, std::uint32_t* value);
  int SDO_Upload(std::uint8_t node, std::uint16_t index, std::uint8_t subIndex, std::uint32_t* length,
                 std::uint8_t* data);
  int NMT_ResetNode(std::uint8_t node);
  int NMT_ResetCommunication(std::uint8_t node);
  int NMT_StartGuarding(std::uint8_t node, std::uint8_t mode, std::uint16_t milliseconds);
  int Hardware_Version(int* major, int* minor);
  int Firmware_Version(int* major, int* minor);
  int DLL_Version(int level, int* major, int* minor);
  int DLL_Name(int level, char* name);
  int CANopenConfigurationWindow();
  int HardwareConfigurationWindow(InterfaceConfiguration* record);
  int ReadConfiguration(const char* key);
  int SaveConfiguration(const char* key);
  int GetInterfaceName(int interfaceType, char* name);
  int VersionInformationWindow();
  int UnloadDriver();

  // Reads the node's identity objects into its record; 1 when the device
  // type could be read. Values that could not be read keep their old ones.
  int ReadIdentity(std::uint8_t node);
  // A copy of the node's record (an empty record for an ID outside 0 to 127).
  CopnNodeIdentity Identity(int node) const;

  std::int32_t Card() const { return card_; }
  InterfaceConfiguration& Interface() { return interface_; }
  CANopenConfiguration& Network() { return network_; }

 private:
  struct EntryPoints;

  std::unique_ptr<EntryPoints> entries_;
  binding::Use use_;
  bool ownsCard_ = false;  // a dialog's Test opened card_
  platform::ModuleHandle library_ = nullptr;
  std::int32_t card_ = -1;
  binding::IdentityTable<CopnNodeIdentity, kNodeCount> identities_;
  InterfaceConfiguration interface_{};
  CANopenConfiguration network_{};
};
