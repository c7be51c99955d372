#pragma once
// The QX24X back-end of the downloader: the one module attached through the
// configured interface (USB or RS-232) is node 0, and every sector operation
// is a call of the QX24X driver library, which this class loads and binds by
// itself. Entering the upgrade mode, executing a sector and resetting make
// the module restart, so the link is closed and opened again after them.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "app/Class_flashwright.h"
#include "app/firmwareobject.h"
#include "platform/module.h"

class TQX24XS_Downloader : public TFlashwright {
 public:
  static constexpr const char* kLibraryName = "QX24X.dll";
  static constexpr std::size_t kMirrorBytes = 0x80000;
  // The module's mirror window starts this far in on hardware version 2.
  static constexpr std::size_t kVersion2MirrorStart = 0x28000;
  // The driver carries at most this many firmware bytes per call.
  static constexpr std::uint16_t kDriverTransferBytes = 8;
  // The driver takes a memory length in one byte: longer ones are refused.
  static constexpr std::uint16_t kMaxMemoryBytes = 255;
  static constexpr std::uint32_t kSerialChunkSize = 8;
  static constexpr std::uint32_t kUsbChunkSize = 32;
  static constexpr std::uint32_t kReopenDelayMs = 2000;
  // Left by a failed read or query that the driver gave no code of its own.
  static constexpr std::uint32_t kReadFault = 30;

  explicit TQX24XS_Downloader(const char* libraryName = kLibraryName);
  ~TQX24XS_Downloader() override;

  int OpenInterface(const InterfaceConfiguration* record) override;
  int GetErrorString(std::int32_t a, std::int32_t b) override;
  int UnloadDriver() override;
  int LoadDriver() override;
  int GetHardwareVersion(int* major, int* minor) override;
  int GetFirmwareVersion(int* major, int* minor) override;
  // The version calls the program's version window lists the driver with:
  // the driver's levels and the open module's revisions.
  int GetOnline(int* online);
  int DLL_Name(int level, char* name);
  int DLL_Version(int level, int* major, int* minor);
  int Hardware_Version(int* major, int* minor) { return GetHardwareVersion(major, minor); }
  int Firmware_Version(int* major, int* minor) { return GetFirmwareVersion(major, minor); }
  int WriteMemory(std::uint8_t sector, std::uint32_t address, std::uint16_t length, const std::uint8_t* data) override;
  int ReadMemory(std::uint8_t sector, std::uint32_t address, std::uint16_t length, std::uint8_t* buffer) override;
  int SetActiveSector(std::uint8_t sector) override;
  int GetActiveSector(std::uint8_t* sector) override;
  int SetBootSector(std::uint8_t sector) override;
  int GetBootSector(std::uint8_t* sector) override;
  int EraseSector(std::uint8_t sector) override;
  int ExecuteSector(std::uint8_t sector) override;
  int GetSectorDescription(std::uint8_t sector, SectorDescription* description) override;
  int GetModuleMode(int* mode) override;
  int GetSectorCount(std::uint8_t* count) override;
  int GetSectorSize(std::uint8_t sector, std::uint32_t* size) override;
  int GetDownloadMode(int* inDownloadMode) override;
  int SetDownloadMode(int on, std::uint32_t password) override;
  int WriteSectorChecksum(std::uint8_t sector) override;
  std::string GetNodeText(int node) override;
  std::string GetSerialNumberText(int node) override;
  std::string GetProductCodeText(int node) override;
  std::string GetDeviceTypeText(int node) override;
  std::string GetRevisionText(int node) override;
  std::string GetVendorText(int node) override;
  std::string GetProductNameText(int node) override;
  int GoOnline() override;
  int GoOffline() override;
  int StartBrowse() override;
  int ConfigurationWindow() override;
  int ReadConfiguration(const char* baseKey) override;
  int SaveConfiguration(const char* baseKey) override;
  int GetNodeCount(std::uint16_t* count) override;
  int GetInterfaceConfiguration(InterfaceConfiguration* record) override;
  int PollNodeChanges(int* changed) override;
  int GetBrowseTime(std::uint32_t* milliseconds) override;
  int ChecksumOk(std::uint8_t sector, std::uint32_t* ok) override;
  int ResetNode() override;
  int GetInterfaceName(char* name) override;

  bool Loaded() const { return library_ != nullptr; }
  bool LinkOpen() const { return linkOpen_; }
  InterfaceConfiguration& Interface() { return interface_; }
  const firmware::ImageMirror& Mirror() const { return mirror_; }

 private:
  struct EntryPoints;

  void LoadDriverLibrary(const char* libraryName);
  // Opens the link with the own record; a failed open leaves it closed.
  int OpenOwnInterface();
  void CloseLink();
  void MarkModulePresent();
  void DropVanishedModule();
  // After a command that restarts the module: close, wait, open again.
  int Reopen(int commandResult);
  // False, with an invalid-parameter code, for a length the driver cannot carry.
  static bool CarriedByDriver(std::uint16_t length);
  // Hands a piece to the driver in calls of at most kDriverTransferBytes.
  template <typename Transfer>
  int InDriverPieces(std::uint32_t address, std::uint16_t length, Transfer transfer);

  std::unique_ptr<EntryPoints> entries_;
  platform::ModuleHandle library_ = nullptr;
  // The link is opened and closed on the window and download threads and
  // closed by the node polling when its module vanished.
  std::mutex linkMutex_;
  std::int32_t handle_ = 0;
  std::atomic<bool> linkOpen_{false};
  firmware::ImageMirror mirror_{kMirrorBytes};
  InterfaceConfiguration interface_{};
};
