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

#include "bindings/Vrk_dnet_interface.h"
#include "app/networkdownloader.h"

class TDNet_Downloader : public TNetworkDownloader<TVRK_DNET_Interface, TVRK_DNET_Interface::kMacCount> {
 public:
  static constexpr std::size_t kChecksumWords = 0x17FFF;
  static constexpr int kMacCount = TVRK_DNET_Interface::kMacCount;

  explicit TDNet_Downloader(const char* libraryName = TVRK_DNET_Interface::kLibraryName);
  ~TDNet_Downloader() override;

  int GetFirmwareVersion(int* major, int* minor) override;
  int SetBootSector(std::uint8_t sector) override;
  int GetBootSector(std::uint8_t* sector) override;
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
  std::string GetInterfaceAddressText() override;
  int GoOnline() override;
  int GoOffline() override;
  int StartBrowse() override;
  int StopBrowse() override;
  int VersionInformationWindow() override;
  int ConfigurationWindow() override;
  int PollNodeChanges(int* changed) override;
  void ReportInterfaceLost() override;
  int ResetNode() override;

  // Bit 0: the browse put the MAC on the scanlist (the allocation choice
  // StopBrowse removes it with).
  std::uint8_t InScanlist(int mac) const { return mac >= 0 && mac < kMacCount ? inScanlist_[mac].load() : 0; }

 private:
  int SendCommand(const std::vector<std::uint8_t>& payload) override;
  int ResetSelectedNode();
  int AddSelectedToScanlist(std::uint16_t explicitSize);
  // Checks NodeOnline up to 11 times, 1 s apart, until it reports `online`;
  // a failing call counts as the opposite. Whether it was seen so.
  bool WaitForNodeState(bool online, int* lastResult);
  // Closes what a failed GoOnline had opened, so that the next attempt works.
  void UndoGoOnline();

  std::array<std::atomic<std::uint8_t>, kMacCount> inScanlist_{};
};
