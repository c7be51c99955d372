#pragma once
// The CANopen back-end of the downloader: goes online as master through
// VRK_COPN, resets the nodes' communication to find them, watches which node
// IDs are online, reads their identity and guards them, and carries out the
// sector operations on the selected node through its firmware objects 0x3600
// to 0x3611.
#include <cstdint>
#include <string>

#include "bindings/Vrk_copn_interface.h"
#include "app/networkdownloader.h"

class TCOPN_Downloader : public TNetworkDownloader<TVRK_COPN_Interface, TVRK_COPN_Interface::kNodeCount> {
 public:
  static constexpr std::uint8_t kFirstNode = 1;
  static constexpr std::uint8_t kLastNode = 127;

  explicit TCOPN_Downloader(const char* libraryName = TVRK_COPN_Interface::kLibraryName);
  ~TCOPN_Downloader() override;

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
  int ConfigurationWindow() override;
  int VersionInformationWindow() override;
  int PollNodeChanges(int* changed) override;
  void ReportInterfaceLost() override;
  int ChecksumOk(std::uint8_t sector, std::uint32_t* ok) override;
  int ResetNode() override;

 private:
  int SelectSector(std::uint8_t sector);
  int SendCommand(const std::vector<std::uint8_t>& payload) override;
  // Takes the interface offline and closes it after a failed GoOnline.
  void UndoGoOnline();
};
