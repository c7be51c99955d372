#include "devicenet/sstscanner.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <tuple>

#include "devicenet/dnscan.h"
#include "platform/clock.h"
#include "platform/handles.h"
#include "platform/lasterror.h"
#include "platform/module.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "platform/threadmessage.h"

namespace {

using std::int32_t;
using std::uint16_t;
using std::uint8_t;

constexpr int kCardCount = 10;
constexpr int kNodeCount = 64;
constexpr uint16_t kExplicitTop = 0x3F7F;
constexpr uint16_t kIoTop = 0x1000;
constexpr std::uint32_t kExchangeWaitMs = 1000;
constexpr std::uint32_t kReplacePauseMs = 100;
constexpr uint8_t kChoiceExplicit = 0x01, kChoicePoll = 0x02, kChoiceStrobe = 0x04, kChoiceCosCyclic = 0x30;
constexpr int kSlotExplicit = 1, kSlotPoll = 2, kSlotStrobe = 3, kSlotCosCyclic = 4;

// The scanner library's calls, looked up in the library's own order; the
// adapter stops at the first one missing.
#define DNS_NAMES(X)                                                                                              \
  X(AddDevice) X(DeleteDevice) X(CloseCard) X(Driver) X(FreeDriver) X(GetBusStatus) X(GetClientEvent)            \
  X(GetClientStatus) X(GetDevice) X(GetDeviceEvent) X(GetDevicePath) X(GetDeviceStatus) X(GetModuleHeader)      \
  X(GetServerEvent) X(GetServerPath) X(GetServerStatus) X(InitializePathBuffer) X(IoActive) X(IoIdle)           \
  X(LoadDriver) X(Log) X(Offline) X(Online) X(OpenCard) X(ReadDeviceIo) X(ReadServerIo) X(ReceiveDeviceExplicit) \
  X(ReceiveServerExplicit) X(RegisterBusStatusEvent) X(RegisterClientEvent) X(RegisterDeviceEvent)              \
  X(RegisterServerEvent) X(SendDeviceExplicit) X(SendServerExplicit) X(SetAccessTimeout)                        \
  X(SetEventNotificationInterval) X(StartScan) X(StopScan) X(UnRegisterBusStatusEvent) X(UnRegisterClientEvent) \
  X(UnRegisterDeviceEvent) X(UnRegisterServerEvent) X(Version) X(WriteDeviceIo) X(WriteServerIo)

struct ScannerApi {
  DnsAddDeviceFn AddDevice;
  DnsDeleteDeviceFn DeleteDevice;
  DnsCardFn CloseCard;
  DnsVersionFn Driver;
  DnsBusStatusFn GetBusStatus;
  DnsGetDeviceFn GetDevice;
  DnsDeviceStatusFn GetDeviceStatus;
  DnsLoadDriverFn LoadDriver;
  DnsCardFn Offline;
  DnsOnlineFn Online;
  DnsOpenCardFn OpenCard;
  DnsDeviceIoFn ReadDeviceIo;
  DnsReceiveExplicitFn ReceiveDeviceExplicit;
  DnsRegisterDeviceEventFn RegisterDeviceEvent;
  DnsSendExplicitFn SendDeviceExplicit;
  DnsIntervalFn SetEventNotificationInterval;
  DnsCardFn StartScan;
  DnsCardFn StopScan;
  DnsVersionFn Version;
  DnsDeviceIoFn WriteDeviceIo;
};

ScannerApi dns{};
std::mutex bindMutex;
bool bound = false;

template <typename Fn>
void Assign(Fn& slot, void* entry) {
  slot = reinterpret_cast<Fn>(entry);
}
bool BindScannerLibraries() {
  std::lock_guard lock(bindMutex);
  if (bound) return true;
  platform::ModuleHandle scanner = platform::LoadLibrary("dnscan32.dll");
  if (scanner == nullptr || platform::LoadLibrary("dnerr32.dll") == nullptr) return false;
  std::array<void*, 45> entries{};
  const char* names[] = {
#define DNS_NAME(name) "DNS_" #name,
      DNS_NAMES(DNS_NAME)
#undef DNS_NAME
  };
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i] = platform::GetProcAddress(scanner, names[i]);
    if (entries[i] == nullptr) return false;
  }
  auto entry = [&](const char* name) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (std::strcmp(names[i] + 4, name) == 0) return entries[i];
    }
    return static_cast<void*>(nullptr);
  };
#define DNS_USE(name) Assign(dns.name, entry(#name));
  DNS_USE(AddDevice) DNS_USE(DeleteDevice) DNS_USE(CloseCard) DNS_USE(Driver) DNS_USE(GetBusStatus)
  DNS_USE(GetDevice) DNS_USE(GetDeviceStatus) DNS_USE(LoadDriver) DNS_USE(Offline) DNS_USE(Online)
  DNS_USE(OpenCard) DNS_USE(ReadDeviceIo) DNS_USE(ReceiveDeviceExplicit) DNS_USE(RegisterDeviceEvent)
  DNS_USE(SendDeviceExplicit) DNS_USE(SetEventNotificationInterval) DNS_USE(StartScan) DNS_USE(StopScan)
  DNS_USE(Version) DNS_USE(WriteDeviceIo)
#undef DNS_USE
  bound = dns.LoadDriver("ssdn32.dll") != 0;
  return bound;
}

struct Node {
  DnsDevice record{};
  uint8_t wantedChoice = 0;
  uint16_t status = 0;
  int pollPlace = 0, strobePlace = 0, cosPlace = 0;  // 1 or 2; 0 = none
  platform::Handle event = platform::kNullHandle;
  // When the scanner last let the device go (process milliseconds); it takes
  // the device again only after the replace pause has passed since.
  std::uint64_t deletedAtMs = 0;
  bool deleted = false;
};

// The status thread writes a node's status while the callers' threads read it.
void StoreStatus(Node& node, uint16_t status) { std::atomic_ref<uint16_t>(node.status).store(status); }
uint16_t LoadStatus(Node& node) { return std::atomic_ref<uint16_t>(node.status).load(); }

struct Card {
  int32_t inUse = 0;
  int32_t handle = -1;
  uint16_t mac = 0;
  uint16_t baudCode = 0;
  uint16_t explicitTop = kExplicitTop;
  uint16_t ioTop = kIoTop;
  platform::Handle threads[2] = {platform::kNullHandle, platform::kNullHandle};
  std::uint32_t threadIds[2] = {0, 0};
  std::array<Node, kNodeCount> nodes;
  // The status thread completes nodes while callers change the scanlist.
  std::mutex nodesMutex;
};

std::mutex cardsMutex;
std::array<Card, kCardCount> cards;

Card* FindCard(int32_t handle) {
  std::lock_guard lock(cardsMutex);
  if (!bound) return nullptr;
  for (Card& card : cards) {
    if (card.inUse != 0 && card.handle == handle) return &card;
  }
  return nullptr;
}

Node* FindNode(int32_t handle, int32_t mac, Card** cardOut = nullptr) {
  Card* card = FindCard(handle);
  if (card == nullptr || mac < 0 || mac >= kNodeCount) return nullptr;
  if (cardOut != nullptr) *cardOut = card;
  return &card->nodes[static_cast<std::size_t>(mac)];
}

// ---------------------------------------------------------------- explicit

int Exchange(Card& card, int32_t mac, uint8_t service, uint16_t objectClass, uint16_t instance,
             uint16_t requestLength, const uint8_t* request, uint16_t* replyLength, uint8_t* reply) {
  Node& node = card.nodes[static_cast<std::size_t>(mac)];
  const auto drain = [&] {
    uint8_t service_ = 0;
    uint8_t scratch[256];
    uint16_t length = sizeof scratch;
    dns.ReceiveDeviceExplicit(card.handle, static_cast<uint16_t>(mac), &service_, scratch, &length);
  };
  if (node.event != platform::kNullHandle) {
    if (platform::WaitForSingleObject(node.event, kExchangeWaitMs) != platform::kWaitObject0) {
      platform::SetLastError(kDnetErrorPending);
      return 0;
    }
    platform::ResetEvent(node.event);
  }
  if (dns.SendDeviceExplicit(card.handle, static_cast<uint16_t>(mac), service, objectClass, instance, request,
                             requestLength) == 0) {
    if (node.event != platform::kNullHandle) platform::SetEvent(node.event);
    drain();
    return 0;
  }
  if (node.event == platform::kNullHandle ||
      platform::WaitForSingleObject(node.event, kExchangeWaitMs) != platform::kWaitObject0) {
    if (node.event != platform::kNullHandle) platform::SetEvent(node.event);
    drain();
    platform::SetLastError(kDnetErrorTimeout);
    return 0;
  }
  uint8_t replyService = 0;
  uint8_t data[512];
  uint16_t length = sizeof data;
  if (dns.ReceiveDeviceExplicit(card.handle, static_cast<uint16_t>(mac), &replyService, data, &length) == 0) return 0;
  if (replyService != (service | 0x80)) {
    platform::SetLastError(kDnetErrorResponse | (std::uint32_t{replyService} << 16) |
                           (std::uint32_t{length > 0 ? data[0] : uint8_t{0}} << 8) | (length > 1 ? data[1] : 0));
    return 0;
  }
  const uint16_t capacity = *replyLength;
  *replyLength = length;
  if (length > capacity) {
    if (capacity > 0) std::memcpy(reply, data, capacity);
    platform::SetLastError(DnetErrorTooMuchData(replyService));
    return 0;
  }
  if (length > 0) std::memcpy(reply, data, length);
  return 1;
}

int ExplicitOn(int32_t handle, int32_t mac, uint8_t service, uint16_t objectClass, uint16_t instance,
               uint16_t requestLength, const uint8_t* request, uint16_t* replyLength, uint8_t* reply) {
  Card* card = nullptr;
  if (FindNode(handle, mac, &card) == nullptr || replyLength == nullptr) return 0;
  return Exchange(*card, mac, service, objectClass, instance, requestLength, request, replyLength, reply);
}

int GetAttributeOf(int32_t handle, int32_t mac, int32_t cls, int32_t instance, int32_t attribute, uint16_t* length,
                   uint8_t* data) {
  const uint8_t request = static_cast<uint8_t>(attribute);
  return ExplicitOn(handle, mac, 0x0E, static_cast<uint16_t>(cls), static_cast<uint16_t>(instance), 1, &request,
                    length, data);
}

int SetAttributeOf(int32_t handle, int32_t mac, int32_t cls, int32_t instance, int32_t attribute, uint16_t length,
                   const uint8_t* data) {
  uint8_t request[512];
  if (length + 1u > sizeof request || (length > 0 && data == nullptr)) return 0;
  request[0] = static_cast<uint8_t>(attribute);
  if (length > 0) std::memcpy(request + 1, data, length);
  uint8_t reply[64];
  uint16_t replyLength = sizeof reply;
  return ExplicitOn(handle, mac, 0x10, static_cast<uint16_t>(cls), static_cast<uint16_t>(instance),
                    static_cast<uint16_t>(length + 1), request, &replyLength, reply);
}

// A typed attribute travels in little-endian byte order and must come back at
// exactly its size.
template <typename T>
int GetTyped(int32_t handle, int32_t mac, int32_t cls, int32_t instance, int32_t attribute, T* value) {
  if (value == nullptr) return 0;
  uint8_t data[sizeof(T)];
  uint16_t length = sizeof data;
  if (GetAttributeOf(handle, mac, cls, instance, attribute, &length, data) == 0) return 0;
  if (length != sizeof(T)) return 0;
  std::memcpy(value, data, sizeof(T));
  return 1;
}

template <typename T>
int SetTyped(int32_t handle, int32_t mac, int32_t cls, int32_t instance, int32_t attribute, T value) {
  uint8_t data[sizeof(T)];
  std::memcpy(data, &value, sizeof(T));
  return SetAttributeOf(handle, mac, cls, instance, attribute, sizeof data, data);
}

// ------------------------------------------------------- threads and status

uint16_t TakeIo(Card& card, uint16_t size) {
  const uint16_t offset = card.ioTop;
  card.ioTop = static_cast<uint16_t>(card.ioTop + size);
  return offset;
}

uint16_t ReadSize(Card& card, int32_t mac, int32_t instance, int32_t attribute) {
  uint16_t size = 0;
  return GetTyped(card.handle, mac, 5, instance, attribute, &size) != 0 ? size : 0;
}

std::uint64_t NowMs() { return static_cast<std::uint64_t>(platform::ProcessTime() / std::chrono::milliseconds(1)); }

// Deletes the scanner's device; a device the scanner does not hold counts as
// deleted. The pause the scanner needs before it takes the device again is
// kept by AddDevice, so a removal that adds nothing back costs no wait.
bool DeleteDevice(Card& card, int32_t mac) {
  if (dns.DeleteDevice(card.handle, static_cast<uint16_t>(mac)) == 0 && platform::GetLastError() != kDnsErrorNoDevice) {
    return false;
  }
  Node& node = card.nodes[static_cast<std::size_t>(mac)];
  node.deletedAtMs = NowMs();
  node.deleted = true;
  return true;
}

// Hands the node's record to the scanner, once the replace pause since its
// last deletion has passed.
int AddDevice(Card& card, Node& node) {
  const std::uint64_t dueMs = node.deletedAtMs + kReplacePauseMs;
  if (const std::uint64_t nowMs = NowMs(); node.deleted && nowMs < dueMs) {
    platform::Sleep(static_cast<std::uint32_t>(dueMs - nowMs));
  }
  return dns.AddDevice(card.handle, &node.record);
}

// A node that came up with only its explicit connection gets the I/O sizes
// it reports, its buffers and the wanted connection set.
void CompleteNode(Card& card, int32_t mac) {
  Node& node = card.nodes[static_cast<std::size_t>(mac)];
  DnsDevice record{};
  if (dns.GetDevice(card.handle, static_cast<uint16_t>(mac), &record) == 0) return;
  if ((record.AllocationChoice & 0xFF) != kChoiceExplicit || node.wantedChoice == kChoiceExplicit) return;
  const uint8_t request[2] = {static_cast<uint8_t>(node.wantedChoice & ~kChoiceExplicit),
                              static_cast<uint8_t>(card.mac)};
  uint8_t reply[16];
  uint16_t replyLength = sizeof reply;
  Exchange(card, mac, 0x4B, 3, 1, 2, request, &replyLength, reply);
  if (node.pollPlace != 0) {
    node.record.Io1InputSize = ReadSize(card, mac, 2, 7);
    node.record.Io1OutputSize = ReadSize(card, mac, 2, 8);
    node.record.Io1InputOffset = TakeIo(card, node.record.Io1InputSize);
    node.record.Io1OutputOffset = TakeIo(card, node.record.Io1OutputSize);
  }
  for (auto [place, instance, strobe] : {std::tuple{node.strobePlace, 3, true}, std::tuple{node.cosPlace, 4, false}}) {
    if (place == 0) continue;
    uint16_t& input = place == 1 ? node.record.Io1InputSize : node.record.Io2InputSize;
    uint16_t& output = place == 1 ? node.record.Io1OutputSize : node.record.Io2OutputSize;
    input = ReadSize(card, mac, instance, 7);
    if (strobe) output = 1;
    (place == 1 ? node.record.Io1InputOffset : node.record.Io2InputOffset) = TakeIo(card, input);
    (place == 1 ? node.record.Io1OutputOffset : node.record.Io2OutputOffset) = TakeIo(card, output);
  }
  node.record.AllocationChoice = node.wantedChoice;
  if (!DeleteDevice(card, mac)) return;  // this node stays as it is; the others are still served
  AddDevice(card, node);
}

std::uint32_t ExplicitAnswerLoop(Card* card) {
  platform::ThreadMessage message;
  while (platform::GetMessage(&message) > 0) {
    const auto mac = static_cast<std::size_t>(message.lParam & 0xFF);
    if (message.message != kDnsMessageExplicit || mac >= kNodeCount) continue;
    if (card->nodes[mac].event != platform::kNullHandle) platform::SetEvent(card->nodes[mac].event);
  }
  return 0;
}

std::uint32_t StatusLoop(Card* card) {
  platform::ThreadMessage message;
  while (platform::GetMessage(&message) > 0) {
    const auto mac = static_cast<int32_t>(message.lParam & 0xFF);
    if (message.message != kDnsMessageStatus || mac >= kNodeCount) continue;
    std::lock_guard lock(card->nodesMutex);
    StoreStatus(card->nodes[static_cast<std::size_t>(mac)], static_cast<uint16_t>(message.wParam));
    if ((message.wParam & 0xFF) == kDnsDeviceActive) CompleteNode(*card, mac);
  }
  return 0;
}

bool StartThreads(Card& card) {
  const platform::ThreadFunction loops[2] = {[c = &card] { return ExplicitAnswerLoop(c); },
                                              [c = &card] { return StatusLoop(c); }};
  for (int i = 0; i < 2; ++i) {
    // Each loop makes its queue before its id is handed out.
    platform::Handle started = platform::CreateEvent(true, false, nullptr);
    card.threads[i] = platform::CreateThread(
        [loop = loops[i], started] {
          platform::ThreadMessage peek;
          platform::PeekMessage(&peek, false);
          platform::SetEvent(started);
          return loop();
        },
        false, &card.threadIds[i], 4096);
    if (card.threads[i] == platform::kNullHandle) {
      platform::CloseHandle(started);
      return false;
    }
    if (i == 0) platform::SetThreadPriority(card.threads[i], platform::kThreadPriorityTimeCritical);
    platform::WaitForSingleObject(started, platform::kInfinite);
    platform::CloseHandle(started);
  }
  return true;
}

void StopThreads(Card& card) {
  for (int i = 0; i < 2; ++i) {
    if (card.threads[i] == platform::kNullHandle) continue;
    platform::PostThreadMessage(card.threadIds[i], platform::kQuitMessage, 0, 0);
    platform::WaitForSingleObject(card.threads[i], platform::kInfinite);
    platform::CloseHandle(card.threads[i]);
    card.threads[i] = platform::kNullHandle;
    card.threadIds[i] = 0;
  }
}

void ResetNodes(Card& card) {
  for (int mac = 0; mac < kNodeCount; ++mac) {
    Node& node = card.nodes[static_cast<std::size_t>(mac)];
    if (node.event != platform::kNullHandle) platform::CloseHandle(node.event);
    node = Node{};
    node.record.MacId = static_cast<uint16_t>(mac);
  }
}

// ------------------------------------------------------------ served calls

int ScannerOpen(int32_t* handle, int32_t, const InterfaceSettings* settings) {
  if (handle == nullptr || settings == nullptr) return 0;
  int32_t scannerCard = -1;
  if (dns.OpenCard(&scannerCard, settings->AccessPoint) == 0) return 0;
  Card* card = nullptr;
  {
    std::lock_guard lock(cardsMutex);
    for (Card& candidate : cards) {
      if (candidate.inUse == 0) {
        card = &candidate;
        break;
      }
    }
    if (card == nullptr) {
      dns.CloseCard(scannerCard);
      return 0;
    }
    card->inUse = 1;
    card->handle = scannerCard;
  }
  ResetNodes(*card);
  card->explicitTop = kExplicitTop;
  card->ioTop = kIoTop;
  if (!StartThreads(*card)) {
    StopThreads(*card);
    dns.CloseCard(scannerCard);
    std::lock_guard lock(cardsMutex);
    card->inUse = 0;
    card->handle = -1;
    return 0;
  }
  *handle = scannerCard;
  return dns.SetEventNotificationInterval(scannerCard, 10);
}

int ScannerClose(int32_t handle) {
  Card* card = FindCard(handle);
  if (card == nullptr) return 0;
  dns.StopScan(handle);
  dns.Offline(handle);
  if (dns.CloseCard(handle) == 0) return 0;
  StopThreads(*card);
  ResetNodes(*card);
  std::lock_guard lock(cardsMutex);
  card->inUse = 0;
  card->handle = -1;
  card->explicitTop = kExplicitTop;
  card->ioTop = kIoTop;
  return 1;
}

int VersionParts(DnsVersionFn fn, int32_t* major, int32_t* minor) {
  std::uint32_t version = 0;
  if (fn(&version) == 0) return 0;
  *major = static_cast<int32_t>((version >> 8) & 0xFF);
  *minor = static_cast<int32_t>(version & 0xFF);
  return 1;
}

int ScannerDllName(int32_t handle, int32_t level, char* name) {
  if (FindCard(handle) == nullptr || level != 0) return 0;
  std::strcpy(name, "DNSCAN32");
  return 1;
}

int ScannerDllVersion(int32_t handle, int32_t level, int32_t* major, int32_t* minor) {
  if (FindCard(handle) == nullptr || level != 0) return 0;
  return VersionParts(dns.Version, major, minor);
}

int ScannerFirmwareVersion(int32_t handle, int32_t* major, int32_t* minor) {
  if (FindCard(handle) == nullptr || major == nullptr || minor == nullptr) return 0;
  return VersionParts(dns.Driver, major, minor);
}

constexpr int32_t kBitRates[] = {125000, 250000, 500000};

int ScannerSetBaud(int32_t handle, int32_t bitRate) {
  Card* card = FindCard(handle);
  if (card == nullptr) return 0;
  for (uint16_t code = 0; code < 3; ++code) {
    if (kBitRates[code] == bitRate) {
      card->baudCode = code;
      return 1;
    }
  }
  return 0;
}

int ScannerGetBaud(int32_t handle, int32_t* bitRate) {
  Card* card = FindCard(handle);
  if (card == nullptr || bitRate == nullptr) return 0;
  *bitRate = card->baudCode < 3 ? kBitRates[card->baudCode] : 0;
  return *bitRate != 0 ? 1 : 0;
}

int ScannerSetMacID(int32_t handle, int32_t mac) {
  Card* card = FindCard(handle);
  if (card == nullptr || mac < 0 || mac >= kNodeCount) return 0;
  card->mac = static_cast<uint16_t>(mac);
  return 1;
}

int ScannerGetMacID(int32_t handle, uint8_t* mac) {
  Card* card = FindCard(handle);
  if (card == nullptr || mac == nullptr) return 0;
  *mac = static_cast<uint8_t>(card->mac);
  return 1;
}

int ScannerSetOnline(int32_t handle, int32_t on) {
  Card* card = FindCard(handle);
  if (card == nullptr) return 0;
  return on != 0 ? dns.Online(handle, card->mac, card->baudCode) : dns.Offline(handle);
}

int ScannerGetOnline(int32_t handle, int32_t* online) {
  uint16_t status = 0;
  if (FindCard(handle) == nullptr || online == nullptr || dns.GetBusStatus(handle, &status) == 0) return 0;
  *online = (status & 0x7000) != 0 ? 1 : 0;
  return 1;
}

int ScannerNodeOnline(int32_t handle, int32_t mac, int32_t* online) {
  Node* node = FindNode(handle, mac);
  if (node == nullptr || online == nullptr) return 0;
  *online = (LoadStatus(*node) & 0xFF) == kDnsDeviceActive ? 1 : 0;
  return 1;
}

int ScannerReleaseAll(int32_t handle) {
  if (FindCard(handle) == nullptr) return 0;
  for (uint16_t mac = 0; mac < kNodeCount; ++mac) dns.DeleteDevice(handle, mac);
  return 1;
}

int ScannerStartScan(int32_t handle) { return FindCard(handle) != nullptr ? dns.StartScan(handle) : 0; }
int ScannerStopScan(int32_t handle) { return FindCard(handle) != nullptr ? dns.StopScan(handle) : 0; }

// Lays the wanted connections into the node's device record; false when some
// I/O size must still be read from the node once it is up.
bool PlaceConnections(Card& card, Node& node, uint8_t choice, const DnetScanlistEntry& entry) {
  const auto word = [&entry](std::size_t offset) {
    uint16_t value = 0;
    std::memcpy(&value, reinterpret_cast<const uint8_t*>(&entry) + offset, sizeof value);
    return value;
  };
  bool sizesKnown = true;
  if ((choice & kChoiceExplicit) != 0) {
    uint16_t size = std::max(entry.ExplicitProducedSize, entry.ExplicitConsumedSize);
    if (size == 0) size = 32;
    card.explicitTop = static_cast<uint16_t>(card.explicitTop - size);
    node.record.ExplicitSize = size;
    node.record.ExplicitOffset = card.explicitTop;
  }
  int nextPlace = 1;
  if ((choice & kChoicePoll) != 0) {
    node.pollPlace = nextPlace++;
    node.record.Io1Value = word(12);
    if (word(8) != 0 || word(10) != 0) {
      node.record.Io1InputSize = word(8);
      node.record.Io1OutputSize = word(10);
      node.record.Io1InputOffset = TakeIo(card, word(8));
      node.record.Io1OutputOffset = TakeIo(card, word(10));
    } else {
      sizesKnown = false;
    }
  }
  const auto place = [&](int& placeOf, uint16_t value, uint16_t input, uint16_t output) {
    placeOf = nextPlace++;
    (placeOf == 1 ? node.record.Io1Value : node.record.Io2Value) = value;
    (placeOf == 1 ? node.record.Io1InputSize : node.record.Io2InputSize) = input;
    (placeOf == 1 ? node.record.Io1OutputSize : node.record.Io2OutputSize) = output;
    (placeOf == 1 ? node.record.Io1InputOffset : node.record.Io2InputOffset) = TakeIo(card, input);
    (placeOf == 1 ? node.record.Io1OutputOffset : node.record.Io2OutputOffset) = TakeIo(card, output);
    if (input == 0) sizesKnown = false;
  };
  if ((choice & kChoiceStrobe) != 0) place(node.strobePlace, 0, word(26), 1);
  if ((choice & kChoiceCosCyclic) != 0) {
    place(node.cosPlace, word(18), word(16), 0);
    node.record.CosCyclicValue = word(20);
  }
  return sizesKnown;
}

bool Registered(int result) { return result != 0 || platform::GetLastError() == kDnsErrorAlreadyRegistered; }

int ScannerAddToScanlist(int32_t handle, int32_t mac, uint8_t choice, const DnetScanlistEntry* entry) {
  Card* card = nullptr;
  Node* node = FindNode(handle, mac, &card);
  if (node == nullptr || entry == nullptr) return 0;
  std::lock_guard lock(card->nodesMutex);
  const uint8_t wanted = static_cast<uint8_t>(node->wantedChoice | choice);
  const int ioCount = ((wanted & kChoicePoll) != 0) + ((wanted & kChoiceStrobe) != 0) + ((wanted & kChoiceCosCyclic) != 0);
  if (ioCount > 2 || (wanted & kChoiceCosCyclic) == kChoiceCosCyclic) return 0;
  DnsDevice current{};
  if (dns.GetDevice(handle, static_cast<uint16_t>(mac), &current) != 0 && (current.AllocationChoice & 0xFF) != wanted) {
    if (!DeleteDevice(*card, mac)) return 0;
  }
  const bool sizesKnown = PlaceConnections(*card, *node, choice, *entry);
  node->wantedChoice = wanted;
  node->record.AllocationChoice = sizesKnown ? wanted : kChoiceExplicit;
  if (AddDevice(*card, *node) == 0) return 0;
  const auto macId = static_cast<uint16_t>(mac);
  if (!Registered(dns.RegisterDeviceEvent(handle, macId, kDnsEventStatus, card->threadIds[1], kDnsMessageStatus))) {
    return 0;
  }
  if ((choice & kChoiceExplicit) != 0) {
    if (node->event == platform::kNullHandle) {
      char name[80];
      std::snprintf(name, sizeof name, "SST_DNSCAN_EventExplicitCard%ldNode%hdConn%d", static_cast<long>(handle),
                    static_cast<short>(mac), 0);
      // Signalled while no exchange with the node is running.
      node->event = platform::CreateEvent(true, true, name);
    }
    if (!Registered(
            dns.RegisterDeviceEvent(handle, macId, kDnsEventExplicit, card->threadIds[0], kDnsMessageExplicit))) {
      return 0;
    }
  }
  return 1;
}

int ScannerRemoveFromScanlist(int32_t handle, int32_t mac, uint8_t choice) {
  Card* card = nullptr;
  Node* node = FindNode(handle, mac, &card);
  if (node == nullptr) return 0;
  std::lock_guard lock(card->nodesMutex);
  DnsDevice current{};
  if (dns.GetDevice(handle, static_cast<uint16_t>(mac), &current) != 0) {
    if (!DeleteDevice(*card, mac)) return 0;
  }
  node->wantedChoice = static_cast<uint8_t>(node->wantedChoice & ~choice);
  StoreStatus(*node, 0);
  if ((choice & kChoicePoll) != 0) node->pollPlace = 0;
  if ((choice & kChoiceStrobe) != 0) node->strobePlace = 0;
  if ((choice & kChoiceCosCyclic) != 0) node->cosPlace = 0;
  if (node->wantedChoice == 0) return 1;
  node->record.AllocationChoice = node->wantedChoice;
  return AddDevice(*card, *node);
}

int ScannerGetConnectionSize(int32_t handle, int32_t mac, uint16_t slot, uint16_t* produced, uint16_t* consumed) {
  Card* card = nullptr;
  Node* node = FindNode(handle, mac, &card);
  if (node == nullptr || produced == nullptr || consumed == nullptr) return 0;
  std::lock_guard lock(card->nodesMutex);
  const DnsDevice& r = node->record;
  int place = 0;
  switch (slot) {
    case kSlotExplicit:
      if ((node->wantedChoice & kChoiceExplicit) == 0) return 0;
      *produced = *consumed = r.ExplicitSize;
      return 1;
    case kSlotPoll: place = node->pollPlace; break;
    case kSlotStrobe: place = node->strobePlace; break;
    case kSlotCosCyclic: place = node->cosPlace; break;
    default: return 0;
  }
  if (place == 0) return 0;
  *produced = place == 1 ? r.Io1InputSize : r.Io2InputSize;
  *consumed = place == 1 ? r.Io1OutputSize : r.Io2OutputSize;
  return 1;
}

bool DeviceActive(int32_t handle, int32_t mac) {
  uint16_t status = 0;
  return dns.GetDeviceStatus(handle, static_cast<uint16_t>(mac), &status) != 0 && (status & 0xFF) == kDnsDeviceActive;
}

int ScannerSetIOConsumeData(int32_t handle, int32_t mac, uint16_t slot, uint16_t length, const uint8_t* data) {
  if (FindNode(handle, mac) == nullptr || slot < kSlotPoll || slot > kSlotCosCyclic || !DeviceActive(handle, mac)) {
    return 0;
  }
  return dns.WriteDeviceIo(handle, static_cast<uint16_t>(mac), slot, const_cast<uint8_t*>(data), length);
}

int ScannerGetIOConsumeData(int32_t handle, int32_t mac, uint16_t slot, uint16_t length, uint8_t* data) {
  if (FindNode(handle, mac) == nullptr || slot < kSlotPoll || slot > kSlotCosCyclic) return 0;
  return dns.ReadDeviceIo(handle, static_cast<uint16_t>(mac), slot, data, length);
}

int ScannerGetIOProduceData(int32_t handle, int32_t mac, uint16_t slot, uint16_t length, uint8_t* data) {
  if (!DeviceActive(handle, mac)) return 0;
  return ScannerGetIOConsumeData(handle, mac, slot, length, data);
}

int ScannerExplicitService(int32_t handle, int32_t mac, uint8_t service, uint8_t cls, uint8_t instance,
                           uint16_t requestLength, const uint8_t* request, uint16_t* replyLength, uint8_t* reply) {
  return ExplicitOn(handle, mac, service, cls, instance, requestLength, request, replyLength, reply);
}

int ConnectionSetService(int32_t handle, int32_t mac, uint8_t service, uint8_t choice) {
  Card* card = FindCard(handle);
  if (card == nullptr) return 0;
  const uint8_t request[2] = {choice, static_cast<uint8_t>(card->mac)};
  uint8_t reply[16];
  uint16_t replyLength = sizeof reply;
  return ExplicitOn(handle, mac, service, 3, 1, service == 0x4B ? 2 : 1, request, &replyLength, reply);
}

int ScannerAllocateSet(int32_t handle, int32_t mac, uint8_t choice) { return ConnectionSetService(handle, mac, 0x4B, choice); }
int ScannerReleaseSet(int32_t handle, int32_t mac, uint8_t choice) { return ConnectionSetService(handle, mac, 0x4C, choice); }

DnetBackendApi MakeTable() {
  DnetBackendApi api;
  api.OpenCard = ScannerOpen;
  api.CloseCard = ScannerClose;
  api.DLL_Name = ScannerDllName;
  api.DLL_Version = ScannerDllVersion;
  api.Firmware_Version = ScannerFirmwareVersion;
  api.SetBaud = ScannerSetBaud;
  api.GetBaud = ScannerGetBaud;
  api.SetMacID = ScannerSetMacID;
  api.GetMacID = ScannerGetMacID;
  api.SetOnline = ScannerSetOnline;
  api.GetOnline = ScannerGetOnline;
  api.NodeOnline = ScannerNodeOnline;
  api.ReleaseAll = ScannerReleaseAll;
  api.StartScan = ScannerStartScan;
  api.StopScan = ScannerStopScan;
  api.AddToScanlist = ScannerAddToScanlist;
  api.RemoveFromScanlist = ScannerRemoveFromScanlist;
  api.GetConnectionSize = ScannerGetConnectionSize;
  api.SetIOConsumeData = ScannerSetIOConsumeData;
  api.GetIOConsumeData = ScannerGetIOConsumeData;
  api.GetIOProduceData = ScannerGetIOProduceData;
  api.ExplicitService = ScannerExplicitService;
  api.Allocate_MS_Connection_Set = ScannerAllocateSet;
  api.Release_MS_Connection_Set = ScannerReleaseSet;
  api.GetAttribute = GetAttributeOf;
  api.SetAttribute = SetAttributeOf;
#define DNS_TYPED(suffix, type)              \
  api.GetAttribute_##suffix = GetTyped<type>; \
  api.SetAttribute_##suffix = SetTyped<type>;
  DNS_TYPED(USINT, uint8_t) DNS_TYPED(SINT, std::int8_t) DNS_TYPED(UINT, uint16_t) DNS_TYPED(INT, std::int16_t)
  DNS_TYPED(UDINT, std::uint32_t) DNS_TYPED(DINT, int32_t) DNS_TYPED(REAL, float) DNS_TYPED(DOUBLE, double)
#undef DNS_TYPED
  return api;
}

}  // namespace

const DnetBackendApi* BindSstScanner() {
  static const DnetBackendApi table = MakeTable();
  if (!BindScannerLibraries()) {
    platform::SetLastError(platform::kErrorModNotFound);
    return nullptr;
  }
  return &table;
}
