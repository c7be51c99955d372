#pragma once
// The DeviceNet back-end of the downloader: goes online as master through
// VRK_DNET, keeps every MAC on the explicit scanlist during a browse, watches
// which MACs are online and reads their identity, and carries out the sector
// operations on the selected node through its firmware object (class 0xC7,
// instance 1).
#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "app/Class_flashwright.h"
#include "app/Vrk_dnet_interface.h"
#include "app/firmwareobject.h"

class TDNet_Downloader : public TFlashwright {
 public:
  static constexpr std::size_t kMirrorBytes = 0x2FFFE;
  static constexpr std::size_t kChecksumWords = 0x17FFF;
  static constexpr int kMacCount = TVRK_DNET_Interface::kMacCount;

  explicit TDNet_Downloader(const char* libraryName = TVRK_DNET_Interface::kLibraryName);
  ~TDNet_Downloader() override;

  int GetFirmwareVersion(int* major, int* minor) override;
  int WriteMemory(std::uint8_t sector, std::uint32_t address, std::uint16_t length, const std::uint8_t* data) override;
  int SetBootSector(std::uint8_t sector) override;
  int GetBootSector(std::uint8_t* sector) override;
  int EraseSector(std::uint8_t sector) override;
  int ExecuteSector(std::uint8_t sector) override;
  int GetSectorDescription(std::uint8_t sector, SectorDescription* description) override;
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
  std::string GetBaudRateText() override;
  std::string GetInterfaceAddressText() override;
  int GoOnline() override;
  int GoOffline() override;
  int StartBrowse() override;
  int StopBrowse() override;
  int VersionInformationWindow() override;
  int ConfigurationWindow() override;
  int HardwareConfigurationWindow(InterfaceConfiguration* record) override;
  int ReadConfiguration(const char* baseKey) override;
  int SaveConfiguration(const char* baseKey) override;
  int GetNodeCount(std::uint16_t* count) override;
  int GetInterfaceConfiguration(InterfaceConfiguration* record) override;
  int PollNodeChanges(int* changed) override;
  int ResetNode() override;
  int GetInterfaceName(char* name) override;

  TVRK_DNET_Interface& Binding() { return binding_; }
  // Bit 0: the browse put the MAC on the scanlist (the allocation choice
  // StopBrowse removes it with).
  std::uint8_t InScanlist(int mac) const { return mac >= 0 && mac < kMacCount ? inScanlist_[mac].load() : 0; }

 private:
  std::uint8_t SelectedMac() const { return static_cast<std::uint8_t>(NodeNumber()); }
  bool IsNodeMac(int node) const { return node >= 0 && node < kMacCount; }
  int ResetSelectedNode();
  int AddSelectedToScanlist(std::uint16_t explicitSize);
  // Checks NodeOnline up to 11 times, 1 s apart, until it reports `online`;
  // a failing call counts as the opposite. Whether it was seen so.
  bool WaitForNodeState(bool online, int* lastResult);
  // Closes what a failed GoOnline had opened, so that the next attempt works.
  void UndoGoOnline();

  TVRK_DNET_Interface binding_;
  firmware::ImageMirror mirror_{kMirrorBytes};
  std::array<std::atomic<std::uint8_t>, kMacCount> inScanlist_{};
};
