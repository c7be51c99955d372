#include "app/Class_qx24xs.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/clock.h"
#include "platform/lasterror.h"

// The QX24X driver's entry points with their types, in lookup order. The
// library offers no "Get_Vendor_Id"; that pointer stays null. The module
// state, last, is what the node polling asks to notice a vanished module.
#define QX24X_ENTRY_POINTS(X)                                                                          \
  X(UnloadDriver, int())                                                                               \
  X(LoadDriver, int())                                                                                 \
  X(OpenInterface, int(std::int32_t*, const InterfaceConfiguration*))                                  \
  X(CloseInterface, int(std::int32_t))                                                                 \
  X(CloseCard, int(std::int32_t))                                                                      \
  X(Hardware_Version, int(std::int32_t, int*, int*))                                                   \
  X(Get_Serial_Number, int(std::int32_t, std::uint32_t*))                                              \
  X(Firmware_Version, int(std::int32_t, int*, int*))                                                   \
  X(DLL_Version, int(std::int32_t, int*, int*))                                                        \
  X(GetErrorString, int(std::int32_t, char*))                                                          \
  X(Download_Firmware, int(std::int32_t, std::int32_t, std::uint32_t, std::uint32_t, std::uint8_t*))   \
  X(Upload_Firmware, int(std::int32_t, std::int32_t, std::uint32_t, std::uint32_t, std::uint8_t*))     \
  X(Set_Active_Sector, int(std::int32_t, std::int32_t))                                                \
  X(Get_Active_Sector, int(std::int32_t, std::uint8_t*))                                               \
  X(Set_Boot_Sector, int(std::int32_t, std::int32_t))                                                  \
  X(Get_Boot_Sector, int(std::int32_t, std::uint8_t*))                                                 \
  X(Erase_Sector, int(std::int32_t, std::int32_t))                                                     \
  X(Execute_Firmware, int(std::int32_t, std::int32_t))                                                 \
  X(Get_Sector_Description, int(std::int32_t, std::int32_t, char*))                                    \
  X(FirmwareUpgradeMode, int(std::int32_t, std::uint32_t))                                             \
  X(Get_Mode, int(std::int32_t, std::uint8_t*))                                                        \
  X(OpenCard, int(std::int32_t*, std::int32_t, const InterfaceSettings*))                              \
  X(Get_Sector_Checksum, int(std::int32_t, std::int32_t, std::uint32_t*))                              \
  X(Set_Sector_Checksum, int(std::int32_t, std::int32_t, std::uint32_t))                               \
  X(Get_Sector_Size, int(std::int32_t, std::int32_t, std::uint32_t*))                                  \
  X(Get_Device_Type, int(std::int32_t, std::uint32_t*))                                                \
  X(Get_Product_Code, int(std::int32_t, std::uint32_t*))                                               \
  X(Get_Vendor_Id, int(std::int32_t, std::uint32_t*))                                                  \
  X(Get_Product_Name, int(std::int32_t, char*))                                                        \
  X(HardwareConfigurationWindow, int(InterfaceConfiguration*))                                         \
  X(Checksum_Ok, int(std::int32_t, std::int32_t, std::int32_t*))                                       \
  X(Reset, int(std::int32_t))                                                                          \
  X(SaveConfiguration, int(const char*, InterfaceConfiguration*))                                      \
  X(ReadConfiguration, int(const char*, InterfaceConfiguration*))                                      \
  X(Set_Serial_Number, int(std::int32_t, std::uint32_t))                                               \
  X(DLL_Name, int(std::int32_t, char*))                                                                \
  X(USB_DeviceState, int(std::int32_t, std::int32_t))

template <typename Fn>
using EntryPointer = Fn*;

struct TQX24XS_Downloader::EntryPoints {
#define QX24X_POINTER(name, type) EntryPointer<type> name = nullptr;
  QX24X_ENTRY_POINTS(QX24X_POINTER)
#undef QX24X_POINTER
};

namespace {

constexpr std::uint8_t kSectorCount = 4;
constexpr std::uint16_t kModuleNodeCount = 8;
constexpr std::uint32_t kBrowseTimeMs = 5000;
constexpr std::size_t kNameCapacity = 256;
constexpr std::int32_t kNoHandle = -1;

// Calls the entry point when it is bound; 0 without calling when not.
template <typename Fn, typename... Args>
int Call(Fn* entry, Args... args) {
  return entry != nullptr ? entry(args...) : 0;
}

// A text field of the record, NUL-terminated within itself whatever arrived.
template <std::size_t N>
void TerminateField(char (&field)[N]) {
  field[N - 1] = '\0';
}

// A failed read or query always leaves a code: a failure without one would
// read as a module that offers no read-back or no checksum query.
template <typename DriverCall>
int WithFailureCode(DriverCall call) {
  platform::SetLastError(platform::kErrorSuccess);
  const int result = call();
  if (result == 0 && platform::GetLastError() == platform::kErrorSuccess) {
    platform::SetLastError(TQX24XS_Downloader::kReadFault);
  }
  return result;
}

}  // namespace

TQX24XS_Downloader::TQX24XS_Downloader(const char* libraryName) : entries_(std::make_unique<EntryPoints>()) {
  interface_.InterfaceType = INTERFACE_QX24X;
  std::strcpy(interface_.AccessPoint, "1");
  LoadDriverLibrary(libraryName);
}

TQX24XS_Downloader::~TQX24XS_Downloader() {
  CloseLink();
  UnloadDriver();
}

void TQX24XS_Downloader::LoadDriverLibrary(const char* libraryName) {
  library_ = platform::LoadLibrary(libraryName);
  if (library_ == nullptr) return;
#define QX24X_BIND(name, type) entries_->name = platform::BindEntryPoint<EntryPointer<type>>(library_, #name);
  QX24X_ENTRY_POINTS(QX24X_BIND)
#undef QX24X_BIND
}

void TQX24XS_Downloader::CloseLink() {
  std::lock_guard lock(linkMutex_);
  if (linkOpen_) Call(entries_->CloseCard, handle_);
  linkOpen_ = false;
}

void TQX24XS_Downloader::MarkModulePresent() {
  onlineCount_.store(1);
  present_[0].store(1);
  nodeNumberWord_[0].store(1);
}

int TQX24XS_Downloader::OpenInterface(const InterfaceConfiguration* record) {
  if (record == nullptr) return 0;
  if (record != &interface_) interface_ = *record;
  SetChunkSize(interface_.ComPort != 0 ? kSerialChunkSize : kUsbChunkSize);
  CloseLink();
  std::lock_guard lock(linkMutex_);
  std::int32_t handle = kNoHandle;
  const int result = Call(entries_->OpenInterface, &handle, &interface_);
  if (result != 0) {
    handle_ = handle;
    linkOpen_ = true;
  } else if (handle != kNoHandle) {
    // A link the driver left behind on a failed open is closed here.
    Call(entries_->CloseCard, handle);
  }
  return result;
}

int TQX24XS_Downloader::OpenOwnInterface() { return OpenInterface(&interface_); }

int TQX24XS_Downloader::Reopen(int commandResult) {
  if (commandResult == 0) return 0;
  CloseLink();
  platform::Sleep(kReopenDelayMs);
  const int result = OpenOwnInterface();
  if (result != 0) {
    MarkModulePresent();
    reportedOnlineCount_.store(0);
  }
  return result;
}

int TQX24XS_Downloader::GetErrorString(std::int32_t a, std::int32_t) {
  char text[kNameCapacity] = {};
  return Call(entries_->GetErrorString, a, text);
}

int TQX24XS_Downloader::UnloadDriver() { return Call(entries_->UnloadDriver); }
int TQX24XS_Downloader::LoadDriver() { return Call(entries_->LoadDriver); }

int TQX24XS_Downloader::GetHardwareVersion(int* major, int* minor) {
  return Call(entries_->Hardware_Version, handle_, major, minor);
}

int TQX24XS_Downloader::GetFirmwareVersion(int* major, int* minor) {
  return Call(entries_->Firmware_Version, handle_, major, minor);
}

bool TQX24XS_Downloader::CarriedByDriver(std::uint16_t length) {
  if (length <= kMaxMemoryBytes) return true;
  platform::SetLastError(platform::kErrorInvalidParameter);
  return false;
}

int TQX24XS_Downloader::GetOnline(int* online) {
  if (online == nullptr) return 0;
  *online = linkOpen_ ? 1 : 0;
  return 1;
}

int TQX24XS_Downloader::DLL_Name(int level, char* name) { return Call(entries_->DLL_Name, level, name); }

int TQX24XS_Downloader::DLL_Version(int level, int* major, int* minor) {
  return Call(entries_->DLL_Version, level, major, minor);
}

template <typename Transfer>
int TQX24XS_Downloader::InDriverPieces(std::uint32_t address, std::uint16_t length, Transfer transfer) {
  const std::uint32_t count = length;
  if (count == 0) return transfer(address, 0u, 0u);
  for (std::uint32_t offset = 0; offset < count; offset += kDriverTransferBytes) {
    const std::uint32_t piece = std::min<std::uint32_t>(kDriverTransferBytes, count - offset);
    if (transfer(address + offset, offset, piece) == 0) return 0;
  }
  return 1;
}

int TQX24XS_Downloader::WriteMemory(std::uint8_t sector, std::uint32_t address, std::uint16_t length,
                                    const std::uint8_t* data) {
  if (!CarriedByDriver(length)) return 0;
  const std::size_t count = length;
  if (count > 0 && data == nullptr) return 0;
  mirror_.Write(address, std::span(data, count));
  std::array<std::uint8_t, 256> bytes{};
  std::copy_n(data, count, bytes.begin());
  return InDriverPieces(address, length, [&](std::uint32_t at, std::uint32_t offset, std::uint32_t piece) {
    return Call(entries_->Download_Firmware, handle_, std::int32_t{sector}, at, piece, bytes.data() + offset);
  });
}

int TQX24XS_Downloader::ReadMemory(std::uint8_t sector, std::uint32_t address, std::uint16_t length,
                                   std::uint8_t* buffer) {
  if (buffer == nullptr || !CarriedByDriver(length)) return 0;
  if (entries_->Upload_Firmware == nullptr) {
    platform::SetLastError(platform::kErrorProcNotFound);
    return 0;
  }
  return InDriverPieces(address, length, [&](std::uint32_t at, std::uint32_t offset, std::uint32_t piece) {
    return WithFailureCode(
        [&] { return entries_->Upload_Firmware(handle_, std::int32_t{sector}, at, piece, buffer + offset); });
  });
}

int TQX24XS_Downloader::SetActiveSector(std::uint8_t sector) {
  return Call(entries_->Set_Active_Sector, handle_, std::int32_t{sector});
}

int TQX24XS_Downloader::GetActiveSector(std::uint8_t* sector) {
  return Call(entries_->Get_Active_Sector, handle_, sector);
}

int TQX24XS_Downloader::SetBootSector(std::uint8_t sector) {
  return Call(entries_->Set_Boot_Sector, handle_, std::int32_t{sector});
}

int TQX24XS_Downloader::GetBootSector(std::uint8_t* sector) { return Call(entries_->Get_Boot_Sector, handle_, sector); }

int TQX24XS_Downloader::EraseSector(std::uint8_t sector) {
  const int result = Call(entries_->Erase_Sector, handle_, std::int32_t{sector});
  mirror_.Fill();
  return result;
}

int TQX24XS_Downloader::ExecuteSector(std::uint8_t sector) {
  return Reopen(Call(entries_->Execute_Firmware, handle_, std::int32_t{sector}));
}

int TQX24XS_Downloader::GetSectorDescription(std::uint8_t sector, SectorDescription* description) {
  if (description == nullptr) return 0;
  const int result =
      Call(entries_->Get_Sector_Description, handle_, std::int32_t{sector}, reinterpret_cast<char*>(description));
  TerminateField(description->Name);
  TerminateField(description->Description);
  TerminateField(description->BuildDate);
  TerminateField(description->BuildTime);
  return result;
}

int TQX24XS_Downloader::GetModuleMode(int* mode) {
  if (mode == nullptr) return 0;
  std::uint8_t value = 0;
  const int result = Call(entries_->Get_Mode, handle_, &value);
  if (result != 0) *mode = value;
  return result;
}

int TQX24XS_Downloader::GetSectorCount(std::uint8_t* count) {
  if (count == nullptr) return 0;
  *count = kSectorCount;
  return 1;
}

int TQX24XS_Downloader::GetSectorSize(std::uint8_t sector, std::uint32_t* size) {
  return Call(entries_->Get_Sector_Size, handle_, std::int32_t{sector}, size);
}

int TQX24XS_Downloader::GetDownloadMode(int* inDownloadMode) {
  if (inDownloadMode == nullptr) return 0;
  *inDownloadMode = 0;
  int mode = 0;
  const int result = GetModuleMode(&mode);
  if (result != 0 && mode == 0) *inDownloadMode = 1;
  return result;
}

int TQX24XS_Downloader::SetDownloadMode(int, std::uint32_t password) {
  return Reopen(Call(entries_->FirmwareUpgradeMode, handle_, password));
}

int TQX24XS_Downloader::WriteSectorChecksum(std::uint8_t sector) {
  std::uint32_t size = 0;
  if (GetSectorSize(sector, &size) == 0) return 0;
  int hardwareMajor = 1;
  int hardwareMinor = 0;
  GetHardwareVersion(&hardwareMajor, &hardwareMinor);
  const std::size_t start = hardwareMajor == 2 ? kVersion2MirrorStart : 0;
  const std::size_t bytes = std::min<std::size_t>(size, kMirrorBytes);
  const std::uint32_t sum = mirror_.WordSum(start, bytes / 2);
  const int result = Call(entries_->Set_Sector_Checksum, handle_, std::int32_t{sector}, sum);
  mirror_.Fill();
  return result;
}

std::string TQX24XS_Downloader::GetNodeText(int) { return "1"; }

std::string TQX24XS_Downloader::GetSerialNumberText(int) {
  std::uint32_t value = 0;
  if (Call(entries_->Get_Serial_Number, handle_, &value) == 0) return {};
  return Format("%lu", static_cast<unsigned long>(value));
}

std::string TQX24XS_Downloader::GetProductCodeText(int) {
  std::uint32_t value = 0;
  if (Call(entries_->Get_Product_Code, handle_, &value) == 0) return {};
  return Format("%lu", static_cast<unsigned long>(value));
}

std::string TQX24XS_Downloader::GetDeviceTypeText(int) {
  std::uint32_t value = 0;
  if (Call(entries_->Get_Device_Type, handle_, &value) == 0) return {};
  return Format("%lu", static_cast<unsigned long>(value));
}

std::string TQX24XS_Downloader::GetRevisionText(int) {
  int major = 0;
  int minor = 0;
  if (GetFirmwareVersion(&major, &minor) == 0) major = minor = 0;
  return Format("%u.%u", static_cast<unsigned>(major), static_cast<unsigned>(minor));
}

std::string TQX24XS_Downloader::GetVendorText(int) { return "VRK, LLC."; }

std::string TQX24XS_Downloader::GetProductNameText(int) {
  char name[kNameCapacity] = {};
  if (Call(entries_->Get_Product_Name, handle_, name) == 0) return {};
  return std::string(name, strnlen(name, sizeof name - 1));
}

int TQX24XS_Downloader::GoOnline() {
  const int result = OpenOwnInterface();
  if (result != 0) MarkModulePresent();
  return result;
}

int TQX24XS_Downloader::GoOffline() {
  std::unique_lock lock(linkMutex_);
  const int result = linkOpen_ ? Call(entries_->CloseCard, handle_) : 0;
  linkOpen_ = false;
  lock.unlock();
  onlineCount_.store(0);
  reportedOnlineCount_.store(0);
  present_[0].store(0);
  return result;
}

int TQX24XS_Downloader::StartBrowse() {
  // The link stays as it is while it is open: a browse finds the same module.
  if (linkOpen_) return 1;
  return GoOnline();
}

int TQX24XS_Downloader::ConfigurationWindow() {
  return Call(entries_->HardwareConfigurationWindow, &interface_) == 1 ? 1 : 0;
}

int TQX24XS_Downloader::ReadConfiguration(const char* baseKey) {
  return Call(entries_->ReadConfiguration, baseKey, &interface_);
}

int TQX24XS_Downloader::SaveConfiguration(const char* baseKey) {
  return Call(entries_->SaveConfiguration, baseKey, &interface_);
}

int TQX24XS_Downloader::GetNodeCount(std::uint16_t* count) {
  if (count == nullptr) return 0;
  *count = kModuleNodeCount;
  return 1;
}

int TQX24XS_Downloader::GetInterfaceConfiguration(InterfaceConfiguration* record) {
  if (record == nullptr) return 0;
  *record = interface_;
  return 1;
}

// A module that vanished (unplugged, its port gone) leaves the table, and
// its link is closed, as if it had not been found: a later start or browse
// opens the link afresh. A link being opened or closed is left to that.
void TQX24XS_Downloader::DropVanishedModule() {
  std::unique_lock lock(linkMutex_, std::try_to_lock);
  if (!lock.owns_lock() || !linkOpen_ || present_[0].load() == 0) return;
  if (entries_->USB_DeviceState == nullptr || entries_->USB_DeviceState(handle_, 0) != 0) return;
  Call(entries_->CloseCard, handle_);
  linkOpen_ = false;
  onlineCount_.store(0);
  present_[0].store(0);
  NoteInterfaceLost();
}

int TQX24XS_Downloader::PollNodeChanges(int* changed) {
  if (changed == nullptr) return 0;
  *changed = 0;
  DropVanishedModule();
  if (onlineCount_.load() != reportedOnlineCount_.load()) {
    reportedOnlineCount_.store(onlineCount_.load());
    *changed = 1;
  }
  for (std::size_t entry = 0; entry < kModuleNodeCount; ++entry) {
    if (present_[entry].load() == reportedPresent_[entry].load() &&
        nodeNumberWord_[entry].load() == reportedNodeNumberWord_[entry].load()) {
      continue;
    }
    reportedPresent_[entry].store(present_[entry].load());
    reportedNodeNumberWord_[entry].store(nodeNumberWord_[entry].load());
    *changed = 1;
    break;
  }
  return 1;
}

int TQX24XS_Downloader::GetBrowseTime(std::uint32_t* milliseconds) {
  if (milliseconds == nullptr) return 0;
  *milliseconds = kBrowseTimeMs;
  return 1;
}

int TQX24XS_Downloader::ChecksumOk(std::uint8_t sector, std::uint32_t* ok) {
  if (ok == nullptr) return 0;
  if (entries_->Checksum_Ok == nullptr) return 0;
  std::int32_t value = 0;
  const int result = WithFailureCode([&] { return entries_->Checksum_Ok(handle_, std::int32_t{sector}, &value); });
  if (result != 0) *ok = static_cast<std::uint32_t>(value);
  return result;
}

int TQX24XS_Downloader::ResetNode() { return Reopen(Call(entries_->Reset, handle_)); }

int TQX24XS_Downloader::GetInterfaceName(char* name) {
  if (name == nullptr) return 0;
  std::strcpy(name, interface_.ComPort != 0 ? "RS-232" : "USB");
  return 1;
}
