#pragma once
// How the CAN dialogs reach the CAN access library VRK_CAN: loads it by file
// name, binds its entry points by name and wraps the few the dialogs call
// (Test, "Configure Hardware" and the version window). A wrapper whose entry
// point is missing returns 0 without calling.
//
// The library is the dialogs' own caller, and its other cards are the
// program's: the object closes only a card that its own OpenInterface
// opened, and it never unloads the driver (VRK_CAN's UnloadDriver would close
// every card of the process).
#include <cstdint>
#include <memory>

#include "config/interfaceconfiguration.h"
#include "platform/module.h"

class TVRK_CAN_Interface {
 public:
  static constexpr const char* kLibraryName = "VRK_CAN.dll";

  explicit TVRK_CAN_Interface(const char* libraryName = kLibraryName);
  ~TVRK_CAN_Interface();
  TVRK_CAN_Interface(const TVRK_CAN_Interface&) = delete;
  TVRK_CAN_Interface& operator=(const TVRK_CAN_Interface&) = delete;

  bool Loaded() const { return library_ != nullptr; }

  // Opens the record (a copy is kept); the card of an earlier open is closed
  // first.
  int OpenInterface(const InterfaceConfiguration* record);
  int CloseCard();
  int HardwareConfigurationWindow(InterfaceConfiguration* record);
  int GetOnline(int* online);
  int DLL_Name(int level, char* name);
  int DLL_Version(int level, int* major, int* minor);
  int Hardware_Version(int* major, int* minor);
  int Firmware_Version(int* major, int* minor);

  // The card the version calls take: the caller's, which stays the caller's.
  void UseCard(std::int32_t card) { card_ = card; }

 private:
  struct EntryPoints;

  std::unique_ptr<EntryPoints> entries_;
  platform::ModuleHandle library_ = nullptr;
  std::int32_t card_ = 0;
  bool ownsCard_ = false;
  InterfaceConfiguration opened_{};  // the record of the last OpenInterface
};
