#include "app/Class_fw_dnld_copn.h"


#include "app/userprompt.h"
#include "platform/clock.h"
#include "platform/iochannel.h"
#include "platform/lasterror.h"

namespace {

// The firmware objects, always sub-index 0.
constexpr std::uint16_t kCommandChannel = 0x3600;
constexpr std::uint16_t kSectorSelect = 0x3604;
constexpr std::uint16_t kSectorName = 0x3605;
constexpr std::uint16_t kSectorDescription = 0x3606;
constexpr std::uint16_t kBuildDate = 0x3607;
constexpr std::uint16_t kBuildTime = 0x3608;
constexpr std::uint16_t kSectorRevision = 0x3609;
constexpr std::uint16_t kSectorChecksum = 0x360A;
constexpr std::uint16_t kBootSector = 0x360B;
constexpr std::uint16_t kSectorCount = 0x360D;
constexpr std::uint16_t kSectorSize = 0x360E;
constexpr std::uint16_t kPassword = 0x360F;
constexpr std::uint16_t kChecksumValid = 0x3610;
constexpr std::uint16_t kChecksumWidth = 0x3611;

// The erase command travels in a 38-byte payload, as long as a full write.
constexpr std::size_t kErasePayloadBytes = 38;
constexpr std::uint32_t kDefaultChecksumSize = 0x2FFFF;
constexpr std::uint8_t kDefaultChecksumWidth = 16;
constexpr std::uint32_t kAfterPasswordResetMs = 2500;
constexpr std::uint8_t kGuardRemoteFrames = 0x01;
constexpr std::uint16_t kGuardTimeMs = 1000;
// Left by the interface driver when the interface runs in another operating mode.
constexpr std::uint32_t kInterfaceWrongMode = 0x20000000;

const char* const kCannotOpenInterface = "Cannot Open Interface";
const char* const kCannotGoOnline = "Cannot Go Online";
const char* const kGoOnlineWarning =
    "!!!Warning!!!\r\nThis Network Search will cause all nodes to be Reset using the Reset Communication "
    "command.\r\n Is it safe to issue this command?";
const char* const kBrowseWarning =
    "!!!Warning!!!\r\nThis Network Search will cause all nodes not listed to be Reset using the Reset "
    "Communication command.\r\n Is it safe to issue this command?";

}  // namespace

TCOPN_Downloader::TCOPN_Downloader(const char* libraryName)
    : TNetworkDownloader(libraryName, kErasePayloadBytes) {}

TCOPN_Downloader::~TCOPN_Downloader() = default;

int TCOPN_Downloader::SendCommand(const std::vector<std::uint8_t>& payload) {
  return binding_.SDO_Download(SelectedNode(), kCommandChannel, 0, static_cast<std::uint32_t>(payload.size()),
                               payload.data());
}

int TCOPN_Downloader::SelectSector(std::uint8_t sector) {
  return binding_.SDO_Download_UNSIGNED8(SelectedNode(), kSectorSelect, 0, sector);
}

int TCOPN_Downloader::SetBootSector(std::uint8_t sector) {
  return binding_.SDO_Download_UNSIGNED8(SelectedNode(), kBootSector, 0, sector);
}

int TCOPN_Downloader::GetBootSector(std::uint8_t* sector) {
  std::uint8_t value = 0;
  const int result = binding_.SDO_Upload_UNSIGNED8(SelectedNode(), kBootSector, 0, &value);
  if (result != 0 && sector != nullptr) *sector = value;
  return result;
}

int TCOPN_Downloader::ExecuteSector(std::uint8_t) {
  const int result = binding_.NMT_ResetNode(SelectedNode());
  ForgetNode(NodeNumber());
  return result;
}

int TCOPN_Downloader::GetSectorDescription(std::uint8_t sector, SectorDescription* description) {
  if (description == nullptr || SelectSector(sector) == 0) return 0;
  const std::uint8_t node = SelectedNode();
  const auto readText = [&](std::uint16_t index, char* field, std::size_t capacity) {
    std::uint8_t received[256];
    std::uint32_t length = sizeof received;
    if (binding_.SDO_Upload(node, index, 0, &length, received) == 0) return false;
    firmware::CopyText(std::span<const std::uint8_t>(received, std::min<std::size_t>(length, sizeof received)), field,
                       capacity);
    return true;
  };
  return binding_.SDO_Upload_UNSIGNED32(node, kSectorRevision, 0, &description->Revision) &&
                 readText(kBuildDate, description->BuildDate, sizeof description->BuildDate) &&
                 readText(kBuildTime, description->BuildTime, sizeof description->BuildTime) &&
                 readText(kSectorName, description->Name, sizeof description->Name) &&
                 readText(kSectorDescription, description->Description, sizeof description->Description)
             ? 1
             : 0;
}

int TCOPN_Downloader::GetSectorCount(std::uint8_t* count) {
  std::uint8_t value = 0;
  const int result = binding_.SDO_Upload_UNSIGNED8(SelectedNode(), kSectorCount, 0, &value);
  if (count != nullptr) *count = result != 0 ? value : 0;
  return result;
}

int TCOPN_Downloader::GetSectorSize(std::uint8_t sector, std::uint32_t* size) {
  if (size == nullptr || SelectSector(sector) == 0) return 0;
  std::uint32_t value = 0;
  const int result = binding_.SDO_Upload_UNSIGNED32(SelectedNode(), kSectorSize, 0, &value);
  *size = result != 0 ? value : 0;
  return result;
}

int TCOPN_Downloader::GetDownloadMode(int* inDownloadMode) {
  if (inDownloadMode == nullptr || !binding_.Loaded()) return 0;
  // The boot loader reports product code 0; only a code really read counts.
  const CopnNodeIdentity identity = binding_.Identity(SelectedNode());
  *inDownloadMode = (identity.ValidBits & CopnNodeIdentity::kProductCode) != 0 && identity.ProductCode == 0 ? 1 : 0;
  return 1;
}

int TCOPN_Downloader::SetDownloadMode(int, std::uint32_t password) {
  if (binding_.SDO_Download_UNSIGNED32(SelectedNode(), kPassword, 0, password) == 0) return 0;
  if (binding_.NMT_ResetNode(SelectedNode()) == 0) return 0;
  ForgetNode(NodeNumber());
  platform::Sleep(kAfterPasswordResetMs);
  return 1;
}

int TCOPN_Downloader::WriteSectorChecksum(std::uint8_t sector) {
  if (SelectSector(sector) == 0) return 0;
  const std::uint8_t node = SelectedNode();
  std::uint32_t size = 0;
  if (binding_.SDO_Upload_UNSIGNED32(node, kSectorSize, 0, &size) == 0) size = kDefaultChecksumSize;
  std::uint8_t width = 0;
  if (binding_.SDO_Upload_UNSIGNED8(node, kChecksumWidth, 0, &width) == 0) width = kDefaultChecksumWidth;
  std::uint32_t sum = 0;
  if (width == 8) {
    sum = mirror_.ByteSum(size);
  } else if (width == 16) {
    sum = mirror_.WordSum(0, size / 2);
  }
  return binding_.SDO_Download_UNSIGNED32(node, kSectorChecksum, 0, sum);
}

std::string TCOPN_Downloader::GetNodeText(int node) {
  return IsNode(node) ? Format("%lu", static_cast<unsigned long>(node)) : std::string();
}

std::string TCOPN_Downloader::GetSerialNumberText(int node) {
  return IdentityText(node, [](const CopnNodeIdentity& identity) {
    return Format("%lu", static_cast<unsigned long>(identity.SerialNumber));
  });
}

std::string TCOPN_Downloader::GetProductCodeText(int node) {
  return IdentityText(node, [](const CopnNodeIdentity& identity) {
    return Format("%lu", static_cast<unsigned long>(identity.ProductCode));
  });
}

std::string TCOPN_Downloader::GetDeviceTypeText(int node) {
  return IdentityText(node, [](const CopnNodeIdentity& identity) {
    return Format("0x%08X", static_cast<unsigned>(identity.DeviceType));
  });
}

std::string TCOPN_Downloader::GetRevisionText(int node) {
  return IdentityText(node, [](const CopnNodeIdentity& identity) { return std::string(identity.SoftwareVersion); });
}

std::string TCOPN_Downloader::GetVendorText(int node) {
  return IdentityText(node, [](const CopnNodeIdentity& identity) {
    return Format("%lu", static_cast<unsigned long>(identity.VendorId));
  });
}

std::string TCOPN_Downloader::GetProductNameText(int node) {
  return IdentityText(node, [](const CopnNodeIdentity& identity) { return std::string(identity.DeviceName); });
}

std::string TCOPN_Downloader::GetInterfaceAddressText() {
  if (!binding_.Loaded()) return {};
  return Format("%lu", static_cast<unsigned long>(binding_.Network().NodeID));
}

void TCOPN_Downloader::UndoGoOnline() {
  binding_.SetOnline(0);
  binding_.CloseCard();
}

int TCOPN_Downloader::GoOnline() {
  if (!prompt::AskYes(kGoOnlineWarning, "CAUTION")) return 0;
  {
    prompt::BusyCursor busy;
    if (binding_.OpenInterface() == 0) {
      const bool wrongMode = platform::GetLastError() == kInterfaceWrongMode;
      prompt::Tell(wrongMode ? "Interface is not in correct mode!" : kCannotOpenInterface, "Error");
      return 0;
    }
  }
  const char* failure = nullptr;
  {
    prompt::BusyCursor busy;
    if (binding_.SetNodeID() == 0) {
      failure = "Cannot Set Node ID";
    } else {
      binding_.SetBaud();
      for (int node = kFirstNode; node <= kLastNode; ++node) binding_.AddNode(static_cast<std::uint8_t>(node));
      if (binding_.SetOnline(1) == 0) failure = kCannotGoOnline;
    }
  }
  // A start that ends offline always says why, also when the nodes could not
  // be told to announce themselves.
  if (failure == nullptr && binding_.NMT_ResetCommunication(0) == 0) failure = kCannotGoOnline;
  if (failure != nullptr) {
    UndoGoOnline();
    prompt::Tell(failure, "ERROR");
    return 0;
  }
  return 1;
}

void TCOPN_Downloader::ReportInterfaceLost() { prompt::Tell(kCannotOpenInterface, "Error"); }

int TCOPN_Downloader::GoOffline() {
  binding_.SetOnline(0);
  const int result = binding_.CloseCard();
  ClearNodeTable(kNodeEntries);
  return result;
}

int TCOPN_Downloader::StartBrowse() {
  if (!binding_.Loaded()) return 0;
  if (!prompt::AskYes(kBrowseWarning, "CAUTION")) return 0;
  int result = 0;
  for (int node = kFirstNode; node <= kLastNode; ++node) {
    if (present_[node].load() == 0) result = binding_.NMT_ResetCommunication(static_cast<std::uint8_t>(node));
  }
  return result;
}

int TCOPN_Downloader::VersionInformationWindow() { return binding_.VersionInformationWindow(); }

int TCOPN_Downloader::ConfigurationWindow() { return binding_.CANopenConfigurationWindow() == 1 ? 1 : 0; }

int TCOPN_Downloader::PollNodeChanges(int* changed) {
  if (changed == nullptr) return 0;
  *changed = 0;
  if (!binding_.Loaded()) return 0;
  present_[0].store(0);
  nodeNumberWord_[0].store(0);
  std::uint32_t count = 0;
  for (int node = kFirstNode; node <= kLastNode; ++node) {
    int online = 0;
    if (binding_.GetNodeOnline(static_cast<std::uint8_t>(node), &online) == 0) {
      if (platform::GetLastError() == platform::kErrorDeviceNotConnected) {
        // The interface vanished: no node can be reached through it.
        ClearNodeTable(kNodeEntries);
        NoteInterfaceLost();
        *changed = 1;
        return 1;
      }
      online = 0;
    }
    nodeNumberWord_[node].store(static_cast<std::uint32_t>(node));
    if (online != 0) ++count;
    const std::uint32_t state = online != 0 ? 1 : 0;
    if (state == reportedPresent_[node].load() && nodeNumberWord_[node].load() == reportedNodeNumberWord_[node].load()) {
      present_[node].store(state);
      continue;
    }
    // The identity is read before the node counts as present, so the table
    // never shows a node without its data.
    if (state != 0) {
      binding_.ReadIdentity(static_cast<std::uint8_t>(node));
      binding_.NMT_StartGuarding(static_cast<std::uint8_t>(node), kGuardRemoteFrames, kGuardTimeMs);
    }
    present_[node].store(state);
    *changed = 1;
    reportedPresent_[node].store(state);
    reportedNodeNumberWord_[node].store(nodeNumberWord_[node].load());
  }
  onlineCount_.store(count);
  if (count != reportedOnlineCount_.load()) {
    reportedOnlineCount_.store(count);
    *changed = 1;
  }
  return 1;
}

int TCOPN_Downloader::ChecksumOk(std::uint8_t sector, std::uint32_t* ok) {
  if (SelectSector(sector) == 0) return 0;
  std::uint8_t value = 0;
  const int result = binding_.SDO_Upload_UNSIGNED8(SelectedNode(), kChecksumValid, 0, &value);
  if (result != 0 && ok != nullptr) *ok = value;
  return result;
}

int TCOPN_Downloader::ResetNode() { return ExecuteSector(0); }

