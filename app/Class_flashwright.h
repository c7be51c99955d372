#pragma once
// The abstract downloader: one virtual operation per action a window can ask
// of the target bus or module. The program owns exactly one object of a
// concrete back-end (DeviceNet, CANopen, QX24X) for the bus chosen at
// start-up, and every window and thread reaches the target only through it.
//
// Results are 32-bit integers, non-zero for success and 0 for failure (a
// failing call may leave a status code in the calling thread's last-error
// value); text operations return an empty text when there is nothing to say.
//
// Threads: the node-polling thread calls PollNodeChanges while the window
// thread (or the download thread, in WriteMemory/ReadMemory) is inside
// another operation. The node arrays are therefore atomic words, and each
// back-end guards whatever else it shares with its poll.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "config/interfaceconfiguration.h"

#pragma pack(push, 1)
// What the node reports about the firmware in one flash sector. Every text is
// NUL-terminated within its field.
struct SectorDescription {
  char Name[16];
  char Description[32];
  char BuildDate[12];
  char BuildTime[12];
  // Bits 16-23 major, bits 0-7 minor revision; kSectorEmpty for an empty sector.
  std::uint32_t Revision;
};
#pragma pack(pop)
static_assert(sizeof(SectorDescription) == 76);
static_assert(offsetof(SectorDescription, Name) == 0);
static_assert(offsetof(SectorDescription, Description) == 16);
static_assert(offsetof(SectorDescription, BuildDate) == 48);
static_assert(offsetof(SectorDescription, BuildTime) == 60);
static_assert(offsetof(SectorDescription, Revision) == 72);

inline constexpr std::uint32_t kSectorEmpty = 0xFFFFFFFF;

// The registry key below which the program keeps its interface settings.
inline constexpr const char* kFlashwrightRegistryKey = "\\Software\\Vorkelt, LLC.\\Flashwright\\";

// The mode word of a downloader that serves QX24X modules.
inline constexpr std::uint32_t kModeQx24x = 3;

class TFlashwright {
 public:
  static constexpr std::size_t kNodeEntries = 128;
  static constexpr std::uint32_t kDefaultChunkSize = 32;

  TFlashwright();
  // The base steps only (both do nothing here); a back-end releases its own
  // resources in its own destructor.
  virtual ~TFlashwright();
  TFlashwright(const TFlashwright&) = delete;
  TFlashwright& operator=(const TFlashwright&) = delete;

  virtual int OpenInterface(const InterfaceConfiguration* record);
  virtual int CloseInterface();
  virtual int GetErrorString(std::int32_t a, std::int32_t b);
  virtual int UnloadDriver();
  virtual int LoadDriver();
  virtual int GetHardwareVersion(int* major, int* minor);
  virtual int GetFirmwareVersion(int* major, int* minor);
  virtual int WriteMemory(std::uint8_t sector, std::uint32_t address, std::uint16_t length, const std::uint8_t* data);
  virtual int ReadMemory(std::uint8_t sector, std::uint32_t address, std::uint16_t length, std::uint8_t* buffer);
  virtual int SetActiveSector(std::uint8_t sector);
  virtual int GetActiveSector(std::uint8_t* sector);
  virtual int SetBootSector(std::uint8_t sector);
  virtual int GetBootSector(std::uint8_t* sector);
  virtual int EraseSector(std::uint8_t sector);
  virtual int ExecuteSector(std::uint8_t sector);
  virtual int GetSectorDescription(std::uint8_t sector, SectorDescription* description);
  virtual int GetModuleMode(int* mode);
  virtual int GetSectorCount(std::uint8_t* count);
  virtual int GetSectorSize(std::uint8_t sector, std::uint32_t* size);
  virtual int GetDownloadMode(int* inDownloadMode);
  virtual int SetDownloadMode(int on, std::uint32_t password);
  virtual int WriteSectorChecksum(std::uint8_t sector);
  virtual std::string GetNodeText(int node);
  virtual std::string GetSerialNumberText(int node);
  virtual std::string GetProductCodeText(int node);
  virtual std::string GetDeviceTypeText(int node);
  virtual std::string GetRevisionText(int node);
  virtual std::string GetVendorText(int node);
  virtual std::string GetProductNameText(int node);
  virtual std::string GetBaudRateText();
  virtual std::string GetInterfaceAddressText();
  virtual int GoOnline();
  virtual int GoOffline();
  virtual int StartBrowse();
  virtual int StopBrowse();
  virtual int VersionInformationWindow();
  virtual int ConfigurationWindow();
  virtual int HardwareConfigurationWindow(InterfaceConfiguration* record);
  virtual int ReadConfiguration(const char* baseKey);
  virtual int SaveConfiguration(const char* baseKey);
  virtual int GetNodeCount(std::uint16_t* count);
  virtual int GetInterfaceConfiguration(InterfaceConfiguration* record);
  virtual int PollNodeChanges(int* changed);
  virtual int GetBrowseTime(std::uint32_t* milliseconds);
  virtual int ChecksumOk(std::uint8_t sector, std::uint32_t* ok);
  virtual int ResetNode();
  // name: a buffer of 256 bytes.
  virtual int GetInterfaceName(char* name);

  // The node that the single-node operations address.
  std::uint16_t NodeNumber() const { return nodeNumber_.load(); }
  void SetNodeNumber(std::uint16_t node) { nodeNumber_.store(node); }

  // Non-zero: node n is online and its identity has been read. 0 for n
  // outside the table.
  std::uint32_t PresentWord(std::size_t node) const;
  std::uint32_t OnlineCount() const { return onlineCount_.load(); }

  std::uint32_t Mode() const { return mode_; }
  void SetMode(std::uint32_t mode) { mode_ = mode; }

  // The largest piece the download thread hands to one WriteMemory/ReadMemory.
  std::uint32_t ChunkSize() const { return chunkSize_.load(); }

  // True once after PollNodeChanges found the interface gone (unplugged, its
  // port vanished) while online; it then holds no node any more.
  bool TakeInterfaceLost() { return interfaceLost_.exchange(false); }
  // Tells the user of the lost interface as going online without it would.
  virtual void ReportInterfaceLost() {}

 protected:
  using NodeWords = std::array<std::atomic<std::uint32_t>, kNodeEntries>;

  void SetChunkSize(std::uint32_t size) { chunkSize_.store(size); }
  // A short text made by printf from the format and arguments (at most 63
  // characters), as the node and interface texts are made.
  template <typename... Args>
  static std::string Format(const char* format, Args... args) {
    char text[64];
    std::snprintf(text, sizeof text, format, args...);
    return text;
  }
  // Clears the present word and its reported copy of one node (an entry
  // outside the table is ignored).
  void ForgetNode(std::size_t node);
  // Clears all four words of nodes [0, count) and the online count and its copy.
  void ClearNodeTable(std::size_t count);
  void NoteInterfaceLost() { interfaceLost_.store(true); }

  std::atomic<std::uint16_t> nodeNumber_{0};
  std::atomic<std::uint32_t> onlineCount_{0};
  std::atomic<std::uint32_t> reportedOnlineCount_{0};
  NodeWords present_{};
  NodeWords reportedPresent_{};
  NodeWords nodeNumberWord_{};
  NodeWords reportedNodeNumberWord_{};

 private:
  std::uint32_t mode_ = 0;
  std::atomic<std::uint32_t> chunkSize_{kDefaultChunkSize};
  std::atomic<bool> interfaceLost_{false};
};
