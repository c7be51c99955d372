#include "app/Class_fw_dnld_dnet.h"

#include <cstring>

#include "app/makerids.h"
#include "app/userprompt.h"
#include "devicenet/dnetapi.h"
#include "platform/clock.h"
#include "platform/iochannel.h"
#include "platform/lasterror.h"

namespace {

constexpr std::uint16_t kIdentityClass = 1;
constexpr std::uint16_t kFirmwareClass = 0xC7;
constexpr std::uint16_t kInstance = 1;
constexpr std::uint8_t kServiceReset = 0x05;
// The erase command travels as just its two bytes.
constexpr std::size_t kErasePayloadBytes = 2;

// Firmware object attributes.
constexpr std::uint16_t kAttrCommand = 3;
constexpr std::uint16_t kAttrSectorSelect = 7;
constexpr std::uint16_t kAttrName = 8;
constexpr std::uint16_t kAttrDescription = 9;
constexpr std::uint16_t kAttrBuildDate = 10;
constexpr std::uint16_t kAttrBuildTime = 11;
constexpr std::uint16_t kAttrRevision = 12;
constexpr std::uint16_t kAttrChecksum = 13;
constexpr std::uint16_t kAttrBootSector = 14;
constexpr std::uint16_t kAttrSectorCount = 16;
constexpr std::uint16_t kAttrSectorSize = 17;
constexpr std::uint16_t kAttrPassword = 18;
// Identity object attributes.
constexpr std::uint16_t kAttrProductCode = 3;
constexpr std::uint16_t kAttrRevisionPair = 4;

constexpr std::uint16_t kBootLoaderBit = 0x8000;
constexpr std::uint8_t kAllocateExplicit = 1;
constexpr std::uint16_t kBrowseExplicitSize = 48;
constexpr std::uint16_t kRestartExplicitSize = 32;
constexpr int kNodeStateChecks = 11;
constexpr std::uint32_t kNodeStateCheckMs = 1000;
constexpr std::uint32_t kAfterResetMs = 1000;

const char* const kGoOnlineWarning =
    "This step will add all nodes on the network\r\nto the explicit scanlist.\r\n"
    "This can cause serious network interruption!\r\n"
    "Make sure the network and all nodes are in a safe state!\r\n\r\n                         Continue?";

DnetScanlistEntry ExplicitEntry(std::uint16_t size) {
  DnetScanlistEntry entry{};
  entry.ExplicitProducedSize = size;
  entry.ExplicitConsumedSize = size;
  entry.ExplicitTimerReload = 1000;
  entry.ExplicitPacketRate = 2500;
  return entry;
}

// The fixed layout of a maker's node in its boot loader: sectors 0 to 3.
bool FixedSectorSize(std::uint8_t sector, std::uint32_t* size) {
  static constexpr std::uint32_t kSizes[] = {0xFFFF, 0x2FFFF, 0x2FFFF, 0xFFFF};
  if (sector >= std::size(kSizes)) return false;
  *size = kSizes[sector];
  return true;
}

}  // namespace

TDNet_Downloader::TDNet_Downloader(const char* libraryName)
    : TNetworkDownloader(libraryName, kErasePayloadBytes) {
  for (int mac = 0; mac < kMacCount; ++mac) present_[mac].store(0);
}

TDNet_Downloader::~TDNet_Downloader() = default;

int TDNet_Downloader::GetFirmwareVersion(int* major, int* minor) {
  std::uint16_t revision = 0;
  const int result =
      binding_.GetAttribute_UINT(SelectedNode(), kIdentityClass, kInstance, kAttrRevisionPair, &revision);
  if (result != 0) {
    // The attribute is two bytes, major then minor, read as a little-endian UINT.
    if (major != nullptr) *major = revision & 0xFF;
    if (minor != nullptr) *minor = revision >> 8;
  }
  return result;
}

int TDNet_Downloader::SendCommand(const std::vector<std::uint8_t>& payload) {
  return binding_.SetAttribute(SelectedNode(), kFirmwareClass, kInstance, kAttrCommand,
                               static_cast<std::uint16_t>(payload.size()), payload.data());
}

int TDNet_Downloader::SetBootSector(std::uint8_t sector) {
  return binding_.SetAttribute_USINT(SelectedNode(), kFirmwareClass, kInstance, kAttrBootSector, sector);
}

int TDNet_Downloader::GetBootSector(std::uint8_t* sector) {
  std::uint8_t value = 0;
  const int result = binding_.GetAttribute_USINT(SelectedNode(), kFirmwareClass, kInstance, kAttrBootSector, &value);
  if (result != 0 && sector != nullptr) *sector = value;
  return result;
}

int TDNet_Downloader::ResetSelectedNode() {
  std::uint8_t reply[256];
  std::uint16_t replyLength = sizeof reply;
  return binding_.ExplicitService(SelectedNode(), kServiceReset, kIdentityClass, kInstance, 0, nullptr, &replyLength,
                                  reply);
}

int TDNet_Downloader::AddSelectedToScanlist(std::uint16_t explicitSize) {
  const DnetScanlistEntry entry = ExplicitEntry(explicitSize);
  return binding_.AddToScanlist(SelectedNode(), kAllocateExplicit, &entry);
}

int TDNet_Downloader::ExecuteSector(std::uint8_t) {
  if (ResetSelectedNode() == 0) return 0;
  platform::Sleep(kAfterResetMs);
  if (binding_.RemoveFromScanlist(SelectedNode(), kAllocateExplicit) == 0) return 0;
  ForgetNode(NodeNumber());
  platform::Sleep(kAfterResetMs);
  return AddSelectedToScanlist(kRestartExplicitSize);
}

int TDNet_Downloader::GetSectorDescription(std::uint8_t sector, SectorDescription* description) {
  if (description == nullptr) return 0;
  const std::uint8_t mac = SelectedNode();
  if (binding_.SetAttribute_USINT(mac, kFirmwareClass, kInstance, kAttrSectorSelect, sector) == 0) return 0;
  const auto readText = [&](std::uint16_t attribute, char* field, std::size_t capacity) {
    std::uint8_t reply[256];
    std::uint16_t length = sizeof reply;
    if (binding_.GetAttribute(mac, kFirmwareClass, kInstance, attribute, &length, reply) == 0) return false;
    // A SHORT_STRING: the length byte, then the characters, never more than arrived.
    const std::size_t received = std::min<std::size_t>(length, sizeof reply);
    const std::size_t characters = received == 0 ? 0 : std::min<std::size_t>(reply[0], received - 1);
    firmware::CopyText(std::span<const std::uint8_t>(reply + 1, characters), field, capacity);
    return true;
  };
  return readText(kAttrName, description->Name, sizeof description->Name) &&
                 readText(kAttrDescription, description->Description, sizeof description->Description) &&
                 readText(kAttrBuildDate, description->BuildDate, sizeof description->BuildDate) &&
                 readText(kAttrBuildTime, description->BuildTime, sizeof description->BuildTime) &&
                 binding_.GetAttribute_UDINT(mac, kFirmwareClass, kInstance, kAttrRevision, &description->Revision)
             ? 1
             : 0;
}

int TDNet_Downloader::GetSectorCount(std::uint8_t* count) {
  std::uint8_t value = 0;
  const int result = binding_.GetAttribute_USINT(SelectedNode(), kFirmwareClass, kInstance, kAttrSectorCount, &value);
  if (result != 0 && count != nullptr) *count = value;
  return result;
}

int TDNet_Downloader::GetSectorSize(std::uint8_t sector, std::uint32_t* size) {
  if (size == nullptr) return 0;
  const DnetNodeIdentity identity = binding_.Identity(SelectedNode());
  if (binding_.Loaded() && identity.VendorId == kMakerDeviceNetVendorId &&
      identity.ProductCode == kMakerBootLoaderProductCode) {
    return FixedSectorSize(sector, size) ? 1 : 0;
  }
  std::uint32_t value = 0;
  const int result = binding_.GetAttribute_UDINT(SelectedNode(), kFirmwareClass, kInstance, kAttrSectorSize, &value);
  *size = result != 0 ? value : 0;
  return result;
}

int TDNet_Downloader::GetDownloadMode(int* inDownloadMode) {
  std::uint16_t productCode = 0;
  const int result =
      binding_.GetAttribute_UINT(SelectedNode(), kIdentityClass, kInstance, kAttrProductCode, &productCode);
  if (inDownloadMode != nullptr) *inDownloadMode = result != 0 && (productCode & kBootLoaderBit) != 0 ? 1 : 0;
  return result;
}

bool TDNet_Downloader::WaitForNodeState(bool online, int* lastResult) {
  for (int check = 0; check < kNodeStateChecks; ++check) {
    int state = 0;
    *lastResult = binding_.NodeOnline(SelectedNode(), &state);
    const bool seenOnline = *lastResult != 0 ? state != 0 : !online;
    if (seenOnline == online) return true;
    platform::Sleep(kNodeStateCheckMs);
  }
  return false;
}

int TDNet_Downloader::SetDownloadMode(int, std::uint32_t password) {
  const std::uint8_t mac = SelectedNode();
  if (binding_.SetAttribute_UDINT(mac, kFirmwareClass, kInstance, kAttrPassword, password) == 0) return 0;
  ResetSelectedNode();
  platform::Sleep(kAfterResetMs);
  if (binding_.RemoveFromScanlist(mac, kAllocateExplicit) == 0) return 0;
  int lastResult = 0;
  WaitForNodeState(false, &lastResult);
  ForgetNode(NodeNumber());
  if (AddSelectedToScanlist(kBrowseExplicitSize) == 0) return 0;
  // A node that never comes back is not in download mode.
  if (!WaitForNodeState(true, &lastResult)) return 0;
  return lastResult;
}

int TDNet_Downloader::WriteSectorChecksum(std::uint8_t sector) {
  const std::uint8_t mac = SelectedNode();
  if (binding_.SetAttribute_USINT(mac, kFirmwareClass, kInstance, kAttrSectorSelect, sector) == 0) return 0;
  const std::uint32_t sum = mirror_.WordSum(0, kChecksumWords);
  if (binding_.SetAttribute_UDINT(mac, kFirmwareClass, kInstance, kAttrChecksum, sum) != 0) return 1;
  // The node may refuse the write and still hold the right sum.
  std::uint32_t stored = 0;
  if (binding_.GetAttribute_UDINT(mac, kFirmwareClass, kInstance, kAttrChecksum, &stored) == 0) return 0;
  return stored == sum ? 1 : 0;
}

std::string TDNet_Downloader::GetNodeText(int node) {
  return binding_.Loaded() && IsNode(node) ? Format("%lu", static_cast<unsigned long>(node)) : std::string();
}

std::string TDNet_Downloader::GetSerialNumberText(int node) {
  return IdentityText(node, [](const DnetNodeIdentity& identity) {
    return Format("%lu", static_cast<unsigned long>(identity.SerialNumber));
  });
}

std::string TDNet_Downloader::GetProductCodeText(int node) {
  return IdentityText(node, [](const DnetNodeIdentity& identity) { return Format("%hu", identity.ProductCode); });
}

std::string TDNet_Downloader::GetDeviceTypeText(int node) {
  return IdentityText(node, [](const DnetNodeIdentity& identity) { return Format("%hu", identity.DeviceType); });
}

std::string TDNet_Downloader::GetRevisionText(int node) {
  return IdentityText(node, [](const DnetNodeIdentity& identity) {
    return Format("%i.%i", identity.Revision >> 8, identity.Revision & 0xFF);
  });
}

std::string TDNet_Downloader::GetVendorText(int node) {
  return IdentityText(node, [](const DnetNodeIdentity& identity) { return Format("%hu", identity.VendorId); });
}

std::string TDNet_Downloader::GetProductNameText(int node) {
  return IdentityText(node, [](const DnetNodeIdentity& identity) { return identity.ProductNameText(); });
}

std::string TDNet_Downloader::GetInterfaceAddressText() {
  if (!binding_.Loaded()) return {};
  return Format("%lu", static_cast<unsigned long>(binding_.Network().MacId));
}

void TDNet_Downloader::UndoGoOnline() {
  binding_.StopScan();
  binding_.SetOnline(0);
  binding_.CloseCard();
}

int TDNet_Downloader::GoOnline() {
  if (!prompt::AskYes(kGoOnlineWarning, "Warning", prompt::kIconWarning, prompt::Owner::None)) return 0;
  {
    prompt::BusyCursor busy;
    if (binding_.OpenInterface() == 0) {
      prompt::Tell("Cannot Open Interface", "ERROR");
      return 0;
    }
  }
  const char* failure = nullptr;
  {
    prompt::BusyCursor busy;
    if (binding_.SetMacID() == 0) {
      failure = "Cannot Set MacID";
    } else if (binding_.SetBaud() == 0) {
      failure = "Cannot Set Baud";
    } else if (binding_.SetOnline(1) == 0) {
      failure = "Cannot Go Online";
    }
  }
  if (failure != nullptr) {
    UndoGoOnline();
    prompt::Tell(failure, "ERROR");
    return 0;
  }
  const int scanning = binding_.StartScan();
  if (scanning == 0) {
    UndoGoOnline();
    return 0;
  }
  StartBrowse();
  return scanning;
}

void TDNet_Downloader::ReportInterfaceLost() { prompt::Tell("Cannot Open Interface", "ERROR"); }

int TDNet_Downloader::GoOffline() {
  binding_.StopScan();
  binding_.SetOnline(0);
  const int result = binding_.CloseCard();
  ClearNodeTable(kMacCount);
  return result;
}

int TDNet_Downloader::StartBrowse() {
  if (!binding_.Loaded()) return 0;
  const DnetScanlistEntry entry = ExplicitEntry(kBrowseExplicitSize);
  for (int mac = 0; mac < kMacCount; ++mac) {
    binding_.AddToScanlist(static_cast<std::uint8_t>(mac), kAllocateExplicit, &entry);
    inScanlist_[mac].fetch_or(1);
  }
  return 1;
}

int TDNet_Downloader::StopBrowse() {
  if (!binding_.Loaded()) return 0;
  for (int mac = 0; mac < kMacCount; ++mac) {
    if (present_[mac].load() != 0) continue;
    binding_.RemoveFromScanlist(static_cast<std::uint8_t>(mac), inScanlist_[mac].load());
    inScanlist_[mac].store(0);
  }
  return 1;
}

int TDNet_Downloader::VersionInformationWindow() { return binding_.VersionInformationWindow(); }

int TDNet_Downloader::ConfigurationWindow() { return binding_.DeviceNetConfigurationWindow() == 1 ? 1 : 0; }

int TDNet_Downloader::PollNodeChanges(int* changed) {
  if (changed == nullptr) return 0;
  *changed = 0;
  if (!binding_.Loaded()) return 0;
  std::uint32_t count = 0;
  for (int mac = 0; mac < kMacCount; ++mac) {
    int online = 0;
    if (binding_.NodeOnline(static_cast<std::uint8_t>(mac), &online) == 0) {
      if (platform::GetLastError() != platform::kErrorDeviceNotConnected) continue;
      // The interface vanished: no node can be reached through it.
      ClearNodeTable(kMacCount);
      NoteInterfaceLost();
      *changed = 1;
      return 1;
    }
    if (online != 0) ++count;
    const std::uint32_t state = online != 0 ? 1 : 0;
    if (state != reportedPresent_[mac].load()) {
      // The identity is read before the node counts as present, so the table
      // never shows a node without its data.
      if (state != 0) binding_.ReadIdentity(static_cast<std::uint8_t>(mac));
      present_[mac].store(state);
      *changed = 1;
    }
    reportedPresent_[mac].store(present_[mac].load());
    reportedNodeNumberWord_[mac].store(nodeNumberWord_[mac].load());
  }
  onlineCount_.store(count);
  if (count != reportedOnlineCount_.load()) {
    reportedOnlineCount_.store(count);
    *changed = 1;
  }
  return 1;
}

int TDNet_Downloader::ResetNode() {
  const int result = ResetSelectedNode();
  ForgetNode(NodeNumber());
  return result;
}

