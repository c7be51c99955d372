#include "app/Class_flashwright.h"

TFlashwright::TFlashwright() = default;

TFlashwright::~TFlashwright() {
  TFlashwright::CloseInterface();
  TFlashwright::UnloadDriver();
}

int TFlashwright::OpenInterface(const InterfaceConfiguration*) { return 0; }
int TFlashwright::CloseInterface() { return 0; }
int TFlashwright::GetErrorString(std::int32_t, std::int32_t) { return 0; }
int TFlashwright::UnloadDriver() { return 0; }
int TFlashwright::LoadDriver() { return 0; }
int TFlashwright::GetHardwareVersion(int*, int*) { return 0; }
int TFlashwright::GetFirmwareVersion(int*, int*) { return 0; }
int TFlashwright::WriteMemory(std::uint8_t, std::uint32_t, std::uint16_t, const std::uint8_t*) { return 0; }
int TFlashwright::ReadMemory(std::uint8_t, std::uint32_t, std::uint16_t, std::uint8_t*) { return 0; }
int TFlashwright::SetActiveSector(std::uint8_t) { return 0; }
int TFlashwright::GetActiveSector(std::uint8_t*) { return 0; }
int TFlashwright::SetBootSector(std::uint8_t) { return 0; }
int TFlashwright::GetBootSector(std::uint8_t*) { return 0; }
int TFlashwright::EraseSector(std::uint8_t) { return 0; }
int TFlashwright::ExecuteSector(std::uint8_t) { return 0; }
int TFlashwright::GetSectorDescription(std::uint8_t, SectorDescription*) { return 0; }
int TFlashwright::GetModuleMode(int*) { return 0; }
int TFlashwright::GetSectorCount(std::uint8_t*) { return 0; }
int TFlashwright::GetSectorSize(std::uint8_t, std::uint32_t*) { return 0; }
int TFlashwright::GetDownloadMode(int*) { return 0; }
int TFlashwright::SetDownloadMode(int, std::uint32_t) { return 0; }
int TFlashwright::WriteSectorChecksum(std::uint8_t) { return 0; }
std::string TFlashwright::GetNodeText(int) { return {}; }
std::string TFlashwright::GetSerialNumberText(int) { return {}; }
std::string TFlashwright::GetProductCodeText(int) { return {}; }
std::string TFlashwright::GetDeviceTypeText(int) { return {}; }
std::string TFlashwright::GetRevisionText(int) { return {}; }
std::string TFlashwright::GetVendorText(int) { return {}; }
std::string TFlashwright::GetProductNameText(int) { return {}; }
std::string TFlashwright::GetBaudRateText() { return {}; }
std::string TFlashwright::GetInterfaceAddressText() { return {}; }
int TFlashwright::GoOnline() { return 0; }
int TFlashwright::GoOffline() { return 0; }
int TFlashwright::StartBrowse() { return 0; }
int TFlashwright::StopBrowse() { return 0; }
int TFlashwright::VersionInformationWindow() { return 0; }
int TFlashwright::ConfigurationWindow() { return 0; }
int TFlashwright::HardwareConfigurationWindow(InterfaceConfiguration*) { return 0; }
int TFlashwright::ReadConfiguration(const char*) { return 0; }
int TFlashwright::SaveConfiguration(const char*) { return 0; }

int TFlashwright::GetNodeCount(std::uint16_t* count) {
  if (count != nullptr) *count = 0;
  return 0;
}

int TFlashwright::GetInterfaceConfiguration(InterfaceConfiguration*) { return 0; }
int TFlashwright::PollNodeChanges(int*) { return 0; }
int TFlashwright::GetBrowseTime(std::uint32_t*) { return 0; }
int TFlashwright::ChecksumOk(std::uint8_t, std::uint32_t*) { return 0; }
int TFlashwright::ResetNode() { return 0; }
int TFlashwright::GetInterfaceName(char*) { return 0; }

std::uint32_t TFlashwright::PresentWord(std::size_t node) const {
  return node < kNodeEntries ? present_[node].load() : 0;
}

void TFlashwright::ForgetNode(std::size_t node) {
  if (node >= kNodeEntries) return;
  present_[node].store(0);
  reportedPresent_[node].store(0);
}

void TFlashwright::ClearNodeTable(std::size_t count) {
  for (std::size_t n = 0; n < count && n < kNodeEntries; ++n) {
    present_[n].store(0);
    reportedPresent_[n].store(0);
    nodeNumberWord_[n].store(0);
    reportedNodeNumberWord_[n].store(0);
  }
  onlineCount_.store(0);
  reportedOnlineCount_.store(0);
}
